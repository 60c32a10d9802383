// Installations cut short and installations at the same time: vinstall
// killed (SIGKILL) at each change it makes to the disk, in turn, where after
// every kill installd.ini is one whole version of the record (never torn,
// never empty) and a rerun of the same installation ends with every file
// as a run that was never interrupted leaves it; a second run into a
// destination that a first run is installing into is refused, and the lock
// goes with the first run however it ends.
//
// The kill points are found deterministically: the platform's fault
// injection (VRN_FAULTS in the child's environment) kills the child before
// its Nth change (file created or opened for writing, write, rename,
// removal, directory made). By default every fourth point is tried, and
// every point that renames onto installd.ini; VRN_KILL_POINT_STEP=1 tries
// them all.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "frontend/destination_lock.h"
#include "tests/frontend/vinstall_fixture.h"

namespace vrn::test {
namespace {

namespace fs = std::filesystem;
using installer::DestinationLockPath;
using installer::LockDestination;

constexpr int kKilled = 128 + SIGKILL;

int KillPointStep() {
    const char* text = std::getenv("VRN_KILL_POINT_STEP");
    return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 4;
}

class Interruptions : public VinstallTest {
protected:
    void SetUp() override {
        VinstallTest::SetUp();
        std::string response = DemoResponse();
        // A rerun keeps what an interrupted run left in the destination.
        response.replace(response.find("[Install]\n"), 10, "[Install]\nExistingDirectory=keep\n");
        WriteResponse(response);
    }

    // Starts vinstall as Run does, with the fault rules given (none: "").
    pid_t Start(const std::vector<std::string>& args, const std::string& faults, int serial) {
        const std::string out = root + "/stdout." + std::to_string(serial);
        const std::string err = root + "/stderr." + std::to_string(serial);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("VRN_DRIVES", drivesFile.c_str(), 1);
            ::setenv("TMPDIR", (root + "/C/temp").c_str(), 1);
            ::setenv("HOME", root.c_str(), 1);
            if (faults.empty()) ::unsetenv("VRN_FAULTS");
            else ::setenv("VRN_FAULTS", faults.c_str(), 1);
            ::unsetenv("TMP");
            ::unsetenv("TEMP");
            ::unsetenv("XDG_CONFIG_HOME");
            if (::chdir(root.c_str()) != 0) ::_exit(120);
            const int in = ::open("/dev/null", O_RDONLY);
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(in, 0);
            ::dup2(o, 1);
            ::dup2(e, 2);
            std::vector<std::string> copies = args;
            std::string program = VINSTALL;
            std::vector<char*> argv{program.data()};
            for (std::string& a : copies) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(121);
        }
        return pid;
    }
    RunResult Finish(pid_t pid, int serial) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        RunResult r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.err = ReadText(root + "/stderr." + std::to_string(serial));
        return r;
    }
    RunResult RunWith(const std::string& faults) { return Finish(Start(args, faults, 0), 0); }
    static std::string ReadText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string Destination() const { return root + "/C/Varentis"; }
    void Clean() { fs::remove_all(Destination()); }
    std::optional<std::string> Record() const {
        const std::string path = Destination() + "/installd.ini";
        if (!fs::exists(path)) return std::nullopt;
        return ReadText(path);
    }
    // The names in which two trees differ (missing, extra or other bytes).
    static std::string Differences(const std::map<std::string, std::string>& want,
                                   const std::map<std::string, std::string>& got) {
        std::string out;
        for (const auto& [name, bytes] : want)
            if (!got.count(name)) out += " missing " + name;
            else if (got.at(name) != bytes) out += " differs " + name;
        for (const auto& [name, bytes] : got)
            if (!want.count(name)) out += " extra " + name;
        return out;
    }

    // Kills the installation at its changes in turn, on a fresh destination
    // each time, and checks the record and the rerun. Returns the kill
    // points tried; `torn` receives how many left a record that was not one
    // of its whole versions.
    int KillAtEveryChange(int& torn) {
        // The run that is never interrupted.
        Clean();
        const RunResult clean = RunWith("");
        EXPECT_EQ(clean.status, 0) << clean.err << Log();
        const auto reference = ReadTree(Destination());
        // Every version the record goes through: each as it stands when
        // the next one is about to take its place, and the last.
        std::set<std::string> versions{reference.at("installd.ini")};
        int renames = 0;
        for (int j = 1;; ++j) {
            Clean();
            const RunResult r = RunWith("rename#" + std::to_string(j) + "=kill@installd.ini");
            if (r.status != kKilled) break;
            ++renames;
            if (const auto record = Record()) versions.insert(*record);
        }
        EXPECT_GT(renames, 5);

        // Every fourth point by default; VRN_KILL_POINT_STEP chooses another
        // step (1: every point).
        const int step = KillPointStep();
        int tried = 0;
        torn = 0;
        for (int k = 1;; k += step) {
            Clean();
            const std::string rule = "change#" + std::to_string(k) + "=kill";
            const RunResult killed = RunWith(rule);
            if (killed.status != kKilled) {
                EXPECT_EQ(killed.status, 0) << killed.err;
                break;
            }
            ++tried;
            const auto record = Record();
            if (record && versions.count(*record) == 0) {
                ++torn;
                ADD_FAILURE() << "killed before change " << k << ": installd.ini is no whole version:\n" << *record;
            }
            const RunResult rerun = RunWith("");
            EXPECT_EQ(rerun.status, 0) << "rerun after a kill before change " << k << ": " << rerun.err;
            const std::string differences = Differences(reference, ReadTree(Destination()));
            EXPECT_EQ(differences, "") << "rerun after a kill before change " << k;
        }
        return tried;
    }

