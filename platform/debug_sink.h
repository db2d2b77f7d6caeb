#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tamlo {

// The debugger output: diagnostics and the script function `print` end here.
// Lines go to stderr as "debug: <text>" when TAMLO_DEBUG=1 or the headless
// backend is in use, and to the hook when one is set (tests read them there).
void debugOutput(std::u16string_view text);
void debugOutput(std::string_view utf8Text);

using DebugHook = std::function<void(const std::string& utf8Line)>;
// Replaces the hook; returns the previous one. Thread-safe.
DebugHook setDebugHook(DebugHook hook);

// Forces the stderr echo on or off (the headless backend turns it on).
void setDebugEcho(bool on);

}  // namespace tamlo
