#pragma once

#include "card/card_config_record.h"
#include "card/card_status.h"

#include <QString>
#include <cstddef>
#include <cstdint>

enum class CardAnswerOutcome { Failed, BasicConfig, BasicAck, Status, ExtendedConfig, ExtendedAck };

struct CardAnswerResult {
    CardAnswerOutcome outcome = CardAnswerOutcome::Failed;
    QString message;         // to show the user; empty when the failure is silent (or nothing failed)
    CardStatusRecord status; // filled for Status
};

// Decodes the card's answer (count bytes, anything before the first 05h skipped). Configuration data
// go to `config` (00A1h, 00B2h/00A1h) or `readBack` (00A3h, 00B2h/00A3h). The bytes decoded before
// a broken digit stay in the record; the outcome is Failed then, so nobody takes them for a whole one.
CardAnswerResult DecodeCardAnswer(const std::uint8_t* answer, std::size_t count, CardConfigRecord& config,
                                  CardConfigRecord& readBack);
