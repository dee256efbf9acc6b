// The main window's commands beyond the design's controls: contacts in and
// out, and acting on a number line.

#include "frmMain.h"

#include "core/service/directoryservice.h"

#include "core/contacts/contacts.h"
#include "core/contacts/linekind.h"
#include "core/directory/directorymodel.h"
#include "platform/controls/listview.h"
#include "platform/controls/reportlist.h"
#include "platform/runtime/designlayout.h"
#include "platform/runtime/messagebox.h"
#include "platform/system/urlopener.h"
#include "quorvel_version.h"

#include <QAction>
#include <QClipboard>
#include <QCollator>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>

namespace {

// Reasons shown in the report at most; the rest are counted.
constexpr int kMostReasonsShown = 20;

QStringList contactFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile() || !core::formatForFileName(url.toLocalFile()))
            return {};
        files.append(url.toLocalFile());
    }
    return files;
}

} // namespace

void frmMain::buildContactCommands()
{
    mnuPopup->addSeparator();
    mnuImport = mnuPopup->addAction(tr("&Import..."));
    mnuImport->setShortcut(QKeySequence(tr("Ctrl+I")));
    mnuExport = mnuPopup->addAction(tr("E&xport..."));
    mnuExport->setShortcut(QKeySequence(tr("Ctrl+E")));
    addActions({mnuImport, mnuExport});
    connect(mnuImport, &QAction::triggered, this, &frmMain::mnuImport_Click);
    connect(mnuExport, &QAction::triggered, this, &frmMain::mnuExport_Click);
    setAcceptDrops(true);
}

void frmMain::mnuImport_Click()
{
    const QStringList files =
        QFileDialog::getOpenFileNames(this, tr("Import contacts"), QDir::homePath(),
                                      tr("Contacts (*.vcf *.vcard *.csv);;All files (*)"));
    if (!files.isEmpty())
        importFiles(files);
}

void frmMain::mnuExport_Click()
{
    const QString vcard4 = tr("vCard 4.0 (*.vcf)");
    QString chosen;
    const QString file = QFileDialog::getSaveFileName(
        this, tr("Export contacts"), QDir::home().filePath(QStringLiteral("contacts.vcf")),
        tr("vCard 3.0 (*.vcf);;%1;;CSV (*.csv)").arg(vcard4), &chosen);
    if (!file.isEmpty())
        exportTo(file, chosen == vcard4 ? QStringLiteral("vcard4") : QString());
}

void frmMain::importFiles(const QStringList &paths)
{
    const int before = directory_->count();
    QStringList report;
    QStringList reasons;
    bool changed = false;
    for (const core::ImportFileReport &file : service_->import(*directory_, paths)) {
        changed = changed || file.changed;
        const QString name = QDir::toNativeSeparators(file.file);
        if (!file.read) {
            report.append(tr("%1 was not imported: %2.").arg(name, file.error));
            continue;
        }
        report.append(core::importSummary(name, file.counts));
        for (const QString &reason : file.counts.reasons)
            reasons.append(QFileInfo(file.file).fileName() + QLatin1String(", ") + reason);
    }
    if (changed)
        directoryChanged();
    if (directory_->count() > before)
        showEntry(before); // the first entry added
    if (reasons.size() > kMostReasonsShown) {
        const qsizetype more = reasons.size() - kMostReasonsShown;
        reasons.resize(kMostReasonsShown);
        reasons.append(tr("... and %1 more.").arg(more));
    }
    report.append(reasons);
    platform::showReport(tr("Import"), report, this);
}

void frmMain::exportTo(const QString &path, const QString &format)
{
    const auto chosen =
        format.isEmpty() ? core::formatForFileName(path) : core::formatForName(format);
    if (!chosen) {
        platform::MsgBox(
            tr("Can't export to %1: name it .vcf or .csv.").arg(QDir::toNativeSeparators(path)),
            platform::vbExclamation, tr("Export"), this);
        return;
    }
    // Whether the file is one of the data files is checked while no save
    // replaces them.
    waitForSaved();
    if (const core::Result<> exported = service_->exportTo(*directory_, path, *chosen); !exported)
        platform::MsgBox(exported.error(), platform::vbExclamation, tr("Export"), this);
    else
        tellExported(QDir::toNativeSeparators(path));
}

void frmMain::tellExported(const QString &file)
{
    const int count = directory_->count();
    platform::MsgBox(count == 1 ? tr("1 entry was exported to %1.").arg(file)
                                : tr("%1 entries were exported to %2.").arg(count).arg(file),
                     platform::vbInformation, tr("Export"), this);
}

void frmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (!contactFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent *event)
{
    const QStringList files = contactFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    importFiles(files);
}

void frmMain::buildLineCommands()
{
    mnuLine = new QMenu(tr("Line"), this);
    mnuCopyLine = mnuLine->addAction(tr("Copy &line"));
    mnuCopyLine->setShortcut(QKeySequence::Copy);
    mnuCopyNumber = mnuLine->addAction(tr("Copy &number"));
    mnuCopyNumber->setShortcut(QKeySequence(tr("Ctrl+Shift+C")));
    mnuOpen = mnuLine->addAction(tr("&Open"));
    auto *menuKey = new QAction(this);
    menuKey->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)});
    // The keys belong to the detail list alone.
    for (QAction *action : {mnuCopyLine, mnuCopyNumber, menuKey}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        lstNumbers->addAction(action);
    }
    lstNumbers->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstNumbers, &QWidget::customContextMenuRequested, this, &frmMain::popupLineMenu);
    connect(menuKey, &QAction::triggered, this, [this] {
        const QRect row = lstNumbers->itemRect(lstNumbers->selectedItem());
        popupLineMenu(row.isValid() ? row.center() : QPoint());
    });
    connect(mnuCopyLine, &QAction::triggered, this, &frmMain::mnuCopyLine_Click);
    connect(mnuCopyNumber, &QAction::triggered, this, &frmMain::mnuCopyNumber_Click);
    connect(mnuOpen, &QAction::triggered, this, &frmMain::mnuOpen_Click);
    connect(lstNumbers, &platform::ListView::itemActivated, this, &frmMain::mnuOpen_Click);
}

