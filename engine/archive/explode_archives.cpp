// Archive explosion: the walk over the chosen product tree that records
// every product, component and subcomponent in the destination's
// installd.ini and extracts each archive the choice needs exactly once.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/archive/archive.h"
#include "engine/products/products.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "platform/crt.h"
#include "platform/drives.h"
#include "runtime/ini/ini.h"
#include "runtime/strings/strings.h"

namespace vrn {

const int32_t* _configuredProducts = nullptr;
uint32_t _configuredProductCount = 0;

namespace {

constexpr const char kRecordFile[] = "installd.ini";
constexpr const char kInstalledProducts[] = "Installed Products";
constexpr const char kProductCount[] = "ProductCount";
constexpr const char kComponentKey[] = "_Component_";
constexpr const char kSubcomponentKey[] = "__SubComponent_";
constexpr int32_t kKestrelProducts[] = {270, 274, 283, 304, 305, 339, 340, 341};
// A section listing of this size tells a product with entries from one
// without (two zero bytes).
constexpr int32_t kListingSize = 80;
// Room for the listing of every installed product's entry.
constexpr int32_t kInstalledListSize = 16384;
constexpr int32_t kWorkingDirSize = 256;

int DriveNumber(char letter) { return std::toupper(static_cast<unsigned char>(letter)) - 'A' + 1; }

bool HasDrive(const char* path) {
    return std::isalpha(static_cast<unsigned char>(path[0])) != 0 && path[1] == ':';
}

bool IsCdMedium() {
    return _devTable != nullptr && _devTableSize > 0 &&
           std::string(_devTable[0].deviceType, strnlen(_devTable[0].deviceType, sizeof _devTable[0].deviceType)) ==
               "cd";
}

// An archive name taken from the tables must name a file below the archive
// directory: nothing absolute, on another drive or on a share, and no piece
// that climbs out or that the platform would drop (only dots and blanks).
bool IsPlainArchiveName(const char* name) {
    if (IsSafeMemberName(name) == 0) return false;
    const char* piece = name;
    for (const char* p = name;; ++p) {
        if (*p != '\\' && *p != '/' && *p != '\0') continue;
        bool names = false;
        for (const char* q = piece; q < p; ++q)
            if (*q != '.' && *q != ' ') names = true;
        if (!names && !(p - piece == 1 && *piece == '.')) return false;
        if (*p == '\0') return true;
        piece = p + 1;
    }
}

// One ExplodeArchives call: its archive-name list, where the record lies,
// and the medium's kind.
struct Walk {
    char* list[ARCHIVE_LIST_MAX] = {};
    int32_t count = 0;
    int32_t status = 0;   // the list's last answer; negative stops the walk
    bool cd = false;
    const char* destinationDir = nullptr;
    const char* archiveDir = nullptr;
    std::string record;

    ~Walk() { FreeSymbolList(list, &count); }

    int32_t ReadKey(const std::string& section, const std::string& key) const {
        return wdGetPrivateProfileInt(section.c_str(), key.c_str(), -1, record.c_str());
    }
    // Writes one entry of the record. A record that cannot be written would
    // leave an installation that no later run knows of: the failure is
    // reported (message 701, with the record's path) and ends the walk.
    int32_t Write(const char* section, const char* key, const char* value) const {
        if (wdWritePrivateProfileString(section, key, value, record.c_str()) == 0) return 0;
        return DisplayErrorMsg(_installWnd, record.c_str(), 701);
    }
    // Values are only ever raised: a key already holding something other
    // than 0 keeps it.
    int32_t Raise(const std::string& section, const std::string& key, bool installed) const {
        const int32_t value = ReadKey(section, key);
        if (value == 0 || value == -1) return Write(section.c_str(), key.c_str(), installed ? "1" : "0");
        return 0;
    }
    int32_t RecordSubcomponent(const std::string& section, const SubcomponentNode* sub) const {
        return Raise(section, std::string(kSubcomponentKey) + sub->subcomponentName,
                     (sub->flags & SUBCOMPONENT_CHOSEN) != 0);
    }

    // The archive of a chosen component without subcomponents, or of a
    // chosen subcomponent: 0 to go on, else the result to return at once.
    int32_t HandleArchive(const char* archiveName, bool notExtracted) {
        if (!IsPlainArchiveName(archiveName)) return DisplayErrorMsg(_installWnd, archiveName, 112);
        status = SymbolInList(archiveName, list, &count, ARCHIVE_LIST_MAX);
        if (status != 0) return 0;
        const std::string path = JoinedFileName(cd ? archiveDir : STAGED_ARCHIVE_DIR, archiveName);
        if (!notExtracted) {
            const int32_t result = DecompressFile("*", path.c_str(), destinationDir, 0);
            if (result != 0) return result;
        }
        // A staged archive goes once it is extracted, so that a rerun after
        // a failure finds only the archives still to do.
        if (!cd && _access(path.c_str(), ACCESS_EXISTS) == 0 && _unlink(path.c_str()) != 0) return RESULT_STOP;
        return 0;
    }

