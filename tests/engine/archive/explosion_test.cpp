// Archive explosion on media made by the media builder: a CD-ROM and a
// staged medium with shared archives, components with subcomponents and the
// not-extracted marks; the record in installd.ini across two runs; a failed
// archive and the rerun; the archive-name list's bound; hostile names; the
// ZOV substitutions and the asian build files.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/archive/archive.h"
#include "engine/products/products.h"
#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "platform/crt.h"
#include "platform/faults.h"
#include "platform/system.h"
#include "runtime/memory/memory.h"
#include "tests/support/test_support.h"
#include "tools/vrnmedia/build.h"

namespace vrn {
namespace {

namespace fs = std::filesystem;

using Section = std::map<std::string, std::string>;
using Record = std::map<std::string, Section>;

// installd.ini as it lies on disk, read without the engine's library.
Record ReadRecord(const std::string& hostPath) {
    Record record;
    std::ifstream in(hostPath, std::ios::binary);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            record[section];
            continue;
        }
        const size_t eq = line.find('=');
        if (eq != std::string::npos) record[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return record;
}

// Two products. The Alpha server's Core and the Beta client's Client Core
// have archives of their own; "Shared Utilities" (Alpha) and "Client
// Utilities" (Beta) share shared.arc, and so does Alpha's Tools/Extras
// subcomponent. Tools has the mandatory Admin subcomponent and Samples.
constexpr char kDescription[] =
    "[Medium]\n"
    "Products = 100, 200\n"
    "Components = 1, 2, 3, 4, 5\n"
    "Loose Directory = loose\n"
    "Loose Files = install.exe, install.hlp, installd.ini, vrnupdt.bat, README.VRN\n"
    "File Time = 2001-02-03 04:05:06\n"
    "[Device]\nType = @TYPE@\n"
    "[Product 100]\nName = Alpha Server\nSKUs = Alpha Standard\nMandatory = 1\n"
    "[SKU Alpha Standard]\nComponents = 1, 2, 3\n"
    "[Product 200]\nName = Beta Client\nSKUs = Beta Runtime\nMandatory = 4\n"
    "[SKU Beta Runtime]\nComponents = 4, 5\n"
    "[Component 1]\nName = Core\nArchive = core.arc\nTailor = etc\\core.cfg\n"
    "[Component 2]\nName = Shared Utilities\nArchive = shared.arc\n"
    "[Component 3]\nName = Tools\nSubcomponents = 1, 2, 3\n"
    "[Subcomponent 3.1]\nName = Admin\nArchive = admin.arc\nMandatory = yes\n"
    "[Subcomponent 3.2]\nName = Samples\nArchive = samples.arc\n"
    "[Subcomponent 3.3]\nName = Extras\nArchive = shared.arc\n"
    "[Component 4]\nName = Client Core\nArchive = client.arc\n"
    "[Component 5]\nName = Client Utilities\nArchive = shared.arc\n"
    "[Archive core.arc]\nSource = src/core\n"
    "[Archive shared.arc]\nSource = src/shared\nCompression = best\n"
    "[Archive admin.arc]\nSource = src/admin\nCompression = store\n"
    "[Archive samples.arc]\nSource = src/samples\n"
    "[Archive client.arc]\nSource = src/client\n"
    "[Bit Table]\nRow = ROW | 1 | 2 | 3 | 4 | 5 | A | B\n";

const std::map<std::string, std::vector<std::pair<std::string, std::string>>> kSources = {
    {"core", {{"bin/core.exe", std::string(70000, 'c') + "core"}, {"etc/core.cfg", "home=[[install-dir]]\r\n"}}},
    {"shared", {{"bin/util.exe", "utility\0bytes" + std::string(5000, 'u')}, {"etc/util.cfg", "shared\n"}}},
    {"admin", {{"bin/admin.bat", "@echo admin\r\n"}}},
    {"samples", {{"samples/stores.sql", "create table stores;\n"}}},
    {"client", {{"bin/client.dll", std::string(3000, '\x7f')}, {"empty.txt", ""}}},
};

class Explosion : public test::TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        InitializeGlobalVars();
        _commandLineSwitch = SWITCH_BATCH;
        log = root + "/C/install.log";
        std::strcpy(_logBatchFilePathName, "C:\\install.log");
        _configuredProducts = nullptr;
        _configuredProductCount = 0;
        _bIsKestrelAdapterInstalled = 0;
        _szArchiveDir[0] = '\0';
    }
    void TearDown() override {
        FreeProductTable(_availableProducts);
        _availableProducts = nullptr;
        FreeGlobalVars();
        _devTable = nullptr;
        _devTableSize = 0;
        TempDrives::TearDown();
    }

