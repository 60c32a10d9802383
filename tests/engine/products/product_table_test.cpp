// Building the product tree from install tables written to a medium.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/memory/memory.h"
#include "tests/engine/products/product_media.h"

namespace vrn {
namespace {

class ProductTableTest : public test::ProductMedia {
protected:
    // Products 100 and 200 share components; 100's fourth SKU record stands
    // after a record of 200 and is not used.
    void Suite() {
        AddSku(100, "Varentis Workgroup Server", "WG Standard", "a100");
        AddSku(100, "Varentis Workgroup Server", "WG Deluxe");
        AddSku(100, "Varentis Workgroup Server", "WG Extra");
        AddSku(200, "Varentis Tools", "Tools SKU", "a200");
        AddSku(100, "Varentis Workgroup Server", "WG Stray");
        AddSku(300, "Varentis Solo", "Solo SKU");

        AddComponent(1, "Server", "server.arc");
        AddComponent(2, "Client");
        AddComponent(3, "Docs");
        AddComponent(4, "Utilities");

        AddRow("WG Standard", 1);
        AddRow("WG Standard", 1, 1);
        AddRow("WG Standard", 3);   // no install record for 100: left out
        AddRow("WG Standard", 1, 2);
        AddRow("WG Standard", 2);
        AddRow("WG Standard", 2, 1);
        AddRow("WG Deluxe", 2);
        AddRow("WG Extra", 4);
        AddRow("Tools SKU", 3);
        AddRow("Tools SKU", 4);
        AddRow("Tools SKU", 1, 1);   // Server is not in Tools SKU
        AddRow("WG Stray", 2);
        AddRow("Solo SKU", 4);

        AddSubcomponent(1, 1, "Server Core", "Server", true);
        AddSubcomponent(1, 2, "Server Extras", "Server", false);
        AddSubcomponent(2, 1, "Client Help", "Client", false);

        // Client is mandatory for 200, which must not rub off on 100.
        AddInstall(200, 2, 1);
        AddInstall(100, 1, 1);
        AddInstall(100, 2, 0);
        AddInstall(100, 4, 0);
        AddInstall(200, 3, 1);
        AddInstall(200, 4, 0);
        AddInstall(300, 4, 0);
    }
};

TEST_F(ProductTableTest, TreeFollowsTheTables) {
    Suite();
    Load();
    ProductNode* head = Build({200, 100, 200, 100});
    ASSERT_NE(head, nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());

    ASSERT_EQ(head->productNumber, 200);
    ASSERT_NE(head->next, nullptr);
    ProductNode* workgroup = head->next;
    EXPECT_EQ(workgroup->productNumber, 100);
    EXPECT_EQ(workgroup->next, nullptr);
    EXPECT_STREQ(workgroup->productName, "Varentis Workgroup Server");
    EXPECT_STREQ(workgroup->auxText, "a100");
    EXPECT_EQ(workgroup->reserved, 0u);

    const std::vector<SkuNode*> skus = Skus(workgroup);
    ASSERT_EQ(skus.size(), 3u);
    EXPECT_STREQ(skus[0]->skuName, "WG Standard");
    EXPECT_STREQ(skus[1]->skuName, "WG Deluxe");
    EXPECT_STREQ(skus[2]->skuName, "WG Extra");

    // WG Standard: the mandatory Server and the optional Client; Docs has
    // no install record for this product.
    std::vector<ComponentNode*> standard;
    for (ComponentNode* c = skus[0]->firstComponent; c != nullptr; c = c->next) standard.push_back(c);
    ASSERT_EQ(standard.size(), 2u);
    ComponentNode* server = standard[0];
    ComponentNode* client = standard[1];
    EXPECT_STREQ(server->componentName, "Server (m)");
    EXPECT_EQ(server->flags, COMPONENT_CHOSEN | COMPONENT_MANDATORY);
    EXPECT_STREQ(server->archiveName, "server.arc");
    EXPECT_STREQ(server->auxText, "aux1");
    EXPECT_EQ(server->clusterSizes[0], 1000u);
    EXPECT_EQ(server->clusterSizes[7], 1007u);
    EXPECT_EQ(server->archiveSize, 7u);
    EXPECT_EQ(server->reserved1 | server->reserved2, 0u);
    EXPECT_STREQ(client->componentName, "Client");
    EXPECT_EQ(client->flags, 0u);

    // Server's subcomponents were found under its plain name; every
    // subcomponent starts chosen, the mandatory one marked.
    const std::vector<SubcomponentNode*> serverSubs = Subcomponents(server);
    ASSERT_EQ(serverSubs.size(), 2u);
    EXPECT_STREQ(serverSubs[0]->subcomponentName, "Server Core (m)");
    EXPECT_EQ(serverSubs[0]->flags, SUBCOMPONENT_CHOSEN | SUBCOMPONENT_MANDATORY);
    EXPECT_STREQ(serverSubs[0]->archiveName, "Server Core.arc");
    EXPECT_STREQ(serverSubs[0]->auxText, "sub1");
    EXPECT_EQ(serverSubs[0]->clusterSizes[3], 113u);
    EXPECT_STREQ(serverSubs[1]->subcomponentName, "Server Extras");
    EXPECT_EQ(serverSubs[1]->flags, SUBCOMPONENT_CHOSEN);
    const std::vector<SubcomponentNode*> clientSubs = Subcomponents(client);
    ASSERT_EQ(clientSubs.size(), 1u);
    EXPECT_STREQ(clientSubs[0]->subcomponentName, "Client Help");
    EXPECT_EQ(clientSubs[0]->flags, SUBCOMPONENT_CHOSEN);

    // Chosen bits follow the mandatory components.
    EXPECT_EQ(skus[0]->flags, SKU_CHOSEN);
    EXPECT_EQ(skus[1]->flags, 0u);
    EXPECT_EQ(skus[2]->flags, 0u);
    EXPECT_EQ(workgroup->flags, PRODUCT_CHOSEN);

    // Product 200: Docs mandatory, Utilities optional, no subcomponents
    // (Server is not one of its components).
    const std::vector<ComponentNode*> tools = Components(head);
    ASSERT_EQ(tools.size(), 2u);
    EXPECT_STREQ(tools[0]->componentName, "Docs (m)");
    EXPECT_STREQ(tools[1]->componentName, "Utilities");
    EXPECT_EQ(tools[0]->firstSubcomponent, nullptr);
    EXPECT_EQ(head->flags, PRODUCT_CHOSEN);

    // A second call adds only the new product, at the end; an empty choice
    // changes nothing and reports nothing.
    EXPECT_EQ(Build({100, 300}), head);
    ASSERT_NE(workgroup->next, nullptr);
    EXPECT_EQ(workgroup->next->productNumber, 300);
    EXPECT_EQ(workgroup->next->next, nullptr);
    EXPECT_EQ(workgroup->next->flags, 0u);
    EXPECT_EQ(Build({}), head);
    EXPECT_EQ(CreateProductTable(nullptr, {}, _sku2ProductTable, _sku2ProductTableSize, _comp2SkuTable,
                                 _comp2SkuTableSize, _compIDTable, _compIDTableSize, _subcomp2CompTable,
                                 _subcomp2CompTableSize),
              nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ProductTableTest, MissingRecordsAreReported) {
    Suite();
    AddSku(400, "Varentis Broken", "Broken SKU");
    AddRow("Broken SKU", 3);          // 400 has no install record for Docs
    AddSku(500, "Varentis Unknown", "Unknown SKU");
    AddRow("Unknown SKU", 9);         // component 9 is not identified
    AddInstall(500, 9, 1);
    AddSku(600, "Varentis Partial", "Partial SKU");
    AddComponent(5, "Engine");
    AddRow("Partial SKU", 5);
    AddRow("Partial SKU", 5, 1);
    AddRow("Partial SKU", 5, 7);      // no record for subcomponent 7
    AddSubcomponent(5, 1, "Engine Part", "Engine", false);
    AddInstall(600, 5, 0);
    Load();
    ProductNode* head = Build({200});
    ASSERT_NE(head, nullptr);

    EXPECT_EQ(Build({999}), nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "INSTALLATION ERROR (141): Unable to create the product listings.");
    EXPECT_EQ(head->next, nullptr);

    // The product that failed stays linked behind the list it was given.
    dialogs.Clear();
    EXPECT_EQ(Build({400}), nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "INSTALLATION ERROR (143): Unable to create the component listings.");
    ASSERT_NE(head->next, nullptr);
    EXPECT_EQ(head->next->productNumber, 400);
    ASSERT_NE(head->next->firstSku, nullptr);
    EXPECT_EQ(head->next->firstSku->firstComponent, nullptr);

    dialogs.Clear();
    EXPECT_EQ(Build({500}), nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "INSTALLATION ERROR (143): Unable to create the component listings.");

    // A subcomponent without its record costs the component its
    // subcomponents, and the building goes on.
    dialogs.Clear();
    EXPECT_EQ(Build({600}), head);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "INSTALLATION ERROR (144): Unable to create the subcomponent listings.");
    ProductNode* partial = Product(600);
    ASSERT_NE(partial, nullptr);
    const std::vector<ComponentNode*> components = Components(partial);
    ASSERT_EQ(components.size(), 1u);
    EXPECT_EQ(components[0]->firstSubcomponent, nullptr);

    // An empty component-to-SKU table gives no components.
    dialogs.Clear();
    EXPECT_EQ(CreateComponents(100, _comp2SkuTable, 0, _compIDTable, _compIDTableSize, head->firstSku), nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "INSTALLATION ERROR (143): Unable to create the component listings.");
}

TEST_F(ProductTableTest, RefusedMemoryNamesTheNode) {
    // One SKU, one mandatory component with one subcomponent per product:
    // the heap is asked for the product, the SKU, the component and the
    // subcomponent in that order.
    for (int p = 301; p <= 305; ++p) {
        const std::string sku = "Solo " + std::to_string(p);
        AddSku(p, "Varentis Solo " + std::to_string(p), sku);
        AddRow(sku, 1);
        AddRow(sku, 1, 1);
        AddInstall(p, 1, 1);
    }
    AddComponent(1, "Server");
    AddSubcomponent(1, 1, "Server Core", "Server", false);
    Load();
    ProductNode* head = Build({301});
    ASSERT_NE(head, nullptr);
    ASSERT_EQ(Components(head).size(), 1u);
    ASSERT_EQ(Subcomponents(Components(head)[0]).size(), 1u);

    const char* const details[] = {"productNode", "skuNode", "componentNode"};
    for (int skip = 0; skip < 3; ++skip) {
        SCOPED_TRACE(details[skip]);
        dialogs.Clear();
        utFailAllocations(skip, 1);
        EXPECT_EQ(Build({302 + skip}), nullptr);
        utFailAllocations(0, 0);
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, std::string("INSTALLATION ERROR (601): Insufficient memory available for "
                                                     "allocation. (") +
                                             details[skip] + ")");
    }

    dialogs.Clear();
    utFailAllocations(3, 1);
    EXPECT_EQ(Build({305}), head);
    utFailAllocations(0, 0);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "INSTALLATION ERROR (601): Insufficient memory available for allocation. (subcomponentNode)");
    ProductNode* last = Product(305);
    ASSERT_NE(last, nullptr);
    ASSERT_EQ(Components(last).size(), 1u);
    EXPECT_EQ(Components(last)[0]->firstSubcomponent, nullptr);
    EXPECT_EQ(last->flags, PRODUCT_CHOSEN);
}

TEST(StripMandatoryStringTest, CutsOnlyATrailingMark) {
    char out[64];
    StripMandatoryString("Server (m)", out);
    EXPECT_STREQ(out, "Server");
    StripMandatoryString("Server", out);
    EXPECT_STREQ(out, "Server");
    StripMandatoryString("Server (m) Extra", out);
    EXPECT_STREQ(out, "Server (m) Extra");
    StripMandatoryString("Big Server (m)x", out);
    EXPECT_STREQ(out, "Big Server (m)x");
    StripMandatoryString("A (m) (m)", out);
    EXPECT_STREQ(out, "A (m)");
}

}  // namespace
}  // namespace vrn
