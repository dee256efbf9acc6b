#include "core/files/backups.h"
#include "support/fixtures.h"

#include <QRegularExpression>

namespace {

using namespace testsupport;

const QDate kToday(2024, 3, 1);
constexpr char kTodayName[] = "quorvel-2024-03-01.dat";

// A data folder and, in backups/, files holding "old", folders ("x/"), links
// to the directory file ("x@"). No names: no backups folder.
struct DataFolder
{
    explicit DataFolder(const QStringList &backups, bool withDirectory = true)
    {
        if (withDirectory)
            writeBytes(directoryFile(), "Ann|phone: 1\r\n");
        if (!backups.isEmpty())
            QDir().mkdir(folder());
        for (const QString &name : backups) {
            const QString path = QDir(folder()).filePath(name.chopped(1));
            if (name.endsWith('/'))
                QDir().mkdir(path);
            else if (name.endsWith('@'))
                QFile::link(directoryFile(), path);
            else
                writeBytes(QDir(folder()).filePath(name), "old");
        }
    }
    QString folder() const { return dir.filePath("backups"); }
    QString directoryFile() const { return dir.filePath("quorvel.dat"); }
    core::Result<core::BackupReport> keep() const
    {
        const auto folder = core::Folder::open(dir.path(), core::Folder::Link::Refuse);
        return core::keepDailyBackup(*folder, "quorvel.dat", kToday);
    }
    QTemporaryDir dir;
};

QStringList days(int first, int last, const char *month = "02")
{
    QStringList names;
    for (int day = first; day <= last; ++day)
        names.append(QString("quorvel-2024-%1-%2.dat").arg(month).arg(day, 2, 10, QChar('0')));
    return names;
}

TEST(Backups, OncePerDayNewestFourteenNothingElse)
{
    // Names that are not our backups, a folder and a link: none is touched.
    const QStringList others = QString("notes.txt quorvel-2024-02-01.dat.bak quorvel-2024-2-01.dat "
                                       "quorvel-2024-02-30.dat quorvel-2023-01-01.dat/ "
                                       "quorvel-2023-01-02.dat@")
                                   .split(' ');
    const QStringList othersAfter =
        QStringList(others).replaceInStrings(QRegularExpression("[/@]$"), "");
    const QStringList later = days(2, 15, "03"), today{kTodayName};
    // Backups before, directory file, backups/ after, today's made, removed.
    const std::tuple<const char *, QStringList, bool, QStringList, bool, QStringList> rows[] = {
        {"first save", {}, true, today, true, {}},
        {"later save", today, true, today, false, {}},
        {"no directory yet", {}, false, {}, false, {}},
        {"fourteen kept", days(14, 28) + others, true, othersAfter + days(16, 28) + today, true,
         days(14, 15)},
        // Dated later than today (a clock set wrong): neither counted nor removed.
        {"later ones left", later + days(28, 28), true, days(28, 28) + today + later, true, {}},
    };
    for (const auto &[name, before, directory, after, made, removed] : rows) {
        SCOPED_TRACE(name);
        const DataFolder data(before, directory);
        const auto result = data.keep();
        EXPECT_TRUE(result) << result.error().toStdString();
        QStringList sorted = after;
        sorted.sort();
        EXPECT_EQ(folderContents(data.folder()), sorted);
        EXPECT_EQ(QFileInfo::exists(data.folder()), !after.isEmpty());
        EXPECT_EQ(result->made, made ? kTodayName : "");
        EXPECT_EQ(result->removed, removed);
        const QString today = QDir(data.folder()).filePath(kTodayName);
        const auto mode = [](const QString &p) { return int(QFile::permissions(p) & 0x7077); };
        if (made) {
            EXPECT_EQ(fileBytes(today), "Ann|phone: 1\r\n");
            EXPECT_EQ(mode(today), 0x6000) << "rw-------";
            EXPECT_EQ(mode(data.folder()), 0x7000) << "rwx------";
        } else if (directory) {
            EXPECT_EQ(fileBytes(today), "old"); // a later save keeps the day's first
        }
    }
}

TEST(Backups, RefusesLinksAndWhatIsNoFolder)
{
    const std::tuple<const char *, const char *> rows[] = {
        {"backups link", "can't be used: it is a symbolic link"},
        {"backups file", "can't be used: it is not a folder"},
        {"directory link", "quorvel.dat to keep a backup of it:"},
    };
    for (const auto &[kind, message] : rows) {
        SCOPED_TRACE(kind);
        const DataFolder data({});
        QTemporaryDir elsewhere;
        const QString name = QString::fromLatin1(kind);
        if (name == "backups link")
            QFile::link(elsewhere.path(), data.folder());
        else if (name == "backups file")
            writeBytes(data.folder(), "x");
        else if (QFile::rename(data.directoryFile(), elsewhere.filePath("real")))
            QFile::link(elsewhere.filePath("real"), data.directoryFile());
        const auto result = data.keep();
        EXPECT_FALSE(result);
        EXPECT_TRUE(result.error().contains(QString::fromLatin1(message)))
            << result.error().toStdString();
        EXPECT_TRUE(result->made.isEmpty());
        EXPECT_EQ(folderContents(elsewhere.path()).filter("quorvel-"), QStringList());
    }
}

} // namespace
