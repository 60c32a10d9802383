// vrnpayload: makes the bulky files of a demo medium from a manifest.
//
//   vrnpayload MANIFEST ROOT
//
// Each manifest line "KIND SIZE PATH" ('#' starts a comment line) gives one
// file of exactly SIZE bytes, written to ROOT/PATH. The bytes depend only on
// the kind, the size and the path (which seeds the generator), so every build
// makes the same files. Kinds: binary, data, sql, text, msg-en, msg-fr,
// msg-de, empty.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// splitmix64, seeded with the FNV-1a hash of the path.
class Generator {
public:
    explicit Generator(std::string_view seed) {
        uint64_t h = 0xcbf29ce484222325ull;
        for (unsigned char c : seed) h = (h ^ c) * 0x100000001b3ull;
        state_ = h;
    }
    uint64_t Next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
    template <size_t N>
    const char* Pick(const char* const (&words)[N]) { return words[Below(N)]; }

private:
    uint64_t state_;
};

const char* const kEnglish[] = {
    "the", "server", "database", "table", "index", "engine", "session", "query", "client", "record",
    "file", "directory", "page", "lock", "transaction", "program", "message", "user", "value", "column",
    "cannot", "must", "is", "was", "not", "be", "opened", "closed", "written", "read", "found", "started",
    "stopped", "for", "with", "from", "into", "after", "before", "when", "each", "every", "new", "old",
    "current", "default", "configuration", "setting", "code", "page", "report", "backup", "restore",
    "network", "connection", "timeout", "memory", "space", "disk", "limit", "error", "warning"};
const char* const kFrench[] = {
    "le", "la", "les", "serveur", "base", "donnees", "table", "index", "moteur", "session", "requete",
    "client", "fichier", "repertoire", "page", "verrou", "transaction", "programme", "message",
    "utilisateur", "valeur", "colonne", "ne", "peut", "pas", "etre", "ouvert", "ferme", "ecrit", "lu",
    "trouve", "demarre", "arrete", "pour", "avec", "depuis", "dans", "apres", "avant", "chaque",
    "nouveau", "ancien", "connexion", "delai", "memoire", "espace", "disque", "erreur", "avertissement"};
const char* const kGerman[] = {
    "der", "die", "das", "Server", "Datenbank", "Tabelle", "Index", "Maschine", "Sitzung", "Abfrage",
    "Client", "Datei", "Verzeichnis", "Seite", "Sperre", "Transaktion", "Programm", "Meldung",
    "Benutzer", "Wert", "Spalte", "kann", "nicht", "werden", "geoeffnet", "geschlossen", "geschrieben",
    "gelesen", "gefunden", "gestartet", "angehalten", "fuer", "mit", "von", "nach", "vor", "jede",
    "neue", "alte", "Verbindung", "Zeitlimit", "Speicher", "Platz", "Platte", "Fehler", "Warnung"};
const char* const kFirstNames[] = {"Anna", "Bernard", "Carla", "David", "Elena", "Frank", "Greta", "Hugo",
                                   "Ines", "Jonas", "Karin", "Louis", "Maria", "Nils", "Olga", "Paul"};
const char* const kLastNames[] = {"Archer", "Berger", "Castel", "Dumont", "Engel", "Fischer", "Garnier",
                                  "Hoffmann", "Jansen", "Keller", "Laurent", "Meyer", "Noel", "Olsen"};
const char* const kCities[] = {"Boston", "Lyon", "Hamburg", "Denver", "Geneva", "Leeds", "Toulouse",
                               "Munich", "Austin", "Brussels", "Seattle", "Dresden"};

// Appends lines while they fit, then one filler line so that the text is
// exactly `size` bytes and ends with a line feed.
void FillLines(std::string& out, size_t size, const std::function<std::string()>& line) {
    for (;;) {
        std::string next = line();
        if (out.size() + next.size() > size) break;
        out += next;
    }
    if (out.size() < size) {
        out.append(size - out.size() - 1, '-');
        out += '\n';
    }
}

