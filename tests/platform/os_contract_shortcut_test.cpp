// The OS contract for shortcuts, built into the Linux and the Windows test programs: where
// a launcher is written and when it is refused. What it holds is each system's own format.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/os_services.h"
#include "platform/os/shortcut.h"
#include "support/os_contract.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

using test::inFolder;

TEST(OsContractShortcut, ALauncherIsWrittenAtThePathAndReplacedWhole) {
    const std::string dir = test::contractFolder("links");
    const std::string target = inFolder(dir, "Orvinex Main.exe");
    ASSERT_TRUE(test::writeFile(target, "MZ"));
    const std::string link = inFolder(dir, "Orvinex.lnk");

    ASSERT_TRUE(shortcuts::createShortcut(target, link));
    const std::string first = test::readFile(link);
    EXPECT_FALSE(first.empty());
    // An existing one is replaced, here by one with an icon; nothing else is left beside it.
    ASSERT_TRUE(shortcuts::createShortcut(target, link, inFolder(dir, "orvinex.ico")));
    EXPECT_NE(test::readFile(link), first);
    EXPECT_EQ(os::listFiles(dir, "*"), (std::vector<std::string>{target, link}));

    EXPECT_FALSE(shortcuts::createShortcut(target, inFolder(dir, "missing/x.lnk")));
    EXPECT_FALSE(test::pathExists(inFolder(dir, "missing")));
}

}  // namespace
}  // namespace tamlo
