#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tamlo {

// Splits an entry name into the path segments it may be written to below a folder.
// Refuses (false, with a reason) a name that is empty, absolute, has empty, "." or ".."
// segments, or contains a backslash or a control character.
bool splitSafeEntryPath(std::u16string_view name, std::vector<std::string>* segments,
                        std::string* reason);

// The name as UTF-8 fit for a terminal or a line of a listing: control characters (C0,
// DEL, C1), backslashes and unpaired surrogates become \xNN, \\ and \uDXXX escapes, so
// no name can move the cursor, recolour the terminal or forge a row.
std::string printableEntryName(std::u16string_view name);

}  // namespace tamlo
