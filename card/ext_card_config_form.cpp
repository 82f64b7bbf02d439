#include "card/ext_card_config_form.h"

#include "card/hex_codec.h"
#include "res/resource.h"

#include <vector>

namespace {

QString Decimal(int value) { return QString::number(value); }

QString Hex2(std::uint8_t value) { return QString::asprintf("%02X", value); }

std::optional<std::uint8_t> ReadByteNumber(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < 0 || value > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

ExtCardConfigForm::Result NumberRefused(const QString& field, int focusId) {
    return {false, QStringLiteral("%1 请输入一个介于 0 和 255 之间的整数。").arg(field), focusId};
}

} // namespace

std::optional<std::uint32_t> ReadHexByteText(const QString& text) {
    qsizetype pos = 0;
    while (pos < text.size() && (text[pos] == u' ' || (text[pos] >= u'\t' && text[pos] <= u'\r')))
        ++pos;
    int width = 2;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
        --width;
    }
    std::uint32_t value = 0;
    int digits = 0;
    for (int d = 0; digits < width && pos < text.size(); ++digits, ++pos) {
        const char16_t c = text[pos].unicode();
        if (c >= 0x80 || !HexDigitValue(static_cast<std::uint8_t>(c), d))
            break;
        value = value * 16 + std::uint32_t(d);
    }
    if (digits == 0)
        return std::nullopt;
    return negative ? 0u - value : value;
}

void ExtCardConfigForm::Load(const CardConfigRecord& record) {
    const auto& b = record.bytes;
    adHocEnabled = b[280] == 1;
    txPower = Decimal(b[132]);
    channel = b[136] - 1;
    for (int i = 0; i < 4; ++i) {
        basicRates[i] = (b[134] >> i) & 1;
        txRates[i] = (b[135] >> i) & 1;
    }
    powerDownEnabled = b[537] != 0;
    on = Decimal(b[539]);
    off = Decimal(b[538]);
    idle = Decimal(b[540]);
    for (int i = 0; i < kMacBytes; ++i) {
        preferredMac[i] = Decimal(b[144 + i]);
        mandatoryMac[i] = Decimal(0);
    }
    restartDelay = Decimal(b[279]);
    port2Baud = b[137] <= 8 ? b[137] : -1;
    enableApplication = b[210] == 1;
    longPreamble = b[133] == 0;
    authentication = b[207] <= 2 ? b[207] : -1;
    keyInUse = b[206] <= 3 ? b[206] : -1;
    for (int k = 0; k < kKeys; ++k)
        for (int j = 1; j <= kKeyBytes; ++j)
            keys[k][j - 1] = Hex2(b[150 + 14 * k + j]);
    info = QString::asprintf("Length = %d\r\nVersion = %d.%d", b[128] | (b[129] << 8), b[130], b[131]);
}

ExtCardConfigForm::Result ExtCardConfigForm::Collect(CardConfigRecord& record) const {
    // The number boxes, as the dialog's transfer checks them.
    std::uint8_t delay = 0, idleSecs = 0, offSecs = 0, onSecs = 0, power = 0;
    std::array<std::uint8_t, kMacBytes> preferred{};
    struct Number {
        const QString& text;
        std::uint8_t* into;
        const char* field;
        int id;
    };
    std::vector<Number> numbers{{restartDelay, &delay, "188 Restart Delay (ticks)", IDC_RESTART_DELAY}};
    std::uint8_t ignored = 0;
    for (int i = 0; i < kMacBytes; ++i)
        numbers.push_back({mandatoryMac[i], &ignored, "Mandatory MAC Address", IDC_MANDATORY_MAC_FIRST + i});
    numbers.push_back({idle, &idleSecs, "Idle:", IDC_POWER_IDLE});
    numbers.push_back({off, &offSecs, "Off:", IDC_POWER_OFF});
    numbers.push_back({on, &onSecs, "On:", IDC_POWER_ON});
    for (int i = 0; i < kMacBytes; ++i)
        numbers.push_back({preferredMac[i], &preferred[i], "Preferred MAC Address", IDC_PREFERRED_MAC_FIRST + i});
    numbers.push_back({txPower, &power, "TX Power", IDC_ADHOC_TX_POWER});
    for (const Number& n : numbers) {
        const auto value = ReadByteNumber(n.text);
        if (!value)
            return NumberRefused(QString::fromUtf8(n.field), n.id);
        *n.into = *value;
    }

    auto& b = record.bytes;
    b[280] = adHocEnabled ? 1 : 0;
    b[132] = power;
    b[136] = adHocEnabled ? static_cast<std::uint8_t>(channel + 1) : 0;
    for (int i = 0; i < 4; ++i) {
        b[134] = static_cast<std::uint8_t>((b[134] & ~(1u << i)) | (basicRates[i] ? 1u << i : 0u));
        b[135] = static_cast<std::uint8_t>((b[135] & ~(1u << i)) | (txRates[i] ? 1u << i : 0u));
    }
    b[537] = powerDownEnabled ? 1 : 0;
    b[539] = onSecs;
    b[538] = offSecs;
    b[540] = idleSecs;
    for (int i = 0; i < kMacBytes; ++i) {
        b[138 + i] = preferred[i];
        b[144 + i] = preferred[i];
    }
    b[137] = port2Baud >= 0 ? static_cast<std::uint8_t>(port2Baud) : 0xFF;
    b[279] = delay;
    b[210] = enableApplication ? 1 : 0;
    b[133] = longPreamble ? 0 : 1;

    if (authentication < 0)
        return {false, QStringLiteral("请选择WEP鉴定算法!"), IDC_WEP_AUTH};
    b[207] = static_cast<std::uint8_t>(authentication);
    b[208] = authentication == 0 ? 0 : 3;
    const std::uint8_t keyLength = authentication == 2 ? 13 : 5;
    for (int k = 0; k < kKeys; ++k)
        b[150 + 14 * k] = keyLength;

    if (keyInUse < 0)
        return {false, QStringLiteral("请选择加密算法序号!"), IDC_WEP_KEY_USE_FIRST};
    b[206] = static_cast<std::uint8_t>(keyInUse);

    for (int k = 0; k < kKeys; ++k) {
        for (int j = 1; j <= kKeyBytes; ++j) {
            const auto value = ReadHexByteText(keys[k][j - 1]);
            if (!value)
                return {false, QStringLiteral("请设置WEP KEY!"), KeyBoxId(k, j)};
            if (*value > 0xFF)
                return {false, QStringLiteral("WEP KEY的有效数值在00-FF之间！"), KeyBoxId(k, j)};
            b[150 + 14 * k + j] = static_cast<std::uint8_t>(*value);
        }
    }
    return {};
}
