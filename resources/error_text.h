#pragma once

#include <string>
#include <utility>

namespace tamlo {

// The readers and writers report why they failed through an optional string.
inline void setError(std::string* error, std::string text) {
    if (error != nullptr) {
        *error = std::move(text);
    }
}

}  // namespace tamlo
