#include "script/ui_message_box.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/windowing/message_loop.h"
#include "runtime/run_queue.h"

namespace tamlo::script {
namespace {

class MessageBoxRunable : public SRService::IRunable {
  public:
    MessageBoxRunable(std::u16string_view text, std::u16string_view caption, uint32_t type)
        : text_(text), caption_(caption), type_(type) {}

    void run() override {
        int answer = 0;
        if (platform::backendStarted()) {
            answer = platform::backend().messageBox(0, text_, caption_, type_);
        } else {
            debugOutput(caption_ + u": " + text_);
        }
        finish(answer);
    }
    void cancel() override {
        debugOutput(caption_ + u": " + text_);
        finish(0);
    }
    int wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return finished_; });
        return answer_;
    }

  private:
    void finish(int answer) {
        std::lock_guard<std::mutex> lock(mutex_);
        answer_ = answer;
        finished_ = true;
        done_.notify_all();
    }

    std::u16string text_;
    std::u16string caption_;
    uint32_t type_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    int answer_ = 0;
};

}  // namespace

int showMessageBoxFromAnyThread(std::u16string_view text, std::u16string_view caption,
                                uint32_t type) {
    if (!platform::backendStarted()) {
        debugOutput(std::u16string(caption) + u": " + std::u16string(text));
        return 0;
    }
    // With no UI queue at all there is no other thread to ask (a tool, a test).
    if (platform::isUiThread() || platform::uiThreadId() == platform::ThreadId()) {
        return platform::backend().messageBox(0, text, caption, type);
    }
    auto box = std::make_shared<MessageBoxRunable>(text, caption, type);
    SRService::post(box);
    return box->wait();
}

}  // namespace tamlo::script
