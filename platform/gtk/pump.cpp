#include <glib.h>

#include "platform/desktop.h"
#include "platform/gtk/backend.h"
#include "platform/gtk/state.h"

namespace tamlo::platform::gtk {
namespace {

bool queueIsReady(gint* timeout) {
    auto queue = uiQueueIfAny();
    if (timeout) {
        *timeout = -1;
    }
    const BackendState* state = backendState();
    if (state == nullptr || state->dispatchHolds > 0) {
        return false;
    }
    if (!queue || queue->ownerThread() != std::this_thread::get_id()) {
        return false;
    }
    if (queue->postedCount() > 0) {
        return true;
    }
    // A pending quit alone is not work: a nested loop must not spin on it.
    if (auto due = queue->nextTimerDue(kAnyWindow)) {
        uint64_t now = queue->now();
        if (*due <= now) {
            return true;
        }
        if (timeout) {
            *timeout = static_cast<gint>(std::min<uint64_t>(*due - now, G_MAXINT));
        }
    }
    return false;
}

gboolean queuePrepare(GSource*, gint* timeout) {
    return queueIsReady(timeout);
}

gboolean queueCheck(GSource*) {
    return queueIsReady(nullptr);
}

gboolean queueDispatch(GSource*, GSourceFunc, gpointer) {
    const BackendState* state = backendState();
    if (state == nullptr) {
        return G_SOURCE_CONTINUE;
    }
    const auto& depths = state->ownWaitDepths;
    if (!depths.empty() && g_main_depth() == depths.back() + 1) {
        return G_SOURCE_CONTINUE;  // the waiting getMessage takes it
    }
    pumpPendingMessages();
    return G_SOURCE_CONTINUE;
}

GSourceFuncs queueSourceFuncs = {queuePrepare, queueCheck, queueDispatch,
                                 nullptr,      nullptr,    nullptr};

class GlibPump : public MessagePump {
  public:
    GlibPump() {
        source_ = g_source_new(&queueSourceFuncs, sizeof(GSource));
        g_source_set_priority(source_, G_PRIORITY_DEFAULT);
        g_source_attach(source_, nullptr);
    }
    ~GlibPump() override {
        g_source_destroy(source_);
        g_source_unref(source_);
    }

    uint64_t nowMilliseconds() override {
        return static_cast<uint64_t>(g_get_monotonic_time() / 1000);
    }

    void waitForEvent(std::optional<uint64_t> deadline) override {
        GSource* timeout = nullptr;
        if (deadline) {
            uint64_t now = nowMilliseconds();
            guint remaining = *deadline > now ? static_cast<guint>(*deadline - now) : 0;
            timeout = g_timeout_source_new(remaining);
            g_source_set_callback(
                timeout, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
            g_source_attach(timeout, nullptr);
        }
        BackendState* state = backendState();
        if (state != nullptr) {
            state->ownWaitDepths.push_back(g_main_depth());
        }
        g_main_context_iteration(nullptr, TRUE);
        if (state != nullptr) {
            state->ownWaitDepths.pop_back();
        }
        if (timeout) {
            g_source_destroy(timeout);
            g_source_unref(timeout);
        }
    }

    void wake() override { g_main_context_wakeup(nullptr); }

  private:
    GSource* source_ = nullptr;
};

}  // namespace

QueueDispatchHold::QueueDispatchHold() : state_(backendState()) {
    if (state_ != nullptr) {
        ++state_->dispatchHolds;
    }
}

QueueDispatchHold::~QueueDispatchHold() {
    if (state_ != nullptr) {
        --state_->dispatchHolds;
    }
}

std::unique_ptr<MessagePump> createGlibPump() {
    return std::make_unique<GlibPump>();
}

}  // namespace tamlo::platform::gtk
