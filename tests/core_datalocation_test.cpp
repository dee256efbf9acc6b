#include "core/directory/datalocation.h"
#include "support/fixtures.h"

using testsupport::writeBytes;

namespace {

// Makes a file, or a folder when the path ends in "/".
void make(const QDir &root, const QString &path)
{
    root.mkpath(path.endsWith('/') ? path : QFileInfo(root.filePath(path)).path());
    if (!path.isEmpty() && !path.endsWith('/'))
        writeBytes(root.filePath(path), {});
}

// Relative to a temporary folder holding "bin"; user "ann"; "rel" a relative path.
TEST(CoreDataLocation, ChoosesTheFolderForTheData)
{
    // Made, XDG_DATA_HOME, HOME, the folder chosen (empty: refused), the error.
    const std::tuple<const char *, const char *, QString, QString, QString, const char *> rows[] = {
        {"marked portable", "bin/quorvel.portable", "xdg", "home", "bin", ""},
        {"colours beside the program", "bin/colorkeys.dat", "xdg", "home", "bin", ""},
        {"data folder beside the program", "bin/ann/", "xdg", "home", "bin", ""},
        {"a file named after the user", "bin/ann", "xdg", "home", "xdg/quorvel", ""},
        {"XDG_DATA_HOME", "", "xdg", "home", "xdg/quorvel", ""},
        {"XDG_DATA_HOME unset", "", "", "home", "home/.local/share/quorvel", ""},
        {"XDG_DATA_HOME relative", "", "rel", "home", "home/.local/share/quorvel", ""},
        {"no home", "", "", "rel", "", "quorvel.portable"},
        {"a file in the way", "xdg/quorvel", "xdg", "home", "", "is not a folder"},
    };
    for (const auto &[name, made, xdgDataHome, home, folder, error] : rows) {
        SCOPED_TRACE(name);
        QTemporaryDir temp;
        const QDir root(temp.path());
        make(root, "bin/");
        make(root, made);
        const auto at = [&](const QString &path) {
            return path.isEmpty() || path == "rel" ? path : root.filePath(path);
        };
        const auto location =
            core::chooseDataLocation({root.filePath("bin"), "ann", at(xdgDataHome), at(home)});
        EXPECT_EQ(location->folder, at(folder));
        EXPECT_EQ(location->besideExecutable, folder == "bin");
        EXPECT_TRUE(location.error().contains(error)) << location.error().toStdString();
        // Nothing is made in choosing.
        EXPECT_EQ(location && !QFile::exists(location->folder), location->mustCreate);
    }
}

TEST(CoreDataLocation, CreatesTheFolderAndMissingParentsPrivate)
{
    QTemporaryDir temp;
    const QDir root(temp.path());
    const auto made = core::createDataLocation(
        core::chooseDataLocation({root.filePath("bin"), "ann", {}, root.filePath("home")}));
    ASSERT_TRUE(made) << made.error().toStdString();
    EXPECT_FALSE(made->mustCreate);
    for (const char *path :
         {"home", "home/.local", "home/.local/share", "home/.local/share/quorvel"})
        EXPECT_EQ(QFile::permissions(root.filePath(path)) & 0x7077, 0x7000) << path;

    // Root writes anywhere: a file where a parent folder belongs stops it.
    make(root, "blocked");
    const auto refused = core::createDataLocation(
        core::chooseDataLocation({root.filePath("bin"), "ann", root.filePath("blocked/x"), {}}));
    EXPECT_FALSE(refused);
    EXPECT_TRUE(
        refused.error().contains(root.filePath("blocked/x/quorvel") +
                                 " for Quorvel's data can't be used: it could not be created"))
        << refused.error().toStdString();
}

} // namespace
