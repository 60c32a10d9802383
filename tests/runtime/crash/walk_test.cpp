// The reporter's pieces in this process: the frame-pointer walk on made-up
// frame chains, logical addresses checked against the program file's own
// section table, exception names, and the signal-safe formatting and time.
#include <elf.h>
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/crash/crash.h"
#include "tests/runtime/crash/program_files.h"
#include "tests/support/test_support.h"

namespace vrn::test {

namespace {

// Name and link-time address of section `number` of the program file.
struct SectionFacts {
    std::string name;
    uint64_t address = 0;
};
SectionFacts SectionOfProgram(uint32_t number) {
    const std::string file = ReadFile(ThisProgram());
    Elf64_Ehdr eh;
    std::memcpy(&eh, file.data(), sizeof eh);
    auto header = [&](uint32_t i) {
        Elf64_Shdr sh;
        std::memcpy(&sh, file.data() + eh.e_shoff + i * sizeof(Elf64_Shdr), sizeof sh);
        return sh;
    };
    const Elf64_Shdr names = header(eh.e_shstrndx);
    const Elf64_Shdr sh = header(number);
    return SectionFacts{std::string(file.data() + names.sh_offset + sh.sh_name), sh.sh_addr};
}

[[gnu::noinline]] int FirstFunction(int x) { return x * 3 + 1; }
[[gnu::noinline]] int SecondFunction(int x) { return FirstFunction(x) * 5; }

int g_initialisedData = 7;

std::string Hex(uint64_t v, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*llX", width, static_cast<unsigned long long>(v));
    return buf;
}

class FrameWalkTest : public TempDrives {
protected:
    // Runs the frame-pointer walk into a trace file and gives its lines
    // after the two heading lines.
    std::vector<std::string> Walk(uint64_t pc, uint64_t frame) {
        const std::string path = root + "/walk.txt";
        VRNExceptionHandler::m_hReportFile = OpenTraceFile(path.c_str());
        EXPECT_NE(VRNExceptionHandler::m_hReportFile, INVALID_HANDLE_VALUE);
        CONTEXT context{};
        context.Rip = pc;
        context.Rbp = frame;
        VRNExceptionHandler::IntelStackWalk(&context);
        CloseTraceFile(VRNExceptionHandler::m_hReportFile);
        VRNExceptionHandler::m_hReportFile = 0;
        std::vector<std::string> lines;
        std::istringstream in(ReadFile(path));
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        std::remove(path.c_str());
        EXPECT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[0], "");
        EXPECT_EQ(lines[1], "Call Stack:");
        EXPECT_EQ(lines[2], "Address   Frame     Logical addr  Module");
        lines.erase(lines.begin(), lines.begin() + std::min<size_t>(3, lines.size()));
        return lines;
    }

    static uint64_t At(const uintptr_t* p) { return reinterpret_cast<uint64_t>(p); }
    // The start of a line for pc and frame.
    static std::string Head(uint64_t pc, uint64_t frame) { return Hex(pc, 8) + "  " + Hex(frame, 8) + "  "; }
};

}  // namespace

