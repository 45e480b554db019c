#include "shell/noticeboard.h"

#include "runtime/codepage.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QStatusBar>

TNoticeBoard::TNoticeBoard(QStatusBar* statusbar, std::function<void(const QString&)> braille,
    std::function<void(const std::string&)> say)
    : m_statusline(new QLabel(statusbar))
    , m_braille(std::move(braille))
    , m_say(std::move(say))
{
    statusbar->addWidget(m_statusline, 1);
    QPointer<TNoticeBoard> board(this);
    // Told on any thread; the board is looked for on the GUI thread.
    setnoticereceiver([board](const TTelling& telling) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [board, telling] {
                if (board)
                    board->show(telling);
            },
            Qt::QueuedConnection);
    });
}

TNoticeBoard::~TNoticeBoard()
{
    setnoticereceiver(nullptr);
}

void TNoticeBoard::show(const TTelling& telling)
{
    if (telling.notice) {
        // A service that fails again and again is told of once, not each time.
        if (m_last == telling.notice)
            return;
        m_last = telling.notice;
    }
    std::string text = telling.notice ? noticetext(*telling.notice) : telling.message;
    QString shown = QString::fromStdString(text);
    m_statusline->setText(shown);
    if (m_braille)
        m_braille(shown);
    if (m_say && !telling.said && (!telling.notice || noticeisheard(*telling.notice)))
        m_say(cp1250::fromutf8(text));
}
