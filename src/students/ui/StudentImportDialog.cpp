#include "students/ui/StudentImportDialog.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "classes/ClassSettings.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FileDialogs.h"
#include "sheets/SheetReader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmora {

namespace {
const QColor kRefused(255, 205, 210);
const QColor kUpdated(255, 249, 196);
const QColor kOtherClass(Qt::gray);
} // namespace

StudentImportDialog::StudentImportDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("StudentImportDialog"));
    setWindowTitle(QStringLiteral("导入学生信息"));
    lblFile = Controls::label(this, "lblFile", QString());
    cmbSheet = new QComboBox(this);
    cmbSheet->setObjectName(QStringLiteral("cmbSheet"));
    Grid = new QTableWidget(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The status column reads whole: it holds the reason a row is refused.
    Grid->horizontalHeader()->setStretchLastSection(true);
    cmbClass = new QComboBox(this);
    cmbClass->setObjectName(QStringLiteral("cmbClass"));
    lblClass = Controls::label(this, "lblClass", QStringLiteral("班级(&B)："), cmbClass);
    chkUpdate = new QCheckBox(QStringLiteral("学号已有的学生，用表中的信息更新(&U)"), this);
    chkUpdate->setObjectName(QStringLiteral("chkUpdate"));
    chkLacking = new QCheckBox(QStringLiteral("缺少必填项的学生也导入(&L)"), this);
    chkLacking->setObjectName(QStringLiteral("chkLacking"));
    chkLacking->setChecked(true);
    chkLacking->setToolTip(
        QStringLiteral("出生年月、家庭住址、民族、籍贯、性别可以以后补填：修改这名学生时会要求填写完整。"));
    txtPhotos = Controls::edit(this, "txtPhotos");
    txtPhotos->setPlaceholderText(QStringLiteral("照片按学号命名，如 2024001.jpg（可不选）"));
    BN_Photos = Controls::button(this, "BN_Photos", QStringLiteral("照片文件夹(&P)…"));
    lblSummary = Controls::label(this, "lblSummary", QString());
    BN_Import = Controls::button(this, "BN_Import", QStringLiteral("导入(&I)"));
    BN_Cancel = Controls::button(this, "BN_Cancel", QStringLiteral("取消(&C)"));

    auto* top = new QHBoxLayout;
    top->addWidget(lblFile, 1);
    top->addWidget(Controls::label(this, "lblSheet", QStringLiteral("工作表(&W)："), cmbSheet));
    top->addWidget(cmbSheet);
    top->addWidget(lblClass);
    top->addWidget(cmbClass);
    auto* photos = new QHBoxLayout;
    photos->addWidget(chkUpdate);
    photos->addWidget(chkLacking);
    photos->addStretch();
    photos->addWidget(txtPhotos, 1);
    photos->addWidget(BN_Photos);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblSummary, 1);
    bottom->addWidget(BN_Import);
    bottom->addWidget(BN_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Controls::label(this, "lblHint",
        QStringLiteral("第一行是每一列要导入的项目，可以改选；红色的行有误，不会导入，原因见最后一列。")));
    layout->addWidget(Grid, 1);
    layout->addLayout(photos);
    layout->addLayout(bottom);
    resize(960, 600);

    connect(cmbSheet, &QComboBox::currentIndexChanged, this, &StudentImportDialog::showSheet);
    connect(chkUpdate, &QCheckBox::toggled, this, &StudentImportDialog::replan);
    connect(chkLacking, &QCheckBox::toggled, this, &StudentImportDialog::replan);
    connect(cmbClass, &QComboBox::currentIndexChanged, this, &StudentImportDialog::replan);
    connect(BN_Photos, &QPushButton::clicked, this, [this] {
        const QString folder = FileDialogs::folder(this, FileDialogs::Kind::Photo, QStringLiteral("照片文件夹"));
        if (!folder.isEmpty())
            txtPhotos->setText(QDir::toNativeSeparators(folder));
    });
    connect(BN_Import, &QPushButton::clicked, this, &StudentImportDialog::import);
    connect(BN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

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
    lblFile->setText(QDir::toNativeSeparators(path));
    const QSignalBlocker quiet(cmbSheet);
    cmbSheet->clear();
    for (const SheetTable& s : std::as_const(m_sheets))
        cmbSheet->addItem(s.title);
    cmbSheet->setEnabled(m_sheets.size() > 1);
    showSheet(0);
    return true;
}

