// The fixture of the installer's tests: a temporary directory whose C: is a
// drive of a drive-map file, media built from the demo medium's sources
// into it, and vinstall run as a child process with its output, log and
// exit status kept.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace vrn::test {

struct RunResult {
    int status = -1;
    std::string out, err;
};

// Every regular file below a host directory, by its path relative to it.
std::map<std::string, std::string> ReadTree(const std::string& hostDir);

class VinstallTest : public TempDrives {
protected:
    void SetUp() override;

    // Builds a medium into <root>/<name> from a copy of the demo sources
    // whose description the edit changes (text replaced in demo.ini).
    std::string BuildDemoVariant(const std::string& name,
                                 const std::vector<std::pair<std::string, std::string>>& edits);
    // The drive-map file: C: on <root>/C, and the extra lines.
    void WriteDrives(const std::string& extraLines = "");
    // Runs vinstall with the arguments; the response text, when given, is
    // written to C:\install.ini first.
    RunResult Run(const std::vector<std::string>& args);
    void WriteResponse(const std::string& text);
    std::string Log() const;          // C:\temp\install.log, "" when absent
    // The log's entries (the texts after each header line).
    std::vector<std::string> LogEntries() const;

    // The demo's response file.
    static std::string DemoResponse(const std::string& destination = "C:\\Varentis");

    std::string drivesFile;
    std::string demoSource;   // the demo medium's generated sources
    std::string demoMedium;   // the demo medium the build made
};

// The demo medium's archives and the source folders they are built from.
struct DemoArchive {
    std::string name, sourceDir;
};
std::vector<DemoArchive> DemoArchives(const std::string& description);

// The tailored form of a file: every line's bracket tags replaced from
// `values`, a line tag's line ending in `destination` after its marker, and
// every line ended by CR LF (text mode), a last line without a line feed
// kept without one.
std::string Tailored(const std::string& text, const std::map<std::string, std::string>& values,
                     const std::string& destination);

}  // namespace vrn::test
