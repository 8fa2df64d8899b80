#pragma once

#include <QStringList>

namespace velmora {
class Module1;
}

namespace velmora::ReportCommand {

// VelmoraSQL --report-pdf FILE --user NAME: the class's 学生信息表 as a PDF,
// written without a window after the login the login window does, the
// password from VELMORA_PASSWORD or typed unseen. For a school's scripts and
// the installer's own check. Returns the program's exit code.
bool wanted(const QStringList& arguments);
int run(Module1& session, const QStringList& arguments);

} // namespace velmora::ReportCommand
