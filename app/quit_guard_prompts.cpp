#include "app/quit_guard_prompts.h"

#include <QDialog>

void CQuitGuardPrompts::MessageBox(const QString& text, const QString& caption) {
    if (!m_quitting())
        m_prompts.MessageBox(text, caption);
}

std::optional<QString> CQuitGuardPrompts::ChooseFile(const QString& title, const QString& filter,
                                                     const QString& start, bool mustExist) {
    if (m_quitting())
        return std::nullopt;
    return m_prompts.ChooseFile(title, filter, start, mustExist);
}

std::optional<QString> CQuitGuardPrompts::ChooseFileToAppend(const QString& title, const QString& filter,
                                                             const QString& start, int& filterIndex) {
    if (m_quitting())
        return std::nullopt;
    return m_prompts.ChooseFileToAppend(title, filter, start, filterIndex);
}

void CQuitGuardPrompts::ShowNotice(const QString& text) {
    if (!m_quitting())
        m_prompts.ShowNotice(text);
}

int CQuitGuardPrompts::RunModal(QDialog& dialog) {
    if (m_quitting())
        return QDialog::Rejected;
    return m_prompts.RunModal(dialog);
}

void CQuitGuardPrompts::ShowFile(const QString& path) {
    if (!m_quitting())
        m_prompts.ShowFile(path);
}

void CQuitGuardPrompts::CompareFiles(const QString& reference, const QString& other) {
    if (!m_quitting())
        m_prompts.CompareFiles(reference, other);
}
