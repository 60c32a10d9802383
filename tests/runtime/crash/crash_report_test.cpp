// Crashes in a child process (the test program run again with a scenario)
// and the reports they append to vrntrace.<pid> in the child's directory.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/runtime/crash/crash_child.h"
#include "tests/runtime/crash/program_files.h"
#include "tests/support/test_support.h"

namespace vrn::test {

namespace {

struct Frame {
    uint64_t pc = 0;
    uint64_t frame = 0;
    std::string rest;   // symbol+displacement, or section:offset module
};

struct Report {
    std::string time;
    uint32_t code = 0;
    std::string name;
    uint64_t faultAddress = 0;
    uint32_t section = 0;
    uint64_t offset = 0;
    std::string module;
    std::map<std::string, uint64_t> registers;
    std::string stackHeader;
    std::vector<Frame> stack;
};

uint64_t Hex(const std::string& s) { return std::stoull(s, nullptr, 16); }

// Parses every report of a trace file; a line that does not fit the format
// fails the test.
std::vector<Report> ParseReports(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);

    const std::string rule = "//=====================================================";
    const std::regex timeLine(R"(VARENTIS stack trace as of ((Sun|Mon|Tue|Wed|Thu|Fri|Sat) )"
                              R"((Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123]\d \d\d:\d\d:\d\d \d{4}))");
    const std::regex codeLine(R"(Exception code: ([0-9A-F]{8,}) (.*))");
    const std::regex faultLine(R"(Fault address:  ([0-9A-F]{8,}) ([0-9A-F]{2,}):([0-9A-F]{8,}) (.*))");
    const std::regex registerLine(R"(([A-Z]{3}):([0-9A-F]{8,}))");
    const std::regex csLine(R"(CS:EIP:([0-9A-F]{4}):([0-9A-F]{8,}))");
    const std::regex ssLine(R"(SS:ESP:([0-9A-F]{4}):([0-9A-F]{8,})  EBP:([0-9A-F]{8,}))");
    const std::regex segLine(R"(DS:([0-9A-F]{4})  ES:([0-9A-F]{4})  FS:([0-9A-F]{4})  GS:([0-9A-F]{4}))");
    const std::regex flagsLine(R"(Flags:([0-9A-F]{8,}))");
    const std::regex frameLine(R"(([0-9A-F]{8,})  ([0-9A-F]{8,})  (.*))");

