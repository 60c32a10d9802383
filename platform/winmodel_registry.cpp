// The registry model: keys and their text values, opened for reading by
// handle.
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "platform/winmodel.h"

namespace vrn {

namespace {

unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

std::string LowerText(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(Lower(static_cast<unsigned char>(c)));
    return out;
}

// A key's canonical form: lower case, full root name, single backslashes,
// no trailing separator.
std::string CanonicalKey(std::string_view key) {
    std::string out;
    for (char c : key) {
        if (c == '/') c = '\\';
        if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
        out.push_back(static_cast<char>(Lower(static_cast<unsigned char>(c))));
    }
    while (!out.empty() && out.back() == '\\') out.pop_back();
    static const std::pair<std::string_view, std::string_view> shortForms[] = {
        {"hkcr", "hkey_classes_root"},
        {"hkcu", "hkey_current_user"},
        {"hklm", "hkey_local_machine"},
        {"hku", "hkey_users"},
    };
    const size_t end = out.find('\\');
    const std::string_view root = std::string_view(out).substr(0, end);
    for (const auto& [shortName, longName] : shortForms) {
        if (root == shortName) return std::string(longName) + (end == std::string::npos ? "" : out.substr(end));
    }
    return out;
}

std::string_view RootName(HKEY root) {
    switch (root) {
        case HKEY_CLASSES_ROOT: return "hkey_classes_root";
        case HKEY_CURRENT_USER: return "hkey_current_user";
        case HKEY_LOCAL_MACHINE: return "hkey_local_machine";
        case HKEY_USERS: return "hkey_users";
        default: return {};
    }
}

bool SameDecls(const std::vector<RegistryDecl>& a, const std::vector<RegistryDecl>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const RegistryDecl& x, const RegistryDecl& y) {
        return x.key == y.key && x.name == y.name && x.value == y.value;
    });
}

struct RegistryModel {
    // canonical key -> (lower-case value name -> value)
    std::map<std::string, std::map<std::string, std::string>> keys;
    // open handles -> canonical key
    std::map<HKEY, std::string> open;
    HKEY nextHandle = 0x1000;
};

std::optional<std::vector<RegistryDecl>> g_builtFrom;
RegistryModel g_model;

void Add(RegistryModel& m, const RegistryDecl& d) {
    m.keys[CanonicalKey(d.key)][LowerText(d.name)] = d.value;
}

RegistryModel& Model() {
    EnsurePlatformLoaded();
    const std::vector<RegistryDecl>& decls = CurrentPlatformConfig().registry;
    if (!g_builtFrom || !SameDecls(*g_builtFrom, decls)) {
        g_builtFrom = decls;
        RegistryModel fresh;
        fresh.nextHandle = g_model.nextHandle;   // handles are never reused
        for (const RegistryDecl& d : decls) Add(fresh, d);
        g_model = std::move(fresh);
    }
    return g_model;
}

bool KeyExists(const RegistryModel& m, const std::string& key) {
    auto it = m.keys.lower_bound(key);
    if (it == m.keys.end()) return false;
    return it->first == key || (it->first.size() > key.size() && it->first.compare(0, key.size(), key) == 0 &&
                                it->first[key.size()] == '\\');
}

}  // namespace

LONG RegOpenKeyExA(HKEY parent, const char* subKey, DWORD, REGSAM, HKEY* result) {
    RegistryModel& m = Model();
    if (result == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    std::string base;
    if (std::string_view root = RootName(parent); !root.empty()) {
        base = root;
    } else if (auto it = m.open.find(parent); it != m.open.end()) {
        base = it->second;
    } else {
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    }
    const std::string key =
        (subKey == nullptr || *subKey == '\0') ? base : CanonicalKey(base + "\\" + subKey);
    if (key != base && !KeyExists(m, key)) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    const HKEY handle = m.nextHandle++;
    m.open[handle] = key;
    *result = handle;
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD*, DWORD* type, uint8_t* data, DWORD* size) {
    RegistryModel& m = Model();
    std::string path;
    if (std::string_view root = RootName(key); !root.empty()) {
        path = root;
    } else if (auto it = m.open.find(key); it != m.open.end()) {
        path = it->second;
    } else {
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    }
    auto k = m.keys.find(path);
    if (k == m.keys.end()) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    auto v = k->second.find(LowerText(valueName == nullptr ? "" : valueName));
    if (v == k->second.end()) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    if (type != nullptr) *type = REG_SZ;
    const DWORD needed = static_cast<DWORD>(v->second.size() + 1);
    if (data == nullptr) {
        if (size != nullptr) *size = needed;
        return static_cast<LONG>(ERROR_SUCCESS);
    }
    if (size == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    if (*size < needed) {
        *size = needed;
        return static_cast<LONG>(ERROR_MORE_DATA);
    }
    std::memcpy(data, v->second.c_str(), needed);
    *size = needed;
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegCloseKey(HKEY key) {
    if (!RootName(key).empty()) return static_cast<LONG>(ERROR_SUCCESS);
    return Model().open.erase(key) ? static_cast<LONG>(ERROR_SUCCESS) : static_cast<LONG>(ERROR_INVALID_HANDLE);
}

void SetRegistryValue(const std::string& key, const std::string& name, const std::string& value) {
    Add(Model(), RegistryDecl{key, name, value});
}

void SetRegistry(const std::vector<RegistryDecl>& values) {
    RegistryModel& m = Model();
    m.keys.clear();
    for (const RegistryDecl& d : values) Add(m, d);
}

void ResetRegistryModel() { g_builtFrom.reset(); }

}  // namespace vrn
