#include "coloreditor/frmColorEditor.h"
#include "core/keywordfile.h"
#include "core/textfile.h"
#include "mainwindow/frmMain.h"
#include "platform/listview.h"
#include "platform/picturebox.h"
#include "support/fixtures.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

using core::ColorValue;
using core::KeywordLine;
using Rows = QList<KeywordLine>;
using testsupport::AppFolder;
using testsupport::ColorDialogRecorder;
using testsupport::MessageRecorder;

namespace {

constexpr ColorValue kRed = core::RGBValue(255, 0, 0);
constexpr ColorValue kGreen = core::RGBValue(0, 255, 0);
constexpr ColorValue kBlue = core::RGBValue(0, 0, 255);
const Rows kPhone = core::defaultKeywordRows();

QByteArray fileOf(const Rows &rows)
{
    return core::joinLines(core::keywordFileLines(rows));
}

// What the dialog shows: the fields, the preview and the edit state.
struct Shown
{
    QString keyword;
    ColorValue swatch = 0;
    QString preview;
    ColorValue previewColor = 0;
    bool saveEnabled = false;
    bool cancelEnabled = false;
    bool addNew = false;
    friend bool operator==(const Shown &, const Shown &) = default;
};

void PrintTo(const Shown &s, std::ostream *os)
{
    *os << "{\"" << s.keyword.toStdString() << "\" swatch " << s.swatch << ", \""
        << s.preview.toStdString() << "\" in " << s.previewColor << ", save/cancel "
        << s.saveEnabled << s.cancelEnabled << ", addNew " << s.addNew << "}";
}

Shown viewing(const QString &keyword, ColorValue color)
{
    return {keyword, color, keyword + " the data goes here", color, false, false, false};
}

const Shown kEmpty{"", 0, "", 0, false, false, false};

// One opened editor, driven the way a user does with clicks and typing.
struct Editor
{
    explicit Editor(const QString &appFolder) : dlg(std::make_unique<frmColorEditor>(appFolder))
    {
        dlg->show();
    }
    frmColorEditor *operator->() const { return dlg.get(); }

    // Runs steps separated by blanks: add, save, cancel, delete, pick (the
    // swatch), colors (Save Colors), up (arrow key in the list), item=N
    // (click), type=TEXT (typed at the end), set=TEXT (typed over the keyword).
    void run(const QString &script) const
    {
        const std::pair<const char *, QWidget *> clicks[] = {
            {"add", dlg->cmdAdd},       {"save", dlg->cmdSave},  {"cancel", dlg->cmdCancel},
            {"delete", dlg->cmdDelete}, {"pick", dlg->picColor}, {"colors", dlg->cmdSaveColors}};
        for (const QString &step : script.split(' ', Qt::SkipEmptyParts)) {
            const QString op = step.section('=', 0, 0), arg = step.section('=', 1);
            for (const auto &[name, control] : clicks) {
                if (op == name)
                    QTest::mouseClick(control, Qt::LeftButton);
            }
            if (op == "up")
                QTest::keyClick(dlg->lstColors, Qt::Key_Up);
            if (op == "item")
                QTest::mouseClick(dlg->lstColors->viewport(), Qt::LeftButton, {},
                                  dlg->lstColors->itemRect(arg.toInt()).center());
            if (op == "set")
                dlg->txtCaption->selectAll();
            if (op == "set" || op == "type")
                QTest::keyClicks(dlg->txtCaption, arg);
        }
    }

    Shown shown() const
    {
        const QColor c = dlg->txtView->palette().color(QPalette::Text);
        return {dlg->txtCaption->text(),
                dlg->picColor->backColor(),
                dlg->txtView->text(),
                core::RGBValue(c.red(), c.green(), c.blue()),
                dlg->cmdSave->isEnabled(),
                dlg->cmdCancel->isEnabled(),
                dlg->bAddNew};
    }

    Rows rows() const
    {
        Rows result;
        for (const platform::ListRow &row : dlg->lstColors->rows())
            result.append({row.text, row.subItem});
        return result;
    }

