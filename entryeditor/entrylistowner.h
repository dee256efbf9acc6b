#pragma once

#include <QtGlobal>

namespace platform {
class ListView;
}

// What the entry editor needs from the window that opens it: the mode it
// opens in, the entry list it writes into, and the routine that shows an
// entry's number lines. The main window implements it, so the editor never
// includes the main window.
class EntryListOwner
{
public:
    // 0 opens the editor to add an entry, 1 to edit the entry list's
    // selected entry.
    virtual qint16 entryEditorMode() const = 0;

    // The entry list: item text = display name, sub-item = number lines
    // joined by TABs, bold = the entry's bold flag.
    virtual platform::ListView &entryList() = 0;

    // Shows an entry's number lines, as a click on it in the entry list does.
    virtual void lvwQuorvel_ItemClick(int item) = 0;

protected:
    EntryListOwner() = default;
    ~EntryListOwner() = default;
    Q_DISABLE_COPY_MOVE(EntryListOwner)
};
