// The floors for the start-up and memory figures: a window with the main
// window's controls, layout and fonts that reads no file of its own. Given a
// directory file, it first does the least any program showing that file must
// do: read the whole file and decode it into one block of text, kept until
// the window closes. The list stays empty.
//
//   floor_window                 the window alone
//   floor_window FILE            the text floor: QFile::readAll, QString::fromUtf8
//   floor_window --eager FILE    the eager floor: the fastest way, into the pages
//                                the program reads into (huge pages where the
//                                system offers them): one read() of the whole
//                                file, decoded as the program decodes
#include "core/directory/directorymodel.h"
#include "core/files/blockmemory.h"
#include "core/files/textcodec.h"
#include "platform/controls/listview.h"
#include "platform/controls/staticedge.h"
#include "platform/controls/tabstrip.h"
#include "platform/runtime/messagebox.h"
#include "platform/runtime/twips.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::tw;
using platform::twipRect;

class FloorWindow final : public QWidget
{
public:
    FloorWindow()
        : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    {
        setWindowTitle(QStringLiteral("%1 0.2.1").arg(QLatin1String(platform::kApplicationTitle)));
        setFixedSize(tw(4350), tw(5655));
        auto *label = new QLabel(QStringLiteral("&Find:"), this);
        label->setGeometry(twipRect(60, 90, 345, 210));
        auto *find = new QLineEdit(this);
        find->setGeometry(twipRect(450, 30, 3645, 315));
        auto *tabs = new platform::TabStrip(this);
        tabs->setGeometry(twipRect(30, 390, 4305, 4755));
        for (char16_t letter = u'A'; letter <= u'Z'; ++letter)
            tabs->addTab(QString(QChar(letter)));
        auto *entries = new platform::ListView(QStringLiteral("Name"), this);
        entries->showModel(new core::DirectoryModel(this));
        entries->setGeometry(twipRect(30, 990, 4305, 3105));
        entries->setColumnWidth(0, entries->width() - tw(330));
        auto *numbers = new platform::ListView(QStringLiteral("Item"), this);
        numbers->setGeometry(twipRect(30, 4110, 4305, 1095));
        numbers->header()->hide();
        numbers->setColumnWidth(0, numbers->width() - tw(330));
        QList<QWidget *> edged = {find, entries, numbers};
        const struct
        {
            const char *text;
            int left;
            int width;
        } buttons[] = {{"&Add", 45, 735},
                       {"&Edit", 825, 735},
                       {"&Delete", 1605, 735},
                       {"&Colors", 2400, 735},
                       {"E&xit", 3405, 885}};
        for (const auto &b : buttons) {
            auto *button = new QPushButton(QString::fromLatin1(b.text), this);
            button->setGeometry(twipRect(b.left, 5280, b.width, 345));
            edged.append(button);
        }
        auto *menu = new QMenu(QStringLiteral("Popup"), this);
        menu->addAction(QStringLiteral("&Edit"));
        menu->addAction(QStringLiteral("&Delete"));
        menu->addSeparator();
        QAction *search = menu->addAction(QStringLiteral("&Search..."));
        search->setShortcut(QKeySequence::Find);
        QAction *undo = menu->addAction(QStringLiteral("&Undo"));
        undo->setShortcut(QKeySequence::Undo);
        QAction *redo = menu->addAction(QStringLiteral("&Redo"));
        redo->setShortcuts(
            {QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
        addActions({search, undo, redo});
        for (QWidget *control : edged)
            officeBorders::ApplyStaticEdge(control);
    }
};

// Reads and decodes the file into blocks kept until exit; false on failure.
bool readEagerly(const char *path)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat st
    {
    };
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return false;
    const auto size = static_cast<std::size_t>(st.st_size);
    auto *bytes = static_cast<char *>(core::allocateBlock(size + 1));
    std::size_t got = 0;
    while (bytes && got < size) {
        const ssize_t n = ::read(fd, bytes + got, size - got);
        if (n <= 0)
            break;
        got += std::size_t(n);
    }
    ::close(fd);
    if (!bytes || got != size)
        return false;
    auto *text = static_cast<QChar *>(core::allocateBlock(std::max<std::size_t>(size, 1) * 2));
    if (!text)
        return false;
    core::decodeTextInto(text, QByteArrayView(bytes, qsizetype(size)));
    core::keepUntilExit(text);
    std::free(bytes);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QString text;
    bool read = true;
    if (argc > 2 && qstrcmp(argv[1], "--eager") == 0) {
        read = readEagerly(argv[2]);
    } else if (argc > 1) {
        QFile file(QFile::decodeName(argv[1]));
        read = file.open(QIODevice::ReadOnly);
        text = QString::fromUtf8(file.readAll());
    }
    if (!read)
        return 1;
    FloorWindow window;
    window.show();
    return QApplication::exec();
}
