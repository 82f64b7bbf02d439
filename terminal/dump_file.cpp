#include "terminal/dump_file.h"

bool CDumpFile::Open() {
    if (m_file.fileName().isEmpty() || !m_file.open(QIODevice::WriteOnly)) {
        m_failed = true;
        return false;
    }
    return true;
}

void CDumpFile::Write(const std::uint8_t* bytes, std::size_t n) {
    if (m_failed || n == 0)
        return;
    const auto size = static_cast<qint64>(n);
    if (m_file.write(reinterpret_cast<const char*>(bytes), size) != size)
        m_failed = true;
    m_size += n;
}

void CDumpFile::Rewind(std::uint64_t size) {
    if (m_failed || size >= m_size)
        return;
    if (!m_file.seek(static_cast<qint64>(size)))
        m_failed = true;
    m_size = size;
}

bool CDumpFile::Commit() {
    // QSaveFile does not notice a failed write of its last buffered bytes when it closes.
    if (!m_failed && m_file.isOpen() && !m_file.flush())
        m_failed = true;
    if (!m_failed && m_file.isOpen() && m_file.size() > static_cast<qint64>(m_size))
        m_failed = !m_file.resize(static_cast<qint64>(m_size));
    if (m_failed) {
        m_file.cancelWriting();
        if (m_file.isOpen())
            m_file.commit(); // discards the temporary file
        return false;
    }
    return m_file.commit();
}
