#include "exams/ui/TestInfoAdd.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "data/Schema.h"
#include "data/TextLimits.h"
#include "exams/TestRecord.h"
#include "exams/ui/TestFill.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Pictures.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

TestInfoAdd::TestInfoAdd(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , Check(17, nullptr)
    , txtFull(15, nullptr)
{
    setObjectName(QStringLiteral("TestInfoAdd"));
    setWindowTitle(QStringLiteral("添加考试信息"));

    auto* title = Controls::title(this, "Label1", QStringLiteral("考试信息表"));
    QLabel* image = Controls::decoration(this);

    txtNumber = Controls::edit(this, "txtNumber");
    txtNumber->setEnabled(false);
    txtNumber->setMaxLength(10);
    txtName = Controls::edit(this, "txtName");
    Controls::limitToColumn(txtName, "tblTestInfo", "考试名称");
    txtType = new QComboBox(this);
    txtType->setObjectName(QStringLiteral("txtType"));
    txtType->setEditable(true);
    txtType->addItems(Exams::types());
    txtType->setCurrentIndex(-1);
    txtType->setEditText(QString());
    if (QLineEdit* typed = txtType->lineEdit())
        Controls::limitToColumn(typed, "tblTestInfo", "考试类型");
    txtDate = Controls::edit(this, "txtDate");
    Controls::limitToColumn(txtDate, "tblTestInfo", "考试日期");
    txtSaveAt = Controls::edit(this, "txtSaveAt");
    txtSaveAt->setEnabled(false);
    txtMemo = Controls::multiLine(this, "txtMemo", 50);
    txtMemo->setFixedHeight(56);
    BN_OK = Controls::button(this, "BN_OK", QStringLiteral("确定(&K)"));
    Command2 = Controls::button(this, "Command2", QStringLiteral("取消(&C)"));

    auto* items = new QGroupBox(this);
    items->setObjectName(QStringLiteral("Frame1"));
    auto* itemGrid = new QGridLayout(items);
    QStringList captions = Schema::subjects();
    captions << QStringLiteral("出勤") << QStringLiteral("教师评语");
    for (int i = 1; i <= 16; ++i) {
        Check[i] = new QCheckBox(captions[i - 1], items);
        Check[i]->setObjectName(QStringLiteral("Check%1").arg(i));
        // 出勤 and 教师评语 have no full marks: they take the box's room too.
        itemGrid->addWidget(Check[i], (i - 1) / 6, (i - 1) % 6 * 2, 1, i > 14 ? 2 : 1);
        if (i > 14)
            continue;
        txtFull[i] = Controls::edit(items, QStringLiteral("txtFull%1").arg(i).toLatin1().constData(),
            QString::number(TestItems::kDefaultFullMarks));
        txtFull[i]->setMaxLength(3);
        txtFull[i]->setFixedWidth(txtFull[i]->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        txtFull[i]->setToolTip(QStringLiteral("%1的满分").arg(captions[i - 1]));
        txtFull[i]->setEnabled(false);
        itemGrid->addWidget(txtFull[i], (i - 1) / 6, (i - 1) % 6 * 2 + 1);
        connect(Check[i], &QCheckBox::toggled, txtFull[i], &QWidget::setEnabled);
    }
    CheckAll = new QCheckBox(QStringLiteral("全选"), items);
    CheckAll->setObjectName(QStringLiteral("CheckAll"));
    itemGrid->addWidget(CheckAll, 2, 10);
    itemGrid->addWidget(
        Controls::label(items, "lblFull", QStringLiteral("科目右边的框是满分，默认100分。")), 3, 0, 1, 12);

    auto* form = new QGridLayout;
    form->addWidget(Controls::label(this, "label2", QStringLiteral("考试号："), txtNumber), 0, 0);
    form->addWidget(txtNumber, 0, 1);
    form->addWidget(Controls::label(this, "Label3", QStringLiteral("不可修改，系统自动分配")), 0, 2);
    form->addWidget(Controls::label(this, "Label8", QStringLiteral("考试名称"), txtName), 1, 0);
    form->addWidget(txtName, 1, 1);
    form->addWidget(Controls::label(this, "Label4", QStringLiteral("考试类型"), txtType), 2, 0);
    form->addWidget(txtType, 2, 1);
    form->addWidget(Controls::label(this, "Label9", QStringLiteral("考试日期"), txtDate), 3, 0);
    form->addWidget(txtDate, 3, 1);
    form->addWidget(Controls::label(this, "Label10", QStringLiteral("(示例: 2005-01-31)")), 3, 2);
    form->addWidget(Controls::label(this, "Label6", QStringLiteral("考核项目："), Check[1]), 4, 0, Qt::AlignTop);
    form->addWidget(items, 4, 1, 1, 2);
    form->addWidget(Controls::label(this, "Label5", QStringLiteral("存储在："), txtSaveAt), 5, 0);
    form->addWidget(txtSaveAt, 5, 1);
    form->addWidget(Controls::label(this, "Label7", QStringLiteral("备注："), txtMemo), 6, 0, Qt::AlignTop);
    form->addWidget(txtMemo, 6, 1, 1, 2);

    auto* head = new QHBoxLayout;
    head->addWidget(image);
    head->addWidget(title, 1, Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addLayout(form);
    layout->addLayout(Controls::buttonRow({ BN_OK, Command2 }));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Down the form as it reads: the items before the remark and the buttons.
    QVector<QWidget*> order { txtName, txtType, txtDate };
    for (int i = 1; i <= 16; ++i) {
        order << Check[i];
        if (i <= 14)
            order << txtFull[i];
    }
    order << CheckAll << txtMemo << BN_OK << Command2;
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    connect(CheckAll, &QCheckBox::clicked, this, [this](bool on) {
        for (int i = 1; i <= 16; ++i)
            Check[i]->setChecked(on);
    });
    connect(txtType, &QComboBox::activated, this, &TestInfoAdd::typePicked);
    connect(BN_OK, &QPushButton::clicked, this, &TestInfoAdd::define);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
    load();
}

void TestInfoAdd::showNumber(int number)
{
    txtNumber->setText(QString::number(number));
    txtSaveAt->setText(QStringLiteral("表 TblScore") + txtNumber->text());
}

void TestInfoAdd::load()
{
    auto next = Exams::nextNumber(mod().Conn);
    showNumber(next ? *next : 1);
    txtDate->setText(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
}

void TestInfoAdd::typePicked()
{
    const bool final = Exams::isFinalType(txtType->currentText());
    Check[15]->setChecked(final);
    Check[16]->setChecked(final);
}

bool TestInfoAdd::CheckForm()
{
    if (txtType->currentText().isEmpty()) {
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
    NewTest test { txtName->text(), txtDate->text(), txtType->currentText(), txtMemo->toPlainText(), {} };
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

    const int shown = txtNumber->text().toInt();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    auto defined = Exams::define(mod().Conn, test);
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
        mod().SelNo = txtNumber->text();
        m_enterScores = defined->number;
    }
    accept();
}

} // namespace velmora

namespace velmora {

void TestInfoAdd::open(QWidget* parent)
{
    int number = 0;
    {
        TestInfoAdd add(parent);
        add.exec();
        number = add.enterScoresFor();
    }
    if (number > 0)
        TestFill::open(parent, QStringLiteral("考试成绩录入"), QStringLiteral("考试成绩录入"), true);
}

} // namespace velmora
