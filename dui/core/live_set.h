#pragma once

#include <cstddef>

namespace tamlo::dui {

class Control;

// The controls currently attached to a window. Events, layout and repaint requests for a
// control outside it do nothing. UI thread only.
namespace LiveSet {
void insert(const Control* control);
void erase(const Control* control);
bool contains(const Control* control);
std::size_t size();
}  // namespace LiveSet

}  // namespace tamlo::dui