    // Writes the sources and the description, builds the medium into
    // C:\medium, reads its tables and builds the tree of both products.
    void MakeMedium(const std::string& type) {
        const std::string dir = root + "/C/desc";
        fs::create_directories(dir + "/loose");
        for (const char* name : {"install.exe", "install.hlp", "vrnupdt.bat", "README.VRN"})
            WriteHostFile(dir + "/loose/" + name, std::string(name) + " of the medium\n");
        WriteHostFile(dir + "/loose/installd.ini", "[Installed Products]\nProductCount=0\n");
        for (const auto& [archive, files] : kSources)
            for (const auto& [path, bytes] : files) {
                fs::create_directories(fs::path(dir + "/src/" + archive + "/" + path).parent_path());
                WriteHostFile(dir + "/src/" + archive + "/" + path, bytes);
            }
        std::string text = kDescription;
        text.replace(text.find("@TYPE@"), 6, type);
        WriteHostFile(dir + "/medium.ini", text);
        std::vector<std::string> errors, report;
        ASSERT_TRUE(media::BuildMedium(dir + "/medium.ini", root + "/C/medium", errors, report))
            << (errors.empty() ? "" : errors.front());
        ASSERT_EQ(ReadInstallTable("C:\\medium", 0), 0);
        cd = type == "cd";
        const int32_t numbers[] = {100, 200};
        _availableProducts = CreateProductTable(nullptr, numbers, _sku2ProductTable, _sku2ProductTableSize,
                                                _comp2SkuTable, _comp2SkuTableSize, _compIDTable, _compIDTableSize,
                                                _subcomp2CompTable, _subcomp2CompTableSize);
        ASSERT_NE(_availableProducts, nullptr);
        ASSERT_EQ(_mkdir("C:\\dest"), 0);
    }

    ProductNode* Product(int number) {
        for (ProductNode* p = _availableProducts; p != nullptr; p = p->next)
            if (p->productNumber == number) return p;
        return nullptr;
    }
    ComponentNode* Component(int product, const std::string& name) {
        for (ComponentNode* c = Product(product)->firstSku->firstComponent; c != nullptr; c = c->next) {
            char plain[64];
            StripMandatoryString(c->componentName, plain);
            if (name == plain) return c;
        }
        return nullptr;
    }
    SubcomponentNode* Subcomponent(int product, const std::string& component, const std::string& name) {
        for (SubcomponentNode* s = Component(product, component)->firstSubcomponent; s != nullptr; s = s->next) {
            char plain[64];
            StripMandatoryString(s->subcomponentName, plain);
            if (name == plain) return s;
        }
        return nullptr;
    }
    void ChooseProduct(int number, bool chosen) {
        ProductNode* p = Product(number);
        p->flags = chosen ? (p->flags | PRODUCT_CHOSEN) : (p->flags & ~PRODUCT_CHOSEN);
        p->firstSku->flags = chosen ? (p->firstSku->flags | SKU_CHOSEN) : (p->firstSku->flags & ~SKU_CHOSEN);
    }
    static void Set(uint32_t& flags, uint32_t bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }

    // What the loose-file copy and the front end's staging do before the
    // explosion, then the explosion itself.
    int32_t Install() {
        if (const int32_t copied = CopyInstallFiles("C:\\medium", "C:\\dest", _devTable, 0); copied != 0)
            return copied;
        if (!cd) {
            _mkdir("C:\\dest\\XXARCSXX");
            for (const fs::directory_entry& e : fs::directory_iterator(root + "/C/medium"))
                if (e.path().extension() == ".arc")
                    fs::copy_file(e.path(), root + "/C/dest/XXARCSXX/" + e.path().filename().string(),
                                  fs::copy_options::overwrite_existing);
        }
        return ExplodeArchives("", "C:\\dest", cd ? "C:\\medium" : "", _availableProducts);
    }

