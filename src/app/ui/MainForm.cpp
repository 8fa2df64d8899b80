#include "app/ui/MainForm.h"

#include "analysis/ui/Analyze_Class.h"
#include "analysis/ui/Analyze_Grade.h"
#include "analysis/ui/Analyze_Person.h"
#include "analysis/ui/Analyze_Progress.h"
#include "analysis/ui/Analyze_Questions.h"
#include "analysis/ui/Analyze_Stats.h"
#include "analysis/ui/Analyze_Subject.h"
#include "analysis/ui/ReportSlips.h"
#include "analysis/ui/TermGrade.h"
#include "app/MessageService.h"
#include "app/Module1.h"
#include "app/Sharing.h"
#include "app/ui/CopyDatabase.h"
#include "app/ui/Login.h"
#include "app/ui/Pass.h"
#include "app/ui/Restore.h"
#include "app/ui/Splash.h"
#include "app/ui/User.h"
#include "app/ui/Windows.h"
#include "attendance/ui/AttendanceRegister.h"
#include "attendance/ui/AttendanceTotals.h"
#include "attendance/ui/StudentAttendance.h"
#include "attendance/ui/TermCalendar.h"
#include "classes/ui/Class.h"
#include "conduct/ui/ConductRecords.h"
#include "data/Backup.h"
#include "data/UserRights.h"
#include "exams/ScoreExport.h"
#include "exams/ui/DeletedTests.h"
#include "exams/ui/ReportScore.h"
#include "exams/ui/ReportTeach.h"
#include "exams/ui/ScoreGrid.h"
#include "exams/ui/TestFill.h"
#include "exams/ui/TestFillSel.h"
#include "exams/ui/TestInfoAdd.h"
#include "exams/ui/TestInfoWatch.h"
#include "exams/ui/TestLockDialog.h"
#include "exams/ui/TestWatch.h"
#include "platform/AppPaths.h"
#include "platform/ui/ChildWindow.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/Pictures.h"
#include "platform/ui/ProgressBox.h"
#include "platform/ui/WindowRequests.h"
#include "reportbook/ui/ReportBook.h"
#include "sheets/SheetWriter.h"
#include "students/ui/DataReport1.h"
#include "students/ui/StudentImportDialog.h"
#include "students/ui/StudentInfo.h"
#include "students/ui/StudentInfoFind.h"
#include "students/ui/StudentInfoWatch.h"
#include "ui_MainForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <utility>

namespace velmora {

namespace {
// The title a maximized child window does not change.
const QString kCaption = QStringLiteral("Velmora管理系统");

const QString kCommentHowTo = QStringLiteral("1、请先选择考试号。") + QStringLiteral("\r\n")
    + QStringLiteral("      注意：该考试号要含有教师评语项。 ") + QStringLiteral("\r\n")
    + QStringLiteral("2、然后在老师评语一栏，选择“评语生成器”") + QStringLiteral("\r\n")
    + QStringLiteral("3、根据提示即可完成！");
} // namespace

QUrl MainForm::homePage()
{
    return QUrl(QStringLiteral("https://velmora.example.org/"));
}

MainForm::MainForm(Module1& session, QWidget* parent)
    : QMainWindow(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::MainForm>())
{
    m_ui->setupUi(this);
    setWindowIcon(Pictures::appIcon());
    m_ui->MDIArea->setBackground(Pictures::mainBackground());
    // The windows and the tests find a top menu's entry in the bar by the menu's name.
    for (QMenu* top : m_ui->menuBar->findChildren<QMenu*>())
        top->menuAction()->setObjectName(top->objectName());
    const QList<QAction*> windows = m_ui->Win->actions();
    m_winLine = windows.value(windows.indexOf(m_ui->WinTile) + 1);
    m_winLine->setObjectName(QStringLiteral("line4"));
    connectMenus();
    // A window that finds the server gone offers this way back in.
    MessageService::setReLogin([form = QPointer<MainForm>(this)] {
        if (form)
            form->reLogin();
    });
    const WindowRequests* requests = &WindowRequests::instance();
    connect(requests, &WindowRequests::gridRequested, this, [this](QWidget* from, int testNumber) {
        if (Windows::mainFormOf(from) == this)
            showGridFor(testNumber);
    });
    connect(requests, &WindowRequests::attendanceRequested, this,
        [this](QWidget* from, const QString& number, const QString& name) {
            if (Windows::mainFormOf(from) != this)
                return;
            StudentAttendance dialog(m_session, number, name, from);
            if (dialog.load())
                dialog.exec();
        });
    connect(requests, &WindowRequests::studentsChanged, this, [this] {
        m_ui->Test->menuAction()->setEnabled(true);
        m_ui->ScoreAnalyse->menuAction()->setEnabled(true);
    });
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        resize(area.size() * 0.85);
        move(area.center() - rect().center());
    }
}

