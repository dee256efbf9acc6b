#include "core/directory/directorymodel.h"
#include "core/directory/undohistory.h"
#include "core/service/directoryservice.h"
#include "core/service/savequeue.h"
#include "core/sync/syncfiles.h"
#include "support/fixtures.h"

#include <semaphore>

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

// Changes made while a save runs (held here) are saved after it, as one save
// of the newest entries that keeps a sync's end; each save told in order.
TEST(CoreSaveQueue, ChangesWhileASaveRunsAreSavedNextAsOne)
{
    QTemporaryDir app;
    core::DirectoryService service(app.path(), "alice");
    core::DirectoryModel directory;
    ASSERT_TRUE(service.open() && service.read(directory));
    std::binary_semaphore running(0), held(0);
    QList<std::size_t> given; // how many entries each save was given
    core::SaveQueue queue([&](const core::SaveQueue::Request &request) {
        given.append(request.entries->size());
        if (given.size() == 1) {
            running.release();
            held.acquire();
        }
        return service.save(request);
    });
    QList<std::pair<quint64, bool>> told; // tag, ends a sync
    QObject::connect(&queue, &core::SaveQueue::saved, [&](const auto &done, quint64 tag) {
        EXPECT_TRUE(done.saved && done.syncState);
        told.append({tag, done.endsSync});
    });
    for (const quint64 change : {1, 2, 3}) {
        directory.append(core::DirectoryEntry{QString("E%1").arg(change), {}, false});
        const bool sync = change == 2;
        queue.save({directory.snapshot(), true, sync,
                    sync ? std::optional(core::SyncState{"t2", {}}) : std::nullopt},
                   change);
        if (change == 1)
            running.acquire();
    }
    held.release();
    queue.wait();
    EXPECT_EQ(given, (QList<std::size_t>{2, 4}));
    EXPECT_EQ(told, (QList<std::pair<quint64, bool>>{{1, false}, {3, true}}));
    EXPECT_EQ(fileBytes(app.filePath("alice/quorvel.dat")),
              "Default|phone: 555-1234\r\nE1|\r\nE2|\r\nE3|\r\n");
    EXPECT_TRUE(fileBytes(app.filePath("alice/") + core::kSyncStateFileName).contains("token t2"));
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

// Every entry keeps its identifier through edits, moves, undo and redo,
// restarts and outside edits that leave it unchanged or in its place.
TEST(CoreDirectoryService, EntriesKeepTheirIdentifiers)
{
    QTemporaryDir app;
    QHash<QString, QUuid> ids;
    const auto restart = [&](const QByteArray &outside = {}) {
        if (!outside.isEmpty())
            writeBytes(app.filePath("alice/quorvel.dat"), outside);
        core::DirectoryService service(app.path(), "alice");
        core::DirectoryModel directory;
        EXPECT_TRUE(service.open() && service.read(directory));
        QHash<QString, QUuid> read;
        for (const core::DirectoryEntry &entry : directory.entries())
            read.insert(entry.name, entry.id);
        EXPECT_TRUE(service.save(directory, false));
        return read;
    };
    {
        core::DirectoryService service(app.path(), "alice");
        core::DirectoryModel directory;
        core::UndoHistory history(directory);
        ASSERT_TRUE(service.open() && service.read(directory));
        directory.append(core::DirectoryEntry{"Cy", "phone: 3", false});
        directory.append(core::DirectoryEntry{"Bo", "phone: 2", false});
        for (const core::DirectoryEntry &entry : directory.entries())
            ids.insert(entry.name, entry.id);
        directory.replace(1, core::DirectoryEntry{"Cy", "phone: 33", false});
        ASSERT_TRUE(directory.sortByName(QCollator()));
        history.undo();
        history.undo();
        history.redo();
        history.redo();
        ASSERT_EQ(directory.entry(1).name, "Cy");
        for (const core::DirectoryEntry &entry : directory.entries())
            EXPECT_EQ(entry.id, ids.value(entry.name)) << entry.name.toStdString();
        ASSERT_TRUE(service.save(directory, true));
    }
    EXPECT_EQ(restart(), ids);
    // Moved, added, changed in its place.
    const QHash<QString, QUuid> outside =
        restart("Cy|phone: 33\r\nZed|x\r\nDefault|phone: 555-0000\r\nBo|phone: 2\r\n");
    for (const QString name : {"Bo", "Cy", "Default"})
        EXPECT_EQ(outside.value(name), ids.value(name)) << name.toStdString();
    EXPECT_FALSE(ids.values().contains(outside.value("Zed")));
    EXPECT_EQ(restart(), outside);
    // A line of the identity file spoilt: only its entry gets a new identifier.
    QByteArray file = fileBytes(app.filePath("alice/quorvel.ids"));
    file[file.lastIndexOf('\n', file.size() - 2) + 1] = 'x';
    writeBytes(app.filePath("alice/quorvel.ids"), file);
    QHash<QString, QUuid> spoilt = restart(), kept = outside;
    EXPECT_NE(spoilt.take("Bo"), kept.take("Bo"));
    EXPECT_EQ(spoilt, kept);
}

// A card imported again with an e-mail address more updates its entry, and a
// card equal to an entry gives it its UID; one undo takes the import back.
TEST(CoreDirectoryService, ImportedAgainACardUpdatesItsEntry)
{
    QTemporaryDir app;
    core::DirectoryService service(app.path(), "alice");
    core::DirectoryModel directory;
    core::UndoHistory history(directory);
    ASSERT_TRUE(service.open() && service.read(directory));
    const QString file = app.filePath("a.vcf");
    const QByteArray ann = "BEGIN:VCARD\r\nUID:urn:uuid:6F1C2A7E-0D4B-4C8A-9E1F-2B3C4D5E6F70\r\n"
                           "FN:Ann\r\nEMAIL:a@x.org\r\n";
    const auto import = [&] {
        return core::importSummary("a.vcf", service.import(directory, {file})[0].counts);
    };
    writeBytes(file, ann + "END:VCARD\r\n");
    EXPECT_EQ(import(), "a.vcf: 1 added, 0 updated, 0 already there, 0 skipped");
    EXPECT_EQ(directory.entry(1).id, QUuid("6f1c2a7e-0d4b-4c8a-9e1f-2b3c4d5e6f70"));
    writeBytes(file, ann + "EMAIL:b@x.org\r\nEND:VCARD\r\nBEGIN:VCARD\r\nUID:x-1\r\n"
                           "FN:Default\r\nTEL:555-1234\r\nEND:VCARD\r\n");
    EXPECT_EQ(import(), "a.vcf: 0 added, 1 updated, 1 already there, 0 skipped");
    ASSERT_EQ(directory.count(), 2);
    EXPECT_EQ(directory.entry(1).numbers, "e-mail: a@x.org\te-mail: b@x.org");
    EXPECT_EQ(import(), "a.vcf: 0 added, 0 updated, 2 already there, 0 skipped");
    const QString out = app.filePath("out.vcf");
    ASSERT_TRUE(service.exportTo(directory, out, core::ContactFormat::VCard3));
    EXPECT_TRUE(fileBytes(out).contains("FN:Default\r\nN:Default;;;;\r\nUID:x-1\r\n"));
    EXPECT_TRUE(fileBytes(out).contains("UID:urn:uuid:6F1C2A7E-0D4B-4C8A-9E1F-2B3C4D5E6F70\r\n"));
    history.undo();
    EXPECT_EQ(directory.entry(1).numbers, "e-mail: a@x.org");
    EXPECT_EQ(directory.entry(0).card, nullptr);
    // In one import, a file finds what the files before it added and changed.
    const QString bob = app.filePath("b.vcf"), bobChanged = app.filePath("c.vcf");
    writeBytes(bob, "BEGIN:VCARD\r\nUID:x-2\r\nFN:Bob\r\nEND:VCARD\r\n");
    writeBytes(bobChanged, "BEGIN:VCARD\r\nUID:x-2\r\nFN:Bob\r\nTEL:1\r\nEND:VCARD\r\n");
    QStringList summaries;
    for (const core::ImportFileReport &report :
         service.import(directory, {bob, bobChanged, bobChanged}))
        summaries.append(core::importSummary("f", report.counts));
    EXPECT_EQ(summaries, QStringList({"f: 1 added, 0 updated, 0 already there, 0 skipped",
                                      "f: 0 added, 1 updated, 0 already there, 0 skipped",
                                      "f: 0 added, 0 updated, 1 already there, 0 skipped"}));
    ASSERT_EQ(directory.count(), 3);
    EXPECT_EQ(directory.entry(2).numbers, "phone: 1");
}
