#pragma once
// The about box: the product's name and version in the language of the
// start, with an OK button.

#include <QDialog>

class QLabel;
class QPushButton;

class TAboutbox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutbox(QWidget* parent = nullptr);

    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Comments = nullptr;
    QPushButton* OKButton = nullptr;

private:
    void FormCreate();
};

extern TAboutbox* Aboutbox;

inline constexpr const char* vorkanaversion = "1.7";
