#pragma once

#include "app/prompts.h"

#include <functional>

// The window's prompts once the program is ending from outside: nothing may wait on a person then, so
// boxes, choosers and dialogs stay shut (a chooser is cancelled, a dialog rejected) and no window opens.
// Until then everything goes to the prompts it wraps.
class CQuitGuardPrompts : public IPrompts {
public:
    CQuitGuardPrompts(IPrompts& prompts, std::function<bool()> quitting)
        : m_prompts(prompts), m_quitting(std::move(quitting)) {}

    void MessageBox(const QString& text, const QString& caption = QString()) override;
    std::optional<QString> ChooseFile(const QString& title, const QString& filter, const QString& start,
                                      bool mustExist) override;
    std::optional<QString> ChooseFileToAppend(const QString& title, const QString& filter, const QString& start,
                                              int& filterIndex) override;
    void ShowNotice(const QString& text) override;
    int RunModal(QDialog& dialog) override;
    void BeginWaitCursor() override { m_prompts.BeginWaitCursor(); }
    void EndWaitCursor() override { m_prompts.EndWaitCursor(); }
    void ShowFile(const QString& path) override;
    void CompareFiles(const QString& reference, const QString& other) override;
    void CloseCompareViewers() override { m_prompts.CloseCompareViewers(); }

private:
    IPrompts& m_prompts;
    std::function<bool()> m_quitting;
};
