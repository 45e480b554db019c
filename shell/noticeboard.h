#pragma once
// Tells the user the notices of runtime/notices.h where they meet them: on
// the main window's status line, which a screen reader reads and shows, on
// the Braille display, and, when it is news that sound works again, in the
// program's own voice. Standard error has them from their senders.

#include "runtime/notices.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QLabel;
class QStatusBar;

class TNoticeBoard : public QObject {
public:
    // Takes the notices from every thread from now on; braille shows a
    // text on the display.
    TNoticeBoard(QStatusBar* statusbar, std::function<void(const QString&)> braille);
    ~TNoticeBoard() override;

    QLabel* statusline() const { return m_statusline; }

private:
    void show(TNotice notice);

    QLabel* m_statusline;
    std::function<void(const QString&)> m_braille;
    std::optional<TNotice> m_last;
};
