#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "resources/chunk_sink.h"

namespace tamlo::lzma {

// A liblzma result (lzma_ret) in words.
std::string describeResult(int result);

struct Properties {
    uint32_t lc = 3;
    uint32_t lp = 0;
    uint32_t pb = 2;
    uint32_t dictionarySize = 8u << 20;
};

// Reads the 5 property bytes (lc/lp/pb byte, u32 dictionary size). False when the
// lc/lp/pb byte is out of range.
bool parseProperties(const uint8_t* bytes, Properties* properties);
void writeProperties(const Properties& properties, uint8_t* bytes);

// Decodes raw LZMA1 data whose decoded size is known; an end marker is accepted but not
// required. Succeeds only when exactly `outputSize` bytes come out. `chunkSize` bounds
// the bytes handed to the sink at a time (and the decoder's own output buffer).
bool decodeToSink(const Properties& properties, const uint8_t* input, size_t inputSize,
                  uint64_t outputSize, const ChunkSink& sink, std::string* error,
                  size_t chunkSize = 64 * 1024);

// The same into a caller's buffer of exactly `outputSize` bytes.
bool decodeToBuffer(const Properties& properties, const uint8_t* input, size_t inputSize,
                    uint8_t* output, size_t outputSize, std::string* error);

// Decodes one whole .xz stream into exactly `outputSize` bytes: a stream that gives more
// or fewer, is followed by other bytes, fails its check or asks for more than 256 MiB of
// decoder memory is refused. `verifyCheck` false skips the stream's check, for a caller
// that checks what it reads against digests of its own.
bool decodeXz(const uint8_t* input, size_t inputSize, uint8_t* output, size_t outputSize,
              std::string* error, bool verifyCheck = true);

// Filters in front of LZMA2 that make machine code compress better.
enum class BranchFilter { None, X86, Arm64 };

struct XzOptions {
    BranchFilter filter = BranchFilter::None;
    uint32_t preset = 6;
    uint32_t dictionary = 0;   // 0: the preset's
    bool machineCode = false;  // tunes the coder for unaligned, repeated instructions
};

// One .xz stream (CRC-32 check) of `data` through the filter and LZMA2, with a dictionary
// never larger than the data.
bool encodeXz(const uint8_t* data, size_t size, const XzOptions& options,
              std::vector<uint8_t>* output, std::string* error);

// Streaming LZMA1 encoder (liblzma, end marker written). Output goes to a sink.
class Encoder {
  public:
    Encoder();
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // `preset` 0..9 picks the match finder effort; lc/lp/pb and the dictionary come
    // from `properties`.
    bool start(const Properties& properties, uint32_t preset, std::string* error);
    bool write(const uint8_t* data, size_t size, const ChunkSink& sink, std::string* error);
    bool finish(const ChunkSink& sink, std::string* error);

  private:
    bool run(int action, const uint8_t* data, size_t size, const ChunkSink& sink,
             std::string* error);

    struct State;
    State* state_;
};

}  // namespace tamlo::lzma
