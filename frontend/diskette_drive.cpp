// The diskette drive of an interactive installation and the joining of the
// plan's archives from the diskettes, each asked for in layout order and
// checked by its volume.id.
#include <cstdio>
#include <cstring>

#include "engine/archive/archive.h"
#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "frontend/run_support.h"
#include "platform/crt.h"
#include "platform/dialogs.h"
#include "platform/drives.h"

namespace vrn::installer {

namespace {

constexpr char kInsertTitle[] = "Insert Disk";

std::string Field(const char* text, size_t width) { return std::string(text, strnlen(text, width)); }

std::string Join(const std::string& directory, const std::string& name) {
    return directory + (!directory.empty() && directory.back() == '\\' ? "" : "\\") + name;
}

}  // namespace

bool DisketteDrive::SetUp(const Medium& medium, std::string& error) {
    folders_.clear();
    if (medium.disks.size() > 1) {
        // A set of folders: a removable drive of its own holds the diskette
        // that is "in the drive", the first one to begin with.
        for (const std::string& disk : medium.disks) folders_.push_back(HostPath(disk));
        for (char letter = 'A'; letter <= 'Z' && letter_ == 0; ++letter)
            if (FindDrive(letter) == nullptr) letter_ = letter;
        if (letter_ == 0) {
            error = "no drive letter is free for the diskette drive";
            return false;
        }
        DriveMapping mapping;
        mapping.hostRoot = folders_.front();
        mapping.kind = DriveKind::Removable;
        MapDrive(letter_, mapping);
        root_ = std::string(1, letter_) + ":\\";
    } else {
        root_ = medium.root;
    }
    inserted_ = 1;
    return true;
}

void DisketteDrive::Insert() {
    if (letter_ == 0 || wanted_ < 1 || wanted_ > folders_.size()) return;
    DriveMapping mapping;
    mapping.hostRoot = folders_[wanted_ - 1];
    mapping.kind = DriveKind::Removable;
    MapDrive(letter_, mapping);
    inserted_ = wanted_;
}

int32_t DisketteDrive::Fetch(uint32_t disk, const std::string& label) {
    Want(disk);
    std::string caution;
    // The diskette may be in the drive already; else it is asked for.
    bool ask = true;
    if (_access(Join(root_, "volume.id").c_str(), ACCESS_EXISTS) == 0) {
        VolumeHeader header{};
        if (ReadVolumeIDFile(root_.c_str(), &header, 0, label.c_str(), static_cast<int32_t>(disk)) == 0 &&
            Field(header.diskName, sizeof header.diskName) == label && header.diskNumber == disk)
            return 0;
    }
    for (;;) {
        if (ask) {
            char text[200];
            std::snprintf(text, sizeof text, "Insert the following disk:\n\nDisk Name: %s\nDisk Number: %u",
                          label.c_str(), disk);
            const std::string prompt = text + caution;
            if (MessageBox(_installWnd, prompt.c_str(), kInsertTitle, MB_OKCANCEL) != IDOK) {
                if (ConfirmQuit() == 1) return RESULT_STOP;
                continue;
            }
        }
        VolumeHeader header{};
        if (const int32_t read = ReadVolumeIDFile(root_.c_str(), &header, 0, label.c_str(), static_cast<int32_t>(disk));
            read != 0)
            return read;
        const std::string found = Field(header.diskName, sizeof header.diskName);
        if (found == label && header.diskNumber == disk) return 0;
        MessageBeep(MB_BEEP_DEFAULT);
        char text[200];
        std::snprintf(text, sizeof text,
                      "\n\n** CAUTION **\nIncorrect Disk Number in the Drive\nThe diskette that is currently in the "
                      "drive is...\n%s Disk #%u",
                      found.c_str(), header.diskNumber);
        caution = text;
        ask = true;
    }
}

int JoinFromDiskettes(DisketteDrive& drive, const DisketteLayout& layout, const std::vector<std::string>& archives,
                      const std::string& destination, ResumeRecord& record, std::string& failure,
                      const std::function<void(const DisketteRun&)>& onRun) {
    const std::string staging = Join(destination, STAGED_ARCHIVE_DIR);
    if (_access(staging.c_str(), ACCESS_EXISTS) != 0 && CreateDirectoryPath(staging.c_str(), 0) != 0)
        return EXIT_FAILED;
    const std::set<std::string> wanted(archives.begin(), archives.end());
    for (const std::string& name : archives) {
        std::string problem;
        layout.RunsOf(name, problem);
        if (!problem.empty()) {
            failure = "The archive " + name + " cannot be joined from the diskettes: " + problem;
            FlushData(failure.c_str());
            return EXIT_FAILED;
        }
    }
    // Each archive is begun by its first run and grows run by run, diskette
    // by diskette in the order of the layout.
    std::map<std::string, uint32_t> joined;
    for (const uint32_t disk : layout.DisksFor(wanted)) {
        const auto label = layout.labels.find(disk);
        const int32_t fetched = drive.Fetch(disk, label == layout.labels.end() ? std::string() : label->second);
        if (fetched == RESULT_STOP) return EXIT_CANCELLED;
        if (fetched != 0) return EXIT_FAILED;
        for (const DisketteRun& run : layout.runs) {
            if (run.disk != disk || wanted.count(run.archive) == 0) continue;
            if (onRun) onRun(run);
            const std::string target = Join(staging, run.archive);
            const uint32_t have = joined[run.archive];
            if (run.offset != have) {
                failure = "The archive " + run.archive + " cannot be joined from the diskettes: its run at offset " +
                          std::to_string(run.offset) + " on disk " + std::to_string(disk) + " comes out of order";
                FlushData(failure.c_str());
                return EXIT_FAILED;
            }
            const int out = _open(target.c_str(), _O_WRONLY | _O_BINARY | _O_CREAT | (have == 0 ? _O_TRUNC : _O_APPEND),
                                  _S_IREAD | _S_IWRITE);
            if (out < 0) {
                failure = "cannot write " + target;
                FlushData(failure.c_str());
                return EXIT_FAILED;
            }
            std::string error;
            const bool appended = AppendRun(Join(drive.Root(), run.archive), run.length, out, error);
            _close(out);
            if (!appended) {
                failure = "The archive " + run.archive + " cannot be joined from disk " + std::to_string(disk) + ": " + error;
                FlushData(failure.c_str());
                return EXIT_FAILED;
            }
            joined[run.archive] = have + run.length;
        }
    }
    for (const std::string& name : archives) {
        record.staged.insert(name);
        record.damaged.erase(name);
    }
    if (!record.Write(destination)) {
        failure = "cannot write " + Join(destination, RESUME_RECORD);
        FlushData(failure.c_str());
        return EXIT_FAILED;
    }
    return EXIT_INSTALLED;
}

}  // namespace vrn::installer
