#include "card/card_answer.h"

#include "card/card_protocol.h"
#include "card/hex_codec.h"

#include <algorithm>

namespace {

QString ConfigLengthMessage() {
    return QStringLiteral("读回的配置信息长度错误!");
}

// Decodes `size` data bytes from pos into out; on failure returns the message to show.
bool DecodeData(const std::uint8_t* answer, std::size_t count, std::size_t pos, std::uint8_t* out,
                std::size_t size, QString& message) {
    for (std::size_t j = 0; j < size; ++j, pos += 2) {
        if (pos + 1 >= count || answer[pos] == kWnmpEnd) {
            message = QStringLiteral("读回的数据数量不足!");
            return false;
        }
        std::uint8_t value = 0;
        if (!DecodeHexByte(answer, pos, count, value)) {
            message = QStringLiteral("读回的数据出错!");
            return false;
        }
        out[j] = value;
    }
    return true;
}

// Decodes `size` bytes into the front of `record`. Bytes decoded before a failure stay there; nothing
// reads a record after a failed answer.
bool DecodeRecord(const std::uint8_t* answer, std::size_t count, std::size_t pos, CardConfigRecord& record,
                  std::size_t size, QString& message) {
    return DecodeData(answer, count, pos, record.bytes.data(), size, message);
}

} // namespace

CardAnswerResult DecodeCardAnswer(const std::uint8_t* answer, std::size_t count, CardConfigRecord& config,
                                  CardConfigRecord& readBack) {
    CardAnswerResult result;
    const std::uint8_t* const end = answer + count;
    const std::uint8_t* const start = std::find(answer, end, kWnmpStart);
    if (start == end)
        return result;
    const std::size_t s = static_cast<std::size_t>(start - answer);

    std::uint16_t type = 0, sequence = 0, length = 0;
    if (!DecodeHexWord(answer, s + kWnmpTypePos, count, type) ||
        !DecodeHexWord(answer, s + kWnmpSequencePos, count, sequence) ||
        !DecodeHexWord(answer, s + kWnmpLengthPos, count, length))
        return result;

    const std::size_t data = s + kWnmpDataPos;
    switch (type) {
    case WNMP_SENDCFG:
    case WNMP_SETCFGACK:
        if (length != CardConfigRecord::kBasicSize) {
            result.message = ConfigLengthMessage();
            return result;
        }
        if (DecodeRecord(answer, count, data, type == WNMP_SENDCFG ? config : readBack,
                         CardConfigRecord::kBasicSize, result.message))
            result.outcome =
                type == WNMP_SENDCFG ? CardAnswerOutcome::BasicConfig : CardAnswerOutcome::BasicAck;
        return result;

    case WNMP_SENDSTATUS: {
        if (length != CardStatusRecord::kSize) {
            result.message = QStringLiteral("读回的状态信息长度错误!");
            return result;
        }
        CardStatusRecord status;
        if (DecodeData(answer, count, data, status.bytes.data(), CardStatusRecord::kSize, result.message)) {
            result.outcome = CardAnswerOutcome::Status;
            result.status = status;
        }
        return result;
    }

    case WNMP_XWNMP: {
        std::uint16_t inner = 0;
        if (!DecodeHexWord(answer, data, count, inner))
            return result;
        const auto payload = static_cast<std::uint16_t>(length - 2);
        if (inner != WNMP_SENDCFG && inner != WNMP_SETCFGACK)
            return result;
        if (payload != CardConfigRecord::kSize) {
            result.message = ConfigLengthMessage();
            return result;
        }
        if (DecodeRecord(answer, count, s + kWnmpInnerDataPos, inner == WNMP_SENDCFG ? config : readBack,
                         CardConfigRecord::kSize, result.message))
            result.outcome =
                inner == WNMP_SENDCFG ? CardAnswerOutcome::ExtendedConfig : CardAnswerOutcome::ExtendedAck;
        return result;
    }

    default:
        return result;
    }
}
