// Saved copies of the configuration files, and the messenger component test.
#include <sys/stat.h>

#include <string>

#include "tests/engine/tailor/tailor_fixture.h"

namespace vrn {
namespace {

class SavedFilesTest : public test::TailorTest {};

TEST_F(SavedFilesTest, CopiesGoBesideTheFileOrIntoTheSaveDirectory) {
    for (const char* dir : {"/C/App", "/C/App/properties", "/C/Save"}) ASSERT_EQ(::mkdir((root + dir).c_str(), 0700), 0);
    WriteHostFile(root + "/C/App/properties/hubsvc.properties", "hub=1\n");
    WriteHostFile(root + "/C/App/properties/linkmgr.properties", "link=2\n");
    // An old copy is replaced.
    WriteHostFile(root + "/C/App/properties/linkmgr.properties-sav", "stale");

    EXPECT_EQ(mfSaveVarentisFiles("C:\\App", "C:\\App"), 1);
    EXPECT_EQ(ReadHostFile(root + "/C/App/properties/hubsvc.properties-sav"), "hub=1\n");
    EXPECT_EQ(ReadHostFile(root + "/C/App/properties/linkmgr.properties-sav"), "link=2\n");
    // Missing files are passed over without a word.
    EXPECT_FALSE(Exists(root + "/C/App/properties/relays.properties-sav"));
    EXPECT_FALSE(Exists(root + "/C/App/properties/stubmake.preferences-sav"));
    EXPECT_TRUE(dialogs.boxes.empty()) << Boxes();

    EXPECT_EQ(mfSaveVarentisFiles("C:\\App", "C:\\Save"), 1);
    EXPECT_EQ(ReadHostFile(root + "/C/Save/hubsvc.properties-sav"), "hub=1\n");
    EXPECT_EQ(ReadHostFile(root + "/C/Save/linkmgr.properties-sav"), "link=2\n");
    EXPECT_FALSE(Exists(root + "/C/Save/relays.properties-sav"));
    EXPECT_FALSE(Exists(root + "/C/Save/properties"));
    // A save directory that is not there: nothing copied, nothing reported.
    EXPECT_EQ(mfSaveVarentisFiles("C:\\App", "C:\\Nowhere"), 1);
    EXPECT_FALSE(Exists(root + "/C/Nowhere"));
    EXPECT_TRUE(dialogs.boxes.empty()) << Boxes();
}

TEST_F(SavedFilesTest, MessengerCountsOnlyWhereProductSkuAndComponentAreChosen) {
    EXPECT_EQ(mfInstallingMessenger(), 0);   // no tree at all

    test::Tree tree;
    _availableProducts = tree.Product(1);
    tree.Component(tree.Sku(_availableProducts, false), MESSENGER_COMPONENT, "m.arc");   // SKU not chosen
    tree.Component(tree.Sku(tree.Product(2, false)), MESSENGER_COMPONENT, "m.arc");      // product not chosen
    SkuNode* chosen = tree.Sku(_availableProducts);
    tree.Component(chosen, MESSENGER_COMPONENT_OPTIONAL, "m.arc", false);                // component not chosen
    tree.Component(chosen, "Messenger Component", "m.arc");                              // other names
    tree.Component(chosen, "messenger component (m)", "m.arc");
    EXPECT_EQ(mfInstallingMessenger(), 0);

    ComponentNode* optional = tree.Component(chosen, MESSENGER_COMPONENT_OPTIONAL, "m.arc");
    EXPECT_EQ(mfInstallingMessenger(), 1);
    optional->flags = 0;
    tree.Component(chosen, MESSENGER_COMPONENT, "m.arc");
    EXPECT_EQ(mfInstallingMessenger(), 1);
}

}  // namespace
}  // namespace vrn
