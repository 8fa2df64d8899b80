#include "comments/PhraseLibrary.h"

#include "data/TextLimits.h"

#include <QFile>

namespace velmora {

const QStringList& PhraseLibrary::tabNames()
{
    static const QStringList names { QStringLiteral("印象"), QStringLiteral("纪律"), QStringLiteral("课堂"),
        QStringLiteral("作业"), QStringLiteral("劳动"), QStringLiteral("工作"), QStringLiteral("成绩"),
        QStringLiteral("期望"), QStringLiteral("其他") };
    return names;
}

const PhraseLibrary& PhraseLibrary::builtIn()
{
    static const PhraseLibrary library = [] {
        QFile file(QStringLiteral(":/velmora/phrases.txt"));
        QString warning;
        PhraseLibrary lib;
        if (file.open(QIODevice::ReadOnly | QIODevice::Text))
            lib = parse(QString::fromUtf8(file.readAll()), &warning);
        if (!warning.isEmpty())
            qWarning("phrase library: %s", qPrintable(warning));
        return lib;
    }();
    return library;
}

PhraseLibrary PhraseLibrary::parse(const QString& text, QString* warning)
{
    PhraseLibrary lib;
    int tab = -1;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            tab = int(tabNames().indexOf(line.mid(1, line.size() - 2)));
            if (tab < 0 && warning)
                *warning = QStringLiteral("第%1行：没有“%2”这个标签").arg(n + 1).arg(line);
            continue;
        }
        if (tab < 0) {
            if (warning && warning->isEmpty())
                *warning = QStringLiteral("第%1行：评语不在任何标签下").arg(n + 1);
            continue;
        }
        lib.m_tabs[tab] << line;
    }
    return lib;
}

int PhraseLibrary::firstNumber(int tab) const
{
    int n = 1;
    for (int t = 0; t < tab; ++t)
        n += int(m_tabs[t].size());
    return n;
}

int PhraseLibrary::count() const
{
    return firstNumber(kTabs);
}

bool PhraseLibrary::locate(int number, int* tab, int* position) const
{
    if (number < 1)
        return false;
    for (int t = 0; t < kTabs; ++t) {
        const int first = firstNumber(t);
        if (number < first + m_tabs[t].size()) {
            *tab = t;
            *position = number - first;
            return true;
        }
    }
    return false;
}

QString PhraseLibrary::text(int number) const
{
    int tab = 0, position = 0;
    return locate(number, &tab, &position) ? m_tabs[tab][position] : QString();
}

QString PhraseLibrary::item(int tab, int position) const
{
    return QStringLiteral("%1、").arg(firstNumber(tab) + position, 3, 10, QLatin1Char('0')) + m_tabs[tab][position];
}

namespace OwnPhrases {

Result<bool> available(const Database& db)
{
    return db.tableExists(QStringLiteral("velmora_phrases"));
}

Result<QStringList> load(const Database& db)
{
    return db.texts(QStringLiteral("select 评语 from velmora_phrases order by 序号"));
}

Status add(Database& db, const QString& text, int builtInCount)
{
    const QString phrase = text.trimmed();
    if (phrase.isEmpty())
        return Error::refused(QStringLiteral("请先输入评语内容！"));
    if (TextLimits::charCount(phrase) > kMaxLength)
        return Error::refused(QStringLiteral("一条评语最多%1个字！").arg(kMaxLength));
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    if (auto locked = db.exec(db.dialect().lockTableSql(QStringLiteral("velmora_phrases"))); !locked)
        return locked.error();
    auto rows = db.select(QStringLiteral("select count(*), max(序号) from velmora_phrases"));
    if (!rows)
        return rows.error();
    if (builtInCount + rows->value(0).toInt() >= PhraseLibrary::kMaxNumber)
        return Error::refused(
            QStringLiteral("评语库最多只能有%1条评语，不能再添加了！").arg(PhraseLibrary::kMaxNumber));
    const int seq = rows->value(1).isNull() ? 1 : rows->value(1).toInt() + 1;
    auto added = db.exec(QStringLiteral("insert into velmora_phrases (序号, 评语) values (?, ?)"), { seq, phrase });
    if (!added)
        return added.error();
    return tx.commit();
}

Status remove(Database& db, int position)
{
    auto rows = db.select(QStringLiteral("select 序号 from velmora_phrases order by 序号"));
    if (!rows)
        return rows.error();
    if (position < 0 || position >= rows->recordCount())
        return Error { QStringLiteral("3021"), QStringLiteral("这条评语已不存在，请重新打开评语生成器。"),
            Error::Kind::Missing };
    rows->move(position);
    auto removed = db.exec(QStringLiteral("delete from velmora_phrases where 序号=?"), { rows->value(0) });
    if (!removed)
        return removed.error();
    return Done {};
}

} // namespace OwnPhrases
} // namespace velmora
