#include "platform/controls/accessibility.h"

#include "platform/controls/picturebox.h"
#include "platform/controls/tabstrip.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QList>
#include <QPointer>

namespace platform {

namespace {

// One tab of a TabStrip, numbered from 1 as the strip numbers them.
class PageTab final : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    PageTab(TabStrip *strip, int index) : strip_(strip), index_(index) {}

    bool isValid() const override { return strip_ && index_ <= strip_->count(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return strip_ ? strip_->window()->windowHandle() : nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(strip_);
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && isValid() ? strip_->caption(index_) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid() || !strip_->isVisible())
            return {};
        const QRect tab = strip_->tabRect(index_);
        return {strip_->mapToGlobal(tab.topLeft()), tab.size()};
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        s.selectable = true;
        s.selected = strip_->highlighted(index_);
        s.focusable = true;
        s.focused = strip_->hasFocus() && strip_->selectedTab() == index_;
        s.invisible = !strip_->isVisible();
        s.disabled = !strip_->isEnabled();
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface
                   ? static_cast<QAccessibleActionInterface *>(this)
                   : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction() && isValid() && strip_->isEnabled())
            strip_->clickTab(index_);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QPointer<TabStrip> strip_;
    int index_;
};

// The strip as a page-tab list; its tabs are made when first asked for and
// live as long as the strip's own interface.
class PageTabList final : public QAccessibleWidget
{
public:
    explicit PageTabList(TabStrip *strip) : QAccessibleWidget(strip, QAccessible::PageTabList) {}
    ~PageTabList() override
    {
        for (const QAccessible::Id id : std::as_const(tabs_))
            QAccessible::deleteAccessibleInterface(id);
    }
    Q_DISABLE_COPY_MOVE(PageTabList)

    int childCount() const override { return strip()->count(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        while (tabs_.size() <= index) {
            auto *tab = new PageTab(strip(), static_cast<int>(tabs_.size()) + 1);
            tabs_.append(QAccessible::registerAccessibleInterface(tab));
        }
        return QAccessible::accessibleInterface(tabs_.at(index));
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int i = 0; i < tabs_.size(); ++i)
            if (QAccessible::accessibleInterface(tabs_.at(i)) == child)
                return i;
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (int i = 0; i < childCount(); ++i)
            if (QAccessibleInterface *tab = child(i); tab->rect().contains(x, y))
                return tab;
        return nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        return strip()->hasFocus() ? child(strip()->selectedTab() - 1) : nullptr;
    }

private:
    TabStrip *strip() const { return static_cast<TabStrip *>(widget()); }
    mutable QList<QAccessible::Id> tabs_;
};

// The colour box as a button that says its colour and can be pressed.
class ColorButton final : public QAccessibleWidget
{
public:
    explicit ColorButton(PictureBox *box) : QAccessibleWidget(box, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        const core::ColorValue color = box()->backColor();
        return PictureBox::tr("Color: %1, %2, %3")
            .arg(core::redOf(color))
            .arg(core::greenOf(color))
            .arg(core::blueOf(color));
    }
    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled())
            names.prepend(pressAction());
        return names;
    }
    void doAction(const QString &name) override
    {
        // Pressed once the request has returned, as Qt presses its own buttons:
        // the colour dialog it opens must not keep the assistive tool waiting.
        if (name == pressAction() && widget()->isEnabled())
            QMetaObject::invokeMethod(box(), &PictureBox::press, Qt::QueuedConnection);
        else
            QAccessibleWidget::doAction(name);
    }

private:
    PictureBox *box() const { return static_cast<PictureBox *>(widget()); }
};

QAccessibleInterface *makeInterface(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String(TabStrip::staticMetaObject.className()))
        return new PageTabList(static_cast<TabStrip *>(widget));
    if (className == QLatin1String(PictureBox::staticMetaObject.className()))
        return new ColorButton(static_cast<PictureBox *>(widget));
    // A top-level window whose class derives from QWidget itself (not from a
    // dialog or main window, which Qt already announces). Menus, which are
    // windows too, keep Qt's own description.
    const QMetaObject *meta = object->metaObject();
    if (widget->isWindow() && widget->windowType() != Qt::Popup &&
        className == QLatin1String(meta->className()) &&
        meta->superClass() == &QWidget::staticMetaObject)
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(makeInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace platform
