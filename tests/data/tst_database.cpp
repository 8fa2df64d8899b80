#include "app/DemoData.h"
#include "data/Backup.h"
#include "data/PasswordHash.h"
#include "data/Passwords.h"
#include "data/Schema.h"
#include "data/TextLimits.h"
#include "support/Initdb.h"
#include "support/SmallDisk.h"
#include "support/TestDb.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace velmora;
using velmora::test::initdb;
using velmora::test::TestDb;

class TestDatabase : public QObject
{
    Q_OBJECT

private:
    static QVariantList student(const QString& number, const QString& name)
    {
        return { number, name, QStringLiteral("男") };
    }
    static Result<qint64> addStudent(Database& db, const QString& number, const QString& name)
    {
        return db.exec(
            QStringLiteral("insert into tblLogin (学号, 姓名, 性别) values (?, ?, ?)"), student(number, name));
    }

private Q_SLOTS:
    void init() { VELMORA_REQUIRE_BACKEND(); }

    void failuresCarryNumberAndText()
    {
        TestDb t;
        QVERIFY2(t.create(), qPrintable(t.lastError()));
        Database& db = t.db();

        auto missing = db.select(QStringLiteral("select * from tblNoSuchTable"));
        QVERIFY(!missing);
        QVERIFY(!missing.error().number.isEmpty());
        QVERIFY(!missing.error().description.isEmpty());
        QVERIFY(missing.error().unknownMessage().startsWith(
            QStringLiteral("未知错误！错误代码：") + missing.error().number + QStringLiteral("错误信息：")));

        QVERIFY(addStudent(db, QStringLiteral("1"), QStringLiteral("甲")));
        auto duplicate = addStudent(db, QStringLiteral("1"), QStringLiteral("乙"));
        QVERIFY(!duplicate);
        // SQLite reports an extended code whose low byte is SQLITE_CONSTRAINT.
        if (TestDb::isPostgres())
            QCOMPARE(duplicate.error().number, QStringLiteral("23505"));
        else
            QCOMPARE(duplicate.error().number.toInt() & 0xff, 19);

        // Limits count characters: ten CJK characters, some outside the basic plane, fit; eleven do not.
        const QString ten = QStringLiteral("𠀀𠀁张王李赵钱孙周吴");
        QCOMPARE(TextLimits::charCount(ten), 10);
        QVERIFY(TextLimits::fits(u"tblLogin", u"姓名", ten));
        QVERIFY(addStudent(db, QStringLiteral("2"), ten));
        QVERIFY(!TextLimits::fits(u"tblLogin", u"姓名", ten + QStringLiteral("郑")));
        QVERIFY(!addStudent(db, QStringLiteral("3"), ten + QStringLiteral("郑")));
        auto back = db.select(QStringLiteral("select 姓名 from tblLogin where 学号=?"), { QStringLiteral("2") });
        QVERIFY(back);
        QCOMPARE(back->text(0), ten);
    }

    void valuesAreBoundNotJoined()
    {
        TestDb t;
        QVERIFY2(t.create(), qPrintable(t.lastError()));
        Database& db = t.db();
        const QStringList names { QStringLiteral("50%满分"), QStringLiteral("a_b"), QStringLiteral("ab"),
            QStringLiteral("Tom!"), QStringLiteral("O'Neil") };
        for (int i = 0; i < names.size(); ++i)
            QVERIFY(addStudent(db, QString::number(i + 1), names[i]));

        auto find = [&](const QString& typed) {
            auto rows = db.select(QStringLiteral("select 姓名 from tblLogin where ")
                    + db.dialect().likeClause(QStringLiteral("姓名")) + QStringLiteral(" order by 学号"),
                { SqlDialect::likePattern(typed, SqlDialect::Match::Contains) });
            QStringList found;
            if (rows) {
                for (rows->moveFirst(); !rows->eof(); rows->moveNext())
                    found << rows->text(0);
            }
            return found;
        };
        QCOMPARE(find(QStringLiteral("%")), QStringList({ "50%满分" }));
        QCOMPARE(find(QStringLiteral("_")), QStringList({ "a_b" }));
        QCOMPARE(find(QStringLiteral("!")), QStringList({ "Tom!" }));
        QCOMPARE(find(QStringLiteral("tom")), QStringList({ "Tom!" }));
        QCOMPARE(find(QStringLiteral("'")), QStringList({ "O'Neil" }));
    }

