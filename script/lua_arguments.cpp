#include "script/lua_arguments.h"

#include <lua.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/debug_sink.h"
#include "platform/text_encoding.h"

namespace tamlo::script {
namespace {

// Reads a number or a numeric string; false for anything else.
bool numberAt(lua_State* L, int index, lua_Number* out) {
    int type = lua_type(L, index);
    if (type != LUA_TNUMBER && type != LUA_TSTRING) {
        return false;
    }
    int isNumber = 0;
    // No allocation: a string is parsed in place.
    lua_Number value = lua_tonumberx(L, index, &isNumber);
    if (!isNumber) {
        return false;
    }
    *out = value;
    return true;
}

std::string rawText(lua_State* L, int index) {
    int type = lua_type(L, index);
    if (type == LUA_TSTRING) {
        size_t length = 0;
        // The value is already a string, so this neither converts nor allocates.
        const char* bytes = lua_tolstring(L, index, &length);
        if (bytes == nullptr) {
            return {};
        }
        const void* nul = std::memchr(bytes, '\0', length);
        if (nul != nullptr) {
            length = static_cast<size_t>(static_cast<const char*>(nul) - bytes);
        }
        return std::string(bytes, length);
    }
    if (type == LUA_TNUMBER) {
        // Formatted here rather than by lua_tolstring, which would convert the stack slot.
        char buffer[64];
        int written = std::snprintf(buffer, sizeof buffer, LUA_NUMBER_FMT,
                                    static_cast<LUAI_UACNUMBER>(lua_tonumberx(L, index, nullptr)));
        if (written <= 0) {
            return {};
        }
        return std::string(buffer, static_cast<size_t>(written) < sizeof buffer
                                       ? static_cast<size_t>(written)
                                       : sizeof buffer - 1);
    }
    return {};
}

int pushTextProtected(lua_State* L) {
    // Stack: [1] light userdata -> std::string_view.
    auto* text = static_cast<const std::string_view*>(lua_touserdata(L, 1));
    lua_pushlstring(L, text->data(), text->size());
    return 1;
}

}  // namespace

int64_t integerArgument(lua_State* L, int index) {
    lua_Number value = 0;
    if (!numberAt(L, index, &value) || !std::isfinite(value)) {
        return 0;
    }
    // nearbyint follows the current rounding mode, which is round-half-to-even.
    double rounded = std::nearbyint(static_cast<double>(value));
    if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0) {
        return 0;
    }
    return static_cast<int64_t>(rounded);
}

int32_t int32Argument(lua_State* L, int index) {
    uint64_t bits = static_cast<uint64_t>(integerArgument(L, index));
    uint32_t low = static_cast<uint32_t>(bits & 0xFFFFFFFFu);
    int32_t result;
    std::memcpy(&result, &low, sizeof result);
    return result;
}

bool int32IdArgument(lua_State* L, int index, int32_t* out) {
    lua_Number value = 0;
    if (numberAt(L, index, &value)) {
        if (!std::isfinite(value)) {
            return false;
        }
        const double rounded = std::nearbyint(static_cast<double>(value));
        if (rounded < -2147483648.0 || rounded > 2147483647.0) {
            return false;
        }
    }
    *out = int32Argument(L, index);
    return true;
}

bool booleanArgument(lua_State* L, int index) {
    return lua_toboolean(L, index) != 0;
}

std::string utf8TextArgument(lua_State* L, int index) {
    return utf16ToUtf8(utf8ToUtf16(rawText(L, index)));
}

std::u16string textArgument(lua_State* L, int index) {
    return utf8ToUtf16(rawText(L, index));
}

std::u16string shownTextArgument(lua_State* L, int index, const char* where) {
    if (lua_type(L, index) != LUA_TSTRING) {
        return textArgument(L, index);  // a number's text is short
    }
    size_t length = 0;
    // Already a string: read in place, neither converted nor copied whole.
    const char* bytes = lua_tolstring(L, index, &length);
    if (bytes == nullptr) {
        return {};
    }
    const void* nul = std::memchr(bytes, '\0', length);
    if (nul != nullptr) {
        length = static_cast<size_t>(static_cast<const char*>(nul) - bytes);
    }
    bool cut = false;
    std::u16string text =
        utf8ToUtf16Prefix(std::string_view(bytes, length), kMaxShownTextUnits, &cut);
    if (cut) {
        debugOutput(std::string(where) + ": a text of " + std::to_string(length) +
                    " bytes is cut to its first " + std::to_string(text.size()) +
                    " characters (the limit of shown text)");
    }
    return text;
}

int pushText(lua_State* L, std::string_view utf8) {
    if (!lua_checkstack(L, 3)) {
        return 0;
    }
    // A light C function and a light userdata are pushed without allocating.
    lua_pushcfunction(L, pushTextProtected);
    lua_pushlightuserdata(L, &utf8);
    if (lua_pcall(L, 1, 1, 0) != LUA_OK) {
        lua_pop(L, 1);  // the error object
        return 0;
    }
    return 1;
}

int pushText(lua_State* L, std::u16string_view text) {
    std::string utf8 = utf16ToUtf8(text);
    return pushText(L, std::string_view(utf8));
}

}  // namespace tamlo::script
