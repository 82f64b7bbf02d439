#pragma once

#include "terminal/capture_dump.h"

#include <QString>
#include <memory>
#include <vector>

class QFileDevice;
class QTemporaryFile;

// A dump written in place to what cannot be replaced whole: standard output, a pipe, a device. Bytes
// the scanner may still take back wait until it keeps them; past a few MiB (one very long TCP frame)
// they wait in a temporary file, so memory stays bounded.
class CDumpStream : public IDumpSink {
public:
    explicit CDumpStream(QFileDevice& out);
    ~CDumpStream() override;
    void Write(const std::uint8_t* bytes, std::size_t n) override;
    void Rewind(std::uint64_t size) override;
    void Keep() override;
    // Sends what is still held; false when anything failed.
    bool Commit();
    QString ErrorString() const { return m_error; }

private:
    void Send(const char* bytes, std::size_t n);
    void Fail(const QString& reason);

    QFileDevice& m_out;
    std::uint64_t m_sent = 0;
    std::vector<std::uint8_t> m_held;
    std::unique_ptr<QTemporaryFile> m_spill; // holds instead of m_held once that grew too large
    std::uint64_t m_spilled = 0;
    QString m_error;
};
