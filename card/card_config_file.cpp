#include "card/card_config_file.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>

QString ConfigFileMessage(ConfigFileResult result) {
    switch (result) {
    case ConfigFileResult::Ok:
        return QString();
    case ConfigFileResult::CannotCreate:
        return QStringLiteral("文件建立失败!");
    case ConfigFileResult::CannotOpen:
        return QStringLiteral("文件无法打开!");
    case ConfigFileResult::WrongLength:
        return QStringLiteral("文件长度不对!");
    }
    return QString();
}

QString ConfigFileName(const QDateTime& local) {
    const QDate d = local.date();
    const QTime t = local.time();
    return QString::asprintf("%04d-%02d-%02d %02d.%02d.%02d.cfg", d.year(), d.month(), d.day(), t.hour(),
                             t.minute(), t.second());
}

ConfigFileResult SaveConfigFile(const CardConfigRecord& record, const QString& path) {
    // The temporary file sits beside the target and is renamed over it, so a full disk or a crash
    // leaves either the old file or the new one, never a part of one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return ConfigFileResult::CannotCreate;
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.cancelWriting();
        return ConfigFileResult::CannotCreate;
    }
    const auto size = static_cast<qint64>(record.bytes.size());
    if (file.write(reinterpret_cast<const char*>(record.bytes.data()), size) != size) {
        file.cancelWriting();
        return ConfigFileResult::CannotCreate;
    }
    return file.commit() ? ConfigFileResult::Ok : ConfigFileResult::CannotCreate;
}

ConfigFileResult LoadConfigFile(const QString& path, CardConfigRecord& record) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ConfigFileResult::CannotOpen;
    if (file.size() != static_cast<qint64>(CardConfigRecord::kSize))
        return ConfigFileResult::WrongLength;
    CardConfigRecord read;
    const auto size = static_cast<qint64>(read.bytes.size());
    // A file that changes length while it is read is as wrong as one of the wrong length.
    if (file.read(reinterpret_cast<char*>(read.bytes.data()), size) != size || !file.atEnd())
        return ConfigFileResult::WrongLength;
    record = read;
    return ConfigFileResult::Ok;
}
