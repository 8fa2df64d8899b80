#include "comments/ui/Comment.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "comments/Composer.h"
#include "data/TextLimits.h"
#include "platform/ui/Controls.h"
#include "students/StudentRecord.h"
#include "ui_Comment.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velmora {

namespace {
const QString kDuplicate = QStringLiteral("您已经输入了该选项。");
} // namespace

Comment::Comment(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::Comment>())
    , List(PhraseLibrary::kTabs, nullptr)
    , Check(22, nullptr)
    , m_library(PhraseLibrary::builtIn())
{
    m_ui->setupUi(this);
    Controls::limitChars(m_ui->Text5, Composer::kMaxLength);
    addPhraseTabs();
    addRolesAndHonours();

    connect(m_ui->Command1, &QPushButton::clicked, this, &Comment::addByNumber);
    connect(m_ui->Text1, &QLineEdit::returnPressed, this, &Comment::addByNumber);
    connect(m_ui->List2, &QListWidget::itemSelectionChanged, this,
        [this] { m_ui->del->setEnabled(!m_ui->List2->selectedItems().isEmpty()); });
    connect(m_ui->del, &QPushButton::clicked, this, &Comment::removeChosen);
    connect(m_ui->Command2, &QPushButton::clicked, this, &Comment::preview);
    connect(m_ui->Command3, &QPushButton::clicked, this, &Comment::submit);
}

Comment::~Comment() = default;

// One tab per part of the phrase library, the last with the teachers' own phrases.
void Comment::addPhraseTabs()
{
    QWidget* before = m_ui->tabRTF;
    for (int t = 0; t < PhraseLibrary::kTabs; ++t) {
        List[t] = new QListWidget;
        List[t]->setObjectName(QStringLiteral("List_%1").arg(t));
        List[t]->setAccessibleName(PhraseLibrary::tabNames()[t] + QStringLiteral("评语"));
        List[t]->setWordWrap(true);
        connect(List[t], &QListWidget::currentRowChanged, this, [this, t](int row) { clickPhrase(t, row); });
        // A click on the phrase already selected shows it again.
        connect(List[t], &QListWidget::itemClicked, this,
            [this, t](QListWidgetItem* item) { clickPhrase(t, List[t]->row(item)); });
        connect(List[t], &QListWidget::itemDoubleClicked, this,
            [this, t](QListWidgetItem* item) { doubleClickPhrase(t, List[t]->row(item)); });
        List[t]->installEventFilter(this);
        if (t < PhraseLibrary::kTabs - 1) {
            m_ui->tabRTF->addTab(List[t], PhraseLibrary::tabNames()[t]);
            setTabOrder(before, List[t]);
            before = List[t];
            continue;
        }
        // 其他: the teachers' own phrases, which administrators keep; laid out here, as the
        // last of the tabs the phrase library names.
        auto* own = new QWidget;
        txtOwn = Controls::edit(own, "txtOwn");
        Controls::limitChars(txtOwn, OwnPhrases::kMaxLength);
        txtOwn->setPlaceholderText(QStringLiteral("输入一条新评语，加到“其他”的末尾"));
        txtOwn->setAccessibleName(QStringLiteral("新评语"));
        BN_OwnAdd = Controls::button(own, "BN_OwnAdd", QStringLiteral("加入评语库(&T)"));
        BN_OwnDel = Controls::button(own, "BN_OwnDel", QStringLiteral("从评语库删除(&X)"));
        auto* row = new QHBoxLayout;
        row->addWidget(txtOwn, 1);
        row->addWidget(BN_OwnAdd);
        row->addWidget(BN_OwnDel);
        auto* ownLayout = new QVBoxLayout(own);
        ownLayout->setContentsMargins(0, 0, 0, 0);
        ownLayout->addWidget(List[t], 1);
        ownLayout->addLayout(row);
        m_ui->tabRTF->addTab(own, PhraseLibrary::tabNames()[t]);
        for (QWidget* w : std::initializer_list<QWidget*> { txtOwn, BN_OwnAdd, BN_OwnDel, List[t] }) {
            setTabOrder(before, w);
            before = w;
        }
        connect(BN_OwnAdd, &QPushButton::clicked, this, &Comment::addOwn);
        connect(txtOwn, &QLineEdit::returnPressed, this, &Comment::addOwn);
        connect(BN_OwnDel, &QPushButton::clicked, this, &Comment::removeOwn);
    }
}

