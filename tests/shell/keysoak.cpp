// The key soak: the real windows, the real speech engine and the sound bank
// on the silent output, offscreen, fed a long stream of random key events:
// every key the program names and many it does not, with Shift, Ctrl and
// Alt, Braille chords on F D S J K L, auto-repeat, and presses that are
// never released. Ctrl+S comes often enough that the game runs most of the
// time, so the keys reach the game, the virtual screen and the dialogs. Now
// and then the data entry dialog is opened the way a caller opens it, and
// the stream goes on inside it until a key closes it.
//
//   keysoak KEYS DATAFOLDER [SEED]
//
// Fails (status 1) when the program stops answering (no event handled for
// 30 s), when the heap the program holds at its lowest in the last quarter
// of the run is more than 10 % above its lowest over the 10 000 events
// after the first 10 000 (the second quarter of a shorter run), or, built
// without AddressSanitizer, resident memory after all keys is more than
// 10 % above what it was after the first 10 000; when an
// error box is shown, or when a run of some length never reached the game,
// the virtual screen or the data entry dialog (the stream would then soak
// less than it claims). A
// crash or a sanitizer report fails it as well. The ways of ending the
// program are kept out of the stream, since ending is not what is soaked:
// Alt+F4 is never sent, the Exit command is disabled and the data entry
// dialog's exit button only counts.

#include "platform/messagebox.h"
#include "shell/application.h"
#include "shell/dataentrydialog.h"
#include "shell/mainwindow.h"
#include "shell/programparts.h"
#include "runtime/settings.h"
#include "speech/espeakengine.h"
#include "ui/virtualscreenwindow.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>
#include <qpa/qwindowsysteminterface.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KEYSOAK_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KEYSOAK_ADDRESS_SANITIZER 1
#endif
#ifdef KEYSOAK_ADDRESS_SANITIZER
#include <sanitizer/allocator_interface.h>
#else
#include <malloc.h>
#endif

