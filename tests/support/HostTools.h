#pragma once

#include <QString>

namespace velmora::test {

// A program of the machine the tests run on (LibreOffice, poppler). Under
// Wine, where the Windows tests run, Linux programs are started from the
// folders VELMORA_HOST_TOOLS names ("/usr/bin"), with files in their Unix
// spelling: Z:\tmp\a.pdf is /tmp/a.pdf.
QString hostTool(const QString& name);
QString hostPath(const QString& path);

} // namespace velmora::test
