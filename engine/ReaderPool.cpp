#include "engine/ReaderPool.h"

CReaderPool::CReaderPool(std::size_t nItems, std::size_t nThreads, std::function<void(std::size_t)> read)
    : m_read(std::move(read)), m_ready(nItems, 0) {
    for (std::size_t t = 0; t < nThreads && t < nItems; ++t) {
        m_threads.emplace_back([this] { Work(); });
    }
}

CReaderPool::~CReaderPool() {
    m_bStop = true;
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

void CReaderPool::Work() {
    for (std::size_t i; !m_bStop && (i = m_nNext++) < m_ready.size();) {
        m_read(i);
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_ready[i] = 1;
        m_readyChanged.notify_all();
    }
}

void CReaderPool::WaitFor(std::size_t i) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_readyChanged.wait(lock, [&] { return m_ready[i] != 0; });
}
