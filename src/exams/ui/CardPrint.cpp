#include "exams/ui/CardPrint.h"

#include "data/Schema.h"
#include "exams/Points.h"

#include <QComboBox>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <limits>

namespace velmora::CardPrint {

using ReportCards::Card;
using ReportCards::TestCards;

namespace {

constexpr int kWrap = Qt::TextWordWrap | Qt::TextWrapAnywhere;
const QString kNone = QStringLiteral("—"); // the test does not assess it
const QString kAbsent = QStringLiteral("缺");

QString number(const std::optional<int>& v)
{
    return v ? QString::number(*v) : kNone;
}

QString average(const std::optional<qint64>& tenths)
{
    return tenths ? Points::figureText(*tenths) : kNone;
}

// A score or total; a term grade's in tenths, starred where it is not the whole one.
QString figure(const std::optional<int>& v, int scale, bool starred = false)
{
    if (!v)
        return kNone;
    return Points::textAt(*v, scale) + (starred ? QStringLiteral("*") : QString());
}

// One test's place in the heading: 期末考试（期末）2011-07-01.
QString testTitle(const TestRecord& t)
{
    QString s = t.name;
    if (!t.type.isEmpty() && t.type != t.name)
        s += QStringLiteral("（") + t.type + QStringLiteral("）");
    if (!t.date.isEmpty())
        s += QStringLiteral(" ") + t.date;
    return s;
}

// The subjects any of the tests assesses, in the fixed order.
QVector<int> subjectsOf(const ReportCards::Term& term)
{
    QVector<int> out;
    for (int i = 0; i < Schema::subjects().size(); ++i) {
        for (const TestCards& t : term.tests) {
            if (t.test.items.hasSubject(i)) {
                out << i;
                break;
            }
        }
    }
    return out;
}

struct Table
{
    QStringList groups; // a test's name over its columns, with several tests
    int perGroup = 0;
    QStringList header;
    QVector<QStringList> rows; // the subjects, then the total
};

Table tableOf(const ReportCards::Term& term, const QVector<int>& subjects, const QString& student, const Options& o)
{
    const bool ranks = o.ranks, school = o.schoolRanks && o.ranks;
    const bool scores = o.shown != Shown::Grades, grades = o.shown != Shown::Scores;
    const auto stated = [](const Card* card, const QString& fact) {
        const QString v = card ? card->facts.value(fact) : QString();
        return v.isEmpty() ? kNone : v;
    };
    Table t;
    const bool several = term.tests.size() > 1;
    t.header << QStringLiteral("科目");
    for (const TestCards& tc : term.tests) {
        if (several)
            t.groups << tc.test.name;
        if (scores)
            t.header << QStringLiteral("成绩");
        if (grades)
            t.header << QStringLiteral("等级");
        // Full marks and averages are scores too: a card in bands alone shows none.
        if (scores)
            t.header << QStringLiteral("满分") << (several ? QStringLiteral("平均") : QStringLiteral("班级平均"));
        if (ranks)
            t.header << (several ? QStringLiteral("名次") : QStringLiteral("班级名次"));
        if (school)
            t.header << QStringLiteral("年级名次");
    }
    t.perGroup = int(t.header.size() - 1) / std::max<int>(1, int(term.tests.size()));
    // A score as it stands in a cell, its band beside it; a mark in place of both.
    const auto cells = [&](QStringList& row, const std::optional<int>& score, const QString& mark, bool starred,
                           int full, int scale) {
        const QString missing = mark.isEmpty() ? kAbsent : mark;
        if (scores)
            row << (score && mark.isEmpty() ? figure(score, scale, starred) : missing);
        if (grades)
            row << (score && mark.isEmpty() ? o.grades.bandOf(*score, full * scale) : scores ? kNone : missing);
    };
    for (int s : subjects) {
        QStringList row { Schema::subjects()[s] };
        for (const TestCards& tc : term.tests) {
            const Card* card = tc.card(student);
            const int at = int(tc.test.items.subjects.indexOf(s));
            if (at < 0) {
                for (int k = 0; k < t.perGroup; ++k)
                    row << kNone;
                continue;
            }
            const ReportCards::SubjectLine* line = card ? &card->subjects[at] : nullptr;
            cells(row, line ? line->score : std::nullopt, line ? line->mark : QString(), line && !line->why.isEmpty(),
                tc.test.items.fullMarksOf(s), tc.scale);
            if (scores)
                row << QString::number(tc.test.items.fullMarksOf(s))
                    << average(line ? line->classAverage : std::nullopt);
            if (ranks)
                row << number(line ? line->rank : std::nullopt);
            if (school)
                row << stated(card, Schema::subjects()[s] + QStringLiteral("校次"));
        }
        t.rows << row;
    }
    QStringList total { QStringLiteral("总分") };
    for (const TestCards& tc : term.tests) {
        const Card* card = tc.card(student);
        int full = 0;
        for (int s : tc.test.items.subjects)
            full += tc.test.items.fullMarksOf(s);
        const bool partial = card
            && std::any_of(card->subjects.cbegin(), card->subjects.cend(),
                [](const ReportCards::SubjectLine& l) { return !l.why.isEmpty(); });
        // A partial total has no band, as it has no rank.
        if (scores)
            total << (card && card->total ? figure(card->total, tc.scale, partial) : kNone);
        if (grades)
            total << (card && card->total && card->wholeTotal
                    ? o.grades.bandOf(*card->total, card->totalFullMarks * tc.scale)
                    : kNone);
        if (scores)
            total << QString::number(full) << average(tc.totalAverage);
        if (ranks)
            total << number(card ? card->totalRank : std::nullopt);
        if (school)
            total << stated(card, QStringLiteral("校次"));
    }
    t.rows << total;
    return t;
}

// Lays out one card from the top of its slot, painting it when `draw`.
// Returns the height it takes, or infinity when its table is too wide.
class CardLayout
{
public:
    CardLayout(QPainter& painter, const ReportCards::Term& term, const QVector<int>& subjects, const Options& options)
        : p(painter)
        , m_term(term)
        , m_subjects(subjects)
        , m_options(options)
        , mm(painter.device()->logicalDpiY() / 25.4)
    { }

