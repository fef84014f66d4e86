// Stream classes and the checked reader (see oxstreams.h).
#include "imaging/model/oxstreams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "imaging/model/OrvexError.h"

namespace ox {

namespace {

int64_t SeekTarget(int64_t offset, TSeekOrigin origin, int64_t pos, int64_t end) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? pos : end;
  // Saturate instead of overflowing on absurd offsets.
  if (offset > 0 && base > INT64_MAX - offset) return INT64_MAX;
  const int64_t target = base + offset;
  return target < 0 ? 0 : target;
}

}  // namespace

int64_t TOXStream::Size() {
  const int64_t pos = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

// --- TOXMemoryStream

int64_t TOXMemoryStream::Read(void* buffer, int64_t n) {
  const int64_t size = Size();
  if (n <= 0 || pos_ >= size) return 0;
  const int64_t count = std::min(n, size - pos_);
  std::memcpy(buffer, data_.data() + pos_, size_t(count));
  pos_ += count;
  return count;
}

int64_t TOXMemoryStream::Write(const void* buffer, int64_t n) {
  if (n <= 0) return 0;
  if (pos_ > Size() - n) data_.resize(size_t(pos_ + n));
  std::memcpy(data_.data() + pos_, buffer, size_t(n));
  pos_ += n;
  return n;
}

int64_t TOXMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  pos_ = SeekTarget(offset, origin, pos_, Size());
  return pos_;
}

void TOXMemoryStream::SetSize(int64_t size) {
  data_.resize(size_t(std::max<int64_t>(size, 0)));
  pos_ = std::min(pos_, Size());
}

// --- TOXFileStream

TOXFileStream::TOXFileStream(const std::string& fileName, TFileMode mode) : fileName_(fileName) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case fmOpenRead: flags |= O_RDONLY; break;
    case fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
  }
  do fd_ = ::open(fileName.c_str(), flags, 0666);
  while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) {
    const char* what = mode == fmCreate ? "Cannot create file \"" : "Cannot open file \"";
    throw EOrvexError(what + fileName + "\". " + std::strerror(errno));
  }
}

TOXFileStream::~TOXFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t TOXFileStream::Read(void* buffer, int64_t n) {
  auto* p = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < n) {
    const ssize_t r = ::read(fd_, p + done, size_t(std::min<int64_t>(n - done, 1 << 30)));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += r;
  }
  return done;
}

int64_t TOXFileStream::Write(const void* buffer, int64_t n) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < n) {
    const ssize_t w = ::write(fd_, p + done, size_t(std::min<int64_t>(n - done, 1 << 30)));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    done += w;
  }
  return done;
}

int64_t TOXFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t pos = ::lseek(fd_, 0, SEEK_CUR);
  if (origin == soCurrent && offset == 0) return pos;
  const int64_t target = SeekTarget(offset, origin, pos, origin == soEnd ? Size() : 0);
  const off_t r = ::lseek(fd_, off_t(target), SEEK_SET);
  return r < 0 ? pos : r;
}

int64_t TOXFileStream::Size() {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 ? int64_t(st.st_size) : 0;
}

void TOXFileStream::SetSize(int64_t size) {
  if (::ftruncate(fd_, off_t(std::max<int64_t>(size, 0))) != 0)
    throw EOrvexError("Cannot set the size of file \"" + fileName_ + "\". " + std::strerror(errno));
  if (Position() > Size()) Seek(0, soEnd);
}

// --- TNulStream

void TNulStream::Advance(int64_t n) {
  pos_ = n > 0 && pos_ > INT64_MAX - n ? INT64_MAX : pos_ + std::max<int64_t>(n, 0);
  size_ = std::max(size_, pos_);
}

int64_t TNulStream::Read(void*, int64_t n) {
  Advance(n);
  return std::max<int64_t>(n, 0);
}

int64_t TNulStream::Write(const void*, int64_t n) {
  Advance(n);
  return std::max<int64_t>(n, 0);
}

