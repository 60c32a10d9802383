#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/ini/ini.h"
#include "tests/runtime/ini/ini_fixture.h"

namespace vrn {
namespace {

// The expected contents: sections by name, each with its entries in file
// order, keys as last written.
struct ModelEntry {
    std::string key;
    std::string value;
};
struct ModelSection {
    std::string name;   // canonical
    std::vector<ModelEntry> entries;
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Normalises as the library does: blanks around dropped, inner runs one space.
std::string Normalised(const std::string& s) {
    std::string out;
    bool pendingSpace = false;
    for (char c : s) {
        if (c == ' ' || c == '\t') {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) out += ' ';
        pendingSpace = false;
        out += c;
    }
    return out;
}

class Model {
public:
    ModelSection* Find(const std::string& section) {
        for (auto& s : sections_)
            if (Lower(s.name) == Lower(Normalised(section))) return &s;
        return nullptr;
    }
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        ModelSection& s = Ensure(section);
        for (auto& e : s.entries) {
            if (Lower(e.key) == Lower(Normalised(key))) {
                e = {Normalised(key), value};
                return;
            }
        }
        s.entries.push_back({Normalised(key), value});
    }
    void DeleteKey(const std::string& section, const std::string& key) {
        ModelSection& s = Ensure(section);   // a missing section gets its header
        auto it = std::find_if(s.entries.begin(), s.entries.end(),
                               [&](const ModelEntry& e) { return Lower(e.key) == Lower(Normalised(key)); });
        if (it != s.entries.end()) s.entries.erase(it);
    }
    void DeleteSection(const std::string& section) {
        auto it = std::find_if(sections_.begin(), sections_.end(),
                               [&](const ModelSection& s) { return Lower(s.name) == Lower(Normalised(section)); });
        if (it != sections_.end()) sections_.erase(it);
    }

private:
    ModelSection& Ensure(const std::string& section) {
        if (ModelSection* s = Find(section)) return *s;
        sections_.push_back({Normalised(section), {}});
        return sections_.back();
    }
    std::vector<ModelSection> sections_;
};

class IniProperty : public test::IniFiles {};

TEST_F(IniProperty, RandomWritesAndDeletesMatchModel) {
    const char* file = "C:\\model.ini";
    WriteText(file, "; made for the model\norphan=1\n[Main Setup]\nk1=start\n");
    Model model;
    model.Set("Main Setup", "k1", "start");

    const std::vector<std::string> sections = {"Main Setup", "b", "Third Group"};
    const std::vector<std::string> keys = {"k1", "Key Two", "x"};
    std::mt19937 rng(20240611);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    // The same name with its letters' case changed and blanks added.
    auto variant = [&](const std::string& name) {
        std::string out(pick(3), ' ');
        for (char c : name) {
            if (c == ' ') {
                out += std::string(1 + pick(3), pick(2) ? ' ' : '\t');
                continue;
            }
            out += pick(2) ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        }
        return out + std::string(pick(3), ' ');
    };
    auto value = [&]() {
        static const std::string alphabet = "abcXYZ019 =;[]#$%\\.,";
        if (pick(12) == 0) return std::string();
        std::string v(1, "vw5"[pick(3)]);
        int length = pick(30);
        for (int i = 0; i < length; ++i) v += alphabet[pick(static_cast<int>(alphabet.size()))];
        return v;
    };

    for (int step = 0; step < 250; ++step) {
        const std::string& section = sections[pick(3)];
        const std::string& key = keys[pick(3)];
        int op = pick(10);
        std::string what;
        int32_t result = 0;
        std::string sectionAsGiven = variant(section);
        std::string keyAsGiven = variant(key);
        if (op < 6) {
            std::string v = value();
            what = "set '" + sectionAsGiven + "'/'" + keyAsGiven + "'=" + v;
            result = wdWritePrivateProfileString(sectionAsGiven.c_str(), keyAsGiven.c_str(), v.c_str(), file);
            model.Set(sectionAsGiven, keyAsGiven, v);
        } else if (op < 9) {
            what = "delete '" + sectionAsGiven + "'/'" + keyAsGiven + "'";
            result = wdWritePrivateProfileString(sectionAsGiven.c_str(), keyAsGiven.c_str(), nullptr, file);
            model.DeleteKey(sectionAsGiven, keyAsGiven);
        } else {
            what = "delete section '" + sectionAsGiven + "'";
            result = wdWritePrivateProfileString(sectionAsGiven.c_str(), nullptr, nullptr, file);
            model.DeleteSection(sectionAsGiven);
        }
        ASSERT_EQ(result, 0) << "step " << step << ": " << what;

        for (const auto& s : sections) {
            const ModelSection* m = model.Find(s);
            for (const auto& k : keys) {
                std::string expected = "<none>";
                if (m != nullptr) {
                    for (const auto& e : m->entries)
                        if (Lower(e.key) == Lower(k) && !e.value.empty()) expected = e.value;
                }
                char buffer[200];
                int32_t n = wdGetPrivateProfileString(variant(s).c_str(), variant(k).c_str(), "<none>", buffer,
                                                      sizeof buffer, file);
                ASSERT_EQ(std::string(buffer), expected) << "step " << step << " after " << what << ": " << s
                                                         << "/" << k << "\n" << ReadText(file);
                ASSERT_EQ(n, static_cast<int32_t>(expected.size()));
            }
            // The listing holds every entry, empty values included, in file order.
            std::string listing;
            if (m != nullptr) {
                for (const auto& e : m->entries) listing += e.key + "=" + e.value + '\0';
            }
            listing += '\0';
            if (listing.size() == 1) listing += '\0';
            char buffer[1024];
            int32_t n = wdGetPrivateProfileString(s.c_str(), nullptr, "", buffer, sizeof buffer, file);
            ASSERT_EQ(std::string(buffer, static_cast<size_t>(n)), listing)
                << "step " << step << " after " << what << ": listing of " << s << "\n" << ReadText(file);
        }
        ASSERT_EQ(Get("main setup", "orphan", file), "<default>");
    }
}

}  // namespace
}  // namespace vrn
