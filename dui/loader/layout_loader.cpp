#include "dui/loader/layout_loader.h"

#include <cstdlib>
#include <string>
#include <utility>

#include "dui/controls/list_box.h"
#include "dui/controls/tab_item.h"
#include "dui/core/panel.h"
#include "dui/loader/attribute_registry.h"
#include "dui/loader/control_factory.h"
#include "dui/loader/ui_registries.h"
#include "dui/loader/xml_shape.h"
#include "platform/debug_sink.h"
#include "platform/text_encoding.h"
#include "resources/package_reader.h"

namespace tamlo::dui {
namespace {

// Deeper documents are cut off instead of running the stack out.
constexpr int kMaxDepth = 256;

LayoutSource& layoutSource() {
    static LayoutSource source;
    return source;
}

bool readFromLayoutPackage(std::u16string_view name, std::string& bytes) {
    UiRegistries* registries = uiRegistries();
    if (registries == nullptr || registries->layoutPackage == nullptr ||
        registries->layoutPackage->reader == nullptr) {
        return false;
    }
    const PackageReader& reader = *registries->layoutPackage->reader;
    const PackageEntry* entry = reader.find(name);
    if (entry != nullptr && entry->size() > kMaxXmlDocumentBytes) {
        debugOutput(u"layout \"" + std::u16string(name) + u"\" decodes to " +
                    utf8ToUtf16(std::to_string(entry->size())) + u" bytes, more than " +
                    utf8ToUtf16(std::to_string(kMaxXmlDocumentBytes)) + u"; refused");
        return false;
    }
    int size = 0;
    uint8_t* data = reader.extract(name, &size);
    if (data == nullptr) {
        return false;
    }
    bytes.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    std::free(data);
    return true;
}

uint32_t flagOfName(std::string_view name) {
    if (name == "visible") {
        return ControlFlag::Visible;
    }
    if (name == "enabled") {
        return ControlFlag::Enabled;
    }
    if (name == "transparent") {
        return ControlFlag::Transparent;
    }
    return 0;
}

Control* buildElementAt(const XmlNode* element, int depth) {
    if (element == nullptr || element->type() != rapidxml::node_element) {
        return nullptr;
    }
    UiRegistries* registries = uiRegistries();
    if (registries == nullptr || registries->controlFactory == nullptr) {
        return nullptr;
    }
    const std::u16string name = nodeName(*element);
    Control* control = registries->controlFactory->create(name);
    if (control == nullptr) {
        return nullptr;
    }
    applyAttributes(*control, element);
    const XmlNode* first = element->first_node();
    if (first == nullptr) {
        return control;
    }
    if (depth >= kMaxDepth) {
        debugOutput(u"layout nested too deeply; children of \"" + name + u"\" skipped");
        return control;
    }
    if (auto* item = dynamic_cast<TabItem*>(control)) {
        item->setPage(buildElementAt(first, depth + 1));
        return control;
    }
    if (auto* list = dynamic_cast<ListBox*>(control)) {
        // A list's XML children are its rows.
        for (const XmlNode* node = first; node != nullptr; node = node->next_sibling()) {
            if (Control* child = buildElementAt(node, depth + 1)) {
                list->addItemControl(child);
            }
        }
        return control;
    }
    Panel* panel = control->asPanel();
    if (panel == nullptr) {
        return control;  // no child list to link them into
    }
    for (const XmlNode* node = first; node != nullptr; node = node->next_sibling()) {
        if (Control* child = buildElementAt(node, depth + 1)) {
            panel->addChild(child);
        }
    }
    return control;
}

}  // namespace

const std::vector<std::string_view>& flagAttributeNames() {
    static const std::vector<std::string_view> names = {"visible", "enabled", "transparent"};
    return names;
}

LayoutSource setLayoutSource(LayoutSource source) {
    return std::exchange(layoutSource(), std::move(source));
}

bool readLayoutFile(std::u16string_view name, std::string& bytes) {
    const LayoutSource& source = layoutSource();
    return source ? source(name, bytes) : readFromLayoutPackage(name, bytes);
}

Control* loadLayout(std::u16string_view fileName) {
    std::string bytes;
    if (!readLayoutFile(fileName, bytes)) {
        debugOutput(u"layout not found: \"" + std::u16string(fileName) + u"\"");
        return nullptr;
    }
    return buildLayout(bytes, fileName);
}

Control* buildLayout(std::string_view utf8, std::u16string_view fileName) {
    XmlDocument document;
    if (!document.parse(utf8, fileName)) {
        return nullptr;
    }
    return buildElementAt(document.firstElement(), 0);
}

Control* buildElement(const XmlNode* element) {
    return buildElementAt(element, 0);
}

void applyAttributes(Object& target, const XmlNode* element) {
    UiRegistries* registries = uiRegistries();
    if (element == nullptr || registries == nullptr || registries->attributeRegistry == nullptr) {
        return;
    }
    auto* control = dynamic_cast<Control*>(&target);
    for (const rapidxml::xml_attribute<char>* attribute = element->first_attribute();
         attribute != nullptr; attribute = attribute->next_attribute()) {
        const std::string_view name(attribute->name(), attribute->name_size());
        const std::string_view value(attribute->value(), attribute->value_size());
        if (const duiField::ISetter* setter =
                registries->attributeRegistry->find(utf8ToUtf16(name))) {
            bool cut = false;
            const std::u16string text = utf8ToUtf16Prefix(value, kMaxXmlValueUnits, &cut);
            if (cut) {
                debugOutput("attribute \"" + std::string(name) + "\" of " +
                            std::to_string(value.size()) + " bytes is cut to its first " +
                            std::to_string(text.size()) + " characters");
            }
            setter->set(target, text);
        } else if (const uint32_t flag = flagOfName(name); flag != 0 && control != nullptr) {
            control->setFlags(flag, value == "1");
        }
    }
}

}  // namespace tamlo::dui
