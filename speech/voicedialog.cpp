#include "platform/screenreader.h"
#include "speech/voicedialog.h"

#include "platform/messagebox.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/services.h"
#include "runtime/settings.h"
#include "speech/TTSVar.h"
#include "speech/speechmessages.h"
#include "speech/voiceselection.h"
#include "runtime/ResourceLocalizer.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

namespace {

QString caption(int index)
{
    return QString::fromStdString(text(index));
}

// Screen readers read the caption without its accelerator mark.
QString accessiblename(int index)
{
    return caption(index).remove('&');
}

void sayutf8(const std::string& utf8)
{
    speech().speakwait(cp1250::fromutf8(utf8));
}

// What the dialog says of its controls as they get the focus: queued, never
// waited for, as the screen reader's events would pile up behind a focus
// handler that waits; and left to a screen reader that listens, which names
// the controls itself.
void announceutf8(const std::string& utf8)
{
    if (!screenreaderlistening())
        speech().speak(cp1250::fromutf8(utf8));
}

}

TForm4::TForm4(QWidget* parent)
    : QDialog(parent)
{
    FormCreate();
}

TForm4::~TForm4()
{
    voiceselection.changed = nullptr;
    voiceselection.dialogactive = nullptr;
}

void TForm4::FormCreate()
{
    setFixedSize(521, 388);
    voicelist = new QListWidget(this);
    voicelist->setGeometry(80, 64, 121, 97);
    voicestatic = new QLabel(this);
    voicestatic->setGeometry(80, 48, 60, 17);
    auto makeslider = [this](int top) {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setGeometry(256, top, 150, 45);
        slider->setRange(0, 10);
        slider->setValue(0);
        slider->setSingleStep(1);
        slider->setPageStep(2);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setTickInterval(1);
        slider->setEnabled(false);
        return slider;
    };
    auto makelabel = [this](int top, QWidget* buddy) {
        auto* label = new QLabel(this);
        label->setGeometry(256, top, 90, 17);
        label->setBuddy(buddy);
        label->setEnabled(false);
        return label;
    };
    pitchtb = makeslider(64);
    pitchstatic = makelabel(48, pitchtb);
    speedtb = makeslider(121);
    speedstatic = makelabel(104, speedtb);
    volumetb = makeslider(184);
    volumestatic = makelabel(168, volumetb);
    voicestatic->setBuddy(voicelist);
    vyberhlasbitbtn = new QPushButton(this);
    vyberhlasbitbtn->setGeometry(80, 256, 105, 25);
    vyberhlasbitbtn->setDefault(true);
    closebitbtn = new QPushButton(this);
    closebitbtn->setGeometry(264, 256, 75, 25);
    // Labels are not tab stops; the tab order is the controls'.
    setTabOrder(voicelist, pitchtb);
    setTabOrder(pitchtb, speedtb);
    setTabOrder(speedtb, volumetb);
    setTabOrder(volumetb, vyberhlasbitbtn);
    setTabOrder(vyberhlasbitbtn, closebitbtn);

    // The voice engines' objects and the sink come first.
    voiceselection.createsink();
    showvoicemessagebox = [](const std::string& message) { showmessage(message); };

    setWindowTitle(caption(11));
    voicestatic->setText(caption(12));
    pitchstatic->setText(caption(13));
    speedstatic->setText(caption(14));
    volumestatic->setText(caption(15));
    vyberhlasbitbtn->setText(caption(16));
    closebitbtn->setText(caption(17));
    voicelist->setAccessibleName(accessiblename(12));
    pitchtb->setAccessibleName(accessiblename(13));
    speedtb->setAccessibleName(accessiblename(14));
    volumetb->setAccessibleName(accessiblename(15));
    vyberhlasbitbtn->setAccessibleName(accessiblename(16));
    closebitbtn->setAccessibleName(accessiblename(17));

    for (QWidget* control : std::initializer_list<QWidget*> { voicelist, pitchtb, speedtb, volumetb, vyberhlasbitbtn, closebitbtn })
        control->installEventFilter(this);
    connect(voicelist, &QListWidget::currentRowChanged, this, &TForm4::voicelistClick);
    connect(pitchtb, &QSlider::valueChanged, this, [this](int value) { slidersChange(TProsodyKind::pitch, value); });
    connect(speedtb, &QSlider::valueChanged, this, [this](int value) { slidersChange(TProsodyKind::speed, value); });
    connect(volumetb, &QSlider::valueChanged, this, [this](int value) { slidersChange(TProsodyKind::volume, value); });
    connect(vyberhlasbitbtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(closebitbtn, &QPushButton::clicked, this, &QDialog::reject);

    voiceselection.changed = [this] { refresh(); };
    voiceselection.dialogactive = [this] { return isactive(); };

    switches.voiceallowed = TSettingsFile(settingsfilename).readboolean(settings::voiceallowed);
    if (switches.voiceallowed)
        voiceselection.fillvoicelist();
    fillworddelimiters();
}

bool TForm4::isactive() const
{
    return isVisible() && isActiveWindow();
}

void TForm4::refresh()
{
    const TVoiceChoice& choice = voiceselection.choice;
    {
        QSignalBlocker blocker(voicelist);
        QStringList names;
        for (const auto& name : choice.names)
            names << QString::fromStdString(name);
        QStringList shown;
        for (int row = 0; row < voicelist->count(); ++row)
            shown << voicelist->item(row)->text();
        if (shown != names) {
            voicelist->clear();
            voicelist->addItems(names);
        }
        voicelist->setCurrentRow(choice.selected);
    }
    auto show = [](QSlider* slider, QLabel* label, TProsodyKind kind) {
        const TProsodyValue& value = voiceselection.value(kind);
        QSignalBlocker blocker(slider);
        slider->setRange(value.minimum, value.maximum);
        slider->setValue(value.value);
        slider->setTickInterval(value.tickspacing);
        slider->setEnabled(voiceselection.prosodyenabled());
        label->setEnabled(voiceselection.prosodyenabled());
    };
    show(pitchtb, pitchstatic, TProsodyKind::pitch);
    show(speedtb, speedstatic, TProsodyKind::speed);
    show(volumetb, volumestatic, TProsodyKind::volume);
}

bool TForm4::event(QEvent* event)
{
    bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate && !dialogentered)
        FormActivate();
    return handled;
}

