#include "exams/ui/TestFillSel.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "platform/ui/ChildWindow.h"
#include "ui_TestSelector.h"

#include <QComboBox>
#include <QLabel>

namespace velmora {

TestFillSel::TestFillSel(Module1& session, QWidget* parent)
    : TestSelector(session, "TestFillSel", entryMode(), parent)
{ }

void TestFillSel::setMode(const QString& mode)
{
    setWindowTitle(mode);
    m_ui->Label->setText(mode);
}

void TestFillSel::ok()
{
    if (m_ui->txtNumber->currentText().isEmpty()) {
        MessageService::info(QStringLiteral("请填写考试号"));
        return;
    }
    m_session.setSelNo(m_ui->txtNumber->currentText());
    const QString mode = m_ui->Label->text();
    const QString caption = windowTitle();
    ChildWindow::close(this);
    if (mode == gridMode())
        Q_EMIT gridScores();
    else if (mode != viewMode())
        Q_EMIT enterScores(caption, mode, mode != changeMode());
    else
        Q_EMIT viewScores();
}

} // namespace velmora
