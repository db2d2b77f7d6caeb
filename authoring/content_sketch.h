#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tamlo {

// What a file's content is made of, cheaply: the hashes of the 64 bytes before each
// content-defined cut point. Files that share long runs share the anchors in them wherever
// the runs lie, so near-copies (a library built twice, one version of a program beside the
// next) are found however they are named.
class ContentSketch {
  public:
    ContentSketch() = default;
    static ContentSketch ofBytes(const uint8_t* data, size_t size);
    // An empty sketch when the file cannot be read.
    static ContentSketch ofFile(const std::string& path);

    // The share, 0 to 1, of the smaller sketch's anchors that the other holds too.
    double overlap(const ContentSketch& other) const;
    // Its hashes, smallest first: the smallest are the cut points any sparser sketch keeps too.
    const std::vector<uint64_t>& hashes() const { return anchors_; }

  private:
    // Cut points are where the hash's top `sparsity_` bits are zero; larger inputs use a
    // higher sparsity, so a sketch stays at most a few thousand anchors.
    unsigned sparsity_ = 0;
    std::vector<uint64_t> anchors_;  // sorted, unique
};

}  // namespace tamlo
