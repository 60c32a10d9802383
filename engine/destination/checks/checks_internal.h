// What the destination checks and the disk-space plan share among their
// files: the one place where a refusal or a question is put (to the user or
// to the installation log), the rules written once for both ways of
// putting them, and the texts of byte figures.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialogs.h"

namespace vrn {

// A refusal or question of the destination checks, built once by the rule
// that finds it.
struct CheckNotice {
    HWND owner = nullptr;
    std::string text;
    const char* title = "";
    uint32_t style = MB_OK;
    // The answer an unattended run takes: nobody is there to ask.
    int unattendedAnswer = IDOK;
};

// Where the checks put their notices. Interactive: a beep and the message
// box, whatever the mode. Unattended: one log entry "title: text" (with the
// answer taken, for a question) and the unattended answer.
struct CheckPresenter {
    bool unattended = false;

    int Present(const CheckNotice& notice) const;
    // The beep of a refused character; an unattended run makes no sound.
    void Beep() const;
    // A numbered message about `detail`; the report's result.
    int32_t Report(HWND owner, const char* detail, int32_t code) const;
};

inline constexpr CheckPresenter kInteractivePresenter{false};
inline constexpr CheckPresenter kUnattendedPresenter{true};

// Sets the batch bit for the length of an unattended check, so that every
// numbered report on the way goes to the log; the run options are put back
// afterwards.
struct UnattendedRun {
    uint32_t saved;
    UnattendedRun();
    ~UnattendedRun();
    UnattendedRun(const UnattendedRun&) = delete;
    UnattendedRun& operator=(const UnattendedRun&) = delete;
};

// "The destination device you have chosen is removable": Yes to go on; an
// unattended run answers No.
CheckNotice RemovableDriveQuestion(HWND window);

// The rules behind the interactive and the batch entry points.
int32_t RunPathnameFormat(const CheckPresenter& presenter, HWND window, const char* path);
int32_t RunPathFileName(const CheckPresenter& presenter, HWND window, const char* path, uint8_t kind,
                        bool createMissing);
int32_t RunEnteredDestination(const CheckPresenter& presenter, HWND window, char* entered, char* acceptedPath,
                              uint8_t* emptyFirst, uint8_t checkSpace, uint32_t requiredBytes);

// The tree walk of RecursiveCheckFiles with the read-only file named in full.
int32_t CheckTree(const std::string& directory, std::string& badFile, uint32_t& totalBytes);

// The characters a destination may hold (ValidCharCheck without its beep).
bool IsDestinationCharacter(uint8_t c);

// Letters (and digits) of the current locale: the byte's classification as
// an unsigned value; in a locale whose characters may take several bytes, a
// byte that is no character of its own (a lead or trail byte) is neither,
// and a code above 255 is classified as a wide character.
bool IsLocaleAlnum(int32_t c);
bool IsLocaleAlpha(int32_t c);

// The drive letter of a path in drive form ("D:..."), upper case, or 0.
char DriveLetterOf(const char* path);
bool IsUncPath(const char* path);
bool Exists(const char* path);

// True when the first device record says the medium is a CD-ROM.
bool IsCdMedium();
// The cluster-size class in force, kept within the eight that the
// component sizes hold.
int32_t ClusterClass();

// "1,234,567 bytes": a figure printed with %f or %lu, grouped by thousands.
std::string BytesText(double bytes);
std::string BytesText(uint32_t bytes);

// The shortfall text shared by the space check of an existing directory and
// the final space check: the path, the required and the available texts,
// with the available figure's label, and the ending that asks to free space
// (freeUp) or to change the destination.
std::string ShortfallText(const char* path, const std::string& required, const std::string& available,
                          const char* availableLabel, bool freeUp);

}  // namespace vrn
