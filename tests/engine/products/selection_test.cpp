// Choosing in the product tree: derived SKU and product bits, resets to the
// mandatory parts, look-ups, chosen-status copies and product sizes.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/memory/memory.h"
#include "tests/engine/products/product_media.h"

namespace vrn {
namespace {

class SelectionTest : public test::ProductMedia {
protected:
    void SetUp() override {
        ProductMedia::SetUp();
        AddSku(10, "Alpha", "A1");
        AddSku(10, "Alpha", "A2");
        AddSku(20, "Beta", "B1");
        AddSku(30, "Gamma", "G1");
        AddSku(30, "Gamma", "G2");
        AddComponent(1, "Core");
        AddComponent(2, "Client");
        AddComponent(3, "Docs");
        AddComponent(4, "Samples");
        AddComponent(5, "Driver");
        AddComponent(6, "Engine");
        AddRow("A1", 1);
        AddRow("A1", 2);
        AddRow("A1", 2, 1);
        AddRow("A2", 3);
        AddRow("A2", 4);
        AddRow("B1", 2);
        AddRow("B1", 2, 1);
        AddRow("B1", 5);
        AddRow("G1", 6);
        AddRow("G1", 6, 1);
        AddRow("G1", 6, 2);
        AddRow("G2", 1);
        AddSubcomponent(2, 1, "Client Help", "Client", false);
        AddSubcomponent(6, 1, "Engine Core", "Engine", true);
        AddSubcomponent(6, 2, "Engine Extras", "Engine", false);
        AddInstall(10, 1, 1);
        AddInstall(10, 2, 0);
        AddInstall(10, 3, 0);
        AddInstall(10, 4, 0);
        AddInstall(20, 2, 0);
        AddInstall(20, 5, 0);
        AddInstall(30, 6, 0);
        AddInstall(30, 1, 0);
        Load();
        ASSERT_NE(Build({10, 20, 30}), nullptr);
        alpha = Product(10);
        beta = Product(20);
        gamma = Product(30);
    }

    std::vector<ComponentNode*> AllComponents() const {
        std::vector<ComponentNode*> out;
        for (ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
            for (ComponentNode* c : Components(p)) out.push_back(c);
        }
        return out;
    }

    std::vector<SubcomponentNode*> AllSubcomponents() const {
        std::vector<SubcomponentNode*> out;
        for (ComponentNode* c : AllComponents()) {
            for (SubcomponentNode* s : Subcomponents(c)) out.push_back(s);
        }
        return out;
    }

    // Every SKU is chosen exactly when one of its components is, every
    // product exactly when one of its SKUs is.
    void ExpectDerivedBits() const {
        for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
            bool anySku = false;
            for (const SkuNode* sku = p->firstSku; sku != nullptr; sku = sku->next) {
                bool anyComponent = false;
                for (const ComponentNode* c = sku->firstComponent; c != nullptr; c = c->next) {
                    anyComponent = anyComponent || (c->flags & COMPONENT_CHOSEN) != 0;
                }
                EXPECT_EQ((sku->flags & SKU_CHOSEN) != 0, anyComponent) << sku->skuName;
                anySku = anySku || (sku->flags & SKU_CHOSEN) != 0;
            }
            EXPECT_EQ((p->flags & PRODUCT_CHOSEN) != 0, anySku) << p->productName;
        }
    }

