// vrnarc: creates, lists, tests and extracts installation archives.
//
// Testing and extraction go through the installation engine itself
// (DecompressFile), so that an archive that passes here extracts the same
// way during an installation. The engine's message boxes are printed on
// standard error; a damaged member ends the run.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "runtime/files/files.h"
#include "tools/common/host_files.h"
#include "tools/vrnarc/archive_writer.h"
#include "tools/vrnarc/member_pool.h"

using namespace vrn;
using namespace vrn::arc;

namespace {

constexpr char kUsage[] =
    "usage: vrnarc c ARCHIVE [-1|-9] [-0] [-j N] PATH...  create ARCHIVE from files and directories\n"
    "       vrnarc l ARCHIVE                             list the members\n"
    "       vrnarc t [-j N] ARCHIVE                      test every member\n"
    "       vrnarc x [-j N] ARCHIVE DIR [PATTERN]        extract the members (matching PATTERN) into DIR\n"
    "\n"
    "Members of a directory are named relative to it, with backslash separators;\n"
    "a file given by itself is named by its last component. Access and modification\n"
    "times are kept.\n"
    "  -1  compress fast (the default)\n"
    "  -9  compress to the smallest size\n"
    "  -0  store every member without compression\n"
    "Each member is compressed unless storing it is smaller.\n"
    "  -j N  compress (c) or decode (t, x) on N threads (0: in one); else the\n"
    "        environment variable VRN_THREADS, else one per processor (at most 8;\n"
    "        x one fewer, as the extracting thread writes the files)\n"
    "PATTERN matches member names case-sensitively: '?' one character, '*' any run,\n"
    "e.g. 'bin\\*.dll'.\n"
    "Exit status: 0 when everything succeeded, 1 on any failure, 2 on a usage error.\n";

int Fail(const std::string& text) {
    std::fprintf(stderr, "vrnarc: %s\n", text.c_str());
    return 1;
}

int Usage(const std::string& text) {
    std::fprintf(stderr, "vrnarc: %s\n%s", text.c_str(), kUsage);
    return 2;
}

// The engine's boxes: errors are printed and answered OK; the corrupted-file
// question is answered by ending the run.
struct ToolDialogs : DialogHandler {
    int shown = 0;
    int Show(HWND, std::string_view text, std::string_view, uint32_t style) override {
        ++shown;
        const uint32_t buttons = style & MB_TYPEMASK;
        if (buttons == MB_YESNO) return IDYES;   // the quit confirmation that follows
        std::string_view printed = text;
        if (buttons == MB_OKCANCEL) printed = text.substr(0, text.find("\n\n"));
        std::fprintf(stderr, "vrnarc: %.*s\n", static_cast<int>(printed.size()), printed.data());
        return buttons == MB_OKCANCEL ? IDCANCEL : IDOK;
    }
    void Beep(uint32_t) override {}
};

uint32_t ClampTime(int64_t t) {
    if (t < 0) return 0;
    return t > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(t);
}

// Members go through the pool, and so does every message of the walk, so
// that the messages come out in order with the members' own.
struct CreateRun {
    std::FILE* archive = nullptr;
    host::Info archiveInfo;
    MemberOptions options;
    std::unique_ptr<MemberPool> pool;
    uint64_t members = 0, bytesIn = 0, bytesOut = 0;
    bool ok = true;

