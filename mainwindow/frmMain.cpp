#include "frmMain.h"

#include "coloreditor/frmColorEditor.h"
#include "core/colors/keywordfile.h"
#include "core/colors/keywordtable.h"
#include "core/directory/directoryfile.h"
#include "core/directory/directorymodel.h"
#include "core/directory/entrylinesmodel.h"
#include "core/directory/undohistory.h"
#include "core/service/directoryservice.h"
#include "core/service/savequeue.h"
#include "entryeditor/frmAddEdit.h"
#include "platform/controls/accessibility.h"
#include "platform/controls/focusselect.h"
#include "platform/controls/listview.h"
#include "platform/controls/staticedge.h"
#include "platform/controls/tabstrip.h"
#include "platform/runtime/designlayout.h"
#include "platform/runtime/keyevents.h"
#include "platform/runtime/messagebox.h"
#include "platform/system/system.h"
#include "quorvel_version.h"
#include "search/frmSearch.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSysInfo>
#include <QTimer>

namespace {

using quorvel::kVersionMajor;
using quorvel::kVersionMinor;
using quorvel::kVersionRevision;
constexpr int kKeyF1 = 112;

} // namespace

frmMain::frmMain(const QString &appFolder, QWidget *parent)
    : QWidget(parent, Qt::Window), appFolder_(appFolder)
{
    setWindowTitle(QString::fromLatin1(platform::kApplicationTitle));
    platform::installAccessibility();
    layout_ = new platform::DesignLayout(this, 4350, 5655);
    buildControls();
    buildMenuBar();
    layout_->start();
    platform::rememberGeometry(this, QStringLiteral("main"));
}

frmMain::~frmMain() = default; // the save queue waits for the save that runs

