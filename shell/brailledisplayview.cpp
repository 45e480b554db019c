#include "shell/brailledisplayview.h"

#include "braille/braillesession.h"
#include "braille/screenline.h"
#include "runtime/ResourceLocalizer.h"
#include "runtime/codepage.h"
#include "runtime/screen.h"
#include "runtime/services.h"
#include "runtime/settings.h"
#include "shell/dataentrydialog.h"
#include "shell/displaykeys.h"
#include "shell/mainwindow.h"
#include "shell/windows.h"
#include "ui/virtualscreenwindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
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

    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TBrailleDisplayView::focuswindowchanged);
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

void TBrailleDisplayView::focuswindowchanged(QWindow* window)
{
    // A window of another program: BRLTTY itself gives the display to
    // whoever has the focus now.
    if (!window)
        return;
    auto is = [window](QWidget* form) { return form && form->windowHandle() == window; };
    m_session.windowchanged(window->winId());
    if (is(Form1)) {
        m_shown = TShown::main;
        m_session.setkeyhandlers({ displaychord, nullptr });
        showmain();
    } else if (is(Form6)) {
        m_shown = TShown::review;
        m_session.setkeyhandlers({ nullptr, [this](int column) { reviewroute(column); } });
        showreview();
    } else if (is(Form2)) {
        m_shown = TShown::entry;
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
    } else {
        // Our other dialogs are read by their controls; the display names
        // the window.
        m_shown = TShown::other;
        m_session.setkeyhandlers({});
        m_session.show(window->title(), -1);
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
