// Staging the archives of a medium other than a CD-ROM under the
// destination's XXARCSXX, and the record of an unfinished run.
#include <cstring>

#include "engine/archive/archive.h"
#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "frontend/run_support.h"
#include "platform/crt.h"

namespace vrn::installer {

namespace {

std::string Join(const std::string& directory, const std::string& name) {
    std::string path(directory.size() + name.size() + 4, '\0');
    FormatFileName(directory.c_str(), name.c_str(), path.data());
    path.resize(std::strlen(path.c_str()));
    return path;
}

bool Exists(const std::string& path) { return _access(path.c_str(), ACCESS_EXISTS) == 0; }

}  // namespace

std::set<std::string> ResumeRecord::Extracted(const std::string& destination) const {
    std::set<std::string> gone;
    const std::string staging = Join(destination, STAGED_ARCHIVE_DIR);
    for (const std::string& name : staged)
        if (damaged.count(name) == 0 && !Exists(Join(staging, name))) gone.insert(name);
    return gone;
}

bool ResumeRecord::Write(const std::string& destination) const {
    // Written whole to a temporary name, then put in place: a run cut short
    // leaves the old record or the new one.
    const std::string path = Join(destination, RESUME_RECORD);
    const std::string temporary = path + ".tmp";
    FILE* out = fopen(temporary.c_str(), "w");
    if (out == nullptr) return false;
    bool ok = fputs("; an installation by vinstall that has not finished; a rerun resumes it\n", out) >= 0;
    for (const std::string& name : staged) ok = ok && fprintf(out, "staged %s\n", name.c_str()) > 0;
    for (const std::string& name : damaged) ok = ok && fprintf(out, "damaged %s\n", name.c_str()) > 0;
    ok = fclose(out) == 0 && ok;
    if (!ok) {
        _unlink(temporary.c_str());
        return false;
    }
    _unlink(path.c_str());
    return _rename(temporary.c_str(), path.c_str()) == 0;
}

void ResumeRecord::Remove(const std::string& destination) { _unlink(Join(destination, RESUME_RECORD).c_str()); }

bool ReadResumeRecord(const std::string& destination, ResumeRecord& out) {
    out = ResumeRecord{};
    FILE* in = fopen(Join(destination, RESUME_RECORD).c_str(), "r");
    if (in == nullptr) return false;
    char line[512];
    while (fgets(line, sizeof line, in) != nullptr) {
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (text.rfind("staged ", 0) == 0) out.staged.insert(text.substr(7));
        else if (text.rfind("damaged ", 0) == 0) out.damaged.insert(text.substr(8));
    }
    fclose(in);
    return true;
}

bool StageArchives(const Medium& medium, const std::string& destination, const std::vector<std::string>& archives,
                   ResumeRecord& record) {
    const std::string staging = Join(destination, STAGED_ARCHIVE_DIR);
    if (!Exists(staging) && CreateDirectoryPath(staging.c_str(), 0) != 0) return false;
    for (const std::string& name : archives) {
        if (FileCopy(Join(medium.archiveDir, name).c_str(), Join(staging, name).c_str(), _O_BINARY) != 0) return false;
        record.staged.insert(name);
        record.damaged.erase(name);
        if (!record.Write(destination)) return false;
    }
    return true;
}

}  // namespace vrn::installer
