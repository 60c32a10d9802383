// Reading back what a crash report wrote, and naming the test program itself.
#pragma once

#include <climits>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace vrn::test {

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::string ThisProgram() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return std::string(path, n > 0 ? static_cast<size_t>(n) : 0);
}

}  // namespace vrn::test