    std::unique_ptr<frmColorEditor> dlg;
};

// Edits followed by Save Colors: the file written holds exactly the list, in
// the frame of the Default file.
struct SaveCase
{
    const char *name;
    QStringList file;
    QList<int> answers; // to the delete question
    const char *script;
    QStringList written; // the keyword lines expected in the frame
};

void PrintTo(const SaveCase &c, std::ostream *os)
{
    *os << c.name;
}

class ColorEditorSave : public ::testing::TestWithParam<SaveCase>
{
};

TEST_P(ColorEditorSave, WritesTheList)
{
    const SaveCase &c = GetParam();
    AppFolder app;
    app.writeKeywords(core::joinLines(c.file));
    MessageRecorder messages(c.answers);
    ColorDialogRecorder colors({kBlue});
    const Editor editor(app.path());
    editor.run(c.script);
    editor.run("colors");
    QStringList expected = core::keywordFileLines({});
    for (qsizetype i = 0; i < c.written.size(); ++i)
        expected.insert(13 + i, c.written[i]);
    EXPECT_EQ(testsupport::fileBytes(app.keywordFile()), core::joinLines(expected));
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(messages.requests().size(), c.answers.size());
}

const QStringList kPhoneFile = core::keywordFileLines(kPhone);
const QStringList kAB = {"a\t255,0,0", "b\t0,255,0"};

INSTANTIATE_TEST_SUITE_P(
    Cases, ColorEditorSave,
    ::testing::Values(
        // clang-format off
        SaveCase{"DefaultFileAtOnce", kPhoneFile, {}, "", {"phone:\t0,0,0"}},
        SaveCase{"Added", kPhoneFile, {}, "add type=fax: pick save", {"phone:\t0,0,0", "fax:\t0,0,255"}},
        SaveCase{"Renamed", {"phone:\t0, 0, 0", "x\t0, 0, 0"}, {}, "set=tel: save", {"tel:\t0,0,0", "x\t0, 0, 0"}},
        SaveCase{"EmptyKeyword", kPhoneFile, {}, "add save", {"phone:\t0,0,0", "\t0,0,0"}},
        SaveCase{"Duplicate", kAB, {}, "add type=a save", {"a\t255,0,0", "b\t0,255,0", "a\t0,0,0"}},
        SaveCase{"DeleteNo", kAB, {platform::vbNo}, "item=2 delete", kAB},
        SaveCase{"DeleteYes", kAB, {platform::vbYes}, "item=2 delete", {"a\t255,0,0"}},
        SaveCase{"DeleteAll", kPhoneFile, {platform::vbYes}, "delete", {}},
        SaveCase{"TypedNotSaved", kPhoneFile, {}, "set=tel:", {"phone:\t0,0,0"}},
        SaveCase{"AddCancelSave", kAB, {}, "item=2 add type=new cancel set=b2 save", {"a\t255,0,0", "b2\t0,255,0"}},
        SaveCase{"ThirdField", {"fax:\t0,0,255\tnote"}, {}, "", {"fax:\t0,0,255"}},
        SaveCase{"OnlyKeywordLines", {";mine", "stray", "   ", "", "k\t1,2", ";", "j\t4"}, {}, "", {"k\t1,2", "j\t4"}}),
    // clang-format on
    [](const auto &info) { return std::string(info.param.name); });

TEST(ColorEditor, SemicolonKeywordIsGoneAtNextOpening)
{
    AppFolder app;
    app.writeKeywords(testsupport::defaultKeywordFileBytes());
    Editor(app.path()).run("add type=;x save colors");
    EXPECT_TRUE(core::readTextLines(app.keywordFile()).lines.contains(";x\t0,0,0"));
    EXPECT_EQ(Editor(app.path()).rows(), kPhone);
}

TEST(ColorEditor, CancelAndCloseBoxWriteNothing)
{
    AppFolder app;
    const QByteArray handMade = core::joinLines({";mine", "phone:\t1,2,3\tx", "stray"});
    app.writeKeywords(handMade);
    for (const bool closeBox : {false, true}) {
        const Editor editor(app.path());
        editor.run("add type=fax: save");
        if (closeBox)
            editor->close();
        else
            editor->cmdCancelColors->click();
        EXPECT_FALSE(editor->isVisible());
        EXPECT_EQ(testsupport::fileBytes(app.keywordFile()), handMade);
    }
}

TEST(ColorEditor, LoadsKeywordLinesInFileOrderAndShowsTheirColours)
{
    AppFolder app;
    app.writeKeywords(core::joinLines({" ;x\t1,2,3", "   ", ";c", "no tab", "fax:\t0,0,255\tn",
                                       "dup\t300,0,0", "dup\t0,0,255,7", "bad\tx,1,2"}));
    const Editor editor(app.path());
    EXPECT_EQ(editor.rows(), (Rows{{" ;x", "1,2,3"},
                                   {"fax:", "0,0,255"},
                                   {"dup", "300,0,0"},
                                   {"dup", "0,0,255,7"},
                                   {"bad", "x,1,2"}}));
    EXPECT_EQ(editor.shown(), viewing(" ;x", core::RGBValue(1, 2, 3)));
    const ColorValue colors[] = {kBlue, kRed, kBlue, 0};
    for (int item = 2; item <= 5; ++item) {
        editor.run(QStringLiteral("item=%1").arg(item));
        EXPECT_EQ(editor.shown(), viewing(editor.rows()[item - 1].keyword, colors[item - 2]));
    }
}

TEST(ColorEditor, MissingOrKeywordlessFileOpensEmptyAndUsable)
{
    for (const bool missing : {true, false}) {
        AppFolder app;
        if (!missing)
            app.writeKeywords(core::joinLines({";only comments", "", "stray"}));
        MessageRecorder messages;
        const Editor editor(app.path());
        EXPECT_EQ(editor.rows(), Rows{});
        // Nothing selected: Delete, Cancel and Save do nothing at all.
        editor.run("delete");
        editor->cmdCancel_Click();
        editor->cmdSave_Click();
        EXPECT_EQ(editor.shown(), kEmpty);
        EXPECT_TRUE(messages.requests().isEmpty());

        editor.run("add type=fax: save colors");
        EXPECT_EQ(testsupport::fileBytes(app.keywordFile()), fileOf({{"fax:", "0,0,0"}}));
    }
}

TEST(ColorEditor, DeleteLeavesNoSelectionAndTheRemovedEntryShown)
{
    AppFolder app;
    app.writeKeywords(core::joinLines(kAB));
    MessageRecorder messages({platform::vbYes});
    const Editor editor(app.path());
    editor.run("delete");
    ASSERT_EQ(messages.requests().size(), 1);
    EXPECT_EQ(messages.requests()[0].prompt, "Are you sure you want to remove \"a\"?");
    EXPECT_EQ(messages.requests()[0].style, platform::vbYesNo | platform::vbQuestion);
    EXPECT_EQ(messages.requests()[0].title, "Quorvel");
    EXPECT_EQ(editor.shown(), viewing("a", kRed));
    EXPECT_EQ(editor->lstColors->selectedItem(), 0);

    // A pending edit with nothing selected: Save, Cancel and Delete do nothing.
    editor.run("set=c");
    const Shown pending = editor.shown();
    editor.run("save cancel delete");
    EXPECT_EQ(editor.shown(), pending);
    EXPECT_EQ(editor.rows(), (Rows{{"b", "0,255,0"}}));
    EXPECT_EQ(messages.requests().size(), 1);
}

TEST(ColorEditor, PreviewAndStateFollowEachHandler)
{
    AppFolder app;
    app.writeKeywords(fileOf({{"phone:", "255,0,0"}, {"fax:", "0,0,255"}}));
    ColorDialogRecorder colors({kGreen});
    const Editor editor(app.path());
    const std::pair<const char *, Shown> steps[] = {
        {"", viewing("phone:", kRed)},
        {"type=1", {"phone:1", kRed, "phone:1 the data goes here", kRed, true, true, false}},
        {"item=2", viewing("fax:", kBlue)},
        // The preview follows the cleared keyword box in the swatch's colour
        // of that moment; the swatch turns black afterwards.
        {"add", {"", 0, " the data goes here", kBlue, true, true, true}},
        {"type=x", {"x", 0, "x the data goes here", 0, true, true, true}},
        {"pick", {"x", kGreen, "x the data goes here", kGreen, true, true, true}},
        {"save", {"x", kGreen, "x the data goes here", kGreen, false, false, false}},
        {"set=y", {"y", kGreen, "y the data goes here", kGreen, true, true, false}},
        {"cancel", viewing("fax:", kBlue)},
        {"up", viewing("phone:", kRed)},
    };
    for (const auto &[script, expected] : steps) {
        editor.run(script);
        EXPECT_EQ(editor.shown(), expected) << script;
    }
    EXPECT_EQ(editor.rows(), (Rows{{"phone:", "255,0,0"}, {"fax:", "0,0,255"}, {"x", "0,255,0"}}));
    EXPECT_EQ(editor->lstColors->selectedItem(), 1);
}

TEST(ColorEditor, AddOnEmptyKeywordLeavesSaveDisabledAndPreviewColour)
{
    AppFolder app;
    app.writeKeywords(fileOf({{"", "0,0,255"}}));
    const Editor editor(app.path());
    editor.run("add");
    EXPECT_EQ(editor.shown(), (Shown{"", 0, " the data goes here", kBlue, false, false, true}));
}

TEST(ColorEditor, ColourDialogRemembersItsOwnColour)
{
    AppFolder app;
    app.writeKeywords(fileOf({{"phone:", "255,0,0"}}));
    ColorDialogRecorder colors({std::nullopt, kGreen, std::nullopt});
    // Cancelled on first use: the dialog's colour is black, and the swatch
    // takes it, not the entry's red.
    const Editor editor(app.path());
    editor.run("pick");
    EXPECT_EQ(editor.shown(),
              (Shown{"phone:", 0, "phone: the data goes here", 0, true, true, false}));
    // Cancel keeps the colour chosen last.
    editor.run("pick item=1 pick");
    EXPECT_EQ(editor->picColor->backColor(), kGreen);
    // Every opening starts with black again.
    Editor(app.path()).run("pick");
    EXPECT_EQ(colors.offered(), (QList<ColorValue>{0, 0, kGreen, 0}));
}

TEST(ColorEditor, EnterAndEscapeTriggerNoCommand)
{
    AppFolder app;
    app.writeKeywords(testsupport::defaultKeywordFileBytes());
    const Editor editor(app.path());
    editor.run("set=tel:");
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(editor->txtCaption, key);
        QTest::keyClick(editor.dlg.get(), key);
    }
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor.rows(), kPhone);
}

