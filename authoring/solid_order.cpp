#include "authoring/solid_order.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <numeric>
#include <set>
#include <unordered_map>
#include <utility>

#include "authoring/content_sketch.h"
#include "resources/error_text.h"
#include "resources/package_format.h"

namespace tamlo {

namespace fs = std::filesystem;

namespace {

// Two large files are near-copies when this share of the smaller one's anchors is in both.
constexpr double kAlikeOverlap = 0.2;
// The smallest anchors of each sketch that look for partners, and how many files may hold
// one before it counts as common filler (runs of zeros, padding) rather than content.
constexpr size_t kProbeAnchors = 64;
constexpr size_t kMostHolders = 32;

// Machine code by its header: PE ("MZ", machine at the PE header) or ELF (e_machine).
lzma::BranchFilter filterFor(const std::string& path) {
    uint8_t head[4096] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return lzma::BranchFilter::None;
    }
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(head[at] | head[at + 1] << 8); };
    if (got >= 20 &&
        std::memcmp(head,
                    "\x7f"
                    "ELF",
                    4) == 0 &&
        head[5] == 1) {
        const uint32_t machine = u16(18);
        return machine == 62 || machine == 3 ? lzma::BranchFilter::X86
               : machine == 183              ? lzma::BranchFilter::Arm64
                                             : lzma::BranchFilter::None;
    }
    if (got >= 64 && head[0] == 'M' && head[1] == 'Z') {
        const uint32_t pe = package::readLe32(head + 60);
        if (pe <= got - 6 && std::memcmp(head + pe, "PE\0\0", 4) == 0) {
            const uint32_t machine = u16(pe + 4);
            return machine == 0x14C || machine == 0x8664 ? lzma::BranchFilter::X86
                   : machine == 0xAA64                   ? lzma::BranchFilter::Arm64
                                                         : lzma::BranchFilter::None;
        }
    }
    return lzma::BranchFilter::None;
}

std::u16string lowered(std::u16string text) {
    for (char16_t& unit : text) {
        if (unit >= u'A' && unit <= u'Z') {
            unit = static_cast<char16_t>(unit - u'A' + u'a');
        }
    }
    return text;
}

size_t baseStart(const std::u16string& name) {
    const size_t slash = name.rfind(u'/');
    return slash == std::u16string::npos ? 0 : slash + 1;
}

std::u16string extensionOf(const std::u16string& name) {
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos || dot < baseStart(name)) {
        return {};
    }
    return lowered(name.substr(dot + 1));
}

// Numbered variants of one file (d3dx9_24.dll, d3dx9_25.dll; atl90.dll, atl100.dll) are
// mostly alike: the name without the digits that end its stem, nor what joins them.
std::u16string numberedFamilyOf(const std::u16string& name, const std::u16string& extension) {
    size_t end = name.size() - (extension.empty() ? 0 : extension.size() + 1);
    const size_t digitsEnd = end;
    while (end > 0 && name[end - 1] >= u'0' && name[end - 1] <= u'9') {
        --end;
    }
    if (end == digitsEnd) {
        return {};  // not numbered
    }
    while (end > 0 && (name[end - 1] == u'_' || name[end - 1] == u'-' || name[end - 1] == u'.')) {
        --end;
    }
    return name.substr(0, end) + u'.' + extension;
}

// "folder/stem" of a name, the stem ending at the first dot of its last part; with
// `parent`, the folder above (a cache folder's files are derived from their parent's).
std::u16string companionKey(const std::u16string& name, bool parent) {
    const size_t base = baseStart(name);
    const size_t dot = name.find(u'.', base);
    const std::u16string stem =
        lowered(name.substr(base, dot == std::u16string::npos ? dot : dot - base));
    std::u16string folder = name.substr(0, base == 0 ? 0 : base - 1);
    if (parent) {
        if (folder.empty()) {
            return {};
        }
        const size_t up = folder.rfind(u'/');
        folder = up == std::u16string::npos ? std::u16string() : folder.substr(0, up);
    }
    return lowered(folder) + u'/' + stem;
}

// A file derived from another (json/__pycache__/decoder.cpython-311.pyc from
// json/decoder.py, foo.o from foo.c) repeats much of it: it goes right after it, in reach of
// the dictionary, instead of among files of its own extension.
void placeCompanions(std::vector<PlannedFile>& entries) {
    const size_t count = entries.size();
    std::map<std::u16string, size_t> sources;
    std::vector<std::vector<size_t>> followers(count);
    std::vector<bool> follows(count, false);
    for (size_t i = 0; i < count; ++i) {
        const std::u16string own = companionKey(entries[i].file.name, false);
        for (const std::u16string& key : {own, companionKey(entries[i].file.name, true)}) {
            const auto source = key.empty() ? sources.end() : sources.find(key);
            if (source != sources.end() && entries[source->second].filter == entries[i].filter) {
                followers[source->second].push_back(i);
                follows[i] = true;
                break;
            }
        }
        if (!follows[i]) {
            sources.emplace(own, i);
        }
    }
    std::vector<PlannedFile> ordered;
    ordered.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (!follows[i]) {
            ordered.push_back(std::move(entries[i]));
            for (size_t follower : followers[i]) {
                ordered.push_back(std::move(entries[follower]));
            }
        }
    }
    entries = std::move(ordered);
}

