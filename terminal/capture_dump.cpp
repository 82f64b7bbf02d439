#include "terminal/capture_dump.h"

#include "card/hex_codec.h"
#include "terminal/gbk_codec.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

QString DumpPath(const QString& savePath, const QString& extension) {
    const qsizetype nameStart = std::max(savePath.lastIndexOf(QLatin1Char('/')), savePath.lastIndexOf(QLatin1Char('\\'))) + 1;
    const qsizetype dot = savePath.lastIndexOf(QLatin1Char('.'));
    if (dot > nameStart)
        return savePath.left(dot) + extension;
    return savePath + extension;
}

// ---------------------------------------------------------------------------------------------------
// TCP payloads

namespace {

constexpr std::uint8_t kFlag = 0x7E, kEscape = 0x7D;
constexpr std::uint8_t kTcpHeader[3] = {0xFF, 0x03, 0x84};
// A long frame's bytes are handed on in pieces of this size; a frame that then breaks is rewound.
constexpr std::size_t kStageLimit = 64 * 1024;

constexpr std::array<bool, 256> MakePlainTable() {
    std::array<bool, 256> plain{};
    for (int b = 0; b < 256; ++b)
        plain[b] = b >= 0x20 && b != kEscape && b != kFlag;
    return plain;
}
constexpr std::array<bool, 256> kPlain = MakePlainTable();

} // namespace

void CTcpDumpScanner::Stage(const std::uint8_t* bytes, std::size_t n) {
    m_frameBytes += n;
    m_stage.insert(m_stage.end(), bytes, bytes + n);
    if (m_stage.size() >= kStageLimit) {
        m_sink.Write(m_stage.data(), m_stage.size());
        m_handed += m_stage.size();
        m_stage.clear();
    }
}

void CTcpDumpScanner::Accept() {
    const std::uint64_t kept = m_kept + m_frameBytes - 2; // without the FCS
    const std::uint64_t frameHanded = m_handed - m_kept;
    if (frameHanded <= m_frameBytes - 2)
        m_sink.Write(m_stage.data(), static_cast<std::size_t>(m_frameBytes - 2 - frameHanded));
    else
        m_sink.Rewind(kept);
    m_kept = m_handed = kept;
    m_stage.clear();
    m_sink.Keep();
}

void CTcpDumpScanner::Drop() {
    if (m_handed > m_kept) {
        m_sink.Rewind(m_kept);
        m_handed = m_kept;
    }
    m_stage.clear();
}

void CTcpDumpScanner::Feed(const std::uint8_t* bytes, std::size_t n) {
    std::size_t p = 0;
    while (p < n) {
        switch (m_state) {
        case State::Done:
            return;
        case State::Hunt: {
            const void* flag = std::memchr(bytes + p, kFlag, n - p);
            if (!flag)
                return;
            p = static_cast<std::size_t>(static_cast<const std::uint8_t*>(flag) - bytes) + 1;
            m_state = State::Header;
            m_headerIndex = 0;
            break;
        }
        case State::Header: {
            std::uint8_t b = 0;
            if (m_escapePending) {
                b = bytes[p++] ^ 0x20;
                m_escapePending = false;
            } else if (bytes[p] == kEscape) {
                if (p + 1 == n) {
                    m_escapePending = true;
                    ++p;
                    break;
                }
                b = bytes[p + 1] ^ 0x20;
                p += 2;
            } else {
                b = bytes[p++];
            }
            if (b != kTcpHeader[m_headerIndex]) {
                m_state = State::Hunt;
            } else if (++m_headerIndex == 3) {
                m_state = State::Payload;
                m_frameBytes = 0;
            }
            break;
        }
        case State::Payload: {
            if (m_escapePending) {
                const std::uint8_t b = bytes[p++] ^ 0x20;
                m_escapePending = false;
                Stage(&b, 1);
                break;
            }
            const std::size_t start = p;
            while (p < n && kPlain[bytes[p]])
                ++p;
            if (p > start)
                Stage(bytes + start, p - start);
            if (p == n)
                break;
            const std::uint8_t b = bytes[p];
            if (b == kFlag) {
                ++p;
                if (m_frameBytes >= 2)
                    Accept();
                else
                    Drop();
                m_state = State::Hunt;
            } else if (b < 0x20) {
                ++p;
                Drop();
                m_state = State::Hunt;
            } else if (p + 1 == n) {
                m_escapePending = true;
                ++p;
            } else {
                const std::uint8_t u = bytes[p + 1] ^ 0x20;
                p += 2;
                Stage(&u, 1);
            }
            break;
        }
        }
    }
}