    // Every file of the named archives' sources lies byte for byte in the
    // destination; the files of every other archive are absent.
    void ExpectInstalled(const std::vector<std::string>& archives) {
        for (const auto& [archive, files] : kSources) {
            const bool wanted = std::find(archives.begin(), archives.end(), archive) != archives.end();
            for (const auto& [path, bytes] : files) {
                const fs::path installed = root + "/C/dest/" + path;
                if (wanted) {
                    ASSERT_TRUE(fs::exists(installed)) << path;
                    EXPECT_EQ(ReadHostFile(installed), bytes) << path;
                } else {
                    EXPECT_FALSE(fs::exists(installed)) << path;
                }
            }
        }
    }
    std::vector<std::string> Staged() const {
        std::vector<std::string> names;
        if (!fs::exists(root + "/C/dest/XXARCSXX")) return names;
        for (const fs::directory_entry& e : fs::directory_iterator(root + "/C/dest/XXARCSXX"))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Log() const { return fs::exists(log) ? ReadHostFile(log) : std::string(); }

    std::string log;
    bool cd = true;
};

TEST_F(Explosion, CdMediumExtractsEachChosenArchiveOnceAndRecordsTheWholeTree) {
    MakeMedium("cd");
    ChooseProduct(100, true);
    ChooseProduct(200, true);
    Set(Component(100, "Shared Utilities")->flags, COMPONENT_CHOSEN, true);
    Set(Component(100, "Tools")->flags, COMPONENT_CHOSEN, true);
    Set(Subcomponent(100, "Tools", "Extras")->flags, SUBCOMPONENT_CHOSEN, true);
    Set(Subcomponent(100, "Tools", "Samples")->flags, SUBCOMPONENT_CHOSEN, false);
    Set(Component(200, "Client Utilities")->flags, COMPONENT_CHOSEN, true);
    const int32_t configured[] = {100, 200, 274};
    _configuredProducts = configured;
    _configuredProductCount = 3;

    ASSERT_EQ(Install(), 0) << Log();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(Log(), "");
    ExpectInstalled({"core", "shared", "admin", "client"});
    EXPECT_FALSE(fs::exists(root + "/C/dest/samples"));
    // The medium's archives stay where they are, and the archive directory is
    // known to the tag substitution.
    EXPECT_TRUE(fs::exists(root + "/C/medium/shared.arc"));
    EXPECT_STREQ(_szArchiveDir, "C:\\medium");
    EXPECT_EQ(_bIsKestrelAdapterInstalled, 1u);
    char cwd[256];
    EXPECT_STREQ(_getcwd(cwd, sizeof cwd), "C:\\");

    const Record expected = {
        {"Installed Products", {{"ProductCount", "2"}, {"Product 100", "Alpha Server"}, {"Product 200", "Beta Client"}}},
        {"Product 100",
         {{"_Component_Core (m)", "1"},
          {"_Component_Shared Utilities", "1"},
          {"_Component_Tools", "1"},
          {"__SubComponent_Admin (m)", "1"},
          {"__SubComponent_Samples", "0"},
          {"__SubComponent_Extras", "1"}}},
        {"Product 200", {{"_Component_Client Core (m)", "1"}, {"_Component_Client Utilities", "1"}}},
    };
    EXPECT_EQ(ReadRecord(root + "/C/dest/installd.ini"), expected);
}

TEST_F(Explosion, RecordValuesAreOnlyRaisedAcrossRuns) {
    MakeMedium("cd");
    ChooseProduct(100, true);
    ChooseProduct(200, false);
    Set(Component(100, "Shared Utilities")->flags, COMPONENT_CHOSEN, true);
    Set(Component(100, "Tools")->flags, COMPONENT_CHOSEN, false);
    Set(Subcomponent(100, "Tools", "Samples")->flags, SUBCOMPONENT_CHOSEN, false);
    Set(Subcomponent(100, "Tools", "Extras")->flags, SUBCOMPONENT_CHOSEN, false);
    ASSERT_EQ(Install(), 0) << Log();
    Record first = ReadRecord(root + "/C/dest/installd.ini");
    EXPECT_EQ(first["Installed Products"]["ProductCount"], "1");
    EXPECT_EQ(first["Product 100"]["_Component_Tools"], "0");
    EXPECT_EQ(first["Product 100"]["__SubComponent_Admin (m)"], "1");   // chosen, under an unchosen component
    EXPECT_EQ(first["Product 100"]["__SubComponent_Samples"], "0");
    EXPECT_EQ(first.count("Product 200"), 0u);
    ExpectInstalled({"core", "shared"});

    // The second run drops Shared Utilities, takes Tools and the client.
    Set(Component(100, "Shared Utilities")->flags, COMPONENT_CHOSEN, false);
    Set(Component(100, "Tools")->flags, COMPONENT_CHOSEN, true);
    Set(Subcomponent(100, "Tools", "Samples")->flags, SUBCOMPONENT_CHOSEN, true);
    ChooseProduct(200, true);
    ASSERT_EQ(Install(), 0) << Log();
    const Record second = ReadRecord(root + "/C/dest/installd.ini");
    const Record expected = {
        // The server's section already had entries: the count rises once.
        {"Installed Products", {{"ProductCount", "2"}, {"Product 100", "Alpha Server"}, {"Product 200", "Beta Client"}}},
        {"Product 100",
         {{"_Component_Core (m)", "1"},
          {"_Component_Shared Utilities", "1"},   // stays installed
          {"_Component_Tools", "1"},
          {"__SubComponent_Admin (m)", "1"},
          {"__SubComponent_Samples", "1"},
          {"__SubComponent_Extras", "0"}}},
        {"Product 200", {{"_Component_Client Core (m)", "1"}, {"_Component_Client Utilities", "0"}}},
    };
    EXPECT_EQ(second, expected);
    ExpectInstalled({"core", "shared", "admin", "samples", "client"});
}

TEST_F(Explosion, StagedMediumDeletesEachArchiveAfterItsExtractionAndSkipsTheNotExtracted) {
    MakeMedium("hd");
    ChooseProduct(100, true);
    ChooseProduct(200, true);
    Set(Component(100, "Shared Utilities")->flags, COMPONENT_CHOSEN, true);
    Set(Component(200, "Client Utilities")->flags, COMPONENT_CHOSEN, true);
    Set(Component(100, "Tools")->flags, COMPONENT_CHOSEN, true);
    Set(Subcomponent(100, "Tools", "Samples")->flags, SUBCOMPONENT_CHOSEN, true);
    // The caller keeps Core from being extracted: recorded as installed, its
    // name on the list, its staged archive deleted all the same.
    Set(Component(100, "Core")->flags, COMPONENT_NOT_EXTRACTED, true);
    ASSERT_EQ(_chdir("C:\\medium"), 0);

    // A second extraction of the shared archive would find it deleted and
    // report it: none is reported.
    ASSERT_EQ(Install(), 0) << Log();
    EXPECT_EQ(Log(), "");
    EXPECT_TRUE(dialogs.boxes.empty());
    ExpectInstalled({"shared", "admin", "samples", "client"});
    EXPECT_FALSE(fs::exists(root + "/C/dest/bin/core.exe"));
    EXPECT_EQ(Staged(), std::vector<std::string>{});
    EXPECT_EQ(ReadRecord(root + "/C/dest/installd.ini")["Product 100"]["_Component_Core (m)"], "1");
    // The directory current before the explosion is current again.
    char cwd[256];
    EXPECT_STREQ(_getcwd(cwd, sizeof cwd), "C:\\medium");
    EXPECT_STREQ(_szArchiveDir, "");
}

TEST_F(Explosion, AFailedArchiveStopsTheWalkAndARerunExtractsOnlyTheRest) {
    MakeMedium("hd");
    ChooseProduct(100, true);
    ChooseProduct(200, true);
    Set(Component(100, "Shared Utilities")->flags, COMPONENT_CHOSEN, true);
    ASSERT_EQ(CopyInstallFiles("C:\\medium", "C:\\dest", _devTable, 0), 0);
    fs::create_directories(root + "/C/dest/XXARCSXX");
    for (const char* name : {"core.arc", "shared.arc", "client.arc"})
        fs::copy_file(root + "/C/medium/" + name, root + "/C/dest/XXARCSXX/" + name);
    // The shared archive's last member is cut short.
    const std::string shared = root + "/C/dest/XXARCSXX/shared.arc";
    fs::resize_file(shared, fs::file_size(shared) - 10);

    const int32_t failed = ExplodeArchives("", "C:\\dest", "", _availableProducts);
    EXPECT_NE(failed, 0);
    // Reported once, in the log; core went, the damaged and the later one stay.
    EXPECT_TRUE(dialogs.boxes.empty());
    const std::string firstLog = Log();
    size_t entries = 0;
    for (size_t at = firstLog.find("VARENTIS INSTALL UTILITY LOG"); at != std::string::npos;
         at = firstLog.find("VARENTIS INSTALL UTILITY LOG", at + 1))
        ++entries;
    EXPECT_EQ(entries, 1u) << firstLog;
    EXPECT_EQ(Staged(), (std::vector<std::string>{"client.arc", "shared.arc"}));
    EXPECT_TRUE(fs::exists(root + "/C/dest/bin/core.exe"));
    EXPECT_FALSE(fs::exists(root + "/C/dest/bin/client.dll"));

    // The rerun: the damaged archive staged again whole; what is gone from
    // the staging directory was extracted, and the caller marks it so.
    fs::copy_file(root + "/C/medium/shared.arc", shared, fs::copy_options::overwrite_existing);
    fs::remove(root + "/C/dest/bin/core.exe");
    fs::remove(root + "/C/dest/etc/core.cfg");
    Set(Component(100, "Core")->flags, COMPONENT_NOT_EXTRACTED, true);
    ASSERT_EQ(_chdir("C:\\"), 0);
    ASSERT_EQ(ExplodeArchives("", "C:\\dest", "", _availableProducts), 0) << Log();
    EXPECT_EQ(Log(), firstLog);
    EXPECT_FALSE(fs::exists(root + "/C/dest/bin/core.exe"));   // not extracted again
    ExpectInstalled({"shared", "client"});
    EXPECT_EQ(Staged(), std::vector<std::string>{});
    const Record record = ReadRecord(root + "/C/dest/installd.ini");
    EXPECT_EQ(record.at("Installed Products").at("ProductCount"), "2");
    EXPECT_EQ(record.at("Product 200").at("_Component_Client Core (m)"), "1");
}

TEST_F(Explosion, DecodingThreadsChangeNothingOfAnExplosion) {
    MakeMedium("hd");
    ChooseProduct(100, true);
    ChooseProduct(200, true);
    Set(Component(100, "Shared Utilities")->flags, COMPONENT_CHOSEN, true);
    Set(Component(100, "Tools")->flags, COMPONENT_CHOSEN, true);
    Set(Subcomponent(100, "Tools", "Samples")->flags, SUBCOMPONENT_CHOSEN, true);
    // Every file under the destination with its bytes, the record among
    // them, the log without its time-stamped header lines, the result.
    struct Run {
        int32_t result = 0;
        std::map<std::string, std::string> files;
        std::string log;
        bool operator==(const Run&) const = default;
    };
    auto install = [&](uint32_t threads, bool damaged) {
        _decodeThreads = threads;
        EXPECT_EQ(_chdir("C:\\"), 0);
        fs::remove_all(root + "/C/dest");
        fs::remove(log);
        EXPECT_EQ(_mkdir("C:\\dest"), 0);
        Run run;
        EXPECT_EQ(CopyInstallFiles("C:\\medium", "C:\\dest", _devTable, 0), 0);
        fs::create_directories(root + "/C/dest/XXARCSXX");
        for (const fs::directory_entry& e : fs::directory_iterator(root + "/C/medium"))
            if (e.path().extension() == ".arc")
                fs::copy_file(e.path(), root + "/C/dest/XXARCSXX/" + e.path().filename().string());
        if (damaged) {
            const std::string shared = root + "/C/dest/XXARCSXX/shared.arc";
            fs::resize_file(shared, fs::file_size(shared) - 10);
        }
        run.result = ExplodeArchives("", "C:\\dest", "", _availableProducts);
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(root + "/C/dest"))
            if (e.is_regular_file()) run.files[fs::relative(e.path(), root + "/C/dest").string()] = ReadHostFile(e.path().string());
        std::istringstream lines(Log());
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("VARENTIS INSTALL UTILITY LOG", 0) != 0) run.log += line + "\n";
        return run;
    };
    for (bool damaged : {false, true}) {
        const Run serial = install(0, damaged);
        EXPECT_EQ(serial.result != 0, damaged) << serial.log;
        EXPECT_EQ(serial.files.count("installd.ini"), 1u);
        EXPECT_EQ(serial.files.count("XXARCSXX/shared.arc"), damaged ? 1u : 0u);
        for (uint32_t threads : {1u, 2u, 8u}) {
            SCOPED_TRACE(std::to_string(threads) + " threads" + (damaged ? ", damaged" : ""));
            EXPECT_TRUE(install(threads, damaged) == serial);
        }
    }
    _decodeThreads = DECODE_THREADS_DEFAULT;
}

