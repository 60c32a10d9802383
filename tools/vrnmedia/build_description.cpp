// The medium description: reading and checking.
//
// A medium description is an initialization file, read with the engine's
// own library (section and key names compared without regard to case, inner
// runs of blanks taken as one; a line whose first character is ';' is a
// comment; a value runs to the end of its line, so comments stand on lines of
// their own). A line may hold at most 159 characters. Each section and each
// key may be given once. Lists are separated by commas; a list too long for
// one line goes on in the keys "KEY 2", "KEY 3", ... Paths are relative to
// the description's directory (or absolute), with '/' or '\'. A text must fit
// its table field: the widths below count the characters allowed.
//
// [Medium]
//   Products          list of product numbers: the [Product N] sections, in
//                     the order of the SKU-to-product and install records
//   Components        list of component identifiers: the [Component N]
//                     sections, in the order of the component identification
//                     table; every component a SKU names must be listed
//   Loose Files       list of file names copied as they are to the medium's
//                     root (the first diskette); install.hlp and README.VRN
//                     must be among them
//   Loose Directory   optional: where the loose files are (default: the
//                     description's directory)
//   Archive Directory optional: the subdirectory of a CD-ROM or staged medium
//                     that receives the archives (default: the root)
//   File Time         optional: YYYY-MM-DD hh:mm:ss (UTC), the access and
//                     modification time of every archive member (default:
//                     each file's own times); fixed times make every build of
//                     a medium the same byte for byte
//   Compression       optional: fast (default), best or store
//
// [Device]            the device record
//   Type              "cd" CD-ROM, "f" diskettes, or any other text of at
//                     most 2 characters: a medium whose archives are staged
//                     on disk
//   Name (14), Release (9), Platform (29), Vendor (29), Title (49),
//   Label (49)        optional texts that the engine carries for its caller
//
// [Diskettes]         required with Type f, refused otherwise
//   Capacity          bytes a diskette holds
//   Cluster           optional: its cluster size (default 512); every file
//                     on a diskette takes whole clusters
//   Disk Name         the name in the volume.id of diskettes 2 on (49); the
//                     first diskette is always named
//                     "INSTALLATION DISK    RidazEvori System", number 1
//   Aux               optional: the auxiliary text of every volume.id (16)
//
// [Product N]         N: 1 to 32767
//   Name (38)         the product's name
//   Aux (16)          optional: its auxiliary text in the install records
//                     and the default of its SKUs' texts
//   Flag              optional: 0 to 255, the byte after the product's name
//                     in its install records (default 0)
//   SKUs              list of SKU names: the [SKU NAME] sections; a SKU
//                     belongs to one product
//   Mandatory         optional: list of the components of the product's
//                     SKUs that the product requires
//
// [SKU NAME]          NAME (49) is the SKU's name, without commas
//   Components        list of component identifiers; a component comes with
//                     all its subcomponents
//   Aux (16)          optional: the SKU's auxiliary text (default: the
//                     product's); the product tree takes the product's text
//                     from its first SKU
//   Flag              optional: 0 to 255, the byte of its SKU-to-product
//                     record (default 0)
//
// [Component N]       N: 1 to 32767
//   Name (39)         the component's name, unique; a mandatory component is
//                     shown with " (m)" after it
//   Label (39)        optional: the second name of its identification record
//                     (default: Name)
//   Aux (16)          optional
//   Archive           the archive that carries its files: an [Archive NAME]
//                     section; may be left out when it has subcomponents
//                     (the archive of such a component is never extracted)
//   Subcomponents     optional: list of subcomponent identifiers M (1 to
//                     32767): the [Subcomponent N.M] sections
//   Tailor            optional: list of files of its archive (paths below the
//                     destination, as the archive names them) whose tags are
//                     replaced after installation; not for a component with
//                     subcomponents, which is never tailored by its own name
//   Tailor Kind       optional: the kind of its tailor entries, 0 to 65535
//                     (default 1, replace tags; other kinds are passed over
//                     by the installation)
//
// [Subcomponent N.M]
//   Name (39)         unique within the component
//   Archive           its archive
//   Mandatory         optional: yes or no (default no)
//   Aux (16), Tailor, Tailor Kind   as for a component
//
// [Archive NAME]      NAME (254) is the archive's file name on the medium
//   Source            the directory whose files, all of them below it, in
//                     name order, become the members, each named by its path
//                     below the directory with backslashes
//   Compression       optional: fast, best or store (default: the medium's)
//
// Row tables: every entry of the section is one row, written in the order of
// the file; the key only names the row. Fields are separated by '|'.
//
// [Bit Table]         required, at least one row:
//                     TEXT (39) | N | N | N | N | N | TEXT (16) | TEXT (16)
//                     with numbers 0 to 65535
// [Icons]             optional, written to icon.tab:
//                     AUX (16) | N | N | COMMAND (109) | TITLE (39) |
//                     DIRECTORY (509)
// [CD-ROM Sizes]      optional, written to cdrom.tab: eight numbers, or the
//                     word "medium" for the eight cluster-size figures of all
//                     archives of the medium together
// [Archive List]      optional, written to arclist.tab: an archive of the
//                     medium, or "*" for every archive in the order they are
//                     built
//
// What the tables receive: one SKU-to-product record per SKU; one
// component-to-SKU row per component of each SKU (its byte 1 when the
// product requires the component) followed by one row per subcomponent (its
// byte the subcomponent's mandatory bit); one subcomponent record per
// subcomponent, one identification record per component, each with the
// cluster-size figures and size of its archive (0 without one); one install
// record per product and component of its SKUs, whose second name holds the
// component's name as shown (with " (m)" when mandatory); one tailor entry
// per listed file, its two numbers the component and subcomponent
// identifiers (0 for a component's own), its text the auxiliary text of the
// component or subcomponent.
//
// On diskettes, disk 1 (directory disk1) holds the tables and loose files;
// the archives are laid down one after another over disks 2, 3, ... (disk2,
// ...), each disk filled before the next, an archive that does not fit going
// on with the next disk under the same file name. layout.tab (on disk 1)
// holds one group per disk from disk 2, named with the disk's name, and in
// it one entry per run of archive bytes on that disk: the archive's name,
// then the disk number, the run's offset within the archive and its length.
// Joining the runs of an archive in offset order gives the archive.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <set>

