#include "platform/listview.h"

#include <QTest>
#include <gtest/gtest.h>

using platform::ListRow;
using platform::ListView;

namespace {

std::unique_ptr<ListView> listOf(const QStringList &names)
{
    auto list = std::make_unique<ListView>(QStringList{"Name"});
    platform::ListRows rows;
    for (const QString &name : names)
        rows.push_back({name, {}, false, 0});
    list->addItems(std::move(rows));
    return list;
}

} // namespace

TEST(ListView, ItemsAreNumberedFromOneAndTheFirstAddedIsSelected)
{
    auto list = listOf({});
    EXPECT_EQ(list->selectedItem(), 0);
    EXPECT_EQ(list->addItem("Ann"), 1);
    EXPECT_EQ(list->addItem("Bob"), 2);
    EXPECT_EQ(list->selectedItem(), 1);
    list->setSubItem(2, "1\t2");
    list->setBold(2, true);
    EXPECT_EQ(list->subItem(2), "1\t2");
    EXPECT_TRUE(list->bold(2));
    EXPECT_EQ(list->text(3), QString()) << "out-of-range items read as empty";
    list->removeItem(1);
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(list->text(1), "Bob");
    EXPECT_EQ(list->selectedItem(), 0) << "removing the selected item leaves no selection";
}

TEST(ListView, AVeryLongTextIsHeldWholeButShownCut)
{
    const QString longText(10'000'000, QLatin1Char('N'));
    ListView list({"Name", "Numbers"});
    list.addItems({{longText, "1", false, 0}, {"Bob", longText, false, 0}});
    EXPECT_EQ(list.text(1), longText);
    EXPECT_EQ(list.subItem(2), longText);
    // What the view lays out stays short, so its memory does not follow the text.
    const QAbstractItemModel *model = list.model();
    for (const QModelIndex &index : {model->index(0, 0), model->index(1, 1)}) {
        ASSERT_TRUE(index.isValid());
        const QString shown = index.data(Qt::DisplayRole).toString();
        EXPECT_LE(shown.size(), 1000);
        EXPECT_TRUE(longText.startsWith(shown));
    }
    EXPECT_EQ(model->index(1, 0).data(Qt::DisplayRole).toString(), "Bob");
    EXPECT_EQ(model->index(0, 1).data(Qt::DisplayRole).toString(), "1");
}

TEST(ListView, TypeToSelect)
{
    struct Case
    {
        const char *name;
        QStringList keys; // each entry is one search, typed within the interval
        bool pauseBetween;
        QString selected;
    };
    const QStringList names = {"Anna", "Max", "mike", "Bob", "Mona"};
    const Case cases[] = {
        {"a letter moves to an item beginning with it", {"m"}, false, "Max"},
        {"upper case finds lower case", {"M"}, false, "Max"},
        {"letters add up to a prefix", {"m", "i"}, false, "mike"},
        {"a repeated letter cycles", {"m", "m", "m"}, false, "Mona"},
        {"cycling wraps round", {"m", "m", "m", "m"}, false, "Max"},
        {"no match leaves the selection", {"q"}, false, "Anna"},
        {"after a pause a letter starts anew", {"m", "b"}, true, "Bob"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto list = listOf(names);
        for (const QString &key : c.keys) {
            if (c.pauseBetween)
                list->resetTypeToSelect();
            list->keyboardSearch(key);
        }
        EXPECT_EQ(list->text(list->selectedItem()), c.selected);
    }
}
