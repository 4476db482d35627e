// Who may open a node, and who holds it open: mode bits and POSIX ACLs (the
// udev "uaccess" tag grants the seat's user an ACL entry), and the open
// descriptors under /proc.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "diagnostics/system_check.h"

namespace printune {

namespace {

constexpr uint16_t ACL_USER_OBJ_TAG = 0x01;
constexpr uint16_t ACL_USER_TAG = 0x02;
constexpr uint16_t ACL_GROUP_OBJ_TAG = 0x04;
constexpr uint16_t ACL_GROUP_TAG = 0x08;
constexpr uint16_t ACL_MASK_TAG = 0x10;
constexpr uint16_t ACL_OTHER_TAG = 0x20;
constexpr unsigned RW = 6;

bool InGroup(const CheckIdentity& who, gid_t gid) {
    return who.gid == gid ||
           std::find(who.groups.begin(), who.groups.end(), gid) != who.groups.end();
}

struct AclEntry {
    uint16_t tag;
    uint16_t perm;
    uint32_t id;
};

// The kernel's xattr form: a 4-byte version (2), then 8-byte entries, all
// little-endian.
std::vector<AclEntry> ReadAcl(const std::string& path) {
    unsigned char buffer[1024];
    const ssize_t n = getxattr(path.c_str(), "system.posix_acl_access", buffer, sizeof buffer);
    std::vector<AclEntry> entries;
    if (n < 4 || buffer[0] != 2)
        return entries;
    for (ssize_t at = 4; at + 8 <= n; at += 8) {
        const unsigned char* e = buffer + at;
        entries.push_back({static_cast<uint16_t>(e[0] | e[1] << 8),
                           static_cast<uint16_t>(e[2] | e[3] << 8),
                           static_cast<uint32_t>(e[4] | e[5] << 8 | e[6] << 16 |
                                                 static_cast<uint32_t>(e[7]) << 24)});
    }
    return entries;
}

// The ACL check of acl(5): owner, named user, any matching group entry,
// other; named entries and groups are limited by the mask.
bool AclAllows(const std::vector<AclEntry>& acl, const struct stat& st, const CheckIdentity& who,
               unsigned want) {
    unsigned mask = 7;
    for (const AclEntry& e : acl)
        if (e.tag == ACL_MASK_TAG)
            mask = e.perm;
    if (who.uid == st.st_uid) {
        for (const AclEntry& e : acl)
            if (e.tag == ACL_USER_OBJ_TAG)
                return (e.perm & want) == want;
    }
    for (const AclEntry& e : acl)
        if (e.tag == ACL_USER_TAG && e.id == who.uid)
            return (e.perm & mask & want) == want;
    bool groupMatched = false;
    for (const AclEntry& e : acl) {
        const bool matches = (e.tag == ACL_GROUP_OBJ_TAG && InGroup(who, st.st_gid)) ||
                             (e.tag == ACL_GROUP_TAG && InGroup(who, static_cast<gid_t>(e.id)));
        if (!matches)
            continue;
        groupMatched = true;
        if ((e.perm & mask & want) == want)
            return true;
    }
    if (groupMatched)
        return false;
    for (const AclEntry& e : acl)
        if (e.tag == ACL_OTHER_TAG)
            return (e.perm & want) == want;
    return false;
}

std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line, '\0');
    return line;
}

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

} // namespace

CheckIdentity CurrentIdentity() {
    CheckIdentity who;
    who.uid = getuid();
    who.gid = getgid();
    const int n = getgroups(0, nullptr);
    if (n > 0) {
        who.groups.resize(static_cast<size_t>(n));
        who.groups.resize(static_cast<size_t>(std::max(0, getgroups(n, who.groups.data()))));
    }
    struct passwd pw {
    }, *found = nullptr;
    char buffer[4096];
    if (getpwuid_r(who.uid, &pw, buffer, sizeof buffer, &found) == 0 && found)
        who.userName = found->pw_name;
    return who;
}

bool MayReadWrite(const std::string& path, const CheckIdentity& who) {
    return MayAccess(path, who, RW);
}

bool MayAccess(const std::string& path, const CheckIdentity& who, unsigned want) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return false;
    if (who.uid == 0)
        return true;
    const std::vector<AclEntry> acl = ReadAcl(path);
    if (!acl.empty())
        return AclAllows(acl, st, who, want);
    unsigned bits;
    if (who.uid == st.st_uid)
        bits = (st.st_mode >> 6) & 7;
    else if (InGroup(who, st.st_gid))
        bits = (st.st_mode >> 3) & 7;
    else
        bits = st.st_mode & 7;
    return (bits & want) == want;
}

std::vector<Holder> NodeHolders(const std::string& node) {
    std::vector<Holder> holders;
    const std::string target = RealPath(node);
    DIR* proc = opendir("/proc");
    if (!proc)
        return holders;
    const pid_t self = getpid();
    while (dirent* p = readdir(proc)) {
        const int pid = std::atoi(p->d_name);
        if (pid <= 0 || pid == self)
            continue;
        const std::string fdDir = std::string("/proc/") + p->d_name + "/fd";
        DIR* fds = opendir(fdDir.c_str());
        if (!fds)
            continue; // another user's process: not ours to see
        bool holds = false;
        while (dirent* f = readdir(fds)) {
            if (f->d_name[0] == '.')
                continue;
            char link[PATH_MAX];
            const ssize_t n = readlink((fdDir + "/" + f->d_name).c_str(), link, sizeof link - 1);
            if (n <= 0)
                continue;
            link[n] = '\0';
            if (target == link || node == link) {
                holds = true;
                break;
            }
        }
        closedir(fds);
        if (holds)
            holders.push_back({pid, ReadFirstLine(std::string("/proc/") + p->d_name + "/comm")});
    }
    closedir(proc);
    for (Holder& h : holders)
        while (!h.program.empty() && (h.program.back() == '\n' || h.program.back() == '\r'))
            h.program.pop_back();
    std::sort(holders.begin(), holders.end(),
              [](const Holder& a, const Holder& b) { return a.pid < b.pid; });
    return holders;
}

} // namespace printune
