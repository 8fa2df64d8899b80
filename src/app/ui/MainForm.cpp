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
#include "classes/ui/Class.h"
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
#include "sheets/SheetWriter.h"
#include "students/ui/DataReport1.h"
#include "students/ui/StudentImportDialog.h"
#include "students/ui/StudentInfo.h"
#include "students/ui/StudentInfoFind.h"
#include "students/ui/StudentInfoWatch.h"

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

MainForm::MainForm(QWidget* parent)
    : QMainWindow(parent)
    , m_mdi(new QMdiArea(this))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kCaption);
    setWindowIcon(Pictures::appIcon());
    m_mdi->setObjectName(QStringLiteral("MDIArea"));
    m_mdi->setBackground(Pictures::mainBackground());
    setCentralWidget(m_mdi);
    buildMenus();
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
    connect(requests, &WindowRequests::studentsChanged, this, [this] {
        menu(QStringLiteral("Test"))->menuAction()->setEnabled(true);
        menu(QStringLiteral("ScoreAnalyse"))->menuAction()->setEnabled(true);
    });
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        resize(area.size() * 0.85);
        move(area.center() - rect().center());
    }
}

QMenu* MainForm::addTopMenu(const char* name, const QString& caption)
{
    QMenu* m = menuBar()->addMenu(caption);
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    return m;
}

QAction* MainForm::addEntry(QMenu* m, const char* name, const QString& caption, void (MainForm::*handler)())
{
    QAction* a = m->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, handler ? handler : &MainForm::notYetAvailable);
    return a;
}

void MainForm::addLine(QMenu* m, const char* name)
{
    m->addSeparator()->setObjectName(QString::fromLatin1(name));
}

