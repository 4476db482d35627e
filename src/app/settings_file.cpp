#include "app/settings_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <system_error>

#include "base/language.h"

namespace printune {

namespace {

// Larger files are not ours; only their beginning is looked at.
constexpr size_t kMaxFileBytes = 1 << 20;

// The value buffer of every lookup, in characters.
constexpr size_t kValueBuffer = 128;

std::string ErrnoText(int err) {
    return std::error_code(err, std::generic_category()).message();
}

SettingsError Fail(SettingsFailure failure, int err, const std::string& path) {
    return SettingsError{failure, err, path};
}

bool HasLineBreak(const std::string& s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

bool AnyFieldHasLineBreak(const PortSettings& s) {
    for (const std::string* f :
         {&s.printerModel, &s.comPortName, &s.baudrate, &s.paritySetup, &s.dataBit, &s.stopBit,
          &s.flowControl, &s.lptPortName, &s.language, &s.ipAddr})
        if (HasLineBreak(*f))
            return true;
    return false;
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A symbolic link is followed, so that the link stays and its target gets the
// new text — but only a link of the user's own. Another user's link planted
// in a shared folder would make a privileged save replace any file, so it is
// refused (the rule of the kernel's protected_symlinks). False then.
bool ResolveTarget(const std::string& path, std::string& target) {
    target = path;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return true;
    if (st.st_uid != geteuid())
        return false;
    char* real = realpath(path.c_str(), nullptr);
    if (!real)
        return true;
    target = real;
    std::free(real);
    return true;
}

enum class Existing { Missing, Writable, NotWritable };

// Whether the file may be replaced; `mode` receives its permission bits.
Existing CheckExisting(const std::string& path, mode_t& mode, int& err) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        err = errno;
        return err == ENOENT ? Existing::Missing : Existing::NotWritable;
    }
    if (!S_ISREG(st.st_mode)) {
        err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return Existing::NotWritable;
    }
    int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        return Existing::NotWritable;
    }
    close(fd);
    mode = st.st_mode & 07777;
    return Existing::Writable;
}

// Whether a save could put new text in place of the file: the file and, as
// the new text is renamed into place, its folder must be writable.
bool Replaceable(const std::string& target, int& err) {
    mode_t mode = 0;
    if (CheckExisting(target, mode, err) == Existing::NotWritable)
        return false;
    if (faccessat(AT_FDCWD, DirectoryOf(target).c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        err = errno;
        return false;
    }
    return true;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Temporary files are hidden next to the file: ".printune.ini.tmp.<pid>.<n>".
std::string TemporaryPrefix(const std::string& base) {
    return "." + base + ".tmp.";
}

int CreateTemporary(const std::string& directory, const std::string& base, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = directory + "/" + TemporaryPrefix(base) + std::to_string(getpid()) + "." +
                   std::to_string(counter.fetch_add(1));
        int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// A saver that was killed leaves its temporary file behind. A save takes
// milliseconds, so one older than a minute belongs to nobody any more.
void RemoveStaleTemporaries(const std::string& directory, const std::string& base) {
    DIR* d = opendir(directory.c_str());
    if (!d)
        return;
    const std::string prefix = TemporaryPrefix(base);
    const time_t cutoff = time(nullptr) - 60;
    while (dirent* entry = readdir(d)) {
        if (std::string_view(entry->d_name).substr(0, prefix.size()) != prefix)
            continue;
        struct stat st;
        if (fstatat(dirfd(d), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_mtime < cutoff)
            unlinkat(dirfd(d), entry->d_name, 0);
    }
    closedir(d);
}

void SyncDirectory(const std::string& directory) {
    int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd); // best effort: some file systems refuse it, the rename is done
    close(fd);
}

// The decimal value of the leading digits, as the C library's atoi reads it;
// out-of-range values saturate instead of overflowing.
int32_t LeadingDecimal(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT32_MAX) + 1)
            value = static_cast<long long>(INT32_MAX) + 1;
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
}

} // namespace

std::string SettingsFilePath(const std::string& directory) {
    if (directory.empty())
        return std::string("./") + SETTINGS_FILE_NAME;
    if (directory.back() == '/')
        return directory + SETTINGS_FILE_NAME;
    return directory + "/" + SETTINGS_FILE_NAME;
}

std::string FormatSettingsText(const PortSettings& s) {
    // The six pieces in their order, then every line feed becomes CR LF.
    std::string text;
    text += "[PrinterModel]\nPrinter Model=" + s.printerModel + "\n";
    text += "[PortType]\nCurPortType=" + std::to_string(s.portType) + "\n";
    text += "[COM]\nPortName=" + s.comPortName + "\nBaudrate=" + s.baudrate +
            "\nParitySetup=" + s.paritySetup + "\nDataBit=" + s.dataBit + "\nStopBit=" + s.stopBit +
            "\nFlowControl=" + s.flowControl + "\n";
    text += "[LPT]\nPortName=" + s.lptPortName + "\n";
    text += "[LAN]\nIpAddr=" + s.ipAddr + "\nListenPort=" + std::to_string(s.listenPort) + "\n";
    text += "[LanguageSetting]\nLanguage=" + s.language + "\n";

    std::string out;
    out.reserve(text.size() + 18);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string SettingsErrorMessage(const SettingsError& e, int languageId) {
    const bool zh = languageId == LANG_CHINESE;
    const std::string reason = e.errorNumber ? ErrnoText(e.errorNumber) : std::string();
    switch (e.failure) {
    case SettingsFailure::None:
        return {};
    case SettingsFailure::LineBreakInValue:
        return zh ? "设置值中含有换行符或空字符，设置未保存。"
                  : "A setting contains a line break or a zero byte. The settings were not "
                    "saved.";
    case SettingsFailure::NotWritable:
        return zh ? "无法写入设置文件 " + e.path + "（" + reason + "），设置未保存。"
                  : "The settings file " + e.path + " cannot be written (" + reason +
                        "). The settings were not saved.";
    case SettingsFailure::Unreadable:
        return zh ? "无法读取设置文件 " + e.path + "（" + reason +
                        "），本次使用默认设置，该文件保持不变。"
                  : "The settings file " + e.path + " cannot be read (" + reason +
                        "). Default settings are used and the file is left as it is.";
    case SettingsFailure::ForeignLink:
        return zh ? "设置文件 " + e.path + " 是其他用户的符号链接，不会经由它写入，设置未保存。"
                  : "The settings file " + e.path +
                        " is a symbolic link owned by another user and is not written through. "
                        "The settings were not saved.";
    case SettingsFailure::WriteFailed:
        return zh ? "无法保存设置到 " + e.path + "（" + reason + "），原设置文件保持不变。"
                  : "The settings could not be saved to " + e.path + " (" + reason +
                        "). The previous settings file is unchanged.";
    }
    return {};
}

bool ReadSettingsFileText(const std::string& path, std::string& text, int* errorNumber) {
    text.clear();
    int err = 0;
    // Non-blocking open: a FIFO of that name must not hang the program.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
    } else {
        struct stat st;
        if (fstat(fd, &st) != 0) {
            err = errno;
        } else if (!S_ISREG(st.st_mode)) {
            err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        } else {
            char buffer[8192];
            while (text.size() < kMaxFileBytes) {
                ssize_t n = read(fd, buffer, sizeof buffer);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0) {
                    err = errno;
                    break;
                }
                if (n == 0)
                    break;
                text.append(buffer, static_cast<size_t>(n));
            }
            if (text.size() > kMaxFileBytes)
                text.resize(kMaxFileBytes);
        }
        close(fd);
    }
    if (errorNumber)
        *errorNumber = err;
    if (err)
        text.clear();
    return err == 0;
}

