#include "sim/card_simulator.h"

#include "card/card_protocol.h"
#include "card/hex_codec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <numeric>

namespace {

constexpr int kNoInner = -1;

void PutText(std::uint8_t* field, std::size_t width, const char* text) {
    std::memset(field, 0, width);
    std::memcpy(field, text, std::min(width, std::strlen(text)));
}

void PutBytes(std::uint8_t* field, std::initializer_list<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), field);
}

std::string HexWordText(std::uint16_t value) {
    std::vector<std::uint8_t> text;
    AppendHexWord(text, value);
    return std::string(text.begin(), text.end()) + "h";
}

std::uint64_t SteadyNowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

CCardSimulator::CCardSimulator()
    : m_status(DefaultStatus()), m_config(DefaultConfig()), m_nowMs(SteadyNowMs), m_nStartMs(m_nowMs()) {}

CardStatusRecord CCardSimulator::DefaultStatus() {
    CardStatusRecord status;
    std::uint8_t* b = status.bytes.data();
    b[0] = 2; // OEM card
    b[1] = 1; // 802.11b
    PutBytes(b + 2, {0x00, 0xA0, 0xF8, 0x3C, 0x51, 0x7E});
    PutBytes(b + 8, {192, 168, 1, 60});
    PutText(b + 12, 16, "FH 2.50 02/11/18");
    PutText(b + 28, 16, "S24 OEM 02.50-18");
    PutText(b + 44, 16, "SERIMO-SIM");
    b[64] = 1;    // associated
    b[65] = 3;    // TCP
    b[66] = 0;    // no session yet
    b[67] = 0;    // stream, not frame mode
    b[68] = 1;    // serial interface
    b[69] = 0x11; // hardware platform
    b[70] = 2;    // RF80211b
    return status;
}

CardConfigRecord CCardSimulator::DefaultConfig() {
    CardConfigRecord config;
    std::uint8_t* b = config.bytes.data();
    // Bytes the program passes through unchanged get values of their own, non-zero and different
    // from their neighbours, so that a dialog that clears or moves them shows.
    for (std::size_t i : {0, 1, 39, 91, 209})
        b[i] = static_cast<std::uint8_t>(i ^ 0xA5);
    for (std::size_t i = 32; i <= 37; ++i)
        b[i] = static_cast<std::uint8_t>(i ^ 0xA5);
    for (std::size_t i = 44; i <= 60; ++i)
        b[i] = static_cast<std::uint8_t>(i ^ 0xA5);
    for (std::size_t i = 63; i <= 80; ++i)
        b[i] = static_cast<std::uint8_t>(i ^ 0xA5);
    PutBytes(b + 2, {192, 168, 1, 60});  // local IP
    PutBytes(b + 6, {255, 255, 255, 0}); // mask
    PutBytes(b + 10, {192, 168, 1, 1});  // gateway
    PutText(b + 14, 16, "SERIMO-SIM");   // unit name
    b[30] = 0;                           // power save off
    b[31] = 3;                           // power save algorithm
    b[38] = 2;                           // call remote
    PutBytes(b + 40, {192, 168, 1, 10}); // remote IP
    PutBytes(b + 61, {0x17, 0x00});      // port 23
    b[81] = 0;                           // no wake-up
    b[82] = 0x20;                        // group name index 0, one of the kept bits set
    b[83] = 0x1B;                        // command escape ESC, no byte stuffing
    b[84] = 0;                           // run-time messages on
    PutBytes(b + 85, {0xE8, 0x03});      // retry 1000 ms
    b[87] = 1;                           // both antennas
    b[88] = 0;                           // serial
    b[89] = 0;                           // DHCP off
    b[90] = 10;                          // DHCP time-out
    b[92] = '~';                         // message prefix
    b[93] = 3;                           // TCP
    b[94] = 0;                           // stream
    PutText(b + 95, 32, "SERIMO-LAB");   // ESS ID
    b[127] = 3;                          // 9600 baud

    PutBytes(b + 128, {0x9D, 0x01}); // extended length 413
    b[130] = 2;                      // version 2.5
    b[131] = 5;
    b[132] = 4;    // ad hoc TX power
    b[133] = 0;    // long preamble
    b[134] = 0x13; // basic rates 1 and 2 Mbit/s, a kept bit set
    b[135] = 0x1F; // all TX rates, a kept bit set
    b[136] = 0;    // no ad hoc channel
    b[137] = 8;    // second port disabled
    PutBytes(b + 138, {0x02, 0x60, 0x8C, 0x11, 0x22, 0x33}); // not the preferred address: a copy shows
    PutBytes(b + 144, {0x00, 0xA0, 0xF8, 0x12, 0x34, 0x56}); // preferred AP
    for (std::size_t slot = 0; slot < 4; ++slot)
        b[150 + 14 * slot] = 5; // 40-bit key slots, key material zero
    b[206] = 0;                 // key 1
    b[207] = 0;                 // open system
    b[208] = 0;
    b[210] = 0; // application off
    PutText(b + 211, 8, "OEMAPP1");
    b[279] = 60; // restart delay
    b[280] = 0;  // ad hoc off
    for (std::size_t i = 281; i < 537; ++i)
        b[i] = static_cast<std::uint8_t>(i * 7);
    b[537] = 0; // radio power-down off
    b[538] = 5;
    b[539] = 1;
    b[540] = 10;
    return config;
}

