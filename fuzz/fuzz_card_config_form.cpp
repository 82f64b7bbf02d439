// Both configuration forms' Load and Collect on any 541-byte record (the input cut or padded with
// zeros), with edits to the loaded values taken from the bytes after the record: a selector byte
// (bit 6 picks the extended form, bit 7 reads the text as Latin-1 rather than UTF-8, the rest the
// value), a length, then that many bytes. A text box takes any text but NUL; a list, a radio group
// or an arrow control only what it can hold.
// Properties: a collect, whether it succeeds or refuses, changes only bytes and bits that one of the
// form's controls owns (never the card's, never the other form's); a refusal names a message and a
// control; after a collect that succeeds, loading and collecting the result again succeeds and
// changes nothing.

#include "card/card_code_tables.h"
#include "card/card_config_form.h"
#include "card/ext_card_config_form.h"
#include "fuzz/fuzz_check.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using Mask = std::array<std::uint8_t, CardConfigRecord::kSize>;

void Own(Mask& mask, std::size_t first, std::size_t last, std::uint8_t bits = 0xFF) {
    for (std::size_t i = first; i <= last; ++i)
        mask[i] = bits;
}

// What the controls of "Card Configuration" store.
Mask BasicMask() {
    Mask m{};
    Own(m, 2, 31);     // addresses, unit name, power save
    Own(m, 38, 38);    // connect mode
    Own(m, 40, 43);    // remote IP
    Own(m, 61, 62);    // port
    Own(m, 81, 81);    // wakeup
    Own(m, 82, 82, 0xCF); // bits 4-5 are the card's
    Own(m, 83, 90);
    Own(m, 92, 127);   // prefix, protocol, format, ESS ID, baud
    return m;
}

// What the controls of the extended dialog store; 128-131 (length, version) are only shown.
Mask ExtMask() {
    Mask m{};
    Own(m, 132, 133);
    Own(m, 134, 135, 0x0F); // bits 4-7 are the card's
    Own(m, 136, 208);       // channel, port 2, both AP address copies, keys, key index, WEP
    Own(m, 210, 210);
    Own(m, 279, 280);
    Own(m, 537, 540);
    return m;
}

void CheckMasks(const Mask& basic, const Mask& ext) {
    for (std::size_t i = 0; i < CardConfigRecord::kSize; ++i) {
        FUZZ_CHECK((basic[i] & ext[i]) == 0);
        if (CardConfigRecord::IsCardOwnedByte(i))
            FUZZ_CHECK(basic[i] == 0 && ext[i] == 0);
    }
}

void CheckOnlyOwnedChanged(const CardConfigRecord& before, const CardConfigRecord& after, const Mask& mask) {
    for (std::size_t i = 0; i < CardConfigRecord::kSize; ++i)
        FUZZ_CHECK(((before.bytes[i] ^ after.bytes[i]) & ~mask[i]) == 0);
}

struct Edit {
    bool ext = false;
    std::uint8_t field = 0;
    QString text;
    std::uint8_t first = 0, second = 0;
};

// A choice among `count` items or none (-1), as a radio group or a drop-down list can hold it.
int Choice(const Edit& e, int count) { return int(e.first % (count + 1)) - 1; }

std::vector<Edit> ReadEdits(const std::uint8_t* data, std::size_t size) {
    std::vector<Edit> edits;
    for (std::size_t i = 0; i + 1 < size;) {
        Edit e;
        e.ext = data[i] & 0x40;
        e.field = data[i] & 0x3F;
        const bool latin1 = data[i] & 0x80;
        const std::size_t n = std::min<std::size_t>(data[i + 1], size - i - 2);
        const char* value = reinterpret_cast<const char*>(data + i + 2);
        e.text = latin1 ? QString::fromLatin1(value, qsizetype(n)) : QString::fromUtf8(value, qsizetype(n));
        // A one-line box holds no NUL character (the record's texts end at one).
        e.text.remove(QChar(0));
        e.first = n > 0 ? data[i + 2] : 0;
        e.second = n > 1 ? data[i + 3] : 0;
        edits.push_back(e);
        i += 2 + n;
    }
    return edits;
}

QString Rest(const Edit& e) { return e.text.mid(1); }

