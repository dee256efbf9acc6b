#include "platform/controls/listview.h"
#include "support/fixtures.h"

#include <QApplication>
#include <QHeaderView>

using testsupport::itemTexts;

// The selection rules hold whether the view or its model adds or removes rows.
TEST(ListView, ItemsAreNumberedFromOneAndTheFirstAddedIsSelected)
{
    platform::ListView view("Name");
    core::DirectoryModel directory;
    view.showModel(&directory);
    directory.append(core::Entries{{"Ann", "1", true}, {"Bob", "2", false}});
    EXPECT_EQ(view.selectedItem(), 1);
    EXPECT_TRUE(view.bold(1) && !view.bold(2));
    EXPECT_EQ(view.subItem(2), "2");
    view.setSelectedItem(2);
    directory.remove(1);
    EXPECT_EQ(view.selectedItem(), 0) << "removing the selected item leaves no selection";
    EXPECT_EQ(itemTexts(&view), QStringList{"Ann"});

    platform::ListView list("Name");
    EXPECT_EQ(list.addItem("Ann"), 1);
    EXPECT_EQ(list.addItem("Bob"), 2);
    EXPECT_EQ(list.selectedItem(), 1);
    EXPECT_EQ(list.text(3), QString()) << "out-of-range items read as empty";
    list.removeItem(1);
    EXPECT_EQ(itemTexts(&list), QStringList{"Bob"});
    EXPECT_EQ(list.selectedItem(), 0);
}

// A very long text is held whole, but laid out short, so memory does not follow it.
TEST(ListView, AVeryLongTextIsHeldWholeButShownCut)
{
    const QString longText(10'000'000, QLatin1Char('N'));
    platform::ListView list("Name");
    list.addItems({{longText, longText, false, 0}});
    EXPECT_TRUE(list.text(1) == longText && list.subItem(1) == longText);
    const QString shown = list.model()->index(0, 0).data(Qt::DisplayRole).toString();
    EXPECT_TRUE(shown.size() <= 1000 && longText.startsWith(shown)) << shown.size();
}

TEST(ListView, TypeToSelect)
{
    // Searches typed within the interval ("|" a pause), and the item selected afterwards.
    const std::pair<const char *, const char *> cases[] = {
        {"m", "Max"},    {"M", "Max"},    // upper case finds lower case
        {"mi", "mike"},                   // letters add up to a prefix
        {"mmm", "Mona"}, {"mmmm", "Max"}, // a repeated letter cycles, and wraps round
        {"q", "Anna"},                    // no match leaves the selection
        {"m|b", "Bob"}};
    for (const auto &[keys, selected] : cases) {
        platform::ListView list("Name");
        for (const char *name : {"Anna", "Max", "mike", "Bob", "Mona"})
            list.addItems({{name, {}, false, 0}});
        for (const QChar key : QString(keys))
            key == '|' ? list.resetTypeToSelect() : list.keyboardSearch(key);
        EXPECT_EQ(list.text(list.selectedItem()), selected) << keys;
    }
}

// Under a dark desktop palette the list and its header stay readable, whichever
// of their background and text colours a style pairs (one draws the header's
// text on the base colour).
TEST(ListView, ReadableUnderADarkPalette)
{
    const QPalette desktop = QApplication::palette();
    QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2A, 0x2A, 0x2A));
    for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        dark.setColor(role, Qt::white);
    QApplication::setPalette(dark);
    platform::ListView list("Name");
    for (const QWidget *part : {static_cast<QWidget *>(list.header()), list.viewport()})
        for (const auto back : {QPalette::Base, QPalette::Button, QPalette::Window})
            for (const auto text : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
                EXPECT_GT(std::abs(qGray(part->palette().color(back).rgb()) -
                                   qGray(part->palette().color(text).rgb())),
                          120)
                    << back << " " << text;
    QApplication::setPalette(desktop);
}
