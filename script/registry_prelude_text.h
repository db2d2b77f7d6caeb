#pragma once

namespace tamlo {

// The text of script/registry_prelude.lua, embedded at build time (cmake/embed_text.cmake)
// and ending in a NUL.
extern const char kRegistryPreludeText[];

}  // namespace tamlo
