#pragma once

#include "card/card_config_form.h"
#include "card/card_config_record.h"

#include <QString>
#include <array>

// The values of the extended configuration dialog, moved between the record and the controls
// without any widget: Load fills them from the record, Collect checks them in the dialog's order and
// writes them back.
struct ExtCardConfigForm {
    using Result = FormCollectResult;

    static constexpr int kKeys = 4, kKeyBytes = 13, kMacBytes = 6;
    // Key k's byte j (1-13) lives in this box.
    static constexpr int KeyBoxId(int k, int j) { return 1176 + 13 * k + j; }
    // A 40-bit key uses the first five bytes of each row, a 128-bit key all thirteen.
    static constexpr int kShortKeyBytes = 5;

    int keyInUse = -1;                           // radio group 1173-1176
    int authentication = -1;                     // drop-down 1172
    std::array<bool, 4> basicRates{}, txRates{}; // 1137-1140, 1141-1144
    bool adHocEnabled = false;                   // 1130
    bool enableApplication = false;              // 1160
    bool powerDownEnabled = false;               // 1162
    bool longPreamble = false;                   // 1161
    int port2Baud = -1;                          // drop-down 1159
    int channel = -1;                            // drop-down 1134, item index (channel - 1)
    // The number boxes hold what the user sees, checked when collected.
    QString restartDelay;                                   // 1231
    std::array<QString, kMacBytes> mandatoryMac;            // 1152-1157, kept in no record byte
    QString idle, off, on;                                  // 1167, 1165, 1164
    std::array<QString, kMacBytes> preferredMac;            // 1146-1151
    QString info;                                           // 1229
    QString txPower;                                        // 1230
    std::array<std::array<QString, kKeyBytes>, kKeys> keys; // 1177-1228

    void Load(const CardConfigRecord& record);
    // Writes into `record` as it goes; on failure what was written before the failing check stays.
    Result Collect(CardConfigRecord& record) const;

    // Enable rules.
    static bool KeyRadiosEnabled(int authentication) { return authentication > 0; }
    static bool KeyBoxEnabled(int authentication, int byte) {
        return byte <= kShortKeyBytes ? authentication > 0 : authentication == 2;
    }
};
