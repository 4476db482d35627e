#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "app/settings_file.h"
#include "base/language.h"
#include "fs_helpers.h"
#include "port/models.h"

using namespace printune;
using namespace settings_test;

namespace {

// A complete file as SaveSettings writes it, with one line replaced or left out.
std::string FileText(const std::string& replaceLine = "", const std::string& with = "") {
    std::string lines[] = {"[PrinterModel]",
                           "Printer Model=KP-740",
                           "[PortType]",
                           "CurPortType=1",
                           "[COM]",
                           "PortName=COM4",
                           "Baudrate=19200",
                           "ParitySetup=Even",
                           "DataBit=7",
                           "StopBit=2",
                           "FlowControl=Xon/Xoff",
                           "[LPT]",
                           "PortName=LPT2",
                           "[LAN]",
                           "IpAddr=192.0.2.44",
                           "ListenPort=9101",
                           "[LanguageSetting]",
                           "Language=English"};
    std::string text;
    for (const std::string& line : lines) {
        if (line == replaceLine) {
            if (!with.empty())
                text += with + "\r\n";
            continue;
        }
        text += line + "\r\n";
    }
    return text;
}

PortSettings LoadText(const std::string& text) {
    return SettingsFromProfile(PrivateProfile::Parse(text));
}

} // namespace

TEST(SettingsFile, FirstRunWritesTheDefaultFileByteForByte) {
    TempDir dir;
    LoadedSettings loaded = LoadSettings(dir.path(), ModelList(LANG_ENGLISH), LANG_ENGLISH);
    EXPECT_EQ(loaded.origin, SettingsOrigin::NewDefaults);
    EXPECT_FALSE(loaded.error);
    EXPECT_EQ(loaded.settings.printerModel, "KP-520");
    EXPECT_EQ(loaded.settings.portType, PORT_USB);
    EXPECT_EQ(loaded.settings.language, "English");

    const char* expected = "5b 50 72 69 6e 74 65 72 4d 6f 64 65 6c 5d 0d 0a\n"
                           "50 72 69 6e 74 65 72 20 4d 6f 64 65 6c 3d 4b 50\n"
                           "2d 35 32 30 0d 0a 5b 50 6f 72 74 54 79 70 65 5d\n"
                           "0d 0a 43 75 72 50 6f 72 74 54 79 70 65 3d 33 0d\n"
                           "0a 5b 43 4f 4d 5d 0d 0a 50 6f 72 74 4e 61 6d 65\n"
                           "3d 43 4f 4d 31 0d 0a 42 61 75 64 72 61 74 65 3d\n"
                           "39 36 30 30 0d 0a 50 61 72 69 74 79 53 65 74 75\n"
                           "70 3d 4e 6f 6e 65 0d 0a 44 61 74 61 42 69 74 3d\n"
                           "38 0d 0a 53 74 6f 70 42 69 74 3d 31 0d 0a 46 6c\n"
                           "6f 77 43 6f 6e 74 72 6f 6c 3d 44 54 52 0d 0a 5b\n"
                           "4c 50 54 5d 0d 0a 50 6f 72 74 4e 61 6d 65 3d 4c\n"
                           "50 54 31 0d 0a 5b 4c 41 4e 5d 0d 0a 49 70 41 64\n"
                           "64 72 3d 31 36 39 2e 32 35 34 2e 31 2e 31 30 0d\n"
                           "0a 4c 69 73 74 65 6e 50 6f 72 74 3d 39 31 30 30\n"
                           "0d 0a 5b 4c 61 6e 67 75 61 67 65 53 65 74 74 69\n"
                           "6e 67 5d 0d 0a 4c 61 6e 67 75 61 67 65 3d 45 6e\n"
                           "67 6c 69 73 68 0d 0a\n";
    EXPECT_EQ(HexDump(ReadFile(dir.Ini())), expected);

    // The second run reads what the first one wrote.
    LoadedSettings again = LoadSettings(dir.path(), ModelList(LANG_ENGLISH), LANG_ENGLISH);
    EXPECT_EQ(again.origin, SettingsOrigin::File);
    EXPECT_EQ(again.settings, loaded.settings);
}