void Apply(CardConfigForm& f, const Edit& e) {
    bool* const flags[] = {&f.byteStuffing, &f.captureEssId, &f.closeOnOutOfRange, &f.dhcpEnabled, &f.flashDhcp,
                           &f.inhibitMessages, &f.powerSaveEnabled, &f.replaceRemoteIp, &f.sendUnitNameId,
                           &f.suppressExtended};
    CardConfigRecord::Ip4* const ips[] = {&f.localIp, &f.remoteIp, &f.gatewayIp, &f.subnetMask};
    switch (e.field % 19) {
    case 0: f.unitName = e.text; break;
    case 1: f.essId = e.text; break;
    case 2: f.retry = e.text; break;
    case 3: f.port = e.text; break;
    case 4: f.cmdEscape = e.text; break;
    case 5: f.msgPrefix = e.text; break;
    case 6: f.dhcpTimeout = e.text; break;
    case 7: f.protocol = Choice(e, 4); break;
    case 8: f.dataFormat = Choice(e, 3); break;
    case 9: f.connectMode = Choice(e, 2); break;
    case 10: f.ioMode = Choice(e, 2); break;
    case 11: f.wakeup = Choice(e, 2); break;
    case 12: f.baud = Choice(e, int(BaudCodeTable().size())); break;
    case 13: f.diversity = Choice(e, int(DiversityCodeTable().size())); break;
    case 14: f.groupName = Choice(e, int(GroupNameTable().size())); break;
    case 15: f.option11 = Choice(e, int(Option11Table().size())); break;
    case 16: f.powerSaveAlgorithm = 1 + e.first % 10; break; // the arrows' range
    case 17: *flags[e.first % std::size(flags)] ^= true; break;
    default: {
        CardConfigRecord::Ip4& ip = *ips[e.first % std::size(ips)];
        ip[(e.first >> 2) % 4] = e.second;
        break;
    }
    }
}

void Apply(ExtCardConfigForm& f, const Edit& e) {
    bool* const flags[] = {&f.adHocEnabled, &f.enableApplication, &f.powerDownEnabled, &f.longPreamble,
                           &f.basicRates[0], &f.basicRates[1], &f.basicRates[2], &f.basicRates[3],
                           &f.txRates[0],    &f.txRates[1],    &f.txRates[2],    &f.txRates[3]};
    switch (e.field % 13) {
    case 0: f.restartDelay = e.text; break;
    case 1: f.idle = e.text; break;
    case 2: f.off = e.text; break;
    case 3: f.on = e.text; break;
    case 4: f.txPower = e.text; break;
    case 5: f.mandatoryMac[e.first % ExtCardConfigForm::kMacBytes] = Rest(e); break;
    case 6: f.preferredMac[e.first % ExtCardConfigForm::kMacBytes] = Rest(e); break;
    case 7: {
        const int box = e.first % (ExtCardConfigForm::kKeys * ExtCardConfigForm::kKeyBytes);
        f.keys[box / ExtCardConfigForm::kKeyBytes][box % ExtCardConfigForm::kKeyBytes] = Rest(e);
        break;
    }
    case 8: f.keyInUse = Choice(e, 4); break;
    case 9: f.authentication = Choice(e, 3); break;
    case 10: f.port2Baud = Choice(e, 9); break;
    case 11: f.channel = Choice(e, 11); break;
    default: *flags[e.first % std::size(flags)] ^= true; break;
    }
}

template <class Form>
void Run(const CardConfigRecord& record, const std::vector<Edit>& edits, bool ext, const Mask& mask) {
    Form form;
    form.Load(record);
    for (const Edit& e : edits)
        if (e.ext == ext)
            Apply(form, e);
    CardConfigRecord collected = record;
    const FormCollectResult result = form.Collect(collected);
    CheckOnlyOwnedChanged(record, collected, mask);
    if (!result.ok) {
        FUZZ_CHECK(!result.message.isEmpty() && result.focusId != 0);
        return;
    }
    FUZZ_CHECK(result.message.isEmpty());
    Form again;
    again.Load(collected);
    CardConfigRecord twice = collected;
    const FormCollectResult second = again.Collect(twice);
    FUZZ_CHECK(second.ok);
    FUZZ_CHECK(twice == collected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Mask basicMask = BasicMask(), extMask = ExtMask();
    static const bool masksChecked = (CheckMasks(basicMask, extMask), true);
    (void)masksChecked;

    CardConfigRecord record;
    const std::size_t recordBytes = std::min(size, CardConfigRecord::kSize);
    if (recordBytes > 0)
        std::memcpy(record.bytes.data(), data, recordBytes);
    const std::vector<Edit> edits = ReadEdits(data + recordBytes, size - recordBytes);

    Run<CardConfigForm>(record, edits, false, basicMask);
    Run<ExtCardConfigForm>(record, edits, true, extMask);
    return 0;
}
