#pragma once

#include <map>
#include <optional>
#include <string>

#include "dui/core/content_metrics.h"
#include "tools/run/project.h"

namespace tamlo::runtool {

// Image and style sizes read from the project's own skin, so that a dump lays out scroll
// bars and images the way the installer would. Text is not measured here: labels size
// from their padding and explicit sizes only.
class ProjectMetrics : public dui::ContentMetrics {
  public:
    explicit ProjectMetrics(const Project& project) : project_(project) {}

    Size textExtent(std::u16string_view font, std::u16string_view text) override;
    bool imageSize(std::u16string_view file, Size& out) override;
    bool styleImageSize(std::u16string_view styleName, dui::AttributeKey key, Size& out) override;
    bool styleExists(std::u16string_view styleName) override;

  private:
    // The text attributes of a style's property element, by name; nullopt when the style
    // cannot be read.
    const std::optional<std::map<std::u16string, std::u16string>>& styleAttributes(
        std::u16string_view styleName);

    const Project& project_;
    std::map<std::u16string, std::optional<Size>, std::less<>> images_;
    std::map<std::u16string, std::optional<std::map<std::u16string, std::u16string>>, std::less<>>
        styles_;
};

}  // namespace tamlo::runtool
