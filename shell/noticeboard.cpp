#include "shell/noticeboard.h"

#include "runtime/codepage.h"
#include "runtime/services.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QStatusBar>

TNoticeBoard::TNoticeBoard(QStatusBar* statusbar, std::function<void(const QString&)> braille)
    : m_statusline(new QLabel(statusbar))
    , m_braille(std::move(braille))
{
    statusbar->addWidget(m_statusline, 1);
    QPointer<TNoticeBoard> board(this);
    // Sent from any thread; the board is looked for on the GUI thread.
    noticereceiver = [board](TNotice notice) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [board, notice] {
                if (board)
                    board->show(notice);
            },
            Qt::QueuedConnection);
    };
}

TNoticeBoard::~TNoticeBoard()
{
    noticereceiver = nullptr;
}

void TNoticeBoard::show(TNotice notice)
{
    // A service that fails again and again is told of once, not each time.
    if (m_last == notice)
        return;
    m_last = notice;
    QString text = QString::fromStdString(noticetext(notice));
    m_statusline->setText(text);
    if (m_braille)
        m_braille(text);
    if (noticeisheard(notice))
        speech().speak(cp1250::fromutf8(noticetext(notice)));
}
