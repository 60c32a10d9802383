// The per-test temporary drives and the recording dialog handler.
#include "tests/support/test_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/faults.h"
#include "platform/system.h"

namespace vrn::test {

namespace {

const char* const kSavedVariables[] = {"TMP", "TEMP", "TMPDIR"};

// Removes a host tree, making each directory writable first so that what a
// test left read-only goes too.
void RemoveTree(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        ::chmod(path.c_str(), 0700);
        if (DIR* d = ::opendir(path.c_str())) {
            std::vector<std::string> names;
            while (const dirent* e = ::readdir(d)) {
                const std::string n = e->d_name;
                if (n != "." && n != "..") names.push_back(n);
            }
            ::closedir(d);
            for (const std::string& n : names) RemoveTree(path + "/" + n);
        }
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

void RestoreEnvironment(const std::vector<std::pair<std::string, std::string>>& saved) {
    for (const char* name : kSavedVariables) ::unsetenv(name);
    for (const auto& [name, value] : saved) ::setenv(name.c_str(), value.c_str(), 1);
}

}  // namespace

int RecordingDialogs::Show(HWND owner, std::string_view text, std::string_view title, uint32_t style) {
    boxes.push_back(DialogRecord{owner, std::string(title), std::string(text), style});
    if (answers.empty()) return defaultAnswer;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void RecordingDialogs::Beep(uint32_t type) { beeps.push_back(type); }

void RecordingDialogs::Clear() {
    boxes.clear();
    beeps.clear();
    answers.clear();
    defaultAnswer = IDOK;
}

void TempDrives::SetUp() {
    savedEnv_.clear();
    for (const char* name : kSavedVariables)
        if (const char* value = std::getenv(name)) savedEnv_.emplace_back(name, value);

    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vrn-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    ASSERT_NE(::mkdtemp(name.data()), nullptr) << "cannot make a temporary directory from " << pattern;
    root = name.data();
    ASSERT_EQ(::mkdir((root + "/C").c_str(), 0700), 0);

    savedPlatform_ = SavePlatformState();
    PlatformConfig config;
    DriveMapping c;
    c.hostRoot = root + "/C";
    c.kind = DriveKind::Fixed;
    config.drives['C' - 'A'] = c;
    config.currentDirectory = "C:\\";
    ApplyPlatformConfig(config);

    dialogs.Clear();
    previous_ = SetDialogHandler(&dialogs);
}

void TempDrives::TearDown() {
    ClearFaults();
    SetDialogHandler(previous_);
    previous_ = nullptr;
    RestorePlatformState(savedPlatform_);
    SetTimeZone(nullptr);
    RestoreEnvironment(savedEnv_);
    if (!root.empty()) RemoveTree(root);
}

std::string TempDrives::MapTempDrive(char letter, DriveKind kind) {
    const std::string dir = root + "/" + std::string(1, letter);
    ::mkdir(dir.c_str(), 0700);
    DriveMapping m;
    m.hostRoot = dir;
    m.kind = kind;
    MapDrive(letter, m);
    return dir;
}

std::string TempDrives::Host(const std::string& windowsPath) const { return HostPath(windowsPath); }

void TempDrives::WriteHostFile(const std::string& hostPath, const std::string& bytes) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) ADD_FAILURE() << "cannot write " << hostPath;
}

std::string TempDrives::ReadHostFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "cannot read " << hostPath;
        return {};
    }
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace vrn::test
