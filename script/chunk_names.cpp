#include "script/chunk_names.h"

namespace tamlo::script {

std::string nameChunk(std::string_view message, std::string_view fileName,
                      std::string_view scriptText) {
    constexpr std::string_view kOpen = "[string \"";
    constexpr std::string_view kClose = "\"]";
    constexpr std::string_view kCut = "...";
    std::string named;
    std::size_t at = 0;
    while (at < message.size()) {
        const std::size_t open = message.find(kOpen, at);
        const std::size_t close =
            open == std::string_view::npos ? open : message.find(kClose, open + kOpen.size());
        if (close == std::string_view::npos) {
            break;
        }
        std::string_view shown = message.substr(open + kOpen.size(), close - open - kOpen.size());
        // Lua cuts the name at the first line end or at its length limit, adding "...".
        if (shown.size() >= kCut.size() && shown.substr(shown.size() - kCut.size()) == kCut) {
            shown.remove_suffix(kCut.size());
        }
        named.append(message.substr(at, open - at));
        if (scriptText.substr(0, shown.size()) == shown) {
            named.append(fileName);
        } else {
            named.append(message.substr(open, close + kClose.size() - open));
        }
        at = close + kClose.size();
    }
    named.append(message.substr(at < message.size() ? at : message.size()));
    return named;
}

}  // namespace tamlo::script
