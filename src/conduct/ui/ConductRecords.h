#pragma once

#include "attendance/SchoolCalendar.h"
#include "conduct/Conduct.h"

#include <QWidget>
#include <memory>

namespace Ui {
class ConductRecords;
}

namespace velmora {

class Module1;

// 操行记录: one student's records and term grade at a time, never a list of
// the class by points; a record may go to several students at once.
class ConductRecords : public QWidget
{
    Q_OBJECT

public:
    explicit ConductRecords(Module1& session, QWidget* parent = nullptr);
    ~ConductRecords() override;

    bool load();
    bool addRecord();
    bool removeRecord();
    bool setGradeByHand();
    bool editRules();

    // "优 90、良 80、中 60、差" into grades and back; nothing when it cannot be read.
    static std::optional<QVector<Conduct::Rules::Grade>> parseGrades(const QString& text);
    static QString gradesText(const QVector<Conduct::Rules::Grade>& grades);

private:
    Module1& m_session;
    std::unique_ptr<Ui::ConductRecords> m_ui;

    QString currentStudent() const;
    std::pair<QDate, QDate> span() const;
    QString termName() const;
    void showStudent();

    Conduct::Rules m_rules;
    QVector<SchoolCalendar::Term> m_terms;
    QVector<Conduct::Entry> m_shown;
};

} // namespace velmora
