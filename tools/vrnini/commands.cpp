// The vrnini commands, on the initialization-file library.
#include "tools/vrnini/commands.h"

#include <cstdint>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/system.h"
#include "runtime/files/files.h"
#include "runtime/ini/ini.h"

namespace vrn::vrnini {

namespace {

// A default no value can equal: values hold printable characters only.
constexpr char ABSENT[] = "\x01";
constexpr int32_t VALUE_SIZE = INI_LINE_SIZE;
constexpr int32_t LIST_LIMIT = 16 * 1024 * 1024;

void Fail(const std::string& text) { ConsoleError("vrnini: " + text + "\n"); }

// The portable error numbers of the runtime, in words.
std::string DescribeError(int32_t number) {
    switch (number) {
        case 2: return "file not found";
        case 4: return "device I/O error";
        case 7: return "not enough memory";
        case 8: return "access denied";
        case 9: return "device not functioning";
        case 11: return "device does not exist";
        case 12: return "a file stands where a directory is required";
        case 13: return "a directory stands where a file is required";
        case 14: return "too many open files";
        case 17: return "disk full";
        default: return "error " + std::to_string(number);
    }
}

bool ValidName(const std::string& what, const std::string& name) {
    char normalised[INI_LINE_SIZE];
    if (name.size() >= static_cast<size_t>(INI_LINE_SIZE) || !wdIsName(name.c_str(), normalised)) {
        Fail(what + " '" + name + "' is not a valid name (it must start with a printable character other than "
                    "'=', '[', ']' or ';', and be shorter than 160 characters)");
        return false;
    }
    return true;
}

// The checks a rewrite needs, made beforehand so that a failure can be
// told precisely.
bool CanRewrite(const std::string& file, const std::string& shown) {
    if (utIsDir(file.c_str())) {
        Fail(shown + ": is a directory");
        return false;
    }
    if (!utIsFile(file.c_str())) {
        Fail(shown + ": no such file (vrnini changes existing files only)");
        return false;
    }
    return true;
}

// Why a rewrite failed with result 1 after the checks above passed.
std::string RewriteFailure() {
    const char* temp = GetEnv("TEMP");
    if (temp != nullptr && !utIsDir(temp)) {
        return std::string("cannot create the temporary file: TEMP names '") + temp + "', which is not a directory";
    }
    return temp != nullptr ? std::string("cannot create or write the temporary file in '") + temp + "'"
                           : std::string("cannot read the file or create the temporary file in the current directory");
}

int Rewrite(const std::string& file, const std::string& shown, const std::string& section, const char* key,
            const char* value) {
    int32_t result = wdWritePrivateProfileString(section.c_str(), key, value, file.c_str());
    if (result == 0) return EXIT_FOUND;
    if (result == 1) {
        Fail(shown + ": " + RewriteFailure());
    } else {
        Fail(shown + ": cannot replace the file: " + DescribeError(result));
    }
    return EXIT_WRITE_FAILED;
}

}  // namespace

std::string WindowsFile(const std::string& argument, std::string& why) {
    if (argument.empty()) {
        why = "the file name is empty";
        return {};
    }
    if (argument[0] != '/') return argument;
    std::string windows = WindowsPathOf(argument);
    if (windows.empty()) why = argument + ": not under any drive of the drive map";
    return windows;
}

int Get(const std::string& file, const std::string& section, const std::string& key, const std::string* fallback) {
    char value[VALUE_SIZE];
    wdGetPrivateProfileString(section.c_str(), key.c_str(), ABSENT, value, VALUE_SIZE, file.c_str());
    if (std::string(value) != ABSENT) {
        ConsoleWrite(std::string(value) + "\n");
        return EXIT_FOUND;
    }
    if (fallback != nullptr) ConsoleWrite(*fallback + "\n");
    return EXIT_ABSENT;
}

int List(const std::string& file, const std::string& section) {
    // A listing that filled the buffer may have been cut: retry larger.
    std::vector<char> buffer;
    int32_t n = 0;
    for (int32_t size = 4096;; size *= 2) {
        buffer.assign(static_cast<size_t>(size), '\0');
        n = wdGetPrivateProfileString(section.c_str(), nullptr, "", buffer.data(), size, file.c_str());
        if (n < size - 1 || size >= LIST_LIMIT) break;
    }
    std::string out;
    for (const char* entry = buffer.data(); *entry != '\0'; entry += std::string(entry).size() + 1)
        out += std::string(entry) + "\n";
    ConsoleWrite(out);
    return out.empty() ? EXIT_ABSENT : EXIT_FOUND;
}

int Set(const std::string& file, const std::string& shown, const std::string& section, const std::string& key,
        const std::string& value) {
    if (!ValidName("section", section) || !ValidName("key", key)) return EXIT_USAGE;
    for (char c : value) {
        if (c < 0x20 || c > 0x7E) {
            Fail("the value holds a character that cannot be read back (values are printable ASCII, "
                 "0x20 to 0x7E)");
            return EXIT_USAGE;
        }
    }
    if (!CanRewrite(file, shown)) return EXIT_WRITE_FAILED;
    return Rewrite(file, shown, section, key.c_str(), value.c_str());
}

int Delete(const std::string& file, const std::string& shown, const std::string& section, const std::string* key) {
    if (!ValidName("section", section) || (key != nullptr && !ValidName("key", *key))) return EXIT_USAGE;
    if (!CanRewrite(file, shown)) return EXIT_WRITE_FAILED;
    return Rewrite(file, shown, section, key != nullptr ? key->c_str() : nullptr, nullptr);
}

int Int(const std::string& file, const std::string& section, const std::string& key, int32_t fallback) {
    ConsoleWrite(std::to_string(wdGetPrivateProfileInt(section.c_str(), key.c_str(), fallback, file.c_str())) + "\n");
    return EXIT_FOUND;
}

}  // namespace vrn::vrnini
