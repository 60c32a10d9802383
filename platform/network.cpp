// The network provider model behind the WNet calls.
#include "platform/network.h"

#include <cstring>
#include <map>
#include <optional>

#include "platform/host_internal.h"

namespace vrn {

namespace {

constexpr char kProviderName[] = "Microsoft Windows Network";
constexpr uint32_t kDefaultBatchLimit = 8;

struct Model {
    std::vector<NetworkConnection> connections;
    uint32_t batchLimit = kDefaultBatchLimit;
    bool closeFails = false;
    std::map<HANDLE, size_t> enumerations;   // open enumeration -> next entry
    HANDLE nextHandle = 0x4E450000;
};

Model g_model;
// The shares the model was last built from.
std::optional<std::vector<ShareDecl>> g_builtFrom;

bool SameShares(const std::vector<ShareDecl>& a, const std::vector<ShareDecl>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].unc != b[i].unc || a[i].hostRoot != b[i].hostRoot || a[i].letter != b[i].letter) return false;
    return true;
}

// "\\srv\share" with backslashes and no trailing separator.
std::string CanonicalRemote(std::string remote) {
    for (char& c : remote)
        if (c == '/') c = '\\';
    while (remote.size() > 2 && remote.back() == '\\') remote.pop_back();
    return remote;
}

std::vector<NetworkConnection> FromShares(const std::vector<ShareDecl>& shares) {
    std::vector<NetworkConnection> out;
    for (const ShareDecl& s : shares) {
        NetworkConnection c;
        c.remote = CanonicalRemote(s.unc);
        c.hostRoot = s.hostRoot;
        c.letter = s.letter != 0 ? host::UpperChar(s.letter) : 0;
        out.push_back(c);
    }
    return out;
}

Model& Current() {
    const std::vector<ShareDecl>& shares = CurrentPlatformConfig().shares;
    if (!g_builtFrom || !SameShares(*g_builtFrom, shares)) {
        g_builtFrom = shares;
        g_model.connections = FromShares(shares);
        g_model.enumerations.clear();
    }
    return g_model;
}

// Bytes one entry takes in an enumeration buffer.
size_t EntrySize(const NetworkConnection& c) {
    size_t n = sizeof(NETRESOURCEA) + c.remote.size() + 1 + sizeof kProviderName;
    if (c.letter != 0) n += 3;
    return n;
}

// The letter of a local name "G:" (upper case), or 0 when it is not one.
char LetterOf(const char* name) {
    if (name == nullptr || name[0] == '\0' || name[1] != ':' || name[2] != '\0') return 0;
    const char up = host::UpperChar(name[0]);
    return (up >= 'A' && up <= 'Z') ? up : 0;
}

}  // namespace

DWORD WNetOpenEnumA(DWORD scope, DWORD type, DWORD /*usage*/, const NETRESOURCEA* container, HANDLE* enumHandle) {
    if (enumHandle == nullptr) return ERROR_INVALID_PARAMETER;
    if (scope != RESOURCE_CONNECTED) return ERROR_NOT_SUPPORTED;
    if ((type != RESOURCETYPE_ANY && type != RESOURCETYPE_DISK) || container != nullptr)
        return ERROR_INVALID_PARAMETER;
    Model& m = Current();
    const HANDLE h = m.nextHandle++;
    m.enumerations[h] = 0;
    *enumHandle = h;
    return ERROR_SUCCESS;
}

DWORD WNetEnumResourceA(HANDLE enumHandle, DWORD* count, void* buffer, DWORD* bufferSize) {
    Model& m = Current();
    const auto it = m.enumerations.find(enumHandle);
    if (it == m.enumerations.end()) return ERROR_INVALID_HANDLE;
    if (count == nullptr || bufferSize == nullptr || (buffer == nullptr && *bufferSize != 0))
        return ERROR_INVALID_PARAMETER;
    size_t& next = it->second;
    if (next >= m.connections.size()) {
        *count = 0;
        return ERROR_NO_MORE_ITEMS;
    }
    size_t wanted = m.connections.size() - next;
    if (*count != NET_ENUM_ALL && *count < wanted) wanted = *count;
    if (m.batchLimit != 0 && m.batchLimit < wanted) wanted = m.batchLimit;
    if (wanted == 0) return ERROR_INVALID_PARAMETER;

    size_t needed = 0;
    for (size_t i = 0; i < wanted; ++i) needed += EntrySize(m.connections[next + i]);
    if (needed > *bufferSize) {
        *bufferSize = static_cast<DWORD>(needed);
        return ERROR_MORE_DATA;
    }

    // Records from the front, their texts from the back of the buffer.
    auto* records = static_cast<NETRESOURCEA*>(buffer);
    char* textEnd = static_cast<char*>(buffer) + *bufferSize;
    auto place = [&](const char* text, size_t length) {
        textEnd -= length + 1;
        std::memcpy(textEnd, text, length);
        textEnd[length] = '\0';
        return textEnd;
    };
    for (size_t i = 0; i < wanted; ++i) {
        const NetworkConnection& c = m.connections[next + i];
        NETRESOURCEA r;
        r.dwScope = RESOURCE_CONNECTED;
        r.dwType = RESOURCETYPE_DISK;
        r.dwDisplayType = RESOURCEDISPLAYTYPE_SHARE;
        r.dwUsage = RESOURCEUSAGE_CONNECTABLE;
        if (c.letter != 0) {
            const char local[3] = {c.letter, ':', '\0'};
            r.lpLocalName = place(local, 2);
        }
        r.lpRemoteName = place(c.remote.c_str(), c.remote.size());
        r.lpProvider = place(kProviderName, sizeof kProviderName - 1);
        std::memcpy(&records[i], &r, sizeof r);
    }
    next += wanted;
    *count = static_cast<DWORD>(wanted);
    return ERROR_SUCCESS;
}

