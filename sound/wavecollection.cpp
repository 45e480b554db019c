#include "sound/wavecollection.h"

#include "runtime/filetexts.h"
#include "runtime/soundplayer.h"

#include "runtime/errors.h"
#include "sound/sounddevice.h"
#include "sound/volume.h"

#include <QString>
#include <cerrno>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <soxr.h>

TWaveCollectionItem::TWaveCollectionItem(TStoredWave stored, TSoundDevice* device)
    : Name(std::move(stored.Name))
    , Wave(std::move(stored.Wave))
    , m_device(device)
    , m_looped(stored.Looped)
    , m_maxplayingcount(std::max(0, stored.MaxPlayingCount))
{
    if (!m_device || Wave.data.empty())
        return;
    m_decoded = decodewave(Wave);
    if (!m_decoded)
        throw TVorkanaError("Sound Buffer cannot be made");
    if (m_decoded->samples.empty())
        return;
    m_mainbuffer = m_device->mixer().createchannel();
    // The loop's analysis is done here, at start-up, so the first tone never
    // waits for it.
    if (m_looped)
        m_wavetables = std::make_unique<TLoopWavetables>(m_decoded->samples);
}

TWaveCollectionItem::~TWaveCollectionItem()
{
    dropinstances();
    if (m_mainbuffer)
        m_device->mixer().releasechannel(*m_mainbuffer);
}

void TWaveCollectionItem::SetLooped(bool looped)
{
    if (looped == m_looped)
        return;
    StopAll();
    m_looped = looped;
}

void TWaveCollectionItem::SetMaxPlayingCount(int count)
{
    count = std::max(0, count);
    if (count != m_maxplayingcount)
        dropinstances();
    m_maxplayingcount = count;
}

void TWaveCollectionItem::SetPlayRate(int rate)
{
    PlayRate = rate;
    if (m_mainbuffer && m_looped) {
        auto table = looptable();
        m_device->mixer().setloop(
            *m_mainbuffer, table, m_wavetables->loopspersecond(effectiverate()), m_device->commandframe());
    }
}

void TWaveCollectionItem::SetPlayVolume(int volume)
{
    PlayVolume = volume;
    if (m_mainbuffer)
        m_device->mixer().setgain(*m_mainbuffer, volumegain(volume), m_device->commandframe());
}

int TWaveCollectionItem::effectiverate() const
{
    return PlayRate > 0 ? PlayRate : m_decoded->rate;
}

std::shared_ptr<const std::vector<float>> TWaveCollectionItem::looptable()
{
    if (!m_wavetables)
        m_wavetables = std::make_unique<TLoopWavetables>(m_decoded->samples);
    return m_wavetables->table(m_wavetables->loopspersecond(effectiverate()), m_device->mixer().outputrate());
}

std::shared_ptr<const std::vector<float>> TWaveCollectionItem::oneshotsamples()
{
    // An audio buffer takes no frequency outside the wave rates; a rate set
    // beyond them plays at the nearest one.
    int rate = std::clamp(effectiverate(), lowestwaverate, highestwaverate);
    auto& samples = m_oneshots[rate];
    if (samples)
        return samples;
    int outputrate = m_device->mixer().outputrate();
    const auto& input = m_decoded->samples;
    // A one-shot that would last longer than this is cut: slowed down far
    // enough, a small wave would otherwise ask for gigabytes.
    std::size_t inputframes = std::min(input.size(), longestoneshotframes(outputrate) * std::size_t(rate) / std::size_t(outputrate) + 1);
    auto resampled = std::make_shared<std::vector<float>>(
        static_cast<std::size_t>(double(inputframes) * outputrate / rate) + 1);
    std::size_t made = 0;
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_oneshot(rate, outputrate, 1, input.data(), inputframes, nullptr, resampled->data(), resampled->size(),
        &made, &io, &quality, nullptr);
    resampled->resize(made);
    samples = std::move(resampled);
    return samples;
}

TMixer::TChannel TWaveCollectionItem::pickinstance()
{
    auto& mixer = m_device->mixer();
    for (auto instance : m_instances)
        if (!mixer.playing(instance))
            return instance;
    if (m_maxplayingcount == 0 || m_maxplayingcount > instancecount()) {
        m_instances.push_back(mixer.createchannel());
        return m_instances.back();
    }
    // All allowed instances sound: the oldest starts over, and is now the newest.
    auto oldest = m_instances.front();
    m_instances.erase(m_instances.begin());
    m_instances.push_back(oldest);
    return oldest;
}

void TWaveCollectionItem::StartPlay(bool wait)
{
    if (!m_device || !m_mainbuffer)
        return;
    auto& mixer = m_device->mixer();
    if (m_looped) {
        auto table = looptable();
        mixer.playlooped(*m_mainbuffer, table, m_wavetables->loopspersecond(effectiverate()), volumegain(PlayVolume),
            m_device->commandframe());
        return;
    }
    auto samples = oneshotsamples();
    auto instance = pickinstance();
    mixer.playonce(instance, samples, volumegain(PlayVolume), m_device->commandframe());
    if (wait)
        m_device->waituntilheard(instance);
}

void TWaveCollectionItem::StopAll()
{
    if (m_device)
        stopfrom(m_device->commandframe());
}

void TWaveCollectionItem::CutAll()
{
    if (!m_device)
        return;
    stopfrom(m_device->cutframe());
    // A cut is not the first half of a junction: it goes out at once.
    m_device->mixer().sendchanges();
}

void TWaveCollectionItem::stopfrom(std::int64_t frame)
{
    auto& mixer = m_device->mixer();
    if (m_mainbuffer)
        mixer.stop(*m_mainbuffer, frame);
    for (auto instance : m_instances)
        mixer.stop(instance, frame);
}

void TWaveCollectionItem::dropinstances()
{
    for (auto instance : m_instances)
        m_device->mixer().releasechannel(instance);
    m_instances.clear();
}

TWaveCollection::TWaveCollection(TSoundDevice* device)
    : m_device(device)
{
}

void TWaveCollection::LoadBank(const std::string& filename)
{
    m_items.clear();
    std::ifstream file(filename, std::ios::binary);
    if (!file)
        throw TVorkanaError(filetext(TFileText::soundbanknotread, filename, filefailure(errno)));
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        throw TBankError(TBankFault::endstooearly, "Stream read error");
    std::vector<std::unique_ptr<TWaveCollectionItem>> items;
    for (auto& stored : readbank(bytes))
        items.push_back(std::make_unique<TWaveCollectionItem>(std::move(stored), m_device));
    m_items = std::move(items);
}

TWaveCollectionItem& TWaveCollection::FindItem(const std::string& name)
{
    QString wanted = QString::fromStdString(name);
    for (auto item = m_items.rbegin(); item != m_items.rend(); ++item)
        if (QString::fromStdString((*item)->Name).compare(wanted, Qt::CaseInsensitive) == 0)
            return **item;
    throw TWaveNotFound(name);
}
