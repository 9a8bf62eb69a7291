// The store of textures, sounds and fonts beyond what the Engine's members
// show: released slots come back empty, and a freed entry is taken again.
#include <gtest/gtest.h>

#include "core/keyed_store.h"
#include "engine_fixture.h"

TEST(KeyedStore, ReleasedSlotsComeBackEmptyAndAFreedKeyIsTakenAgain) {
    korva2d::KeyedStore<int> store("");
    EXPECT_EQ(store.Register("Fire1"), 1);
    EXPECT_EQ(store.Register("ship"), 2);
    store.At(1) = store.At(2) = 10;
    store.ReleaseObjects();
    EXPECT_EQ(uint32_t(vr::ReturnErrorToCaller([&] { store.At(2); })), 0x800A0009u) << "its slot went";
    EXPECT_EQ(store.Lookup("ship"), nullptr);
    EXPECT_EQ(store.Register("smoke"), 3);
    EXPECT_EQ(*store.Lookup("SHIP"), 0) << "a registration grows the store again";
    store.Free(1);
    EXPECT_EQ(store.Find("fire1"), 0);
    EXPECT_FALSE(store.Taken(1));
    EXPECT_EQ(store.Register("fire1"), 1) << "the freed entry is taken again";
    EXPECT_EQ(store.Register("blast"), 4) << "then the store grows";
    EXPECT_EQ(store.Count(), 4);
    EXPECT_EQ(vr::testing::ShownDialogs([&] { store.Register("FIRE1"); }).size(), 1u);
}
