#include "card/ip_address_box.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

CIpAddressBox::CIpAddressBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            layout->addWidget(dot);
        }
        auto* field = new QLineEdit(this);
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(3);
        field->setValidator(new QIntValidator(0, 999, field));
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i, field](const QString& text) {
            // Three digits complete a field, as in the platform's address box.
            if (text.size() == 3 && i < 3 && field->cursorPosition() == 3) {
                FixField(i);
                m_fields[std::size_t(i + 1)]->setFocus();
                m_fields[std::size_t(i + 1)]->selectAll();
            }
            emit AddressChanged();
        });
        connect(field, &QLineEdit::editingFinished, this, [this, i] { FixField(i); });
        m_fields[std::size_t(i)] = field;
        layout->addWidget(field, 1);
    }
    setFocusProxy(m_fields[0]);
    setFocusPolicy(Qt::StrongFocus);
}

CIpAddressBox::Address CIpAddressBox::GetAddress() const {
    Address address{};
    for (std::size_t i = 0; i < 4; ++i)
        address[i] = std::uint8_t(std::min(255, m_fields[i]->text().toInt())); // blank: 0
    return address;
}

void CIpAddressBox::SetAddress(const Address& address) {
    for (std::size_t i = 0; i < 4; ++i)
        m_fields[i]->setText(QString::number(address[i]));
    emit AddressChanged();
}

void CIpAddressBox::Clear() {
    for (QLineEdit* field : m_fields)
        field->clear();
    emit AddressChanged();
}

bool CIpAddressBox::IsBlank() const {
    return std::all_of(m_fields.begin(), m_fields.end(), [](QLineEdit* f) { return f->text().isEmpty(); });
}

void CIpAddressBox::SetAccessibleNames(const QString& name) {
    setAccessibleName(name);
    for (int i = 0; i < 4; ++i)
        m_fields[std::size_t(i)]->setAccessibleName(QStringLiteral("%1 %2").arg(name).arg(i + 1));
}

int CIpAddressBox::IndexOf(QObject* field) const {
    for (int i = 0; i < 4; ++i)
        if (m_fields[std::size_t(i)] == field)
            return i;
    return -1;
}

void CIpAddressBox::FixField(int index) {
    QLineEdit* field = m_fields[std::size_t(index)];
    if (!field->text().isEmpty() && field->text().toInt() > 255)
        field->setText(QStringLiteral("255"));
}

bool CIpAddressBox::eventFilter(QObject* watched, QEvent* event) {
    const int index = IndexOf(watched);
    if (index >= 0 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        QLineEdit* field = m_fields[std::size_t(index)];
        const bool atStart = field->cursorPosition() == 0 && !field->hasSelectedText();
        const bool atEnd = field->cursorPosition() == field->text().size();
        if ((key->text() == QStringLiteral(".") || key->text() == QStringLiteral(" ")) && index < 3) {
            if (!field->text().isEmpty()) {
                FixField(index);
                m_fields[std::size_t(index + 1)]->setFocus();
                m_fields[std::size_t(index + 1)]->selectAll();
            }
            return true;
        }
        if (key->key() == Qt::Key_Right && atEnd && index < 3) {
            m_fields[std::size_t(index + 1)]->setFocus();
            m_fields[std::size_t(index + 1)]->setCursorPosition(0);
            return true;
        }
        if ((key->key() == Qt::Key_Left || key->key() == Qt::Key_Backspace) && atStart && index > 0) {
            QLineEdit* previous = m_fields[std::size_t(index - 1)];
            previous->setFocus();
            previous->setCursorPosition(previous->text().size());
            return key->key() == Qt::Key_Left;
        }
    }
    return QFrame::eventFilter(watched, event);
}
