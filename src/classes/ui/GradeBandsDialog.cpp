#include "classes/ui/GradeBandsDialog.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "ui_GradeBandsDialog.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace velmora {

GradeBandsDialog::GradeBandsDialog(Module1& session, const GradeBands& bands, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_ui(std::make_unique<Ui::GradeBandsDialog>())
{
    m_ui->setupUi(this);
    m_ui->tblBands->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    showBands(bands);
    connect(m_ui->BN_Default, &QPushButton::clicked, this, [this] { showBands(GradeBands {}); });
    connect(m_ui->BN_Letters, &QPushButton::clicked, this, [this] { showBands(GradeBands::letters()); });
    connect(m_ui->BN_Add, &QPushButton::clicked, this, [this] {
        // Above the last band, which has no bound of its own.
        m_ui->tblBands->insertRow(qMax(0, m_ui->tblBands->rowCount() - 1));
    });
    connect(m_ui->BN_Remove, &QPushButton::clicked, this, [this] {
        if (m_ui->tblBands->currentRow() >= 0)
            m_ui->tblBands->removeRow(m_ui->tblBands->currentRow());
    });
    connect(m_ui->BN_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->BN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

GradeBandsDialog::~GradeBandsDialog() = default;

bool GradeBandsDialog::edit(Module1& session, QWidget* parent)
{
    auto kept = GradeBands::load(session.Conn());
    if (!kept) {
        MessageService::error(kept.error());
        return false;
    }
    GradeBandsDialog dialog(session, *kept, parent);
    return dialog.exec() == QDialog::Accepted;
}

void GradeBandsDialog::showBands(const GradeBands& bands)
{
    m_ui->tblBands->setRowCount(int(bands.bands.size()));
    for (int b = 0; b < bands.bands.size(); ++b) {
        m_ui->tblBands->setItem(b, 0, new QTableWidgetItem(bands.bands[b].name));
        const bool last = b == bands.bands.size() - 1;
        auto* bound = new QTableWidgetItem(last ? QString() : QString::number(bands.bands[b].lower));
        if (last)
            bound->setFlags(bound->flags() & ~Qt::ItemIsEditable);
        m_ui->tblBands->setItem(b, 1, bound);
    }
}

GradeBands GradeBandsDialog::bands() const
{
    GradeBands out;
    out.bands.clear();
    for (int r = 0; r < m_ui->tblBands->rowCount(); ++r) {
        const QTableWidgetItem* name = m_ui->tblBands->item(r, 0);
        const QTableWidgetItem* bound = m_ui->tblBands->item(r, 1);
        const bool last = r == m_ui->tblBands->rowCount() - 1;
        bool ok = false;
        const int lower = bound ? bound->text().trimmed().remove(QLatin1Char('%')).toInt(&ok) : 0;
        out.bands.push_back({ name ? name->text().trimmed() : QString(), last ? 0 : (ok ? lower : -1) });
    }
    return out;
}

void GradeBandsDialog::accept()
{
    if (Status saved = bands().save(m_session.Conn()); !saved) {
        MessageService::error(saved.error());
        return;
    }
    QDialog::accept();
}

} // namespace velmora
