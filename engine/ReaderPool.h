// The few threads that read a batch's files at once: each item is read by one of them, in the
// order of the items, and the caller takes the items up in that order, waiting for each. The
// pool owns its threads; its destructor stops them after the item they are reading.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CReaderPool {
public:
    // read(i) runs on a pool thread for every i in [0, nItems); it may store its result
    // anywhere the caller reads it after WaitFor(i).
    CReaderPool(std::size_t nItems, std::size_t nThreads, std::function<void(std::size_t)> read);
    ~CReaderPool();
    CReaderPool(const CReaderPool&) = delete;
    CReaderPool& operator=(const CReaderPool&) = delete;

    // Returns once item i has been read; what read(i) stored is then the caller's.
    void WaitFor(std::size_t i);

private:
    void Work();

    std::function<void(std::size_t)> m_read;
    std::vector<char> m_ready; // one flag per item, under m_mutex
    std::mutex m_mutex;
    std::condition_variable m_readyChanged;
    std::atomic<std::size_t> m_nNext{0};
    std::atomic<bool> m_bStop{false};
    std::vector<std::thread> m_threads;
};
