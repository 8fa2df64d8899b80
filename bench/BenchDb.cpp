#include "BenchDb.h"

#include "data/Database.h"
#include "data/Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

namespace velmora::bench {

QString embeddedPath(const ConnectionSettings& settings)
{
    return QDir(settings.dataDir).filePath(settings.database + QStringLiteral(".db"));
}

ConnectionSettings embeddedClass(int students, int photoBytes)
{
    QString root = qEnvironmentVariable("VELMORA_BENCH_DIR");
    if (root.isEmpty())
        root = QDir::temp().filePath(QStringLiteral("velmora-bench"));
    QDir().mkpath(root);
    ConnectionSettings s { QStringLiteral("(local)"), QStringLiteral("class_%1_%2").arg(students).arg(photoBytes),
                           QStringLiteral("adm"), QStringLiteral("adm"), root };
    if (QFileInfo::exists(embeddedPath(s)))
        return s;

    const QString building = s.database + QStringLiteral("_building");
    ConnectionSettings b = s;
    b.database = building;
    auto fail = [](const DbError& e) {
        std::fprintf(stderr, "bench database: %s %s\n", qPrintable(e.number), qPrintable(e.description));
        std::exit(1);
    };
    if (Status st = Schema::createEmbeddedDatabase(b, true); !st)
        fail(st.error());
    {
        Database db;
        if (Status st = db.open(b); !st)
            fail(st.error());
        if (Status st = Schema::create(db); !st)
            fail(st.error());
        if (Status st = Schema::seed(db); !st)
            fail(st.error());
        QByteArray photo(photoBytes, '\0');
        QRandomGenerator rng(1);
        for (char& c : photo)
            c = char(rng.bounded(256));
        Transaction tx(db);
        for (int i = 1; i <= students; ++i) {
            auto r = db.exec(QStringLiteral("insert into tblLogin (学号, 姓名, 性别, 照片) values (?, ?, ?, ?)"),
                             { QString::number(100000 + i), QStringLiteral("学生%1").arg(i), QStringLiteral("男"),
                               photoBytes > 0 ? QVariant(photo) : QVariant() });
            if (!r)
                fail(r.error());
        }
        if (Status st = tx.commit(); !st)
            fail(st.error());
    }
    QFile::rename(embeddedPath(b), embeddedPath(s));
    return s;
}

} // namespace velmora::bench
