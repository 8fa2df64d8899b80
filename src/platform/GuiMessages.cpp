#include "platform/GuiMessages.h"

#include "platform/MessageService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace velmora::GuiMessages {

void install()
{
    MessageService::setHandler([](const Message& m) {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(m.title);
        box.setText(m.text);
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
            box.setDefaultButton(yes);
            box.setEscapeButton(no);
            box.exec();
            return box.clickedButton() == yes ? MsgAnswer::Yes : MsgAnswer::No;
        }
        box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        box.exec();
        return MsgAnswer::Ok;
    });
}

} // namespace velmora::GuiMessages
