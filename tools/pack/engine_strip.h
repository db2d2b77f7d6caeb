#pragma once

#include <string>

namespace tamlo::pack {

// True when the engine program (ELF or PE) carries debug sections or a symbol table,
// which an installer has no use for. Safe on any bytes: anything unreadable is false.
bool carriesDebugInformation(const std::string& program);

// The engine an installer should carry: `program` itself when it carries no debug
// information, else a copy in `scratch` made by the binutils strip for its kind (strip for
// ELF, the mingw-w64 strip of its machine for PE). When no copy can be made, `program`
// with `warning` saying why.
std::string strippedEngine(const std::string& program, const std::string& scratch,
                           std::string* warning);

}  // namespace tamlo::pack
