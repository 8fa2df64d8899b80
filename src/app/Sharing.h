#pragma once

namespace velmora::Sharing {

// Before a class-wide list of names with scores or ranks leaves the program
// (printed or exported): scores and ranks are for each student and family
// alone. Asked once a run; 否, the default, stops it and asks again next time.
bool mayShareClassList();

// As at the start of a run (tests).
void forget();

} // namespace velmora::Sharing
