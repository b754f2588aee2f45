#pragma once
// Named environment values through which the program finds its folders, the
// user and the country. Nothing is cached: every call reads its sources again
// and makes sure the application data folder and its Temp folder exist, so a
// folder the user deleted during a run comes back at the next call.

#include <string>
#include <string_view>

namespace papyrion {

// Returns the value for one of these names (matched without regard to case):
//   "LOCALDIR"     $XDG_DATA_HOME, else ~/.local/share (no trailing "/")
//   "DIR"          LOCALDIR + "/Papyrion/"
//   "TEMPDIR"      LOCALDIR + "/Papyrion/Temp/"
//   "USER"         the login name
//   "LAND"         calling code of the locale's territory, three digits ("031")
//   "CONV"         "MS" when a spreadsheet application is on PATH, else "??"
//   "COMPUTERNAME" the host name
// Any other name gives "". A source that cannot be read gives "" (CONV "??").
// Never throws.
std::string EnvironmentValue(std::string_view name);

}  // namespace papyrion
