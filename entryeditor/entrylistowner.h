#pragma once

#include <QtGlobal>

namespace core {
class DirectoryModel;
}

// What the entry editor needs from the window that opens it: the mode it
// opens in, the directory it writes into with the entry list's selection,
// and the routine that shows an entry's number lines. The main window implements it, so the editor
// never includes the main window.
class EntryListOwner
{
public:
    // 0 opens the editor to add an entry, 1 to edit the entry list's
    // selected entry.
    virtual qint16 entryEditorMode() const = 0;

    // The directory the entry list shows, one entry per item.
    virtual core::DirectoryModel &directory() = 0;

    // The entry list's selected item (numbered from 1), 0 when none is.
    virtual int selectedEntry() const = 0;

    // Shows an entry's number lines, as a click on it in the entry list does.
    virtual void lvwQuorvel_ItemClick(int item) = 0;

protected:
    EntryListOwner() = default;
    ~EntryListOwner() = default;
    Q_DISABLE_COPY_MOVE(EntryListOwner)
};
