#include "dui/style/style_set.h"

#include <cstdlib>
#include <limits>
#include <string>

#include "dui/loader/control_factory.h"
#include "dui/loader/layout_loader.h"
#include "dui/loader/ui_registries.h"
#include "dui/loader/xml_document.h"
#include "dui/loader/xml_shape.h"
#include "platform/debug_sink.h"
#include "platform/text_encoding.h"
#include "resources/file_system.h"
#include "resources/package_reader.h"

namespace tamlo::dui {
namespace {

StyleSet* gCurrent = nullptr;

std::string_view valueOf(const rapidxml::xml_attribute<char>& attribute) {
    return {attribute.value(), attribute.value_size()};
}

// Leading sign and digits, as a signed integer parse takes them; anything else is 0.
int32_t parseSigned(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<int32_t>::max()) {
            value = std::numeric_limits<int32_t>::max();
        }
    }
    return static_cast<int32_t>(negative ? -value : value);
}

const StyleFactory& styleFactory() {
    UiRegistries* registries = uiRegistries();
    if (registries != nullptr && registries->styleFactory != nullptr) {
        return *registries->styleFactory;
    }
    static const StyleFactory fallback;
    return fallback;
}

}  // namespace

struct StyleSet::Package {
    ~Package() {
        reader.reset();
        if (buffer != nullptr && fileSystem != nullptr) {
            fileSystem->free(buffer);
        }
    }
    FileSystem* fileSystem = nullptr;
    uint8_t* buffer = nullptr;
    std::unique_ptr<PackageReader> reader;
};

std::unique_ptr<Style> createStyle(std::string_view utf8Document, std::u16string_view fileName) {
    XmlDocument document;
    if (!document.parse(utf8Document, fileName)) {
        return nullptr;
    }
    const XmlNode* root = document.firstElement();
    const XmlNode* config = root != nullptr ? root->first_node() : nullptr;
    while (config != nullptr && config->type() != rapidxml::node_element) {
        config = config->next_sibling();
    }
    const rapidxml::xml_attribute<char>* typeAttribute =
        config != nullptr ? config->first_attribute() : nullptr;
    if (typeAttribute == nullptr) {
        return std::make_unique<Style>();
    }
    std::unique_ptr<Style> style(styleFactory().create(utf8ToUtf16(valueOf(*typeAttribute))));
    if (style == nullptr) {
        style = std::make_unique<Style>();
    }
    const XmlNode* properties = config->first_node();
    while (properties != nullptr && properties->type() != rapidxml::node_element) {
        properties = properties->next_sibling();
    }
    applyAttributes(*style, properties);
    return style;
}

void readFontList(std::string_view utf8Document,
                  std::map<std::u16string, std::unique_ptr<render::Font>, std::less<>>& fonts) {
    XmlDocument document;
    if (!document.parse(utf8Document, u"font.xml")) {
        return;
    }
    const XmlNode* root = document.firstElement();
    if (root == nullptr) {
        return;
    }
    for (const XmlNode* entry = root->first_node(); entry != nullptr;
         entry = entry->next_sibling()) {
        if (entry->type() != rapidxml::node_element) {
            continue;
        }
        render::FontSpec fontSpec = render::defaultGuiFontSpec();
        std::u16string name;
        bool named = false;
        for (const rapidxml::xml_attribute<char>* attribute = entry->first_attribute();
             attribute != nullptr; attribute = attribute->next_attribute()) {
            const std::string_view key(attribute->name(), attribute->name_size());
            const std::string_view value = valueOf(*attribute);
            if (key == "name") {
                name = utf8ToUtf16(value);
                named = true;
            } else if (key == "face") {
                fontSpec.face = utf8ToUtf16(value).substr(0, render::FontSpec::kMaxFaceLength);
            } else if (key == "size") {
                const int32_t size = parseSigned(value);
                fontSpec.height = size == std::numeric_limits<int32_t>::min() ? 0 : -size;
            } else if (key == "bold") {
                fontSpec.weight = value == "true" ? 700 : 400;
            } else if (key == "underline") {
                fontSpec.underline = value == "true";
            }
        }
        if (named && fonts.size() >= kMaxFonts && fonts.count(name) == 0) {
            debugOutput(u"font.xml names more than " + utf8ToUtf16(std::to_string(kMaxFonts)) +
                        u" fonts; the rest are skipped");
            return;
        }
        if (named) {
            fonts[name] = std::make_unique<render::Font>(fontSpec);
        }
    }
}

