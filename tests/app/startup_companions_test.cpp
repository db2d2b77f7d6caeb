#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/startup.h"
#include "platform/os/instance_guard.h"
#include "platform/os/os_services.h"
#include "startup_fixture.h"
#include "support/spawned_program.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

// Real companion programs, started by the test from the profile's codecs folder.
// The kill step is confined to that folder (by full image path) so that nothing the
// test did not start can be hit, while the order and the waiting stay real.
TEST(StartupCompanions, RealProcessesAllStopAndTheDaemonDiesLast) {
    test::ScopedEnv env;
    env.set("XDG_DATA_HOME", test::makeTempDir("data"));
    std::string codecs = app::profileFolder() + "codecs/";

    std::map<std::string, std::unique_ptr<test::SpawnedProgram>> programs;
    for (const char* name : {"x.exe", "a.exe", "orvmon.exe"}) {
        programs[name] = std::make_unique<test::SpawnedProgram>(codecs + name);
        ASSERT_TRUE(programs[name]->running()) << name;
    }

    struct Call {
        std::string name;
        std::map<std::string, bool> runningBefore;
    };
    std::vector<Call> calls;
    app::stopCompanionPrograms(app::profileFolder(), [&](const std::string& name) {
        Call call{name, {}};
        for (const auto& [program, process] : programs) {
            call.runningBefore[program] = process->running();
        }
        calls.push_back(call);
        os::killProcessesByImagePath(codecs + name);
    });

    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].name, "a.exe");
    EXPECT_EQ(calls[1].name, "x.exe");
    EXPECT_EQ(calls[2].name, "orvmon.exe");
    // Each kill waited for its process: by the daemon's turn the others are gone.
    EXPECT_FALSE(calls[2].runningBefore["a.exe"]);
    EXPECT_FALSE(calls[2].runningBefore["x.exe"]);
    EXPECT_FALSE(calls[1].runningBefore["a.exe"]);
    for (const auto& [name, process] : programs) {
        EXPECT_FALSE(process->running()) << name;
        EXPECT_TRUE(process->diedOfKill()) << name;
    }
}

}  // namespace
}  // namespace tamlo
