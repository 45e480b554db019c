#include "shell/mainwindow.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/notices.h"
#include "runtime/print.h"
#include "runtime/ram.h"
#include "runtime/runframe.h"
#include "runtime/screen.h"
#include "runtime/services.h"
#include "runtime/tones.h"
#include "shell/brailletable.h"
#include "shell/echoloader.h"
#include "shell/filelocations.h"
#include "ui/screenaccessible.h"
#include "shell/keyfilter.h"
#include "shell/programfiledialog.h"
#include "shell/qttranslations.h"
#include "shell/userprogram.h"
#include "runtime/programtexts.h"
#include "platform/messagebox.h"
#include "runtime/settings.h"
#include "runtime/switchsettings.h"
#include "shell/switchsignal.h"
#include "speech/speechmessages.h"
#include "runtime/ResourceLocalizer.h"
#include "ui/environmentdialog.h"
#include "ui/aboutbox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

TForm1* Form1 = nullptr;

namespace {

constexpr const char* brailletablefilename = "czech.ebt";
constexpr int screenfontsize = 16;
// Long enough to say that the memory was not saved and where.
constexpr int endingspeechlimitms = 8000;

QString caption(int index)
{
    return QString::fromStdString(text(index));
}

QString dialogcaption(int index)
{
    return caption(index) + "...";
}

template<typename Action>
void ignoringerrors(Action action) noexcept
{
    try {
        action();
    } catch (...) {
    }
}

}

TForm1::TForm1(TMainWindowHooks hooks, std::function<void()> program)
    : m_hooks(std::move(hooks))
    , m_program(std::move(program))
{
    Form1 = this;
    if (!exitprocess)
        exitprocess = [](int status) { _exit(status); };
    // A saved voice that is gone ends the process from inside the speech
    // layer; it ends as every other immediate ending does.
    endprocessnow = [] {
        if (Form1)
            Form1->endwithoutsaving();
        else
            _exit(1);
    };

    printmemo = new QPlainTextEdit(this);
    printmemo->setReadOnly(true);
    makescreenaccessible(printmemo, false);
    printmemo->setUndoRedoEnabled(false);
    printmemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The screen is always whole in view: 24 rows of 80 columns.
    printmemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    printmemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setPointSize(screenfontsize);
    printmemo->setFont(font);
    setCentralWidget(printmemo);

    Programmenu = menuBar()->addMenu(QString());
    opensubmenu = Programmenu->addAction(QString(), QKeySequence(Qt::CTRL | Qt::Key_O), this, &TForm1::opensubmenuClick);
    Startsubmenu = Programmenu->addAction(QString(), QKeySequence(Qt::CTRL | Qt::Key_S), this, &TForm1::StartsubmenuClick);
    exitsubmenu = Programmenu->addAction(QString(), this, &TForm1::exitsubmenuClick);
    settingsmenu = menuBar()->addMenu(QString());
    braillekeyboarditem = settingsmenu->addAction(QString(), QKeySequence(Qt::CTRL | Qt::Key_B), this, &TForm1::braillekeyboarditemClick);
    braillekeyboarditem->setCheckable(true);
    soundssubmenu = settingsmenu->addAction(QString(), QKeySequence(Qt::CTRL | Qt::Key_D), this, [this] {
        if (m_hooks.soundscommand)
            m_hooks.soundscommand();
    });
    Voicesubmenu = settingsmenu->addAction(QString(), QKeySequence(Qt::CTRL | Qt::Key_H), this, [this] {
        if (m_hooks.voicecommand)
            m_hooks.voicecommand();
    });
    Voicesubmenu->setEnabled(false);
    usesapi5submenu = settingsmenu->addAction(QString(), QKeySequence(Qt::CTRL | Qt::Key_P), this, &TForm1::usesapi5submenuClick);
    usesapi5submenu->setCheckable(true);
    environmentsubmenu = settingsmenu->addAction(QString(), QKeySequence(Qt::CTRL | Qt::Key_E), this, &TForm1::environmentsubmenuClick);
    helpmenu = menuBar()->addMenu(QString());
    aboutsubmenu = helpmenu->addAction(QString(), this, &TForm1::aboutsubmenuClick);

    Timer.setTimerType(Qt::PreciseTimer);
    connect(&Timer, &QTimer::timeout, this, &TForm1::TimerTimer);

    m_host = std::make_unique<TQtHost>(
        Timer,
        [this] { screenchanged(); },
        [this] {
            if (m_hooks.beforewait)
                m_hooks.beforewait();
        });
    services.host = m_host.get();

    m_keyfilter = new TMainKeyFilter(this,
        { [this](int key, TShiftState shift) { FormKeyDown(key, shift); }, [this](char character) { FormKeyPress(character); },
            [this](int key) { FormKeyUp(key); } });
    qApp->installEventFilter(m_keyfilter);

    // Room for the whole 24 x 80 screen, so no line is cut off or scrolled.
    QFontMetrics metrics(font);
    int frame = 2 * printmemo->frameWidth() + 2 * int(printmemo->document()->documentMargin()) + 8;
    printmemo->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('M')) * 80 + frame, metrics.lineSpacing() * 24 + frame);
    adjustSize();
    try {
        FormCreate();
    } catch (const std::exception& error) {
        showerror(error.what());
    }
}