void frmMain::buildControls()
{
    // The lists share the room the window has beyond the design's size; the
    // find box grows in width, the buttons keep to the bottom edge.
    constexpr platform::Follow stretchX{0, 1, 0, 0};
    lblFind = new QLabel(tr("Fi&nd:"), this);
    layout_->place(lblFind, {60, 90, 345, 210});
    txtFind = new QLineEdit(this);
    layout_->place(txtFind, {450, 30, 3645, 315}, stretchX);
    lblFind->setBuddy(txtFind);
    platform::selectAllOnKeyboardFocus(txtFind);

    TS = new platform::TabStrip(this);
    layout_->place(TS, {30, 390, 4305, 4755}, {0, 1, 0, 1});
    TS->addTab(QStringLiteral("A"));

    directory_ = new core::DirectoryModel(this);
    // Whatever changes the list, the next save writes it.
    const auto markUnsaved = [this] {
        unsaved_ = true;
        ++changes_;
    };
    connect(directory_, &QAbstractItemModel::rowsInserted, this, markUnsaved);
    connect(directory_, &QAbstractItemModel::rowsRemoved, this, markUnsaved);
    connect(directory_, &QAbstractItemModel::dataChanged, this, markUnsaved);
    connect(directory_, &QAbstractItemModel::modelReset, this, markUnsaved);
    lvwQuorvel = new platform::ListView(tr("Name"), this);
    lvwQuorvel->showModel(directory_);
    layout_->place(lvwQuorvel, {30, 990, 4305, 3105}, {0, 1, 0, 0.5});
    lvwQuorvel->header()->setStretchLastSection(true);

    lstNumbers = new platform::ListView(tr("Item"), this);
    layout_->place(lstNumbers, {30, 4110, 4305, 1095}, {0, 1, 0.5, 0.5});
    lstNumbers->header()->setStretchLastSection(true);
    lstNumbers->setSelectFirstOnAdd(false);
    entryLines_ = new core::EntryLinesModel(this);
    lstNumbers->showModel(entryLines_);
    lstNumbers->header()->hide();
    // The detail list shows the selected entry's lines, whatever moves the
    // selection (a click, keys, a letter tab, the find box, a change of the
    // directory), and none with no entry selected. One fresh reading of the
    // colour file serves every line of the entry shown.
    entryLines_->follow(*directory_, *lvwQuorvel->selectionModel(), [this] {
        return core::KeywordTable::fromLines(core::readKeywordLinesForLookup(appFolder_));
    });

    const auto button = [this](const QString &text, int left, int width, double moveX = 0) {
        auto *b = new QPushButton(text, this);
        layout_->place(b, {left, 5280, width, 345}, {moveX, 0, 1, 0});
        b->setAutoDefault(false);
        return b;
    };
    cmdAdd = button(tr("&Add"), 45, 735);
    cmdEdit = button(tr("&Edit"), 825, 735);
    cmdDelete = button(tr("&Delete"), 1605, 735);
    cmdColors = button(tr("&Colors"), 2400, 735);
    cmdColors->setToolTip(tr("Edit the colors for individual types of entries"));
    cmdExit = button(tr("E&xit"), 3405, 885, 1); // at the right edge

    mnuPopup = new QMenu(tr("Popup"), this);
    mnuEdit = mnuPopup->addAction(tr("&Edit"));
    mnuDelete = mnuPopup->addAction(tr("&Delete"));
    mnuPopup->addSeparator();
    mnuSearch = mnuPopup->addAction(tr("&Search..."));
    mnuSearch->setShortcut(QKeySequence::Find);
    mnuUndo = mnuPopup->addAction(tr("&Undo"));
    mnuUndo->setShortcut(QKeySequence::Undo);
    mnuRedo = mnuPopup->addAction(tr("&Redo"));
    mnuRedo->setShortcuts({QKeySequence(tr("Ctrl+Shift+Z")), QKeySequence(tr("Ctrl+Y"))});
    // The window holds them too, so their keys work from any of its controls
    // (a text box's own Ctrl+Z still undoes its typing).
    addActions({mnuSearch, mnuUndo, mnuRedo});
    buildContactCommands();
    buildLineCommands();
    buildSyncCommands();

    buildKeyboardAccess();

    connect(cmdAdd, &QPushButton::clicked, this, &frmMain::cmdAdd_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmMain::cmdEdit_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmMain::cmdDelete_Click);
    connect(cmdColors, &QPushButton::clicked, this, &frmMain::cmdColors_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(mnuEdit, &QAction::triggered, this, &frmMain::mnuEdit_Click);
    connect(mnuDelete, &QAction::triggered, this, &frmMain::mnuDelete_Click);
    connect(mnuSearch, &QAction::triggered, this, &frmMain::mnuSearch_Click);
    connect(mnuUndo, &QAction::triggered, this, &frmMain::mnuUndo_Click);
    connect(mnuRedo, &QAction::triggered, this, &frmMain::mnuRedo_Click);
    connect(lvwQuorvel, &platform::ListView::itemClick, this, &frmMain::lvwQuorvel_ItemClick);
    connect(lvwQuorvel, &platform::ListView::mouseUp, this, &frmMain::lvwQuorvel_MouseUp);
    auto *findKeys = new platform::KeyNotifier(txtFind);
    connect(findKeys, &platform::KeyNotifier::keyDown, this, &frmMain::txtFind_KeyDown);
    // Key preview: F1 works whichever control has the focus.
    auto *formKeys = new platform::KeyNotifier(this, platform::KeyNotifier::Scope::Window);
    connect(formKeys, &platform::KeyNotifier::keyUp, this, &frmMain::Form_KeyUp);
    connect(txtFind, &QLineEdit::textChanged, this, &frmMain::txtFind_Change);
    connect(TS, &platform::TabStrip::click, this, &frmMain::TS_Click);
}

void frmMain::buildKeyboardAccess()
{
    // Tab goes through the controls as they are laid out, top to bottom and
    // left to right; the letter tabs are one stop.
    QWidget *const order[] = {txtFind, TS,        lvwQuorvel, lstNumbers, cmdAdd,
                              cmdEdit, cmdDelete, cmdColors,  cmdExit};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    TS->setAccessibleName(tr("Letters"));
    lvwQuorvel->setAccessibleName(tr("Entries"));
    lstNumbers->setAccessibleName(tr("Number lines"));

    // Keys of the entry list: F2 edits, Delete deletes, Shift+F10 and the
    // Menu key open its context menu. They belong to the list alone, so a
    // text box keeps its own Delete.
    mnuEdit->setShortcut(Qt::Key_F2);
    mnuDelete->setShortcut(QKeySequence::Delete);
    auto *menuKey = new QAction(this);
    menuKey->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)});
    connect(menuKey, &QAction::triggered, this, &frmMain::popupAtSelectedEntry);
    for (QAction *action : {mnuEdit, mnuDelete, menuKey}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        lvwQuorvel->addAction(action);
    }

    // Keys of the whole window. A text box's own bindings come first: they
    // are not taken from it while it has the focus.
    platform::keepRedoKeys(txtFind);
    QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    if (const QKeySequence ctrlQ(Qt::CTRL | Qt::Key_Q); !quitKeys.contains(ctrlQ))
        quitKeys.append(ctrlQ);
    mnuAdd = new QAction(tr("&Add"), this);
    mnuAdd->setShortcuts(QKeySequence::keyBindings(QKeySequence::New));
    connect(mnuAdd, &QAction::triggered, this, &frmMain::cmdAdd_Click);
    mnuExit = new QAction(tr("Exi&t"), this);
    mnuExit->setShortcuts(quitKeys);
    connect(mnuExit, &QAction::triggered, this, &frmMain::cmdExit_Click);
    addActions({mnuAdd, mnuExit});
}