    void openFailsLikeAServerLogin()
    {
        TestDb t;
        QVERIFY2(t.create(), qPrintable(t.lastError()));
        Database db;
        ConnectionSettings s = t.settings();
        QVERIFY(db.open(s));
        QVERIFY(db.isOpen());
        db.close();
        QVERIFY(!db.isOpen());
        QVERIFY(!db.select(QStringLiteral("select 1")));

        for (int field = 0; field < 3; ++field) {
            ConnectionSettings bad = s;
            (field == 0 ? bad.password : field == 1 ? bad.user : bad.database) += QStringLiteral("x");
            Status opened = db.open(bad);
            QVERIFY2(!opened, qPrintable(QString::number(field)));
            QVERIFY(!opened.error().description.isEmpty());
            QVERIFY(!db.isOpen());
        }
        if (!TestDb::isPostgres())
            QVERIFY(!QFileInfo::exists(QDir(s.dataDir).filePath(s.database + QStringLiteral("x.db"))));
    }

    // A school's server that offers TLS gets an encrypted connection, on
    // Windows too, where libpq is built with OpenSSL of our own.
    void serverConnectionIsEncrypted()
    {
        if (!TestDb::isPostgres())
            QSKIP("the embedded file has no connection");
        TestDb t;
        QVERIFY2(t.create(), qPrintable(t.lastError()));
        Database db;
        QVERIFY(db.open(t.settings()));
        auto offered = db.select(QStringLiteral("show ssl"));
        QVERIFY(offered && !offered->eof());
        if (offered->value(0).toString() != u"on")
            QSKIP("this server offers no TLS");
        auto ssl = db.select(QStringLiteral("select ssl, version from pg_stat_ssl where pid = pg_backend_pid()"));
        QVERIFY(ssl && !ssl->eof());
        QVERIFY2(ssl->value(0).toBool(), "the connection is not encrypted");
        QVERIFY(ssl->value(1).toString().startsWith(QStringLiteral("TLS")));
    }

