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
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <numeric>

// The index being built: a worker folds the directory's entries from `next`
// on, reading the model itself. The window pauses it before each change of
// the directory (so the entries never change while it reads them), makes the
// change on what it has folded, and lets it go on.
struct frmSearch::Build
{
    core::SearchIndex index;
    std::size_t next = 0;
    std::atomic<bool> paused{false};
};

frmSearch::frmSearch(const core::DirectoryModel &directory, ColorLookupFactory colors,
                     QWidget *parent)
    : QDialog(parent), directory_(directory), colors_(std::move(colors)),
      results_(new SearchResults(directory, this))
{
    setWindowTitle(tr("Search"));
    buildControls();
    followDirectory();
    startIndexing();
}

frmSearch::~frmSearch()
{
    pauseIndexing();
}

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
    connect(&directory_, &core::DirectoryModel::aboutToSplice, this, &frmSearch::pauseIndexing);
    connect(&directory_, &core::DirectoryModel::spliced, this, &frmSearch::entriesSpliced);
    connect(&directory_, &QAbstractItemModel::modelAboutToBeReset, this, &frmSearch::pauseIndexing);
    connect(&directory_, &QAbstractItemModel::modelReset, this, &frmSearch::startIndexing);
}

void frmSearch::startIndexing()
{
    pauseIndexing();
    build_ = std::make_shared<Build>();
    resumeIndexing();
    resultsChanged();
}

void frmSearch::resumeIndexing()
{
    build_->paused = false;
    builder_ = QThread::create([build = build_, &entries = directory_.entries()] {
        constexpr std::size_t kChunk = 1024;
        const auto size = std::size_t(entries.size());
        while (build->next < size && !build->paused.load(std::memory_order_relaxed)) {
            const std::size_t count = std::min(kChunk, size - build->next);
            build->index.splice(build->index.size(), 0, entries, qsizetype(build->next),
                                qsizetype(count));
            build->next += count;
        }
    });
    connect(builder_, &QThread::finished, this, &frmSearch::indexBuilt);
    builder_->start(QThread::LowPriority);
}

void frmSearch::pauseIndexing()
{
    if (!builder_)
        return;
    build_->paused = true;
    builder_->wait();
    delete builder_;
    builder_ = nullptr;
}

void frmSearch::indexBuilt()
{
    // A worker paused for a change may still tell of its end.
    if (!builder_ || !builder_->isFinished())
        return;
    delete builder_;
    builder_ = nullptr;
    index_ = std::move(build_->index);
    build_.reset();
    resultsChanged();
}

void frmSearch::entriesSpliced(int row, int removed, int inserted)
{
    const core::EntryStore &entries = directory_.entries();
    if (!build_) {
        index_.splice(row, removed, entries, row, inserted);
        resultsSpliced(row, removed, inserted);
        return;
    }
    // The change touches what the worker folded: new entries are folded
    // here, unless they are so many that the worker had better fold them
    // with the rest.
    const auto at = std::size_t(row);
    const std::size_t folded = build_->next;
    if (at < folded) {
        if (at + std::size_t(removed) <= folded && inserted <= 16384) {
            build_->index.splice(row, removed, entries, row, inserted);
            build_->next = folded - std::size_t(removed) + std::size_t(inserted);
        } else {
            build_->index.splice(row, int(folded - at), {});
            build_->next = at;
        }
    }
    resumeIndexing();
}

void frmSearch::resultsChanged()
{
    // The results shown no longer bound those of a longer query.
    shown_ = {};
    // Hidden, the results are made afresh when the window is shown again.
    if (isVisible())
        txtSearch_Change();
}

void frmSearch::resultsSpliced(int row, int removed, int inserted)
{
    if (!isVisible() || shown_.isEmpty()) {
        resultsChanged();
        return;
    }
    // The results shown move with the change, and only the entries it
    // brought are searched: the rest of the directory matched as it did.
    const std::vector<int> &before = results_->found();
    const auto after = std::lower_bound(before.begin(), before.end(), row);
    std::vector<int> found(before.begin(), after);
    std::vector<int> brought(static_cast<std::size_t>(inserted));
    std::iota(brought.begin(), brought.end(), row);
    const std::vector<int> matched = index_.findAmong(shown_, std::move(brought));
    found.insert(found.end(), matched.begin(), matched.end());
    for (auto it = std::lower_bound(after, before.end(), row + removed); it != before.end(); ++it)
        found.push_back(*it + inserted - removed);
    showResults(shown_, std::move(found));
}

void frmSearch::showResults(core::SearchQuery query, std::vector<int> found)
{
    results_->showFound(index_, std::move(query), std::move(found),
                        colors_ ? colors_() : ColorLookup());
    if (results_->entryRow(0) >= 0)
        lstResults->setCurrentIndex(results_->index(0, 0));
}

void frmSearch::txtSearch_Change()
{
    if (build_) {
        results_->showIndexing();
        return;
    }
    core::SearchQuery query = core::parseSearchQuery(txtSearch->text());
    if (query.isEmpty()) {
        results_->clear();
        shown_ = {};
        return;
    }
    // Typing on looks only among the entries already found.
    std::vector<int> found = core::narrows(query, shown_)
                                 ? index_.findAmong(query, results_->found())
                                 : index_.find(query);
    shown_ = query;
    showResults(std::move(query), std::move(found));
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
