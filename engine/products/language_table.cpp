// The language table: the message-language subcomponents of the products
// that carry message files, with plain language names for the caller's list.
#include <cstring>

#include "engine/products/products.h"

namespace vrn {

LanguageEntry _languageTable[LANGUAGE_TABLE_SIZE] = {};

namespace {

constexpr char kMessages[] = "Messages";
constexpr size_t kMessagesLength = sizeof(kMessages) - 1;

bool CarriesMessages(const char* name) {
    return std::strstr(name, "ZODERAR") != nullptr || std::strstr(name, "ZOV") != nullptr;
}

// Moves the subcomponents of one component that count as languages into
// the table from entry `n` on; a carrier named with "ZOV" only contributes
// its "Messages" subcomponents. Stops when the table is full, leaving the
// subcomponents that found no room as they are.
void AddLanguages(ComponentNode* component, const char* carrierName, int& n) {
    const bool messagesOnly = std::strstr(carrierName, "ZOV") != nullptr;
    for (SubcomponentNode* sub = component->firstSubcomponent; sub != nullptr; sub = sub->next) {
        if (messagesOnly && std::strstr(sub->subcomponentName, kMessages) == nullptr) continue;
        if (n >= LANGUAGE_TABLE_SIZE) return;
        LanguageEntry& entry = _languageTable[n];
        std::memcpy(entry.languageName, sub->subcomponentName, sizeof(sub->subcomponentName));
        entry.languageName[sizeof(entry.languageName) - 1] = '\0';
        mfStripLangTags(entry.languageName);
        entry.subcomponent = sub;
        // The language starts unchosen; its earlier choice is kept in the
        // remembered bit.
        const uint32_t chosen = sub->flags & SUBCOMPONENT_CHOSEN;
        sub->flags &= ~(SUBCOMPONENT_CHOSEN | SUBCOMPONENT_REMEMBERED);
        if (chosen != 0) sub->flags |= SUBCOMPONENT_REMEMBERED;
        ++n;
    }
}

}  // namespace

int32_t BuildLanguageTable() {
    for (LanguageEntry& entry : _languageTable) {
        entry.subcomponent = nullptr;
        entry.languageName[0] = '\0';
    }
    int n = 0;
    for (ProductNode* product = _availableProducts; product != nullptr; product = product->next) {
        const bool productCarries = CarriesMessages(product->productName);
        for (SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
            for (ComponentNode* component = sku->firstComponent; component != nullptr;
                 component = component->next) {
                if (productCarries) {
                    AddLanguages(component, product->productName, n);
                } else if (CarriesMessages(component->componentName)) {
                    AddLanguages(component, component->componentName, n);
                }
            }
        }
    }
    return _languageTable[0].subcomponent != nullptr ? 1 : 0;
}

// "French Messages (m)" becomes "French", "French Messages Extra" becomes
// "French Extra"; a name that begins with "Messages" keeps that word.
int32_t mfStripLangTags(char* name) {
    char* messages = std::strstr(name, kMessages);
    if (messages != nullptr && messages > name) {
        char* from = messages + kMessagesLength;
        std::memmove(messages - 1, from, std::strlen(from) + 1);
    }
    if (char* mark = std::strstr(name, MANDATORY_MARK); mark != nullptr) *mark = '\0';
    return 0;
}

}  // namespace vrn
