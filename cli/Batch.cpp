#include "Batch.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace cli {

namespace {

/// Files per chunk: enough to keep the hand-over rare, few enough to share a batch evenly.
constexpr std::size_t kChunk = 16;

class InOrder {
public:
    InOrder(std::size_t count, const std::function<void(std::size_t)>& work,
            const std::function<bool(std::size_t)>& deliver)
        : m_count(count), m_chunks((count + kChunk - 1) / kChunk), m_work(work), m_deliver(deliver),
          m_done(std::make_unique<std::atomic<bool>[]>(m_chunks)) {}

    /// Returns once every chunk is delivered (or the delivery failed) and the helpers are done.
    void run(std::size_t helpers) {
        std::vector<std::jthread> threads;
        for (std::size_t t = 0; t < helpers; ++t)
            threads.emplace_back([this] {
                while (workNextChunk()) {
                }
            });
        while (workNextChunk())
            deliverDone(false);
        // Every chunk has been taken; wait for the helpers' last ones in order.
        deliverDone(true);
    }

private:
    bool workNextChunk() {
        if (m_stop.load(std::memory_order_relaxed))
            return false;
        const std::size_t chunk = m_next++;
        if (chunk >= m_chunks)
            return false;
        for (std::size_t i = chunk * kChunk; i < std::min(m_count, (chunk + 1) * kChunk); ++i)
            m_work(i);
        m_done[chunk].store(true, std::memory_order_release);
        m_done[chunk].notify_one();
        return true;
    }

    /// Delivers the finished chunks that are next in order; with wait, all the rest.
    void deliverDone(bool wait) {
        while (m_delivered < m_chunks && !m_stop.load(std::memory_order_relaxed)) {
            std::atomic<bool>& done = m_done[m_delivered];
            if (!done.load(std::memory_order_acquire)) {
                if (!wait)
                    return;
                done.wait(false, std::memory_order_acquire);
            }
            const std::size_t end = std::min(m_count, (m_delivered + 1) * kChunk);
            for (std::size_t i = m_delivered * kChunk; i < end; ++i)
                if (!m_deliver(i)) {
                    m_stop = true;
                    return;
                }
            ++m_delivered;
        }
    }

    const std::size_t m_count;
    const std::size_t m_chunks;
    const std::function<void(std::size_t)>& m_work;
    const std::function<bool(std::size_t)>& m_deliver;
    std::unique_ptr<std::atomic<bool>[]> m_done;
    std::atomic<std::size_t> m_next{0};
    std::atomic<bool> m_stop{false};
    std::size_t m_delivered = 0; ///< chunks delivered (the calling thread's own count)
};

} // namespace

void forEachInOrder(std::size_t count, const std::function<void(std::size_t)>& work,
                    const std::function<bool(std::size_t)>& deliver) {
    const std::size_t chunks = (count + kChunk - 1) / kChunk;
    // Asking for the cores reads a system file: not worth it for a single chunk.
    const std::size_t cores = chunks > 1 ? std::max(1u, std::thread::hardware_concurrency()) : 1;
    InOrder(count, work, deliver).run(std::min(cores, chunks) - (chunks > 0 ? 1 : 0));
}

} // namespace cli
