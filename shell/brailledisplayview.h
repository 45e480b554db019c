#pragma once
// What each of our windows shows on the Braille display and what the
// display's keys do there: the main window the screen line holding the
// cursor, the virtual screen the line being reviewed with the review
// position, the data entry dialog its field with the caret. Also the
// Settings menu's check item that switches the display on and off. The
// session (braille/braillesession.h) does the showing; this only follows
// the focus and the windows' changes.

#include <QObject>

class QAction;
class QWindow;
class TBrailleSession;
struct TApplicationWindows;

class TBrailleDisplayView : public QObject {
public:
    TBrailleDisplayView(TBrailleSession& session, TApplicationWindows& windows);

    // The main window's screen changed.
    void mainscreenchanged();
    // A notice, shown over the window's line for a while.
    void shownotice(const QString& text);

    QAction* brailledisplayitem = nullptr;

private:
    enum class TShown { other, main, review, entry };

    void focuswindowchanged(QWindow* window);
    void brailledisplayitemClick();
    void showmain();
    void showreview();
    void showentry();
    void reviewroute(int column);

    TBrailleSession& m_session;
    TApplicationWindows& m_windows;
    TShown m_shown = TShown::other;
};
