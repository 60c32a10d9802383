// The loaded ELF images of the process and their section tables, and the
// probe that tells whether memory can be read and written without touching
// it. The image list is taken outside signal handlers (dl_iterate_phdr is
// not signal-safe) into one of two tables, so that a handler always reads a
// complete one; section tables are read from the image files with plain
// system calls.
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/posix/posix_internal.h"
#include "platform/signals.h"

namespace vrn {

namespace {

constexpr int kMaxImages = 256;

// Plain data, so that the tables are ready (zeroed) before any static
// object is built: the filter is installed from one.
struct ImageTable {
    LoadedImage images[kMaxImages];
    int count;
};
ImageTable g_tables[2];
std::atomic<int> g_current{-1};   // index of the complete table, -1 before the first

void CopyName(char* out, size_t size, const char* name) {
    size_t n = 0;
    for (; name[n] != '\0' && n + 1 < size; ++n) out[n] = name[n];
    out[n] = '\0';
}

int AddImage(dl_phdr_info* info, size_t, void* data) {
    auto* table = static_cast<ImageTable*>(data);
    if (table->count >= kMaxImages) return 1;
    LoadedImage& image = table->images[table->count];
    image = LoadedImage{};
    image.base = info->dlpi_addr;
    bool any = false;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type != PT_LOAD) continue;
        const uintptr_t low = info->dlpi_addr + ph.p_vaddr;
        const uintptr_t high = low + ph.p_memsz;
        if (!any || low < image.low) image.low = low;
        if (!any || high > image.high) image.high = high;
        any = true;
    }
    if (!any) return 0;
    if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
        CopyName(image.fileName, sizeof image.fileName, info->dlpi_name);
    } else if (table->count == 0) {
        // The program itself is listed first, without a name.
        const ssize_t n = ::readlink("/proc/self/exe", image.fileName, sizeof image.fileName - 1);
        image.fileName[n > 0 ? n : 0] = '\0';
    }
    ++table->count;
    return 0;
}


// The descriptor pair of the memory probe, made once.
std::atomic<int> g_probeRead{-1};
std::atomic<int> g_probeWrite{-1};

long RawWrite(int fd, const void* data, size_t size) { return ::syscall(SYS_write, fd, data, size); }
long RawRead(int fd, void* data, size_t size) { return ::syscall(SYS_read, fd, data, size); }

void DrainProbe(int fd) {
    char scrap[64];
    while (RawRead(fd, scrap, sizeof scrap) > 0) {
    }
}

}  // namespace

void RefreshLoadedImages() {
    const int current = g_current.load();
    const int next = current == 0 ? 1 : 0;
    g_tables[next].count = 0;
    dl_iterate_phdr(AddImage, &g_tables[next]);
    g_current.store(next);
}

bool FindLoadedImage(uintptr_t address, LoadedImage* out) {
    if (!InSignalHandler()) RefreshLoadedImages();
    const int current = g_current.load();
    if (current < 0) return false;
    const ImageTable& table = g_tables[current];
    for (int i = 0; i < table.count; ++i) {
        const LoadedImage& image = table.images[i];
        if (address >= image.low && address < image.high) {
            *out = image;
            return true;
        }
    }
    return false;
}

int ReadImageSections(const LoadedImage& image, uint32_t first, ImageSection* out, int max) {
    if (image.fileName[0] == '\0') return -1;
    const int fd = ::open(image.fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    int result = -1;
    Elf64_Ehdr header{};
    if (host::ReadFullyAt(fd, &header, sizeof header, 0) && std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
        header.e_ident[EI_CLASS] == ELFCLASS64 && header.e_shentsize == sizeof(Elf64_Shdr) && header.e_shoff != 0) {
        uint64_t count = header.e_shnum;
        bool ok = true;
        if (count == 0) {
            // A table too long for the header keeps its length in entry 0.
            Elf64_Shdr zero{};
            ok = host::ReadFullyAt(fd, &zero, sizeof zero, header.e_shoff);
            count = zero.sh_size;
        }
        int filled = 0;
        for (uint64_t i = first; ok && i < count && filled < max; ++i) {
            Elf64_Shdr sh{};
            if (!host::ReadFullyAt(fd, &sh, sizeof sh, header.e_shoff + i * sizeof(Elf64_Shdr))) {
                ok = false;
                break;
            }
            ImageSection& s = out[filled++];
            s.number = static_cast<uint32_t>(i);
            s.start = sh.sh_addr;
            s.size = sh.sh_size;
            s.allocated = (sh.sh_flags & SHF_ALLOC) != 0;
            s.type = sh.sh_type;
            s.fileOffset = sh.sh_offset;
            s.link = sh.sh_link;
            s.entrySize = sh.sh_entsize;
        }
        if (ok) result = static_cast<int>(count);
    }
    ::close(fd);
    return result;
}

void PrepareMemoryProbe() {
    if (g_probeRead.load() >= 0) return;
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return;
    g_probeWrite.store(fds[1]);
    g_probeRead.store(fds[0]);
}

bool IsWritableMemory(const void* address, size_t size) {
    PrepareMemoryProbe();
    const int rfd = g_probeRead.load();
    const int wfd = g_probeWrite.load();
    if (rfd < 0 || wfd < 0) return false;
    // The bytes travel through the pipe and back into their own place: the
    // kernel reports EFAULT instead of faulting when the memory cannot be
    // read (the write) or written (the read back). The raw system calls
    // keep instrumented wrappers from looking at the memory first.
    auto* p = static_cast<unsigned char*>(const_cast<void*>(address));
    while (size > 0) {
        const size_t n = size < 64 ? size : 64;
        unsigned char copy[64];
        if (RawWrite(wfd, p, n) != static_cast<long>(n)) {
            DrainProbe(rfd);
            return false;
        }
        if (RawRead(rfd, copy, n) != static_cast<long>(n)) {
            DrainProbe(rfd);
            return false;
        }
        if (RawWrite(wfd, copy, n) != static_cast<long>(n) || RawRead(rfd, p, n) != static_cast<long>(n)) {
            DrainProbe(rfd);
            return false;
        }
        p += n;
        size -= n;
    }
    return true;
}

bool host::ReadFullyAt(int fd, void* out, size_t size, uint64_t offset) {
    auto* p = static_cast<char*>(out);
    while (size > 0) {
        const ssize_t n = ::pread(fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

}  // namespace vrn
