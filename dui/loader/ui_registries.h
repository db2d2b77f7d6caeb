#pragma once

#include <memory>

#include "dui/loader/layout_package.h"

namespace tamlo::dui {

class AttributeRegistry;  // attribute name -> setter
class ControlFactory;     // element name -> control creator
class StyleFactory;       // style type name -> style creator
class StyleSet;           // styles, decoded images, named fonts

// What the layout loader and the style set look things up in while the UI runs: the
// attribute setters, the control and style factories (built at once, in that order), the
// style set and the layout package (filled by start-up). The UI context owns the one
// that is current.
class UiRegistries {
  public:
    UiRegistries();
    // The layout package and the style set go first (styles may hold package data), then
    // the factories and the setters.
    ~UiRegistries();
    UiRegistries(const UiRegistries&) = delete;
    UiRegistries& operator=(const UiRegistries&) = delete;

    std::unique_ptr<AttributeRegistry> attributeRegistry;
    std::unique_ptr<ControlFactory> controlFactory;
    std::unique_ptr<StyleFactory> styleFactory;
    std::unique_ptr<StyleSet> styleSet;
    std::unique_ptr<LayoutPackage> layoutPackage = std::make_unique<LayoutPackage>();

    // Releases the layout package and the style set ahead of the rest.
    void releaseContent();
};

// The current registries (UI thread), or null before the UI context and after it.
UiRegistries* uiRegistries();
void setUiRegistries(UiRegistries* registries);

}  // namespace tamlo::dui