    std::vector<Report> reports;
    size_t i = 0;
    auto next = [&]() -> const std::string& {
        static const std::string none = "<end of file>";
        return i < lines.size() ? lines[i++] : none;
    };
    std::smatch m;
    while (i < lines.size()) {
        Report r;
        EXPECT_EQ(next(), rule);
        std::string l = next();
        EXPECT_TRUE(std::regex_match(l, m, timeLine)) << l;
        r.time = m.size() > 1 ? m[1].str() : "";
        EXPECT_EQ(next(), rule);
        l = next();
        if (!std::regex_match(l, m, codeLine)) {
            ADD_FAILURE() << "exception line: " << l;
            return reports;
        }
        r.code = static_cast<uint32_t>(Hex(m[1]));
        r.name = m[2];
        l = next();
        if (!std::regex_match(l, m, faultLine)) {
            ADD_FAILURE() << "fault address line: " << l;
            return reports;
        }
        r.faultAddress = Hex(m[1]);
        r.section = static_cast<uint32_t>(Hex(m[2]));
        r.offset = Hex(m[3]);
        r.module = m[4];
        EXPECT_EQ(next(), "");
        EXPECT_EQ(next(), "Registers:");
        for (const char* name : {"EAX", "EBX", "ECX", "EDX", "ESI", "EDI"}) {
            l = next();
            if (std::regex_match(l, m, registerLine) && m[1] == name) {
                r.registers[name] = Hex(m[2]);
            } else {
                ADD_FAILURE() << name << " line: " << l;
            }
        }
        l = next();
        EXPECT_TRUE(std::regex_match(l, m, csLine)) << l;
        if (m.size() == 3) {
            r.registers["CS"] = Hex(m[1]);
            r.registers["EIP"] = Hex(m[2]);
        }
        l = next();
        EXPECT_TRUE(std::regex_match(l, m, ssLine)) << l;
        if (m.size() == 4) {
            r.registers["SS"] = Hex(m[1]);
            r.registers["ESP"] = Hex(m[2]);
            r.registers["EBP"] = Hex(m[3]);
        }
        l = next();
        EXPECT_TRUE(std::regex_match(l, m, segLine)) << l;
        l = next();
        EXPECT_TRUE(std::regex_match(l, m, flagsLine)) << l;
        EXPECT_EQ(next(), "");
        EXPECT_EQ(next(), "Call Stack:");
        r.stackHeader = next();
        while (i < lines.size() && lines[i] != rule && !lines[i].empty()) {
            l = next();
            if (std::regex_match(l, m, frameLine)) {
                r.stack.push_back(Frame{Hex(m[1]), Hex(m[2]), m[3]});
            } else {
                ADD_FAILURE() << "call stack line: " << l;
            }
        }
        while (i < lines.size() && lines[i].empty()) ++i;
        reports.push_back(std::move(r));
    }
    return reports;
}

struct Child {
    pid_t pid = -1;
    int status = 0;
};

// Runs the test program again in `dir` with a scenario. Before the child
// starts, `existing` (when given) is written to the trace file its process
// identifier names. The child's standard error goes to dir/stderr.txt.
Child RunChild(const std::string& dir, const char* scenario, bool earlyHandler, const std::string& existing = "") {
    int gate[2];
    if (::pipe(gate) != 0) return {};
    const std::string program = ThisProgram();
    const std::string errors = dir + "/stderr.txt";
    Child child;
    child.pid = ::fork();
    if (child.pid == 0) {
        ::close(gate[1]);
        char go = 0;
        if (::read(gate[0], &go, 1) != 1) ::_exit(126);
        if (::chdir(dir.c_str()) != 0) ::_exit(126);
        const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err >= 0) ::dup2(err, 2);
        ::setenv(kScenarioVariable, scenario, 1);
        if (earlyHandler) ::setenv(kEarlyHandlerVariable, "1", 1);
        // Under the sanitizers their own fault handlers stand aside.
        ::setenv("ASAN_OPTIONS",
                 "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:handle_abort=0:detect_leaks=0", 1);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(gate[0]);
    if (child.pid > 0) {
        if (!existing.empty()) {
            std::ofstream(dir + "/vrntrace." + std::to_string(child.pid), std::ios::binary) << existing;
        }
        const char go = 1;
        EXPECT_EQ(::write(gate[1], &go, 1), 1);
        ::waitpid(child.pid, &child.status, 0);
    }
    ::close(gate[1]);
    return child;
}

class CrashReportTest : public TempDrives {
protected:
    std::string TraceOf(const Child& child) const { return ReadFile(root + "/vrntrace." + std::to_string(child.pid)); }
};

bool KilledBy(const Child& child, int sig) { return WIFSIGNALED(child.status) && WTERMSIG(child.status) == sig; }

// The first frame lines up with the fault and names the faulting function;
// the walk reaches the scenario's caller unless the stack is too deep.
void ExpectSymbolicStack(const Report& r, const char* faultingFunction, bool callerReached = true) {
    EXPECT_EQ(r.stackHeader, "Address   Frame");
    ASSERT_GE(r.stack.size(), 2u);
    EXPECT_EQ(r.stack[0].pc, r.faultAddress);
    EXPECT_NE(r.stack[0].rest.find(faultingFunction), std::string::npos) << r.stack[0].rest;
    EXPECT_TRUE(std::regex_match(r.stack[0].rest, std::regex(R"(\S+\+[0-9A-F]+)"))) << r.stack[0].rest;
    bool callerSeen = false;
    for (const Frame& f : r.stack) callerSeen = callerSeen || f.rest.find("RunScenario") != std::string::npos;
    EXPECT_EQ(callerSeen, callerReached);
    for (const Frame& f : r.stack) EXPECT_NE(f.frame, 0u);
}

}  // namespace

TEST_F(CrashReportTest, AccessViolationAppendsAFullReport) {
    const std::string earlier = "an earlier report of the same identifier\n";
    const Child child = RunChild(root, "write", false, earlier);
    ASSERT_GT(child.pid, 0);
    EXPECT_TRUE(KilledBy(child, SIGSEGV)) << "status " << child.status;

    const std::string trace = TraceOf(child);
    ASSERT_EQ(trace.compare(0, earlier.size(), earlier), 0) << "the earlier text is kept in front";
    const std::vector<Report> reports = ParseReports(trace.substr(earlier.size()));
    ASSERT_EQ(reports.size(), 1u);
    const Report& r = reports[0];
    EXPECT_EQ(r.code, 0xC0000005u);
    EXPECT_EQ(r.name, "ACCESS_VIOLATION");
    EXPECT_EQ(r.module, ThisProgram());
    EXPECT_NE(r.section, 0u);

    // The registers as the faulting code left them, in the labels' order.
    EXPECT_EQ(r.registers.at("EAX"), 0x1111222233334444u);
    EXPECT_EQ(r.registers.at("EBX"), 0x5555666677778888u);
    EXPECT_EQ(r.registers.at("ECX"), 0x0123456789ABCDEFu);
    EXPECT_EQ(r.registers.at("EDX"), 0xDEADBEEFu);
    EXPECT_EQ(r.registers.at("ESI"), 0x42u);
    EXPECT_EQ(r.registers.at("EDI"), 0x10u);
    EXPECT_EQ(r.registers.at("EIP"), r.faultAddress);
    EXPECT_EQ(r.registers.at("CS"), 0x33u);   // the host's 64-bit user code segment
    EXPECT_EQ(r.registers.at("SS"), 0x2Bu);
    EXPECT_NE(r.registers.at("ESP"), 0u);

    ExpectSymbolicStack(r, "CrashByWrite");
}

