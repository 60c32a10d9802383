// Unattended installs of media built from the demo medium's sources: every
// installed file against its source, the tailored files against their
// expected form, installd.ini against the tree, a second run over the first;
// the staged medium; diskettes refused.
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/frontend/vinstall_fixture.h"

namespace vrn::test {
namespace {

namespace fs = std::filesystem;

using Record = std::map<std::string, std::map<std::string, std::string>>;

Record ParseRecord(const std::string& text) {
    Record record;
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            record[section];
        } else if (const size_t eq = line.find('='); eq != std::string::npos) {
            record[section][line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return record;
}

const std::set<std::string> kDemoArchivesInstalled = {"srv4gl.arc",  "srvsql.arc", "common.arc", "srvadmin.arc",
                                                      "srvsamp.arc", "client.arc", "messngr.arc", "msgeng.arc",
                                                      "msgfra.arc",  "msgtool.arc"};
const std::set<std::string> kDemoTailored = {
    "bin/vrnenv.bat", "etc/vrn4gl.cfg", "etc/vrnsql.cfg", "bin/sqlstart.bat", "etc/vrnutil.cfg",
    "bin/admin.bat",  "samples/load.bat", "etc/client.cfg", "properties/linkmgr.properties",
    "properties/relays.properties", "properties/stubmake.preferences", "properties/hubsvc.properties"};

class BatchInstall : public VinstallTest {
protected:
    // The tag values of DemoResponse for the destination C:\Varentis.
    std::map<std::string, std::string> Values(const std::string& archiveDir) const {
        return {{"[[install-dir]]", "C:\\Varentis"},
                {"[[work-dir]]", "D:\\work"},
                {"[[docRoot-dir]]", "C:\\www"},
                {"[[scripts-dir]]", "C:\\www\\cgi"},
                {"[[java-home]]", "C:\\Java 1.1"},
                {"[[jfc-home]]", "C:\\Varentis\\jfc"},
                {"[[nls-cpinternal]]", "ISO8859-1"},
                {"[[nls-cpcoll]]", "german"},
                {"[[nls-cpcase]]", "upper8859"},
                {"[[nls-date]]", "DD.MM.YYYY"},
                {"[[nls-number]]", "1.234.567,89"},
                {"[[nls-numsep]]", "."},
                {"[[nls-numdec]]", ","},
                {"[[folder-name]]", ""},
                {"[[default-language]]", "German"},
                {"[[default-country]]", "Germany"},
                {"[[archive-dir]]", archiveDir},
                {"[[useSourceEditor]]", "yes"},
                {"[[kestrel-mq]]",
                 ";C:\\Varentis\\java\\kestrelMQ\\lib\\client.jar;C:\\Varentis\\java\\kestrelMQ\\lib\\jndi.jar"}};
    }

    // Every file of the installed archives as its source has it, tailored
    // where the tailor table says; the loose files; nothing else.
    void ExpectDemoTree(const std::string& sourceDir, const std::string& mediumHost, const std::string& archiveDir) {
        const auto installed = ReadTree(root + "/C/Varentis");
        std::set<std::string> expectedNames;
        const auto values = Values(archiveDir);
        for (const DemoArchive& a : DemoArchives(sourceDir + "/demo.ini")) {
            const auto files = ReadTree(a.sourceDir);
            for (const auto& [path, bytes] : files) {
                if (kDemoArchivesInstalled.count(a.name) == 0) {
                    EXPECT_EQ(installed.count(path), 0u) << path << " of " << a.name << " is not chosen";
                    continue;
                }
                expectedNames.insert(path);
                const auto it = installed.find(path);
                ASSERT_NE(it, installed.end()) << path << " of " << a.name;
                if (kDemoTailored.count(path) != 0) {
                    const std::string destination = path == "bin/vrnenv.bat" ? "C:\\VARENTIS" : "C:\\Varentis";
                    EXPECT_EQ(it->second, Tailored(bytes, values, destination)) << path;
                } else {
                    EXPECT_EQ(it->second, bytes) << path;
                }
            }
        }
        for (const char* loose : {"install.exe", "install.tab", "install.hlp", "vrnupdt.bat"}) {
            expectedNames.insert(loose);
            ASSERT_EQ(installed.count(loose), 1u) << loose;
            EXPECT_EQ(installed.at(loose), ReadHostFile(mediumHost + "/" + loose)) << loose;
        }
        expectedNames.insert("README.VRN");
        expectedNames.insert("installd.ini");
        std::set<std::string> names;
        for (const auto& [path, bytes] : installed) names.insert(path);
        EXPECT_EQ(names, expectedNames);
    }

    static Record ExpectedRecord() {
        return {
            {"Installed Products",
             {{"ProductCount", "3"},
              {"Product 250", "Varentis Database Server"},
              {"Product 260", "Varentis Client"},
              {"Product 290", "Varentis ZOV Message Files"}}},
            {"Product 250",
             {{"_Component_4GL (m)", "1"},
              {"_Component_SQL (m)", "1"},
              {"_Component_Server Utilities (m)", "1"},
              {"_Component_Server Tools", "1"},
              {"__SubComponent_Administration Utilities (m)", "1"},
              {"__SubComponent_Sample Database", "1"},
              {"__SubComponent_Online Documentation", "0"}}},
            {"Product 260",
             {{"_Component_Client Libraries (m)", "1"},
              {"_Component_Messenger Component (m)", "1"},
              {"_Component_Client Utilities (m)", "1"}}},
            {"Product 290",
             {{"_Component_Message Files (m)", "1"},
              {"__SubComponent_English Messages", "1"},
              {"__SubComponent_French Messages", "1"},
              {"__SubComponent_German Messages", "0"},
              {"__SubComponent_Message Compiler (m)", "1"}}},
        };
    }
};

TEST_F(BatchInstall, CdMediumInstallsExactlyAndASecondRunKeepsWhatIsThere) {
    WriteDrives("drive E: " + demoMedium + " kind=cdrom\n");
    WriteResponse(DemoResponse());
    const RunResult first = Run({"--medium", "E:\\", "-q", "-bC:\\install.ini"});
    ASSERT_EQ(first.status, 0) << first.err << Log();
    ExpectDemoTree(demoSource, demoMedium, "E:\\");
    const std::string record = ReadHostFile(root + "/C/Varentis/installd.ini");
    EXPECT_EQ(ParseRecord(record), ExpectedRecord());
    EXPECT_NE(record.find("; Installed from: E:\\\r\n"), std::string::npos) << record;
    // The log has the start and the end of the run, and nothing between.
    const auto entries = LogEntries();
    ASSERT_EQ(entries.size(), 2u) << Log();
    EXPECT_NE(entries[1].find("Installation complete"), std::string::npos) << entries[1];

    // The second run: the same response file over the first installation
    // with ExistingDirectory=keep, the sample database left out and the
    // ODBC driver added. The user's own file stays, the record keeps what
    // the first run installed, the sample files stay in place.
    WriteHostFile(root + "/C/Varentis/etc/mine.cfg", "the user's own\n");
    std::string second = DemoResponse();
    second.replace(second.find("[Install]\n"), 10, "[Install]\nExistingDirectory=keep\n");
    second.replace(second.find("Server Tools/Sample Database=yes"), 32, "Server Tools/Sample Database=no");
    second += "[Product Varentis ODBC Driver]\n";
    WriteResponse(second);
    const RunResult rerun = Run({"--medium", "E:\\", "-q", "-bC:\\install.ini"});
    ASSERT_EQ(rerun.status, 0) << rerun.err << Log();
    EXPECT_EQ(ReadHostFile(root + "/C/Varentis/etc/mine.cfg"), "the user's own\n");
    EXPECT_TRUE(fs::exists(root + "/C/Varentis/samples/stores.db"));
    EXPECT_TRUE(fs::exists(root + "/C/Varentis/bin/vrngodbc.dll"));
    Record expected = ExpectedRecord();
    expected["Installed Products"]["ProductCount"] = "4";
    expected["Installed Products"]["Product 280"] = "Varentis ODBC Driver";
    expected["Product 280"]["_Component_ODBC Driver (m)"] = "1";
    EXPECT_EQ(ParseRecord(ReadHostFile(root + "/C/Varentis/installd.ini")), expected);
}

TEST_F(BatchInstall, StagedMediumIsStagedUnderTheDestinationAndLeavesNothingBehind) {
    const std::string medium = BuildDemoVariant("staged", {{"Type = cd", "Type = hd"},
                                                           {"Compression = fast", "Compression = fast\nArchive Directory = XXARCSXX"}});
    ASSERT_TRUE(fs::exists(medium + "/XXARCSXX/srv4gl.arc"));
    WriteResponse(DemoResponse());
    const RunResult run = Run({"--medium", medium, "-bC:\\install.ini"});
    ASSERT_EQ(run.status, 0) << run.err << Log();
    // Without a terminal, a line per archive.
    EXPECT_NE(run.out.find("extracted srv4gl.arc: 5 members"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Installed into C:\\Varentis"), std::string::npos) << run.out;
    // The medium lies on no drive of the map: it was given a letter of its own.
    const std::string record = ReadHostFile(root + "/C/Varentis/installd.ini");
    const size_t from = record.find("; Installed from: ");
    ASSERT_NE(from, std::string::npos);
    const std::string archiveDir = record.substr(from + 18, record.find('\r', from) - from - 18);
    EXPECT_EQ(archiveDir.substr(1), ":\\XXARCSXX");
    ExpectDemoTree(root + "/C/src-staged", medium, archiveDir);
    EXPECT_EQ(ParseRecord(record), ExpectedRecord());
    EXPECT_FALSE(fs::exists(root + "/C/Varentis/XXARCSXX"));
    EXPECT_TRUE(fs::exists(medium + "/XXARCSXX/srv4gl.arc"));   // the medium is untouched
}

TEST_F(BatchInstall, DiskettesAreRefusedInBatchModeAndVerifiedDiskByDisk) {
    const std::string medium = BuildDemoVariant(
        "floppies", {{"Type = cd", "Type = f"},
                     {"[Product 250]", "[Diskettes]\nCapacity = 1474560\nDisk Name = VARENTIS DISK\n\n[Product 250]"}});
    ASSERT_TRUE(fs::exists(medium + "/disk3/volume.id"));
    WriteResponse(DemoResponse());
    const RunResult batch = Run({"--medium", medium, "-bC:\\install.ini"});
    EXPECT_EQ(batch.status, 3) << batch.err;
    EXPECT_NE(Log().find("You cannot run batch mode using diskettes!"), std::string::npos) << Log();
    EXPECT_FALSE(fs::exists(root + "/C/Varentis"));

    const RunResult verify = Run({"--medium", medium, "--verify"});
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
    for (const char* name : {"srv4gl.arc", "srvsql.arc", "msgtool.arc", "srvdoc.arc"})
        EXPECT_NE(verify.out.find(name), std::string::npos) << verify.out;
    EXPECT_EQ(verify.out.find("FAILED"), std::string::npos) << verify.out;

    // A diskette that is not the one the layout names is found.
    TempDrives::WriteHostFile(medium + "/disk2/volume.id", ReadHostFile(medium + "/disk3/volume.id"));
    const RunResult wrong = Run({"--medium", medium + "/disk1", "--verify"});
    EXPECT_EQ(wrong.status, 3) << wrong.out;
    EXPECT_NE(wrong.out.find("diskette 2"), std::string::npos) << wrong.out;
}

}  // namespace
}  // namespace vrn::test
