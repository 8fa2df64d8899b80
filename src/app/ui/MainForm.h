#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QAction;
class QMdiArea;
class QMenu;

namespace Ui {
class MainForm;
}

namespace velmora {

class Module1;

class Analyze_Class_Sel;
class AttendanceRegister;
class AttendanceTotals;
class ConductRecords;
class Analyze_Person;
class Analyze_Progress;
class TermGrade;
class Analyze_Questions;
class Analyze_Grade;
class Analyze_Stats;
class Analyze_Subject_Sel;
class Class;
class DataReport1;
class ScoreGrid;
class Analyze_Class;
class Analyze_Subject;
class TestWatch;
class StudentInfoFind;
class StudentInfoWatch;
class TestFillSel;
class TestInfoWatch;

// The main window: a frame for the child windows and the menu that opens them.
class MainForm : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainForm(Module1& session, QWidget* parent = nullptr);
    ~MainForm() override;

    // Disables entries by the database's contents and the privilege level.
    void load();

    QMdiArea* mdiArea() const;
    QAction* entry(const QString& name) const;
    QMenu* menu(const QString& name) const;
    // Shows a child window inside the frame and brings it to the front.
    void showChild(QWidget* window);
    bool isOpen(const QWidget* window) const;
    // The score grid of a test, from the windows that show one.
    void showGridFor(int testNumber);
    // Unloads the window for the login window that takes over; the program goes on.
    void unload();
    // Whether the open windows may be dropped: asks when one holds unsaved values.
    bool mayDropWindows();

    static QUrl homePage();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Module1& m_session;
    void connectMenus();
    void fillWindowMenu();
    void notYetAvailable();

    void reLogin();
    void databaseConfig();
    void changePassword();
    void classSettings();
    void studentList();
    void addStudent();
    void findStudent();
    void importStudents();
    void studentReport();
    void scoreReport();
    void backupNow();
    void copyDatabase();
    void deletedTests();
    void restoreDatabase();
    // Once a day, when the program closes: a copy of the embedded database.
    void backupOnClose();
    void commentReport();
    void scoreSlips();
    void reportBook();
    void lockTests();
    // 学生成绩报表 needs a test; 学生评语报表 a test that records comments.
    void updateReportEntries();
    void attendanceRegister();
    void attendanceTotals();
    void termCalendar();
    void conductRecords();
    void personalAnalysis();
    void questionAnalysis();
    void statsTable();
    void gradeComparison();
    void progressAnalysis();
    void termGrades();
    template <typename Window> void openLoaded(QPointer<Window>& window);
    template <typename Selector, typename Analysis>
    void analysisFrom(QPointer<Selector>& selector, QPointer<Analysis>& analysis);
    void classAnalysis();
    void subjectAnalysis();
    void testList();
    void addTest();
    TestFillSel* selectTest(const QString& mode);
    void viewScores();
    void enterScores();
    void changeScores();
    void gridScores();
    void importScores();
    void exportAllScores();
    void showGrid();
    void showScores();
    void privileges();
    void commentGenerator();
    void deleteStudent();
    void editStudent();
    void deleteTest();
    void help();
    void teacherSource();
    void web();
    void about();

    std::unique_ptr<Ui::MainForm> m_ui;
    QPointer<Class> m_class;
    QPointer<StudentInfoWatch> m_watch;
    // 导入考试成绩 opens the grid of the chosen test, then the file.
    bool m_importIntoGrid = false;
    QPointer<StudentInfoFind> m_find;
    QPointer<DataReport1> m_report;
    QPointer<TestInfoWatch> m_tests;
    QPointer<TestFillSel> m_select;
    QPointer<AttendanceRegister> m_register;
    QPointer<AttendanceTotals> m_attendanceTotals;
    QPointer<ConductRecords> m_conduct;
    QPointer<Analyze_Person> m_person;
    QPointer<Analyze_Questions> m_questions;
    QPointer<Analyze_Stats> m_stats;
    QPointer<Analyze_Grade> m_grade;
    QPointer<Analyze_Progress> m_progress;
    QPointer<TermGrade> m_terms;
    QPointer<Analyze_Class_Sel> m_classSel;
    QPointer<Analyze_Subject_Sel> m_subjectSel;
    QPointer<Analyze_Class> m_classAnalysis;
    QPointer<Analyze_Subject> m_subjectAnalysis;
    QPointer<TestWatch> m_scores;
    QPointer<ScoreGrid> m_grid;
    bool m_unloading = false;
    QAction* m_winLine = nullptr;
};

} // namespace velmora