namespace {

struct TSoakKey {
    int qtkey;
    std::uint32_t scancode; // X keycode
    char text; // unshifted; 0 for none
    char shifted;
};

// A US layout: the X keycodes and what each key types.
const std::vector<TSoakKey> keys = {
    { Qt::Key_Q, 24, 'q', 'Q' }, { Qt::Key_W, 25, 'w', 'W' }, { Qt::Key_E, 26, 'e', 'E' }, { Qt::Key_R, 27, 'r', 'R' },
    { Qt::Key_T, 28, 't', 'T' }, { Qt::Key_Y, 29, 'y', 'Y' }, { Qt::Key_U, 30, 'u', 'U' }, { Qt::Key_I, 31, 'i', 'I' },
    { Qt::Key_O, 32, 'o', 'O' }, { Qt::Key_P, 33, 'p', 'P' }, { Qt::Key_A, 38, 'a', 'A' }, { Qt::Key_S, 39, 's', 'S' },
    { Qt::Key_D, 40, 'd', 'D' }, { Qt::Key_F, 41, 'f', 'F' }, { Qt::Key_G, 42, 'g', 'G' }, { Qt::Key_H, 43, 'h', 'H' },
    { Qt::Key_J, 44, 'j', 'J' }, { Qt::Key_K, 45, 'k', 'K' }, { Qt::Key_L, 46, 'l', 'L' }, { Qt::Key_Z, 52, 'z', 'Z' },
    { Qt::Key_X, 53, 'x', 'X' }, { Qt::Key_C, 54, 'c', 'C' }, { Qt::Key_V, 55, 'v', 'V' }, { Qt::Key_B, 56, 'b', 'B' },
    { Qt::Key_N, 57, 'n', 'N' }, { Qt::Key_M, 58, 'm', 'M' },
    { Qt::Key_1, 10, '1', '!' }, { Qt::Key_2, 11, '2', '@' }, { Qt::Key_3, 12, '3', '#' }, { Qt::Key_4, 13, '4', '$' },
    { Qt::Key_5, 14, '5', '%' }, { Qt::Key_6, 15, '6', '^' }, { Qt::Key_7, 16, '7', '&' }, { Qt::Key_8, 17, '8', '*' },
    { Qt::Key_9, 18, '9', '(' }, { Qt::Key_0, 19, '0', ')' },
    { Qt::Key_Minus, 20, '-', '_' }, { Qt::Key_Equal, 21, '=', '+' }, { Qt::Key_BracketLeft, 34, '[', '{' },
    { Qt::Key_BracketRight, 35, ']', '}' }, { Qt::Key_Semicolon, 47, ';', ':' }, { Qt::Key_Apostrophe, 48, '\'', '"' },
    { Qt::Key_QuoteLeft, 49, '`', '~' }, { Qt::Key_Backslash, 51, '\\', '|' }, { Qt::Key_Comma, 59, ',', '<' },
    { Qt::Key_Period, 60, '.', '>' }, { Qt::Key_Slash, 61, '/', '?' },
    { Qt::Key_Space, 65, ' ', ' ' }, { Qt::Key_Return, 36, '\r', '\r' }, { Qt::Key_Escape, 9, '\x1b', '\x1b' },
    { Qt::Key_Backspace, 22, '\b', '\b' }, { Qt::Key_Tab, 23, '\t', '\t' },
    { Qt::Key_F1, 67, 0, 0 }, { Qt::Key_F2, 68, 0, 0 }, { Qt::Key_F3, 69, 0, 0 }, { Qt::Key_F4, 70, 0, 0 },
    { Qt::Key_F5, 71, 0, 0 }, { Qt::Key_F6, 72, 0, 0 }, { Qt::Key_F7, 73, 0, 0 }, { Qt::Key_F8, 74, 0, 0 },
    { Qt::Key_F9, 75, 0, 0 }, { Qt::Key_F10, 76, 0, 0 }, { Qt::Key_F11, 95, 0, 0 }, { Qt::Key_F12, 96, 0, 0 },
    { Qt::Key_Up, 111, 0, 0 }, { Qt::Key_Down, 116, 0, 0 }, { Qt::Key_Left, 113, 0, 0 }, { Qt::Key_Right, 114, 0, 0 },
    { Qt::Key_Home, 110, 0, 0 }, { Qt::Key_End, 115, 0, 0 }, { Qt::Key_PageUp, 112, 0, 0 }, { Qt::Key_PageDown, 117, 0, 0 },
    { Qt::Key_Insert, 118, 0, 0 }, { Qt::Key_Delete, 119, 0, 0 }, { Qt::Key_CapsLock, 66, 0, 0 },
    { Qt::Key_Menu, 135, 0, 0 },
};
const TSoakKey shiftkey { Qt::Key_Shift, 50, 0, 0 };
const TSoakKey controlkey { Qt::Key_Control, 37, 0, 0 };
const TSoakKey altkey { Qt::Key_Alt, 64, 0, 0 };
// F D S J K L: the six dots.
const std::vector<std::size_t> braillekeys = { 13, 12, 11, 16, 17, 18 };
const std::size_t letterS = 11;
const std::size_t enterkey = 48;
const std::size_t escapekey = 49;

// The windows the stream must reach, by the names the summary gives them.
const char* const gamename = "the game";
const char* const virtualscreenname = "TForm6";
const char* const dataentryname = "TForm2";
// A run this long that never reached one of them soaks less than it says.
const long reachfloor = 2000;

std::size_t residentkilobytes()
{
    long pages = 0, resident = 0;
    if (std::FILE* file = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(file, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(file);
    }
    return static_cast<std::size_t>(resident) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) / 1024;
}

// What the program's own allocations hold. A leak grows it; the allocator's
// caches and AddressSanitizer's quarantine of freed blocks do not, though
// they grow resident memory by 10 % and more in some sanitized runs.
std::size_t heldkilobytes()
{
#ifdef KEYSOAK_ADDRESS_SANITIZER
    return __sanitizer_get_current_allocated_bytes() / 1024;
#else
    struct mallinfo2 info = mallinfo2();
    return (info.uordblks + info.hblkhd) / 1024;
#endif
}

// Resident memory also shows what the heap does not (threads never joined,
// mappings never released), but only without the sanitizer is it steady
// enough to judge.
#ifdef KEYSOAK_ADDRESS_SANITIZER
constexpr bool judgeresident = false;
#else
constexpr bool judgeresident = true;
#endif

bool grewtoomuch(std::size_t first, std::size_t last)
{
    return last > first + first / 10;
}

class TKeySoak {
public:
    // finish runs after the last event, from inside whatever loop the
    // program is in at that moment, and does not return.
    TKeySoak(long total, unsigned seed, TApplicationWindows& windows, std::function<void()> finish)
        : m_total(total)
        , m_random(seed)
        , m_windows(windows)
        , m_finish(std::move(finish))
    {
        m_lastlook = std::chrono::steady_clock::now();
        m_nextdataentry = nextdataentry();
    }

