// The drive-map file: the drives, network shares, top-level windows,
// registry values, platform version and initial current directory that this
// host presents to the engine. The file is named by the environment variable
// VRN_DRIVES. Its format, one declaration a line:
//
//   # comment lines and blank lines are ignored; values with blanks are written in double quotes
//   drive C: /host/dir [kind=fixed|removable|cdrom|network|ramdisk] [label=TEXT] [serial=HEX] [cluster=BYTES] [free=BYTES] [total=BYTES]
//   share \\SERVER\SHARE /host/dir [letter=N:]
//   window CLASS "TITLE" [visible=0|1] [enabled=0|1] [minimized=0|1]
//   registry "KEY\PATH" NAME "VALUE"
//   version nt|95 MAJOR.MINOR BUILD ["SERVICE PACK"]
//   cwd C:\dir
//
// - Keywords and option names are lower case. Fields are separated by blanks
//   or tabs; a double-quoted part of a field may hold blanks (the quotes are
//   not part of the value, and a value cannot hold a double quote itself), so
//   label="SYSTEM DISK" and "Program Manager" are single fields. A line is a
//   comment when its first non-blank character is '#'.
// - drive: a letter A-Z (either case) with its colon, then an absolute host
//   directory (it need not exist yet). kind defaults to fixed; serial is up
//   to eight hexadecimal digits, optionally written XXXX-XXXX; cluster, free
//   and total are byte counts with an optional K, M or G suffix (1024,
//   1024^2, 1024^3); cluster must be a power of two, and free may not exceed
//   total. Without cluster, free or total the host's own figures apply.
// - share: a UNC name \\SERVER\SHARE (no further components) and the host
//   directory behind it; with letter=N: the share is also connected as
//   network drive N:, which then may not be declared again by a drive line.
// - window: a top-level window by class name and title; visible and enabled
//   default to 1, minimized to 0. Windows are listed front to back in the
//   order of their lines.
// - registry: one text value: the key with its root ("HKEY_LOCAL_MACHINE\..."
//   or HKLM\...), the value name ("" for the key's default value), the data.
// - version: the platform family (nt or 95), the version, the build number
//   and an optional service-pack text. At most one version line; without one
//   the platform is NT 4.0 build 1381.
// - cwd: the initial current drive and its current directory, an absolute
//   path on a declared drive. At most one cwd line; without one the current
//   drive is C: (or the first declared drive when C: is absent) at its root.
// - A share name or a cwd typed with '/' (//srv/share, C:/dir) is read in its
//   Windows form, each '/' a '\'.
//
// A file declares every drive there is: C: is not added when a file is used.
// With no VRN_DRIVES (or an empty one), C: is the host root "/" as a fixed
// drive and the current directory is the host's own, as C:\<path>.
//
// A malformed line refuses the whole file with "FILE:LINE: what is wrong":
// an unknown keyword or option, a bad drive letter, a duplicate drive or
// share, a relative host directory, a bad number, an unknown drive kind, a
// missing or an extra field.
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>

#include "platform/drives.h"
#include "platform/host_internal.h"

namespace vrn {

namespace {

struct LineError {
    std::string text;
};

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        std::string field;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '"')
                quoted = !quoted;
            else
                field += line[i];
            ++i;
        }
        if (quoted) throw LineError{"unterminated quoted value"};
        fields.push_back(field);
    }
    return fields;
}

char ParseLetter(const std::string& field) {
    if (field.size() != 2 || field[1] != ':' || !std::isalpha(static_cast<unsigned char>(field[0])) ||
        static_cast<unsigned char>(field[0]) > 0x7F)
        throw LineError{"bad drive letter '" + field + "'"};
    return host::UpperChar(field[0]);
}

