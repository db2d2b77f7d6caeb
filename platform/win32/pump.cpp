#include <algorithm>
#include <cstdint>

#include "platform/desktop.h"
#include "platform/win32/backend.h"

#include "platform/win32/state.h"
#include "platform/win32/window_api.h"

// The engine's queue is its own: it sees every message its loops remove through its own
// hook list, so no native WH_GETMESSAGE hook is installed here.
namespace tamlo::platform::win32native {
namespace {

// Native messages handled per wait, so a flood cannot starve the engine's queue.
constexpr int kNativeBatch = 256;

// Dispatches the native messages waiting now. A native WM_QUIT ends the engine's loop.
void dispatchNativeMessages() {
    MSG message;
    for (int i = 0; i < kNativeBatch && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (message.message == WM_QUIT) {
            postQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

class NativePump : public MessagePump {
  public:
    NativePump() : wakeEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~NativePump() override {
        if (wakeEvent_ != nullptr) {
            CloseHandle(wakeEvent_);
        }
    }

    uint64_t nowMilliseconds() override { return GetTickCount64(); }

    void waitForEvent(std::optional<uint64_t> deadline) override {
        DWORD timeout = INFINITE;
        if (deadline) {
            const uint64_t now = nowMilliseconds();
            timeout = *deadline > now
                          ? static_cast<DWORD>(std::min<uint64_t>(*deadline - now, INFINITE - 1))
                          : 0;
        }
        // Input already in the queue counts too, not only what arrives from now on.
        MsgWaitForMultipleObjectsEx(1, &wakeEvent_, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        dispatchNativeMessages();
    }

    void wake() override { SetEvent(wakeEvent_); }

  private:
    HANDLE wakeEvent_;
};

void CALLBACK pumpEngineQueue(HWND, UINT, UINT_PTR, DWORD) {
    BackendState* state = backendState();
    // Not re-entered from the same loop; a box opened by engine work pumps for itself.
    if (state == nullptr || state->pumpingDepth >= state->modalDepth || !uiQueueIfAny()) {
        return;
    }
    const int outer = state->pumpingDepth;
    state->pumpingDepth = state->modalDepth;
    pumpPendingMessages();
    if ((state = backendState()) != nullptr) {
        state->pumpingDepth = outer;
    }
}

}  // namespace

ModalQueuePumping::ModalQueuePumping() {
    if (BackendState* state = backendState()) {
        ++state->modalDepth;
    }
    timer_ = SetTimer(nullptr, 0, 10, pumpEngineQueue);
}

ModalQueuePumping::~ModalQueuePumping() {
    if (timer_ != 0) {
        KillTimer(nullptr, timer_);
    }
    if (BackendState* state = backendState()) {
        --state->modalDepth;
    }
}

std::unique_ptr<MessagePump> createNativePump() {
    return std::make_unique<NativePump>();
}

}  // namespace tamlo::platform::win32native
