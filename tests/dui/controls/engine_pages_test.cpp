#include <gtest/gtest.h>

#include "dui/controls/engine_pages.h"

namespace tamlo::dui {
namespace {

TEST(EnginePagesTest, AURLNamesAnEntryOfTheLayoutPackageOnlyByAPlainPath) {
    EXPECT_EQ(enginePageEntry("tamlo://frame/notes.html"), u"notes.html");
    EXPECT_EQ(enginePageEntry("TAMLO://Frame/img/a%20b.png?v=2#top"), u"img/a b.png");
    EXPECT_EQ(enginePageEntry("tamlo://frame/%E8%AF%B4%E6%98%8E.html"), u"说明.html");
    for (const char* url :
         {"tamlo://frame/../UI.lua", "tamlo://frame/a/../../b", "tamlo://frame/%2e%2e/UI.lua",
          "tamlo://frame/%2E%2E%2FUI.lua", "tamlo://frame//etc/passwd", "tamlo://frame/%2fetc",
          "tamlo://frame/a%5c..%5cb", "tamlo://frame/a\\b", "tamlo://frame/./a", "tamlo://frame/",
          "tamlo://frame", "tamlo://style/bkgnd.xml", "file:///etc/passwd",
          "tamlo://frame/a%00.html", "tamlo://frame/a%zz", "tamlo://frame/a%4",
          "tamlo://frame/%C0%AE%C0%AE/x", "tamlo://frame/%ED%A0%80.html"}) {
        EXPECT_FALSE(enginePageEntry(url).has_value()) << url;
    }
}

TEST(EnginePagesTest, EntriesCarryTheirTypeAndAMissingOneIsA404Page) {
    EXPECT_EQ(mimeTypeOfEntry(u"notes.HTML"), "text/html");
    EXPECT_EQ(mimeTypeOfEntry(u"a.css"), "text/css");
    EXPECT_EQ(mimeTypeOfEntry(u"a.png"), "image/png");
    EXPECT_EQ(mimeTypeOfEntry(u"payload.bin"), "application/octet-stream");
    EXPECT_EQ(mimeTypeOfEntry(u"noextension"), "application/octet-stream");

    int reads = 0;
    EntryReader reader = [&reads](std::u16string_view name, std::string& bytes) {
        ++reads;
        if (name != u"a.css") {
            return false;
        }
        bytes = "p{}";
        return true;
    };
    platform::BrowserResource css = serveEnginePage("tamlo://frame/a.css", reader);
    EXPECT_EQ(css.status, 200);
    EXPECT_EQ(css.mimeType, "text/css");
    EXPECT_EQ(css.body, "p{}");
    platform::BrowserResource missing = serveEnginePage("tamlo://frame/b.css", reader);
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.mimeType, "text/html");
    // A path that leaves the package is never even looked up.
    const int before = reads;
    EXPECT_EQ(serveEnginePage("tamlo://frame/%2e%2e/a.css", reader).status, 404);
    EXPECT_EQ(reads, before);
}

}  // namespace
}  // namespace tamlo::dui
