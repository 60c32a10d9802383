// The language table gathered from the message carriers of the tree.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/engine/products/product_media.h"

namespace vrn {
namespace {

class LanguageTableTest : public test::ProductMedia {
protected:
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const LanguageEntry& entry : _languageTable) {
            if (entry.subcomponent == nullptr) break;
            out.push_back(entry.languageName);
        }
        return out;
    }
};

TEST_F(LanguageTableTest, CarriersByProductAndByComponent) {
    // A product named with ZODERAR carries through all its subcomponents.
    AddSku(700, "ZODERAR Runtime", "Z1");
    AddComponent(70, "Message Pack");
    AddRow("Z1", 70);
    AddRow("Z1", 70, 1);
    AddRow("Z1", 70, 2);
    AddRow("Z1", 70, 3);
    AddSubcomponent(70, 1, "English Messages", "Message Pack", true);
    AddSubcomponent(70, 2, "French Messages Extra", "Message Pack", false);
    AddSubcomponent(70, 3, "Tools", "Message Pack", false);
    AddInstall(700, 70, 1);
    // A product named with ZOV: only "Messages" subcomponents, whatever
    // its components are called.
    AddSku(710, "Varentis ZOV Bridge", "V1");
    AddComponent(71, "Bridge");
    AddComponent(72, "ZODERAR Inner");
    AddRow("V1", 71);
    AddRow("V1", 71, 1);
    AddRow("V1", 71, 2);
    AddRow("V1", 72);
    AddRow("V1", 72, 1);
    AddSubcomponent(71, 1, "German Messages", "Bridge", false);
    AddSubcomponent(71, 2, "Tools", "Bridge", false);
    AddSubcomponent(72, 1, "Spanish", "ZODERAR Inner", false);
    AddInstall(710, 71, 1);
    AddInstall(710, 72, 0);
    // Elsewhere the components' own names decide.
    AddSku(720, "Varentis Tools", "T1");
    AddComponent(73, "ZOV Messages");
    AddComponent(74, "ZODERAR Data");
    AddComponent(75, "Plain");
    AddRow("T1", 73);
    AddRow("T1", 73, 1);
    AddRow("T1", 73, 2);
    AddRow("T1", 74);
    AddRow("T1", 74, 1);
    AddRow("T1", 74, 2);
    AddRow("T1", 75);
    AddRow("T1", 75, 1);
    AddSubcomponent(73, 1, "Italian Messages", "ZOV Messages", false);
    AddSubcomponent(73, 2, "Readme", "ZOV Messages", false);
    AddSubcomponent(74, 1, "Dutch", "ZODERAR Data", false);
    AddSubcomponent(74, 2, "Messages Extra", "ZODERAR Data", false);
    AddSubcomponent(75, 1, "Danish Messages", "Plain", false);
    AddInstall(720, 73, 1);
    AddInstall(720, 74, 0);
    AddInstall(720, 75, 0);
    AddSku(730, "Varentis Other", "O1");
    AddRow("O1", 75);
    AddInstall(730, 75, 1);
    Load();
    ASSERT_NE(Build({700, 710, 720, 730}), nullptr);

    SubcomponentNode* english = Components(Product(700))[0]->firstSubcomponent;
    SubcomponentNode* french = english->next;
    SubcomponentNode* german = Components(Product(710))[0]->firstSubcomponent;
    SubcomponentNode* bridgeTools = german->next;
    SubcomponentNode* danish = Components(Product(720))[2]->firstSubcomponent;
    ASSERT_STREQ(english->subcomponentName, "English Messages (m)");
    french->flags &= ~SUBCOMPONENT_CHOSEN;
    french->flags |= SUBCOMPONENT_REMEMBERED;   // a stale remembered bit goes
    english->flags |= SUBCOMPONENT_TAILORED;    // other bits stay
    const uint32_t bridgeToolsFlags = bridgeTools->flags;
    const uint32_t danishFlags = danish->flags;

    ASSERT_EQ(BuildLanguageTable(), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"English", "French Extra", "Tools", "German", "Italian", "Dutch",
                                                 "Messages Extra"}));
    EXPECT_EQ(_languageTable[0].subcomponent, english);
    EXPECT_EQ(_languageTable[3].subcomponent, german);
    EXPECT_EQ(english->flags, SUBCOMPONENT_MANDATORY | SUBCOMPONENT_TAILORED | SUBCOMPONENT_REMEMBERED);
    EXPECT_EQ(french->flags, 0u);
    EXPECT_EQ(german->flags, SUBCOMPONENT_REMEMBERED);
    EXPECT_EQ(bridgeTools->flags, bridgeToolsFlags);
    EXPECT_EQ(danish->flags, danishFlags);

    // A second call starts afresh and remembers the choice as it stands.
    german->flags |= SUBCOMPONENT_CHOSEN;
    ASSERT_EQ(BuildLanguageTable(), 1);
    EXPECT_EQ(Names().size(), 7u);
    EXPECT_EQ(german->flags, SUBCOMPONENT_REMEMBERED);
    EXPECT_EQ(english->flags, SUBCOMPONENT_MANDATORY | SUBCOMPONENT_TAILORED);

    // A tree without carriers leaves the table empty.
    ProductNode* whole = _availableProducts;
    _availableProducts = Product(730);
    ASSERT_EQ(_availableProducts->next, nullptr);
    EXPECT_EQ(BuildLanguageTable(), 0);
    EXPECT_EQ(_languageTable[0].subcomponent, nullptr);
    EXPECT_EQ(_languageTable[0].languageName[0], '\0');
    EXPECT_EQ(_languageTable[6].subcomponent, nullptr);
    _availableProducts = whole;
}