TEST(SettingsFile, FirstRunOnAChineseSystem) {
    TempDir dir;
    LoadedSettings loaded = LoadSettings(dir.path(), ModelList(LANG_CHINESE), LANG_CHINESE);
    EXPECT_EQ(loaded.settings.printerModel, "Label Printer(200DPI)");
    EXPECT_EQ(loaded.settings.language, "Chinese");
    std::string text = ReadFile(dir.Ini());
    EXPECT_TRUE(text.starts_with("[PrinterModel]\r\nPrinter Model=Label Printer(200DPI)\r\n"));
    EXPECT_TRUE(text.ends_with("[LanguageSetting]\r\nLanguage=Chinese\r\n"));
}

TEST(SettingsFile, EveryFieldIsRead) {
    PortSettings s = LoadText(FileText());
    EXPECT_EQ(s.printerModel, "KP-740");
    EXPECT_EQ(s.portType, PORT_COM);
    EXPECT_EQ(s.comPortName, "COM4");
    EXPECT_EQ(s.baudrate, "19200");
    EXPECT_EQ(s.paritySetup, "Even");
    EXPECT_EQ(s.dataBit, "7");
    EXPECT_EQ(s.stopBit, "2");
    EXPECT_EQ(s.flowControl, "Xon/Xoff");
    EXPECT_EQ(s.lptPortName, "LPT2");
    EXPECT_EQ(s.ipAddr, "192.0.2.44");
    EXPECT_EQ(s.listenPort, 9101);
    EXPECT_EQ(s.language, "English");
    EXPECT_EQ(FormatSettingsText(s), FileText());
}

TEST(SettingsFile, ModelNamesAreTranslatedByTheLanguageRead) {
    struct Case {
        const char* language;
        const char* stored;
        const char* loaded;
    } cases[] = {
        {"English", "HT-760", "HT-750"},
        {"Chinese", "HT-750", "HT-760"},
        {"Chinese", "KP-520", "Label Printer(200DPI)"},
        {"English", "Label Printer(200DPI)", "KP-520"},
        {"Chinese", "KP-740", "Label Printer(300DPI)"},
        {"English", "Label Printer(300DPI)", "KP-740"},
        {"Chinese", "KP-500", "Label Printer(200DPI)"},
        // Names already right for the language, or without a rule, stay.
        {"English", "HT-750", "HT-750"},
        {"English", "KP-500", "KP-500"},
        {"Chinese", "HT-740", "HT-740"},
        {"Chinese", "Label Printer(300DPI)", "Label Printer(300DPI)"},
        {"chinese", "KP-740", "KP-740"},
        {"<No Name>", "HT-760", "HT-760"},
    };
    for (const Case& c : cases) {
        std::string text =
            FileText("Printer Model=KP-740", std::string("Printer Model=") + c.stored);
        text = text.substr(0, text.rfind("Language=")) + "Language=" + c.language + "\r\n";
        PortSettings s = LoadText(text);
        EXPECT_EQ(s.printerModel, c.loaded) << c.language << " " << c.stored;
        EXPECT_EQ(s.language, c.language);
    }
}

