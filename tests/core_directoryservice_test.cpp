#include "core/directory/directorymodel.h"
#include "core/service/directoryservice.h"
#include "support/fixtures.h"

using namespace testsupport;

// A backup that cannot be kept is told beside the first save of the run only,
// though every save tries again.
TEST(CoreDirectoryService, FailedBackupIsToldOncePerRun)
{
    QTemporaryDir app;
    core::DirectoryService service(app.path(), "alice");
    ASSERT_TRUE(service.open());
    core::DirectoryModel directory;
    ASSERT_TRUE(service.read(directory));
    writeBytes(app.filePath("alice/backups"), "not a folder");
    QStringList told;
    for (int i = 0; i < 3; ++i) {
        directory.append(core::DirectoryEntry{QString("E%1").arg(i), {}, false});
        const core::Result<QStringList> saved = service.save(directory, true);
        ASSERT_TRUE(saved) << saved.error().toStdString();
        told += *saved;
    }
    ASSERT_EQ(told.size(), 1) << told.join('\n').toStdString();
    EXPECT_TRUE(told[0].startsWith("The backup folder ")) << told[0].toStdString();
    EXPECT_TRUE(told[0].endsWith("\nThe directory itself was saved."));
    EXPECT_EQ(fileBytes(app.filePath("alice/quorvel.dat")),
              "Default|phone: 555-1234\r\nE0|\r\nE1|\r\nE2|\r\n");
}