#include "platform/crt.h"
#include "platform/drives.h"
#include "runtime/ini/ini.h"
#include "tools/common/host_files.h"
#include "tools/vrnmedia/build.h"


namespace vrn::media {

std::string DescriptionError(const std::string& file, const std::string& section, const std::string& key,
                             const std::string& what) {
    std::string text = file + ":";
    if (!section.empty()) text += " [" + section + "]";
    if (!key.empty()) text += " " + key;
    return text + ": " + what;
}

std::vector<int32_t> Product::Components() const {
    std::vector<int32_t> ids;
    for (const Sku& sku : skus)
        for (int32_t id : sku.components)
            if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    return ids;
}

bool Product::IsMandatory(int32_t componentId) const {
    return std::find(mandatory.begin(), mandatory.end(), componentId) != mandatory.end();
}

const Component* Description::FindComponent(int32_t id) const {
    for (const Component& c : components)
        if (c.id == id) return &c;
    return nullptr;
}

Archive* Description::FindArchive(const std::string& name) {
    for (Archive& a : archives)
        if (a.name == name) return &a;
    return nullptr;
}

const Archive* Description::FindArchive(const std::string& name) const {
    return const_cast<Description*>(this)->FindArchive(name);
}

namespace {

constexpr int kLineLimit = INI_LINE_SIZE - 1;

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A name as the library normalises it ("" when it is no name).
std::string Normalised(const std::string& text) {
    char name[INI_LINE_SIZE];
    if (text.size() >= INI_LINE_SIZE || !wdIsName(text.c_str(), name)) return "";
    return name;
}

struct ScannedSection {
    std::string name;                     // normalised, as written
    std::vector<std::string> keys;        // normalised, in file order
    std::set<std::string> used;           // lower-case keys read
    bool referenced = false;
};

class Reader {
public:
    Reader(const std::string& hostPath, std::vector<std::string>& errors) : file_(hostPath), errors_(errors) {}

    bool Scan();

    void Error(const std::string& section, const std::string& key, const std::string& what) {
        errors_.push_back(DescriptionError(file_, section, key, what));
    }
    size_t ErrorCount() const { return errors_.size(); }

    ScannedSection* Find(const std::string& section) {
        auto it = index_.find(Lower(Normalised(section)));
        return it == index_.end() ? nullptr : &sections_[it->second];
    }
    bool Has(const std::string& section) { return Find(section) != nullptr; }
    // Marks a section as part of the medium; false when it is not there.
    bool Use(const std::string& section) {
        ScannedSection* s = Find(section);
        if (s != nullptr) s->referenced = true;
        return s != nullptr;
    }
    // The section's name as written in the file (for messages).
    std::string NameOf(const std::string& section) {
        ScannedSection* s = Find(section);
        return s != nullptr ? s->name : section;
    }
    bool HasKey(const std::string& section, const std::string& key) {
        ScannedSection* s = Find(section);
        if (s == nullptr) return false;
        const std::string wanted = Lower(Normalised(key));
        for (const std::string& k : s->keys)
            if (Lower(k) == wanted) return true;
        return false;
    }

