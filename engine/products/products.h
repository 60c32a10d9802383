// The product tree (products, their SKUs, components and subcomponents) that
// the engine builds from the installation tables, the routines that read and
// change the user's choice in it, the server engine choice, the language
// table and the national-language lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/state/state.h"
#include "engine/tables/tables.h"

namespace vrn {

// ---------------------------------------------------------------------------
// Tree nodes. Every list is singly linked and ends with a null pointer; texts
// are NUL-terminated within their fixed widths.

// Flag bits of a product and of a SKU.
inline constexpr uint32_t PRODUCT_CHOSEN = 1;
inline constexpr uint32_t SKU_CHOSEN = 1;

// Flag bits of a component.
inline constexpr uint32_t COMPONENT_CHOSEN = 1;
inline constexpr uint32_t COMPONENT_TAILORED = 16;
inline constexpr uint32_t COMPONENT_NOT_EXTRACTED = 64;
inline constexpr uint32_t COMPONENT_MANDATORY = 128;

// Flag bits of a subcomponent.
inline constexpr uint32_t SUBCOMPONENT_CHOSEN = 1;
inline constexpr uint32_t SUBCOMPONENT_REMEMBERED = 2;   // choice held back by the language table
inline constexpr uint32_t SUBCOMPONENT_TAILORED = 8;
inline constexpr uint32_t SUBCOMPONENT_NOT_EXTRACTED = 16;
inline constexpr uint32_t SUBCOMPONENT_MANDATORY = 32;

// The mark that follows the name of a mandatory component or subcomponent.
inline constexpr char MANDATORY_MARK[] = " (m)";

inline constexpr int CLUSTER_CLASSES = 8;   // cluster sizes 512 << 0 .. 512 << 7

struct SkuNode;
struct ComponentNode;
struct SubcomponentNode;

struct ProductNode {
    char productName[39];
    char auxText[17];
    int32_t productNumber;
    uint32_t reserved;
    uint32_t flags;
    SkuNode* firstSku;
    ProductNode* next;
};

struct SkuNode {
    char skuName[50];
    char auxText[17];
    uint32_t flags;
    ComponentNode* firstComponent;
    SkuNode* next;
};

struct ComponentNode {
    char componentName[55];
    char auxText[17];
    uint32_t clusterSizes[CLUSTER_CLASSES];
    char archiveName[255];
    uint32_t archiveSize;
    uint32_t flags;
    uint32_t reserved1;
    uint32_t reserved2;
    SubcomponentNode* firstSubcomponent;
    ComponentNode* next;
};

// Agrees with ComponentNode field for field up to the reserved words, so
// that routines reading only the name, sizes, archive and flags can take
// either kind.
struct SubcomponentNode {
    char subcomponentName[55];
    char auxText[17];
    uint32_t clusterSizes[CLUSTER_CLASSES];
    char archiveName[255];
    uint32_t archiveSize;
    uint32_t flags;
    uint32_t reserved1;
    uint32_t reserved2;
    SubcomponentNode* next;
};

static_assert(offsetof(SubcomponentNode, auxText) == offsetof(ComponentNode, auxText));
static_assert(offsetof(SubcomponentNode, clusterSizes) == offsetof(ComponentNode, clusterSizes));
static_assert(offsetof(SubcomponentNode, archiveName) == offsetof(ComponentNode, archiveName));
static_assert(offsetof(SubcomponentNode, archiveSize) == offsetof(ComponentNode, archiveSize));
static_assert(offsetof(SubcomponentNode, flags) == offsetof(ComponentNode, flags));
static_assert(offsetof(SubcomponentNode, reserved2) == offsetof(ComponentNode, reserved2));

// ---------------------------------------------------------------------------
// Building the tree.

// Appends to `products` a node for every number of `chosen` not yet in the
// list, with its SKUs, components and subcomponents, then recomputes the
// chosen bits of every SKU and product. Returns the list's first node, or
// null on failure (already reported). The install records must be loaded.
ProductNode* CreateProductTable(ProductNode* products, std::span<const int32_t> chosen,
                                const Sku2ProductRecord* sku2Product, uint32_t sku2ProductCount,
                                const Comp2SkuRecord* comp2Sku, uint32_t comp2SkuCount,
                                const CompIDRecord* compID, uint32_t compIDCount,
                                const Subcomp2CompRecord* subcomp2Comp, uint32_t subcomp2CompCount);
// Returns a tree built by CreateProductTable to the heap, every node of it.
// The engine itself never frees the tree; its caller does when done.
void FreeProductTable(ProductNode* products);
int32_t ProductExist(const ProductNode* products, int32_t productNumber);
ProductNode* CreateProductNode(const Sku2ProductRecord* sku2Product, uint32_t count, int32_t productNumber,
                               uint32_t* index);
SkuNode* CreateSKUNode(const Sku2ProductRecord* record);
ComponentNode* CreateComponents(int32_t productNumber, const Comp2SkuRecord* comp2Sku, uint32_t comp2SkuCount,
                                const CompIDRecord* compID, uint32_t compIDCount, const SkuNode* sku);
ComponentNode* CreateComponentNode(const CompIDRecord* compID, uint32_t compIDCount, int32_t componentId,
                                   uint8_t installFlags);
SubcomponentNode* CreateSubcomponents(const Comp2SkuRecord* comp2Sku, uint32_t comp2SkuCount,
                                      const Subcomp2CompRecord* subcomp2Comp, uint32_t subcomp2CompCount,
                                      const SkuNode* sku, const char* componentName);
int32_t Subcomp2CompMapping(const Comp2SkuRecord* row, const Subcomp2CompRecord* subcomp2Comp, uint32_t count,
                            const char* componentName);
SubcomponentNode* CreateSubcomponentNode(const Subcomp2CompRecord* subcomp2Comp, uint32_t count,
                                         const Comp2SkuRecord* row);
int32_t SubcomponentData(const Comp2SkuRecord* row);
// Copies `name` to `out`, without a trailing " (m)" after its last blank.
void StripMandatoryString(const char* name, char* out);

// ---------------------------------------------------------------------------
// Selection. The choice is the chosen bit of the nodes; names are compared
// whole and case-sensitively, " (m)" included.

// The first product named `name`, or null.
ProductNode* FindProductNode(ProductNode* products, const char* name);
// The first component named `name` over the product's SKUs in order, or null.
ComponentNode* FindComponentNode(ProductNode* product, const char* name);
// The first subcomponent of the list named `name`, or null.
SubcomponentNode* FindSubcomponentNode(SubcomponentNode* firstSubcomponent, const char* name);
// 1 when a product other than the one named `name` is chosen, else 0.
int32_t ChosenProducts(const ProductNode* products, const char* name);
// Chooses every product, SKU, component and subcomponent of the list.
void SelectAllProducts(ProductNode* products);
// Resets the choice to the mandatory components, with every subcomponent of
// a component chosen, and SKUs and products chosen above what is left.
void DeselectChosenProducts(ProductNode* products);
// Recomputes the chosen bits of SKUs and products from their components.
void SelectChosenProducts(ProductNode* products);
// 0 when a mandatory component of the product is not chosen, else 1.
int32_t CheckMandatoryCompData(const ProductNode* product);
// 0 when a mandatory subcomponent of the list is not chosen, else 1.
int32_t CheckMandatorySubcompData(const SubcomponentNode* firstSubcomponent);
// 1 when at least one subcomponent of the list is chosen, else 0.
int32_t CheckSubcomponentData(const SubcomponentNode* firstSubcomponent);
// Chosen statuses: heap arrays of one 0/1 byte per node, freed with utfree.
// A copy of the chosen bits of the product's components, in SKU order; null
// for a product without components or after reporting 601/602.
uint8_t* CreateChosenCompStatus(HWND window, const ProductNode* product);
// Puts such a copy back into the same components' chosen bits.
void ResetChosenCompStatus(const uint8_t* status, ProductNode* product);
// The same copy of a subcomponent list; `reserved` is not read.
uint8_t* CreateChosenSubcompStatus(HWND window, uint32_t reserved, const SubcomponentNode* firstSubcomponent);
void ResetChosenSubcompStatus(const uint8_t* status, uint32_t reserved, SubcomponentNode* firstSubcomponent);
// The whole product's size on the destination's cluster class
// (_blockSizeIndex, held to 0..7): every component and subcomponent, chosen
// or not, summed with 32-bit wrap-around.
uint32_t CalculateProductSize(const ProductNode* product);

// ---------------------------------------------------------------------------
// Server engine choice: 0 4GL, 1 SQL, 2 both; 3 to 5 the same and the engine
// components' subcomponents reset to their mandatory parts.

int32_t mfSelectServerEngineComponents(uint32_t choice);

// ---------------------------------------------------------------------------
// Language table.

inline constexpr int LANGUAGE_TABLE_SIZE = 2000;

struct LanguageEntry {
    SubcomponentNode* subcomponent;   // null marks an unused entry
    char languageName[56];
};

extern LanguageEntry _languageTable[LANGUAGE_TABLE_SIZE];

int32_t BuildLanguageTable();
int32_t mfStripLangTags(char* name);

// ---------------------------------------------------------------------------
// National-language lists, allocated with the standard library's allocator
// and owned by the caller.

struct nlsnode {
    char field1[30];
    char field2[20];
    char dateFormat[20];      // field 3
    char field4[5];
    char field5[5];
    char codePage1[20];       // field 6
    char codePage2[20];       // field 7
    char codePage3[20];       // field 8
    char field9[5];
    nlsnode* next;
};

struct nlsNumberFormatNode {
    char field1[20];
    char field2[50];
    char field3[5];
    char field4[5];
    nlsNumberFormatNode* next;
};

struct nlsDateNode {
    char dateFormat[20];
    nlsDateNode* next;
};

struct nlsCCCNode {
    char codePages[60];   // the three code pages joined by single blanks
    nlsCCCNode* next;
};

extern nlsnode* _pNlsDataAllHead;
extern nlsDateNode* _pNlsDateHead;
extern nlsNumberFormatNode* _pNlsNumberFormatHead;
extern nlsCCCNode* _pNlsCCCHead;
extern char _nlsCountryName[256];
extern char _nlsLanguageName[256];

int32_t mfGetNlsLists(const char* fileName, nlsnode** dataHead, nlsDateNode** dateHead,
                      nlsNumberFormatNode** numberFormatHead, nlsCCCNode** cccHead);
int32_t mfFreeNlsLists(nlsnode* dataHead, nlsDateNode* dateHead, nlsNumberFormatNode* numberFormatHead,
                       nlsCCCNode* cccHead);

}  // namespace vrn
