#include "platform/ui/Controls.h"

#include "data/TextLimits.h"
#include "platform/ui/Pictures.h"

#include <QHBoxLayout>
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

QLabel* title(QWidget* parent, const char* name, const QString& text)
{
    QLabel* l = label(parent, name, text);
    QFont big = l->font();
    big.setPointSize(big.pointSize() + 7);
    big.setBold(true);
    l->setFont(big);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QLabel* decoration(QWidget* parent)
{
    auto* image = new QLabel(parent);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(Pictures::appIcon().pixmap(40, 40));
    image->setAccessibleName(QStringLiteral("图标"));
    return image;
}

QLineEdit* lockedEdit(QWidget* parent, const char* name)
{
    QLineEdit* e = edit(parent, name);
    e->setReadOnly(true);
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

QPlainTextEdit* multiLine(QWidget* parent, const char* name, int chars)
{
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setTabChangesFocus(true);
    if (chars > 0)
        limitChars(box, chars);
    return box;
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

QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> buttons)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* b : buttons)
        row->addWidget(b);
    return row;
}

} // namespace velmora::Controls