void CCardSimulator::SetFault(CardSimFault fault, int lateMs) {
    m_fault = fault;
    m_nLateMs = std::max(0, lateMs);
}

void CCardSimulator::SetClock(std::function<std::uint64_t()> nowMs) {
    m_nowMs = std::move(nowMs);
    m_nStartMs = m_nowMs();
}

CardStatusRecord CCardSimulator::CurrentStatus() const {
    CardStatusRecord status = m_status;
    std::uint8_t* b = status.bytes.data();
    // The card reports what it is configured with.
    std::copy_n(m_config.bytes.begin() + 2, 4, b + 8);
    std::copy_n(m_config.bytes.begin() + 14, 16, b + 44);
    const auto uptime = static_cast<std::uint32_t>(m_nowMs() - m_nStartMs);
    for (int i = 0; i < 4; ++i)
        b[60 + i] = static_cast<std::uint8_t>(uptime >> (8 * i));
    return status;
}

std::vector<CardSimExchange> CCardSimulator::Feed(const std::uint8_t* data, std::size_t size) {
    std::vector<CardSimExchange> exchanges;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t c = data[i];
        if (c == kWnmpStart) {
            // A new start marker abandons whatever was being collected.
            m_request.assign(1, c);
            m_bInRequest = true;
            continue;
        }
        if (!m_bInRequest)
            continue;
        m_request.push_back(c);
        if (c == kWnmpEnd) {
            m_bInRequest = false;
            exchanges.push_back(HandleRequest(m_request));
        } else if (m_request.size() >= kMaxRequest) {
            m_bInRequest = false;
            exchanges.push_back({"overlong request dropped", {}, 0, false});
        }
    }
    return exchanges;
}