    void Failed(std::string text) { pool->Note(std::move(text), true); }
    void Told(std::string text) { pool->Note(std::move(text), false); }
    // The pool's sink: writes a member, prints a note.
    void HandBack(MadeMember* made, const std::string& note, bool failure) {
        if (made == nullptr) {
            std::fprintf(stderr, "vrnarc: %s\n", note.c_str());
            if (failure) ok = false;
            return;
        }
        ArchiveFileHeader written;
        std::string error;
        if (!WriteMadeMember(archive, *made, options, &written, error)) {
            ok = !Fail(error);
            return;
        }
        ++members;
        bytesIn += written.fileSize;
        bytesOut += written.storedSize + ARCHIVE_HEADER_SIZE;
    }
};

void AddFile(CreateRun& run, const std::string& file, const std::string& name) {
    host::Info info;
    std::string error;
    if (!host::Stat(file, info, error)) return run.Failed(error);
    if (info.device == run.archiveInfo.device && info.inode == run.archiveInfo.inode) return;   // the archive itself
    // Room first, so that no more is read than the pool admits.
    run.pool->MakeRoom(static_cast<size_t>(std::min<uint64_t>(info.size, SIZE_MAX)));
    MemberInput input;
    if (!host::ReadFile(file, input.data, error)) return run.Failed(error);
    input.name = name;
    input.accessTime = ClampTime(info.accessTime);
    input.modificationTime = ClampTime(info.modificationTime);
    run.pool->Add(std::move(input));
}

// Every regular file below `dir`, in name order, named relative to `base`.
void AddTree(CreateRun& run, const std::string& base, const std::string& dir) {
    std::vector<host::Entry> entries;
    std::string error;
    if (!host::List(dir, entries, error)) return run.Failed(error);
    for (const host::Entry& entry : entries) {
        if (entry.isLink && entry.kind == host::Kind::Directory) {
            run.Told(entry.path + ": link to a directory, not followed");
        } else if (entry.kind == host::Kind::Directory) {
            AddTree(run, base, entry.path);
        } else if (entry.kind == host::Kind::File) {
            AddFile(run, entry.path, MemberNameOf(host::RelativeTo(entry.path, base)));
        } else if (!entry.isLink || entry.kind != host::Kind::Missing) {
            run.Told(entry.path + ": not a regular file, left out");
        } else {
            run.Told(entry.path + ": dangling link, left out");
        }
    }
}

int Create(const std::vector<std::string>& args) {
    if (args.empty()) return Usage("c needs an archive name");
    CreateRun run;
    std::vector<std::string> paths;
    bool options = true;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (options && a == "--") {
            options = false;
        } else if (options && a == "-0") {
            run.options.store = true;
        } else if (options && a == "-1") {
            run.options.level = CompressionLevel::Fast;
        } else if (options && a == "-9") {
            run.options.level = CompressionLevel::Best;
        } else if (options && a.size() > 1 && a[0] == '-') {
            return Usage("unknown option " + a);
        } else {
            paths.push_back(a);
        }
    }
    if (paths.empty()) return Usage("c needs at least one PATH");

    const std::string& archivePath = args[0];
    run.archive = std::fopen(archivePath.c_str(), "wb");
    if (run.archive == nullptr) return Fail(archivePath + ": " + std::strerror(errno));
    host::Stat(run.archive, run.archiveInfo);
    run.pool = std::make_unique<MemberPool>(
        DecodeThreadCount(), run.options, MemberPool::kDefaultBudget,
        [&run](MadeMember* made, const std::string& note, bool failure) { run.HandBack(made, note, failure); });
    for (const std::string& p : paths) {
        host::Info info;
        std::string error;
        if (!host::Stat(p, info, error)) {
            run.Failed(error);
        } else if (info.kind == host::Kind::Directory) {
            AddTree(run, p, p);
        } else if (info.kind == host::Kind::File) {
            AddFile(run, p, MemberNameOf(host::FileName(p)));
        } else {
            run.Failed(p + ": not a file or directory");
        }
    }
    run.pool->Finish();
    run.pool.reset();
    if (std::fclose(run.archive) != 0) run.ok = !Fail(archivePath + ": cannot write the archive");
    if (!run.ok) {
        std::remove(archivePath.c_str());
        return 1;
    }
    std::printf("%s: %llu members, %llu bytes in, %llu bytes archived\n", archivePath.c_str(),
                static_cast<unsigned long long>(run.members), static_cast<unsigned long long>(run.bytesIn),
                static_cast<unsigned long long>(run.bytesOut));
    return 0;
}

