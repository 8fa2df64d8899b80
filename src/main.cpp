#include "app/Module1.h"
#include "app/ui/ReportCommand.h"
#include "app/ui/Splash.h"
#include "platform/ui/GuiMessages.h"
#include "platform/ui/Pictures.h"
#include "platform/ui/Translations.h"
#include "sheets/SheetReader.h"

#include <QApplication>
#include <QFont>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VelmoraSQL"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setWindowIcon(velmora::Pictures::appIcon());
    QFont font = velmora::Pictures::uiFont();
    font.setPointSize(10);
    QApplication::setFont(font);
    // Without a window: messages go to the terminal, not to message boxes.
    if (velmora::ReportCommand::wanted(QCoreApplication::arguments()))
        return velmora::ReportCommand::run(velmora::Module1::instance(), QCoreApplication::arguments());
    velmora::GuiMessages::install();
    velmora::Translations::install();
    velmora::SheetReader::useXlsHelperBeside(QCoreApplication::applicationDirPath());

    auto* splash = new velmora::Splash(velmora::Module1::instance(), velmora::Splash::Mode::StartUp);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    return app.exec();
}
