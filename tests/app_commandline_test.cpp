#include "app/commandline.h"
#include "support/fixtures.h"

#include <QDir>

// Files alone open the window and are imported into it, named absolutely for
// a copy that runs in another folder; beside an option they stay as before.
TEST(CommandLine, FilesAloneOpenTheWindowToImportThem)
{
    using Action = app::CommandLine::Action;
    const QString here = QDir::currentPath();
    const std::tuple<const char *, QStringList, Action, QStringList> cases[] = {
        {"nothing", {}, Action::OpenWindow, {}},
        {"files alone",
         {"a.vcf", "/x/b.csv", ""},
         Action::OpenWindow,
         {here + "/a.vcf", "/x/b.csv"}},
        {"files after --import",
         {"--import", "a.vcf", "b.csv"},
         Action::Import,
         {"a.vcf", "b.csv"}},
        {"a file beside --version", {"-v", "a.vcf"}, Action::UsageError, {}},
        {"a second file to export", {"--export", "a.vcf", "b.vcf"}, Action::UsageError, {}},
    };
    for (const auto &[name, arguments, action, files] : cases) {
        SCOPED_TRACE(name);
        const app::CommandLine line = app::parseCommandLine(QStringList{"quorvel"} + arguments);
        EXPECT_EQ(line.action, action);
        if (action != Action::UsageError) {
            EXPECT_EQ(line.files, files);
        }
    }
}
