#include "dui/controls/text_blocks.h"

#include <algorithm>

#include "dui/controls/text_units.h"

namespace tamlo::dui {

TextBlocks::TextBlocks() {
    blocks_.emplace_back();
}

void TextBlocks::assign(std::u16string_view text) {
    text = text.substr(0, text::fittingLength(text, kMaxLength));
    blocks_.clear();
    for (std::size_t at = 0; at < text.size(); at += kBlockSize) {
        blocks_.push_back(Block{at, std::u16string(text.substr(at, kBlockSize))});
    }
    if (blocks_.empty()) {
        blocks_.emplace_back();
    }
    length_ = text.size();
}

std::size_t TextBlocks::blockOf(std::size_t index) const {
    // The last block starting at or before `index`; a block's end is its successor's start.
    auto after = std::upper_bound(blocks_.begin(), blocks_.end(), index,
                                  [](std::size_t i, const Block& b) { return i < b.start; });
    std::size_t block =
        after == blocks_.begin() ? 0 : static_cast<std::size_t>(after - blocks_.begin()) - 1;
    // Skip back over empty blocks that share the start (only a fully emptied text has one).
    return block;
}

void TextBlocks::renumber(std::size_t fromBlock) {
    std::size_t start =
        fromBlock == 0 ? 0 : blocks_[fromBlock - 1].start + blocks_[fromBlock - 1].chars.size();
    for (std::size_t i = fromBlock; i < blocks_.size(); ++i) {
        blocks_[i].start = start;
        start += blocks_[i].chars.size();
    }
}

char16_t TextBlocks::at(std::size_t index) const {
    if (index >= length_) {
        return 0;
    }
    const Block& block = blocks_[blockOf(index)];
    return block.chars[index - block.start];
}

std::u16string TextBlocks::range(std::size_t from, std::size_t to) const {
    to = std::min(to, length_);
    std::u16string out;
    if (from >= to) {
        return out;
    }
    out.reserve(to - from);
    for (std::size_t b = blockOf(from); b < blocks_.size() && blocks_[b].start < to; ++b) {
        const Block& block = blocks_[b];
        const std::size_t begin = from > block.start ? from - block.start : 0;
        const std::size_t end = std::min(block.chars.size(), to - block.start);
        if (end > begin) {
            out.append(block.chars, begin, end - begin);
        }
    }
    return out;
}

std::size_t TextBlocks::insert(std::size_t index, std::u16string_view characters) {
    index = std::min(index, length_);
    const std::size_t n = text::fittingLength(characters, kMaxLength - length_);
    if (n == 0) {
        return 0;
    }
    characters = characters.substr(0, n);
    const std::size_t b = blockOf(index);
    Block& block = blocks_[b];
    const std::size_t offset = index - block.start;
    if (block.chars.size() + n <= kBlockLimit) {
        block.chars.insert(offset, characters);
    } else {
        // Spread the block's text before the index, the new characters and the rest over
        // k blocks of about kBlockSize; the first takes the remainder of the division.
        std::u16string whole;
        whole.reserve(block.chars.size() + n);
        whole.append(block.chars, 0, offset);
        whole.append(characters);
        whole.append(block.chars, offset, std::u16string::npos);
        const std::size_t total = whole.size();
        std::size_t k = total / kBlockSize;
        if (total % kBlockSize > kSpreadRemainder) {
            ++k;
        }
        k = std::max<std::size_t>(k, 1);
        const std::size_t each = total / k;
        std::vector<Block> spread(k);
        std::size_t at = 0;
        for (std::size_t i = 0; i < k; ++i) {
            const std::size_t size = i == 0 ? each + total % k : each;
            spread[i].chars.assign(whole, at, size);
            at += size;
        }
        blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b));
        blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b), spread.begin(),
                       spread.end());
    }
    length_ += n;
    renumber(b);
    return n;
}

void TextBlocks::compact(std::size_t first, std::size_t last) {
    last = std::min(last, blocks_.size() - 1);
    std::size_t i = first;
    while (i <= last && i < blocks_.size()) {
        if (blocks_[i].chars.empty() && blocks_.size() > 1) {
            blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(i));
            if (last > 0) {
                --last;
            }
            continue;
        }
        while (i + 1 < blocks_.size() && i + 1 <= last + 1 &&
               blocks_[i].chars.size() + blocks_[i + 1].chars.size() <= kBlockSize) {
            blocks_[i].chars += blocks_[i + 1].chars;
            blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            if (last > i) {
                --last;
            }
        }
        ++i;
    }
}

void TextBlocks::erase(std::size_t from, std::size_t to) {
    to = std::min(to, length_);
    if (from >= to) {
        return;
    }
    const std::size_t firstBlock = blockOf(from);
    const std::size_t lastBlock = blockOf(to - 1);
    for (std::size_t b = firstBlock; b <= lastBlock; ++b) {
        Block& block = blocks_[b];
        const std::size_t begin = from > block.start ? from - block.start : 0;
        const std::size_t end = std::min(block.chars.size(), to - block.start);
        block.chars.erase(begin, end - begin);
    }
    length_ -= to - from;
    const std::size_t around = firstBlock > 0 ? firstBlock - 1 : 0;
    compact(around, lastBlock + 1);
    renumber(around);
}

// ---- Reader ------------------------------------------------------------------------------

TextBlocks::Reader::Reader(const TextBlocks& blocks, std::size_t index)
    : blocks_(blocks), index_(std::min(index, blocks.length_)) {
    block_ = blocks.blockOf(index_);
    offset_ = index_ - blocks.blocks_[block_].start;
    settle();
}

void TextBlocks::Reader::settle() {
    while (block_ + 1 < blocks_.blocks_.size() && offset_ >= blocks_.blocks_[block_].chars.size()) {
        ++block_;
        offset_ = 0;
    }
}

char16_t TextBlocks::Reader::peek() const {
    const auto& chars = blocks_.blocks_[block_].chars;
    return offset_ < chars.size() ? chars[offset_] : 0;
}

char16_t TextBlocks::Reader::next() {
    const char16_t c = peek();
    if (index_ < blocks_.length_) {
        ++offset_;
        ++index_;
        settle();
    }
    return c;
}

}  // namespace tamlo::dui
