#include "terminal/session_log.h"

#include "serial/clock.h"
#include "terminal/gbk_codec.h"
#include "terminal/time_stamp.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

#ifndef SERIMO_VERSION
#define SERIMO_VERSION "unknown"
#endif

namespace {

constexpr std::size_t kLineBytes = 32;
// The writer is woken at once for this much; otherwise it looks every kWriterPeriod.
constexpr std::size_t kWakeBytes = 4 * 1024 * 1024;
// Beyond this much waiting, the file is not keeping up with the line at all.
constexpr std::uint64_t kMaxBacklog = 64ull * 1024 * 1024;
constexpr auto kWriterPeriod = std::chrono::milliseconds(200);
constexpr auto kPathCheckPeriod = std::chrono::seconds(1);
// Stop waits while the file takes what is written, but not on one that has stopped taking it.
constexpr auto kStopPatience = std::chrono::milliseconds(250);
constexpr auto kStopLimit = std::chrono::seconds(3);
// The writer's own reason for stopping: the path now leads to another file.
constexpr int kReplaced = -1;

QString ReasonText(int error) {
    if (error == kReplaced)
        return QStringLiteral("该路径已换成另一个文件");
    if (error == ENXIO)
        return QStringLiteral("没有程序在读取该管道");
    return QString::fromLocal8Bit(std::strerror(error));
}

// The open file, and which file it was, so that one removed or replaced meanwhile is noticed.
class CLogTarget {
public:
    ~CLogTarget() { Close(); }
    // 0, or the system's error number.
    int Open(const QString& path);
    // Writes all of `chunks`; gives up on a file that takes nothing once `abandon` is set. 0, or the
    // error number.
    int Write(const std::vector<QByteArray>& chunks, std::atomic<std::uint64_t>& written, const std::atomic<bool>& abandon);
    // 0 while the path still leads to the opened file and it may be written.
    int Verify() const;
    void Close();

private:
    QString m_path;
#ifdef Q_OS_UNIX
    int m_fd = -1;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    bool m_bRegular = false;
#else
    QFile m_file;
#endif
};

#ifdef Q_OS_UNIX
int CLogTarget::Open(const QString& path) {
    m_path = path;
    // Non-blocking: a FIFO without a reader is refused at once instead of holding the window, and a
    // full one keeps the writer where it can still give up.
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                  0666);
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
        const int error = errno;
        Close();
        return error;
    }
    m_dev = st.st_dev;
    m_ino = st.st_ino;
    m_bRegular = S_ISREG(st.st_mode);
    return 0;
}

int CLogTarget::Write(const std::vector<QByteArray>& chunks, std::atomic<std::uint64_t>& written,
                      const std::atomic<bool>& abandon) {
    constexpr int kMaxChunks = 256;
    std::size_t first = 0, offset = 0; // the next byte to write
    while (first < chunks.size()) {
        iovec iov[kMaxChunks];
        int count = 0;
        for (std::size_t i = first; i < chunks.size() && count < kMaxChunks; ++i, ++count) {
            const std::size_t skip = i == first ? offset : 0;
            iov[count] = {const_cast<char*>(chunks[i].constData()) + skip, std::size_t(chunks[i].size()) - skip};
        }
        const ssize_t n = ::writev(m_fd, iov, count);
        if (n > 0) {
            written += std::uint64_t(n);
            for (std::size_t left = std::size_t(n); left > 0;) {
                const std::size_t step = std::min(left, std::size_t(chunks[first].size()) - offset);
                left -= step;
                offset += step;
                if (offset == std::size_t(chunks[first].size())) {
                    ++first;
                    offset = 0;
                }
            }
        } else if (n < 0 && errno == EAGAIN) {
            if (abandon)
                return EAGAIN;
            pollfd pfd{m_fd, POLLOUT, 0};
            ::poll(&pfd, 1, 100);
        } else if (n == 0 || errno != EINTR) {
            return n == 0 ? EIO : errno;
        }
    }
    return 0;
}

int CLogTarget::Verify() const {
    const QByteArray name = QFile::encodeName(m_path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return errno;
    if (st.st_dev != m_dev || st.st_ino != m_ino)
        return kReplaced;
    if (m_bRegular && ::access(name.constData(), W_OK) != 0)
        return errno;
    return 0;
}

void CLogTarget::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
#else
int CLogTarget::Open(const QString& path) {
    m_path = path;
    m_file.setFileName(path);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append) ? 0 : EACCES;
}

int CLogTarget::Write(const std::vector<QByteArray>& chunks, std::atomic<std::uint64_t>& written,
                      const std::atomic<bool>&) {
    for (const QByteArray& chunk : chunks) {
        if (m_file.write(chunk) != chunk.size())
            return EIO;
        written += std::uint64_t(chunk.size());
    }
    return m_file.flush() ? 0 : EIO;
}

int CLogTarget::Verify() const { return QFileInfo::exists(m_path) ? 0 : ENOENT; }