TEST(SettingsFile, MissingValuesFollowTheirKeysRules) {
    // [COM] keys: a missing value leaves the field empty.
    EXPECT_EQ(LoadText(FileText("Baudrate=19200")).baudrate, "");
    EXPECT_EQ(LoadText(FileText("Baudrate=19200", "Baudrate=")).baudrate, "");
    EXPECT_EQ(LoadText(FileText("StopBit=2", "StopBit=<No Name>")).stopBit, "<No Name>");

    // [LAN]: a missing or "<No Name>" value clears the field.
    EXPECT_EQ(LoadText(FileText("ListenPort=9101")).listenPort, 0);
    EXPECT_EQ(LoadText(FileText("ListenPort=9101")).ipAddr, "192.0.2.44");
    EXPECT_EQ(LoadText(FileText("IpAddr=192.0.2.44", "IpAddr=<No Name>")).ipAddr, "");
    EXPECT_EQ(LoadText(FileText("ListenPort=9101", "ListenPort=91x")).listenPort, 91);

    // Port type: leading digits, anything else 0; values are not checked.
    EXPECT_EQ(LoadText(FileText("CurPortType=1", "CurPortType=7")).portType, 7);
    EXPECT_EQ(LoadText(FileText("CurPortType=1", "CurPortType=4abc")).portType, 4);
    EXPECT_EQ(LoadText(FileText("CurPortType=1", "CurPortType=USB")).portType, 0);
    EXPECT_EQ(LoadText(FileText("CurPortType=1", "CurPortType=-2")).portType, -2);
    EXPECT_EQ(LoadText(FileText("CurPortType=1", "CurPortType=99999999999")).portType, INT32_MAX);
    EXPECT_EQ(LoadText(FileText("CurPortType=1")).portType, 0);

    // LPT, language and model keep the sentinel text.
    EXPECT_EQ(LoadText(FileText("PortName=LPT2")).lptPortName, "<No Name>");
    EXPECT_EQ(LoadText(FileText("Language=English")).language, "<No Name>");
    EXPECT_EQ(LoadText(FileText("Printer Model=KP-740")).printerModel, "<No Name>");

    // Nothing at all: every key still gets its rule.
    PortSettings empty = LoadText("");
    EXPECT_EQ(empty.portType, 0);
    EXPECT_EQ(empty.comPortName, "");
    EXPECT_EQ(empty.lptPortName, "<No Name>");
    EXPECT_EQ(empty.ipAddr, "");
    EXPECT_EQ(empty.listenPort, 0);
    EXPECT_EQ(empty.printerModel, "<No Name>");
}

TEST(SettingsFile, OddValuesAreWrittenBackAsRead) {
    TempDir dir;
    // No [LPT] section and a port type out of range.
    std::string text = FileText("[LPT]");
    text = text.substr(0, text.find("PortName=LPT2")) +
           text.substr(text.find("PortName=LPT2") + std::string("PortName=LPT2\r\n").size());
    text.replace(text.find("CurPortType=1"), 13, "CurPortType=7");
    WriteFile(dir.Ini(), text);

    LoadedSettings loaded = LoadSettings(dir.path(), ModelList(LANG_ENGLISH), LANG_ENGLISH);
    ASSERT_EQ(loaded.origin, SettingsOrigin::File);
    EXPECT_EQ(loaded.settings.lptPortName, "<No Name>");
    ASSERT_TRUE(SaveSettings(dir.path(), loaded.settings));
    std::string saved = ReadFile(dir.Ini());
    EXPECT_NE(saved.find("[LPT]\r\nPortName=<No Name>\r\n"), std::string::npos);
    EXPECT_NE(saved.find("CurPortType=7\r\n"), std::string::npos);
}

TEST(SettingsFile, ValuesOf126CharactersCountAsMissingLongerOnesAreCut) {
    std::string v126(126, 'A'), v127(127, 'B'), v300(300, 'C');
    EXPECT_EQ(LoadText(FileText("Baudrate=19200", "Baudrate=" + v126)).baudrate, "");
    EXPECT_EQ(LoadText(FileText("PortName=LPT2", "PortName=" + v126)).lptPortName, "<No Name>");
    EXPECT_EQ(LoadText(FileText("IpAddr=192.0.2.44", "IpAddr=" + v126)).ipAddr, "");
    EXPECT_EQ(LoadText(FileText("Baudrate=19200", "Baudrate=" + v127)).baudrate, v127);
    EXPECT_EQ(LoadText(FileText("Baudrate=19200", "Baudrate=" + v300)).baudrate,
              v300.substr(0, 127));
    EXPECT_EQ(LoadText(FileText("Baudrate=19200", "Baudrate=" + v127 + "9")).baudrate, v127);
}

