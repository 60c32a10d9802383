// The armed faults, the counts of the operations they watch, and the host
// calls they strike.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/posix/fault_hooks.h"
#include "platform/faults.h"

namespace vrn {

namespace host {
bool g_faultsArmed = false;
}  // namespace host

namespace {

struct ArmedRule {
    FaultRule rule;
    uint32_t seen = 0;
    bool spent = false;   // an EINTR rule that has struck
};

struct FaultState {
    std::vector<ArmedRule> rules;
    std::array<std::optional<uint64_t>, 26> budgets;
    FileChangeObserver observer = nullptr;
    bool counting = false;
    std::array<uint64_t, FAULT_OP_KINDS> counts{};
    uint32_t struck = 0;
};

FaultState& State() {
    static FaultState state;
    return state;
}

void UpdateArmed() {
    const FaultState& s = State();
    host::g_faultsArmed = !s.rules.empty() || s.observer != nullptr || s.counting ||
                          std::any_of(s.budgets.begin(), s.budgets.end(), [](const auto& b) { return b.has_value(); });
}

bool KindMatches(FaultOp ruleOp, FaultOp op) {
    return ruleOp == op || (ruleOp == FaultOp::AnyChange && op != FaultOp::Read);
}

bool PathMatches(const std::string& part, const std::string& a, const std::string& b) {
    return part.empty() || a.find(part) != std::string::npos || (!b.empty() && b.find(part) != std::string::npos);
}

[[noreturn]] void KillNow() {
    ::kill(::getpid(), SIGKILL);
    ::_exit(128 + SIGKILL);   // not reached
}

// Counts the operation and returns the rule that strikes it, if any. Every
// matching rule counts it, so that each rule's N stays its own.
const FaultRule* Strike(FaultOp op, const std::string& a, const std::string& b) {
    FaultState& s = State();
    ++s.counts[static_cast<size_t>(op)];
    const FaultRule* striking = nullptr;
    for (ArmedRule& armed : s.rules) {
        const FaultRule& r = armed.rule;
        if (!KindMatches(r.op, op) || !PathMatches(r.pathPart, a, b)) continue;
        ++armed.seen;
        const bool repeats = r.repeat && !(r.action == FaultAction::Fail && r.error == EINTR);
        if (armed.spent || !(armed.seen == r.nth || (repeats && armed.seen > r.nth))) continue;
        if (r.action == FaultAction::Fail && r.error == EINTR) armed.spent = true;
        if (striking == nullptr) striking = &r;
    }
    if (striking != nullptr) {
        ++s.struck;
        if (striking->action == FaultAction::Kill) KillNow();
        if (striking->action == FaultAction::Stop) {
            ::kill(::getpid(), SIGSTOP);
            return nullptr;   // continued: the operation goes on
        }
    }
    return striking;
}

std::optional<uint64_t>* BudgetOf(char drive) {
    if (drive >= 'a' && drive <= 'z') drive = static_cast<char>(drive - 'a' + 'A');
    if (drive < 'A' || drive > 'Z') return nullptr;
    std::optional<uint64_t>& budget = State().budgets[static_cast<size_t>(drive - 'A')];
    return budget.has_value() ? &budget : nullptr;
}

}  // namespace

namespace host {

ssize_t StruckRead(int fd, void* buffer, size_t count, const std::string& hostPath) {
    if (const FaultRule* r = Strike(FaultOp::Read, hostPath, {})) {
        if (r->action == FaultAction::Fail) {
            errno = r->error;
            return -1;
        }
        if (count > 1) count /= 2;
    }
    return ::read(fd, buffer, count);
}

ssize_t StruckWrite(int fd, const void* buffer, size_t count, const std::string& hostPath, char drive) {
    if (const FaultRule* r = Strike(FaultOp::Write, hostPath, {})) {
        if (r->action == FaultAction::Fail) {
            errno = r->error;
            return -1;
        }
        if (count > 1) count /= 2;
    }
    std::optional<uint64_t>* budget = BudgetOf(drive);
    if (budget == nullptr) return ::write(fd, buffer, count);
    if (**budget == 0) {
        ++State().struck;
        errno = ENOSPC;
        return -1;
    }
    const size_t fits = static_cast<size_t>(std::min<uint64_t>(count, **budget));
    const ssize_t n = ::write(fd, buffer, fits);
    if (n > 0) **budget -= static_cast<uint64_t>(n);
    return n;
}

bool StruckChange(FaultOp op, const std::string& hostPath, const std::string& otherPath) {
    if (FileChangeObserver observer = State().observer) {
        observer(op, hostPath.c_str());
        if (!otherPath.empty()) observer(op, otherPath.c_str());
    }
    const FaultRule* r = Strike(op, hostPath, otherPath);
    if (r == nullptr || r->action != FaultAction::Fail) return false;
    errno = r->error;
    return true;
}

}  // namespace host

void ArmFault(const FaultRule& rule) {
    State().rules.push_back(ArmedRule{rule});
    UpdateArmed();
}

void SetDriveFullAfter(char letter, uint64_t bytes) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return;
    State().budgets[static_cast<size_t>(letter - 'A')] = bytes;
    UpdateArmed();
}

void SetFileChangeObserver(FileChangeObserver observer) {
    State().observer = observer;
    UpdateArmed();
}

void StartCountingFaultOperations() {
    State().counting = true;
    UpdateArmed();
}

