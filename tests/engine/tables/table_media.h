// Media for the table reader tests: tables whose every field holds a value
// of its own, written by the table writer into the temporary C: drive.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "tests/support/test_support.h"
#include "tools/tablewriter/table_writer.h"

namespace vrn::test {

// Hands out distinct values: every integer has four different bytes, every
// text fills its whole width (width - 1 characters) and starts differently.
class Distinct {
public:
    uint32_t U32() {
        ++n_;
        return 0x01020304u + 0x11111111u * (n_ % 14) + n_;
    }
    uint16_t U16() { return static_cast<uint16_t>(0x0102 + 0x0101 * (++n_ % 200)); }
    int16_t S16() { return static_cast<int16_t>(U16() | 0x8000); }
    uint8_t U8() { return static_cast<uint8_t>(0x80 + (++n_ % 120)); }
    template <size_t N>
    void Text(char (&field)[N]) {
        std::string text = std::to_string(++n_) + ":";
        while (text.size() < N - 1) text += static_cast<char>('a' + (text.size() + n_) % 26);
        text.resize(N - 1);
        tablewriter::SetText(field, text);
    }
    template <size_t N>
    void Values(uint32_t (&values)[N]) {
        for (uint32_t& v : values) v = U32();
    }

private:
    uint32_t n_ = 0;
};

BitRecord MakeBit(Distinct& d);
Comp2SkuRecord MakeComp2Sku(Distinct& d);
Sku2ProductRecord MakeSku2Product(Distinct& d);
Subcomp2CompRecord MakeSubcomp2Comp(Distinct& d);
CompIDRecord MakeCompID(Distinct& d);
TailorRecord MakeTailor(Distinct& d);
DeviceRecord MakeDevice(Distinct& d);
InstallRecord MakeInstall(Distinct& d);
IconRecord MakeIcon(Distinct& d);
CdromSizeRecord MakeCdromSize(Distinct& d);
ArcListRecord MakeArcList(Distinct& d);

// `records` of every section (at least one), `installs` install records.
tablewriter::InstallTables MakeTables(Distinct& d, size_t records, size_t installs);

// A fixture with C:\MEDIA created; engine state reset before and after.
class TableMedia : public TempDrives {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string MediaHost(const std::string& name) const { return mediaHost_ + "/" + name; }
    void WriteMedia(const std::string& name, const std::vector<uint8_t>& bytes);

    std::string mediaHost_;
};

}  // namespace vrn::test
