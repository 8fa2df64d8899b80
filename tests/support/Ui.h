#pragma once

#include "platform/ui/ResultGrid.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <QString>
#include <QtGlobal>
#include <QtTest>
#include <type_traits>

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

// A left click in the middle of a window's button, as a teacher clicks it.
inline void click(const QObject* window, const QString& name)
{
    QTest::mouseClick(child<QAbstractButton>(window, name), Qt::LeftButton);
}

// A click on a check box's or radio button's mark, wherever its caption ends.
inline void tick(const QObject* window, const QString& name)
{
    auto* box = child<QAbstractButton>(window, name);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// An entry of an editable combo box picked as a teacher picks it: typed, then Enter.
inline void choose(QComboBox* box, const QString& text)
{
    box->lineEdit()->clear();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

// A window loaded and shown as its menu entry opens it; whether it came up
// (active, or only exposed where another window keeps the focus) and loaded.
template <class W> bool showLoaded(W& window, bool active = true)
{
    if constexpr (std::is_same_v<decltype(window.load()), bool>) {
        if (!window.load())
            return false;
    } else {
        window.load();
    }
    window.show();
    return active ? QTest::qWaitForWindowActive(&window) : QTest::qWaitForWindowExposed(&window);
}

// A result grid's column below its header row, as a teacher reads it.
inline QStringList columnTexts(const ResultGrid* grid, int column)
{
    QStringList texts;
    for (int r = 1; r < grid->rows(); ++r)
        texts << grid->text(r, column);
    return texts;
}

} // namespace velmora::test
