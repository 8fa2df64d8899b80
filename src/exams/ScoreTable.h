#pragma once

#include "classes/GradeBands.h"
#include "classes/StatsRules.h"
#include "data/Database.h"
#include "data/UserRights.h"
#include "exams/ClassFigures.h"
#include "exams/Questions.h"
#include "exams/ScoreImport.h"
#include "exams/TestRecord.h"
#include "sheets/SheetTable.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QStringList>
#include <QVector>
#include <optional>

namespace velmora {

// A whole test on one sheet: a row per student of the score table in 学号
// order, a column per subject, then the attendance items and the comment when
// the test records them, and a last row of figures per subject. Every cell
// is checked as it is typed; nothing is written until save().
class ScoreTable : public QAbstractTableModel
{
    Q_OBJECT

public:
    // A fact column holds what a marking system's export stated (总分, 班次,
    // 校次 …): after the test's own columns, read-only, saved with them.
    enum class Kind { Score, Days, Comment, Fact };
    // What a cell holds against what was read; the window colours it.
    enum class CellState { Stored, Changed, Refused, Imported, ReadOnly };
    static constexpr int StateRole = Qt::UserRole + 1;
    // True for a cell whose text wants more than one line to edit.
    static constexpr int LongTextRole = Qt::UserRole + 2;
    // True for a score cell holding a mark (缺考 …) instead of a score.
    static constexpr int MarkRole = Qt::UserRole + 3;
    struct Column
    {
        QString name;
        Kind kind;
        int max; // the highest score or count, or the comment's length
        int subject; // index into the fixed list, -1 for the other columns
        bool halves = false; // a score column taking half points
    };
    struct Cell
    {
        int row;
        int column;
        QString text;
    };
    // Over the entered scores of one subject.
    struct Figures
    {
        int entered = 0;
        int total = 0;
        std::optional<qint64> averageTenths;
        int highest = 0; // in tenths
        int lowest = 0;
    };

    explicit ScoreTable(QObject* parent = nullptr);

    Status load(const Database& db, const TestRecord& test);
    const TestRecord& test() const { return m_test; }
    int students() const { return int(m_numbers.size()); }
    const Column& column(int c) const
    {
        return c < m_columns.size() ? m_columns[c] : m_factColumns[c - m_columns.size()];
    }
    // The test's own columns, before the facts.
    int itemColumns() const { return int(m_columns.size()); }
    QString number(int row) const { return m_numbers.value(row); }
    // 学号 as stored, as the history names the student.
    QString key(int row) const { return m_keys.value(row); }
    QString name(int row) const { return m_names.value(row); }
    QString text(int row, int column) const { return m_current[row][column]; }
    // Whether the user may change the column now: not while the test is
    // locked, nor another subject's column for a subject teacher.
    bool writable(int column) const;

    // Per subject the user may enter, the students with neither a score nor a
    // mark: "语文 2 人：张三、李四".
    QStringList notEntered() const;
    // Empty when the text may be stored in the column, else why not.
    QString problem(int row, int column) const;
    int changedCells() const { return m_changedCount; }
    int refusedCells() const { return m_refusedCount; }
    bool hasChanges() const
    {
        return m_changedCount > 0 || !m_factRows.isEmpty() || !m_questionRows.isEmpty() || m_classFigures;
    }
    // "已修改 N 格，其中 N 格有误"
    QString status() const;
    const Figures& figures(int column) const { return m_figures[column]; }
    // Scores shown as their band (良好 for 84), the number in the tooltip; none for numbers.
    void showGrades(const std::optional<GradeBands>& bands);

    // One undoable step each. A score cell takes a mark for the word that
    // stands for it: 缺 or 缺考 is 缺考, and so on.
    void edit(const QVector<Cell>& cells);
    // Sets the mark (or clears it, with an empty one) in the selected score cells.
    void mark(const QModelIndexList& cells, const QString& mark);
    void clear(const QModelIndexList& cells);
    // The cells' rectangle as a spreadsheet copies it: tab-separated rows,
    // a text holding a tab, line break or quote in quotes.
    QString copyText(const QModelIndexList& cells) const;
    // The rows of tab-separated text from the cell on, cut at the sheet's
    // edges. Returns the refused cells, each "学号 科目：why".
    QStringList paste(int row, int column, const QString& text);
    // A spreadsheet's scores, as one undoable step: columns by their headers
    // (the subjects, the attendance items, 教师评语; a marking system's
    // title rows and two-row headers too), rows by 学号, else 考号, else 姓名
    // where no two students share it; rows of other classes skipped. An empty cell leaves the score as it is
    // unless `blankClears`: a formula or a column left empty must not wipe
    // what was entered. An error value (#N/A) is refused. Nothing is written
    // until save().
    struct SheetImport
    {
        int matched = 0;
        QStringList columns; // the grid's columns the sheet fills
        QStringList unmatched; // "第 N 行 学号 姓名：why"
        QStringList refused; // "学号 科目：why"
        int blanks = 0; // empty cells of the sheet where the grid holds a value
        int otherClass = 0; // rows of other classes, skipped
        int otherClasses = 0; // the classes among them, whose figures alone are kept
        QStringList marked; // "学号 科目：缺考": a mark where a score goes
        // 考号 matched by a unique name: (学号, 考号), for keeping.
        QVector<std::pair<QString, QString>> learned;
        QStringList facts; // the facts the sheet states, as the grid's fact columns name them
        QStringList totalsDiffer; // "学号 姓名：成绩单总分 494.5，各科之和 495"
        int questions = 0; // question columns, whose marks are kept for 小题分析
        // Columns the user may not change, not taken, and why.
        QStringList notAllowed;
        QString notAllowedWhy;
    };
    // Without `apply`, only says what it would do.
    SheetImport importSheet(const SheetTable& sheet, bool apply = true, bool blankClears = false);
    // The same with the columns as the teacher mapped them.
    SheetImport importSheet(
        const SheetTable& sheet, const ScoreImport::Layout& layout, bool apply = true, bool blankClears = false);
    // How the sheet's columns map, as found and as remembered from earlier imports.
    ScoreImport::Layout layoutOf(const SheetTable& sheet) const;
    // Each row's student under that mapping, for a preview.
    ScoreImport::Matching matchRows(const SheetTable& sheet, const ScoreImport::Layout& layout) const;
    // The columns a sheet's column may fill: the test's, as import codes.
    QStringList itemNames() const;