    std::vector<std::string> args;
};

TEST_F(Interruptions, AKilledCdInstallationLeavesAWholeRecordAndItsRerunCompletesIt) {
    WriteDrives("drive E: " + demoMedium + " kind=cdrom\n");
    args = {"--medium", "E:\\", "-q", "-bC:\\install.ini"};
    int torn = 0;
    const int tried = KillAtEveryChange(torn);
    std::cout << "[ kill points ] CD-ROM medium: " << tried << " tried, " << torn << " left a torn record\n";
    RecordProperty("kill_points", tried);
    RecordProperty("torn_records", torn);
    EXPECT_GE(tried * KillPointStep(), 80);
    EXPECT_EQ(torn, 0);
}

TEST_F(Interruptions, AKilledStagedInstallationLeavesAWholeRecordAndItsRerunCompletesIt) {
    const std::string medium = BuildDemoVariant(
        "staged", {{"Type = cd", "Type = hd"}, {"Compression = fast", "Compression = fast\nArchive Directory = XXARCSXX"}});
    args = {"--medium", medium, "-q", "-bC:\\install.ini"};
    int torn = 0;
    const int tried = KillAtEveryChange(torn);
    std::cout << "[ kill points ] staged medium: " << tried << " tried, " << torn << " left a torn record\n";
    RecordProperty("kill_points", tried);
    RecordProperty("torn_records", torn);
    EXPECT_GE(tried * KillPointStep(), 80);
    EXPECT_EQ(torn, 0);
}

TEST_F(Interruptions, ASecondRunIntoTheSameDestinationIsRefusedWhileTheFirstRuns) {
    WriteDrives("drive E: " + demoMedium + " kind=cdrom\n");
    args = {"--medium", "E:\\", "-q", "-bC:\\install.ini"};
    const RunResult clean = RunWith("");
    ASSERT_EQ(clean.status, 0) << clean.err;
    const auto reference = ReadTree(Destination());
    Clean();

    // The first run stops half way, holding the destination.
    const pid_t first = Start(args, "change#60=stop", 1);
    int status = 0;
    ASSERT_EQ(::waitpid(first, &status, WUNTRACED), first);
    ASSERT_TRUE(WIFSTOPPED(status));
    const RunResult second = Finish(Start(args, "", 2), 2);
    EXPECT_EQ(second.status, 3);
    const std::string refusal = "Another installation into C:\\Varentis is running (vinstall, process " +
                                std::to_string(first) + ", into C:\\Varentis)";
    EXPECT_NE(second.err.find(refusal), std::string::npos) << second.err;
    EXPECT_NE(Log().find(refusal), std::string::npos) << Log();
    // The first goes on and installs as if alone.
    ::kill(first, SIGCONT);
    const RunResult firstResult = Finish(first, 1);
    EXPECT_EQ(firstResult.status, 0) << firstResult.err;
    EXPECT_EQ(Differences(reference, ReadTree(Destination())), "");
    EXPECT_FALSE(fs::exists(Host(DestinationLockPath("C:\\Varentis"))));

    // Another spelling of the destination is the same destination.
    AdvisoryLock held;
    std::string message;
    ASSERT_EQ(LockDestination("c:\\VARENTIS\\", held, message), LockOutcome::Held) << message;
    const RunResult refused = RunWith("");
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(refused.err.find("Another installation into C:\\Varentis is running"), std::string::npos)
        << refused.err;
    held.Release();

    // A run that fails after it took the lock lets go of it.
    const RunResult failed = RunWith("write#3+=ENOSPC@Varentis");
    EXPECT_EQ(failed.status, 3) << failed.err;
    EXPECT_EQ(failed.err.find("Another installation"), std::string::npos) << failed.err;
    EXPECT_FALSE(fs::exists(Host(DestinationLockPath("C:\\Varentis"))));
    const RunResult after = RunWith("");
    EXPECT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(Differences(reference, ReadTree(Destination())), "");
}

}  // namespace
}  // namespace vrn::test
