#pragma once

namespace velmora::Translations {

// Loads Qt's own Chinese texts, so file dialogs, the print dialog and the
// print preview speak the teacher's language. False when they are not installed.
bool install();

} // namespace velmora::Translations
