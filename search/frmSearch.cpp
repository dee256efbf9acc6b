#include "frmSearch.h"

#include "core/directory/directorymodel.h"
#include "core/search/searchmatch.h"
#include "platform/controls/palette.h"
#include "platform/controls/staticedge.h"
#include "platform/runtime/designlayout.h"
#include "platform/runtime/twips.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

frmSearch::frmSearch(const core::DirectoryModel &directory, ColorLookupFactory colors,
                     QWidget *parent)
    : QDialog(parent), directory_(directory), colors_(std::move(colors)),
      results_(new SearchResults(directory, this))
{
    setWindowTitle(tr("Search"));
    buildControls();
    followDirectory();
    entriesReset();
}

frmSearch::~frmSearch() = default;

void frmSearch::buildControls()
{
    auto *lblSearch = new QLabel(tr("Search &for:"), this);
    txtSearch = new QLineEdit(this);
    txtSearch->setPlaceholderText(tr("A name, a number or any word of an entry"));
    lblSearch->setBuddy(txtSearch);

    lstResults = new QTableView(this);
    lstResults->setModel(results_);
    // Rows of one fixed height: the view lays out any number of them at no cost.
    lstResults->setShowGrid(false);
    lstResults->setWordWrap(false);
    lstResults->setCornerButtonEnabled(false);
    lstResults->verticalHeader()->hide();
    lstResults->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lstResults->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
    lstResults->horizontalHeader()->setHighlightSections(false);
    lstResults->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lstResults->horizontalHeader()->setStretchLastSection(true);
    const QSizeF scale = platform::fontScale(this);
    lstResults->setColumnWidth(0, qRound(platform::tw(2400) * scale.width()));
    lstResults->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstResults->setSelectionMode(QAbstractItemView::SingleSelection);
    lstResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstResults->setTabKeyNavigation(false);
    lstResults->setAccessibleName(tr("Results"));
    // The lines' colours are chosen for a light background, as in the
    // detail list, whatever the desktop theme says.
    platform::keepLightBase(lstResults);
    QFont bold = lstResults->font();
    bold.setBold(true);
    results_->setBoldFont(bold);
    officeBorders::ApplyStaticEdge(txtSearch);
    officeBorders::ApplyStaticEdge(lstResults);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblSearch);
    layout->addWidget(txtSearch);
    layout->addWidget(lstResults);
    resize(qRound(platform::tw(6000) * scale.width()), qRound(platform::tw(4500) * scale.height()));
    platform::rememberGeometry(this, QStringLiteral("search"));

    txtSearch->installEventFilter(this);
    lstResults->installEventFilter(this);
    connect(txtSearch, &QLineEdit::textChanged, this, &frmSearch::txtSearch_Change);
    connect(lstResults, &QAbstractItemView::doubleClicked, this, &frmSearch::lstResults_DblClick);
}

void frmSearch::followDirectory()
{
    const auto rows = [this](void (frmSearch::*follow)(int, int)) {
        return [this, follow](const QModelIndex &, int first, int last) {
            (this->*follow)(first, last);
        };
    };
    connect(&directory_, &QAbstractItemModel::rowsInserted, this,
            rows(&frmSearch::entriesInserted));
    connect(&directory_, &QAbstractItemModel::rowsRemoved, this, rows(&frmSearch::entriesRemoved));
    connect(&directory_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to) {
                entriesChanged(from.row(), to.row());
            });
    connect(&directory_, &QAbstractItemModel::modelReset, this, &frmSearch::entriesReset);
}

void frmSearch::entriesReset()
{
    index_.clear();
    for (int row = 0; row < directory_.count(); ++row)
        index_.insert(row, directory_.entry(row));
    resultsChanged();
}

void frmSearch::entriesInserted(int first, int last)
{
    for (int row = first; row <= last; ++row)
        index_.insert(row, directory_.entry(row));
    resultsChanged();
}

void frmSearch::entriesChanged(int first, int last)
{
    for (int row = first; row <= last; ++row)
        index_.replace(row, directory_.entry(row));
    resultsChanged();
}

void frmSearch::entriesRemoved(int first, int last)
{
    // From the last, so the positions of the others stay right.
    for (int row = last; row >= first; --row)
        index_.remove(row);
    resultsChanged();
}

void frmSearch::resultsChanged()
{
    // Hidden, the results are made afresh when the window is shown again.
    if (isVisible())
        txtSearch_Change();
}

void frmSearch::txtSearch_Change()
{
    core::SearchQuery query = core::parseSearchQuery(txtSearch->text());
    if (query.isEmpty()) {
        results_->clear();
        return;
    }
    std::vector<int> found = index_.find(query);
    results_->showFound(index_, std::move(query), std::move(found),
                        colors_ ? colors_() : ColorLookup());
    if (results_->entryRow(0) >= 0)
        lstResults->setCurrentIndex(results_->index(0, 0));
}

void frmSearch::lstResults_DblClick(const QModelIndex &index)
{
    if (index.isValid())
        chooseRow(index.row());
}

void frmSearch::chooseRow(int row)
{
    const int entry = results_->entryRow(row);
    if (entry < 0)
        return;
    close();
    emit entryChosen(entry);
}

bool frmSearch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    switch (static_cast<QKeyEvent *>(event)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (const QModelIndex current = lstResults->currentIndex(); current.isValid())
            chooseRow(current.row());
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // The text box keeps the focus while these move in the results.
        if (watched == txtSearch) {
            QCoreApplication::sendEvent(lstResults, event);
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void frmSearch::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    txtSearch->setFocus();
    txtSearch->selectAll();
    txtSearch_Change();
}
