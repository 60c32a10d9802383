// Tag substitution in installed files written with CR LF line ends.
#include <sys/stat.h>

#include <string>

#include "tests/engine/tailor/tailor_fixture.h"

namespace vrn {
namespace {

class TagSubstitutionTest : public test::TailorTest {
protected:
    // Writes `bytes` as C:\<name>, tailors it and returns its new bytes.
    std::string Tailor(const std::string& name, const std::string& bytes, const char* installDir = "D:\\App",
                       int32_t expected = 0) {
        WriteHostFile(root + "/C/" + name, bytes);
        const std::string path = "C:\\" + name;
        EXPECT_EQ(ModifyFile(path.c_str(), installDir), expected) << Boxes();
        EXPECT_FALSE(Exists(root + "/C/tlrxxxxx.tmp"));
        return ReadHostFile(root + "/C/" + name);
    }
    static std::string Converted(const char* line, const char* installDir = "D:\\App") {
        std::string out = "kept:";
        ConvertBuffer(line, out, installDir);
        return out;
    }
};

TEST_F(TagSubstitutionTest, EveryMarkerSideBySideOrAloneInACrLfFile) {
    Set(_destinationPath, "D:\\App");
    Set(_workPath, "D:\\Work");
    Set(_docRootDestPath, "D:\\Docs");
    Set(_cgiScriptDestPath, "D:\\Cgi");
    Set(_javaDestinationPath, "D:\\Java");
    Set(_nlsCpinternal, "ISO8859-1");
    Set(_nlsCpcollation, "COLL1");
    Set(_nlsCpcase, "CASE1");
    Set(_nlsDateFormat, "DMY4");
    Set(_nlsNumberFormat, "N2");
    Set(_nlsNumsep, ",");
    Set(_nlsNumdec, ".");
    Set(_szFolderName, "Varentis Tools");
    Set(_szDefaultLanguage, "English");
    Set(_szDefaultCountry, "UK");
    Set(_szArchiveDir, "E:\\arcs");
    Set(_szUseSourceEditor, "yes");
    const std::string in =
        "set RUD=C:\\old\\dir\r\n"
        "call %%RUD%%\\old\\bin\\start.bat now\r\n"
        "path=[[install-dir]]\\bin;[[work-dir]]\\lib\r\n"
        "[[docRoot-dir]]|[[scripts-dir]]|[[java-home]]|[[jfc-home]]\r\n"
        "[[nls-cpinternal]][[nls-cpcoll]][[nls-cpcase]][[nls-date]][[nls-number]][[nls-numsep]][[nls-numdec]]\r\n"
        "folder=[[folder-name]] lang=[[default-language]] country=[[default-country]]\r\n"
        "arcs=[[archive-dir]] editor=[[useSourceEditor]] cp=x[[kestrel-mq]]\r\n"
        "[[Install-Dir]] [[unknown]] [[install-dir] [install-dir]] set rud=x SET RUD=y\r\n"
        "\r\n"
        "lone\rcarriage [[work-dir]]\r\n";
    const std::string out = Tailor("every.txt", in);
    EXPECT_EQ(out,
              "set RUD=D:\\App\r\n"
              "call %%RUD%%D:\\App\r\n"
              "path=D:\\App\\bin;D:\\Work\\lib\r\n"
              "D:\\Docs|D:\\Cgi|D:\\Java|D:\\App\\jfc\r\n"
              "ISO8859-1COLL1CASE1DMY4N2,.\r\n"
              "folder=Varentis Tools lang=English country=UK\r\n"
              "arcs=E:\\arcs editor=yes cp=x\r\n"
              "[[Install-Dir]] [[unknown]] [[install-dir] [install-dir]] set rud=x SET RUD=y\r\n"
              "\r\n"
              "lone\rcarriage D:\\Work\r\n");

    // The Kestrel adapter's class path, already installed or installed now.
    _bIsKestrelAdapterInstalled = 1;
    EXPECT_EQ(Tailor("k1.txt", "cp=x[[kestrel-mq]]\r\n"),
              "cp=x;D:\\App\\java\\kestrelMQ\\lib\\client.jar;D:\\App\\java\\kestrelMQ\\lib\\jndi.jar\r\n");
    _bIsKestrelAdapterInstalled = 0;
    _bInstallingKestrelMqAdapter = 1;
    EXPECT_EQ(Tailor("k2.txt", "[[kestrel-mq]][[kestrel-mq]]\r\n"),
              ";D:\\App\\java\\kestrelMQ\\lib\\client.jar;D:\\App\\java\\kestrelMQ\\lib\\jndi.jar"
              ";D:\\App\\java\\kestrelMQ\\lib\\client.jar;D:\\App\\java\\kestrelMQ\\lib\\jndi.jar\r\n");

    // Empty values take their markers away; replacements are not scanned
    // again; the first line tag ends the line's conversion.
    _workPath[0] = '\0';
    Set(_javaDestinationPath, "[[install-dir]]");
    EXPECT_EQ(Converted("[[install-dir]]+[[work-dir]]+[[java-home]]\n"), "kept:D:\\App++[[install-dir]]\n");
    EXPECT_EQ(Converted("a [[work-dir]]set RUD=old [[install-dir]]\n"), "kept:a set RUD=D:\\App\n");
    EXPECT_EQ(Converted("%%RUD%%set RUD=x"), "kept:%%RUD%%D:\\App");
    EXPECT_EQ(Converted(""), "kept:");
    EXPECT_EQ(Converted("[[install-dir]]", ""), "kept:");
    EXPECT_EQ(Converted("[[jfc-home]]", "C:\\"), "kept:C:\\jfc");
}

TEST_F(TagSubstitutionTest, LongLinesComeInPiecesAndGrowWhole) {
    Set(_destinationPath, "D:\\App");
    Set(_workPath, "W");
    // A marker across the 499-character boundary is in neither piece whole.
    const std::string straddling = std::string(495, 'a') + "[[work-dir]]" + std::string(20, 'b');
    // A marker that ends exactly at the boundary is still replaced, and one
    // that begins the second piece too.
    const std::string atBoundary = std::string(487, 'c') + "[[work-dir]]" + "[[work-dir]]z";
    // Replacements that make a piece far longer than 500 bytes.
    const std::string installDir(200, 'I');
    std::string growing;
    for (int i = 0; i < 20; ++i) growing += "[[install-dir]];";
    // A line tag drops the rest of its own piece only.
    const std::string lineTagged = "set RUD=" + std::string(600, 'x');

    const std::string out =
        Tailor("long.txt", straddling + "\r\n" + atBoundary + "\r\n" + growing + "\r\n" + lineTagged + "\r\n",
               installDir.c_str());
    std::string grown;
    for (int i = 0; i < 20; ++i) grown += installDir + ";";
    EXPECT_EQ(out, straddling + "\r\n" + std::string(487, 'c') + "WWz\r\n" + grown + "\r\n" + "set RUD=D:\\App" +
                       std::string(600 - (499 - 8), 'x') + "\r\n");
    EXPECT_EQ(grown.size(), 20u * 201u);
}

TEST_F(TagSubstitutionTest, LastLineWithoutLineFeedAndEmptyFile) {
    Set(_workPath, "W");
    EXPECT_EQ(Tailor("nolf.txt", "a [[work-dir]]\r\nlast [[install-dir]] line"), "a W\r\nlast D:\\App line");
    EXPECT_EQ(Tailor("one.txt", "[[work-dir]]"), "W");
    EXPECT_EQ(Tailor("empty.txt", ""), "");
    // Nothing past a Ctrl-Z is text: the tailored file ends there.
    EXPECT_EQ(Tailor("ctrlz.txt", "a [[work-dir]]\r\n\x1A" "after"), "a W\r\n");
    EXPECT_TRUE(dialogs.boxes.empty()) << Boxes();
}

TEST_F(TagSubstitutionTest, EnvironmentBatchFileGetsTheShortDestination) {
    ASSERT_EQ(::mkdir((root + "/C/My Apps").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((root + "/C/My Apps/Varentis Suite").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((root + "/C/My Apps/Varentis Suite/bin").c_str(), 0700), 0);
    Set(_destinationPath, "C:\\My Apps\\Varentis Suite");
    const char* installDir = "C:\\My Apps\\Varentis Suite";
    const std::string lines = "set RUD=C:\\old\r\n@echo %%RUD%%\\old\r\npath=[[install-dir]]\\bin\r\n";
    const std::string dir = root + "/C/My Apps/Varentis Suite/bin/";
    const auto tailor = [&](const std::string& name) {
        WriteHostFile(dir + name, lines);
        EXPECT_EQ(ModifyFile(("C:\\My Apps\\Varentis Suite\\bin\\" + name).c_str(), installDir), 0) << Boxes();
        EXPECT_EQ(_bIsVrnenvBatFile, 0u);
        return ReadHostFile(dir + name);
    };
    // Only the line tags take the short form, and only in vrnenv.bat.
    EXPECT_EQ(tailor("vrnenv.bat"),
              "set RUD=C:\\MYAPPS~1\\VARENT~1\r\n@echo %%RUD%%C:\\MYAPPS~1\\VARENT~1\r\n"
              "path=C:\\My Apps\\Varentis Suite\\bin\r\n");
    const std::string longForm =
        "set RUD=C:\\My Apps\\Varentis Suite\r\n@echo %%RUD%%C:\\My Apps\\Varentis Suite\r\n"
        "path=C:\\My Apps\\Varentis Suite\\bin\r\n";
    EXPECT_EQ(tailor("other.bat"), longForm);
    EXPECT_EQ(tailor("VRNENV.BAT.txt"), longForm);   // the name test keeps case
    // A destination with no short form (not there): the long form serves.
    Set(_destinationPath, "C:\\Not There\\Varentis Suite");
    EXPECT_EQ(tailor("vrnenv.bat"), "set RUD=C:\\Not There\\Varentis Suite\r\n@echo %%RUD%%C:\\Not There\\Varentis "
                                    "Suite\r\npath=C:\\My Apps\\Varentis Suite\\bin\r\n");
}

TEST_F(TagSubstitutionTest, FailuresLeaveTheFileAsItWasAndReportOnce) {
    Set(_workPath, "W");
    const std::string original = "x=[[work-dir]]\r\n";
    WriteHostFile(root + "/C/a.txt", original);

    // A temporary file left behind: 102, and neither file changes.
    WriteHostFile(root + "/C/tlrxxxxx.tmp", "left behind");
    EXPECT_EQ(ModifyFile("C:\\a.txt", "D:\\App"), -102);
    ASSERT_EQ(dialogs.boxes.size(), 1u) << Boxes();
    EXPECT_NE(dialogs.boxes[0].text.find("Unable to create the file."), std::string::npos);
    EXPECT_NE(dialogs.boxes[0].text.find("C:\\a.txt (EEXIST)"), std::string::npos) << Boxes();
    EXPECT_EQ(ReadHostFile(root + "/C/a.txt"), original);
    EXPECT_EQ(ReadHostFile(root + "/C/tlrxxxxx.tmp"), "left behind");
    // Another directory is not disturbed by it.
    ASSERT_EQ(::mkdir((root + "/C/sub").c_str(), 0700), 0);
    WriteHostFile(root + "/C/sub/b.txt", original);
    EXPECT_EQ(ModifyFile("C:\\sub\\b.txt", "D:\\App"), 0);
    EXPECT_EQ(ReadHostFile(root + "/C/sub/b.txt"), "x=W\r\n");
    ::unlink((root + "/C/tlrxxxxx.tmp").c_str());

    // A missing file: 103.
    dialogs.Clear();
    EXPECT_EQ(ModifyFile("C:\\missing.txt", "D:\\App"), -103);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("Unable to open the file. (: C:\\missing.txt (ENOENT))"), std::string::npos)
        << Boxes();
    EXPECT_FALSE(Exists(root + "/C/tlrxxxxx.tmp"));

    // A file that cannot be removed is not replaced: 110.
    dialogs.Clear();
    ASSERT_EQ(::chmod((root + "/C/a.txt").c_str(), 0400), 0);
    EXPECT_EQ(ModifyFile("C:\\a.txt", "D:\\App"), -110);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("Unable to remove the file. (C:\\a.txt)"), std::string::npos) << Boxes();
    EXPECT_EQ(ReadHostFile(root + "/C/a.txt"), original);
    EXPECT_FALSE(Exists(root + "/C/tlrxxxxx.tmp"));

    // Batch mode writes the one report to the log.
    Batch();
    dialogs.Clear();
    EXPECT_EQ(ModifyFile("C:\\missing.txt", "D:\\App"), -103);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(Count(Log(), "Unable to open the file."), 1u);
}

}  // namespace
}  // namespace vrn
