#include "platform/ui/GuiMessages.h"

#include "app/MessageService.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>

namespace velmora::GuiMessages {

void install()
{
    MessageService::setHandler([](const Message& m) {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(m.title);
        box.setText(m.text);
        // Wide enough for its title, which a short question would otherwise cut.
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
            const int width = box.fontMetrics().horizontalAdvance(m.title) + 140;
            grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                grid->columnCount());
        }
        QCheckBox* tick = nullptr;
        if (!m.checkText.isEmpty() && m.checked) {
            tick = new QCheckBox(m.checkText, &box);
            tick->setObjectName(QStringLiteral("chkMessage"));
            tick->setChecked(*m.checked);
            box.setCheckBox(tick);
        }
        // What the tick box says once the question is answered, however it is.
        const auto keepTick = qScopeGuard([&] {
            if (tick)
                *m.checked = tick->isChecked();
        });
        switch (m.icon) {
        case MsgIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MsgIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        }
        if (m.buttons == MsgButtons::YesNo) {
            QPushButton* yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
            QPushButton* no = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
            // Esc and the close box answer neither: they press this unseen button.
            QPushButton* neither = box.addButton(QMessageBox::Cancel);
            neither->hide();
            box.setDefaultButton(m.defaultAnswer == MsgAnswer::No ? no : yes);
            box.setEscapeButton(neither);
            box.exec();
            if (box.clickedButton() == yes)
                return MsgAnswer::Yes;
            return box.clickedButton() == no ? MsgAnswer::No : MsgAnswer::Cancel;
        }
        box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        box.exec();
        return MsgAnswer::Ok;
    });
}

} // namespace velmora::GuiMessages
