#include "platform/controls/reportlist.h"
#include "support/fixtures.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

// Each report line is one item: line breaks and TABs shown as marks, a long one cut.
TEST(PlatformReport, EachLineIsOneShortItem)
{
    const QString longLine(1000, 'x');
    const std::pair<QString, QString> rows[] = {
        {"a.vcf: 1 added", "a.vcf: 1 added"},
        {"a\r\nb\rc\nd\te", "a \u21B5 b \u21B5 c \u21B5 d \u2192 e"},
        {longLine, QString(platform::kReportItemLength, 'x') + QChar(0x2026)},
        {QString(platform::kReportItemLength, 'x'), QString(platform::kReportItemLength, 'x')}};
    for (const auto &[line, item] : rows)
        EXPECT_EQ(platform::reportItemText(line), item) << line.left(20).toStdString();
}

// A report of a huge multi-line value and many lines opens at once as a scrollable
// list that fits on the screen, its OK button in view; OK closes it.
TEST(PlatformReport, HugeReportFitsOnTheScreen)
{
    QStringList lines(500, "cards.vcf, card 3: a reason");
    lines[1] = QString("note line\n").repeated(200000); // 2 MB
    QWidget owner;
    owner.show();
    bool checked = false;
    QTimer::singleShot(0, &owner, [&] {
        auto *report = qobject_cast<platform::ReportList *>(QApplication::activeModalWidget());
        ASSERT_TRUE(report);
        EXPECT_EQ(report->windowTitle(), "Import");
        EXPECT_EQ(report->lstLines->count(), 500);
        EXPECT_LE(report->lstLines->item(1)->text().size(), platform::kReportItemLength + 3);
        EXPECT_GT(report->lstLines->verticalScrollBar()->maximum(), 0);
        const QRect screen = report->screen()->availableGeometry();
        EXPECT_TRUE(screen.contains(report->frameGeometry())) << report->frameGeometry().height();
        EXPECT_TRUE(report->rect().contains(report->cmdOK->geometry()));
        checked = true;
        QTest::mouseClick(report->cmdOK, Qt::LeftButton);
    });
    platform::showReport("Import", lines, &owner);
    EXPECT_TRUE(checked);
}

} // namespace