TEST_F(Explosion, TheRecordMustBeInPlaceBeforeTheExplosion) {
    MakeMedium("cd");
    ChooseProduct(100, true);
    // Without the loose-file copy there is no record to write to: the
    // explosion refuses before it extracts anything.
    EXPECT_EQ(ExplodeArchives("", "C:\\dest", "C:\\medium", _availableProducts), -103);
    EXPECT_NE(Log().find("Unable to open the file."), std::string::npos);
    EXPECT_NE(Log().find("installd.ini"), std::string::npos);
    EXPECT_FALSE(fs::exists(root + "/C/dest/bin"));
    // In the installer's order the copy puts the medium's record there first.
    ASSERT_EQ(CopyInstallFiles("C:\\medium", "C:\\dest", _devTable, 0), 0);
    ASSERT_EQ(ExplodeArchives("", "C:\\dest", "C:\\medium", _availableProducts), 0);
    EXPECT_EQ(ReadRecord(root + "/C/dest/installd.ini")["Product 100"]["_Component_Core (m)"], "1");
}

// A record that cannot be rewritten, because its copy back cannot take the
// file's place or because the temporary file cannot be written, is reported
// once with the record's path and ends the walk; the record stays as it was;
// the rerun records and extracts everything.
TEST_F(Explosion, ARecordThatCannotBeWrittenIsReportedOnceAndTheRerunCompletesIt) {
    MakeMedium("cd");
    ChooseProduct(100, true);
    ChooseProduct(200, false);
    Set(Component(100, "Shared Utilities")->flags, COMPONENT_CHOSEN, false);
    Set(Component(100, "Tools")->flags, COMPONENT_CHOSEN, false);
    // The rewrites' temporary files go to the current directory, C: itself.
    SetEnv("TEMP", nullptr);
    // The loose-file copy puts the medium's record there in text mode.
    std::string medium;
    for (const char c : ReadHostFile(root + "/C/medium/installd.ini")) medium += c == '\n' ? std::string("\r\n") : std::string(1, c);
    FaultRule renameFails;
    renameFails.op = FaultOp::Rename;
    renameFails.error = EIO;
    renameFails.pathPart = ".installd.ini.copy-";   // the last step of the copy back
    FaultRule tempFull;
    tempFull.op = FaultOp::Write;
    tempFull.error = ENOSPC;
    tempFull.pathPart = "/C/ini";
    for (const FaultRule& rule : {renameFails, tempFull}) {
        ArmFault(rule);
        EXPECT_EQ(Install(), -701);
        EXPECT_EQ(FaultsStruck(), 1u);
        const std::string text = Log();
        const std::string message =
            "INSTALLATION WRITE PRIVATE PROFILE ERROR (701): Unable to write to the Varentis MS-DOS initialization "
            "file. (C:\\dest\\installd.ini)";
        EXPECT_NE(text.find(message), std::string::npos) << text;
        EXPECT_EQ(text.find("ERROR", text.find(message) + message.size()), std::string::npos) << text;
        // The record is the one the medium brought, whole, with nothing of the
        // copy back beside it; nothing was extracted.
        EXPECT_EQ(ReadHostFile(root + "/C/dest/installd.ini"), medium);
        for (const fs::directory_entry& e : fs::directory_iterator(root + "/C/dest"))
            EXPECT_EQ(e.path().filename().string().find(".copy-"), std::string::npos) << e.path();
        ExpectInstalled({});
        ClearFaults();
        fs::remove(log);
    }
    // The rewrite that ran out of room leaves its temporary file, as a
    // failed rewrite does; the next rewrite takes another name.
    ASSERT_EQ(Install(), 0) << Log();
    EXPECT_EQ(Log(), "");
    const Record record = ReadRecord(root + "/C/dest/installd.ini");
    EXPECT_EQ(record.at("Installed Products").at("ProductCount"), "1");
    EXPECT_EQ(record.at("Product 100").at("_Component_Core (m)"), "1");
    ExpectInstalled({"core"});
}

