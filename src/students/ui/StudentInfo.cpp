#include "students/ui/StudentInfo.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/TextLimits.h"
#include "history/ui/ScoreHistoryView.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/WindowRequests.h"
#include "ui_StudentInfo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velmora {

namespace {

const QString kPrompt = QStringLiteral("请选择...");
const QString kRetired = QStringLiteral("已退休");
const QString kEdit = QStringLiteral("修改(&E)");

// The box index of each column of tblLogin, in column order (性别 and 籍贯 have none).
constexpr int kBoxOf[StudentRecord::ColumnCount] = { 1, 2, 0, 3, 5, 0, 4, 6, 7, 8, 9, 10, 11, 12, 13 };

} // namespace

StudentInfo::StudentInfo(Module1& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_session(session)
    , m_ui(std::make_unique<Ui::StudentInfo>())
    , Text(14, nullptr)
{
    m_ui->setupUi(this);
    // 联系电话 takes what the column of the database in use takes.
    const int limits[14]
        = { 0, 10, 10, 0, 30, 10, TextLimits::limit(u"tblLogin", u"联系电话"), 10, 20, 10, 20, 20, 20, 60 };
    for (int i = 1; i <= 13; ++i) {
        Text[i] = findChild<QWidget*>(QStringLiteral("Text%1").arg(i));
        if (auto* lines = qobject_cast<QPlainTextEdit*>(Text[i]))
            Controls::limitChars(lines, limits[i]);
        else if (limits[i] > 0)
            Controls::limitChars(static_cast<QLineEdit*>(Text[i]), limits[i]);
    }
    m_ui->native->addItems(StudentRecord::provinces());

    connect(m_ui->Father_r, &QCheckBox::toggled, this, [this] { retired(m_ui->Father_r, 8); });
    connect(m_ui->Mother_r, &QCheckBox::toggled, this, [this] { retired(m_ui->Mother_r, 10); });
    connect(m_ui->BN_Save, &QPushButton::clicked, this, &StudentInfo::save);
    connect(m_ui->BN_Edit, &QPushButton::clicked, this, &StudentInfo::editOrSave);
    connect(m_ui->BN_Del, &QPushButton::clicked, this, &StudentInfo::remove);
    connect(m_ui->BN_Back, &QPushButton::clicked, this, [this] { QDialog::done(QDialog::Rejected); });
    connect(m_ui->BN_Browse, &QPushButton::clicked, this, &StudentInfo::browse);
    connect(m_ui->BN_Attendance, &QPushButton::clicked, this, [this] {
        if (const QString number = text(1).trimmed(); !number.isEmpty())
            Q_EMIT WindowRequests::instance().attendanceRequested(this, number, text(2).trimmed());
    });
    connect(m_ui->BN_History, &QPushButton::clicked, this, [this] {
        const QString number = text(1).trimmed();
        if (number.isEmpty())
            return;
        ScoreHistoryView history(m_session, ScoreHistory::kStudentRecords, number, QString(), this);
        if (history.fill())
            history.exec();
        // A value put back shows at once; the form stays in the mode it was in.
        if (history.changedScores()) {
            if (auto found = Students::fetch(m_session.Conn(), number); found && *found)
                fill(**found);
        }
    });

    load();
}

StudentInfo::~StudentInfo() = default;

QString StudentInfo::text(int index) const
{
    if (auto* line = qobject_cast<QLineEdit*>(Text[index]))
        return line->text();
    return static_cast<QPlainTextEdit*>(Text[index])->toPlainText();
}

void StudentInfo::setText(int index, const QString& value)
{
    if (auto* line = qobject_cast<QLineEdit*>(Text[index]))
        line->setText(value);
    else
        static_cast<QPlainTextEdit*>(Text[index])->setPlainText(value);
}

void StudentInfo::load()
{
    if (!m_session.IsAdmin()) {
        m_ui->BN_Edit->setEnabled(false);
        m_ui->BN_Del->setEnabled(false);
    }
    for (int i = 1; i <= 13; ++i)
        setText(i, QString());
    m_ui->native->setCurrentIndex(-1);
    m_ui->native->setEditText(kPrompt);
    setText(5, QStringLiteral("汉"));
}

void StudentInfo::retired(QCheckBox* box, int index)
{
    if (box->isChecked()) {
        setText(index, kRetired);
        Text[index]->setEnabled(false);
    } else {
        setText(index, QString());
        Text[index]->setEnabled(true);
    }
}

void StudentInfo::setLocked(bool locked)
{
    for (int i = 1; i <= 13; ++i) {
        if (auto* line = qobject_cast<QLineEdit*>(Text[i]))
            line->setReadOnly(locked);
        else
            static_cast<QPlainTextEdit*>(Text[i])->setReadOnly(locked);
    }
    for (QWidget* w : std::initializer_list<QWidget*> {
             m_ui->native, m_ui->sex_m, m_ui->sex_w, m_ui->Father_r, m_ui->Mother_r, m_ui->BN_Browse })
        w->setEnabled(!locked);
}

StudentRecord StudentInfo::record() const
{
    StudentRecord r;
    for (int c = 0; c < StudentRecord::ColumnCount; ++c) {
        if (kBoxOf[c] > 0)
            r.values[c] = text(kBoxOf[c]);
    }
    r[StudentRecord::Sex] = m_ui->sex_m->isChecked() ? QStringLiteral("男") : QStringLiteral("女");
    r[StudentRecord::Native] = m_ui->native->currentText();
    return r;
}

void StudentInfo::fill(const StudentRecord& r)
{
    for (int c = 0; c < StudentRecord::ColumnCount; ++c) {
        if (kBoxOf[c] > 0)
            setText(kBoxOf[c], r.values[c]);
    }
    m_ui->sex_m->setChecked(r[StudentRecord::Sex] == QStringLiteral("男"));
    m_ui->sex_w->setChecked(r[StudentRecord::Sex] == QStringLiteral("女"));
    m_ui->native->setEditText(r[StudentRecord::Native]);
    m_ui->Father_r->setChecked(r[StudentRecord::FatherWork] == kRetired);
    m_ui->Mother_r->setChecked(r[StudentRecord::MotherWork] == kRetired);
}

bool StudentInfo::checkinput()
{
    StudentInput input { record(), m_ui->sex_m->isChecked() || m_ui->sex_w->isChecked(), m_ui->native->currentText() };
    const QString problem = checkStudentInput(input);
    if (problem.isEmpty())
        return true;
    MessageService::info(problem);
    return false;
}

void StudentInfo::prepareAdd()
{
    setWindowTitle(QStringLiteral("添加学生信息"));
    m_ui->BN_Save->show();
    lockoff();
    m_ui->BN_Del->hide();
    m_ui->BN_Edit->hide();
    m_ui->BN_Attendance->hide();
    markSaved();
}

bool StudentInfo::isAdding() const
{
    return !m_ui->BN_Save->isHidden() && m_ui->native->isEnabled();
}

bool StudentInfo::isEditing() const
{
    return m_ui->BN_Edit->text() != kEdit;
}

QStringList StudentInfo::typed() const
{
    QStringList values;
    for (int i = 1; i <= 13; ++i)
        values << text(i);
    values << m_ui->native->currentText() << QString::number(m_ui->sex_m->isChecked())
           << QString::number(m_ui->sex_w->isChecked()) << QString::number(m_photo ? m_photo->size() : -1);
    return values;
}

bool StudentInfo::hasUnsavedChanges() const
{
    return (isAdding() || isEditing()) && typed() != m_typed;
}

void StudentInfo::reject()
{
    if (hasUnsavedChanges()) {
        const bool adding = isAdding();
        const bool leave = ChildWindow::mayDropUnsaved([this, adding] {
            if (adding) {
                save();
                return !isAdding();
            }
            editOrSave();
            return !isEditing();
        });
        if (!leave)
            return;
    }
    QDialog::reject();
}

void StudentInfo::prepareView(const QStringList& cells, const QString& key)
{
    m_key = key;
    if (cells.size() >= StudentRecord::ColumnCount) {
        StudentRecord r;
        r.values = cells.mid(0, StudentRecord::ColumnCount);
        fill(r);
    }
    setWindowTitle(QStringLiteral("查看学生详细信息"));
    lockon();
}

bool StudentInfo::prepareReadOnly(const QString& number)
{
    auto found = Students::fetch(m_session.Conn(), number.trimmed());
    if (found && *found)
        fill(**found);
    else
        setText(1, number.trimmed());
    setWindowTitle(QStringLiteral("查看学生信息"));
    m_ui->BN_Save->hide();
    m_ui->BN_Del->hide();
    m_ui->BN_Edit->hide();
    lockon();
    return found && *found;
}

void StudentInfo::openAdd(Module1& session, QWidget* parent)
{
    StudentInfo form(session, parent);
    form.prepareAdd();
    form.exec();
}

void StudentInfo::openFromGrid(Module1& session, QWidget* parent, const QStringList& cells, const QString& key)
{
    StudentInfo form(session, parent);
    form.prepareView(cells, key);
    form.exec();
}

bool StudentInfo::openReadOnly(Module1& session, QWidget* parent, const QString& number)
{
    StudentInfo form(session, parent);
    if (!form.prepareReadOnly(number)) {
        MessageService::info(
            QStringLiteral("学号为 %1 的学生已不存在（资料可能已被删除），不能查看！").arg(number.trimmed()));
        return false;
    }
    form.exec();
    return true;
}

void StudentInfo::save()
{
    if (!checkinput())
        return;
    const Status r = Students::add(m_session.Conn(), record(), m_photo);
    if (!r && r.error().is(Error::Kind::Duplicate)) {
        MessageService::show(QStringLiteral(" 已有该学生，请重新检查学号"), MsgIcon::Critical);
        return;
    }
    if (!r) {
        MessageService::error(r.error());
        return;
    }
    MessageService::info(QStringLiteral("添加成功，请刷新！"));
    Q_EMIT WindowRequests::instance().studentsChanged();
    lockon();
    m_ui->BN_Save->hide();
}

bool StudentInfo::written(const Status& r)
{
    if (r)
        return true;
    if (r.error().is(Error::Kind::Missing))
        MessageService::info(QStringLiteral("请刷新后再试！"));
    else if (r.error().is(Error::Kind::Conflict))
        MessageService::info(r.error().description);
    else
        MessageService::error(r.error());
    return false;
}

void StudentInfo::editOrSave()
{
    if (m_ui->BN_Edit->text() == kEdit) {
        lockoff();
        setWindowTitle(QStringLiteral("修改学生信息"));
        m_ui->BN_Del->hide();
        Text[1]->setEnabled(false);
        m_ui->BN_Edit->setText(QStringLiteral("保存(&S)"));
        markSaved();
        m_read = record();
        return;
    }
    if (!checkinput())
        return;
    StudentRecord edited = record();
    if (!m_key.isEmpty())
        edited.key = m_key;
    const Status r = Students::update(m_session.Conn(), edited, m_photo, m_read);
    if (!written(r))
        return;
    MessageService::info(QStringLiteral("修改成功，请刷新！"));
    setWindowTitle(QStringLiteral("查看学生信息"));
    lockon();
    m_ui->BN_Del->show();
    m_ui->BN_Edit->setText(kEdit);
}

void StudentInfo::remove()
{
    const MsgAnswer answer = MessageService::askDelete(QStringLiteral("您确定要删除吗？"), MsgIcon::None);
    if (answer == MsgAnswer::Cancel)
        return;
    if (answer == MsgAnswer::No) {
        QDialog::reject();
        return;
    }
    const Status r = Students::remove(m_session.Conn(), m_key.isEmpty() ? text(1) : m_key);
    if (!written(r))
        return;
    MessageService::info(QStringLiteral("删除成功，请刷新！"));
    accept();
}

void StudentInfo::browse()
{
    const QString path = FileDialogs::openFileName(this, FileDialogs::Kind::Photo);
    if (path.isEmpty()) {
        if (!m_photo)
            m_ui->Image1->clear();
        return;
    }
    if (QFileInfo(path).size() > kMaxPhotoBytes) {
        MessageService::info(QStringLiteral("照片文件太大，请选择不超过10MB的图片！"));
        return;
    }
    auto read = readPhotoFile(path);
    if (!read) {
        MessageService::error(read.error());
        return;
    }
    const QByteArray bytes = *read;
    QPixmap picture;
    if (bytes.isEmpty() || !picture.loadFromData(bytes)) {
        MessageService::info(QStringLiteral("图片不能打开！"));
        return;
    }
    // The bytes shown are the bytes stored, whatever happens to the file meanwhile.
    m_photo = bytes;
    setPicture(picture);
}

void StudentInfo::setPicture(const QPixmap& picture)
{
    m_ui->Image1->setPixmap(picture);
}

void StudentInfo::showPhoto()
{
    if (text(1).isEmpty())
        return;
    auto bytes = Students::photo(m_session.Conn(), m_key.isEmpty() ? text(1) : m_key);
    QPixmap picture;
    if (bytes && !bytes->isEmpty() && picture.loadFromData(*bytes))
        setPicture(picture);
}

void StudentInfo::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    showPhoto();
}

} // namespace velmora
