// The interactive installer's screens on the in-memory grid, for the demo
// medium's tree: what each draws, the keys that move and choose, the
// mandatory parts that stay, the destination typed through the keystroke
// filter, the existing-directory question, and the recorded choice that an
// unattended run puts back on the tree exactly.
#include <cstring>
#include <filesystem>

#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "frontend/run_support.h"
#include "frontend/screens.h"
#include "platform/system.h"
#include "tests/frontend/vinstall_fixture.h"

namespace vrn::test {
namespace {

using namespace vrn::console;
using namespace vrn::installer;

// Keys that note the grid as it stands before each key is taken.
class WatchedKeys : public KeySource {
public:
    explicit WatchedKeys(CellGrid& grid) : grid_(grid) {}
    Key Next() override {
        shown.push_back(grid_.Text());
        if (keys.empty()) return Key{KeyCode::Hangup, 0};
        const Key key = keys.front();
        keys.pop_front();
        return key;
    }
    Key Poll() override { return Key{}; }
    void Add(KeyCode code, int times = 1) {
        for (int i = 0; i < times; ++i) keys.push_back(Key{code, 0});
    }
    void Type(std::string_view text) {
        for (const char c : text) keys.push_back(CharKey(static_cast<uint8_t>(c)));
    }
    std::string Last() const { return shown.empty() ? std::string() : shown.back(); }

    std::deque<Key> keys;
    std::vector<std::string> shown;

private:
    CellGrid& grid_;
};

class Screens : public VinstallTest {
protected:
    void SetUp() override {
        VinstallTest::SetUp();
        DriveMapping cd;
        cd.hostRoot = demoMedium;
        cd.kind = DriveKind::CdRom;
        MapDrive('E', cd);
        std::string error;
        ASSERT_TRUE(LocateMedium("E:\\", medium_, error)) << error;
        SetDialogHandler(&consoleDialogs_);
        consoleDialogs_.Attach(&ui_);
        ASSERT_EQ(StartEngine(Options{}, medium_, start_), EXIT_INSTALLED);
        session_.medium = start_.medium;
        ASSERT_TRUE(BuildWholeTree());
        CalcConstDiskSpace(session_.medium.root.c_str(), 0);
        StartSession(session_, session_.medium.root + "intlset.txt");
        std::string ignored;
        RebuildTree(session_, false, ignored);
        char c[] = "C:\\";
        GetDiskSpaceInfo(c);
    }
    void TearDown() override {
        SetInterruptHandler(nullptr);
        SetDialogHandler(&dialogs);
        VinstallTest::TearDown();
    }

    static ProductNode* Product(int32_t number) {
        for (ProductNode* p = _availableProducts; p != nullptr; p = p->next)
            if (p->productNumber == number) return p;
        return nullptr;
    }
    static ComponentNode* Component(int32_t product, const char* name) {
        return FindComponentNode(Product(product), name);
    }
    std::vector<int32_t> ChosenNumbers() const {
        std::vector<int32_t> out;
        for (const ProductChoice& p : session_.responses.products) out.push_back(p.productNumber);
        return out;
    }