TEST_F(Explosion, HostileArchiveNamesAreRefusedAndNothingOutsideIsTouched) {
    MakeMedium("hd");
    ChooseProduct(100, true);
    ChooseProduct(200, false);
    ASSERT_EQ(CopyInstallFiles("C:\\medium", "C:\\dest", _devTable, 0), 0);
    WriteHostFile(root + "/C/victim.arc", "keep me");
    MapTempDrive('D');
    WriteHostFile(root + "/D/victim.arc", "keep me");
    ComponentNode* core = Component(100, "Core");
    for (const char* hostile : {"..\\victim.arc", "..\\..\\victim.arc", "\\victim.arc", "D:victim.arc",
                                "D:\\victim.arc", "\\\\server\\share\\victim.arc", "XXARCSXX\\..\\..\\victim.arc",
                                "... \\victim.arc", ""}) {
        std::strcpy(core->archiveName, hostile);
        const std::string before = Log();
        EXPECT_EQ(ExplodeArchives("", "C:\\dest", "", _availableProducts), -112) << hostile;
        EXPECT_NE(Log().substr(before.size()).find("Invalid filename supplied."), std::string::npos) << hostile;
        EXPECT_EQ(ReadHostFile(root + "/C/victim.arc"), "keep me") << hostile;
        EXPECT_EQ(ReadHostFile(root + "/D/victim.arc"), "keep me") << hostile;
    }
}

