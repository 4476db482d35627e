// The menu launch's data folder: where it is, and the help documents linked
// into it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "app/data_folder.h"

using namespace printune;

namespace {

struct Scratch {
    Scratch() {
        std::string tmpl = "/tmp/printune-data-XXXXXX";
        path = mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~Scratch() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::string path;
};

std::string Read(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(DataFolder, FollowsXdgDataHomeElseHome) {
    const char* savedData = std::getenv("XDG_DATA_HOME");
    const std::string data = savedData ? savedData : "";
    setenv("XDG_DATA_HOME", "/srv/data", 1);
    setenv("HOME", "/home/tech", 1);
    EXPECT_EQ(UserDataFolder(), "/srv/data/printune");
    setenv("XDG_DATA_HOME", "relative",
           1); // not absolute: ignored, as the base directory rules say
    EXPECT_EQ(UserDataFolder(), "/home/tech/.local/share/printune");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserDataFolder(), "/home/tech/.local/share/printune");
    if (savedData)
        setenv("XDG_DATA_HOME", data.c_str(), 1);
    EXPECT_EQ(InstalledHelpFolder("/usr/bin/printune"), "/usr/bin/../share/printune/help");
}

TEST(DataFolder, CreatesTheFolderAndLinksTheHelpDocuments) {
    Scratch s;
    const std::string help = s.path + "/share/help";
    ASSERT_EQ(std::system(("mkdir -p '" + help + "'").c_str()), 0);
    std::ofstream(help + "/KP-520Printune Help File.pdf") << "label";
    std::ofstream(help + "/HT-740Printune Help File.pdf") << "receipt";
    std::ofstream(help + "/notes.txt") << "not a help document";
    const std::string folder = s.path + "/home/.local/share/printune";
    // The user's own copy stays; a link into a removed installation is renewed.
    ASSERT_EQ(std::system(("mkdir -p '" + folder + "'").c_str()), 0);
    std::ofstream(folder + "/HT-740Printune Help File.pdf") << "mine";
    ASSERT_EQ(symlink("/nonexistent/old.pdf", (folder + "/KP-520Printune Help File.pdf").c_str()),
              0);

    ASSERT_TRUE(PrepareDataFolder(folder, help));
    EXPECT_EQ(Read(folder + "/KP-520Printune Help File.pdf"), "label");
    EXPECT_EQ(Read(folder + "/HT-740Printune Help File.pdf"), "mine");
    EXPECT_NE(access((folder + "/notes.txt").c_str(), F_OK), 0);
    // Again: nothing changes, nothing fails.
    EXPECT_TRUE(PrepareDataFolder(folder, help));
    // No help installed is no failure; a file in the folder's place is.
    EXPECT_TRUE(PrepareDataFolder(s.path + "/other", s.path + "/missing"));
    std::ofstream(s.path + "/blocked") << "";
    EXPECT_FALSE(PrepareDataFolder(s.path + "/blocked", help));
    EXPECT_FALSE(PrepareDataFolder("", help));
}

} // namespace
