// A store of objects registered under key names, as the Engine keeps its
// textures, sounds and fonts. Keys are lower-cased on registration and on
// look-up and then compared exactly; entries are numbered from 1 in
// registration order (slot 0 stays empty) and the first equal key wins; a taken
// key is refused with a box titled "DirectX Error". A freed entry (Free) is the
// one the next registration takes, so a store whose keys come and go stays
// as large as its most keys at once. Releasing the objects
// (Korva2D_Unload) empties the store to slot 0 and keeps the keys and the
// count: an entry whose slot went is run-time error 9, as an index past the end
// of an array is, until a later registration grows the store again.
#pragma once
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/runtime_error.h"
#include "platform/vbtypes.h"

namespace korva2d {

template <class T>
class KeyedStore {
public:
    // `refusal` comes before "'key' already exists!" in the box that refuses a taken key.
    explicit KeyedStore(const char* refusal) : refusal_(refusal) {}

    // The number of entries registered.
    int32_t Count() const { return count_; }
    // The entry of the first key equal to the lower-cased `key`; 0 for none.
    int32_t Find(const std::string& key) const { return IndexOf(vr::AnsiLower(key)); }
    // Registers the lower-cased key with an empty object, in the first freed
    // entry or else as a new last one, and answers its number; a taken key
    // shows the refusal box and answers 0.
    int32_t Register(const std::string& key) {
        std::string lower = vr::AnsiLower(key);
        if (IndexOf(lower)) {
            vr::MsgBox(refusal_ + ("'" + lower + "' already exists!"), vr::kMbOkOnly, "DirectX Error");
            return 0;
        }
        int32_t i = 1;
        while (i <= count_ && keys_[size_t(i)]) ++i;
        if (i > count_) {
            count_ = vr::Add32(count_, 1);
            keys_.resize(size_t(count_) + 1);
        }
        slots_.resize(std::max(slots_.size(), size_t(count_) + 1));
        keys_[size_t(i)] = lower;
        slots_[size_t(i)] = T{};
        return i;
    }
    // Whether entry i holds a key (it was registered and not freed).
    bool Taken(int32_t i) const { return i >= 1 && i <= count_ && keys_[size_t(i)].has_value(); }
    // The object of entry i; run-time error 9 when the store holds no slot i.
    T& At(int32_t i) { return slots_[Slot(i)]; }
    const T& At(int32_t i) const { return slots_[Slot(i)]; }
    // The object of the key's entry; null when the key is unknown or its slot released.
    T* Lookup(const std::string& key) {
        int32_t i = Find(key);
        return i && Holds(i) ? &slots_[size_t(i)] : nullptr;
    }
    // Releases every object: the store keeps slot 0, its keys and its count.
    void ReleaseObjects() { slots_.assign(1, T{}); }
    // Releases entry i's object and frees its key and number for a later
    // registration; the count stays.
    void Free(int32_t i) {
        if (i < 1 || i > count_) throw vr::RuntimeError(vr::kErrSubscript);
        keys_[size_t(i)].reset();
        if (Holds(i)) slots_[size_t(i)] = T{};
    }

private:
    int32_t IndexOf(const std::string& lower) const {
        for (int32_t i = 1; i <= count_; ++i)
            if (keys_[size_t(i)] == lower) return i;
        return 0;
    }
    bool Holds(int32_t i) const { return i >= 0 && size_t(i) < slots_.size(); }
    size_t Slot(int32_t i) const {
        if (!Holds(i)) throw vr::RuntimeError(vr::kErrSubscript);
        return size_t(i);
    }

    std::string refusal_;
    std::vector<std::optional<std::string>> keys_{std::nullopt};  // slot 0 has no key
    std::vector<T> slots_{T{}};
    int32_t count_ = 0;
};

}  // namespace korva2d
