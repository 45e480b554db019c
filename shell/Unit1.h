#pragma once
// The main window: the screen the running program prints on, and the Start
// command that runs it.

#include "shell/qthost.h"

#include <QMainWindow>
#include <QTimer>
#include <memory>

class QAction;
class QPlainTextEdit;

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    TForm1();
    ~TForm1() override;

    QPlainTextEdit* printmemo = nullptr;
    QAction* Startsubmenu = nullptr;
    QAction* exitsubmenu = nullptr;
    QTimer Timer;

private:
    void FormCreate();
    void StartsubmenuClick();
    void runprogramnow();
    void refreshscreen();

    std::unique_ptr<TQtHost> m_host;
};