void TForm4::FormActivate()
{
    announceutf8(text(11));
    announceutf8(text(12) + " " + voiceselection.choice.selectedname());
    dialogentered = true;
}

bool TForm4::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::FocusIn)
        return QDialog::eventFilter(watched, event);
    if (watched == voicelist)
        QMetaObject::invokeMethod(this, &TForm4::focuscurrentvoice, Qt::QueuedConnection);
    // Activating the window hands the focused control the focus again: at
    // the opening the activation announcement has said the voice already,
    // and coming back from another window or a message box moves the
    // focus nowhere, so nothing is said again.
    Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return false;
    if (watched == voicelist)
        voicelistEnter();
    else if (watched == pitchtb)
        announce(text(13) + " " + std::to_string(pitchtb->value()));
    else if (watched == speedtb)
        announce(text(14) + " " + std::to_string(speedtb->value()));
    else if (watched == volumetb)
        announce(text(15) + " " + std::to_string(volumetb->value()));
    else if (watched == vyberhlasbitbtn)
        announce(text(16));
    else if (watched == closebitbtn)
        announce(text(17));
    return false;
}

void TForm4::voicelistEnter()
{
    // The list gets the focus while the dialog is activated: its name
    // follows the title, not before it.
    if (!dialogentered)
        return;
    announce(text(12) + " " + voiceselection.choice.selectedname());
}

void TForm4::focuscurrentvoice()
{
    // Qt tells a screen reader which item has the focus only when the
    // current item changes in a focused list, so a screen reader named the
    // list without the voice in use until the user moved in it. Told after
    // the list's own focus, which would otherwise cover the item.
    int row = voicelist->currentRow();
    if (row < 0 || !voicelist->hasFocus())
        return;
    QAccessibleEvent focus(voicelist, QAccessible::Focus);
    focus.setChild(row);
    QAccessible::updateAccessibility(&focus);
}

void TForm4::announce(const std::string& utf8)
{
    if (isactive())
        if (TTTSCentral* engine = voiceselection.engine())
            engine->audioreset();
    announceutf8(utf8);
}

void TForm4::voicelistClick(int row)
{
    voiceselection.selectposition(row);
}

void TForm4::slidersChange(TProsodyKind kind, int value)
{
    voiceselection.setvalue(kind, value);
}

void TForm4::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TForm4::FormClose()
{
    dialogentered = false;
}

void voicesubmenucommand(TForm4& form, const std::string& mainwindowtitle)
{
    if (!switches.voiceallowed) {
        showvoicemessagebox(text(18));
        return;
    }
    // The saved voice first: selecting and saving the preselected voice
    // before restoring would overwrite the user's saved choice whenever the
    // dialog is the first thing to use the voice after start-up.
    voiceselection.restorevoice();
    form.refresh();
    form.voicelist->setFocus();
    if (form.exec() == QDialog::Accepted) {
        voiceselection.savevoicesettings();
        voiceselection.applyvoicesettings();
        sayutf8(text(19));
    } else if (!screenreaderlistening()) {
        // A screen reader names the main window as it gets the focus back.
        sayutf8(mainwindowtitle);
    }
}
