#pragma once
// The runtime's sound player over the bank: tone voices as looped items at a
// rate, clicks and beeps as one-shots waited for until heard.

#include "runtime/soundplayer.h"
#include "sound/wavecollection.h"

class TBankPlayer final : public TSoundPlayer {
public:
    explicit TBankPlayer(TWaveCollection& bank)
        : m_bank(bank)
    {
    }

    void startlooped(const std::string& name, int rate, int volume) override;
    void stopall(const std::string& name) override;
    void cutall(const std::string& name) override;
    void playwait(const std::string& name, int volume) override;

private:
    TWaveCollection& m_bank;
};
