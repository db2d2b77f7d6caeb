#include "platform/os/running_process_block.h"

#include "platform/debug_sink.h"
#include "platform/os/os_services.h"
#include "platform/text_encoding.h"

// The block's names and entries, the same on every platform.
namespace tamlo::processes {

BlockNames defaultBlockNames() {
    return {"5f0c9e2a-8d41-4b7e-a3f6-1c2e7d9b4a60", "c3a7d19e-6b52-4f08-9e1d-72b4a5f08c3d"};
}

std::vector<std::u16string> blockEntries(std::u16string_view text) {
    std::vector<std::u16string> entries;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(u';', start);
        if (end == std::u16string_view::npos) {
            break;
        }
        if (end > start) {
            entries.emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return entries;
}

std::u16string entryImageName(std::u16string_view entry) {
    size_t separator = entry.find_last_of(u"\\/");
    return std::u16string(separator == std::u16string_view::npos ? entry
                                                                 : entry.substr(separator + 1));
}

void killRunningProcesses(const BlockNames& names, const std::string& productImageName) {
    if (std::optional<std::u16string> text = readRunningProcessBlock(names)) {
        std::vector<std::u16string> entries = blockEntries(*text);
        for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
            std::u16string name = entryImageName(*entry);
            debugOutput(std::u16string_view(*entry));
            debugOutput(std::u16string_view(name));
            os::killProcessesByImageName(utf16ToUtf8(name), 0);
        }
    }
    os::killProcessesByImageName(productImageName, 0);
}

}  // namespace tamlo::processes
