// vrnini: reads and changes initialization files (installd.ini, response
// files) from the command line or from scripts, with the rules of the
// engine's own initialization-file library.
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/system.h"
#include "tools/vrnini/commands.h"

namespace {

using namespace vrn::vrnini;

constexpr char USAGE[] =
    "usage: vrnini get FILE SECTION KEY [DEFAULT]\n"
    "       vrnini list FILE SECTION\n"
    "       vrnini set FILE SECTION KEY VALUE\n"
    "       vrnini delete FILE SECTION [KEY]\n"
    "       vrnini int FILE SECTION KEY DEFAULT\n"
    "       vrnini --help\n";

constexpr char HELP[] =
    "\n"
    "Reads and changes initialization files (sections of KEY=VALUE entries) with\n"
    "the rules of the installation engine's own library.\n"
    "\n"
    "  get     prints the key's value and exits 0; when the key is absent (or its\n"
    "          value is empty) prints DEFAULT, if given, and exits 1\n"
    "  list    prints the section's entries as KEY=VALUE, one per line; exits 1\n"
    "          when the section is missing or has no entries\n"
    "  set     sets the entry: its first occurrence is replaced, else it is added\n"
    "          at the end of the section, the section at the end of the file\n"
    "  delete  deletes the key's first entry, or without KEY the section's header\n"
    "          and entries (its comments and blank lines stay)\n"
    "  int     prints the value as an integer: a plain run of digits, else DEFAULT\n"
    "\n"
    "FILE is a host path (absolute paths are translated through the drive map of\n"
    "VRN_DRIVES) or a Windows-form path (C:\\dir\\file.ini, relative, \\\\srv\\share\\x).\n"
    "The file must exist: set and delete never create one. Section and key names\n"
    "are compared without regard to case, blanks around them ignored and inner\n"
    "runs of blanks taken as one space. Values are printable ASCII; a value is\n"
    "read up to the end of its line, trailing blanks and ';' included.\n"
    "Changes go through a temporary file (in TEMP, else the current directory)\n"
    "that replaces the file at once.\n"
    "\n"
    "Exit status: 0 done, 1 absent, 2 usage error, 3 the file could not be changed.\n";

int Usage(const std::string& why) {
    if (!why.empty()) vrn::ConsoleError("vrnini: " + why + "\n");
    vrn::ConsoleError(USAGE);
    return EXIT_USAGE;
}

bool ParseInt(const std::string& text, int32_t& value) {
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

int Run(const std::vector<std::string>& args) {
    if (args.empty()) return Usage("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        vrn::ConsoleWrite(std::string(USAGE) + HELP);
        return EXIT_FOUND;
    }
    auto count = args.size() - 1;
    bool known = command == "get" || command == "list" || command == "set" || command == "delete" || command == "int";
    if (!known) return Usage("unknown command '" + command + "'");
    if ((command == "get" && (count < 3 || count > 4)) || (command == "list" && count != 2) ||
        (command == "set" && count != 4) || (command == "delete" && (count < 2 || count > 3)) ||
        (command == "int" && count != 4)) {
        return Usage("wrong number of arguments for '" + command + "'");
    }

    std::string why;
    std::string file = WindowsFile(args[1], why);
    if (file.empty()) {
        vrn::ConsoleError("vrnini: " + why + "\n");
        return command == "get" || command == "list" || command == "int" ? EXIT_USAGE : EXIT_WRITE_FAILED;
    }
    const std::string& section = args[2];
    if (command == "get") return Get(file, section, args[3], count == 4 ? &args[4] : nullptr);
    if (command == "list") return List(file, section);
    if (command == "set") return Set(file, args[1], section, args[3], args[4]);
    if (command == "delete") return Delete(file, args[1], section, count == 3 ? &args[3] : nullptr);
    int32_t fallback = 0;
    if (!ParseInt(args[4], fallback)) return Usage("DEFAULT '" + args[4] + "' is not an integer");
    return Int(file, section, args[3], fallback);
}

}  // namespace

int main(int argc, char** argv) {
    vrn::EnsurePlatformLoaded();
    std::vector<std::string> args(argv + 1, argv + argc);
    return Run(args);
}