uint64_t FaultOperationCount(FaultOp op) {
    const size_t i = static_cast<size_t>(op);
    return i < FAULT_OP_KINDS ? State().counts[i] : 0;
}

uint32_t FaultsStruck() { return State().struck; }

void ClearFaults() {
    State() = FaultState{};
    UpdateArmed();
}

namespace {

bool ParseKind(std::string_view text, FaultOp& op) {
    static constexpr std::pair<std::string_view, FaultOp> kKinds[] = {
        {"read", FaultOp::Read},     {"write", FaultOp::Write},        {"rename", FaultOp::Rename},
        {"remove", FaultOp::Remove}, {"create", FaultOp::Create},      {"mkdir", FaultOp::MakeDirectory},
        {"change", FaultOp::AnyChange},
    };
    for (const auto& [name, kind] : kKinds)
        if (text == name) {
            op = kind;
            return true;
        }
    return false;
}

bool ParseAction(std::string_view text, FaultRule& rule) {
    static constexpr std::pair<std::string_view, int> kErrors[] = {
        {"EIO", EIO}, {"ENOSPC", ENOSPC}, {"EINTR", EINTR}, {"EACCES", EACCES}, {"EBADF", EBADF}, {"ENOENT", ENOENT},
    };
    if (text == "kill") {
        rule.action = FaultAction::Kill;
        return true;
    }
    if (text == "stop") {
        rule.action = FaultAction::Stop;
        return true;
    }
    if (text == "short") {
        rule.action = FaultAction::Short;
        return true;
    }
    for (const auto& [name, value] : kErrors)
        if (text == name) {
            rule.action = FaultAction::Fail;
            rule.error = value;
            return true;
        }
    return false;
}

bool ParseNumber(std::string_view text, uint64_t& out) {
    if (text.empty() || text.size() > 19) return false;
    out = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

// One rule of the text; false when it is not of the form.
bool ParseOne(std::string_view item, std::vector<FaultRule>& rules, std::vector<std::pair<char, uint64_t>>& full) {
    if (item.substr(0, 5) == "full:") {
        const size_t eq = item.find('=');
        uint64_t bytes = 0;
        if (eq != 6 || !ParseNumber(item.substr(eq + 1), bytes)) return false;
        full.emplace_back(item[5], bytes);
        return true;
    }
    FaultRule rule;
    const size_t hash = item.find('#');
    const size_t eq = item.find('=');
    if (hash == std::string_view::npos || eq == std::string_view::npos || eq < hash) return false;
    if (!ParseKind(item.substr(0, hash), rule.op)) return false;
    std::string_view count = item.substr(hash + 1, eq - hash - 1);
    if (!count.empty() && count.back() == '+') {
        rule.repeat = true;
        count.remove_suffix(1);
    }
    uint64_t nth = 0;
    if (!ParseNumber(count, nth) || nth == 0 || nth > UINT32_MAX) return false;
    rule.nth = static_cast<uint32_t>(nth);
    std::string_view action = item.substr(eq + 1);
    if (const size_t at = action.find('@'); at != std::string_view::npos) {
        rule.pathPart = std::string(action.substr(at + 1));
        action = action.substr(0, at);
    }
    if (!ParseAction(action, rule)) return false;
    rules.push_back(std::move(rule));
    return true;
}

// What VRN_FAULTS and VRN_FAULT_COUNTS ask of a program, done as it starts.
void WriteCountsAtExit();
const char* g_countsFile = nullptr;

struct FaultsFromEnvironment {
    FaultsFromEnvironment() {
        if (const char* text = std::getenv("VRN_FAULTS"); text != nullptr && *text != '\0') {
            std::string error;
            if (!ArmFaultsFromText(text, error)) {
                std::fprintf(stderr, "VRN_FAULTS: %s\n", error.c_str());
                std::_Exit(2);
            }
        }
        if (const char* file = std::getenv("VRN_FAULT_COUNTS"); file != nullptr && *file != '\0') {
            g_countsFile = file;
            StartCountingFaultOperations();
            std::atexit(WriteCountsAtExit);
        }
    }
};
const FaultsFromEnvironment g_fromEnvironment;

void WriteCountsAtExit() {
    std::FILE* out = std::fopen(g_countsFile, "w");
    if (out == nullptr) return;
    static constexpr const char* kNames[FAULT_OP_KINDS] = {"read", "write", "rename", "remove", "create", "mkdir"};
    for (int i = 0; i < FAULT_OP_KINDS; ++i)
        std::fprintf(out, "%s %llu\n", kNames[i], static_cast<unsigned long long>(State().counts[i]));
    std::fclose(out);
}

}  // namespace

bool ArmFaultsFromText(std::string_view text, std::string& error) {
    std::vector<FaultRule> rules;
    std::vector<std::pair<char, uint64_t>> full;
    while (!text.empty()) {
        const size_t cut = text.find(';');
        const std::string_view item = text.substr(0, cut);
        if (!item.empty() && !ParseOne(item, rules, full)) {
            error = "not a fault: " + std::string(item);
            return false;
        }
        if (cut == std::string_view::npos) break;
        text.remove_prefix(cut + 1);
    }
    for (const FaultRule& r : rules) ArmFault(r);
    for (const auto& [letter, bytes] : full) SetDriveFullAfter(letter, bytes);
    return true;
}

}  // namespace vrn
