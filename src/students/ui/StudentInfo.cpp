#include "students/ui/StudentInfo.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/TextLimits.h"
#include "history/ui/ScoreHistoryView.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/WindowRequests.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmora {

namespace {

const QString kPrompt = QStringLiteral("请选择...");
const QString kRetired = QStringLiteral("已退休");
const QString kEdit = QStringLiteral("修改(&E)");

// The box index of each column of tblLogin, in column order (性别 and 籍贯 have none).
constexpr int kBoxOf[StudentRecord::ColumnCount] = { 1, 2, 0, 3, 5, 0, 4, 6, 7, 8, 9, 10, 11, 12, 13 };

} // namespace

StudentInfo::StudentInfo(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , Text(14, nullptr)
{
    setObjectName(QStringLiteral("StudentInfo"));
    // 联系电话 takes what the column of the database in use takes.
    const int limits[14]
        = { 0, 10, 10, 0, 30, 10, TextLimits::limit(u"tblLogin", u"联系电话"), 10, 20, 10, 20, 20, 20, 60 };
    for (int i = 1; i <= 13; ++i) {
        if (i >= 11) {
            QPlainTextEdit* box = Controls::multiLine(this, "", limits[i]);
            box->setFixedHeight(i == 13 ? 64 : 40);
            Text[i] = box;
        } else {
            QLineEdit* box = Controls::edit(this, "");
            if (limits[i] > 0)
                Controls::limitChars(box, limits[i]);
            Text[i] = box;
        }
        Text[i]->setObjectName(QStringLiteral("Text%1").arg(i));
    }

    Title = Controls::title(this, "Title", QStringLiteral("学生信息表"));

    sex_m = new QRadioButton(QStringLiteral("男"), this);
    sex_m->setObjectName(QStringLiteral("sex_m"));
    sex_w = new QRadioButton(QStringLiteral("女"), this);
    sex_w->setObjectName(QStringLiteral("sex_w"));
    native = new QComboBox(this);
    native->setObjectName(QStringLiteral("native"));
    native->setEditable(true);
    native->addItems(StudentRecord::provinces());
    native->setMaxVisibleItems(16);
    Father_r = new QCheckBox(kRetired, this);
    Father_r->setObjectName(QStringLiteral("Father_r"));
    Mother_r = new QCheckBox(kRetired, this);
    Mother_r->setObjectName(QStringLiteral("Mother_r"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(72, 88); // 1080 x 1320 twips
    Image1->setScaledContents(true);
    Image1->setFrameShape(QFrame::StyledPanel);
    Image1->setAccessibleName(QStringLiteral("照片"));

    BN_Browse = Controls::button(this, "BN_Browse", QStringLiteral("浏览(&R)"));
    BN_Edit = Controls::button(this, "BN_Edit", kEdit);
    BN_Del = Controls::button(this, "BN_Del", QStringLiteral("删除(&D)"));
    BN_Save = Controls::button(this, "BN_Save", QStringLiteral("保存(&S)"));
    BN_Back = Controls::button(this, "BN_Back", QStringLiteral("返回(&B)"));
    BN_History = Controls::button(this, "BN_History", QStringLiteral("修改记录(&J)"));
    BN_History->setToolTip(QStringLiteral("导入名单时对这名学生信息的修改，可以恢复原值"));
    BN_Save->hide();
    BN_Browse->setEnabled(false);

    auto label = [this](const char* name, const char* caption, QWidget* buddy) {
        return Controls::label(this, name, QString::fromUtf8(caption), buddy);
    };
    auto* top = new QHBoxLayout;
    top->addWidget(label("Label1", "学号", Text[1]));
    top->addWidget(Text[1]);
    top->addSpacing(24);
    top->addWidget(Title);
    top->addStretch();

    auto* Frame3 = new QGroupBox(QStringLiteral("个人资料"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    auto* personal = new QGridLayout(Frame3);
    personal->addWidget(label("Label2", "* 姓名：", Text[2]), 0, 0);
    personal->addWidget(Text[2], 0, 1);
    auto* sexLabel = label("Label3", "* 性别：", sex_m);
    personal->addWidget(sexLabel, 0, 2);
    auto* sexRow = new QHBoxLayout;
    sexRow->addWidget(sex_m);
    sexRow->addWidget(sex_w);
    personal->addLayout(sexRow, 0, 3);
    personal->addWidget(label("Label4", "* 出生年月：", Text[3]), 1, 0);
    personal->addWidget(Text[3], 1, 1);
    personal->addWidget(Controls::label(this, "Label5", QStringLiteral("(示例: 1985-01-31)")), 1, 2, 1, 2);
    personal->addWidget(label("Label6", "* 民族：", Text[5]), 2, 0);
    personal->addWidget(Text[5], 2, 1);
    personal->addWidget(label("Label7", "* 籍贯：", native), 2, 2);
    personal->addWidget(native, 2, 3);
    personal->addWidget(label("Label8", "* 家庭住址：", Text[4]), 3, 0);
    personal->addWidget(Text[4], 3, 1, 1, 3);
    personal->addWidget(label("Label9", "联系电话：", Text[6]), 4, 0);
    personal->addWidget(Text[6], 4, 1);

    auto* Frame4 = new QGroupBox(QStringLiteral("照片"), this);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    auto* photo = new QVBoxLayout(Frame4);
    photo->addWidget(Image1, 0, Qt::AlignCenter);
    auto* photoColumn = new QVBoxLayout;
    photoColumn->addWidget(Frame4);
    photoColumn->addWidget(BN_Browse);
    photoColumn->addStretch();

    auto* middle = new QHBoxLayout;
    middle->addWidget(Frame3, 1);
    middle->addLayout(photoColumn);

    auto* Frame2 = new QGroupBox(QStringLiteral("家庭情况"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* family = new QGridLayout(Frame2);
    family->addWidget(label("Label10", "父亲姓名：", Text[7]), 0, 0);
    family->addWidget(Text[7], 0, 1);
    family->addWidget(label("Label11", "工作单位：", Text[8]), 0, 2);
    family->addWidget(Text[8], 0, 3);
    family->addWidget(Father_r, 0, 4);
    family->addWidget(label("Label12", "母亲姓名：", Text[9]), 1, 0);
    family->addWidget(Text[9], 1, 1);
    family->addWidget(label("Label13", "工作单位：", Text[10]), 1, 2);
    family->addWidget(Text[10], 1, 3);
    family->addWidget(Mother_r, 1, 4);

    auto* Frame1 = new QGroupBox(QStringLiteral("备注"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* remarks = new QGridLayout(Frame1);
    remarks->addWidget(label("Label14", "毕业于：", Text[11]), 0, 0);
    remarks->addWidget(Text[11], 0, 1);
    remarks->addWidget(label("Label15", "毕业至：", Text[12]), 0, 2);
    remarks->addWidget(Text[12], 0, 3);
    remarks->addWidget(label("Label16", "其他：", Text[13]), 1, 0);
    remarks->addWidget(Text[13], 1, 1, 1, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addWidget(Frame2);
    layout->addWidget(Frame1);
    layout->addLayout(Controls::buttonRow({ BN_History, BN_Edit, BN_Del, BN_Save, BN_Back }));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Father_r, &QCheckBox::toggled, this, [this] { retired(Father_r, 8); });
    connect(Mother_r, &QCheckBox::toggled, this, [this] { retired(Mother_r, 10); });
    connect(BN_Save, &QPushButton::clicked, this, &StudentInfo::save);
    connect(BN_Edit, &QPushButton::clicked, this, &StudentInfo::editOrSave);
    connect(BN_Del, &QPushButton::clicked, this, &StudentInfo::remove);
    connect(BN_Back, &QPushButton::clicked, this, [this] { QDialog::done(QDialog::Rejected); });
    connect(BN_Browse, &QPushButton::clicked, this, &StudentInfo::browse);
    connect(BN_History, &QPushButton::clicked, this, [this] {
        const QString number = text(1).trimmed();
        if (number.isEmpty())
            return;
        ScoreHistoryView history(ScoreHistory::kStudentRecords, number, QString(), this);
        if (history.fill())
            history.exec();
        // A value put back shows at once; the form stays in the mode it was in.
        if (history.changedScores()) {
            if (auto found = Students::fetch(mod().Conn, number); found && *found)
                fill(**found);
        }
    });

    load();
}

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
    if (!mod().IsAdmin) {
        BN_Edit->setEnabled(false);
        BN_Del->setEnabled(false);
    }
    for (int i = 1; i <= 13; ++i)
        setText(i, QString());
    native->setCurrentIndex(-1);
    native->setEditText(kPrompt);
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
    for (QWidget* w : std::initializer_list<QWidget*> { native, sex_m, sex_w, Father_r, Mother_r, BN_Browse })
        w->setEnabled(!locked);
}

StudentRecord StudentInfo::record() const
{
    StudentRecord r;
    for (int c = 0; c < StudentRecord::ColumnCount; ++c) {
        if (kBoxOf[c] > 0)
            r.values[c] = text(kBoxOf[c]);
    }
    r[StudentRecord::Sex] = sex_m->isChecked() ? QStringLiteral("男") : QStringLiteral("女");
    r[StudentRecord::Native] = native->currentText();
    return r;
}

void StudentInfo::fill(const StudentRecord& r)
{
    for (int c = 0; c < StudentRecord::ColumnCount; ++c) {
        if (kBoxOf[c] > 0)
            setText(kBoxOf[c], r.values[c]);
    }
    sex_m->setChecked(r[StudentRecord::Sex] == QStringLiteral("男"));
    sex_w->setChecked(r[StudentRecord::Sex] == QStringLiteral("女"));
    native->setEditText(r[StudentRecord::Native]);
    Father_r->setChecked(r[StudentRecord::FatherWork] == kRetired);
    Mother_r->setChecked(r[StudentRecord::MotherWork] == kRetired);
}

bool StudentInfo::checkinput()
{
    StudentInput input { record(), sex_m->isChecked() || sex_w->isChecked(), native->currentText() };
    const QString problem = checkStudentInput(input);
    if (problem.isEmpty())
        return true;
    MessageService::info(problem);
    return false;
}

void StudentInfo::prepareAdd()
{
    setWindowTitle(QStringLiteral("添加学生信息"));
    BN_Save->show();
    lockoff();
    BN_Del->hide();
    BN_Edit->hide();
    markSaved();
}

bool StudentInfo::isAdding() const
{
    return !BN_Save->isHidden() && native->isEnabled();
}

bool StudentInfo::isEditing() const
{
    return BN_Edit->text() != kEdit;
}

QStringList StudentInfo::typed() const
{
    QStringList values;
    for (int i = 1; i <= 13; ++i)
        values << text(i);
    values << native->currentText() << QString::number(sex_m->isChecked()) << QString::number(sex_w->isChecked())
           << QString::number(m_photo ? m_photo->size() : -1);
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
    auto found = Students::fetch(mod().Conn, number.trimmed());
    if (found && *found)
        fill(**found);
    else
        setText(1, number.trimmed());
    setWindowTitle(QStringLiteral("查看学生信息"));
    BN_Save->hide();
    BN_Del->hide();
    BN_Edit->hide();
    lockon();
    return found && *found;
}

void StudentInfo::openAdd(QWidget* parent)
{
    StudentInfo form(parent);
    form.prepareAdd();
    form.exec();
}

void StudentInfo::openFromGrid(QWidget* parent, const QStringList& cells, const QString& key)
{
    StudentInfo form(parent);
    form.prepareView(cells, key);
    form.exec();
}

bool StudentInfo::openReadOnly(QWidget* parent, const QString& number)
{
    StudentInfo form(parent);
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
    const Status r = Students::add(mod().Conn, record(), m_photo);
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
    BN_Save->hide();
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
    if (BN_Edit->text() == kEdit) {
        lockoff();
        setWindowTitle(QStringLiteral("修改学生信息"));
        BN_Del->hide();
        Text[1]->setEnabled(false);
        BN_Edit->setText(QStringLiteral("保存(&S)"));
        markSaved();
        m_read = record();
        return;
    }
    if (!checkinput())
        return;
    StudentRecord edited = record();
    if (!m_key.isEmpty())
        edited.key = m_key;
    const Status r = Students::update(mod().Conn, edited, m_photo, m_read);
    if (!written(r))
        return;
    MessageService::info(QStringLiteral("修改成功，请刷新！"));
    setWindowTitle(QStringLiteral("查看学生信息"));
    lockon();
    BN_Del->show();
    BN_Edit->setText(kEdit);
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
    const Status r = Students::remove(mod().Conn, m_key.isEmpty() ? text(1) : m_key);
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
            Image1->clear();
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
    Image1->setPixmap(picture);
}

void StudentInfo::showPhoto()
{
    if (text(1).isEmpty())
        return;
    auto bytes = Students::photo(mod().Conn, m_key.isEmpty() ? text(1) : m_key);
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
