#include "tests/support/scriptedhost.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/screen.h"
#include "runtime/services.h"
#include "runtime/tones.h"

#include <algorithm>

TScriptedHost::TScriptedHost()
{
    services = { this, this, this };
    setlineinput(this);
}

TScriptedHost::~TScriptedHost()
{
    resetservices();
    setlineinput(nullptr);
}

std::string TScriptedHost::inputline()
{
    if (typedlines.empty())
        overrun("the program asked for a line the script does not type");
    std::string line = std::move(typedlines.front());
    typedlines.pop_front();
    record("typed " + line);
    return cp1250::fromutf8(line);
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

std::vector<std::string> foldruns(const std::vector<std::string>& entries)
{
    std::vector<std::string> folded;
    for (size_t k = 0; k < entries.size();) {
        size_t end = k;
        while (end < entries.size() && entries[end] == entries[k])
            ++end;
        folded.push_back(end - k == 1 ? entries[k] : entries[k] + " \xC3\x97" + std::to_string(end - k));
        k = end;
    }
    return folded;
}

void TScriptedHost::overrun(const std::string& what) const
{
    std::string message = what + "; the transcript ends with:";
    std::vector<std::string> tail = foldruns(transcript);
    for (size_t k = tail.size() > 12 ? tail.size() - 12 : 0; k < tail.size(); ++k)
        message += "\n  " + tail[k];
    if (!m_keys.empty()) {
        const auto& next = m_keys.front();
        message += "\nthe next scripted key, " + cp1250::toutf8(next.key) + ", waits for "
            + (next.attime >= 0 ? std::to_string(next.attime) + " ms" : "\"" + next.afterutf8 + "\"");
    }
    throw TScriptOverrun(message);
}

void TScriptedHost::advance(long long milliseconds)
{
    m_drawsonthisclock = 0;
    now += milliseconds;
    if (now > limitms)
        overrun("the program ran past " + std::to_string(limitms) + " ms of virtual time");
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
bool TScriptedHost::deliverdue(bool polling)
{
    if (m_keys.empty() || !due(m_keys.front(), polling))
        return false;
    TScriptedKey key = m_keys.front();
    m_keys.pop_front();
    record("key " + (key.key == " " ? std::string("space") : cp1250::toutf8(key.key)));
    m_searchfrom = transcript.size();
    cuttone();
    runtimecells.keybuffer = key.key;
    if (onkeydelivered)
        onkeydelivered(key.key);
    return true;
}

// A program that polls on and on without a key coming is stuck at a
// question the script does not answer; say so now rather than loop.
void TScriptedHost::pumpevents()
{
    if (deliverdue(true))
        m_idlepolls = 0;
    else if (++m_idlepolls > idlepolllimit)
        overrun(std::string("the program polled the keyboard ") + std::to_string(idlepolllimit) + " times without a key "
            + (m_keys.empty() ? "(the script has none left)" : "due"));
}

void TScriptedHost::waitforevent()
{
    long long next = m_timerdeadline;
    if (!m_keys.empty() && m_keys.front().attime >= 0 && (next < 0 || m_keys.front().attime < next))
        next = m_keys.front().attime;
    if (next < 0)
        overrun("the program waits for an event that will never come");
    if (next > now)
        advance(next - now);
    deliverdue(false);
    if (m_timerdeadline >= 0 && now >= m_timerdeadline)
        tonetimerexpired();
}

void TScriptedHost::givewindowturn()
{
    ++windowturns;
    if (onwindowturn)
        onwindowturn();
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

// A program that draws on and on while the clock stands still is in a
// loop that never reaches the player.
double TScriptedHost::randomdraw()
{
    if (++m_drawsonthisclock > 100000)
        overrun("the program drew 100000 random numbers without the clock moving");
    if (draws.empty())
        return 0.5;
    double draw = draws.front();
    draws.pop_front();
    return draw;
}

void TScriptedHost::reseedrandom()
{
    ++reseeds;
    record("reseed");
}

void TScriptedHost::screenchanged()
{
    bool blank = std::all_of(&screen.line(0), &screen.line(0) + TScreen::rows,
        [](const std::string& line) { return line.find_first_not_of(' ') == std::string::npos; });
    if (blank && !m_screenblank)
        record("screen cleared");
    m_screenblank = blank;
}

void TScriptedHost::speak(const std::string& text)
{
    record("speak " + cp1250::toutf8(text));
}

void TScriptedHost::speakwait(const std::string& text)
{
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

namespace {

std::string volumenote(int volume)
{
    return volume == switches.soundvolume ? std::string() : " volume " + std::to_string(volume);
}

}

// A tone wave "snd<voice><timbre>" is told by its value, so a transcript
// reads like the program's SOUND statements.
void TScriptedHost::startlooped(const std::string& name, int rate, int volume)
{
    endtone(name, false);
    TSoundingTone tone { transcript.size(), now, "tone " + name + " " + std::to_string(rate), {}, volumenote(volume) };
    if (name.size() == 5 && name.rfind("snd", 0) == 0 && rate % 64 == 0) {
        tone.head = "tone " + std::to_string(rate / 64);
        tone.tail = " timbre " + name.substr(4) + (name[3] == '1' ? "" : std::string(" voice ") + name[3]);
    }
    record(tone.head + tone.tail + tone.volume);
    if (recordsounds)
        m_sounding[name] = tone;
}

void TScriptedHost::endtone(const std::string& name, bool cut)
{
    auto sounding = m_sounding.find(name);
    if (sounding == m_sounding.end())
        return;
    TSoundingTone tone = sounding->second;
    m_sounding.erase(sounding);
    // A length on this clock only when this host keeps the time.
    std::string length = services.host == this ? " " + std::to_string(now - tone.started) + "ms" : "";
    if (tone.entry < transcript.size())
        transcript[tone.entry] = tone.head + length + tone.tail + (cut ? " cut" : "") + tone.volume;
}

void TScriptedHost::stopall(const std::string& name)
{
    if (m_sounding.count(name))
        endtone(name, false);
    else
        record("end " + name);
}

void TScriptedHost::cutall(const std::string& name)
{
    if (m_sounding.count(name))
        endtone(name, true);
    else
        record("end " + name);
}

void TScriptedHost::playwait(const std::string& name, int volume)
{
    record("play " + name + volumenote(volume));
    auto length = wavelengthms.find(name);
    advance(length == wavelengthms.end() ? 50 : length->second);
}