bool SaveSettings(const std::string& directory, const PortSettings& settings,
                  SettingsError* error) {
    return SaveSettingsFile(SettingsFilePath(directory), settings, error);
}

bool SaveSettingsFile(const std::string& path, const PortSettings& settings, SettingsError* error) {
    auto failed = [&](SettingsFailure f, int err) {
        if (error)
            *error = Fail(f, err, path);
        return false;
    };
    if (AnyFieldHasLineBreak(settings))
        return failed(SettingsFailure::LineBreakInValue, 0);

    std::string target;
    if (!ResolveTarget(path, target))
        return failed(SettingsFailure::ForeignLink, 0);
    mode_t mode = 0;
    int err = 0;
    Existing existing = CheckExisting(target, mode, err);
    if (existing == Existing::NotWritable)
        return failed(SettingsFailure::NotWritable, err);

    const std::string dir = DirectoryOf(target);
    std::string tempPath;
    int fd = CreateTemporary(dir, BaseName(target), tempPath);
    if (fd < 0)
        return failed(SettingsFailure::WriteFailed, errno);

    const std::string text = FormatSettingsText(settings);
    bool ok = true;
    if (existing == Existing::Writable)
        fchmod(fd, mode); // keep the old permissions; not fatal when we do not own it
    if (!WriteAll(fd, text) || fsync(fd) != 0) {
        ok = false;
        err = errno;
    }
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(tempPath.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(tempPath.c_str());
        return failed(SettingsFailure::WriteFailed, err);
    }
    SyncDirectory(dir);
    RemoveStaleTemporaries(dir, BaseName(target));
    if (error)
        *error = SettingsError{};
    return true;
}

