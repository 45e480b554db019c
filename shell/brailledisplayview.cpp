#include "shell/brailledisplayview.h"

#include "braille/braillesession.h"
#include "braille/screenline.h"
#include "platform/screenreader.h"
#include "runtime/ResourceLocalizer.h"
#include "runtime/codepage.h"
#include "runtime/screen.h"
#include "runtime/services.h"
#include "runtime/settings.h"
#include "shell/controlline.h"
#include "shell/dataentrydialog.h"
#include "shell/displaykeys.h"
#include "shell/mainwindow.h"
#include "shell/windows.h"
#include "ui/virtualscreenwindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QWindow>

namespace {

QString brailledisplaycaption()
{
    switch (CurrentLanguage) {
    case 2000:
        return "Braille &display";
    case 3000:
        return "Braillovský &riadok";
    default:
        return "Braillský &řádek";
    }
}

TEditField entryfield()
{
    return { cp1250::fromqstring(Form2->inputedit->text()), Form2->inputedit->cursorPosition() };
}

void setentryfield(const TEditField& field)
{
    Form2->inputedit->setText(cp1250::toqstring(field.text));
    Form2->inputedit->setCursorPosition(field.caret);
}

}

TBrailleDisplayView::TBrailleDisplayView(TBrailleSession& session, TApplicationWindows& windows)
    : m_session(session)
    , m_windows(windows)
{
    TForm1* form1 = m_windows.form1.get();
    brailledisplayitem = new QAction(brailledisplaycaption(), form1);
    brailledisplayitem->setCheckable(true);
    form1->settingsmenu->insertAction(form1->soundssubmenu, brailledisplayitem);
    bool on = TSettingsFile(settingsfilename).readboolean(settings::brailledisplay);
    brailledisplayitem->setChecked(on);
    m_session.setenabled(on);
    connect(brailledisplayitem, &QAction::triggered, this, &TBrailleDisplayView::brailledisplayitemClick);

    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TBrailleDisplayView::followfocus);
    connect(qApp, &QApplication::focusChanged, this, &TBrailleDisplayView::followfocus);
    qApp->installEventFilter(this);
    if (Form6)
        connect(Form6->virtualscrmemo, &QPlainTextEdit::cursorPositionChanged, this, [this] {
            if (m_shown == TShown::review)
                showreview();
        });
    if (Form2) {
        auto entrychanged = [this] {
            if (m_shown == TShown::entry)
                showentry();
        };
        connect(Form2->inputedit, &QLineEdit::textChanged, this, entrychanged);
        connect(Form2->inputedit, &QLineEdit::cursorPositionChanged, this, entrychanged);
    }
}

void TBrailleDisplayView::brailledisplayitemClick()
{
    bool on = brailledisplayitem->isChecked();
    TSettingsFile(settingsfilename).writeboolean(settings::brailledisplay, on);
    m_session.setenabled(on);
}

bool TBrailleDisplayView::eventFilter(QObject*, QEvent* event)
{
    if (m_shown == TShown::control && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease))
        // After the control has taken the key.
        QMetaObject::invokeMethod(this, &TBrailleDisplayView::followfocus, Qt::QueuedConnection);
    return false;
}

void TBrailleDisplayView::followfocus()
{
    // A menu's popup never takes the desktop's focus: the window it opens
    // from keeps it, and BRLTTY looks for that one.
    QWidget* active = QApplication::activeWindow();
    bool menu = QApplication::activePopupWidget() || qobject_cast<QMenuBar*>(QApplication::focusWidget());
    TShown shown = TShown::control;
    if (!active || !QGuiApplication::focusWindow())
        shown = TShown::none;
    else if (menu)
        shown = TShown::control;
    else if (active == Form1)
        shown = TShown::main;
    else if (active == Form6)
        shown = TShown::review;
    else if (active == Form2)
        shown = TShown::entry;
    // The screen reader shows what it reads; without focus tracking BRLTTY
    // would keep showing us over it.
    unsigned long window = shown == TShown::none || (shown == TShown::control && screenreaderlistening())
        ? 0
        : active->winId();
    if (window != m_taken) {
        m_taken = window;
        m_session.windowchanged(window);
    }
    m_shown = window == 0 ? TShown::none : shown;
    switch (m_shown) {
    case TShown::none:
        m_session.setkeyhandlers({});
        break;
    case TShown::control:
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
            connect(menu, &QMenu::hovered, this, &TBrailleDisplayView::followfocus, Qt::UniqueConnection);
        m_session.setkeyhandlers({});
        m_session.show(focusedcontrolline(), -1);
        break;
    case TShown::main:
        m_session.setkeyhandlers({ displaychord, nullptr });
        showmain();
        break;
    case TShown::review:
        m_session.setkeyhandlers({ nullptr, [this](int column) { reviewroute(column); } });
        showreview();
        break;
    case TShown::entry:
        m_session.setkeyhandlers({
            [](const std::string& pattern) {
                TEditField field = entryfield();
                entrydisplaychord(pattern, field);
                setentryfield(field);
            },
            [](int column) {
                TEditField field = entryfield();
                entrydisplayroute(column, field);
                setentryfield(field);
            },
        });
        showentry();
        break;
    }
}

void TBrailleDisplayView::mainscreenchanged()
{
    if (m_shown == TShown::main)
        showmain();
}

void TBrailleDisplayView::shownotice(const QString& text)
{
    m_session.shownotice(text);
}

void TBrailleDisplayView::showmain()
{
    TShownLine shown = screenlineshown(::screen, scrcursor);
    m_session.show(shown.text, shown.cursor);
}

void TBrailleDisplayView::showreview()
{
    QTextCursor cursor = Form6->virtualscrmemo->textCursor();
    m_session.show(cursor.block().text(), cursor.positionInBlock());
}

void TBrailleDisplayView::showentry()
{
    m_session.show(Form2->inputedit->text(), Form2->inputedit->cursorPosition());
}

void TBrailleDisplayView::reviewroute(int column)
{
    QTextCursor cursor = Form6->virtualscrmemo->textCursor();
    QTextBlock block = cursor.block();
    if (column >= block.length() - 1)
        return;
    cursor.setPosition(block.position() + column);
    Form6->virtualscrmemo->setTextCursor(cursor);
    speech().stopspeech();
    speech().speakchar(cp1250::fromqstring(block.text().mid(column, 1)));
}
