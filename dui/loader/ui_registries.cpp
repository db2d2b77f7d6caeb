#include "dui/loader/ui_registries.h"

#include <atomic>

#include "dui/loader/attribute_registry.h"
#include "dui/loader/control_factory.h"
#include "dui/style/style_set.h"

namespace tamlo::dui {
namespace {

std::atomic<UiRegistries*>& current() {
    static std::atomic<UiRegistries*> registries{nullptr};
    return registries;
}

}  // namespace

UiRegistries::UiRegistries()
    : attributeRegistry(std::make_unique<AttributeRegistry>()),
      controlFactory(std::make_unique<ControlFactory>()),
      styleFactory(std::make_unique<StyleFactory>()) {}

UiRegistries::~UiRegistries() {
    releaseContent();
    controlFactory.reset();
    styleFactory.reset();
    attributeRegistry.reset();
}

void UiRegistries::releaseContent() {
    layoutPackage.reset();
    styleSet.reset();
}

UiRegistries* uiRegistries() {
    return current().load();
}

void setUiRegistries(UiRegistries* registries) {
    current().store(registries);
}

}  // namespace tamlo::dui
