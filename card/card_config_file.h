#pragma once

#include "card/card_config_record.h"

#include <QString>

class QDateTime;

// .cfg files: the configuration record's 541 bytes raw, nothing before or after.
enum class ConfigFileResult { Ok, CannotCreate, CannotOpen, WrongLength };

// The message a user sees for a failed save or load; empty for Ok.
QString ConfigFileMessage(ConfigFileResult result);

// "YYYY-MM-DD HH.MM.SS.cfg" for the given local time.
QString ConfigFileName(const QDateTime& local);

// Writes the whole record or nothing: an existing file of that name is replaced only once the new
// one is complete. The file holds the card's WEP keys, so only its owner may read it.
ConfigFileResult SaveConfigFile(const CardConfigRecord& record, const QString& path);

// Replaces the record with the file's bytes; on any failure the record is left as it was.
ConfigFileResult LoadConfigFile(const QString& path, CardConfigRecord& record);

// Where the profile keeps the name of the last saved file.
inline const QString kConfigFileSection = QStringLiteral("Setting");
inline const QString kRecentFileKey = QStringLiteral("Recent File Saved");
