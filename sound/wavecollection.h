#pragma once
// The sound bank in memory: the named waves of "sounds.dat" as items that
// play through the sound device. An item owns its main buffer (the channel
// a looped wave plays on) and its one-shot instances, reused up to
// MaxPlayingCount. Reading the file is bankfile's business; mixing is the
// mixer's.

#include "sound/bankfile.h"
#include "sound/loopwavetables.h"
#include "sound/mixer.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TSoundDevice;

// The longest a one-shot sounds, in output frames: ten seconds, far beyond
// any click or beep.
constexpr std::size_t longestoneshotframes(int outputrate)
{
    return std::size_t(outputrate) * 10;
}

class TWaveCollectionItem {
public:
    // Without a device the item holds its wave but plays nothing.
    TWaveCollectionItem(TStoredWave stored, TSoundDevice* device);
    ~TWaveCollectionItem();
    TWaveCollectionItem(const TWaveCollectionItem&) = delete;
    TWaveCollectionItem& operator=(const TWaveCollectionItem&) = delete;

    const std::string Name;
    const TWave Wave;
    int PlayRate = 0; // samples per second; 0 plays at the wave's own rate
    int PlayPan = 0;
    int PlayVolume = 0; // hundredths of a decibel

    bool Looped() const { return m_looped; }
    int MaxPlayingCount() const { return m_maxplayingcount; }
    int instancecount() const { return static_cast<int>(m_instances.size()); }

    // A change stops every sounding instance first.
    void SetLooped(bool looped);
    // Drops the instances, which were made for the old limit.
    void SetMaxPlayingCount(int count);
    void SetPlayRate(int rate);
    void SetPlayVolume(int volume);
    // A looped item restarts its main buffer from the beginning and returns;
    // a one-shot starts an instance and, with wait, returns once it has been
    // heard.
    void StartPlay(bool wait);
    void StopAll();
    // Stops every sounding instance as soon as the output can, without
    // waiting for the frame the command's moment falls on.
    void CutAll();

private:
    int effectiverate() const;
    std::shared_ptr<const std::vector<float>> looptable();
    std::shared_ptr<const std::vector<float>> oneshotsamples();
    TMixer::TChannel pickinstance();
    void dropinstances();
    void stopfrom(std::int64_t frame);

    TSoundDevice* m_device;
    bool m_looped;
    int m_maxplayingcount;
    std::optional<TDecodedWave> m_decoded;
    std::optional<TMixer::TChannel> m_mainbuffer;
    std::vector<TMixer::TChannel> m_instances; // oldest first
    std::unique_ptr<TLoopWavetables> m_wavetables;
    std::map<int, std::shared_ptr<const std::vector<float>>> m_oneshots; // by play rate
};

class TWaveCollection {
public:
    // The device may be null: the bank then loads without buffers.
    explicit TWaveCollection(TSoundDevice* device = nullptr);

    // Empties the bank and reads the file; raises the bank file's messages.
    // Nothing of a malformed file stays loaded.
    void LoadBank(const std::string& filename);
    // Without regard to case; of two equal names the later one.
    TWaveCollectionItem& FindItem(const std::string& name);
    void clear() { m_items.clear(); }
    int Count() const { return static_cast<int>(m_items.size()); }

private:
    TSoundDevice* m_device;
    std::vector<std::unique_ptr<TWaveCollectionItem>> m_items;
};

// The wave list component: the collection, attached to the sound device.
class TWaveList {
public:
    explicit TWaveList(TSoundDevice* device = nullptr)
        : List(device)
    {
    }
    TWaveCollection List;
};
