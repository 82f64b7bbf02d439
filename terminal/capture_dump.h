#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

// The two decoders of a capture: the payloads of its "TCP" stuffed frames, and a GBK text dump of its
// WNMP messages. Both stream: Feed the capture in pieces of any size, then Finish; memory stays
// bounded whatever the input size, and the result does not depend on how the input was split.

// Path of a dump beside the capture: the extension of the file name (from its last "."; a leading "."
// does not start one) is replaced by `extension` (".tcp"), or `extension` is added when the name has
// none. Folders in the path are never changed; "/" and "\" both separate them.
QString DumpPath(const QString& savePath, const QString& extension);

// Where a dump goes.
class IDumpSink {
public:
    virtual ~IDumpSink() = default;
    virtual void Write(const std::uint8_t* bytes, std::size_t n) = 0;
    // Drops everything written after the first `size` bytes: a long TCP frame may turn out broken
    // after part of it was handed on.
    virtual void Rewind(std::uint64_t size) = 0;
    // Everything written so far stays: no Rewind goes back into it. A sink that cannot take bytes
    // back (a pipe) holds them until then.
    virtual void Keep() {}
};

class CMemorySink : public IDumpSink {
public:
    std::vector<std::uint8_t> bytes;
    void Write(const std::uint8_t* b, std::size_t n) override { bytes.insert(bytes.end(), b, b + n); }
    void Rewind(std::uint64_t size) override {
        if (size < bytes.size())
            bytes.resize(static_cast<std::size_t>(size));
    }
};

// Finds the stuffed frames 7E FF 03 84 ... 7E and writes their payloads, without escapes and without
// the two FCS bytes (not verified), one after the other. A frame is dropped when it holds a raw byte
// below 20h, yields fewer than 2 bytes, or is cut off by the end of the capture; a header byte that
// does not match is consumed, even a 7E, and the closing 7E of a frame never opens the next one.
class CTcpDumpScanner {
public:
    explicit CTcpDumpScanner(IDumpSink& sink) : m_sink(sink) {}
    void Feed(const std::uint8_t* bytes, std::size_t n);
    // The end of the capture: a frame still open is lost. Gives the number of payload bytes kept.
    std::uint64_t Finish();

private:
    enum class State { Hunt, Header, Payload, Done };
    void Accept();
    void Drop();
    void Stage(const std::uint8_t* bytes, std::size_t n);

    IDumpSink& m_sink;
    State m_state = State::Hunt;
    int m_headerIndex = 0;
    bool m_escapePending = false;
    std::uint64_t m_kept = 0;       // payload bytes of accepted frames
    std::uint64_t m_handed = 0;     // bytes handed to the sink, >= m_kept while a long frame is open
    std::uint64_t m_frameBytes = 0; // bytes the open frame has yielded
    std::vector<std::uint8_t> m_stage; // the open frame's newest bytes not yet handed on
};

// Finds WNMP messages (05, type, sequence number and data length as four hex digits each, the data as
// two hex digits a byte) and writes a block of text for each: the type with its name, the sequence
// number, the length and one line per data byte that decodes, GBK bytes, CR LF, fields split by TAB.
// Two hex digits right after complete data (the checksum) are passed over.
class CWnmpDumpScanner {
public:
    explicit CWnmpDumpScanner(IDumpSink& sink);
    void Feed(const std::uint8_t* bytes, std::size_t n);
    // The end of the capture. Gives the number of message blocks written.
    std::uint64_t Finish();

private:
    enum class State { Search, Data, Trailer };
    std::size_t Scan(const std::uint8_t* buf, std::size_t n, bool final);
    void WriteHeader(std::uint16_t type, std::uint16_t sequence, std::uint16_t length);
    void WriteDataLine(std::uint8_t value);
    void WriteEnd();
    void FlushIfFull();

    IDumpSink& m_sink;
    State m_state = State::Search;
    std::uint16_t m_length = 0;
    std::uint32_t m_offset = 0;
    std::uint64_t m_messages = 0;
    std::vector<std::uint8_t> m_carry; // input not yet consumed: at most one header's worth
    std::vector<std::uint8_t> m_text;  // composed text not yet written
};

// Whole-capture forms of the two decoders.
std::vector<std::uint8_t> TcpDump(const std::uint8_t* capture, std::size_t n);
std::vector<std::uint8_t> WnmpDump(const std::uint8_t* capture, std::size_t n, std::uint64_t* messages = nullptr);
