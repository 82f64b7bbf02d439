#include "res/string_table.h"

#include "res/resource.h"

QString LoadResString(int id) {
    switch (id) {
    case IDS_ABOUTBOX: return QStringLiteral("关于Serimo");
    case IDS_SOCKETS_INIT_FAILED: return QStringLiteral(" Windows 通信端口初始化失败。");
    default: return QString();
    }
}
