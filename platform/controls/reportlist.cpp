#include "platform/controls/reportlist.h"

#include "platform/runtime/messagebox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace platform {

namespace {

ReportHandler &handler()
{
    static ReportHandler current;
    return current;
}

} // namespace

QString reportItemText(QStringView line)
{
    QString text;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (text.size() >= kReportItemLength) {
            text.append(QChar(0x2026)); // the ellipsis
            break;
        }
        const QChar c = line[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < line.size() && line[i + 1] == u'\n')
                ++i;
            text.append(QStringLiteral(" \u21B5 "));
        } else {
            text.append(c == u'\t' ? QStringLiteral(" \u2192 ") : QString(c));
        }
    }
    return text;
}

ReportHandler setReportHandler(ReportHandler newHandler)
{
    ReportHandler previous = std::move(handler());
    handler() = std::move(newHandler);
    return previous;
}

ReportList::ReportList(const QString &title, const QStringList &lines, QWidget *parent)
    : QDialog(parent ? parent : QApplication::activeWindow())
{
    setWindowTitle(title.isEmpty() ? QString::fromLatin1(kApplicationTitle) : title);
    lstLines = new QListWidget(this);
    // One text line per item: the list lays out any number of them at once.
    lstLines->setUniformItemSizes(true);
    lstLines->setWordWrap(false);
    lstLines->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const QString &line : lines)
        lstLines->addItem(reportItemText(line));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    cmdOK = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lstLines);
    layout->addWidget(buttons);

    const QSize wanted = QSize(fontMetrics().averageCharWidth() * 80, fontMetrics().height() * 20);
    const QScreen *screen =
        parentWidget() ? parentWidget()->screen() : QApplication::primaryScreen();
    resize(screen ? wanted.boundedTo(screen->availableGeometry().size() * 9 / 10) : wanted);
    lstLines->setFocus();
}

void showReport(const QString &title, const QStringList &lines, QWidget *parent)
{
    if (handler()) {
        handler()({title, lines});
        return;
    }
    ReportList report(title, lines, parent);
    report.exec();
}

} // namespace platform