QString frmMain::selectedLine() const
{
    return lstNumbers->text(lstNumbers->selectedItem());
}

void frmMain::popupLineMenu(QPoint at)
{
    // A click on a line selects it first; the menu acts on the selected line.
    if (const QModelIndex index = lstNumbers->indexAt(at); index.isValid())
        lstNumbers->setSelectedRow(index.row());
    const QString line = selectedLine();
    if (lstNumbers->selectedItem() == 0)
        return;
    // Only a line that holds an address or a number offers Open.
    mnuOpen->setVisible(core::urlToOpen(line).has_value());
    mnuLine->popup(lstNumbers->viewport()->mapToGlobal(at));
}

void frmMain::mnuCopyLine_Click()
{
    if (lstNumbers->selectedItem())
        QGuiApplication::clipboard()->setText(selectedLine());
}

void frmMain::mnuCopyNumber_Click()
{
    if (lstNumbers->selectedItem())
        QGuiApplication::clipboard()->setText(core::splitLine(selectedLine()).value.toString());
}

void frmMain::mnuOpen_Click()
{
    const std::optional<QString> url = core::urlToOpen(selectedLine());
    if (lstNumbers->selectedItem() == 0 || !url)
        return;
    if (!platform::openUrl(QUrl(*url)))
        platform::MsgBox(tr("Can't open %1: no program of the desktop takes it.").arg(*url),
                         platform::vbExclamation, {}, this);
}

void frmMain::buildMenuBar()
{
    menuBar = new QMenuBar(this);
    mnuSort = new QAction(tr("S&ort by name"), this);
    mnuColors = new QAction(tr("&Colors..."), this);
    mnuGuide = new QAction(tr("&User guide"), this);
    mnuAbout = new QAction(tr("&About"), this);
    // Alt+E and Alt+D are the Edit and Delete buttons', so the Edit menu is Alt+I.
    const std::pair<QString, QList<QAction *>> menus[] = {
        {tr("&File"), {mnuImport, mnuExport, nullptr, mnuExit}},
        {tr("Ed&it"),
         {mnuUndo, mnuRedo, nullptr, mnuAdd, mnuEdit, mnuDelete, nullptr, mnuSearch, mnuSort}},
        {tr("&Tools"), {mnuColors, nullptr, mnuSyncNow, mnuSyncSettings}},
        {tr("&Help"), {mnuGuide, mnuAbout}}};
    for (const auto &[title, actions] : menus) {
        QMenu *menu = menuBar->addMenu(title);
        for (QAction *action : actions) {
            if (action)
                menu->addAction(action);
            else
                menu->addSeparator();
        }
    }
    layout_->setTopBar(menuBar);
    connect(mnuSort, &QAction::triggered, this, &frmMain::mnuSort_Click);
    connect(mnuColors, &QAction::triggered, this, &frmMain::cmdColors_Click);
    connect(mnuGuide, &QAction::triggered, this, &frmMain::mnuGuide_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::showAbout);
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(directory_, signal, this, &frmMain::updateCommands);
    connect(directory_, &QAbstractItemModel::modelReset, this, &frmMain::updateCommands);
    connect(lvwQuorvel->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmMain::updateCommands);
    updateCommands();
}

void frmMain::updateCommands()
{
    const bool selected = lvwQuorvel->selectedItem() != 0;
    mnuEdit->setEnabled(selected);
    mnuDelete->setEnabled(selected);
    mnuSort->setEnabled(directory_->count() > 1);
}

void frmMain::mnuSort_Click()
{
    const int selected = lvwQuorvel->selectedRow();
    const core::DirectoryEntry chosen =
        selected >= 0 ? directory_->entry(selected) : core::DirectoryEntry{};
    // Without a language (the C locale) the common order of every language
    // serves, which also leaves case and accents aside.
    const QLocale language;
    QCollator collator(language.language() == QLocale::C ? QLocale(QLocale::English) : language);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    if (!directory_->sortByName(collator))
        return;
    directoryChanged();
    // The entry that was selected stays selected at its new place.
    if (selected >= 0) {
        const auto &entries = directory_->entries();
        const auto at = std::find(entries.begin(), entries.end(), chosen);
        showEntry(static_cast<int>(std::distance(entries.begin(), at)));
    }
}

void frmMain::mnuGuide_Click()
{
    const QString guide = QString::fromUtf8(quorvel::kInstalledUserGuide);
    if (!QFileInfo::exists(guide)) {
        platform::MsgBox(
            tr("The user guide %1 is not installed.").arg(QDir::toNativeSeparators(guide)),
            platform::vbExclamation, {}, this);
        return;
    }
    if (!platform::openUrl(QUrl::fromLocalFile(guide)))
        platform::MsgBox(tr("Can't open the user guide %1: no program of the desktop takes it.")
                             .arg(QDir::toNativeSeparators(guide)),
                         platform::vbExclamation, {}, this);
}
