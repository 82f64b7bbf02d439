#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// The program's INI profile: named sections of integer and text keys, with the behaviour people
// expect of such files. Names are matched in any case and written exactly as given ("[Com Port]"
// stays "[Com Port]"); missing keys read as the caller's default; every line the program does not
// write (other sections, other keys, comments, even lines it cannot parse) is written back byte for
// byte. The file is GBK text with CR LF line ends (a file that starts with a UTF-8 byte-order mark is
// read and written as UTF-8). Writes collect in memory until Flush, which replaces the file whole.
class CProfile {
public:
    explicit CProfile(QString path);

    // `<program base name>.ini` in the user's configuration folder (XDG_CONFIG_HOME moves it).
    static QString DefaultPath();

    const QString& Path() const { return m_path; }

    // Reads the file again; a missing or unreadable file reads as empty.
    void Reload();

    int GetProfileInt(const QString& section, const QString& key, int defaultValue) const;
    QString GetProfileString(const QString& section, const QString& key, const QString& defaultValue) const;
    void WriteProfileInt(const QString& section, const QString& key, int value);
    void WriteProfileString(const QString& section, const QString& key, const QString& value);

    // Writes the profile atomically (temporary file, then rename). On failure returns false and
    // leaves the old file as it was; `error` gets the reason.
    bool Flush(QString* error = nullptr);

    // Texts are stored as they are unless they would not survive the line format (line breaks,
    // blanks at either end, or quotes around the whole value): those are stored in double quotes with
    // \r \n \t \\ \" escapes. A one-line text is therefore stored exactly as typed.
    static QString EncodeText(const QString& text);
    static QString DecodeText(const QString& stored);

private:
    struct Line {
        QByteArray raw;    // the bytes as read (without the line end), written back unchanged
        QString section;   // for section lines: the name
        QString key;       // for key lines: the key
        QString value;     // for key lines: the value, blanks around it removed
        enum Kind { Other, Section, Entry } kind = Other;
    };

    QByteArray Encode(const QString& text) const;
    QString Decode(const QByteArray& bytes) const;
    Line ParseLine(const QByteArray& raw) const;
    const Line* FindEntry(const QString& section, const QString& key) const;
    void SetEntry(const QString& section, const QString& key, const QString& value);

    QString m_path;
    bool m_utf8 = false;
    std::vector<Line> m_lines;
};
