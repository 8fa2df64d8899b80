#pragma once

#include "data/Database.h"

#include <QStringList>
#include <QVector>

namespace velmora {

// The stock phrases of the comment generator, by tab, numbered from 001
// without gaps; the last tab, 其他, holds the teachers' own phrases.
class PhraseLibrary
{
public:
    static constexpr int kTabs = 9;
    static constexpr int kMaxNumber = 999; // numbers keep three digits

    static const QStringList& tabNames();
    // The phrases shipped with the program; the same object for the whole run.
    static const PhraseLibrary& builtIn();
    // Reads the library text: "[tab]" headers, one phrase a line, "#" comments.
    // Lenient: a line it cannot place is skipped and named in `warning`.
    static PhraseLibrary parse(const QString& text, QString* warning);

    const QStringList& phrases(int tab) const { return m_tabs[tab]; }
    void setOwn(const QStringList& own) { m_tabs[kTabs - 1] = own; }
    int firstNumber(int tab) const;
    int count() const;
    // Tab and position of a number, or false when no phrase has it.
    bool locate(int number, int* tab, int* position) const;
    QString text(int number) const;
    // "001、你品学皆优…"
    QString item(int tab, int position) const;

private:
    QVector<QStringList> m_tabs = QVector<QStringList>(kTabs);
};

// The teachers' phrases of 其他, shared by everyone on the database.
namespace OwnPhrases {
// False in a database laid out before the teachers' own phrases had a table.
Result<bool> available(const Database& db);
Result<QStringList> load(const Database& db);
// Refused when the library would pass number 999.
Status add(Database& db, const QString& text, int builtInCount);
// By position in 其他 (0 first); the later ones move up a number.
Status remove(Database& db, int position);
inline constexpr int kMaxLength = 100;
} // namespace OwnPhrases

} // namespace velmora