    long sent() const { return m_sent; }
    // Resident memory is measured first once the program has settled:
    // after 10 000 events, or a quarter of a shorter run.
    long baseline() const { return std::min(10000L, m_total / 4); }
    std::size_t firstresident = 0;
    // The heap's lowest over a stretch of the run: speech queued for the
    // output comes and goes by the megabyte, a leak stays.
    std::size_t firstheld = SIZE_MAX;
    std::size_t lastheld = SIZE_MAX;
    std::atomic<std::int64_t> lastanswer { 0 };
    // How many events went to each kind of window, and to the main window
    // while the game ran.
    std::map<std::string, long> reached;
    // The longest the program took to come back for the next event.
    std::chrono::steady_clock::duration longestgap {};
    long dataentryopenings = 0;

    // One look at the keyboard: a few events, then back to the event loop.
    void step()
    {
        auto now = std::chrono::steady_clock::now();
        longestgap = std::max(longestgap, std::chrono::steady_clock::duration(now.time_since_epoch().count() - lastanswer.load()));
        lastanswer = now.time_since_epoch().count();
        if (m_sent >= m_total)
            m_finish();
        if (m_sent >= baseline() && firstresident == 0)
            firstresident = residentkilobytes();
        if (m_sent >= baseline() && m_sent < 2 * baseline())
            firstheld = std::min(firstheld, heldkilobytes());
        if (m_sent >= m_total - m_total / 4)
            lastheld = std::min(lastheld, heldkilobytes());
        // The game looks at the keyboard only between two clicks, so a look
        // takes as many events as a fast typist would have sent since the
        // last one; when looks come quickly, a few each.
        auto since = std::chrono::duration<double>(now - m_lastlook).count();
        m_lastlook = now;
        long owed = std::min(static_cast<long>(since * eventspersecond), maximumperlook);
        for (long count = std::max(owed, 1L + pick(4)); count > 0 && m_sent < m_total; --count) {
            while (m_plan.empty())
                plan();
            TPlanned next = m_plan.front();
            m_plan.pop_front();
            if (next.opendataentry)
                opendataentry();
            else
                send(next.type, *next.key, next.autorepeat);
        }
    }

private:
    static constexpr double eventspersecond = 150;
    static constexpr long maximumperlook = 80;

    // Events are aimed at the window in front when they are sent and
    // handled by the event loop the program is in, so a key that opens a
    // modal window leaves the stream running inside it.
    struct TPlanned {
        QEvent::Type type;
        const TSoakKey* key;
        bool autorepeat;
        bool opendataentry;
    };

