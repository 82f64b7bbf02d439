#pragma once

#include "app/prompts.h"

#include <QStringList>
#include <deque>
#include <functional>

// Prompts for tests: records every message box and modal dialog, answers file choosers from a
// queue, and counts the busy cursor.
class CFakePrompts : public IPrompts {
public:
    struct Message {
        QString text;
        QString caption;
        bool notice = false; // shown without waiting (ShowNotice)
    };
    std::vector<Message> messages;
    QStringList Texts() const;
    QString LastText() const { return messages.empty() ? QString() : messages.back().text; }

    // Answers for ChooseFile, in order; a null QString is a cancel. Without answers: cancel.
    std::deque<QString> chooserAnswers;
    struct Chooser {
        QString title, filter, start;
        bool mustExist;
    };
    std::vector<Chooser> choosers;

    // A notice stays open, taking the text of later ones, until the test sets this back.
    bool noticeOpen = false;
    // The filter ChooseFileToAppend answers with; -1 keeps the one offered.
    int chosenFilter = -1;

    // Called with each modal dialog before it "closes"; returns the dialog's result.
    std::function<int(QDialog&)> onModal;
    int modalCount = 0;
    // Called for each message box (after it is recorded).
    std::function<void(const QString&)> onMessage;

    int waitCursorDepth = 0;
    int waitCursorShown = 0;
    QStringList shownFiles;
    std::vector<std::pair<QString, QString>> comparisons;
    int compareViewersClosed = 0;

    void MessageBox(const QString& text, const QString& caption = QString()) override;
    std::optional<QString> ChooseFile(const QString& title, const QString& filter, const QString& start,
                                      bool mustExist) override;
    std::optional<QString> ChooseFileToAppend(const QString& title, const QString& filter, const QString& start,
                                              int& filterIndex) override;
    void ShowNotice(const QString& text) override;
    int RunModal(QDialog& dialog) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void ShowFile(const QString& path) override { shownFiles << path; }
    void CompareFiles(const QString& reference, const QString& other) override { comparisons.emplace_back(reference, other); }
    void CloseCompareViewers() override { ++compareViewersClosed; }
};
