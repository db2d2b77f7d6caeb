#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/startup.h"
#include "authoring/bundle_writer.h"
#include "platform/headless/backend.h"
#include "platform/os/instance_guard.h"
#include "platform/os/os_services.h"
#include "platform/os/restart_marker.h"
#include "platform/win32_constants.h"
#include "resources/bundle_format.h"
#include "resources/file_system.h"
#include "startup_fixture.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

bool exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// Runs the start-up sequence in this process over a sample installer, with a private
// profile, temp folder and instance lock, recording message boxes and kills.
class StartupSequence : public ::testing::Test {
  protected:
    void SetUp() override {
        static int counter = 0;
        env_.set("TAMLO_INSTANCE_NAME", "tamlo-test-startup-" + std::to_string(getpid()) + "-" +
                                            std::to_string(++counter));
        env_.set("TMPDIR", test::makeTempDir("tmp"));
        env_.set("XDG_DATA_HOME", test::makeTempDir("data"));
        test::useFixedBootTime(env_);
        profile_ = app::profileFolder();

        installer_ = test::makeTempDir("installer") + "/setup";
        std::string program = test::makeTempDir("program") + "/program";
        test::writeFile(program, "not really a program");
        std::string error;
        ASSERT_TRUE(test::writeSampleInstaller(program, installer_, &error)) << error;

        ASSERT_NE(platform::startBackend(nullptr), nullptr);
        ASSERT_NE(platform::headlessBackend(), nullptr);
        previousResponder_ =
            platform::setMessageBoxResponder([this](const platform::MessageBoxRequest& request) {
                boxes_.push_back(request);
                return win32::IDOK;
            });

        options_.openBundle = [this](std::string* error) {
            return Bundle::open(installer_, error);
        };
        options_.killByImageName = [this](const std::string& name) { kills_.push_back(name); };
        options_.stages.runUiScript = [this] { scriptRan_ = true; };
    }

    void TearDown() override {
        platform::setMessageBoxResponder(previousResponder_);
        platform::releaseInstanceMutex();
    }

    // A profile that start-up would stop and delete, and a stale marker it would remove.
    void prepareProfileAndMarker(const std::string& marker) {
        test::writeFile(profile_ + "codecs/a.exe", "a");
        test::writeFile(profile_ + "settings.ini", "keep?");
        test::writeFile(platform::restartMarkerPath(), marker);
    }

    void expectNothingTouched() {
        EXPECT_TRUE(kills_.empty());
        EXPECT_FALSE(scriptRan_);
        EXPECT_TRUE(exists(profile_ + "codecs/a.exe"));
        EXPECT_TRUE(exists(profile_ + "settings.ini"));
    }

    void expectOneBox(const std::u16string& text, const std::u16string& caption) {
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text, text);
        EXPECT_EQ(boxes_[0].caption, caption);
        EXPECT_EQ(boxes_[0].type, win32::MB_OK);
        EXPECT_EQ(boxes_[0].owner, 0u);
    }

    bool lockIsFree() {
        os::InstanceLock::Result result;
        return os::InstanceLock::acquire(platform::instanceLockName(), &result) != nullptr;
    }

    test::ScopedEnv env_;
    std::string profile_;
    std::string installer_;
    app::StartupOptions options_;
    std::vector<platform::MessageBoxRequest> boxes_;
    std::vector<std::string> kills_;
    bool scriptRan_ = false;
    platform::MessageBoxResponder previousResponder_;
};

TEST_F(StartupSequence, ProfileFolderFollowsXdgDataHome) {
    env_.set("XDG_DATA_HOME", "/data/home/");
    EXPECT_EQ(app::profileFolder(), "/data/home/Orvinex/");
    env_.set("XDG_DATA_HOME", "relative/ignored");
    env_.set("HOME", "/home/someone");
    EXPECT_EQ(app::profileFolder(), "/home/someone/.local/share/Orvinex/");
    env_.unset("XDG_DATA_HOME");
    EXPECT_EQ(app::profileFolder(), "/home/someone/.local/share/Orvinex/");
}

TEST_F(StartupSequence, MissingBundleIsADamagedInstallerAndTouchesNothing) {
    prepareProfileAndMarker(test::otherBootMarker());
    options_.openBundle = [](std::string* error) {
        *error = "no bundle";
        return std::unique_ptr<Bundle>();
    };
    EXPECT_EQ(app::runInstaller(options_), 1);
    expectOneBox(u"安装程序已损坏，请重新下载。", u"错误");
    expectNothingTouched();
    EXPECT_TRUE(exists(platform::restartMarkerPath()));
    EXPECT_FALSE(platform::instanceMutexHeld());
    EXPECT_TRUE(lockIsFree());
}

TEST_F(StartupSequence, AnyEmbeddedFileFailingItsCheckIsADamagedInstaller) {
    for (int32_t id : {111, 116}) {
        installer_ = test::makeTempDir("corrupt") + "/setup";
        std::string error;
        ASSERT_TRUE(test::writeSampleInstaller(test::binaryPath("tamlo"), installer_, &error));
        ASSERT_TRUE(test::corruptEmbeddedFile(installer_, id));
        prepareProfileAndMarker(test::otherBootMarker());
        EXPECT_EQ(app::runInstaller(options_), 1);
        expectOneBox(u"安装程序已损坏，请重新下载。", u"错误");
        expectNothingTouched();
        boxes_.clear();
    }
}