TEST(SettingsFile, SavedRecordsReadBackFieldForField) {
    PortSettings chinese = DefaultPortSettings("标签打印机（200DPI）", LANG_CHINESE);
    chinese.comPortName = "";
    chinese.baudrate = "<No Name>";
    chinese.paritySetup = "无";
    chinese.lptPortName = "<No Name>";
    chinese.ipAddr = "";
    chinese.listenPort = 0;
    chinese.portType = 7;

    PortSettings english = DefaultPortSettings("KP-500", LANG_ENGLISH);
    english.portType = -1;
    english.flowControl = "";
    english.listenPort = 65535;
    english.ipAddr = "fe80::1%eth0";

    PortSettings translated = DefaultPortSettings("HT-750", LANG_CHINESE);

    for (const PortSettings& s : {chinese, english, DefaultPortSettings("KP-520", LANG_ENGLISH)}) {
        TempDir dir;
        ASSERT_TRUE(SaveSettings(dir.path(), s));
        LoadedSettings back = LoadSettings(dir.path(), {}, LANG_ENGLISH);
        EXPECT_EQ(back.origin, SettingsOrigin::File);
        EXPECT_EQ(back.settings, s) << FormatSettingsText(s);
    }

    TempDir dir;
    ASSERT_TRUE(SaveSettings(dir.path(), translated));
    EXPECT_EQ(LoadSettings(dir.path(), {}, LANG_ENGLISH).settings.printerModel, "HT-760");
}

TEST(SettingsFile, ALineBreakInAValueIsRefusedAndTheFileKept) {
    TempDir dir;
    WriteFile(dir.Ini(), FileText());
    PortSettings s = LoadText(FileText());
    for (std::string bad : {std::string("COM1\r\n[LAN]\r\nIpAddr=203.0.113.9"), std::string("a\nb"),
                            std::string("a\rb"), std::string("a\0b", 3)}) {
        PortSettings broken = s;
        broken.comPortName = bad;
        SettingsError error;
        EXPECT_FALSE(SaveSettings(dir.path(), broken, &error));
        EXPECT_EQ(error.failure, SettingsFailure::LineBreakInValue);
        EXPECT_FALSE(SettingsErrorMessage(error, LANG_CHINESE).empty());
    }
    EXPECT_EQ(ReadFile(dir.Ini()), FileText());
}

// A file edited by hand with a lone CR in a value: what is read can be
// saved again (the CR ends the line, so it never reaches a field).
TEST(SettingsFile, ALoneCrInTheFileDoesNotBlockTheNextSave) {
    TempDir dir;
    PortSettings s = LoadText(FileText("PortName=COM4", "PortName=COM2\rStray=1"));
    EXPECT_EQ(s.comPortName, "COM2");
    SettingsError error;
    EXPECT_TRUE(SaveSettings(dir.path(), s, &error)) << SettingsErrorMessage(error, LANG_ENGLISH);
    EXPECT_EQ(LoadText(ReadFile(dir.Ini())), s);
}

