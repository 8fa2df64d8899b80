// velmora-initdb: creates a new Velmora database, embedded or on a server.
#include "app/DbConfig.h"
#include "app/DemoData.h"
#include "data/Backup.h"
#include "data/DatabaseCopy.h"
#include "data/Schema.h"
#include "data/ServerRoles.h"
#include "data/SqlDialect.h"
#include "data/UserRights.h"
#include "platform/AppPaths.h"
#include "platform/System.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

using namespace velmora;

namespace {

// The command line shows a password to every user while the program runs:
// standard input, the environment or a hidden prompt keep it out of sight.
// The option stays for scripts; with none of them the demo password is used.
QString givenPassword(
    const QCommandLineParser& parser, const QCommandLineOption& option, const QCommandLineOption& fromStdin)
{
    if (parser.isSet(option))
        return parser.value(option);
    if (parser.isSet(fromStdin))
        return QTextStream(stdin).readLine();
    if (qEnvironmentVariableIsSet("VELMORA_DB_PASSWORD"))
        return qEnvironmentVariable("VELMORA_DB_PASSWORD");
    const QString demo = QString::fromLatin1(DbConfig::kDefaultPassword);
    if (!System::interactiveInput())
        return demo;
    const QString typed = System::readHidden(QStringLiteral("数据库密码（直接回车则为 %1）：").arg(demo));
    return typed.isEmpty() ? demo : typed;
}

// The source of --copy-from: a path to an embedded file, or host[:port]/database on a server.
ConnectionSettings sourceOf(const QString& where, const QString& user, const QString& password)
{
    const QFileInfo file(where);
    if (where.endsWith(QStringLiteral(".db")) || file.isFile())
        return { QStringLiteral("(local)"), file.completeBaseName(), user, password, file.absolutePath() };
    const qsizetype slash = where.lastIndexOf(QLatin1Char('/'));
    return { where.left(slash), where.mid(slash + 1), user, password, QString() };
}

// Copies a whole class into the database the other options name, made
// first when it is not there; one that holds a class is refused.
int copyInto(const ConnectionSettings& target, const ConnectionSettings& source, QTextStream& out, QTextStream& err)
{
    Database from;
    if (Status opened = from.open(source); !opened) {
        err << "不能打开来源数据库：" << opened.error().description << '\n';
        return 1;
    }
    Status made = DemoData::create(target, false, false);
    const bool createdNow = bool(made);
    if (!made && !made.error().is(Error::Kind::Duplicate)) {
        err << "创建目标数据库失败：" << made.error().description << '\n';
        return 1;
    }
    Database to;
    Status copied = to.open(target);
    // A database the server's administrator made empty for us gets its tables first.
    if (copied && !createdNow) {
        auto tables = to.texts(to.dialect().tablesSql());
        copied = tables ? Status(Done {}) : Status(tables.error());
        if (tables && tables->isEmpty()) {
            copied = Schema::create(to);
            if (copied)
                copied = Schema::seed(to);
            if (!copied && to.dialect().isPrivilegeMissing(copied.error())) {
                err << "目标数据库的用户 " << target.user
                    << " 没有在其中建表的权限（CREATE），没有复制。请让服务器管理员授予该权限，或换一个用户。\n";
                return 1;
            }
        }
    }
    if (copied)
        copied = DatabaseCopy::copy(from, to);
    if (!copied) {
        to.close();
        // What this run made, it takes away again, so that nothing is left changed.
        const bool removed = createdNow
            && (SqlDialect::isEmbeddedServer(target.server)
                    ? QFile::remove(QDir(target.dataDir).filePath(target.database + QStringLiteral(".db")))
                    : bool(Schema::dropServerDatabase(target)));
        err << "复制失败，" << (!createdNow || removed ? "目标数据库没有改动：" : "新建的目标数据库里只有空表：")
            << copied.error().description << '\n';
        return 1;
    }
    auto tables = DatabaseCopy::tables(to);
    auto counts = tables ? DatabaseCopy::count(to, *tables) : Result<DatabaseCopy::Counts>(tables.error());
    if (!counts) {
        err << counts.error().description << '\n';
        return 1;
    }
    out << "已复制 " << tables->size() << " 个表：" << counts->rows.value(QStringLiteral("tblLogin")) << " 名学生，"
        << counts->rows.value(QStringLiteral("tblTestInfo")) << " 次考试，照片共 " << counts->photoBytes
        << " 字节；行数和照片都已核对一致。\n";
    return 0;
}

int restoreFile(const QString& backup, const QString& databaseFile, QTextStream& out, QTextStream& err)
{
    if (!QFileInfo(databaseFile).isFile()) {
        err << "没有找到数据库文件 " << databaseFile << "。\n";
        return 1;
    }
    if (Status sound = Backups::verify(backup); !sound) {
        err << sound.error().description << "\n数据库没有改动。\n";
        return 1;
    }
    auto kept = Backups::take(databaseFile, Backups::folderFor(databaseFile), QStringLiteral("恢复前"));
    if (!kept) {
        err << "不能先备份现在的数据库，没有恢复：" << kept.error().description << "\n";
        return 1;
    }
    if (Status restored = Backups::restore(backup, databaseFile); !restored) {
        err << "恢复没有完成：" << restored.error().description << "\n数据库没有改动。\n";
        return 1;
    }
    out << "已用 " << backup << " 恢复数据库 " << databaseFile << "；原来的数据库另存为 " << *kept << "。\n";
    return 0;
}

// A teacher's own server role: reading the class, changing only the
// subjects taught (none with readOnly), kept for the program's login too.
int grantRole(const ConnectionSettings& settings, const QString& role, const QString& subjects, bool readOnly,
    QTextStream& out, QTextStream& err)
{
    if (SqlDialect::isEmbeddedServer(settings.server)) {
        err << "嵌入式数据库没有服务器角色；任教科目请在程序的“权限设置”中给用户设置。\n";
        return 1;
    }
    UserRights::Rights rights;
    rights.readOnly = readOnly;
    for (const QString& s : subjects.split(QRegularExpression(QStringLiteral("[,，、]")), Qt::SkipEmptyParts)) {
        const QString subject = s.trimmed();
        if (!Schema::subjects().contains(subject)) {
            err << "没有“" << subject << "”这个科目。可用的科目：" << Schema::subjects().join(QStringLiteral("、"))
                << "\n";
            return 1;
        }
        rights.subjects << subject;
    }
    if (!readOnly && rights.subjects.isEmpty()) {
        err << "请用 --subjects 列出任教科目，例如 --subjects 语文,数学。\n";
        return 1;
    }
    Database db;
    Status done = db.open(settings);
    auto exists = done ? ServerRoles::exists(db, role) : Result<bool>(done.error());
    if (exists && !*exists) {
        err << "服务器上没有角色“" << role << "”。请服务器管理员先创建它（例如 createuser -P " << role << "）。\n";
        return 1;
    }
    if (exists)
        done = UserRights::store(db, role, rights);
    else
        done = exists.error();
    if (!done) {
        err << "授权失败，角色的权限没有改动：" << done.error().description << "\n";
        return 1;
    }
    out << "已授权角色 " << role << "：可以查看全班的数据";
    if (readOnly)
        out << "，不能修改。\n";
    else
        out << "，只能修改" << rights.subjects.join(QStringLiteral("、")) << "的成绩。\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-initdb"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("创建一个新的 Velmora 数据库（嵌入式文件或 PostgreSQL 服务器）。"));
    parser.addHelpOption();
    const QCommandLineOption server({ QStringLiteral("s"), QStringLiteral("server") },
        QStringLiteral("服务器：(local) 为嵌入式数据库，否则为 PostgreSQL 主机[:端口]。"), QStringLiteral("server"),
        QString::fromLatin1(DbConfig::kDefaultServer));
    const QCommandLineOption database({ QStringLiteral("d"), QStringLiteral("database") }, QStringLiteral("数据库名。"),
        QStringLiteral("name"), QString::fromLatin1(DbConfig::kDefaultDatabase));
    const QCommandLineOption user({ QStringLiteral("u"), QStringLiteral("user") }, QStringLiteral("数据库用户名。"),
        QStringLiteral("user"), QString::fromLatin1(DbConfig::kDefaultUser));
    const QCommandLineOption password({ QStringLiteral("p"), QStringLiteral("password") },
        QStringLiteral("数据库密码（其他用户在进程列表中看得到；请优先使用 --password-stdin、"
                       "环境变量 VELMORA_DB_PASSWORD 或运行时输入）。"),
        QStringLiteral("password"));
    const QCommandLineOption passwordStdin(
        QStringLiteral("password-stdin"), QStringLiteral("从标准输入读取数据库密码（一行）。"));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
        QStringLiteral("嵌入式数据库所在的文件夹（默认为程序的数据文件夹）。"), QStringLiteral("dir"));
    const QCommandLineOption demo(QStringLiteral("demo"), QStringLiteral("填入一个示例班级：学生、考试和成绩。"));
    const QCommandLineOption force(QStringLiteral("force"), QStringLiteral("数据库已存在时删除后重建。"));
    const QCommandLineOption upgrade(
        QStringLiteral("upgrade"), QStringLiteral("升级一个已有的数据库到本版本，并列出所做的改动；数据不变。"));
    const QCommandLineOption copyFrom(QStringLiteral("copy-from"),
        QStringLiteral(
            "把整个班级数据库复制到上面指定的（空的或还不存在的）数据库：来源是嵌入式数据库文件的路径，"
            "或 PostgreSQL 的 主机[:端口]/数据库名。来源的密码取自环境变量 VELMORA_FROM_PASSWORD 或运行时输入。"),
        QStringLiteral("source"));
    const QCommandLineOption fromUser(QStringLiteral("from-user"), QStringLiteral("来源数据库的用户名。"),
        QStringLiteral("user"), QString::fromLatin1(DbConfig::kDefaultUser));
    const QCommandLineOption restore(QStringLiteral("restore"),
        QStringLiteral("用一份备份（例如“恢复前”的那份）替换嵌入式数据库；现在的数据库先另存为一份备份。"
                       "程序登陆不了时用它。"),
        QStringLiteral("file"));
    const QCommandLineOption grantTeacher(QStringLiteral("grant-teacher"),
        QStringLiteral("让服务器上的角色 ROLE 以任课教师身份使用这个数据库：可以查看全班的数据，"
                       "只能修改 --subjects 所列科目的成绩（仅 PostgreSQL）。"),
        QStringLiteral("role"));
    const QCommandLineOption subjects(QStringLiteral("subjects"),
        QStringLiteral("任教科目，用逗号分隔，例如 语文,数学。"), QStringLiteral("subjects"));
    const QCommandLineOption grantReader(QStringLiteral("grant-reader"),
        QStringLiteral("让服务器上的角色 ROLE 只能查看这个数据库（仅 PostgreSQL）。"), QStringLiteral("role"));
    const QCommandLineOption writeConfig(
        QStringLiteral("write-config"), QStringLiteral("同时写出 dbcfg.dat，程序启动后直接使用这个数据库。"));
    parser.addOptions({ server, database, user, password, passwordStdin, dataDir, demo, force, upgrade, copyFrom,
        fromUser, restore, grantTeacher, subjects, grantReader, writeConfig });
    parser.process(app);

    // Needs no login: it is the way back when nobody can log in any more.
    if (parser.isSet(restore))
        return restoreFile(parser.value(restore),
            Backups::databaseFile({ QStringLiteral("(local)"), parser.value(database), QString(), QString(),
                parser.isSet(dataDir) ? parser.value(dataDir) : AppPaths::databaseDir(parser.value(database)) }),
            out, err);

    ConnectionSettings settings { parser.value(server), parser.value(database), parser.value(user),
        givenPassword(parser, password, passwordStdin), parser.value(dataDir) };
    if (settings.dataDir.isEmpty())
        settings.dataDir = parser.isSet(upgrade) ? AppPaths::databaseDir(settings.database) : AppPaths::writableDir();
    const bool embedded = SqlDialect::isEmbeddedServer(settings.server);
    const bool overwrite = parser.isSet(force);

    if (parser.isSet(grantTeacher) || parser.isSet(grantReader)) {
        const bool reader = parser.isSet(grantReader);
        return grantRole(
            settings, parser.value(reader ? grantReader : grantTeacher), parser.value(subjects), reader, out, err);
    }

    if (parser.isSet(upgrade)) {
        Database db;
        Status opened = db.open(settings);
        QStringList changes;
        Status upgraded = opened ? Schema::upgrade(db, &changes) : opened;
        if (!upgraded) {
            err << "升级数据库失败，数据库保持原样：" << upgraded.error().description << " ("
                << upgraded.error().numberOrZero() << ")\n";
            return 1;
        }
        if (changes.isEmpty())
            out << "数据库已是最新版本（版本 " << Schema::kLatestVersion << "），没有改动。\n";
        for (const QString& change : changes)
            out << change << '\n';
        return 0;
    }

    // The embedded file's login takes the password given here; an empty one would let anyone in.
    if (embedded && settings.password.isEmpty()) {
        err << "新密码不能为空！\n";
        return 1;
    }

    if (parser.isSet(copyFrom)) {
        QString fromPassword = qEnvironmentVariable("VELMORA_FROM_PASSWORD");
        if (fromPassword.isEmpty())
            fromPassword = System::interactiveInput() ? System::readHidden(QStringLiteral("来源数据库的密码："))
                                                      : QString::fromLatin1(DbConfig::kDefaultPassword);
        return copyInto(settings, sourceOf(parser.value(copyFrom), parser.value(fromUser), fromPassword), out, err);
    }

    Status made = DemoData::create(settings, overwrite, parser.isSet(demo));
    if (!made) {
        err << "创建数据库失败：" << made.error().description << " (" << made.error().numberOrZero() << ")\n";
        if (made.error().is(Error::Kind::Duplicate))
            err << "如确需重建，请加上 --force（原有数据将全部删除）。\n";
        return 1;
    }
    if (embedded)
        out << "已创建嵌入式数据库 " << settings.dataDir << '/' << settings.database << ".db";
    else
        out << "已在服务器 " << settings.server << " 上创建数据库 " << settings.database;
    out << "，数据库登录为 " << settings.user << "。\n";
    out << "用户表中有 admin（管理员）和 teacher（普通用户），初始密码均为 123456。\n";
    if (parser.isSet(demo))
        out << "已填入示例班级：" << DemoData::kStudents << " 名学生，3 次考试。\n";
    if (parser.isSet(writeConfig)) {
        const QString file = AppPaths::writableConfigFile();
        if (Status written
            = DbConfig::write(file, { settings.server, settings.database, settings.user, settings.password });
            !written) {
            err << "不能写出 " << file << "：" << written.error().description << '\n';
            return 1;
        }
        out << "已写出 " << QDir::toNativeSeparators(file) << "。\n";
    }
    return 0;
}
