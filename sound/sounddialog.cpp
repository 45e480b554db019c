#include "sound/sounddialog.h"

#include "runtime/cells.h"
#include "runtime/tones.h"
#include "sound/volumeslider.h"
#include "runtime/ResourceLocalizer.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

QString caption(int index)
{
    return QString::fromStdString(text(index));
}

// Screen readers read the name; the "&" of an accelerator is not spoken.
QString accessiblename(int index)
{
    return caption(index).remove('&');
}

}

TForm5::TForm5(QWidget* parent)
    : QDialog(parent)
{
    voicecheckbox = new QCheckBox(this);
    vorkanasoundschk = new QCheckBox(this);
    sndvolstatic = new QLabel(this);
    sndvoltrackbar = new QSlider(Qt::Horizontal, this);
    sndvoltrackbar->setRange(0, 100);
    sndvolstatic->setBuddy(sndvoltrackbar);
    okbitbtn = new QPushButton(this);
    okbitbtn->setDefault(true);
    cancelbitbtn = new QPushButton(this);

    auto buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okbitbtn);
    buttons->addWidget(cancelbitbtn);
    auto layout = new QVBoxLayout(this);
    layout->addWidget(voicecheckbox);
    layout->addWidget(vorkanasoundschk);
    layout->addWidget(sndvolstatic);
    layout->addWidget(sndvoltrackbar);
    layout->addLayout(buttons);

    setTabOrder(voicecheckbox, vorkanasoundschk);
    setTabOrder(vorkanasoundschk, sndvoltrackbar);
    setTabOrder(sndvoltrackbar, okbitbtn);
    setTabOrder(okbitbtn, cancelbitbtn);

    connect(okbitbtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelbitbtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(sndvoltrackbar, &QSlider::valueChanged, this, &TForm5::sndvoltrackbarChange);
    connect(vorkanasoundschk, &QCheckBox::clicked, this, &TForm5::vorkanasoundschkClick);
    FormCreate();
}

void TForm5::FormCreate()
{
    setWindowTitle(caption(21));
    voicecheckbox->setText(caption(22));
    vorkanasoundschk->setText(caption(39));
    sndvolstatic->setText(caption(28));
    okbitbtn->setText(caption(7));
    cancelbitbtn->setText(caption(8));
    voicecheckbox->setAccessibleName(accessiblename(22));
    vorkanasoundschk->setAccessibleName(accessiblename(39));
    sndvoltrackbar->setAccessibleName(accessiblename(28));
    okbitbtn->setAccessibleName(accessiblename(7));
    cancelbitbtn->setAccessibleName(accessiblename(8));
}

void TForm5::sndvoltrackbarChange(int position)
{
    switches.soundvolume = slidervolume(position);
    // Setting the slider while the dialog opens must stay silent.
    if (isActiveWindow())
        sound({ 1000 }, 100, 1);
}

void TForm5::vorkanasoundschkClick()
{
    sndvoltrackbar->setEnabled(vorkanasoundschk->isChecked());
}
