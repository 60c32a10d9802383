// Finding the drive through which a UNC path's share is reached. The
// connected network disk resources are enumerated; a connection whose remote
// name is a prefix of the path (ignoring case) and that has a local name
// gives the drive. A connection without a local name is given the first free
// letter from F: on; the letter is kept in _mappedNetworkSetupDrive so that
// the volume query can cancel that connection after use.
#include <cstring>

#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "platform/network.h"
#include "runtime/memory/memory.h"

namespace vrn {

namespace {

constexpr uint32_t kFirstBlockSize = 16384;
constexpr int kLetters = 26;

// Upper case in the system code page (ISO 8859-1).
char Upper(char c) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) return static_cast<char>(u - 32);
    return c;
}

bool SameIgnoringCase(const char* a, const char* b) {
    for (; *a != '\0' || *b != '\0'; ++a, ++b)
        if (Upper(*a) != Upper(*b)) return false;
    return true;
}

void CloseEnumeration(HANDLE enumeration) {
    if (WNetCloseEnum(enumeration) != ERROR_SUCCESS)
        MessageBox(_installWnd, "Unable to close enumeration of resources.", "ERROR", MB_OK);
}

// A letter from F to Z that no enumerated connection holds and that is no
// drive of the machine (making it current fails), or 0. The current drive
// is put back after each try.
char FreeLetter(const bool inUse[kLetters]) {
    const int current = _getdrive();
    for (char letter = 'F'; letter <= 'Z'; ++letter) {
        if (inUse[letter - 'A']) continue;
        if (_chdrive(letter - 'A' + 1) == 0) {
            _chdrive(current);
            continue;
        }
        return letter;
    }
    return 0;
}

}  // namespace

int32_t mfGetPathNameFromUNC(const char* uncPath, char* share, char* root) {
    const size_t pathLength = std::strlen(uncPath);
    UtBlock compare(utmalloc(static_cast<uint32_t>(pathLength + 1)));
    if (compare.p == nullptr) {
        DisplayErrorMsg(_installWnd, nullptr, 601);
        return RESULT_STOP;
    }
    auto* prefix = static_cast<char*>(compare.p);
    root[0] = '\0';

    // Sizing pass: one enumeration into the first block; a provider that
    // needs more names the size, and the block is taken again at that size.
    uint32_t blockSize = kFirstBlockSize;
    UtBlock enumerationBlock(utcalloc(1, static_cast<int32_t>(blockSize)));
    if (enumerationBlock.p == nullptr) DisplayErrorMsg(_installWnd, "enumerationBlock", 601);
    HANDLE enumeration = 0;
    if (WNetOpenEnumA(RESOURCE_CONNECTED, RESOURCETYPE_DISK, 0, nullptr, &enumeration) == ERROR_SUCCESS) {
        if (enumerationBlock.p != nullptr) {
            DWORD count = NET_ENUM_ALL;
            DWORD size = blockSize;
            if (WNetEnumResourceA(enumeration, &count, enumerationBlock.p, &size) == ERROR_MORE_DATA) {
                utfree(enumerationBlock.release());
                blockSize = size;
                enumerationBlock.p = utcalloc(1, static_cast<int32_t>(blockSize));
                if (enumerationBlock.p == nullptr) DisplayErrorMsg(_installWnd, "enumerationBlock", 601);
            }
        }
        CloseEnumeration(enumeration);
    }

    if (WNetOpenEnumA(RESOURCE_CONNECTED, RESOURCETYPE_DISK, 0, nullptr, &enumeration) != ERROR_SUCCESS) return 0;

    bool inUse[kLetters] = {};
    int32_t result = 0;
    for (;;) {
        DWORD count = NET_ENUM_ALL;
        DWORD size = enumerationBlock.p != nullptr ? blockSize : 0;
        const DWORD status = WNetEnumResourceA(enumeration, &count, enumerationBlock.p, &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) {
            // Any other answer ends the search: the provider is not asked again.
            result = RESULT_STOP;
            break;
        }
        auto* entries = static_cast<NETRESOURCEA*>(enumerationBlock.p);
        bool waiting[kLetters] = {};
        bool anyWaiting = false;
        for (DWORD i = 0; i < count; ++i) {
            const NETRESOURCEA& entry = entries[i];
            const char* remote = entry.lpRemoteName != nullptr ? entry.lpRemoteName : "";
            const size_t remoteLength = std::strlen(remote);
            // A remote name longer than the path cannot serve it.
            bool matches = false;
            if (remoteLength > 0 && remoteLength <= pathLength) {
                std::memcpy(prefix, uncPath, remoteLength);
                prefix[remoteLength] = '\0';
                matches = SameIgnoringCase(prefix, remote);
            }
            if (matches) std::strcpy(share, remote);
            if (entry.lpLocalName == nullptr || entry.lpLocalName[0] == '\0') {
                if (i < kLetters) {
                    waiting[i] = true;
                    anyWaiting = true;
                }
            } else if (matches) {
                std::strncpy(root, entry.lpLocalName, 3);
                root[3] = '\0';
                CloseEnumeration(enumeration);
                return 0;
            } else {
                const char letter = Upper(entry.lpLocalName[0]);
                if (letter >= 'A' && letter <= 'Z') inUse[letter - 'A'] = true;
            }
        }
        if (!anyWaiting) continue;

        for (DWORD i = 0; i < count && i < kLetters; ++i) {
            if (!waiting[i]) continue;
            const char letter = FreeLetter(inUse);
            if (letter == 0) {
                CloseEnumeration(enumeration);
                return RESULT_STOP;
            }
            _mappedNetworkSetupDrive[0] = letter;
            _mappedNetworkSetupDrive[1] = ':';
            _mappedNetworkSetupDrive[2] = '\0';
            std::strcpy(root, _mappedNetworkSetupDrive);
            entries[i].lpLocalName = _mappedNetworkSetupDrive;
            const DWORD connected = WNetAddConnection2A(&entries[i], nullptr, nullptr, 0);
            std::strcat(root, "\\");
            if (connected != ERROR_SUCCESS) {
                CloseEnumeration(enumeration);
                return RESULT_STOP;
            }
        }
    }
    CloseEnumeration(enumeration);
    return result;
}

}  // namespace vrn
