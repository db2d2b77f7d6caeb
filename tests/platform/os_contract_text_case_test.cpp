// The OS contract's case folding, built into the Linux and the Windows test programs alike:
// both systems must fold and compare names the same way.
#include <gtest/gtest.h>

#include "platform/os/registry_store.h"
#include "platform/os/text_case.h"

namespace tamlo {
namespace {

TEST(OsContractTextCase, NamesCompareIgnoringCaseBeyondAscii) {
    EXPECT_TRUE(os::equalsIgnoringCase("OrvMon.EXE", "orvmon.exe"));
    EXPECT_TRUE(os::equalsIgnoringCase("ÄBÇ.exe", "äbç.EXE"));
    EXPECT_TRUE(os::equalsIgnoringCase("", ""));
    EXPECT_FALSE(os::equalsIgnoringCase("orvmon.exe", "orvmon.ex"));
    EXPECT_FALSE(os::equalsIgnoringCase("a.exe", "b.exe"));
    // Texts that are not UTF-8 compare byte by byte: distinct bad bytes stay distinct.
    EXPECT_FALSE(os::equalsIgnoringCase("a\xff", "a\xfe"));
    EXPECT_TRUE(os::equalsIgnoringCase("A\xff", "a\xff"));
}

TEST(OsContractTextCase, TheRegistryStoreFoldsKeysWithTheSameFold) {
    EXPECT_EQ(os::foldCase("Software\\Orvinex"), "software\\orvinex");
    EXPECT_EQ(os::foldCase("ÄÖÜ Ω"), "äöü ω");
    EXPECT_EQ(registry::foldCase("MixedCase"), os::foldCase("mixedcase"));
    EXPECT_TRUE(os::equalsIgnoringCase(os::foldCase("ÉCOLE"), "école"));
}

}  // namespace
}  // namespace tamlo
