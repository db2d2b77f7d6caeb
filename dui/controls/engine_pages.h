#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/browser_view.h"

// Pages an installer serves to its own browser controls from its layout package:
// "tamlo://frame/notes.html" is the entry "notes.html". Nothing outside the package can
// be named: no "..", no absolute or back-slashed path, encoded or not.
namespace tamlo::dui {

// The entry a URL names, or nothing when it is not a URL of the engine's scheme and the
// "frame" package, or its path could leave the package.
std::optional<std::u16string> enginePageEntry(std::string_view url);

// The MIME type of an entry by its extension; unknown ones are opaque bytes.
std::string mimeTypeOfEntry(std::u16string_view name);

using EntryReader = std::function<bool(std::u16string_view name, std::string& bytes)>;

// The reply to a request on the engine's scheme: the entry with its type, or a 404 page.
platform::BrowserResource serveEnginePage(std::string_view url, const EntryReader& read);

}  // namespace tamlo::dui