void CLogTarget::Close() { m_file.close(); }
#endif

const QString kBehind = QStringLiteral("文件的写入跟不上接收的速度");

// "2026-12-07 18:05:01.123"
std::string LogStamp(const QDateTime& local) {
    const QDate d = local.date();
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d ", d.year() % 10000, d.month(), d.day());
    return TimeOfDayText(local.time(), date);
}

// One record of the text log: per line of at most 32 bytes the stamp, RX or TX, the bytes as hex
// pairs, two blanks and the bytes as text (printable ASCII, else "."), CR LF.
void AppendLogRecord(QByteArray& out, std::string_view stamp, bool sent, const std::uint8_t* bytes, std::size_t n) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::size_t at = 0; at < n; at += kLineBytes) {
        const std::size_t len = std::min(kLineBytes, n - at);
        const std::uint8_t* line = bytes + at;
        const qsizetype start = out.size();
        out.resize(start + qsizetype(stamp.size() + 4 + 3 * len - 1 + 2 + len + 2));
        char* p = std::copy(stamp.begin(), stamp.end(), out.data() + start);
        p = std::copy_n(sent ? " TX " : " RX ", 4, p);
        for (std::size_t i = 0; i < len; ++i) {
            if (i > 0)
                *p++ = ' ';
            *p++ = kDigits[line[i] >> 4];
            *p++ = kDigits[line[i] & 0x0F];
        }
        *p++ = ' ';
        *p++ = ' ';
        for (std::size_t i = 0; i < len; ++i)
            *p++ = line[i] >= 0x20 && line[i] <= 0x7E ? char(line[i]) : '.';
        *p++ = '\r';
        *p = '\n';
    }
}

} // namespace

// What the window and the writer thread share. The thread holds it too, so that a writer left behind
// on a file that hangs never touches freed memory.
struct CSessionLog::Writer {
    // What the window hands over: the arrays as they came, without a copy. A text record is formatted
    // here, away from the window.
    struct Chunk {
        QByteArray bytes;
        ChunkKind kind = ChunkKind::AsIs;
        QDateTime arrival;
    };

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    std::vector<Chunk> pending;
    std::size_t pendingBytes = 0;
    bool stop = false;
    bool finished = false;
    int error = 0;
    std::atomic<std::uint64_t> written{0}; // bytes written to the file
    std::atomic<std::uint64_t> taken{0};   // bytes handed over whose form is all in the file
    std::atomic<bool> abandon{false};
    CLogTarget target;

    void Run();
};

void CSessionLog::Writer::Run() {
#ifdef Q_OS_UNIX
    // A FIFO whose reader went away then fails with EPIPE instead of ending the program.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    // Nothing but the disk waits on the writer: the window and the line come first.
    setpriority(PRIO_PROCESS, 0, 10);
#endif
    using Clock = std::chrono::steady_clock;
    auto lastVerify = Clock::now();
    std::vector<Chunk> batch;
    std::vector<QByteArray> out;
    int failure = 0;
    for (bool stopping = false; !stopping && failure == 0;) {
        {
            std::unique_lock lock(mutex);
            wake.wait_for(lock, kWriterPeriod, [this] { return stop || pendingBytes >= kWakeBytes; });
            batch.swap(pending);
            pendingBytes = 0;
            stopping = stop;
        }
        std::uint64_t size = 0;
        bool formatting = false; // out.back() is records formatted here
        for (const Chunk& chunk : batch) {
            size += std::uint64_t(chunk.bytes.size());
            if (chunk.kind == ChunkKind::AsIs) {
                out.push_back(chunk.bytes);
                formatting = false;
                continue;
            }
            if (!formatting)
                out.emplace_back();
            formatting = true;
            AppendLogRecord(out.back(), LogStamp(chunk.arrival), chunk.kind == ChunkKind::Sent,
                            reinterpret_cast<const std::uint8_t*>(chunk.bytes.constData()), std::size_t(chunk.bytes.size()));
        }
        failure = target.Write(out, written, abandon);
        if (failure == 0)
            taken += size;
        batch.clear();
        out.clear();
        if (failure == 0 && Clock::now() - lastVerify >= kPathCheckPeriod) {
            failure = target.Verify();
            lastVerify = Clock::now();
        }
    }
    target.Close();
    std::lock_guard lock(mutex);
    error = failure;
    finished = true;
    done.notify_all();
}

LogFormat LogFormatForPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("log") || suffix == QLatin1String("txt") ? LogFormat::Text : LogFormat::Raw;
}

CSessionLog::CSessionLog(IClock& clock, QObject* parent) : QObject(parent), m_clock(clock) {
    m_checkTimer.setInterval(kCheckMs);
    connect(&m_checkTimer, &QTimer::timeout, this, &CSessionLog::Check);
}

CSessionLog::~CSessionLog() { Stop(); }

