#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <thread>

class IClock;

enum class LogFormat { Raw, Text };

// ".log" and ".txt" name a text log, anything else a raw one.
LogFormat LogFormatForPath(const QString& path);

// The whole session written to a file as it happens. The window hands it every read from the line and
// every block written to it; a thread of its own does the writing, so a slow or stalled file never
// holds up the receiving. What arrived is handed to the system within a fraction of a second. A
// failure (full disk, the file removed or made unwritable, a target that takes nothing for a long
// time) stops the log and is told once through Failed; what was written before stays as it is.
class CSessionLog : public QObject {
    Q_OBJECT

public:
    explicit CSessionLog(IClock& clock, QObject* parent = nullptr);
    // Stops the log, giving the writer a moment to write what is left.
    ~CSessionLog() override;

    // Appends to `path` (created with the user's default permissions; a link or a FIFO is written
    // through, never replaced). A text log starts with the line "# Serimo <version> log started
    // <date> <time> on <where>". False, with the system's reason, when the file cannot be opened.
    bool Start(const QString& path, LogFormat format, const QString& where, QString* error);
    // Writes what is left and closes the file; waits only while the file takes what is written.
    // Empty, or why what was left did not all reach the file.
    QString Stop();
    bool IsRunning() const { return m_bRunning; }
    const QString& Path() const { return m_strPath; }
    LogFormat Format() const { return m_format; }

    // The arrays are kept as they are until written (an array that does not own its bytes would be
    // read after the caller let go of them).
    void Received(const QByteArray& bytes) { Record(false, bytes); }
    void Sent(const QByteArray& bytes) { Record(true, bytes); }
    // A "#" line in a text log (the device lost, the port reopened); a raw log holds only what came in.
    void Note(const QString& text);

    // Looks at the writer: a failure, or a file that has taken nothing for kStallMs while bytes wait,
    // stops the log and emits Failed. Runs on its own every kCheckMs while the log runs.
    void Check();

    static constexpr int kCheckMs = 250;
    static constexpr qint64 kStallMs = 10000;

signals:
    // The log stopped by itself; `reason` says why ("No space left on device").
    void Failed(const QString& reason);

private:
    struct Writer;
    // How the writer puts an array in the file: as it is, or as a text record of received or sent bytes.
    enum class ChunkKind { AsIs, Received, Sent };
    void Record(bool sent, const QByteArray& bytes);
    void Append(const QByteArray& bytes, ChunkKind kind);
    void Halt(const QString& reason);

    IClock& m_clock;
    QTimer m_checkTimer;
    std::shared_ptr<Writer> m_pWriter;
    std::thread m_thread;
    bool m_bRunning = false;
    QString m_strPath;
    LogFormat m_format = LogFormat::Raw;
    std::uint64_t m_nAccepted = 0;  // bytes handed to the writer
    std::uint64_t m_nLastWritten = 0;
    qint64 m_nProgressMs = 0;       // when the writer was last seen keeping up
    bool m_bOverflow = false;
};
