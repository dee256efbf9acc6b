#pragma once

// Readable failure messages for Qt strings, and the small file helpers the
// core tests share.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QByteArray &b, std::ostream *os)
{
    *os << '"' << b.toStdString() << '"';
}

namespace testsupport {

inline QString u8(const char *s)
{
    return QString::fromUtf8(s);
}

// The file's bytes; a marker no test writes when it cannot be read, so that
// a missing file never passes for an empty one.
inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline void putFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace testsupport
