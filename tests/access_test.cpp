// Keyboard-only use and what assistive tools read, for the three windows.

#include "coloreditor/frmColorEditor.h"
#include "entryeditor/frmAddEdit.h"
#include "mainwindow/frmMain.h"
#include "platform/controls/listview.h"
#include "platform/controls/picturebox.h"
#include "platform/controls/tabstrip.h"
#include "platform/system/urlopener.h"
#include "quorvel_version.h"
#include "support/fixtures.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFileInfo>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace {

using namespace testsupport;

QAccessibleInterface *node(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

QString nameOf(QObject *object)
{
    return object ? node(object)->text(QAccessible::Name) : QString();
}

void activate(QWidget &window)
{
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
}

// A main window over Ann, Bob (bold) and Cy, Bob shown; a colour for "fax:".
struct Windows
{
    Windows() : main(folder.path())
    {
        folder.writeDirectory("Ann|1\r\n<b>Bob|<b>phone: 2\tfax: 3\tcell: 5\r\nCy|4\r\n");
        folder.writeKeywords(keywordFileBytes({"fax:\t201,83,7"}));
        EXPECT_TRUE(main.Form_Load());
        main.lvwQuorvel->setSelectedItem(2);
        main.lvwQuorvel_ItemClick(2);
        activate(main);
    }
    AppFolder folder;
    frmMain main;
};

} // namespace

// Tab visits every enabled, named control in order; each button and label has its own Alt key.
TEST(KeyboardAccess, TabOrderNamesAndMnemonics)
{
    Windows w;
    frmAddEdit entry(w.main.directory().entry(1));
    entry.lstNumbers->setCurrentRow(1); // Up and Down then work on it
    frmColorEditor colors(w.folder.path());
    colors.txtCaption->setText("fax"); // an edit to save or cancel
    const std::tuple<QWidget *, QWidget *, QString> windows[] = {
        {&w.main, w.main.txtFind, "Find:|Letters|Entries|Number lines|Add|Edit|Delete|Colors|Exit"},
        {&entry, entry.txtName,
         "Name:|Bold|Number lines|Up|Down|Remove|Number line|Add|Cancel|Done"},
        {&colors, colors.lstColors,
         "Keywords|Add|Delete|Caption:|Color: 201, 83, 7|Cancel|Save|Save Colors|Cancel"},
    };
    for (const auto &[window, first, order] : windows) {
        SCOPED_TRACE(nameOf(window).toStdString());
        activate(*window);
        first->setFocus();
        QStringList names;
        do {
            names.append(nameOf(QApplication::focusWidget()));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        } while (QApplication::focusWidget() != first && names.size() < 20);
        EXPECT_EQ(names.join('|'), order);

        QSet<QKeySequence> keys;
        for (QWidget *control : window->findChildren<QWidget *>()) {
            const auto *label = qobject_cast<QLabel *>(control);
            const auto *button = qobject_cast<QAbstractButton *>(control);
            const QString text = label ? label->text() : button ? button->text() : QString();
            if (text.isEmpty() || control->window() != window)
                continue;
            const QKeySequence key = QKeySequence::mnemonic(text);
            EXPECT_TRUE(!key.isEmpty() && !keys.contains(key) && (!label || label->buddy()))
                << text.toStdString();
            keys.insert(key);
        }
        // The menu bar's titles have Alt keys of their own too; each menu's
        // items have keys distinct within the menu.
        for (const QMenuBar *bar : window->findChildren<QMenuBar *>()) {
            for (const QAction *title : bar->actions()) {
                const QKeySequence key = QKeySequence::mnemonic(title->text());
                EXPECT_TRUE(!key.isEmpty() && !keys.contains(key)) << title->text().toStdString();
                keys.insert(key);
                QSet<QKeySequence> inMenu;
                for (const QAction *item : title->menu()->actions()) {
                    const QKeySequence itemKey = QKeySequence::mnemonic(item->text());
                    EXPECT_TRUE(item->isSeparator() ||
                                (!itemKey.isEmpty() && !inMenu.contains(itemKey)))
                        << item->text().toStdString();
                    inMenu.insert(itemKey);
                }
            }
        }
    }
}