void frmMain::popupAtSelectedEntry()
{
    // As with a right click, an empty list has no menu.
    if (lvwQuorvel->count() == 0)
        return;
    QPoint at;
    if (const int selected = lvwQuorvel->selectedItem()) {
        lvwQuorvel->scrollToItem(selected);
        const QRect row = lvwQuorvel->itemRect(selected);
        at = QPoint(row.left() + row.height(), row.center().y());
    }
    mnuPopup->popup(lvwQuorvel->viewport()->mapToGlobal(at));
}

bool frmMain::Form_Load()
{
    setWindowTitle(QStringLiteral("%1 %2.%3.%4")
                       .arg(QLatin1String(platform::kApplicationTitle))
                       .arg(kVersionMajor)
                       .arg(kVersionMinor)
                       .arg(kVersionRevision));
    if (!prepareDataFolder())
        return false;

    for (char16_t letter = u'B'; letter <= u'Z'; ++letter)
        TS->addTab(QString(QChar(letter)));

    for (QWidget *control : std::initializer_list<QWidget *>{
             cmdAdd, cmdEdit, cmdDelete, cmdColors, cmdExit, txtFind, lvwQuorvel, lstNumbers})
        officeBorders::ApplyStaticEdge(control);

    if (!fillEntryList())
        return false;
    loaded_ = true;
    // The find box's names are sorted on a worker once the list is up; until
    // then its completion scans the list.
    QTimer::singleShot(0, directory_, &core::DirectoryModel::indexInBackground);
    // A directory set up to sync syncs once the window is up, then every
    // quarter of an hour.
    if (const auto account = service_->syncAccount(); account && *account) {
        syncSetUp_ = true;
        QTimer::singleShot(0, this, &frmMain::startSync);
    }
    syncEvery_->start();
    if (lvwQuorvel->count() > 0)
        lvwQuorvel_ItemClick(1);
    // As in a box reached with Tab, typing replaces the name shown.
    txtFind->selectAll();
    return true;
}

bool frmMain::prepareDataFolder()
{
    service_ = std::make_unique<core::DirectoryService>(appFolder_, platform::GetName());
    saves_ = std::make_unique<core::SaveQueue>(
        [service = service_.get()](const core::SaveQueue::Request &request) {
            return service->save(request);
        });
    connect(saves_.get(), &core::SaveQueue::saved, this, &frmMain::directorySaved);
    const core::Result<> opened = service_->open();
    if (!opened) {
        // Taken over by the copy that runs: nothing to tell.
        if (service_->heldByAnother() && askRunningCopy && askRunningCopy())
            return false;
        platform::MsgBox(opened.error(), platform::vbCritical);
        return false;
    }
    return true;
}

QString frmMain::dataFolder() const
{
    return service_ ? service_->folderPath() : QString();
}

bool frmMain::fillEntryList()
{
    if (const core::Result<> read = service_->read(*directory_); !read) {
        platform::MsgBox(read.error() + tr("\nQuorvel will close without changing it."),
                         platform::vbCritical);
        return false;
    }
    unsaved_ = false; // the list holds what the file holds
    // What was read is where undo stops.
    history_ = std::make_unique<core::UndoHistory>(*directory_);
    updateUndoActions();
    // What the last run could not tell (it was closed by a signal).
    if (const QString notice = service_->takeNotice(); !notice.isEmpty())
        platform::MsgBox(notice, platform::vbInformation);
    // A save the last run was stopped in, and the version it kept.
    for (const QString &note : service_->takeStartNotes())
        platform::MsgBox(note, platform::vbExclamation);
    return true;
}

frmMain::SaveEnd frmMain::saveDirectory()
{
    for (;;) {
        const core::Result<QStringList> saved = service_->save(*directory_, unsaved_);
        for (const QString &note : *saved)
            tell(note);
        if (saved) {
            unsaved_ = false;
            return SaveEnd::Saved;
        }
        const QString keeps = service_->fileExists()
                                  ? tr("the file keeps its old content")
                                  : tr("there is no saved copy of the directory");
        const int answer =
            platform::MsgBox(saved.error() + tr("\n\nRetry to try again, Discard to close without "
                                                "saving (%1), Cancel to keep Quorvel open.")
                                                 .arg(keeps),
                             platform::vbRetryDiscardCancel | platform::vbExclamation, {}, this);
        if (answer == platform::vbRetry)
            continue;
        return answer == platform::vbDiscard ? SaveEnd::Discarded : SaveEnd::Cancelled;
    }
}

