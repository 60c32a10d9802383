// The six server engine choices on the chosen server products.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/engine/products/product_media.h"

namespace vrn {
namespace {

class ServerEngineTest : public test::ProductMedia {
protected:
    void SetUp() override {
        ProductMedia::SetUp();
        AddSku(250, "Varentis Server", "S250");
        AddSku(250, "Varentis Server", "S250 Spare");
        AddSku(252, "Varentis Server Lite", "S252");
        AddSku(251, "Varentis Server Idle", "S251");
        AddSku(260, "Varentis Client", "S260");
        AddComponent(40, "4GL");
        AddComponent(41, "SQL");
        AddComponent(42, "4GLX");
        AddComponent(43, "Base");
        AddRow("S250", 40);
        AddRow("S250", 40, 1);
        AddRow("S250", 40, 2);
        AddRow("S250", 41);
        AddRow("S250", 41, 1);
        AddRow("S250", 41, 2);
        AddRow("S250", 42);
        AddRow("S250", 43);
        AddRow("S250 Spare", 40);
        AddRow("S252", 41);
        AddRow("S252", 43);
        AddRow("S251", 40);
        AddRow("S260", 40);
        AddRow("S260", 43);
        AddSubcomponent(40, 1, "4GL Core", "4GL", true);
        AddSubcomponent(40, 2, "4GL Tools", "4GL", false);
        AddSubcomponent(41, 1, "SQL Core", "SQL", false);
        AddSubcomponent(41, 2, "SQL Extra", "SQL", false);
        AddInstall(250, 40, 0);
        AddInstall(250, 41, 1);
        AddInstall(250, 42, 0);
        AddInstall(250, 43, 1);
        AddInstall(252, 41, 0);
        AddInstall(252, 43, 1);
        AddInstall(251, 40, 0);
        AddInstall(260, 40, 0);
        AddInstall(260, 43, 1);
        Load();
    }

    void Rebuild() {
        FreeProductTable(_availableProducts);
        _availableProducts = nullptr;
        ASSERT_NE(Build({250, 252, 251, 260}), nullptr);
        // The idle server product is not chosen; its SKU is left as if it were.
        Product(251)->firstSku->flags |= SKU_CHOSEN;
    }

    // Every node's name and flags, for the parts a choice must not touch.
    static std::vector<std::string> Snapshot(const ProductNode* product) {
        std::vector<std::string> out;
        for (const SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
            out.push_back(std::string(sku->skuName) + "=" + std::to_string(sku->flags));
            for (const ComponentNode* c = sku->firstComponent; c != nullptr; c = c->next) {
                out.push_back(std::string(c->componentName) + "=" + std::to_string(c->flags));
                for (const SubcomponentNode* s = c->firstSubcomponent; s != nullptr; s = s->next) {
                    out.push_back(std::string(s->subcomponentName) + "=" + std::to_string(s->flags));
                }
            }
        }
        return out;
    }
};

TEST_F(ServerEngineTest, SixChoicesAppliedTwice) {
    struct Expected {
        bool fourGl;
        bool sql;
        bool reset;
    };
    const Expected expected[] = {
        {true, false, false}, {false, true, false}, {true, true, false},
        {true, false, true},  {false, true, true},  {true, true, true},
    };
    constexpr uint32_t kBoth = COMPONENT_CHOSEN | COMPONENT_MANDATORY;
    for (uint32_t choice = 0; choice < 6; ++choice) {
        SCOPED_TRACE("choice " + std::to_string(choice));
        Rebuild();
        ProductNode* server = Product(250);
        const std::vector<ComponentNode*> parts = Components(server);
        ASSERT_EQ(parts.size(), 5u);
        ComponentNode* fourGl = parts[0];
        ComponentNode* sql = parts[1];
        ASSERT_STREQ(fourGl->componentName, "4GL");
        ASSERT_STREQ(sql->componentName, "SQL (m)");
        fourGl->flags |= COMPONENT_TAILORED;
        sql->flags |= COMPONENT_NOT_EXTRACTED;
        const std::vector<std::string> lookAlike = {parts[2]->componentName, std::to_string(parts[2]->flags)};
        const std::vector<std::string> spare = {parts[4]->componentName, std::to_string(parts[4]->flags)};
        const std::vector<std::string> idle = Snapshot(Product(251));
        const std::vector<std::string> client = Snapshot(Product(260));

        for (int pass = 0; pass < 2; ++pass) {
            SCOPED_TRACE("pass " + std::to_string(pass));
            EXPECT_EQ(mfSelectServerEngineComponents(choice), 0);
            const Expected& e = expected[choice];
            EXPECT_STREQ(fourGl->componentName, e.fourGl ? "4GL (m)" : "4GL");
            EXPECT_EQ(fourGl->flags, COMPONENT_TAILORED | (e.fourGl ? kBoth : 0));
            EXPECT_STREQ(sql->componentName, e.sql ? "SQL (m)" : "SQL");
            EXPECT_EQ(sql->flags, COMPONENT_NOT_EXTRACTED | (e.sql ? kBoth : 0));
            // Reset subcomponents follow their mandatory bit; the others
            // keep the chosen bit they were built with.
            const std::vector<SubcomponentNode*> fourGlSubs = Subcomponents(fourGl);
            const std::vector<SubcomponentNode*> sqlSubs = Subcomponents(sql);
            ASSERT_EQ(fourGlSubs.size(), 2u);
            ASSERT_EQ(sqlSubs.size(), 2u);
            EXPECT_NE(fourGlSubs[0]->flags & SUBCOMPONENT_CHOSEN, 0u);
            EXPECT_EQ((fourGlSubs[1]->flags & SUBCOMPONENT_CHOSEN) != 0, !e.reset);
            EXPECT_EQ((sqlSubs[0]->flags & SUBCOMPONENT_CHOSEN) != 0, !e.reset);
            EXPECT_EQ((sqlSubs[1]->flags & SUBCOMPONENT_CHOSEN) != 0, !e.reset);

            // The SQL of the other chosen server product gets the same rule.
            ComponentNode* liteSql = Components(Product(252))[0];
            EXPECT_STREQ(liteSql->componentName, e.sql ? "SQL (m)" : "SQL");
            // Not engine components, an unchosen SKU, an unchosen server
            // product and a product that is no server: untouched.
            EXPECT_EQ(lookAlike, (std::vector<std::string>{parts[2]->componentName, std::to_string(parts[2]->flags)}));
            EXPECT_EQ(spare, (std::vector<std::string>{parts[4]->componentName, std::to_string(parts[4]->flags)}));
            EXPECT_EQ(Snapshot(Product(251)), idle);
            EXPECT_EQ(Snapshot(Product(260)), client);
        }
        // The SKU and product bits are not recomputed.
        EXPECT_EQ(server->flags, PRODUCT_CHOSEN);
    }
}

TEST_F(ServerEngineTest, OtherChoicesChangeNothing) {
    Rebuild();
    std::vector<std::vector<std::string>> before;
    for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) before.push_back(Snapshot(p));
    for (uint32_t choice : {6u, 7u, 0xFFFFFFFFu}) EXPECT_EQ(mfSelectServerEngineComponents(choice), 0);
    std::vector<std::vector<std::string>> after;
    for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) after.push_back(Snapshot(p));
    EXPECT_EQ(after, before);

    FreeProductTable(_availableProducts);
    _availableProducts = nullptr;
    EXPECT_EQ(mfSelectServerEngineComponents(2), 0);
}

}  // namespace
}  // namespace vrn
