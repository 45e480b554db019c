#pragma once
// Tells the user what runtime/notices.h is told, where they meet it: on
// the main window's status line, which a screen reader reads and shows, on
// the Braille display, and in the program's voice when it can be heard.
// Standard error has it from its senders.

#include "runtime/notices.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QLabel;
class QStatusBar;

class TNoticeBoard : public QObject {
public:
    // Takes what is told from every thread from now on, and what was told
    // before; braille shows a text on the display, say speaks one (text in
    // the program's code page).
    TNoticeBoard(QStatusBar* statusbar, std::function<void(const QString&)> braille,
        std::function<void(const std::string&)> say);
    ~TNoticeBoard() override;

    QLabel* statusline() const { return m_statusline; }

private:
    void show(const TTelling& telling);

    QLabel* m_statusline;
    std::function<void(const QString&)> m_braille;
    std::function<void(const std::string&)> m_say;
    std::optional<TNotice> m_last;
};
