#pragma once

#include "core/service/directoryservice.h"
#include "platform/system/singleinstance.h"

#include <QDateTime>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QAction;
class QPushButton;
class QThread;
class QTimer;

namespace core {
class DirectoryModel;
class DirectoryService;
class SaveQueue;
class EntryLinesModel;
class UndoHistory;
} // namespace core

namespace platform {
class DesignLayout;
class ListView;
class TabStrip;
} // namespace platform

// The main window: the entry list, the selected entry's number lines, the
// find box and letter tabs, and the commands. While it runs, its directory
// model is the directory, which every view and dialog reads and changes; it
// is read from the directory file when the window loads and written back when
// it closes.
class frmSearch;

class frmMain : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    explicit frmMain(const QString &appFolder, QWidget *parent = nullptr);
    ~frmMain() override;

    // Prepares the data folder, reads the directory and shows the first
    // entry. Returns false when the program cannot start; the user has then
    // been told why and no file has been written.
    bool Form_Load();

    // Shows the selected entry's number lines afresh (the detail list always
    // holds them) and puts its name into the find box. The item clicked is
    // not used: the selection is what is shown.
    void lvwQuorvel_ItemClick(int item);

    // The directory the entry list shows, one entry per row.
    core::DirectoryModel &directory() { return *directory_; }

    // Asked when another copy holds the data folder, before the user is told;
    // it returns true when that copy has taken over, and the load then fails
    // without a message.
    std::function<bool()> askRunningCopy;

    // The data folder in use (valid after a successful load).
    QString dataFolder() const;

    // Closes the window for a signal (logout, kill): the directory is saved
    // as on Exit, and what the user must be told waits for the next start.
    void closeForSignal();

    // Changes are saved on a thread of their own; this returns once every
    // change made so far has been saved (or its failure told).
    void waitForSaved();

    qint16 eMode = 0;

    QLabel *lblFind;
    QLineEdit *txtFind;
    platform::TabStrip *TS;
    platform::ListView *lvwQuorvel;
    platform::ListView *lstNumbers;
    QPushButton *cmdAdd;
    QPushButton *cmdEdit;
    QPushButton *cmdDelete;
    QPushButton *cmdColors;
    QPushButton *cmdExit;
    QMenu *mnuPopup;
    // Also keys of the entry list: F2 and Delete.
    QAction *mnuEdit;
    QAction *mnuDelete;
    // Also window shortcuts: Ctrl+F, Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y.
    QAction *mnuSearch;
    QAction *mnuUndo;
    QAction *mnuRedo;
    // Contacts in and out: Ctrl+I and Ctrl+E, also with an empty list.
    QAction *mnuImport;
    QAction *mnuExport;
    // The menu bar holds every command: the actions above, and these.
    QMenuBar *menuBar;
    QAction *mnuAdd;  // Ctrl+N
    QAction *mnuExit; // Ctrl+Q
    QAction *mnuSort;
    QAction *mnuColors;
    QAction *mnuGuide;
    QAction *mnuAbout;
    // The detail list's menu: Ctrl+C, Ctrl+Shift+C, and Open (Enter or a
    // double click on a line that holds an address or number).
    QMenu *mnuLine;
    QAction *mnuCopyLine;
    QAction *mnuCopyNumber;
    QAction *mnuOpen;
    // Sync with a contacts server, in the Tools menu: Sync now (Ctrl+R) and
    // the settings; the status line below the window says how it went.
    QAction *mnuSyncNow;
    QAction *mnuSyncSettings;
    QLabel *lblSyncStatus;

    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdDelete_Click();
    void cmdColors_Click();
    void cmdExit_Click();
    void mnuEdit_Click();
    void mnuDelete_Click();
    // Opens the search window over every field.
    void mnuSearch_Click();
    // Takes back the last Delete, Done or import, or makes it again.
    void mnuUndo_Click();
    void mnuRedo_Click();

    // Puts the entries in order of their names, as the user's language
    // sorts them; one change, saved at once.
    void mnuSort_Click();
    // Opens the installed user guide, or says it is missing.
    void mnuGuide_Click();
    void showAbout();

    void mnuImport_Click();
    void mnuExport_Click();
    // Imports contact files (vCard or CSV) as one change of the directory,
    // saved at once, and tells what came of each file.
    void importFiles(const QStringList &paths);
    // Exports the directory to a contact file; the format comes from
    // vcard4 / vcard3 / csv or, when none is given, from the file's name.
    void exportTo(const QString &path, const QString &format = {});

    // Syncs at once (or as soon as the sync that runs has ended).
    void mnuSyncNow_Click();
    // Sets up the server, the user and the address book.
    void mnuSyncSettings_Click();
    // Syncs as Sync now does; done, when given, is told the outcome as
    // `quorvel --sync` gives it: exit status, standard output and error.
    using SyncDone = std::function<void(int status, const QString &out, const QString &err)>;
    void syncNow(SyncDone done = {});
    // Has the server listen for later starts on the window's data folder,
    // and a later `quorvel --sync` sync the window and be told how it went.
    bool listenForLaterStarts(platform::HandOverServer &server);
    bool syncRunning() const { return syncJob_ != nullptr; }
    // Asks for the sync password when the keyring holds none, at most once a
    // run; nothing when the user declines.
    std::function<std::optional<QString>(const QString &user, const QString &server)>
        askSyncPassword;

    void mnuCopyLine_Click();
    void mnuCopyNumber_Click();
    void mnuOpen_Click();

    // Find box and letter tabs.
    void txtFind_KeyDown(int keyCode, int shift);
    void txtFind_Change();
    void TS_Click();

    // Set by Backspace in the find box: the next change of its text does not
    // search, so the user can delete a completion.
    bool BackspacePressed = false;

    // A key released anywhere in the window: F1, whatever the shift keys,
    // shows the About box.
    void Form_KeyUp(int keyCode, int shift);

