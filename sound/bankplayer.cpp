#include "sound/bankplayer.h"

void TBankPlayer::startlooped(const std::string& name, int rate, int volume)
{
    auto& item = m_bank.FindItem(name);
    item.SetLooped(true);
    item.SetPlayRate(rate);
    item.SetPlayVolume(volume);
    item.StartPlay(false);
}

void TBankPlayer::stopall(const std::string& name)
{
    m_bank.FindItem(name).StopAll();
}

void TBankPlayer::cutall(const std::string& name)
{
    m_bank.FindItem(name).CutAll();
}

void TBankPlayer::playwait(const std::string& name, int volume)
{
    auto& item = m_bank.FindItem(name);
    item.SetPlayVolume(volume);
    item.StartPlay(true);
}