// Keys with Bob shown: what opened, the selection, the first line shown, the focus.
TEST(KeyboardAccess, MainWindowKeys)
{
    const std::tuple<const char *, QKeySequence, const char *> cases[] = {
        {"Entries", Qt::Key_F2, "edit, 2 phone: 2, Entries"},
        {"Entries", Qt::Key_Delete, "ask, 2 phone: 2, Entries"},
        {"Find:", Qt::CTRL | Qt::Key_N, "add, 2 phone: 2, Entries"},
        {"Find:", Qt::Key_Delete, "2 phone: 2, Find:"},
        {"Entries", Qt::ALT | Qt::Key_N, "2 phone: 2, Find:"},
        {"Entries", Qt::ALT | Qt::Key_F, "File, 2 phone: 2, Entries"},
        {"Find:", Qt::ALT | Qt::Key_I, "Edit, 2 phone: 2, Find:"},
        {"Entries", Qt::Key_Home, "1 1, Entries"},
        {"Entries", Qt::Key_End, "3 4, Entries"},
        {"Entries", Qt::SHIFT | Qt::Key_F10, "menu, 2 phone: 2, Entries"},
        {"Entries", Qt::Key_Menu, "menu, 2 phone: 2, Entries"},
        {"Entries", Qt::CTRL | Qt::Key_Q, "closed, 2 phone: 2, Entries"},
        {"Letters", Qt::Key_Right, "2 phone: 2, Letters"},
        {"Letters", QKeySequence(Qt::Key_Right, Qt::Key_Right, Qt::Key_Space), "3 4, Entries"},
    };
    for (const auto &[focus, keys, expected] : cases) {
        SCOPED_TRACE(focus + (" " + keys.toString()).toStdString());
        Windows w;
        QStringList seen;
        MessageRecorder messages({platform::vbNo}, [&] { seen.append("ask"); });
        QTimer::singleShot(0, &w.main, [&] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                seen.append(w.main.eMode == 1 ? "edit" : "add");
                modal->close();
            }
        });
        for (QWidget *control : w.main.findChildren<QWidget *>())
            if (nameOf(control) == focus)
                control->setFocus();
        QTest::keySequence(QApplication::focusWidget(), keys);
        QCoreApplication::processEvents();
        if (w.main.mnuPopup->isVisible()) {
            const QPoint at = w.main.lvwQuorvel->viewport()->mapFromGlobal(w.main.mnuPopup->pos());
            EXPECT_TRUE(w.main.lvwQuorvel->itemRect(2).contains(at)); // at the selected row
            seen.append("menu");
            w.main.mnuPopup->close();
        }
        for (const QAction *title : w.main.menuBar->actions()) {
            if (title->menu()->isVisible()) {
                seen.append(title->text().remove('&'));
                // Escape closes the menu, and again leaves the menu bar.
                QTest::keyClick(title->menu(), Qt::Key_Escape);
                QTest::keyClick(w.main.menuBar, Qt::Key_Escape);
            }
        }
        if (!w.main.isVisible())
            seen.append("closed");
        seen.append(QString("%1 %2")
                        .arg(w.main.lvwQuorvel->selectedItem())
                        .arg(w.main.lstNumbers->text(1)));
        seen.append(nameOf(w.main.focusWidget()));
        EXPECT_EQ(seen.join(", "), expected);
    }
}

