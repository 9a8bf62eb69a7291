// Slots of the Engine object's stores (sounds, textures, fonts). A store may
// hold fewer slots than its count says (Korva2D_Unload empties it to slot 0
// and keeps the names and the count), so every member reads a slot through
// here: a slot past the end is run-time error 9, as an array index would be.
#pragma once
#include <cstdint>

#include "platform/runtime_error.h"

namespace korva2d {

// The store's slot i; raises "Subscript out of range" (9) when it has no such slot.
template <class Store>
auto& StoreSlot(Store& store, int32_t i) {
    if (i < 0 || static_cast<uint64_t>(i) >= store.size()) throw vr::RuntimeError(vr::kErrSubscript);
    return store[static_cast<size_t>(i)];
}

}  // namespace korva2d
