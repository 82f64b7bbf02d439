#pragma once

#include <QString>
#include <optional>

class QDialog;
class QWidget;

// Everything that waits on the person at the screen or starts something outside the program goes
// through here: message boxes, file choosers, modal dialogs, the busy cursor, the file viewer and the
// compare window. The program uses CWidgetPrompts; tests record what would have been shown.
class IPrompts {
public:
    virtual ~IPrompts() = default;

    // A modal message box with an OK button. An empty caption means the program title.
    virtual void MessageBox(const QString& text, const QString& caption = QString()) = 0;

    // An open-style file chooser. `filter` is in the classic "Text file(*.txt)|*.txt|...||" form.
    // Returns the chosen full path, or nothing when cancelled.
    virtual std::optional<QString> ChooseFile(const QString& title, const QString& filter,
                                              const QString& start, bool mustExist) = 0;

    // A save-style chooser for a file that is appended to, so it asks nothing about replacing it.
    // `filterIndex`: the filter offered first; on return, the one chosen.
    virtual std::optional<QString> ChooseFileToAppend(const QString& title, const QString& filter,
                                                      const QString& start, int& filterIndex) = 0;

    // A message that does not wait for the person. While an earlier one is still open, that one
    // takes the new text: there is never more than one.
    virtual void ShowNotice(const QString& text) = 0;

    // Runs a dialog modally and returns its result code.
    virtual int RunModal(QDialog& dialog) = 0;

    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // Shows a saved file read-only; compares two files side by side; closes open compare windows.
    virtual void ShowFile(const QString& path) = 0;
    virtual void CompareFiles(const QString& reference, const QString& other) = 0;
    virtual void CloseCompareViewers() = 0;
};

// Turns the classic "Name(*.a)|*.a|Other(*.b;*.c)|*.b;*.c||" filter into Qt's "Name (*.a);;..." form.
QString QtFileFilter(const QString& classicFilter);

// The program title, the caption of message boxes.
QString ProgramTitle();
