#pragma once

#include "sim/card_simulator.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

// The simulated card on the master side of a pseudo-terminal, answering from a thread of its own
// while the window waits for it.
class CCardSimThread {
public:
    CCardSimThread(int masterFd, CardSimFault fault, int lateMs = CCardSimulator::kDefaultLateMs) : m_fd(masterFd) {
        m_sim.SetFault(fault, lateMs);
        m_expected = m_sim.CurrentStatus();
        m_config = m_sim.Config();
        m_thread = std::thread([this] { Run(); });
    }
    ~CCardSimThread() {
        m_stop = true;
        m_thread.join();
    }
    CCardSimThread(const CCardSimThread&) = delete;
    CCardSimThread& operator=(const CCardSimThread&) = delete;

    // What the card held when it started (its clock moves, so the time field differs later).
    const CardStatusRecord& StatusAtStart() const { return m_expected; }
    const CardConfigRecord& ConfigAtStart() const { return m_config; }
    int Requests() const { return m_requests; }
    // What the card holds now (after writes), read safely while it runs.
    CardConfigRecord Config() const {
        std::lock_guard lock(m_mutex);
        return m_sim.Config();
    }
    void SetConfig(const CardConfigRecord& config) {
        std::lock_guard lock(m_mutex);
        m_sim.SetConfig(config);
    }

private:
    void Run() {
        using Clock = std::chrono::steady_clock;
        std::vector<std::pair<Clock::time_point, std::vector<std::uint8_t>>> due;
        std::uint8_t buf[4096];
        while (!m_stop) {
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, 10) > 0 && (pfd.revents & POLLIN)) {
                const ssize_t n = ::read(m_fd, buf, sizeof buf);
                if (n > 0) {
                    std::vector<CardSimExchange> exchanges;
                    {
                        std::lock_guard lock(m_mutex);
                        exchanges = m_sim.Feed(buf, std::size_t(n));
                    }
                    for (CardSimExchange& e : exchanges) {
                        ++m_requests;
                        if (!e.reply.empty())
                            due.emplace_back(Clock::now() + std::chrono::milliseconds(e.delayMs), std::move(e.reply));
                    }
                }
            }
            for (auto it = due.begin(); it != due.end();) {
                if (it->first > Clock::now()) {
                    ++it;
                    continue;
                }
                for (std::size_t done = 0; done < it->second.size() && !m_stop;) {
                    const ssize_t w = ::write(m_fd, it->second.data() + done, it->second.size() - done);
                    if (w > 0)
                        done += std::size_t(w);
                    else
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                it = due.erase(it);
            }
        }
    }

    int m_fd;
    mutable std::mutex m_mutex; // guards m_sim
    CCardSimulator m_sim;
    CardStatusRecord m_expected;
    CardConfigRecord m_config;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};
