// Drive kinds in the layer's codes, and the list of present drives.
#include "platform/native.h"
#include "runtime/files/files.h"

namespace vrn {

int32_t utGetDriveType(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return 0;
    const char root[] = {letter, ':', '\\', '\0'};
    switch (GetDriveType(root)) {
    case DRIVE_REMOVABLE:
    case DRIVE_CDROM: return 5;
    case DRIVE_FIXED: return 6;
    case DRIVE_REMOTE: return 10;
    case DRIVE_RAMDISK: return 20;
    default: return 0;
    }
}

int32_t utDriveList(char* buffer, int32_t length) {
    if (buffer == nullptr || length < 1) return 0;
    int32_t used = 0;
    int32_t position = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (utGetDriveType(letter) == 0) continue;
        // Three bytes per drive: letter, colon and a comma or the final NUL.
        used += 3;
        if (used > length) break;
        if (position > 0) buffer[position++] = ',';
        buffer[position++] = letter;
        buffer[position++] = ':';
    }
    buffer[position] = '\0';
    return 0;
}

}  // namespace vrn
