// Linked into the interaction benchmark's build of the program: once the main
// window has been painted and the program is idle, it plays the actions that
// BENCH_SCRIPT lists, each as the input a person gives (keys through the
// window system's entry point, so that shortcuts and focus work as for real
// keys; contact files dropped on the window), and writes to BENCH_RESULTS how
// long each took from its input event until the event loop was idle with the
// change visible, and when the save it made ended. Message boxes are answered
// at once: Yes to a question (the Delete confirmation), OK to a report (what
// an import found).
//
// BENCH_SCRIPT: tokens "action:count" separated by blanks, played in order:
//   find:N       the first find-box keystroke the first names do not answer
//                (it sorts the name index), then N keystrokes more
//   ctrlf:1      the first Ctrl+F (the search window builds its index)
//   search:N     N search keystrokes (the window opened by ctrlf)
//   delete:N     N times: Delete confirmed, Undo, Redo (and an Undo back)
//   letter:N     N letter tabs (Space on a tab)
//   listkey:N    N keys in the entry list (Down, Page Down, End, Up, Home)
//   open:N       with the search window open: N times Delete, Undo
//   import:N     with the search window open: N imports of BENCH_IMPORT_FILE
//                dropped on the window (each taken back by Undo)
// At the end the window is closed with Ctrl+Q, the moment written first.
// With BENCH_DEBUG set, each step is named on standard error as it begins.
//
// Results, one line each: "<figure>\t<ms to idle>\t<ms to save end or -1>\t<1 ok | 0 timed out>",
// and "close\t<monotonic ns>" and "message\t<text>" for a box not expected.
#include "idlewatch.h"
#include "mainwindow/frmMain.h"
#include "platform/controls/listview.h"
#include "platform/controls/reportlist.h"
#include "platform/controls/tabstrip.h"
#include "platform/runtime/messagebox.h"
#include "search/frmSearch.h"

#include "core/directory/directorymodel.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <cstdio>
#include <deque>
#include <memory>
#include <random>

// The window system's entry points for input that Qt's own test helpers use:
// a key goes through shortcuts and focus as one from the keyboard does.
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow *w, QEvent::Type t, int k, Qt::KeyboardModifiers mods,
                                    const QString &text = QString(), bool autorep = false,
                                    ushort count = 1);

namespace {

constexpr int kTimeoutMs = 120'000;

// A name compared as the find box compares: without case or accents.
QString folded(const QString &text)
{
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_D)) {
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    }
    return out.toCaseFolded();
}

struct Step
{
    QString figure; // empty: played, not counted
    std::function<void()> prepare;
    std::function<void()> act;
    std::function<bool()> visible;
    bool saves = false;
};

class Driver final : public QObject
{
public:
    Driver(frmMain *window, QObject *parent) : QObject(parent), main_(window)
    {
        out_.setFileName(qEnvironmentVariable("BENCH_RESULTS"));
        if (!out_.open(QIODevice::WriteOnly | QIODevice::Append))
            qFatal("BENCH_RESULTS cannot be written");
        watch_ = new IdleWatch(this);
        watch_->watchFolder(main_->dataFolder());
        platform::setMessageHandler([this](const platform::MessageRequest &request) {
            const int buttons = request.style & 7;
            if (buttons == platform::vbYesNo)
                return int(platform::vbYes);
            if (buttons != platform::vbOKOnly || request.style & platform::vbCritical)
                write(QStringLiteral("message\t") + QString(request.prompt).replace('\n', ' '));
            return buttons == platform::vbOKOnly ? int(platform::vbOK) : int(platform::vbCancel);
        });
        // What an import found: read, and closed with OK.
        platform::setReportHandler([](const platform::ReportRequest &) {});
        for (const QString &token :
             qEnvironmentVariable("BENCH_SCRIPT").split(' ', Qt::SkipEmptyParts))
            plan(token.section(':', 0, 0), token.section(':', 1).toInt());
        planClose();
    }

    void start()
    {
        // Whatever the start-up left queued is done first.
        settleThen([this] { next(); });
    }

private:
    core::DirectoryModel &directory() { return main_->directory(); }
    int count() { return directory().count(); }

