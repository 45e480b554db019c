// The real main window, offscreen, driven by key events that pass through
// the application's key filter and shortcut handling as typed keys do.
#include "platform/screenreader.h"
#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/errors.h"
#include "runtime/ram.h"
#include "runtime/print.h"
#include "runtime/screen.h"
#include "runtime/services.h"
#include "shell/mainwindow.h"
#include "shell/accessibilityanswers.h"
#include "shell/application.h"
#include "shell/dataentrydialog.h"
#include "shell/noticeboard.h"
#include "shell/userprogram.h"
#include "shell/windows.h"
#include "shell/brailletable.h"
#include "platform/messagebox.h"
#include "runtime/settings.h"
#include "platform/virtualkeys.h"
#include "speech/speechmessages.h"
#include "tests/support/scriptedhost.h"
#include "runtime/ResourceLocalizer.h"
#include "ui/virtualscreenwindow.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <thread>
#include <qpa/qwindowsysteminterface.h>

namespace {

struct TTestKey {
    int qtkey;
    std::uint32_t scancode; // X keycode
    QString text;
    QString shiftedtext;
};

const std::map<QString, TTestKey> testkeys = {
    { "a", { Qt::Key_A, 38, "a", "A" } },
    { "b", { Qt::Key_B, 56, "b", "B" } },
    { "f", { Qt::Key_F, 41, "f", "F" } },
    { "d", { Qt::Key_D, 40, "d", "D" } },
    { "j", { Qt::Key_J, 44, "j", "J" } },
    { "l", { Qt::Key_L, 46, "l", "L" } },
    { "o", { Qt::Key_O, 32, "o", "O" } },
    { "p", { Qt::Key_P, 33, "p", "P" } },
    { "s", { Qt::Key_S, 39, "s", "S" } },
    { "1", { Qt::Key_1, 10, "1", "!" } },
    { "3", { Qt::Key_3, 12, "3", "#" } },
    { "space", { Qt::Key_Space, 65, " ", " " } },
    { "enter", { Qt::Key_Return, 36, "\r", "\r" } },
    { "escape", { Qt::Key_Escape, 9, "\x1b", "\x1b" } },
    { "backspace", { Qt::Key_Backspace, 22, "\b", "\b" } },
    { "f4", { Qt::Key_F4, 70, "", "" } },
    { "f6", { Qt::Key_F6, 72, "", "" } },
    { "f7", { Qt::Key_F7, 73, "", "" } },
    { "f8", { Qt::Key_F8, 74, "", "" } },
    { "up", { Qt::Key_Up, 111, "", "" } },
    { "down", { Qt::Key_Down, 116, "", "" } },
    { "left", { Qt::Key_Left, 113, "", "" } },
    { "right", { Qt::Key_Right, 114, "", "" } },
    { "shift", { Qt::Key_Shift, 50, "", "" } },
    { "ctrl", { Qt::Key_Control, 37, "", "" } },
    { "alt", { Qt::Key_Alt, 64, "", "" } },
};

// The key buffer as the rows write it: "-" empty, a number a control or
// cursor code, otherwise the character.
QString shown(const std::string& keybuffer)
{
    if (keybuffer.empty())
        return "-";
    auto code = static_cast<unsigned char>(keybuffer[0]);
    if (code <= 32 || code >= 128)
        return QString::number(code);
    return QString::fromLatin1(keybuffer.c_str(), static_cast<int>(keybuffer.size()));
}

// Qt's accessibility bridge while a screen reader listens: it holds each
// key press and release back where it first arrives (the window) and sends
// a copy on, without its timestamp, when the screen reader has answered.
class TAccessibilityBridgeDouble : public QObject {
public:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        if (!event->spontaneous() || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        m_held.push_back({ target,
            new QKeyEvent(key->type(), key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey(),
                key->nativeModifiers(), key->text(), key->isAutoRepeat(), key->count()) });
        return true;
    }

    // The screen reader answers for the keys still held, one at a time, with
    // the program's turn between two answers.
    void answereach(const std::function<void()>& between)
    {
        while (!m_held.empty()) {
            answer(m_held.size() - 1);
            between();
        }
    }

    // The screen reader answers for all but the newest `late` keys.
    void answer(std::size_t late)
    {
        while (m_held.size() > late) {
            auto [target, copy] = m_held.front();
            m_held.pop_front();
            if (target)
                QCoreApplication::postEvent(target, copy);
            else
                delete copy;
        }
        QCoreApplication::processEvents();
    }

private:
    std::deque<std::pair<QPointer<QObject>, QKeyEvent*>> m_held;
};

}

