#pragma once

#include "analysis/ui/TestChoice.h"
#include "classes/GradeBands.h"
#include "exams/Slips.h"

#include <QDialog>
#include <memory>

namespace Ui {
class ParentNotices;
class ReportSlips;
} // namespace Ui

namespace velmora {

class Module1;

// 成绩条: for one test or term grade, a slip per student to cut apart and
// hand out, a picture per student to send one family, or a message per
// family from a template; ranks off unless asked for.
class ReportSlips : public QDialog
{
    Q_OBJECT

public:
    explicit ReportSlips(Module1& session, QWidget* parent = nullptr);
    ~ReportSlips() override;

    // Lists the tests, the newest first, and the term grades; false after a message.
    bool load();

private:
    Module1& m_session;
    std::unique_ptr<Ui::ReportSlips> m_ui;

    Slips::Choices choices() const;
    // The chosen test's slips, every student's; none after a message.
    std::optional<QVector<Slips::Slip>> slips();
    void preview();
    void images();
    void notices();

    TestChoice::Start m_start;
    GradeBands m_grades;
    QString m_className;
};

// 家长通知: a message per student from a template with fields, each to copy
// into a private chat, or all as a workbook for a school platform to send.
class ParentNotices : public QDialog
{
    Q_OBJECT

public:
    ParentNotices(
        Module1& session, const QVector<Slips::Slip>& slips, ReportCards::Shown shown, QWidget* parent = nullptr);
    ~ParentNotices() override;

    void done(int result) override;

private:
    Module1& m_session;
    std::unique_ptr<Ui::ParentNotices> m_ui;

    void fill();
    void showCurrent();
    void copy();
    void copyAll();

    QVector<Slips::Slip> m_slips;
    ReportCards::Shown m_shown;
    QString m_kept; // the template as kept, to keep an edited one on closing
    QHash<QString, QString> m_phones; // 联系电话 by trimmed 学号, for a platform's batch send
};

} // namespace velmora
