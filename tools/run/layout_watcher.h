#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace tamlo {
class WindowBase;
}

namespace tamlo::runtool {

class RunSession;

// `show --watch`: looks at the project's frame/ and style/ files every 100 ms and, when one
// changed, rebuilds the shown window's tree from them in place (same position; the size
// its layout asks for). When the project then has an error in frame/ or style/, or the
// layout does not build, the window shows the errors instead, until they are mended.
class LayoutWatcher {
  public:
    LayoutWatcher(std::string projectFolder, std::u16string layout, WindowBase& window,
                  RunSession& session);
    ~LayoutWatcher();
    LayoutWatcher(const LayoutWatcher&) = delete;
    LayoutWatcher& operator=(const LayoutWatcher&) = delete;

    void start();
    void stop();

  private:
    struct Stamp {
        std::filesystem::file_time_type time;
        std::uintmax_t size = 0;
        bool operator!=(const Stamp& other) const {
            return time != other.time || size != other.size;
        }
    };
    using Snapshot = std::map<std::string, Stamp>;

    static void tick(std::uintptr_t, uint32_t, std::uintptr_t, uint64_t);
    Snapshot snapshot() const;
    void reload();
    // The errors that stop the layout from being shown, one per line; empty for none.
    std::string projectErrors() const;
    void showErrors(const std::string& text);

    static LayoutWatcher* current_;
    std::string folder_;
    std::u16string layout_;
    WindowBase& window_;
    RunSession& session_;
    Snapshot seen_;
    std::uintptr_t timer_ = 0;
};

}  // namespace tamlo::runtool
