// The response file of vinstall, read and checked against the demo medium's
// product tree and applied to it as an unattended run does.
#include <sys/stat.h>

#include <string>

#include "engine/products/products.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "frontend/installer.h"
#include "frontend/run_support.h"
#include "fuzz/fuzz.h"
#include "fuzz/scratch.h"

namespace vrn::fuzz {

namespace {

// The demo medium's installation table and national-language file, kept
// beside the entries.
const std::string& MediumFile(const char* name, std::string& cache) {
    if (cache.empty()) cache = ReadHostFile(std::string(VRN_FUZZ_DATA_DIR) + "/" + name);
    return cache;
}

}  // namespace

void FuzzResponseFile(const uint8_t* data, size_t size) {
    static std::string table, nls;
    BeginInput();
    const std::string medium = HostOf("C:\\m");
    ::mkdir(medium.c_str(), 0700);
    if (!WriteHostFile(medium + "/install.tab", MediumFile("install.tab", table)) ||
        !WriteHostFile(medium + "/intlset.txt", MediumFile("intlset.txt", nls)) ||
        !WriteHostFile(HostOf("C:\\install.ini"), data, size))
        return;
    if (ReadInstallTable("C:\\m", 0) != 0 || !installer::BuildWholeTree()) {
        Finding("the demo medium's installation table cannot be read");
        return;
    }
    const std::string file = "C:\\install.ini";
    installer::Responses responses;
    std::string error;
    bool ok = installer::ReadResponses(file, _availableProducts, responses, error) &&
              installer::ApplyProductChoices(file, responses, _availableProducts, error);
    if (ok) {
        BuildLanguageTable();
        installer::ApplyTagValues(responses);
        ok = installer::ApplyLanguages(file, responses, error) &&
             installer::ApplyCountry(file, "C:\\m\\intlset.txt", responses, error);
    }
    if (!ok && error.compare(0, file.size() + 2, file + ": ") != 0)
        Finding("a response-file mistake that does not name the file: " + error);
    if (ok && responses.destination.size() > 255) Finding("a destination longer than the engine's buffers");
    FreeProductTable(_availableProducts);
    _availableProducts = nullptr;
}

}  // namespace vrn::fuzz