    frmSearch *searchWindow() const
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *search = qobject_cast<frmSearch *>(w))
                return search;
        }
        return nullptr;
    }

    void key(QWidget *in, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             const QString &text = {})
    {
        QWindow *window = in->window()->windowHandle();
        qt_handleKeyEvent(window, QEvent::KeyPress, code, modifiers, text);
        qt_handleKeyEvent(window, QEvent::KeyRelease, code, modifiers, text);
    }
    void typeChar(QWidget *in, QChar c)
    {
        // Qt's key codes of Latin-1 characters are their upper-case codes.
        const QChar upper = c.toUpper();
        const int code = upper.unicode() < 256 ? int(upper.unicode()) : int(Qt::Key_unknown);
        key(in, code, c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier, QString(c));
    }

    void activate(QWidget *window, QWidget *focus)
    {
        window->activateWindow();
        focus->setFocus(Qt::OtherFocusReason);
    }

    void add(Step step) { steps_.push_back(std::move(step)); }

    // Changes of the row count: the shared `before` is taken as the input is given.
    void countStep(const QString &figure, std::function<void()> prepare,
                   std::function<void()> input, int change)
    {
        auto before = std::make_shared<int>(0);
        add({figure, std::move(prepare),
             [this, before, input] {
                 *before = count();
                 input();
             },
             [this, before, change] { return count() == *before + change; }, true});
    }

    void prepareEntryList(int row)
    {
        activate(main_, main_->lvwQuorvel);
        if (row >= 0)
            main_->lvwQuorvel->setSelectedRow(row);
    }

    void plan(const QString &action, int times)
    {
        std::mt19937 random(11);
        const auto pickRow = [&] {
            return std::uniform_int_distribution<int>(0, std::max(count() - 1, 0))(random);
        };
        if (action == QLatin1String("find"))
            planFind(times, pickRow);
        else if (action == QLatin1String("ctrlf"))
            planSearchWindow();
        else if (action == QLatin1String("search"))
            planSearch(times);
        else if (action == QLatin1String("delete") || action == QLatin1String("open"))
            planEdits(action == QLatin1String("open"), times, pickRow);
        else if (action == QLatin1String("letter"))
            planLetters(times);
        else if (action == QLatin1String("listkey"))
            planListKeys(times, pickRow);
        else if (action == QLatin1String("import"))
            planImports(times);
        else
            qFatal("unknown bench action %s", qPrintable(action));
    }

    // Typing `name` up to `length` characters into the find box, from an
    // empty box; the keystrokes from `measuredFrom` on are counted.
    void typeIntoFind(const QString &name, qsizetype length, qsizetype measuredFrom,
                      const QString &figure)
    {
        for (qsizetype i = 0; i < length; ++i) {
            const QString typed = name.left(i + 1);
            add({i >= measuredFrom ? figure : QString(),
                 [this, i] {
                     activate(main_, main_->txtFind);
                     if (i == 0)
                         main_->txtFind->selectAll(); // what is typed replaces it
                 },
                 [this, c = name.at(i)] { typeChar(main_->txtFind, c); },
                 [this, typed] {
                     const int row = main_->lvwQuorvel->selectedRow();
                     return row >= 0 &&
                            folded(directory().entry(row).name).startsWith(folded(typed));
                 }});
        }
    }

    void planFind(int times, const std::function<int()> &pickRow)
    {
        // The shortest beginning of a later name that none of the first 64
        // names has: its last keystroke is the first the index must sort for.
        constexpr int kNearTop = 64;
        const int n = count();
        for (qsizetype length = 1; length <= 3; ++length) {
            for (int row = kNearTop; row < std::min(n, 20000); ++row) {
                const QString prefix = folded(directory().entry(row).name.left(length));
                bool answered = false;
                for (int top = 0; top < std::min(n, kNearTop) && !answered; ++top)
                    answered = folded(directory().entry(top).name).startsWith(prefix);
                if (!answered) {
                    typeIntoFind(directory().entry(row).name, length, length - 1,
                                 QStringLiteral("find: first keystroke (sorts the index)"));
                    length = 4;
                    break;
                }
            }
        }
        for (int i = 0; i < times;) {
            const QString name = directory().entry(pickRow()).name;
            const qsizetype length = std::min<qsizetype>(name.size(), 4);
            typeIntoFind(name, length, 0, QStringLiteral("find keystroke (index ready)"));
            i += int(length);
        }
    }

    void planSearchWindow()
    {
        add({QStringLiteral("first Ctrl+F (builds the search index)"),
             [this] { prepareEntryList(-1); },
             [this] { key(main_, Qt::Key_F, Qt::ControlModifier); },
             [this] {
                 const frmSearch *search = searchWindow();
                 return search && search->isVisible();
             }});
    }

    // A keystroke into the search window: counted once its results changed.
    void searchKey(const QString &figure, const QString &text, qsizetype at)
    {
        add({figure,
             [this, at] {
                 frmSearch *search = searchWindow();
                 activate(search, search->txtSearch);
                 if (at == 0)
                     search->txtSearch->selectAll();
                 watchResults(search->lstResults->model());
                 resultsChanged_ = false;
             },
             [this, c = text.at(at)] { typeChar(searchWindow()->txtSearch, c); },
             [this] { return resultsChanged_; }});
    }

    // Notes any change of the search window's results.
    void watchResults(QAbstractItemModel *model)
    {
        if (model->property("benchWatched").toBool())
            return;
        model->setProperty("benchWatched", true);
        const auto mark = [this] { resultsChanged_ = true; };
        connect(model, &QAbstractItemModel::modelReset, this, mark);
        connect(model, &QAbstractItemModel::layoutChanged, this, mark);
        connect(model, &QAbstractItemModel::rowsInserted, this, mark);
        connect(model, &QAbstractItemModel::rowsRemoved, this, mark);
        connect(model, &QAbstractItemModel::dataChanged, this, mark);
    }

    void planSearch(int times)
    {
        // Words and numbers as people look for them: a surname, a given
        // name, part of a number, a mail domain, a word of a note.
        const QStringList queries = {QStringLiteral("kowalski"), QStringLiteral("anna"),
                                     QStringLiteral("+49 30"),   QStringLiteral("example.fr"),
                                     QStringLiteral("dentist"),  QStringLiteral("garcía"),
                                     QStringLiteral("0171"),     QStringLiteral("jørgen")};
        // First a query played through: an index built off the window's
        // thread is ready before keystrokes are counted.
        searchKey({}, QStringLiteral("e"), 0);
        int done = 0;
        for (int q = 0; done < times; ++q) {
            const QString &query = queries.at(q % queries.size());
            for (qsizetype i = 0; i < query.size() && done < times; ++i, ++done)
                searchKey(QStringLiteral("search keystroke (index ready)"), query, i);
        }
    }

    void planEdits(bool searchOpen, int times, const std::function<int()> &pickRow)
    {
        const QString with =
            searchOpen ? QStringLiteral(" with the search window open") : QString();
        if (searchOpen)
            add({{},
                 [this] {
                     if (!searchWindow() || !searchWindow()->isVisible())
                         key(main_, Qt::Key_F, Qt::ControlModifier);
                 },
                 [this] { searchWindow()->txtSearch->setText(QStringLiteral("müller")); },
                 [] { return true; }});
        for (int i = 0; i < times; ++i) {
            const int row = pickRow();
            const auto atRow = [this, row] { prepareEntryList(std::min(row, count() - 1)); };
            const auto atList = [this] { prepareEntryList(-1); };
            countStep(
                QStringLiteral("Delete confirmed (remove, save)") + with, atRow,
                [this] { key(main_->lvwQuorvel, Qt::Key_Delete); }, -1);
            countStep(
                QStringLiteral("Undo (and save)") + with, atList,
                [this] { key(main_, Qt::Key_Z, Qt::ControlModifier); }, +1);
            if (searchOpen)
                continue;
            countStep(
                QStringLiteral("Redo (and save)"), atList,
                [this] { key(main_, Qt::Key_Y, Qt::ControlModifier); }, -1);
            countStep(
                {}, atList, [this] { key(main_, Qt::Key_Z, Qt::ControlModifier); }, +1);
        }
    }

    void planLetters(int times)
    {
        // Letters that begin some name, each a jump away from the one before.
        QString letters;
        for (int row = 0; row < std::min(count(), 5000); ++row) {
            const QChar first = folded(directory().entry(row).name.left(1)).toUpper().at(0);
            if (first >= u'A' && first <= u'Z' && !letters.contains(first))
                letters += first;
        }
        for (int i = 0; i < times && !letters.isEmpty(); ++i) {
            const QChar letter = letters.at((i * 7) % letters.size());
            add({QStringLiteral("letter tab"),
                 [this, letter] {
                     activate(main_, main_->TS);
                     main_->TS->setSelectedTab(letter.unicode() - u'A' + 1);
                 },
                 [this] { key(main_->TS, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")); },
                 [this, letter] {
                     const int row = main_->lvwQuorvel->selectedRow();
                     return row >= 0 &&
                            folded(directory().entry(row).name.left(1)).toUpper().at(0) == letter;
                 }});
        }
    }

    void planListKeys(int times, const std::function<int()> &pickRow)
    {
        struct Move
        {
            int key;
            std::function<bool(int before, int now, int count)> arrived;
        };
        const std::vector<Move> moves = {
            {Qt::Key_Down, [](int b, int r, int) { return r == b + 1; }},
            {Qt::Key_PageDown, [](int b, int r, int) { return r > b; }},
            {Qt::Key_End, [](int, int r, int n) { return r == n - 1; }},
            {Qt::Key_Up, [](int b, int r, int) { return r == b - 1; }},
            {Qt::Key_Home, [](int, int r, int) { return r == 0; }},
        };
        for (int i = 0; i < times; ++i) {
            const Move &move = moves.at(std::size_t(i) % moves.size());
            const int row = pickRow();
            auto before = std::make_shared<int>(0);
            add({QStringLiteral("list key (Down, Page Down, End, Up, Home)"),
                 [this, row, up = move.key == Qt::Key_Up] {
                     prepareEntryList(std::max(row, up ? 1 : 0));
                 },
                 [this, before, code = move.key] {
                     *before = main_->lvwQuorvel->selectedRow();
                     key(main_->lvwQuorvel, code);
                 },
                 [this, before, arrived = move.arrived] {
                     return arrived(*before, main_->lvwQuorvel->selectedRow(), count());
                 }});
        }
    }

    void planImports(int times)
    {
        const QString file = qEnvironmentVariable("BENCH_IMPORT_FILE");
        const auto searchOpen = [this] {
            if (!searchWindow() || !searchWindow()->isVisible())
                key(main_, Qt::Key_F, Qt::ControlModifier);
            activate(main_, main_->lvwQuorvel);
        };
        for (int i = 0; i < times; ++i) {
            auto before = std::make_shared<int>(0);
            add({QStringLiteral("import 10,000 cards (and save), search window open"), searchOpen,
                 [this, before, file] {
                     *before = count();
                     QMimeData data;
                     data.setUrls({QUrl::fromLocalFile(file)});
                     // Dragged in, then dropped: the drop goes where the drag entered.
                     const QPoint at(main_->width() / 2, main_->height() / 2);
                     QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton,
                                           Qt::NoModifier);
                     QCoreApplication::sendEvent(main_, &enter);
                     QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                     QCoreApplication::sendEvent(main_, &drop);
                 },
                 [this, before] { return count() > *before; }, true});
            add({{},
                 searchOpen,
                 [this] { key(main_, Qt::Key_Z, Qt::ControlModifier); },
                 [this, before] { return count() == *before; },
                 true});
        }
    }

    void planClose()
    {
        add({QStringLiteral("close"),
             [this] { activate(main_, main_->lvwQuorvel); },
             [this] {
                 write(QStringLiteral("close\t%1").arg(IdleWatch::now()));
                 key(main_, Qt::Key_Q, Qt::ControlModifier);
             },
             {}});
    }

    void write(const QString &line)
    {
        out_.write(line.toUtf8() + '\n');
        out_.flush();
    }

    // Runs then once the loop is idle, whatever the last step left queued
    // (a save of its own included).
    void settleThen(std::function<void()> then)
    {
        watch_->arm(
            IdleWatch::now(), [] { return true; }, false, kTimeoutMs,
            [then](IdleWatch::Outcome) { then(); });
    }

    void next()
    {
        if (steps_.empty())
            return;
        Step step = std::move(steps_.front());
        steps_.pop_front();
        if (step.prepare)
            step.prepare();
        if (qEnvironmentVariableIsSet("BENCH_DEBUG"))
            std::fprintf(stderr, "step %s, %d entries\n", qPrintable(step.figure), count());
        settleThen([this, step] {
            const std::int64_t t0 = IdleWatch::now();
            step.act();
            if (!step.visible)
                return; // the window closes
            watch_->arm(t0, step.visible, step.saves, kTimeoutMs,
                        [this, step, t0](IdleWatch::Outcome outcome) {
                            if (!step.figure.isEmpty() || !outcome.ok) {
                                const double idle =
                                    outcome.ok ? double(outcome.idleNs - t0) / 1e6 : -1;
                                const double saved =
                                    outcome.writtenNs ? double(outcome.writtenNs - t0) / 1e6 : -1;
                                write(QStringLiteral("%1\t%2\t%3\t%4")
                                          .arg(step.figure.isEmpty() ? QStringLiteral("(setup)")
                                                                     : step.figure)
                                          .arg(idle, 0, 'f', 3)
                                          .arg(saved, 0, 'f', 3)
                                          .arg(outcome.ok ? 1 : 0));
                            }
                            next();
                        });
        });
    }

    frmMain *main_;
    IdleWatch *watch_;
    QFile out_;
    std::deque<Step> steps_;
    bool resultsChanged_ = false;
};

// Starts the driver once the main window has been painted.
class Starter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            if (auto *window = qobject_cast<frmMain *>(static_cast<QWidget *>(watched)->window())) {
                QCoreApplication::instance()->removeEventFilter(this);
                QTimer::singleShot(0, window, [window] {
                    // A blinking cursor would wake the loop twice a second.
                    QApplication::setCursorFlashTime(0);
                    auto *driver = new Driver(window, window);
                    driver->start();
                });
            }
        }
        return false;
    }
};

void installStarter()
{
    QCoreApplication::instance()->installEventFilter(new Starter(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installStarter)