    void plan()
    {
        int kind = pick(100);
        if (m_sent >= m_nextdataentry) {
            m_nextdataentry = m_sent + nextdataentry();
            m_plan.push_back({ QEvent::None, nullptr, false, true });
        } else if (QApplication::activeModalWidget() == m_windows.form2.get() && pick(40) == 0) {
            // Now and then the key that closes the window in front: Enter
            // the data entry dialog (Escape does not), Escape the virtual
            // screen. The random keys alone leave them open so long that
            // the game gets too little of the stream.
            tap(keys[enterkey]);
        } else if (QApplication::activeModalWidget() == m_windows.form6.get() && pick(40) == 0) {
            tap(keys[escapekey]);
        } else if (m_windows.form1->Startsubmenu->isEnabled() && pick(20) == 0) {
            startgame();
        } else if (kind < 55) {
            tap(keys[pick(int(keys.size()))]);
        } else if (kind < 65) {
            tap(keys[pick(10) < 7 ? 26 + pick(10) : pick(int(keys.size()))]); // the answer keys
        } else if (kind < 75) {
            chord();
        } else if (kind < 85) {
            togglemodifier();
        } else if (kind < 92) {
            autorepeat(keys[pick(int(keys.size()))]);
        } else if (kind < 97) {
            pressonly(keys[pick(int(keys.size()))]);
        } else {
            releaseall();
        }
    }

    // The first opening comes early, so that a short run reaches the
    // dialog as well; then the main window has the most of the stream.
    long nextdataentry() { return dataentryopenings == 0 ? 300 + pick(1200) : 1000 + pick(4000); }

    // The way a caller shows the dialog: modally, from the event loop, so
    // the looks at the keyboard go on inside its own loop. Not over
    // another modal window, where no caller of ours would show it, and not
    // while an earlier showing has not returned yet (a run started from
    // inside its loop keeps it on the stack after it is closed).
    void opendataentry()
    {
        TForm2* dialog = m_windows.form2.get();
        QTimer::singleShot(0, dialog, [this, dialog] {
            if (m_indataentry || QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
                m_nextdataentry = m_sent + 50;
                return;
            }
            ++dataentryopenings;
            m_indataentry = true;
            dialog->exec();
            m_indataentry = false;
        });
    }

    void later(QEvent::Type type, const TSoakKey& key, bool autorepeat = false)
    {
        m_plan.push_back({ type, &key, autorepeat, false });
    }

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }

    QWindow* target()
    {
        // Offscreen, no window manager gives the main window the keyboard
        // back when a dialog closes; a desktop's does, so the soak does.
        if (!QApplication::activeWindow())
            QWindowSystemInterface::handleWindowActivated(m_windows.form1->windowHandle(), Qt::ActiveWindowFocusReason);
        QWidget* widget = QApplication::activePopupWidget();
        if (!widget)
            widget = QApplication::activeModalWidget();
        if (!widget)
            widget = QApplication::activeWindow();
        if (!widget)
            widget = m_windows.form1.get();
        if (!widget->windowHandle())
            widget = m_windows.form1.get();
        ++reached[widget->metaObject()->className()];
        if (widget == m_windows.form1.get() && !m_windows.form1->Startsubmenu->isEnabled())
            ++reached[gamename];
        return widget->windowHandle();
    }

