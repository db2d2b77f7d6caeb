#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tamlo::runtool {

// What tamlo-run runs: a project folder read straight from disk, or a built installer
// whose appended bundle holds the packages.
class Project {
  public:
    virtual ~Project() = default;

    // A folder or an installer; null with `error` set when it is neither.
    static std::unique_ptr<Project> open(const std::string& path, std::string* error);

    // A layout document ("frame" folder or package) by file name.
    virtual bool readLayout(std::u16string_view name, std::string& bytes) const = 0;
    // A style document, image or font list ("style" folder or package) by file name.
    virtual bool readStyleFile(std::u16string_view name, std::string& bytes) const = 0;
};

}  // namespace tamlo::runtool
