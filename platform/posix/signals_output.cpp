// Signal-safe services for writing a crash report: the trace file, the
// debugger output, formatting, the local time and the system's message
// texts. Nothing here allocates, locks or uses the standard streams.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/signals.h"

namespace vrn {

namespace {

// Offset of local time from UTC, taken when the filter is installed.
long g_utcOffsetSeconds = 0;

size_t Length(const char* s) {
    size_t n = 0;
    while (s[n] != '\0') ++n;
    return n;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Output of one formatting run, cut at the limit.
struct Sink {
    char* out;
    size_t used = 0;
    size_t limit;
    void Put(char c) {
        if (used < limit) out[used++] = c;
    }
    void Put(const char* s, size_t n) {
        for (size_t i = 0; i < n; ++i) Put(s[i]);
    }
};

void PutField(Sink& sink, const char* text, size_t n, int width, bool left, char pad) {
    const size_t w = width > 0 ? static_cast<size_t>(width) : 0;
    if (!left) {
        // Zero padding goes after a sign.
        if (pad == '0' && n > 0 && text[0] == '-') {
            sink.Put('-');
            ++text;
            --n;
            for (size_t i = n + 1; i < w; ++i) sink.Put('0');
            sink.Put(text, n);
            return;
        }
        for (size_t i = n; i < w; ++i) sink.Put(pad);
    }
    sink.Put(text, n);
    if (left) {
        for (size_t i = n; i < w; ++i) sink.Put(' ');
    }
}

size_t Digits(uint64_t value, unsigned base, bool upper, char* out) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[24];
    size_t n = 0;
    do {
        reversed[n++] = digits[value % base];
        value /= base;
    } while (value != 0);
    for (size_t i = 0; i < n; ++i) out[i] = reversed[n - 1 - i];
    return n;
}

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void TwoDigits(int v, char* out, char lead) {
    out[0] = v >= 10 ? static_cast<char>('0' + v / 10) : lead;
    out[1] = static_cast<char>('0' + v % 10);
}

struct SystemMessage {
    DWORD code;
    const char* text;
};
// Texts of the host's status codes that have no name of their own in a
// crash report.
constexpr SystemMessage kSystemMessages[] = {
    {EXCEPTION_ABNORMAL_TERMINATION, "The application ended itself abnormally (abort)."},
};

}  // namespace

void CaptureLocalTimeOffset() {
    const time_t now = ::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) != nullptr) g_utcOffsetSeconds = local.tm_gmtoff;
}

HANDLE OpenTraceFile(const char* fileName) {
    int fd = ::open(fileName, O_WRONLY | O_CREAT | O_SYNC | O_CLOEXEC, 0600);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    if (fd <= 2) {
        // Keep the standard descriptors' numbers free of a trace file.
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ::close(fd);
        if (moved < 0) return INVALID_HANDLE_VALUE;
        fd = moved;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return static_cast<HANDLE>(fd);
}

bool SeekTraceFileEnd(HANDLE file) { return ::lseek(static_cast<int>(file), 0, SEEK_END) >= 0; }

bool WriteTraceFile(HANDLE file, const char* data, size_t size) {
    return WriteAll(static_cast<int>(file), data, size);
}

void CloseTraceFile(HANDLE file) { ::close(static_cast<int>(file)); }

void OutputDebugStringA(const char* text) {
    const size_t n = Length(text);
    WriteAll(2, text, n);
    if (n == 0 || text[n - 1] != '\n') WriteAll(2, "\n", 1);
}

int wvsprintfA(char* buffer, const char* format, va_list arguments) {
    constexpr size_t kLimit = 1024;
    Sink sink{buffer, 0, kLimit};
    va_list args;
    va_copy(args, arguments);
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            sink.Put(*p);
            continue;
        }
        ++p;
        bool left = false;
        char pad = ' ';
        for (;; ++p) {
            if (*p == '-') left = true;
            else if (*p == '0') pad = '0';
            else break;
        }
        int width = 0;
        if (*p == '*') {
            width = va_arg(args, int);
            ++p;
        } else {
            while (*p >= '0' && *p <= '9') width = width * 10 + (*p++ - '0');
        }
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = 0;
            while (*p >= '0' && *p <= '9') precision = precision * 10 + (*p++ - '0');
        }
        int size = 0;   // 0 int, 1 64-bit
        bool shortSize = false;
        if (*p == 'h') {
            shortSize = true;
            ++p;
        } else if (*p == 'l') {
            ++p;
            if (*p == 'l') {
                size = 1;
                ++p;
            }
        } else if (*p == 'z') {
            size = 1;
            ++p;
        } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
            size = 1;
            p += 3;
        }
        if (left) pad = ' ';
        char digits[24];
        switch (*p) {
            case 'd':
            case 'i': {
                int64_t v = size == 1 ? va_arg(args, int64_t) : va_arg(args, int);
                if (shortSize) v = static_cast<int16_t>(v);
                char text[26];
                size_t n = 0;
                if (v < 0) text[n++] = '-';
                const uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
                n += Digits(magnitude, 10, false, text + n);
                PutField(sink, text, n, width, left, pad);
                break;
            }
            case 'u':
            case 'x':
            case 'X': {
                uint64_t v = size == 1 ? va_arg(args, uint64_t) : va_arg(args, unsigned);
                if (shortSize) v = static_cast<uint16_t>(v);
                const size_t n = Digits(v, *p == 'u' ? 10 : 16, *p == 'X', digits);
                PutField(sink, digits, n, width, left, pad);
                break;
            }
            case 'p': {
                const auto v = reinterpret_cast<uintptr_t>(va_arg(args, void*));
                const size_t n = Digits(v, 16, true, digits);
                PutField(sink, digits, n, width > 0 ? width : 16, left, '0');
                break;
            }
            case 'c': {
                const char c = static_cast<char>(va_arg(args, int));
                PutField(sink, &c, 1, width, left, ' ');
                break;
            }
            case 's': {
                const char* s = va_arg(args, const char*);
                if (s == nullptr) s = "(null)";
                size_t n = Length(s);
                if (precision >= 0 && static_cast<size_t>(precision) < n) n = static_cast<size_t>(precision);
                PutField(sink, s, n, width, left, ' ');
                break;
            }
            case '%':
                sink.Put('%');
                break;
            case '\0':
                --p;   // a lone '%' at the end
                break;
            default:
                // Not a conversion: the character stands for itself.
                sink.Put(*p);
                break;
        }
    }
    va_end(args);
    buffer[sink.used] = '\0';
    return static_cast<int>(sink.used);
}

