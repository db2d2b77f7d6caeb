#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/package_format.h"

namespace tamlo::test {

// Builds package bytes by hand so tests can shape every field, including broken ones.
class PackageBytes {
  public:
    // Appends a data block and returns its offset.
    uint32_t addBlock(const std::vector<uint8_t>& block) {
        uint32_t offset = static_cast<uint32_t>(data_.size());
        data_.insert(data_.end(), block.begin(), block.end());
        return offset;
    }
    uint32_t addBlock(const std::string& text) {
        return addBlock(std::vector<uint8_t>(text.begin(), text.end()));
    }

    // A well-formed record for `name`.
    void addRecord(const std::u16string& name, uint32_t dataOffset, uint32_t storedSize,
                   uint32_t unpackedSize = 0) {
        std::vector<uint8_t> area((name.size() + 1) * 2, 0);
        for (size_t i = 0; i < name.size(); ++i) {
            area[i * 2] = static_cast<uint8_t>(name[i]);
            area[i * 2 + 1] = static_cast<uint8_t>(name[i] >> 8);
        }
        area.resize((area.size() + 3) / 4 * 4, 0);
        scramble(area);
        addRawRecord(static_cast<uint32_t>(16 + area.size()), dataOffset, storedSize, unpackedSize,
                     area);
    }

    // A record exactly as given: `nameArea` is written as it is (scramble it first).
    void addRawRecord(uint32_t recordSize, uint32_t dataOffset, uint32_t storedSize,
                      uint32_t unpackedSize, const std::vector<uint8_t>& nameArea) {
        uint8_t header[16];
        package::writeLe32(header, recordSize);
        package::writeLe32(header + 4, dataOffset);
        package::writeLe32(header + 8, storedSize);
        package::writeLe32(header + 12, unpackedSize);
        directory_.insert(directory_.end(), header, header + 16);
        directory_.insert(directory_.end(), nameArea.begin(), nameArea.end());
    }

    // XORs every whole 32-bit word with the package key.
    static void scramble(std::vector<uint8_t>& area) {
        for (size_t word = 0; word + 4 <= area.size(); word += 4) {
            package::writeLe32(area.data() + word,
                               package::readLe32(area.data() + word) ^ package::kKey);
        }
    }

    // Data, directory, terminating zero and trailer. `directoryOffset` overrides the
    // offset written in the trailer; `terminate` false leaves out the zero.
    std::vector<uint8_t> finish(int64_t directoryOffset = -1, bool terminate = true) const {
        std::vector<uint8_t> bytes = data_;
        uint32_t directory = static_cast<uint32_t>(bytes.size());
        bytes.insert(bytes.end(), directory_.begin(), directory_.end());
        uint8_t word[4];
        if (terminate) {
            package::writeLe32(word, 0);
            bytes.insert(bytes.end(), word, word + 4);
        }
        if (directoryOffset >= 0) {
            directory = static_cast<uint32_t>(directoryOffset);
        }
        package::writeLe32(word, directory ^ package::kKey);
        bytes.insert(bytes.end(), word, word + 4);
        return bytes;
    }

  private:
    std::vector<uint8_t> data_;
    std::vector<uint8_t> directory_;
};

}  // namespace tamlo::test
