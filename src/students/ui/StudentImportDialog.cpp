#include "students/ui/StudentImportDialog.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "classes/ClassSettings.h"
#include "platform/ui/FileDialogs.h"
#include "sheets/SheetReader.h"
#include "ui_StudentImportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace velmora {

namespace {
const QColor kRefused(255, 205, 210);
const QColor kUpdated(255, 249, 196);
const QColor kOtherClass(Qt::gray);
} // namespace

StudentImportDialog::StudentImportDialog(Module1& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::StudentImportDialog>())
{
    m_ui->setupUi(this);
    connect(m_ui->cmbSheet, &QComboBox::currentIndexChanged, this, &StudentImportDialog::showSheet);
    connect(m_ui->chkUpdate, &QCheckBox::toggled, this, &StudentImportDialog::replan);
    connect(m_ui->chkLacking, &QCheckBox::toggled, this, &StudentImportDialog::replan);
    connect(m_ui->cmbClass, &QComboBox::currentIndexChanged, this, &StudentImportDialog::replan);
    connect(m_ui->BN_Photos, &QPushButton::clicked, this, [this] {
        const QString folder = FileDialogs::folder(this, FileDialogs::Kind::Photo, QStringLiteral("照片文件夹"));
        if (!folder.isEmpty())
            m_ui->txtPhotos->setText(QDir::toNativeSeparators(folder));
    });
    connect(m_ui->BN_Import, &QPushButton::clicked, this, &StudentImportDialog::import);
    connect(m_ui->BN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

StudentImportDialog::~StudentImportDialog() = default;

bool StudentImportDialog::chooseFile()
{
    const QString path = FileDialogs::openFileName(this, FileDialogs::Kind::Import, SheetReader::kOpenFilter);
    return !path.isEmpty() && load(path);
}

bool StudentImportDialog::load(const QString& path)
{
    auto book = SheetReader::read(path);
    if (!book) {
        MessageService::error(book.error(), ErrorWording::Restart);
        return false;
    }
    m_sheets.clear();
    for (const SheetTable& s : *book) {
        if (!s.rows.isEmpty())
            m_sheets << s;
    }
    if (m_sheets.isEmpty()) {
        MessageService::info(QStringLiteral("“%1”中没有数据。").arg(QFileInfo(path).fileName()));
        return false;
    }
    if (const QString note = m_sheets.first().note; !note.isEmpty())
        MessageService::info(note);
    m_ui->lblFile->setText(QDir::toNativeSeparators(path));
    const QSignalBlocker quiet(m_ui->cmbSheet);
    m_ui->cmbSheet->clear();
    for (const SheetTable& s : std::as_const(m_sheets))
        m_ui->cmbSheet->addItem(s.title);
    m_ui->cmbSheet->setEnabled(m_sheets.size() > 1);
    showSheet(0);
    return true;
}

QComboBox* StudentImportDialog::fieldBox(int column) const
{
    return qobject_cast<QComboBox*>(m_ui->Grid->cellWidget(0, column));
}

void StudentImportDialog::showSheet(int index)
{
    if (index < 0 || index >= m_sheets.size())
        return;
    const SheetTable& sheet = m_sheets[index];
    m_mapping = StudentImport::guess(sheet);
    // Up to the last column that holds anything: blank columns to the right
    // would each cost a combo box and nothing to choose.
    int columns = 0;
    for (const auto& row : sheet.rows) {
        for (int c = int(row.size()) - 1; c >= columns; --c) {
            if (!SheetReader::cellText(row[c]).isEmpty()) {
                columns = c + 1;
                break;
            }
        }
    }
    if (columns > kMostColumns) {
        m_ui->Grid->clear();
        m_ui->Grid->setColumnCount(0);
        m_ui->Grid->setRowCount(0);
        MessageService::info(QStringLiteral("工作表“%1”有 %2 列，导入学生信息最多显示 %3 列，请删去不用的列后再导入。")
                                 .arg(sheet.title)
                                 .arg(columns)
                                 .arg(kMostColumns));
        return;
    }
    m_mapping.fields.resize(columns, -1);
    const int first = m_mapping.headerRow + 1;
    m_ui->Grid->clear();
    m_ui->Grid->setColumnCount(columns + 1);
    m_ui->Grid->setRowCount(1 + qMax(0, int(sheet.rows.size()) - first));
    QStringList headers;
    for (int c = 0; c < columns; ++c) {
        headers << (m_mapping.headerRow >= 0 ? SheetReader::cellText(sheet.rows[m_mapping.headerRow].value(c))
                                             : QString::number(c + 1));
        auto* box = new QComboBox(m_ui->Grid);
        box->setObjectName(QStringLiteral("cmbField%1").arg(c));
        box->addItem(QStringLiteral("（不导入）"), -1);
        for (int f = 0; f < StudentImport::FieldCount; ++f)
            box->addItem(StudentImport::fieldName(f), f);
        box->setCurrentIndex(m_mapping.fields[c] + 1);
        connect(box, &QComboBox::currentIndexChanged, this, [this, c, box] {
            m_mapping.fields[c] = box->currentData().toInt();
            showClasses();
            replan();
        });
        m_ui->Grid->setCellWidget(0, c, box);
    }
    headers << QStringLiteral("状态");
    m_ui->Grid->setHorizontalHeaderLabels(headers);
    // Rows numbered as in the spreadsheet, as the summary names them.
    QStringList rowNumbers { QStringLiteral("项目") };
    for (int r = first; r < sheet.rows.size(); ++r)
        rowNumbers << QString::number(r + 1);
    m_ui->Grid->setVerticalHeaderLabels(rowNumbers);
    for (int r = first; r < sheet.rows.size(); ++r) {
        for (int c = 0; c < columns; ++c) {
            if (const QString text = SheetReader::cellText(sheet.rows[r].value(c)); !text.isEmpty())
                m_ui->Grid->setItem(r - first + 1, c, new QTableWidgetItem(text));
        }
    }
    if (m_mapping.headerRow < 0)
        MessageService::info(QStringLiteral("没有找到表头（学号、姓名等），请在第一行为每一列选择要导入的项目。"));
    showClasses();
    replan();
}

void StudentImportDialog::showClasses()
{
    const QStringList classes = StudentImport::classes(m_sheets.value(m_ui->cmbSheet->currentIndex()), m_mapping);
    const QSignalBlocker quiet(m_ui->cmbClass);
    m_ui->cmbClass->clear();
    const bool several = classes.size() > 1;
    m_ui->lblClass->setVisible(several);
    m_ui->cmbClass->setVisible(several);
    if (!several)
        return;
    m_ui->cmbClass->addItems(classes);
    m_ui->cmbClass->addItem(QStringLiteral("（全部班级）"));
    // The class of 班级设置 when the sheet names it; else the teacher chooses.
    auto own = ClassSettings::load(m_session.Conn());
    const int at = own ? StudentImport::ownClass(classes, own->name, own->number) : -1;
    m_ui->cmbClass->setCurrentIndex(at);
}

void StudentImportDialog::replan()
{
    const SheetTable& sheet = m_sheets.value(m_ui->cmbSheet->currentIndex());
    StudentImport::Options options;
    options.acceptLacking = m_ui->chkLacking->isChecked();
    if (m_ui->cmbClass->isVisibleTo(this) && m_ui->cmbClass->currentIndex() < m_ui->cmbClass->count() - 1)
        options.onlyClass = m_ui->cmbClass->currentText();
    auto rows = StudentImport::plan(m_session.Conn(), sheet, m_mapping, options);
    if (!rows) {
        MessageService::error(rows.error());
        return;
    }
    m_rows = *rows;
    const int status = m_ui->Grid->columnCount() - 1;
    const int first = m_mapping.headerRow + 1;
    int adds = 0, updates = 0, bad = 0, others = 0;
    QVector<const StudentImport::Row*> byRow(m_ui->Grid->rowCount(), nullptr);
    for (const StudentImport::Row& row : std::as_const(m_rows)) {
        if (row.sheetRow - first + 1 < byRow.size())
            byRow[row.sheetRow - first + 1] = &row;
    }
    for (int r = 1; r < m_ui->Grid->rowCount(); ++r) {
        const StudentImport::Row* row = byRow[r];
        QString text;
        QColor colour;
        if (!row)
            text = QStringLiteral("空行");
        else if (row->otherClass) {
            text = row->status();
            ++others;
        } else if (!row->problem.isEmpty()) {
            text = row->problem;
            colour = kRefused;
            ++bad;
        } else if (row->exists) {
            // Each field that changes, old and new: an update must never surprise.
            text = !m_ui->chkUpdate->isChecked() ? QStringLiteral("已有，跳过")
                : row->changes.isEmpty()         ? QStringLiteral("更新（没有变化）")
                                         : QStringLiteral("更新：") + row->changes.join(QStringLiteral("；"));
            colour = m_ui->chkUpdate->isChecked() ? kUpdated : QColor();
            updates += m_ui->chkUpdate->isChecked();
            bad += !m_ui->chkUpdate->isChecked();
        } else {
            text = row->status();
            ++adds;
        }
        m_ui->Grid->setItem(r, status, new QTableWidgetItem(text));
        for (int c = 0; c <= status; ++c) {
            if (QTableWidgetItem* item = m_ui->Grid->item(r, c)) {
                item->setBackground(colour.isValid() ? QBrush(colour) : QBrush());
                item->setForeground(row && row->otherClass ? QBrush(kOtherClass) : QBrush());
                item->setToolTip(row ? row->problem : QString());
            }
        }
    }
    QString summary = QStringLiteral("将导入 %1 名，更新 %2 名，跳过 %3 行").arg(adds).arg(updates).arg(bad);
    if (others > 0)
        summary += QStringLiteral("，其他班级 %1 行没有导入").arg(others);
    // Several classes and none chosen: nothing goes in until the teacher says which.
    const bool unchosen = m_ui->cmbClass->isVisibleTo(this) && m_ui->cmbClass->currentIndex() < 0;
    m_ui->lblSummary->setText(unchosen ? QStringLiteral("表中有几个班级的学生，请先选择要导入的班级。") : summary);
    // The columns as narrow as what they hold, so that the status reads whole.
    m_ui->Grid->resizeColumnsToContents();
    m_ui->BN_Import->setEnabled(adds + updates > 0 && !unchosen);
}

bool StudentImportDialog::import()
{
    auto done = StudentImport::apply(m_session.Conn(), m_rows, m_ui->chkUpdate->isChecked(),
        QDir::fromNativeSeparators(m_ui->txtPhotos->text().trimmed()));
    if (!done) {
        MessageService::error(done.error(), ErrorWording::Restart, QStringLiteral("没有导入任何学生："));
        return false;
    }
    QString text = done->summary() + QStringLiteral("。");
    if (!done->reasons.isEmpty())
        text += QStringLiteral("\r\n") + done->reasons.mid(0, 10).join(QStringLiteral("\r\n"))
            + (done->reasons.size() > 10 ? QStringLiteral("\r\n……") : QString());
    MessageService::info(text);
    accept();
    return true;
}

} // namespace velmora