    double run(int student, const QRectF& slot, double scale, int blocks, bool draw)
    {
        m_draw = draw;
        m_slot = slot;
        m_scale = scale;
        y = slot.top();
        const auto& [number, name] = m_term.students[student];

        QString title = m_term.className.trimmed();
        title += QStringLiteral("学生成绩报告单");
        text(PrintOut::sans(16 * scale, true), title, Qt::AlignHCenter);
        QStringList tests;
        for (const TestCards& t : m_term.tests)
            tests << testTitle(t.test);
        text(PrintOut::serif(10 * scale), tests.join(QStringLiteral("；")), Qt::AlignHCenter);
        space(2);
        text(PrintOut::sans(12 * scale, true), QStringLiteral("学号：") + number + QStringLiteral("　　姓名：") + name,
            Qt::AlignLeft);
        space(1);
        if (!table(tableOf(m_term, m_subjects, number, m_options), blocks))
            return std::numeric_limits<double>::infinity();
        space(2);
        starred(number);
        attendance(number);
        comment(number);
        if (m_options.ranks && chartedTests().size() > 1)
            rankChart(number);
        signature();
        return y - slot.top();
    }

private:
    void space(double millimetres) { y += millimetres * mm * m_scale; }

    // The tests a rank is charted across: a term grade sums them up, it is not one of them.
    QVector<const TestCards*> chartedTests() const
    {
        QVector<const TestCards*> out;
        for (const TestCards& t : m_term.tests) {
            if (!t.termGrade)
                out << &t;
        }
        return out;
    }

