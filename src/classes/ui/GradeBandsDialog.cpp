#include "classes/ui/GradeBandsDialog.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/Controls.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmora {

GradeBandsDialog::GradeBandsDialog(const GradeBands& bands, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("GradeBands"));
    setWindowTitle(QStringLiteral("等级标准"));
    tblBands = new QTableWidget(0, 2, this);
    tblBands->setObjectName(QStringLiteral("tblBands"));
    tblBands->setHorizontalHeaderLabels({ QStringLiteral("等级"), QStringLiteral("不低于满分的（%）") });
    tblBands->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    tblBands->verticalHeader()->hide();
    auto* preset = Controls::button(this, "BN_Default", QStringLiteral("优秀/良好/合格/待合格(&1)"));
    auto* letters = Controls::button(this, "BN_Letters", QStringLiteral("A/B/C/D(&2)"));
    auto* add = Controls::button(this, "BN_Add", QStringLiteral("增加(&A)"));
    auto* remove = Controls::button(this, "BN_Remove", QStringLiteral("删除(&D)"));
    auto* ok = Controls::button(this, "BN_OK", QStringLiteral("确定"));
    auto* cancel = Controls::button(this, "BN_Cancel", QStringLiteral("取消"));
    ok->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("从高到低，每个等级不低于满分的百分之几；最后一个等级是其余的。"), this));
    layout->addWidget(tblBands);
    layout->addLayout(Controls::buttonRow({ preset, letters, add, remove }));
    layout->addLayout(Controls::buttonRow({ ok, cancel }));
    showBands(bands);
    connect(preset, &QPushButton::clicked, this, [this] { showBands(GradeBands {}); });
    connect(letters, &QPushButton::clicked, this, [this] { showBands(GradeBands::letters()); });
    connect(add, &QPushButton::clicked, this, [this] {
        // Above the last band, which has no bound of its own.
        tblBands->insertRow(qMax(0, tblBands->rowCount() - 1));
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (tblBands->currentRow() >= 0)
            tblBands->removeRow(tblBands->currentRow());
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool GradeBandsDialog::edit(QWidget* parent)
{
    auto kept = GradeBands::load(mod().Conn);
    if (!kept) {
        MessageService::error(kept.error());
        return false;
    }
    GradeBandsDialog dialog(*kept, parent);
    return dialog.exec() == QDialog::Accepted;
}

void GradeBandsDialog::showBands(const GradeBands& bands)
{
    tblBands->setRowCount(int(bands.bands.size()));
    for (int b = 0; b < bands.bands.size(); ++b) {
        tblBands->setItem(b, 0, new QTableWidgetItem(bands.bands[b].name));
        const bool last = b == bands.bands.size() - 1;
        auto* bound = new QTableWidgetItem(last ? QString() : QString::number(bands.bands[b].lower));
        if (last)
            bound->setFlags(bound->flags() & ~Qt::ItemIsEditable);
        tblBands->setItem(b, 1, bound);
    }
}

GradeBands GradeBandsDialog::bands() const
{
    GradeBands out;
    out.bands.clear();
    for (int r = 0; r < tblBands->rowCount(); ++r) {
        const QTableWidgetItem* name = tblBands->item(r, 0);
        const QTableWidgetItem* bound = tblBands->item(r, 1);
        const bool last = r == tblBands->rowCount() - 1;
        bool ok = false;
        const int lower = bound ? bound->text().trimmed().remove(QLatin1Char('%')).toInt(&ok) : 0;
        out.bands.push_back({ name ? name->text().trimmed() : QString(), last ? 0 : (ok ? lower : -1) });
    }
    return out;
}

void GradeBandsDialog::accept()
{
    if (Status saved = bands().save(mod().Conn); !saved) {
        MessageService::error(saved.error());
        return;
    }
    QDialog::accept();
}

} // namespace velmora
