// The commands of vrnini, each returning the program's exit status.
#pragma once

#include <string>

namespace vrn::vrnini {

inline constexpr int EXIT_FOUND = 0;
inline constexpr int EXIT_ABSENT = 1;        // get: key absent; list: no entries
inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_WRITE_FAILED = 3;

// The file argument in Windows form: an absolute host path is translated
// through the drive map, anything else is taken as a Windows-form path.
// Empty (with why) when it cannot be.
std::string WindowsFile(const std::string& argument, std::string& why);

int Get(const std::string& file, const std::string& section, const std::string& key, const std::string* fallback);
int List(const std::string& file, const std::string& section);
// shown: the file as the user named it, for messages.
int Set(const std::string& file, const std::string& shown, const std::string& section, const std::string& key,
        const std::string& value);
int Delete(const std::string& file, const std::string& shown, const std::string& section, const std::string* key);
int Int(const std::string& file, const std::string& section, const std::string& key, int32_t fallback);

}  // namespace vrn::vrnini
