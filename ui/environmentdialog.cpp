#include "ui/environmentdialog.h"

#include "platform/messagebox.h"
#include "runtime/settings.h"
#include "runtime/ResourceLocalizer.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TForm3* Form3 = nullptr;

namespace {

QString caption(int index)
{
    return QString::fromStdString(text(index));
}

}

TForm3::TForm3(QWidget* parent)
    : QDialog(parent)
{
    Form3 = this;
    languagergroup = new QGroupBox(this);
    languagebuttons = new QButtonGroup(this);
    auto* grouplayout = new QVBoxLayout(languagergroup);
    std::vector<std::pair<std::string, int>> languages;
    TResourceLocalizer::GetLanguages(languages);
    for (size_t item = 0; item < languages.size(); ++item) {
        auto* button = new QRadioButton(QString::fromStdString(languages[item].first), languagergroup);
        button->setProperty("language", languages[item].second);
        languagebuttons->addButton(button, static_cast<int>(item));
        grouplayout->addWidget(button);
    }
    connect(languagebuttons, &QButtonGroup::idClicked, this, &TForm3::languagergroupClick);

    okbitbtn = new QPushButton(this);
    okbitbtn->setDefault(true);
    cancelbitbtn = new QPushButton(this);
    connect(okbitbtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelbitbtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okbitbtn);
    buttons->addWidget(cancelbitbtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(languagergroup);
    layout->addLayout(buttons);

    FormCreate();
}

void TForm3::FormCreate()
{
    select(0);
    readlanguage(settingsfilename);
    setcaptions();
}

void TForm3::setcaptions()
{
    setWindowTitle(caption(10));
    languagergroup->setTitle(caption(9));
    // The mnemonic's "&" is for the eye; a screen reader would read it out.
    languagergroup->setAccessibleName(caption(9).remove('&'));
    okbitbtn->setText(caption(7));
    cancelbitbtn->setText(caption(8));
}

void TForm3::select(int item)
{
    if (QAbstractButton* button = languagebuttons->button(item)) {
        button->setChecked(true);
        return;
    }
    // A language without a button (a number the table does not know)
    // leaves no item selected.
    languagebuttons->setExclusive(false);
    if (QAbstractButton* checked = languagebuttons->checkedButton())
        checked->setChecked(false);
    languagebuttons->setExclusive(true);
}

int TForm3::selecteditem() const
{
    return languagebuttons->checkedId();
}

void TForm3::choose()
{
    int openedlanguage = CurrentLanguage;
    select(CurrentLanguage / 1000 - 1);
    int openeditem = selecteditem();
    if (QAbstractButton* button = languagebuttons->checkedButton())
        button->setFocus();
    else
        languagergroup->setFocus();

    if (exec() != QDialog::Accepted) {
        // A cancelled dialog changes nothing, not even the language of the
        // texts looked up from now on.
        CurrentLanguage = openedlanguage;
        setcaptions();
        return;
    }
    writelanguage(settingsfilename);
    if (selecteditem() != openeditem)
        showmessage(text(6));
}

void TForm3::languagergroupClick(int item)
{
    CurrentLanguage = languagebuttons->button(item)->property("language").toInt();
    setcaptions();
}
