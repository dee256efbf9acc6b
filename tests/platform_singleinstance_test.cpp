#include "platform/system/singleinstance.h"
#include "support/fixtures.h"

#include <QLocalServer>

// Without a confirmation the start goes on, telling the user a copy is running.
TEST(HandOver, NoConfirmationNoHandOver)
{
    const QString folder = QStringLiteral("/nowhere/quorvel/ann");
    EXPECT_FALSE(platform::askRunningCopyToShow(folder, {}, 200)) << "nobody listens";
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(platform::handOverSocketPath(folder)));
    EXPECT_FALSE(platform::askRunningCopyToShow(folder, {}, 200))
        << "a listener that never answers";
}
