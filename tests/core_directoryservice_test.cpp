#include "core/directory/directorymodel.h"
#include "core/service/directoryservice.h"
#include "support/fixtures.h"

#include <unistd.h>

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

// Export never writes over Quorvel's own data, whatever name leads to it.
TEST(CoreDirectoryService, ExportRefusesTheDataFiles)
{
    QTemporaryDir app;
    core::DirectoryService service(app.path(), "alice");
    core::DirectoryModel directory;
    ASSERT_TRUE(service.open() && service.read(directory));
    const QString data = app.filePath("alice/quorvel.dat"), keys = app.filePath("colorkeys.dat");
    ASSERT_TRUE(QFile::link(data, app.filePath("link.csv")));
    ASSERT_EQ(::link(QFile::encodeName(data), QFile::encodeName(app.filePath("hard.csv"))), 0);
    for (const QString name : {"alice/quorvel.dat", "link.csv", "hard.csv", "colorkeys.dat",
                               "alice/../alice/new.csv", "out.csv"}) {
        const auto r = service.exportTo(directory, app.filePath(name), core::ContactFormat::Csv);
        const QString named = name.startsWith("colorkeys") ? keys
                              : name.contains("new")       ? app.filePath("alice")
                                                           : data;
        // The reason names the data file or folder.
        EXPECT_TRUE(name == "out.csv" ? r.ok() : r.error().section(": it ", 1).contains(named))
            << name.toStdString() << ' ' << r.error().toStdString();
    }
    EXPECT_EQ(fileBytes(data), "Default|phone: 555-1234\r\n");
    EXPECT_FALSE(QFile::exists(keys));
    EXPECT_EQ(folderContents(app.filePath("alice")), QStringList{"quorvel.dat"});
}

// A file read with text that writing cannot give back is kept as it was read,
// once, and the user told; one only in another form (line ends, UTF-16) is not.
TEST(CoreDirectoryService, KeepsTheFileAsReadOnceWhenWritingLosesText)
{
    const QDateTime now(QDate(2026, 3, 4), QTime(5, 6, 7));
    const QByteArray rows[] = {"Ann|1\r\n\r\nBob|2\r\n", "Ann|1\rBob|2|3\n",
                               QByteArray("\xFE\xFF\0A\0|", 6)};
    for (const QByteArray &bytes : rows) {
        const bool lossy = bytes.endsWith("\r\n"); // an empty line is not written back
        QTemporaryDir app;
        core::DirectoryService service(app.path(), "alice");
        ASSERT_TRUE(service.open());
        const QString file = app.filePath("alice/quorvel.dat");
        writeBytes(file, bytes);
        core::DirectoryModel directory;
        ASSERT_TRUE(service.read(directory));
        QStringList told = *service.save(directory, false, now);
        told += *service.save(directory, true, now);
        const QStringList copies = QDir(app.filePath("alice")).entryList({"*.as-read-*"});
        EXPECT_EQ(copies,
                  lossy ? QStringList{"quorvel.dat.as-read-20260304-050607"} : QStringList());
        ASSERT_EQ(told.size(), lossy ? 1 : 0) << bytes.toStdString();
        if (lossy) {
            EXPECT_EQ(fileBytes(file + ".as-read-20260304-050607"), bytes);
            EXPECT_TRUE(told[0].contains(file) && told[0].contains(file + ".as-read-"));
        }
    }
}