void MainForm::buildMenus()
{
    QMenu* cls = addTopMenu("ClassCon", QStringLiteral("班级设置(&F)"));
    addEntry(cls, "ClassConfig", QStringLiteral("班级设置"), &MainForm::classSettings);
    addLine(cls, "line1");
    QAction* exit = addEntry(cls, "Exit", QStringLiteral("退出系统(&X)"), nullptr);
    exit->disconnect(this);
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    // Closing the main window ends the program, after asking about unsaved values.
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* info = addTopMenu("Info", QStringLiteral("学生信息管理(&I)"));
    addEntry(info, "InfoWatch", QStringLiteral("查看学生信息"), &MainForm::studentList);
    addEntry(info, "InfoAdd", QStringLiteral("添加学生信息"), &MainForm::addStudent);
    addEntry(info, "InfoDel", QStringLiteral("删除学生信息"), &MainForm::deleteStudent);
    addEntry(info, "InfoEdit", QStringLiteral("修改学生信息"), &MainForm::editStudent);
    addEntry(info, "InfoFind", QStringLiteral("查找学生信息"), &MainForm::findStudent);
    addEntry(info, "InfoImport", QStringLiteral("导入学生信息(&M)"), &MainForm::importStudents);

    QMenu* test = addTopMenu("Test", QStringLiteral("考试信息管理(&T)"));
    addEntry(test, "TestInfo", QStringLiteral("查看所有考试"), &MainForm::testList);
    addEntry(test, "TestAdd", QStringLiteral("添加考试信息"), &MainForm::addTest);
    addEntry(test, "TestDel", QStringLiteral("删除考试信息"), &MainForm::deleteTest);
    addLine(test, "line2");
    addEntry(test, "TestEditWatch", QStringLiteral("查看考试成绩"), &MainForm::viewScores);
    addEntry(test, "TestFill", QStringLiteral("录入考试成绩"), &MainForm::enterScores);
    addEntry(test, "TestEdit", QStringLiteral("修改考试成绩"), &MainForm::changeScores);
    addEntry(test, "TestGrid", QStringLiteral("表格录入成绩(&G)"), &MainForm::gridScores);
    addEntry(test, "TestImport", QStringLiteral("导入考试成绩(&R)…"), &MainForm::importScores);
    addEntry(test, "TestExportAll", QStringLiteral("导出全部成绩(&X)…"), &MainForm::exportAllScores);
    addEntry(test, "TestDeleted", QStringLiteral("已删除的考试(&E)…"), &MainForm::deletedTests);
    addEntry(test, "TestLock", QStringLiteral("锁定考试成绩(&L)…"), &MainForm::lockTests);
    addEntry(test, "TestTerm", QStringLiteral("学期总评(&Z)…"), &MainForm::termGrades);
    addLine(test, "line5");
    addEntry(test, "Commitment", QStringLiteral("评语生成器"), &MainForm::commentGenerator);

    QMenu* score = addTopMenu("ScoreAnalyse", QStringLiteral("成绩查询分析(&S)"));
    addEntry(score, "ScorePersonal", QStringLiteral("个人成绩分析"), &MainForm::personalAnalysis);
    addEntry(score, "ScoreClass", QStringLiteral("班级成绩分析"), &MainForm::classAnalysis);
    addEntry(score, "ScoreSubject", QStringLiteral("科目成绩分析"), &MainForm::subjectAnalysis);
    addEntry(score, "ScoreQuestions", QStringLiteral("小题分析(&Q)"), &MainForm::questionAnalysis);
    addEntry(score, "ScoreStats", QStringLiteral("成绩统计表(&T)"), &MainForm::statsTable);
    addEntry(score, "ScoreGrade", QStringLiteral("年级对比(&G)"), &MainForm::gradeComparison);
    addEntry(score, "ScoreProgress", QStringLiteral("进退步分析(&J)"), &MainForm::progressAnalysis);

    QMenu* report = addTopMenu("Report", QStringLiteral("报表打印(&P)"));
    addEntry(report, "ReportStu", QStringLiteral("学生信息报表"), &MainForm::studentReport);
    addEntry(report, "ReportScore", QStringLiteral("学生成绩报表"), &MainForm::scoreReport);
    addEntry(report, "ReportTeach", QStringLiteral("学生评语报表"), &MainForm::commentReport);
    addEntry(report, "ReportSlips", QStringLiteral("成绩条(&T)"), &MainForm::scoreSlips);
    connect(report, &QMenu::aboutToShow, this, &MainForm::updateReportEntries);

    QMenu* con = addTopMenu("Con", QStringLiteral("系统配置(&C)"));
    addEntry(con, "ReLogin", QStringLiteral("重新登陆"), &MainForm::reLogin);
    addEntry(con, "DataBase", QStringLiteral("数据库配置"), &MainForm::databaseConfig);
    addEntry(con, "Admin", QStringLiteral("权限设置"), &MainForm::privileges);
    addEntry(con, "Password", QStringLiteral("修改密码"), &MainForm::changePassword);
    addLine(con, "line6");
    addEntry(con, "DataBackup", QStringLiteral("备份数据库(&K)"), &MainForm::backupNow);
    addEntry(con, "DataRestore", QStringLiteral("恢复数据库(&R)"), &MainForm::restoreDatabase);
    addEntry(con, "DataCopy", QStringLiteral("复制数据库(&Y)…"), &MainForm::copyDatabase);

    m_winMenu = addTopMenu("Win", QStringLiteral("窗口管理(&W)"));
    addEntry(m_winMenu, "WinClose", QStringLiteral("关闭所有子窗体"))->setEnabled(false);
    QAction* cascade = m_winMenu->addAction(QStringLiteral("层叠(&C)"));
    cascade->setObjectName(QStringLiteral("WinCascade"));
    connect(cascade, &QAction::triggered, m_mdi, &QMdiArea::cascadeSubWindows);
    QAction* tile = m_winMenu->addAction(QStringLiteral("平铺(&T)"));
    tile->setObjectName(QStringLiteral("WinTile"));
    connect(tile, &QAction::triggered, m_mdi, &QMdiArea::tileSubWindows);
    m_winLine = m_winMenu->addSeparator();
    m_winLine->setObjectName(QStringLiteral("line4"));
    connect(m_winMenu, &QMenu::aboutToShow, this, &MainForm::fillWindowMenu);

    QMenu* h = addTopMenu("H", QStringLiteral("系统帮助(&H)"));
    addEntry(h, "Help", QStringLiteral("帮助"), &MainForm::help);
    addEntry(h, "TeacherSource", QStringLiteral("教师资源"), &MainForm::teacherSource);
    addEntry(h, "Web", QStringLiteral("个人主页"), &MainForm::web);
    addLine(h, "line3");
    addEntry(h, "About", QStringLiteral("关于"), &MainForm::about);
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
    Module1& m = mod();
    auto students = m.Conn().hasRows(QStringLiteral("tblLogin"));
    if (!students)
        MessageService::error(students.error());
    if (!students || !*students) {
        menu(QStringLiteral("Test"))->menuAction()->setEnabled(false);
        menu(QStringLiteral("ScoreAnalyse"))->menuAction()->setEnabled(false);
        MessageService::info(QStringLiteral("请添加学生信息！"));
    }
    auto cls = m.Conn().hasRows(QStringLiteral("tblClass"));
    if (!cls || !*cls) {
        entry(QStringLiteral("ClassConfig"))->setEnabled(false);
        MessageService::info(QStringLiteral("程序有错！数据库中少表tblClass."));
    }
    if (!m.IsAdmin()) {
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
    return sub && m_mdi->subWindowList().contains(sub);
}

void MainForm::showChild(QWidget* window)
{
    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    if (!sub) {
        window->setAttribute(Qt::WA_DeleteOnClose);
        sub = m_mdi->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->installEventFilter(this);
        // A window that ends by itself takes its frame along.
        connect(window, &QObject::destroyed, sub, &QWidget::close, Qt::QueuedConnection);
        window->show();
        sub->show();
        const QSize frame = sub->size() - window->size();
        const QSize room = m_mdi->isVisible() ? m_mdi->viewport()->size() - frame : QSize();
        sub->resize(ChildWindow::openingSize(window, room) + frame);
        if (m_mdi->isVisible()) {
            // Wholly inside the area, where the window manager placed it if it fits.
            const QRect area = m_mdi->viewport()->rect();
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
    m_mdi->setActiveSubWindow(sub);
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
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
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
    const QList<QAction*> actions = m_winMenu->actions();
    for (int i = int(actions.indexOf(m_winLine)) + 1; i < actions.size(); ++i) {
        m_winMenu->removeAction(actions[i]);
        actions[i]->deleteLater();
    }
    int n = 0;
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        QAction* a = m_winMenu->addAction(QStringLiteral("&%1 %2").arg(++n).arg(sub->windowTitle()));
        a->setCheckable(true);
        a->setChecked(sub == m_mdi->activeSubWindow());
        connect(a, &QAction::triggered, m_mdi, [this, sub] { m_mdi->setActiveSubWindow(sub); });
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
    Windows::showLogin();
    unload();
    mod().Conn().close();
}

void MainForm::databaseConfig()
{
    if (!mayDropWindows())
        return;
    Login* login = Windows::showLogin();
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
    CopyDatabase dialog(this);
    dialog.exec();
}

void MainForm::lockTests()
{
    TestLockDialog dialog(this);
    if (dialog.fill())
        dialog.exec();
}

void MainForm::deletedTests()
{
    DeletedTests dialog(this);
    if (!dialog.fill())
        return;
    dialog.exec();
    if (dialog.restoredAny() && isOpen(m_tests))
        m_tests->load();
}

void MainForm::backupOnClose()
{
    const QString file = Backups::databaseFile(mod().Conn().settings());
    if (file.isEmpty() || !mod().Conn().isOpen() || Backups::takenToday(file, Backups::folderFor(file)))
        return;
    backUp(this, file, QString(), QStringLiteral("数据库的自动备份没有完成："));
}

void MainForm::backupNow()
{
    const QString file = Backups::databaseFile(mod().Conn().settings());
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
    const QString file = Backups::databaseFile(mod().Conn().settings());
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
    if (!Backups::loginWorks(choice.chosen(), mod().DbUser(), mod().DbPwd())
        && MessageService::askDelete(
               QStringLiteral("这个备份的数据库登录与现在的不同：用 dbcfg.dat 中的用户 %1 和密码打不开它。\r\n"
                              "恢复后谁都登陆不了，要先在“数据库配置”中改用它的登录，或用 velmora-initdb --restore "
                              "把“恢复前”的备份放回去。\r\n仍然要恢复吗？")
                   .arg(mod().DbUser()),
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
    Windows::showLogin();
    unload();
    mod().Conn().close();
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
    if (mod().DbUser() != mod().LoginUser()) {
        Pass pass(this);
        pass.exec();
        return;
    }
    MessageService::info(QStringLiteral("您是数据库管理员，请在SQL SERVER 2000下进行设置！"));
}

void MainForm::classSettings()
{
    if (!isOpen(m_class)) {
        m_class = new Class;
        m_class->load();
    }
    showChild(m_class);
}

void MainForm::privileges()
{
    User user(this);
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
        auto* opened = new Window;
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
        selector = new Selector;
        connect(selector, &Selector::chosen, this, [this, &analysis] {
            if (!isOpen(analysis))
                analysis = new Analysis;
            analysis->load();
            showChild(analysis);
        });
        selector->load();
    }
    showChild(selector);
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
        m_tests = new TestInfoWatch;
        connect(m_tests, &TestInfoWatch::addRequested, this, &MainForm::addTest);
        m_tests->load();
    }
    showChild(m_tests);
}

void MainForm::addTest()
{
    TestInfoAdd::open(this);
}

TestFillSel* MainForm::selectTest(const QString& mode)
{
    if (!isOpen(m_select)) {
        m_select = new TestFillSel;
        connect(m_select, &TestFillSel::enterScores, this,
            [this](const QString& caption, const QString& topic, bool autoSave) {
                TestFill::open(this, caption, topic, autoSave);
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
    auto book = ScoreExport::allTests(mod().Conn());
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
    mod().setSelNo(QString::number(testNumber));
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
        auto* grid = new ScoreGrid;
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
        m_scores = new TestWatch;
    m_scores->load();
    showChild(m_scores);
}

void MainForm::studentList()
{
    if (!isOpen(m_watch)) {
        m_watch = new StudentInfoWatch;
        connect(m_watch, &StudentInfoWatch::findRequested, this, &MainForm::findStudent);
        m_watch->fill();
    }
    showChild(m_watch);
}

void MainForm::addStudent()
{
    StudentInfo::openAdd(this);
}

void MainForm::importStudents()
{
    StudentImportDialog importing(this);
    if (!importing.chooseFile())
        return;
    // The list open beside shows the new students at once.
    if (importing.exec() == QDialog::Accepted && isOpen(m_watch))
        m_watch->fill();
}

void MainForm::findStudent()
{
    if (!isOpen(m_find))
        m_find = new StudentInfoFind;
    showChild(m_find);
}

void MainForm::studentReport()
{
    if (!m_report)
        m_report = new DataReport1(this);
    else
        m_report->refresh();
    m_report->show();
    m_report->raise();
    m_report->activateWindow();
}

void MainForm::scoreReport()
{
    ReportScore dialog(this);
    if (dialog.load())
        dialog.exec();
}

void MainForm::scoreSlips()
{
    ReportSlips dialog(this);
    if (dialog.load())
        dialog.exec();
}

void MainForm::commentReport()
{
    ReportTeach dialog(this);
    if (dialog.load())
        dialog.exec();
}

void MainForm::updateReportEntries()
{
    auto tests = Exams::list(mod().Conn());
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
    Splash about(Splash::Mode::About, this);
    about.exec();
}

} // namespace velmora