    CellGrid grid_;
    GridScreen screen_{grid_};
    WatchedKeys keys_{grid_};
    Ui ui_{grid_, keys_};
    ConsoleDialogs consoleDialogs_;
    Medium medium_;
    EngineStart start_;
    Session session_{ui_};
};

TEST_F(Screens, ProductsAndSkusAreChosenWithTheKeysTheFooterNames) {
    keys_.Add(KeyCode::Down, 2);
    keys_.Type(" ");
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(ProductsScreen(session_), Step::Next);
    const std::string first = keys_.shown.front();
    // Every product of the medium, chosen, with its number and its size in
    // the cluster class of the proposed destination's volume.
    for (const int32_t number : {250, 260, 280, 290}) {
        const ProductNode* p = Product(number);
        const std::string row = std::string("[x] ") + p->productName;
        const size_t at = first.find(row);
        ASSERT_NE(at, std::string::npos) << first;
        const std::string line = first.substr(at, first.find('\n', at) - at);
        EXPECT_NE(line.find(std::to_string(number) + " "), std::string::npos) << line;
        EXPECT_NE(line.find(Grouped(CalculateProductSize(p)) + " │"), std::string::npos) << line;
    }
    EXPECT_NE(first.find("Arrows Move  Space Choose  Enter Next"), std::string::npos);
    EXPECT_NE(keys_.Last().find("[ ] Varentis ODBC Driver"), std::string::npos) << keys_.Last();
    EXPECT_EQ(ChosenNumbers(), (std::vector<int32_t>{250, 260, 290}));

    // Nothing chosen: Enter does not go on; Escape goes back.
    keys_.shown.clear();
    keys_.Type(" ");
    keys_.Add(KeyCode::Down);
    keys_.Type(" ");
    keys_.Add(KeyCode::Down, 2);
    keys_.Type(" ");
    keys_.Add(KeyCode::Enter);
    keys_.Add(KeyCode::Escape);
    ASSERT_EQ(ProductsScreen(session_), Step::Back);
    EXPECT_TRUE(ChosenNumbers().empty());
    EXPECT_NE(keys_.Last().find("Choose at least one product."), std::string::npos) << keys_.Last();
    // A product chosen again comes back in the tree's order.
    keys_.Add(KeyCode::Down, 3);
    keys_.Type(" ");
    keys_.Add(KeyCode::Home);
    keys_.Type(" ");
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(ProductsScreen(session_), Step::Next);
    EXPECT_EQ(ChosenNumbers(), (std::vector<int32_t>{250, 290}));

    // The SKU screen: the product's SKUs, the tables' one proposed.
    ASSERT_TRUE(SkuScreenApplies(session_));
    keys_.shown.clear();
    keys_.Add(KeyCode::Down);
    keys_.Type(" ");
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(SkuScreen(session_), Step::Next);
    EXPECT_NE(keys_.shown.front().find("(*) Database Server Standard Edition"), std::string::npos);
    EXPECT_NE(keys_.Last().find("(*) Database Server Developer Edition"), std::string::npos) << keys_.Last();
    EXPECT_EQ(session_.responses.products.front().sku, "Database Server Developer Edition");
    // Without a product of several SKUs there is no SKU screen.
    session_.responses.products.erase(session_.responses.products.begin());
    EXPECT_FALSE(SkuScreenApplies(session_));
}

// F1 shows the medium's help over any screen and gives the screen back as
// it was; without a help file the engine's own report comes up instead.
TEST_F(Screens, F1ShowsTheMediumsHelpAndTheScreenComesBack) {
    ui_.helpFile = start_.sourceDir + std::string("\\install.hlp");
    keys_.Add(KeyCode::Down);
    keys_.Add(KeyCode::F1);
    keys_.Add(KeyCode::Down);   // scrolls the help, not the list
    keys_.Add(KeyCode::Escape);
    keys_.Type(" ");
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(ProductsScreen(session_), Step::Next);
    ASSERT_GE(keys_.shown.size(), 5u);
    const std::string help = keys_.shown[2];
    EXPECT_NE(help.find("VARENTIS INSTALLATION UTILITY - HELP"), std::string::npos) << help;
    EXPECT_NE(help.find("Esc, Enter, F1: close"), std::string::npos) << help;
    EXPECT_EQ(help.find("[x] Varentis Client"), std::string::npos) << help;
    // Back on the products, the cursor where it was: Space cleared the second.
    EXPECT_NE(keys_.shown[4].find("[x] Varentis Client"), std::string::npos) << keys_.shown[4];
    EXPECT_EQ(ChosenNumbers(), (std::vector<int32_t>{250, 280, 290}));

    ui_.helpFile = start_.sourceDir + std::string("\\no-such.hlp");
    keys_.shown.clear();
    keys_.Add(KeyCode::F1);
    keys_.Add(KeyCode::Enter);   // the report's OK
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(ProductsScreen(session_), Step::Next);
    ASSERT_GE(keys_.shown.size(), 2u);
    EXPECT_NE(keys_.shown[1].find("(145)"), std::string::npos) << keys_.shown[1];
}

TEST_F(Screens, MandatoryPartsCannotBeClearedAndTheEnginesAndLanguagesWait) {
    // A taller terminal shows the whole tree.
    grid_.Resize(40, PAGE_COLUMNS);
    // Rows: the product, 4GL, SQL, Server Utilities (m), Server Tools, its
    // three subcomponents, ...
    keys_.Add(KeyCode::Down, 2);
    keys_.Type(" ");   // Server Utilities (m)
    keys_.Add(KeyCode::Up, 2);
    keys_.Type(" ");   // 4GL (m), an engine
    keys_.Add(KeyCode::Down, 3);
    keys_.Type(" ");   // Server Tools
    keys_.Add(KeyCode::Down);
    keys_.Type(" ");   // Administration Utilities (m)
    keys_.Add(KeyCode::Down);
    keys_.Type(" ");   // Sample Database
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(ComponentsScreen(session_), Step::Next);
    const auto& shown = keys_.shown;
    ASSERT_EQ(shown.size(), 15u);
    EXPECT_NE(shown[0].find("[x] 4GL (m)   (server engine: next screen)"), std::string::npos) << shown[0];
    EXPECT_NE(shown[0].find("[ ] Server Tools"), std::string::npos);
    EXPECT_NE(shown[0].find("Message languages: chosen on a later screen"), std::string::npos) << shown[0];
    EXPECT_EQ(shown[0].find("English Messages"), std::string::npos);
    EXPECT_NE(shown[3].find("Server Utilities (m) is mandatory and cannot be cleared."), std::string::npos) << shown[3];
    EXPECT_NE(shown[3].find("[x] Server Utilities (m)"), std::string::npos);
    EXPECT_NE(shown[6].find("The server engines are chosen on the next screen."), std::string::npos) << shown[6];
    EXPECT_NE(shown[10].find("[x] Server Tools"), std::string::npos) << shown[10];
    EXPECT_NE(shown[12].find("Administration Utilities (m) is mandatory"), std::string::npos) << shown[12];
    EXPECT_NE(shown[14].find("[ ] Sample Database"), std::string::npos) << shown[14];
    EXPECT_EQ(ui_.beeps, 3u);
    // Each size as the tables give it for the cluster class shown.
    const ComponentNode* tools = Component(250, "Server Tools");
    ASSERT_NE(tools, nullptr);
    EXPECT_NE(shown[0].find(Grouped(ComponentSize(tools)) + " │"), std::string::npos);

    // The choice, as the response file will say it: the SKU's components
    // and subcomponents, not the engines, not the languages.
    const ProductChoice& server = session_.responses.products.front();
    ASSERT_EQ(server.productNumber, 250);
    std::vector<std::string> named;
    for (const ComponentChoice& c : server.choices)
        named.push_back(c.component + "/" + c.subcomponent + "=" + (c.chosen ? "yes" : "no"));
    EXPECT_EQ(named, (std::vector<std::string>{"Server Utilities (m)/=yes", "Server Tools/=yes",
                                                "Server Tools/Administration Utilities (m)=yes",
                                                "Server Tools/Sample Database=no",
                                                "Server Tools/Online Documentation=yes"}));
    for (const ProductChoice& p : session_.responses.products)
        for (const ComponentChoice& c : p.choices) EXPECT_EQ(c.subcomponent.find("Messages"), std::string::npos);
    // The tree built afresh from the choice has it.
    EXPECT_NE(Component(250, "Server Tools")->flags & COMPONENT_CHOSEN, 0u);
    EXPECT_EQ(FindSubcomponentNode(Component(250, "Server Tools")->firstSubcomponent, "Sample Database")->flags &
                  SUBCOMPONENT_CHOSEN,
              0u);
}

TEST_F(Screens, TheEnginesLanguagesAndCountryProposeWhatTheTablesMark) {
    // Enter on each accepts its proposal.
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(EngineScreen(session_), Step::Next);
    EXPECT_NE(keys_.shown.back().find("(*) The 4GL engine"), std::string::npos);
    EXPECT_EQ(session_.responses.serverEngine, 0);
    keys_.Add(KeyCode::Down, 2);
    keys_.Type(" ");
    keys_.Add(KeyCode::Down, 2);
    keys_.Type(" ");
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(EngineScreen(session_), Step::Next);
    EXPECT_NE(keys_.shown.back().find("(*) Both engines"), std::string::npos);
    EXPECT_EQ(session_.responses.serverEngine, 5);

    ASSERT_TRUE(LanguagesScreenApplies(session_));
    keys_.shown.clear();
    keys_.Add(KeyCode::Down);
    keys_.Type(" ");
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(LanguagesScreen(session_), Step::Next);
    for (const char* language : {"[x] English", "[x] French", "[x] German"})
        EXPECT_NE(keys_.shown.front().find(language), std::string::npos) << keys_.shown.front();
    EXPECT_EQ(session_.responses.languages, (std::vector<std::string>{"English", "German"}));
    // Once chosen, the screen shows the choice, not the proposal.
    keys_.shown.clear();
    keys_.Add(KeyCode::Escape);
    ASSERT_EQ(LanguagesScreen(session_), Step::Back);
    EXPECT_NE(keys_.shown.front().find("[ ] French"), std::string::npos);
    // Without the message files' product, no language is offered.
    session_.responses.products.pop_back();
    EXPECT_FALSE(LanguagesScreenApplies(session_));
    EXPECT_TRUE(session_.responses.languages.empty());

    // The country: the first proposed, its settings beside the list.
    ASSERT_TRUE(CountryScreenApplies(session_));
    keys_.shown.clear();
    keys_.Add(KeyCode::Down);
    keys_.Add(KeyCode::Down, 3);
    keys_.Type(" ");
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(CountryScreen(session_), Step::Next);
    EXPECT_NE(keys_.shown[0].find("(*) USA"), std::string::npos);
    EXPECT_NE(keys_.shown[0].find("Date       MM/DD/YYYY"), std::string::npos) << keys_.shown[0];
    EXPECT_NE(keys_.shown[1].find("Date       DD/MM/YYYY"), std::string::npos) << keys_.shown[1];
    EXPECT_NE(keys_.shown[4].find("Date       DD.MM.YYYY"), std::string::npos) << keys_.shown[4];
    EXPECT_NE(keys_.shown[4].find("Numbers    1.234.567,89"), std::string::npos) << keys_.shown[4];
    EXPECT_EQ(session_.responses.country, "Germany");
}

TEST_F(Screens, TheDestinationIsTypedThroughTheFilterAndAnExistingOneIsAskedAbout) {
    // The proposal is the default destination on the first fixed drive.
    keys_.Add(KeyCode::KillLine);
    keys_.Type("C:\\my dir+");
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(DestinationScreen(session_), Step::Next);
    EXPECT_NE(keys_.shown.front().find("Destination:  C:\\RUD"), std::string::npos) << keys_.shown.front();
    EXPECT_EQ(session_.accepted, "C:\\mydir");
    EXPECT_EQ(session_.responses.destination, "C:\\mydir");
    EXPECT_FALSE(session_.emptyFirst);
    EXPECT_EQ(_createDestinationDir, 1);
    EXPECT_EQ(ui_.beeps, 4u);   // the blank and the plus, each twice
    // Nothing is written before the summary.
    EXPECT_FALSE(std::filesystem::exists(root + "/C/mydir"));

    // An existing directory: Another keeps the screen, Empty accepts it.
    std::filesystem::create_directories(root + "/C/old/sub");
    WriteHostFile(root + "/C/old/sub/file", "0123456789");
    keys_.shown.clear();
    keys_.Add(KeyCode::KillLine);
    keys_.Type("C:\\old\\");
    keys_.Add(KeyCode::Enter);
    keys_.Type("a");
    keys_.Add(KeyCode::Enter);
    keys_.Add(KeyCode::Right);
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(DestinationScreen(session_), Step::Next);
    const std::string& box = keys_.shown[keys_.shown.size() - 2];
    EXPECT_NE(box.find("Existing Directory"), std::string::npos) << box;
    EXPECT_NE(box.find("The directory C:\\old exists."), std::string::npos) << box;
    EXPECT_NE(box.find("[ Keep ]  [ Empty ]  [ Another ]"), std::string::npos) << box;
    EXPECT_EQ(session_.accepted, "C:\\old");
    EXPECT_TRUE(session_.emptyFirst);
    EXPECT_EQ(session_.responses.existingDirectory, EXISTING_DIR_EMPTY);

    // The space screen shows the engine's figures for it.
    keys_.shown.clear();
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(SpaceScreen(session_), Step::Next);
    EXPECT_NE(keys_.shown.front().find("Disk Space Required for Installation: " + Grouped(_addDiskSpace) + " bytes"),
              std::string::npos)
        << keys_.shown.front();
    EXPECT_NE(keys_.shown.front().find("The 10 bytes of files now in the directory are removed first."),
              std::string::npos);
}

TEST_F(Screens, TheRecordedChoiceBuildsTheSameTreeInAnUnattendedRun) {
    // A choice off the proposals: another SKU, an optional component with a
    // subcomponent left out, both engines reset, two languages, a country.
    session_.responses.products.erase(session_.responses.products.begin() + 2);   // no ODBC driver
    keys_.Add(KeyCode::Down);
    keys_.Type(" ");
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(SkuScreen(session_), Step::Next);
    keys_.Add(KeyCode::Down, 3);
    keys_.Type(" ");
    keys_.Add(KeyCode::Down, 3);
    keys_.Type(" ");
    keys_.Add(KeyCode::Enter);
    ASSERT_EQ(ComponentsScreen(session_), Step::Next);
    session_.responses.serverEngine = 4;
    session_.responses.languages = {"French", "German"};
    session_.languagesChosen = true;
    session_.responses.country = "Switzerland";
    session_.responses.destination = "C:\\Varentis";
    session_.responses.existingDirectory = EXISTING_DIR_KEEP;
    std::string error;
    ASSERT_TRUE(RebuildTree(session_, true, error)) << error;

    // Every node's name and flags of the interactive tree.
    auto snapshot = [] {
        std::vector<std::string> out;
        for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
            out.push_back(std::string(p->productName) + " " + std::to_string(p->flags));
            for (const SkuNode* s = p->firstSku; s != nullptr; s = s->next) {
                out.push_back(std::string(s->skuName) + " " + std::to_string(s->flags));
                for (const ComponentNode* c = s->firstComponent; c != nullptr; c = c->next) {
                    out.push_back(std::string(c->componentName) + " " + std::to_string(c->flags));
                    for (const SubcomponentNode* sub = c->firstSubcomponent; sub != nullptr; sub = sub->next)
                        out.push_back(std::string(sub->subcomponentName) + " " + std::to_string(sub->flags));
                }
            }
        }
        return out;
    };
    const std::vector<std::string> chosen = snapshot();

