#include "platform/screenreader.h"
#include "speech/voiceselection.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/services.h"
#include "runtime/settings.h"
#include "speech/speechmessages.h"
#include "runtime/ResourceLocalizer.h"

#include <QString>
#include <algorithm>
#include <climits>

TVoiceSelection voiceselection;

namespace {

// The name a fresh system prefers when nothing has been saved yet.
constexpr const char* preferredvoice = "Jakub";

int toint(std::uint32_t value)
{
    return static_cast<int>(std::min<std::uint32_t>(value, INT_MAX));
}

void sayutf8(const std::string& utf8)
{
    speech().speakwait(cp1250::fromutf8(utf8));
}

}

std::string TVoiceChoice::selectedname() const
{
    if (selected < 0 || selected >= static_cast<int>(names.size()))
        return {};
    return names[static_cast<size_t>(selected)];
}

std::string prosodytag(TProsodyKind kind, int value)
{
    // The tags carry an unsigned number; the volume travels as the engine's
    // 16-bit level, whose high byte the slider shows.
    unsigned number = static_cast<unsigned>(std::max(value, 0));
    switch (kind) {
    case TProsodyKind::speed:
        return "\\Spd=" + std::to_string(number) + "\\";
    case TProsodyKind::pitch:
        return "\\Pit=" + std::to_string(number) + "\\";
    case TProsodyKind::volume:
        return "\\Vol=" + std::to_string(number * 256) + "\\";
    }
    return {};
}

void TVoiceSelection::initspeech(std::unique_ptr<TTTSEnum> enumerator)
{
    m_engine.reset();
    m_sinkkey = 0;
    m_currentmode.clear();
    m_enumerator = std::move(enumerator);
}

void TVoiceSelection::createsink()
{
    if (!m_sink)
        m_sink = std::make_shared<TTTSNotifySink>();
}

void TVoiceSelection::release()
{
    m_engine.reset();
    m_enumerator.reset();
}

const TProsodyValue& TVoiceSelection::value(TProsodyKind kind) const
{
    return const_cast<TVoiceSelection*>(this)->valueref(kind);
}

TProsodyValue& TVoiceSelection::valueref(TProsodyKind kind)
{
    switch (kind) {
    case TProsodyKind::speed:
        return m_speed;
    case TProsodyKind::pitch:
        return m_pitch;
    case TProsodyKind::volume:
        break;
    }
    return m_volume;
}

void TVoiceSelection::notifychanged()
{
    if (changed)
        changed();
}

void TVoiceSelection::fillvoicelist()
{
    if (!m_enumerator)
        return;
    // Emptied first: list positions must stay the enumeration's positions,
    // also when the voice is allowed a second time.
    choice.names = m_enumerator->modes();
    choice.selected = -1;
    if (!choice.names.empty()) {
        auto preferred = std::find(choice.names.begin(), choice.names.end(), preferredvoice);
        choice.selected = preferred == choice.names.end() ? 0 : static_cast<int>(preferred - choice.names.begin());
    }
    notifychanged();
    fetchmode();
}

void TVoiceSelection::fetchmode()
{
    if (!m_enumerator)
        return;
    if (isdialogactive() && m_engine)
        m_engine->audioreset();
    std::vector<std::string> modes = m_enumerator->modes();
    if (choice.selected >= 0 && !modes.empty())
        m_currentmode = modes[std::min(static_cast<size_t>(choice.selected), modes.size() - 1)];
    // A screen reader that listens reads the list's new item itself.
    if (isdialogactive() && !screenreaderlistening())
        sayutf8(choice.selectedname());
}

void TVoiceSelection::selectposition(int position)
{
    if (position == choice.selected)
        return;
    choice.selected = position;
    fetchmode();
}

void TVoiceSelection::selectengine()
{
    if (switches.voiceready && m_engine)
        m_engine->unregistersink(m_sinkkey);
    m_engine.reset();
    // An enumerator without a single voice leaves the own voice silent.
    if (!m_enumerator || m_currentmode.empty())
        return;
    m_engine = m_enumerator->select(m_currentmode);
    switches.voiceready = true;
    probe(TProsodyKind::speed);
    probe(TProsodyKind::pitch);
    probe(TProsodyKind::volume);
    m_prosodyenabled = true;
    notifychanged();
    if (m_sink)
        m_sinkkey = m_engine->registersink(m_sink);
}

