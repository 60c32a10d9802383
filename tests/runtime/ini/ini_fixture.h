// Shared fixture of the initialization-file tests: files written and read
// through the platform's text-mode streams on the temporary C: drive.
#pragma once

#include <string>

#include "platform/crt.h"
#include "platform/system.h"
#include "runtime/ini/ini.h"
#include "tests/support/test_support.h"

namespace vrn::test {

class IniFiles : public TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        SetEnv("TEMP", nullptr);
    }

    // Writes text through a text-mode stream (line feeds become CR LF).
    static void WriteText(const char* path, const std::string& text) {
        FILE* f = vrn::fopen(path, "w");
        ASSERT_NE(f, nullptr) << path;
        ASSERT_GE(vrn::fputs(text.c_str(), f), 0);
        ASSERT_EQ(vrn::fclose(f), 0);
    }

    // Reads a whole file through a text-mode stream.
    static std::string ReadText(const char* path) {
        FILE* f = vrn::fopen(path, "r");
        if (f == nullptr) return "<missing>";
        std::string text;
        char buffer[64];
        size_t got = 0;
        while ((got = vrn::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
        vrn::fclose(f);
        return text;
    }

    static std::string Get(const char* section, const char* key, const char* file, const char* def = "<default>",
                           int32_t size = 160) {
        char buffer[400];
        int32_t n = wdGetPrivateProfileString(section, key, def, buffer, size, file);
        std::string value(buffer);
        EXPECT_EQ(n, static_cast<int32_t>(value.size())) << section << "/" << (key ? key : "(null)");
        return value;
    }
};

}  // namespace vrn::test
