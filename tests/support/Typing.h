#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace velmora::test {

// Types any text, one character a key press, as an input method delivers
// CJK text (QTest::keyClicks knows only Latin-1).
inline void typeText(QWidget* widget, const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        QString ch = text.mid(i, 1);
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            ch = text.mid(i++, 2);
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, ch);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, ch);
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace velmora::test
