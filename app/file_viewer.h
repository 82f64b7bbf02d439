#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// A saved file shown read-only: GBK text in a monospace font, with a button that opens the file in the
// desktop's default application. Each call opens a window of its own; it deletes itself when closed.
class CFileViewer : public QWidget {
    Q_OBJECT

public:
    // Longer files show their beginning and say so.
    static constexpr qint64 kShownLimit = 16 * 1024 * 1024;

    explicit CFileViewer(const QString& path, QWidget* parent = nullptr);
    QString Path() const { return m_path; }
    QString Text() const;
    QPlainTextEdit* TextView() const { return m_text; }
    QPushButton* OpenButton() const { return m_open; }

private:
    void Load();

    QString m_path;
    QPlainTextEdit* m_text;
    QPushButton* m_open;
};
