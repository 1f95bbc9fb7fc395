#include "launcher/web_command.h"

namespace launcher {

std::wstring CutProgramPath(std::wstring_view command) {
    const std::size_t open = command.find(L'"');
    if (open == std::wstring_view::npos) {
        return {};
    }
    const std::wstring_view rest = command.substr(open + 1);
    return std::wstring(rest.substr(0, rest.find(L'"')));
}

std::wstring PageParameter(std::wstring_view page) {
    if (page.find_first_of(L" \t") == std::wstring_view::npos || page.find(L'"') != page.npos) {
        return std::wstring(page);
    }
    std::wstring quoted;
    quoted.reserve(page.size() + 2);
    quoted += L'"';
    quoted += page;
    quoted += L'"';
    return quoted;
}

}  // namespace launcher