    void text(const QFont& font, const QString& s, int align)
    {
        p.setFont(font);
        const QRectF box(m_slot.left(), y, m_slot.width(), 1e7);
        const QRectF used = p.boundingRect(box, align | kWrap, s);
        if (m_draw)
            p.drawText(QRectF(box.left(), y, box.width(), used.height()), align | kWrap, s);
        y += used.height();
    }

    bool table(const Table& t, int blocks)
    {
        const QFont body = PrintOut::serif(10 * m_scale);
        const QFont head = PrintOut::sans(9.5 * m_scale, true);
        const int columns = int(t.header.size());
        const double pad = 1.5 * mm * m_scale;
        QVector<double> widths(columns, 0);
        p.setFont(head);
        for (int c = 0; c < columns; ++c)
            widths[c] = p.boundingRect(QRectF(0, 0, 1e7, 1e7), 0, t.header[c]).width();
        p.setFont(body);
        for (const QStringList& row : t.rows) {
            for (int c = 0; c < columns; ++c)
                widths[c] = std::max(widths[c], p.boundingRect(QRectF(0, 0, 1e7, 1e7), 0, row[c]).width());
        }
        double natural = 0;
        for (double& w : widths) {
            w += 2 * pad;
            natural += w;
        }
        const double gap = 4 * mm * m_scale;
        const double blockWidth = (m_slot.width() - gap * (blocks - 1)) / blocks;
        if (natural > blockWidth)
            return false;
        // Numbers get the room to spare; the subject keeps its width.
        const double spare = (blockWidth - natural) / std::max(1, columns - 1);
        for (int c = 1; c < columns; ++c)
            widths[c] += spare;

        const double rowHeight = QFontMetricsF(body, p.device()).lineSpacing() * 1.5;
        double groupHeight = 0;
        if (!t.groups.isEmpty()) {
            p.setFont(head);
            for (int g = 0; g < t.groups.size(); ++g) {
                double span = 0;
                for (int c = 1 + g * t.perGroup; c < 1 + (g + 1) * t.perGroup; ++c)
                    span += widths[c];
                groupHeight = std::max(groupHeight,
                    p.boundingRect(QRectF(0, 0, span - 2 * pad, 1e7), Qt::AlignCenter | kWrap, t.groups[g]).height());
            }
            groupHeight += pad;
        }
        const int bodyRows = int(t.rows.size());
        const int perBlock = (bodyRows + blocks - 1) / blocks;
        if (m_draw) {
            p.save();
            p.setPen(QPen(Qt::black, 0.25 * mm));
            for (int b = 0; b < blocks; ++b) {
                const double left = m_slot.left() + b * (blockWidth + gap);
                double top = y;
                if (!t.groups.isEmpty()) {
                    p.setFont(head);
                    double x = left + widths[0];
                    p.fillRect(QRectF(left, top, blockWidth, groupHeight + rowHeight), QColor(232, 232, 232));
                    const QRectF corner(left, top, widths[0], groupHeight + rowHeight);
                    p.drawRect(corner);
                    p.drawText(corner, Qt::AlignCenter, t.header[0]);
                    for (int g = 0; g < t.groups.size(); ++g) {
                        double span = 0;
                        for (int c = 1 + g * t.perGroup; c < 1 + (g + 1) * t.perGroup; ++c)
                            span += widths[c];
                        const QRectF cell(x, top, span, groupHeight);
                        p.drawRect(cell);
                        p.drawText(cell.adjusted(pad, 0, -pad, 0), Qt::AlignCenter | kWrap, t.groups[g]);
                        x += span;
                    }
                    top += groupHeight;
                } else {
                    p.fillRect(QRectF(left, top, blockWidth, rowHeight), QColor(232, 232, 232));
                }
                row(t.header, widths, left, top, rowHeight, head, !t.groups.isEmpty());
                top += rowHeight;
                for (int r = b * perBlock; r < std::min(bodyRows, (b + 1) * perBlock); ++r) {
                    row(t.rows[r], widths, left, top, rowHeight, r == bodyRows - 1 ? head : body, false);
                    top += rowHeight;
                }
            }
            p.restore();
        }
        y += groupHeight + rowHeight * (1 + perBlock);
        return true;
    }

