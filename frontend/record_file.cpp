// The response file of a choice made on the console: every key the reader
// takes, each choice spelled out, so that an unattended run of the file
// builds the same tree and installs the same files.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "frontend/installer.h"
#include "runtime/ini/ini.h"

namespace vrn::installer {

namespace {

constexpr size_t kLineLimit = INI_LINE_SIZE - 1;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsServerProduct(int32_t number) { return number >= 250 && number <= 252; }

bool IsEngineComponent(const char* name) {
    return std::strcmp(name, "4GL") == 0 || std::strcmp(name, "4GL (m)") == 0 || std::strcmp(name, "SQL") == 0 ||
           std::strcmp(name, "SQL (m)") == 0;
}

const char* EngineWord(int32_t choice) {
    switch (choice % 3) {
    case 0: return "4gl";
    case 1: return "sql";
    default: return "both";
    }
}

const char* DecisionWord(int32_t decision) {
    switch (decision) {
    case 1603: return "keep";
    case 1602: return "empty";
    default: return "cancel";
    }
}

class Writer {
public:
    std::string text;
    std::string error;

    void Comment(const std::string& line) { text += "; " + line + "\n"; }
    void Section(const std::string& name) {
        if (!text.empty() && text.back() != '\n') text += "\n";
        Line("[" + name + "]", name);
    }
    void Entry(const std::string& key, const std::string& value) {
        // What the reader would take otherwise: a key that holds the
        // separator or begins like a section or a comment, a value over
        // more than one line.
        if (key.empty() || key.find('=') != std::string::npos || key[0] == '[' || key[0] == ';' ||
            key.find_first_of("\r\n") != std::string::npos || value.find_first_of("\r\n") != std::string::npos) {
            Fail("the name '" + key + "' cannot be written as a key of a response file");
            return;
        }
        Line(key + "=" + value, key);
    }
    void Fail(const std::string& what) {
        if (error.empty()) error = what;
    }

private:
    void Line(const std::string& line, const std::string& what) {
        if (line.size() > kLineLimit)
            Fail("the line of '" + what + "' would be longer than " + std::to_string(kLineLimit) + " characters");
        text += line + "\n";
    }
};

std::string SectionNameOf(const ProductNode* product, const ProductNode* products) {
    // The product's name, unless another product shares it (or it holds a
    // bracket): then its number.
    const std::string name = product->productName;
    bool unique = name.find_first_of("[]") == std::string::npos && !name.empty();
    for (const ProductNode* p = products; p != nullptr && unique; p = p->next)
        if (p != product && Lower(p->productName) == Lower(name)) unique = false;
    return std::string("Product ") + (unique ? name : std::to_string(product->productNumber));
}

}  // namespace

bool ResponseText(const Responses& responses, const ProductNode* products, const std::string& note, std::string& text,
                  std::string& error) {
    Writer w;
    w.Comment("A response file recorded by vinstall: " + note);
    w.Comment("vinstall -bFILE installs the same choice unattended.");
    w.Section("Install");
    w.Entry("Destination", responses.destination);
    w.Entry("ExistingDirectory", DecisionWord(responses.existingDirectory));
    if (responses.serverEngine >= 0) {
        w.Entry("ServerEngine", EngineWord(responses.serverEngine));
        w.Entry("ResetEngineSubcomponents", responses.serverEngine >= 3 ? "yes" : "no");
    }
    if (!responses.languages.empty()) {
        std::string list;
        for (const std::string& language : responses.languages) {
            if (language.find(',') != std::string::npos)
                w.Fail("the language '" + language + "' cannot stand in a list of languages");
            list += (list.empty() ? "" : ", ") + language;
        }
        w.Entry("Languages", list);
    }
    if (!responses.country.empty()) w.Entry("Country", responses.country);
    if (!responses.saveDirectory.empty()) w.Entry("SaveDirectory", responses.saveDirectory);
    for (const auto& [key, value] : responses.tagValues) w.Entry(key, value);
    if (responses.kestrelAdapter >= 0) w.Entry("KestrelAdapter", responses.kestrelAdapter == 1 ? "yes" : "no");

    for (const ProductChoice& choice : responses.products) {
        const ProductNode* product = products;
        while (product != nullptr && product->productNumber != choice.productNumber) product = product->next;
        if (product == nullptr) {
            w.Fail("the medium has no product " + std::to_string(choice.productNumber));
            continue;
        }
        w.text += "\n";
        w.Section(SectionNameOf(product, products));
        size_t skus = 0;
        for (const SkuNode* s = product->firstSku; s != nullptr; s = s->next) ++skus;
        if (skus > 1) w.Entry("SKU", choice.sku);
        for (const ComponentChoice& c : choice.choices) {
            // The engine components of a server product follow ServerEngine.
            if (responses.serverEngine >= 0 && IsServerProduct(choice.productNumber) && c.subcomponent.empty() &&
                IsEngineComponent(c.component.c_str()))
                continue;
            if (c.component.find('/') != std::string::npos)
                w.Fail("the component '" + c.component + "' holds a '/', which a response file cannot name");
            const std::string key = c.subcomponent.empty() ? c.component : c.component + "/" + c.subcomponent;
            w.Entry(key, c.chosen ? "yes" : "no");
        }
    }
    if (!w.error.empty()) {
        error = w.error;
        return false;
    }
    text = w.text;
    return true;
}

bool WriteResponseFile(const std::string& hostPath, const std::string& text, std::string& error) {
    // Written whole to a temporary name, then put in place.
    const std::string temporary = hostPath + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            error = "cannot write " + temporary;
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), hostPath.c_str()) != 0) {
        error = "cannot write " + hostPath;
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace vrn::installer
