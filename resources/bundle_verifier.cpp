#include "resources/bundle_verifier.h"

#include <system_error>
#include <utility>

namespace tamlo {

BundleVerifier::BundleVerifier(const Bundle* bundle, Check check)
    : bundle_(bundle), check_(std::move(check)) {}

BundleVerifier::~BundleVerifier() {
    if (background_.joinable()) {
        background_.join();
    }
}

bool BundleVerifier::hash(int32_t id) const {
    if (bundle_ == nullptr || bundle_->find(id) == nullptr) {
        return false;
    }
    return check_ ? check_(*bundle_, id) : bundle_->verify(id);
}

void BundleVerifier::publish(int32_t id, bool sound) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        verdicts_[id] = sound ? Verdict::Sound : Verdict::Damaged;
    }
    published_.notify_all();
}

bool BundleVerifier::verified(int32_t id) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        auto found = verdicts_.find(id);
        if (found != verdicts_.end()) {
            published_.wait(lock, [&] { return found->second != Verdict::Checking; });
            return found->second == Verdict::Sound;
        }
        verdicts_.emplace(id, Verdict::Checking);
    }
    const bool sound = hash(id);
    publish(id, sound);
    return sound;
}

void BundleVerifier::runCheck(int32_t id, const std::function<void()>& whenSound,
                              const std::function<void()>& whenDamaged) {
    const bool sound = hash(id);
    if (sound && whenSound) {
        whenSound();
    }
    publish(id, sound);
    if (!sound && whenDamaged) {
        whenDamaged();
    }
}

void BundleVerifier::verifyInBackground(int32_t id, std::function<void()> whenSound,
                                        std::function<void()> whenDamaged) {
    bool claimed = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        claimed = !background_.joinable() && verdicts_.emplace(id, Verdict::Checking).second;
    }
    if (!claimed) {
        // Known or being checked elsewhere: nothing is hashed twice; the follow-up runs here.
        const bool sound = verified(id);
        const std::function<void()>& next = sound ? whenSound : whenDamaged;
        if (next) {
            next();
        }
        return;
    }
    try {
        background_ = std::thread(
            [this, id, whenSound, whenDamaged] { runCheck(id, whenSound, whenDamaged); });
    } catch (const std::system_error&) {
        runCheck(id, whenSound, whenDamaged);
    }
}

bool BundleVerifier::knownDamaged(int32_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = verdicts_.find(id);
    return found != verdicts_.end() && found->second == Verdict::Damaged;
}

}  // namespace tamlo
