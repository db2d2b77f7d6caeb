#include <gtest/gtest.h>

#include "support/test_environment.h"

// Every test program runs with HOME, XDG_* and TMPDIR inside a private
// temporary folder, so nothing a test does reaches the real user profile.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    tamlo::test::isolateEnvironment();
    return RUN_ALL_TESTS();
}
