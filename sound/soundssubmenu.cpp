#include "sound/soundssubmenu.h"

#include "runtime/cells.h"
#include "runtime/settings.h"
#include "runtime/switchsettings.h"
#include "sound/sounddialog.h"
#include "sound/volumeslider.h"
#include "runtime/ResourceLocalizer.h"

#include <QCheckBox>
#include <QSlider>

namespace {

void preparedialog(TForm5& dialog)
{
    dialog.voicecheckbox->setChecked(switches.voiceallowed);
    dialog.vorkanasoundschk->setChecked(switches.soundsenabled);
    // A volume between steps becomes the step it shows, through the
    // slider's change handler; the dialog is not active yet, so no tone.
    dialog.sndvoltrackbar->setValue(sliderposition(switches.soundvolume));
    dialog.sndvoltrackbar->setEnabled(switches.soundsenabled);
    dialog.voicecheckbox->setFocus();
}

void allowvoiceifasked(TForm5& dialog, const TVoiceAllowing& allowing)
{
    if (!dialog.voicecheckbox->isChecked() || switches.voiceallowed)
        return;
    if (allowing.voiceenumeratorexists && allowing.voiceenumeratorexists()) {
        allowing.allowvoice();
    } else {
        dialog.voicecheckbox->setChecked(false);
        allowing.showmessage(text(40));
    }
}

}

void soundssubmenucommand(TForm5& dialog, const TVoiceAllowing& allowing)
{
    preparedialog(dialog);
    int rememberedvolume = switches.soundvolume;
    if (dialog.exec() != QDialog::Accepted) {
        switches.soundvolume = rememberedvolume;
        return;
    }
    allowvoiceifasked(dialog, allowing);
    switches.voiceallowed = dialog.voicecheckbox->isChecked();
    // The Voice command sets the own voice up: it stays off while the
    // system voice speaks.
    if (allowing.enablevoicecommand)
        allowing.enablevoicecommand(switches.voiceallowed && !switches.usesapi5);
    switches.soundsenabled = dialog.vorkanasoundschk->isChecked();
    writesettings(TSettingsFile(settingsfilename));
}
