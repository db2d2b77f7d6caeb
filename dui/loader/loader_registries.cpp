#include "dui/loader/loader_registries.h"

#include "dui/loader/attribute_registry.h"
#include "dui/loader/control_factory.h"
#include "runtime/ui_context.h"

namespace tamlo::dui {

void installLoaderRegistries(UiContext& context) {
    if (context.attributeRegistry == nullptr) {
        context.attributeRegistry = makeOwnedSlot(new AttributeRegistry());
    }
    if (context.controlFactory == nullptr) {
        context.controlFactory = makeOwnedSlot(new ControlFactory());
    }
    if (context.styleFactory == nullptr) {
        context.styleFactory = makeOwnedSlot(new StyleFactory());
    }
}

}  // namespace tamlo::dui
