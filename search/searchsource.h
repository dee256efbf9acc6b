#pragma once

#include "core/directory/directoryfile.h"

// What the search window reads: the directory's entries in the entry list's
// order, numbered from 1 as the entry list numbers its items. The main
// window implements it, so the search window never includes the main window.
class SearchSource
{
public:
    virtual int count() const = 0;
    // The entry of item 1..count().
    virtual core::DirectoryEntry entry(int item) const = 0;

protected:
    SearchSource() = default;
    ~SearchSource() = default;
    Q_DISABLE_COPY_MOVE(SearchSource)
};
