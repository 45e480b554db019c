#pragma once
// What each of our windows shows on the Braille display and what the
// display's keys do there: the main window the screen line holding the
// cursor, the virtual screen the line being reviewed with the review
// position, the data entry dialog its field with the caret. Our other
// dialogs and the menus have nothing of their own: where a screen reader
// runs, the display is left to it, as it is while another program has
// the focus; without one, the display shows the focused control or menu
// item (shell/controlline.h). Also the Settings menu's check item that
// switches the display on and off. The session (braille/braillesession.h)
// does the showing; this only follows the focus and the windows' changes.

#include <QObject>

class QAction;
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

protected:
    // A key may change the control shown (a check box ticked, a menu item
    // moved to).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class TShown { none, control, main, review, entry };

    void followfocus();
    void brailledisplayitemClick();
    void showmain();
    void showreview();
    void showentry();
    void reviewroute(int column);

    TBrailleSession& m_session;
    TApplicationWindows& m_windows;
    TShown m_shown = TShown::none;
    // The window the display is taken for; 0 while it is left.
    unsigned long m_taken = 0;
};