TEST_F(FrameWalkTest, BrokenChainsEndAfterTheLastGoodFrame) {
    const uint64_t pc = reinterpret_cast<uint64_t>(&FirstFunction) + 4;
    const uint64_t ret1 = reinterpret_cast<uint64_t>(&SecondFunction) + 8;
    const uint64_t ret2 = 0x1234;   // in no image
    // The made-up stack: a writable page followed by a read-only one, so
    // that a link into the second points above the frame yet cannot be used.
    auto* region = static_cast<unsigned char*>(
        ::mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(region, MAP_FAILED);
    ASSERT_EQ(::mprotect(region + 4096, 4096, PROT_READ), 0);
    auto* stack = reinterpret_cast<uintptr_t*>(region);
    const uintptr_t readOnly = reinterpret_cast<uintptr_t>(region + 4096);

    struct Case {
        const char* what;
        uintptr_t brokenLink;
    };
    const Case cases[] = {
        {"odd saved frame pointer", reinterpret_cast<uintptr_t>(&stack[8]) + 1},
        {"saved frame pointer below the frame", reinterpret_cast<uintptr_t>(&stack[2])},
        {"saved frame pointer equal to the frame", reinterpret_cast<uintptr_t>(&stack[4])},
        {"saved frame pointer into read-only memory", readOnly},
        {"saved frame pointer whose second word is read-only", readOnly - 8},
        {"end of the chain", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        stack[0] = reinterpret_cast<uintptr_t>(&stack[4]);
        stack[1] = static_cast<uintptr_t>(ret1);
        stack[4] = c.brokenLink;
        stack[5] = static_cast<uintptr_t>(ret2);
        stack[8] = 0;
        const std::vector<std::string> lines = Walk(pc, At(&stack[0]));
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].rfind(Head(pc, At(&stack[0])), 0), 0u) << lines[0];
        EXPECT_EQ(lines[1].rfind(Head(ret1, At(&stack[4])), 0), 0u) << lines[1];
        // Both lie in this program's code.
        for (const std::string& l : lines) {
            EXPECT_NE(l.find(" " + ThisProgram()), std::string::npos) << l;
            EXPECT_EQ(l.find("0000:00000000"), std::string::npos) << l;
        }
    }

    // A good third frame: its return address lies in no image, so it shows
    // section and offset 0 and no module.
    stack[4] = reinterpret_cast<uintptr_t>(&stack[8]);
    stack[8] = reinterpret_cast<uintptr_t>(&stack[1]);   // back down: the end
    std::vector<std::string> lines = Walk(pc, At(&stack[0]));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], Head(ret2, At(&stack[8])) + "0000:00000000 ");

    // A context whose own frame pointer is unusable gives its pc alone.
    lines = Walk(pc, At(&stack[0]) + 3);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind(Head(pc, At(&stack[0]) + 3), 0), 0u);

    ::munmap(region, 8192);
}

TEST(LogicalAddressTest, AddressesResolveToTheProgramsSections) {
    char module[260];
    DWORD section = 99;
    uintptr_t offset = 99;

    const auto first = reinterpret_cast<uintptr_t>(&FirstFunction);
    ASSERT_EQ(VRNExceptionHandler::GetLogicalAddress(reinterpret_cast<const void*>(&FirstFunction), module, sizeof module, section, offset), 1);
    EXPECT_EQ(module, ThisProgram());
    const SectionFacts text = SectionOfProgram(section);
    EXPECT_EQ(text.name, ".text");
    // Offset and section start give back the address, less the load bias,
    // which is the same for every address of the image.
    const uintptr_t bias = first - offset - text.address;

    DWORD section2 = 0;
    uintptr_t offset2 = 0;
    ASSERT_EQ(VRNExceptionHandler::GetLogicalAddress(&g_initialisedData, module, sizeof module, section2, offset2),
              1);
    const SectionFacts data = SectionOfProgram(section2);
    EXPECT_EQ(data.name, ".data");
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&g_initialisedData) - offset2 - data.address, bias);

    // A short name buffer gets the start of the path.
    char shortName[5];
    ASSERT_EQ(VRNExceptionHandler::GetLogicalAddress(reinterpret_cast<const void*>(&FirstFunction), shortName, sizeof shortName, section, offset), 1);
    EXPECT_EQ(std::string(shortName), ThisProgram().substr(0, 4));

    // Outside every image: 0, with section, offset and name cleared.
    std::vector<char> heap(64);
    for (const void* nowhere : {static_cast<const void*>(reinterpret_cast<char*>(0x10)),
                                static_cast<const void*>(heap.data())}) {
        std::strcpy(module, "stale");
        section = 5;
        offset = 5;
        EXPECT_EQ(VRNExceptionHandler::GetLogicalAddress(nowhere, module, sizeof module, section, offset), 0);
        EXPECT_STREQ(module, "");
        EXPECT_EQ(section, 0u);
        EXPECT_EQ(offset, 0u);
    }
}

