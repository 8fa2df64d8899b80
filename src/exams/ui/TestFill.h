#pragma once

#include "data/RecordSet.h"
#include "data/UserRights.h"
#include "exams/ScoreSheet.h"
#include "exams/TestRecord.h"
#include "exams/ui/TestFields.h"
#include "platform/ui/ChildWindow.h"

#include <QDialog>
#include <QHash>
#include <QVector>
#include <memory>

class QLabel;
class QLineEdit;

namespace Ui {
class TestFill;
}

namespace velmora {

class Module1;

// 考试成绩录入: one test's scores, attendance and comments, student by student.
class TestFill : public QDialog, public UnsavedWork
{
    Q_OBJECT

public:
    explicit TestFill(Module1& session, QWidget* parent = nullptr);
    ~TestFill() override;

    // Reads the test number from SelNo.
    void load();
    void RefreshForm();
    // False when nothing was written (a refused value or a refused update).
    bool save();

    void first();
    void previous();
    void next();
    void last();
    void showStudent();
    void openComment();
    // 修改记录 of the student on screen, or of the whole test.
    void showHistory();

    bool hasUnsavedChanges() const override;
    // Esc and the close box ask before typed values are dropped; 返回 does not.
    void reject() override;
    // Leaves for the score grid of the same test, after asking about typed values.
    void toGrid();

    // Shows the entry window for the test in SelNo, modally.
    static void open(Module1& session, QWidget* parent, const QString& caption, const QString& topic, bool autoSave);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Module1& m_session;
    std::unique_ptr<Ui::TestFill> m_ui;
    // Index 0 is 学号, 1..14 the subjects.
    QVector<QLabel*> Label;
    QVector<QLineEdit*> Text;
    // A subject's mark (缺考 …) beside its box, read-only.
    QVector<QLabel*> lblMark;
    QStringList m_marks = QStringList(14);
    QVector<QLabel*> labelDuty;
    QVector<QLineEdit*> txtDuty;

    // Whether the user may change the column, as at loading.
    bool mayChange(const QString& column) const;
    void showWritable();
    // The save-before-moving rule; false when the move must not happen.
    bool saveBeforeMoving();
    // Checks and writes the boxes; false, with a message, when refused or failed.
    bool store();
    // Reads the current row again; false, with a message, when the database cannot be read.
    bool reloadCurrent();
    void moveTo(int row);
    // What is typed next replaces the first score.
    void focusFirstScore();
    ScoreEntry entry() const;
    bool hasRows() const { return m_rows.recordCount() > 0; }

    TestFields m_fields;
    int m_number = 0;
    TestRecord m_test;
    RecordSet m_rows;
    QHash<QString, QString> m_names;
    ScoreEntry m_shown; // as RefreshForm put it on screen
    QString m_lockedWhy;
    UserRights::Rights m_rights;
};

} // namespace velmora
