#include <gtest/gtest.h>

#include <algorithm>

#include "base/language.h"
#include "hex.h"
#include "settings/profile_operations.h"
#include "settings/settings_profile.h"

using namespace printune;

namespace {

LabelSettings SomeLabelSettings() {
    LabelSettings s;
    for (int i = 0; i < LABEL_SETTING_COUNT; ++i)
        s.values[static_cast<size_t>(i)] = LabelValue::Choice(1);
    s.values[LS_EMULATION] = LabelValue::Choice(3); // TSPL
    s.values[LS_HOME_OFFSET] = LabelValue::Text("1.5");
    s.values[LS_CUT_OFFSET] = LabelValue::Text("-2");
    s.values[LS_BLACK_MARK_AD] = LabelValue::Text("120");
    s.values[LS_LEFT_OFFSET] = LabelValue::Text("3");
    s.values[LS_PRINT_WIDTH] = LabelValue::Text("108");
    s.values[LS_PAGE_MODE] = LabelValue::Choice(-1); // no valid selection: left out
    return s;
}

std::string Header(const char* family, const char* model) {
    return std::string("printune-profile family=") + family + "; model=" + model +
           "; version=1.0\n";
}

} // namespace

TEST(SettingsProfile, LabelRoundTripKeepsEverySettingWithAValue) {
    const SettingsProfile p = LabelProfile(SomeLabelSettings(), "KP-520", "1.2.3");
    EXPECT_EQ(p.values.size(), static_cast<size_t>(LABEL_SETTING_COUNT - 1));
    const std::string text = WriteSettingsProfile(p);
    EXPECT_EQ(text.rfind("printune-profile family=label; model=KP-520; version=1.2.3\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("\nemulation = TSPL\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nhome-offset = 1.5\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("page-mode"), std::string::npos) << text;

    const ProfileParseResult r = ParseSettingsProfile(text);
    ASSERT_TRUE(r.ok()) << static_cast<int>(r.error) << " line " << r.line;
    EXPECT_EQ(r.profile.family, ProfileFamily::Label);
    EXPECT_EQ(r.profile.model, "KP-520");
    EXPECT_EQ(r.profile.toolVersion, "1.2.3");
    EXPECT_EQ(r.profile.values, p.values);
}

TEST(SettingsProfile, ReceiptRoundTripAndCutterSwitchOnlyForItsModel) {
    ReceiptSettings s;
    for (int i = 0; i < RECEIPT_SETTING_COUNT; ++i)
        s.values[static_cast<size_t>(i)] = LabelValue::Choice(0);
    s.values[RS_MARK_TO_HOME] = LabelValue::Text("5.0");
    s.values[RS_MARK_TO_CUTTER] = LabelValue::Text("-1.5");
    const SettingsProfile with = ReceiptProfile(s, "HT-750", "1");
    const SettingsProfile without = ReceiptProfile(s, "HT-740", "1");
    EXPECT_EQ(with.values.size(), 8u);
    EXPECT_EQ(without.values.size(), 7u);
    for (const SettingsProfile* p : {&with, &without}) {
        const ProfileParseResult r = ParseSettingsProfile(WriteSettingsProfile(*p));
        ASSERT_TRUE(r.ok()) << r.line;
        EXPECT_EQ(r.profile.values, p->values);
    }
    // An HT-740 profile naming the cutter is refused at that line.
    const ProfileParseResult r =
        ParseSettingsProfile(Header("receipt", "HT-740") + "cutter-switch = " +
                             ProfileChoices(ProfileFamily::Receipt, RS_CUTTER_SWITCH)[0] + "\n");
    EXPECT_EQ(r.error, ProfileError::UnknownName);
    EXPECT_EQ(r.line, 2);
}

TEST(SettingsProfile, CommentsBlankLinesAndEitherLanguageAreRead) {
    const std::string speed = LabelChoices(LS_PRINT_SPEED, LANG_ENGLISH)[2];
    const std::string density = LabelChoices(LS_PRINT_DENSITY, LANG_CHINESE)[1];
    const ProfileParseResult r = ParseSettingsProfile(
        "\xEF\xBB\xBF# made by hand\n\n" + Header("label", "KP-740") + "  print-speed=" + speed +
        "   # fast enough\n\nprint-density = " + density + "\nemulation = zpl\n");
    ASSERT_TRUE(r.ok()) << static_cast<int>(r.error) << " line " << r.line;
    const LabelValues want = {{LS_PRINT_DENSITY, LabelValue::Choice(1)},
                              {LS_PRINT_SPEED, LabelValue::Choice(2)},
                              {LS_EMULATION, LabelValue::Choice(1)}};
    LabelValues sorted = want;
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    EXPECT_EQ(r.profile.values, sorted);
}

TEST(SettingsProfile, RefusalsNameTheLine) {
    struct Case {
        std::string text;
        ProfileError error;
        int line;
        ProfileValueError valueError;
    } cases[] = {
        {"print-speed = 3\n", ProfileError::NoHeader, 1, ProfileValueError::None},
        {"", ProfileError::NoHeader, 1, ProfileValueError::None},
        {"printune-profile family=laser; model=X\n", ProfileError::BadHeader, 1,
         ProfileValueError::None},
        {"printune-profile family=label\n", ProfileError::BadHeader, 1, ProfileValueError::None},
        {Header("label", "KP-520") + "# ok\nprint-sped = 3\n", ProfileError::UnknownName, 3,
         ProfileValueError::None},
        {Header("label", "KP-520") + "print-speed\n", ProfileError::NotAssignment, 2,
         ProfileValueError::None},
        {Header("label", "KP-520") + "= 3\n", ProfileError::NotAssignment, 2,
         ProfileValueError::None},
        {Header("label", "KP-520") + "emulation = ZPL\nemulation = EPL\n", ProfileError::Duplicate,
         3, ProfileValueError::None},
        {Header("label", "KP-520") + "emulation = PCL\n", ProfileError::BadValue, 2,
         ProfileValueError::NotAChoice},
        {Header("label", "KP-520") + "home-offset = 1e3\n", ProfileError::BadValue, 2,
         ProfileValueError::NotANumber},
        {Header("label", "KP-520") + "black-mark-ad = 1.5\n", ProfileError::BadValue, 2,
         ProfileValueError::NotANumber},
        {Header("label", "KP-520") + "left-offset = 9999\n", ProfileError::BadValue, 2,
         ProfileValueError::OutOfRange},
        {Header("receipt", "HT-740") + "mark-to-home = abc\n", ProfileError::BadValue, 2,
         ProfileValueError::NotANumber},
        {Header("receipt", "HT-740") + "print-speed = 1\n", ProfileError::UnknownName, 2,
         ProfileValueError::None},
    };
    for (const Case& c : cases) {
        const ProfileParseResult r = ParseSettingsProfile(c.text);
        EXPECT_EQ(r.error, c.error) << c.text;
        EXPECT_EQ(r.line, c.line) << c.text;
        EXPECT_EQ(r.valueError, c.valueError) << c.text;
    }
}

TEST(SettingsProfile, DiffComparesEncodedValuesAndSkipsReadOnly) {
    SettingsProfile wanted{ProfileFamily::Label, "KP-520", "1", {}};
    wanted.values = {{LS_PRINT_SPEED, LabelValue::Choice(2)},
                     {LS_HOME_OFFSET, LabelValue::Text("1.5")},
                     {LS_LEFT_OFFSET, LabelValue::Text("4")},
                     {LS_PRINT_WIDTH, LabelValue::Text("100")}};
    SettingsProfile printer = wanted;
    printer.values[1].second = LabelValue::Text("1.50");
    printer.values[2].second = LabelValue::Text("3");
    printer.values[3].second = LabelValue::Text("108");
    const auto d = DiffProfiles(wanted, printer);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].setting, LS_LEFT_OFFSET);
    EXPECT_EQ(d[0].wanted, "4");
    EXPECT_EQ(d[0].actual, "3");
    // Only the differing setting goes into the one request.
    EXPECT_EQ(BuildProfileRequest(wanted, {LS_LEFT_OFFSET}), Hex("1B 0D 53 1B 1F 04 1B 10 45"));
    EXPECT_EQ(BuildProfileRequest(wanted, {LS_PRINT_SPEED, LS_HOME_OFFSET}),
              Hex("1B 0D 53 1B 30 03 1B 2C 0C 00 1B 10 45"));
}
