// Reads one .xls for the program, in a process of its own: a file that
// crashes the reader costs this process, not the teacher's unsaved work.
#include "platform/System.h"
#include "sheets/SheetReader.h"

#include <QCoreApplication>
#include <QFile>

using namespace velmora;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2)
        return 64;
    System::binaryStdout();
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 1;
    auto sheets = SheetReader::readXlsHere(args.at(1));
    if (!sheets) {
        out.write(sheets.error().description.toUtf8());
        return 2;
    }
    out.write(SheetReader::encode(*sheets));
    return 0;
}
