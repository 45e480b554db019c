#pragma once
// The runtime's tones through the real host and the real sound system: the
// main window's Timer ends them, and a key handler's cuttone() cuts them
// short. Shared by the benchmarks that listen to tones.

#include "runtime/services.h"
#include "runtime/tones.h"
#include "shell/qthost.h"
#include "sound/soundsystem.h"

#include <QObject>
#include <QTimer>

struct TToneRig {
    QTimer timer;
    TQtHost host { timer, [] {}, [this] { system.sendchanges(); } };
    TSoundSystem system;

    explicit TToneRig(const char* bank)
    {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [] { tonetimerexpired(); });
        system.opendevice();
        system.holdchangesbetweenwaits();
        system.loadbank(bank);
        services.host = &host;
        services.sounds = &system.player();
    }
    ~TToneRig()
    {
        resetservices();
        system.release();
    }
};
