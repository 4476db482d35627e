#include <gtest/gtest.h>

#include <cstdlib>

#include "app/startup_language.h"
#include "base/language.h"
#include "fs_helpers.h"

using namespace printune;
using namespace settings_test;

namespace {

std::optional<int> WithLanguageLine(const std::string& line, int system) {
    TempDir dir;
    WriteFile(dir.Ini(), "[PrinterModel]\r\nPrinter Model=KP-520\r\n" + line);
    return SelectStartupLanguage(dir.path(), system);
}

// Sets or clears the three locale variables for one scope.
class ScopedLocaleEnv {
public:
    ScopedLocaleEnv(const char* all, const char* messages, const char* lang) {
        for (int i = 0; i < 3; ++i) {
            const char* old = std::getenv(kNames[i]);
            saved_[i] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        Set(kNames[0], all);
        Set(kNames[1], messages);
        Set(kNames[2], lang);
    }
    ~ScopedLocaleEnv() {
        for (int i = 0; i < 3; ++i)
            Set(kNames[i], saved_[i] ? saved_[i]->c_str() : nullptr);
    }

private:
    static void Set(const char* name, const char* value) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::optional<std::string> saved_[3];
};

} // namespace

TEST(StartupLanguage, TheFileDecidesElseTheSystem) {
    TempDir empty;
    EXPECT_EQ(SelectStartupLanguage(empty.path(), LANG_CHINESE), LANG_CHINESE);
    EXPECT_EQ(SelectStartupLanguage(empty.path(), LANG_ENGLISH), LANG_ENGLISH);
    EXPECT_EQ(SelectStartupLanguage(empty.path(), 1041), LANG_ENGLISH);

    EXPECT_EQ(WithLanguageLine("[LanguageSetting]\r\nLanguage=English\r\n", LANG_CHINESE),
              LANG_ENGLISH);
    EXPECT_EQ(WithLanguageLine("[languagesetting]\nlanguage = Chinese", LANG_ENGLISH),
              LANG_CHINESE);
    // No section, or an empty value: the system's default.
    EXPECT_EQ(WithLanguageLine("", LANG_CHINESE), LANG_CHINESE);
    EXPECT_EQ(WithLanguageLine("[LanguageSetting]\r\nLanguage=\r\n", LANG_CHINESE), LANG_CHINESE);
}

TEST(StartupLanguage, OnlyTheExactTextsSelectALanguage) {
    EXPECT_EQ(WithLanguageLine("[LanguageSetting]\r\nLanguage=chinese\r\n", LANG_CHINESE),
              std::nullopt);
    EXPECT_EQ(WithLanguageLine("[LanguageSetting]\r\nLanguage=ENGLISH\r\n", LANG_ENGLISH),
              std::nullopt);
    EXPECT_EQ(WithLanguageLine("[LanguageSetting]\r\nLanguage=<No Name>\r\n", LANG_ENGLISH),
              std::nullopt);
    // 126 characters count as no value; 127 are a text of their own.
    EXPECT_EQ(
        WithLanguageLine("[LanguageSetting]\r\nLanguage=" + std::string(126, 'x'), LANG_CHINESE),
        LANG_CHINESE);
    EXPECT_EQ(
        WithLanguageLine("[LanguageSetting]\r\nLanguage=" + std::string(127, 'x'), LANG_CHINESE),
        std::nullopt);
    // A long text that starts with "Chinese" is cut, and is neither text.
    EXPECT_EQ(WithLanguageLine("[LanguageSetting]\r\nLanguage=Chinese" + std::string(130, '.'),
                               LANG_ENGLISH),
              std::nullopt);
}

TEST(StartupLanguage, LocaleNames) {
    for (const char* zh : {"zh_CN", "zh_CN.UTF-8", "zh_CN.GB18030", "zh_SG.UTF-8", "zh_Hans",
                           "zh_Hans_CN.UTF-8", "zh-CN", "zh", "zh_CN@euro"})
        EXPECT_EQ(LanguageIdFromLocaleName(zh), LANG_CHINESE) << zh;
    for (const char* en : {"", "C", "POSIX", "C.UTF-8", "en_US.UTF-8", "de_DE", "zh_TW.UTF-8",
                           "zh_HK", "zh_Hant_TW", "zhx_CN", "ja_JP"})
        EXPECT_EQ(LanguageIdFromLocaleName(en), LANG_ENGLISH) << en;
}

TEST(StartupLanguage, SystemLanguageFromTheEnvironmentInPosixOrder) {
    {
        ScopedLocaleEnv env("zh_CN.UTF-8", "en_US.UTF-8", "en_US.UTF-8");
        EXPECT_EQ(SystemDefaultLanguageId(), LANG_CHINESE);
    }
    {
        ScopedLocaleEnv env("", "zh_SG", "en_GB");
        EXPECT_EQ(SystemDefaultLanguageId(), LANG_CHINESE); // an empty LC_ALL does not count
    }
    {
        ScopedLocaleEnv env(nullptr, "en_GB", "zh_CN");
        EXPECT_EQ(SystemDefaultLanguageId(), LANG_ENGLISH);
    }
    {
        ScopedLocaleEnv env(nullptr, nullptr, "zh_CN.UTF-8");
        EXPECT_EQ(SystemDefaultLanguageId(), LANG_CHINESE);
    }
    {
        ScopedLocaleEnv env(nullptr, nullptr, nullptr);
        EXPECT_EQ(SystemDefaultLanguageId(), LANG_ENGLISH);
    }
}
