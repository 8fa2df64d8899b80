#pragma once

#include "analysis/TermGrades.h"

#include <QDialog>
#include <QHash>
#include <QWidget>
#include <memory>

class QComboBox;
class QSpinBox;

namespace Ui {
class TermDialog;
class TermGrade;
} // namespace Ui

namespace velmora {

class Module1;

// A term grade's name and its tests with their weights.
class TermDialog : public QDialog
{
    Q_OBJECT

public:
    TermDialog(
        Module1& session, const QVector<TestRecord>& tests, const Analysis::TermDefinition& term, QWidget* parent);
    ~TermDialog() override;
    Analysis::TermDefinition term() const;
    // Keeps it, or says why not and stays open.
    void accept() override;

private:
    Module1& m_session;
    std::unique_ptr<Ui::TermDialog> m_ui;
    QVector<QComboBox*> cmbTest;
    QVector<QSpinBox*> spnWeight;
    QString m_replacing;
    // A row of a test and its weight for each part a term grade may have.
    void addParts(const QVector<TestRecord>& tests, const Analysis::TermDefinition& term);
    void showSum();
};

// 学期总评: the term grades of the class, per student and subject, with the
// total and its rank; read-only, computed from the scores each time.
class TermGrade : public QWidget
{
    Q_OBJECT

public:
    explicit TermGrade(Module1& session, QWidget* parent = nullptr);
    ~TermGrade() override;
    bool load();

private:
    Module1& m_session;
    std::unique_ptr<Ui::TermGrade> m_ui;

    void showTerm();
    void print();
    // The lines under the title: how a grade is weighed, and why each * is there.
    QStringList notes() const;
    void edit(bool fresh);
    void remove();
    void fillTerms(const QString& chosen);

    QVector<Analysis::TermDefinition> m_terms;
    QVector<TestRecord> m_tests;
    QHash<QString, QString> m_names;
    Analysis::TermSheet m_sheet;
};

} // namespace velmora