TForm1::~TForm1()
{
    qApp->removeEventFilter(m_keyfilter);
    if (services.host == m_host.get())
        services.host = nullptr;
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::FormCreate()
{
    TSettingsFile settingsfile(settingsfilename);
    readlanguage(settingsfilename);
    settitle();
    setcaptions();

    ::screen.clear();
    refreshscreen();

    switches.voiceready = false;
    switches.usesapi5 = false;
    runtimecells.programstarted = false;
    switches.voiceallowed = false;
    switches.soundsenabled = true;
    switches.soundvolume = 0;
    switches.braillekeyboard = false;

    if (m_hooks.initspeech)
        m_hooks.initspeech();

    bool firstrun = !settingsfile.exists();
    bool sapi5 = false;
    // A settings file that cannot be made (a folder that cannot be created,
    // a full disk) is reported, and the program goes on with the defaults.
    try {
        sapi5 = readsettings(settingsfile, m_hooks.voiceenumeratorexists && m_hooks.voiceenumeratorexists());
    } catch (const std::exception& error) {
        showerror(error.what());
    }
    if (!firstrun) {
        usesapi5submenu->setChecked(sapi5);
        braillekeyboarditem->setChecked(switches.braillekeyboard);
    }
    if (std::string unreadable = unreadablesettings(); !unreadable.empty())
        showmessage(unreadable);
    switches.usesapi5 = usesapi5submenu->isChecked();
    switches.voiceready = usesapi5submenu->isChecked();
    Voicesubmenu->setEnabled(switches.voiceallowed && !switches.usesapi5);

    // A memory file that cannot be loaded is reported and left alone; the
    // program goes on without it.
    try {
        loadram(filelocations.ramfile);
    } catch (const std::exception& error) {
        showerror(error.what());
    }

    if (m_hooks.opensound)
        m_hooks.opensound();
    std::error_code status;
    std::string soundbank = filelocations.datafile(soundbankname);
    if (!std::filesystem::exists(soundbank, status)) {
        showmessage(missingsoundbankmessage(filelocations, text(42)));
        endwithoutsaving();
        return;
    }
    if (m_hooks.loadbank)
        m_hooks.loadbank(soundbank);

    std::string overflow = loadbrailletable(filelocations.datafile(brailletablefilename));
    currentprefix.clear();
    std::string echooverflow = loadechotable(filelocations.datafile(text(24) + ".eky"));
    if (!echooverflow.empty())
        overflow += (overflow.empty() ? "" : "\n") + echooverflow;
    if (!overflow.empty())
        showmessage(overflow);
}

void TForm1::settitle()
{
    std::string program = chosenprogramname();
    QString name = program.empty() ? QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
                                   : QString::fromStdString(program);
    setWindowTitle(name + " - " + caption(1));
}

void TForm1::setcaptions()
{
    // Qt's own dialogs and buttons speak the interface language too.
    useqttranslations(CurrentLanguage);
    Programmenu->setTitle(caption(2));
    opensubmenu->setText(QString::fromStdString(programtext(TProgramText::opencommand)));
    Startsubmenu->setText(caption(3));
    exitsubmenu->setText(caption(33));
    settingsmenu->setTitle(caption(4));
    Voicesubmenu->setText(dialogcaption(38));
    usesapi5submenu->setText(caption(27));
    environmentsubmenu->setText(dialogcaption(5));
    soundssubmenu->setText(dialogcaption(20));
    braillekeyboarditem->setText(caption(46));
    helpmenu->setTitle(caption(34));
    aboutsubmenu->setText(caption(35));
    printmemo->setAccessibleName(caption(26));
    // An open menu is announced by its own name, not by its menu bar entry.
    for (QMenu* menu : { Programmenu, settingsmenu, helpmenu })
        menu->setAccessibleName(menu->title().remove('&'));
}

void TForm1::StartsubmenuClick()
{
    // Only the run is queued: the items go grey now, so a second Ctrl+S
    // cannot queue a second run, and the run never sits inside a closing menu.
    setrunmenusenabled(false);
    QTimer::singleShot(0, this, &TForm1::runprogramnow);
}

void TForm1::runprogramnow()
{
    // A run that ends with an error gives the menus back too; otherwise
    // Start would be dead until the next start of the application. All six
    // come back, Voice included: with the voice off it then says so.
    struct TRunMenuGuard {
        TForm1* form;
        ~TRunMenuGuard() { form->setrunmenusenabled(true); }
    } guard { this };

    if (!toldifwrong(rereadchosenprogram))
        return;
    if (m_hooks.preparevoiceforrun)
        m_hooks.preparevoiceforrun();
    tellunreadablesettings();
    runstart(m_program);
}

void TForm1::opensubmenuClick()
{
    std::string path = askprogramfile(this);
    if (!path.empty())
        openprogram(path);
}

// A program file that cannot be read or has a syntax error is said and
// shown, on the screen too, where its review and the Braille display keep
// it; false then.
bool TForm1::toldifwrong(const std::function<void()>& read)
{
    try {
        read();
    } catch (const std::exception& error) {
        ignoringerrors([] { speech().stopspeech(); });
        printmessage(cp1250::fromutf8(error.what()));
        screenchanged();
        showerror(error.what());
        return false;
    }
    return true;
}

void TForm1::openprogram(const std::string& path)
{
    if (!toldifwrong([&] { chooseprogramfile(path); }))
        return;
    settitle();
    ignoringerrors([] { speech().speak(cp1250::fromutf8(chosenprogramname())); });
}

void TForm1::setrunmenusenabled(bool enabled)
{
    opensubmenu->setEnabled(enabled);
    Startsubmenu->setEnabled(enabled);
    soundssubmenu->setEnabled(enabled);
    environmentsubmenu->setEnabled(enabled);
    Voicesubmenu->setEnabled(enabled);
    usesapi5submenu->setEnabled(enabled);
    helpmenu->menuAction()->setEnabled(enabled);
}

void TForm1::exitsubmenuClick()
{
    // Either way the memory is saved on the way out.
    if (Startsubmenu->isEnabled())
        close();
    else
        endatonce();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (m_ending) {
        event->ignore();
        return;
    }
    if (!Startsubmenu->isEnabled()) {
        event->ignore();
        endatonce();
        return;
    }
    m_ending = true;
    saveramonending();
    releaseengines();
    event->accept();
}

void TForm1::endatonce()
{
    m_ending = true;
    saveramonending();
    releaseengines();
    ignoringerrors([] { speech().stopspeech(); });
    exitprocess(0);
}

// No way out is ever refused: a memory that cannot be saved (a full disk, a
// read-only folder) is said, with where, the old file stays as it was, and
// the program ends. The window goes at once; the voice is given a few
// seconds to say why.
void TForm1::saveramonending()
{
    try {
        saveram(filelocations.ramfile);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vorkana: %s\n", error.what());
        hide();
        tell(error.what(), true);
        ignoringerrors([&] {
            QTimer limit;
            limit.setSingleShot(true);
            connect(&limit, &QTimer::timeout, [] { speech().stopspeech(); });
            limit.start(endingspeechlimitms);
            speech().stopspeech();
            speech().speakwait(cp1250::fromutf8(error.what()));
        });
    }
}

void TForm1::endwithoutsaving()
{
    releaseengines();
    exitprocess(1);
}

void TForm1::releaseengines() noexcept
{
    if (m_hooks.releaseengines)
        ignoringerrors(m_hooks.releaseengines);
}

void TForm1::braillekeyboarditemClick()
{
    bool switchedon = braillekeyboarditem->isChecked();
    // Saved before the signal: an exit during its tones ends the process.
    switches.braillekeyboard = switchedon;
    writesettings(TSettingsFile(settingsfilename));
    playswitchsignal(switchedon);
}

void TForm1::usesapi5submenuClick()
{
    bool checked = usesapi5submenu->isChecked();
    Voicesubmenu->setEnabled(!checked);
    if (m_hooks.switchsapi5)
        m_hooks.switchsapi5(checked);
}

void TForm1::environmentsubmenuClick()
{
    if (Form3)
        Form3->choose();
}

void TForm1::aboutsubmenuClick()
{
    if (Aboutbox)
        Aboutbox->exec();
}

void TForm1::TimerTimer()
{
    tonetimerexpired();
}

void TForm1::FormKeyDown(int key, TShiftState shift)
{
    ::FormKeyDown(key, shift, { m_hooks.showvirtualscreen, [this] { endatonce(); } });
}

void TForm1::FormKeyPress(char character)
{
    ::FormKeyPress(character);
}

void TForm1::FormKeyUp(int key)
{
    ::FormKeyUp(key);
}

void TForm1::keepcaretstill()
{
    // Text put in at the caret would push it along, and every move of the
    // caret makes a screen reader read the line it lands on.
    QTextCursor caret = printmemo->textCursor();
    if (caret.keepPositionOnInsert())
        return;
    caret.setKeepPositionOnInsert(true);
    printmemo->setTextCursor(caret);
}

namespace {

// A row of the screen as the window shows it: a cleared row is as wide as
// a written one, all blanks, so no row is ever empty.
QString screenline(int row)
{
    return cp1250::toqstring(::screen.line(row)).leftJustified(TScreen::columns, u' ');
}

}

// The window and the Braille display follow the screen.
void TForm1::screenchanged()
{
    refreshscreen();
    if (m_hooks.screenchanged)
        m_hooks.screenchanged();
}

void TForm1::refreshscreen()
{
    // Only the lines that changed are replaced, and the caret is left where
    // it is, so a screen reader does not start reading over our own speech.
    QTextDocument* document = printmemo->document();
    if (document->blockCount() != TScreen::rows) {
        QStringList lines;
        for (int row = 0; row < TScreen::rows; ++row)
            lines << screenline(row);
        printmemo->setPlainText(lines.join('\n'));
        keepcaretstill();
        return;
    }
    for (int row = 0; row < TScreen::rows; ++row) {
        QString line = screenline(row);
        QTextBlock block = document->findBlockByNumber(row);
        if (block.text() == line)
            continue;
        // The new text goes in after the old and the old is taken out, so
        // nothing is put in at the caret: text put in there moves the
        // caret's anchor along and leaves the line selected, and a screen
        // reader reads a selected insertion aloud. Lines are never empty
        // (screenline), so "after the old" is never the caret's place.
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock);
        int oldlength = block.length() - 1;
        cursor.insertText(line);
        cursor.setPosition(block.position());
        cursor.setPosition(block.position() + oldlength, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
}
