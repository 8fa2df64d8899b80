#pragma once

#include "data/ConnectionSettings.h"

#include <QString>

namespace velmora::bench {

// An embedded database of `students` students, each with a photo of
// `photoBytes` bytes, built once per size and reused by later runs in the
// same folder (VELMORA_BENCH_DIR, else the system's temporary folder).
ConnectionSettings embeddedClass(int students, int photoBytes);
QString embeddedPath(const ConnectionSettings& settings);

} // namespace velmora::bench