    void row(const QStringList& cells, const QVector<double>& widths, double left, double top, double height,
        const QFont& font, bool skipFirst)
    {
        p.setFont(font);
        double x = left + (skipFirst ? widths[0] : 0);
        for (int c = skipFirst ? 1 : 0; c < cells.size(); ++c) {
            const QRectF cell(x, top, widths[c], height);
            p.drawRect(cell);
            p.drawText(cell, Qt::AlignCenter, cells[c]);
            x += widths[c];
        }
    }

    // What a star in the table stands for.
    void starred(const QString& student)
    {
        QStringList notes;
        for (const TestCards& t : m_term.tests) {
            const Card* card = t.card(student);
            for (const ReportCards::SubjectLine& line : card ? card->subjects : QVector<ReportCards::SubjectLine>()) {
                if (!line.why.isEmpty())
                    notes << QStringLiteral("%1%2：%3").arg(t.test.name, line.subject, line.why);
            }
        }
        if (notes.isEmpty())
            return;
        text(PrintOut::serif(9 * m_scale), QStringLiteral("* ") + notes.join(QStringLiteral("；")), Qt::AlignLeft);
        space(1);
    }

    void attendance(const QString& student)
    {
        const bool several = m_term.tests.size() > 1;
        for (const TestCards& t : m_term.tests) {
            if (!t.test.items.attendance)
                continue;
            const Card* card = t.card(student);
            QStringList parts;
            for (int i = 0; i < Schema::attendanceItems().size(); ++i) {
                parts << Schema::attendanceItems()[i] + QStringLiteral("：")
                        + (card ? card->attendance.value(i) : QString());
            }
            const QString label = several ? t.test.name + QStringLiteral("考勤：") : QStringLiteral("考勤：");
            text(PrintOut::serif(10 * m_scale), label + parts.join(QStringLiteral("　")), Qt::AlignLeft);
            space(1);
        }
    }

    void comment(const QString& student)
    {
        const auto [test, said] = m_term.comment(student);
        if (said.isEmpty())
            return;
        QString label = QStringLiteral("班主任评语");
        if (m_term.tests.size() > 1)
            label += QStringLiteral("（") + test + QStringLiteral("）");
        space(1);
        text(PrintOut::sans(10 * m_scale, true), label + QStringLiteral("："), Qt::AlignLeft);
        QString body = said;
        body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text(PrintOut::serif(10.5 * m_scale), body.trimmed(), Qt::AlignLeft);
        space(2);
    }