std::string TimeText(uint32_t t) {
    const std::time_t value = static_cast<std::time_t>(t);
    std::tm tm{};
    char text[32] = "?";
    if (gmtime_r(&value, &tm) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

// Walks the headers; prints them when `print` is set. Returns the member
// count, or -1 after a damaged header (reported).
long long WalkHeaders(const std::string& archivePath, bool print) {
    std::FILE* f = std::fopen(archivePath.c_str(), "rb");
    if (f == nullptr) {
        Fail(archivePath + ": " + std::strerror(errno));
        return -1;
    }
    if (print)
        std::printf("%-10s %10s %10s %6s %-8s  %-19s  %-19s  %s\n", "Method", "Stored", "Size", "Ratio", "CRC",
                    "Modified (UTC)", "Accessed (UTC)", "Name");
    long long count = 0;
    for (;;) {
        ArchiveFileHeader h;
        std::string error;
        const long offset = std::ftell(f);
        const int r = ReadMemberHeader(f, h, error);
        if (r == 0) break;
        if (r < 0) {
            std::fclose(f);
            Fail(archivePath + ": member " + std::to_string(count + 1) + " at offset " + std::to_string(offset) +
                 ": " + error);
            return -1;
        }
        ++count;
        if (print) {
            const char* method = h.method == ARCHIVE_METHOD_STORED       ? "stored"
                                 : h.method == ARCHIVE_METHOD_COMPRESSED ? "compressed"
                                                                         : "unknown";
            char ratio[16] = "-";
            if (h.fileSize > 0) std::snprintf(ratio, sizeof ratio, "%5.1f%%", 100.0 * h.storedSize / h.fileSize);
            std::printf("%-10s %10u %10u %6s %08X  %-19s  %-19s  %s\n", method, h.storedSize, h.fileSize, ratio,
                        h.dataCRC, TimeText(h.modificationTime).c_str(), TimeText(h.accessTime).c_str(),
                        h.fileName);
        }
        if (std::fseek(f, h.storedSize, SEEK_CUR) != 0) {
            std::fclose(f);
            Fail(archivePath + ": cannot move past member " + std::string(h.fileName));
            return -1;
        }
    }
    std::fclose(f);
    return count;
}

// The engine's form of a host path (through the drive map).
bool EnginePath(const std::string& hostPath, std::string& out) {
    out = WindowsPathOf(host::Absolute(hostPath));
    if (out.empty()) {
        Fail(hostPath + ": not under any drive of the drive map");
        return false;
    }
    return true;
}

int RunEngine(const std::string& archivePath, const std::string& dir, const char* pattern, uint8_t testing) {
    std::string archive, destination;
    if (!EnginePath(archivePath, archive) || !EnginePath(dir, destination)) return 1;
    ToolDialogs dialogs;
    DialogHandler* previous = SetDialogHandler(&dialogs);
    const int32_t result = DecompressFile(pattern, archive.c_str(), destination.c_str(), testing);
    SetDialogHandler(previous);
    if (result != 0 && dialogs.shown == 0) Fail(archivePath + ": extraction stopped (" + std::to_string(result) + ")");
    return result == 0 && dialogs.shown == 0 ? 0 : 1;
}

unsigned long long testedMembers = 0;

int Test(const std::vector<std::string>& args) {
    if (args.size() != 1) return Usage("t needs exactly one ARCHIVE");
    const std::string dir = host::Parent(host::Absolute(args[0]));
    // The engine tells of every member it has checked whole.
    _memberDoneHook = [](const char*, const ArchiveFileHeader*) { ++testedMembers; };
    const int status = RunEngine(args[0], dir, "*", 1);
    _memberDoneHook = nullptr;
    if (status != 0) return 1;
    std::printf("%s: %llu members tested, all good\n", args[0].c_str(), testedMembers);
    return 0;
}

int Extract(const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3) return Usage("x needs ARCHIVE DIR [PATTERN]");
    std::string error;
    if (!host::CreateDirectories(args[1], error)) return Fail(error);
    return RunEngine(args[0], args[1], args.size() == 3 ? args[2].c_str() : "*", 0);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return Usage("no command given");
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    static RuntimeContext context;
    if (_pgc == nullptr) _pgc = &context;
    EnsurePlatformLoaded();
    const std::string command = args[0];
    args.erase(args.begin());
    // -j N (or -jN) anywhere before "--": the number of threads.
    for (size_t i = 0; i < args.size() && args[i] != "--" && command != "l";) {
        if (args[i].rfind("-j", 0) != 0) {
            ++i;
            continue;
        }
        const bool joined = args[i].size() > 2;
        const std::string value = joined ? args[i].substr(2) : (i + 1 < args.size() ? args[i + 1] : "");
        if (value.empty() || value.size() > 3 || value.find_first_not_of("0123456789") != std::string::npos)
            return Usage("-j needs a number of threads");
        _decodeThreads = std::min(static_cast<uint32_t>(std::stoul(value)), DECODE_THREADS_MAX);
        const auto first = args.begin() + static_cast<std::ptrdiff_t>(i);
        args.erase(first, first + (joined ? 1 : 2));
    }
    if (command == "c") return Create(args);
    if (command == "l") {
        if (args.size() != 1) return Usage("l needs exactly one ARCHIVE");
        return WalkHeaders(args[0], true) < 0 ? 1 : 0;
    }
    if (command == "t") return Test(args);
    if (command == "x") return Extract(args);
    return Usage("unknown command " + command);
}