    ProductNode* alpha = nullptr;
    ProductNode* beta = nullptr;
    ProductNode* gamma = nullptr;
};

TEST_F(SelectionTest, RandomTogglesThenDerivedBits) {
    std::mt19937 random(20240517);
    const std::vector<ComponentNode*> components = AllComponents();
    const std::vector<SubcomponentNode*> subcomponents = AllSubcomponents();
    ASSERT_EQ(components.size(), 8u);
    ASSERT_EQ(subcomponents.size(), 4u);
    for (int round = 0; round < 300; ++round) {
        const int toggles = static_cast<int>(random() % 6);
        for (int t = 0; t < toggles; ++t) components[random() % components.size()]->flags ^= COMPONENT_CHOSEN;
        // Stale derived bits must not survive either way.
        if (random() % 3 == 0) alpha->flags ^= PRODUCT_CHOSEN;
        if (random() % 3 == 0) gamma->firstSku->next->flags ^= SKU_CHOSEN;
        std::vector<uint32_t> before;
        for (const ComponentNode* c : components) before.push_back(c->flags);
        for (const SubcomponentNode* s : subcomponents) before.push_back(s->flags);

        SelectChosenProducts(_availableProducts);
        ExpectDerivedBits();
        std::vector<uint32_t> after;
        for (const ComponentNode* c : components) after.push_back(c->flags);
        for (const SubcomponentNode* s : subcomponents) after.push_back(s->flags);
        ASSERT_EQ(after, before) << "round " << round;
        if (HasFailure()) return;
    }
}

TEST_F(SelectionTest, ChosenStatusesPutAChoiceBack) {
    std::mt19937 random(77);
    SubcomponentNode* engineSubs = Components(gamma)[0]->firstSubcomponent;
    for (int round = 0; round < 200; ++round) {
        ProductNode* product = round % 3 == 0 ? alpha : round % 3 == 1 ? beta : gamma;
        const std::vector<ComponentNode*> components = Components(product);
        const std::vector<SubcomponentNode*> subs = Subcomponents(Components(gamma)[0]);
        for (ComponentNode* c : components) c->flags = (c->flags & ~COMPONENT_CHOSEN) | (random() & 1);
        for (SubcomponentNode* s : subs) s->flags = (s->flags & ~SUBCOMPONENT_CHOSEN) | (random() & 1);

        UtBlock componentStatus(CreateChosenCompStatus(nullptr, product));
        UtBlock subStatus(CreateChosenSubcompStatus(nullptr, 0, engineSubs));
        ASSERT_NE(componentStatus.p, nullptr);
        ASSERT_NE(subStatus.p, nullptr);
        std::vector<uint32_t> chosen;
        for (size_t i = 0; i < components.size(); ++i) {
            chosen.push_back(components[i]->flags & COMPONENT_CHOSEN);
            ASSERT_EQ(static_cast<const uint8_t*>(componentStatus.p)[i], chosen.back());
        }
        for (size_t i = 0; i < subs.size(); ++i) {
            chosen.push_back(subs[i]->flags & SUBCOMPONENT_CHOSEN);
            ASSERT_EQ(static_cast<const uint8_t*>(subStatus.p)[i], chosen.back());
        }

        // Any change, to the chosen bits and to others; only the chosen
        // bits come back.
        std::vector<uint32_t> otherBits;
        for (ComponentNode* c : components) {
            c->flags ^= (random() & 1) | (random() % 2 ? COMPONENT_TAILORED : 0);
            otherBits.push_back(c->flags & ~COMPONENT_CHOSEN);
        }
        for (SubcomponentNode* s : subs) {
            s->flags ^= (random() & 1) | (random() % 2 ? SUBCOMPONENT_NOT_EXTRACTED : 0);
            otherBits.push_back(s->flags & ~SUBCOMPONENT_CHOSEN);
        }
        ResetChosenCompStatus(static_cast<const uint8_t*>(componentStatus.p), product);
        ResetChosenSubcompStatus(static_cast<const uint8_t*>(subStatus.p), 0, engineSubs);
        size_t k = 0;
        for (const ComponentNode* c : components) {
            EXPECT_EQ(c->flags & COMPONENT_CHOSEN, chosen[k]);
            EXPECT_EQ(c->flags & ~COMPONENT_CHOSEN, otherBits[k]);
            ++k;
        }
        for (const SubcomponentNode* s : subs) {
            EXPECT_EQ(s->flags & SUBCOMPONENT_CHOSEN, chosen[k]);
            EXPECT_EQ(s->flags & ~SUBCOMPONENT_CHOSEN, otherBits[k]);
            ++k;
        }
        if (HasFailure()) return;
    }
    EXPECT_EQ(CreateChosenSubcompStatus(nullptr, 0, nullptr), nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(SelectionTest, RefusedStatusMemoryIsReportedToTheWindow) {
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4711));
    utFailAllocations(0, 1);
    EXPECT_EQ(CreateChosenCompStatus(window, alpha), nullptr);
    utFailAllocations(2, 1);   // the third of Alpha's four components
    EXPECT_EQ(CreateChosenCompStatus(window, alpha), nullptr);
    utFailAllocations(0, 1);
    EXPECT_EQ(CreateChosenSubcompStatus(window, 0, Components(gamma)[0]->firstSubcomponent), nullptr);
    utFailAllocations(0, 0);
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "INSTALLATION ERROR (601): Insufficient memory available for allocation. (tempChosenStatus)");
    EXPECT_EQ(dialogs.boxes[0].owner, window);
    EXPECT_EQ(dialogs.boxes[1].text,
              "INSTALLATION ERROR (602): Insufficient memory available for re-allocation. (tempChosenStatus)");
    EXPECT_EQ(dialogs.boxes[2].owner, window);
}

