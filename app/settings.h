#pragma once

#include <QString>

// Sections and keys of the window's settings in the profile.
namespace settings {
inline const QString kComPort = QStringLiteral("Com Port");
inline const QString kReceive = QStringLiteral("Receive");
inline const QString kSend = QStringLiteral("Send");
inline const QString kWindow = QStringLiteral("Window");
// Not one of the window's classic settings: written at once when changed from the window's menu.
inline const QString kReconnect = QStringLiteral("Reconnect");
inline const QString kReopenWhenBackKey = QStringLiteral("ReopenWhenDeviceReturns");
inline const QString kDisplay = QStringLiteral("Display");
inline const QString kTimestampsKey = QStringLiteral("Timestamps");
inline const QString kLineEndKey = QStringLiteral("LineEnd");
inline const QString kLog = QStringLiteral("Log");
inline const QString kLogPathKey = QStringLiteral("Path");

// Where a file path setting points when nothing is stored: save.txt in Documents on Windows, in the
// temporary folder elsewhere.
QString DefaultFilePath();
inline const QString kDefaultSendData = QStringLiteral("05 30 30 41 30 30 30 30 30 30 30 30 30 0D");
} // namespace settings
