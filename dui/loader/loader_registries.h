#pragma once

namespace tamlo {
class UiContext;
}

namespace tamlo::dui {

// Fills the context's attribute registry, control factory and style factory, in that
// order. Slots already filled are kept.
void installLoaderRegistries(UiContext& context);

}  // namespace tamlo::dui
