#include "exams/ui/ScoreImportDialog.h"

#include "data/Schema.h"
#include "exams/Questions.h"
#include "exams/ScoreTable.h"
#include "sheets/SheetReader.h"
#include "ui_ScoreImportDialog.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace velmora {

namespace {
const QColor kUnmatched(255, 205, 210);

// A column taken as a question, as (caption, code): named as the header
// reads (语文 第3题), or by the header itself.
std::pair<QString, QString> questionChoice(const QString& header)
{
    const auto q = ScoreImport::question(header);
    const QString number = q ? q->subject + q->number : header;
    const QString subject = Questions::subjectOf(number);
    const QString caption
        = q ? (subject.isEmpty() ? QString() : subject + QLatin1Char(' ')) + Questions::label(number) : header;
    return { QStringLiteral("小题：") + caption, QStringLiteral("小题:") + number };
}

// What a column may fill, as (caption, code): the keys, the test's columns,
// an export's facts, a question, nothing.
QList<std::pair<QString, QString>> choices(const QStringList& items, const QString& header)
{
    QList<std::pair<QString, QString>> out { { QStringLiteral("（不导入）"), QString() },
        { QStringLiteral("学号"), QStringLiteral("学号") }, { QStringLiteral("考号"), QStringLiteral("考号") },
        { QStringLiteral("姓名"), QStringLiteral("姓名") }, { QStringLiteral("班级"), QStringLiteral("班级") } };
    for (const QString& item : items)
        out.push_back({ item, QStringLiteral("项目:") + item });
    QStringList facts { QStringLiteral("总分"), QStringLiteral("班次"), QStringLiteral("校次") };
    for (const QString& subject : Schema::subjects()) {
        if (items.contains(subject))
            facts << subject + QStringLiteral("班次") << subject + QStringLiteral("校次")
                  << subject + QStringLiteral("年级平均");
    }
    for (const QString& fact : std::as_const(facts))
        out.push_back({ QStringLiteral("成绩单：") + fact, QStringLiteral("信息:") + fact });
    out.push_back(questionChoice(header));
    return out;
}
} // namespace