std::string TranslateModelName(const std::string& model, const std::string& language) {
    struct Rule {
        const char* language;
        const char* from;
        const char* to;
    };
    // Checked in this order; the first rule that applies wins.
    static const Rule kRules[] = {
        {"English", "HT-760", "HT-750"},
        {"Chinese", "HT-750", "HT-760"},
        {"Chinese", "KP-520", "Label Printer(200DPI)"},
        {"English", "Label Printer(200DPI)", "KP-520"},
        {"Chinese", "KP-740", "Label Printer(300DPI)"},
        {"English", "Label Printer(300DPI)", "KP-740"},
        {"Chinese", "KP-500", "Label Printer(200DPI)"},
    };
    for (const Rule& r : kRules)
        if (language == r.language && model == r.from)
            return r.to;
    return model;
}

PortSettings SettingsFromProfile(const PrivateProfile& profile) {
    // A lookup of 0 characters, or of exactly 126, counts as missing.
    auto lookup = [&](const char* section, const char* key, std::string& value) {
        size_t n = profile.GetString(section, key, value, kValueBuffer);
        return n != 0 && n != kValueBuffer - 2;
    };
    auto orNoName = [&](const char* section, const char* key) {
        std::string value;
        return lookup(section, key, value) ? value : std::string(SETTINGS_NO_NAME);
    };
    auto orEmpty = [&](const char* section, const char* key) {
        std::string value;
        return lookup(section, key, value) ? value : std::string();
    };

    PortSettings s;
    s.portType = LeadingDecimal(orNoName("PortType", "CurPortType"));

    s.comPortName = orEmpty("COM", "PortName");
    s.baudrate = orEmpty("COM", "Baudrate");
    s.paritySetup = orEmpty("COM", "ParitySetup");
    s.dataBit = orEmpty("COM", "DataBit");
    s.stopBit = orEmpty("COM", "StopBit");
    s.flowControl = orEmpty("COM", "FlowControl");

    s.lptPortName = orNoName("LPT", "PortName");
    s.language = orNoName("LanguageSetting", "Language");
    s.printerModel = TranslateModelName(orNoName("PrinterModel", "Printer Model"), s.language);

    std::string ip = orNoName("LAN", "IpAddr");
    s.ipAddr = ip == SETTINGS_NO_NAME ? std::string() : ip;
    std::string port = orNoName("LAN", "ListenPort");
    s.listenPort = port == SETTINGS_NO_NAME ? 0 : LeadingDecimal(port);
    return s;
}

LoadedSettings LoadSettings(const std::string& directory, const std::vector<std::string>& modelList,
                            int systemLanguageId) {
    LoadedSettings result;
    const std::string path = SettingsFilePath(directory);
    std::string text;
    int err = 0;
    if (ReadSettingsFileText(path, text, &err)) {
        result.settings = SettingsFromProfile(PrivateProfile::Parse(text));
        // A file we may read but not write keeps its values for this run;
        // losing them silently would be worse than the failing saves.
        std::string target;
        if (!ResolveTarget(path, target)) {
            result.origin = SettingsOrigin::ReadOnlyFile;
            result.error = Fail(SettingsFailure::ForeignLink, 0, path);
        } else if (!Replaceable(target, err)) {
            result.origin = SettingsOrigin::ReadOnlyFile;
            result.error = Fail(SettingsFailure::NotWritable, err, path);
        }
        return result;
    }

    result.settings = DefaultPortSettings(modelList.empty() ? std::string() : modelList.front(),
                                          systemLanguageId);
    if (err != ENOENT) {
        // It exists but cannot be read: defaults for now, and the file is not
        // overwritten with them.
        result.origin = SettingsOrigin::UnsavedDefaults;
        result.error = Fail(SettingsFailure::Unreadable, err, path);
        return result;
    }
    result.origin = SaveSettings(directory, result.settings, &result.error)
                        ? SettingsOrigin::NewDefaults
                        : SettingsOrigin::UnsavedDefaults;
    return result;
}

} // namespace printune
