// The data entry dialog driven with key events, offscreen, with the
// application's key filter keeping the held keys as in the application.
#include "runtime/cells.h"
#include "runtime/lineinput.h"
#include "runtime/services.h"
#include "runtime/speaker.h"
#include "shell/dataentrydialog.h"
#include "shell/brailletable.h"
#include "shell/keyfilter.h"
#include "platform/virtualkeys.h"
#include "tests/support/qtenvironment.h"
#include "speech/TTSVar.h"
#include "tests/support/scriptedhost.h"
#include "runtime/ResourceLocalizer.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

namespace {

class DataEntryFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        fillworddelimiters();
        switches.voiceready = true;
        dataentry = TDataEntryCells {};
        keystate.clear();
        CurrentLanguage = 2000;
        filter = std::make_unique<TMainKeyFilter>(&mainwindow, TKeyHandlers { [](int, TShiftState) {}, [](char) {}, [](int) {} });
        qApp->installEventFilter(filter.get());
        form = std::make_unique<TForm2>(nullptr, [this] { ++endings; });
        form->show();
        form->inputedit->setFocus();
        QCoreApplication::processEvents();
        host.transcript.clear();
    }
    void TearDown() override
    {
        form.reset();
        qApp->removeEventFilter(filter.get());
        filter.reset();
        resetbrailletable();
        CurrentLanguage = 1000;
    }

    // A small table (a, b and the capital sign) and the Braille keyboard on.
    static void usebraillekeyboard()
    {
        auto path = std::filesystem::temp_directory_path() / ("vorkana-form-" + std::to_string(::getpid()) + ".ebt");
        std::ofstream(path) << "[prefixes]\n#cap=6\n[characters]\na=1\nb=12\n[#cap]\nA=1\n";
        loadbrailletable(path.string());
        std::filesystem::remove(path);
        switches.braillekeyboard = true;
    }

    QWidget mainwindow;
    std::unique_ptr<TMainKeyFilter> filter;
    TScriptedHost host;
    std::unique_ptr<TForm2> form;
    int endings = 0;
};

}

TEST_F(DataEntryFormTest, TypedCharactersAreEchoedAndTyped)
{
    QTest::keyClicks(form->inputedit, "ab");
    EXPECT_EQ(form->inputedit->text(), "ab");
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "char a", "char b" }));
}

// What is spoken comes from the key as the keyboard translates it, with
// its modifiers; the texts are those the X server sends with the keys.
TEST_F(DataEntryFormTest, EachKeyIsEchoedAsItTranslates)
{
    struct TRow {
        const char* name;
        Qt::Key key;
        const char* text;
        Qt::KeyboardModifiers modifiers;
        std::vector<std::string> heard;
    };
    const TRow rows[] = {
        { "a", Qt::Key_A, "a", Qt::NoModifier, { "char a" } },
        { "Shift+a", Qt::Key_A, "A", Qt::ShiftModifier, { "char A" } },
        { "Ctrl+b", Qt::Key_B, "\x02", Qt::ControlModifier, { "char \x02" } },
        { "Alt+a", Qt::Key_A, "a", Qt::AltModifier, {} },
        { "Delete", Qt::Key_Delete, "\x7f", Qt::NoModifier, { "play click2", "play beep" } },
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        host.transcript.clear();
        QTest::sendKeyEvent(QTest::Click, form->inputedit, row.key, QString::fromLatin1(row.text), row.modifiers);
        EXPECT_EQ(host.heard(), row.heard);
    }
}

TEST_F(DataEntryFormTest, ComingBackFromAnotherWindowSaysNothingAgain)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form->inputedit, Qt::Key_Tab);
    ASSERT_EQ(host.said(), (std::vector<std::string> { "&OK" }));
    QDialog other(form.get());
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    other.close();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QCoreApplication::processEvents();
    EXPECT_EQ(host.said(), (std::vector<std::string> { "&OK" }));
}

TEST_F(DataEntryFormTest, EditingKeysAtTheEndsSoundTheirSignals)
{
    QTest::keyClick(form->inputedit, Qt::Key_Backspace);
    QTest::keyClick(form->inputedit, Qt::Key_Delete);
    QTest::keyClicks(form->inputedit, "abc");
    host.transcript.clear();
    QTest::keyClick(form->inputedit, Qt::Key_Right);
    QTest::keyClick(form->inputedit, Qt::Key_Right);
    QTest::keyClick(form->inputedit, Qt::Key_Left);
    QTest::keyClick(form->inputedit, Qt::Key_Backspace);
    EXPECT_EQ(form->inputedit->text(), "ac");
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "play click2", "play click2", "play beep", "char c", "play click2",
                           "char b" }));
}

