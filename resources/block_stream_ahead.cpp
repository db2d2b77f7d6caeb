#include "resources/block_stream_ahead.h"

#include <algorithm>

#include "resources/error_text.h"

namespace tamlo {

BlockStreamAhead::BlockStreamAhead(std::unique_ptr<XzBlockStream> stream, uint64_t size,
                                   uint64_t from)
    : stream_(std::move(stream)), size_(size), from_(from), position_(from) {
    thread_ = std::thread(&BlockStreamAhead::produce, this);
}

BlockStreamAhead::~BlockStreamAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BlockStreamAhead::produce() {
    std::string problem;
    bool ok = stream_->read(from_, nullptr, &problem);
    uint64_t decoded = from_;
    while (ok && decoded < size_) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || queued_ < kQueueBytes; });
            if (stop_) {
                return;
            }
        }
        std::vector<uint8_t> piece;
        const ChunkSink keep = [&piece](const uint8_t* data, size_t size) {
            piece.insert(piece.end(), data, data + size);
            return true;
        };
        const uint64_t step = std::min<uint64_t>(XzBlockStream::kBufferSize, size_ - decoded);
        ok = stream_->read(step, &keep, &problem);
        if (ok) {
            decoded += step;
            std::lock_guard<std::mutex> lock(mutex_);
            queued_ += piece.size();
            pieces_.push_back(std::move(piece));
        }
        changed_.notify_all();
    }
    stream_.reset();  // the dictionary goes as soon as the block is out
    {
        std::lock_guard<std::mutex> lock(mutex_);
        produced_ = ok;
        broken_ = !ok;
        problem_ = problem;
    }
    changed_.notify_all();
}

bool BlockStreamAhead::read(uint64_t count, const ChunkSink* sink, std::string* error) {
    if (failed_) {
        setError(error, "the block did not decode");
        return false;
    }
    if (count > size_ - position_) {
        failed_ = true;
        setError(error, "the block's size does not match its directory");
        return false;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    while (count > 0) {
        changed_.wait(lock, [&] { return !pieces_.empty() || broken_; });
        if (pieces_.empty()) {
            failed_ = true;
            setError(error, problem_);
            return false;
        }
        // Pushing at the back leaves the front piece where it is: it is read unlocked.
        const std::vector<uint8_t>& front = pieces_.front();
        const size_t take =
            static_cast<size_t>(std::min<uint64_t>(count, front.size() - frontUsed_));
        if (sink != nullptr) {
            lock.unlock();
            const bool taken = (*sink)(front.data() + frontUsed_, take);
            lock.lock();
            if (!taken) {
                failed_ = true;
                setError(error, "the output refused the data");
                return false;
            }
        }
        frontUsed_ += take;
        position_ += take;
        count -= take;
        if (frontUsed_ == front.size()) {
            queued_ -= front.size();
            pieces_.pop_front();
            frontUsed_ = 0;
            changed_.notify_all();
        }
    }
    if (position_ == size_) {
        // The last bytes are out only once the stream's own check has passed.
        changed_.wait(lock, [&] { return produced_ || broken_; });
        if (broken_) {
            failed_ = true;
            setError(error, problem_);
            return false;
        }
    }
    return true;
}

}  // namespace tamlo
