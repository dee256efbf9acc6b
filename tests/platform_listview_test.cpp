#include "platform/listview.h"
#include "support/fixtures.h"

namespace {

std::unique_ptr<platform::ListView> listOf(const QStringList &names)
{
    auto list = std::make_unique<platform::ListView>("Name");
    platform::ListRows rows;
    for (const QString &name : names)
        rows.push_back({name, {}, false, 0});
    list->addItems(std::move(rows));
    return list;
}

// The selection rules hold whoever adds or removes the rows: the view's own
// calls or the model it shows.
TEST(ListView, ItemsAreNumberedFromOneAndTheFirstAddedIsSelected)
{
    platform::ListView view("Name");
    core::DirectoryModel directory;
    view.showModel(&directory);
    directory.append(core::Entries{{"Ann", "1", true}, {"Bob", "2", false}});
    EXPECT_EQ(view.selectedItem(), 1);
    EXPECT_TRUE(view.bold(1));
    EXPECT_EQ(view.subItem(2), "2");
    view.setSelectedItem(2);
    directory.remove(1);
    EXPECT_EQ(view.selectedItem(), 0);
    EXPECT_EQ(testsupport::itemTexts(&view), QStringList{"Ann"});

    auto list = listOf({});
    EXPECT_EQ(list->selectedItem(), 0);
    EXPECT_EQ(list->addItem("Ann"), 1);
    EXPECT_EQ(list->addItem("Bob"), 2);
    EXPECT_EQ(list->selectedItem(), 1);
    EXPECT_EQ(list->text(3), QString()) << "out-of-range items read as empty";
    list->removeItem(1);
    EXPECT_EQ(testsupport::itemTexts(list.get()), QStringList{"Bob"});
    EXPECT_EQ(list->selectedItem(), 0) << "removing the selected item leaves no selection";
}

TEST(ListView, AVeryLongTextIsHeldWholeButShownCut)
{
    const QString longText(10'000'000, QLatin1Char('N'));
    platform::ListView list("Name");
    list.addItems({{longText, "1", false, 0}, {"Bob", longText, false, 0}});
    EXPECT_EQ(list.text(1), longText);
    EXPECT_EQ(list.subItem(2), longText);
    // What the view lays out stays short, so its memory does not follow the text.
    const QAbstractItemModel *model = list.model();
    const QString shown = model->index(0, 0).data(Qt::DisplayRole).toString();
    EXPECT_LE(shown.size(), 1000);
    EXPECT_TRUE(longText.startsWith(shown));
    EXPECT_EQ(model->index(1, 0).data(Qt::DisplayRole).toString(), "Bob");
}

TEST(ListView, TypeToSelect)
{
    // Searches typed within the interval (or, with a pause, each anew), and
    // the item selected afterwards.
    const std::tuple<QStringList, bool, QString> cases[] = {
        {{"m"}, false, "Max"},
        {{"M"}, false, "Max"},                // upper case finds lower case
        {{"m", "i"}, false, "mike"},          // letters add up to a prefix
        {{"m", "m", "m"}, false, "Mona"},     // a repeated letter cycles
        {{"m", "m", "m", "m"}, false, "Max"}, // and wraps round
        {{"q"}, false, "Anna"},               // no match leaves the selection
        {{"m", "b"}, true, "Bob"}};
    for (const auto &[keys, pauseBetween, selected] : cases) {
        SCOPED_TRACE(keys.join(' ').toStdString());
        auto list = listOf({"Anna", "Max", "mike", "Bob", "Mona"});
        for (const QString &key : keys) {
            if (pauseBetween)
                list->resetTypeToSelect();
            list->keyboardSearch(key);
        }
        EXPECT_EQ(list->text(list->selectedItem()), selected);
    }
}

} // namespace
