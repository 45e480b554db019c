#pragma once
// The data entry dialog: one line typed without seeing it, every key
// echoed by voice, the ends of the line signalled by sounds, and Braille
// chords spoken while keyed (see shell/dataentry.h for what it says). No
// command of the system shows it; a caller that does gets the modal result
// and the field's text.

#include "shell/dataentry.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

class TForm2 : public QDialog {
    Q_OBJECT

public:
    // endatonce saves the device memory and ends the process.
    TForm2(QWidget* parent, std::function<void()> endatonce);

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
    // speech, and its release, coming meanwhile, waits for it to finish.
    int m_keydownrunning = -1;
};

extern TForm2* Form2;
