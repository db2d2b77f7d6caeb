#include "platform/os/win32/file_closer.h"

#include <io.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/os/file_operations.h"

namespace tamlo::files {
namespace {

// The closing thread is woken for a batch, not for every file: each wake-up is a system
// call the writer would pay for.
constexpr size_t kBatch = 16;
// Files open at once at most; a writer ahead of the closer waits.
constexpr size_t kMostOpen = 64;

class FileCloser {
  public:
    void add(int descriptor) {
        std::unique_lock<std::mutex> lock(mutex_);
        settled_.wait(lock, [this] { return waiting_.size() < kMostOpen; });
        if (!started_) {
            try {
                // Never joined: a file still waiting when the process ends is closed by
                // the system, every byte of it already written.
                std::thread(&FileCloser::run, this).detach();
                started_ = true;
            } catch (const std::system_error&) {
                lock.unlock();
                _close(descriptor);  // no thread to spare: closed here, as it always was
                return;
            }
        }
        waiting_.push_back(descriptor);
        if (waiting_.size() >= kBatch) {
            work_.notify_one();
        }
    }

    void finish() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (waiting_.empty() && !closing_) {
            return;
        }
        ++finishing_;
        work_.notify_one();
        settled_.wait(lock, [this] { return waiting_.empty() && !closing_; });
        --finishing_;
    }

  private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            work_.wait(lock, [this] {
                return waiting_.size() >= kBatch || (finishing_ > 0 && !waiting_.empty());
            });
            while (!waiting_.empty()) {
                const int descriptor = waiting_.front();
                waiting_.pop_front();
                closing_ = true;
                lock.unlock();
                // Every byte was written before the file came here; closing a local file
                // loses nothing when it fails.
                _close(descriptor);
                lock.lock();
                closing_ = false;
                if (waiting_.size() + 1 == kMostOpen) {
                    settled_.notify_all();  // a writer waiting for room may go on
                }
            }
            settled_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable settled_;
    std::deque<int> waiting_;
    bool closing_ = false;
    bool started_ = false;
    unsigned finishing_ = 0;
};

// Never destroyed: its thread may outlive the static objects at exit.
FileCloser& closer() {
    static FileCloser* instance = new FileCloser;
    return *instance;
}

}  // namespace

void closeLater(int descriptor) {
    closer().add(descriptor);
}

void finishClosingFiles() {
    try {
        closer().finish();
    } catch (const std::system_error&) {
        // A lock that cannot be taken: nothing is waited for, as before files were closed late.
    }
}

}  // namespace tamlo::files
