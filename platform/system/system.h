#pragma once

#include <QString>

namespace platform {

// The login name of the user the process runs as; empty when it cannot be had.
QString GetName();

} // namespace platform