    int32_t Component(const std::string& section, const ComponentNode* component) {
        const std::string key = std::string(kComponentKey) + component->componentName;
        if ((component->flags & COMPONENT_CHOSEN) == 0) {
            if (const int32_t result = Raise(section, key, false); result != 0) return result;
            for (const SubcomponentNode* sub = component->firstSubcomponent; sub != nullptr; sub = sub->next)
                if (const int32_t result = RecordSubcomponent(section, sub); result != 0) return result;
            return 0;
        }
        if (const int32_t result = Raise(section, key, true); result != 0) return result;
        if (component->firstSubcomponent == nullptr)
            return HandleArchive(component->archiveName, (component->flags & COMPONENT_NOT_EXTRACTED) != 0);
        for (const SubcomponentNode* sub = component->firstSubcomponent; sub != nullptr && status >= 0;
             sub = sub->next) {
            if (const int32_t result = RecordSubcomponent(section, sub); result != 0) return result;
            if ((sub->flags & SUBCOMPONENT_CHOSEN) == 0) continue;
            if (const int32_t result =
                    HandleArchive(sub->archiveName, (sub->flags & SUBCOMPONENT_NOT_EXTRACTED) != 0);
                result != 0)
                return result;
        }
        return 0;
    }

    // The products named in the record's list of installed products.
    int32_t NamedProducts() const {
        std::vector<char> list(kInstalledListSize);
        const int32_t stored = wdGetPrivateProfileString(kInstalledProducts, nullptr, "", list.data(),
                                                         static_cast<int32_t>(list.size()), record.c_str());
        int32_t named = 0;
        for (int32_t at = 0; at < stored && list[at] != '\0'; at += static_cast<int32_t>(std::strlen(&list[at])) + 1)
            if (stncmpc(&list[at], "Product ", 8) == 0) ++named;
        return named;
    }

    int32_t Product(const ProductNode* product, int32_t* productCount) {
        char section[32];
        std::snprintf(section, sizeof section, "Product %d", product->productNumber);
        char listing[kListingSize];
        if (wdGetPrivateProfileString(section, nullptr, "0", listing, sizeof listing, record.c_str()) <= 2) {
            // The product is named before it is counted, so that a run cut
            // short between the two writes is told by its rerun: a product
            // already named there was being recorded, and the count becomes
            // the number of products named, whether or not it was raised.
            char named[4];
            const bool wasBeingRecorded =
                wdGetPrivateProfileString(kInstalledProducts, section, "", named, sizeof named, record.c_str()) > 0;
            if (const int32_t result = Write(kInstalledProducts, section, product->productName); result != 0)
                return result;
            *productCount = wasBeingRecorded ? NamedProducts() : *productCount + 1;
            char number[16];
            std::snprintf(number, sizeof number, "%d", *productCount);
            if (const int32_t result = Write(kInstalledProducts, kProductCount, number); result != 0) return result;
        }
        for (const SkuNode* sku = product->firstSku; sku != nullptr && status >= 0; sku = sku->next) {
            if ((sku->flags & SKU_CHOSEN) == 0) continue;
            for (const ComponentNode* c = sku->firstComponent; c != nullptr && status >= 0; c = c->next)
                if (const int32_t result = Component(section, c); result != 0) return result;
        }
        return 0;
    }
};

int32_t ChangeTo(const char* directory) {
    if (HasDrive(directory) && _chdrive(DriveNumber(directory[0])) != 0)
        return DisplayErrorMsg(_installWnd, directory, 124);
    if (_chdir(directory) != 0) return DisplayErrorMsg(_installWnd, directory, 122);
    return 0;
}

}  // namespace

int32_t ExplodeArchives(const char* finalDir, const char* destinationDir, const char* archiveDir,
                        ProductNode* products) {
    Walk walk;
    walk.cd = IsCdMedium();
    walk.destinationDir = destinationDir;
    walk.archiveDir = archiveDir;

    for (uint32_t i = 0; _configuredProducts != nullptr && i < _configuredProductCount; ++i)
        for (const int32_t kestrel : kKestrelProducts)
            if (_configuredProducts[i] == kestrel) _bIsKestrelAdapterInstalled = 1;

    walk.record = JoinedFileName(destinationDir, kRecordFile);
    // The record is written through the initialization-file library, which
    // never creates a file: without it every entry would be lost unseen.
    // The medium's copy is put there by the loose-file copy, which runs first.
    if (_access(walk.record.c_str(), ACCESS_EXISTS) != 0)
        return ProcessFileError(nullptr, ENOENT, 103, walk.record.c_str());

    if (!walk.cd && HasDrive(destinationDir) && _chdrive(DriveNumber(destinationDir[0])) != 0)
        return DisplayErrorMsg(_installWnd, destinationDir, 124);
    char remembered[kWorkingDirSize];
    if (_getcwd(remembered, sizeof remembered) == nullptr) return DisplayErrorMsg(_installWnd, nullptr, 128);
    if (!walk.cd && _chdir(destinationDir) != 0) return DisplayErrorMsg(_installWnd, destinationDir, 122);
    // From here on a relative path is a path under the destination.

    if (archiveDir[0] != '\0') {
        std::strncpy(_szArchiveDir, archiveDir, sizeof _szArchiveDir - 1);
        _szArchiveDir[sizeof _szArchiveDir - 1] = '\0';
    }

    int32_t productCount = wdGetPrivateProfileInt(kInstalledProducts, kProductCount, 0, walk.record.c_str());

    for (const ProductNode* product = products; product != nullptr && walk.status >= 0; product = product->next) {
        if ((product->flags & PRODUCT_CHOSEN) == 0) continue;
        if (const int32_t result = walk.Product(product, &productCount); result != 0) return result;
    }

    if (!walk.cd) {
        if (const int32_t result = ChangeTo(remembered); result != 0) return result;
        if (finalDir[0] != '\0')
            if (const int32_t result = ChangeTo(finalDir); result != 0) return result;
    }
    return walk.status == -1 ? RESULT_STOP : 0;
}

}  // namespace vrn