CardSimExchange CCardSimulator::HandleRequest(const std::vector<std::uint8_t>& frame) {
    const std::uint8_t* text = frame.data();
    const std::size_t end = frame.size() - 1; // the CR
    std::uint16_t type = 0, sequence = 0, length = 0;
    if (!DecodeHexWord(text, kWnmpTypePos, end, type) ||
        !DecodeHexWord(text, kWnmpSequencePos, end, sequence) ||
        !DecodeHexWord(text, kWnmpLengthPos, end, length))
        return {"request with a bad header ignored", {}, 0, false};
    if (m_fault == CardSimFault::Silent)
        return {"request " + HexWordText(type) + " ignored (silent)", {}, 0, false};

    switch (type) {
    case WNMP_RESET:
        m_nStartMs = m_nowMs();
        return {"reset", {}, 0, false};

    case WNMP_GETSTATUS:
        if (m_fault == CardSimFault::WrongType)
            return ConfigAnswer("read status, answered with the configuration", true, false);
        return StatusAnswer("read status");

    case WNMP_SETCFG: {
        if (length != CardConfigRecord::kBasicSize + 1)
            return {"basic write with length " + HexWordText(length) + " ignored", {}, 0, false};
        CardConfigRecord written = m_config;
        std::string problem;
        if (!DecodeWrite(frame, kWnmpDataPos, CardConfigRecord::kBasicSize, written, problem))
            return {"basic write ignored: " + problem, {}, 0, false};
        m_config = written;
        const bool otherKind = m_fault == CardSimFault::WrongType || m_fault == CardSimFault::WrongAckKind;
        CardSimExchange exchange = otherKind
                                       ? ConfigAnswer("basic write, answered as an extended one", true, true)
                                       : ConfigAnswer("basic write", false, true);
        exchange.configStored = true;
        return exchange;
    }

    case WNMP_XWNMP: {
        std::uint16_t inner = 0;
        if (!DecodeHexWord(text, kWnmpDataPos, end, inner))
            return {"extended request with a bad inner type ignored", {}, 0, false};
        if (inner == WNMP_GETCFG) {
            if (m_fault == CardSimFault::WrongType)
                return StatusAnswer("read configuration, answered with the status");
            return ConfigAnswer("read configuration", true, false);
        }
        if (inner == WNMP_SETCFG) {
            CardConfigRecord written;
            std::string problem;
            if (!DecodeWrite(frame, kWnmpInnerDataPos, CardConfigRecord::kSize, written, problem))
                return {"extended write ignored: " + problem, {}, 0, false};
            m_config = written;
            const bool otherKind = m_fault == CardSimFault::WrongType || m_fault == CardSimFault::WrongAckKind;
            CardSimExchange exchange =
                otherKind
                    ? ConfigAnswer("extended write, answered as a basic one", false, true)
                    : ConfigAnswer("extended write", true, true);
            exchange.configStored = true;
            return exchange;
        }
        return {"extended request " + HexWordText(inner) + " ignored", {}, 0, false};
    }

    default:
        return {"request " + HexWordText(type) + " ignored", {}, 0, false};
    }
}

bool CCardSimulator::DecodeWrite(const std::vector<std::uint8_t>& frame, std::size_t pos, std::size_t size,
                                 CardConfigRecord& record, std::string& problem) const {
    const std::size_t end = frame.size() - 1;
    for (std::size_t i = 0; i < size; ++i, pos += 2) {
        if (!DecodeHexByte(frame.data(), pos, end, record.bytes[i])) {
            problem = "bad or missing data at byte " + std::to_string(i);
            return false;
        }
    }
    std::uint8_t checksum = 0;
    if (!DecodeHexByte(frame.data(), pos, end, checksum)) {
        problem = "no checksum";
        return false;
    }
    if (checksum != CardChecksum(record, size == CardConfigRecord::kSize)) {
        problem = "wrong checksum";
        return false;
    }
    return true;
}

CardSimExchange CCardSimulator::StatusAnswer(std::string request) const {
    const CardStatusRecord status = CurrentStatus();
    std::vector<std::uint8_t> data(status.bytes.begin(), status.bytes.end());
    if (m_fault == CardSimFault::Status70)
        data.pop_back();
    else if (m_fault == CardSimFault::Status72)
        data.push_back(0);
    const auto length = static_cast<std::uint16_t>(data.size());
    return Answer(std::move(request), WNMP_SENDSTATUS, kNoInner, std::move(data), length);
}

