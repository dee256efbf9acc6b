#pragma once

#include "core/files/result.h"

#include <QString>

namespace core {

// A file of this name beside the executable keeps the data beside it.
inline constexpr char kPortableMarkerName[] = "quorvel.portable";

// What decides where the data lives.
struct DataLocationInput
{
    QString executableFolder;
    QString userName;
    QString xdgDataHome; // XDG_DATA_HOME as set, empty when unset
    QString home;        // HOME as set, empty when unset
};

// The application folder: the one that holds colorkeys.dat and each user's
// data folder.
struct DataLocation
{
    QString folder;
    bool besideExecutable = false;
    bool mustCreate = false; // it does not exist yet
};

// The executable's folder when it holds quorvel.portable, colorkeys.dat or a
// data folder of this user (portable and existing set-ups keep working);
// otherwise $XDG_DATA_HOME/quorvel, or ~/.local/share/quorvel when that
// variable is unset or not absolute. An existing folder there must be a
// folder of the user's own, not a symbolic link. Nothing is created here.
// When no folder can be used, the failure says which folder, why, and what
// the user can do.
Result<DataLocation> chooseDataLocation(const DataLocationInput &input);

// Creates a location that must be created: the folder and any missing parent
// with mode 0700. Returns the location unchanged when nothing had to be made
// (a refused one too), and a failure when the folder cannot be made.
Result<DataLocation> createDataLocation(const Result<DataLocation> &location);

} // namespace core