    // The total's rank in each test, the oldest on the left; 1 at the top.
    void rankChart(const QString& student)
    {
        const double height = 30 * mm * m_scale;
        const double width = std::min(m_slot.width(), 120 * mm * m_scale);
        const QFont small = PrintOut::serif(8 * m_scale);
        const double line = QFontMetricsF(small, p.device()).lineSpacing();
        space(1);
        text(PrintOut::sans(9.5 * m_scale, true), QStringLiteral("总分名次变化"), Qt::AlignLeft);
        if (m_draw) {
            const QVector<const TestCards*> charted = chartedTests();
            const int n = int(charted.size());
            int worst = 1;
            for (const TestCards* t : charted)
                worst = std::max(worst, t->ranked);
            const QRectF plot(m_slot.left() + 2 * line, y + line, width - 4 * line, height - 3 * line);
            p.save();
            p.setFont(small);
            p.setPen(QPen(Qt::gray, 0.2 * mm));
            p.drawLine(plot.topLeft(), plot.bottomLeft());
            p.drawLine(plot.bottomLeft(), plot.bottomRight());
            p.drawText(
                QRectF(m_slot.left(), plot.top() - line / 2, 2 * line - mm, line), Qt::AlignRight, QStringLiteral("1"));
            p.drawText(QRectF(m_slot.left(), plot.bottom() - line / 2, 2 * line - mm, line), Qt::AlignRight,
                QString::number(worst));
            QPainterPath path;
            bool started = false;
            const double step = n > 1 ? plot.width() / (n - 1) : 0;
            for (int i = 0; i < n; ++i) {
                const TestCards& t = *charted[n - 1 - i];
                const double x = plot.left() + step * i;
                p.setPen(Qt::black);
                // The test's name under its point: the first and the last
                // reach inward, so they stay inside the chart.
                const double labelWidth = std::clamp(step, 20 * mm * m_scale, 40 * mm * m_scale);
                QRectF label(x - labelWidth / 2, plot.bottom() + mm, labelWidth, line);
                int align = Qt::AlignHCenter;
                if (i == 0 && n > 1) {
                    label.moveLeft(x - 2 * mm);
                    align = Qt::AlignLeft;
                } else if (i == n - 1 && n > 1) {
                    label.moveRight(x + 2 * mm);
                    align = Qt::AlignRight;
                }
                p.drawText(label, align, p.fontMetrics().elidedText(t.test.name, Qt::ElideRight, int(labelWidth)));
                const Card* card = t.card(student);
                if (!card || !card->totalRank)
                    continue;
                const double fy
                    = worst > 1 ? plot.top() + plot.height() * (*card->totalRank - 1) / (worst - 1) : plot.top();
                const QPointF at(x, fy);
                if (started)
                    path.lineTo(at);
                else
                    path.moveTo(at);
                started = true;
                p.setBrush(Qt::black);
                p.drawEllipse(at, 0.8 * mm, 0.8 * mm);
                p.drawText(QRectF(x - 10 * mm, fy - line - mm, 20 * mm, line), Qt::AlignHCenter,
                    QStringLiteral("第%1名").arg(*card->totalRank));
            }
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Qt::black, 0.3 * mm));
            p.drawPath(path);
            p.restore();
        }
        y += height;
    }

    void signature()
    {
        const QFont font = PrintOut::serif(10.5 * m_scale);
        p.setFont(font);
        const QFontMetricsF metrics(font, p.device());
        space(4);
        const double base = y + metrics.ascent();
        if (m_draw) {
            if (!m_term.teacher.trimmed().isEmpty())
                p.drawText(QPointF(m_slot.left(), base), QStringLiteral("班主任：") + m_term.teacher.trimmed());
            const QString sign = QStringLiteral("家长签字：");
            const QString date = QStringLiteral("日期：");
            const double signLine = 40 * mm * m_scale;
            const double dateLine = 30 * mm * m_scale;
            double x = m_slot.right() - dateLine - metrics.horizontalAdvance(date) - 6 * mm * m_scale - signLine
                - metrics.horizontalAdvance(sign);
            p.drawText(QPointF(x, base), sign);
            x += metrics.horizontalAdvance(sign);
            p.drawLine(QPointF(x, base + mm / 2), QPointF(x + signLine, base + mm / 2));
            x += signLine + 6 * mm * m_scale;
            p.drawText(QPointF(x, base), date);
            x += metrics.horizontalAdvance(date);
            p.drawLine(QPointF(x, base + mm / 2), QPointF(x + dateLine, base + mm / 2));
        }
        y += metrics.lineSpacing() + mm;
    }

    QPainter& p;
    const ReportCards::Term& m_term;
    const QVector<int>& m_subjects;
    const Options& m_options;
    const double mm; // pixels
    bool m_draw = false;
    QRectF m_slot;
    double m_scale = 1;
    double y = 0;
};

} // namespace

// Below this the type would be too small to read.
constexpr double kSmallest = 0.4;

