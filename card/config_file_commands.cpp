#include "card/config_file_commands.h"

#include "app/profile.h"
#include "app/prompts.h"
#include "card/card_config_file.h"
#include "serial/clock.h"

#include <QDir>
#include <QFileInfo>

bool SaveConfigurationToFile(const CardConfigRecord& record, IPrompts& prompts, CProfile* profile,
                             IClock& clock) {
    const QString name = ConfigFileName(clock.LocalNow());
    const ConfigFileResult result = SaveConfigFile(record, QDir::current().filePath(name));
    if (result != ConfigFileResult::Ok) {
        prompts.MessageBox(ConfigFileMessage(result));
        return false;
    }
    if (!profile)
        return true;
    // Straight to the file: the window's settings are saved later from a fresh read of it, which
    // would drop a value that only lived in memory.
    profile->Reload();
    profile->WriteProfileString(kConfigFileSection, kRecentFileKey, name);
    QString error;
    if (!profile->Flush(&error))
        prompts.MessageBox(QStringLiteral("设置无法保存：%1").arg(error));
    return true;
}

bool RestoreConfigurationFromFile(CardConfigRecord& record, IPrompts& prompts, const CProfile* profile) {
    const QString recent =
        profile ? profile->GetProfileString(kConfigFileSection, kRecentFileKey, QString()) : QString();
    const QString start = recent.isEmpty() ? QDir::currentPath() : QDir::current().filePath(recent);
    const auto chosen = prompts.ChooseFile(
        QStringLiteral("打开"), QStringLiteral("S24 Card Config Files(*.cfg)|*.cfg||"), start, true);
    if (!chosen)
        return false;
    QDir::setCurrent(QFileInfo(*chosen).absolutePath());

    prompts.BeginWaitCursor();
    const ConfigFileResult result = LoadConfigFile(*chosen, record);
    prompts.EndWaitCursor();
    if (result != ConfigFileResult::Ok) {
        prompts.MessageBox(ConfigFileMessage(result));
        return false;
    }
    return true;
}
