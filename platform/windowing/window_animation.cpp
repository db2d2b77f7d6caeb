#include <string>

#include "platform/debug_sink.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_queue.h"
#include "platform/windowing/window_state.h"

namespace tamlo::platform {
namespace {

using namespace win32;

constexpr uint64_t kFrameMs = 10;

}  // namespace

SlideReveal slideReveal(int width, int height, uint64_t elapsed, uint64_t duration,
                        uint32_t flags) {
    if (width < 0) {
        width = 0;
    }
    if (height < 0) {
        height = 0;
    }
    const uint64_t done =
        duration == 0 || elapsed >= duration ? height : height * elapsed / duration;
    const int shown = static_cast<int>(done);
    const int hidden = height - shown;
    if ((flags & AW_VER_NEGATIVE) != 0 && (flags & AW_VER_POSITIVE) == 0) {
        // Rises from the bottom edge: the contents' top comes first.
        return SlideReveal{Rect{0, hidden, width, height}, Point{0, hidden}};
    }
    if ((flags & AW_VER_POSITIVE) != 0) {
        // Falls from the top edge: the contents' bottom comes first.
        return SlideReveal{Rect{0, 0, width, shown}, Point{0, -hidden}};
    }
    return SlideReveal{Rect{0, 0, width, height}, Point{0, 0}};
}

bool animateWindow(WindowHandle window, uint32_t durationMs, uint32_t flags) {
    NativeWindowState* state = nativeWindowState(window);
    if (state == nullptr || !isUiThread() || state->visible) {
        return false;  // AnimateWindow fails on a window already shown
    }
    NativeWindows* native = nativeSide();
    const bool slides = (flags & AW_SLIDE) != 0 && durationMs > 0 && native != nullptr;
    if (slides) {
        // Nothing of it shows before the first frame.
        state->reveal =
            slideReveal(state->rect.width(), state->rect.height(), 0, durationMs, flags);
    }
    showWindow(window, (flags & AW_ACTIVATE) != 0 ? SW_SHOW : SW_SHOWNA);
    state = nativeWindowState(window);
    if (!slides || state == nullptr) {
        return state != nullptr;
    }
    MessageQueue& queue = uiQueue();
    const uint64_t start = queue.now();
    int frames = 0;
    for (;;) {
        state = nativeWindowState(window);
        if (state == nullptr) {
            return false;  // destroyed by a desktop event meanwhile
        }
        const uint64_t elapsed = queue.now() - start;
        const bool last = elapsed >= durationMs;
        if (last) {
            state->reveal.reset();
        } else {
            state->reveal =
                slideReveal(state->rect.width(), state->rect.height(), elapsed, durationMs, flags);
        }
        const uint64_t until = last ? queue.now() : queue.now() + kFrameMs;
        if (!native->presentAnimationFrame(window, until)) {
            if (NativeWindowState* left = nativeWindowState(window)) {
                left->reveal.reset();
            }
            break;
        }
        ++frames;
        if (last) {
            break;
        }
    }
    debugOutput("animateWindow: " + std::to_string(frames) + " frames in " +
                std::to_string(queue.now() - start) + " ms");
    return nativeWindowState(window) != nullptr;
}

}  // namespace tamlo::platform