// The tree as assistive tools read it: roles, names, states and actions.
TEST(Accessibility, WindowTabsAndSwatch)
{
    Windows w;
    EXPECT_EQ(node(&w.main)->role(), QAccessible::Window);
    EXPECT_EQ(nameOf(&w.main), w.main.windowTitle());
    // The stored text (TABs, bold markers) is nowhere in the tree.
    const std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *at) {
        for (const auto text : {QAccessible::Name, QAccessible::Value, QAccessible::Description})
            EXPECT_TRUE(!at->text(text).contains('\t') && !at->text(text).contains("<b>"));
        for (int i = 0; i < at->childCount(); ++i)
            walk(at->child(i));
    };
    walk(node(&w.main));

    QAccessibleInterface *tabs = node(w.main.TS);
    EXPECT_EQ(tabs->role(), QAccessible::PageTabList);
    tabs->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(w.main.lvwQuorvel->selectedItem(), 3);
    QString letters; // the selected one, C (highlighted), in lower case
    for (int i = 0; i < tabs->childCount(); ++i) {
        const QString name = tabs->child(i)->text(QAccessible::Name);
        EXPECT_EQ(tabs->child(i)->role(), QAccessible::PageTab);
        letters += tabs->child(i)->state().selected ? name.toLower() : name;
    }
    EXPECT_EQ(letters, "ABcDEFGHIJKLMNOPQRSTUVWXYZ");

    // The swatch's press action, Space, Enter and F4 open the colour dialog.
    frmColorEditor colors(w.folder.path());
    ColorDialogRecorder dialog({core::RGBValue(1, 2, 3)});
    EXPECT_EQ(node(colors.picColor)->role(), QAccessible::Button);
    node(colors.picColor)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(nameOf(colors.picColor), "Color: 1, 2, 3");
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_F4})
        QTest::keyClick(colors.picColor, key);
    EXPECT_EQ(dialog.offered.size(), 4);
    // Each Cancel says what it cancels; the preview is read-only and no stop.
    const QString edit = node(colors.cmdCancel)->text(QAccessible::Description);
    EXPECT_FALSE(edit.isEmpty());
    EXPECT_NE(edit, node(colors.cmdCancelColors)->text(QAccessible::Description));
    EXPECT_EQ(nameOf(colors.txtView), "Preview");
    EXPECT_TRUE(node(colors.txtView)->state().readOnly && !node(colors.txtView)->state().focusable);
}

// The menu bar as assistive tools read it: every command, by name, enabled
// exactly when it can act; each item runs its command.
TEST(Accessibility, MenuBarOffersEveryCommand)
{
    Windows w;
    const auto menus = [&] {
        QStringList shown;
        QAccessibleInterface *bar = node(w.main.menuBar);
        for (int i = 0; i < bar->childCount(); ++i) {
            QAccessibleInterface *menu = bar->child(i)->child(0);
            QStringList items;
            for (int j = 0; j < menu->childCount(); ++j) {
                QAccessibleInterface *item = menu->child(j);
                if (item->role() != QAccessible::Separator)
                    items.append(item->text(QAccessible::Name) +
                                 (item->state().disabled ? "-" : ""));
            }
            shown.append(bar->child(i)->text(QAccessible::Name) + ": " + items.join(' '));
        }
        return shown.join(" | ");
    };
    EXPECT_EQ(
        menus(),
        "File: Import... Export... Exit | Edit: Undo- Redo- Add Edit Delete "
        "Search... Sort by name | Tools: Colors... Sync now Sync... | Help: User guide About");

    // Sort by name: one change, saved at once, the selected entry still selected.
    w.main.directory().append(core::DirectoryEntry{"anna", "9", false});
    w.main.mnuSort->trigger();
    w.main.waitForSaved();
    EXPECT_EQ(w.folder.directoryBytes(), "Ann|1\r\nanna|9\r\n<b>Bob|<b>phone: 2\tfax: 3\tcell: "
                                         "5\r\nCy|4\r\n");
    EXPECT_EQ(w.main.lvwQuorvel->selectedItem(), 3);
    w.main.mnuUndo->trigger();
    EXPECT_EQ(itemTexts(w.main.lvwQuorvel), QStringList({"Ann", "Bob", "Cy", "anna"}));

    // With no entry selected Edit and Delete are not offered.
    w.main.lvwQuorvel->selectionModel()->clearSelection();
    EXPECT_EQ(
        menus(),
        "File: Import... Export... Exit | Edit: Undo Redo Add Edit- Delete- "
        "Search... Sort by name | Tools: Colors... Sync now Sync... | Help: User guide About");

    // The user guide opens with the desktop, or the user is told it is missing.
    QList<QUrl> opened;
    platform::setUrlOpener([&](const QUrl &url) {
        opened.append(url);
        return true;
    });
    MessageRecorder messages;
    w.main.mnuGuide->trigger();
    platform::setUrlOpener({});
    const QString guide = QString::fromUtf8(quorvel::kInstalledUserGuide);
    if (QFileInfo::exists(guide))
        EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(guide)});
    else
        EXPECT_TRUE(opened.isEmpty() && messages.prompts().value(0).contains(guide));
}

