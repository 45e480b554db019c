#include "runtime/services.h"

#include "runtime/tones.h"

#include <chrono>
#include <ctime>
#include <optional>
#include <random>
#include <thread>

namespace {

// Stands in before a window exists: waits really wait and the tone timer
// runs on the clock, so a tone started now still ends on time.
class TNoHost final : public TRuntimeHost {
public:
    void pumpevents() override { }
    void waitforevent() override
    {
        if (!m_tonedeadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return;
        }
        std::this_thread::sleep_until(*m_tonedeadline);
        tonetimerexpired();
    }
    void sleepms(int milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
    void starttonetimer(int milliseconds) override
    {
        m_tonedeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    }
    void stoptonetimer() override { m_tonedeadline.reset(); }
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
    std::optional<std::chrono::steady_clock::time_point> m_tonedeadline;
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
