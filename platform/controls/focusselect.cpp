#include "platform/controls/focusselect.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>

namespace platform {

namespace {

class KeyboardFocusSelect final : public QObject
{
public:
    explicit KeyboardFocusSelect(QLineEdit *box) : QObject(box), box_(box) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == box_ && event->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                reason == Qt::ShortcutFocusReason)
                box_->selectAll();
        }
        return false;
    }

private:
    QLineEdit *box_;
};

} // namespace

void selectAllOnKeyboardFocus(QLineEdit *box)
{
    box->installEventFilter(new KeyboardFocusSelect(box));
}

} // namespace platform
