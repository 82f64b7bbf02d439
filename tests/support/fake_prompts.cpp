#include "tests/support/fake_prompts.h"

#include <QDialog>

QStringList CFakePrompts::Texts() const {
    QStringList out;
    for (const Message& m : messages)
        out << m.text;
    return out;
}

void CFakePrompts::MessageBox(const QString& text, const QString& caption) {
    messages.push_back({text, caption.isEmpty() ? ProgramTitle() : caption});
    if (onMessage)
        onMessage(text);
}

std::optional<QString> CFakePrompts::ChooseFile(const QString& title, const QString& filter, const QString& start,
                                                bool mustExist) {
    choosers.push_back({title, filter, start, mustExist});
    if (chooserAnswers.empty())
        return std::nullopt;
    const QString answer = chooserAnswers.front();
    chooserAnswers.pop_front();
    if (answer.isNull())
        return std::nullopt;
    return answer;
}

std::optional<QString> CFakePrompts::ChooseFileToAppend(const QString& title, const QString& filter,
                                                        const QString& start, int& filterIndex) {
    filterIndex = chosenFilter >= 0 ? chosenFilter : filterIndex;
    return ChooseFile(title, filter, start, false);
}

void CFakePrompts::ShowNotice(const QString& text) {
    for (auto it = messages.rbegin(); noticeOpen && it != messages.rend(); ++it)
        if (it->notice) {
            it->text = text;
            return;
        }
    noticeOpen = true;
    messages.push_back({text, ProgramTitle(), true});
}

int CFakePrompts::RunModal(QDialog& dialog) {
    ++modalCount;
    return onModal ? onModal(dialog) : QDialog::Rejected;
}

void CFakePrompts::BeginWaitCursor() {
    ++waitCursorDepth;
    ++waitCursorShown;
}

void CFakePrompts::EndWaitCursor() { --waitCursorDepth; }