    void send(QEvent::Type type, const TSoakKey& key, bool autorepeat = false)
    {
        if (type == QEvent::KeyPress && key.qtkey == Qt::Key_F4 && (m_modifiers & Qt::AltModifier))
            return;
        if (type == QEvent::KeyRelease) {
            if (key.qtkey == Qt::Key_Shift)
                m_modifiers &= ~Qt::ShiftModifier;
            if (key.qtkey == Qt::Key_Control)
                m_modifiers &= ~Qt::ControlModifier;
            if (key.qtkey == Qt::Key_Alt)
                m_modifiers &= ~Qt::AltModifier;
        }
        QString text;
        char character = m_modifiers & Qt::ShiftModifier ? key.shifted : key.text;
        if ((m_modifiers & Qt::ControlModifier) && key.text >= 'a' && key.text <= 'z')
            character = static_cast<char>(key.text - 'a' + 1);
        if (character)
            text = QString(QChar(character));
        QWindowSystemInterface::handleExtendedKeyEvent(target(), ++m_timestamp, type, key.qtkey, m_modifiers,
            key.scancode, 0, 0, text, autorepeat);
        if (type == QEvent::KeyPress) {
            if (key.qtkey == Qt::Key_Shift)
                m_modifiers |= Qt::ShiftModifier;
            if (key.qtkey == Qt::Key_Control)
                m_modifiers |= Qt::ControlModifier;
            if (key.qtkey == Qt::Key_Alt)
                m_modifiers |= Qt::AltModifier;
            m_held.insert(&key);
        } else {
            m_held.erase(&key);
        }
        ++m_sent;
    }

    void tap(const TSoakKey& key)
    {
        later(QEvent::KeyPress, key);
        later(QEvent::KeyRelease, key);
    }

    void startgame()
    {
        releaseall();
        later(QEvent::KeyPress, controlkey);
        tap(keys[letterS]);
        later(QEvent::KeyRelease, controlkey);
    }

    void chord()
    {
        std::vector<const TSoakKey*> dots;
        for (std::size_t index : braillekeys)
            if (pick(2) == 0)
                dots.push_back(&keys[index]);
        if (pick(4) == 0)
            dots.push_back(&keys[47]); // the space bar
        for (const TSoakKey* key : dots)
            later(QEvent::KeyPress, *key);
        std::shuffle(dots.begin(), dots.end(), m_random);
        for (const TSoakKey* key : dots)
            later(QEvent::KeyRelease, *key);
    }

    void togglemodifier()
    {
        const TSoakKey* modifier[] = { &shiftkey, &controlkey, &altkey };
        const TSoakKey& key = *modifier[pick(3)];
        later(m_held.count(&key) ? QEvent::KeyRelease : QEvent::KeyPress, key);
    }

    void autorepeat(const TSoakKey& key)
    {
        later(QEvent::KeyPress, key);
        for (int repeat = pick(8); repeat > 0; --repeat) {
            later(QEvent::KeyRelease, key, true);
            later(QEvent::KeyPress, key, true);
        }
        later(QEvent::KeyRelease, key);
    }

    void pressonly(const TSoakKey& key) { later(QEvent::KeyPress, key); }

    // Releases what is held now, at the moment it is planned.
    void releaseall()
    {
        for (const TSoakKey* key : m_held)
            later(QEvent::KeyRelease, *key);
    }

    long m_total;
    long m_sent = 0;
    std::mt19937 m_random;
    TApplicationWindows& m_windows;
    std::function<void()> m_finish;
    unsigned long m_timestamp = 1000;
    Qt::KeyboardModifiers m_modifiers;
    std::set<const TSoakKey*> m_held;
    std::deque<TPlanned> m_plan;
    std::chrono::steady_clock::time_point m_lastlook;
    long m_nextdataentry = 0;
    bool m_indataentry = false;
};

