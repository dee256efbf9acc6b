#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

class QListWidget;
class QPushButton;

namespace platform {

// A report line as one list item: each line break (CR, LF or CR LF) and TAB
// becomes a visible mark, and the item ends with an ellipsis once it holds
// kReportItemLength characters, so one huge value cannot swamp the list.
inline constexpr int kReportItemLength = 300;
QString reportItemText(QStringView line);

struct ReportRequest
{
    QString title;
    QStringList lines;
};

using ReportHandler = std::function<void(const ReportRequest &)>;

// Replaces what shows reports (tests record them here) and returns the
// handler that was in place. An empty handler restores the real dialog.
ReportHandler setReportHandler(ReportHandler handler);

// A report of many lines (what an import found): a scrollable list, one item
// per line, and an OK button. Its size does not depend on what it shows, so
// it always fits on the screen.
class ReportList final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReportList)

public:
    ReportList(const QString &title, const QStringList &lines, QWidget *parent = nullptr);

    QListWidget *lstLines;
    QPushButton *cmdOK;
};

// Shows a report modally over parent (or hands it to the handler set).
void showReport(const QString &title, const QStringList &lines, QWidget *parent = nullptr);

} // namespace platform
