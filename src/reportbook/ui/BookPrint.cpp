#include "reportbook/ui/BookPrint.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>

namespace velmora::BookPrint {

namespace {

constexpr int kWrap = Qt::TextWordWrap | Qt::TextWrapAnywhere;
constexpr int kSubjectsPerRow = 7;
constexpr double kLargest = 1.4; // a page of its own has room for larger type
constexpr double kSmallest = 0.5;
const QString kNone = QStringLiteral("—");

// One page laid out from the top of its area; draws only when asked, so the
// same steps measure it first.
class PageLayout
{
public:
    PageLayout(QPainter& p, const TermBook::Book& book, const QRectF& area, double scale, bool draw)
        : m_p(p)
        , m_book(book)
        , m_area(area)
        , m_scale(scale)
        , m_draw(draw)
        , m_y(area.top())
    { }

    double run(const TermBook::Page& page)
    {
        QFont title = PrintOut::serif(18 * m_scale);
        title.setBold(true);
        m_p.setFont(title);
        text(QStringLiteral("学生素质报告书"), Qt::AlignHCenter);
        m_p.setFont(PrintOut::serif(11 * m_scale));
        QStringList heading { m_book.school, m_book.className, m_book.term };
        heading.removeAll(QString());
        text(heading.join(QStringLiteral("　")), Qt::AlignHCenter);
        gap(0.6);
        text(QStringLiteral("学号：%1　　姓名：%2").arg(page.number, page.name), Qt::AlignLeft);
        gap(0.4);
        section(m_book.studies.isEmpty() ? QStringLiteral("学业") : QStringLiteral("学业（%1）").arg(m_book.studies));
        studies(page.subjects);
        section(QStringLiteral("出勤"));
        text(Attendance::summary(page.attendance), Qt::AlignLeft);
        section(QStringLiteral("操行等级"));
        text(page.conduct.grade.isEmpty() ? kNone : page.conduct.grade, Qt::AlignLeft);
        section(QStringLiteral("班主任评语"));
        text(page.words.comment.trimmed().isEmpty() ? kNone : page.words.comment.trimmed(), Qt::AlignLeft);
        section(QStringLiteral("奖惩和荣誉"));
        text(page.words.honours.trimmed().isEmpty() ? kNone : page.words.honours.trimmed(), Qt::AlignLeft);
        section(QStringLiteral("家长意见"));
        for (int i = 0; i < 3; ++i)
            blankLine();
        text(QStringLiteral("家长签名：＿＿＿＿＿＿　　日期：＿＿＿＿＿＿"), Qt::AlignRight);
        if (!m_book.notice.trimmed().isEmpty()) {
            section(QStringLiteral("假期通知"));
            text(m_book.notice.trimmed(), Qt::AlignLeft);
        }
        gap(0.6);
        if (!m_book.teacher.isEmpty())
            text(QStringLiteral("班主任：%1").arg(m_book.teacher), Qt::AlignRight);
        return m_y - m_area.top();
    }

private:
    double line() const { return QFontMetricsF(m_p.font(), m_p.device()).height(); }

    void gap(double lines) { m_y += line() * lines; }

    void text(const QString& s, int align)
    {
        const QRectF room(m_area.left(), m_y, m_area.width(), 1e6);
        const QRectF used = m_p.boundingRect(room, align | kWrap, s);
        if (m_draw)
            m_p.drawText(QRectF(m_area.left(), m_y, m_area.width(), used.height()), align | kWrap, s);
        m_y += used.height();
    }

    void section(const QString& title)
    {
        gap(0.4);
        QFont bold = PrintOut::serif(12 * m_scale);
        bold.setBold(true);
        m_p.save();
        m_p.setFont(bold);
        text(title, Qt::AlignLeft);
        m_p.restore();
    }

    void blankLine()
    {
        gap(1.2);
        if (m_draw)
            m_p.drawLine(QPointF(m_area.left(), m_y), QPointF(m_area.right(), m_y));
        gap(0.2);
    }

    // A table of subjects and what stands for each, seven to a row.
    void studies(const QVector<Slips::Item>& items)
    {
        if (items.isEmpty()) {
            text(QStringLiteral("没有本次的成绩。"), Qt::AlignLeft);
            return;
        }
        const double h = line() * 1.5;
        for (int from = 0; from < items.size(); from += kSubjectsPerRow) {
            const double w = m_area.width() / kSubjectsPerRow;
            for (int row = 0; row < 2; ++row) {
                for (int i = from; i < std::min<int>(items.size(), from + kSubjectsPerRow); ++i) {
                    const QRectF cell(m_area.left() + (i - from) * w, m_y, w, h);
                    if (m_draw) {
                        m_p.drawRect(cell);
                        m_p.drawText(cell, Qt::AlignCenter, row == 0 ? items[i].name : items[i].cell(m_book.shown));
                    }
                }
                m_y += h;
            }
            gap(0.3);
        }
    }

    QPainter& m_p;
    const TermBook::Book& m_book;
    QRectF m_area;
    double m_scale;
    bool m_draw;
    double m_y;
};

// At the largest type, down to the smallest, at which the page fits its area.
void paintPage(QPainter& p, const TermBook::Book& book, const TermBook::Page& page, const QRectF& area)
{
    double scale = kLargest;
    while (scale - 0.05 >= kSmallest - 1e-9 && PageLayout(p, book, area, scale, false).run(page) > area.height())
        scale -= 0.05;
    p.save();
    p.setClipRect(area);
    PageLayout(p, book, area, scale, true).run(page);
    p.restore();
}

} // namespace

int paint(QPagedPaintDevice* device, const TermBook::Book& book, const QVector<int>& pages, CardPrint::Paper paper,
    const PrintOut::Progress& progress)
{
    QPainter p(device);
    if (!p.isActive())
        return 0;
    const QVector<QRectF> slots = CardPrint::slotsOf(device, paper);
    int painted = 0;
    for (int i = 0; i < pages.size(); ++i) {
        const int slot = i % slots.size();
        if (slot == 0) {
            if (painted > 0)
                device->newPage();
            ++painted;
            CardPrint::cuttingLine(p, slots);
        }
        paintPage(p, book, book.pages[pages[i]], slots[slot]);
        if (progress && !progress(i + 1)) {
            p.end();
            return -1;
        }
    }
    if (pages.isEmpty()) {
        p.setFont(PrintOut::serif(12));
        p.drawText(slots[0], Qt::AlignCenter, QStringLiteral("没有要打印的学生。"));
        painted = 1;
    }
    return p.end() ? painted : 0;
}

QImage image(const TermBook::Book& book, int page)
{
    // An A5 page at 200 dots an inch: sharp on a phone, small to send.
    constexpr int kDpi = 200;
    QImage out(qRound(148 / 25.4 * kDpi), qRound(210 / 25.4 * kDpi), QImage::Format_RGB32);
    out.setDotsPerMeterX(qRound(kDpi / 0.0254));
    out.setDotsPerMeterY(qRound(kDpi / 0.0254));
    out.fill(Qt::white);
    QPainter p(&out);
    const double margin = 10 / 25.4 * kDpi;
    paintPage(p, book, book.pages[page], QRectF(out.rect()).adjusted(margin, margin, -margin, -margin));
    return out;
}

} // namespace velmora::BookPrint