CardSimExchange CCardSimulator::ConfigAnswer(std::string request, bool extended, bool ack) const {
    const std::size_t size = extended ? CardConfigRecord::kSize : CardConfigRecord::kBasicSize;
    std::vector<std::uint8_t> data(m_config.bytes.begin(), m_config.bytes.begin() + static_cast<long>(size));
    if (ack && m_fault == CardSimFault::WrongAck)
        data[64] ^= 0x5A;
    const std::uint16_t type = ack ? WNMP_SETCFGACK : WNMP_SENDCFG;
    if (extended)
        return Answer(std::move(request), WNMP_XWNMP, type, std::move(data),
                      static_cast<std::uint16_t>(size + 2));
    return Answer(std::move(request), type, kNoInner, std::move(data), static_cast<std::uint16_t>(size));
}

CardSimExchange CCardSimulator::Answer(std::string request, std::uint16_t type, int inner,
                                       std::vector<std::uint8_t> data, std::uint16_t length) const {
    std::vector<std::uint8_t> frame;
    frame.reserve(kWnmpInnerDataPos + 2 * data.size() + 3);
    frame.push_back(kWnmpStart);
    AppendHexWord(frame, type);
    AppendHexWord(frame, 0);
    AppendHexWord(frame, length);
    if (inner != kNoInner)
        AppendHexWord(frame, static_cast<std::uint16_t>(inner));
    const std::size_t dataPos = frame.size();
    for (std::uint8_t b : data)
        AppendHexByte(frame, b);
    // The card closes with a checksum of its own, which the program does not check.
    AppendHexByte(frame, static_cast<std::uint8_t>(std::accumulate(data.begin(), data.end(), 0u) & 0xFF));
    frame.push_back(kWnmpEnd);

    CardSimExchange exchange{std::move(request), {}, 0, false};
    // The character spoiled by the digit faults: the first of the middle data byte.
    const std::size_t middle = dataPos + 2 * (data.size() / 2);
    switch (m_fault) {
    case CardSimFault::Late:
        exchange.delayMs = m_nLateMs;
        break;
    case CardSimFault::LowerCase:
        std::transform(frame.begin(), frame.end(), frame.begin(), [](std::uint8_t c) {
            return static_cast<std::uint8_t>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        });
        break;
    case CardSimFault::Stale: {
        static const std::uint8_t kStale[] = {0x00, 0xFF, '0', '0', 'A', '8', '0', '0', '0', 0x0A};
        frame.insert(frame.begin(), std::begin(kStale), std::end(kStale));
        break;
    }
    case CardSimFault::BadDigit:
        frame[middle] = 'G';
        break;
    case CardSimFault::EarlyCr:
        frame.resize(middle);
        frame.push_back(kWnmpEnd);
        break;
    case CardSimFault::DropDigit:
        frame.erase(frame.begin() + static_cast<long>(middle));
        break;
    default:
        break;
    }
    exchange.reply = std::move(frame);
    return exchange;
}

bool CCardSimulator::LoadConfig(const QString& path, QString* error) {
    // Opening a FIFO would wait for a writer for ever, and a device could be read without end.
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("could not load %1: %2").arg(
                path, QFileInfo::exists(path) ? QStringLiteral("not a regular file") : QStringLiteral("no such file"));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("could not open %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(CardConfigRecord::kSize + 1);
    if (bytes.size() != static_cast<qsizetype>(CardConfigRecord::kSize)) {
        if (error)
            *error = QStringLiteral("could not load %1: a configuration is exactly %2 bytes")
                         .arg(path)
                         .arg(CardConfigRecord::kSize);
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), m_config.bytes.begin());
    return true;
}

bool CCardSimulator::SaveConfig(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(m_config.bytes.data()), CardConfigRecord::kSize) !=
            static_cast<qint64>(CardConfigRecord::kSize) ||
        !file.commit()) {
        if (error)
            *error = QStringLiteral("could not save %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
