#include "app/file_viewer.h"

#include "app/column_font.h"
#include "app/column_text_edit.h"
#include "app/prompts.h"
#include "terminal/gbk_codec.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

CFileViewer::CFileViewer(const QString& path, QWidget* parent) : QWidget(parent, Qt::Window), m_path(path) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("%1 - %2").arg(QFileInfo(path).fileName(), ProgramTitle()));

    m_text = new CColumnTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setUndoRedoEnabled(false);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(ColumnFont());
    m_text->setAccessibleName(QStringLiteral("文件内容"));
    m_text->setAccessibleDescription(path);

    m_open = new QPushButton(QStringLiteral("用默认程序打开"), this);
    m_open->setToolTip(path);
    connect(m_open, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(m_path).absoluteFilePath())); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_open);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(buttons);
    resize(760, 560);
    Load();
}

QString CFileViewer::Text() const { return m_text->toPlainText(); }

void CFileViewer::Load() {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_text->setPlainText(QStringLiteral("无法打开文件 %1：%2").arg(m_path, file.errorString()));
        return;
    }
    const QByteArray bytes = file.read(kShownLimit);
    // A character cut at the limit is left out, not shown as invalid.
    QString text = file.size() > bytes.size() ? CGbkDecoder().decode(bytes) : GbkDecode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (file.size() > bytes.size())
        text += QStringLiteral("\n…… 文件共 %1 字节，这里只显示前 %2 字节。").arg(file.size()).arg(bytes.size());
    m_text->setPlainText(text);
}