int64_t TNulStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (origin == soEnd) offset = offset == INT64_MIN ? INT64_MAX : -offset;
  pos_ = SeekTarget(offset, origin, pos_, size_);
  return pos_;
}

void TNulStream::SetSize(int64_t size) {
  size_ = std::max<int64_t>(size, 0);
  pos_ = std::min(pos_, size_);
}

// --- TOXReader

namespace {
constexpr size_t kReadAhead = 1 << 16;
constexpr size_t kDirectRead = 1 << 12;  // reads this long skip the block: one copy instead of two
}

TOXReader::TOXReader(TOXStream& stream) : mode_(TMode::Direct), stream_(&stream), origin_(stream.Position()) {}

TOXReader::TOXReader(TOXStream& stream, TBuffered, int64_t limit)
    : mode_(TMode::Buffered), stream_(&stream), origin_(stream.Position()) {
  next_ = origin_;
  const int64_t size = stream.Size();
  const int64_t left = size > origin_ ? size - origin_ : 0;
  limit_ = origin_ + std::clamp<int64_t>(limit, 0, left);
}

TOXReader::TOXReader(const uint8_t* data, size_t size)
    : mode_(TMode::Memory), begin_(data), cur_(data), end_(data + size) {}

bool TOXReader::Refill() {
  if (mode_ != TMode::Buffered || next_ >= limit_) return false;
  block_.resize(kReadAhead);
  stream_->SetPosition(next_);
  const int64_t want = std::min<int64_t>(int64_t(kReadAhead), limit_ - next_);
  const int64_t got = std::max<int64_t>(0, stream_->Read(block_.data(), want));
  if (got == 0) {
    limit_ = next_;  // the stream is shorter than it said
    return false;
  }
  begin_ = cur_ = block_.data();
  end_ = cur_ + got;
  next_ += got;
  return true;
}

bool TOXReader::Take(uint8_t* dst, int64_t n) {
  // Nothing is copied when fewer than n bytes remain.
  if (failed_ || n < 0 || (n > end_ - cur_ && n > Remaining())) {
    Fail();
    return false;
  }
  return ReadUpTo(dst, n) == n;
}

void TOXReader::Fail() {
  failed_ = true;
  cur_ = end_;  // nothing more comes out of the window either
}

int64_t TOXReader::ReadUpToSlow(void* buffer, int64_t n) {
  if (failed_ || n <= 0) {
    if (n < 0) Fail();
    return 0;
  }
  auto* dst = static_cast<uint8_t*>(buffer);
  if (mode_ == TMode::Direct) {
    const int64_t got = std::max<int64_t>(0, stream_->Read(dst, n));
    if (got != n) Fail();
    return got;
  }
  int64_t done = 0;
  while (done < n) {
    if (cur_ == end_) {
      // A large read past the block goes straight to the stream rather than through the block.
      if (mode_ == TMode::Buffered && n - done >= int64_t(kDirectRead) && next_ < limit_) {
        stream_->SetPosition(next_);
        const int64_t want = std::min(n - done, limit_ - next_);
        const int64_t got = std::max<int64_t>(0, stream_->Read(dst + done, want));
        next_ += got;
        done += got;
        if (got < want) limit_ = next_;
        continue;
      }
      if (!Refill()) break;
    }
    const size_t k = size_t(std::min<int64_t>(n - done, end_ - cur_));
    std::memcpy(dst + done, cur_, k);
    cur_ += k;
    done += int64_t(k);
  }
  if (done != n) Fail();
  return done;
}

std::vector<uint8_t> TOXReader::ReadBytes(int64_t n) {
  if (failed_ || n < 0 || n > Remaining()) {
    Fail();
    return {};
  }
  std::vector<uint8_t> out(static_cast<size_t>(n));
  if (!Take(out.data(), n)) return {};
  return out;
}

