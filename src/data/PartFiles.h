#pragma once

#include <QString>

namespace velmora::PartFiles {

// The file a write goes through before it is renamed over `path`: made
// beside it exclusively, never an existing file and never through a link
// someone planted at the name, owner-only from its first byte. Its name, or
// empty with the reason in *why.
QString create(const QString& path, QString* why = nullptr);

} // namespace velmora::PartFiles