class Groups {
  public:
    explicit Groups(size_t count) : parent_(count) {
        std::iota(parent_.begin(), parent_.end(), size_t{0});
    }
    size_t root(size_t at) {
        while (parent_[at] != at) {
            at = parent_[at] = parent_[parent_[at]];
        }
        return at;
    }
    void unite(size_t a, size_t b) {
        a = root(a);
        b = root(b);
        parent_[std::max(a, b)] = std::min(a, b);  // the earliest member stays the root
    }

  private:
    std::vector<size_t> parent_;
};

// Pairs of large files of one kind whose content overlaps: the smallest anchors of each
// find candidates, the whole sketches confirm them.
void uniteNearCopies(const std::vector<PlannedFile>& entries, uint64_t alikeSize, Groups& groups) {
    std::vector<size_t> large;
    std::vector<ContentSketch> sketches;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].size >= alikeSize) {
            large.push_back(i);
            sketches.push_back(ContentSketch::ofFile(entries[i].file.path));
        }
    }
    std::unordered_map<uint64_t, std::vector<size_t>> holders;
    for (size_t l = 0; l < large.size(); ++l) {
        const std::vector<uint64_t>& hashes = sketches[l].hashes();
        for (size_t k = 0; k < std::min(hashes.size(), kProbeAnchors); ++k) {
            holders[hashes[k]].push_back(l);
        }
    }
    std::set<std::pair<size_t, size_t>> candidates;
    for (const auto& [hash, list] : holders) {
        if (list.size() <= kMostHolders) {
            for (size_t a = 0; a < list.size(); ++a) {
                for (size_t b = a + 1; b < list.size(); ++b) {
                    candidates.emplace(list[a], list[b]);
                }
            }
        }
    }
    for (const auto& [a, b] : candidates) {
        if (entries[large[a]].filter == entries[large[b]].filter &&
            sketches[a].overlap(sketches[b]) >= kAlikeOverlap) {
            groups.unite(large[a], large[b]);
        }
    }
}

// Numbered siblings and near-copies form families, each moved to where its first member
// stands so its members sit back to back.
void placeFamilies(std::vector<PlannedFile>& entries, uint64_t alikeSize) {
    const size_t count = entries.size();
    Groups groups(count);
    std::map<std::pair<lzma::BranchFilter, std::u16string>, size_t> numbered;
    for (size_t i = 0; i < count; ++i) {
        const std::u16string family = numberedFamilyOf(entries[i].file.name, entries[i].extension);
        if (!family.empty()) {
            const auto found = numbered.emplace(std::make_pair(entries[i].filter, family), i);
            if (!found.second) {
                groups.unite(found.first->second, i);
            }
        }
    }
    uniteNearCopies(entries, alikeSize, groups);
    std::map<size_t, std::vector<size_t>> members;  // by root, the earliest member
    for (size_t i = 0; i < count; ++i) {
        members[groups.root(i)].push_back(i);
    }
    std::vector<PlannedFile> ordered;
    ordered.reserve(count);
    int next = 0;
    for (size_t i = 0; i < count; ++i) {
        const auto group = members.find(i);
        if (group == members.end()) {
            continue;  // placed with its root
        }
        const int family = group->second.size() > 1 ? next++ : -1;
        for (size_t member : group->second) {
            ordered.push_back(std::move(entries[member]));
            ordered.back().family = family;
        }
    }
    entries = std::move(ordered);
}

}  // namespace

bool planSolidOrder(std::vector<SolidFile>& files, uint64_t alikeSize,
                    std::vector<PlannedFile>* planned, std::string* error) {
    for (SolidFile& file : files) {
        PlannedFile entry;
        std::error_code failure;
        const fs::file_status status = fs::status(file.path, failure);
        if (failure || !fs::is_regular_file(status)) {
            setError(error, file.path + " is not a regular file");
            return false;
        }
        entry.size = fs::file_size(file.path, failure);
        if (failure || entry.size > UINT32_MAX) {
            setError(error, file.path + " cannot be read or is 4 GiB or larger");
            return false;
        }
        entry.executable = (status.permissions() & fs::perms::owner_exec) != fs::perms::none;
        entry.filter = filterFor(file.path);
        entry.extension = extensionOf(file.name);
        entry.file = std::move(file);
        planned->push_back(std::move(entry));
    }
    std::stable_sort(planned->begin(), planned->end(),
                     [](const PlannedFile& a, const PlannedFile& b) {
                         if (a.filter != b.filter) {
                             return a.filter > b.filter;
                         }
                         if (a.extension != b.extension) {
                             return a.extension < b.extension;
                         }
                         return a.file.name < b.file.name;
                     });
    placeCompanions(*planned);
    placeFamilies(*planned, alikeSize);
    return true;
}

}  // namespace tamlo
