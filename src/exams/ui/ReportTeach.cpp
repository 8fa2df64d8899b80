#include "exams/ui/ReportTeach.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "classes/ClassSettings.h"
#include "platform/ui/ReportPreview.h"
#include "students/ReportLayout.h"
#include "ui_ReportTeach.h"

#include <QComboBox>
#include <QLabel>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <memory>

namespace velmora {

namespace {

constexpr int kWrap = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextWrapAnywhere;

// Something printed down the page: measured first, painted once its page is known.
struct Piece
{
    double height = 0;
    std::function<void(double top)> draw;
    bool cutBelow = false; // a slip: a dashed line to cut along under it
    bool row = false; // a line of the list: a page that starts with one repeats the column headings
};

class CommentPages
{
public:
    CommentPages(
        QPainter& painter, QPagedPaintDevice* device, const QString& className, const ReportCards::TestCards& test)
        : p(painter)
        , m_device(device)
        , m_class(className.trimmed())
        , m_test(test)
        , mm(painter.device()->logicalDpiY() / 25.4)
    {
        const QRectF area = device->pageLayout().paintRectPixels(device->logicalDpiY());
        m_width = area.width();
        m_height = area.height();
        for (const ReportCards::Card& c : test.cards) {
            if (c.comment.trimmed().isEmpty())
                m_missing << &c;
            else
                m_said << &c;
        }
    }

    int run(ReportTeach::Layout layout, const PrintOut::Progress& progress)
    {
        QVector<Piece> pieces;
        pieces << title(layout);
        if (layout == ReportTeach::Layout::List)
            list(pieces);
        else
            slips(pieces);
        missing(pieces);

        // Pages break only between pieces; the footer holds the page number.
        const double footer = QFontMetricsF(PrintOut::serif(9), p.device()).lineSpacing() + 2 * mm;
        const double room = m_height - footer;
        QVector<QVector<int>> pages(1);
        double y = 0;
        for (int i = 0; i < pieces.size(); ++i) {
            if (y + pieces[i].height > room && !pages.last().isEmpty()) {
                pages.append(QVector<int>());
                y = pieces[i].row ? headerHeight() : 0;
            }
            pages.last() << i;
            y += pieces[i].height;
        }
        for (int n = 0; n < pages.size(); ++n) {
            if (n > 0)
                m_device->newPage();
            double top = 0;
            for (int i : std::as_const(pages[n])) {
                if (pieces[i].row && n > 0 && i == pages[n].first())
                    top += drawHeader(top);
                pieces[i].draw(top);
                top += pieces[i].height;
                if (pieces[i].cutBelow && i != pages[n].last())
                    cut(top - 2 * mm);
            }
            p.setFont(PrintOut::serif(9));
            p.setPen(Qt::black);
            p.drawText(QRectF(0, m_height - footer, m_width, footer), Qt::AlignHCenter | Qt::AlignBottom,
                ReportLayout::pageNumber(n + 1, int(pages.size())));
            if (progress && !progress(n + 1))
                return -1;
        }
        return int(pages.size());
    }

private:
    double measure(const QFont& font, double width, const QString& text)
    {
        p.setFont(font);
        return p.boundingRect(QRectF(0, 0, width, 1e7), kWrap, text).height();
    }

    void write(const QFont& font, const QRectF& box, const QString& text, int align = kWrap)
    {
        p.setFont(font);
        p.drawText(box, align, text);
    }

    QString heading() const { return m_class + m_test.test.name + QStringLiteral(" 学生评语"); }

    Piece title(ReportTeach::Layout layout)
    {
        if (layout == ReportTeach::Layout::Slips) {
            // Each slip names the class and test; the page needs no title.
            return { 0, [](double) {} };
        }
        const QFont font = PrintOut::sans(16, true);
        const double h = measure(font, m_width, heading()) + 3 * mm;
        // The column headings follow the title on the first page.
        Piece piece { h + headerHeight(), {} };
        piece.draw = [this, font, h](double top) {
            write(font, QRectF(0, top, m_width, h), heading(), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);
            drawHeader(top + h);
        };
        return piece;
    }

