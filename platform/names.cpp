// The platform's names: upper-casing and comparison in the system code page,
// and the splitting of a Windows path part into its names.
#include <string>
#include <string_view>
#include <vector>

#include "platform/host_internal.h"

namespace vrn::host {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperChar(a[i]) != UpperChar(b[i])) return false;
    return true;
}

void AppendComponents(std::string_view part, std::vector<std::string>& components) {
    size_t i = 0;
    while (i <= part.size()) {
        size_t j = i;
        while (j < part.size() && part[j] != '\\' && part[j] != '/') ++j;
        std::string name(part.substr(i, j - i));
        if (name == "..") {
            if (!components.empty()) components.pop_back();
        } else if (name != ".") {
            // The platform drops trailing dots and blanks from a name.
            while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
            if (!name.empty()) components.push_back(std::move(name));
        }
        i = j + 1;
    }
}

}  // namespace vrn::host
