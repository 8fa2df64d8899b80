#include "platform/Controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora::Controls {

QLineEdit* edit(QWidget* parent, const char* name, const QString& text)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QWidget* buddy)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    if (buddy) {
        l->setBuddy(buddy);
        buddy->setAccessibleName(QString(text).remove(QChar(0xFF1A)).remove(QLatin1Char(':')).simplified());
    }
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

} // namespace velmora::Controls