protected:
    void closeEvent(QCloseEvent *event) override;
    // Contact files dropped on the window are imported.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Writes the entry list back to the directory file. Returns false when
    // the user chose to keep the window open after a failed save.
    bool Form_Unload();
    void lvwQuorvel_MouseUp(int button, int shift, QPoint position);

    // A change to the directory is committed: it is saved at once, on the
    // save thread, while the window goes on.
    void directoryChanged();
    void saveInBackground(core::DirectoryService::SaveRequest request);
    // A save on the save thread ended: what it found is told; a failure that
    // no later save follows asks Retry / Cancel.
    void directorySaved(const core::DirectoryService::SaveDone &done, quint64 changes);
    void updateUndoActions();
    enum class SaveEnd { Saved, Discarded, Cancelled };
    // Saves the entry list at exit, on this thread; a failure asks Retry /
    // Discard / Cancel until one ends it.
    SaveEnd saveDirectory();
    // Tells the user what a save found (an outside change, a moved or
    // remade folder), now or, when closing for a signal, at the next start.
    void tell(const QString &message);
    // Says how many entries an export wrote to the file.
    void tellExported(const QString &file);

    void buildControls();
    void buildMenuBar();
    // Each command is offered exactly when it can act.
    void updateCommands();
    void buildContactCommands();
    void buildLineCommands();
    // The selected number line as the detail list shows it, or nothing.
    QString selectedLine() const;
    void popupLineMenu(QPoint at);
    // Tab order, accessible names and the keys of commands.
    void buildKeyboardAccess();
    // Shift+F10 or the Menu key: the context menu at the selected entry.
    void popupAtSelectedEntry();
    // After an undo or redo: saved as any change, and the entry it put back
    // (row from 0, or -1) selected and shown.
    void historyStepDone(int row);
    // Selects the entry of a directory row (so the detail list shows it) and
    // scrolls it into view.
    void showEntry(int row);
    // Opens the entry editor (eMode 0 add, 1 edit the selected entry) and
    // applies what it gives back as one change of the directory.
    void showEntryEditor();
    bool prepareDataFolder();
    bool fillEntryList();

    // The sync (frmMainSync.cpp). It runs on a thread of its own over a copy
    // of the entries; its result is applied on the window's thread as one
    // change that is no undo step, over what changed here meanwhile, once no
    // dialog holds a row of the list.
    struct SyncJob;
    void buildSyncCommands();
    void startSync();
    void syncFinished();
    void applySyncResult();
    // The save the sync's result went with ended: how it went is told.
    void syncSaved(const core::DirectoryService::SaveDone &done);
    // After a save: a sync within a few seconds, several saves taking one.
    void syncAfterSave();
    void showSyncStatus();
    void answerSync(int status, const QString &out, const QString &err);
    // Ends a sync that runs, waiting for it (at close).
    void stopSync();
    std::optional<QString> syncPassword(const QString &server, const QString &user);
    bool syncSetUp_ = false;
    std::shared_ptr<SyncJob> syncJob_;
    QThread *syncThread_ = nullptr;
    QTimer *syncSoon_;
    QTimer *syncEvery_;
    QTimer *syncClock_;
    bool syncAgain_ = false;
    // A sync waits for the save that runs (it reads the data folder).
    bool syncWhenSaved_ = false;
    std::optional<QString> syncPassword_;
    bool syncPasswordAsked_ = false;
    QList<SyncDone> syncWaiting_;
    QDateTime lastSynced_;
    QString syncError_;
    QStringList syncNotesTold_;

    QString appFolder_;
    std::unique_ptr<core::DirectoryService> service_;
    // Ends (waiting for the save that runs) before the service.
    std::unique_ptr<core::SaveQueue> saves_;
    core::DirectoryModel *directory_;
    // The selected entry's lines as the detail list shows them.
    core::EntryLinesModel *entryLines_;
    bool loaded_ = false;
    // Something changed here since the file was last read or written.
    bool unsaved_ = false;
    // Changes of the directory so far, to tell whether a save held the last.
    quint64 changes_ = 0;
    bool closing_ = false;
    bool closingForSignal_ = false;
    std::unique_ptr<core::UndoHistory> history_;
    frmSearch *search_ = nullptr;
    platform::DesignLayout *layout_;
    QStringList untold_;
};
