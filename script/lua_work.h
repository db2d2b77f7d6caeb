#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "runtime/run_queue.h"

struct lua_State;

namespace tamlo::script {

// Background work: `startWork(script, package, config)` runs an installation script on a
// worker thread with a Lua state of its own. The worker reaches the UI thread only through
// the run queue: `notifyMessage(text)` waits until the windows' message handlers have
// answered, and `extractFile(entry, path)` writes payload entries to disk.
class LuaWork {
  public:
    // Each worker gets its own copies, so a second startWork shares nothing with the first.
    struct Arguments {
        std::u16string script;   // an embedded file, for example "LG.lua"
        std::u16string package;  // the payload package, for example "program.lz"
        std::string config;      // a Lua table constructor (UTF-8), possibly empty
    };

    // A worker's notification, run on the UI thread: raises code 1024 with the text and
    // keeps the last handler's answer. The worker waits for `done`; a refused or dropped
    // notification is answered 0, so a worker never waits on a queue that has stopped.
    class NotifyRunable : public SRService::IRunable {
      public:
        explicit NotifyRunable(const char* text) : text_(text) {}
        void run() override;
        void cancel() override;
        int32_t waitForAnswer();

      private:
        void answer(int32_t value);

        const char* text_;  // lives on the waiting worker's Lua stack
        std::mutex mutex_;
        std::condition_variable done_;
        bool answered_ = false;
        int32_t answer_ = 0;
    };

    // Starts a worker thread and hands it to the run queue's reaper; returns at once.
    static void start(Arguments arguments);

    // Posts one notification and waits for its answer (any thread but the UI thread).
    static int32_t notify(const char* text);

    // Workers that have started and not yet ended (tests).
    static int runningCount();
};

// Adds `startWork` to the UI state. Call before the host starts.
void installBackgroundWork();

}  // namespace tamlo::script