MainForm::~MainForm() = default;

void MainForm::connectMenus()
{
    const Ui::MainForm& u = *m_ui;
    const std::pair<QAction*, void (MainForm::*)()> entries[] = { { u.ClassConfig, &MainForm::classSettings },
        { u.InfoWatch, &MainForm::studentList }, { u.InfoAdd, &MainForm::addStudent },
        { u.InfoDel, &MainForm::deleteStudent }, { u.InfoEdit, &MainForm::editStudent },
        { u.InfoFind, &MainForm::findStudent }, { u.InfoImport, &MainForm::importStudents },
        { u.InfoAttendance, &MainForm::attendanceRegister }, { u.InfoAttendanceTotals, &MainForm::attendanceTotals },
        { u.InfoTerms, &MainForm::termCalendar }, { u.InfoConduct, &MainForm::conductRecords },
        { u.TestInfo, &MainForm::testList }, { u.TestAdd, &MainForm::addTest }, { u.TestDel, &MainForm::deleteTest },
        { u.TestEditWatch, &MainForm::viewScores }, { u.TestFill, &MainForm::enterScores },
        { u.TestEdit, &MainForm::changeScores }, { u.TestGrid, &MainForm::gridScores },
        { u.TestImport, &MainForm::importScores }, { u.TestExportAll, &MainForm::exportAllScores },
        { u.TestDeleted, &MainForm::deletedTests }, { u.TestLock, &MainForm::lockTests },
        { u.TestTerm, &MainForm::termGrades }, { u.Commitment, &MainForm::commentGenerator },
        { u.ScorePersonal, &MainForm::personalAnalysis }, { u.ScoreClass, &MainForm::classAnalysis },
        { u.ScoreSubject, &MainForm::subjectAnalysis }, { u.ScoreQuestions, &MainForm::questionAnalysis },
        { u.ScoreStats, &MainForm::statsTable }, { u.ScoreGrade, &MainForm::gradeComparison },
        { u.ScoreProgress, &MainForm::progressAnalysis }, { u.ReportStu, &MainForm::studentReport },
        { u.ReportScore, &MainForm::scoreReport }, { u.ReportTeach, &MainForm::commentReport },
        { u.ReportSlips, &MainForm::scoreSlips }, { u.ReportBook, &MainForm::reportBook },
        { u.ReLogin, &MainForm::reLogin }, { u.DataBase, &MainForm::databaseConfig },
        { u.Admin, &MainForm::privileges }, { u.Password, &MainForm::changePassword },
        { u.DataBackup, &MainForm::backupNow }, { u.DataRestore, &MainForm::restoreDatabase },
        { u.DataCopy, &MainForm::copyDatabase }, { u.WinClose, &MainForm::notYetAvailable },
        { u.Help, &MainForm::help }, { u.TeacherSource, &MainForm::teacherSource }, { u.Web, &MainForm::web },
        { u.About, &MainForm::about } };
    for (const auto& [action, handler] : entries)
        connect(action, &QAction::triggered, this, handler);
    // Closing the main window ends the program, after asking about unsaved values.
    connect(u.Exit, &QAction::triggered, this, &QWidget::close);
    connect(u.WinCascade, &QAction::triggered, u.MDIArea, &QMdiArea::cascadeSubWindows);
    connect(u.WinTile, &QAction::triggered, u.MDIArea, &QMdiArea::tileSubWindows);
    connect(u.Report, &QMenu::aboutToShow, this, &MainForm::updateReportEntries);
    connect(u.Win, &QMenu::aboutToShow, this, &MainForm::fillWindowMenu);
}

