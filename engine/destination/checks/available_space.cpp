// The comparison of the space the installation needs with the space the
// destination volume has, and the shortfall report.
#include <string>

#include "engine/destination/checks/checks_internal.h"
#include "engine/destination/destination.h"
#include "engine/state/state.h"

namespace vrn {

std::string ShortfallText(const char* path, const std::string& required, const std::string& available,
                          const char* availableLabel, bool freeUp) {
    std::string text = "The Installation Utility has detected that there is NOT enough disk space to install to ";
    text += path;
    text += "\n\nRequired for Installation: " + required;
    text += "\n";
    text += availableLabel;
    text += ": " + available;
    text += freeUp ? "\n\nYou must free up disk space to continue!"
                   : "\n\nChange your destination path before continuing the installation!";
    return text;
}

int32_t AvailDiskSpace(HWND window, const char* path, double* freeSpace) {
    std::string query = path;
    const double free = GetDiskSpaceInfo(query.data());
    _availDiskSpace = free;
    *freeSpace = free;

    const uint32_t largest = FindLargestArchive(_availableProducts);
    _reqDiskSpace = CalcReqDiskSpace(_availableProducts);
    // Archives staged from media other than a CD-ROM lie on the destination
    // until they are extracted: the largest of them needs room beside the
    // installed files. 32-bit figures, as the sizes are.
    uint32_t total = _constDiskSpace + _reqDiskSpace;
    if (!IsCdMedium()) total += largest;
    _addDiskSpace = total;

    if (free >= static_cast<double>(total)) {
        *freeSpace = free - static_cast<double>(total);
        return 1;
    }
    const bool freeUp = _sameVersionAndDir != 0 || (_commandLineSwitch & SWITCH_FRONTEND_256) != 0;
    const std::string text = ShortfallText(path, BytesText(total), BytesText(free), "Available", freeUp);
    if (_commandLineSwitch & SWITCH_BATCH)
        FlushData(text.c_str());
    else
        MessageBox(window, text.c_str(), "Insufficient Disk Space", MB_OK);
    return 0;
}

}  // namespace vrn
