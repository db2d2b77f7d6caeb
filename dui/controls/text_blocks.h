#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tamlo::dui {

// The text of a multi-line editor as a run of blocks, so that an edit moves at most a
// few thousand characters: blocks hold at most kBlockLimit units, a whole text is cut
// into kBlockSize pieces, an insert that overfills its block spreads it over new blocks
// of about kBlockSize, and a delete merges neighbours up to kBlockSize.
class TextBlocks {
  public:
    static constexpr std::size_t kBlockLimit = 2000;
    static constexpr std::size_t kBlockSize = 1500;
    static constexpr std::size_t kSpreadRemainder = 500;
    static constexpr std::size_t kMaxBlocks = 2000;
    // What the block table holds when every block is full from setText: longer texts are
    // cut there (never inside a surrogate pair).
    static constexpr std::size_t kMaxLength = kMaxBlocks * kBlockSize;

    TextBlocks();

    void assign(std::u16string_view text);
    // Inserts at `index` what fits under kMaxLength; returns the count inserted.
    std::size_t insert(std::size_t index, std::u16string_view characters);
    // Removes [from, to).
    void erase(std::size_t from, std::size_t to);

    std::size_t length() const { return length_; }
    char16_t at(std::size_t index) const;
    std::u16string text() const { return range(0, length_); }
    std::u16string range(std::size_t from, std::size_t to) const;

    std::size_t blockCount() const { return blocks_.size(); }
    std::size_t blockLength(std::size_t block) const { return blocks_[block].chars.size(); }
    std::size_t blockStart(std::size_t block) const { return blocks_[block].start; }

    // Reads the text forwards from an index without searching for every character.
    class Reader {
      public:
        Reader(const TextBlocks& blocks, std::size_t index);
        // The character at the current index (0 past the end), then steps on.
        char16_t next();
        char16_t peek() const;
        std::size_t index() const { return index_; }

      private:
        void settle();
        const TextBlocks& blocks_;
        std::size_t block_ = 0;
        std::size_t offset_ = 0;
        std::size_t index_ = 0;
    };

  private:
    struct Block {
        std::size_t start = 0;
        std::u16string chars;
    };
    // The block whose characters include `index`; the last block for the end.
    std::size_t blockOf(std::size_t index) const;
    void renumber(std::size_t fromBlock);
    void compact(std::size_t first, std::size_t last);

    std::vector<Block> blocks_;
    std::size_t length_ = 0;
};

}  // namespace tamlo::dui
