#include "shell/dataentrydialog.h"

#include "runtime/codepage.h"
#include "platform/keyevents.h"
#include "runtime/ResourceLocalizer.h"
#include "ui/fieldaccessible.h"
#include "ui/virtualscreenwindow.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

TForm2* Form2 = nullptr;

namespace {

QString caption(int index)
{
    return QString::fromStdString(text(index));
}

bool isreactivation(const QFocusEvent* event)
{
    return event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason;
}

}

TForm2::TForm2(QWidget* parent, std::function<void()> endatonce)
    : QDialog(parent)
{
    m_actions.showvirtualscreen = showvirtualscreen;
    m_actions.endatonce = std::move(endatonce);

    inputedit = new QLineEdit(this);
    makefieldaccessible(inputedit);
    Enterbitbtn = new QPushButton(this);
    exitprogrambtn = new QPushButton(this);
    Enterbitbtn->setDefault(true);
    Enterbitbtn->setAutoDefault(true);
    exitprogrambtn->setAutoDefault(false);
    connect(Enterbitbtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(exitprogrambtn, &QPushButton::clicked, this, &TForm2::exitprogrambtnClick);
    for (QWidget* control : { static_cast<QWidget*>(inputedit), static_cast<QWidget*>(Enterbitbtn),
             static_cast<QWidget*>(exitprogrambtn) })
        control->installEventFilter(this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Enterbitbtn);
    buttons->addWidget(exitprogrambtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(inputedit);
    layout->addLayout(buttons);
    FormCreate();
    Form2 = this;
    setlineinput(this);
}

TForm2::~TForm2()
{
    if (&lineinput() == this)
        setlineinput(nullptr);
    if (Form2 == this)
        Form2 = nullptr;
}

std::string TForm2::inputline()
{
    inputedit->clear();
    dataentry.atedge = false;
    // Only Enter gives the line; closing the window another way brings the
    // dialog back, as the program still waits for it.
    while (exec() != QDialog::Accepted) {
    }
    return cp1250::fromqstring(inputedit->text());
}

void TForm2::FormCreate()
{
    setWindowTitle(caption(23));
    Enterbitbtn->setText(caption(7));
    exitprogrambtn->setText(caption(45));
    inputedit->setAccessibleName(caption(23));
    dataentry.savedprefix.clear();
}

TEditField TForm2::field() const
{
    return { cp1250::fromqstring(inputedit->text()), inputedit->cursorPosition() };
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        // Coming back to the dialog (from a message box, another window or
        // the virtual screen) moves the focus nowhere: nothing is said, so
        // what is being said goes on.
        if (dataentry.speakonfocus && isreactivation(static_cast<QFocusEvent*>(event)))
            return false;
        if (watched == inputedit)
            inputeditEnter(field());
        else if (watched == Enterbitbtn)
            buttonEnter(cp1250::fromqstring(Enterbitbtn->text()));
        else if (watched == exitprogrambtn)
            buttonEnter(cp1250::fromqstring(exitprogrambtn->text()));
        return false;
    }
    if (watched != inputedit)
        return false;

    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    if (m_forwarding)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    int code = virtualkeyof(key);
    // Enter presses the OK button and Tab moves on: the field's handlers
    // never see them.
    if (code == virtualkey::enter || code == virtualkey::tab)
        return false;

    if (event->type() == QEvent::KeyPress) {
        TShiftState shift { key->modifiers().testFlag(Qt::ShiftModifier), key->modifiers().testFlag(Qt::AltModifier),
            key->modifiers().testFlag(Qt::ControlModifier) };
        std::string typed = typedcharacters(key);
        // The field takes the key first and its echo follows, said of the
        // field as it was: the echo waits, handling events, and a key typed
        // meanwhile would otherwise go into the field before this one
        // (typed "ja" read "aj").
        TEditField before = field();
        if (!keptfromfield(typed)) {
            m_forwarding = true;
            QCoreApplication::sendEvent(watched, event);
            m_forwarding = false;
        }
        int outer = std::exchange(m_keydownrunning, code);
        inputeditKeyDown(code, shift, typed, before, m_actions);
        for (char character : typed)
            inputeditKeyPress(character);
        m_keydownrunning = outer;
        // A release held meanwhile comes once, after this key-down.
        for (auto held = m_heldreleases.begin(); held != m_heldreleases.end();) {
            if (held->code != code) {
                ++held;
                continue;
            }
            QCoreApplication::postEvent(watched, held->event.release());
            held = m_heldreleases.erase(held);
        }
        event->accept();
        return true;
    }
    // Released while its own key-down still speaks (Backspace's echo):
    // handled after it, or it would decode a chord held across it that the
    // key-down then takes again. Posting it back at once would bring it
    // round again at every event the speech wait handles, a busy loop for
    // as long as it speaks.
    if (code == m_keydownrunning) {
        m_heldreleases.push_back({ code,
            std::make_unique<QKeyEvent>(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
                key->nativeVirtualKey(), key->nativeModifiers(), key->text(), key->isAutoRepeat(), key->count()) });
        return true;
    }
    if (!key->isAutoRepeat()) {
        TEditField before = field();
        TEditField after = before;
        inputeditKeyUp(code, key->modifiers().testFlag(Qt::ControlModifier), after);
        if (after.text != before.text) {
            inputedit->setText(cp1250::toqstring(after.text));
            inputedit->setCursorPosition(after.caret);
        }
    }
    return false;
}

void TForm2::keyPressEvent(QKeyEvent* event)
{
    // The dialog has no Cancel: Escape does not close it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm2::done(int result)
{
    dataentryclosed();
    QDialog::done(result);
}

void TForm2::exitprogrambtnClick()
{
    if (m_actions.endatonce)
        m_actions.endatonce();
}
