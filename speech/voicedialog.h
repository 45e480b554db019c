#pragma once
// The voice settings dialog: the voice list and the pitch, speed and volume
// sliders over the voice selection, every control announcing itself and
// every change heard at once. The choice and the values live in
// voiceselection; the dialog shows them and hands over the user's moves.

#include <QDialog>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
enum class TProsodyKind;

class TForm4 : public QDialog {
    Q_OBJECT

public:
    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

    QListWidget* voicelist = nullptr;
    QLabel* voicestatic = nullptr;
    QSlider* pitchtb = nullptr;
    QLabel* pitchstatic = nullptr;
    QSlider* speedtb = nullptr;
    QLabel* speedstatic = nullptr;
    QSlider* volumetb = nullptr;
    QLabel* volumestatic = nullptr;
    QPushButton* vyberhlasbitbtn = nullptr;
    QPushButton* closebitbtn = nullptr;

    bool dialogentered = false;

    // Shows the voice selection's list and values.
    void refresh();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void FormCreate();
    void FormActivate();
    void FormClose();
    void voicelistClick(int row);
    void voicelistEnter();
    // Tells a screen reader that the voice in use has the focus.
    void focuscurrentvoice();
    void slidersChange(TProsodyKind kind, int value);
    // The focus arrived on a control: cut off speech, say what it is.
    void announce(const std::string& utf8);
    bool isactive() const;
};

// The Voice menu command: selects and restores the saved voice, shows the
// dialog, then saves and applies the choice (OK) or says the main window's
// title (UTF-8) and saves nothing.
void voicesubmenucommand(TForm4& form, const std::string& mainwindowtitle);
