#pragma once

#include "terminal/capture_dump.h"

#include <QSaveFile>

// A saved file is written whole or not at all: the bytes go to a temporary file beside it that takes
// its place only when everything was written, so a failed save keeps the previous file.
class CDumpFile : public IDumpSink {
public:
    explicit CDumpFile(const QString& path) : m_file(path) {}
    bool Open();
    void Write(const std::uint8_t* bytes, std::size_t n) override;
    void Rewind(std::uint64_t size) override;
    // Puts the file in place; false (the previous file untouched) when anything failed.
    bool Commit();
    QString ErrorString() const { return m_error.isEmpty() ? m_file.errorString() : m_error; }

private:
    void Fail(int code);

    QSaveFile m_file;
    std::uint64_t m_size = 0;
    bool m_failed = false;
    QString m_error; // the first failure's reason
};