TEST(ColorEditor, UnwritableFileIsReportedAndKeepsTheDialogAndList)
{
    AppFolder app;
    // An application folder that is a regular file: nothing can be made in it.
    const QString notAFolder = QDir(app.path()).filePath("plain");
    testsupport::writeBytes(notAFolder, "x");
    MessageRecorder messages;
    const Editor editor(notAFolder);
    editor.run("add type=fax: save colors");
    ASSERT_EQ(messages.requests().size(), 1);
    const QString path = QDir::toNativeSeparators(core::keywordFilePath(notAFolder));
    EXPECT_TRUE(messages.prompts()[0].startsWith("Can't save the colors to " + path + ": "));
    EXPECT_GT(messages.prompts()[0].size(), path.size() + 30); // a reason follows
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor.rows(), (Rows{{"fax:", "0,0,0"}}));
}

TEST(ColorEditor, UnreadableFileIsReportedAndOpensEmpty)
{
    AppFolder app;
    QDir().mkpath(app.keywordFile()); // a folder where the file belongs
    MessageRecorder messages;
    const Editor editor(app.path());
    ASSERT_EQ(messages.requests().size(), 1);
    EXPECT_TRUE(messages.prompts()[0].contains(QDir::toNativeSeparators(app.keywordFile())));
    EXPECT_EQ(editor.shown(), kEmpty);
}

