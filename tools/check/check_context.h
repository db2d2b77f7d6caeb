#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tools/check/project_check.h"

namespace tamlo::check {

// What the checks share: the project, the engine's names and the findings so far.
class CheckContext {
  public:
    explicit CheckContext(const ProjectFiles& files);

    const ProjectFiles& files;
    std::vector<std::string> elementNames;    // control factory
    std::vector<std::string> styleTypeNames;  // style factory
    std::vector<std::string> attributeNames;  // attribute registry and the three flags
    std::set<std::string> fontNames;          // from style/font.xml
    std::vector<Finding> findings;

    // The value kind of an attribute ("integer", "flag" ...), or null for an unknown name.
    const char* kindOf(std::string_view attribute) const;

    // A finding at byte `offset` of `text`, the document named `file`.
    void report(const std::string& file, std::string_view text, std::size_t offset, bool error,
                std::string message);
};

void checkLayouts(CheckContext& context);
void checkStyles(CheckContext& context);  // style documents and font.xml
void checkScripts(CheckContext& context);

}  // namespace tamlo::check