TEST_F(CrashReportTest, DivideOverflowAndAbortAreNamed) {
    struct Case {
        const char* scenario;
        int signal;
        uint32_t code;
        const char* name;
        const char* function;   // in the first frame, or null
    };
    const Case cases[] = {
        {"divide", SIGFPE, 0xC0000094, "INT_DIVIDE_BY_ZERO", "CrashByDivide"},
        {"overflow", SIGSEGV, 0xC00000FD, "STACK_OVERFLOW", "RecurseForever"},
        {"abort", SIGABRT, 0xC0000409, "The application ended itself abnormally (abort).", nullptr},
        {"core", SIGABRT, 0xE0000003, "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        const Child child = RunChild(root, c.scenario, false);
        ASSERT_GT(child.pid, 0);
        EXPECT_TRUE(KilledBy(child, c.signal)) << "status " << child.status;
        const std::vector<Report> reports = ParseReports(TraceOf(child));
        ASSERT_EQ(reports.size(), 1u);
        const Report& r = reports[0];
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.name, c.name);
        EXPECT_EQ(r.registers.at("EIP"), r.faultAddress);
        ASSERT_FALSE(r.stack.empty());
        EXPECT_EQ(r.stack[0].pc, r.faultAddress);
        if (c.function != nullptr) {
            const bool deep = std::string(c.scenario) == "overflow";
            ExpectSymbolicStack(r, c.function, !deep);
            if (deep) {
                // Every frame the walk gives is a frame of the runaway function.
                for (size_t k = 1; k < r.stack.size(); ++k) {
                    EXPECT_NE(r.stack[k].rest.find("RecurseForever"), std::string::npos) << r.stack[k].rest;
                }
            }
            EXPECT_EQ(r.module, ThisProgram());
        } else {
            // Raised from inside the C library: the walk still climbs back
            // to the code that asked for it.
            bool callerSeen = false;
            for (const Frame& f : r.stack) callerSeen = callerSeen || f.rest.find("RunScenario") != std::string::npos;
            EXPECT_TRUE(callerSeen);
        }
    }
}

TEST_F(CrashReportTest, EarlierHandlerRunsAfterTheReportAndItsVerdictHolds) {
    // The handler installed before the reporter makes the faulting store
    // succeed; the process goes on, then dies of a division by zero, which
    // no earlier handler takes: two reports in one file.
    const Child child = RunChild(root, "recover", true);
    ASSERT_GT(child.pid, 0);
    EXPECT_TRUE(KilledBy(child, SIGFPE)) << "status " << child.status;
    EXPECT_EQ(ReadFile(root + "/" + kPreviousMarker), "previous handler ran\n");
    EXPECT_EQ(ReadFile(root + "/" + kResumedMarker), "resumed with 42\n");

    const std::vector<Report> reports = ParseReports(TraceOf(child));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].name, "ACCESS_VIOLATION");
    EXPECT_EQ(reports[1].name, "INT_DIVIDE_BY_ZERO");
    ExpectSymbolicStack(reports[1], "CrashByDivide");
}

TEST_F(CrashReportTest, WithoutImageHelpTheFramePointerWalkIsUsed) {
    const Child child = RunChild(root, "no-imagehlp", false);
    ASSERT_GT(child.pid, 0);
    EXPECT_TRUE(KilledBy(child, SIGSEGV)) << "status " << child.status;
    EXPECT_NE(ReadFile(root + "/stderr.txt").find("IMAGEHLP.DLL or its exported procs not found"), std::string::npos);

    const std::vector<Report> reports = ParseReports(TraceOf(child));
    ASSERT_EQ(reports.size(), 1u);
    const Report& r = reports[0];
    EXPECT_EQ(r.stackHeader, "Address   Frame     Logical addr  Module");
    ASSERT_GE(r.stack.size(), 2u);
    // The first frame: the fault itself, located like the fault address line.
    EXPECT_EQ(r.stack[0].pc, r.faultAddress);
    EXPECT_EQ(r.stack[0].frame, r.registers.at("EBP"));
    std::ostringstream expected;
    expected << std::uppercase << std::hex;
    expected.width(4);
    expected.fill('0');
    expected << r.section << ':';
    expected.width(8);
    expected << r.offset << ' ' << r.module;
    EXPECT_EQ(r.stack[0].rest, expected.str());
    // The caller's frame lies above.
    EXPECT_GT(r.stack[1].frame, r.stack[0].frame);
    EXPECT_NE(r.stack[1].rest.find(ThisProgram()), std::string::npos);
}

}  // namespace vrn::test