TEST(ColorsCommand, SavedColourShowsWhenAnEntryIsShownNext)
{
    AppFolder app;
    app.writeDirectory(core::joinLines({"Ann|fax: 123\tphone: 1"}));
    MessageRecorder messages;
    ColorDialogRecorder colors({kBlue});
    frmMain window(app.path());
    ASSERT_TRUE(window.Form_Load());
    EXPECT_EQ(window.lstNumbers->foreColor(1), 0u);

    bool driven = false;
    QTimer::singleShot(0, &window, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        auto *editor = qobject_cast<frmColorEditor *>(modal);
        driven =
            editor && editor->parentWidget() == &window && editor->windowTitle() == "Color Editor";
        if (!driven) {
            if (modal)
                modal->close();
            return;
        }
        QTest::mouseClick(editor->cmdAdd, Qt::LeftButton);
        QTest::keyClicks(editor->txtCaption, "fax:");
        QTest::mouseClick(editor->picColor, Qt::LeftButton);
        QTest::mouseClick(editor->cmdSave, Qt::LeftButton);
        QTest::mouseClick(editor->cmdSaveColors, Qt::LeftButton);
    });
    window.cmdColors->click();
    ASSERT_TRUE(driven);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // The main window is not told; it reads the file when it shows an entry.
    EXPECT_EQ(window.lstNumbers->foreColor(1), 0u);
    window.lvwQuorvel_ItemClick(1);
    EXPECT_EQ(window.lstNumbers->foreColor(1), kBlue);
    EXPECT_EQ(window.lstNumbers->foreColor(2), 0u);
    EXPECT_TRUE(messages.requests().isEmpty());
    window.close();
}

} // namespace
