#pragma once

#include "core/directory/directoryfile.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>

// A broken property ends the run like a crash does, so libFuzzer saves the
// input that broke it. The message says which property and shows both sides.
namespace fuzzcheck {

inline QByteArray show(const QString &text)
{
    return text.toUtf8().toPercentEncoding(" !#$&'()*+,/:;<=>?@[]^`{|}~");
}

inline QByteArray show(const QByteArray &bytes)
{
    return bytes.toPercentEncoding(" !#$&'()*+,/:;<=>?@[]^`{|}~");
}

template <typename Left, typename Right>
void expectEqual(const Left &got, const Right &want, const char *property)
{
    if (got == want)
        return;
    std::fprintf(stderr, "broken property: %s\n  got:  %s\n  want: %s\n", property,
                 show(got).constData(), show(want).constData());
    std::abort();
}

// Entries as a failure message shows them.
inline QByteArray describe(const QList<core::DirectoryEntry> &entries)
{
    QByteArray text;
    for (const core::DirectoryEntry &e : entries)
        text += (e.bold ? "[bold]" : "") + show(e.name) + " | " + show(e.numbers) + "\n        ";
    return text;
}

inline void expect(bool holds, const char *property)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken property: %s\n", property);
    std::abort();
}

} // namespace fuzzcheck
