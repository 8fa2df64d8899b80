#pragma once

#include "attendance/SchoolCalendar.h"

#include <QDialog>
#include <memory>

namespace Ui {
class TermCalendar;
}

namespace velmora {

class Module1;

// 学期和假期: the class's terms, and the holidays and make-up days in them.
// An administrator's to change; others see them.
class TermCalendar : public QDialog
{
    Q_OBJECT

public:
    explicit TermCalendar(Module1& session, QWidget* parent = nullptr);
    ~TermCalendar() override;

    bool load();
    bool saveTerm();
    bool removeTerm();
    bool setDay();

private:
    Module1& m_session;
    std::unique_ptr<Ui::TermCalendar> m_ui;

    void termClicked();
    bool showDays();
    bool isKept(const QString& name) const;

    QVector<SchoolCalendar::Term> m_terms;
};

} // namespace velmora
