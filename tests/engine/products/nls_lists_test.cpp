// Reading the national-language data file into the four lists.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/products/products.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class NlsListsTest : public test::TempDrives {
protected:
    void TearDown() override {
        mfFreeNlsLists(data, dates, numberFormats, codePages);
        test::TempDrives::TearDown();
    }

    // Writes the file to C:\intlset.txt and reads it, keeping what the
    // reader wrote to the standard error stream.
    int32_t Read(const std::string& contents) {
        WriteHostFile(Host("C:\\intlset.txt"), contents);
        testing::internal::CaptureStderr();
        const int32_t result = mfGetNlsLists("C:\\intlset.txt", &data, &dates, &numberFormats, &codePages);
        errors = testing::internal::GetCapturedStderr();
        return result;
    }

    std::vector<std::string> DateTexts() const {
        std::vector<std::string> out;
        for (const nlsDateNode* node = dates; node != nullptr; node = node->next) out.push_back(node->dateFormat);
        return out;
    }
    std::vector<std::string> CodePageTexts() const {
        std::vector<std::string> out;
        for (const nlsCCCNode* node = codePages; node != nullptr; node = node->next) out.push_back(node->codePages);
        return out;
    }
    std::vector<const nlsnode*> DataNodes() const {
        std::vector<const nlsnode*> out;
        for (const nlsnode* node = data; node != nullptr; node = node->next) out.push_back(node);
        return out;
    }

    nlsnode* data = nullptr;
    nlsDateNode* dates = nullptr;
    nlsNumberFormatNode* numberFormats = nullptr;
    nlsCCCNode* codePages = nullptr;
    std::string errors;
};

TEST_F(NlsListsTest, SectionsCommentsAndDistinctValues) {
    const std::string file =
        "# national-language settings\n"
        "[NLSDATA]\n"
        "USA English MM/DD/YYYY , . 437 437 437 1\r\n"
        "Germany \t German\tDD.MM.YYYY . , 850 850 850 1 ignored fields\n"
        "# a comment inside the section\n"
        "Austria German DD.MM.YYYY . , 850 850 850 2\n"
        "[ELSEWHERE]\n"
        "a stray line outside both sections\n"
        "[NUMBERFORMATS]\n"
        "1|#,###.##|,|.\n"
        "2||#.###,##|||.|,|extra\n"
        "3|only|three\n"
        "[NLSDATA and NUMBERFORMATS]\n"
        "Japan Japanese YYYY/MM/DD , . 932 932 437 3\n";
    ASSERT_EQ(Read(file), 0);
    EXPECT_EQ(errors, "");

    const std::vector<const nlsnode*> nodes = DataNodes();
    ASSERT_EQ(nodes.size(), 4u);
    EXPECT_STREQ(nodes[0]->field1, "USA");
    EXPECT_STREQ(nodes[0]->field2, "English");
    EXPECT_STREQ(nodes[0]->dateFormat, "MM/DD/YYYY");
    EXPECT_STREQ(nodes[0]->field4, ",");
    EXPECT_STREQ(nodes[0]->field5, ".");
    EXPECT_STREQ(nodes[0]->codePage1, "437");
    EXPECT_STREQ(nodes[0]->codePage3, "437");
    // The line's end stays with its last field; the file is read as text.
    EXPECT_STREQ(nodes[0]->field9, "1\n");
    EXPECT_STREQ(nodes[1]->field2, "German");
    EXPECT_STREQ(nodes[1]->field9, "1");
    EXPECT_STREQ(nodes[3]->field1, "Japan");

    EXPECT_EQ(DateTexts(), (std::vector<std::string>{"MM/DD/YYYY", "DD.MM.YYYY", "YYYY/MM/DD"}));
    EXPECT_EQ(CodePageTexts(), (std::vector<std::string>{"437 437 437", "850 850 850", "932 932 437"}));

    // Runs of "|" are one separator; a short line stays in the list once the
    // file has proved good, and reading goes on after it.
    ASSERT_NE(numberFormats, nullptr);
    EXPECT_STREQ(numberFormats->field1, "1");
    EXPECT_STREQ(numberFormats->field2, "#,###.##");
    EXPECT_STREQ(numberFormats->field3, ",");
    EXPECT_STREQ(numberFormats->field4, ".\n");
    const nlsNumberFormatNode* second = numberFormats->next;
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(second->field2, "#.###,##");
    EXPECT_STREQ(second->field3, ".");
    EXPECT_STREQ(second->field4, ",");
    ASSERT_NE(second->next, nullptr);
    EXPECT_STREQ(second->next->field2, "only");
    EXPECT_EQ(second->next->field4[0], '\0');
    EXPECT_EQ(second->next->next, nullptr);
}