QComboBox* StudentImportDialog::fieldBox(int column) const
{
    return qobject_cast<QComboBox*>(Grid->cellWidget(0, column));
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
        Grid->clear();
        Grid->setColumnCount(0);
        Grid->setRowCount(0);
        MessageService::info(QStringLiteral("工作表“%1”有 %2 列，导入学生信息最多显示 %3 列，请删去不用的列后再导入。")
                                 .arg(sheet.title)
                                 .arg(columns)
                                 .arg(kMostColumns));
        return;
    }
    m_mapping.fields.resize(columns, -1);
    const int first = m_mapping.headerRow + 1;
    Grid->clear();
    Grid->setColumnCount(columns + 1);
    Grid->setRowCount(1 + qMax(0, int(sheet.rows.size()) - first));
    QStringList headers;
    for (int c = 0; c < columns; ++c) {
        headers << (m_mapping.headerRow >= 0 ? SheetReader::cellText(sheet.rows[m_mapping.headerRow].value(c))
                                             : QString::number(c + 1));
        auto* box = new QComboBox(Grid);
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
        Grid->setCellWidget(0, c, box);
    }
    headers << QStringLiteral("状态");
    Grid->setHorizontalHeaderLabels(headers);
    // Rows numbered as in the spreadsheet, as the summary names them.
    QStringList rowNumbers { QStringLiteral("项目") };
    for (int r = first; r < sheet.rows.size(); ++r)
        rowNumbers << QString::number(r + 1);
    Grid->setVerticalHeaderLabels(rowNumbers);
    for (int r = first; r < sheet.rows.size(); ++r) {
        for (int c = 0; c < columns; ++c) {
            if (const QString text = SheetReader::cellText(sheet.rows[r].value(c)); !text.isEmpty())
                Grid->setItem(r - first + 1, c, new QTableWidgetItem(text));
        }
    }
    if (m_mapping.headerRow < 0)
        MessageService::info(QStringLiteral("没有找到表头（学号、姓名等），请在第一行为每一列选择要导入的项目。"));
    showClasses();
    replan();
}

void StudentImportDialog::showClasses()
{
    const QStringList classes = StudentImport::classes(m_sheets.value(cmbSheet->currentIndex()), m_mapping);
    const QSignalBlocker quiet(cmbClass);
    cmbClass->clear();
    const bool several = classes.size() > 1;
    lblClass->setVisible(several);
    cmbClass->setVisible(several);
    if (!several)
        return;
    cmbClass->addItems(classes);
    cmbClass->addItem(QStringLiteral("（全部班级）"));
    // The class of 班级设置 when the sheet names it; else the teacher chooses.
    auto own = ClassSettings::load(mod().Conn);
    const int at = own ? StudentImport::ownClass(classes, own->name, own->number) : -1;
    cmbClass->setCurrentIndex(at);
}

void StudentImportDialog::replan()
{
    const SheetTable& sheet = m_sheets.value(cmbSheet->currentIndex());
    StudentImport::Options options;
    options.acceptLacking = chkLacking->isChecked();
    if (cmbClass->isVisibleTo(this) && cmbClass->currentIndex() < cmbClass->count() - 1)
        options.onlyClass = cmbClass->currentText();
    auto rows = StudentImport::plan(mod().Conn, sheet, m_mapping, options);
    if (!rows) {
        MessageService::error(rows.error());
        return;
    }
    m_rows = *rows;
    const int status = Grid->columnCount() - 1;
    const int first = m_mapping.headerRow + 1;
    int adds = 0, updates = 0, bad = 0, others = 0;
    QVector<const StudentImport::Row*> byRow(Grid->rowCount(), nullptr);
    for (const StudentImport::Row& row : std::as_const(m_rows)) {
        if (row.sheetRow - first + 1 < byRow.size())
            byRow[row.sheetRow - first + 1] = &row;
    }
    for (int r = 1; r < Grid->rowCount(); ++r) {
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
            text = !chkUpdate->isChecked() ? QStringLiteral("已有，跳过")
                : row->changes.isEmpty()   ? QStringLiteral("更新（没有变化）")
                                           : QStringLiteral("更新：") + row->changes.join(QStringLiteral("；"));
            colour = chkUpdate->isChecked() ? kUpdated : QColor();
            updates += chkUpdate->isChecked();
            bad += !chkUpdate->isChecked();
        } else {
            text = row->status();
            ++adds;
        }
        Grid->setItem(r, status, new QTableWidgetItem(text));
        for (int c = 0; c <= status; ++c) {
            if (QTableWidgetItem* item = Grid->item(r, c)) {
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
    const bool unchosen = cmbClass->isVisibleTo(this) && cmbClass->currentIndex() < 0;
    lblSummary->setText(unchosen ? QStringLiteral("表中有几个班级的学生，请先选择要导入的班级。") : summary);
    // The columns as narrow as what they hold, so that the status reads whole.
    Grid->resizeColumnsToContents();
    BN_Import->setEnabled(adds + updates > 0 && !unchosen);
}

bool StudentImportDialog::import()
{
    auto done = StudentImport::apply(
        mod().Conn, m_rows, chkUpdate->isChecked(), QDir::fromNativeSeparators(txtPhotos->text().trimmed()));
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
