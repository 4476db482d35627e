// A settings page's values as a profile and back: what a page may save, what
// loading a profile changes on it, the profile files and their messages.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/language.h"
#include "port/models.h"
#include "settings/profile_page.h"

using namespace printune;

namespace {

// A label page after a read: every list chosen, every edit filled.
std::vector<LabelValue> ReadLabelPage() {
    std::vector<LabelValue> v(LABEL_SETTING_COUNT, LabelValue::Choice(0));
    v[LS_EMULATION] = LabelValue::Choice(3); // TSPL, by its code
    v[LS_PRINT_SPEED] = LabelValue::Choice(1);
    v[LS_HOME_OFFSET] = LabelValue::Text("1.50");
    v[LS_CUT_OFFSET] = LabelValue::Text("0.00");
    v[LS_BLACK_MARK_AD] = LabelValue::Text("1200");
    v[LS_LEFT_OFFSET] = LabelValue::Text("0");
    v[LS_PRINT_WIDTH] = LabelValue::Text("104");
    return v;
}

std::vector<int> SettingsOf(const LabelValues& values) {
    std::vector<int> out;
    for (const auto& [s, v] : values)
        out.push_back(s);
    return out;
}

const std::vector<int> THREE_CODES = {1, 2, 3};

class TempDir {
public:
    TempDir() {
        std::string name =
            (std::filesystem::temp_directory_path() / "profile-page-XXXXXX").string();
        path_ = ::mkdtemp(name.data()) ? name : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_ + "/locked", std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace

TEST(ProfilePage, APageSavesWhatItShowsAndNamesFieldsAFileCannotTake) {
    std::vector<LabelValue> page = ReadLabelPage();
    page[LS_PAGE_MODE] = LabelValue::Choice(-1); // no selection: left out
    page[LS_LEFT_OFFSET] = LabelValue::Text(""); // empty: left out
    page[LS_CUT_OFFSET] = LabelValue::Text("-"); // a lone sign: no value
    page[LS_HOME_OFFSET] = LabelValue::Text("1.5.2");
    const PageProfile p = ProfileFromPage(ProfileFamily::Label, page, "KP-520", "9.9");
    EXPECT_EQ(p.invalid, (std::vector<int>{LS_HOME_OFFSET, LS_CUT_OFFSET}));
    EXPECT_EQ(p.profile.values.size(), static_cast<size_t>(LABEL_SETTING_COUNT - 4));
    EXPECT_TRUE(ProfileHasSendableValues(p.profile));

    // Written and read back, the page's values come back unchanged, and
    // loading them onto the same page changes nothing.
    const PageProfile whole =
        ProfileFromPage(ProfileFamily::Label, ReadLabelPage(), "KP-520", "9.9");
    ASSERT_TRUE(whole.invalid.empty());
    const ProfileParseResult parsed = ParseSettingsProfile(WriteSettingsProfile(whole.profile));
    ASSERT_TRUE(parsed.ok()) << ProfileErrorText(parsed, LANG_ENGLISH);
    EXPECT_EQ(parsed.profile.values, whole.profile.values);
    const PageLoadPlan plan = PlanPageLoad(parsed.profile, whole.profile, THREE_CODES);
    EXPECT_TRUE(plan.changes.empty());
    EXPECT_TRUE(plan.unavailable.empty());
}

TEST(ProfilePage, AnEmptyPageOrOneWithOnlyThePrintWidthHasNothingToSave) {
    const std::vector<LabelValue> empty(LABEL_SETTING_COUNT, LabelValue::Choice(-1));
    std::vector<LabelValue> blank = empty;
    for (const int s : {LS_HOME_OFFSET, LS_CUT_OFFSET, LS_BLACK_MARK_AD, LS_LEFT_OFFSET})
        blank[static_cast<size_t>(s)] = LabelValue::Text("");
    PageProfile p = ProfileFromPage(ProfileFamily::Label, blank, "KP-520", "1");
    EXPECT_TRUE(p.profile.values.empty());
    EXPECT_FALSE(ProfileHasSendableValues(p.profile));
    blank[LS_PRINT_WIDTH] = LabelValue::Text("104");
    p = ProfileFromPage(ProfileFamily::Label, blank, "KP-520", "1");
    EXPECT_EQ(p.profile.values.size(), 1u);
    EXPECT_FALSE(ProfileHasSendableValues(p.profile));
}

TEST(ProfilePage, TheHeaderNamesTheModelInEnglishWhateverTheLanguage) {
    EXPECT_EQ(ProfileModelName(ProfileFamily::Label, ModelName(1, LANG_CHINESE)), "KP-520");
    EXPECT_EQ(ProfileModelName(ProfileFamily::Label, ModelName(2, LANG_CHINESE)), "KP-740");
    EXPECT_EQ(ProfileModelName(ProfileFamily::Receipt, "HT-760"), "HT-750");
    EXPECT_EQ(ProfileModelName(ProfileFamily::Receipt, ""), "HT-740");
    EXPECT_EQ(ProfileModelName(ProfileFamily::Label, "KP-999"), "KP-999");
    const PageProfile p =
        ProfileFromPage(ProfileFamily::Label, ReadLabelPage(), ModelName(1, LANG_CHINESE), "1");
    EXPECT_EQ(
        WriteSettingsProfile(p.profile).rfind("printune-profile family=label; model=KP-520;", 0),
        0u);
}

TEST(ProfilePage, ALoadChangesExactlyTheSettingsThatDiffer) {
    const PageProfile page = ProfileFromPage(ProfileFamily::Label, ReadLabelPage(), "KP-520", "1");
    const ProfileParseResult file =
        ParseSettingsProfile("printune-profile family=label; model=KP-740; version=1\n"
                             "print-speed = 4\n"      // differs (page: 2)
                             "home-offset = 1.5\n"    // 1.50 on the page: the same bytes
                             "cut-offset = 0.06\n"    // truncates to 0: the same bytes
                             "black-mark-ad = 1300\n" // differs
                             "print-width = 72\n"     // never sent, never changed
                             "emulation = ZPL\n"      // differs, and the list offers it
                             "page-mode = Off\n");    // equal
    ASSERT_TRUE(file.ok()) << ProfileErrorText(file, LANG_ENGLISH);
    const PageLoadPlan plan = PlanPageLoad(file.profile, page.profile, THREE_CODES);
    EXPECT_EQ(SettingsOf(plan.changes),
              (std::vector<int>{LS_EMULATION, LS_PRINT_SPEED, LS_BLACK_MARK_AD}));
    EXPECT_EQ(plan.changes[0].second, LabelValue::Choice(1)); // the code of ZPL
    EXPECT_EQ(plan.changes[1].second, LabelValue::Choice(3)); // speed 4 is position 3
    EXPECT_EQ(plan.changes[2].second, LabelValue::Text("1300"));
    EXPECT_TRUE(plan.unavailable.empty());

    // A page without values takes every value of the file but Print Width.
    const PageProfile empty = ProfileFromPage(
        ProfileFamily::Label, std::vector<LabelValue>(LABEL_SETTING_COUNT, LabelValue::Choice(-1)),
        "KP-520", "1");
    EXPECT_EQ(PlanPageLoad(file.profile, empty.profile, THREE_CODES).changes.size(), 6u);
}

TEST(ProfilePage, AnEmulationTheListDoesNotOfferIsLeftOutAndNamed) {
    const PageProfile page = ProfileFromPage(ProfileFamily::Label, ReadLabelPage(), "KP-520", "1");
    const ProfileParseResult file = ParseSettingsProfile(
        "printune-profile family=label; model=KP-520; version=1\nemulation = ESC/POS\n"
        "peeler = On\n");
    ASSERT_TRUE(file.ok());
    PageLoadPlan plan = PlanPageLoad(file.profile, page.profile, THREE_CODES);
    EXPECT_EQ(plan.unavailable, std::vector<int>{LS_EMULATION});
    EXPECT_EQ(SettingsOf(plan.changes), std::vector<int>{LS_PEELER});
    // The Chinese list of the 200-dpi model has ESC/POS as code 0.
    plan = PlanPageLoad(file.profile, page.profile, {0, 1, 2, 3});
    EXPECT_TRUE(plan.unavailable.empty());
    EXPECT_EQ(SettingsOf(plan.changes), (std::vector<int>{LS_PEELER, LS_EMULATION}));
}

TEST(ProfilePage, TheHt740PageNeitherSavesNorTakesTheCutterSwitch) {
    std::vector<LabelValue> page(RECEIPT_SETTING_COUNT, LabelValue::Choice(0));
    page[RS_MARK_TO_HOME] = LabelValue::Text("1.1");
    page[RS_MARK_TO_CUTTER] = LabelValue::Text("1.2.3");
    const PageProfile ht740 = ProfileFromPage(ProfileFamily::Receipt, page, "HT-740", "1");
    EXPECT_EQ(ht740.invalid, std::vector<int>{RS_MARK_TO_CUTTER});
    for (const auto& [s, v] : ht740.profile.values)
        EXPECT_NE(s, RS_CUTTER_SWITCH);

    const ProfileParseResult file =
        ParseSettingsProfile("printune-profile family=receipt; model=HT-750; version=1\n"
                             "cutter-switch = On\nmark-to-home = 1.1\nmark-to-cutter = 2\n");
    ASSERT_TRUE(file.ok()) << ProfileErrorText(file, LANG_ENGLISH);
    EXPECT_EQ(SettingsOf(PlanPageLoad(file.profile, ht740.profile, {}).changes),
              std::vector<int>{RS_MARK_TO_CUTTER});
    const PageProfile ht750 = ProfileFromPage(ProfileFamily::Receipt, page, "HT-760", "1");
    EXPECT_EQ(SettingsOf(PlanPageLoad(file.profile, ht750.profile, {}).changes),
              (std::vector<int>{RS_CUTTER_SWITCH, RS_MARK_TO_CUTTER}));
}

TEST(ProfilePage, ErrorsAndTheFamilyMismatchReadInBothLanguages) {
    const ProfileParseResult r = ParseSettingsProfile(
        "printune-profile family=label; model=KP-520; version=1\nprint-speed = 9\n");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.line, 2);
    EXPECT_EQ(ProfileErrorText(r, LANG_ENGLISH),
              "print-speed: '9' not one of the setting's values");
    EXPECT_EQ(ProfileErrorText(r, LANG_CHINESE), "print-speed: '9' 不是该设置的可选值");
    EXPECT_EQ(ProfileErrorText(ParseSettingsProfile("page-mode = On\n"), LANG_ENGLISH)
                  .rfind("no header line", 0),
              0u);
    EXPECT_EQ(ProfileFamilyMismatchText(ProfileFamily::Receipt, ProfileFamily::Label, LANG_ENGLISH),
              "This profile is for receipt printers; this page sets label printers.");
    EXPECT_EQ(ProfileFamilyMismatchText(ProfileFamily::Label, ProfileFamily::Receipt, LANG_CHINESE),
              "该配置文件用于标签打印机；本页设置的是票据打印机。");
}

TEST(ProfilePage, FilesAreWrittenWholeOrNotAtAll) {
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string path = dir.Path() + "/shop.profile";
    const PageProfile p = ProfileFromPage(ProfileFamily::Label, ReadLabelPage(), "KP-520", "1");
    int err = 0;
    ASSERT_TRUE(WriteProfileFile(path, p.profile, err));
    const ProfileFileRead read = ReadProfileFile(path);
    EXPECT_EQ(read.readError, 0);
    ASSERT_TRUE(read.parse.ok());
    EXPECT_EQ(read.parse.profile.values, p.profile.values);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    // A directory that cannot be written: an error, no file, no leftover.
    const std::string locked = dir.Path() + "/locked";
    std::filesystem::create_directory(locked);
    ::chmod(locked.c_str(), 0500);
    if (::geteuid() != 0) {
        EXPECT_FALSE(WriteProfileFile(locked + "/a.profile", p.profile, err));
        EXPECT_EQ(err, EACCES);
        EXPECT_TRUE(std::filesystem::is_empty(locked));
    }
    EXPECT_FALSE(WriteProfileFile(dir.Path() + "/missing/a.profile", p.profile, err));
    EXPECT_NE(err, 0);
    // Not a regular file, or missing: a read error, nothing parsed.
    EXPECT_NE(ReadProfileFile(locked).readError, 0);
    EXPECT_EQ(ReadProfileFile(dir.Path() + "/none.profile").readError, ENOENT);
}