TEST_F(DataEntryFormTest, EscapeDoesNotCloseAndTheExitButtonEndsTheProcess)
{
    QTest::keyClick(form->inputedit, Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());
    form->exitprogrambtn->click();
    QTest::keyClick(form->inputedit, Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(endings, 2);
}

TEST_F(DataEntryFormTest, EnterConfirmsWithTheTypedText)
{
    QTest::keyClicks(form->inputedit, "12");
    QTest::keyClick(form->inputedit, Qt::Key_Return);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(form->inputedit->text(), "12");
}

TEST_F(DataEntryFormTest, BrailleChordIsSpokenAtEachPressAndInsertedOnce)
{
    usebraillekeyboard();

    QTest::keyPress(form->inputedit, Qt::Key_F, Qt::NoModifier);
    QTest::keyPress(form->inputedit, Qt::Key_D, Qt::NoModifier);
    QTest::keyRelease(form->inputedit, Qt::Key_F, Qt::NoModifier);
    QTest::keyRelease(form->inputedit, Qt::Key_D, Qt::NoModifier);
    EXPECT_EQ(form->inputedit->text(), "b");
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "char a", "char b" }));
}

// A speaker that, at the next character it names, lets something happen
// meanwhile, as a key released while the real voice speaks.
class TSpeakerWithAMoment : public TSpeaker {
public:
    explicit TSpeakerWithAMoment(TSpeaker& voice)
        : m_voice(voice)
    {
    }
    void speak(const std::string& text) override { m_voice.speak(text); }
    void speakwait(const std::string& text) override { m_voice.speakwait(text); }
    void speakchar(const std::string& text) override
    {
        m_voice.speakchar(text);
        if (auto moment = std::exchange(meanwhile, nullptr))
            moment();
    }
    void stopspeech() override { m_voice.stopspeech(); }

    std::function<void()> meanwhile;

private:
    TSpeaker& m_voice;
};

// F held across Backspace: Backspace's release comes while its own echo
// still speaks; the held chord is typed once, at that release.
TEST_F(DataEntryFormTest, ADotKeyHeldAcrossBackspaceIsTypedOnce)
{
    usebraillekeyboard();
    form->inputedit->setText("aa");
    TSpeakerWithAMoment speaker(*services.speech);
    TSpeaker* voice = std::exchange(services.speech, &speaker);

    QTest::keyPress(form->inputedit, Qt::Key_F, Qt::NoModifier);
    speaker.meanwhile = [this] { QTest::keyRelease(form->inputedit, Qt::Key_Backspace, Qt::NoModifier); };
    QTest::keyPress(form->inputedit, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::processEvents();
    QTest::keyRelease(form->inputedit, Qt::Key_F, Qt::NoModifier);
    services.speech = voice;
    EXPECT_EQ(form->inputedit->text(), "aa");
}

// Backspace released while its echo still speaks, the voice handling
// events as it waits: the release reaches the field once more, after the
// key-down, not at every event of the wait.
TEST_F(DataEntryFormTest, AReleaseDuringTheEchoIsHandledOnceAfterIt)
{
    struct TReleaseCounter : QObject {
        int releases = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            releases += event->type() == QEvent::KeyRelease;
            return false;
        }
    } counter;
    form->inputedit->setText("ab");
    form->inputedit->installEventFilter(&counter);
    TSpeakerWithAMoment speaker(*services.speech);
    TSpeaker* voice = std::exchange(services.speech, &speaker);
    speaker.meanwhile = [this] {
        QTest::keyRelease(form->inputedit, Qt::Key_Backspace, Qt::NoModifier);
        for (int event = 0; event < 200; ++event)
            QCoreApplication::processEvents();
    };
    QTest::keyPress(form->inputedit, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::processEvents();
    services.speech = voice;
    form->inputedit->removeEventFilter(&counter);
    EXPECT_EQ(counter.releases, 2);
    EXPECT_EQ(form->inputedit->text(), "a");
}

// Keys typed faster than their echo is said: each comes while the one
// before still speaks, and the field takes them in their order.
TEST_F(DataEntryFormTest, KeysTypedDuringAnEchoAreTypedInTheirOrder)
{
    TSpeakerWithAMoment speaker(*services.speech);
    TSpeaker* voice = std::exchange(services.speech, &speaker);
    speaker.meanwhile = [&] {
        speaker.meanwhile = [this] { QTest::keyClick(form->inputedit, Qt::Key_C); };
        QTest::keyClick(form->inputedit, Qt::Key_B);
    };
    QTest::keyClick(form->inputedit, Qt::Key_A);
    for (int event = 0; event < 10; ++event)
        QCoreApplication::processEvents();
    services.speech = voice;
    EXPECT_EQ(form->inputedit->text(), "abc");
}

// INPUT's line: the field starts empty, Escape and closing the window do
// not end the wait, Enter gives the line.
TEST_F(DataEntryFormTest, TheLineInputGivesTheLineAtEnter)
{
    form->hide();
    form->inputedit->setText("old");
    ASSERT_EQ(&lineinput(), form.get());
    int shown = 0;
    std::function<void()> act = [&] {
        ++shown;
        QLineEdit* field = form->inputedit;
        EXPECT_EQ(field->text(), "");
        QTest::keyClick(field, Qt::Key_Escape);
        if (shown == 1) {
            form->close();
            QTimer::singleShot(0, form.get(), act);
            return;
        }
        QTest::keyClicks(field, "Eva");
        QTest::keyClick(field, Qt::Key_Return);
    };
    QTimer::singleShot(0, form.get(), act);
    EXPECT_EQ(lineinput().inputline(), "Eva");
    EXPECT_EQ(shown, 2);
}
