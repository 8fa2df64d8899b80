#pragma once

#include "exams/Questions.h"

#include <QHash>
#include <QWidget>
#include <memory>
#include <optional>

class QLineEdit;

namespace Ui {
class Analyze_Questions;
}

namespace velmora {

class Module1;

// 小题分析: per question of a test imported from a marking system, its full
// marks, average, 得分率 and 难度, and 区分度; and who scored at most so much on one.
class Analyze_Questions : public QWidget
{
    Q_OBJECT

public:
    explicit Analyze_Questions(Module1& session, QWidget* parent = nullptr);
    ~Analyze_Questions() override;

    // False, having said why, when no test has questions.
    bool load();

private:
    Module1& m_session;
    std::unique_ptr<Ui::Analyze_Questions> m_ui;

    void showTest();
    void showSubject();
    void setFullMarks();
    void setRange();
    // Stores the full marks and shows them, the first of `numbers` current.
    void keepFullMarks(const QStringList& numbers, double marks);
    // The full marks typed in `edit`, or none having said why.
    std::optional<double> typedFullMarks(QLineEdit* edit);
    void listStudents();

    int m_test = 0;
    QVector<int> m_subjectFullMarks = QVector<int>(14, 100); // the test's, by subject index
    QVector<Questions::Question> m_all; // the test's
    QVector<Questions::Question> m_questions; // the chosen subject's
    QHash<QString, QHash<QString, double>> m_marks;
    QHash<QString, QString> m_names;
};

} // namespace velmora
