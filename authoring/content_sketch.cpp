#include "authoring/content_sketch.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

namespace tamlo {

namespace {

constexpr unsigned kDensestSparsity = 10;  // a cut point per KiB on average
constexpr size_t kMostAnchors = 8192;

constexpr std::array<uint64_t, 256> makeGear() {
    std::array<uint64_t, 256> table{};
    uint64_t state = 0x9E3779B97F4A7C15u;
    for (uint64_t& value : table) {  // splitmix64: fixed, well-mixed values
        state += 0x9E3779B97F4A7C15u;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        value = z ^ (z >> 31);
    }
    return table;
}
constexpr std::array<uint64_t, 256> kGear = makeGear();

unsigned sparsityFor(uint64_t size) {
    unsigned sparsity = kDensestSparsity;
    while (sparsity < 40 && (size >> sparsity) > kMostAnchors) {
        ++sparsity;
    }
    return sparsity;
}

// Each byte shifts the hash left, so it depends on the last 64 bytes; its top bits mix
// all of them, and they decide the cut points.
class AnchorScanner {
  public:
    explicit AnchorScanner(unsigned sparsity) : shift_(64 - sparsity) {}
    void scan(const uint8_t* data, size_t size, std::vector<uint64_t>& anchors) {
        uint64_t hash = hash_;
        for (size_t i = 0; i < size; ++i) {
            hash = (hash << 1) + kGear[data[i]];
            if ((hash >> shift_) == 0) {
                anchors.push_back(hash);
            }
        }
        hash_ = hash;
    }

  private:
    unsigned shift_;
    uint64_t hash_ = 0;
};

void settle(std::vector<uint64_t>& anchors) {
    std::sort(anchors.begin(), anchors.end());
    anchors.erase(std::unique(anchors.begin(), anchors.end()), anchors.end());
}

// Cut points at a higher sparsity are the smallest hashes: a prefix of a sorted sketch.
size_t countUpTo(const std::vector<uint64_t>& anchors, uint64_t limit) {
    return static_cast<size_t>(std::upper_bound(anchors.begin(), anchors.end(), limit) -
                               anchors.begin());
}

}  // namespace

ContentSketch ContentSketch::ofBytes(const uint8_t* data, size_t size) {
    ContentSketch sketch;
    sketch.sparsity_ = sparsityFor(size);
    AnchorScanner(sketch.sparsity_).scan(data, size, sketch.anchors_);
    settle(sketch.anchors_);
    return sketch;
}

ContentSketch ContentSketch::ofFile(const std::string& path) {
    ContentSketch sketch;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return sketch;
    }
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    sketch.sparsity_ = sparsityFor(size > 0 ? static_cast<uint64_t>(size) : 0);
    AnchorScanner scanner(sketch.sparsity_);
    constexpr size_t kChunk = 1u << 20;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kChunk]);
    for (size_t got; (got = std::fread(buffer.get(), 1, kChunk, file)) > 0;) {
        scanner.scan(buffer.get(), got, sketch.anchors_);
    }
    std::fclose(file);
    settle(sketch.anchors_);
    return sketch;
}

double ContentSketch::overlap(const ContentSketch& other) const {
    const unsigned sparsity = std::max(sparsity_, other.sparsity_);
    const uint64_t limit = ~uint64_t{0} >> sparsity;
    size_t shared = 0;
    auto a = anchors_.begin();
    auto b = other.anchors_.begin();
    while (a != anchors_.end() && b != other.anchors_.end() && *a <= limit && *b <= limit) {
        if (*a < *b) {
            ++a;
        } else if (*b < *a) {
            ++b;
        } else {
            ++shared;
            ++a;
            ++b;
        }
    }
    const size_t smaller = std::min(countUpTo(anchors_, limit), countUpTo(other.anchors_, limit));
    return smaller == 0 ? 0.0 : static_cast<double>(shared) / static_cast<double>(smaller);
}

}  // namespace tamlo
