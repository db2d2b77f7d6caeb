#include "resources/xz_block_stream.h"

#include <lzma.h>

#include <algorithm>
#include <vector>

#include "resources/error_text.h"
#include "resources/large_buffer.h"
#include "resources/lzma_codec.h"

namespace tamlo {

struct XzBlockStream::State {
    lzma_stream stream = LZMA_STREAM_INIT;
    std::vector<uint8_t> buffer;
    bool started = false;
    ~State() { lzma_end(&stream); }
};

XzBlockStream::XzBlockStream(const uint8_t* input, size_t inputSize, uint64_t outputSize,
                             bool verifyCheck)
    : state_(std::make_unique<State>()), outputSize_(outputSize), verifyCheck_(verifyCheck) {
    state_->stream.next_in = input;
    state_->stream.avail_in = inputSize;
}

XzBlockStream::~XzBlockStream() = default;

bool XzBlockStream::fail(std::string* error, const std::string& reason) {
    failed_ = true;
    setError(error, reason);
    // The dictionary goes now, not when the owner gets round to dropping the stream.
    state_.reset();
    return false;
}

bool XzBlockStream::read(uint64_t count, const ChunkSink* sink, std::string* error) {
    if (failed_) {
        setError(error, "the block did not decode");
        return false;
    }
    if (count == 0) {
        return true;
    }
    if (count > outputSize_ - position_) {
        return fail(error, "the block's size does not match its directory");
    }
    State& state = *state_;
    if (!state.started) {
        state.stream.allocator = lzma::largeBufferAllocator();
        const lzma_ret result =
            lzma_stream_decoder(&state.stream, kMemoryLimit, verifyCheck_ ? 0 : LZMA_IGNORE_CHECK);
        if (result != LZMA_OK) {
            return fail(error, lzma::describeResult(result));
        }
        state.buffer.resize(kBufferSize);
        state.started = true;
    }
    while (count > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(count, kBufferSize));
        state.stream.next_out = state.buffer.data();
        state.stream.avail_out = want;
        const lzma_ret result = lzma_code(&state.stream, LZMA_RUN);
        const size_t got = want - state.stream.avail_out;
        if (result != LZMA_OK && result != LZMA_STREAM_END) {
            return fail(error, lzma::describeResult(result));
        }
        if (got == 0 && (result == LZMA_STREAM_END || state.stream.avail_in == 0)) {
            return fail(error, "the block decodes to fewer bytes than its directory says");
        }
        if (sink != nullptr && !(*sink)(state.buffer.data(), got)) {
            return fail(error, "the output refused the data");
        }
        position_ += got;
        count -= got;
    }
    return position_ == outputSize_ ? finish(error) : true;
}

// Every byte is out: the stream must end here, its check pass, and no byte follow it.
bool XzBlockStream::finish(std::string* error) {
    State& state = *state_;
    uint8_t extra = 0;
    state.stream.next_out = &extra;
    state.stream.avail_out = 1;
    const lzma_ret result = lzma_code(&state.stream, LZMA_FINISH);
    if (result != LZMA_STREAM_END) {
        return fail(error,
                    result == LZMA_OK || result == LZMA_BUF_ERROR
                        ? std::string("the block decodes to more bytes than its directory says")
                        : lzma::describeResult(result));
    }
    if (state.stream.avail_out != 1 || state.stream.avail_in != 0) {
        return fail(error, "the block's size does not match its directory");
    }
    state_.reset();  // done: the dictionary is given back at once
    return true;
}

}  // namespace tamlo