std::uint64_t CTcpDumpScanner::Finish() {
    if (m_state == State::Payload)
        Drop();
    m_state = State::Done;
    m_escapePending = false;
    if (m_handed > m_kept) {
        m_sink.Rewind(m_kept);
        m_handed = m_kept;
    }
    return m_kept;
}

std::vector<std::uint8_t> TcpDump(const std::uint8_t* capture, std::size_t n) {
    CMemorySink sink;
    CTcpDumpScanner scanner(sink);
    scanner.Feed(capture, n);
    scanner.Finish();
    return std::move(sink.bytes);
}

// ---------------------------------------------------------------------------------------------------
// WNMP text dump

namespace {

constexpr std::size_t kHeaderChars = 13; // 05 and three words of four digits
constexpr std::size_t kTextFlush = 64 * 1024;

struct WnmpTexts {
    QByteArray message, sequence, length, unknown;
    struct Name {
        std::uint16_t type;
        QByteArray text;
    };
    std::vector<Name> names;
    // "\t%c\t(%d)\t(%02XH)\r\n" for every byte value.
    std::array<std::string, 256> byteTail;

    WnmpTexts() {
        message = GbkEncode(QStringLiteral("消息：\t"));
        sequence = GbkEncode(QStringLiteral("序列号:\t"));
        length = GbkEncode(QStringLiteral("数据长度:\t"));
        unknown = GbkEncode(QStringLiteral("未知消息"));
        const std::pair<std::uint16_t, QString> table[] = {
            {0x00A1, QStringLiteral("(WNMP_SENDCFG,发送配置)")},
            {0x00A3, QStringLiteral("(WNMP_SETCFGACK,设置配置确认)")},
            {0x00A8, QStringLiteral("(WNMP_SENDSTATUS,回答状态)")},
            {0x00AB, QStringLiteral("(WNMP_INFO,信息消息)")},
            {0x00AF, QStringLiteral("(WNMP_FWACK)")},
            {0x00B2, QStringLiteral("(WNMP_XWNMP,扩展的WNMP命令)")},
        };
        for (const auto& [type, text] : table)
            names.push_back({type, GbkEncode(text)});
        for (int b = 0; b < 256; ++b) {
            char line[32];
            const char shown = b >= 0x20 && b <= 0x7E ? static_cast<char>(b) : ' ';
            std::snprintf(line, sizeof line, "\t%c\t(%d)\t(%02XH)\r\n", shown, b, b);
            byteTail[b] = line;
        }
    }

    const QByteArray& Name(std::uint16_t type) const {
        for (const auto& n : names)
            if (n.type == type)
                return n.text;
        return unknown;
    }
};

const WnmpTexts& Texts() {
    static const WnmpTexts texts;
    return texts;
}

void Append(std::vector<std::uint8_t>& out, const char* text, std::size_t n) {
    out.insert(out.end(), reinterpret_cast<const std::uint8_t*>(text), reinterpret_cast<const std::uint8_t*>(text) + n);
}
void Append(std::vector<std::uint8_t>& out, const QByteArray& text) { Append(out, text.constData(), std::size_t(text.size())); }
void Append(std::vector<std::uint8_t>& out, const char* text) { Append(out, text, std::strlen(text)); }

void AppendHex4(std::vector<std::uint8_t>& out, std::uint16_t value) {
    for (int shift = 12; shift >= 0; shift -= 4)
        out.push_back(static_cast<std::uint8_t>(HexDigitChar((value >> shift) & 0xF, '?')));
}

// Decimal, right-aligned in at least `width` places.
void AppendDecimal(std::vector<std::uint8_t>& out, std::uint32_t value, int width) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int pad = width - count; pad > 0; --pad)
        out.push_back(' ');
    while (count > 0)
        out.push_back(static_cast<std::uint8_t>(digits[--count]));
}

} // namespace

CWnmpDumpScanner::CWnmpDumpScanner(IDumpSink& sink) : m_sink(sink) {
    Texts();
    m_text.reserve(kTextFlush + 256);
}

void CWnmpDumpScanner::FlushIfFull() {
    if (m_text.size() >= kTextFlush) {
        m_sink.Write(m_text.data(), m_text.size());
        m_sink.Keep();
        m_text.clear();
    }
}