QMdiArea* MainForm::mdiArea() const
{
    return m_ui->MDIArea;
}

QAction* MainForm::entry(const QString& name) const
{
    return findChild<QAction*>(name);
}

QMenu* MainForm::menu(const QString& name) const
{
    return findChild<QMenu*>(name);
}

void MainForm::load()
{
    auto students = m_session.Conn().hasRows(QStringLiteral("tblLogin"));
    if (!students)
        MessageService::error(students.error());
    if (!students || !*students) {
        menu(QStringLiteral("Test"))->menuAction()->setEnabled(false);
        menu(QStringLiteral("ScoreAnalyse"))->menuAction()->setEnabled(false);
        MessageService::info(QStringLiteral("请添加学生信息！"));
    }
    auto cls = m_session.Conn().hasRows(QStringLiteral("tblClass"));
    if (!cls || !*cls) {
        entry(QStringLiteral("ClassConfig"))->setEnabled(false);
        MessageService::info(QStringLiteral("程序有错！数据库中少表tblClass."));
    }
    if (!m_session.IsAdmin()) {
        for (const char* name :
            { "InfoAdd", "InfoDel", "InfoEdit", "InfoImport", "TestAdd", "TestEdit", "TestDel", "TestFill", "TestGrid",
                "TestImport", "Commitment", "DataBase", "Admin", "DataRestore", "TestDeleted", "DataCopy", "TestLock" })
            entry(QString::fromLatin1(name))->setEnabled(false);
        // A subject teacher enters the subjects taught; the windows grey the rest.
        if (UserRights::current().entersScores()) {
            for (const char* name : { "TestEdit", "TestFill", "TestGrid", "TestImport" })
                entry(QString::fromLatin1(name))->setEnabled(true);
        }
    }
    updateReportEntries();
}

bool MainForm::isOpen(const QWidget* window) const
{
    // A closed window waits for its deletion a moment: it is not open any more.
    if (!window)
        return false;
    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    return sub && m_ui->MDIArea->subWindowList().contains(sub);
}

void MainForm::showChild(QWidget* window)
{
    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    if (!sub) {
        window->setAttribute(Qt::WA_DeleteOnClose);
        sub = m_ui->MDIArea->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->installEventFilter(this);
        // A window that ends by itself takes its frame along.
        connect(window, &QObject::destroyed, sub, &QWidget::close, Qt::QueuedConnection);
        window->show();
        sub->show();
        const QSize frame = sub->size() - window->size();
        const QSize room = m_ui->MDIArea->isVisible() ? m_ui->MDIArea->viewport()->size() - frame : QSize();
        sub->resize(ChildWindow::openingSize(window, room) + frame);
        if (m_ui->MDIArea->isVisible()) {
            // Wholly inside the area, where the window manager placed it if it fits.
            const QRect area = m_ui->MDIArea->viewport()->rect();
            QPoint at = sub->pos();
            at.setX(qBound(0, at.x(), qMax(0, area.width() - sub->width())));
            at.setY(qBound(0, at.y(), qMax(0, area.height() - sub->height())));
            sub->move(at);
        }
    }
    window->show();
    if (sub->isMinimized())
        sub->showNormal();
    else
        sub->show();
    m_ui->MDIArea->setActiveSubWindow(sub);
    sub->raise();
}