TEST_F(Explosion, TheListOverflowsOnceAtItsBoundAndStopsTheWalk) {
    // A CD-ROM tree of one product with 257 components, each with an archive
    // of its own, none to be extracted.
    DeviceRecord device{};
    std::strcpy(device.deviceType, "cd");
    _devTable = &device;
    _devTableSize = 1;
    auto* product = static_cast<ProductNode*>(utcalloc(1, sizeof(ProductNode)));
    auto* sku = static_cast<SkuNode*>(utcalloc(1, sizeof(SkuNode)));
    product->productNumber = 7;
    std::strcpy(product->productName, "Many");
    product->flags = PRODUCT_CHOSEN;
    product->firstSku = sku;
    sku->flags = SKU_CHOSEN;
    ComponentNode** link = &sku->firstComponent;
    for (int i = 1; i <= ARCHIVE_LIST_MAX + 2; ++i) {
        auto* c = static_cast<ComponentNode*>(utcalloc(1, sizeof(ComponentNode)));
        std::snprintf(c->componentName, sizeof c->componentName, "C%03d", i);
        std::snprintf(c->archiveName, sizeof c->archiveName, "a%03d.arc", i);
        c->flags = COMPONENT_CHOSEN | COMPONENT_NOT_EXTRACTED;
        *link = c;
        link = &c->next;
    }
    _availableProducts = product;
    ASSERT_EQ(_mkdir("C:\\dest"), 0);
    WriteHostFile(root + "/C/dest/installd.ini", "[Installed Products]\n");

    EXPECT_EQ(ExplodeArchives("", "C:\\dest", "C:\\cd", product), RESULT_STOP);
    ASSERT_EQ(dialogs.boxes.size(), 1u);   // shown even in batch mode
    EXPECT_EQ(dialogs.boxes[0].title, "Archive List Overflow");
    EXPECT_EQ(dialogs.boxes[0].text, "Archive list overflow.\n\nCall Varentis technical support.");
    const Section section = ReadRecord(root + "/C/dest/installd.ini")["Product 7"];
    EXPECT_EQ(section.size(), 257u);   // the 257th is recorded, then the walk stops
    EXPECT_EQ(section.count("_Component_C257"), 1u);
    EXPECT_EQ(section.count("_Component_C258"), 0u);
    _devTable = nullptr;
    _devTableSize = 0;

    // A new list (count 0) reports its own overflow.
    char* list[2] = {};
    int32_t count = 0;
    EXPECT_EQ(SymbolInList("x", list, &count, 1), 0);
    EXPECT_EQ(SymbolInList("x", list, &count, 1), 1);
    EXPECT_EQ(SymbolInList("X", list, &count, 1), -1);   // names compare case-sensitively
    EXPECT_EQ(SymbolInList("y", list, &count, 1), -1);
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    FreeSymbolList(list, &count);
    EXPECT_EQ(count, 0);
}