// The windows the stream never reached, in a run long enough to reach all.
std::vector<std::string> unreached(const std::map<std::string, long>& reached, long sent)
{
    std::vector<std::string> missing;
    if (sent < reachfloor)
        return missing;
    for (const char* name : { gamename, virtualscreenname, dataentryname })
        if (!reached.count(name))
            missing.push_back(name);
    return missing;
}

}

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: keysoak KEYS DATAFOLDER [SEED]\n");
        return 2;
    }
    long total = std::stol(argv[1]);
    std::string datafolder = argv[2];
    unsigned seed = argc > 3 ? static_cast<unsigned>(std::stoul(argv[3])) : std::random_device {}();
    std::printf("keysoak: %ld keys, seed %u\n", total, seed);

    // The program's files in a folder of its own.
    auto folder = std::filesystem::temp_directory_path() / ("vorkana-keysoak-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    for (const char* name : { "sounds.dat", "czech.ebt", "czech.eky", "english.eky", "slovak.eky" })
        std::filesystem::copy_file(std::filesystem::path(datafolder) / name, folder / name);
    std::filesystem::current_path(folder);

    TVorkanaApplication application(argc, argv);
    std::string speechproblem;
    if (!initespeak(&speechproblem))
        std::fprintf(stderr, "keysoak: the own voice is unavailable: %s\n", speechproblem.c_str());
    settingsfilename = (folder / "vorkana.ini").string();

    int boxes = 0;
    setmessageboxfunction([&](TMessageKind kind, const QString& text) {
        ++boxes;
        std::fprintf(stderr, "keysoak: %s box: %s\n", kind == TMessageKind::error ? "error" : "message",
            text.toUtf8().constData());
    });
    int endings = 0;
    TForm1::exitprocess = [&](int) { ++endings; };
    TProgramChanges changes;
    changes.dataentryexit = [&] { ++endings; };
    TProgramParts program(std::move(changes));
    TApplicationWindows& windows = program.windows();
    windows.form1->exitsubmenu->setEnabled(false);
    windows.form1->show();

    std::atomic<bool> finished { false };
    TKeySoak* running = nullptr;
    auto finish = [&] {
        finished = true;
        std::size_t lastresident = residentkilobytes();
        std::size_t firstheld = running->firstheld;
        std::size_t lastheld = running->lastheld;
        std::printf("keysoak: %ld key events; heap held at its lowest %zu kB after %ld, %zu kB near the end; "
                    "resident %zu kB, %zu kB; longest wait for an answer %.2f s; %d boxes, %d endings asked for, "
                    "the data entry dialog opened %ld times\n",
            running->sent(), firstheld, running->baseline(), lastheld, running->firstresident, lastresident,
            std::chrono::duration<double>(running->longestgap).count(), boxes, endings, running->dataentryopenings);
        for (const auto& [window, count] : running->reached)
            std::printf("keysoak: %ld events to %s\n", count, window.c_str());
        bool failed = boxes > 0 || grewtoomuch(firstheld, lastheld)
            || (judgeresident && grewtoomuch(running->firstresident, lastresident));
        for (const std::string& window : unreached(running->reached, running->sent())) {
            std::printf("keysoak: no event reached %s\n", window.c_str());
            failed = true;
        }
        if (failed)
            std::printf("keysoak: FAILED\n");
        std::fflush(stdout);
        std::error_code ignored;
        std::filesystem::current_path("/", ignored);
        std::filesystem::remove_all(folder, ignored);
        // The program's own orderly end, from inside whatever loop it is
        // in: engines released, then the process ended.
        program.release();
        _exit(failed ? 1 : 0);
    };
    TKeySoak soak(total, seed, windows, finish);
    running = &soak;
    soak.lastanswer = std::chrono::steady_clock::now().time_since_epoch().count();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { soak.step(); });
    ticker.start(0);

    // A watchdog outside the event loop: a program that stops answering is
    // a failure, not a test that never ends.
    std::thread watchdog([&] {
        while (!finished) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            auto silent = std::chrono::steady_clock::now().time_since_epoch()
                - std::chrono::steady_clock::duration(soak.lastanswer.load());
            if (silent > std::chrono::seconds(30)) {
                std::fprintf(stderr, "keysoak: no event handled for 30 s after %ld keys\n", soak.sent());
                std::fflush(stderr);
                std::abort(); // for the stacks of a debugger or a core file
            }
        }
    });
    watchdog.detach();
    application.exec();
    std::fprintf(stderr, "keysoak: the event loop ended before the last key\n");
    _exit(1);
}
