#include "data/Schema.h"

#include "data/PasswordHash.h"
#include "data/Passwords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <functional>

namespace velmora {

const ColumnDef* TableDef::column(QStringView columnName) const
{
    for (const ColumnDef& c : columns) {
        if (QStringView(c.name).compare(columnName, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

namespace Schema {

namespace {

ColumnDef text(const char* name, int length, bool key = false)
{
    return { QString::fromUtf8(name), ColumnKind::Text, length, key };
}
ColumnDef integer(const char* name, bool key = false)
{
    return { QString::fromUtf8(name), ColumnKind::Integer, 0, key };
}

QVector<TableDef> makeTables()
{
    QVector<TableDef> tables;
    tables.push_back(
        { QStringLiteral("tblUsers"), { text("UserName", 20, true), text("PWD", 10), text("Grade", 10) } });
    tables.push_back({ QStringLiteral("tblLogin"),
        { text("学号", 10, true), text("姓名", 10), text("性别", 2), text("出生年月", 20), text("民族", 10),
            text("籍贯", 20), text("家庭住址", 30), text("联系电话", 20), text("父亲姓名", 10), text("父亲单位", 20),
            text("母亲姓名", 10), text("母亲单位", 20), text("毕业于", 20), text("毕业至", 20), text("备注", 60),
            { QStringLiteral("照片"), ColumnKind::Blob, 0, false } } });
    tables.push_back({ QStringLiteral("tblClass"),
        { text("班级代号", 10), text("班级名称", 10), text("入学时间", 20), text("班主任", 8), text("班级人数", 3) } });
    tables.push_back({ QStringLiteral("tblTbl"),
        { integer("节次", true), text("星期一", 4), text("星期二", 4), text("星期三", 4), text("星期四", 4),
            text("星期五", 4) } });
    TableDef tests { QStringLiteral("tblTestInfo"),
        { integer("考试号", true), text("考试名称", 10), text("考试日期", 20), text("考试类型", 20) } };
    for (const QString& subject : subjects())
        tests.columns.push_back({ subject, ColumnKind::Integer, 0, false });
    tests.columns.push_back(integer("出勤"));
    tests.columns.push_back(integer("教师评语"));
    tests.columns.push_back(text("备注", 50));
    tables.push_back(tests);
    return tables;
}

QString columnSql(const SqlDialect& dialect, const ColumnDef& c)
{
    QString sql;
    switch (c.kind) {
    case ColumnKind::Text:
        sql = dialect.textColumn(c.name, c.length);
        break;
    case ColumnKind::Integer:
        sql = c.name + QStringLiteral(" integer");
        break;
    case ColumnKind::Blob:
        sql = c.name + QLatin1Char(' ') + dialect.blobType();
        break;
    }
    if (c.key)
        sql += QStringLiteral(" NOT NULL PRIMARY KEY");
    return sql;
}

Status run(Database& db, const QStringList& statements)
{
    for (const QString& sql : statements) {
        auto done = db.exec(sql);
        if (!done)
            return done.error();
    }
    return Done {};
}

// Only for names checked by validServerName: quoting makes the case exact.
QString quotedName(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

bool validServerName(const QString& name)
{
    if (name.isEmpty() || name.size() > 63)
        return false;
    for (QChar c : name) {
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-')))
            return false;
    }
    return true;
}

Status withMaintenanceDb(const ConnectionSettings& settings, const std::function<Status(Database&)>& work)
{
    if (!validServerName(settings.database))
        return Error { QStringLiteral("3D000"),
            QStringLiteral("数据库名“%1”无效：只能含字母、数字、下划线和连字符。").arg(settings.database) };
    ConnectionSettings admin = settings;
    admin.database = QStringLiteral("postgres");
    Database db;
    Status opened = db.open(admin);
    if (!opened)
        return opened;
    return work(db);
}

// Version 2: the teachers' own phrases of the comment generator.
QString ownPhrasesTable(const SqlDialect& dialect)
{
    return QStringLiteral("create table velmora_phrases (序号 integer NOT NULL PRIMARY KEY, %1)")
        .arg(dialect.textColumn(QStringLiteral("评语"), 100));
}

// Version 3: the highest test number ever given, so a deleted test's number is never given again.
const QString kCountersTable
    = QStringLiteral("create table velmora_counters (名称 varchar(20) NOT NULL PRIMARY KEY, 值 integer NOT NULL)");

// Version 5: full marks of a test's subjects where they are not 100.
const QString kFullMarksTable = QStringLiteral("create table velmora_fullmarks (考试号 integer NOT NULL, "
                                               "科目 varchar(10) NOT NULL, 满分 integer NOT NULL, "
                                               "PRIMARY KEY (考试号, 科目))");

// Version 6: every change to a score, an attendance count or a comment.
QStringList historyTable(const SqlDialect& dialect)
{
    return { QStringLiteral("create table velmora_score_history (%1, 考试号 integer NOT NULL, 考试名称 varchar(50), "
                            "学号 varchar(10) NOT NULL, 项目 varchar(10) NOT NULL, 原值 varchar(1000), "
                            "新值 varchar(1000), 用户 varchar(50), 时间 varchar(19) NOT NULL, "
                            "已删除 integer NOT NULL DEFAULT 0)")
                 .arg(dialect.autoIdColumn(QStringLiteral("编号"))),
        QStringLiteral(
            "create index if not exists velmora_score_history_cell on velmora_score_history (考试号, 学号)") };
}

// Version 7: a deleted test, kept for a while with its score table renamed.
const QString kDeletedTestsTable
    = QStringLiteral("create table velmora_deleted_tests (考试号 integer NOT NULL PRIMARY KEY, 考试名称 varchar(50), "
                     "考试日期 varchar(20), 考试类型 varchar(20), 备注 varchar(200), 科目 varchar(100), 出勤 integer, "
                     "教师评语 integer, 满分 varchar(200), 删除时间 varchar(19) NOT NULL, 删除人 varchar(50))");

// Version 8: the numbers other systems give a student (exam, registry, identity card).
const QString kStudentIdsTable
    = QStringLiteral("create table velmora_student_ids (学号 varchar(10) NOT NULL PRIMARY KEY, "
                     "考号 varchar(30), 学籍号 varchar(30), 身份证号 varchar(18))");

// Version 9: what a marking system's export brings beside the scores: its
// ranks and totals, each question's marks, and how its headers were mapped.
const QStringList kImportTables {
    QStringLiteral("create table velmora_test_facts (考试号 integer NOT NULL, 学号 varchar(10) NOT NULL, "
                   "项目 varchar(20) NOT NULL, 值 varchar(20), PRIMARY KEY (考试号, 学号, 项目))"),
    QStringLiteral("create table velmora_questions (考试号 integer NOT NULL, 题号 varchar(20) NOT NULL, "
                   "序号 integer NOT NULL, 满分 varchar(10), PRIMARY KEY (考试号, 题号))"),
    QStringLiteral("create table velmora_question_scores (考试号 integer NOT NULL, 学号 varchar(10) NOT NULL, "
                   "题号 varchar(20) NOT NULL, 得分 varchar(10), PRIMARY KEY (考试号, 学号, 题号))"),
    QStringLiteral("create table velmora_import_columns (表头 varchar(60) NOT NULL PRIMARY KEY, "
                   "项目 varchar(40) NOT NULL)"),
};
const QStringList kImportTableNames { QStringLiteral("velmora_test_facts"), QStringLiteral("velmora_questions"),
    QStringLiteral("velmora_question_scores"), QStringLiteral("velmora_import_columns") };

// Version 10: why a score is missing (缺考, 免考 …), and the class's own
// rules for its statistics.
const QStringList kMarkTables {
    QStringLiteral("create table velmora_score_marks (考试号 integer NOT NULL, 学号 varchar(10) NOT NULL, "
                   "项目 varchar(10) NOT NULL, 标记 varchar(10) NOT NULL, PRIMARY KEY (考试号, 学号, 项目))"),
    QStringLiteral("create table velmora_settings (名称 varchar(40) NOT NULL PRIMARY KEY, 值 varchar(200))"),
};
const QStringList kMarkTableNames { QStringLiteral("velmora_score_marks"), QStringLiteral("velmora_settings") };

// Version 11: term grades, each a weighted set of tests.
const QString kTermsTable
    = QStringLiteral("create table velmora_terms (名称 varchar(50) NOT NULL, "
                     "考试号 integer NOT NULL, 权重 integer NOT NULL, PRIMARY KEY (名称, 考试号))");

// Version 12: tests locked once their reports have gone home, and what each
// ordinary user may change.
const QStringList kRightsTables {
    QStringLiteral("create table velmora_test_locks (考试号 integer NOT NULL PRIMARY KEY, "
                   "用户 varchar(20) NOT NULL, 时间 varchar(19) NOT NULL)"),
    QStringLiteral("create table velmora_user_rights (UserName varchar(20) NOT NULL PRIMARY KEY, "
                   "科目 varchar(200), 只读 integer NOT NULL)"),
};
const QStringList kRightsTableNames { QStringLiteral("velmora_test_locks"), QStringLiteral("velmora_user_rights") };

// Version 14: the other classes of a whole grade's export, as figures alone
// (sums and counts in tenths of a point), never their students.
const QString kClassFiguresTable
    = QStringLiteral("create table velmora_class_figures (考试号 integer NOT NULL, 班级 varchar(30) NOT NULL, "
                     "项目 varchar(10) NOT NULL, 实考 integer NOT NULL, 总和 bigint NOT NULL, 平方和 bigint NOT NULL, "
                     "最高 integer NOT NULL, 最低 integer NOT NULL, 优秀 integer NOT NULL, 良好 integer NOT NULL, "
                     "及格 integer NOT NULL, 低分 integer NOT NULL, PRIMARY KEY (考试号, 班级, 项目))");

// Version 15: the term's calendar, the attendance register and conduct records.
const QStringList kRegisterTables {
    QStringLiteral("create table velmora_school_terms (名称 varchar(50) NOT NULL PRIMARY KEY, "
                   "开始 varchar(10) NOT NULL, 结束 varchar(10) NOT NULL)"),
    QStringLiteral("create table velmora_school_days (日期 varchar(10) NOT NULL PRIMARY KEY, "
                   "上课 integer NOT NULL, 说明 varchar(50))"),
    QStringLiteral("create table velmora_attendance (学号 varchar(10) NOT NULL, 日期 varchar(10) NOT NULL, "
                   "类别 varchar(4) NOT NULL, 半天 integer NOT NULL, 原因 varchar(50), 就诊 integer NOT NULL, "
                   "备注 varchar(200), PRIMARY KEY (学号, 日期))"),
    QStringLiteral("create table velmora_conduct_grades (学期 varchar(50) NOT NULL, 学号 varchar(10) NOT NULL, "
                   "等级 varchar(10) NOT NULL, 原因 varchar(200) NOT NULL, 设置人 varchar(50), 时间 varchar(19), "
                   "PRIMARY KEY (学期, 学号))"),
};
const QStringList kRegisterTableNames { QStringLiteral("velmora_school_terms"), QStringLiteral("velmora_school_days"),
    QStringLiteral("velmora_attendance"), QStringLiteral("velmora_conduct_grades") };

// Version 16: the term report book's comment and honours per student, and the
// class's heading and holiday notice per term.
const QStringList kBookTables {
    QStringLiteral("create table velmora_term_book (学期 varchar(50) NOT NULL, 学号 varchar(10) NOT NULL, "
                   "评语 varchar(800), 奖惩 varchar(400), 设置人 varchar(50), 时间 varchar(19), "
                   "PRIMARY KEY (学期, 学号))"),
    QStringLiteral("create table velmora_term_notices (学期 varchar(50) NOT NULL PRIMARY KEY, 学校 varchar(50), "
                   "通知 varchar(800))"),
};
const QStringList kBookTableNames { QStringLiteral("velmora_term_book"), QStringLiteral("velmora_term_notices") };

// The records themselves, numbered as each dialect numbers rows.
QString conductTable(const SqlDialect& dialect)
{
    return QStringLiteral("create table velmora_conduct (%1, 学号 varchar(10) NOT NULL, 日期 varchar(10) NOT NULL, "
                          "项目 varchar(20) NOT NULL, 分数 integer NOT NULL, 备注 varchar(200), "
                          "记录人 varchar(50) NOT NULL, 时间 varchar(19) NOT NULL)")
        .arg(dialect.autoIdColumn(QStringLiteral("编号")));
}

} // namespace

QString newerVersionText(int version)
{
    return QStringLiteral("这个数据库由更新版本的Velmora创建（版本 %1），请先升级程序。").arg(version);
}

namespace {

QString stepDescription(int version)
{
    switch (version) {
    case 2:
        return QStringLiteral("增加了教师自己的评语表 velmora_phrases（版本 2）。");
    case 3:
        return QStringLiteral("增加了记录已用考试号的表 velmora_counters（版本 3）。");
    case 4:
        return QStringLiteral("用户密码改为加盐散列保存，不再保存明文（版本 4）。");
    case 5:
        return QStringLiteral("增加了各科满分表 velmora_fullmarks，满分不再只能是100分（版本 5）。");
    case 6:
        return QStringLiteral("增加了成绩修改记录表 velmora_score_history，每次修改成绩都留有记录（版本 6）。");
    case 7:
        return QStringLiteral("增加了已删除考试表 velmora_deleted_tests，删除的考试保留30天，可以恢复（版本 7）。");
    case 8:
        return QStringLiteral("增加了学生考号表 velmora_student_ids，可按考号、学籍号导入（版本 8）。");
    case 9:
        return QStringLiteral("增加了成绩单信息、小题分和导入表头的表，可以导入阅卷系统的成绩单（版本 9）。");
    case 10:
        return QStringLiteral("增加了缺考、免考等成绩标记表和统计标准设置表（版本 10）。");
    case 11:
        return QStringLiteral("增加了学期总评表 velmora_terms，可按权重合成几次考试的成绩（版本 11）。");
    case 12:
        return QStringLiteral("增加了考试锁定表和用户任教科目表，可锁定已发报告单的考试（版本 12）。");
    case 13:
        return QStringLiteral(
            "在服务器上，成绩标记和修改记录只能由任教该科目的教师本人写入，已锁定的考试不能写入（版本 13）。");
    case 14:
        return QStringLiteral("增加了平行班统计表 velmora_class_figures，可与年级、平行班对比（版本 14）。");
    case 15:
        return QStringLiteral("增加了学期、上课日、考勤和操行记录表，可以记考勤和操行（版本 15）。");
    case 16:
        return QStringLiteral("增加了学期评语和假期通知表，可以打印学生素质报告书（版本 16）。");
    default:
        return QStringLiteral("升级到版本 %1。").arg(version);
    }
}

// A table a later version added, unless someone made it already.
Status createIfMissing(Database& db, const QString& table, const QString& sql)
{
    auto exists = db.tableExists(table);
    if (!exists)
        return exists.error();
    if (*exists)
        return Done {};
    if (auto made = db.exec(sql); !made)
        return made.error();
    return Done {};
}

// Several, named as their statements are, stopping at the first that fails.
Status createIfMissing(Database& db, const QStringList& tables, const QStringList& sqls)
{
    for (int t = 0; t < tables.size(); ++t) {
        if (Status made = createIfMissing(db, tables[t], sqls.value(t)); !made)
            return made;
    }
    return Done {};
}

Status upgradeStep(Database& db, int version)
{
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    Status step = Done {};
    switch (version) {
    case 2:
        step = createIfMissing(db, QStringLiteral("velmora_phrases"), ownPhrasesTable(db.dialect()));
        break;
    case 3:
        step = createIfMissing(db, QStringLiteral("velmora_counters"), kCountersTable);
        break;
    case 4:
        step = createIfMissing(db, QString::fromLatin1(Passwords::kTable), Passwords::createTableSql());
        if (step)
            step = Passwords::hashAllPlain(db);
        break;
    case 5:
        step = createIfMissing(db, QStringLiteral("velmora_fullmarks"), kFullMarksTable);
        break;
    case 6: {
        const QStringList sql = historyTable(db.dialect());
        step = createIfMissing(db, QStringLiteral("velmora_score_history"), sql[0]);
        if (step) {
            if (auto indexed = db.exec(sql[1]); !indexed)
                step = indexed.error();
        }
        break;
    }
    case 7:
        step = createIfMissing(db, QStringLiteral("velmora_deleted_tests"), kDeletedTestsTable);
        break;
    case 8:
        step = createIfMissing(db, QStringLiteral("velmora_student_ids"), kStudentIdsTable);
        break;
    case 9:
        step = createIfMissing(db, kImportTableNames, kImportTables);
        break;
    case 10:
        step = createIfMissing(db, kMarkTableNames, kMarkTables);
        break;
    case 11:
        step = createIfMissing(db, QStringLiteral("velmora_terms"), kTermsTable);
        break;
    case 12:
        step = createIfMissing(db, kRightsTableNames, kRightsTables);
        break;
    case 13:
        step = run(db, db.dialect().rowSecuritySql());
        break;
    case 14:
        step = createIfMissing(db, QStringLiteral("velmora_class_figures"), kClassFiguresTable);
        break;
    case 15:
        step = createIfMissing(db, kRegisterTableNames, kRegisterTables);
        if (step)
            step = createIfMissing(db, QStringLiteral("velmora_conduct"), conductTable(db.dialect()));
        if (step)
            step = run(db, db.dialect().conductSecuritySql());
        break;
    case 16:
        step = createIfMissing(db, kBookTableNames, kBookTables);
        break;
    default:
        break;
    }
    if (!step)
        return step;
    if (auto v = db.exec(QStringLiteral("update velmora_schema set version=?"), { version }); !v)
        return v.error();
    return tx.commit();
}

} // namespace

const QStringList& subjects()
{
    static const QStringList list { QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语"),
        QStringLiteral("物理"), QStringLiteral("化学"), QStringLiteral("生物"), QStringLiteral("政治"),
        QStringLiteral("历史"), QStringLiteral("地理"), QStringLiteral("体育"), QStringLiteral("劳技"),
        QStringLiteral("音乐"), QStringLiteral("美术"), QStringLiteral("健康") };
    return list;
}

const QStringList& attendanceItems()
{
    static const QStringList list { QStringLiteral("出勤共"), QStringLiteral("病假"), QStringLiteral("旷课"),
        QStringLiteral("事假"), QStringLiteral("迟到早退") };
    return list;
}

const QVector<TableDef>& fixedTables()
{
    static const QVector<TableDef> tables = makeTables();
    return tables;
}

const TableDef* fixedTable(QStringView name)
{
    for (const TableDef& t : fixedTables()) {
        if (QStringView(t.name).compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

QStringList createStatements(const SqlDialect& dialect)
{
    QStringList statements;
    for (const TableDef& table : fixedTables()) {
        QStringList columns;
        for (const ColumnDef& c : table.columns)
            columns << columnSql(dialect, c);
        statements << QStringLiteral("create table %1 (%2)").arg(table.name, columns.join(QStringLiteral(", ")));
    }
    statements << QStringLiteral("create table velmora_schema (version integer NOT NULL)");
    statements << ownPhrasesTable(dialect);
    statements << kCountersTable;
    statements << Passwords::createTableSql();
    statements << kFullMarksTable;
    statements << historyTable(dialect);
    statements << kDeletedTestsTable;
    statements << kStudentIdsTable;
    statements << kImportTables;
    statements << kMarkTables;
    statements << kTermsTable;
    statements << kRightsTables;
    statements << kClassFiguresTable;
    statements << kRegisterTables;
    statements << conductTable(dialect);
    statements << kBookTables;
    statements << dialect.rowSecuritySql();
    statements << dialect.conductSecuritySql();
    return statements;
}

QString scoreTableName(int testNumber)
{
    return QStringLiteral("TblScore%1").arg(testNumber);
}

QString createScoreTableSql(
    const SqlDialect& dialect, int testNumber, const QVector<int>& subjectIndexes, bool attendance, bool comment)
{
    QStringList columns { dialect.textColumn(QStringLiteral("学号"), 10)
        + QStringLiteral(" DEFAULT ' ' NOT NULL UNIQUE") };
    // A score nobody typed is empty, never a 0 that would enter the figures.
    // Marking systems give half points: one decimal place, exact on both backends.
    for (int i = 0; i < subjects().size(); ++i) {
        if (subjectIndexes.contains(i))
            columns << subjects()[i] + QStringLiteral(" numeric(4,1)");
    }
    // The old server turned "int default ' '" into 0; both backends need the 0 spelled out.
    if (attendance) {
        for (const QString& item : attendanceItems())
            columns << item + QStringLiteral(" int DEFAULT 0");
    }
    if (comment)
        columns << dialect.textColumn(QStringLiteral("教师评语"), 900) + QStringLiteral(" DEFAULT ' '");
    return QStringLiteral("create table %1 (%2)").arg(scoreTableName(testNumber), columns.join(QStringLiteral(", ")));
}

Result<int> version(const Database& db)
{
    auto exists = db.tableExists(QStringLiteral("velmora_schema"));
    if (!exists)
        return exists.error();
    if (!*exists)
        return 0;
    auto rows = db.select(QStringLiteral("select max(version) from velmora_schema"));
    if (!rows)
        return rows.error();
    return rows->value(0).toInt();
}

Status create(Database& db)
{
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    Status made = run(db, createStatements(db.dialect()));
    if (!made)
        return made;
    auto v = db.exec(QStringLiteral("insert into velmora_schema (version) values (?)"), { kLatestVersion });
    if (!v)
        return v.error();
    return tx.commit();
}

Result<bool> needsUpgrade(const Database& db)
{
    auto current = version(db);
    if (!current)
        return current.error();
    return *current < kLatestVersion;
}

Status upgrade(Database& db, QStringList* changes)
{
    QStringList ignored;
    QStringList& said = changes ? *changes : ignored;
    auto current = version(db);
    if (!current)
        return current.error();
    if (*current == 0) {
        // Tables made by hand before the version table existed count as version 1.
        auto hasLogin = db.tableExists(QStringLiteral("tblLogin"));
        if (!hasLogin)
            return hasLogin.error();
        if (!*hasLogin) {
            Status made = create(db);
            if (made)
                said << QStringLiteral("创建了全部数据表（版本 %1）。").arg(kLatestVersion);
            return made;
        }
        Transaction tx(db);
        if (!tx.started())
            return tx.error();
        Status s = run(db,
            { QStringLiteral("create table velmora_schema (version integer NOT NULL)"),
                QStringLiteral("insert into velmora_schema (version) values (1)") });
        if (!s)
            return s;
        Status c = tx.commit();
        if (!c)
            return c;
        said << QStringLiteral("增加了记录数据库版本的表 velmora_schema（版本 1）。");
    }
    auto now = version(db);
    if (!now)
        return now.error();
    if (*now > kLatestVersion)
        return Error::refused(newerVersionText(*now));
    for (int v = *now + 1; v <= kLatestVersion; ++v) {
        if (Status step = upgradeStep(db, v); !step)
            return step;
        said << stepDescription(v);
    }
    return Done {};
}

Status seed(Database& db)
{
    Transaction tx(db);
    if (!tx.started())
        return tx.error();
    for (int period = 1; period <= 8; ++period) {
        auto r = db.exec(
            QStringLiteral(
                "insert into tblTbl (节次, 星期一, 星期二, 星期三, 星期四, 星期五) values (?, ?, ?, ?, ?, ?)"),
            { period, QString(), QString(), QString(), QString(), QString() });
        if (!r)
            return r.error();
    }
    auto cls = db.exec(
        QStringLiteral("insert into tblClass (班级代号, 班级名称, 入学时间, 班主任, 班级人数) values (?, ?, ?, ?, ?)"),
        { QString(), QString(), QString(), QString(), QString() });
    if (!cls)
        return cls.error();
    const QString users = QStringLiteral("insert into tblUsers (UserName, PWD, Grade) values (?, ?, ?)");
    auto admin = db.exec(users, { QStringLiteral("admin"), QStringLiteral("123456"), QStringLiteral("Admin") });
    if (!admin)
        return admin.error();
    auto user = db.exec(users, { QStringLiteral("teacher"), QStringLiteral("123456"), QStringLiteral("User") });
    if (!user)
        return user.error();
    if (Status hashed = Passwords::hashAllPlain(db); !hashed)
        return hashed;
    return tx.commit();
}

Status createEmbeddedDatabase(const ConnectionSettings& settings, bool overwrite)
{
    const QString path = QDir(settings.dataDir).filePath(settings.database + QStringLiteral(".db"));
    if (settings.database.isEmpty() || settings.database.contains(QLatin1Char('/'))
        || settings.database.contains(QLatin1Char('\\')))
        return Error { QStringLiteral("14"), QStringLiteral("数据库名“%1”无效。").arg(settings.database) };
    if (QFileInfo::exists(path)) {
        if (!overwrite)
            return Error { QStringLiteral("14"), QStringLiteral("数据库文件 %1 已经存在。").arg(path),
                Error::Kind::Duplicate };
        if (!QFile::remove(path))
            return Error { QStringLiteral("14"), QStringLiteral("不能删除旧的数据库文件 %1。").arg(path) };
    }
    if (!QDir().mkpath(settings.dataDir))
        return Error { QStringLiteral("14"), QStringLiteral("不能创建文件夹 %1。").arg(settings.dataDir) };

    // Every student's address and phone and the users' passwords: the file is
    // the owner's alone from its first byte. SQLite gives its journal the same mode.
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)
            || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return Error { QStringLiteral("14"),
                QStringLiteral("不能创建数据库文件 %1：%2").arg(path, file.errorString()) };
    }
    const QString name = QStringLiteral("velmora-create-") + path;
    Error error;
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        raw.setDatabaseName(path);
        if (!raw.open()) {
            error = { raw.lastError().nativeErrorCode(), raw.lastError().text() };
        } else {
            QSqlQuery q(raw);
            const QString hash = PasswordHash::make(settings.password);
            bool ok = !hash.isEmpty()
                && q.exec(QStringLiteral("create table velmora_dblogin (username varchar(64) NOT NULL PRIMARY KEY, "
                                         "salt blob NOT NULL, hash blob NOT NULL, iterations integer NOT NULL)"))
                && q.prepare(QStringLiteral("insert into velmora_dblogin values (?, ?, ?, 0)"));
            if (ok) {
                q.addBindValue(settings.user);
                q.addBindValue(QByteArray(PasswordHash::kArgon2Marker));
                q.addBindValue(hash.toLatin1());
                ok = q.exec();
            }
            if (hash.isEmpty())
                error = { QStringLiteral("sodium"), QStringLiteral("不能生成密码散列（内存不足）。") };
            else if (!ok)
                error = { q.lastError().nativeErrorCode(), q.lastError().text() };
            raw.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (error.isSet()) {
        QFile::remove(path);
        return error;
    }
    return Done {};
}

Status createServerDatabase(const ConnectionSettings& settings, bool overwrite)
{
    return withMaintenanceDb(settings, [&](Database& db) -> Status {
        auto exists = db.select(QStringLiteral("select 1 from pg_database where datname = ?"), { settings.database });
        if (!exists)
            return exists.error();
        if (exists->recordCount() > 0) {
            if (!overwrite)
                return Error { QStringLiteral("42P04"), QStringLiteral("数据库“%1”已经存在。").arg(settings.database),
                    Error::Kind::Duplicate };
            auto dropped = db.exec(QStringLiteral("drop database ") + quotedName(settings.database));
            if (!dropped)
                return dropped.error();
        }
        auto made = db.exec(QStringLiteral("create database ") + quotedName(settings.database)
            + QStringLiteral(" encoding 'UTF8' template template0"));
        if (!made)
            return made.error();
        return Done {};
    });
}

Status dropServerDatabase(const ConnectionSettings& settings)
{
    return withMaintenanceDb(settings, [&](Database& db) -> Status {
        auto dropped = db.exec(QStringLiteral("drop database if exists ") + quotedName(settings.database));
        if (!dropped)
            return dropped.error();
        return Done {};
    });
}

} // namespace Schema
} // namespace velmora
