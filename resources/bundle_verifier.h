#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "resources/bundle.h"

namespace tamlo {

// The verdicts on a bundle's embedded files (CRC-32 and SHA-256), each file hashed at most
// once: start-up, the resource registry and the workers share one verifier. A large file
// can be checked on a background thread while the UI comes up; a reader that asks for its
// verdict meanwhile waits for it. Safe to use from several threads.
class BundleVerifier {
  public:
    // Hashes one embedded file and says whether it matches the bundle's table; a test
    // counts the hashing through it. Empty means Bundle::verify.
    using Check = std::function<bool(const Bundle& bundle, int32_t id)>;

    explicit BundleVerifier(const Bundle* bundle, Check check = {});
    // Waits for the background check.
    ~BundleVerifier();
    BundleVerifier(const BundleVerifier&) = delete;
    BundleVerifier& operator=(const BundleVerifier&) = delete;

    // True when the file matches its table entry: the known verdict, else checked now on
    // this thread, or awaited while the background thread checks it.
    bool verified(int32_t id);

    // Checks `id` on a thread of its own (one at a time). After a sound check `whenSound`
    // runs on that thread before the verdict is published, so a reader waiting for the file
    // also waits for it; after a damaged one the verdict is published first, then
    // `whenDamaged` runs. Without a thread, or for a file already checked or being checked
    // elsewhere, the verdict is taken here and the follow-up runs on this thread.
    void verifyInBackground(int32_t id, std::function<void()> whenSound,
                            std::function<void()> whenDamaged);

    // True once the file is known to be damaged; never waits.
    bool knownDamaged(int32_t id);

  private:
    enum class Verdict { Checking, Sound, Damaged };
    bool hash(int32_t id) const;
    void publish(int32_t id, bool sound);
    void runCheck(int32_t id, const std::function<void()>& whenSound,
                  const std::function<void()>& whenDamaged);

    const Bundle* bundle_;
    Check check_;
    std::mutex mutex_;
    std::condition_variable published_;
    std::map<int32_t, Verdict> verdicts_;
    std::thread background_;
};

}  // namespace tamlo
