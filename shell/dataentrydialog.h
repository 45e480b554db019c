#pragma once
// The data entry dialog: one line typed without seeing it, every key
// echoed by voice, the ends of the line signalled by sounds, and Braille
// chords spoken while keyed (see shell/dataentry.h for what it says). It is
// how a running program's INPUT reads a line: shown empty, it gives its
// line at Enter; Escape does not close it, and its exit button ends the
// application.

#include "runtime/lineinput.h"
#include "shell/dataentry.h"

#include <QDialog>
#include <memory>
#include <vector>

class QKeyEvent;
class QLineEdit;
class QPushButton;

class TForm2 : public QDialog, public TLineInput {
    Q_OBJECT

public:
    // endatonce saves the device memory and ends the process. The dialog is
    // the runtime's line input while it lives.
    TForm2(QWidget* parent, std::function<void()> endatonce);
    ~TForm2() override;

    // Shows the dialog with an empty field until a line is confirmed.
    std::string inputline() override;

    QLineEdit* inputedit = nullptr;
    QPushButton* Enterbitbtn = nullptr;
    QPushButton* exitprogrambtn = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    TEditField field() const;
    void exitprogrambtnClick();

    TDataEntryActions m_actions;
    // The key whose key-down is being handled; its key-down may wait for
    // speech, and its release, coming meanwhile, is held until it ends.
    int m_keydownrunning = -1;
    struct THeldRelease {
        int code;
        std::unique_ptr<QKeyEvent> event;
    };
    std::vector<THeldRelease> m_heldreleases;
    // A key press is being handed to the field ahead of its echo.
    bool m_forwarding = false;
};

extern TForm2* Form2;