TEST(SettingsFile, AFileThatCannotBeWrittenIsReadAndNotReplaced) {
    TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    WriteFile(dir.Ini(), FileText());
    std::filesystem::permissions(dir.Ini(), std::filesystem::perms::owner_read |
                                                std::filesystem::perms::group_read |
                                                std::filesystem::perms::others_read);
    int result = RunInChild(
        [&] {
            LoadedSettings loaded = LoadSettings(dir.path(), ModelList(LANG_ENGLISH), LANG_ENGLISH);
            if (loaded.origin != SettingsOrigin::ReadOnlyFile)
                return 1;
            if (loaded.settings != LoadText(FileText()))
                return 2;
            if (loaded.error.failure != SettingsFailure::NotWritable)
                return 3;
            SettingsError error;
            PortSettings changed = loaded.settings;
            changed.baudrate = "115200";
            if (SaveSettings(dir.path(), changed, &error))
                return 4;
            if (error.failure != SettingsFailure::NotWritable || error.errorNumber != EACCES)
                return 5;
            return 0;
        },
        true);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(dir.Ini()), FileText());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SettingsFile, AFileThatCannotBeReadIsLeftAlone) {
    TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    WriteFile(dir.Ini(), FileText());
    std::filesystem::permissions(dir.Ini(), std::filesystem::perms::none);
    int result = RunInChild(
        [&] {
            LoadedSettings loaded = LoadSettings(dir.path(), ModelList(LANG_ENGLISH), LANG_ENGLISH);
            if (loaded.origin != SettingsOrigin::UnsavedDefaults)
                return 1;
            if (loaded.error.failure != SettingsFailure::Unreadable)
                return 2;
            if (loaded.settings != DefaultPortSettings("KP-520", LANG_ENGLISH))
                return 3;
            return 0;
        },
        true);
    EXPECT_EQ(result, 0);
    std::filesystem::permissions(dir.Ini(), std::filesystem::perms::owner_read);
    EXPECT_EQ(ReadFile(dir.Ini()), FileText());

    // A directory of that name: defaults, and saving reports it.
    TempDir other;
    std::filesystem::create_directory(other.Ini());
    LoadedSettings loaded = LoadSettings(other.path(), ModelList(LANG_ENGLISH), LANG_ENGLISH);
    EXPECT_EQ(loaded.origin, SettingsOrigin::UnsavedDefaults);
    EXPECT_EQ(loaded.error.errorNumber, EISDIR);
    SettingsError error;
    EXPECT_FALSE(SaveSettings(other.path(), loaded.settings, &error));
    EXPECT_EQ(error.failure, SettingsFailure::NotWritable);
    EXPECT_TRUE(std::filesystem::is_directory(other.Ini()));
}

TEST(SettingsFile, AFailedWriteKeepsThePreviousFile) {
    TempDir dir;
    WriteFile(dir.Ini(), FileText());
    // A file size limit makes the write fail the way a full disk does.
    int result = RunInChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        SettingsError error;
        if (SaveSettings(dir.path(), DefaultPortSettings("HT-740", LANG_ENGLISH), &error))
            return 1;
        if (error.failure != SettingsFailure::WriteFailed || error.errorNumber != EFBIG)
            return 2;
        return SettingsErrorMessage(error, LANG_ENGLISH).find(dir.Ini()) == std::string::npos ? 3
                                                                                              : 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(dir.Ini()), FileText());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "the temporary file is removed";

    // No directory at all: the save reports it, the load still gives defaults.
    SettingsError error;
    EXPECT_FALSE(SaveSettings(dir.File("missing"), PortSettings{}, &error));
    EXPECT_EQ(error.failure, SettingsFailure::WriteFailed);
    EXPECT_EQ(error.errorNumber, ENOENT);
    LoadedSettings loaded = LoadSettings(dir.File("missing"), {"HT-740"}, LANG_ENGLISH);
    EXPECT_EQ(loaded.origin, SettingsOrigin::UnsavedDefaults);
    EXPECT_EQ(loaded.settings.printerModel, "HT-740");
}