int wsprintfA(char* buffer, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = wvsprintfA(buffer, format, args);
    va_end(args);
    return n;
}

void SignalSafeLocalTime(std::tm& out) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const int64_t t = static_cast<int64_t>(now.tv_sec) + g_utcOffsetSeconds;
    int64_t days = t / 86400;
    int64_t seconds = t % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    out = std::tm{};
    out.tm_hour = static_cast<int>(seconds / 3600);
    out.tm_min = static_cast<int>(seconds % 3600 / 60);
    out.tm_sec = static_cast<int>(seconds % 60);
    out.tm_wday = static_cast<int>(((days % 7) + 11) % 7);   // 1970-01-01 was a Thursday
    // Civil date from the day count (days since 1970-01-01).
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    out.tm_mday = static_cast<int>(day);
    out.tm_mon = static_cast<int>(month - 1);
    out.tm_year = static_cast<int>(year - 1900);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static constexpr int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    out.tm_yday = kBefore[month - 1] + static_cast<int>(day) - 1 + (leap && month > 2 ? 1 : 0);
    out.tm_isdst = -1;
}

void SignalSafeAscTime(const std::tm& tm, char out[26]) {
    // "Www Mmm dd hh:mm:ss yyyy\n"
    const char* day = kDays[((tm.tm_wday % 7) + 7) % 7];
    const char* month = kMonths[((tm.tm_mon % 12) + 12) % 12];
    std::memcpy(out, day, 3);
    out[3] = ' ';
    std::memcpy(out + 4, month, 3);
    out[7] = ' ';
    TwoDigits(tm.tm_mday, out + 8, ' ');
    out[10] = ' ';
    TwoDigits(tm.tm_hour, out + 11, '0');
    out[13] = ':';
    TwoDigits(tm.tm_min, out + 14, '0');
    out[16] = ':';
    TwoDigits(tm.tm_sec, out + 17, '0');
    out[19] = ' ';
    int year = tm.tm_year + 1900;
    for (int i = 23; i >= 20; --i) {
        out[i] = static_cast<char>('0' + year % 10);
        year /= 10;
    }
    out[24] = '\n';
    out[25] = '\0';
}

DWORD FormatSystemMessage(DWORD code, char* buffer, DWORD size) {
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    for (const SystemMessage& m : kSystemMessages) {
        if (m.code != code) continue;
        size_t n = Length(m.text);
        if (n >= size) n = size - 1;
        std::memcpy(buffer, m.text, n);
        buffer[n] = '\0';
        return static_cast<DWORD>(n);
    }
    return 0;
}

}  // namespace vrn
