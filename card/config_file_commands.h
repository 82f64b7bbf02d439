#pragma once

#include "card/card_config_record.h"

class CProfile;
class IClock;
class IPrompts;

// "Save to File" after a successful collect: writes the record to "YYYY-MM-DD HH.MM.SS.cfg" in the
// current folder and remembers the name in the profile (when there is one). False, with its message
// shown, when the file could not be written; the profile is then left alone.
bool SaveConfigurationToFile(const CardConfigRecord& record, IPrompts& prompts, CProfile* profile,
                             IClock& clock);

// "Restore from File": lets the user choose a .cfg file (starting from the last saved name) and
// replaces the record with it. The chosen file's folder becomes the current folder. False when the
// user cancelled or the file was refused (with its message); the record is then unchanged.
bool RestoreConfigurationFromFile(CardConfigRecord& record, IPrompts& prompts, const CProfile* profile);
