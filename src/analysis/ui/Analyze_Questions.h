#pragma once

#include "exams/Questions.h"

#include <QHash>
#include <QWidget>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace velmora {

class ResultGrid;

// 小题分析: per question of a test imported from a marking system, its full
// marks, average, 得分率 and 难度, and 区分度; and who scored at most so much on one.
class Analyze_Questions : public QWidget
{
    Q_OBJECT

public:
    explicit Analyze_Questions(QWidget* parent = nullptr);

    // False, having said why, when no test has questions.
    bool load();

private:
    QComboBox* txtNumber;
    ResultGrid* Grid;
    QLineEdit* txtFullMarks;
    QPushButton* BN_FullMarks;
    QComboBox* cmbQuestion;
    QLineEdit* txtAtMost;
    QListWidget* lstStudents;
    QPushButton* BN_Back;

    void showTest();
    void setFullMarks();
    void listStudents();

    int m_test = 0;
    QVector<Questions::Question> m_questions;
    QHash<QString, QHash<QString, double>> m_marks;
    QHash<QString, QString> m_names;
};

} // namespace velmora
