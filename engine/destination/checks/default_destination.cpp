// The destination proposed before the user types one: the drive of an
// earlier suggestion when it has room, else the first fixed or network drive
// with room for the whole installation, with the product family's default
// directory name.
#include <cstring>
#include <string>

#include "engine/destination/checks/checks_internal.h"
#include "engine/destination/destination.h"
#include "engine/state/state.h"

namespace vrn {

namespace {

const char* DefaultName() {
    if (_InstallQZDE) return "QZQZ";
    if (_InstallQZRT) return "QZRT";
    return "RUD";
}

std::string RootOf(char letter) { return std::string{letter, ':', '\\'}; }

bool IsProposable(int32_t driveClass) { return driveClass == DRIVE_CLASS_FIXED || driveClass == DRIVE_CLASS_NETWORK; }

// The root joined with the default name when nothing stands in its way.
bool TryRoot(const std::string& root, char* defaultPath) {
    const std::string candidate = root + DefaultName();
    char badPart[DESTINATION_PATH_MAX + 1];
    if (InvalidDirName(candidate.c_str(), badPart) != 0) return false;
    std::memcpy(defaultPath, candidate.c_str(), candidate.size() + 1);
    return true;
}

// The free bytes of a drive's volume; sets the cluster-size class.
double FreeSpaceOf(const std::string& root) {
    std::string query = root;
    return GetDiskSpaceInfo(query.data());
}

}  // namespace

int32_t AcquireDefaultDestination(const char* suggestion, char* defaultPath, uint32_t requiredBytes) {
    // The suggestion's drive is weighed against requiredBytes alone; a drive
    // that is not there has no room and is not asked.
    if (const char letter = DriveLetterOf(suggestion); letter != 0 && FindDriveType(letter - 'A' + 1) != 0) {
        const std::string root = RootOf(letter);
        if (static_cast<double>(requiredBytes) < FreeSpaceOf(root) && TryRoot(root, defaultPath)) return 0;
    }

    char fallback = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (!IsProposable(FindDriveType(letter - 'A' + 1) & 7)) continue;
        if (fallback == 0) fallback = letter;
        const std::string root = RootOf(letter);
        const double free = FreeSpaceOf(root);
        // The installation's total on this drive's cluster size, as the final
        // space check will count it.
        uint32_t total = _constDiskSpace + CalcReqDiskSpace(_availableProducts);
        if (!IsCdMedium()) total += FindLargestArchive(_availableProducts);
        if (static_cast<double>(total) < free && TryRoot(root, defaultPath)) return 0;
    }

    // No drive has room: the first proposable one, or C: when there is none.
    const std::string proposal = RootOf(fallback != 0 ? fallback : 'C') + DefaultName();
    std::memcpy(defaultPath, proposal.c_str(), proposal.size() + 1);
    return 0;
}

}  // namespace vrn
