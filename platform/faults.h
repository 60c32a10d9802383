// Fault injection for tests: the platform's host calls can be made to fail
// as a sick disk, a full volume or a killed process would make them fail,
// so that tests can prove what the layers above do then. Nothing is armed
// by default; while nothing is armed every host call goes straight through
// after one test of a flag.
//
// A rule strikes the Nth operation of one kind (counted from 1, on files
// whose host path holds a given text, or on all) and fails it with an errno
// value, shortens it, ends the process with SIGKILL on the spot or stops it
// until it is continued (SIGSTOP), before the operation is made. Reads and writes are the host calls behind native
// file handles and the whole-file copy (a handle's read or write may take
// several host calls); renames, removals, file creations (and openings for
// writing) and directory creations are single entries.
//
// A program whose environment holds VRN_FAULTS arms the rules it names when
// it starts (see ArmFaultsFromText), so that a test can strike a child
// process, and VRN_FAULT_COUNTS names a host file that receives the
// operations counted when the program ends.
//
// The second reader of an archive (PositionalReader) is not struck: it
// reads ahead on another thread, and anything it cannot read is read again
// by the descriptor's owner, whose reads are.
#pragma once

#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>

namespace vrn {

enum class FaultOp : uint8_t {
    Read,
    Write,
    Rename,           // a move of an entry to another name, and the last step of a whole-file copy
    Remove,           // a file or a directory removed
    Create,           // a file created or opened for writing
    MakeDirectory,
    AnyChange,        // in a rule: any operation but a read
};
inline constexpr int FAULT_OP_KINDS = 6;   // the counted kinds, Read to MakeDirectory

enum class FaultAction : uint8_t {
    Fail,     // the host call fails with `error`; EINTR is given once, as the host gives it
    Short,    // a read or write moves half its bytes (at least one) and reports that count
    Kill,     // the process ends with SIGKILL before the operation is made
    Stop,     // the process stops (SIGSTOP) before the operation, until continued
};

struct FaultRule {
    FaultOp op = FaultOp::Write;
    uint32_t nth = 1;              // the Nth matching operation strikes (1 = the first)
    FaultAction action = FaultAction::Fail;
    int error = EIO;               // errno of a failure
    std::string pathPart;          // only operations on host paths holding this text ("": any)
    bool repeat = false;           // every matching operation from the Nth on strikes, not only the Nth
};

// Arms a rule; rules are tried in the order armed, the first that strikes wins.
void ArmFault(const FaultRule& rule);
// The files of a drive take `bytes` more bytes of writes; after them the
// drive is full: a write that does not fit writes what fits, the next fails
// with ENOSPC.
void SetDriveFullAfter(char letter, uint64_t bytes);
// Told of every entry created, opened for writing, renamed (both names) or
// removed, with its host path, while it is set; null ends it.
using FileChangeObserver = void (*)(FaultOp op, const char* hostPath);
void SetFileChangeObserver(FileChangeObserver observer);
// Starts counting operations (rules and drive budgets count too).
void StartCountingFaultOperations();
// Operations of one kind (not AnyChange) counted since the last ClearFaults.
uint64_t FaultOperationCount(FaultOp op);
// Operations that a rule or a full drive has struck since the last ClearFaults.
uint32_t FaultsStruck();
// Disarms everything and resets the counts.
void ClearFaults();

// Arms the rules of a text, ';' between them. A rule is KIND#N[+]=ACTION[@TEXT]:
// KIND read, write, rename, remove, create, mkdir or change (any but a
// read); N the operation that strikes, '+' for every one from it on;
// ACTION kill, stop, short, or an errno name (EIO, ENOSPC, EINTR, EACCES, EBADF,
// ENOENT); TEXT the part of the host path to match. full:X=BYTES makes drive
// X full after BYTES. False with `error` set (nothing armed) on a mistake.
bool ArmFaultsFromText(std::string_view text, std::string& error);

}  // namespace vrn
