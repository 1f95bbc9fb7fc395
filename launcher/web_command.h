#pragma once
// Taking apart the open command that the system registers for HTML files.
// Portable, so it is tested natively too.

#include <string>
#include <string_view>

namespace launcher {

// The program path of a registered command: everything after the first double
// quote and before the next one. A command without quotes gives an empty path.
//   "C:\b\browser.exe" -nohome "%1"  ->  C:\b\browser.exe
std::wstring CutProgramPath(std::wstring_view command);

// The parameter string that hands the page to the browser as one argument:
// the page itself, quoted when it holds a blank (a game installed under
// "C:\Program Files" must still open its own page).
std::wstring PageParameter(std::wstring_view page);

}  // namespace launcher