TEST_F(StartupSequence, ABundleLackingOneOfTheFiveIsADamagedInstaller) {
    std::string program = test::makeTempDir("partial") + "/program";
    test::writeFile(program, "x");
    std::string ui = test::makeTempDir("partial") + "/ui";
    test::writeFile(ui, "print(1)");
    std::string error;
    ASSERT_TRUE(writeBundle(program, {{111, ui}}, installer_, &error)) << error;
    EXPECT_EQ(app::runInstaller(options_), 1);
    expectOneBox(u"安装程序已损坏，请重新下载。", u"错误");
}

TEST_F(StartupSequence, SecondInstanceIsRefusedAndTouchesNothing) {
    prepareProfileAndMarker(test::otherBootMarker());
    os::InstanceLock::Result result;
    auto firstInstance = os::InstanceLock::acquire(platform::instanceLockName(), &result);
    ASSERT_NE(firstInstance, nullptr);

    EXPECT_EQ(app::runInstaller(options_), 0);
    expectOneBox(u"检测到Tamlo安装或卸载程序正在运行，请结束后重试。", u"提示");
    expectNothingTouched();
    // The pending-reboot check did not run either: the stale marker is still there.
    EXPECT_TRUE(exists(platform::restartMarkerPath()));
}

TEST_F(StartupSequence, UnattendedRefusalsShowNoBoxAndReturnTheirOwnCodes) {
    options_.unattended = true;
    prepareProfileAndMarker(test::thisBootMarker());
    {
        os::InstanceLock::Result result;
        auto firstInstance = os::InstanceLock::acquire(platform::instanceLockName(), &result);
        ASSERT_NE(firstInstance, nullptr);
        EXPECT_EQ(app::runInstaller(options_), app::kAnotherInstance);
    }
    EXPECT_EQ(app::runInstaller(options_), app::kRebootPending);
    options_.openBundle = [](std::string* error) {
        *error = "no bundle";
        return std::unique_ptr<Bundle>();
    };
    EXPECT_EQ(app::runInstaller(options_), app::kDamagedInstaller);
    EXPECT_TRUE(boxes_.empty());
    expectNothingTouched();
    EXPECT_TRUE(lockIsFree());
}

TEST_F(StartupSequence, PendingRebootIsRefusedKeepsTheMarkerAndTouchesNothing) {
    prepareProfileAndMarker(test::thisBootMarker());
    EXPECT_EQ(app::runInstaller(options_), 0);
    expectOneBox(u"检测到Tamlo安装或卸载操作尚未完成，需要重启电脑。", u"提示");
    expectNothingTouched();
    EXPECT_EQ(test::readFile(platform::restartMarkerPath()), test::thisBootMarker());
    EXPECT_TRUE(lockIsFree());
}

TEST_F(StartupSequence, StopsCompanionsDaemonLastThenDeletesTheProfile) {
    prepareProfileAndMarker(test::otherBootMarker());
    test::writeFile(profile_ + "codecs/x.exe", "x");
    test::writeFile(profile_ + "codecs/orvmon.exe", "daemon");
    test::writeFile(profile_ + "codecs/old-orvmon.exe", "contains the daemon's name");
    test::writeFile(profile_ + "codecs/readme.txt", "not a program");
    test::writeFile(profile_ + "codecs/sub/b.exe", "not listed: no recursion");
    test::writeFile(profile_ + "locked/readonly.dat", "x");
    chmod((profile_ + "locked/readonly.dat").c_str(), 0400);
    chmod((profile_ + "locked").c_str(), 0500);
    std::string outside = test::makeTempDir("outside");
    test::writeFile(outside + "/precious", "keep");
    ASSERT_EQ(symlink(outside.c_str(), (profile_ + "escape").c_str()), 0);

    EXPECT_EQ(app::runInstaller(options_), 0);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(kills_, (std::vector<std::string>{"a.exe", "x.exe", "orvmon.exe"}));
    EXPECT_FALSE(exists(profile_));
    EXPECT_EQ(test::readFile(outside + "/precious"), "keep");
    // The stale marker of another boot is gone, and the script ran.
    EXPECT_FALSE(exists(platform::restartMarkerPath()));
    EXPECT_TRUE(scriptRan_);
}

TEST_F(StartupSequence, AbsentProfileStillKillsTheDaemon) {
    EXPECT_EQ(app::runInstaller(options_), 0);
    EXPECT_EQ(kills_, (std::vector<std::string>{"orvmon.exe"}));
}

