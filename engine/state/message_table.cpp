// The numbered message table. Each format holds exactly one %d, which
// receives the code itself. The table is searched front to back and the
// first entry with the code wins; 153 deliberately repeats the text of 108.
#include "engine/state/state.h"

namespace vrn {

const MessageEntry _messageTable[] = {
    {101, "INSTALLATION ERROR (%d): Too many command line arguments."},
    {102, "INSTALLATION ERROR (%d): Unable to create the file."},
    {103, "INSTALLATION ERROR (%d): Unable to open the file."},
    {104, "INSTALLATION ERROR (%d): Unable to close the file."},
    {105, "INSTALLATION ERROR (%d): Unable to write data."},
    {106, "INSTALLATION ERROR (%d): Unable to read data."},
    {107, "INSTALLATION ERROR (%d): Unable to set file pointer position."},
    {108, "INSTALLATION ERROR (%d): Unable to get the current file pointer position."},
    {109, "INSTALLATION ERROR (%d): Unable to acquire information on the file."},
    {110, "INSTALLATION ERROR (%d): Unable to remove the file."},
    {111, "INSTALLATION ERROR (%d): Unable to rename the file."},
    {112, "INSTALLATION ERROR (%d): Invalid filename supplied."},
    {113, "INSTALLATION ERROR (%d): File has been destroyed, processing terminated."},
    {114, "INSTALLATION ERROR (%d): File is too large, it was not modified."},
    {115, "INSTALLATION ERROR (%d): Unable to change permissions on the file."},
    {116, "INSTALLATION ERROR (%d): No filename(s) specified."},
    {117, "INSTALLATION ERROR (%d): Find first entry error."},
    {118, "INSTALLATION ERROR (%d): Find next entry error."},
    {119, "INSTALLATION ERROR (%d): Unable to make directory."},
    {120, "INSTALLATION ERROR (%d): Unable to remove directory."},
    {121, "INSTALLATION ERROR (%d): Unable to open the directory."},
    {122, "INSTALLATION ERROR (%d): Unable to change to directory."},
    {123, "INSTALLATION ERROR (%d): Invalid source drive specified."},
    {124, "INSTALLATION ERROR (%d): Unable to change to the current working drive."},
    {126, "INSTALLATION ERROR (%d): Exceeded the text limit allowed for the string."},
    {127, "INSTALLATION ERROR (%d): Volume calculation error."},
    {128, "INSTALLATION ERROR (%d): Unable to acquire the current working directory."},
    {129, "INSTALLATION ERROR (%d): Archive checksums do not match for file."},
    {130, "INSTALLATION ERROR (%d): Filename length exceeds maximum."},
    {131, "INSTALLATION ERROR (%d): You cannot install Varentis onto a removable device."},
    {132, "INSTALLATION ERROR (%d): The specified destination drive and/or path is unknown."},
    {133, "INSTALLATION ERROR (%d): Product not installed.  Unable to update product."},
    {141, "INSTALLATION ERROR (%d): Unable to create the product listings."},
    {142, "INSTALLATION ERROR (%d): Unable to create the SKU listings."},
    {143, "INSTALLATION ERROR (%d): Unable to create the component listings."},
    {144, "INSTALLATION ERROR (%d): Unable to create the subcomponent listings."},
    {145, "INSTALLATION ERROR (%d): Could not invoke the help utility."},
    {148, "INSTALLATION ERROR (%d): Out of disk space."},
    {149, "INSTALLATION ERROR (%d): Unable to read the installation table.  Call Varentis technical support."},
    {150, "INSTALLATION ERROR (%d): Unable to lock the file."},
    {151, "INSTALLATION ERROR (%d): Unable to unlock the file."},
    {152, "INSTALLATION ERROR (%d): Incorrectly formatted file name template."},
    {153, "INSTALLATION ERROR (%d): Unable to get the current file pointer position."},
    {401, "INSTALLATION ERROR (%d): Invalid drive number."},
    {601, "INSTALLATION ERROR (%d): Insufficient memory available for allocation."},
    {602, "INSTALLATION ERROR (%d): Insufficient memory available for re-allocation."},
    {700, "INSTALLATION ERROR (%d): Video display mode is not in text mode."},
    {701, "INSTALLATION WRITE PRIVATE PROFILE ERROR (%d): Unable to write to the Varentis MS-DOS initialization file."},
    {800, "INSTALLATION ERROR (%d): Menu will not fit on the display space."},
    {801, "INSTALLATION ERROR (%d): Could not save the current display image."},
    {802, "INSTALLATION ERROR (%d): Could not restore the original display image."},
    {803, "INSTALLATION ERROR (%d): Could not display the menu border."},
    {804, "INSTALLATION ERROR (%d): Could not display the menu."},
    {805, "INSTALLATION ERROR (%d): No menu items within the pull-down menu structure."},
    {806, "INSTALLATION ERROR (%d): The display dimensions are less than the allotted dimensions of 80x25."},
    {807, "INSTALLATION ERROR (%d): The help environment variable is not set."},
    {808, "INSTALLATION ERROR (%d): The help on help environment variable is not set."},
    {9000, "INSTALLATION ERROR (%d): Selection not implemented for current release."},
};

const int _messageCount = static_cast<int>(sizeof(_messageTable) / sizeof(_messageTable[0]));

const char* FindMessageFormat(int32_t code) {
    for (int i = 0; i < _messageCount; ++i) {
        if (_messageTable[i].code == code) return _messageTable[i].format;
    }
    return nullptr;
}

}  // namespace vrn
