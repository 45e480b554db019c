#include "ui/aboutbox.h"

#include "runtime/ResourceLocalizer.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

TAboutbox* Aboutbox = nullptr;

namespace {

QString caption(int index)
{
    return QString::fromStdString(text(index));
}

constexpr int iconsize = 48;

}

TAboutbox::TAboutbox(QWidget* parent)
    : QDialog(parent)
{
    Aboutbox = this;
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    ProgramIcon = new QLabel(panel);
    QIcon icon = QApplication::windowIcon().isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon) : QApplication::windowIcon();
    ProgramIcon->setPixmap(icon.pixmap(iconsize, iconsize));
    ProgramIcon->setFixedSize(iconsize, iconsize);
    ProgramIcon->setScaledContents(true);
    ProductName = new QLabel(panel);
    Version = new QLabel(panel);
    Comments = new QLabel(panel);
    Comments->setWordWrap(true);

    auto* panellayout = new QGridLayout(panel);
    panellayout->addWidget(ProgramIcon, 0, 0, 2, 1, Qt::AlignTop);
    panellayout->addWidget(ProductName, 0, 1);
    panellayout->addWidget(Version, 1, 1);
    panellayout->addWidget(Comments, 2, 0, 1, 2);

    OKButton = new QPushButton(this);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FormCreate();
}

void TAboutbox::FormCreate()
{
    setWindowTitle(caption(36));
    ProductName->setText(caption(1));
    Version->setText(caption(37) + " " + vorkanaversion);
    OKButton->setText(caption(7));
    // A screen reader announces the dialog with its description, so what
    // the box shows is heard when it opens, not only when explored.
    ProgramIcon->setAccessibleName(caption(1));
    setAccessibleDescription(ProductName->text() + ", " + Version->text());
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
