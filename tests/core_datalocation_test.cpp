#include "core/datalocation.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using testsupport::writeBytes;

namespace {

// A program folder "bin" and a home "home" in a temporary folder; the user is
// "ann". Paths in the rows are relative to the temporary folder.
TEST(CoreDataLocation, ChoosesTheFolderForTheData)
{
    struct Row
    {
        const char *name;
        std::function<void(const QDir &)> arrange;
        QString xdgDataHome; // "-" for a relative path
        QString home;
        QString folder;       // empty: refused
        const char *errorHas; // for a refused location
    };
    const auto file = [](const char *path) {
        return [path](const QDir &d) {
            d.mkpath(QFileInfo(d.filePath(path)).path());
            writeBytes(d.filePath(path), {});
        };
    };
    const auto folder = [](const char *path) { return [path](const QDir &d) { d.mkpath(path); }; };
    const Row rows[] = {
        {"marked portable", file("bin/quorvel.portable"), "xdg", "home", "bin", ""},
        {"colours beside the program", file("bin/colorkeys.dat"), "xdg", "home", "bin", ""},
        {"data folder beside the program", folder("bin/ann"), "xdg", "home", "bin", ""},
        {"a file named after the user is no data folder", file("bin/ann"), "xdg", "home",
         "xdg/quorvel", ""},
        {"XDG_DATA_HOME", {}, "xdg", "home", "xdg/quorvel", ""},
        {"XDG_DATA_HOME unset", {}, "", "home", "home/.local/share/quorvel", ""},
        {"XDG_DATA_HOME relative", {}, "-", "home", "home/.local/share/quorvel", ""},
        {"no home", {}, "", "", "", "quorvel.portable"},
        {"a file in the way", file("xdg/quorvel"), "xdg", "home", "", "is not a folder"},
        {"a symbolic link in the way",
         [](const QDir &d) {
             d.mkpath("elsewhere");
             d.mkpath("xdg");
             QFile::link(d.filePath("elsewhere"), d.filePath("xdg/quorvel"));
         },
         "xdg", "home", "", "symbolic link"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir temp;
        const QDir root(temp.path());
        root.mkpath("bin");
        if (row.arrange)
            row.arrange(root);
        const auto at = [&](const QString &path) {
            return path.isEmpty() ? QString() : path == "-" ? "xdg" : root.filePath(path);
        };
        const core::DataLocation location = core::chooseDataLocation(
            {root.filePath("bin"), "ann", at(row.xdgDataHome), at(row.home)});
        EXPECT_EQ(location.folder, at(row.folder));
        EXPECT_EQ(location.besideExecutable, location.folder == root.filePath("bin"));
        EXPECT_TRUE(location.error.contains(row.errorHas)) << location.error.toStdString();
        // Nothing is made in choosing.
        EXPECT_EQ(location.mustCreate, location && !location.besideExecutable);
        EXPECT_EQ(location && QFile::exists(location.folder), location && !location.mustCreate);
    }
}

TEST(CoreDataLocation, CreatesTheFolderAndMissingParentsPrivate)
{
    QTemporaryDir temp;
    const QDir root(temp.path());
    root.mkpath("bin");
    const core::DataLocation chosen =
        core::chooseDataLocation({root.filePath("bin"), "ann", {}, root.filePath("home")});
    const core::DataLocation made = core::createDataLocation(chosen);
    ASSERT_TRUE(made) << made.error.toStdString();
    EXPECT_FALSE(made.mustCreate);
    for (const char *path :
         {"home", "home/.local", "home/.local/share", "home/.local/share/quorvel"})
        EXPECT_EQ(QFile::permissions(root.filePath(path)) & 0x7077, 0x7000) << path;
    EXPECT_EQ(testsupport::folderContents(made.folder), QStringList());

    // Root writes anywhere: a file where a parent folder belongs stops it.
    writeBytes(root.filePath("blocked"), {});
    const core::DataLocation refused = core::createDataLocation(
        core::chooseDataLocation({root.filePath("bin"), "ann", root.filePath("blocked/x"), {}}));
    EXPECT_FALSE(refused);
    EXPECT_TRUE(refused.error.contains(root.filePath("blocked/x/quorvel")))
        << refused.error.toStdString();
}

} // namespace