    // Each column of the selection takes the value of its first row.
    void fillDown(const QModelIndexList& cells);
    bool undo();
    bool redo();
    // The next student after `after` (wrapping round) whose 学号 begins
    // with the text or whose name holds it; -1 when none does.
    int find(const QString& text, int after) const;

    // The sheet as typed, for a spreadsheet: 学号, 姓名, then every column;
    // scores and counts as numbers, an empty one as an empty cell.
    SheetTable sheet() const;

    // Stores a subject column's full marks at once and checks its cells against them.
    Status setFullMarks(Database& db, int column, int marks);

    // Every changed row in one transaction, and only while each changed cell
    // still holds what was read; an empty score or count is stored as NULL.
    // Refused while any cell is refused; a Conflict names each cell another
    // teacher changed, with both values, and keeps what was typed.
    Status save(Database& db);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

Q_SIGNALS:
    void changed();

private:
    using Step = QVector<std::pair<Cell, QString>>; // the cell as it becomes, and what it was
    void apply(const Step& step, bool forward);
    QString figuresText(int column) const;
    // The row's total as every figure takes it, "*" when partial.
    QString totalText(int row) const;
    // Fact columns for the facts not shown yet, added at the end.
    void adoptFacts(const QStringList& facts);
    int factIndex(const QString& fact) const;
    void adoptFullMarks(int subject, int marks);
    // Queues the cell's new text, or says why it cannot take it.
    void take(int row, int column, const QString& text, QVector<Cell>& cells, QStringList& refused);
    // What a typed text becomes in the column: trimmed, a mark's word made whole.
    QString normalized(int column, const QString& text) const;
    bool refused(int row, int column) const;
    // A score cell's score in tenths, none for an empty, marked or refused one.
    std::optional<int> tenths(int row, int column) const;
    // The names of the columns holding a changed cell.
    QStringList changedColumns() const;
    // Adds (sign 1) or takes away (-1) the cell from the counts.
    void count(int row, int column, int sign);
    void recount();
    Figures computeFigures(int column) const;

    TestRecord m_test;
    QString m_lockedWhy; // the refusal while the test is locked, else empty
    UserRights::Rights m_rights; // the user's, as at loading
    QVector<Column> m_columns;
    QStringList m_numbers;
    QStringList m_keys; // 学号 as stored, which writes address
    QStringList m_names;
    QStringList m_examNumbers; // kept 考号, per row
    QStringList m_ownClass; // 班级名称, 班级代号
    QHash<QString, QString> m_remembered; // header -> the mapping chosen last time
    QVector<Column> m_factColumns;
    QVector<QStringList> m_facts; // per row, per fact column
    QSet<int> m_factRows; // rows whose facts an import changed, for the next save
    bool m_factsKept = false; // the database has the tables for them and for questions
    bool m_marksKept = false; // and for marks
    bool m_cheatAsZero = true; // as the class counts 作弊 in its figures
    StatsRules m_rules;
    bool m_classFiguresKept = false;
    // Other classes' figures from the last import of a whole grade's file, to keep with the scores.
    std::optional<QVector<ClassFigures::Figures>> m_classFigures;
    std::optional<GradeBands> m_grades;
    // An export's questions and each row's marks on them, until the next save.
    QVector<Questions::Question> m_questions;
    QHash<int, QStringList> m_questionRows;
    // 考号 an import matched by name, kept at the next save.
    QVector<std::pair<QString, QString>> m_learned;
    QVector<QStringList> m_read;
    QVector<QStringList> m_current;
    QVector<Step> m_undo;
    QVector<Step> m_redo;
    // Kept as cells change: a sheet of 5,000 rows is never walked on a keystroke.
    int m_changedCount = 0;
    int m_refusedCount = 0;
    QVector<Figures> m_figures;
};

} // namespace velmora