TEST(ClusterTotals, GenArcSizeAccumulatesPerClusterSize) {
    char text[GENARC_TEXT_SIZE];
    EXPECT_EQ(GenArcSize(GENARC_ADD_FILE, 1, 0, text), 201);   // before the start
    EXPECT_EQ(GenArcSize(99, 0, 0, text), 0);
    ASSERT_EQ(GenArcSize(GENARC_START, 0, 0, nullptr), 0);
    ASSERT_EQ(GenArcSize(GENARC_ADD_CLUSTERS, 0, 0, text), 0);
    EXPECT_STREQ(text, "0;0;0;0;0;0;0;0");
    ASSERT_EQ(GenArcSize(GENARC_ADD_FILE, 1, 0, nullptr), 0);
    ASSERT_EQ(GenArcSize(GENARC_ADD_FILE, 1024, 0, nullptr), 0);
    ASSERT_EQ(GenArcSize(GENARC_ADD_CLUSTERS, 2, 0, text), 0);
    EXPECT_STREQ(text, "2560;4096;8192;16384;32768;65536;131072;262144");
    // The totals wrap in 32 bits: 65,536 clusters of 64 KiB add nothing.
    ASSERT_EQ(GenArcSize(GENARC_ADD_CLUSTERS, 65536, 0, text), 0);
    EXPECT_STREQ(text, "33556992;67112960;134225920;268451840;536903680;1073807360;2147614720;262144");
    ASSERT_EQ(GenArcSize(GENARC_END, 0, 0, nullptr), 0);
    EXPECT_EQ(GenArcSize(GENARC_ADD_CLUSTERS, 0, 0, text), 201);
}