// Stands for Qt's accessibility bridge, which the screen reader's
// questions are posted to: the answers know it by its class's name.
class AtSpiAdaptor : public QObject {
    Q_OBJECT
};

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString startfolder;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TScriptedHost> recorder;
    std::unique_ptr<TForm6> screenwindow; // the real virtual screen, when a test wants it
    QStringList boxes;
    QStringList told;
    QList<bool> toldsaid; // whether the teller had said it
    std::vector<int> exits;
    int virtualscreens = 0;
    int soundreleases = 0;
    std::vector<bool> sapi5switches;
    std::function<void()> program;
    bool voiceenumerator = false;
    unsigned long timestamp = 1000;
    std::unique_ptr<TAccessibilityBridgeDouble> bridge; // a screen reader listening, when a test wants one
    std::size_t bridgelate = 0;
    Qt::KeyboardModifiers modifiers;

    std::string path(const char* name) { return (QDir(folder.path()).filePath(name)).toStdString(); }

    std::string contents(const char* name)
    {
        std::ifstream file(path(name), std::ios::binary);
        return { std::istreambuf_iterator<char>(file), {} };
    }

    void createform()
    {
        form.reset();
        recorder.reset();
        resetcells();
        resetbrailletable();
        keystate.clear();
        typedchar.clear();
        TMainWindowHooks hooks;
        hooks.voiceenumeratorexists = [this] { return voiceenumerator; };
        hooks.releaseengines = [this] { ++soundreleases; };
        hooks.switchsapi5 = [this](bool checked) { sapi5switches.push_back(checked); };
        if (screenwindow)
            hooks.showvirtualscreen = showvirtualscreen;
        else
            hooks.showvirtualscreen = [this] {
                ++virtualscreens;
                runtimecells.keybuffer.clear();
            };
        form = std::make_unique<TForm1>(hooks, [this] {
            if (program)
                program();
        });
        // Speech and sounds are recorded; the window's own host keeps the clock.
        TRuntimeHost* windowhost = services.host;
        recorder = std::make_unique<TScriptedHost>();
        services.host = windowhost;
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        form->printmemo->setFocus();
        modifiers = {};
    }

    void key(QEvent::Type type, const QString& name, bool autorepeat = false)
    {
        const TTestKey& key = testkeys.at(name);
        if (type == QEvent::KeyRelease) {
            if (key.qtkey == Qt::Key_Shift)
                modifiers &= ~Qt::ShiftModifier;
            if (key.qtkey == Qt::Key_Control)
                modifiers &= ~Qt::ControlModifier;
            if (key.qtkey == Qt::Key_Alt)
                modifiers &= ~Qt::AltModifier;
        }
        QString text = modifiers & Qt::ShiftModifier ? key.shiftedtext : key.text;
        int qtkey = key.qtkey == Qt::Key_1 && modifiers & Qt::ShiftModifier ? int(Qt::Key_Exclam) : key.qtkey;
        QWindowSystemInterface::handleExtendedKeyEvent(form->windowHandle(), ++timestamp, type, qtkey, modifiers,
            key.scancode, 0, 0, text, autorepeat);
        QCoreApplication::processEvents();
        if (bridge)
            bridge->answer(bridgelate);
        if (type == QEvent::KeyPress) {
            if (key.qtkey == Qt::Key_Shift)
                modifiers |= Qt::ShiftModifier;
            if (key.qtkey == Qt::Key_Control)
                modifiers |= Qt::ControlModifier;
            if (key.qtkey == Qt::Key_Alt)
                modifiers |= Qt::AltModifier;
        }
    }

    // Steps like "+a" (press), "-a" (release), "*a" (auto-repeat); the key
    // buffer after each step, after what the caller does then.
    QString play(const QString& script, const std::function<void()>& aftereach = [] {})
    {
        QStringList states;
        for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
            QString name = step.mid(1);
            if (step[0] == '+')
                key(QEvent::KeyPress, name);
            else if (step[0] == '-')
                key(QEvent::KeyRelease, name);
            else {
                key(QEvent::KeyRelease, name, true);
                key(QEvent::KeyPress, name, true);
            }
            aftereach();
            states << shown(runtimecells.keybuffer);
        }
        return states.join(' ');
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        startfolder = QDir::currentPath();
        QDir::setCurrent(folder.path());
        settingsfilename = path("vorkana.ini");
        for (const char* name : { "czech.ebt", "czech.eky" })
            std::filesystem::copy_file(std::string(VORKANA_DATA_DIR) + "/" + name, path(name));
        setmessageboxfunction([this](TMessageKind kind, const QString& text) {
            boxes << (kind == TMessageKind::error ? "error: " : "") + text;
        });
        TForm1::exitprocess = [this](int status) { exits.push_back(status); };
    }

    void init()
    {
        std::filesystem::remove(path("vorkana.ini"));
        std::filesystem::remove(path("ram.dat"));
        std::filesystem::remove_all(path("ram.dat.tmp"));
        std::ofstream(path("sounds.dat")) << "bank";
        boxes.clear();
        exits.clear();
        virtualscreens = 0;
        soundreleases = 0;
        sapi5switches.clear();
        program = nullptr;
        voiceenumerator = false;
        CurrentLanguage = 1000;
        told.clear();
        toldsaid.clear();
        setnoticereceiver(nullptr);
        setnoticereceiver([this](const TTelling& telling) {
            told << QString::fromStdString(telling.message);
            toldsaid << telling.said;
        });
    }

    void cleanup()
    {
        if (bridge)
            qApp->removeEventFilter(bridge.get());
        bridge.reset();
        screenwindow.reset();
        form.reset();
        recorder.reset();
        resetcells();
        forgetchosenprogram();
    }

    void cleanupTestCase()
    {
        setmessageboxfunction(nullptr);
        QDir::setCurrent(startfolder);
    }

    void keys_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a delivered at its release") << "+a -a" << "- a";
        QTest::newRow("Shift+a") << "+shift +a -a -shift" << "- - A A";
        QTest::newRow("overlapping keys") << "+a +b -a -b" << "- - b -";
        QTest::newRow("Enter") << "+enter -enter" << "13 13";
        QTest::newRow("Escape") << "+escape -escape" << "27 27";
        QTest::newRow("Backspace") << "+backspace -backspace" << "8 8";
        QTest::newRow("Shift+Backspace") << "+shift +backspace -backspace" << "- 25 25";
        QTest::newRow("F6 while held") << "+f6 -f6" << "8 -";
        QTest::newRow("Shift+F6") << "+shift +f6 -f6" << "- 25 -";
        QTest::newRow("F7 while held") << "+f7 -f7" << "7 -";
        QTest::newRow("F8 while held") << "+f8 -f8" << "13 -";
        QTest::newRow("Left, Right, Up") << "+left +right +up" << "132 140 141";
        QTest::newRow("with Shift") << "+shift +left +right +up" << "- 148 156 157";
        QTest::newRow("with Shift and space") << "+shift +space +left +right +up" << "- - 180 188 189";
        QTest::newRow("cursor code gone at release") << "+down -down" << "130 -";
        QTest::newRow("Shift+1") << "+shift +1 -1 -shift" << "- - ! !";
        QTest::newRow("a key-up below 32 empties the typed character") << "+shift +1 -shift -1" << "- - - -";
        QTest::newRow("auto-repeat delivers at the last release") << "+a *a *a -a" << "- - - a";
        QTest::newRow("Ctrl empties, Ctrl+a types code 1") << "+a -a +ctrl +a -a" << "- a - - 1";
        QTest::newRow("Ctrl+Shift+b types code 2") << "+ctrl +shift +b -b" << "- - - 2";
        QTest::newRow("Alt+a types nothing") << "+alt +a -a" << "- - -";
    }

    void keys()
    {
        QFETCH(QString, script);
        QFETCH(QString, expected);
        createform();
        QCOMPARE(play(script), expected);
    }

    // Keys as the program takes them with inkey while a screen reader
    // listens: none lost, none doubled, however late the screen reader
    // answers and whichever of the two filters sees the keys first.
    void keysbesideascreenreader_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("braillekeys");
        QTest::addColumn<std::size_t>("late");
        QTest::addColumn<bool>("bridgefirst");
        QTest::addColumn<QString>("taken");
        for (std::size_t late : { 0, 1, 2 }) {
            for (bool bridgefirst : { true, false }) {
                auto row = [&](const char* name) {
                    return &QTest::addRow("%s, %zu late, %s", name, late, bridgefirst ? "bridge first" : "filter first");
                };
                *row("space twice") << "+space -space +space -space" << false << late << bridgefirst << "32 32";
                *row("digit twice") << "+3 -3 +3 -3" << false << late << bridgefirst << "3 3";
                *row("Escape twice") << "+escape -escape +escape -escape" << false << late << bridgefirst << "27 27";
                *row("Shift+a") << "+shift +a -a -shift" << false << late << bridgefirst << "A";
                *row("Left held, Up") << "+left +up -up -left" << false << late << bridgefirst << "132 133";
                *row("chord twice") << "+f +j -f -j +f +j -f -j" << true << late << bridgefirst << "c c";
            }
        }
    }

    void keysbesideascreenreader()
    {
        QFETCH(QString, script);
        QFETCH(bool, braillekeys);
        QFETCH(std::size_t, late);
        QFETCH(bool, bridgefirst);
        QFETCH(QString, taken);
        if (braillekeys)
            std::ofstream(path("vorkana.ini")) << "[keyboard]\nbraillekeys=1\n";
        bridge = std::make_unique<TAccessibilityBridgeDouble>();
        bridgelate = late;
        // The filter installed last sees events first.
        if (!bridgefirst)
            qApp->installEventFilter(bridge.get());
        createform();
        if (bridgefirst)
            qApp->installEventFilter(bridge.get());
        QStringList keys;
        auto take = [&] {
            std::string key = std::exchange(runtimecells.keybuffer, {});
            if (!key.empty())
                keys << shown(key);
        };
        play(script, take);
        // The program polls between two answers, as between two keys.
        bridge->answereach(take);
        QCOMPARE(keys.join(' '), taken);
        QCOMPARE(int(recorder->entries("stop speech").size()), int(script.count('+')));
    }

    // Alt+P typed quickly beside a screen reader: P opens its menu at once,
    // and the Alt the bridge held back comes after; the menu stays open.
    void altpopensitsmenubesideascreenreader_data()
    {
        QTest::addColumn<std::size_t>("late");
        for (std::size_t late : { 0, 1, 2, 3 })
            QTest::addRow("%zu late", late) << late;
    }

    void altpopensitsmenubesideascreenreader()
    {
        QFETCH(std::size_t, late);
        bridge = std::make_unique<TAccessibilityBridgeDouble>();
        bridgelate = late;
        createform();
        qApp->installEventFilter(bridge.get());
        // Twice: were P the mnemonic of another menu too, Qt would take
        // turns between the two.
        for (int time = 0; time < 2; ++time) {
            play("+alt +p -p -alt");
            bridge->answereach([] {});
            QTRY_COMPARE(QApplication::activePopupWidget(), form->Programmenu);
            form->Programmenu->hide();
        }
    }

    // A pause that holds the window's turn (a punctuation mark's, a click's)
    // answers the screen reader's questions that Qt's D-Bus thread posts to
    // the bridge meanwhile, and holds back all else for the program's turn;
    // it lasts its time however the questions come.
    void apauseanswersthescreenreaderalone()
    {
        createform();
        TAccessibilityAnswers answers;
        AtSpiAdaptor bridge;
        QObject window;
        // The answers learn the bridge from the first call delivered to it.
        QMetaObject::invokeMethod(&bridge, [] {}, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        std::atomic<int> answered = 0;
        std::atomic<bool> over = false;
        bool held = true;
        std::thread dbus([&] {
            QMetaObject::invokeMethod(&window, [&] { held = false; }, Qt::QueuedConnection);
            for (int question = 1; question <= 3; ++question) {
                QMetaObject::invokeMethod(&bridge, [&answered] { ++answered; }, Qt::QueuedConnection);
                while (answered < question && !over)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        const auto start = std::chrono::steady_clock::now();
        services.host->sleepms(1500);
        const auto paused = std::chrono::steady_clock::now() - start;
        over = true;
        dbus.join();
        QCOMPARE(answered.load(), 3);
        QVERIFY(held);
        QVERIFY(paused >= std::chrono::milliseconds(1500));
        QCoreApplication::processEvents();
        QVERIFY(!held);
    }

    // No two entries of the menu bar, nor of one menu, share their letter,
    // in any language.
    void menumnemonics_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("Czech") << 1000;
        QTest::newRow("English") << 2000;
        QTest::newRow("Slovak") << 3000;
    }

    void menumnemonics()
    {
        QFETCH(int, language);
        std::ofstream(path("vorkana.ini")) << "[environment]\nlanguage=" << language << "\n";
        createform();
        QList<QWidget*> menus { form->menuBar() };
        for (QMenu* menu : { form->Programmenu, form->settingsmenu, form->helpmenu })
            menus << menu;
        for (QWidget* menu : menus) {
            std::map<QKeySequence, QString> letters;
            for (const QAction* action : menu->actions()) {
                QKeySequence letter = QKeySequence::mnemonic(action->text());
                QVERIFY2(!letter.isEmpty(), qPrintable(action->text()));
                auto [kept, added] = letters.emplace(letter, action->text());
                QVERIFY2(added, qPrintable(kept->second + " / " + action->text()));
            }
        }
    }

    void everykeydownstopsspeech()
    {
        createform();
        play("+a -a +up");
        QCOMPARE(recorder->entries("stop speech").size(), size_t(2));
    }

    void virtualscreen_data()
    {
        QTest::addColumn<bool>("started");
        QTest::addColumn<int>("lock");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("opened");
        QTest::newRow("before the first Start") << false << 0 << "+up -up" << "129 -" << 0;
        QTest::newRow("after it") << true << 0 << "+up -up" << "- -" << 1;
        QTest::newRow("Down after it") << true << 0 << "+down" << "-" << 1;
        QTest::newRow("memory locks it") << true << 1 << "+up" << "129" << 0;
        QTest::newRow("not with Shift") << true << 0 << "+shift +up" << "- 145" << 0;
        QTest::newRow("not with two cursor keys") << true << 0 << "+left +up" << "132 133" << 0;
    }

    void virtualscreen()
    {
        QFETCH(bool, started);
        QFETCH(int, lock);
        QFETCH(QString, script);
        QFETCH(QString, expected);
        QFETCH(int, opened);
        createform();
        runtimecells.programstarted = started;
        ramimage[50730] = static_cast<std::uint8_t>(lock);
        QCOMPARE(play(script), expected);
        QCOMPARE(virtualscreens, opened);
        ramimage.fill(0);
    }

    // The real virtual screen, whose modal loop runs inside the cursor
    // key's handler; Escape typed into it closes it, every time it opens.
    void virtualscreenopensonceperpress_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("opened");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Up") << "+up" << 1 << "-";
        QTest::newRow("Up, released, Up again") << "+up -up +up" << 2 << "- - -";
        QTest::newRow("Down, released, then Up opens") << "+down -down +up" << 2 << "- - -";
    }

    void virtualscreenopensonceperpress()
    {
        QFETCH(QString, script);
        QFETCH(int, opened);
        QFETCH(QString, expected);
        screenwindow = std::make_unique<TForm6>();
        createform();
        runtimecells.programstarted = true;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [this] {
            if (!screenwindow->isVisible())
                return;
            for (QEvent::Type type : { QEvent::KeyPress, QEvent::KeyRelease })
                QWindowSystemInterface::handleExtendedKeyEvent(screenwindow->windowHandle(), ++timestamp, type,
                    Qt::Key_Escape, Qt::NoModifier, 9, 0, 0, "\x1b");
        });
        closer.start(20);
        QCOMPARE(play(script), expected);
        QCOMPARE(int(recorder->entries("speak ").size()), opened);
        QCOMPARE(int(recorder->entries("say ").size()), opened);
        QVERIFY(!screenwindow->isVisible());
    }

    void braillechords_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        QTest::newRow("F then D") << "+f +d -f -d" << "- - b -";
        QTest::newRow("D then F, released the other way") << "+d +f -d -f" << "- - b -";
        QTest::newRow("capital sign then F") << "+l -l +f -f" << "- - - A";
        QTest::newRow("capital holds over a slow chord") << "+l -l +f +d -d -f" << "- - - - B -";
        QTest::newRow("space alone") << "+space -space" << "- 32";
        QTest::newRow("a chord with Ctrl held") << "+ctrl +f -f" << "- - a";
        QTest::newRow("a digit types nothing and drops the prefix") << "+l -l +1 -1 +f -f" << "- - - - - a";
        QTest::newRow("a chord held past the auto-repeat delay") << "+f +d *d *d -f -d" << "- - - - b -";
        QTest::newRow("its last key held on types nothing more") << "+f +d -f *d *d -d" << "- - b b b -";
        QTest::newRow("pressed again, the whole chord again") << "+f +d -f +f -f -d" << "- - b b b -";
    }

    void braillechords()
    {
        QFETCH(QString, script);
        QFETCH(QString, expected);
        std::ofstream(path("vorkana.ini")) << "[keyboard]\nbraillekeys=1\n";
        createform();
        QVERIFY(form->braillekeyboarditem->isChecked());
        QCOMPARE(play(script), expected);
    }

    void menushortcuts()
    {
        createform();
        bool ran = false;
        program = [&] { ran = true; };
        play("+ctrl");
        runtimecells.keybuffer = "x";
        play("+s");
        QCOMPARE(recorder->entries("stop speech").size(), size_t(1));
        QVERIFY(!form->Startsubmenu->isEnabled());
        QTRY_VERIFY(ran);
        QVERIFY(form->Startsubmenu->isEnabled());
        QCOMPARE(play("-s -ctrl"), QString("- -"));

        form->Startsubmenu->setEnabled(false);
        ran = false;
        play("+ctrl +s");
        QCOMPARE(recorder->entries("stop speech").size(), size_t(2));
        QTest::qWait(20);
        QVERIFY(!ran);
    }

    void startdisablesthemenusduringtherun()
    {
        std::ofstream(path("vorkana.ini")) << "[voice]\nvoiceallowed=1\n";
        createform();
        QVERIFY(form->Voicesubmenu->isEnabled());
        QList<bool> during;
        program = [&] {
            for (QAction* item : { form->Startsubmenu, form->soundssubmenu, form->environmentsubmenu, form->Voicesubmenu,
                     form->usesapi5submenu, form->helpmenu->menuAction(), form->exitsubmenu, form->braillekeyboarditem })
                during << item->isEnabled();
        };
        form->Startsubmenu->trigger();
        QTRY_COMPARE(during.size(), 8);
        QCOMPARE(during, (QList<bool> { false, false, false, false, false, false, true, true }));
        QVERIFY(runtimecells.programstarted);
        QVERIFY(form->printmemo->toPlainText().contains("hotovo"));
        for (QAction* item : { form->Startsubmenu, form->soundssubmenu, form->environmentsubmenu, form->Voicesubmenu,
                 form->usesapi5submenu, form->helpmenu->menuAction() })
            QVERIFY(item->isEnabled());
    }

    // A screen reader reads a line aloud when the caret moves onto it or
    // the text put in is selected; our own speech says it already.
    void theprintedscreenneithermovesthecaretnorselects()
    {
        std::ofstream(path("vorkana.ini")) << "[voice]\nvoiceallowed=1\n";
        createform();
        int caretmoves = 0;
        int selections = 0;
        connect(form->printmemo, &QPlainTextEdit::cursorPositionChanged, [&] { ++caretmoves; });
        connect(form->printmemo, &QPlainTextEdit::selectionChanged, [&] { ++selections; });
        program = [] {
            printtext("dobrý večer", 0);
            cls();
            printtext("zvol hru!", 1);
            printtext(" c", 0);
            cls();
            printtext("", 1);
            printtext("a", 0);
        };
        form->Startsubmenu->trigger();
        QTRY_VERIFY(form->Startsubmenu->isEnabled());
        QVERIFY(form->printmemo->toPlainText().startsWith("a"));
        QTextCursor caret = form->printmemo->textCursor();
        QVERIFY(!caret.hasSelection());
        QCOMPARE(caret.position(), 0);
        QCOMPARE(caretmoves, 0);
        QCOMPARE(selections, 0);
    }

    // Ctrl+O: the dialog says its title, the chosen file names the window,
    // and Start runs it instead of the game.
    void openandstartaprogramofonesown()
    {
        std::ofstream(path("vorkana.ini")) << "[voice]\nvoiceallowed=1\n";
        std::ofstream(path("tune.bas")) << "10 PRINT \"la\"; 1+1\n";
        createform();
        program = runchosenprogram;
        QString chosen;
        QTimer user;
        connect(&user, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            // Typed into the name field as a user would: selectFile()
            // leaves a name field that has the focus as it is, and the
            // dialog then only opens the folder.
            chosen = dialog->windowTitle();
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(path("tune.bas")));
            static_cast<QDialog*>(dialog)->accept();
        });
        user.start(10);
        play("+ctrl +o -o -ctrl");
        QCOMPARE(chosen, QString("Otevřít program v Basicu"));
        QCOMPARE(form->windowTitle(), QString("tune.bas - Překladač Vorkana Basicu"));
        std::vector<std::string> said = recorder->said();
        QVERIFY(std::find(said.begin(), said.end(), "Otevřít program v Basicu") != said.end());
        QCOMPARE(said.back(), std::string("tune.bas"));

        form->Startsubmenu->trigger();
        QTRY_VERIFY(form->Startsubmenu->isEnabled());
        QVERIFY(form->printmemo->toPlainText().startsWith("la2"));
        QVERIFY(form->printmemo->toPlainText().contains("hotovo"));
    }

    // Qt's own labels and buttons of the Open dialog speak the interface
    // language.
    void opendialoglanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("labels");
        QTest::newRow("Czech") << 1000
                               << "Hledat v: | Název &souboru: | Soubory typu: | &Otevřít | Zrušit"
                                  " | Název | Velikost | Typ | Datum změny";
        QTest::newRow("English") << 2000
                                 << "Look in: | File &name: | Files of type: | &Open | Cancel"
                                    " | Name | Size | Type | Date Modified";
        QTest::newRow("Slovak") << 3000
                                << "Hľadať v: | &Názov súboru: | Súbory typu: | &Otvoriť | Zrušiť"
                                   " | Názov | Veľkosť | Typ | Dátum úpravy";
    }

    void opendialoglanguage()
    {
        QFETCH(int, language);
        QFETCH(QString, labels);
        std::ofstream(path("vorkana.ini")) << "[environment]\nlanguage=" << language << "\n";
        createform();
        QStringList shown;
        QTimer user;
        connect(&user, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            for (const char* name : { "lookInLabel", "fileNameLabel", "fileTypeLabel" })
                shown << dialog->findChild<QLabel*>(name)->text();
            for (const QAbstractButton* button : dialog->findChild<QDialogButtonBox*>("buttonBox")->buttons())
                shown << button->text();
            const QAbstractItemModel* files = dialog->findChild<QTreeView*>("treeView")->model();
            for (int column = 0; column < files->columnCount(); ++column)
                shown << files->headerData(column, Qt::Horizontal).toString();
            dialog->reject();
        });
        user.start(10);
        play("+ctrl +o -o -ctrl");
        QCOMPARE(shown.join(" | "), labels);
    }

    // Told (spoken, on the status line and the Braille display), in a box
    // and on the screen, where its review keeps it; the previous choice
    // stays. A fault in the run ends it as the game's own errors do: its
    // last line, said before "ready".
    void aprogramthatcannotbereadorrunistold()
    {
        std::ofstream(path("bad.bas")) << "10 PRINT 1\n120 IF 1 PRINT 2\n";
        std::ofstream(path("fails.bas")) << "10 PRINT 1\n20 RETURN\n";
        createform();
        program = runchosenprogram;
        form->openprogram(path("fails.bas"));
        form->openprogram(path("bad.bas"));
        form->openprogram(path("missing.bas"));
        QString unreadable = QString::fromStdString("Program " + path("missing.bas") + " nelze přečíst.");
        QCOMPARE(boxes, (QStringList { "error: řádek 120: očekává se THEN", "error: " + unreadable }));
        QCOMPARE(told, (QStringList { "řádek 120: očekává se THEN", unreadable }));
        QVERIFY2(form->printmemo->toPlainText().contains("řádek 120: očekává se THEN"), qPrintable(form->printmemo->toPlainText()));
        QCOMPARE(form->windowTitle(), QString("fails.bas - Překladač Vorkana Basicu"));

        boxes.clear();
        form->Startsubmenu->trigger();
        QTRY_COMPARE(boxes, QStringList { "error: řádek 20: RETURN bez GOSUB" });
        std::vector<std::string> said = recorder->said();
        QCOMPARE(std::vector<std::string>(said.end() - 2, said.end()),
            (std::vector<std::string> { "řádek 20: RETURN bez GOSUB", cp1250::fromutf8(text(25)) }));
        QCOMPARE(told.back(), QString("řádek 20: RETURN bez GOSUB"));
        QVERIFY(form->Startsubmenu->isEnabled());
        QVERIFY(form->opensubmenu->isEnabled());

        // Edited after it was opened: told at Start as at Open…, not run.
        std::ofstream(path("fails.bas")) << "10 PRINT 7\n30 GOTO\n";
        boxes.clear();
        form->Startsubmenu->trigger();
        QTRY_COMPARE(boxes, QStringList { "error: řádek 30: očekává se číslo řádku" });
        QCOMPARE(told.back(), QString("řádek 30: očekává se číslo řádku"));
        QVERIFY(!form->printmemo->toPlainText().contains("7"));
        QVERIFY(form->Startsubmenu->isEnabled());
    }

    void aboxbesideascreenreaderisleftforittosay()
    {
        std::ofstream(path("bad.bas")) << "10 IF 1 PRINT 2\n";
        createform();
        form->openprogram(path("bad.bas"));
        setscreenreaderlistening(true);
        form->openprogram(path("bad.bas"));
        setscreenreaderlistening(false);
        QCOMPARE(boxes, QStringList(2, "error: řádek 10: očekává se THEN"));
        QCOMPARE(told, QStringList(2, "řádek 10: očekává se THEN"));
        QCOMPARE(toldsaid, (QList<bool> { false, true }));
    }

    void arunthatfailsgivesthemenusback()
    {
        createform();
        program = [] { throw TVorkanaError("Wave 'click99' not found"); };
        form->Startsubmenu->trigger();
        QTRY_COMPARE(boxes, QStringList { "error: Wave 'click99' not found" });
        QVERIFY(form->Startsubmenu->isEnabled());
        QVERIFY(form->helpmenu->menuAction()->isEnabled());
        // Off before the run (no voice on a first run), on after it.
        QVERIFY(form->Voicesubmenu->isEnabled());
    }

    void firstrun_data()
    {
        QTest::addColumn<bool>("enumerator");
        QTest::addColumn<QString>("file");
        QTest::newRow("a voice to use") << true << "[voice]\nvoiceallowed=1\n";
        QTest::newRow("no voice") << false << "[voice]\nvoiceallowed=0\n";
    }

    void firstrun()
    {
        QFETCH(bool, enumerator);
        QFETCH(QString, file);
        voiceenumerator = enumerator;
        createform();
        QCOMPARE(QString::fromStdString(contents("vorkana.ini")), file);
        QCOMPARE(form->Voicesubmenu->isEnabled(), enumerator);
        QVERIFY(!form->usesapi5submenu->isChecked());
        QVERIFY(!form->braillekeyboarditem->isChecked());
        QVERIFY(form->windowTitle().endsWith(" - Překladač Vorkana Basicu"));
        QCOMPARE(form->printmemo->document()->blockCount(), 24);
        QCOMPARE(form->soundssubmenu->text(), QString("&Zvuky..."));
        QVERIFY(boxes.isEmpty());
    }

    void sapi5setting()
    {
        std::ofstream(path("vorkana.ini")) << "[Voice]\nsapi5=1\n[VOICE]\nVoiceAllowed=1\n";
        createform();
        QVERIFY(form->usesapi5submenu->isChecked());
        QVERIFY(!form->Voicesubmenu->isEnabled());
        QVERIFY(switches.usesapi5 && switches.voiceready && switches.voiceallowed);

        form->usesapi5submenu->trigger();
        QVERIFY(form->Voicesubmenu->isEnabled());
        QCOMPARE(sapi5switches, std::vector<bool> { false });
    }

    void braillekeyboarditem()
    {
        createform();
        form->braillekeyboarditem->trigger();
        QVERIFY(switches.braillekeyboard);
        QVERIFY(contents("vorkana.ini").find("braillekeys=1") != std::string::npos);
        form->braillekeyboarditem->trigger();
        QVERIFY(!switches.braillekeyboard);
        QVERIFY(contents("vorkana.ini").find("braillekeys=0") != std::string::npos);
        QCOMPARE(recorder->entries("tone "),
            (std::vector<std::string> { "tone 400 timbre 3", "tone 600 timbre 3", "tone 600 timbre 3", "tone 400 timbre 3" }));
    }

    // Alt+F4 right after Ctrl+B ends the process inside the signal's tones.
    void braillekeyboardsavedbeforeitssignal()
    {
        createform();
        std::string during;
        QTimer::singleShot(10, [&] { during = contents("vorkana.ini"); });
        form->braillekeyboarditem->trigger();
        QVERIFY2(during.find("braillekeys=1") != std::string::npos, during.c_str());
    }

    void missingsoundbank()
    {
        std::filesystem::remove(path("sounds.dat"));
        createform();
        QCOMPARE(boxes, QStringList { "Nelze nalézt soubor sounds.dat" });
        QCOMPARE(exits, std::vector<int> { 1 });
        QVERIFY(!std::filesystem::exists(path("ram.dat")));
    }

    void missingbrailletable()
    {
        std::filesystem::rename(path("czech.ebt"), path("czech.ebt.away"));
        createform();
        std::filesystem::rename(path("czech.ebt.away"), path("czech.ebt"));
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0].startsWith("error: File not found"));
        QCOMPARE(charcount, 0);
    }

    // The user's memory file survives a start whose settings file cannot be
    // made, and one of another length is reported and kept as it is.
    void ramdatsurvivesastartthatgoeswrong_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("length");
        QTest::newRow("settings folder cannot be made") << "/proc/vorkana-none/vorkana.ini" << 65536;
        QTest::newRow("40 000 bytes") << "" << 40000;
        QTest::newRow("100 000 bytes") << "" << 100000;
    }

    void ramdatsurvivesastartthatgoeswrong()
    {
        QFETCH(QString, settings);
        QFETCH(int, length);
        if (!settings.isEmpty())
            settingsfilename = settings.toStdString();
        const std::string memory(std::size_t(length), '\x07');
        std::ofstream(path("ram.dat"), std::ios::binary) << memory;
        createform();
        settingsfilename = path("vorkana.ini");
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].contains(settings.isEmpty() ? "ram.dat" : settings), qPrintable(told[0]));
        QCOMPARE(int(ramimage[0]), 7);
        form->exitsubmenu->trigger();
        QCOMPARE(contents("ram.dat"), memory);
        ramimage.fill(0);
    }

    // Values that are not numbers are named once, with the file; their
    // defaults are used.
    void unreadablesettingsarereportedonce()
    {
        std::ofstream(path("vorkana.ini")) << "[voice]\nvoiceallowed=yes\n[sounds]\nsndvolume=loud\nvorkanasounds=0\n";
        createform();
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].contains(QString::fromStdString(path("vorkana.ini"))), qPrintable(boxes[0]));
        QVERIFY2(boxes[0].contains("voiceallowed=yes") && boxes[0].contains("sndvolume=loud"), qPrintable(boxes[0]));
        boxes.clear();
        createform();
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join("; ")));
    }

    // Notices from the sound output's thread, told before the board exists
    // as at start-up, reach the status line and the Braille display in the
    // interface language, once each; what can be heard is also said, and a
    // message already said is not said again.
    void noticesreachtheuser()
    {
        createform();
        setnoticereceiver(nullptr);
        for (TNotice notice : { TNotice::soundlost, TNotice::soundlost, TNotice::soundback })
            std::thread([notice] { tell(notice); }).join();
        tell("řádek 30: dělení nulou", true);
        QStatusBar bar;
        QStringList brailled;
        std::vector<std::string> said;
        TNoticeBoard board(&bar, [&](const QString& text) { brailled << text; },
            [&](const std::string& text) { said.push_back(cp1250::toutf8(text)); });
        QTRY_COMPARE(brailled.size(), 3);
        QCOMPARE(brailled[0], QString("Zvukový server přestal pracovat; tóny a řeč jsou tiché, dokud se nevrátí."));
        QCOMPARE(board.statusline()->text(), QString("řádek 30: dělení nulou"));
        QCOMPARE(said, std::vector<std::string> { "Zvukový server je zpět." });
    }

    // The speech layer ends the process when the saved voice is gone.
    void endingfromthespeechlayersavesnothing()
    {
        createform();
        ramimage[7] = 42;
        endprocessnow();
        QCOMPARE(exits, std::vector<int> { 1 });
        QCOMPARE(soundreleases, 1);
        QVERIFY(!std::filesystem::exists(path("ram.dat")));
        ramimage.fill(0);
    }

    void exitwhileidleclosesthewindow()
    {
        createform();
        ramimage[7] = 42;
        form->exitsubmenu->trigger();
        QVERIFY(!form->isVisible());
        QVERIFY(exits.empty());
        QCOMPARE(contents("ram.dat").size(), size_t(65536));
        QCOMPARE(contents("ram.dat")[7], char(42));
        QCOMPARE(soundreleases, 1);
    }

    // No way out is refused on a disk where ram.dat cannot be written: the
    // window closes, the user is told where the memory was not saved, and
    // the old file stays as it was; during a run the process ends.
    void adiskthatcannotbewrittendoesnotkeeptheuserin()
    {
        std::ofstream(path("ram.dat"), std::ios::binary) << std::string(65536, '\x03');
        createform();
        std::filesystem::create_directory(path("ram.dat.tmp")); // the new image cannot be made
        ramimage[7] = 42;
        QVERIFY(form->close());
        QVERIFY(!form->isVisible());
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].contains(QString::fromStdString(path("ram.dat"))), qPrintable(told[0]));
        QCOMPARE(contents("ram.dat"), std::string(65536, '\x03'));

        createform();
        program = [this] { form->exitsubmenu->trigger(); };
        form->Startsubmenu->trigger();
        QTRY_COMPARE(exits, std::vector<int> { 0 });
        QCOMPARE(contents("ram.dat"), std::string(65536, '\x03'));
        std::filesystem::remove(path("ram.dat.tmp"));
        ramimage.fill(0);
    }

    void endingsduringarun_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("exit command") << "exit";
        QTest::newRow("closing the window") << "close";
        QTest::newRow("Alt+F4") << "altf4";
    }

    void endingsduringarun()
    {
        QFETCH(QString, ending);
        createform();
        program = [&] {
            ramimage[9] = 5;
            if (ending == "exit")
                form->exitsubmenu->trigger();
            else if (ending == "close")
                form->close();
            else
                play("+alt +f4");
        };
        form->Startsubmenu->trigger();
        QTRY_COMPARE(exits, std::vector<int> { 0 });
        QCOMPARE(contents("ram.dat").size(), size_t(65536));
        QCOMPARE(contents("ram.dat")[9], char(5));
        QVERIFY(soundreleases >= 1);
        ramimage.fill(0);
    }

    // The data entry dialog's exit button, in the windows as the program
    // makes them: it ends at once as the main window does, saving the
    // memory, unless the maker of the windows gave it another ending.
    void dataentryexit_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::newRow("the program's own") << false;
        QTest::newRow("a caller's") << true;
    }

    void dataentryexit()
    {
        QFETCH(bool, changed);
        int ownendings = 0;
        TMainWindowHooks hooks;
        hooks.releaseengines = [this] { ++soundreleases; };
        TApplicationWindows windows;
        createwindows(windows, hooks, [] {}, changed ? std::function<void()>([&] { ++ownendings; }) : nullptr);
        ramimage[11] = 7;
        windows.form2->exitprogrambtn->click();
        QCOMPARE(ownendings, changed ? 1 : 0);
        QCOMPARE(exits, changed ? std::vector<int> {} : std::vector<int> { 0 });
        QCOMPARE(std::filesystem::exists(path("ram.dat")), !changed);
        ramimage.fill(0);
    }
};

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TVorkanaApplication application(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "mainwindow_test.moc"