    // 学号 and 姓名 as wide as their longest value, the comment the rest.
    void columns()
    {
        const QFont body = PrintOut::serif(10.5);
        p.setFont(body);
        m_numberWidth = p.boundingRect(QRectF(0, 0, 1e7, 1e7), 0, QStringLiteral("学号")).width();
        m_nameWidth = p.boundingRect(QRectF(0, 0, 1e7, 1e7), 0, QStringLiteral("姓名")).width();
        for (const ReportCards::Card* c : std::as_const(m_said)) {
            m_numberWidth = std::max(m_numberWidth, p.boundingRect(QRectF(0, 0, 1e7, 1e7), 0, c->number).width());
            m_nameWidth = std::max(m_nameWidth, p.boundingRect(QRectF(0, 0, 1e7, 1e7), 0, c->name).width());
        }
        // A very long 学号 or name wraps rather than squeezing the comment.
        m_numberWidth = std::min(m_numberWidth, m_width / 5) + 4 * mm;
        m_nameWidth = std::min(m_nameWidth, m_width / 5) + 4 * mm;
    }

    double headerHeight() { return QFontMetricsF(PrintOut::sans(10.5, true), p.device()).lineSpacing() + 3 * mm; }

    double drawHeader(double top)
    {
        const double h = headerHeight();
        const QFont font = PrintOut::sans(10.5, true);
        write(font, QRectF(0, top, m_numberWidth, h), QStringLiteral("学号"));
        write(font, QRectF(m_numberWidth, top, m_nameWidth, h), QStringLiteral("姓名"));
        write(font, QRectF(m_numberWidth + m_nameWidth, top, m_width - m_numberWidth - m_nameWidth, h),
            QStringLiteral("评语"));
        p.save();
        p.setPen(QPen(Qt::black, 0.3 * mm));
        p.drawLine(QPointF(0, top + h - 1.5 * mm), QPointF(m_width, top + h - 1.5 * mm));
        p.restore();
        return h;
    }

    void list(QVector<Piece>& pieces)
    {
        columns();
        const QFont body = PrintOut::serif(10.5);
        const double commentWidth = m_width - m_numberWidth - m_nameWidth;
        for (const ReportCards::Card* c : std::as_const(m_said)) {
            const double h
                = std::max({ measure(body, m_numberWidth - 4 * mm, c->number),
                      measure(body, m_nameWidth - 4 * mm, c->name), measure(body, commentWidth, c->comment.trimmed()) })
                + 3 * mm;
            pieces.append(Piece { h,
                [this, c, h, body, commentWidth](double top) {
                    write(body, QRectF(0, top, m_numberWidth - 4 * mm, h), c->number);
                    write(body, QRectF(m_numberWidth, top, m_nameWidth - 4 * mm, h), c->name);
                    write(body, QRectF(m_numberWidth + m_nameWidth, top, commentWidth, h), c->comment.trimmed());
                    p.save();
                    p.setPen(QPen(Qt::lightGray, 0.2 * mm));
                    p.drawLine(QPointF(0, top + h - 1.5 * mm), QPointF(m_width, top + h - 1.5 * mm));
                    p.restore();
                },
                false, true });
        }
    }

    void slips(QVector<Piece>& pieces)
    {
        const QFont who = PrintOut::sans(11, true);
        const QFont small = PrintOut::serif(9);
        const QFont body = PrintOut::serif(10.5);
        const QString source = m_class + QStringLiteral(" ") + m_test.test.name;
        for (const ReportCards::Card* c : std::as_const(m_said)) {
            const QString name = QStringLiteral("学号：") + c->number + QStringLiteral("　姓名：") + c->name;
            const double top = measure(who, m_width * 0.65, name);
            const double text = measure(body, m_width - 6 * mm, c->comment.trimmed());
            const double h = 4 * mm + top + 2 * mm + text + 8 * mm;
            pieces.append(Piece { h,
                [=, this](double y) {
                    write(who, QRectF(3 * mm, y + 4 * mm, m_width * 0.65, top), name);
                    write(small, QRectF(m_width * 0.65, y + 4 * mm, m_width * 0.35 - 3 * mm, top), source,
                        Qt::AlignRight | Qt::AlignTop | Qt::TextWordWrap);
                    write(
                        body, QRectF(3 * mm, y + 4 * mm + top + 2 * mm, m_width - 6 * mm, text), c->comment.trimmed());
                },
                true });
        }
    }

