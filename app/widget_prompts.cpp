#include "app/widget_prompts.h"

#include "app/compare_window.h"
#include "app/file_viewer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

QString ProgramTitle() { return QStringLiteral("Serimo"); }

QString QtFileFilter(const QString& classicFilter) {
    // "Name(*.a)|*.a|Other(*.b)|*.b||": names and patterns alternate.
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString name = parts[i];
        const qsizetype paren = name.indexOf(QLatin1Char('('));
        if (paren > 0)
            name = name.left(paren).trimmed();
        filters << QStringLiteral("%1 (%2)").arg(name, pattern);
    }
    return filters.join(QStringLiteral(";;"));
}

void CWidgetPrompts::MessageBox(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption.isEmpty() ? ProgramTitle() : caption, text, QMessageBox::Ok, m_parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    // A busy cursor must not hide the pointer over a box that waits for a click.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
}

std::optional<QString> CWidgetPrompts::ChooseFile(const QString& title, const QString& filter, const QString& start,
                                                  bool mustExist) {
    QFileDialog dialog(m_parent, title, start, QtFileFilter(filter));
    dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!start.isEmpty())
        dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> CWidgetPrompts::ChooseFileToAppend(const QString& title, const QString& filter,
                                                          const QString& start, int& filterIndex) {
    QFileDialog dialog(m_parent, title, start, QtFileFilter(filter));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = dialog.nameFilters();
    if (filterIndex >= 0 && filterIndex < filters.size())
        dialog.selectNameFilter(filters[filterIndex]);
    if (!start.isEmpty())
        dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    filterIndex = int(filters.indexOf(dialog.selectedNameFilter()));
    return dialog.selectedFiles().front();
}

void CWidgetPrompts::ShowNotice(const QString& text) {
    if (m_notice) {
        m_notice->setText(text);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::NoIcon, ProgramTitle(), text, QMessageBox::Ok, m_parent);
    box->button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box->setWindowModality(Qt::NonModal);
    QObject::connect(box, &QMessageBox::finished, box, &QObject::deleteLater);
    m_notice = box;
    box->show();
}

int CWidgetPrompts::RunModal(QDialog& dialog) { return dialog.exec(); }

void CWidgetPrompts::BeginWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void CWidgetPrompts::EndWaitCursor() { QApplication::restoreOverrideCursor(); }

void CWidgetPrompts::ShowFile(const QString& path) {
    auto* viewer = new CFileViewer(path, m_parent);
    viewer->show();
}

void CWidgetPrompts::CompareFiles(const QString& reference, const QString& other) {
    std::erase_if(m_compareWindows, [](const QPointer<CCompareWindow>& w) { return w.isNull(); });
    auto* window = new CCompareWindow(reference, other, m_parent);
    m_compareWindows.emplace_back(window);
    window->show();
}

// Our own windows: each is gone when this returns, so the loop cannot wait on anything.
void CWidgetPrompts::CloseCompareViewers() {
    std::vector<QPointer<CCompareWindow>> windows;
    windows.swap(m_compareWindows);
    for (const QPointer<CCompareWindow>& window : windows) {
        if (window.isNull())
            continue;
        window->close();
        delete window.data();
    }
}