    std::string text;
    ASSERT_TRUE(ResponseText(session_.responses, _availableProducts, "a test", text, error)) << error;
    EXPECT_NE(text.find("SKU=Database Server Developer Edition\n"), std::string::npos) << text;
    EXPECT_NE(text.find("ServerEngine=sql\nResetEngineSubcomponents=yes\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("4GL"), std::string::npos) << text;
    EXPECT_EQ(text.find("ODBC"), std::string::npos) << text;
    const std::string file = root + "/C/recorded.ini";
    ASSERT_TRUE(WriteResponseFile(file, text, error)) << error;

    // The unattended run's reading of the file, on a tree built afresh.
    FreeProductTable(_availableProducts);
    _availableProducts = nullptr;
    ASSERT_TRUE(BuildWholeTree());
    Responses read;
    ASSERT_TRUE(ReadResponses("C:\\recorded.ini", _availableProducts, read, error)) << error;
    ASSERT_TRUE(ApplyProductChoices("C:\\recorded.ini", read, _availableProducts, error)) << error;
    BuildLanguageTable();
    ASSERT_TRUE(ApplyLanguages("C:\\recorded.ini", read, error)) << error;
    EXPECT_EQ(snapshot(), chosen);
    EXPECT_EQ(read.country, "Switzerland");
    EXPECT_EQ(read.destination, "C:\\Varentis");
    EXPECT_EQ(read.existingDirectory, EXISTING_DIR_KEEP);

    // A name that no response file can hold is refused, not written wrong.
    session_.responses.languages = {"French, Swiss"};
    EXPECT_FALSE(ResponseText(session_.responses, _availableProducts, "a test", text, error));
    EXPECT_NE(error.find("French, Swiss"), std::string::npos) << error;
}

}  // namespace
}  // namespace vrn::test