    void missing(QVector<Piece>& pieces)
    {
        const QFont head = PrintOut::sans(10.5, true);
        const QFont body = PrintOut::serif(10.5);
        QString label;
        QStringList who;
        if (m_missing.isEmpty()) {
            label = QStringLiteral("全班%1名学生都已有评语。").arg(m_said.size());
        } else {
            label = QStringLiteral("尚无评语的学生（%1名）：").arg(m_missing.size());
            for (const ReportCards::Card* c : std::as_const(m_missing))
                who << c->number + QStringLiteral(" ") + c->name;
        }
        const QString names = who.join(QStringLiteral("、"));
        const double first = measure(head, m_width, label);
        const double rest = names.isEmpty() ? 0 : measure(body, m_width, names);
        const double h = 6 * mm + first + rest;
        pieces.append(Piece { h,
            [=, this](double top) {
                write(head, QRectF(0, top + 6 * mm, m_width, first), label);
                if (!names.isEmpty())
                    write(body, QRectF(0, top + 6 * mm + first, m_width, rest), names);
            },
            false });
    }

    void cut(double y)
    {
        p.save();
        p.setPen(QPen(Qt::gray, 0.25 * mm, Qt::DashLine));
        p.drawLine(QPointF(0, y), QPointF(m_width, y));
        p.restore();
    }

    QPainter& p;
    QPagedPaintDevice* m_device;
    QString m_class;
    const ReportCards::TestCards& m_test;
    const double mm;
    double m_width = 0;
    double m_height = 0;
    double m_numberWidth = 0;
    double m_nameWidth = 0;
    QVector<const ReportCards::Card*> m_said;
    QVector<const ReportCards::Card*> m_missing;
};

} // namespace

ReportTeach::ReportTeach(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::ReportTeach>())
{
    m_ui->setupUi(this);
    connect(m_ui->BN_Preview, &QPushButton::clicked, this, &ReportTeach::preview);
    connect(m_ui->BN_Close, &QPushButton::clicked, this, &QDialog::reject);
}

ReportTeach::~ReportTeach() = default;

bool ReportTeach::load()
{
    auto tests = Exams::list(m_session.Conn());
    if (!tests) {
        MessageService::error(tests.error());
        return false;
    }
    m_ui->cboTest->clear();
    for (auto it = tests->crbegin(); it != tests->crend(); ++it) {
        if (it->items.comment)
            m_ui->cboTest->addItem(QString::number(it->number) + QStringLiteral("  ") + it->name, it->number);
    }
    if (m_ui->cboTest->count() == 0) {
        MessageService::info(QStringLiteral("还没有记录评语的考试。"));
        return false;
    }
    return true;
}

QPageLayout ReportTeach::pageLayout()
{
    return QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 18, 20, 15), QPageLayout::Millimeter);
}

int ReportTeach::paint(QPagedPaintDevice* device, const QString& className, const ReportCards::TestCards& test,
    Layout layout, const PrintOut::Progress& progress)
{
    QPainter p(device);
    if (!p.isActive())
        return 0;
    const int pages = CommentPages(p, device, className, test).run(layout, progress);
    return p.end() ? pages : (pages < 0 ? -1 : 0);
}

ReportPreview* ReportTeach::preview()
{
    if (m_ui->cboTest->currentIndex() < 0)
        return nullptr;
    auto cards = ReportCards::forTest(m_session.Conn(), m_ui->cboTest->currentData().toInt());
    if (!cards) {
        MessageService::error(cards.error());
        return nullptr;
    }
    auto cls = ClassSettings::load(m_session.Conn());
    const QString className = cls ? cls->name : QString();
    auto test = std::make_shared<ReportCards::TestCards>(*std::move(cards));
    const Layout how = m_ui->optSlips->isChecked() ? Layout::Slips : Layout::List;
    auto paint = [test, className, how](QPagedPaintDevice* device, const PrintOut::Progress& progress) {
        return ReportTeach::paint(device, className, *test, how, progress);
    };
    // The progress counts pages, about one for every four students.
    auto* view = new ReportPreview(
        QStringLiteral("学生评语"), pageLayout(), paint, std::max(1, int(test->cards.size()) / 4), this);
    view->open();
    return view;
}

} // namespace velmora