TEST(ExceptionNameTest, TableNamesAndPlatformTexts) {
    EXPECT_STREQ(VRNExceptionHandler::GetExceptionString(0xC0000005), "ACCESS_VIOLATION");
    EXPECT_STREQ(VRNExceptionHandler::GetExceptionString(0x80000004), "SINGLE_STEP");
    EXPECT_STREQ(VRNExceptionHandler::GetExceptionString(0xC00000FD), "STACK_OVERFLOW");
    // Not in the table: the platform's message text, or nothing.
    EXPECT_STREQ(VRNExceptionHandler::GetExceptionString(0xC0000409),
                 "The application ended itself abnormally (abort).");
    EXPECT_STREQ(VRNExceptionHandler::GetExceptionString(0x12345678), "");
}

namespace {
std::string Format(const char* format, ...) {
    char buffer[1100];
    va_list args;
    va_start(args, format);
    const int n = wvsprintfA(buffer, format, args);
    va_end(args);
    EXPECT_EQ(static_cast<size_t>(n), std::strlen(buffer));
    return buffer;
}
}  // namespace

TEST(SignalSafeServicesTest, FormattingAndLocalTime) {
    EXPECT_EQ(Format("%08X %s", 0xC0000005u, "ACCESS_VIOLATION"), "C0000005 ACCESS_VIOLATION");
    EXPECT_EQ(Format("%02X:%08llX", 3u, 0x123456789ABull), "03:123456789AB");
    EXPECT_EQ(Format("%04X|%-6s|%5d|%05d|%x", 0x33, "ab", -42, -42, 255u), "0033|ab    |  -42|-0042|ff");
    EXPECT_EQ(Format("%hs+%llX%%", "sym", 0x1Full), "sym+1F%");
    EXPECT_EQ(Format("%u %d", 4294967295u, INT_MIN), "4294967295 -2147483648");
    // At most 1024 characters.
    const std::string longText(2000, 'x');
    EXPECT_EQ(Format("%s", longText.c_str()), std::string(1024, 'x'));

    // asctime's form, day of month padded with a blank.
    std::tm tm{};
    tm.tm_year = 126;
    tm.tm_mon = 11;
    tm.tm_mday = 6;
    tm.tm_hour = 3;
    tm.tm_min = 11;
    tm.tm_sec = 57;
    tm.tm_wday = 0;
    char text[26];
    SignalSafeAscTime(tm, text);
    EXPECT_STREQ(text, "Sun Dec  6 03:11:57 2026\n");

    // The clock read without the time-zone library agrees with it for the
    // same second (taken again if the second changed meanwhile).
    for (int attempt = 0; attempt < 3; ++attempt) {
        // The same clock as the routine's: time() may read a coarser one
        // that lags behind it by a tick.
        auto now = [] {
            timespec t{};
            ::clock_gettime(CLOCK_REALTIME, &t);
            return t.tv_sec;
        };
        const time_t before = now();
        std::tm safe{};
        SignalSafeLocalTime(safe);
        const time_t after = now();
        if (before != after) continue;
        std::tm local{};
        ASSERT_NE(::localtime_r(&before, &local), nullptr);
        EXPECT_EQ(safe.tm_year, local.tm_year);
        EXPECT_EQ(safe.tm_mon, local.tm_mon);
        EXPECT_EQ(safe.tm_mday, local.tm_mday);
        EXPECT_EQ(safe.tm_wday, local.tm_wday);
        EXPECT_EQ(safe.tm_yday, local.tm_yday);
        EXPECT_EQ(safe.tm_hour, local.tm_hour);
        EXPECT_EQ(safe.tm_min, local.tm_min);
        EXPECT_EQ(safe.tm_sec, local.tm_sec);
        break;
    }
}

}  // namespace vrn::test
