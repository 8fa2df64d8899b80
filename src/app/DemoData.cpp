#include "app/DemoData.h"

#include "attendance/Attendance.h"
#include "conduct/Conduct.h"
#include "data/Schema.h"
#include "exams/TestRecord.h"
#include "reportbook/TermBook.h"

#include <QRandomGenerator>
#include <QStringList>

namespace velmora::DemoData {

namespace {

const QStringList kSurnames
    = QStringLiteral("王 李 张 刘 陈 杨 赵 黄 周 吴 徐 孙 胡 朱 高 林 何 郭 马 罗 梁 宋 郑 谢 韩 唐 冯 于 董 萧")
          .split(QLatin1Char(' '));
const QStringList kBoys
    = QStringLiteral("浩然 子轩 宇航 俊杰 博文 思远 明轩 天佑 嘉豪 志强 一鸣 文博 晨阳 泽宇 家乐 振华 子墨 启航")
          .split(QLatin1Char(' '));
const QStringList kGirls
    = QStringLiteral("欣怡 雨涵 诗琪 梓萱 佳怡 若曦 晓雪 思彤 语嫣 可馨 静雯 雅琳 婉清 心怡 梦瑶 紫涵 书瑶 安琪")
          .split(QLatin1Char(' '));
const QStringList kProvinces
    = QStringLiteral("浙江 江苏 安徽 江西 山东 福建 湖南 湖北 河南 四川").split(QLatin1Char(' '));
const QStringList kStreets
    = QStringLiteral("解放路 中山路 人民路 文化路 建设路 湖滨路 延安路 凤起路").split(QLatin1Char(' '));
const QStringList kEmployers = QStringLiteral(
    "市第一医院 华东电力公司 市自来水公司 新华书店 市税务局 永安机械厂 城东中学 市人民银行 个体经营 纺织厂")
                                   .split(QLatin1Char(' '));
const QStringList kPrimary = QStringLiteral("实验小学 城东小学 育才小学 文澜小学 胜利小学").split(QLatin1Char(' '));

struct DemoTest
{
    const char* name;
    const char* date;
    const char* type;
    QVector<int> subjects;
    bool attendance;
    bool comment;
};

Status check(const Result<qint64>& r)
{
    if (!r)
        return r.error();
    return Done {};
}

QString pick(QRandomGenerator& rng, const QStringList& list)
{
    return list[int(rng.bounded(quint32(list.size())))];
}

int score(QRandomGenerator& rng, int base, int spread)
{
    const int s = base + int(rng.bounded(quint32(2 * spread + 1))) - spread;
    return qBound(32, s, 100);
}

QString comment(QRandomGenerator& rng, const QString& name)
{
    static const QStringList opening = QStringLiteral(
        "你是一个懂事、有礼貌的孩子，|你性格开朗，待人真诚，|你文静踏实，做事认真，|你思维敏捷，上课总能积极发言，")
                                           .split(QLatin1Char('|'));
    static const QStringList middle = QStringLiteral("作业书写工整，按时完成。|劳动时总是抢着干脏活累活。|"
                                                     "能认真听讲，学习成绩稳中有升。|乐于帮助同学，和大家相处融洽。")
                                          .split(QLatin1Char('|'));
    static const QStringList hope
        = QStringLiteral("希望你在新学期里更加大胆，勇于表现自己！|希望你今后多读课外书，开阔视野。|"
                         "愿你戒骄戒躁，争取更大的进步！|相信只要坚持下去，你一定会更加出色！")
              .split(QLatin1Char('|'));
    return name + QStringLiteral("同学：") + pick(rng, opening) + pick(rng, middle) + pick(rng, hope);
}

} // namespace

// The term the tests were in, with its holidays, a register and conduct
// records a class gathers by January, and the notice for the winter holiday.
Status fillTerm(Database& db, QRandomGenerator& rng, const QStringList& numbers)
{
    const SchoolCalendar::Term term { QStringLiteral("2024-2025学年第一学期"), QDate(2024, 9, 2), QDate(2025, 1, 17) };
    if (Status saved = SchoolCalendar::saveTerm(db, term); !saved)
        return saved;
    const std::pair<QDate, bool> days[] { { QDate(2024, 9, 29), true }, { QDate(2024, 10, 1), false },
        { QDate(2024, 10, 2), false }, { QDate(2024, 10, 3), false }, { QDate(2024, 10, 4), false },
        { QDate(2024, 10, 7), false }, { QDate(2024, 10, 12), true }, { QDate(2025, 1, 1), false } };
    for (const auto& [day, school] : days) {
        if (Status set
            = SchoolCalendar::setDay(db, day, school, school ? QStringLiteral("调休") : QStringLiteral("放假"));
            !set)
            return set;
    }
    auto schoolDays = SchoolCalendar::schoolDays(db, term.first, term.last);
    if (!schoolDays)
        return schoolDays.error();
    const QStringList codes { QStringLiteral("病"), QStringLiteral("病半"), QStringLiteral("事"), QStringLiteral("迟"),
        QStringLiteral("迟"), QStringLiteral("早") };
    QVector<Attendance::Change> register_;
    QSet<QPair<int, int>> taken;
    while (register_.size() < 40) {
        const int student = int(rng.bounded(quint32(numbers.size())));
        const int day = int(rng.bounded(quint32(schoolDays->size())));
        if (taken.contains({ student, day }))
            continue;
        taken.insert({ student, day });
        auto cell = Attendance::parse(pick(rng, codes));
        if (cell && cell->kind == Attendance::Kind::Sick)
            cell->reason = pick(rng, { QStringLiteral("发热"), QStringLiteral("感冒"), QStringLiteral("腹泻") });
        register_ << Attendance::Change { numbers[student], schoolDays->at(day), cell };
    }
    if (Status written = Attendance::write(db, register_); !written)
        return written;
    const std::pair<const char*, int> deeds[] { { "好人好事", 3 }, { "卫生", 2 }, { "纪律", -2 }, { "学习", 2 },
        { "劳动", 2 }, { "文明礼仪", -1 } };
    for (int i = 0; i < 60; ++i) {
        const auto& [item, points] = deeds[rng.bounded(quint32(std::size(deeds)))];
        const QDate day = schoolDays->at(int(rng.bounded(quint32(schoolDays->size()))));
        if (Status added = Conduct::add(db, { pick(rng, numbers) }, day, QString::fromUtf8(item), points, {}); !added)
            return added;
    }
    return TermBook::saveNotice(db, term.name,
        { QStringLiteral("实验中学"),
            QStringLiteral("寒假自2025年1月18日起，下学期2月13日报到，2月14日正式上课。请家长督促孩子按时完成寒假作业，"
                           "注意交通、防火和用电安全。") });
}

Status fill(Database& db)
{
    QRandomGenerator rng(20240901);
    Transaction tx(db);
    if (!tx.started())
        return tx.error();

    QStringList numbers;
    QStringList names;
    QVector<int> ability;
    const QString insertStudent = QStringLiteral(
        "insert into tblLogin (学号, 姓名, 性别, 出生年月, 民族, 籍贯, 家庭住址, 联系电话, 父亲姓名, 父亲单位, "
        "母亲姓名, 母亲单位, 毕业于, 毕业至, 备注) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (int i = 1; i <= kStudents; ++i) {
        const bool boy = rng.bounded(2u) == 0;
        const QString surname = pick(rng, kSurnames);
        const QString name = surname + pick(rng, boy ? kBoys : kGirls);
        const QString number = QStringLiteral("2024%1").arg(i, 3, 10, QLatin1Char('0'));
        const QString birth = QStringLiteral("2011-%1-%2")
                                  .arg(int(rng.bounded(1u, 13u)), 2, 10, QLatin1Char('0'))
                                  .arg(int(rng.bounded(1u, 29u)), 2, 10, QLatin1Char('0'));
        const QString address = QStringLiteral("%1%2号%3幢%4室")
                                    .arg(pick(rng, kStreets))
                                    .arg(rng.bounded(1u, 300u))
                                    .arg(rng.bounded(1u, 20u))
                                    .arg(rng.bounded(101u, 1203u));
        const QString phone = QStringLiteral("8%1").arg(rng.bounded(1000000u, 9999999u));
        const bool fatherRetired = rng.bounded(30u) == 0;
        auto r = db.exec(insertStudent,
            { number, name, boy ? QStringLiteral("男") : QStringLiteral("女"), birth,
                rng.bounded(12u) == 0 ? QStringLiteral("回") : QStringLiteral("汉"), pick(rng, kProvinces), address,
                phone, surname + pick(rng, kBoys), fatherRetired ? QStringLiteral("已退休") : pick(rng, kEmployers),
                pick(rng, kSurnames) + pick(rng, kGirls), pick(rng, kEmployers), pick(rng, kPrimary), QString(),
                i % 9 == 0 ? QStringLiteral("班干部") : QString() });
        if (Status s = check(r); !s)
            return s;
        numbers << number;
        names << name;
        ability << int(rng.bounded(60u, 96u));
    }

    auto cls = db.exec(QStringLiteral("update tblClass set 班级代号=?, 班级名称=?, 入学时间=?, 班主任=?, 班级人数=?"),
        { QStringLiteral("0701"), QStringLiteral("初一(1)班"), QStringLiteral("2024-09-01"), QStringLiteral("王丽华"),
            QString::number(kStudents) });
    if (Status s = check(cls); !s)
        return s;

    const QStringList timetable[8] = {
        QStringLiteral("语文 数学 英语 语文 数学").split(QLatin1Char(' ')),
        QStringLiteral("数学 语文 数学 英语 语文").split(QLatin1Char(' ')),
        QStringLiteral("英语 物理 语文 数学 英语").split(QLatin1Char(' ')),
        QStringLiteral("体育 英语 生物 历史 政治").split(QLatin1Char(' ')),
        QStringLiteral("地理 历史 体育 物理 美术").split(QLatin1Char(' ')),
        QStringLiteral("音乐 政治 劳技 地理 体育").split(QLatin1Char(' ')),
        QStringLiteral("生物 美术 健康 音乐 班会").split(QLatin1Char(' ')),
        QStringLiteral("自习 自习 课外活动 自习 大扫除").split(QLatin1Char(' ')),
    };
    for (int p = 0; p < 8; ++p) {
        QVariantList values
            = { timetable[p][0], timetable[p][1], timetable[p][2], timetable[p][3], timetable[p][4], p + 1 };
        auto r = db.exec(
            QStringLiteral("update tblTbl set 星期一=?, 星期二=?, 星期三=?, 星期四=?, 星期五=? where 节次=?"), values);
        if (Status s = check(r); !s)
            return s;
    }

    if (Status committed = tx.commit(); !committed)
        return committed;

    const QVector<DemoTest> tests = {
        { "第一次月考", "2024-10-12", "平时考试", { 0, 1, 2 }, false, false },
        { "期中考试", "2024-11-14", "期中考试1", { 0, 1, 2, 3, 6, 7 }, true, false },
        { "期末考试", "2025-01-16", "期末考试", { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 }, true, true },
    };
    const QStringList& subjects = Schema::subjects();
    for (const DemoTest& test : tests) {
        // As the program defines a test, so that numbering and its counter agree.
        NewTest definition { QString::fromUtf8(test.name), QString::fromUtf8(test.date), QString::fromUtf8(test.type),
            QString(), {} };
        definition.items.subjects = test.subjects;
        definition.items.attendance = test.attendance;
        definition.items.comment = test.comment;
        auto defined = Exams::define(db, definition);
        if (!defined)
            return defined.error();

        QStringList scoreColumns;
        for (int s : test.subjects)
            scoreColumns << subjects[s] + QStringLiteral("=?");
        if (test.attendance) {
            for (const QString& item : Schema::attendanceItems())
                scoreColumns << item + QStringLiteral("=?");
        }
        if (test.comment)
            scoreColumns << QStringLiteral("教师评语=?");
        const QString update
            = QStringLiteral("update %1 set %2 where 学号=?")
                  .arg(Schema::scoreTableName(defined->number), scoreColumns.join(QStringLiteral(", ")));
        Transaction scores(db);
        if (!scores.started())
            return scores.error();
        for (int i = 0; i < numbers.size(); ++i) {
            QVariantList row;
            for (int s : test.subjects) {
                const int points = score(rng, ability[i] + (s == 9 ? 5 : 0), 12);
                // 语文 and 英语 are marked in half points (作文, 听力), as marking systems give them.
                const bool half = test.comment && (s == 0 || s == 2) && (i + s) % 3 == 0;
                row << (half ? QVariant(points - 0.5) : QVariant(points));
            }
            if (test.attendance) {
                const int sick = rng.bounded(10u) == 0 ? int(rng.bounded(1u, 4u)) : 0;
                const int leave = rng.bounded(15u) == 0 ? 1 : 0;
                const int late = rng.bounded(6u) == 0 ? int(rng.bounded(1u, 3u)) : 0;
                row << 90 - sick - leave << sick << 0 << leave << late;
            }
            if (test.comment)
                row << comment(rng, names[i]);
            row << numbers[i];
            auto r = db.exec(update, row);
            if (Status s = check(r); !s)
                return s;
        }
        if (Status committed = scores.commit(); !committed)
            return committed;
    }
    return fillTerm(db, rng, numbers);
}

Status create(const ConnectionSettings& settings, bool overwrite, bool demo)
{
    Status made = SqlDialect::isEmbeddedServer(settings.server) ? Schema::createEmbeddedDatabase(settings, overwrite)
                                                                : Schema::createServerDatabase(settings, overwrite);
    if (!made)
        return made;
    Database db;
    Status filled = db.open(settings);
    if (filled)
        filled = Schema::create(db);
    if (filled)
        filled = Schema::seed(db);
    if (filled && demo)
        filled = fill(db);
    return filled;
}

} // namespace velmora::DemoData