void frmMain::tell(const QString &message)
{
    if (closingForSignal_)
        untold_.append(message);
    else
        platform::MsgBox(message, platform::vbInformation, {}, this);
}

void frmMain::directoryChanged()
{
    unsaved_ = true;
    updateUndoActions();
    saveInBackground({directory_->snapshot(), true, false, std::nullopt});
    syncAfterSave();
}

void frmMain::saveInBackground(core::DirectoryService::SaveRequest request)
{
    saves_->save(std::move(request), changes_);
}

void frmMain::waitForSaved()
{
    if (saves_)
        saves_->wait();
}

void frmMain::directorySaved(const core::DirectoryService::SaveDone &done, quint64 changes)
{
    // A sync's save is told with the sync.
    if (done.endsSync)
        syncSaved(done);
    else
        for (const QString &note : *done.saved)
            tell(note);
    if (done.saved) {
        unsaved_ = unsaved_ && changes != changes_;
    } else if (!saves_->busy() && !closing_) {
        // Told once: a later save that follows holds this change too, and
        // at close the last save tells its own failure.
        const int answer = platform::MsgBox(
            done.saved.error() + tr("\n\nRetry to try again, Cancel to go on: your change "
                                    "stays in the window and is saved with the next "
                                    "change or when Quorvel closes."),
            platform::vbRetryCancel | platform::vbExclamation, {}, this);
        if (answer == platform::vbRetry)
            saveInBackground({directory_->snapshot(), unsaved_, false, std::nullopt});
    }
    if (!saves_->busy() && std::exchange(syncWhenSaved_, false))
        startSync();
}

void frmMain::updateUndoActions()
{
    // Offered only when there is a step to take.
    mnuUndo->setEnabled(history_ && history_->canUndo());
    mnuRedo->setEnabled(history_ && history_->canRedo());
    updateCommands();
}

bool frmMain::Form_Unload()
{
    if (!loaded_)
        return true;
    // Written even when nothing changed, unless the file already holds
    // exactly what would be written: older lines become UTF-8 and bold
    // markers are tidied, as they always were at exit.
    closing_ = true;
    stopSync();
    saves_->wait();
    if (saveDirectory() == SaveEnd::Cancelled) {
        closing_ = false;
        syncEvery_->start();
        return false;
    }
    if (!untold_.isEmpty())
        (void)service_->leaveNotice(untold_.join(QLatin1String("\n\n")));
    untold_.clear();
    loaded_ = false;
    service_->close();
    return true;
}

void frmMain::closeForSignal()
{
    closingForSignal_ = true;
    if (!close())
        closingForSignal_ = false;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (Form_Unload())
        event->accept();
    else
        event->ignore();
}

void frmMain::cmdExit_Click()
{
    close();
}

void frmMain::lvwQuorvel_ItemClick(int)
{
    // The detail list holds the selected entry's lines already; shown again,
    // they take the colour file as it is now.
    entryLines_->showSelected();
    // With no selected entry the find box keeps its text.
    if (const int selected = lvwQuorvel->selectedRow(); selected >= 0)
        txtFind->setText(directory_->entry(selected).name);
}

void frmMain::lvwQuorvel_MouseUp(int button, int, QPoint position)
{
    if (button == 2 && lvwQuorvel->count() > 0)
        mnuPopup->popup(lvwQuorvel->viewport()->mapToGlobal(position));
}

void frmMain::cmdAdd_Click()
{
    eMode = 0;
    showEntryEditor();
}

void frmMain::cmdEdit_Click()
{
    // Editing needs a selected entry; without one nothing happens.
    if (lvwQuorvel->selectedItem() == 0)
        return;
    eMode = 1;
    showEntryEditor();
}

void frmMain::showEntryEditor()
{
    const int row = eMode == 1 ? lvwQuorvel->selectedRow() : -1;
    frmAddEdit editor(row < 0 ? std::nullopt : std::optional(directory_->entry(row)), this);
    const bool done = editor.exec() == QDialog::Accepted;
    lvwQuorvel->setFocus();
    if (!done)
        return;
    if (eMode != 1) {
        directory_->append(editor.entry());
    } else if (row >= 0) {
        // Without a selected entry there is nothing to change.
        directory_->replace(row, editor.entry());
        lvwQuorvel_ItemClick(lvwQuorvel->selectedItem());
    }
    directoryChanged();
}

