#include "platform/ui/ProgressBox.h"

#include "app/MessageService.h"

#include <QProgressDialog>

namespace velmora {

ProgressBox::ProgressBox(QWidget* parent, const QString& label, int total)
    : m_dialog(std::make_unique<QProgressDialog>(label, QStringLiteral("取消"), 0, std::max(1, total), parent))
{
    m_dialog->setObjectName(QStringLiteral("Progress"));
    m_dialog->setWindowTitle(MessageService::applicationTitle());
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setMinimumDuration(500);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
}

ProgressBox::~ProgressBox() = default;

PrintOut::Progress ProgressBox::progress()
{
    QProgressDialog* dialog = m_dialog.get();
    // A modal progress dialog handles the events, Cancel among them, as it moves.
    return [dialog](int done) {
        dialog->setValue(done);
        return !dialog->wasCanceled();
    };
}

} // namespace velmora