TEST_F(StartupSequence, StagesRunInOrderWithTheEmbeddedFilesAndTheMutexHeld) {
    std::vector<std::string> order;
    auto stage = [&](const std::string& name) {
        return [&order, name] {
            order.push_back(name);
            EXPECT_TRUE(platform::instanceMutexHeld());
            FileSystem* files = globalFileSystem();
            ASSERT_NE(files, nullptr);
            for (const auto& [id, content] : test::sampleEmbeddedFiles()) {
                int size = -1;
                uint8_t* bytes = files->read(embeddedFileName(id), size);
                ASSERT_NE(bytes, nullptr) << id;
                EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), size_t(size)), content);
                files->free(bytes);
            }
        };
    };
    options_.stages.startUi = stage("start");
    options_.stages.runUiScript = stage("script");
    options_.stages.stopUi = stage("stop");

    EXPECT_EQ(app::runInstaller(options_), 0);
    EXPECT_EQ(order, (std::vector<std::string>{"start", "script", "stop"}));
    EXPECT_FALSE(platform::instanceMutexHeld());
    EXPECT_EQ(globalFileSystem(), nullptr);
    EXPECT_TRUE(lockIsFree());
}

TEST_F(StartupSequence, ScriptMayReleaseTheMutexEarly) {
    bool secondMayStart = false;
    options_.stages.runUiScript = [&] {
        EXPECT_FALSE(lockIsFree());
        platform::releaseInstanceMutex();
        secondMayStart = lockIsFree();
    };
    EXPECT_EQ(app::runInstaller(options_), 0);
    EXPECT_TRUE(secondMayStart);
    EXPECT_FALSE(platform::instanceMutexHeld());
}

TEST_F(StartupSequence, ADamagedPayloadIsReportedAfterTheUiAndChangesNothing) {
    std::string error;
    ASSERT_TRUE(test::writeSampleInstaller(test::binaryPath("tamlo"), installer_, &error));
    ASSERT_TRUE(test::corruptEmbeddedFile(installer_, 115));
    prepareProfileAndMarker(test::otherBootMarker());
    bool payloadRefused = false;
    options_.stages.runUiScript = [&] {
        // The UI comes up before the payload's verdict; reading it waits for that verdict.
        scriptRan_ = true;
        FileSystem* files = globalFileSystem();
        size_t size = 0;
        payloadRefused = files->lend(u"program.lz", size) == nullptr &&
                         files->damaged(u"program.lz") && !files->damaged(u"UI.lua");
    };
    EXPECT_EQ(app::runInstaller(options_), 1);
    EXPECT_TRUE(scriptRan_);
    EXPECT_TRUE(payloadRefused);
    expectOneBox(u"安装程序已损坏，请重新下载。", u"错误");
    EXPECT_TRUE(kills_.empty());
    EXPECT_TRUE(exists(profile_ + "codecs/a.exe"));
    EXPECT_TRUE(exists(profile_ + "settings.ini"));
    EXPECT_TRUE(lockIsFree());
}

TEST_F(StartupSequence, EachFileIsHashedOnceAndThePayloadIsLentOnlyAfterTheProfileChanges) {
    std::mutex mutex;
    std::map<int32_t, int> hashed;
    options_.checkEmbeddedFile = [&](const Bundle& bundle, int32_t id) {
        std::lock_guard<std::mutex> lock(mutex);
        ++hashed[id];
        return bundle.verify(id);
    };
    prepareProfileAndMarker(test::otherBootMarker());
    std::vector<std::string> killsSeenByTheReader;
    bool profileGoneForTheReader = false;
    options_.stages.runUiScript = [&] {
        FileSystem* files = globalFileSystem();
        size_t size = 0;
        ASSERT_NE(files->lend(u"program.lz", size), nullptr);
        // The verdict came with the profile changes made: a worker never races them.
        killsSeenByTheReader = kills_;
        profileGoneForTheReader = !exists(profile_);
        for (int round = 0; round < 2; ++round) {
            for (const EmbeddedFileName& file : kEmbeddedFiles) {
                int length = 0;
                uint8_t* bytes = files->read(file.name, length);
                ASSERT_NE(bytes, nullptr);
                files->free(bytes);
            }
        }
    };
    EXPECT_EQ(app::runInstaller(options_), 0);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(killsSeenByTheReader, (std::vector<std::string>{"a.exe", "orvmon.exe"}));
    EXPECT_TRUE(profileGoneForTheReader);
    EXPECT_EQ(hashed, (std::map<int32_t, int>{{111, 1}, {113, 1}, {114, 1}, {115, 1}, {116, 1}}));
}

TEST_F(StartupSequence, AnUninstallerRemovesItsOwnFileWhenItEndsWellAndAnInstallerNever) {
    const std::string own = test::makeTempDir("own") + "/uninstall";
    options_.ownProgramFile = own;
    test::writeFile(own, "an installer's program");
    EXPECT_EQ(app::runInstaller(options_), 0);
    EXPECT_TRUE(exists(own));

    std::string error;
    test::writeFile(installer_ + ".program", "not really a program");
    ASSERT_TRUE(test::writeSampleInstaller(installer_ + ".program", installer_, &error,
                                           bundle::kUninstallerFlag))
        << error;
    test::writeFile(own, "an uninstaller's program");
    EXPECT_EQ(app::runInstaller(options_), 0);
    EXPECT_TRUE(scriptRan_);
    EXPECT_FALSE(exists(own));
}

}  // namespace
}  // namespace tamlo