ScoreImportDialog::ScoreImportDialog(const SheetTable& sheet, const ScoreTable& table, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::ScoreImportDialog>())
    , m_sheet(sheet)
    , m_table(table)
    , m_found(ScoreImport::detect(sheet, table.itemNames()))
    , m_layout(table.layoutOf(sheet))
{
    m_ui->setupUi(this);
    m_ui->lblSheet->setText(m_ui->lblSheet->text().arg(sheet.title));
    fillPreview(sheet, table);
    connect(m_ui->BN_Import, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->BN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    replan();
    m_ui->Grid->resizeColumnsToContents();
}

ScoreImportDialog::~ScoreImportDialog() = default;

// A combo per column of the sheet in row 0, then the sheet's first rows.
void ScoreImportDialog::fillPreview(const SheetTable& sheet, const ScoreTable& table)
{
    const int columns = int(m_layout.columns.size());
    const int first = qMax(0, m_layout.firstRow);
    const int shown = qBound(0, int(sheet.rows.size()) - first, kShownRows);
    m_ui->Grid->setColumnCount(columns + 1);
    m_ui->Grid->setRowCount(1 + shown);
    QStringList headers;
    for (int c = 0; c < columns; ++c) {
        const ScoreImport::Column& column = m_layout.columns[c];
        headers << column.header;
        auto* box = new QComboBox(m_ui->Grid);
        box->setObjectName(QStringLiteral("cmbColumn%1").arg(c));
        for (const auto& [caption, code] : choices(table.itemNames(), column.header))
            box->addItem(caption, code);
        // A mapping remembered from an older file stays what it was.
        if (const QString kept = ScoreImport::code(column); !kept.isEmpty() && box->findData(kept) < 0)
            box->addItem(kept, kept);
        box->setCurrentIndex(qMax(0, box->findData(ScoreImport::code(column))));
        connect(box, &QComboBox::currentIndexChanged, this, [this, c] { choose(c); });
        m_ui->Grid->setCellWidget(0, c, box);
        m_boxes << box;
    }
    headers << QStringLiteral("学生");
    m_ui->Grid->setHorizontalHeaderLabels(headers);
    QStringList rowNumbers { QStringLiteral("项目") };
    for (int r = 0; r < shown; ++r) {
        rowNumbers << QString::number(first + r + 1);
        for (int c = 0; c < columns; ++c) {
            if (const QString text = SheetReader::cellText(sheet.rows[first + r].value(c)); !text.isEmpty())
                m_ui->Grid->setItem(1 + r, c, new QTableWidgetItem(text));
        }
    }
    m_ui->Grid->setVerticalHeaderLabels(rowNumbers);
}

void ScoreImportDialog::take(int c, const QString& code)
{
    const double fullMarks = m_layout.columns[c].fullMarks;
    m_layout.columns[c] = ScoreImport::fromCode(code, m_layout.columns[c].header);
    m_layout.columns[c].fullMarks = fullMarks;
}

// A subject's questions go together: one taken or left out takes or leaves
// out every question of that subject the file holds.
void ScoreImportDialog::choose(int c)
{
    const QString code = m_boxes[c]->currentData().toString();
    take(c, code);
    const auto questionOf = [this](int column) -> std::optional<QString> {
        if (column >= m_found.columns.size() || m_found.columns[column].role != ScoreImport::Role::Question)
            return std::nullopt;
        return Questions::subjectOf(m_found.columns[column].name);
    };
    const auto subject = questionOf(c);
    const QString own = questionChoice(m_layout.columns[c].header).second;
    if (subject && (code.isEmpty() || code == own)) {
        for (int other = 0; other < m_boxes.size(); ++other) {
            if (other == c || questionOf(other) != subject)
                continue;
            const QString theirs = code.isEmpty() ? QString() : questionChoice(m_layout.columns[other].header).second;
            const QSignalBlocker quiet(m_boxes[other]);
            m_boxes[other]->setCurrentIndex(qMax(0, m_boxes[other]->findData(theirs)));
            take(other, theirs);
        }
    }
    replan();
}

void ScoreImportDialog::replan()
{
    const ScoreImport::Matching matching = m_table.matchRows(m_sheet, m_layout);
    const int first = qMax(0, m_layout.firstRow);
    const int status = m_ui->Grid->columnCount() - 1;
    QHash<int, QString> why; // sheet row -> the reason it has no student
    for (const QString& line : matching.unmatched)
        why.insert(line.section(QLatin1Char(' '), 1, 1).toInt() - 1, line.section(QStringLiteral("："), 1));
    int matched = 0;
    for (int at : matching.owner)
        matched += at >= 0;
    for (int r = 1; r < m_ui->Grid->rowCount(); ++r) {
        const int row = first + r - 1;
        const int at = matching.owner.value(row, -1);
        const QString text = at >= 0 ? QStringLiteral("%1 %2").arg(m_table.number(at), m_table.name(at))
                                     : why.value(row, QStringLiteral("其他班级或空行，不填入"));
        m_ui->Grid->setItem(r, status, new QTableWidgetItem(text));
        for (int c = 0; c <= status; ++c) {
            if (QTableWidgetItem* item = m_ui->Grid->item(r, c))
                item->setBackground(at >= 0 || !why.contains(row) ? QBrush() : QBrush(kUnmatched));
        }
    }
    QStringList filled;
    for (const ScoreImport::Column& c : std::as_const(m_layout.columns)) {
        if (c.role == ScoreImport::Role::Item && !filled.contains(c.name))
            filled << c.name;
    }
    QString summary = filled.isEmpty()
        ? QStringLiteral("没有选择要填入的科目。")
        : QStringLiteral("将填入 %1 名学生的%2").arg(matched).arg(filled.join(QStringLiteral("、")));
    if (!matching.unmatched.isEmpty())
        summary += QStringLiteral("，%1 行找不到对应的学生").arg(matching.unmatched.size());
    if (matching.otherClass > 0)
        summary += QStringLiteral("，其他班级 %1 行").arg(matching.otherClass);
    if (matching.examAsNumber)
        summary += QStringLiteral("。考号列的值就是本班的学号，已按学号匹配");
    m_ui->lblSummary->setText(summary);
    m_ui->BN_Import->setEnabled(!filled.isEmpty() && matched > 0);
}

QVector<std::pair<QString, QString>> ScoreImportDialog::changedColumns() const
{
    QVector<std::pair<QString, QString>> out;
    for (int c = 0; c < m_layout.columns.size() && c < m_found.columns.size(); ++c) {
        const QString now = ScoreImport::code(m_layout.columns[c]);
        if (now != ScoreImport::code(m_found.columns[c]) && !m_layout.columns[c].header.isEmpty())
            out.push_back({ m_layout.columns[c].header, now });
    }
    return out;
}

} // namespace velmora