TEST_F(SelectionTest, ResetsAndMandatoryChecks) {
    ComponentNode* core = Components(alpha)[0];
    ComponentNode* engine = Components(gamma)[0];
    SubcomponentNode* engineCore = engine->firstSubcomponent;
    ASSERT_STREQ(core->componentName, "Core (m)");
    ASSERT_STREQ(engineCore->subcomponentName, "Engine Core (m)");

    SelectAllProducts(_availableProducts);
    for (const ComponentNode* c : AllComponents()) EXPECT_NE(c->flags & COMPONENT_CHOSEN, 0u);
    for (const SubcomponentNode* s : AllSubcomponents()) EXPECT_NE(s->flags & SUBCOMPONENT_CHOSEN, 0u);
    ExpectDerivedBits();
    for (const ProductNode* p : {alpha, beta, gamma}) EXPECT_EQ(CheckMandatoryCompData(p), 1);

    core->flags &= ~COMPONENT_CHOSEN;
    EXPECT_EQ(CheckMandatoryCompData(alpha), 0);
    EXPECT_EQ(CheckMandatoryCompData(beta), 1);
    engineCore->flags &= ~SUBCOMPONENT_CHOSEN;
    EXPECT_EQ(CheckMandatorySubcompData(engineCore), 0);
    EXPECT_EQ(CheckMandatorySubcompData(engineCore->next), 1);
    EXPECT_EQ(CheckMandatorySubcompData(nullptr), 1);
    EXPECT_EQ(CheckSubcomponentData(engineCore), 1);
    engineCore->next->flags &= ~SUBCOMPONENT_CHOSEN;
    EXPECT_EQ(CheckSubcomponentData(engineCore), 0);
    EXPECT_EQ(CheckSubcomponentData(nullptr), 0);

    // Back to the mandatory parts: optional components unchosen, every
    // subcomponent chosen again.
    for (SubcomponentNode* s : AllSubcomponents()) s->flags &= ~SUBCOMPONENT_CHOSEN;
    DeselectChosenProducts(_availableProducts);
    for (const ComponentNode* c : AllComponents()) {
        EXPECT_EQ((c->flags & COMPONENT_CHOSEN) != 0, (c->flags & COMPONENT_MANDATORY) != 0) << c->componentName;
    }
    for (const SubcomponentNode* s : AllSubcomponents()) EXPECT_NE(s->flags & SUBCOMPONENT_CHOSEN, 0u);
    ExpectDerivedBits();
    EXPECT_EQ(alpha->flags, PRODUCT_CHOSEN);
    EXPECT_EQ(alpha->firstSku->next->flags, 0u);
    EXPECT_EQ(beta->flags, 0u);
    EXPECT_EQ(gamma->flags, 0u);

    // Whether anything besides the named product is chosen.
    EXPECT_EQ(ChosenProducts(_availableProducts, "Alpha"), 0);
    EXPECT_EQ(ChosenProducts(_availableProducts, "Beta"), 1);
    gamma->flags |= PRODUCT_CHOSEN;
    EXPECT_EQ(ChosenProducts(_availableProducts, "Alpha"), 1);
    EXPECT_EQ(ChosenProducts(nullptr, "Alpha"), 0);
}

TEST_F(SelectionTest, LookupsByWholeName) {
    EXPECT_EQ(FindProductNode(_availableProducts, "Gamma"), gamma);
    EXPECT_EQ(FindProductNode(_availableProducts, "Gam"), nullptr);
    EXPECT_EQ(FindProductNode(nullptr, "Gamma"), nullptr);
    // Components of later SKUs are found; the mark is part of the name.
    EXPECT_EQ(FindComponentNode(alpha, "Samples"), Components(alpha)[3]);
    EXPECT_EQ(FindComponentNode(alpha, "Core (m)"), Components(alpha)[0]);
    EXPECT_EQ(FindComponentNode(alpha, "Core"), nullptr);
    EXPECT_EQ(FindComponentNode(gamma, "Core"), Components(gamma)[1]);
    SubcomponentNode* subs = Components(gamma)[0]->firstSubcomponent;
    EXPECT_EQ(FindSubcomponentNode(subs, "Engine Extras"), subs->next);
    EXPECT_EQ(FindSubcomponentNode(subs, "Engine Core"), nullptr);
    EXPECT_EQ(FindSubcomponentNode(nullptr, "Engine Core (m)"), nullptr);
}

TEST_F(SelectionTest, ProductSizeOnTheDestinationsClusters) {
    // Gamma: Engine (6000 + i) with its two subcomponents (610 + i, 620 + i),
    // and Core (1000 + i), chosen or not.
    _blockSizeIndex = 0;
    EXPECT_EQ(CalculateProductSize(gamma), 6000u + 610u + 620u + 1000u);
    _blockSizeIndex = 7;
    EXPECT_EQ(CalculateProductSize(gamma), 6007u + 617u + 627u + 1007u);
    _blockSizeIndex = 9;   // no class of its own: the largest one
    EXPECT_EQ(CalculateProductSize(gamma), 6007u + 617u + 627u + 1007u);
    _blockSizeIndex = 2;
    EXPECT_EQ(CalculateProductSize(beta), 2002u + 212u + 5002u);

    Components(beta)[0]->clusterSizes[2] = 0xFFFFFF00u;
    EXPECT_EQ(CalculateProductSize(beta), 4958u);   // 0xFFFFFF00 + 212 + 5002, wrapped
    EXPECT_EQ(CalculateProductSize(nullptr), 0u);
}

}  // namespace
}  // namespace vrn
