// Writes (or backs up) the embedded database in DATADIR without end, until
// tst_crash kills it:  velmora-crashworker DATADIR MODE SEED
// Or, for a race between two programs as two teachers make it, on any
// database, defines ROUNDS tests once told "go" and prints their numbers:
//   velmora-crashworker --race ROUNDS SERVER DATABASE USER PASSWORD DATADIR
#include "classes/ClassSettings.h"
#include "data/Backup.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "exams/ScoreSheet.h"
#include "exams/TestRecord.h"
#include "students/StudentRecord.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <cstdio>
#include <iostream>
#include <string>

using namespace velmora;

namespace {

QByteArray photoOf(const QString& number)
{
    QByteArray bytes(100 * 1024, '\0');
    const quint32 seed = number.toUInt();
    QRandomGenerator rng(seed);
    for (char& c : bytes)
        c = char(rng.bounded(256));
    return bytes;
}

int race(const QStringList& args)
{
    if (args.size() != 7)
        return 2;
    Database db;
    if (!db.open({ args[2], args[3], args[4], args[5], args[6] }))
        return 3;
    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    for (int i = 0, rounds = args[1].toInt(); i < rounds; ++i) {
        auto made = Exams::define(db,
            { QStringLiteral("并发"), QString(), QStringLiteral("平时考试"), QString(), { { 0, 1 }, false, false } });
        std::printf("%d\n", made ? made->number : -1);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--race")
        return race(app.arguments().mid(1));
    if (argc < 4)
        return 2;
    ConnectionSettings settings { QStringLiteral("(local)"), QStringLiteral("students"), QStringLiteral("adm"),
        QStringLiteral("adm"), QString::fromLocal8Bit(argv[1]) };
    const QByteArray mode = argv[2];
    QRandomGenerator rng(quint32(QByteArray(argv[3]).toUInt()));
    Database db;
    if (!db.open(settings))
        return 3;
    std::printf("ready\n");
    std::fflush(stdout);
    // Under a killer's fire a write may fail; only what the file holds is judged.
    for (quint32 g = rng.bounded(1000u);; ++g) {
        if (mode == "define") {
            (void)Exams::define(db,
                { QStringLiteral("压力"), QString(), QStringLiteral("平时考试"), QString(),
                    { { 0, 1, 2 }, true, true } });
        } else if (mode == "scores") {
            ScoreEntry e;
            e.student = QString::number(1 + g % 5);
            for (int i = 0; i < 3; ++i)
                e.subjects[i] = QString::number(g % 1000);
            (void)Scores::save(db, 1, { { 0, 1, 2 }, false, false }, e);
        } else if (mode == "student") {
            StudentRecord r;
            r[StudentRecord::Number] = QString::number(1000 + rng.bounded(1000000u));
            r[StudentRecord::Name] = QStringLiteral("压力");
            r[StudentRecord::Sex] = QStringLiteral("男");
            (void)Students::add(db, r, photoOf(r[StudentRecord::Number]));
        } else if (mode == "backup") {
            const QString file = Backups::databaseFile(settings);
            (void)Backups::take(file, Backups::folderFor(file));
            Backups::rotate(file, Backups::folderFor(file), 5);
        } else if (mode == "class") {
            ClassSettings s;
            const QString v = QStringLiteral("%1").arg(g % 1000, 3, 10, QLatin1Char('0'));
            s.number = s.name = s.date = s.teacher = s.count = v;
            for (int i = 1; i <= ClassSettings::kCells; ++i)
                s.cells[i] = v;
            (void)s.save(db);
        } else {
            return 4;
        }
    }
}