bool MainForm::eventFilter(QObject* watched, QEvent* event)
{
    // Esc that no control of the window took closes the window.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape
        && static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(watched)) {
            sub->close();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainForm::mayDropWindows()
{
    QStringList unsaved;
    for (QMdiSubWindow* sub : m_ui->MDIArea->subWindowList()) {
        const auto* work = dynamic_cast<const UnsavedWork*>(sub->widget());
        if (work && work->hasUnsavedChanges())
            unsaved << QStringLiteral("“%1”").arg(sub->widget()->windowTitle());
    }
    if (unsaved.isEmpty())
        return true;
    return MessageService::ask(
               unsaved.join(QStringLiteral("、")) + QStringLiteral("中修改的内容还没有保存。\r\n不保存就关闭吗？"),
               MsgIcon::Question)
        == MsgAnswer::Yes;
}

void MainForm::unload()
{
    m_unloading = true;
    close();
}

void MainForm::closeEvent(QCloseEvent* event)
{
    if (m_unloading) {
        event->accept();
        return;
    }
    if (!mayDropWindows()) {
        event->ignore();
        return;
    }
    event->accept();
    backupOnClose();
    Windows::quitProgram();
}

void MainForm::fillWindowMenu()
{
    const QList<QAction*> actions = m_ui->Win->actions();
    for (int i = int(actions.indexOf(m_winLine)) + 1; i < actions.size(); ++i) {
        m_ui->Win->removeAction(actions[i]);
        actions[i]->deleteLater();
    }
    int n = 0;
    for (QMdiSubWindow* sub : m_ui->MDIArea->subWindowList()) {
        QAction* a = m_ui->Win->addAction(QStringLiteral("&%1 %2").arg(++n).arg(sub->windowTitle()));
        a->setCheckable(true);
        a->setChecked(sub == m_ui->MDIArea->activeSubWindow());
        connect(a, &QAction::triggered, m_ui->MDIArea, [this, sub] { m_ui->MDIArea->setActiveSubWindow(sub); });
    }
}

void MainForm::notYetAvailable()
{
    const auto* action = qobject_cast<QAction*>(sender());
    const QString what = action ? action->text().remove(QStringLiteral("(&X)")) : QString();
    MessageService::info(QStringLiteral("“%1”功能尚未开放，敬请期待！").arg(what));
}

void MainForm::reLogin()
{
    if (!mayDropWindows())
        return;
    Windows::showLogin(m_session);
    unload();
    m_session.Conn().close();
}

void MainForm::databaseConfig()
{
    if (!mayDropWindows())
        return;
    Login* login = Windows::showLogin(m_session);
    unload();
    QTimer::singleShot(0, login, &Login::showConfig);
}

namespace {

// Takes a backup beside the database with a progress bar; the path, or empty after a message.
QString backUp(QWidget* parent, const QString& file, const QString& tag, const QString& failed)
{
    const QString folder = Backups::folderFor(file);
    ProgressBox box(parent, QStringLiteral("正在备份数据库…"), 1000);
    const PrintOut::Progress moved = box.progress();
    auto taken = Backups::take(file, folder, tag,
        [&moved](qint64 done, qint64 total) { return moved(int(done * 1000 / std::max<qint64>(1, total))); });
    if (!taken) {
        MessageService::show(
            failed + taken.error().description + QStringLiteral("\r\n数据库本身没有受影响。"), MsgIcon::Warning);
        return {};
    }
    Backups::rotate(file, folder);
    return *taken;
}

} // namespace

void MainForm::copyDatabase()
{
    CopyDatabase dialog(m_session, this);
    dialog.exec();
}

void MainForm::lockTests()
{
    TestLockDialog dialog(m_session, this);
    if (dialog.fill())
        dialog.exec();
}

void MainForm::deletedTests()
{
    DeletedTests dialog(m_session, this);
    if (!dialog.fill())
        return;
    dialog.exec();
    if (dialog.restoredAny() && isOpen(m_tests))
        m_tests->load();
}

void MainForm::backupOnClose()
{
    const QString file = Backups::databaseFile(m_session.Conn().settings());
    if (file.isEmpty() || !m_session.Conn().isOpen() || Backups::takenToday(file, Backups::folderFor(file)))
        return;
    backUp(this, file, QString(), QStringLiteral("数据库的自动备份没有完成："));
}

void MainForm::backupNow()
{
    const QString file = Backups::databaseFile(m_session.Conn().settings());
    if (file.isEmpty()) {
        MessageService::info(QStringLiteral("现在连接的是数据库服务器，服务器上的数据请由服务器的管理员备份。"));
        return;
    }
    const QString taken = backUp(this, file, QString(), QStringLiteral("备份没有完成："));
    if (taken.isEmpty())
        return;
    if (!MessageService::askYesNo(QStringLiteral("已备份到 ") + QDir::toNativeSeparators(taken)
            + QStringLiteral("\r\n要再复制一份到U盘或其他文件夹吗？")))
        return;
    const QString folder = FileDialogs::folder(this, FileDialogs::Kind::Backup, QStringLiteral("选择存放备份的文件夹"));
    if (folder.isEmpty())
        return;
    auto copied = Backups::copyTo(taken, folder);
    if (!copied) {
        MessageService::info(copied.error().description + QStringLiteral("备份文件夹中的备份不受影响。"));
        return;
    }
    MessageService::info(QStringLiteral("已复制到 ") + QDir::toNativeSeparators(*copied));
}

void MainForm::restoreDatabase()
{
    const QString file = Backups::databaseFile(m_session.Conn().settings());
    if (file.isEmpty()) {
        MessageService::info(QStringLiteral("现在连接的是数据库服务器，只能恢复本机的数据库文件。"));
        return;
    }
    Restore choice(file, this);
    if (choice.exec() != QDialog::Accepted || choice.chosen().isEmpty())
        return;
    if (Status sound = Backups::verify(choice.chosen()); !sound) {
        MessageService::show(
            sound.error().description + QStringLiteral("\r\n现在的数据库没有改动。"), MsgIcon::Warning);
        return;
    }
    // A copy from another installation may keep everyone out: every login first opens the file with dbcfg.dat's.
    if (!Backups::loginWorks(choice.chosen(), m_session.DbUser(), m_session.DbPwd())
        && MessageService::askDelete(
               QStringLiteral("这个备份的数据库登录与现在的不同：用 dbcfg.dat 中的用户 %1 和密码打不开它。\r\n"
                              "恢复后谁都登陆不了，要先在“数据库配置”中改用它的登录，或用 velmora-initdb --restore "
                              "把“恢复前”的备份放回去。\r\n仍然要恢复吗？")
                   .arg(m_session.DbUser()),
               MsgIcon::Warning)
            != MsgAnswer::Yes)
        return;
    if (MessageService::askDelete(QStringLiteral("用备份 %1 替换现在的数据库吗？\r\n现在的数据库会先另存为一份备份。")
                                      .arg(QFileInfo(choice.chosen()).fileName()),
            MsgIcon::Question)
        != MsgAnswer::Yes)
        return;
    if (!mayDropWindows())
        return;
    if (backUp(this, file, QStringLiteral("恢复前"), QStringLiteral("不能先备份现在的数据库，没有恢复：")).isEmpty())
        return;
    // The file is replaced under no open connection, as after 重新登陆:
    // the windows close, and whoever logs in next reads the restored users.
    const QString chosen = choice.chosen();
    Windows::showLogin(m_session);
    unload();
    m_session.Conn().close();
    Status restored = Backups::restore(chosen, file);
    if (restored)
        MessageService::info(QStringLiteral("数据库已经恢复，请重新登陆。"));
    else
        MessageService::show(QStringLiteral("恢复没有完成：") + restored.error().description
                + QStringLiteral("\r\n现在的数据库没有改动，请重新登陆。"),
            MsgIcon::Warning);
}

void MainForm::changePassword()
{
    if (m_session.DbUser() != m_session.LoginUser()) {
        Pass pass(m_session, this);
        pass.exec();
        return;
    }
    MessageService::info(QStringLiteral("您是数据库管理员，请在SQL SERVER 2000下进行设置！"));
}

void MainForm::classSettings()
{
    if (!isOpen(m_class)) {
        m_class = new Class(m_session);
        m_class->load();
    }
    showChild(m_class);
}

void MainForm::privileges()
{
    User user(m_session, this);
    user.load();
    user.exec();
}

void MainForm::commentGenerator()
{
    selectTest(TestFillSel::entryMode());
    MessageService::info(kCommentHowTo);
}

// The one window of its kind; one that has nothing to show says so and is not opened.
template <typename Window> void MainForm::openLoaded(QPointer<Window>& window)
{
    if (!isOpen(window)) {
        auto* opened = new Window(m_session);
        if (!opened->load()) {
            delete opened;
            return;
        }
        window = opened;
    }
    showChild(window);
}

void MainForm::personalAnalysis()
{
    openLoaded(m_person);
}

// The selection window once; a choice fills the one analysis window anew.
template <typename Selector, typename Analysis>
void MainForm::analysisFrom(QPointer<Selector>& selector, QPointer<Analysis>& analysis)
{
    if (!isOpen(selector)) {
        selector = new Selector(m_session);
        connect(selector, &Selector::chosen, this, [this, &analysis] {
            if (!isOpen(analysis))
                analysis = new Analysis(m_session);
            analysis->load();
            showChild(analysis);
        });
        selector->load();
    }
    showChild(selector);
}

void MainForm::attendanceRegister()
{
    openLoaded(m_register);
}

void MainForm::attendanceTotals()
{
    openLoaded(m_attendanceTotals);
}

void MainForm::conductRecords()
{
    openLoaded(m_conduct);
}

void MainForm::termCalendar()
{
    TermCalendar calendar(m_session, this);
    if (calendar.load())
        calendar.exec();
}

void MainForm::questionAnalysis()
{
    openLoaded(m_questions);
}

void MainForm::statsTable()
{
    openLoaded(m_stats);
}

void MainForm::gradeComparison()
{
    openLoaded(m_grade);
}

void MainForm::progressAnalysis()
{
    openLoaded(m_progress);
}

void MainForm::termGrades()
{
    openLoaded(m_terms);
}

void MainForm::classAnalysis()
{
    analysisFrom<Analyze_Class_Sel, Analyze_Class>(m_classSel, m_classAnalysis);
}

void MainForm::subjectAnalysis()
{
    analysisFrom<Analyze_Subject_Sel, Analyze_Subject>(m_subjectSel, m_subjectAnalysis);
}

void MainForm::testList()
{
    if (!isOpen(m_tests)) {
        m_tests = new TestInfoWatch(m_session);
        connect(m_tests, &TestInfoWatch::addRequested, this, &MainForm::addTest);
        m_tests->load();
    }
    showChild(m_tests);
}

void MainForm::addTest()
{
    TestInfoAdd::open(m_session, this);
}

TestFillSel* MainForm::selectTest(const QString& mode)
{
    if (!isOpen(m_select)) {
        m_select = new TestFillSel(m_session);
        connect(m_select, &TestFillSel::enterScores, this,
            [this](const QString& caption, const QString& topic, bool autoSave) {
                TestFill::open(m_session, this, caption, topic, autoSave);
            });
        connect(m_select, &TestFillSel::viewScores, this, &MainForm::showScores);
        connect(m_select, &TestFillSel::gridScores, this, &MainForm::showGrid);
        m_select->load();
    }
    m_select->setMode(mode);
    showChild(m_select);
    return m_select;
}

void MainForm::viewScores()
{
    selectTest(TestFillSel::viewMode());
}

void MainForm::enterScores()
{
    selectTest(TestFillSel::entryMode());
}

void MainForm::changeScores()
{
    selectTest(TestFillSel::changeMode());
}

void MainForm::exportAllScores()
{
    if (!Sharing::mayShareClassList())
        return;
    auto book = ScoreExport::allTests(m_session.Conn());
    if (!book) {
        MessageService::error(book.error());
        return;
    }
    const QString path = FileDialogs::saveFileName(
        this, FileDialogs::Kind::Export, QStringLiteral("全部成绩.xlsx"), QStringLiteral("Excel 工作簿 (*.xlsx)"));
    if (path.isEmpty())
        return;
    if (Status written = SheetWriter::writeXlsx(path, *book); !written) {
        MessageService::error(written.error(), ErrorWording::Restart);
        return;
    }
    MessageService::info(
        QStringLiteral("已导出 %1 次考试的成绩到“%2”。").arg(book->size() - 1).arg(QDir::toNativeSeparators(path)));
}

void MainForm::importScores()
{
    m_importIntoGrid = true;
    selectTest(TestFillSel::gridMode());
}

void MainForm::gridScores()
{
    m_importIntoGrid = false;
    selectTest(TestFillSel::gridMode());
}

void MainForm::showGridFor(int testNumber)
{
    m_session.setSelNo(QString::number(testNumber));
    showGrid();
}

void MainForm::showGrid()
{
    // Typed cells of one test are never dropped for another without a word.
    if (isOpen(m_grid) && m_grid->hasUnsavedChanges()) {
        showChild(m_grid);
        MessageService::info(QStringLiteral("表格中还有没有保存的修改，请先保存或关闭表格，再打开另一次考试。"));
        return;
    }
    if (!isOpen(m_grid)) {
        auto* grid = new ScoreGrid(m_session);
        if (!grid->load()) {
            delete grid;
            return;
        }
        m_grid = grid;
    } else if (!m_grid->load()) {
        return;
    }
    showChild(m_grid);
    if (std::exchange(m_importIntoGrid, false))
        m_grid->importFile();
}

void MainForm::showScores()
{
    if (!isOpen(m_scores))
        m_scores = new TestWatch(m_session);
    m_scores->load();
    showChild(m_scores);
}

void MainForm::studentList()
{
    if (!isOpen(m_watch)) {
        m_watch = new StudentInfoWatch(m_session);
        connect(m_watch, &StudentInfoWatch::findRequested, this, &MainForm::findStudent);
        m_watch->fill();
    }
    showChild(m_watch);
}

void MainForm::addStudent()
{
    StudentInfo::openAdd(m_session, this);
}

void MainForm::importStudents()
{
    StudentImportDialog importing(m_session, this);
    if (!importing.chooseFile())
        return;
    // The list open beside shows the new students at once.
    if (importing.exec() == QDialog::Accepted && isOpen(m_watch))
        m_watch->fill();
}

void MainForm::findStudent()
{
    if (!isOpen(m_find))
        m_find = new StudentInfoFind(m_session);
    showChild(m_find);
}

void MainForm::studentReport()
{
    if (!m_report)
        m_report = new DataReport1(m_session, this);
    else
        m_report->refresh();
    m_report->show();
    m_report->raise();
    m_report->activateWindow();
}

void MainForm::scoreReport()
{
    ReportScore dialog(m_session, this);
    if (dialog.load())
        dialog.exec();
}

void MainForm::scoreSlips()
{
    ReportSlips dialog(m_session, this);
    if (dialog.load())
        dialog.exec();
}

void MainForm::reportBook()
{
    ReportBook dialog(m_session, this);
    if (dialog.load())
        dialog.exec();
}

void MainForm::commentReport()
{
    ReportTeach dialog(m_session, this);
    if (dialog.load())
        dialog.exec();
}

void MainForm::updateReportEntries()
{
    auto tests = Exams::list(m_session.Conn());
    const bool any = tests && !tests->isEmpty();
    const bool comments
        = any && std::any_of(tests->cbegin(), tests->cend(), [](const TestRecord& t) { return t.items.comment; });
    entry(QStringLiteral("ReportScore"))->setEnabled(any);
    entry(QStringLiteral("ReportSlips"))->setEnabled(any);
    entry(QStringLiteral("ReportTeach"))->setEnabled(comments);
}

void MainForm::deleteStudent()
{
    studentList();
    MessageService::info(QStringLiteral("双击要删除的项目，并选择删除即可！"));
}

void MainForm::editStudent()
{
    studentList();
    MessageService::info(QStringLiteral("双击要修改的项目，并选择修改即可！"));
}

void MainForm::deleteTest()
{
    testList();
    MessageService::info(QStringLiteral("选择一条要删除的考试，按“删除考试”按钮！"));
}

void MainForm::help()
{
    const QString path = AppPaths::helpFile();
    if (!QFileInfo::exists(path)) {
        MessageService::show(
            QStringLiteral("帮助文件") + path + QStringLiteral(" 丢失!"), MsgIcon::Critical, MsgButtons::Ok, kCaption);
        return;
    }
    if (!Desktop::openFile(path))
        MessageService::info(QStringLiteral("错误！文件位置不对！"));
}

void MainForm::teacherSource()
{
    if (!Desktop::startProgram(QStringLiteral("kvtp")))
        MessageService::info(QStringLiteral("不能启动教师资源程序 kvtp，请确认它已经安装！"));
}

void MainForm::web()
{
    if (!Desktop::openUrl(homePage()))
        MessageService::info(QStringLiteral("Wrong!"));
}

void MainForm::about()
{
    Splash about(m_session, Splash::Mode::About, this);
    about.exec();
}

} // namespace velmora
