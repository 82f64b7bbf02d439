#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// The program's INI profile: named sections of integer and text keys, with the behaviour people
// expect of such files. Names are matched in any case and written exactly as given ("[Com Port]"
// stays "[Com Port]"); missing keys read as the caller's default; every line the program does not
// write (other sections, other keys, comments, even lines it cannot parse) is written back byte for
// byte, line end included. The file is GBK text with CR LF line ends; a file that starts with a UTF-8
// byte-order mark is read and written as UTF-8, and a file becomes one when a text is written that
// GBK cannot hold. Writes collect in memory until Flush, which replaces the file whole.
//
// A profile that exists but cannot be read (no permission, not a regular file, bigger than
// kMaxFileSize, an I/O error) reads as empty, and is never written in that run: losing a file the
// user may still want is worse than losing one run's settings.
class CProfile {
public:
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    enum class LoadState { Missing, Loaded, Unreadable };

    explicit CProfile(QString path);

    // `<program base name>.ini` in the user's configuration folder (XDG_CONFIG_HOME moves it).
    static QString DefaultPath();

    const QString& Path() const { return m_path; }

    // Reads the file again. A missing file reads as empty; an unreadable one too, and it returns false.
    bool Reload();
    LoadState State() const { return m_state; }
    // Why the file could not be read (empty unless State() is Unreadable).
    const QString& LoadError() const { return m_loadError; }
    // False once a read failed in this run: Flush then refuses.
    bool Writable() const { return !m_bReadFailed; }

    int GetProfileInt(const QString& section, const QString& key, int defaultValue) const;
    QString GetProfileString(const QString& section, const QString& key, const QString& defaultValue) const;
    // False, and nothing changes, for a name the file format cannot hold so that it reads back (a
    // section name with "]", a key with "=", line breaks, blanks at either end, or a key that would
    // read as a comment or a section).
    bool WriteProfileInt(const QString& section, const QString& key, int value);
    bool WriteProfileString(const QString& section, const QString& key, const QString& value);

    // Writes the profile atomically (temporary file, then rename). On failure returns false and
    // leaves the old file as it was; `error` gets the reason.
    bool Flush(QString* error = nullptr);

    // Texts are stored as they are unless they would not survive the line format (line breaks,
    // blanks at either end, or quotes around the whole value): those are stored in double quotes with
    // \r \n \t \\ \" escapes. A one-line text is therefore stored exactly as typed.
    static QString EncodeText(const QString& text);
    static QString DecodeText(const QString& stored);

    static bool IsValidSectionName(const QString& section);
    static bool IsValidKeyName(const QString& key);

private:
    enum class Kind : std::uint8_t { Other, Section, Entry };
    // One line, or a run of lines the program has no use for (blank lines, comments): the bytes,
    // line ends included, are a slice of m_data or, once written, one of m_edited. The place of the
    // name is kept so that a look-up need not parse every line again. 16 bytes a line: the file is at
    // most kMaxFileSize.
    struct Line {
        std::uint32_t begin = 0;
        std::uint32_t size = 0;
        std::int32_t edited = -1;
        std::uint16_t nameSize = 0;
        std::uint8_t nameBegin = 0; // kFar: the name is too far in or too long, parse the line
        Kind kind = Kind::Other;
    };
    static constexpr std::uint8_t kFar = 0xFF;
    // Where the parts of a line are, as offsets into its bytes.
    struct Parsed {
        Kind kind = Kind::Other;
        qsizetype nameBegin = 0, nameSize = 0;   // section name, or key
        qsizetype valueBegin = 0, valueSize = 0; // entries only
    };

    QByteArrayView Bytes(const Line& line) const;
    QByteArrayView Name(const Line& line) const;
    void SetName(Line& line) const;
    Parsed ParseLine(QByteArrayView bytes) const;
    QString Decode(QByteArrayView bytes) const;
    QByteArray Encode(const QString& text) const;
    bool NameMatches(QByteArrayView stored, const QString& wanted, const QByteArray& wantedAscii) const;
    std::ptrdiff_t FindSection(const QString& section) const;
    std::ptrdiff_t FindEntry(const QString& section, const QString& key) const;
    bool SetEntry(const QString& section, const QString& key, const QString& value);
    Line NewLine(Kind kind, const QByteArray& bytes, const QByteArray& eol);
    void ParseAll();
    QByteArray Serialize() const;
    void ConvertToUtf8();

    QString m_path;
    LoadState m_state = LoadState::Missing;
    QString m_loadError;
    bool m_bReadFailed = false;
    bool m_utf8 = false;
    QByteArray m_eol = "\r\n"; // for lines the program adds: as the file's first line ends
    QByteArray m_data;
    std::vector<QByteArray> m_edited;
    std::vector<Line> m_lines;
};
