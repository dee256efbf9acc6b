#include "coloreditor/frmColorEditor.h"
#include "core/colors/keywordfile.h"
#include "core/colors/keywordmodel.h"
#include "platform/controls/listview.h"
#include "platform/controls/picturebox.h"
#include "support/fixtures.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using core::ColorValue;

namespace {

using namespace testsupport;

// Colours are 0xBBGGRR.
constexpr ColorValue kRed = 0x0000FF;
constexpr ColorValue kGreen = 0x00FF00;
constexpr ColorValue kBlue = 0xFF0000;
const QStringList kPhone = {"phone:\t0,0,0"};
const QStringList kAB = {"a\t255,0,0", "b\t0,255,0"};

// Keyword box, swatch, preview text and colour, Save and Cancel enabled, adding.
using Shown = std::tuple<QString, ColorValue, QString, ColorValue, bool, bool, bool>;

Shown viewing(const QString &keyword, ColorValue color) // nothing being edited
{
    return {keyword, color, keyword + " the data goes here", color, false, false, false};
}

struct Editor
{
    explicit Editor(const QString &appFolder) : dlg(std::make_unique<frmColorEditor>(appFolder))
    {
        dlg->show();
    }
    frmColorEditor *operator->() const { return dlg.get(); }

    // Steps: a click (add, save, cancel, delete, pick, colors, quit = the dialog's
    // Cancel), close, keys (Enter, Esc: no effect), up, item=N, type=TEXT, set=TEXT.
    void run(const QString &script) const
    {
        const std::pair<const char *, QWidget *> clicks[] = {
            {"add", dlg->cmdAdd},          {"save", dlg->cmdSave},  {"cancel", dlg->cmdCancel},
            {"delete", dlg->cmdDelete},    {"pick", dlg->picColor}, {"colors", dlg->cmdSaveColors},
            {"quit", dlg->cmdCancelColors}};
        for (const QString &step : script.split(' ', Qt::SkipEmptyParts)) {
            const QString op = step.section('=', 0, 0), arg = step.section('=', 1);
            for (const auto &[name, control] : clicks)
                op == name ? QTest::mouseClick(control, Qt::LeftButton) : void();
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                if (op == "keys") {
                    QTest::keyClick(dlg->txtCaption, key);
                    QTest::keyClick(dlg.get(), key);
                    EXPECT_TRUE(dlg->isVisible());
                }
            if (op == "close")
                dlg->close();
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

    QStringList rows() const
    {
        QStringList result;
        for (const core::KeywordLine &row : dlg->keywords().rows())
            result.append(row.keyword + '\t' + row.colorText);
        return result;
    }

    std::unique_ptr<frmColorEditor> dlg;
};

// Only Save Colors writes the list (in the Default frame); with none selected, buttons do nothing.
TEST(ColorEditor, OnlySaveColorsWritesTheList)
{
    // Keyword lines of the file (none: no file), answers, steps, lines after.
    const std::tuple<QStringList, QList<int>, const char *, QStringList> cases[] = {
        {kPhone, {}, "add type=fax: pick save colors", {"phone:\t0,0,0", "fax:\t0,0,255"}},
        // The new entry is selected by its Save: a second Save changes it, not the old one.
        {kPhone,
         {},
         "add type=mobile: save pick save colors",
         {"phone:\t0,0,0", "mobile:\t0,0,255"}},
        // Renaming writes the colour text anew from the numbers.
        {{"phone:\t0, 0, 0", "x\t0, 0, 0"},
         {},
         "set=tel: save colors",
         {"tel:\t0,0,0", "x\t0, 0, 0"}},
        {kPhone, {}, "add save colors", {"phone:\t0,0,0", "\t0,0,0"}},
        {kAB, {}, "add type=a save colors", {"a\t255,0,0", "b\t0,255,0", "a\t0,0,0"}},
        {kAB, {platform::vbNo}, "item=2 delete colors", kAB},
        {kAB, {platform::vbYes}, "item=2 delete colors", {"a\t255,0,0"}},
        {kPhone, {platform::vbYes}, "delete colors", {}},
        {kPhone, {}, "set=tel: colors", kPhone}, // typed but not saved
        // Add, then Cancel: Save changes the selected entry again.
        {kAB, {}, "item=2 add type=new cancel set=b2 save colors", {"a\t255,0,0", "b2\t0,255,0"}},
        {{"fax:\t0,0,255\tnote"}, {}, "colors", {"fax:\t0,0,255"}},
        {kPhone, {}, "add type=;x save colors", {"phone:\t0,0,0", ";x\t0,0,0"}},
        {kPhone, {}, "add type=fax: save set=tel: keys quit", kPhone},
        {kPhone, {}, "add type=fax: save close", kPhone},
        {{}, {}, "delete cancel save add type=fax: save colors", {"fax:\t0,0,0"}},
        {{"stray"}, {}, "delete cancel save add type=fax: save colors", {"fax:\t0,0,0"}}};
    for (const auto &[file, answers, script, written] : cases) {
        SCOPED_TRACE(testing::Message() << script << " on " << file.join(' ').toStdString());
        AppFolder app;
        if (!file.isEmpty())
            app.writeKeywords(keywordFileBytes(file));
        MessageRecorder messages(answers);
        ColorDialogRecorder colors({kBlue});
        const Editor editor(app.path());
        EXPECT_EQ(editor.shown() == Shown{}, editor.rows().isEmpty());
        editor.run(script);
        EXPECT_EQ(fileBytes(app.keywordFile()), keywordFileBytes(written));
        EXPECT_FALSE(editor->isVisible());
        EXPECT_EQ(messages.prompts().size(), answers.size());
        // Reopened, it lists the lines written but comments.
        EXPECT_EQ(Editor(app.path()).rows(), written.filter(QRegularExpression("^[^;]")));
    }
}

TEST(ColorEditor, PreviewAndStateFollowEachHandler)
{
    constexpr ColorValue dark = 0x008000;
    AppFolder app;
    app.writeKeywords(" ;x\t1,2,3\r\n   \r\n;c\r\nno tab\r\nphone:\t255,0,0\r\nfax:\t0,0,255\tn\r\n"
                      "\t0,128,0\r\ndup\t300,0,0,7\r\nbad\tx,1,2");
    MessageRecorder messages({platform::vbYes});
    ColorDialogRecorder colors({kGreen});
    const Editor editor(app.path());
    const std::pair<const char *, Shown> steps[] = {
        {"", viewing(" ;x", 0x030201)},
        {"item=5", viewing("dup", kRed)},
        {"item=6", viewing("bad", 0)},
        {"item=2", viewing("phone:", kRed)},
        {"type=1", {"phone:1", kRed, "phone:1 the data goes here", kRed, true, true, false}},
        {"item=3", viewing("fax:", kBlue)},
        // The preview keeps the swatch's colour of that moment; the swatch turns black.
        {"add", {"", 0, " the data goes here", kBlue, true, true, true}},
        {"type=x", {"x", 0, "x the data goes here", 0, true, true, true}},
        {"pick", {"x", kGreen, "x the data goes here", kGreen, true, true, true}},
        {"save", viewing("x", kGreen)}, // the new entry is selected
        {"set=y", {"y", kGreen, "y the data goes here", kGreen, true, true, false}},
        {"cancel", viewing("x", kGreen)},
        {"up", viewing("bad", 0)},
        {"item=4", viewing("", dark)},
        // The box is empty already: no change, Save stays disabled.
        {"add", {"", 0, " the data goes here", dark, false, false, true}},
        // Deleted, it stays shown, none selected; Save, Cancel, Delete keep the edit.
        {"item=6 delete", viewing("bad", 0)},
        {"set=c save cancel delete", {"c", 0, "c the data goes here", 0, true, true, false}},
    };
    for (const auto &[script, expected] : steps) {
        editor.run(script);
        EXPECT_EQ(editor.shown(), expected) << script;
    }
    EXPECT_EQ(editor->lstColors->selectedItem(), 0);
    EXPECT_EQ(messages.prompts(), QStringList{"Are you sure you want to remove \"bad\"?"});
    EXPECT_EQ(editor.rows(), (QStringList{" ;x\t1,2,3", "phone:\t255,0,0", "fax:\t0,0,255",
                                          "\t0,128,0", "dup\t300,0,0,7", "x\t0,255,0"}));
}

// The colour dialog opens on the swatch's colour; Cancel changes nothing.
TEST(ColorEditor, ColourDialogOpensOnTheSwatchAndCancelKeepsIt)
{
    AppFolder app;
    app.writeKeywords(keywordFileBytes({"phone:\t255,0,0", "fax:\t0,0,255"}));
    ColorDialogRecorder colors({std::nullopt, kGreen, std::nullopt});
    const Editor editor(app.path());
    const std::pair<const char *, Shown> steps[] = {
        {"pick", viewing("phone:", kRed)},
        {"pick", {"phone:", kGreen, "phone: the data goes here", kGreen, true, true, false}},
        {"item=2 pick", viewing("fax:", kBlue)}};
    for (const auto &[script, expected] : steps) {
        editor.run(script);
        EXPECT_EQ(editor.shown(), expected) << script;
    }
    EXPECT_EQ(colors.offered, (QList<ColorValue>{kRed, kRed, kBlue}));
}

TEST(ColorEditor, UnreadableOrUnwritableFileIsReported)
{
    // A link to another file: the editor says why and does not open, so never writes over it.
    AppFolder app;
    MessageRecorder messages;
    writeBytes(app.path() + "/victim", "phone:\t1,2,3\r\n");
    ASSERT_TRUE(QFile::link(app.path() + "/victim", app.keywordFile()));
    EXPECT_FALSE(Editor(app.path())->isLoaded());
    ASSERT_EQ(messages.prompts().size(), 1);
    EXPECT_TRUE(messages.prompts()[0].contains(QDir::toNativeSeparators(app.keywordFile())));

    // An application folder that is a regular file: the dialog stays open.
    const QString notAFolder = app.path() + "/victim";
    const Editor editor(notAFolder);
    editor.run("add type=fax: save colors");
    ASSERT_EQ(messages.prompts().size(), 2);
    const QString path = QDir::toNativeSeparators(core::keywordFilePath(notAFolder));
    EXPECT_TRUE(messages.prompts()[1].startsWith("Can't save the colors to " + path + ": "));
    EXPECT_GT(messages.prompts()[1].size(), path.size() + 30); // a reason follows
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor.rows(), QStringList{"fax:\t0,0,0"});
}

} // namespace
