#pragma once

#include "exams/ui/TestFields.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace velmora {

class ResultGrid;

// 查看考试成绩: one test's whole score table, read-only.
class TestWatch : public QWidget
{
    Q_OBJECT

public:
    explicit TestWatch(QWidget* parent = nullptr);

    // Reads the test number from SelNo.
    void load();

private:
    QLineEdit* txtNumber;
    QLineEdit* txtName;
    QLineEdit* txtType;
    QLineEdit* txtDate;
    QLineEdit* txtCount;
    QLineEdit* txtTable;
    ResultGrid* Grid;
    QPushButton* BN_Grid;
    QCheckBox* chkGrades;
    QPushButton* BN_History;
    QPushButton* BN_Close;

    TestFields m_fields;
};

} // namespace velmora
