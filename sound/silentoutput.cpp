#include "sound/silentoutput.h"

#include "sound/mixer.h"

#include <chrono>
#include <vector>

TSilentOutput::~TSilentOutput()
{
    close();
}

void TSilentOutput::start(TMixer& mixer)
{
    m_running = true;
    m_thread = std::thread([this, &mixer] {
        std::vector<float> block(static_cast<std::size_t>(blockframes));
        auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(double(blockframes) / rate()));
        auto next = std::chrono::steady_clock::now();
        std::unique_lock lock(m_lock);
        while (m_running) {
            lock.unlock();
            mixer.renderblock(block.data(), blockframes, std::chrono::steady_clock::now(), 0);
            lock.lock();
            next += period;
            m_closed.wait_until(lock, next, [this] { return !m_running; });
        }
    });
}

void TSilentOutput::close() noexcept
{
    {
        std::lock_guard lock(m_lock);
        m_running = false;
    }
    m_closed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}