std::string Sentence(Generator& g, const char* const* words, size_t count, size_t length) {
    std::string s;
    for (size_t i = 0; i < length; ++i) {
        if (i > 0) s += ' ';
        s += words[g.Below(static_cast<uint32_t>(count))];
    }
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s + '.';
}

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Program-like bytes: a header, then runs of instruction bytes drawn from a
// small opcode set, ascending address tables, string tables and padding.
std::string Binary(Generator& g, size_t size) {
    static const uint8_t opcodes[] = {0x55, 0x8B, 0xEC, 0x83, 0xC4, 0x89, 0x45, 0xFC, 0x8D, 0x50, 0x51,
                                      0xE8, 0xC3, 0x33, 0xC0, 0x74, 0x75, 0xEB, 0x5D, 0x6A, 0x68, 0xFF};
    std::string out = "MZ";
    out.append(58, '\0');
    Put32(out, 0x80);
    out += "Varentis program image";
    while (out.size() < size) {
        switch (g.Below(4)) {
            case 0: {   // instructions
                const uint32_t n = 256 + g.Below(2048);
                for (uint32_t i = 0; i < n; ++i)
                    out += static_cast<char>(g.Below(8) == 0 ? g.Below(256) : opcodes[g.Below(sizeof opcodes)]);
                break;
            }
            case 1: {   // address table
                uint32_t address = 0x00401000u + g.Below(0x10000);
                const uint32_t n = 16 + g.Below(256);
                for (uint32_t i = 0; i < n; ++i) {
                    Put32(out, address);
                    address += 4 + 4 * g.Below(64);
                }
                break;
            }
            case 2: {   // strings
                const uint32_t n = 8 + g.Below(64);
                for (uint32_t i = 0; i < n; ++i) {
                    out += Sentence(g, kEnglish, std::size(kEnglish), 2 + g.Below(6));
                    out += '\0';
                }
                break;
            }
            default:    // alignment padding
                out.append(16 + g.Below(496), '\0');
        }
    }
    out.resize(size);
    return out;
}

std::string Padded(std::string text, size_t width) {
    text.resize(width, ' ');
    return text;
}

// Database pages of 2,048 bytes: a page header, then 64-byte records.
std::string Data(Generator& g, size_t size) {
    std::string out;
    uint32_t page = 0, customer = 1000;
    while (out.size() < size) {
        std::string p;
        Put32(p, 0x56524E50u);   // "PNRV"
        Put32(p, page++);
        Put32(p, 31);
        p.append(4, '\0');
        while (p.size() + 64 <= 2048) {
            // One draw per statement: the order of the draws fixes the bytes.
            const uint32_t units = g.Below(100000);
            const uint32_t cents = g.Below(100);
            char amount[16];
            std::snprintf(amount, sizeof amount, "%9u.%02u", units, cents);
            std::string name = g.Pick(kFirstNames);
            name += ' ';
            name += g.Pick(kLastNames);
            std::string record;
            Put32(record, customer++);
            record += Padded(name, 24) + Padded(g.Pick(kCities), 16) + Padded(amount, 16);
            Put32(record, g.Below(4));
            p += record;
        }
        p.resize(2048, '\0');
        out += p;
    }
    out.resize(size);
    return out;
}

std::string Sql(Generator& g, size_t size) {
    std::string out =
        "-- Sample database \"stores\": customers and their orders.\n"
        "CREATE TABLE customer (id INTEGER PRIMARY KEY, name CHAR(24), city CHAR(16));\n"
        "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer INTEGER, amount DECIMAL(11,2));\n";
    uint32_t id = 1;
    FillLines(out, size, [&] {
        char line[160];
        if (g.Below(3) == 0) {
            const char* first = g.Pick(kFirstNames);
            const char* last = g.Pick(kLastNames);
            const char* city = g.Pick(kCities);
            std::snprintf(line, sizeof line, "INSERT INTO customer VALUES (%u, '%s %s', '%s');\n", id, first, last,
                          city);
        } else {
            const uint32_t customer = 1 + g.Below(id);
            const uint32_t units = g.Below(50000);
            const uint32_t cents = g.Below(100);
            std::snprintf(line, sizeof line, "INSERT INTO orders VALUES (%u, %u, %u.%02u);\n", id, customer, units,
                          cents);
        }
        ++id;
        return std::string(line);
    });
    return out;
}