bool TOXReader::ReadInto(void* buffer, int64_t n) { return Take(static_cast<uint8_t*>(buffer), n); }

int64_t TOXReader::Remaining() {
  switch (mode_) {
    case TMode::Direct: {
      const int64_t left = stream_->Size() - stream_->Position();
      return left > 0 ? left : 0;
    }
    case TMode::Buffered: return (end_ - cur_) + (limit_ - next_);
    case TMode::Memory: break;
  }
  return end_ - cur_;
}

int64_t TOXReader::Position() {
  switch (mode_) {
    case TMode::Direct: return stream_->Position() - origin_;
    case TMode::Buffered: return next_ - (end_ - cur_) - origin_;
    case TMode::Memory: break;
  }
  return cur_ - begin_;
}

bool TOXReader::Skip(int64_t n) {
  if (failed_ || n < 0 || n > Remaining()) {
    Fail();
    return false;
  }
  if (n <= end_ - cur_) {
    cur_ += n;
  } else if (mode_ == TMode::Direct) {
    stream_->Seek(n, soCurrent);
  } else {
    next_ += n - (end_ - cur_);
    cur_ = end_;
  }
  return true;
}

bool TOXReader::At(int64_t offset) {
  if (failed_ || offset < 0) {
    Fail();
    return false;
  }
  switch (mode_) {
    case TMode::Direct:
      if (offset > stream_->Size() - origin_) break;
      stream_->SetPosition(origin_ + offset);
      return true;
    case TMode::Buffered: {
      const int64_t target = origin_ + offset;
      if (target > limit_) break;
      const int64_t blockStart = next_ - (end_ - begin_);
      if (begin_ && target >= blockStart && target <= next_) {
        cur_ = begin_ + (target - blockStart);
      } else {
        next_ = target;
        begin_ = cur_ = end_ = nullptr;
      }
      return true;
    }
    case TMode::Memory:
      if (offset > end_ - begin_) break;
      cur_ = begin_ + offset;
      return true;
  }
  Fail();
  return false;
}

TOXReader TOXReader::Sub(int64_t n) {
  TOXReader sub(nullptr, 0);
  std::vector<uint8_t> bytes = ReadBytes(n);
  if (failed_) {
    sub.failed_ = true;
    return sub;
  }
  sub.block_ = std::move(bytes);
  sub.begin_ = sub.cur_ = sub.block_.data();
  sub.end_ = sub.begin_ + sub.block_.size();
  return sub;
}

const uint8_t* TOXReader::Window(size_t& available) {
  if (cur_ == end_ && !failed_) Refill();
  available = size_t(end_ - cur_);
  return cur_;
}

void TOXReader::Sync() {
  if (mode_ == TMode::Buffered) stream_->SetPosition(next_ - (end_ - cur_));
}

// --- TOXWriter

bool TOXWriter::Write(const void* data, int64_t n) {
  if (failed_) return false;
  if (n > 0 && stream_.Write(data, n) != n) failed_ = true;
  return !failed_;
}

int64_t TOXWriter::TChecked::Write(const void* buffer, int64_t n) {
  // Passed on even after a failure, as the encoder asked: the writer's verdict is already taken.
  const int64_t written = w_.stream_.Write(buffer, n);
  if (written != n) w_.failed_ = true;
  return written;
}

void TOXWriter::WriteU16LE(uint16_t v) {
  uint8_t b[2];
  StoreU16LE(b, v);
  Write(b, 2);
}

void TOXWriter::WriteU32LE(uint32_t v) {
  uint8_t b[4];
  StoreU32LE(b, v);
  Write(b, 4);
}

void TOXWriter::WriteU16BE(uint16_t v) {
  const uint8_t b[2] = {uint8_t(v >> 8), uint8_t(v)};
  Write(b, 2);
}

void TOXWriter::WriteU32BE(uint32_t v) {
  const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  Write(b, 4);
}

}  // namespace ox
