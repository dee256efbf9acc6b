#include "platform/system/system.h"

#ifdef Q_OS_WIN
#include <lmcons.h>
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#include <vector>
#endif

namespace platform {

QString GetName()
{
#ifdef Q_OS_WIN
    wchar_t buffer[UNLEN + 1] = {};
    DWORD size = UNLEN + 1;
    if (!GetUserNameW(buffer, &size))
        return {};
    return QString::fromWCharArray(buffer);
#else
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    passwd entry{};
    passwd *found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_name)
        return {};
    return QString::fromLocal8Bit(found->pw_name);
#endif
}

} // namespace platform
