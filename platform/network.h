// The network provider: the connected network disk resources, their
// enumeration, and the adding and cancelling of a connection under a local
// drive letter.
//
// The connections start from the shares of the configuration in force
// (CurrentPlatformConfig().shares): each declared share is connected, under
// its letter when it has one, without a local name otherwise. The model
// follows the configuration whenever its shares change; SetNetworkConnections
// replaces the list directly until then. A connection made under a letter is
// also a network drive of the drive map (MapDrive) until it is cancelled.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/native.h"

namespace vrn {

// Scopes, types, display types and usages of a network resource.
inline constexpr DWORD RESOURCE_CONNECTED = 0x00000001;
inline constexpr DWORD RESOURCE_GLOBALNET = 0x00000002;
inline constexpr DWORD RESOURCE_REMEMBERED = 0x00000003;
inline constexpr DWORD RESOURCETYPE_ANY = 0x00000000;
inline constexpr DWORD RESOURCETYPE_DISK = 0x00000001;
inline constexpr DWORD RESOURCETYPE_PRINT = 0x00000002;
inline constexpr DWORD RESOURCEDISPLAYTYPE_SHARE = 0x00000003;
inline constexpr DWORD RESOURCEUSAGE_CONNECTABLE = 0x00000001;
inline constexpr DWORD CONNECT_UPDATE_PROFILE = 0x00000001;

// Error codes of the provider beyond those of native.h.
inline constexpr DWORD ERROR_ALREADY_ASSIGNED = 85;
inline constexpr DWORD ERROR_BAD_DEVICE = 1200;
inline constexpr DWORD ERROR_NO_NETWORK = 1222;

// Count asking the enumeration for as many entries as fit.
inline constexpr DWORD NET_ENUM_ALL = 0xFFFFFFFFu;

// A network resource record. In an enumeration buffer the records come first
// and the texts they point to are packed behind them, inside the buffer.
struct NETRESOURCEA {
    DWORD dwScope = 0;
    DWORD dwType = 0;
    DWORD dwDisplayType = 0;
    DWORD dwUsage = 0;
    char* lpLocalName = nullptr;    // "F:", or null when not connected to a letter
    char* lpRemoteName = nullptr;   // "\\srv\share"
    char* lpComment = nullptr;
    char* lpProvider = nullptr;
};

// Opens an enumeration. Only the connected scope is served, of type any or
// disk, with no starting container: ERROR_SUCCESS, or ERROR_NOT_SUPPORTED /
// ERROR_INVALID_PARAMETER.
DWORD WNetOpenEnumA(DWORD scope, DWORD type, DWORD usage, const NETRESOURCEA* container, HANDLE* enumHandle);
// Hands out the next batch of entries. *count asks for at most that many
// (NET_ENUM_ALL: as many as the provider gives); the provider gives at most
// its batch limit at a time, and a batch only whole: when the buffer cannot
// hold it, ERROR_MORE_DATA with *bufferSize set to the bytes it needs.
// ERROR_NO_MORE_ITEMS at the end. The enumeration is live: a connection
// made while it is open is handed out at its end.
DWORD WNetEnumResourceA(HANDLE enumHandle, DWORD* count, void* buffer, DWORD* bufferSize);
DWORD WNetCloseEnum(HANDLE enumHandle);

// Connects the remote name of `resource` under its local name ("G:").
// Password and user must be null; flags 0 or CONNECT_UPDATE_PROFILE.
// ERROR_BAD_NET_NAME for a share that is not declared, ERROR_ALREADY_ASSIGNED
// for a letter that is a drive already, ERROR_BAD_DEVICE for a bad local name.
DWORD WNetAddConnection2A(const NETRESOURCEA* resource, const char* password, const char* userName, DWORD flags);
// Cancels the connection under a local name ("G:") and unmaps that drive.
// ERROR_NOT_CONNECTED when no connection has that name.
DWORD WNetCancelConnection2A(const char* name, DWORD flags, BOOL force);

// ---- Model control ------------------------------------------------------

// One connection of the model.
struct NetworkConnection {
    std::string remote;     // "\\srv\share"
    std::string hostRoot;   // where the share's files are on the host
    char letter = 0;        // local drive letter, 0 when none
};

// Replaces the connection list; connections with a letter are mapped as
// network drives unless the letter is a drive already.
void SetNetworkConnections(const std::vector<ShareDecl>& shares);
std::vector<NetworkConnection> CurrentNetworkConnections();
// Entries handed out per enumeration call at most (0: no limit). Default 8.
void SetNetworkBatchLimit(uint32_t limit);
// Makes WNetCloseEnum fail (ERROR_INVALID_HANDLE) while set.
void SetNetworkCloseFailure(bool fail);
// The model follows the configuration again, with the default batch limit.
void ResetNetworkModel();

}  // namespace vrn
