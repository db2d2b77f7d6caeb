#include <gtest/gtest.h>

#include "platform/os/glob_match.h"

namespace tamlo::platform {
namespace {

TEST(GlobMatch, StarsQuestionMarksAndSetsMatchAsAFileSearchDoes) {
    EXPECT_TRUE(globMatches("*.png", "Skin/Button.PNG"));  // "*" crosses "/", case ignored
    EXPECT_FALSE(globMatches("*.png", "button.png.bak"));
    EXPECT_TRUE(globMatches("a*b*c", "aXbYbZc"));  // backtracks past the first "b"
    EXPECT_FALSE(globMatches("a*b*c", "aXbYbZ"));
    EXPECT_TRUE(globMatches("***", ""));
    EXPECT_FALSE(globMatches("?", ""));
    EXPECT_TRUE(globMatches("??.txt", "说明.txt"));  // "?" is one character, not one byte
    EXPECT_FALSE(globMatches("?.txt", "说明.txt"));
    EXPECT_TRUE(globMatches("log[0-9].[!t]xt", "LOG7.Ext"));
    EXPECT_FALSE(globMatches("log[0-9].[!t]xt", "log7.txt"));
    EXPECT_TRUE(globMatches("[]]x", "]x"));  // a "]" first in a set is a member
    EXPECT_TRUE(globMatches("a[b", "a[b"));  // an open "[" is literal
    EXPECT_TRUE(globMatches("\\*.ini", "*.ini"));
    EXPECT_FALSE(globMatches("\\*.ini", "setup.ini"));
}

TEST(GlobMatch, BrokenUtf8AndDanglingEscapesStayInsideTheirBuffers) {
    // A lead byte that promises more bytes than are left, at either side.
    EXPECT_TRUE(globMatches("?", std::string_view("\xE4", 1)));
    EXPECT_FALSE(globMatches(std::string_view("\xE4", 1), "a"));
    EXPECT_TRUE(globMatches("ab\\", "ab\\"));
    EXPECT_FALSE(globMatches("[a-", "b"));
    EXPECT_FALSE(globMatches(std::string_view("[\xF0", 2), "x"));
}

}  // namespace
}  // namespace tamlo::platform
