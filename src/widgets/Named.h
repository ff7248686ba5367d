#pragma once

#include <QObject>
#include <QString>

// Gives a new control its object name, by which code and tests find it; returns it so
// construction and naming stay one expression.
template <typename T> T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}
