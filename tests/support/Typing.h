#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>
#include <QtTest>

namespace velmora::test {

// Types any text, one character a key press, as an input method delivers
// CJK text (QTest::keyClicks knows only Latin-1); a line break is Enter.
inline void typeText(QWidget* widget, const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        QString ch = text.mid(i, 1);
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            ch = text.mid(i++, 2);
        const int key = ch == QLatin1String("\n") ? int(Qt::Key_Return) : 0;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, ch);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, ch);
        QApplication::sendEvent(widget, &release);
    }
}

// Keys as a teacher presses them, each to whatever has the focus then (an
// opened cell editor included); a line break is Enter, committed at once.
inline void typeKeys(const QString& keys)
{
    for (QChar c : keys) {
        if (c == QLatin1Char('\n')) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCoreApplication::processEvents();
        } else {
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        }
    }
}

// A word as an input method commits it, to the focused widget.
inline void commitText(const QString& word)
{
    QInputMethodEvent event;
    event.setCommitString(word);
    QApplication::sendEvent(QApplication::focusWidget(), &event);
}

// Replaces what a box holds as a teacher does: all of it selected, then typed over.
inline void retype(QWidget* box, const QString& text)
{
    box->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(box))
        line->selectAll();
    else if (auto* several = qobject_cast<QPlainTextEdit*>(box))
        several->selectAll();
    QKeyEvent erase(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(box, &erase);
    typeText(box, text);
}

// What a one-line or several-line box shows.
inline QString shownText(const QWidget* box)
{
    if (auto* line = qobject_cast<const QLineEdit*>(box))
        return line->text();
    if (auto* several = qobject_cast<const QPlainTextEdit*>(box))
        return several->toPlainText();
    return {};
}

} // namespace velmora::test