// A manual: numbered chapters of paragraphs wrapped at 72 columns.
std::string Text(Generator& g, size_t size) {
    std::string out;
    uint32_t chapter = 0, paragraphs = 0;
    std::string pending;
    FillLines(out, size, [&]() -> std::string {
        if (paragraphs == 0) {
            paragraphs = 4 + g.Below(8);
            char head[120];
            std::snprintf(head, sizeof head, "\nChapter %u. %s\n\n", ++chapter,
                          Sentence(g, kEnglish, std::size(kEnglish), 3).c_str());
            return head;
        }
        if (pending.empty()) {
            const uint32_t sentences = 3 + g.Below(6);
            for (uint32_t i = 0; i < sentences; ++i) {
                if (i > 0) pending += ' ';
                pending += Sentence(g, kEnglish, std::size(kEnglish), 5 + g.Below(10));
            }
        }
        size_t cut = pending.size();
        if (cut > 72) {
            cut = pending.rfind(' ', 72);
            if (cut == std::string::npos) cut = 72;
        }
        std::string line = pending.substr(0, cut) + "\n";
        pending.erase(0, cut < pending.size() ? cut + 1 : cut);
        if (pending.empty()) {
            --paragraphs;
            line += "\n";
        }
        return line;
    });
    return out;
}

std::string Messages(Generator& g, size_t size, const char* const* words, size_t count) {
    std::string out;
    uint32_t number = 10000;
    FillLines(out, size, [&] {
        char head[16];
        std::snprintf(head, sizeof head, "%05u ", number++);
        return head + Sentence(g, words, count, 4 + g.Below(9)) + "\n";
    });
    return out;
}

bool Make(const std::string& kind, size_t size, const std::string& path, std::string& out, std::string& error) {
    Generator g(path);
    if (kind == "binary") out = Binary(g, size);
    else if (kind == "data") out = Data(g, size);
    else if (kind == "sql") out = Sql(g, size);
    else if (kind == "text") out = Text(g, size);
    else if (kind == "msg-en") out = Messages(g, size, kEnglish, std::size(kEnglish));
    else if (kind == "msg-fr") out = Messages(g, size, kFrench, std::size(kFrench));
    else if (kind == "msg-de") out = Messages(g, size, kGerman, std::size(kGerman));
    else if (kind == "empty") {
        if (size != 0) {
            error = "an empty file must have the size 0";
            return false;
        }
        out.clear();
    } else {
        error = "unknown kind \"" + kind + "\"";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vrnpayload MANIFEST ROOT\n");
        return 2;
    }
    const std::string manifest = argv[1];
    const fs::path root = argv[2];
    std::ifstream in(manifest);
    if (!in) {
        std::fprintf(stderr, "vrnpayload: %s: %s\n", manifest.c_str(), std::strerror(errno));
        return 1;
    }
    std::string line;
    int number = 0, made = 0;
    uint64_t bytes = 0;
    while (std::getline(in, line)) {
        ++number;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        std::istringstream fields(line);
        std::string kind, path, extra;
        long long size = -1;
        if (!(fields >> kind >> size >> path) || (fields >> extra) || size < 0) {
            std::fprintf(stderr, "vrnpayload: %s:%d: expected \"KIND SIZE PATH\"\n", manifest.c_str(), number);
            return 1;
        }
        std::string data, error;
        if (!Make(kind, static_cast<size_t>(size), path, data, error)) {
            std::fprintf(stderr, "vrnpayload: %s:%d: %s\n", manifest.c_str(), number, error.c_str());
            return 1;
        }
        const fs::path target = root / path;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.close();
        if (ec || !out) {
            std::fprintf(stderr, "vrnpayload: %s: cannot write\n", target.c_str());
            return 1;
        }
        ++made;
        bytes += data.size();
    }
    std::printf("vrnpayload: %d files, %llu bytes\n", made, static_cast<unsigned long long>(bytes));
    return 0;
}
