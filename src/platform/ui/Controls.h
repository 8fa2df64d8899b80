#pragma once

#include <QString>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace velmora::Controls {

// Controls carry their design names as objectName, so tests and assistive
// tools find them; a caption label is its box's buddy.
QLineEdit* edit(QWidget* parent, const char* name, const QString& text = QString());
QLabel* label(QWidget* parent, const char* name, const QString& text, QWidget* buddy = nullptr);
// At most `chars` characters, counted as the database counts them.
void limitChars(QLineEdit* edit, int chars);
// The table column's limit, when it has one.
void limitToColumn(QLineEdit* edit, const char* table, const char* column);
// A several-line box takes no more than `chars` characters.
void limitChars(QPlainTextEdit* box, int chars);

// Enter never presses these by accident: each window says what Enter does.
QPushButton* button(QWidget* parent, const char* name, const QString& text);

} // namespace velmora::Controls