TEST_F(LanguageTableTest, TableStopsAt2000Entries) {
    constexpr int kLanguages = LANGUAGE_TABLE_SIZE + 1;
    AddSku(800, "ZODERAR Everything", "E1");
    AddComponent(80, "All Messages");
    AddRow("E1", 80);
    for (int i = 1; i <= kLanguages; ++i) {
        AddRow("E1", 80, i);
        AddSubcomponent(80, i, "Language" + std::to_string(i) + " Messages", "All Messages", false);
    }
    AddInstall(800, 80, 1);
    Load();
    ASSERT_NE(Build({800}), nullptr);
    const std::vector<SubcomponentNode*> subs = Subcomponents(Components(Product(800))[0]);
    ASSERT_EQ(subs.size(), static_cast<size_t>(kLanguages));

    ASSERT_EQ(BuildLanguageTable(), 1);
    EXPECT_EQ(_languageTable[LANGUAGE_TABLE_SIZE - 1].subcomponent, subs[LANGUAGE_TABLE_SIZE - 1]);
    EXPECT_STREQ(_languageTable[LANGUAGE_TABLE_SIZE - 1].languageName, "Language2000");
    // The language that found no room keeps its choice.
    EXPECT_EQ(subs.back()->flags, SUBCOMPONENT_CHOSEN);
    EXPECT_EQ(subs[LANGUAGE_TABLE_SIZE - 1]->flags, SUBCOMPONENT_REMEMBERED);
}

TEST(StripLangTagsTest, PlainLanguageNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"French Messages (m)", "French"},
        {"French Messages Extra", "French Extra"},
        {"French Messages Extra (m)", "French Extra"},
        {"Messages Extra", "Messages Extra"},
        {"Messages (m)", "Messages"},
        {"Tools (m)", "Tools"},
        {"Old Messages Messages", "Old Messages"},
        {"Czech", "Czech"},
    };
    for (const auto& [name, expected] : cases) {
        char buffer[56] = {};
        std::strncpy(buffer, name, sizeof buffer - 1);
        EXPECT_EQ(mfStripLangTags(buffer), 0);
        EXPECT_STREQ(buffer, expected) << name;
    }
}

}  // namespace
}  // namespace vrn