void CWnmpDumpScanner::WriteHeader(std::uint16_t type, std::uint16_t sequence, std::uint16_t length) {
    const WnmpTexts& t = Texts();
    Append(m_text, t.message);
    AppendHex4(m_text, type);
    Append(m_text, "H\t");
    Append(m_text, t.Name(type));
    Append(m_text, "\r\n");
    Append(m_text, t.sequence);
    AppendHex4(m_text, sequence);
    Append(m_text, "H\r\n");
    Append(m_text, t.length);
    AppendDecimal(m_text, length, 1);
    Append(m_text, "\t(");
    AppendHex4(m_text, length);
    Append(m_text, "H)\r\n");
    ++m_messages;
    FlushIfFull();
}

void CWnmpDumpScanner::WriteDataLine(std::uint8_t value) {
    Append(m_text, "Offset ", 7);
    AppendDecimal(m_text, m_offset, 3);
    m_text.push_back(':');
    const std::string& tail = Texts().byteTail[value];
    Append(m_text, tail.data(), tail.size());
    FlushIfFull();
}

void CWnmpDumpScanner::WriteEnd() {
    m_text.insert(m_text.end(), 65, '*');
    Append(m_text, "\r\n\r\n", 4);
    FlushIfFull();
}

// Consumes what can be decided from buf[0, n) and gives how far that reached. Without `final` it stops
// where a decision needs bytes past n, so the result never depends on where the input was split.
std::size_t CWnmpDumpScanner::Scan(const std::uint8_t* buf, std::size_t n, bool final) {
    std::size_t i = 0;
    for (;;) {
        switch (m_state) {
        case State::Search: {
            if (i >= n)
                return n;
            const void* start = std::memchr(buf + i, 0x05, n - i);
            if (!start)
                return n;
            i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(start) - buf);
            if (!final && n - i < kHeaderChars)
                return i;
            std::uint16_t type = 0, sequence = 0, length = 0;
            if (!DecodeHexWord(buf, i + 1, n, type)) {
                i += 1;
            } else if (!DecodeHexWord(buf, i + 5, n, sequence)) {
                i += 5;
            } else if (!DecodeHexWord(buf, i + 9, n, length)) {
                i += 9;
            } else {
                WriteHeader(type, sequence, length);
                m_length = length;
                m_offset = 0;
                i += kHeaderChars;
                m_state = State::Data;
            }
            break;
        }
        case State::Data: {
            while (m_offset < m_length) {
                if (!final && n - i < 2)
                    return i;
                std::uint8_t value = 0;
                if (!DecodeHexByte(buf, i, n, value))
                    break;
                WriteDataLine(value);
                ++m_offset;
                i += 2;
            }
            WriteEnd();
            m_state = m_offset == m_length ? State::Trailer : State::Search;
            break;
        }
        case State::Trailer: {
            if (!final && n - i < 2)
                return i;
            std::uint8_t checksum = 0;
            if (DecodeHexByte(buf, i, n, checksum))
                i += 2;
            m_state = State::Search;
            break;
        }
        }
    }
}

void CWnmpDumpScanner::Feed(const std::uint8_t* bytes, std::size_t n) {
    // Finish what the carried bytes started with a few new ones; once the scan has moved past the
    // carry, the rest of the piece is scanned in place.
    while (n > 0 && !m_carry.empty()) {
        const std::size_t old = m_carry.size();
        const std::size_t k = std::min<std::size_t>(n, 32);
        m_carry.insert(m_carry.end(), bytes, bytes + k);
        const std::size_t used = Scan(m_carry.data(), m_carry.size(), false);
        if (used >= old) {
            m_carry.clear();
            bytes += used - old;
            n -= used - old;
        } else {
            m_carry.erase(m_carry.begin(), m_carry.begin() + static_cast<std::ptrdiff_t>(used));
            bytes += k;
            n -= k;
        }
    }
    if (n == 0)
        return;
    const std::size_t used = Scan(bytes, n, false);
    m_carry.assign(bytes + used, bytes + n);
}

std::uint64_t CWnmpDumpScanner::Finish() {
    Scan(m_carry.data(), m_carry.size(), true);
    m_carry.clear();
    if (!m_text.empty()) {
        m_sink.Write(m_text.data(), m_text.size());
        m_sink.Keep();
        m_text.clear();
    }
    return m_messages;
}

std::vector<std::uint8_t> WnmpDump(const std::uint8_t* capture, std::size_t n, std::uint64_t* messages) {
    CMemorySink sink;
    CWnmpDumpScanner scanner(sink);
    scanner.Feed(capture, n);
    const std::uint64_t count = scanner.Finish();
    if (messages)
        *messages = count;
    return std::move(sink.bytes);
}