TEST_F(NlsListsTest, LongLinesComeInPiecesOf1023Bytes) {
    std::string first = "Long Lang L/L/L x y p1 p2 p3 ";
    first += std::string(1023 - first.size() - 2, ' ');
    first += "Z9";
    ASSERT_EQ(first.size(), 1023u);
    const std::string file = "[NLSDATA]\n" + first + "Next Lang2 N/N/N x y q1 q2 q3 8\n";
    ASSERT_EQ(Read(file), 0);
    const std::vector<const nlsnode*> nodes = DataNodes();
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_STREQ(nodes[0]->field9, "Z9");
    EXPECT_STREQ(nodes[1]->field1, "Next");
    EXPECT_STREQ(nodes[1]->field9, "8\n");
    EXPECT_EQ(CodePageTexts(), (std::vector<std::string>{"p1 p2 p3", "q1 q2 q3"}));
}

TEST_F(NlsListsTest, AFirstLineThatFailsStopsTheReading) {
    // Eight fields only: the node keeps them, and the date and the code page
    // triple were listed before the line failed.
    ASSERT_EQ(Read("[NLSDATA]\nUSA English MM/DD/YYYY , . 437 850 860\n"
                   "Germany German DD.MM.YYYY . , 850 850 850 1\n"),
              1);
    EXPECT_EQ(errors.rfind("strtok intlset.txt: ", 0), 0u) << errors;
    const std::vector<const nlsnode*> nodes = DataNodes();
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_STREQ(nodes[0]->codePage3, "860\n");
    EXPECT_EQ(nodes[0]->field9[0], '\0');
    EXPECT_EQ(DateTexts(), (std::vector<std::string>{"MM/DD/YYYY"}));
    EXPECT_EQ(CodePageTexts(), (std::vector<std::string>{"437 850 860\n"}));
    EXPECT_EQ(numberFormats, nullptr);
    mfFreeNlsLists(data, dates, numberFormats, codePages);
    data = nullptr;
    dates = nullptr;
    codePages = nullptr;

    // A data line before any section is no good first line either.
    ASSERT_EQ(Read("USA English MM/DD/YYYY , . 437 437 437 1\n[NLSDATA]\n"
                   "Germany German DD.MM.YYYY . , 850 850 850 1\n"),
              1);
    EXPECT_EQ(errors.rfind("strtok intlset.txt: ", 0), 0u) << errors;
    EXPECT_EQ(data, nullptr);

    // Comments and sections alone do not make the file good.
    ASSERT_EQ(Read("# nothing here\n[NLSDATA]\n[NUMBERFORMATS]\n"), 1);
    EXPECT_EQ(errors, "");
}

TEST_F(NlsListsTest, AMissingFileLeavesTheHeadsAlone) {
    nlsDateNode* const before = dates = static_cast<nlsDateNode*>(std::calloc(1, sizeof(nlsDateNode)));
    testing::internal::CaptureStderr();
    EXPECT_EQ(mfGetNlsLists("C:\\absent.txt", &data, &dates, &numberFormats, &codePages), 1);
    errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.rfind("fopen error: ", 0), 0u) << errors;
    EXPECT_EQ(dates, before);
    EXPECT_EQ(data, nullptr);
}

}  // namespace
}  // namespace vrn
