#include "card/ext_card_config_form.h"

#include "card/hex_scan.h"
#include "res/resource.h"

#include <optional>
#include <vector>

namespace {

QString Decimal(int value) {
    return QString::number(value);
}

// A whole decimal number 0-255, blanks around it allowed.
std::optional<std::uint8_t> ReadByteNumber(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 3)
        return std::nullopt;
    int value = 0;
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    if (value > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

FormCollectResult NumberRefused(const QString& field, int focusId) {
    return FormCollectResult::Fail(QStringLiteral("%1 必须是0到255之间的整数！").arg(field), focusId);
}

} // namespace

void ExtCardConfigForm::Load(const CardConfigRecord& record) {
    using Rate = CardConfigRecord::Rate;
    adHocEnabled = record.AdHocEnabled() == 1;
    txPower = Decimal(record.AdHocTxPower());
    channel = record.AdHocChannel() - 1;
    for (int i = 0; i < 4; ++i) {
        basicRates[i] = record.BasicRate(Rate(i));
        txRates[i] = record.TxRate(Rate(i));
    }
    powerDownEnabled = record.PowerDownEnabled() != 0;
    on = Decimal(record.PowerDownOn());
    off = Decimal(record.PowerDownOff());
    idle = Decimal(record.PowerDownIdle());
    const CardConfigRecord::Mac mac = record.PreferredApMac();
    for (int i = 0; i < kMacBytes; ++i) {
        preferredMac[i] = Decimal(mac[i]);
        mandatoryMac[i] = Decimal(0);
    }
    restartDelay = Decimal(record.RestartDelay());
    port2Baud = record.Port2Baud() <= 8 ? record.Port2Baud() : -1;
    enableApplication = record.EnableApplication() == 1;
    longPreamble = record.ShortPreamble() == 0;
    authentication = record.WepAuth() <= 2 ? record.WepAuth() : -1;
    keyInUse = record.WepKeyIndex() <= 3 ? record.WepKeyIndex() : -1;
    for (int k = 0; k < kKeys; ++k)
        for (int j = 0; j < kKeyBytes; ++j)
            keys[k][j] = QString::asprintf("%02X", record.WepKeyByte(k, j));
    info = QString::asprintf("Length = %d\r\nVersion = %d.%d", record.ExtLength(), record.VersionMajor(),
                             record.VersionMinor());
}

FormCollectResult ExtCardConfigForm::Collect(CardConfigRecord& record) const {
    // The number boxes, as the dialog's transfer checks them.
    std::uint8_t delay = 0, idleSecs = 0, offSecs = 0, onSecs = 0, power = 0;
    CardConfigRecord::Mac preferred{};
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
        numbers.push_back(
            {preferredMac[i], &preferred[i], "Preferred MAC Address", IDC_PREFERRED_MAC_FIRST + i});
    numbers.push_back({txPower, &power, "TX Power", IDC_ADHOC_TX_POWER});
    for (const Number& n : numbers) {
        const auto value = ReadByteNumber(n.text);
        if (!value)
            return NumberRefused(QString::fromUtf8(n.field), n.id);
        *n.into = *value;
    }

    using Rate = CardConfigRecord::Rate;
    record.SetAdHocEnabled(adHocEnabled ? 1 : 0);
    record.SetAdHocTxPower(power);
    record.SetAdHocChannel(adHocEnabled ? static_cast<std::uint8_t>(channel + 1) : 0);
    for (int i = 0; i < 4; ++i) {
        record.SetBasicRate(Rate(i), basicRates[i]);
        record.SetTxRate(Rate(i), txRates[i]);
    }
    record.SetPowerDownEnabled(powerDownEnabled ? 1 : 0);
    record.SetPowerDownOn(onSecs);
    record.SetPowerDownOff(offSecs);
    record.SetPowerDownIdle(idleSecs);
    record.SetPreferredApMacCopy(preferred);
    record.SetPreferredApMac(preferred);
    record.SetPort2Baud(port2Baud >= 0 ? static_cast<std::uint8_t>(port2Baud) : 0xFF);
    record.SetRestartDelay(delay);
    record.SetEnableApplication(enableApplication ? 1 : 0);
    record.SetShortPreamble(longPreamble ? 0 : 1);

    if (authentication < 0)
        return {false, QStringLiteral("请选择WEP鉴定算法!"), IDC_WEP_AUTH};
    record.SetWepAuth(static_cast<std::uint8_t>(authentication));
    record.SetWepMode(authentication == 0 ? 0 : 3);
    for (int k = 0; k < kKeys; ++k)
        record.SetWepKeyLength(k, authentication == 2 ? 13 : 5);

    if (keyInUse < 0)
        return {false, QStringLiteral("请选择加密算法序号!"), IDC_WEP_KEY_USE_FIRST};
    record.SetWepKeyIndex(static_cast<std::uint8_t>(keyInUse));

    for (int k = 0; k < kKeys; ++k) {
        for (int j = 0; j < kKeyBytes; ++j) {
            const QByteArray text = keys[k][j].toUtf8();
            const auto value = ScanHex2(std::string_view(text.constData(), std::size_t(text.size())));
            if (!value)
                return {false, QStringLiteral("请设置WEP KEY!"), KeyBoxId(k, j + 1)};
            if (*value > 0xFF)
                return {false, QStringLiteral("WEP KEY的有效数值在00-FF之间！"), KeyBoxId(k, j + 1)};
            record.SetWepKeyByte(k, j, static_cast<std::uint8_t>(*value));
        }
    }
    return {};
}
