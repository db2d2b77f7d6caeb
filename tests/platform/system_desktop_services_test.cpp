#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/os/known_folders.h"
#include "platform/os/shortcut.h"
#include "platform/os/volumes.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

namespace fs = std::filesystem;

const char* const kMountInfo =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "30 27 8:17 / /media/usb\\040stick rw,nosuid master:4 - vfat /dev/sdb1 rw\n"
    "31 27 0:40 / /mnt/share rw - nfs4 server:/export rw\n"
    "32 27 0:41 / /tmp rw - tmpfs tmpfs rw\n"
    "33 27 8:2 / /data rw - ext4 /dev/sda2 rw\n"
    "34 33 0:42 / /data/ram rw - tmpfs tmpfs rw\n"
    "35 27 0:50 / /var/lib/containers rw - overlay overlay rw\n"
    "garbage line\n"
    "36 27 0:42 / /data/ram2 rw\n";

std::optional<bool> removableDisks(unsigned major, unsigned minor) {
    if (major == 8 && minor == 17) {
        return true;  // the stick
    }
    if (major == 8 || major == 254) {
        return false;
    }
    return std::nullopt;
}

TEST(Volumes, ParsesMountInfoAndSkipsBrokenLines) {
    auto mounts = volumes::parseMountInfo(kMountInfo);
    ASSERT_EQ(mounts.size(), 8u);
    EXPECT_EQ(mounts[2].mountPoint, "/media/usb stick");
    EXPECT_EQ(mounts[2].major, 8u);
    EXPECT_EQ(mounts[2].minor, 17u);
    EXPECT_EQ(mounts[3].fsType, "nfs4");
}

TEST(Volumes, OnlyLocalFixedDisksCount) {
    auto mounts = volumes::parseMountInfo(kMountInfo);
    auto fixed = [&](const std::string& path) {
        return volumes::isFixedVolume(mounts, path, removableDisks);
    };
    EXPECT_TRUE(fixed("/"));
    EXPECT_TRUE(fixed("/home/user"));
    EXPECT_TRUE(fixed("/data/x"));
    EXPECT_TRUE(fixed("/var/lib/containers/c1"));    // overlay: local, no block device
    EXPECT_FALSE(fixed("/media/usb stick/photos"));  // removable
    EXPECT_FALSE(fixed("/mnt/share"));               // network
    EXPECT_FALSE(fixed("/tmp"));                     // memory
    EXPECT_FALSE(fixed("/data/ram/file"));           // memory mounted inside a disk
    EXPECT_TRUE(fixed("/data/ramdisk"));             // a sibling name, still the disk
    EXPECT_FALSE(fixed("/proc/self"));
}

TEST(Volumes, LiveAnswersForPathsThatAreNoDisk) {
    EXPECT_FALSE(volumes::volumeExists("/no/such/place"));
    EXPECT_FALSE(volumes::volumeExists(""));
    EXPECT_FALSE(volumes::volumeExists("/proc"));
    EXPECT_FALSE(volumes::volumeExists("C:\\"));
}

TEST(Shortcut, WritesAnExecutableLauncherAtTheGivenPath) {
    std::string dir = test::makeTempDir("links");
    std::string link = dir + "/Orvinex 安装.lnk";
    ASSERT_TRUE(shortcuts::createShortcut("/opt/Orvinex/bin/run \"it\" $HOME 100%", link));

    struct stat info;
    ASSERT_EQ(stat(link.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    std::string text = test::readFile(link);
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(text.find("\nName=Orvinex 安装\n"), std::string::npos);
    // Quoted for Exec, then escaped once more as a string value.
    EXPECT_NE(text.find("\nExec=\"/opt/Orvinex/bin/run \\\\\"it\\\\\" \\\\$HOME 100%%\"\n"),
              std::string::npos)
        << text;

    // Replacing leaves exactly one file behind.
    ASSERT_TRUE(shortcuts::createShortcut("/bin/true", link));
    EXPECT_NE(test::readFile(link).find("Exec=\"/bin/true\""), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    EXPECT_FALSE(shortcuts::createShortcut("/bin/true", dir + "/missing/x.desktop"));
    EXPECT_FALSE(shortcuts::createShortcut("", dir + "/y.desktop"));
}

TEST(Shortcut, AnIconBecomesTheLaunchersIconLine) {
    std::string dir = test::makeTempDir("links");
    std::string link = dir + "/Orvinex.desktop";
    ASSERT_TRUE(shortcuts::createShortcut("/opt/Orvinex/bin/orvinex", link, ""));
    EXPECT_EQ(test::readFile(link).find("Icon="), std::string::npos);
    ASSERT_TRUE(shortcuts::createShortcut("/opt/Orvinex/bin/orvinex", link,
                                          "/opt/Orvinex/share/图标\\1.svg"));
    // A string value: the backslash is escaped; the line sits among the entry's keys.
    EXPECT_NE(
        test::readFile(link).find("\nIcon=/opt/Orvinex/share/图标\\\\1.svg\nTerminal=false\n"),
        std::string::npos)
        << test::readFile(link);
}

TEST(SpecialFolders, FollowXdgAndAreCreated) {
    std::string home = std::getenv("HOME");
    std::string data = std::getenv("XDG_DATA_HOME");
    using folders::SpecialFolder;
    EXPECT_EQ(folders::resolveSpecialFolder(SpecialFolder::AppData, false), data);
    EXPECT_EQ(folders::resolveSpecialFolder(SpecialFolder::Programs, false), home + "/.local/opt");
    EXPECT_EQ(folders::resolveSpecialFolder(SpecialFolder::Programs, true), "/opt");
    EXPECT_EQ(folders::resolveSpecialFolder(SpecialFolder::StartMenu, false),
              data + "/applications");
    EXPECT_EQ(folders::resolveSpecialFolder(SpecialFolder::StartMenu, true),
              "/usr/share/applications");

    std::string desktop = std::getenv("XDG_DESKTOP_DIR");
    fs::remove_all(desktop);
    EXPECT_EQ(folders::specialFolder(SpecialFolder::Desktop), desktop);
    EXPECT_TRUE(fs::is_directory(desktop));

    std::string tempFolder = folders::tempFolder();
    ASSERT_FALSE(tempFolder.empty());
    EXPECT_EQ(tempFolder.back(), '/');
}

TEST(SpecialFolders, DesktopFromUserDirsWhenNotInTheEnvironment) {
    std::string saved = std::getenv("XDG_DESKTOP_DIR");
    std::string home = std::getenv("HOME");
    std::string config = std::getenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DESKTOP_DIR");
    EXPECT_EQ(folders::resolveSpecialFolder(folders::SpecialFolder::Desktop, false),
              home + "/Desktop");
    ASSERT_TRUE(test::writeFile(config + "/user-dirs.dirs",
                                "# written by xdg-user-dirs-update\n"
                                "XDG_DESKTOP_DIR=\"$HOME/桌面/\"\n"));
    EXPECT_EQ(folders::resolveSpecialFolder(folders::SpecialFolder::Desktop, false),
              home + "/桌面");
    fs::remove(config + "/user-dirs.dirs");
    setenv("XDG_DESKTOP_DIR", saved.c_str(), 1);
}

}  // namespace
}  // namespace tamlo
