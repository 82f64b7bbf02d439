#pragma once

#include "card/card_config_record.h"
#include "card/card_status.h"
#include "sim/card_sim_fault.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One request the card recognised (or refused) and what it does about it.
struct CardSimExchange {
    std::string request;             // a short description, for logs
    std::vector<std::uint8_t> reply; // empty: the card stays silent
    int delayMs = 0;                 // how long after the request the reply goes out
    bool configStored = false;       // a write changed the stored configuration
};

// The radio card as seen from the serial line: request bytes in, answer bytes out. It skips
// everything up to ENQ, collects a request up to CR and answers it as the card does, or as the
// chosen fault makes it.
class CCardSimulator {
public:
    static constexpr int kDefaultLateMs = 10000; // past the program's 8-second silence limit
    static constexpr std::size_t kMaxRequest = 4096;

    CCardSimulator();

    static CardStatusRecord DefaultStatus();
    static CardConfigRecord DefaultConfig();

    void SetFault(CardSimFault fault, int lateMs = kDefaultLateMs);
    CardSimFault Fault() const { return m_fault; }

    // Monotonic milliseconds; the status block's clock counts from construction or the last reset.
    void SetClock(std::function<std::uint64_t()> nowMs);

    // Returns one entry per request completed by these bytes, in order.
    std::vector<CardSimExchange> Feed(const std::uint8_t* data, std::size_t size);
    std::vector<CardSimExchange> Feed(const std::vector<std::uint8_t>& data) {
        return Feed(data.data(), data.size());
    }

    const CardConfigRecord& Config() const { return m_config; }
    void SetConfig(const CardConfigRecord& config) { m_config = config; }
    // The status block as the next status answer carries it.
    CardStatusRecord CurrentStatus() const;

    // The configuration file holds exactly the 541 bytes. Saving replaces the file whole.
    bool LoadConfig(const QString& path, QString* error = nullptr);
    bool SaveConfig(const QString& path, QString* error = nullptr) const;

private:
    CardSimExchange HandleRequest(const std::vector<std::uint8_t>& frame);
    bool DecodeWrite(const std::vector<std::uint8_t>& frame, std::size_t pos, std::size_t size,
                     CardConfigRecord& record, std::string& problem) const;

    CardSimExchange StatusAnswer(std::string request) const;
    CardSimExchange ConfigAnswer(std::string request, bool extended, bool ack) const;
    CardSimExchange Answer(std::string request, std::uint16_t type, int inner, std::vector<std::uint8_t> data,
                           std::uint16_t length) const;

    CardStatusRecord m_status;
    CardConfigRecord m_config;
    CardSimFault m_fault = CardSimFault::None;
    int m_nLateMs = kDefaultLateMs;
    std::function<std::uint64_t()> m_nowMs;
    std::uint64_t m_nStartMs = 0;
    std::vector<std::uint8_t> m_request;
    bool m_bInRequest = false;
};
