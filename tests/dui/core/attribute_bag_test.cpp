#include <gtest/gtest.h>

#include <set>
#include <string>

#include "dui/core/attribute_keys.h"
#include "dui/core/object.h"
#include "dui/core/object_pool.h"

namespace tamlo::dui {
namespace {

TEST(AttributeKeys, EveryNameHasOneCanonicalKeyFoundByExactText) {
    const auto& keys = allAttributeKeys();
    std::set<std::u16string> names(keys.begin(), keys.end());
    EXPECT_EQ(names.size(), kAttributeKeyCount);
    EXPECT_EQ(keys.front(), key::img);
    EXPECT_EQ(keys[84], key::textpadding);
    EXPECT_EQ(keys[85], key::scrollvertical);

    // Found by text, compared by identity.
    std::u16string margin = u"margin";
    EXPECT_EQ(findAttributeKey(margin), key::margin);
    EXPECT_NE(static_cast<const void*>(margin.c_str()), static_cast<const void*>(key::margin));
    EXPECT_EQ(findAttributeKey(u"Margin"), nullptr);
    EXPECT_EQ(findAttributeKey(u"visible"), nullptr);  // a flag, not an attribute
}

TEST(AttributeKeys, EnumWordsMatchExactlyAndUnknownWordsMatchNone) {
    EXPECT_EQ(findEnumWord(u"left"), EnumWord::Left);
    EXPECT_EQ(findEnumWord(u"never"), EnumWord::Never);
    EXPECT_EQ(findEnumWord(u"Left"), EnumWord::None);
    EXPECT_EQ(findEnumWord(u""), EnumWord::None);
    EXPECT_EQ(enumWordText(EnumWord::Stretch), u"stretch");
    EXPECT_EQ(enumWordText(static_cast<EnumWord>(99)), u"");
    EXPECT_EQ(enumValue(EnumWord::None), 0);
}

TEST(AttributeBag, ListsAreIndependentAndOverwriteInPlace) {
    Object bag;
    EXPECT_EQ(bag.getInt(key::width, -1), -1);
    bag.setInt(key::width, 10);
    bag.setInt(key::width, 20);
    EXPECT_EQ(bag.getInt(key::width, -1), 20);

    // The same key in another list is another attribute.
    Rect rect{9, 9, 9, 9};
    EXPECT_FALSE(bag.getRect(key::width, rect));
    EXPECT_EQ(rect, (Rect{9, 9, 9, 9}));  // untouched when absent
    bag.setRect(key::width, 1, 2, 3, 4);
    EXPECT_TRUE(bag.getRect(key::width, rect));
    EXPECT_EQ(rect, (Rect{1, 2, 3, 4}));
    EXPECT_EQ(bag.getInt(key::width, -1), 20);

    Size size{5, 5};
    EXPECT_FALSE(bag.getSize(key::initSize, size));
    bag.setSize(key::initSize, 645, 400);
    EXPECT_TRUE(bag.getSize(key::initSize, size));
    EXPECT_EQ(size, (Size{645, 400}));

    std::u16string text = u"kept";
    EXPECT_FALSE(bag.getText(key::text, text));
    EXPECT_EQ(text, u"kept");
    bag.setText(key::text, u"安装");
    bag.setText(key::text, u"完成");
    EXPECT_TRUE(bag.getText(key::text, text));
    EXPECT_EQ(text, u"完成");
    ASSERT_NE(bag.findText(key::text), nullptr);
    EXPECT_EQ(bag.findText(key::style), nullptr);
}

TEST(ObjectPool, ReleasedBlocksAreReusedAndChunksHoldAHundred) {
    // A size no other test uses, so this test sees its own free list.
    constexpr std::size_t kOddSize = 1000;
    const std::size_t chunksBefore = ObjectPool::chunkCount();
    void* first = ObjectPool::allocate(kOddSize);
    EXPECT_EQ(ObjectPool::chunkCount(), chunksBefore + 1);
    EXPECT_EQ(ObjectPool::freeBlocksFor(kOddSize), ObjectPool::kBlocksPerChunk - 1);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % alignof(std::max_align_t), 0u);

    void* blocks[ObjectPool::kBlocksPerChunk];
    for (auto& block : blocks) {
        block = ObjectPool::allocate(kOddSize);
    }
    EXPECT_EQ(ObjectPool::chunkCount(), chunksBefore + 2);  // the 101st block needed a refill

    ObjectPool::release(first);
    EXPECT_EQ(ObjectPool::allocate(kOddSize), first);  // last released, first reused
    ObjectPool::release(first);
    for (void* block : blocks) {
        ObjectPool::release(block);
    }
    EXPECT_EQ(ObjectPool::freeBlocksFor(kOddSize), 2 * ObjectPool::kBlocksPerChunk);

    // Large requests bypass the free lists entirely.
    void* large = ObjectPool::allocate(4096);
    static_cast<char*>(large)[4095] = 1;
    ObjectPool::release(large);
    EXPECT_EQ(ObjectPool::freeBlocksFor(4096), 0u);
    EXPECT_EQ(ObjectPool::chunkCount(), chunksBefore + 2);
}

}  // namespace
}  // namespace tamlo::dui
