#pragma once
// The environment dialog: the choice of the interface language. A click
// previews the captions in the chosen language at once; OK stores it for
// the next start, Cancel puts back the language the dialog opened with.

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QPushButton;

class TForm3 : public QDialog {
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);

    QGroupBox* languagergroup = nullptr;
    QButtonGroup* languagebuttons = nullptr;
    QPushButton* okbitbtn = nullptr;
    QPushButton* cancelbitbtn = nullptr;

    // Shows the dialog modally with the current language selected, and
    // stores or restores the language when it closes.
    void choose();

private:
    void FormCreate();
    void setcaptions();
    void select(int item);
    int selecteditem() const;
    void languagergroupClick(int item);
};

extern TForm3* Form3;
