#include "terminal/dump_stream.h"

#include <QTemporaryFile>

namespace {
constexpr std::size_t kHeldInMemory = 8 * 1024 * 1024;
constexpr qint64 kCopyPiece = 1024 * 1024;
} // namespace

CDumpStream::CDumpStream(QFileDevice& out) : m_out(out) {}

CDumpStream::~CDumpStream() = default;

void CDumpStream::Fail(const QString& reason) {
    if (m_error.isEmpty())
        m_error = reason;
}

void CDumpStream::Send(const char* bytes, std::size_t n) {
    if (m_error.isEmpty() && n > 0 && m_out.write(bytes, qint64(n)) != qint64(n))
        Fail(m_out.errorString());
    m_sent += n;
}

void CDumpStream::Write(const std::uint8_t* bytes, std::size_t n) {
    if (!m_error.isEmpty() || n == 0)
        return;
    if (!m_spill && m_held.size() + n > kHeldInMemory) {
        m_spill = std::make_unique<QTemporaryFile>();
        if (!m_spill->open())
            return Fail(m_spill->errorString());
        m_spilled = 0;
        Write(m_held.data(), m_held.size());
        m_held = {};
    }
    if (!m_spill) {
        m_held.insert(m_held.end(), bytes, bytes + n);
        return;
    }
    if (m_spill->write(reinterpret_cast<const char*>(bytes), qint64(n)) != qint64(n))
        return Fail(m_spill->errorString());
    m_spilled += n;
}

void CDumpStream::Rewind(std::uint64_t size) {
    if (!m_error.isEmpty())
        return;
    if (size < m_sent)
        return Fail(QStringLiteral("cannot take back what was written"));
    const std::uint64_t held = size - m_sent;
    if (!m_spill) {
        if (held < m_held.size())
            m_held.resize(std::size_t(held));
    } else if (held < m_spilled) {
        if (!m_spill->resize(qint64(held)) || !m_spill->seek(qint64(held)))
            return Fail(m_spill->errorString());
        m_spilled = held;
    }
}

void CDumpStream::Keep() {
    if (!m_error.isEmpty())
        return;
    if (!m_spill) {
        Send(reinterpret_cast<const char*>(m_held.data()), m_held.size());
        m_held.clear();
        return;
    }
    if (!m_spill->seek(0))
        return Fail(m_spill->errorString());
    std::vector<char> piece(kCopyPiece);
    for (std::uint64_t left = m_spilled; left > 0 && m_error.isEmpty();) {
        const qint64 got = m_spill->read(piece.data(), std::min<qint64>(kCopyPiece, qint64(left)));
        if (got <= 0)
            return Fail(m_spill->errorString());
        Send(piece.data(), std::size_t(got));
        left -= std::uint64_t(got);
    }
    m_spill.reset();
    m_spilled = 0;
}

bool CDumpStream::Commit() {
    Keep();
    if (m_error.isEmpty() && !m_out.flush())
        Fail(m_out.errorString());
    return m_error.isEmpty();
}
