#pragma once

#include "app/prompts.h"

#include <QPointer>
#include <vector>

class CCompareWindow;
class QMessageBox;

// Prompts with real widgets: message boxes, file choosers, the viewer and compare windows.
class CWidgetPrompts : public IPrompts {
public:
    void SetParent(QWidget* parent) { m_parent = parent; }

    void MessageBox(const QString& text, const QString& caption = QString()) override;
    std::optional<QString> ChooseFile(const QString& title, const QString& filter, const QString& start,
                                      bool mustExist) override;
    std::optional<QString> ChooseFileToAppend(const QString& title, const QString& filter, const QString& start,
                                              int& filterIndex) override;
    void ShowNotice(const QString& text) override;
    int RunModal(QDialog& dialog) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void ShowFile(const QString& path) override;
    void CompareFiles(const QString& reference, const QString& other) override;
    void CloseCompareViewers() override;

private:
    QPointer<QWidget> m_parent;
    QPointer<QMessageBox> m_notice;
    std::vector<QPointer<CCompareWindow>> m_compareWindows;
};
