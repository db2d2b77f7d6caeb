#pragma once

#include <memory>

namespace tamlo {

// Owns an object whose type the holder only declares. Whoever fills the slot (where the
// type is complete) supplies the deleter with `makeOwnedSlot`; an empty slot deletes
// nothing.
template <class T>
using OwnedSlot = std::unique_ptr<T, void (*)(T*)>;

template <class T>
OwnedSlot<T> emptySlot() {
    return OwnedSlot<T>(nullptr, [](T*) {});
}

template <class T>
OwnedSlot<T> makeOwnedSlot(T* object) {
    return OwnedSlot<T>(object, [](T* owned) { delete owned; });
}

}  // namespace tamlo
