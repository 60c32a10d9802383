// Around an installation over an existing one: the user's configuration
// files kept as "-sav" copies before new ones replace them, and whether the
// choice installs the messenger component.
#include <cstring>
#include <string>

#include "engine/products/products.h"
#include "engine/state/state.h"
#include "engine/tailor/tailor.h"
#include "platform/crt.h"
#include "runtime/files/files.h"

namespace vrn {

const char* const _savedVarentisFiles[SAVED_FILE_COUNT] = {
    "properties\\linkmgr.properties",
    "properties\\relays.properties",
    "properties\\stubmake.preferences",
    "properties\\hubsvc.properties",
};

namespace {

// Room for a listed file joined to the installation directory.
constexpr size_t kPathSize = 510;

}  // namespace

int32_t mfSaveVarentisFiles(const char* installDir, const char* saveDir) {
    const char* install = installDir != nullptr ? installDir : "";
    const char* save = saveDir != nullptr ? saveDir : "";
    const bool beside = std::strcmp(install, save) == 0;
    for (const char* listed : _savedVarentisFiles) {
        if (std::strlen(install) + std::strlen(listed) + 4 > kPathSize) continue;
        char source[kPathSize];
        FormatFileName(install, listed, source);
        // Beside the file, or in the save directory under the file's own name.
        const char* leaf = std::strrchr(listed, '\\');
        const std::string target = beside ? std::string(install) + "\\" + listed + SAVED_FILE_SUFFIX
                                          : std::string(save) + "\\" + (leaf != nullptr ? leaf + 1 : listed) +
                                                SAVED_FILE_SUFFIX;
        if (_access(source, ACCESS_EXISTS) == 0) utCopyFile(source, target.c_str(), 0);
    }
    return 1;
}

int32_t mfInstallingMessenger() {
    for (const ProductNode* product = _availableProducts; product != nullptr; product = product->next) {
        if ((product->flags & PRODUCT_CHOSEN) == 0) continue;
        for (const SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
            if ((sku->flags & SKU_CHOSEN) == 0) continue;
            for (const ComponentNode* c = sku->firstComponent; c != nullptr; c = c->next) {
                if ((c->flags & COMPONENT_CHOSEN) == 0) continue;
                const std::string_view name(c->componentName, strnlen(c->componentName, sizeof c->componentName));
                if (name == MESSENGER_COMPONENT || name == MESSENGER_COMPONENT_OPTIONAL) return 1;
            }
        }
    }
    return 0;
}

}  // namespace vrn