    // velmora-initdb takes the password from standard input or the
    // environment, out of the process list.
    void initdbPasswordOutOfSight()
    {
        if (TestDb::isPostgres())
            QSKIP("the embedded file shows it; the server path is the same code");
        QTemporaryDir dir;
        auto made = [&](const QStringList& args, const QByteArray& input, const QString& env) {
            return initdb(QStringList { QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--force") } + args,
                       env, input)
                == 0;
        };
        auto opens = [&](const QString& password) {
            Database db;
            return bool(db.open({ QStringLiteral("(local)"), QStringLiteral("students"), QStringLiteral("adm"),
                password, dir.path() }));
        };
        QVERIFY(made({ QStringLiteral("--password-stdin") }, "from stdin\n", QString()));
        QVERIFY(opens(QStringLiteral("from stdin")));
        QVERIFY(!opens(QStringLiteral("adm")));
        QVERIFY(made({}, QByteArray(), QStringLiteral("from env")));
        QVERIFY(opens(QStringLiteral("from env")));
        // An empty login would open the file to anyone: refused, the file as it was.
        QVERIFY(!made({ QStringLiteral("--password-stdin") }, "\n", QString()));
        QVERIFY(opens(QStringLiteral("from env")));
    }

    // A copy that fails leaves nothing it made behind, and says so truly; a
    // server user who may not create tables is told that, not to upgrade.
    void initdbCopyFailsCleanly()
    {
        QTemporaryDir from;
        QTemporaryDir into;
        auto run = [](const QStringList& args, const QString& password, QByteArray* said) {
            return initdb(args, password, {}, said);
        };
        QByteArray said;
        const QStringList demo { QStringLiteral("--data-dir"), from.path(), QStringLiteral("--demo") };
        QCOMPARE(run(demo, QStringLiteral("pw"), &said), 0);
        const QString source = from.filePath(QStringLiteral("students.db"));
        if (!TestDb::isPostgres()) {
            // The demo class goes whole into a new file, once; a second copy there is refused.
            QTemporaryDir once;
            const QStringList copy { QStringLiteral("--data-dir"), once.path(), QStringLiteral("--copy-from"), source };
            QCOMPARE(initdb(copy, QStringLiteral("pw")), 0);
            {
                Database db;
                QVERIFY(db.open({ QStringLiteral("(local)"), QStringLiteral("students"), QStringLiteral("adm"),
                    QStringLiteral("pw"), once.path() }));
                QCOMPARE(test::rowCount(db, QStringLiteral("tblLogin")), DemoData::kStudents);
            }
            QCOMPARE(initdb(copy, QStringLiteral("pw")), 1);
            {
                Database db;
                QVERIFY(db.open({ QStringLiteral("(local)"), QStringLiteral("students"), QStringLiteral("adm"),
                    QStringLiteral("pw"), from.path() }));
                QVERIFY(db.exec(QStringLiteral("create table school_own (x integer)")));
            }
            QCOMPARE(run({ QStringLiteral("--data-dir"), into.path(), QStringLiteral("--copy-from"), source },
                         QStringLiteral("pw"), &said),
                1);
            QVERIFY2(QString::fromUtf8(said).contains(QStringLiteral("目标数据库没有改动")), said.constData());
            QVERIFY(QString::fromUtf8(said).contains(QStringLiteral("school_own")));
            QVERIFY(!QFileInfo::exists(into.filePath(QStringLiteral("students.db"))));
            return;
        }
        TestDb t;
        QVERIFY2(t.create(), qPrintable(t.lastError()));
        const QString role = QStringLiteral("velmora_nocreate");
        const QString name = QStringLiteral("velmora_nocreate_db");
        (void)t.db().exec(QStringLiteral("drop database if exists ") + name);
        (void)t.db().exec(QStringLiteral("drop role if exists ") + role);
        QVERIFY(t.db().exec(QStringLiteral("create role %1 login password 'nc'").arg(role)));
        QVERIFY(t.db().exec(QStringLiteral("create database %1").arg(name)));
        const int code = run({ QStringLiteral("--server"), t.settings().server, QStringLiteral("--database"), name,
                                 QStringLiteral("--user"), role, QStringLiteral("--copy-from"), source },
            QStringLiteral("nc"), &said);
        (void)t.db().exec(QStringLiteral("drop database if exists ") + name);
        (void)t.db().exec(QStringLiteral("drop role if exists ") + role);
        QCOMPARE(code, 1);
        QVERIFY2(QString::fromUtf8(said).contains(QStringLiteral("没有在其中建表的权限")), said.constData());
    }

    // A file another program holds locked is reported as locked, not as something else.
    void lockedFileIsReportedAsLocked()
    {
        if (TestDb::isPostgres())
            QSKIP("a file lock is the embedded database's");
        TestDb t;
        QVERIFY2(t.create(), qPrintable(t.lastError()));
        t.db().close();
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
            other.setDatabaseName(QDir(t.dir()).filePath(QStringLiteral("students.db")));
            QVERIFY(other.open());
            QSqlQuery hold(other);
            QVERIFY(hold.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            Database db;
            Status opened = db.open(t.settings());
            QVERIFY(!opened);
            QVERIFY2(opened.error().description.contains(QStringLiteral("数据库正被其他程序使用")),
                qPrintable(opened.error().description));
            QVERIFY(hold.exec(QStringLiteral("ROLLBACK")));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    }

    // The embedded file holds addresses and passwords: its owner's alone.
    void embeddedFileIsOwnerOnly()
    {
        if (TestDb::isPostgres())
            QSKIP("a server keeps its own files");
        TestDb t;
        QVERIFY2(t.create(), qPrintable(t.lastError()));
        QVERIFY(t.db().exec(QStringLiteral("insert into tblLogin (学号, 姓名) values ('1', '甲')")));
        const QDir dir(t.dir());
        for (const QString& name : dir.entryList({ QStringLiteral("students.db*") }, QDir::Files)) {
            QVERIFY(!test::othersMayUse(dir.filePath(name)));
        }
    }

    // Users' passwords: plain ones from older databases become salted hashes at
    // the upgrade or at the first login that matches; a password an
    // administrator resets by hand in PWD counts until it is hashed in turn.
    void userPasswordsAreHashed()
    {
        TestDb t;
        QVERIFY2(t.create(), qPrintable(t.lastError()));
        Database& db = t.db();
        auto accepts = [&](const QString& user, const QString& password) {
            auto ok = Passwords::check(db, user, password);
            return ok && *ok;
        };
        auto plainCount = [&] { return test::rowCount(db, QStringLiteral("tblUsers where PWD is not null")); };
        QCOMPARE(plainCount(), 0);
        QVERIFY(accepts(QStringLiteral("admin"), QStringLiteral("123456")));
        QVERIFY(!accepts(QStringLiteral("admin"), QStringLiteral("1234567")));
        QVERIFY(!accepts(QStringLiteral("admin"), QString()));

        // A database of version 3 with the passwords as typed.
        QVERIFY(db.exec(QStringLiteral("drop table velmora_passwords")));
        QVERIFY(db.exec(QStringLiteral("update velmora_schema set version=3")));
        QVERIFY(db.exec(QStringLiteral("update tblUsers set PWD=? where UserName=?"),
            { QStringLiteral("old"), QStringLiteral("admin") }));
        QVERIFY(db.exec(QStringLiteral("update tblUsers set PWD='' where UserName='teacher'")));
        QVERIFY(accepts(QStringLiteral("admin"), QStringLiteral("old")));
        QCOMPARE(plainCount(), 2); // nowhere to keep a hash yet
        QStringList changes;
        QVERIFY(Schema::upgrade(db, &changes));
        QCOMPARE(changes.size(), Schema::kLatestVersion - 3);
        QCOMPARE(plainCount(), 0);
        auto hashes = db.select(QStringLiteral("select 散列 from velmora_passwords order by 用户名"));
        QVERIFY(hashes);
        QCOMPARE(hashes->recordCount(), 2);
        QVERIFY(hashes->text(0).startsWith(QStringLiteral("$argon2id$")));
        QVERIFY(accepts(QStringLiteral("admin"), QStringLiteral("old")));
        QVERIFY(accepts(QStringLiteral("teacher"), QString()));
        QVERIFY(!accepts(QStringLiteral("teacher"), QStringLiteral("old")));

        // Reset by hand: the new one logs in and is hashed; the old one is gone.
        QVERIFY(db.exec(QStringLiteral("update tblUsers set PWD='fresh' where UserName='admin'")));
        QVERIFY(!accepts(QStringLiteral("admin"), QStringLiteral("old")));
        QVERIFY(accepts(QStringLiteral("admin"), QStringLiteral("fresh")));
        QCOMPARE(plainCount(), 0);
        QVERIFY(accepts(QStringLiteral("admin"), QStringLiteral("fresh")));
    }

    // The embedded file's own login: Argon2id at the real cost; a file made
    // with the former PBKDF2 still opens and is rewritten with Argon2id.
    void embeddedLoginHash()
    {
        if (TestDb::isPostgres())
            QSKIP("the server checks its own logins");
        PasswordHash::setCost(PasswordHash::Cost::Interactive);
        TestDb t;
        const bool made = t.create(false);
        PasswordHash::setCost(PasswordHash::Cost::Minimal);
        QVERIFY2(made, qPrintable(t.lastError()));
        Database& db = t.db();
        auto row = [&] { return db.select(QStringLiteral("select salt, hash, iterations from velmora_dblogin")); };
        QVERIFY(row()->text(1).startsWith(QStringLiteral("$argon2id$v=19$m=65536,t=2,")));

        // PBKDF2-HMAC-SHA256("password", "salt", 4096), the published test vector.
        QVERIFY(db.exec(QStringLiteral("update velmora_dblogin set salt=?, hash=?, iterations=4096"),
            { QByteArray("salt"),
                QByteArray::fromHex("c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a") }));
        db.close();
        ConnectionSettings s = t.settings();
        QVERIFY(!db.open(s));
        s.password = QStringLiteral("password");
        QVERIFY(db.open(s));
        QCOMPARE(row()->value(2).toInt(), 0);
        QVERIFY(row()->text(1).startsWith(QStringLiteral("$argon2id$")));
        db.close();
        QVERIFY(db.open(s));
        db.close();
        s.password = QStringLiteral("passwore");
        QVERIFY(!db.open(s));
    }

    void schemaVersionAndUpgrade()
    {
        TestDb t;
        QVERIFY2(t.create(), qPrintable(t.lastError()));
        Database& db = t.db();
        QCOMPARE(*Schema::version(db), Schema::kLatestVersion);
        // A database whose tables were made before the version table existed.
        QVERIFY(db.exec(QStringLiteral("drop table velmora_schema")));
        QCOMPARE(*Schema::version(db), 0);
        QVERIFY(*Schema::needsUpgrade(db));
        QStringList changes;
        QVERIFY(Schema::upgrade(db, &changes));
        QCOMPARE(*Schema::version(db), Schema::kLatestVersion);
        QVERIFY(!*Schema::needsUpgrade(db));
        QCOMPARE(changes.size(), Schema::kLatestVersion);
        QVERIFY(changes.first().contains(QStringLiteral("velmora_schema")));
        changes.clear();
        QVERIFY(Schema::upgrade(db, &changes));
        QVERIFY(changes.isEmpty());
        // A database of version 1 gains the table of the teachers' own phrases.
        QVERIFY(db.exec(QStringLiteral("drop table velmora_phrases")));
        QVERIFY(db.exec(QStringLiteral("update velmora_schema set version=1")));
        QVERIFY(Schema::upgrade(db));
        QCOMPARE(*Schema::version(db), Schema::kLatestVersion);
        QVERIFY(*db.tableExists(QStringLiteral("velmora_phrases")));
        auto periods = db.select(QStringLiteral("select 节次 from tblTbl order by 节次"));
        QVERIFY(periods);
        QCOMPARE(periods->recordCount(), 8);
        // A newer program's database is not called up to date.
        QVERIFY(db.exec(QStringLiteral("update velmora_schema set version=99")));
        Status newer = Schema::upgrade(db);
        QVERIFY(!newer);
        QCOMPARE(
            newer.error().description, QStringLiteral("这个数据库由更新版本的Velmora创建（版本 99），请先升级程序。"));
    }

    // velmora-initdb --restore puts a backup back from outside the program,
    // keeping the file it replaces; a file not ours is refused.
    void initdbRestoresABackup()
    {
        if (TestDb::isPostgres())
            QSKIP("backups are of the embedded file");
        TestDb t;
        QVERIFY2(t.create(), qPrintable(t.lastError()));
        const QString file = Backups::databaseFile(t.settings());
        auto taken = Backups::take(file, Backups::folderFor(file));
        QVERIFY(taken);
        QVERIFY(t.db().exec(QStringLiteral("insert into tblLogin (学号, 姓名) values ('9', '后来')")));
        t.db().close();
        auto run = [&](const QString& backup) {
            return initdb({ QStringLiteral("--data-dir"), t.dir(), QStringLiteral("--restore"), backup });
        };
        QCOMPARE(run(t.dir() + QStringLiteral("/nothing.db")), 1);
        QCOMPARE(run(*taken), 0);
        QVERIFY(t.db().open(t.settings()));
        QCOMPARE(test::rowCount(t.db(), QStringLiteral("tblLogin")), 0);
        bool kept = false;
        for (const auto& b : Backups::list(file, Backups::folderFor(file)))
            kept = kept || (b.path.endsWith(QStringLiteral("_恢复前.db")) && b.students == 1);
        QVERIFY(kept);
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
