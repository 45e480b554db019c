#include "ui/virtualscreenwindow.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/functions.h"
#include "runtime/screen.h"
#include "runtime/services.h"
#include "runtime/tones.h"
#include "platform/keyevents.h"
#include "platform/screenreader.h"
#include "runtime/ResourceLocalizer.h"
#include "ui/screenaccessible.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

TForm6* Form6 = nullptr;

TForm6::TForm6(QWidget* parent)
    : QDialog(parent)
{
    virtualscrmemo = new QPlainTextEdit(this);
    virtualscrmemo->setReadOnly(true);
    // A read-only text still shows and moves its caret for the keyboard.
    virtualscrmemo->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    virtualscrmemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(14);
    virtualscrmemo->setFont(font);
    virtualscrmemo->installEventFilter(this);
    makescreenaccessible(virtualscrmemo, true);

    closebitbtn = new QPushButton(this);
    closebitbtn->setDefault(true);
    closebitbtn->setFocusPolicy(Qt::NoFocus);
    connect(closebitbtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(virtualscrmemo);
    layout->addWidget(closebitbtn, 0, Qt::AlignRight);
    resize(1000, 640);
    FormCreate();
    Form6 = this;
}

void TForm6::FormCreate()
{
    setWindowTitle(QString::fromStdString(text(26)));
    closebitbtn->setText(QString::fromStdString(text(17)));
    virtualscrmemo->setAccessibleName(QString::fromStdString(text(26)));
    closebitbtn->setAccessibleName(QString::fromStdString(text(17)).remove('&'));
}

void TForm6::loadscreen(const std::string& text)
{
    m_reader.load(text);
    // The widget separates lines with a single break; the reader counts
    // two, as the device does.
    std::string lines = text;
    for (size_t at = lines.find("\r\n"); at != std::string::npos; at = lines.find("\r\n", at))
        lines.erase(at, 1);
    virtualscrmemo->setPlainText(cp1250::toqstring(lines));
    virtualscrmemo->moveCursor(QTextCursor::Start);
}

int TForm6::caretoffset() const
{
    QTextCursor cursor = virtualscrmemo->textCursor();
    return cursor.position() + cursor.blockNumber();
}

bool TForm6::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != virtualscrmemo)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        virtualscrmemoKeyDown(virtualkeyof(key));
        return !isVisible();
    }
    if (event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            virtualscrmemoKeyUp(virtualkeyof(key), key->modifiers().testFlag(Qt::ControlModifier));
    }
    return QDialog::eventFilter(watched, event);
}

void TForm6::virtualscrmemoKeyDown(int key)
{
    if (m_reader.keydown(key, caretoffset()))
        reject();
}

void TForm6::virtualscrmemoKeyUp(int key, bool ctrl)
{
    m_reader.keyup(key, ctrl, caretoffset());
}

namespace {

void screensignal()
{
    sound({ 300, 450 }, 100, 5);
}

}

void showvirtualscreen()
{
    if (peek(50730) == 1 || !Form6)
        return;
    runtimecells.keybuffer.clear();
    Form6->loadscreen(screen.text());
    Form6->virtualscrmemo->setFocus();
    screensignal();
    // A screen reader that listens names the window as it opens.
    if (!screenreaderlistening())
        speech().speak(cp1250::fromutf8(text(26)));
    if (Form6->exec() == QDialog::Rejected) {
        screensignal();
        // A screen reader that listens says where the focus went back to.
        if (!screenreaderlistening())
            speech().speakwait(cp1250::fromutf8(text(30)));
    }
}