TEST(SettingsFile, SavingKeepsLinksAndPermissions) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("real"));
    WriteFile(dir.File("real/printune.ini"), FileText());
    std::filesystem::permissions(dir.File("real/printune.ini"),
                                 std::filesystem::perms::owner_read |
                                     std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_read);
    std::filesystem::create_symlink("real/printune.ini", dir.Ini());

    PortSettings s = DefaultPortSettings("HT-740", LANG_ENGLISH);
    ASSERT_TRUE(SaveSettings(dir.path(), s));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Ini()));
    EXPECT_EQ(ReadFile(dir.File("real/printune.ini")), FormatSettingsText(s));
    EXPECT_EQ(std::filesystem::status(dir.File("real/printune.ini")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

TEST(SettingsFile, AnotherUsersLinkIsNeverWrittenThrough) {
    if (geteuid() != 0)
        GTEST_SKIP() << "making a link owned by another user needs root";
    TempDir dir;
    // A file only its owner may touch, and a link to it planted by nobody.
    const std::string victim = dir.File("secret");
    WriteFile(victim, "only root's\n");
    std::filesystem::permissions(victim, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_write);
    std::filesystem::create_symlink(victim, dir.Ini());
    ASSERT_EQ(lchown(dir.Ini().c_str(), 65534, 65534), 0);

    PortSettings s = DefaultPortSettings("HT-740", LANG_ENGLISH);
    SettingsError error;
    EXPECT_FALSE(SaveSettings(dir.path(), s, &error));
    EXPECT_EQ(error.failure, SettingsFailure::ForeignLink);
    EXPECT_EQ(ReadFile(victim), "only root's\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Ini()));
    EXPECT_EQ(SettingsErrorMessage(error, LANG_ENGLISH),
              "The settings file " + dir.Ini() +
                  " is a symbolic link owned by another user and is not written through. The "
                  "settings were not saved.");

    // Loading reads through it, but says saves will not work.
    LoadedSettings loaded = LoadSettings(dir.path(), {"KP-520"}, LANG_ENGLISH);
    EXPECT_EQ(loaded.origin, SettingsOrigin::ReadOnlyFile);
    EXPECT_EQ(loaded.error.failure, SettingsFailure::ForeignLink);
    EXPECT_EQ(ReadFile(victim), "only root's\n");
}

TEST(SettingsFile, PathAndMessages) {
    EXPECT_EQ(SettingsFilePath(""), "./printune.ini");
    EXPECT_EQ(SettingsFilePath("/tmp/x/"), "/tmp/x/printune.ini");
    EXPECT_EQ(SettingsFilePath("/tmp/x"), "/tmp/x/printune.ini");
    SettingsError e{SettingsFailure::WriteFailed, ENOSPC, "./printune.ini"};
    EXPECT_EQ(SettingsErrorMessage(e, LANG_ENGLISH),
              "The settings could not be saved to ./printune.ini (No space left on device). The "
              "previous settings file is unchanged.");
    EXPECT_NE(SettingsErrorMessage(e, LANG_CHINESE).find("原设置文件保持不变"), std::string::npos);
    EXPECT_EQ(SettingsErrorMessage(SettingsError{}, LANG_ENGLISH), "");
}

TEST(SettingsFile, AReadOnlyFolderIsReportedAtLoad) {
    TempDir dir;
    WriteFile(dir.Ini(), FileText());
    std::filesystem::permissions(dir.Ini(), std::filesystem::perms::all);
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                        std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                        std::filesystem::perms::others_exec);
    int result = RunInChild(
        [&] {
            LoadedSettings loaded = LoadSettings(dir.path(), {}, LANG_ENGLISH);
            if (loaded.origin != SettingsOrigin::ReadOnlyFile || loaded.error.errorNumber != EACCES)
                return 1;
            SettingsError error;
            if (SaveSettings(dir.path(), PortSettings{}, &error))
                return 2;
            return error.failure == SettingsFailure::WriteFailed ? 0 : 3;
        },
        true);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(dir.Ini()), FileText());
}

TEST(SettingsFile, TemporariesOfKilledSaversAreSweptOnceStale) {
    TempDir dir;
    const std::string stale = dir.File(".printune.ini.tmp.99999.0");
    const std::string fresh = dir.File(".printune.ini.tmp.99999.1");
    const std::string other = dir.File(".other.ini.tmp.1.0");
    for (const std::string& f : {stale, fresh, other})
        WriteFile(f, "[PrinterModel]\r\n");
    auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5);
    std::filesystem::last_write_time(stale, old);
    std::filesystem::last_write_time(other, old);

    ASSERT_TRUE(SaveSettings(dir.path(), PortSettings{}));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(fresh)); // may be another saver's, in progress
    EXPECT_TRUE(std::filesystem::exists(other));
}
