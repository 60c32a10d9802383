// The tailoring pass over product trees and tailor tables.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/engine/tailor/tailor_fixture.h"

namespace vrn {
namespace {

constexpr char kMarked[] = "dir=[[install-dir]]\r\n";
constexpr char kTailored[] = "dir=C:\\App\r\n";

class TailoringPassTest : public test::TailorTest {
protected:
    void SetUp() override {
        TailorTest::SetUp();
        ASSERT_EQ(::mkdir((root + "/C/App").c_str(), 0700), 0);
        Set(_destinationPath, "C:\\App");
    }
    // A file under C:\App holding one marker.
    void Marked(const std::string& relative) { WriteHostFile(root + "/C/App/" + relative, kMarked); }
    std::string In(const std::string& relative) const { return ReadHostFile(root + "/C/App/" + relative); }
    int32_t Pass(test::Tree& tree, const std::vector<TailorRecord>& table) {
        return TailorFiles("C:\\App", tree.head(), table.data(), static_cast<uint32_t>(table.size()), 0);
    }
};

TEST_F(TailoringPassTest, SharedArchivesAreTailoredOnceAndMarkedOnEverySharer) {
    for (const char* f : {"installd.ini", "a.txt", "b.txt", "sub1.txt", "sub2.txt", "mand.txt", "other.txt",
                          "kind2.txt", "plain.txt"})
        Marked(f);
    test::Tree tree;
    // Two chosen products whose components share one archive under two names.
    ComponentNode* a = tree.Component(tree.Sku(tree.Product(1)), "Common A", "common.arc");
    ComponentNode* b = tree.Component(tree.Sku(tree.Product(2)), "Common B", "common.arc");
    // A chosen subcomponent sharing its archive with one of an unchosen product.
    SkuNode* sku3 = tree.Sku(tree.Product(3));
    ComponentNode* parent = tree.Component(sku3, "Parent", "parent.arc");
    SubcomponentNode* sub1 = tree.Subcomponent(parent, "Sub One", "sub.arc");
    SubcomponentNode* unchosenSub = tree.Subcomponent(parent, "Sub Unchosen", "other.arc", false);
    ComponentNode* mandatory = tree.Component(sku3, "Messenger Component (m)", "msg.arc");
    ComponentNode* kind2 = tree.Component(sku3, "Kind Two", "k2.arc");
    ComponentNode* sharedOff = tree.Component(tree.Sku(tree.Product(4, false)), "Parent Elsewhere", "p.arc");
    SubcomponentNode* sub2 = tree.Subcomponent(sharedOff, "Sub Two", "sub.arc");
    // Unchosen SKU and unchosen component: not tailored.
    ComponentNode* inUnchosenSku = tree.Component(tree.Sku(tree.Product(5), false), "Plain", "plain.arc");
    ComponentNode* unchosen = tree.Component(sku3, "Plain", "plain2.arc", false);

    const std::vector<TailorRecord> table = {
        test::Entry("Common A", "a.txt"),      test::Entry("Common B", "b.txt"),
        test::Entry("Parent", "parent.txt"),   // a component with subcomponents is never tailored by name
        test::Entry("Sub One", "sub1.txt"),    test::Entry("Sub Two", "sub2.txt"),
        test::Entry("Sub Unchosen", "other.txt"),
        test::Entry("Messenger Component", "mand.txt"),
        test::Entry("Kind Two", "kind2.txt", 2),
        test::Entry("Plain", "plain.txt"),
    };
    ASSERT_EQ(Pass(tree, table), 0) << Boxes();
    EXPECT_TRUE(dialogs.boxes.empty()) << Boxes();

    EXPECT_EQ(In("a.txt"), kTailored);
    EXPECT_EQ(In("b.txt"), kMarked);   // its archive's files were done under Common A
    EXPECT_EQ(In("sub1.txt"), kTailored);
    EXPECT_EQ(In("sub2.txt"), kMarked);
    EXPECT_EQ(In("other.txt"), kMarked);
    EXPECT_EQ(In("mand.txt"), kTailored);
    EXPECT_EQ(In("kind2.txt"), kMarked);
    EXPECT_EQ(In("plain.txt"), kMarked);
    EXPECT_FALSE(Exists(root + "/C/App/parent.txt"));
    EXPECT_EQ(In("installd.ini"), kTailored);

    for (const ComponentNode* c : {a, b, mandatory, kind2}) EXPECT_NE(c->flags & COMPONENT_TAILORED, 0u) << c->componentName;
    for (const ComponentNode* c : {parent, sharedOff, inUnchosenSku, unchosen})
        EXPECT_EQ(c->flags & COMPONENT_TAILORED, 0u) << c->componentName;
    EXPECT_NE(sub1->flags & SUBCOMPONENT_TAILORED, 0u);
    EXPECT_NE(sub2->flags & SUBCOMPONENT_TAILORED, 0u);
    EXPECT_EQ(unchosenSub->flags & SUBCOMPONENT_TAILORED, 0u);

    // A second pass tailors no component again, but the record again.
    for (const char* f : {"a.txt", "sub1.txt", "installd.ini"}) Marked(f);
    ASSERT_EQ(Pass(tree, table), 0);
    EXPECT_EQ(In("a.txt"), kMarked);
    EXPECT_EQ(In("sub1.txt"), kMarked);
    EXPECT_EQ(In("installd.ini"), kTailored);

    // An empty tree: only the record.
    Marked("installd.ini");
    test::Tree empty;
    EXPECT_EQ(Pass(empty, {}), 0);
    EXPECT_EQ(In("installd.ini"), kTailored);
    EXPECT_EQ(In("a.txt"), kMarked);
}

TEST_F(TailoringPassTest, InteractiveStopsAtTheFirstFailureBatchGoesOn) {
    const auto build = [](test::Tree& tree) {
        SkuNode* sku = tree.Sku(tree.Product(1));
        return std::vector<ComponentNode*>{tree.Component(sku, "First", "1.arc"), tree.Component(sku, "Second", "2.arc"),
                                           tree.Component(sku, "Third", "3.arc")};
    };
    // The first component's file is missing, the third's path climbs out.
    const std::vector<TailorRecord> table = {test::Entry("First", "missing.txt"), test::Entry("Second", "second.txt"),
                                             test::Entry("Third", "..\\outside.txt")};
    WriteHostFile(root + "/C/outside.txt", kMarked);

    Marked("second.txt");
    Marked("installd.ini");
    test::Tree interactive;
    const std::vector<ComponentNode*> parts = build(interactive);
    EXPECT_EQ(Pass(interactive, table), -103);
    ASSERT_EQ(dialogs.boxes.size(), 1u) << Boxes();
    EXPECT_NE(dialogs.boxes[0].text.find("C:\\App\\missing.txt (ENOENT)"), std::string::npos) << Boxes();
    EXPECT_EQ(In("second.txt"), kMarked);
    EXPECT_EQ(In("installd.ini"), kMarked);
    for (const ComponentNode* c : parts) EXPECT_EQ(c->flags & COMPONENT_TAILORED, 0u);

    Batch();
    dialogs.Clear();
    test::Tree batch;
    const std::vector<ComponentNode*> batchParts = build(batch);
    EXPECT_EQ(Pass(batch, table), 0);
    EXPECT_TRUE(dialogs.boxes.empty()) << Boxes();
    const std::string log = Log();
    EXPECT_EQ(test::TailorTest::Count(log, "Unable to open the file."), 1u) << log;
    EXPECT_EQ(test::TailorTest::Count(log, "Invalid filename supplied. (..\\outside.txt)"), 1u) << log;
    EXPECT_EQ(In("second.txt"), kTailored);
    EXPECT_EQ(In("installd.ini"), kTailored);
    EXPECT_EQ(ReadHostFile(root + "/C/outside.txt"), kMarked);
    EXPECT_EQ(batchParts[0]->flags & COMPONENT_TAILORED, 0u);
    EXPECT_NE(batchParts[1]->flags & COMPONENT_TAILORED, 0u);
    EXPECT_EQ(batchParts[2]->flags & COMPONENT_TAILORED, 0u);
}

TEST_F(TailoringPassTest, SubcomponentFailuresFollowTheSameRules) {
    const std::vector<TailorRecord> table = {test::Entry("Sub Bad", "missing.txt"), test::Entry("Sub Good", "good.txt")};
    for (const bool batch : {false, true}) {
        SCOPED_TRACE(batch ? "batch" : "interactive");
        if (batch) Batch();
        dialogs.Clear();
        Marked("good.txt");
        Marked("installd.ini");
        test::Tree tree;
        ComponentNode* holder = tree.Component(tree.Sku(tree.Product(1)), "Holder", "h.arc");
        SubcomponentNode* bad = tree.Subcomponent(holder, "Sub Bad", "bad.arc");
        SubcomponentNode* good = tree.Subcomponent(holder, "Sub Good", "good.arc");
        EXPECT_EQ(Pass(tree, table), batch ? 0 : -103);
        EXPECT_EQ(In("good.txt"), batch ? kTailored : kMarked);
        EXPECT_EQ(In("installd.ini"), batch ? kTailored : kMarked);
        EXPECT_EQ(bad->flags & SUBCOMPONENT_TAILORED, 0u);
        EXPECT_EQ((good->flags & SUBCOMPONENT_TAILORED) != 0, batch);
        EXPECT_EQ(holder->flags & COMPONENT_TAILORED, 0u);
    }
    EXPECT_EQ(test::TailorTest::Count(Log(), "Unable to open the file."), 1u);
}

TEST_F(TailoringPassTest, ListedPathsOutsideTheDestinationAreRefusedUntouched) {
    MapTempDrive('D');
    ASSERT_EQ(::mkdir((root + "/C/App/sub").c_str(), 0700), 0);
    WriteHostFile(root + "/C/outside.txt", kMarked);
    WriteHostFile(root + "/D/outside.txt", kMarked);
    Marked("sub/inside.txt");
    const std::vector<std::string> hostile = {"..\\outside.txt", "sub\\..\\..\\outside.txt", "../outside.txt",
                                              "C:\\outside.txt", "C:outside.txt",          "D:\\outside.txt",
                                              "\\outside.txt",   "\\\\srv\\share\\x.txt",  ""};
    for (const std::string& path : hostile) {
        SCOPED_TRACE(path);
        dialogs.Clear();
        test::Tree tree;
        tree.Component(tree.Sku(tree.Product(1)), "Bad", "bad.arc");
        const std::vector<TailorRecord> table = {test::Entry("Bad", path.c_str())};
        EXPECT_EQ(Pass(tree, table), -112);
        ASSERT_EQ(dialogs.boxes.size(), 1u) << Boxes();
        EXPECT_EQ(dialogs.boxes[0].text, "INSTALLATION ERROR (112): Invalid filename supplied. (" + path + ")");
    }
    EXPECT_EQ(ReadHostFile(root + "/C/outside.txt"), kMarked);
    EXPECT_EQ(ReadHostFile(root + "/D/outside.txt"), kMarked);
    EXPECT_FALSE(Exists(root + "/C/tlrxxxxx.tmp"));
    EXPECT_FALSE(Exists(root + "/D/tlrxxxxx.tmp"));
    // A path that only looks odd but stays inside is tailored.
    test::Tree tree;
    tree.Component(tree.Sku(tree.Product(1)), "Good", "good.arc");
    EXPECT_EQ(Pass(tree, {test::Entry("Good", "sub/./inside.txt")}), 0) << Boxes();
    EXPECT_EQ(In("sub/inside.txt"), kTailored);
}

}  // namespace
}  // namespace vrn
