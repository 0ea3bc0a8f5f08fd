// The one way output lines are written: buffered, each line ended by CR LF.
#include "core/line_sink.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

namespace core {
namespace detail {

// Writes blocks to a file on a thread of its own, one at a time and in the
// order given, so that the next block fills while the last is written. The
// sink starts it with the first full block, and waits for it only while it
// holds a block: a thread may take a few milliseconds to start, which a
// short output, or one written straight from other buffers, must not pay.
class BlockWriter {
 public:
  // Throws when no thread can be started.
  explicit BlockWriter(std::FILE* file)
      : state_(std::make_shared<State>(file)) {
    std::thread([state = state_] { state->run(); }).detach();
  }
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;
  // Waits for the block in flight, if any; the thread then ends on its own
  // and never touches the file again.
  ~BlockWriter() {
    wait();
    state_->stop();
  }

  // Waits until the block handed over last is written; true when every
  // write so far succeeded.
  bool wait() { return state_->wait(); }

  // Hands over size bytes at data, which stay untouched until wait() has
  // returned. Call wait() first.
  void write(const char* data, size_t size) { state_->write(data, size); }

 private:
  // What the writer thread and the sink share; the thread keeps it alive.
  class State {
   public:
    explicit State(std::FILE* file) : file_(file) {}

    bool wait() {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return block_ == nullptr; });
      return !failed_;
    }
    void write(const char* data, size_t size) {
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        block_ = data;
        size_ = size;
      }
      changed_.notify_all();
    }
    void stop() {
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
      }
      changed_.notify_all();
    }
    void run() {
      std::unique_lock<std::mutex> lock(mutex_);
      for (;;) {
        changed_.wait(lock, [this] { return block_ != nullptr || stop_; });
        if (block_ == nullptr) return;
        const char* const data = block_;
        const size_t size = size_;
        lock.unlock();
        const bool written = std::fwrite(data, 1, size, file_) == size;
        lock.lock();
        if (!written) failed_ = true;
        block_ = nullptr;
        changed_.notify_all();
      }
    }

   private:
    std::FILE* const file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    const char* block_ = nullptr;  // the block to write, or none
    size_t size_ = 0;
    bool stop_ = false;
    bool failed_ = false;
  };

  std::shared_ptr<State> state_;
};

}  // namespace detail

LineSink::LineSink(size_t capacity) { grow(std::max<size_t>(capacity, 64)); }

LineSink::LineSink(std::FILE* file) : file_(file) { grow(kFileBuffer); }

LineSink::~LineSink() {
  // The block in flight lives in spare_: the writer ends before it goes.
  writer_.reset();
}

void LineSink::makeRoom(size_t bytes) {
  if (file_ != nullptr && used() >= kBlockSize) writeBuffer();
  if (bytes <= room()) return;
  grow(std::max(buffer_.capacity * 2, used() + bytes));
}

void LineSink::grow(size_t capacity) {
  const size_t size = used();
  Buffer bigger{std::make_unique_for_overwrite<char[]>(capacity), capacity};
  if (size > 0) std::memcpy(bigger.bytes.get(), begin(), size);
  buffer_ = std::move(bigger);
  end_ = begin() + size;
  limit_ = begin() + capacity;
}

void LineSink::writeBuffer() {
  const size_t size = used();
  if (size == 0) return;
  if (writer_ == nullptr && handOver_) {
    try {
      writer_ = std::make_unique<detail::BlockWriter>(file_);
    } catch (...) {
      handOver_ = false;  // no thread to be had: every block is written here
    }
  }
  if (writer_ == nullptr) {
    if (std::fwrite(begin(), 1, size, file_) != size) failed_ = true;
  } else {
    // The block before is written, so its buffer is free to fill next.
    if (!writer_->wait()) failed_ = true;
    std::swap(buffer_, spare_);
    writer_->write(spare_.bytes.get(), size);
    end_ = begin();
    limit_ = begin() + buffer_.capacity;
    if (buffer_.capacity < kFileBuffer) grow(kFileBuffer);
    return;
  }
  end_ = begin();
}

void LineSink::writeThrough(std::string_view bytes) {
  // The block in flight, then what is held, go first.
  if (writer_ != nullptr && !writer_->wait()) failed_ = true;
  const size_t size = used();
  if (size > 0 && std::fwrite(begin(), 1, size, file_) != size) failed_ = true;
  end_ = begin();
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    failed_ = true;
  }
}

void LineSink::append(std::string_view bytes) {
  if (file_ != nullptr && bytes.size() >= kWriteThrough) {
    writeThrough(bytes);
    return;
  }
  while (!bytes.empty()) {
    if (file_ != nullptr && used() >= kBlockSize) writeBuffer();
    // A file sink fills its block; a memory sink grows once to the size.
    const size_t fits = file_ != nullptr && room() > 0 ? room() : bytes.size();
    const std::string_view part = bytes.substr(0, fits);
    text(part);
    bytes.remove_prefix(part.size());
  }
}

bool LineSink::finish() {
  if (file_ != nullptr) {
    if (writer_ != nullptr) {
      if (!writer_->wait()) failed_ = true;
      writer_.reset();
    }
    // The last block is written here: a short output never waits for the
    // writer thread to start.
    handOver_ = false;
    writeBuffer();
    if (std::fflush(file_) != 0) failed_ = true;
  }
  return !failed_;
}

const std::string& LineSink::collected() const {
  collected_.assign(begin(), used());
  return collected_;
}

}  // namespace core
