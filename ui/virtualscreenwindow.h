#pragma once
// The virtual screen window: a read-only copy of the screen that the user
// reviews by voice with the editing keys (see ui/virtualscreen.h for what
// each key says). It is opened from the cursor keys with
// showvirtualscreen(), modally, so the running program waits meanwhile.

#include "ui/virtualscreen.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class TForm6 : public QDialog {
    Q_OBJECT

public:
    explicit TForm6(QWidget* parent = nullptr);

    QPlainTextEdit* virtualscrmemo = nullptr;
    QPushButton* closebitbtn = nullptr;

    // Copies the snapshot in, with the caret at its start.
    void loadscreen(const std::string& text);
    // The caret as an offset of the snapshot (line breaks count two).
    int caretoffset() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void virtualscrmemoKeyDown(int key);
    void virtualscrmemoKeyUp(int key, bool ctrl);

    TVirtualScreenReader m_reader;
};

extern TForm6* Form6;

// Opens the virtual screen with a copy of the screen, unless address 50730
// of the device memory holds 1, with the two-tone signal and "Screen" on
// the way in and "end of screen" on the way out.
void showvirtualscreen();