    // The key's value through the library; nullopt when it is absent or
    // empty.
    std::optional<std::string> Get(const std::string& section, const std::string& key) {
        ScannedSection* s = Find(section);
        if (s == nullptr) return std::nullopt;
        s->used.insert(Lower(Normalised(key)));
        if (!HasKey(section, key)) return std::nullopt;
        char value[INI_LINE_SIZE] = {};
        wdGetPrivateProfileString(s->name.c_str(), key.c_str(), "", value, INI_LINE_SIZE, enginePath_.c_str());
        if (value[0] == '\0') return std::nullopt;
        return std::string(value);
    }
    std::optional<std::string> Required(const std::string& section, const std::string& key) {
        std::optional<std::string> v = Get(section, key);
        if (!v) Error(NameOf(section), key, HasKey(section, key) ? "has no value" : "missing");
        return v;
    }
    // A text, trimmed, checked against its field width; "" when absent.
    std::string Text(const std::string& section, const std::string& key, size_t width, bool required,
                     const std::string& fallback = "") {
        std::optional<std::string> v = required ? Required(section, key) : Get(section, key);
        if (!v) return fallback;
        std::string text = Trim(*v);
        CheckWidth(section, key, text, width);
        return text;
    }
    bool CheckWidth(const std::string& section, const std::string& key, const std::string& text, size_t width) {
        if (text.size() < width) return true;
        Error(NameOf(section), key,
              "\"" + text + "\" is " + std::to_string(text.size()) + " characters long; the field holds " +
                  std::to_string(width - 1));
        return false;
    }
    // A list of items, with its continuation keys; empty when absent.
    std::vector<std::string> List(const std::string& section, const std::string& key, bool required) {
        std::vector<std::string> items;
        std::optional<std::string> first = required ? Required(section, key) : Get(section, key);
        if (!first) return items;
        std::vector<std::string> values{*first};
        for (int n = 2;; ++n) {
            std::optional<std::string> more = Get(section, key + " " + std::to_string(n));
            if (!more) break;
            values.push_back(*more);
        }
        for (size_t i = 0; i < values.size(); ++i) {
            const std::string keyName = i == 0 ? key : key + " " + std::to_string(i + 1);
            size_t start = 0;
            for (;;) {
                const size_t comma = values[i].find(',', start);
                const std::string item = Trim(values[i].substr(start, comma - start));
                if (item.empty())
                    Error(NameOf(section), keyName, "an item of the list is empty");
                else
                    items.push_back(item);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        }
        return items;
    }
    // A decimal number within [low, high].
    std::optional<uint64_t> Number(const std::string& section, const std::string& key, const std::string& text,
                                   uint64_t low, uint64_t high) {
        const std::string t = Trim(text);
        uint64_t value = 0;
        bool ok = !t.empty() && t.size() <= 10;
        for (char c : t) {
            if (c < '0' || c > '9') ok = false;
            else value = value * 10 + static_cast<uint64_t>(c - '0');
        }
        if (!ok || value < low || value > high) {
            Error(NameOf(section), key,
                  "\"" + t + "\" is not a number from " + std::to_string(low) + " to " + std::to_string(high));
            return std::nullopt;
        }
        return value;
    }
    template <typename T>
    T NumberKey(const std::string& section, const std::string& key, uint64_t low, uint64_t high, T fallback,
                bool required = false) {
        std::optional<std::string> v = required ? Required(section, key) : Get(section, key);
        if (!v) return fallback;
        std::optional<uint64_t> n = Number(section, key, *v, low, high);
        return n ? static_cast<T>(*n) : fallback;
    }
    // A path relative to the description's directory.
    std::string HostPathOf(const std::string& text) const {
        std::string p = text;
        std::replace(p.begin(), p.end(), '\\', '/');
        return host::Normal(host::IsRelative(p) ? host::Join(baseDir_, p) : p);
    }
    // Every entry of a row table: (key as written, value).
    std::vector<std::pair<std::string, std::string>> Rows(const std::string& section) {
        std::vector<std::pair<std::string, std::string>> rows;
        ScannedSection* s = Find(section);
        if (s == nullptr) return rows;
        for (const std::string& key : s->keys) {
            std::optional<std::string> v = Get(section, key);
            rows.emplace_back(key, v ? *v : "");
        }
        return rows;
    }

    // Reports every key that nothing read and every section that is not part
    // of the medium.
    void ReportUnused() {
        for (ScannedSection& s : sections_) {
            if (!s.referenced) {
                Error(s.name, "", "section not used by the medium");
                continue;
            }
            for (const std::string& key : s.keys)
                if (s.used.count(Lower(key)) == 0) Error(s.name, key, "unknown key");
        }
    }

    const std::string& File() const { return file_; }
    const std::string& BaseDir() const { return baseDir_; }

private:
    std::string file_;
    std::string enginePath_;
    std::string baseDir_;
    std::vector<std::string>& errors_;
    std::vector<ScannedSection> sections_;
    std::map<std::string, size_t> index_;
};

// Walks the file once with the library's line rules: every line must be a
// comment, a blank line, a section header or an entry of a section, fit the
// library's line length and hold printable characters only; no section or
// key may be given twice.
bool Reader::Scan() {
    const std::string absolute = host::Absolute(file_);
    baseDir_ = host::Parent(absolute);
    enginePath_ = WindowsPathOf(absolute);
    if (enginePath_.empty()) {
        Error("", "", "not under any drive of the drive map");
        return false;
    }
    vrn::FILE* stream = nullptr;
    if (!host::IsFile(absolute) || !wdOpenIniFile(enginePath_.c_str(), &stream)) {
        Error("", "", "cannot be read");
        return false;
    }
    char line[1024];
    int number = 0;
    ScannedSection* current = nullptr;
    while (vrn::fgets(line, sizeof line, stream) != nullptr) {
        ++number;
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const std::string where = "line " + std::to_string(number);
        const std::string section = current != nullptr ? current->name : "";
        if (text.size() > static_cast<size_t>(kLineLimit)) {
            Error(section, where, "longer than " + std::to_string(kLineLimit) + " characters");
            // Skip the rest of an over-long line.
            while (std::strchr(line, '\n') == nullptr && vrn::fgets(line, sizeof line, stream) != nullptr) {
            }
            continue;
        }
        const std::string trimmed = Trim(text);
        if (trimmed.empty() || trimmed[0] == ';') continue;
        for (char c : trimmed) {
            if ((c < 0x20 || c > 0x7E) && c != '\t') {
                Error(section, where, "holds a character that is not printable ASCII");
                break;
            }
        }
        char name[INI_LINE_SIZE], value[INI_LINE_SIZE];
        if (wdIsSection(text.c_str(), name)) {
            const std::string folded = Lower(name);
            if (index_.count(folded) != 0) {
                Error(name, "", "section given twice (again at " + where + ")");
                current = &sections_[index_[folded]];
                continue;
            }
            index_[folded] = sections_.size();
            sections_.push_back(ScannedSection{name, {}, {}, false});
            current = &sections_.back();
        } else if (wdIsEntry(text.c_str(), name, value)) {
            if (current == nullptr) {
                Error("", name, "entry before the first section (" + where + ")");
                continue;
            }
            bool twice = false;
            for (const std::string& k : current->keys) twice = twice || Lower(k) == Lower(name);
            if (twice)
                Error(current->name, name, "key given twice (again at " + where + ")");
            else
                current->keys.push_back(name);
        } else {
            Error(section, where, "neither a section header nor a key = value entry");
        }
    }
    vrn::fclose(stream);
    return true;
}

bool ParseTime(const std::string& text, uint32_t& out) {
    std::tm tm{};
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                    &tm.tm_min, &tm.tm_sec, &tail) != 6)
        return false;
    const int year = tm.tm_year, month = tm.tm_mon, day = tm.tm_mday;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    const time_t t = timegm(&tm);
    // timegm normalises out-of-range fields; a real date comes back as given.
    if (t < 0 || t > 0xFFFFFFFFll || tm.tm_year != year - 1900 || tm.tm_mon != month - 1 || tm.tm_mday != day)
        return false;
    out = static_cast<uint32_t>(t);
    return true;
}

std::optional<Compression> ParseCompression(Reader& r, const std::string& section) {
    std::optional<std::string> v = r.Get(section, "Compression");
    if (!v) return std::nullopt;
    const std::string t = Lower(Trim(*v));
    if (t == "fast") return Compression::Fast;
    if (t == "best") return Compression::Best;
    if (t == "store") return Compression::Store;
    r.Error(r.NameOf(section), "Compression", "\"" + Trim(*v) + "\" is not fast, best or store");
    return std::nullopt;
}

// Splits a row into exactly `count` fields.
bool RowFields(Reader& r, const std::string& section, const std::string& key, const std::string& value,
               size_t count, std::vector<std::string>& fields) {
    fields.clear();
    size_t start = 0;
    for (;;) {
        const size_t bar = value.find('|', start);
        fields.push_back(Trim(value.substr(start, bar - start)));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    if (fields.size() == count) return true;
    r.Error(r.NameOf(section), key,
            "has " + std::to_string(fields.size()) + " fields; a row holds " + std::to_string(count) +
                " separated by '|'");
    return false;
}

class DescriptionReader {
public:
    DescriptionReader(Reader& r, Description& d) : r_(r), d_(d) {}

    void Read() {
        ReadMedium();
        ReadDevice();
        ReadComponents();
        ReadProducts();
        ReadRowTables();
        CheckWholeMedium();
        r_.ReportUnused();
    }

private:
    void ReadMedium() {
        const std::string s = "Medium";
        if (!r_.Use(s)) {
            r_.Error(s, "", "section missing");
            return;
        }
        if (std::optional<std::string> t = r_.Get(s, "File Time")) {
            uint32_t value = 0;
            if (ParseTime(Trim(*t), value))
                d_.fileTime = value;
            else
                r_.Error(r_.NameOf(s), "File Time", "\"" + Trim(*t) + "\" is not a time YYYY-MM-DD hh:mm:ss");
        }
        defaultCompression_ = ParseCompression(r_, s).value_or(Compression::Fast);
        d_.looseDir = r_.BaseDir();
        if (std::optional<std::string> dir = r_.Get(s, "Loose Directory")) {
            d_.looseDir = r_.HostPathOf(Trim(*dir));
            if (!host::IsDirectory(d_.looseDir))
                r_.Error(r_.NameOf(s), "Loose Directory", "no directory " + d_.looseDir);
        }
        if (std::optional<std::string> dir = r_.Get(s, "Archive Directory")) {
            d_.archiveDir = Trim(*dir);
            std::replace(d_.archiveDir.begin(), d_.archiveDir.end(), '\\', '/');
            if (d_.archiveDir.empty() || d_.archiveDir[0] == '/' || d_.archiveDir.find("..") != std::string::npos)
                r_.Error(r_.NameOf(s), "Archive Directory", "must be a subdirectory of the medium");
        }
        ReadLooseFiles(s);
    }

    void ReadLooseFiles(const std::string& s) {
        bool help = false, notes = false;
        std::set<std::string> seen;
        for (const std::string& name : r_.List(s, "Loose Files", true)) {
            if (name.find_first_of("/\\") != std::string::npos) {
                r_.Error(r_.NameOf(s), "Loose Files", "\"" + name + "\" must be a plain file name");
                continue;
            }
            const std::string folded = Lower(name);
            if (!seen.insert(folded).second) {
                r_.Error(r_.NameOf(s), "Loose Files", "\"" + name + "\" is listed twice");
                continue;
            }
            bool written = false;
            for (const char* w : kWrittenFiles) written = written || folded == w;
            if (written) {
                r_.Error(r_.NameOf(s), "Loose Files", "\"" + name + "\" is written by the build itself");
                continue;
            }
            if (!host::IsFile(host::Join(d_.looseDir, name)))
                r_.Error(r_.NameOf(s), "Loose Files", "no file " + host::Join(d_.looseDir, name));
            help = help || folded == "install.hlp";
            notes = notes || folded == "readme.vrn";
            d_.looseFiles.push_back(name);
        }
        if (r_.HasKey(s, "Loose Files")) {
            // The installation program refuses a medium without these two.
            if (!help) r_.Error(r_.NameOf(s), "Loose Files", "install.hlp must be among the loose files");
            if (!notes) r_.Error(r_.NameOf(s), "Loose Files", "README.VRN must be among the loose files");
        }
    }

    void ReadDevice() {
        const std::string s = "Device";
        if (!r_.Use(s)) {
            r_.Error(s, "", "section missing");
            return;
        }
        Device& dev = d_.device;
        dev.type = r_.Text(s, "Type", 3, true);
        dev.name = r_.Text(s, "Name", 15, false);
        dev.release = r_.Text(s, "Release", 10, false);
        dev.platform = r_.Text(s, "Platform", 30, false);
        dev.vendor = r_.Text(s, "Vendor", 30, false);
        dev.title = r_.Text(s, "Title", 50, false);
        dev.label = r_.Text(s, "Label", 50, false);
        const bool diskettes = dev.type == "f";
        if (!r_.Has("Diskettes")) {
            if (diskettes) r_.Error(r_.NameOf(s), "Type", "a diskette medium needs the section [Diskettes]");
            return;
        }
        r_.Use("Diskettes");
        if (!diskettes) {
            r_.Error(r_.NameOf("Diskettes"), "", "only a diskette medium (Type f) has this section");
            return;
        }
        const std::string k = "Diskettes";
        Diskettes disks;
        disks.capacity = r_.NumberKey<uint32_t>(k, "Capacity", 1, 0xFFFFFFFFu, 0, true);
        disks.cluster = r_.NumberKey<uint32_t>(k, "Cluster", 1, 65536, 512);
        if ((disks.cluster & (disks.cluster - 1)) != 0) {
            r_.Error(r_.NameOf(k), "Cluster", "must be a power of two");
            disks.cluster = 512;
        }
        disks.diskName = r_.Text(k, "Disk Name", kDiskNameWidth, true);
        disks.aux = r_.Text(k, "Aux", kAuxWidth, false);
        d_.diskettes = disks;
    }

    // "Component N", "Subcomponent N.M" and "Archive NAME" sections.
    void ReadComponents() {
        const std::string m = "Medium";
        std::set<int32_t> ids;
        std::map<std::string, int32_t> names;
        for (const std::string& item : r_.List(m, "Components", true)) {
            std::optional<uint64_t> id = r_.Number(m, "Components", item, 1, 32767);
            if (!id) continue;
            const std::string s = "Component " + std::to_string(*id);
            if (!ids.insert(static_cast<int32_t>(*id)).second) {
                r_.Error(r_.NameOf(m), "Components", "component " + item + " is listed twice");
                continue;
            }
            if (!r_.Use(s)) {
                r_.Error(r_.NameOf(m), "Components", "no section [" + s + "]");
                continue;
            }
            Component c;
            c.id = static_cast<int32_t>(*id);
            c.section = r_.NameOf(s);
            c.name = r_.Text(s, "Name", kComponentNameWidth, true);
            c.label = r_.Text(s, "Label", kComponentNameWidth, false, c.name);
            c.aux = r_.Text(s, "Aux", kAuxWidth, false);
            if (!c.name.empty()) {
                auto [it, fresh] = names.emplace(c.name, c.id);
                if (!fresh)
                    r_.Error(c.section, "Name",
                             "\"" + c.name + "\" is also the name of [Component " + std::to_string(it->second) + "]");
            }
            // The archive of a component with subcomponents is never
            // extracted, so it may have none.
            c.archive = ArchiveKey(s, !r_.HasKey(s, "Subcomponents"));
            ReadSubcomponents(s, c);
            ReadTailor(s, c.tailor, c.tailorKind);
            if (!c.tailor.empty() && !c.subcomponents.empty())
                r_.Error(c.section, "Tailor",
                         "a component with subcomponents is never tailored by its own name; list the files under "
                         "its subcomponents");
            else if (!c.tailor.empty() && c.archive.empty())
                r_.Error(c.section, "Tailor", "the component has no archive to take the files from");
            d_.components.push_back(std::move(c));
        }
    }

    void ReadSubcomponents(const std::string& s, Component& c) {
        std::set<int32_t> ids;
        std::map<std::string, int32_t> names;
        for (const std::string& item : r_.List(s, "Subcomponents", false)) {
            std::optional<uint64_t> id = r_.Number(s, "Subcomponents", item, 1, 32767);
            if (!id) continue;
            if (!ids.insert(static_cast<int32_t>(*id)).second) {
                r_.Error(c.section, "Subcomponents", "subcomponent " + item + " is listed twice");
                continue;
            }
            const std::string ss = "Subcomponent " + std::to_string(c.id) + "." + std::to_string(*id);
            if (!r_.Use(ss)) {
                r_.Error(c.section, "Subcomponents", "no section [" + ss + "]");
                continue;
            }
            Subcomponent sub;
            sub.id = static_cast<int32_t>(*id);
            sub.section = r_.NameOf(ss);
            sub.name = r_.Text(ss, "Name", kComponentNameWidth, true);
            sub.aux = r_.Text(ss, "Aux", kAuxWidth, false);
            if (!sub.name.empty()) {
                auto [it, fresh] = names.emplace(sub.name, sub.id);
                if (!fresh)
                    r_.Error(sub.section, "Name",
                             "\"" + sub.name + "\" is also the name of [Subcomponent " + std::to_string(c.id) + "." +
                                 std::to_string(it->second) + "]");
            }
            if (std::optional<std::string> v = r_.Get(ss, "Mandatory")) {
                const std::string t = Lower(Trim(*v));
                if (t == "yes") sub.mandatory = true;
                else if (t != "no") r_.Error(sub.section, "Mandatory", "\"" + Trim(*v) + "\" is not yes or no");
            }
            sub.archive = ArchiveKey(ss, true);
            ReadTailor(ss, sub.tailor, sub.tailorKind);
            c.subcomponents.push_back(std::move(sub));
        }
    }

    // The Archive key of a component or subcomponent; the archive's section
    // is read the first time it is named.
    std::string ArchiveKey(const std::string& s, bool required) {
        if (!required && !r_.HasKey(s, "Archive")) {
            r_.Get(s, "Archive");
            return "";
        }
        std::optional<std::string> v = r_.Required(s, "Archive");
        if (!v) return "";
        const std::string name = Trim(*v);
        if (!r_.CheckWidth(s, "Archive", name, kArchiveNameWidth)) return "";
        if (name.find_first_of("/\\:*?") != std::string::npos || name == "." || name == "..") {
            r_.Error(r_.NameOf(s), "Archive", "\"" + name + "\" is not a plain file name");
            return "";
        }
        if (d_.FindArchive(name) != nullptr) return name;
        const std::string as = "Archive " + name;
        if (!r_.Use(as)) {
            r_.Error(r_.NameOf(s), "Archive", "no section [" + as + "]");
            return "";
        }
        for (const Archive& other : d_.archives)
            if (Lower(other.name) == Lower(name)) {
                r_.Error(r_.NameOf(s), "Archive",
                         "\"" + name + "\" and \"" + other.name + "\" differ only in case; they share one section");
                return "";
            }
        Archive a;
        a.name = name;
        a.section = r_.NameOf(as);
        a.compression = ParseCompression(r_, as).value_or(defaultCompression_);
        if (std::optional<std::string> src = r_.Required(as, "Source")) {
            a.sourceDir = r_.HostPathOf(Trim(*src));
            if (!host::IsDirectory(a.sourceDir)) r_.Error(a.section, "Source", "no directory " + a.sourceDir);
        }
        d_.archives.push_back(std::move(a));
        return name;
    }

    void ReadTailor(const std::string& s, std::vector<std::string>& files, int32_t& kind) {
        for (std::string path : r_.List(s, "Tailor", false)) {
            std::replace(path.begin(), path.end(), '/', '\\');
            if (r_.CheckWidth(s, "Tailor", path, kTailorFileWidth)) files.push_back(path);
        }
        kind = r_.NumberKey<int32_t>(s, "Tailor Kind", 0, 65535, 1);
    }

    void ReadProducts() {
        const std::string m = "Medium";
        std::set<int32_t> numbers;
        std::map<std::string, int32_t> skuOwner;   // lower-case SKU name -> product
        for (const std::string& item : r_.List(m, "Products", true)) {
            std::optional<uint64_t> number = r_.Number(m, "Products", item, 1, 32767);
            if (!number) continue;
            const std::string s = "Product " + std::to_string(*number);
            if (!numbers.insert(static_cast<int32_t>(*number)).second) {
                r_.Error(r_.NameOf(m), "Products", "product " + item + " is listed twice");
                continue;
            }
            if (!r_.Use(s)) {
                r_.Error(r_.NameOf(m), "Products", "no section [" + s + "]");
                continue;
            }
            Product p;
            p.number = static_cast<int32_t>(*number);
            p.section = r_.NameOf(s);
            p.name = r_.Text(s, "Name", kProductNameWidth, true);
            p.aux = r_.Text(s, "Aux", kAuxWidth, false);
            p.flag = r_.NumberKey<uint8_t>(s, "Flag", 0, 255, 0);
            for (const std::string& skuName : r_.List(s, "SKUs", true)) {
                const std::string ks = "SKU " + skuName;
                const std::string normalised = Normalised(skuName);
                if (normalised != skuName) {
                    r_.Error(p.section, "SKUs", "\"" + skuName + "\" is not a name a section can carry");
                    continue;
                }
                if (!r_.CheckWidth(s, "SKUs", skuName, kSkuNameWidth)) continue;
                auto [owner, fresh] = skuOwner.emplace(Lower(skuName), p.number);
                if (!fresh) {
                    r_.Error(p.section, "SKUs",
                             "SKU \"" + skuName + "\" is also named by [Product " + std::to_string(owner->second) +
                                 "]");
                    continue;
                }
                if (!r_.Use(ks)) {
                    r_.Error(p.section, "SKUs", "no section [" + ks + "]");
                    continue;
                }
                p.skus.push_back(ReadSku(ks, skuName, p));
            }
            std::set<int32_t> required;
            const std::vector<int32_t> own = p.Components();
            for (const std::string& id : r_.List(s, "Mandatory", false)) {
                std::optional<uint64_t> n = r_.Number(s, "Mandatory", id, 1, 32767);
                if (!n) continue;
                const int32_t cid = static_cast<int32_t>(*n);
                if (std::find(own.begin(), own.end(), cid) == own.end())
                    r_.Error(p.section, "Mandatory", "component " + id + " is in none of the product's SKUs");
                else if (!required.insert(cid).second)
                    r_.Error(p.section, "Mandatory", "component " + id + " is listed twice");
                else
                    p.mandatory.push_back(cid);
            }
            d_.products.push_back(std::move(p));
        }
    }

    Sku ReadSku(const std::string& s, const std::string& name, const Product& p) {
        Sku sku;
        sku.section = r_.NameOf(s);
        sku.name = name;
        sku.aux = r_.Text(s, "Aux", kAuxWidth, false, p.aux);
        sku.flag = r_.NumberKey<uint8_t>(s, "Flag", 0, 255, 0);
        std::set<int32_t> seen;
        for (const std::string& item : r_.List(s, "Components", true)) {
            std::optional<uint64_t> id = r_.Number(s, "Components", item, 1, 32767);
            if (!id) continue;
            const int32_t cid = static_cast<int32_t>(*id);
            if (!seen.insert(cid).second) {
                r_.Error(sku.section, "Components", "component " + item + " is listed twice");
            } else if (d_.FindComponent(cid) == nullptr) {
                const std::string cs = "Component " + item;
                r_.Error(sku.section, "Components",
                         r_.Has(cs) ? "component " + item + " is not listed in [Medium] Components"
                                    : "no section [" + cs + "]");
            } else {
                sku.components.push_back(cid);
            }
        }
        return sku;
    }

    void ReadRowTables() {
        std::vector<std::string> f;
        const std::string bits = "Bit Table";
        if (!r_.Use(bits)) r_.Error(bits, "", "section missing: the medium needs at least one row");
        for (const auto& [key, value] : r_.Rows(bits)) {
            if (!RowFields(r_, bits, key, value, 8, f)) continue;
            BitRow row;
            row.text = f[0];
            r_.CheckWidth(bits, key, f[0], 40);
            for (int i = 0; i < 5; ++i) row.numbers[i] = static_cast<uint16_t>(r_.Number(bits, key, f[1 + i], 0, 65535).value_or(0));
            row.text1 = f[6];
            row.text2 = f[7];
            r_.CheckWidth(bits, key, f[6], kAuxWidth);
            r_.CheckWidth(bits, key, f[7], kAuxWidth);
            d_.bitRows.push_back(row);
        }
        if (r_.Has(bits) && r_.Rows(bits).empty())
            r_.Error(r_.NameOf(bits), "", "the medium needs at least one row");

        const std::string icons = "Icons";
        if ((d_.hasIcons = r_.Use(icons))) {
            for (const auto& [key, value] : r_.Rows(icons)) {
                if (!RowFields(r_, icons, key, value, 6, f)) continue;
                IconRow row;
                row.aux = f[0];
                r_.CheckWidth(icons, key, f[0], kAuxWidth);
                row.number1 = static_cast<uint16_t>(r_.Number(icons, key, f[1], 0, 65535).value_or(0));
                row.number2 = static_cast<uint16_t>(r_.Number(icons, key, f[2], 0, 65535).value_or(0));
                row.command = f[3];
                row.title = f[4];
                row.directory = f[5];
                r_.CheckWidth(icons, key, f[3], 110);
                r_.CheckWidth(icons, key, f[4], 40);
                r_.CheckWidth(icons, key, f[5], 510);
                d_.icons.push_back(row);
            }
            if (r_.Rows(icons).empty()) r_.Error(r_.NameOf(icons), "", "the table has no rows");
        }

        const std::string cdrom = "CD-ROM Sizes";
        if ((d_.hasCdromSizes = r_.Use(cdrom))) {
            for (const auto& [key, value] : r_.Rows(cdrom)) {
                CdromRow row;
                if (Lower(Trim(value)) == "medium") {
                    row.wholeMedium = true;
                } else {
                    if (!RowFields(r_, cdrom, key, value, 8, f)) continue;
                    for (int i = 0; i < 8; ++i)
                        row.sizes[i] = static_cast<uint32_t>(r_.Number(cdrom, key, f[i], 0, 0xFFFFFFFFu).value_or(0));
                }
                d_.cdromSizes.push_back(row);
            }
            if (r_.Rows(cdrom).empty()) r_.Error(r_.NameOf(cdrom), "", "the table has no rows");
        }

        const std::string list = "Archive List";
        if ((d_.hasArchiveList = r_.Use(list))) {
            for (const auto& [key, value] : r_.Rows(list)) {
                const std::string name = Trim(value);
                if (name == "*") {
                    for (const Archive& a : d_.archives) d_.archiveList.push_back(a.name);
                } else if (d_.FindArchive(name) == nullptr) {
                    r_.Error(r_.NameOf(list), key, "\"" + name + "\" is not an archive of the medium");
                } else {
                    d_.archiveList.push_back(name);
                }
            }
            if (r_.Rows(list).empty()) r_.Error(r_.NameOf(list), "", "the table has no rows");
        }
    }

    // What the installation program needs of the medium as a whole: every
    // section of install.tab but the last must hold a record.
    void CheckWholeMedium() {
        size_t subcomponents = 0, tailored = 0, records = 0;
        for (const Component& c : d_.components) {
            subcomponents += c.subcomponents.size();
            tailored += c.tailor.size();
            for (const Subcomponent& s : c.subcomponents) tailored += s.tailor.size();
        }
        for (const Product& p : d_.products) records += p.Components().size();
        if (d_.components.empty()) return;   // already reported
        if (subcomponents == 0)
            r_.Error("Medium", "Components", "the medium needs at least one component with subcomponents");
        if (tailored == 0) r_.Error("Medium", "Components", "the medium needs at least one tailored file");
        if (records > kMaxInstallRecords)
            r_.Error("Medium", "Products",
                     "the products have " + std::to_string(records) + " components in all; at most " +
                         std::to_string(kMaxInstallRecords) + " fit the installation tables");
        for (const Product& p : d_.products)
            if (p.skus.empty() && r_.HasKey("Product " + std::to_string(p.number), "SKUs"))
                r_.Error(p.section, "SKUs", "the product has no usable SKU");
        for (const Product& p : d_.products)
            for (const Sku& s : p.skus)
                if (s.components.empty() && r_.HasKey("SKU " + s.name, "Components"))
                    r_.Error(s.section, "Components", "the SKU has no usable component");
    }

    Reader& r_;
    Description& d_;
    Compression defaultCompression_ = Compression::Fast;
};

}  // namespace

bool ReadDescription(const std::string& hostPath, Description& out, std::vector<std::string>& errors) {
    out = Description{};
    out.file = hostPath;
    Reader reader(hostPath, errors);
    const size_t before = errors.size();
    if (!reader.Scan()) return false;
    out.baseDir = reader.BaseDir();
    DescriptionReader(reader, out).Read();
    return errors.size() == before;
}

}  // namespace vrn::media
