#pragma once

#include <QString>
#include <initializer_list>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace velmora::Controls {

// Controls carry their design names as objectName, so tests and assistive
// tools find them; a caption label is its box's buddy.
QLineEdit* edit(QWidget* parent, const char* name, const QString& text = QString());
// A window's title: the caption in a large bold font, centred.
QLabel* title(QWidget* parent, const char* name, const QString& text);

// The small picture beside a window's title.
QLabel* decoration(QWidget* parent);

// A box that shows a value the user cannot change.
QLineEdit* lockedEdit(QWidget* parent, const char* name);
QLabel* label(QWidget* parent, const char* name, const QString& text, QWidget* buddy = nullptr);
// At most `chars` characters, counted as the database counts them.
void limitChars(QLineEdit* edit, int chars);
// The table column's limit, when it has one.
void limitToColumn(QLineEdit* edit, const char* table, const char* column);

// A several-line box that, like a single-line one, takes no more than
// `chars` characters (0 for no limit); Tab leaves it.
QPlainTextEdit* multiLine(QWidget* parent, const char* name, int chars);
// A several-line box of a form takes no more than `chars` characters.
void limitChars(QPlainTextEdit* box, int chars);

// Enter never presses these by accident: each window says what Enter does.
QPushButton* button(QWidget* parent, const char* name, const QString& text);

// Buttons at the right of a row, as dialogs place them.
QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> buttons);

} // namespace velmora::Controls
