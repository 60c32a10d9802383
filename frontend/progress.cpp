// The progress of an extraction, member by member: a bar by bytes on a
// terminal, a line per archive otherwise, nothing when quiet.
#include <chrono>
#include <cstdio>
#include <cstring>

#include "engine/archive/archive.h"
#include "frontend/run_support.h"
#include "platform/system.h"

namespace vrn::installer {

namespace {

Progress* g_active = nullptr;

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// An archive's name from the path the explosion opened it by.
std::string BaseName(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

void Hook(const char* archivePath, const ArchiveFileHeader* header) {
    if (g_active != nullptr) g_active->MemberDone(archivePath, header->fileName, header->fileSize);
}

std::string Megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

}  // namespace

Progress::Progress(const std::vector<ArchiveSummary>& archives, ProgressStyle style, bool quiet)
    : style_(style), quiet_(quiet) {
    for (const ArchiveSummary& a : archives) {
        total_ += a.bytes;
        bytesOf_[a.name] = a.bytes;
    }
    startMs_ = NowMs();
    g_active = this;
    _memberDoneHook = Hook;
}

Progress::~Progress() {
    Finish();
    g_active = nullptr;
    _memberDoneHook = nullptr;
}

void Progress::MemberDone(const char* archivePath, const char* member, uint32_t bytes) {
    const std::string name = BaseName(archivePath);
    if (name != current_) {
        if (!current_.empty()) ArchiveLine(current_);
        current_ = name;
    }
    ++done_[name];
    member_ = member;
    bytes_ += bytes;
    Draw(false);
    if (onMember) onMember(*this);
}

uint32_t Progress::MembersDone(const std::string& archive) const {
    const auto it = done_.find(BaseName(archive));
    return it == done_.end() ? 0 : it->second;
}

void Progress::ArchiveLine(const std::string& name) {
    if (quiet_ || style_ != ProgressStyle::Lines) return;
    const auto bytes = bytesOf_.find(name);
    char line[400];
    std::snprintf(line, sizeof line, "extracted %s: %u members, %s\n", name.c_str(), done_[name],
                  Megabytes(bytes == bytesOf_.end() ? 0.0 : static_cast<double>(bytes->second)).c_str());
    ConsoleWrite(line);
}

void Progress::Draw(bool final) {
    if (quiet_ || style_ != ProgressStyle::Bar) return;
    const int64_t now = NowMs();
    if (!final && now - lastDrawMs_ < 100) return;
    lastDrawMs_ = now;
    const double fraction = total_ == 0 ? 1.0 : static_cast<double>(bytes_) / static_cast<double>(total_);
    const int width = 20;
    const int filled = static_cast<int>(fraction * width + 0.5);
    const double seconds = static_cast<double>(now - startMs_) / 1000.0;
    const double rate = seconds > 0 ? static_cast<double>(bytes_) / seconds : 0.0;
    std::string shown = current_ + " " + member_;
    if (shown.size() > 36) shown = "..." + shown.substr(shown.size() - 33);
    char line[160];
    std::snprintf(line, sizeof line, "\r%3d%% [%-*s] %-36s %9s/s", static_cast<int>(fraction * 100 + 0.5), width,
                  std::string(static_cast<size_t>(filled), '#').c_str(), shown.c_str(), Megabytes(rate).c_str());
    ConsoleWrite(line);
    if (final) ConsoleWrite("\n");
}

void Progress::Finish() {
    if (finished_) return;
    finished_ = true;
    if (!current_.empty()) ArchiveLine(current_);
    if (!done_.empty()) Draw(true);
}

}  // namespace vrn::installer
