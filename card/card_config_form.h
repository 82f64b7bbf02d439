#pragma once

#include "card/card_config_record.h"

#include <QString>
#include <array>
#include <string>

// What a dialog's collect step reports: on failure, the message to show and the control to focus.
struct FormCollectResult {
    bool ok = true;
    QString message;
    int focusId = 0;

    static FormCollectResult Fail(const QString& text, int id) { return {false, text, id}; }
};

// The values of "Card Configuration" as its controls hold them, and the rules that move them between
// the record and the controls. The dialog only copies these to and from its widgets.
struct CardConfigForm {
    // Radio groups: the index of the chosen button, -1 for none.
    enum Protocol { kTcp, kUdp, kDlp, kTelnet };
    enum DataFormat { kDirect, kStream, kFrame };
    enum ConnectMode { kCallRemote, kListen };
    enum IoMode { kIsa, kSerial };
    enum Wakeup { kWakeupYes, kWakeupNo };

    QString unitName;
    QString essId;
    CardConfigRecord::Ip4 localIp{}, remoteIp{}, gatewayIp{}, subnetMask{};
    int protocol = -1;
    int dataFormat = -1;
    int connectMode = -1;
    int ioMode = -1;
    int wakeup = -1;
    QString retry = QStringLiteral("0");
    QString port = QStringLiteral("0");
    QString cmdEscape;
    QString msgPrefix;
    int baud = -1;      // list index
    int diversity = -1; // list index
    bool byteStuffing = false;
    bool captureEssId = false;
    bool closeOnOutOfRange = false;
    bool dhcpEnabled = false;
    bool flashDhcp = false;
    bool inhibitMessages = false;
    bool powerSaveEnabled = false;
    bool replaceRemoteIp = false;
    bool sendUnitNameId = false; // 1088: ticked when the record's bit is clear
    bool suppressExtended = false; // tied to no record byte; off when the dialog opens
    QString dhcpTimeout = QStringLiteral("0");
    int groupName = -1; // list index
    int option11 = -1;  // list index
    int powerSaveAlgorithm = 1; // the number box: the stored byte until its arrows move it

    // Fills every value that belongs to a record byte.
    void Load(const CardConfigRecord& record);
    // Checks the values in the dialog's order and writes them into the record, stopping at the first
    // failure. What was written before a failing check stays written.
    FormCollectResult Collect(CardConfigRecord& record) const;

    // Which controls are enabled for the values as they stand, and the text of 1090.
    struct EnableState {
        bool direct, retry, captureEssId, dhcpGroup, option11;
        QString replaceRemoteIpText;
    };
    EnableState Enables() const;

private:
    // The text fields as loaded: written back byte for byte while their text is unchanged, so that
    // bytes no text encoding can show (or a prefix above 7Fh) survive.
    QString m_loadedUnitName, m_loadedEssId, m_loadedMsgPrefix;
    std::string m_rawUnitName, m_rawEssId;
};
