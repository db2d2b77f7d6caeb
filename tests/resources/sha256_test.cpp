#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/sha256.h"

namespace tamlo {
namespace {

std::string hexOf(const std::string& text) {
    return toHex(sha256(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

TEST(Sha256Test, PublishedVectorsWholeAndFedInAnyPieces) {
    EXPECT_EQ(hexOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hexOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(hexOf(two), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    // A million 'a's in uneven pieces crosses every block boundary case.
    const std::string million(1000000, 'a');
    Sha256 pieces;
    size_t done = 0;
    for (size_t step = 1; done < million.size(); step = step * 7 % 193 + 1) {
        const size_t take = std::min(step, million.size() - done);
        pieces.update(reinterpret_cast<const uint8_t*>(million.data()) + done, take);
        done += take;
    }
    EXPECT_EQ(toHex(pieces.finish()),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // Lengths around the padding edge (55, 56, 63, 64 bytes) against one-shot hashing.
    for (size_t length : {55u, 56u, 63u, 64u, 65u}) {
        const std::string text(length, 'x');
        Sha256 split;
        split.update(reinterpret_cast<const uint8_t*>(text.data()), 1);
        split.update(reinterpret_cast<const uint8_t*>(text.data()) + 1, length - 1);
        EXPECT_EQ(toHex(split.finish()), hexOf(text)) << length;
    }
    EXPECT_EQ(hexOf(std::string(55, 'x')),
              "d5e285683cd4efc02d021a5c62014694958901005d6f71e89e0989fac77e4072");
    EXPECT_EQ(hexOf(std::string(64, 'x')),
              "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c");
}

}  // namespace
}  // namespace tamlo
