#pragma once

#include <string>
#include <string_view>

namespace tamlo::script {

// A chunk loaded from its text is named by its first line in Lua's messages:
// [string "-- the dialog..."]:79: ... This gives the same message with each name of the
// chunk `scriptText` replaced by `fileName`, so it reads UI.lua:79: ... Other chunk names
// (another script's, the prelude's) stay as they are.
std::string nameChunk(std::string_view message, std::string_view fileName,
                      std::string_view scriptText);

}  // namespace tamlo::script
