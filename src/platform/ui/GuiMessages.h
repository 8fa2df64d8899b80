#pragma once

namespace velmora::GuiMessages {

// Makes MessageService show real message boxes over the active window.
void install();

} // namespace velmora::GuiMessages
