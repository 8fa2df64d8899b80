#include "platform/ui/Controls.h"

#include "data/TextLimits.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QValidator>

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

namespace {
class CharLimit final : public QValidator
{
public:
    CharLimit(int chars, QObject* parent)
        : QValidator(parent)
        , m_chars(chars)
    { }
    State validate(QString& input, int&) const override
    {
        return TextLimits::charCount(input) <= m_chars ? Acceptable : Invalid;
    }

private:
    int m_chars;
};
} // namespace

void limitChars(QLineEdit* e, int chars)
{
    e->setValidator(new CharLimit(chars, e));
}

void limitToColumn(QLineEdit* e, const char* table, const char* column)
{
    const int max = TextLimits::limit(QString::fromUtf8(table), QString::fromUtf8(column));
    if (max > 0)
        limitChars(e, max);
}

void limitChars(QPlainTextEdit* box, int chars)
{
    QObject::connect(box, &QPlainTextEdit::textChanged, box, [box, chars] {
        const QString t = box->toPlainText();
        if (TextLimits::charCount(t) <= chars)
            return;
        QString cut;
        for (qsizetype i = 0, n = 0; i < t.size() && n < chars; ++i, ++n) {
            cut += t[i];
            if (t[i].isHighSurrogate() && i + 1 < t.size())
                cut += t[++i];
        }
        box->setPlainText(cut);
        box->moveCursor(QTextCursor::End);
    });
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
