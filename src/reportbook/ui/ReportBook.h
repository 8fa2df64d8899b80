#pragma once

#include "attendance/SchoolCalendar.h"
#include "reportbook/TermBook.h"

#include <QDialog>
#include <memory>

namespace Ui {
class ReportBook;
}

namespace velmora {

class Module1;
class ReportPreview;

// 学生素质报告书: a page per student for the term, written here (the
// comment, honours, the class's notice), previewed, printed, or sent as a
// file per family.
class ReportBook : public QDialog
{
    Q_OBJECT

public:
    explicit ReportBook(Module1& session, QWidget* parent = nullptr);
    ~ReportBook() override;

    // False after a message: no term, or nothing to read.
    bool load();
    // Writes what changed; false after a message.
    bool save();
    ReportPreview* preview();

    void done(int result) override;

private:
    Module1& m_session;
    std::unique_ptr<Ui::ReportBook> m_ui;

    void showTerm();
    void showStudent();
    void keepStudent();
    void compose();
    void fillFromStudies();
    TermBook::Choice choice() const;
    std::optional<TermBook::Book> book();
    bool changed();

    QVector<SchoolCalendar::Term> m_terms;
    QVector<TestRecord> m_tests;
    QVector<Analysis::TermDefinition> m_grades;
    QHash<QString, TermBook::Words> m_read; // as stored, by 学号
    QHash<QString, TermBook::Words> m_words; // as edited
    TermBook::Notice m_notice;
    QString m_shown; // whose words the boxes hold
};

} // namespace velmora
