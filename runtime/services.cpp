#include "runtime/services.h"

#include <chrono>
#include <ctime>
#include <random>
#include <thread>

namespace {

// Stands in before a window exists: waits really wait, the tone timer has no
// one to call back, so the tone wait relies on the caller.
class TNoHost final : public TRuntimeHost {
public:
    void pumpevents() override { }
    void waitforevent() override { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
    void sleepms(int milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
    void starttonetimer(int) override { }
    void stoptonetimer() override { }
    TTimeOfDay timeofday() override
    {
        std::time_t now = std::time(nullptr);
        std::tm local {};
        localtime_r(&now, &local);
        return { local.tm_hour, local.tm_min, local.tm_sec };
    }
    double randomdraw() override { return std::uniform_real_distribution<double>(0.0, 1.0)(generator); }
    void reseedrandom() override { generator.seed(std::random_device {}()); }
    void screenchanged() override { }

private:
    std::mt19937_64 generator { std::random_device {}() };
};

class TSilentSpeaker final : public TSpeaker {
public:
    void speak(const std::string&) override { }
    void speakwait(const std::string&) override { }
    void speakchar(const std::string&) override { }
    void stopspeech() override { }
};

class TSilentSounds final : public TSoundPlayer {
public:
    void startlooped(const std::string&, int, int) override { }
    void stopall(const std::string&) override { }
    void playwait(const std::string&, int) override { }
};

TNoHost nohost;
TSilentSpeaker silentspeaker;
TSilentSounds silentsounds;

}

TRuntimeServices services { &nohost, &silentspeaker, &silentsounds };

void resetservices()
{
    services = { &nohost, &silentspeaker, &silentsounds };
}

TRuntimeHost& host() { return *services.host; }
TSpeaker& speech() { return *services.speech; }
TSoundPlayer& sounds() { return *services.sounds; }