// Where each card goes on a page: the whole page, or its two halves.
QVector<QRectF> slotsOf(QPagedPaintDevice* device, Paper paper)
{
    const double dpi = device->logicalDpiY();
    const QRectF area = device->pageLayout().paintRectPixels(int(dpi));
    const QRectF page(0, 0, area.width(), area.height());
    const QSizeF paper_mm = device->pageLayout().fullRect(QPageLayout::Millimeter).size();
    if (paper != Paper::A5 || std::max(paper_mm.width(), paper_mm.height()) < 250)
        return { page };
    // The margin either side of the cutting line.
    const double gap = 12 * dpi / 25.4;
    if (page.width() > page.height()) {
        const double w = (page.width() - gap) / 2;
        return { QRectF(0, 0, w, page.height()), QRectF(w + gap, 0, w, page.height()) };
    }
    const double h = (page.height() - gap) / 2;
    return { QRectF(0, 0, page.width(), h), QRectF(0, h + gap, page.width(), h) };
}

void cuttingLine(QPainter& p, const QVector<QRectF>& slots)
{
    if (slots.size() < 2)
        return;
    p.save();
    p.setPen(QPen(Qt::gray, p.device()->logicalDpiY() / 254.0, Qt::DashLine));
    if (slots[1].left() > slots[0].left()) {
        const double x = (slots[0].right() + slots[1].left()) / 2;
        p.drawLine(QPointF(x, slots[0].top()), QPointF(x, slots[0].bottom()));
    } else {
        const double y = (slots[0].bottom() + slots[1].top()) / 2;
        p.drawLine(QPointF(slots[0].left(), y), QPointF(slots[0].right(), y));
    }
    p.restore();
}

void fillShown(QComboBox* box)
{
    box->addItem(QStringLiteral("分数"), int(Shown::Scores));
    box->addItem(QStringLiteral("等级"), int(Shown::Grades));
    box->addItem(QStringLiteral("分数和等级"), int(Shown::Both));
    box->setToolTip(QStringLiteral("义务教育阶段按等级报告成绩；等级标准在“班级设置”中修改"));
}

QPageLayout pageLayout(Paper paper, bool oneStudent)
{
    const QMarginsF margins(15, 15, 15, 15);
    if (paper == Paper::A5 && oneStudent)
        return QPageLayout(
            QPageSize(QPageSize::A5), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
        paper == Paper::A5 ? QMarginsF(12, 12, 12, 12) : margins, QPageLayout::Millimeter);
}

int paint(QPagedPaintDevice* device, const ReportCards::Term& term, const QVector<int>& students,
    const Options& options, const PrintOut::Progress& progress, QVector<double>* scales)
{
    QPainter p(device);
    if (!p.isActive())
        return 0;
    const QVector<QRectF> slots = slotsOf(device, options.paper);
    const QVector<int> subjects = subjectsOf(term);
    CardLayout layout(p, term, subjects, options);
    int pages = 0;
    for (int i = 0; i < students.size(); ++i) {
        const int slot = i % slots.size();
        if (slot == 0) {
            if (pages > 0)
                device->newPage();
            ++pages;
            cuttingLine(p, slots);
        }
        const QRectF area = slots[slot];
        // The largest type at which the card fits; many subjects may sit in
        // two tables side by side.
        const int mostBlocks = subjects.size() >= 7 ? 2 : 1;
        double scale = kSmallest;
        int blocks = mostBlocks;
        bool fits = false;
        for (int step = 0; !fits && 1 - step * 0.05 >= kSmallest - 1e-9; ++step) {
            for (int b = 1; !fits && b <= mostBlocks; ++b) {
                fits = layout.run(students[i], area, 1 - step * 0.05, b, false) <= area.height();
                if (fits) {
                    scale = 1 - step * 0.05;
                    blocks = b;
                }
            }
        }
        if (scales)
            *scales << scale;
        p.save();
        p.setClipRect(area);
        layout.run(students[i], area, scale, blocks, true);
        p.restore();
        if (progress && !progress(i + 1)) {
            p.end();
            return -1;
        }
    }
    if (students.isEmpty()) {
        p.setFont(PrintOut::serif(12));
        p.drawText(slots[0], Qt::AlignCenter, QStringLiteral("没有要打印的学生。"));
        pages = 1;
    }
    return p.end() ? pages : 0;
}

} // namespace velmora::CardPrint