std::string ParseHostDirectory(const std::string& field) {
    if (field.empty() || field[0] != '/') throw LineError{"relative host directory '" + field + "'"};
    std::string dir = field;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

uint64_t ParseDecimal(const std::string& digits, const std::string& what, const std::string& field) {
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
        throw LineError{"bad number '" + field + "' for " + what};
    uint64_t v = 0;
    for (char c : digits) {
        const uint64_t d = static_cast<uint64_t>(c - '0');
        if (v > (UINT64_MAX - d) / 10) throw LineError{"bad number '" + field + "' for " + what};
        v = v * 10 + d;
    }
    return v;
}

uint64_t ParseSize(const std::string& value, const std::string& what) {
    std::string digits = value;
    uint64_t scale = 1;
    if (!digits.empty()) {
        switch (digits.back()) {
        case 'K': case 'k': scale = 1ull << 10; break;
        case 'M': case 'm': scale = 1ull << 20; break;
        case 'G': case 'g': scale = 1ull << 30; break;
        default: break;
        }
        if (scale != 1) digits.pop_back();
    }
    const uint64_t v = ParseDecimal(digits, what, value);
    if (v > UINT64_MAX / scale) throw LineError{"bad number '" + value + "' for " + what};
    return v * scale;
}

uint32_t ParseSerial(const std::string& value) {
    std::string hex = value;
    if (hex.size() == 9 && hex[4] == '-') hex.erase(4, 1);
    if (hex.empty() || hex.size() > 8 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw LineError{"bad number '" + value + "' for serial"};
    return static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
}

bool ParseFlag(const std::string& value, const std::string& what) {
    if (value == "0") return false;
    if (value == "1") return true;
    throw LineError{"bad value '" + value + "' for " + what + " (0 or 1)"};
}

// The options after the positional fields, as name and value.
std::vector<std::pair<std::string, std::string>> Options(const std::vector<std::string>& fields, size_t from) {
    std::vector<std::pair<std::string, std::string>> options;
    for (size_t i = from; i < fields.size(); ++i) {
        const size_t eq = fields[i].find('=');
        if (eq == std::string::npos || eq == 0) throw LineError{"unexpected field '" + fields[i] + "'"};
        options.emplace_back(fields[i].substr(0, eq), fields[i].substr(eq + 1));
    }
    return options;
}

void Require(const std::vector<std::string>& fields, size_t count, const char* missing) {
    if (fields.size() < count) throw LineError{std::string("missing ") + missing};
}

void NoMoreThan(const std::vector<std::string>& fields, size_t count) {
    if (fields.size() > count) throw LineError{"unexpected field '" + fields[count] + "'"};
}

DriveKind ParseKind(const std::string& value) {
    if (value == "fixed") return DriveKind::Fixed;
    if (value == "removable") return DriveKind::Removable;
    if (value == "cdrom") return DriveKind::CdRom;
    if (value == "network") return DriveKind::Network;
    if (value == "ramdisk") return DriveKind::RamDisk;
    throw LineError{"unknown drive kind '" + value + "'"};
}

struct Parser {
    PlatformConfig& config;
    std::map<char, int> letterLines;   // letter -> line that declared it
    bool haveVersion = false;
    bool haveCwd = false;

    void ClaimLetter(char letter) {
        if (letterLines.count(letter)) throw LineError{"duplicate drive " + std::string(1, letter) + ":"};
        letterLines[letter] = 1;
    }

    void Drive(const std::vector<std::string>& f) {
        Require(f, 2, "drive letter");
        const char letter = ParseLetter(f[1]);
        Require(f, 3, "host directory");
        DriveMapping m;
        m.hostRoot = ParseHostDirectory(f[2]);
        for (const auto& [name, value] : Options(f, 3)) {
            if (name == "kind") m.kind = ParseKind(value);
            else if (name == "label") m.label = value;
            else if (name == "serial") m.serial = ParseSerial(value);
            else if (name == "cluster") {
                const uint64_t c = ParseSize(value, "cluster");
                if (c == 0 || c > UINT32_MAX || (c & (c - 1)) != 0)
                    throw LineError{"bad number '" + value + "' for cluster (a power of two)"};
                m.clusterSize = static_cast<uint32_t>(c);
            } else if (name == "free") m.freeBytes = ParseSize(value, "free");
            else if (name == "total") m.totalBytes = ParseSize(value, "total");
            else throw LineError{"unknown option '" + name + "'"};
        }
        if (m.freeBytes && m.totalBytes && *m.freeBytes > *m.totalBytes) throw LineError{"free exceeds total"};
        ClaimLetter(letter);
        config.drives[letter - 'A'] = m;
    }

    void Share(const std::vector<std::string>& f) {
        Require(f, 2, "share name");
        ShareDecl s;
        // A share typed as //srv/share is the same share as \\srv\share.
        s.unc = WithWindowsSeparators(f[1]);
        std::vector<std::string> parts;
        if (s.unc.size() < 5 || s.unc[0] != '\\' || s.unc[1] != '\\') throw LineError{"bad share name '" + f[1] + "'"};
        size_t start = 2;
        for (;;) {
            const size_t slash = s.unc.find('\\', start);
            parts.push_back(s.unc.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
        if (parts.size() != 2 || parts[0].empty() || parts[1].empty()) throw LineError{"bad share name '" + f[1] + "'"};
        for (const ShareDecl& other : config.shares)
            if (host::SameNameIgnoringCase(other.unc, s.unc)) throw LineError{"duplicate share " + s.unc};
        Require(f, 3, "host directory");
        s.hostRoot = ParseHostDirectory(f[2]);
        for (const auto& [name, value] : Options(f, 3)) {
            if (name == "letter") s.letter = ParseLetter(value);
            else throw LineError{"unknown option '" + name + "'"};
        }
        if (s.letter) ClaimLetter(s.letter);
        config.shares.push_back(s);
    }

    void Window(const std::vector<std::string>& f) {
        Require(f, 2, "window class");
        Require(f, 3, "window title");
        WindowDecl w;
        w.className = f[1];
        w.title = f[2];
        for (const auto& [name, value] : Options(f, 3)) {
            if (name == "visible") w.visible = ParseFlag(value, name);
            else if (name == "enabled") w.enabled = ParseFlag(value, name);
            else if (name == "minimized") w.minimized = ParseFlag(value, name);
            else throw LineError{"unknown option '" + name + "'"};
        }
        config.windows.push_back(w);
    }

    void Registry(const std::vector<std::string>& f) {
        Require(f, 2, "registry key");
        Require(f, 3, "value name");
        Require(f, 4, "value");
        NoMoreThan(f, 4);
        if (f[1].empty()) throw LineError{"missing registry key"};
        config.registry.push_back(RegistryDecl{f[1], f[2], f[3]});
    }

    void Version(const std::vector<std::string>& f) {
        if (haveVersion) throw LineError{"duplicate version"};
        Require(f, 2, "platform family");
        VersionDecl v;
        if (f[1] == "nt") v.family = PlatformFamily::WindowsNT;
        else if (f[1] == "95") v.family = PlatformFamily::Windows95;
        else throw LineError{"unknown platform family '" + f[1] + "' (nt or 95)"};
        Require(f, 3, "version number");
        const size_t dot = f[2].find('.');
        if (dot == std::string::npos) throw LineError{"bad number '" + f[2] + "' for version (MAJOR.MINOR)"};
        const uint64_t major = ParseDecimal(f[2].substr(0, dot), "version", f[2]);
        const uint64_t minor = ParseDecimal(f[2].substr(dot + 1), "version", f[2]);
        Require(f, 4, "build number");
        const uint64_t build = ParseDecimal(f[3], "build", f[3]);
        if (major > UINT32_MAX || minor > UINT32_MAX) throw LineError{"bad number '" + f[2] + "' for version"};
        if (build > UINT32_MAX) throw LineError{"bad number '" + f[3] + "' for build"};
        NoMoreThan(f, 5);
        v.major = static_cast<uint32_t>(major);
        v.minor = static_cast<uint32_t>(minor);
        v.build = static_cast<uint32_t>(build);
        if (f.size() == 5) v.servicePack = f[4];
        config.version = v;
        haveVersion = true;
    }

    void Cwd(const std::vector<std::string>& f, int line) {
        if (haveCwd) throw LineError{"duplicate cwd"};
        Require(f, 2, "directory");
        NoMoreThan(f, 2);
        // C:/dir is taken as C:\dir.
        const std::string d = WithWindowsSeparators(f[1]);
        if (d.size() < 3 || d[1] != ':' || d[2] != '\\') throw LineError{"cwd '" + f[1] + "' is not an absolute path"};
        ParseLetter(d.substr(0, 2));
        config.currentDirectory = d;
        config.currentDirectory[0] = host::UpperChar(d[0]);
        haveCwd = true;
        cwdLine = line;
    }

    int cwdLine = 0;
};

}  // namespace

bool ParsePlatformConfig(const std::string& hostFile, PlatformConfig& out, std::string& error) {
    std::ifstream in(hostFile, std::ios::binary);
    if (!in) {
        error = hostFile + ": cannot read the file (" + std::strerror(errno) + ")";
        return false;
    }
    PlatformConfig config;
    Parser parser{config, {}, false, false, 0};
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        try {
            const std::vector<std::string> f = SplitFields(line);
            const std::string& keyword = f[0];
            if (keyword == "drive") parser.Drive(f);
            else if (keyword == "share") parser.Share(f);
            else if (keyword == "window") parser.Window(f);
            else if (keyword == "registry") parser.Registry(f);
            else if (keyword == "version") parser.Version(f);
            else if (keyword == "cwd") parser.Cwd(f, number);
            else throw LineError{"unknown keyword '" + keyword + "'"};
        } catch (const LineError& e) {
            error = hostFile + ":" + std::to_string(number) + ": " + e.text;
            return false;
        }
    }
    if (parser.haveCwd && !parser.letterLines.count(config.currentDirectory[0])) {
        error = hostFile + ":" + std::to_string(parser.cwdLine) + ": cwd on an undeclared drive " +
                config.currentDirectory.substr(0, 2);
        return false;
    }
    out = std::move(config);
    return true;
}

}  // namespace vrn
