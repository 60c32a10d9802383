// The national-language lists read from the national-language data file:
// every NLSDATA line, every NUMBERFORMATS line, and the distinct date
// formats and code page triples in order of first appearance. The lists are
// made with the standard library's allocator and belong to the caller.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/products/products.h"
#include "platform/crt.h"
#include "platform/system.h"

namespace vrn {

nlsnode* _pNlsDataAllHead = nullptr;
nlsDateNode* _pNlsDateHead = nullptr;
nlsNumberFormatNode* _pNlsNumberFormatHead = nullptr;
nlsCCCNode* _pNlsCCCHead = nullptr;
char _nlsCountryName[256] = {};
char _nlsLanguageName[256] = {};

namespace {

constexpr int kLineLimit = 1024;          // bytes read per line, NUL included
constexpr size_t kCodePageTextSize = 63;  // work string of the joined code pages

// "<text>: <the system's text for the last error>" on the standard error stream.
void ReportNls(const char* text) {
    const int error = errno;
    std::string line = text;
    line += ": ";
    line += std::strerror(error);
    line += "\n";
    ConsoleError(line);
}

// The next field of `cursor`, separated by any run of the characters in
// `separators`; the field is NUL-terminated in place and `cursor` moves past
// it. Null when no field is left.
char* NextField(char*& cursor, const char* separators) {
    char* start = cursor + std::strspn(cursor, separators);
    if (*start == '\0') {
        cursor = start;
        return nullptr;
    }
    char* end = start + std::strcspn(start, separators);
    if (*end != '\0') {
        *end = '\0';
        cursor = end + 1;
    } else {
        cursor = end;
    }
    return start;
}

// Copies a field into a fixed-width text, cut to fit.
template <size_t N>
void CopyField(char (&out)[N], const char* field) {
    size_t length = std::strlen(field);
    if (length > N - 1) length = N - 1;
    std::memcpy(out, field, length);
    out[length] = '\0';
}

// Appends `node` behind the last node of the list whose head is `head`.
template <typename Node>
void AppendNode(Node*& head, Node* node) {
    Node** link = &head;
    while (*link != nullptr) link = &(*link)->next;
    *link = node;
}

template <typename Node>
Node* NewNode() {
    return static_cast<Node*>(std::calloc(1, sizeof(Node)));
}

struct NlsLists {
    nlsnode* data = nullptr;
    nlsDateNode* dates = nullptr;
    nlsNumberFormatNode* numberFormats = nullptr;
    nlsCCCNode* codePages = nullptr;
};

void ListDate(NlsLists& lists, const char* dateFormat) {
    for (const nlsDateNode* node = lists.dates; node != nullptr; node = node->next) {
        if (std::strcmp(node->dateFormat, dateFormat) == 0) return;
    }
    nlsDateNode* node = NewNode<nlsDateNode>();
    if (node == nullptr) {
        ReportNls("malloc nlsDateNode");
        return;
    }
    CopyField(node->dateFormat, dateFormat);
    AppendNode(lists.dates, node);
}

void ListCodePages(NlsLists& lists, const char* codePages) {
    for (const nlsCCCNode* node = lists.codePages; node != nullptr; node = node->next) {
        if (std::strcmp(node->codePages, codePages) == 0) return;
    }
    nlsCCCNode* node = NewNode<nlsCCCNode>();
    if (node == nullptr) {
        ReportNls("malloc nlsCCCNode");
        return;
    }
    CopyField(node->codePages, codePages);
    AppendNode(lists.codePages, node);
}

// One NLSDATA line: nine fields separated by blanks or tabs. The node joins
// the list at once and keeps what was copied when a field is missing.
bool ReadDataLine(NlsLists& lists, char* line, char* codePageText) {
    nlsnode* node = NewNode<nlsnode>();
    if (node == nullptr) {
        ReportNls("malloc nlsnode");
        return false;
    }
    AppendNode(lists.data, node);
    char* fields[] = {node->field1, node->field2, node->dateFormat, node->field4, node->field5,
                      node->codePage1, node->codePage2, node->codePage3, node->field9};
    const size_t widths[] = {sizeof node->field1, sizeof node->field2, sizeof node->dateFormat,
                             sizeof node->field4, sizeof node->field5, sizeof node->codePage1,
                             sizeof node->codePage2, sizeof node->codePage3, sizeof node->field9};
    char* cursor = line;
    for (int i = 0; i < 9; ++i) {
        const char* field = NextField(cursor, " \t");
        if (field == nullptr) return false;
        std::strncpy(fields[i], field, widths[i] - 1);
        if (i == 2) ListDate(lists, node->dateFormat);
        if (i == 7) {
            std::snprintf(codePageText, kCodePageTextSize, "%s %s %s", node->codePage1, node->codePage2,
                          node->codePage3);
            ListCodePages(lists, codePageText);
        }
    }
    return true;
}

// One NUMBERFORMATS line: four fields separated by runs of "|".
bool ReadNumberFormatLine(NlsLists& lists, char* line) {
    nlsNumberFormatNode* node = NewNode<nlsNumberFormatNode>();
    if (node == nullptr) {
        ReportNls("malloc nlsNumberFormatNode");
        return false;
    }
    AppendNode(lists.numberFormats, node);
    char* fields[] = {node->field1, node->field2, node->field3, node->field4};
    const size_t widths[] = {sizeof node->field1, sizeof node->field2, sizeof node->field3, sizeof node->field4};
    char* cursor = line;
    for (int i = 0; i < 4; ++i) {
        const char* field = NextField(cursor, "|");
        if (field == nullptr) return false;
        std::strncpy(fields[i], field, widths[i] - 1);
    }
    return true;
}

template <typename Node>
void FreeList(Node* node) {
    while (node != nullptr) {
        Node* next = node->next;
        std::free(node);
        node = next;
    }
}

}  // namespace

int32_t mfGetNlsLists(const char* fileName, nlsnode** dataHead, nlsDateNode** dateHead,
                      nlsNumberFormatNode** numberFormatHead, nlsCCCNode** cccHead) {
    char* codePageText = static_cast<char*>(std::malloc(kCodePageTextSize));
    if (codePageText == nullptr) {
        ReportNls("malloc szTmpCCCString");
        return 1;
    }
    FILE* file = vrn::fopen(fileName, "r");
    if (file == nullptr) {
        ReportNls("fopen error");
        std::free(codePageText);
        return 1;
    }

    enum class Section { None, NlsData, NumberFormats };
    Section section = Section::None;
    NlsLists lists;
    bool good = false;
    char line[kLineLimit];
    // A line longer than the limit comes in pieces, each taken as a line.
    while (vrn::fgets(line, kLineLimit, file) != nullptr) {
        if (line[0] == '#') continue;
        if (line[0] == '[') {
            if (std::strstr(line, "NLSDATA") != nullptr) {
                section = Section::NlsData;
            } else if (std::strstr(line, "NUMBERFORMATS") != nullptr) {
                section = Section::NumberFormats;
            } else {
                section = Section::None;
            }
            continue;
        }
        bool complete = false;
        if (section == Section::NlsData) {
            complete = ReadDataLine(lists, line, codePageText);
        } else if (section == Section::NumberFormats) {
            complete = ReadNumberFormatLine(lists, line);
        }
        if (complete) {
            good = true;
        } else if (!good) {
            // Until one line has been read completely, a bad line means the
            // file is not a national-language data file.
            ReportNls("strtok intlset.txt");
            break;
        }
    }

    if (lists.data != nullptr) *dataHead = lists.data;
    if (lists.dates != nullptr) *dateHead = lists.dates;
    if (lists.numberFormats != nullptr) *numberFormatHead = lists.numberFormats;
    if (lists.codePages != nullptr) *cccHead = lists.codePages;
    vrn::fclose(file);
    std::free(codePageText);
    return good ? 0 : 1;
}

int32_t mfFreeNlsLists(nlsnode* dataHead, nlsDateNode* dateHead, nlsNumberFormatNode* numberFormatHead,
                       nlsCCCNode* cccHead) {
    FreeList(dataHead);
    FreeList(dateHead);
    FreeList(numberFormatHead);
    FreeList(cccHead);
    return 0;
}

}  // namespace vrn
