#include "app/ui/ReportCommand.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "history/History.h"
#include "platform/System.h"
#include "students/ui/DataReport1.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace velmora::ReportCommand {

namespace {
const QString kReport = QStringLiteral("report-pdf");
} // namespace

bool wanted(const QStringList& arguments)
{
    return arguments.contains(QLatin1String("--") + kReport);
}

int run(Module1& session, const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption report(kReport, QStringLiteral("把学生信息表写成 PDF 文件。"), QStringLiteral("文件"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("登录的用户名。"), QStringLiteral("用户名"));
    parser.addOptions({ report, user });
    parser.process(arguments);
    QTextStream err(stderr);
    // No one to answer a question: each is answered No, what it says is printed.
    MessageService::setHandler([](const Message& message) {
        QTextStream(stderr) << message.text << '\n';
        return message.buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No;
    });
    if (!session.ReadDbConfig()) {
        err << "读取数据库配置文件出错！\n";
        return 1;
    }
    const QString name = parser.value(user);
    const QString password = qEnvironmentVariableIsSet("VELMORA_PASSWORD")
        ? qEnvironmentVariable("VELMORA_PASSWORD")
        : System::readHidden(QStringLiteral("%1 的密码：").arg(name));
    session.setLogin(name);
    ScoreHistory::setUser(name);
    if (!session.ConnectDb(session.DbServer(), session.DbName(), name, password)
        && !session.CheckUser(name, password)) {
        err << "连接失败！对不起，您不能使用本系统！\n";
        return 1;
    }
    bool ok = false;
    const QVector<QStringList> rows = DataReport1::readRows(session.Conn(), &ok);
    int pages = 0;
    if (!ok || !DataReport1::exportPdf(parser.value(report), rows, &pages)) {
        err << "不能写出学生信息表。\n";
        return 1;
    }
    QTextStream(stdout) << QStringLiteral("学生信息表：%1 人，%2 页\n").arg(rows.size()).arg(pages);
    return 0;
}

} // namespace velmora::ReportCommand
