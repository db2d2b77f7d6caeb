#include "dui/core/live_set.h"

#include <unordered_set>

namespace tamlo::dui {

namespace {

// Never destroyed: controls may die during static destruction.
std::unordered_set<const Control*>& members() {
    static auto* set = new std::unordered_set<const Control*>();
    return *set;
}

}  // namespace

namespace LiveSet {
void insert(const Control* control) {
    members().insert(control);
}
void erase(const Control* control) {
    members().erase(control);
}
bool contains(const Control* control) {
    return control != nullptr && members().count(control) != 0;
}
std::size_t size() {
    return members().size();
}
}  // namespace LiveSet

}  // namespace tamlo::dui
