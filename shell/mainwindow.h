#pragma once
// The main window: the screen the running program prints on, the menus,
// start-up (settings, device memory, sound bank, Braille tables), the Start
// command, the key handlers and every way of ending. The work itself lives
// in plain modules beside it; the speech and sound subsystems are reached
// through TMainWindowHooks.

#include "shell/keyhandlers.h"
#include "shell/mainwindowhooks.h"
#include "shell/qthost.h"

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QPlainTextEdit;
class TMainKeyFilter;

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // The program is what the Start command runs.
    TForm1(TMainWindowHooks hooks, std::function<void()> program);
    ~TForm1() override;

    QPlainTextEdit* printmemo = nullptr;
    QMenu* Programmenu = nullptr;
    QAction* opensubmenu = nullptr;
    QAction* Startsubmenu = nullptr;
    QAction* exitsubmenu = nullptr;
    QMenu* settingsmenu = nullptr;
    QAction* braillekeyboarditem = nullptr;
    QAction* soundssubmenu = nullptr;
    QAction* Voicesubmenu = nullptr;
    QAction* usesapi5submenu = nullptr;
    QAction* environmentsubmenu = nullptr;
    QMenu* helpmenu = nullptr;
    QAction* aboutsubmenu = nullptr;
    QTimer Timer;

    // Makes the BASIC program file what Start runs and names it in the
    // title; a file that cannot be read or has a syntax error is told,
    // spoken and shown, and the previous choice stays.
    void openprogram(const std::string& path);

    void FormKeyDown(int key, TShiftState shift);
    void FormKeyPress(char character);
    void FormKeyUp(int key);

    // Saves the device memory, releases sound and speech and ends the
    // process without returning. Tests replace the ending itself.
    void endatonce();
    // Releases sound and speech and ends the process, saving nothing: the
    // sound bank or the saved voice is missing.
    void endwithoutsaving();
    static inline std::function<void(int status)> exitprocess;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void setcaptions();
    void settitle();
    void opensubmenuClick();
    void StartsubmenuClick();
    void runprogramnow();
    bool toldifwrong(const std::function<void()>& read);
    void exitsubmenuClick();
    void braillekeyboarditemClick();
    void usesapi5submenuClick();
    void environmentsubmenuClick();
    void aboutsubmenuClick();
    void TimerTimer();

    void setrunmenusenabled(bool enabled);
    void saveramonending();
    void releaseengines() noexcept;
    void screenchanged();
    void refreshscreen();
    void keepcaretstill();

    TMainWindowHooks m_hooks;
    std::function<void()> m_program;
    std::unique_ptr<TQtHost> m_host;
    TMainKeyFilter* m_keyfilter = nullptr;
    bool m_ending = false;
};

extern TForm1* Form1;