DWORD WNetCloseEnum(HANDLE enumHandle) {
    Model& m = Current();
    if (m.closeFails) return ERROR_INVALID_HANDLE;
    return m.enumerations.erase(enumHandle) != 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

DWORD WNetAddConnection2A(const NETRESOURCEA* resource, const char* password, const char* userName, DWORD flags) {
    if (resource == nullptr || resource->lpRemoteName == nullptr || password != nullptr || userName != nullptr ||
        (flags & ~CONNECT_UPDATE_PROFILE) != 0)
        return ERROR_INVALID_PARAMETER;
    if (resource->dwType != RESOURCETYPE_DISK && resource->dwType != RESOURCETYPE_ANY)
        return ERROR_INVALID_PARAMETER;
    const char letter = LetterOf(resource->lpLocalName);
    if (letter == 0) return ERROR_BAD_DEVICE;
    Model& m = Current();
    const std::string remote = CanonicalRemote(resource->lpRemoteName);

    // The share must be one the network knows: connected already, or declared.
    const std::string* hostRoot = nullptr;
    for (const NetworkConnection& c : m.connections)
        if (host::SameNameIgnoringCase(c.remote, remote)) {
            hostRoot = &c.hostRoot;
            break;
        }
    if (hostRoot == nullptr)
        for (const ShareDecl& s : CurrentPlatformConfig().shares)
            if (host::SameNameIgnoringCase(CanonicalRemote(s.unc), remote)) {
                hostRoot = &s.hostRoot;
                break;
            }
    if (hostRoot == nullptr) return ERROR_BAD_NET_NAME;
    if (FindDrive(letter) != nullptr) return ERROR_ALREADY_ASSIGNED;

    NetworkConnection made;
    made.remote = remote;
    made.hostRoot = *hostRoot;
    made.letter = letter;
    DriveMapping drive;
    drive.hostRoot = made.hostRoot;
    drive.kind = DriveKind::Network;
    MapDrive(letter, drive);
    m.connections.push_back(made);
    return ERROR_SUCCESS;
}

DWORD WNetCancelConnection2A(const char* name, DWORD /*flags*/, BOOL /*force*/) {
    const char letter = LetterOf(name);
    Model& m = Current();
    for (size_t i = 0; i < m.connections.size(); ++i) {
        if (letter == 0 || m.connections[i].letter != letter) continue;
        m.connections.erase(m.connections.begin() + static_cast<std::ptrdiff_t>(i));
        // Open enumerations keep their place in the shortened list.
        for (auto& [handle, next] : m.enumerations)
            if (next > i) --next;
        UnmapDrive(letter);
        return ERROR_SUCCESS;
    }
    return ERROR_NOT_CONNECTED;
}

void SetNetworkConnections(const std::vector<ShareDecl>& shares) {
    Current();   // records the configuration in force, so that it does not win later
    g_model.connections = FromShares(shares);
    g_model.enumerations.clear();
    for (const NetworkConnection& c : g_model.connections) {
        if (c.letter == 0 || FindDrive(c.letter) != nullptr) continue;
        DriveMapping drive;
        drive.hostRoot = c.hostRoot;
        drive.kind = DriveKind::Network;
        MapDrive(c.letter, drive);
    }
}

std::vector<NetworkConnection> CurrentNetworkConnections() { return Current().connections; }

void SetNetworkBatchLimit(uint32_t limit) { g_model.batchLimit = limit; }

void SetNetworkCloseFailure(bool fail) { g_model.closeFails = fail; }

void ResetNetworkModel() {
    g_builtFrom.reset();
    g_model.batchLimit = kDefaultBatchLimit;
    g_model.closeFails = false;
    g_model.enumerations.clear();
}

}  // namespace vrn
