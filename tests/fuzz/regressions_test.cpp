// The inputs kept from fuzzing (fuzz/regressions/<entry>/, each the input of
// a finding that was fixed) and the seed corpus (fuzz/corpus/<entry>/), fed
// through the entry that found them: no crash, no sanitizer report, no
// finding of the entry's own checks.
#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fuzz/fuzz.h"

namespace vrn {
namespace {

std::vector<std::string> FilesOf(const std::string& dir) {
    std::vector<std::string> files;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.') files.push_back(dir + "/" + e->d_name);
        ::closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string g_input;
void RecordFinding(const std::string& what) { ADD_FAILURE() << g_input << ": " << what; }

class FuzzInputs : public ::testing::TestWithParam<const char*> {};

TEST_P(FuzzInputs, EveryKeptInputPassesItsEntry) {
    const fuzz::FuzzTarget* target = fuzz::FindFuzzTarget(GetParam());
    ASSERT_NE(target, nullptr);
    const fuzz::FindingHandler previous = fuzz::SetFindingHandler(RecordFinding);
    size_t inputs = 0;
    for (const char* kind : {"regressions", "corpus"})
        for (const std::string& file : FilesOf(std::string(VRN_FUZZ_DIR) + "/" + kind + "/" + GetParam())) {
            std::ifstream in(file, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            const std::string data = bytes.str();
            g_input = file;
            target->run(reinterpret_cast<const uint8_t*>(data.data()), data.size());
            ++inputs;
        }
    fuzz::SetFindingHandler(previous);
    // Every entry has its seeds.
    EXPECT_GT(inputs, 0u);
}

INSTANTIATE_TEST_SUITE_P(Entries, FuzzInputs,
                         ::testing::Values("install_tab", "layout_tab", "volume_id", "archive", "lzss", "ini", "nls",
                                           "tailor", "drive_map", "response"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
}  // namespace vrn
