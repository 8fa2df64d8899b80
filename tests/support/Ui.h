#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace velmora::test {

// A window's control found by its objectName, as a user finds it by its
// caption; a missing one stops the run, naming it.
template <class T> T* child(const QObject* window, const QString& name)
{
    T* found = window->findChild<T*>(name);
    if (!found) {
        qFatal("%s has no %s named %s", qPrintable(window->objectName()), T::staticMetaObject.className(),
            qPrintable(name));
    }
    return found;
}

} // namespace velmora::test
