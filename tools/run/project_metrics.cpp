#include "tools/run/project_metrics.h"

#include "dui/style/style_set.h"
#include "render/text.h"

#include "dui/loader/xml_document.h"
#include "platform/text_encoding.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace tamlo::runtool {

Size ProjectMetrics::textExtent(std::u16string_view font, std::u16string_view text) {
    // Text is measured only where it is painted: with the project's fonts installed.
    dui::StyleSet* styles = dui::StyleSet::current();
    if (styles == nullptr) {
        return Size{0, 0};
    }
    return render::measureText(styles->getFont(font.empty() ? u"Default" : font), text);
}

bool ProjectMetrics::imageSize(std::u16string_view file, Size& out) {
    auto cached = images_.find(file);
    if (cached == images_.end()) {
        std::optional<Size> size;
        std::string bytes;
        int width = 0;
        int height = 0;
        int channels = 0;
        if (project_.readStyleFile(file, bytes) && bytes.size() <= 0x7fffffff &&
            stbi_info_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                  static_cast<int>(bytes.size()), &width, &height, &channels)) {
            size = Size{width, height};
        }
        cached = images_.emplace(std::u16string(file), size).first;
    }
    if (!cached->second) {
        return false;
    }
    out = *cached->second;
    return true;
}

const std::optional<std::map<std::u16string, std::u16string>>& ProjectMetrics::styleAttributes(
    std::u16string_view styleName) {
    auto cached = styles_.find(styleName);
    if (cached != styles_.end()) {
        return cached->second;
    }
    std::optional<std::map<std::u16string, std::u16string>> attributes;
    std::string bytes;
    dui::XmlDocument document;
    if (project_.readStyleFile(styleName, bytes) && document.parse(bytes, styleName)) {
        // Root, then its first child element (the type), then that one's first child
        // element: the style's properties.
        attributes.emplace();
        const dui::XmlNode* root = document.firstElement();
        const dui::XmlNode* config = root != nullptr ? root->first_node() : nullptr;
        const dui::XmlNode* properties = config != nullptr ? config->first_node() : nullptr;
        if (properties != nullptr && properties->type() == rapidxml::node_element) {
            for (auto* attribute = properties->first_attribute(); attribute != nullptr;
                 attribute = attribute->next_attribute()) {
                (*attributes)[utf8ToUtf16(
                    std::string_view(attribute->name(), attribute->name_size()))] =
                    utf8ToUtf16(std::string_view(attribute->value(), attribute->value_size()));
            }
        }
    }
    return styles_.emplace(std::u16string(styleName), std::move(attributes)).first->second;
}

bool ProjectMetrics::styleImageSize(std::u16string_view styleName, dui::AttributeKey key,
                                    Size& out) {
    const auto& attributes = styleAttributes(styleName);
    if (!attributes) {
        return false;
    }
    auto found = attributes->find(key);
    return found != attributes->end() && imageSize(found->second, out);
}

bool ProjectMetrics::styleExists(std::u16string_view styleName) {
    return styleAttributes(styleName).has_value();
}

}  // namespace tamlo::runtool