// The roles and honours the composer knows, a box each.
void Comment::addRolesAndHonours()
{
    QWidget* before = m_ui->del;
    for (int i = 0; i < 22; ++i) {
        const bool role = i < 20;
        const QString caption = role ? Composer::roles()[i] : Composer::honours()[i - 20];
        Check[i] = new QCheckBox(caption, role ? static_cast<QWidget*>(m_ui->Frame3) : m_ui->Frame2);
        Check[i]->setObjectName(QStringLiteral("Check%1").arg(i));
        setTabOrder(before, Check[i]);
        before = Check[i];
        if (role)
            m_ui->roles->addWidget(Check[i], i % 10, i / 10);
        else
            m_ui->honours->addWidget(Check[i]);
    }
    m_ui->honours->addStretch();
}

bool Comment::eventFilter(QObject* watched, QEvent* event)
{
    // Enter on a phrase chooses it, as a double click does.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int tab = int(List.indexOf(static_cast<QListWidget*>(watched)));
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && tab >= 0 && List[tab]->currentRow() >= 0) {
            doubleClickPhrase(tab, List[tab]->currentRow());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Comment::fillLists()
{
    for (int t = 0; t < PhraseLibrary::kTabs; ++t) {
        QSignalBlocker quiet(List[t]);
        List[t]->clear();
        for (int p = 0; p < m_library.phrases(t).size(); ++p)
            List[t]->addItem(m_library.item(t, p));
    }
}

void Comment::load()
{
    // Without the table of its own, 其他 is empty and stays so until an administrator upgrades the database.
    auto available = OwnPhrases::available(m_session.Conn());
    const bool keeps = available && *available;
    const bool admin = m_session.IsAdmin() && keeps;
    txtOwn->setEnabled(admin);
    BN_OwnAdd->setEnabled(admin);
    BN_OwnDel->setEnabled(admin);
    if (!keeps)
        txtOwn->setPlaceholderText(QStringLiteral(
            "本数据库还没有存放教师自己评语的表，“其他”中不能添加评语；管理员登录时同意升级数据库后即可使用。"));
    auto own = keeps ? OwnPhrases::load(m_session.Conn()) : Result<QStringList>(QStringList());
    if (own)
        m_library.setOwn(*own);
    fillLists();
    // The number as stored: a student numbered 001 is not student 1.
    m_ui->txtNumber->setText(m_session.SelNo().trimmed());
    auto name = Students::nameOf(m_session.Conn(), m_ui->txtNumber->text());
    if (!name) {
        MessageService::error(name.error(), ErrorWording::Restart);
        return;
    }
    if (!own) {
        MessageService::error(own.error(), ErrorWording::Restart);
        return;
    }
    m_ui->txtName->setText(*name);
    m_ui->Text1->setFocus();
}

void Comment::clickPhrase(int tab, int row)
{
    if (row < 0 || row >= List[tab]->count())
        return;
    const QString item = List[tab]->item(row)->text();
    CurNo = qint16(item.left(3).toInt());
    m_ui->Text3->setText(QString::number(CurNo));
    m_ui->Text2->setText(item.mid(4));
}

bool Comment::isChosen(int number) const
{
    for (const QString& n : ChosenNos) {
        if (n.toInt() == number)
            return true;
    }
    return false;
}

bool Comment::choose(int number)
{
    if (ChosenNos.size() >= Composer::kMaxPhrases) {
        MessageService::info(QStringLiteral("最多只能选择%1条评语，请先删去几条！").arg(Composer::kMaxPhrases));
        return false;
    }
    m_ui->List2->addItem(m_ui->Text2->text());
    ChosenNos << QString::number(number);
    return true;
}

void Comment::doubleClickPhrase(int tab, int row)
{
    clickPhrase(tab, row);
    if (isChosen(m_ui->Text3->text().toInt())) {
        MessageService::info(kDuplicate);
        return;
    }
    choose(CurNo);
}

void Comment::addByNumber()
{
    // Like the old reader: the leading digits count, anything else is 0.
    const QString typed = m_ui->Text1->text().trimmed();
    qsizetype digits = 0;
    while (digits < typed.size() && digits < 6 && typed[digits].isDigit())
        ++digits;
    const int n = typed.left(digits).toInt();
    const bool duplicate = n >= 1 && isChosen(n);
    if (duplicate)
        m_ui->Text1->clear();
    int tab = 0, position = 0;
    const bool exists = m_library.locate(n, &tab, &position);
    if (exists && !duplicate) {
        clickPhrase(tab, position);
        if (choose(CurNo))
            m_ui->Text1->clear();
        return;
    }
    if (!exists)
        MessageService::show(
            QStringLiteral("没有此内容，请查实！"), MsgIcon::Critical, MsgButtons::Ok, QStringLiteral("错误"));
    if (duplicate)
        MessageService::info(kDuplicate);
}

void Comment::removeChosen()
{
    const int row = m_ui->List2->currentRow();
    if (row < 0)
        return;
    ChosenNos.removeAt(row);
    delete m_ui->List2->takeItem(row);
    m_ui->List2->clearSelection();
    m_ui->del->setEnabled(false);
}

QString Comment::composition(bool* fits) const
{
    QStringList phrases;
    for (int i = 0; i < m_ui->List2->count(); ++i)
        phrases << m_ui->List2->item(i)->text();
    QStringList roles, honours;
    for (int i = 0; i < 22; ++i) {
        if (Check[i]->isChecked())
            (i < 20 ? roles : honours) << Check[i]->text();
    }
    const QString text = Composer::compose(m_ui->txtName->text(), phrases, roles, honours, m_ui->memo->toPlainText());
    *fits = TextLimits::charCount(text) <= Composer::kMaxLength;
    return text;
}

bool Comment::preview()
{
    if (m_ui->List2->count() == 0) {
        MessageService::info(QStringLiteral("请填写评语"));
        return !m_ui->Text5->toPlainText().isEmpty();
    }
    bool fits = true;
    m_ui->Text5->setPlainText(composition(&fits));
    if (!fits) {
        MessageService::show(QStringLiteral("您写的评语已超过最大范围！请删去几条！"), MsgIcon::Critical,
            MsgButtons::Ok, QStringLiteral("错误"));
        return false;
    }
    return true;
}

void Comment::submit()
{
    // A comment cut short or an empty one is never handed over: the window
    // stays open so the teacher can put it right.
    if (!preview())
        return;
    // The box keeps line breaks as LF; the comment is stored with CR LF, as composed.
    Q_EMIT submitted(m_ui->Text5->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    accept();
}

void Comment::addOwn()
{
    Status added
        = OwnPhrases::add(m_session.Conn(), txtOwn->text(), m_library.firstNumber(PhraseLibrary::kTabs - 1) - 1);
    if (!added) {
        MessageService::error(added.error());
        return;
    }
    txtOwn->clear();
    auto own = OwnPhrases::load(m_session.Conn());
    if (own)
        m_library.setOwn(*own);
    fillLists();
    List[PhraseLibrary::kTabs - 1]->setCurrentRow(List[PhraseLibrary::kTabs - 1]->count() - 1);
}

void Comment::removeOwn()
{
    QListWidget* own = List[PhraseLibrary::kTabs - 1];
    const int row = own->currentRow();
    if (row < 0) {
        MessageService::info(QStringLiteral("请先在“其他”中选择要删除的评语！"));
        return;
    }
    if (MessageService::askDelete(
            QStringLiteral("您确定要从评语库中删除“%1”吗？\r\n其后的评语序号将依次减一。").arg(own->item(row)->text()),
            MsgIcon::Question)
        != MsgAnswer::Yes)
        return;
    if (Status removed = OwnPhrases::remove(m_session.Conn(), row); !removed) {
        MessageService::error(removed.error());
        return;
    }
    auto left = OwnPhrases::load(m_session.Conn());
    if (left)
        m_library.setOwn(*left);
    fillLists();
}

} // namespace velmora