bool CSessionLog::Start(const QString& path, LogFormat format, const QString& where, QString* error) {
    Stop();
    auto writer = std::make_shared<Writer>();
    if (const int failure = writer->target.Open(path); failure != 0) {
        if (error)
            *error = ReasonText(failure);
        return false;
    }
    m_pWriter = writer;
    m_strPath = path;
    m_format = format;
    m_nAccepted = 0;
    m_nLastWritten = 0;
    m_nProgressMs = m_clock.NowMs();
    m_bOverflow = false;
    m_bRunning = true;
    if (format == LogFormat::Text) {
        const QString header = QStringLiteral("# Serimo " SERIMO_VERSION " log started %1 on %2\r\n")
                                   .arg(QString::fromLatin1(LogStamp(m_clock.LocalNow()).substr(0, 19)), where);
        Append(GbkEncode(header), ChunkKind::AsIs);
    }
    m_thread = std::thread([writer] { writer->Run(); });
    m_checkTimer.start();
    return true;
}

QString CSessionLog::Stop() {
    m_checkTimer.stop();
    m_bRunning = false;
    if (!m_pWriter)
        return QString();
    const std::shared_ptr<Writer> writer = std::move(m_pWriter);
    std::unique_lock lock(writer->mutex);
    writer->stop = true;
    writer->wake.notify_all();
    const auto limit = std::chrono::steady_clock::now() + kStopLimit;
    while (!writer->finished && std::chrono::steady_clock::now() < limit) {
        const std::uint64_t before = writer->written;
        if (!writer->done.wait_for(lock, kStopPatience, [&] { return writer->finished || writer->written != before; }))
            break;
    }
    const bool finished = writer->finished;
    const int error = writer->error;
    writer->abandon = true;
    lock.unlock();
    if (finished)
        m_thread.join();
    else
        m_thread.detach();
    if (m_bOverflow)
        return kBehind;
    if (!finished)
        return QStringLiteral("文件没有接收最后的数据");
    return error ? ReasonText(error) : QString();
}

void CSessionLog::Halt(const QString& reason) {
    m_checkTimer.stop();
    m_bRunning = false;
    if (m_pWriter) {
        std::lock_guard lock(m_pWriter->mutex);
        m_pWriter->abandon = true;
        m_pWriter->stop = true;
        m_pWriter->pending.clear();
        m_pWriter->pendingBytes = 0;
        m_pWriter->wake.notify_all();
    }
    m_pWriter.reset();
    // The writer may be held inside a write for as long as the file makes it wait; it ends by itself.
    if (m_thread.joinable())
        m_thread.detach();
    emit Failed(reason);
}

void CSessionLog::Append(const QByteArray& bytes, ChunkKind kind) {
    const std::size_t n = std::size_t(bytes.size());
    if (m_bOverflow || m_nAccepted - m_pWriter->taken + n > kMaxBacklog) {
        m_bOverflow = true;
        return;
    }
    m_nAccepted += n;
    std::lock_guard lock(m_pWriter->mutex);
    const bool wasSmall = m_pWriter->pendingBytes < kWakeBytes;
    m_pWriter->pending.push_back(
        {bytes, kind, kind == ChunkKind::AsIs ? QDateTime() : m_clock.LocalNow()});
    m_pWriter->pendingBytes += n;
    if (wasSmall && m_pWriter->pendingBytes >= kWakeBytes)
        m_pWriter->wake.notify_one();
}

void CSessionLog::Record(bool sent, const QByteArray& bytes) {
    if (!m_bRunning || bytes.isEmpty())
        return;
    if (m_format == LogFormat::Text)
        Append(bytes, sent ? ChunkKind::Sent : ChunkKind::Received);
    else if (!sent)
        Append(bytes, ChunkKind::AsIs);
}

void CSessionLog::Note(const QString& text) {
    if (!m_bRunning || m_format != LogFormat::Text)
        return;
    Append(GbkEncode(
               QStringLiteral("# %1 %2\r\n").arg(QString::fromLatin1(LogStamp(m_clock.LocalNow())), text)),
           ChunkKind::AsIs);
}

void CSessionLog::Check() {
    if (!m_bRunning)
        return;
    int error = 0;
    {
        std::lock_guard lock(m_pWriter->mutex);
        error = m_pWriter->finished ? m_pWriter->error : 0;
    }
    if (error != 0 || m_bOverflow) {
        Halt(m_bOverflow ? kBehind : ReasonText(error));
        return;
    }
    const qint64 now = m_clock.NowMs();
    const std::uint64_t written = m_pWriter->written;
    if (written != m_nLastWritten || m_pWriter->taken == m_nAccepted) {
        m_nLastWritten = written;
        m_nProgressMs = now;
    } else if (now - m_nProgressMs >= kStallMs) {
        Halt(QStringLiteral("文件 %1 秒没有写入任何数据").arg((now - m_nProgressMs) / 1000));
    }
}
