#pragma once

#include <QFrame>
#include <array>
#include <cstdint>

class QLineEdit;

// An IPv4 address in four fields of 0-255. A blank field reads as 0; a number above 255 reads as 255
// and is shown so once the field is left.
class CIpAddressBox : public QFrame {
    Q_OBJECT

public:
    using Address = std::array<std::uint8_t, 4>;

    explicit CIpAddressBox(QWidget* parent = nullptr);

    Address GetAddress() const;
    void SetAddress(const Address& address);
    void Clear();
    bool IsBlank() const;

    QLineEdit* Field(int index) const { return m_fields[std::size_t(index)]; }
    // Names the box and its fields for assistive tools: "<name>", "<name> 1" ... "<name> 4".
    void SetAccessibleNames(const QString& name);

signals:
    void AddressChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int IndexOf(QObject* field) const;
    void FixField(int index);

    std::array<QLineEdit*, 4> m_fields{};
};