StyleSet::StyleSet()
    : images_([this](const std::u16string& name, std::vector<uint8_t>& bytes) {
          return readEntry(name, bytes, render::kImageCacheBudget);
      }) {}

StyleSet::~StyleSet() {
    if (gCurrent == this) {
        gCurrent = nullptr;
        setStyleLookup(nullptr);
    }
    clear();
}

void StyleSet::clear() {
    package_.reset();
    reader_ = nullptr;
    images_.clear();
    styles_.clear();
    fonts_.clear();
}

bool StyleSet::readEntry(const std::u16string& name, std::vector<uint8_t>& bytes,
                         size_t maxSize) const {
    if (reader_) {
        return reader_(name, bytes);
    }
    if (package_ == nullptr || package_->reader == nullptr) {
        return false;
    }
    const PackageEntry* entry = package_->reader->find(name);
    if (entry != nullptr && entry->size() > maxSize) {
        debugOutput(u"style entry \"" + name + u"\" decodes to " +
                    utf8ToUtf16(std::to_string(entry->size())) + u" bytes, more than " +
                    utf8ToUtf16(std::to_string(maxSize)) + u"; refused");
        return false;
    }
    int size = 0;
    uint8_t* data = package_->reader->extract(name, &size);
    if (data == nullptr) {
        return false;
    }
    bytes.assign(data, data + size);
    std::free(data);
    return true;
}

void StyleSet::loadFonts() {
    std::vector<uint8_t> bytes;
    if (readEntry(u"font.xml", bytes, kMaxXmlDocumentBytes)) {
        readFontList(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                     fonts_);
    }
}

bool StyleSet::loadStylePackage(const std::u16string& packageName) {
    clear();
    FileSystem* fileSystem = globalFileSystem();
    if (fileSystem == nullptr) {
        return false;
    }
    int size = 0;
    uint8_t* buffer = fileSystem->read(packageName, size);
    if (buffer == nullptr) {
        return false;
    }
    auto package = std::make_unique<Package>();
    package->fileSystem = fileSystem;
    package->buffer = buffer;
    package->reader = std::make_unique<PackageReader>(buffer, static_cast<size_t>(size));
    if (package->reader->damaged()) {
        return false;
    }
    package_ = std::move(package);
    loadFonts();
    return true;
}

void StyleSet::loadFromReader(EntryReader reader) {
    clear();
    reader_ = std::move(reader);
    loadFonts();
}

Style* StyleSet::getStyle(std::u16string_view name) {
    auto found = styles_.find(name);
    if (found != styles_.end()) {
        return found->second.get();
    }
    const std::u16string key(name);
    std::vector<uint8_t> bytes;
    if (!readEntry(key, bytes, kMaxXmlDocumentBytes)) {
        return nullptr;
    }
    std::unique_ptr<Style> style = createStyle(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), key);
    if (style == nullptr) {
        return nullptr;
    }
    Style* result = style.get();
    styles_.emplace(key, std::move(style));
    return result;
}

const render::Font* StyleSet::getFont(std::u16string_view name) const {
    auto found = fonts_.find(name);
    return found == fonts_.end() ? nullptr : found->second.get();
}

const render::Image* StyleSet::image(std::u16string_view name) {
    const render::Image* image = images_.image(std::u16string(name));
    return image != nullptr && image->hasBitmap() ? image : nullptr;
}

void StyleSet::install() {
    gCurrent = this;
    setStyleLookup(this);
}

StyleSet* StyleSet::current() {
    return gCurrent;
}

bool StyleSet::drawStyle(std::u16string_view name, DrawingContext& context, const Rect& bounds,
                         Control& control) {
    Style* style = getStyle(name);
    if (style == nullptr) {
        return false;
    }
    style->draw(context, bounds, control);
    return true;
}

}  // namespace tamlo::dui
