#include "sound/silentoutput.h"

#include <chrono>
#include <vector>

TSilentOutput::TSilentOutput() = default;

TSilentOutput::~TSilentOutput()
{
    close();
}

void TSilentOutput::start(TRenderer renderer)
{
    m_running = true;
    m_thread = std::thread([this, renderer = std::move(renderer)] {
        std::vector<float> block(static_cast<std::size_t>(blockframes()));
        auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(double(blockframes()) / rate()));
        auto next = std::chrono::steady_clock::now();
        while (m_running) {
            renderer(block.data(), blockframes());
            next += period;
            std::this_thread::sleep_until(next);
        }
    });
}

void TSilentOutput::close() noexcept
{
    m_running = false;
    if (m_thread.joinable())
        m_thread.join();
}
