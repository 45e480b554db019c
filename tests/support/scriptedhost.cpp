#include "tests/support/scriptedhost.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/services.h"
#include "runtime/tones.h"

#include <stdexcept>

TScriptedHost::TScriptedHost()
{
    services = { this, this, this };
}

TScriptedHost::~TScriptedHost()
{
    resetservices();
}

void TScriptedHost::after(const std::string& saidutf8, const std::string& keyutf8)
{
    m_keys.push_back({ cp1250::fromutf8(keyutf8), saidutf8, -1 });
}

void TScriptedHost::at(long long milliseconds, const std::string& keyutf8)
{
    m_keys.push_back({ cp1250::fromutf8(keyutf8), {}, milliseconds });
}

void TScriptedHost::press(const std::string& keyutf8)
{
    m_keys.push_back({ cp1250::fromutf8(keyutf8), {}, -1 });
}

std::vector<std::string> TScriptedHost::said() const
{
    std::vector<std::string> texts;
    for (const auto& entry : transcript) {
        if (entry.rfind("say ", 0) == 0)
            texts.push_back(entry.substr(4));
        else if (entry.rfind("speak ", 0) == 0)
            texts.push_back(entry.substr(6));
    }
    return texts;
}

std::vector<std::string> TScriptedHost::heard() const
{
    std::vector<std::string> heard;
    for (const auto& entry : transcript)
        if (entry != "stop speech")
            heard.push_back(entry);
    return heard;
}

std::vector<std::string> TScriptedHost::entries(const std::string& prefix) const
{
    std::vector<std::string> found;
    for (const auto& entry : transcript)
        if (entry.rfind(prefix, 0) == 0)
            found.push_back(entry);
    return found;
}

void TScriptedHost::record(std::string entry)
{
    bool speechorkey = entry.rfind("say ", 0) == 0 || entry.rfind("speak ", 0) == 0 || entry.rfind("key ", 0) == 0;
    if (!recordsounds && !speechorkey)
        return;
    transcript.push_back(std::move(entry));
}

void TScriptedHost::advance(long long milliseconds)
{
    now += milliseconds;
    if (now > limitms)
        throw std::runtime_error("the program ran past the virtual time limit");
}

bool TScriptedHost::due(const TScriptedKey& key, bool polling) const
{
    if (key.attime >= 0)
        return now >= key.attime;
    if (!polling)
        return false;
    if (key.afterutf8.empty())
        return true;
    for (size_t k = m_searchfrom; k < transcript.size(); ++k) {
        const auto& entry = transcript[k];
        if ((entry.rfind("say ", 0) == 0 && entry.substr(4) == key.afterutf8)
            || (entry.rfind("speak ", 0) == 0 && entry.substr(6) == key.afterutf8))
            return true;
    }
    return false;
}

// One key at a time, as a person types: the key-down cuts speech and a
// sounding tone, the key's text lands in the key buffer.
void TScriptedHost::deliverdue(bool polling)
{
    if (m_keys.empty() || !due(m_keys.front(), polling))
        return;
    TScriptedKey key = m_keys.front();
    m_keys.pop_front();
    record("key " + cp1250::toutf8(key.key));
    m_searchfrom = transcript.size();
    cuttone();
    runtimecells.keybuffer = key.key;
    if (onkeydelivered)
        onkeydelivered(key.key);
}

void TScriptedHost::pumpevents()
{
    deliverdue(true);
}

void TScriptedHost::waitforevent()
{
    long long next = m_timerdeadline;
    if (!m_keys.empty() && m_keys.front().attime >= 0 && (next < 0 || m_keys.front().attime < next))
        next = m_keys.front().attime;
    if (next < 0)
        throw std::runtime_error("the program waits for an event that will never come");
    if (next > now)
        advance(next - now);
    deliverdue(false);
    if (m_timerdeadline >= 0 && now >= m_timerdeadline)
        tonetimerexpired();
}

void TScriptedHost::sleepms(int milliseconds)
{
    record("pause " + std::to_string(milliseconds));
    advance(milliseconds);
}

void TScriptedHost::starttonetimer(int milliseconds)
{
    m_timerdeadline = now + milliseconds;
}

void TScriptedHost::stoptonetimer()
{
    m_timerdeadline = -1;
}

TTimeOfDay TScriptedHost::timeofday()
{
    long long seconds = clockstart.hour * 3600LL + clockstart.minute * 60LL + clockstart.second + now / 1000;
    seconds %= 24 * 3600;
    return { static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60) };
}

double TScriptedHost::randomdraw()
{
    if (draws.empty())
        return 0.5;
    double draw = draws.front();
    draws.pop_front();
    return draw;
}

void TScriptedHost::reseedrandom()
{
    ++reseeds;
}

void TScriptedHost::speak(const std::string& text)
{
    record("speak " + cp1250::toutf8(text));
}

void TScriptedHost::speakwait(const std::string& text)
{
    if (text.empty())
        return;
    record("say " + cp1250::toutf8(text));
    advance(static_cast<long long>(text.size()) * speechmspercharacter);
}

void TScriptedHost::speakchar(const std::string& text)
{
    record("char " + cp1250::toutf8(text));
}

void TScriptedHost::stopspeech()
{
    record("stop speech");
}

void TScriptedHost::startlooped(const std::string& name, int rate, int)
{
    record("tone " + name + " " + std::to_string(rate));
}

void TScriptedHost::stopall(const std::string& name)
{
    record("end " + name);
}

void TScriptedHost::playwait(const std::string& name, int)
{
    record("play " + name);
    auto length = wavelengthms.find(name);
    advance(length == wavelengthms.end() ? 50 : length->second);
}