void frmMain::cmdDelete_Click()
{
    const int row = lvwQuorvel->selectedRow();
    if (row < 0)
        return;
    const QString prompt =
        tr("Are you sure you want to remove %1?").arg(directory_->entry(row).name);
    if (platform::MsgBox(prompt, platform::vbYesNo | platform::vbQuestion, {}, this) ==
        platform::vbYes) {
        directory_->remove(row);
        directoryChanged();
    }
}

void frmMain::cmdColors_Click()
{
    // The editor writes the keyword colour file itself; the detail list reads
    // the file afresh whenever it shows an entry, so nothing follows here.
    frmColorEditor editor(appFolder_, this);
    // It does not open on a colour file it could not read (it said why).
    if (editor.isLoaded())
        editor.exec();
}

void frmMain::mnuEdit_Click()
{
    cmdEdit_Click();
}

void frmMain::mnuDelete_Click()
{
    cmdDelete_Click();
}

void frmMain::mnuSearch_Click()
{
    if (!search_) {
        // One fresh reading of the colour file for each update of the results.
        const auto colors = [this]() -> ColorLookup {
            return [keywords = core::KeywordTable::fromLines(core::readKeywordLinesForLookup(
                        appFolder_))](const QString &line) { return keywords.colorOf(line); };
        };
        search_ = new frmSearch(*directory_, colors, this);
        connect(search_, &frmSearch::entryChosen, this, [this](int row) {
            lvwQuorvel->setFocus();
            showEntry(row);
        });
    }
    search_->show();
    search_->raise();
    search_->activateWindow();
}

void frmMain::mnuUndo_Click()
{
    if (history_ && history_->canUndo())
        historyStepDone(history_->undo());
}

void frmMain::mnuRedo_Click()
{
    if (history_ && history_->canRedo())
        historyStepDone(history_->redo());
}

void frmMain::historyStepDone(int row)
{
    directoryChanged();
    if (row >= 0)
        showEntry(row);
}

void frmMain::showEntry(int row)
{
    // The detail list follows the selection. The find box is left alone: its
    // completion would move the selection to an earlier entry whose name
    // begins with this one's.
    lvwQuorvel->setSelectedRow(row);
    lvwQuorvel->scrollToItem(lvwQuorvel->selectedItem());
}

void frmMain::txtFind_KeyDown(int keyCode, int)
{
    switch (keyCode) {
    case 8:
        BackspacePressed = true;
        break;
    case 13:
        // With no selected entry (an empty list) Enter does nothing.
        if (const int selected = lvwQuorvel->selectedItem())
            lvwQuorvel_ItemClick(selected);
        break;
    default:
        BackspacePressed = false;
        break;
    }
}

void frmMain::txtFind_Change()
{
    if (!BackspacePressed) {
        const QString typed = txtFind->text();
        const int row = directory_->firstWithPrefix(typed);
        if (row >= 0) {
            lvwQuorvel->setSelectedRow(row);
            const int typedLength = static_cast<int>(typed.size());
            // Changes the text again; the nested search finds the same entry
            // and sets the same text, which raises no further change.
            txtFind->setText(directory_->entry(row).name);
            txtFind->setSelection(typedLength, 65535);
        }
    }
    BackspacePressed = false;
}

void frmMain::TS_Click()
{
    for (int i = 1; i <= TS->count(); ++i)
        TS->setHighlighted(i, false);
    TS->setHighlighted(TS->selectedTab(), true);
    lvwQuorvel->setFocus();
    // Each tab is a jump of its own, not a continuation of earlier typing:
    // the list's type-to-select moves to the next entry with its letter.
    lvwQuorvel->resetTypeToSelect();
    lvwQuorvel->keyboardSearch(TS->caption(TS->selectedTab()));
}

void frmMain::Form_KeyUp(int keyCode, int)
{
    if (keyCode == kKeyF1)
        showAbout();
}

void frmMain::showAbout()
{
    const QString caption = windowTitle();
    const QStringList lines = {
        caption + QLatin1String(" - ") + QSysInfo::prettyProductName(),
        tr("Copyright \u00A9 2026 the Quorvel developers"),
        QString(),
        tr("Website: none"),
        tr("E-mail: none"),
        QString(),
        tr("For help, read the user guide %1.")
            .arg(QDir::toNativeSeparators(QString::fromUtf8(quorvel::kInstalledUserGuide))),
    };
    platform::MsgBox(lines.join(QLatin1Char('\n')), platform::vbOKOnly | platform::vbInformation,
                     tr("About %1").arg(caption), this);
}
