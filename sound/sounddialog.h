#pragma once
// The sound settings dialog: the voice and device-sound switches and the
// volume slider, which sets the volume live and plays a test tone at each
// step while the dialog is the active window. What happens on OK and Cancel
// is the sounds command's business (soundssubmenu.h).

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

class TForm5 : public QDialog {
    Q_OBJECT

public:
    explicit TForm5(QWidget* parent = nullptr);

    QCheckBox* voicecheckbox = nullptr;
    QCheckBox* vorkanasoundschk = nullptr;
    QSlider* sndvoltrackbar = nullptr;
    QPushButton* okbitbtn = nullptr;
    QPushButton* cancelbitbtn = nullptr;
    QLabel* sndvolstatic = nullptr;

private:
    void FormCreate();
    void sndvoltrackbarChange(int position);
    void vorkanasoundschkClick();
};
