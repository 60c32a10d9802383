// Multi-line labels: a single '!' ends a line, '!!' stands for a literal '!'.
#include <cstring>

#include "runtime/strings/stepping.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace stepping;

namespace {

// One step through a label: the bytes of the next element and whether it is
// a line break. A doubled '!' is one element of two bytes.
struct LabelStep {
    int32_t bytes;
    bool lineBreak;
};

LabelStep NextStep(const char* p) {
    if (*p == '!') {
        if (p[1] == '!') return {2, false};
        return {1, true};
    }
    return {CharSize(p), false};
}

}  // namespace

int32_t nlablen(const char* line, int32_t stopAtBreak) {
    int32_t length = 0;
    while (*line != '\0') {
        LabelStep step = NextStep(line);
        if (step.lineBreak && stopAtBreak != 0) break;
        ++length;
        line += step.bytes;
    }
    return length;
}

int32_t labcopy(char* destination, const char* line, int32_t stopAtBreak) {
    int32_t written = 0;
    while (*line != '\0') {
        LabelStep step = NextStep(line);
        if (step.lineBreak && stopAtBreak != 0) break;
        if (*line == '!') {
            *destination++ = '!';
        } else {
            std::memcpy(destination, line, static_cast<size_t>(step.bytes));
            destination += step.bytes;
        }
        ++written;
        line += step.bytes;
    }
    return written;
}

int32_t labwidth(const char* label) {
    int32_t widest = 0;
    int32_t current = 0;
    while (*label != '\0') {
        LabelStep step = NextStep(label);
        if (step.lineBreak) {
            current = 0;
        } else if (++current > widest) {
            widest = current;
        }
        label += step.bytes;
    }
    return widest;
}

int32_t labdepth(const char* label) {
    int32_t depth = 1;
    while (*label != '\0') {
        LabelStep step = NextStep(label);
        if (step.lineBreak) ++depth;
        label += step.bytes;
    }
    return depth;
}

const char* nthlab(const char* label, int32_t n) {
    if (n < 1) return nullptr;
    int32_t line = 1;
    while (line < n && *label != '\0') {
        LabelStep step = NextStep(label);
        if (step.lineBreak) ++line;
        label += step.bytes;
    }
    if (line < n || *label == '\0') return nullptr;
    return label;
}

}  // namespace vrn
