#pragma once

#include "exams/ScoreHistory.h"

#include <QDialog>
#include <memory>

namespace Ui {
class ScoreHistoryView;
}

namespace velmora {

class Module1;

// 修改记录: who changed what in a test, the newest first, for the current
// cell, the current student or the whole test; an administrator can put an
// old value back.
class ScoreHistoryView : public QDialog
{
    Q_OBJECT

public:
    // `student` and `column` may be empty where the window has no current one.
    ScoreHistoryView(
        Module1& session, int testNumber, const QString& student, const QString& column, QWidget* parent = nullptr);
    ~ScoreHistoryView() override;

    // Reads the history of the chosen scope; false after a message.
    bool fill();
    const QVector<ScoreHistory::Entry>& entries() const { return m_entries; }
    // Puts the selected entry's old value back, after asking.
    void putBack();
    // Whether a value was put back, so the window behind reads its scores again.
    bool changedScores() const { return m_changed; }

private:
    Module1& m_session;
    std::unique_ptr<Ui::ScoreHistoryView> m_ui;

    int m_test;
    QString m_student;
    QString m_column;
    QVector<ScoreHistory::Entry> m_entries;
    bool m_changed = false;
};

} // namespace velmora