TEST_F(Explosion, ZovVariantsReplaceTheirTargetsAndTheAsianFilesJoinThe4glBuild) {
    const std::string dest = root + "/C/dest";
    fs::create_directories(dest + "/bin");
    WriteHostFile(dest + "/bin/_vrnwin.exe", "plain win");
    WriteHostFile(dest + "/bin/_vrnwina.exe", "zov win");
    WriteHostFile(dest + "/bin/sqlcppa.exe", "zov sqlcpp without a target");
    WriteHostFile(dest + "/bin/wvrnserv.exe", "plain serv without a variant");
    WriteHostFile(dest + "/bin/_vrnwin.sym", "plain sym");
    WriteHostFile(dest + "/bin/_vrnwina.sym", "zov sym");
    EXPECT_EQ(moveZOVFiles("C:\\dest"), 0);   // no vrnbuild\asian: nothing copied
    // The renamed entries carry upper-case names, found as the platform finds
    // names, without regard to case.
    EXPECT_EQ(ReadHostFile(Host(R"(C:\dest\bin\_vrnwin.exe)")), "zov win");
    EXPECT_FALSE(fs::exists(dest + "/bin/_vrnwina.exe"));
    EXPECT_EQ(ReadHostFile(Host(R"(C:\dest\bin\_vrnwin.sym)")), "zov sym");
    EXPECT_FALSE(fs::exists(dest + "/bin/sqlcpp.exe"));
    EXPECT_TRUE(fs::exists(dest + "/bin/sqlcppa.exe"));
    EXPECT_EQ(ReadHostFile(dest + "/bin/wvrnserv.exe"), "plain serv without a variant");
    EXPECT_FALSE(fs::exists(dest + "/vrnbuild"));

    fs::create_directories(dest + "/vrnbuild/asian/nested");
    fs::create_directories(dest + "/vrnbuild/4gl");
    WriteHostFile(dest + "/vrnbuild/asian/kanji.tbl", "kanji");
    WriteHostFile(dest + "/vrnbuild/asian/nested/deep.tbl", "deep");
    WriteHostFile(dest + "/vrnbuild/4gl/kanji.tbl", "old");
    EXPECT_EQ(moveZOVFiles("C:\\dest"), 0);
    EXPECT_EQ(ReadHostFile(dest + "/vrnbuild/4gl/kanji.tbl"), "kanji");
    EXPECT_FALSE(fs::exists(dest + "/vrnbuild/4gl/nested"));
}

}  // namespace
}  // namespace vrn
