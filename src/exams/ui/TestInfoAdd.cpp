#include "exams/ui/TestInfoAdd.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "data/TextLimits.h"
#include "exams/TestRecord.h"
#include "exams/ui/TestFill.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Pictures.h"
#include "ui_TestInfoAdd.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace velmora {

TestInfoAdd::TestInfoAdd(Module1& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_session(session)
    , m_ui(std::make_unique<Ui::TestInfoAdd>())
    , Check(17, nullptr)
    , txtFull(15, nullptr)
{
    m_ui->setupUi(this);
    Controls::limitToColumn(m_ui->txtName, "tblTestInfo", "考试名称");
    m_ui->txtType->addItems(Exams::types());
    m_ui->txtType->setCurrentIndex(-1);
    m_ui->txtType->setEditText(QString());
    if (QLineEdit* typed = m_ui->txtType->lineEdit())
        Controls::limitToColumn(typed, "tblTestInfo", "考试类型");
    Controls::limitToColumn(m_ui->txtDate, "tblTestInfo", "考试日期");
    Controls::limitChars(m_ui->txtMemo, 50);
    m_ui->Image1->setPixmap(Pictures::appIcon().pixmap(40, 40));
    // The subjects' captions and full marks come from the fixed list and the default.
    const QStringList subjects = Schema::subjects();
    for (int i = 1; i <= 16; ++i) {
        Check[i] = findChild<QCheckBox*>(QStringLiteral("Check%1").arg(i));
        if (i > 14)
            continue;
        Check[i]->setText(subjects[i - 1]);
        txtFull[i] = findChild<QLineEdit*>(QStringLiteral("txtFull%1").arg(i));
        txtFull[i]->setText(QString::number(TestItems::kDefaultFullMarks));
        txtFull[i]->setFixedWidth(txtFull[i]->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        txtFull[i]->setToolTip(QStringLiteral("%1的满分").arg(subjects[i - 1]));
        connect(Check[i], &QCheckBox::toggled, txtFull[i], &QWidget::setEnabled);
    }

    connect(m_ui->CheckAll, &QCheckBox::clicked, this, [this](bool on) {
        for (int i = 1; i <= 16; ++i)
            Check[i]->setChecked(on);
    });
    connect(m_ui->txtType, &QComboBox::activated, this, &TestInfoAdd::typePicked);
    connect(m_ui->BN_OK, &QPushButton::clicked, this, &TestInfoAdd::define);
    connect(m_ui->Command2, &QPushButton::clicked, this, &QDialog::reject);
    load();
}

TestInfoAdd::~TestInfoAdd() = default;

void TestInfoAdd::showNumber(int number)
{
    m_ui->txtNumber->setText(QString::number(number));
    m_ui->txtSaveAt->setText(QStringLiteral("表 TblScore") + m_ui->txtNumber->text());
}

void TestInfoAdd::load()
{
    auto next = Exams::nextNumber(m_session.Conn());
    showNumber(next ? *next : 1);
    m_ui->txtDate->setText(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
}

void TestInfoAdd::typePicked()
{
    const bool final = Exams::isFinalType(m_ui->txtType->currentText());
    Check[15]->setChecked(final);
    Check[16]->setChecked(final);
}

bool TestInfoAdd::CheckForm()
{
    if (m_ui->txtType->currentText().isEmpty()) {
        MessageService::info(QStringLiteral("请选择考试类型！"));
        return false;
    }
    bool anySubject = false;
    for (int i = 1; i <= 14; ++i)
        anySubject = anySubject || Check[i]->isChecked();
    if (!anySubject) {
        MessageService::info(QStringLiteral("请选择考核项目！"));
        return false;
    }
    return true;
}

void TestInfoAdd::define()
{
    if (!CheckForm())
        return;
    NewTest test { m_ui->txtName->text(), m_ui->txtDate->text(), m_ui->txtType->currentText(),
        m_ui->txtMemo->toPlainText(), {} };
    const std::pair<const char*, QString> typed[]
        = { { "考试名称", test.name }, { "考试日期", test.date }, { "考试类型", test.type }, { "备注", test.memo } };
    for (const auto& [column, value] : typed) {
        const QString name = QString::fromUtf8(column);
        if (!TextLimits::fits(u"tblTestInfo", name, value)) {
            MessageService::info(
                QStringLiteral("%1最多只能输入%2个字符！").arg(name).arg(TextLimits::limit(u"tblTestInfo", name)));
            return;
        }
    }
    for (int i = 1; i <= 14; ++i) {
        if (!Check[i]->isChecked())
            continue;
        if (const QString why = Exams::fullMarksProblem(txtFull[i]->text()); !why.isEmpty()) {
            MessageService::info(QStringLiteral("%1的%2！").arg(Schema::subjects()[i - 1], why));
            txtFull[i]->setFocus();
            txtFull[i]->selectAll();
            return;
        }
        test.items.subjects << i - 1;
        test.items.fullMarks[i - 1] = txtFull[i]->text().trimmed().toInt();
    }
    test.items.attendance = Check[15]->isChecked();
    test.items.comment = Check[16]->isChecked();

    const int shown = m_ui->txtNumber->text().toInt();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    auto defined = Exams::define(m_session.Conn(), test);
    QApplication::restoreOverrideCursor();
    if (!defined) {
        // The typed values stay in the window for another try.
        if (defined.error().is(Error::Kind::Busy))
            MessageService::info(QStringLiteral("数据库正被其他用户或程序使用，考试没有添加，请稍后再试。"));
        else
            MessageService::error(
                defined.error(), ErrorWording::Unknown, QStringLiteral("考试没有添加，数据库中没有留下任何内容。\r\n"));
        return;
    }
    showNumber(defined->number);
    if (defined->number != shown)
        MessageService::info(
            QStringLiteral("考试号 %1 刚被其他用户使用，本次考试的考试号为 %2。").arg(shown).arg(defined->number));
    if (defined->students == 0)
        MessageService::info(QStringLiteral("请先增加学生！"));
    else
        MessageService::info(QStringLiteral("添加成功，请刷新！"));
    if (MessageService::askYesNo(QStringLiteral("您现在就想录入成绩吗？"), MsgIcon::Information)) {
        m_session.setSelNo(m_ui->txtNumber->text());
        m_enterScores = defined->number;
    }
    accept();
}

} // namespace velmora

namespace velmora {

void TestInfoAdd::open(Module1& session, QWidget* parent)
{
    int number = 0;
    {
        TestInfoAdd add(session, parent);
        add.exec();
        number = add.enterScoresFor();
    }
    if (number > 0)
        TestFill::open(session, parent, QStringLiteral("考试成绩录入"), QStringLiteral("考试成绩录入"), true);
}

} // namespace velmora
