#include <gtest/gtest.h>

#include "app/profile_reader.h"

using printune::PrivateProfile;

namespace {

std::string Get(const PrivateProfile& p, const char* section, const char* key) {
    std::string value;
    p.GetString(section, key, value);
    return value;
}

} // namespace

TEST(ProfileReader, BlanksAroundNamesAndValuesAreDropped) {
    PrivateProfile p = PrivateProfile::Parse("  [ COM ]  \r\n"
                                             "\t PortName \t=\t COM3 \t\r\n"
                                             "Baudrate=9600 19200\r\n"
                                             "Empty=   \r\n");
    EXPECT_EQ(Get(p, "COM", "PortName"), "COM3");
    EXPECT_EQ(Get(p, "COM", "Baudrate"), "9600 19200"); // inner blanks stay
    EXPECT_TRUE(p.HasKey("COM", "Empty"));
    std::string v = "x";
    EXPECT_EQ(p.GetString("COM", "Empty", v), 0u);
    EXPECT_EQ(v, "");
}

TEST(ProfileReader, CommentsOnlyAtTheStartOfALine) {
    PrivateProfile p = PrivateProfile::Parse("[LAN]\n"
                                             "; IpAddr=10.0.0.1\n"
                                             "   ;ListenPort=1\n"
                                             "IpAddr=192.0.2.7 ; the printer\n"
                                             "#ListenPort=5\n");
    EXPECT_EQ(Get(p, "LAN", "IpAddr"), "192.0.2.7 ; the printer");
    EXPECT_FALSE(p.HasKey("LAN", "ListenPort"));
    EXPECT_EQ(Get(p, "LAN", "#ListenPort"), "5"); // '#' is no comment mark
}

TEST(ProfileReader, FirstSectionAndFirstKeyOfANameWin) {
    PrivateProfile p = PrivateProfile::Parse("[COM]\n"
                                             "PortName=COM2\n"
                                             "portname=COM9\n"
                                             "[LPT]\n"
                                             "PortName=LPT2\n"
                                             "[com]\n"
                                             "PortName=COM5\n"
                                             "Baudrate=4800\n");
    EXPECT_EQ(Get(p, "COM", "PortName"), "COM2");
    EXPECT_EQ(Get(p, "LPT", "PortName"), "LPT2"); // the same key per section
    // The second [com] is never searched, not even for keys the first lacks.
    EXPECT_FALSE(p.HasKey("COM", "Baudrate"));
}

TEST(ProfileReader, NamesCompareWithoutCase) {
    PrivateProfile p = PrivateProfile::Parse("[languagesetting]\nLANGUAGE=Chinese\n");
    EXPECT_EQ(Get(p, "LanguageSetting", "Language"), "Chinese");
    EXPECT_EQ(Get(p, "LANGUAGESETTING", "language"), "Chinese");
}

TEST(ProfileReader, LineEndsAndTheLastLine) {
    const char* crlf = "[A]\r\nK=1\r\nL=2";
    const char* lf = "[A]\nK=1\nL=2";
    const char* bom = "\xEF\xBB\xBF[A]\nK=1\nL=2\n";
    for (const char* text : {crlf, lf, bom}) {
        PrivateProfile p = PrivateProfile::Parse(text);
        EXPECT_EQ(Get(p, "A", "K"), "1") << text;
        EXPECT_EQ(Get(p, "A", "L"), "2") << text; // no line end after the last line
    }
    EXPECT_EQ(Get(PrivateProfile::Parse("[A]\r\r\nK=1\r\r\n"), "A", "K"), "1");
}

TEST(ProfileReader, OddLines) {
    PrivateProfile p = PrivateProfile::Parse("Orphan=1\n"     // before any section
                                             "[Broken\n"      // no ']': ignored
                                             "[S] trailing\n" // text after ']' ignored
                                             "Flag\n"         // no '=': empty value
                                             "Flag=later\n"
                                             "Eq=a=b\n"
                                             "Q1=\"quoted\"\n"
                                             "Q2='single'\n"
                                             "Q3=\"half\n"
                                             "=nameless\n");
    EXPECT_FALSE(p.HasKey("", "Orphan"));
    EXPECT_TRUE(p.HasKey("S", "Flag"));
    EXPECT_EQ(Get(p, "S", "Flag"), "");
    EXPECT_EQ(Get(p, "S", "Eq"), "a=b");
    EXPECT_EQ(Get(p, "S", "Q1"), "quoted");
    EXPECT_EQ(Get(p, "S", "Q2"), "single");
    EXPECT_EQ(Get(p, "S", "Q3"), "\"half");
}

// A lone CR inside a line was read as part of the value; such a record can
// never be saved again (the saver refuses line breaks in values).
TEST(ProfileReader, ALoneCrEndsTheLine) {
    PrivateProfile p = PrivateProfile::Parse("[S]\rA=ab\rcd\r\nB=1\rC=2");
    EXPECT_EQ(Get(p, "S", "A"), "ab");
    EXPECT_TRUE(p.HasKey("S", "cd"));
    EXPECT_EQ(Get(p, "S", "B"), "1");
    EXPECT_EQ(Get(p, "S", "C"), "2");
}

TEST(ProfileReader, NulEndsTheLine) {
    using namespace std::string_literals;
    PrivateProfile p = PrivateProfile::Parse("[S]\nNul=ab\0cd\nNext=1\n"s);
    EXPECT_EQ(Get(p, "S", "Nul"), "ab");
    EXPECT_EQ(Get(p, "S", "Next"), "1");
}

TEST(ProfileReader, ValuesAreCutToTheBufferInCharacters) {
    std::string v127(127, 'x'), v200(200, 'y');
    PrivateProfile p = PrivateProfile::Parse("[S]\nA=" + v127 + "\nB=" + v200 + "\n");
    std::string out;
    EXPECT_EQ(p.GetString("S", "A", out), 127u);
    EXPECT_EQ(out, v127);
    EXPECT_EQ(p.GetString("S", "B", out), 127u);
    EXPECT_EQ(out, v200.substr(0, 127));
    EXPECT_EQ(p.Value("S", "B"), v200);
    EXPECT_EQ(p.GetString("S", "B", out, 0), 0u);
    EXPECT_EQ(out, "");

    // "标签" is two characters in six bytes: the cut never splits one.
    std::string chinese;
    for (int i = 0; i < 100; ++i)
        chinese += "标签";
    p = PrivateProfile::Parse("[S]\nZ=" + chinese + "\n");
    EXPECT_EQ(p.GetString("S", "Z", out), 127u);
    EXPECT_EQ(out.size(), 127u * 3);
    EXPECT_EQ(out, chinese.substr(0, 127 * 3));
}
