#pragma once

#include <QList>
#include <QString>
#include <QWidget>

namespace platform {

// A strip of captioned tabs above a page. All tabs stay visible: when there
// are more than fit in one row they wrap into further rows of the band. Tabs
// are numbered from 1. The selected tab is drawn joined to the page; a tab
// whose highlighted flag is set is drawn in the selection colours.
//
// The strip is one stop of the window's tab chain. Left and Right (Home and
// End) select a neighbouring (the first or last) tab without clicking it;
// Space and Enter click the selected tab, as the mouse does. Assistive tools
// see a page-tab list whose page tabs are named by their captions, the
// highlighted ones selected, each with a press action.
class TabStrip : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TabStrip)

public:
    explicit TabStrip(QWidget *parent = nullptr);

    int addTab(const QString &caption);
    int count() const { return static_cast<int>(tabs_.size()); }
    QString caption(int index) const;

    int selectedTab() const { return selected_; }
    void setSelectedTab(int index);
    // Selects the tab and reports a click, as a click with the mouse does.
    void clickTab(int index);

    bool highlighted(int index) const;
    void setHighlighted(int index, bool on);

    // Height of the band that holds the tabs, above the page.
    int bandHeight() const;
    int rowHeight() const;
    QRect tabRect(int index) const;

signals:
    // A tab was clicked; it is already the selected tab.
    void click();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Tab
    {
        QString caption;
        bool highlighted = false;
    };
    int rows() const;
    int tabsPerRow() const;
    bool valid(int index) const { return index >= 1 && index <= count(); }

    QList<Tab> tabs_;
    int selected_ = 0;
};

} // namespace platform