// Each window's controls lie inside it and apart (a frame may hold others)
// and show their whole text: at the default size, at twice that, and with
// the desktop's font at 14 pt, to which the layout scales.
TEST(Layout, ControlsStayInsideAndApart)
{
    const QFont desktop = QApplication::font();
    for (const double points : {8.25, 14.0}) {
        QFont font = desktop;
        font.setPointSizeF(points);
        QApplication::setFont(font);
        QSettings("quorvel", "quorvel").clear(); // the sizes the last pass left
        Windows w;
        frmAddEdit entry(std::nullopt);
        frmColorEditor colors(w.folder.path());
        w.main.mnuSearch->trigger();
        QWidget *const windows[] = {&w.main, &entry, &colors, w.main.findChild<QDialog *>()};
        for (QWidget *window : windows) {
            window->show();
            const QSize standard = window->size();
            // The search window lays itself out; the others follow the design.
            if (window != windows[3])
                EXPECT_EQ(window->minimumSize(), standard) << nameOf(window).toStdString();
            for (const int grow : {1, 2}) {
                window->resize(standard * grow);
                QCoreApplication::processEvents();
                std::function<void(QWidget *)> check = [&](QWidget *parent) {
                    QList<QWidget *> shown;
                    for (QWidget *c : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                        if (!c->isWindow() && c->isVisibleTo(parent))
                            shown.append(c);
                    for (QWidget *control : shown) {
                        if (qobject_cast<platform::TabStrip *>(control))
                            continue;
                        const std::string name =
                            (nameOf(window) + QString(" %1pt x%2: ").arg(points).arg(grow) +
                             nameOf(control) + control->metaObject()->className())
                                .toStdString();
                        const QRect place = control->geometry();
                        EXPECT_TRUE(parent->rect().contains(place)) << name;
                        for (QWidget *other : shown) {
                            const QRect there = other->geometry();
                            // The letter tabs are drawn behind the lists.
                            const auto *tabs = qobject_cast<platform::TabStrip *>(other);
                            EXPECT_TRUE(other == control || tabs || !place.intersects(there) ||
                                        place.contains(there) || there.contains(place))
                                << name << " and " << nameOf(other).toStdString();
                        }
                        const auto *button = qobject_cast<QAbstractButton *>(control);
                        const auto *label = qobject_cast<QLabel *>(control);
                        if (button || label) {
                            const QString text =
                                (button ? button->text() : label->text()).remove('&');
                            EXPECT_LE(control->fontMetrics().horizontalAdvance(text), place.width())
                                << name;
                        }
                        if (qobject_cast<QGroupBox *>(control))
                            check(control);
                    }
                };
                check(window);
            }
            window->hide();
        }
    }
    QApplication::setFont(desktop);
    // An open window follows a change of its font (the desktop's, once the
    // event loop runs).
    frmAddEdit open(std::nullopt);
    const QSize before = open.minimumSize();
    QFont larger = desktop;
    larger.setPointSizeF(QFontInfo(desktop).pointSizeF() * 2);
    open.setFont(larger);
    EXPECT_GT(open.minimumSize().width(), before.width() * 3 / 2);
    // A window opens at the size it had when it was last closed.
    frmAddEdit first(std::nullopt);
    first.show();
    first.resize(first.size() * 3 / 2);
    first.hide();
    EXPECT_EQ(frmAddEdit(std::nullopt).size(), first.size());
}
