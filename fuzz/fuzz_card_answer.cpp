// The card's answer decoder on any bytes, and the status window's texts on whatever it decodes.
// Properties: a record is written only by an answer of its own type, and only with bytes the answer
// really carries in hex at their place; a success carries no message, a failure one of the known ones.

#include "card/card_answer.h"
#include "card/card_protocol.h"
#include "card/card_status.h"
#include "card/hex_codec.h"
#include "fuzz/fuzz_check.h"

#include <algorithm>
#include <cstring>

namespace {

// The place of data byte j of an answer: after the start marker, the header and, for 00B2h, the
// inner type.
bool HexAt(const std::uint8_t* data, std::size_t size, std::size_t pos, std::uint8_t& value) {
    return DecodeHexByte(data, pos, size, value);
}

void CheckRecord(const CardConfigRecord& before, const CardConfigRecord& after, const std::uint8_t* data,
                 std::size_t size, std::size_t dataPos, std::size_t decoded) {
    for (std::size_t j = 0; j < CardConfigRecord::kSize; ++j) {
        if (j >= decoded) {
            FUZZ_CHECK(after.bytes[j] == before.bytes[j]);
            continue;
        }
        std::uint8_t value = 0;
        FUZZ_CHECK(HexAt(data, size, dataPos + 2 * j, value));
        FUZZ_CHECK(after.bytes[j] == value);
    }
}

// A text field shows every byte up to its first NUL: a character takes one or two of them, a byte
// that is no text shows as a character of its own.
void CheckFixedText(const std::uint8_t* field, std::size_t width, const QString& text) {
    const auto length = qsizetype(std::find(field, field + width, 0) - field);
    FUZZ_CHECK(text.size() >= (length + 1) / 2 && text.size() <= length);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CardConfigRecord config, readBack;
    for (std::size_t i = 0; i < CardConfigRecord::kSize; ++i) {
        config.bytes[i] = static_cast<std::uint8_t>(0xA5 ^ i);
        readBack.bytes[i] = static_cast<std::uint8_t>(0x3C + i);
    }
    const CardConfigRecord config0 = config, readBack0 = readBack;
    const CardAnswerResult result = DecodeCardAnswer(data, size, config, readBack);

    const std::uint8_t* start = std::find(data, data + size, kWnmpStart);
    const std::size_t s = static_cast<std::size_t>(start - data);
    const std::size_t basic = CardConfigRecord::kBasicSize, whole = CardConfigRecord::kSize;
    switch (result.outcome) {
    case CardAnswerOutcome::BasicConfig:
        CheckRecord(config0, config, data, size, s + kWnmpDataPos, basic);
        FUZZ_CHECK(readBack.bytes == readBack0.bytes);
        break;
    case CardAnswerOutcome::BasicAck:
        CheckRecord(readBack0, readBack, data, size, s + kWnmpDataPos, basic);
        FUZZ_CHECK(config.bytes == config0.bytes);
        break;
    case CardAnswerOutcome::ExtendedConfig:
        CheckRecord(config0, config, data, size, s + kWnmpInnerDataPos, whole);
        FUZZ_CHECK(readBack.bytes == readBack0.bytes);
        break;
    case CardAnswerOutcome::ExtendedAck:
        CheckRecord(readBack0, readBack, data, size, s + kWnmpInnerDataPos, whole);
        FUZZ_CHECK(config.bytes == config0.bytes);
        break;
    case CardAnswerOutcome::Status:
        FUZZ_CHECK(config.bytes == config0.bytes && readBack.bytes == readBack0.bytes);
        for (std::size_t j = 0; j < CardStatusRecord::kSize; ++j) {
            std::uint8_t value = 0;
            FUZZ_CHECK(HexAt(data, size, s + kWnmpDataPos + 2 * j, value));
            FUZZ_CHECK(result.status.bytes[j] == value);
        }
        for (int field = 0; field < kStatusFieldCount; ++field) {
            const auto& offsets = StatusFieldOffsets();
            const int width = offsets[std::size_t(field) + 1] - offsets[std::size_t(field)];
            FUZZ_CHECK(!StatusFieldLabel(field).isEmpty());
            FUZZ_CHECK(StatusRawText(result.status, field).size() == 4 * width);
            const QString decoded = StatusDecodedText(result.status, field);
            if (width == 16)
                CheckFixedText(result.status.bytes.data() + offsets[std::size_t(field)], 16, decoded);
            else
                FUZZ_CHECK(!decoded.isEmpty());
        }
        FUZZ_CHECK(StatusDecodedText(result.status, kStatusFieldCount).isEmpty());
        break;
    case CardAnswerOutcome::Failed: {
        // A failure may leave the bytes decoded before it in the record it was filling, no others.
        const bool configTouched = config.bytes != config0.bytes, readBackTouched = readBack.bytes != readBack0.bytes;
        FUZZ_CHECK(!(configTouched && readBackTouched));
        FUZZ_CHECK(!configTouched || !result.message.isEmpty());
        FUZZ_CHECK(!readBackTouched || !result.message.isEmpty());
        static const QString kMessages[] = {
            QStringLiteral("读回的配置信息长度错误!"), QStringLiteral("读回的状态信息长度错误!"),
            QStringLiteral("读回的数据数量不足!"), QStringLiteral("读回的数据出错!")};
        FUZZ_CHECK(result.message.isEmpty() || std::count(std::begin(kMessages), std::end(kMessages), result.message) == 1);
        break;
    }
    }
    if (result.outcome != CardAnswerOutcome::Failed)
        FUZZ_CHECK(result.message.isEmpty());
    // Nothing to decode without a start marker.
    if (s == size)
        FUZZ_CHECK(result.outcome == CardAnswerOutcome::Failed && result.message.isEmpty());

    const std::size_t width = std::min<std::size_t>(size, 16);
    CheckFixedText(data, width, FormatFixedText(data, width));
    return 0;
}
