#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// The receive area as assistive tools see it (installed as a factory of accessible interfaces).
QAccessibleInterface* ReceiveViewAccessible(const QString& className, QObject* object);
