#pragma once

#include "analysis/TermGrades.h"
#include "exams/ui/CardPrint.h"

#include <QDialog>
#include <memory>

namespace Ui {
class ReportScore;
}

namespace velmora {

class Module1;

class ReportPreview;

// 学生成绩报表: picks the tests, the students, the paper and whether ranks
// are printed, then previews the report cards.
class ReportScore : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kMostTests = 4; // side by side on one card

    explicit ReportScore(Module1& session, QWidget* parent = nullptr);

    ~ReportScore() override;

    // Lists the tests (the latest ticked) and the students; false when
    // there is no test to print.
    bool load();

    QVector<int> chosenTests() const;
    CardPrint::Options options() const;
    // The preview of the chosen cards, open; null after a message.
    ReportPreview* preview();

    // One "学号_姓名.pdf" per student into `folder`. Returns how many were written.
    static int exportEach(QWidget* parent, const QString& folder, const ReportCards::Term& term,
        const QVector<int>& students, const CardPrint::Options& options);

private:
    Module1& m_session;
    std::unique_ptr<Ui::ReportScore> m_ui;

    QVector<Analysis::TermDefinition> m_terms;
    GradeBands m_grades;

    // After the cards are printed or saved: whether to lock the newest test.
    void offerLock(ReportPreview* view);
    // Reads the chosen tests and term grades; false after a message.
    bool gather(ReportCards::Term* term, QVector<int>* students);
};

} // namespace velmora
