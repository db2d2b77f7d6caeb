#include "platform/debug_sink.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/text_encoding.h"

namespace tamlo {
namespace {

std::mutex& sinkMutex() {
    static std::mutex m;
    return m;
}

DebugHook& hookSlot() {
    static DebugHook hook;
    return hook;
}

int& echoSetting() {
    static int value = -1;  // -1: decided by TAMLO_DEBUG
    return value;
}

bool echoOn() {
    if (echoSetting() >= 0) {
        return echoSetting() == 1;
    }
    const char* flag = std::getenv("TAMLO_DEBUG");
    return flag != nullptr && std::strcmp(flag, "1") == 0;
}

}  // namespace

void debugOutput(std::string_view utf8Text) {
    std::string line(utf8Text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    DebugHook hook;
    {
        std::lock_guard<std::mutex> lock(sinkMutex());
        if (echoOn()) {
            std::fprintf(stderr, "debug: %s\n", line.c_str());
        }
        hook = hookSlot();
    }
    if (hook) {
        hook(line);
    }
}

void debugOutput(std::u16string_view text) { debugOutput(utf16ToUtf8(text)); }

DebugHook setDebugHook(DebugHook hook) {
    std::lock_guard<std::mutex> lock(sinkMutex());
    DebugHook previous = std::move(hookSlot());
    hookSlot() = std::move(hook);
    return previous;
}

void setDebugEcho(bool on) {
    std::lock_guard<std::mutex> lock(sinkMutex());
    echoSetting() = on ? 1 : 0;
}

}  // namespace tamlo
