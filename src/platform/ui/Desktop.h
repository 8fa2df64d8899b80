#pragma once

#include <QString>
#include <QUrl>
#include <QVector>

namespace velmora {

// Starting things outside the program: a file in the desktop's viewer for
// it, another program by its name, a web address in the browser.
class Desktop
{
public:
    static bool openFile(const QString& path);
    static bool startProgram(const QString& program);
    static bool openUrl(const QUrl& url);

    // Test hook: record the requests instead, answering each with `succeed`.
    struct Request
    {
        QString kind; // "file", "program", "url"
        QString target;
    };
    static void startRecording(bool succeed);
    static const QVector<Request>& requests();
};

} // namespace velmora
