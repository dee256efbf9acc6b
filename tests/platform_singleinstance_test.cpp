#include "platform/singleinstance.h"
#include "support/fixtures.h"

#include <QDir>
#include <QLocalServer>
#include <QTemporaryDir>

namespace {

// Without a confirmation the start goes on, and the user is told that a copy
// is running.
TEST(HandOver, NoConfirmationNoHandOver)
{
    const QString folder = QStringLiteral("/nowhere/quorvel/ann");
    EXPECT_FALSE(platform::askRunningCopyToShow(folder, 200)) << "nobody listens";
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(platform::handOverSocketPath(folder)));
    EXPECT_FALSE(platform::askRunningCopyToShow(folder, 200)) << "a listener that never answers";
}

TEST(HandOver, SocketPathMustFitASocketAddress)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir longFolder(QDir::tempPath() + '/' + QString(100, 'r') + "-XXXXXX");
    ASSERT_TRUE(longFolder.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(longFolder.path()));
    EXPECT_EQ(platform::handOverSocketPath("/data/ann"), QString());
    qputenv("XDG_RUNTIME_DIR", runtime);
    EXPECT_TRUE(platform::handOverSocketPath("/data/ann").startsWith(runtime + "/quorvel-"));
}

} // namespace