// Finds the range by setting the extremes, which the engine clamps to its
// own, then puts the first value back.
void TVoiceSelection::probe(TProsodyKind kind)
{
    TTTSCentral& engine = *m_engine;
    int minimum = 0;
    int maximum = 0;
    int current = 0;
    switch (kind) {
    case TProsodyKind::speed: {
        std::uint32_t first, low, high;
        if (!engine.speedget(first) || !engine.speedset(first))
            return;
        engine.speedset(0);
        engine.speedget(low);
        engine.speedset(0xFFFFFFFF);
        engine.speedget(high);
        engine.speedset(first);
        minimum = toint(low), maximum = toint(high), current = toint(first);
        break;
    }
    case TProsodyKind::pitch: {
        std::uint16_t first, low, high;
        if (!engine.pitchget(first) || !engine.pitchset(first))
            return;
        engine.pitchset(0);
        engine.pitchget(low);
        engine.pitchset(0xFFFF);
        engine.pitchget(high);
        engine.pitchset(first);
        minimum = low, maximum = high, current = first;
        break;
    }
    case TProsodyKind::volume: {
        std::uint32_t first, low, high;
        if (!engine.volumeget(first) || !engine.volumeset(first))
            return;
        engine.volumeset(0);
        engine.volumeget(low);
        engine.volumeset(0xFFFFFFFF);
        engine.volumeget(high);
        engine.volumeset(first);
        auto highbyte = [](std::uint32_t level) { return static_cast<int>((level >> 8) & 255); };
        minimum = highbyte(low), maximum = highbyte(high), current = highbyte(first);
        break;
    }
    }
    TProsodyValue& target = valueref(kind);
    int previous = target.value;
    target.minimum = minimum;
    target.maximum = maximum;
    if (kind != TProsodyKind::volume)
        target.tickspacing = (maximum - minimum) / 10;
    target.value = current;
    notifychanged();
    if (current != previous)
        setprosody(kind, current);
}

void TVoiceSelection::setvalue(TProsodyKind kind, int value)
{
    TProsodyValue& target = valueref(kind);
    int clamped = std::clamp(value, target.minimum, std::max(target.minimum, target.maximum));
    if (clamped == target.value)
        return;
    target.value = clamped;
    notifychanged();
    setprosody(kind, clamped);
}

void TVoiceSelection::setprosody(TProsodyKind kind, int value)
{
    if (m_engine) {
        m_engine->audioreset();
        m_engine->inject(prosodytag(kind, value));
    }
    if (isdialogactive())
        speech().speakwait(std::to_string(value));
}

void TVoiceSelection::applyvoicesettings()
{
    if (!switches.voiceallowed)
        return;
    TSettingsFile file(settingsfilename);
    std::string person = file.readtext(settings::person);
    if (person.empty())
        return;
    QString wanted = QString::fromStdString(person);
    auto match = std::find_if(choice.names.begin(), choice.names.end(), [&](const std::string& name) {
        return QString::fromStdString(name).compare(wanted, Qt::CaseInsensitive) == 0;
    });
    if (match == choice.names.end()) {
        showvoicemessagebox(text(43) + " " + person);
        endprocessnow();
        return;
    }
    choice.selected = static_cast<int>(match - choice.names.begin());
    notifychanged();
    fetchmode();
    selectengine();
    setvalue(TProsodyKind::pitch, file.readinteger(settings::pitch));
    setvalue(TProsodyKind::speed, file.readinteger(settings::speed));
    setvalue(TProsodyKind::volume, file.readinteger(settings::volume));
}

void TVoiceSelection::savevoicesettings()
{
    TSettingsFile file(settingsfilename);
    file.writetext(settings::person, choice.selectedname());
    file.writeinteger(settings::pitch, m_pitch.value);
    file.writeinteger(settings::speed, m_speed.value);
    file.writeinteger(settings::volume, m_volume.value);
}

void TVoiceSelection::preparevoiceforrun()
{
    if (!switches.usesapi5)
        restorevoice();
}

void TVoiceSelection::prepareownvoice()
{
    if (!switches.voiceallowed)
        return;
    applyvoicesettings();
    if (!m_engine) {
        selectengine();
        savevoicesettings();
        applyvoicesettings();
    }
}

void TVoiceSelection::restorevoice()
{
    if (switches.voiceallowed)
        applyvoicesettings();
    if (!switches.voiceready && switches.voiceallowed) {
        selectengine();
        savevoicesettings();
        applyvoicesettings();
    }
}

void TVoiceSelection::allowvoice()
{
    fillvoicelist();
    selectengine();
    savevoicesettings();
}
