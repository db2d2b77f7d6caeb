#include "script/guarded_function.h"

#include <cstring>
#include <exception>
#include <new>

namespace tamlo::script {
namespace {

void copyMessage(char* buffer, size_t size, const char* text) {
    std::strncpy(buffer, text, size - 1);
    buffer[size - 1] = '\0';
}

}  // namespace

int callCatching(lua_State* L, lua_CFunction body) {
    // A plain array: nothing here needs destroying when lua_error jumps out.
    char message[200];
    try {
        return body(L);
    } catch (const std::bad_alloc&) {
        copyMessage(message, sizeof message, "not enough memory");
    } catch (const std::exception& error) {
        copyMessage(message, sizeof message, error.what());
    } catch (...) {
        copyMessage(message, sizeof message, "unexpected failure");
    }
    lua_pushstring(L, message);
    return lua_error(L);
}

}  // namespace tamlo::script
