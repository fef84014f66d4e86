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

int64_t TOXReader::Remaining() {
  const int64_t left = stream_.Size() - stream_.Position();
  return left > 0 ? left : 0;
}

bool TOXReader::Take(uint8_t* dst, int64_t n) {
  if (failed_ || n < 0 || n > Remaining()) {
    failed_ = true;
    return false;
  }
  if (stream_.Read(dst, n) != n) failed_ = true;
  return !failed_;
}

uint8_t TOXReader::ReadU8() {
  uint8_t b = 0;
  return Take(&b, 1) ? b : 0;
}

uint16_t TOXReader::ReadU16LE() {
  uint8_t b[2] = {};
  return Take(b, 2) ? uint16_t(b[0] | b[1] << 8) : 0;
}

uint16_t TOXReader::ReadU16BE() {
  uint8_t b[2] = {};
  return Take(b, 2) ? uint16_t(b[0] << 8 | b[1]) : 0;
}

uint32_t TOXReader::ReadU32LE() {
  uint8_t b[4] = {};
  return Take(b, 4) ? uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24 : 0;
}

uint32_t TOXReader::ReadU32BE() {
  uint8_t b[4] = {};
  return Take(b, 4) ? uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]) : 0;
}

std::vector<uint8_t> TOXReader::ReadBytes(int64_t n) {
  if (failed_ || n < 0 || n > Remaining()) {
    failed_ = true;
    return {};
  }
  std::vector<uint8_t> out(static_cast<size_t>(n));
  if (!Take(out.data(), n)) return {};
  return out;
}

bool TOXReader::ReadInto(void* buffer, int64_t n) { return Take(static_cast<uint8_t*>(buffer), n); }

bool TOXReader::Skip(int64_t n) {
  if (failed_ || n < 0 || n > Remaining()) {
    failed_ = true;
    return false;
  }
  stream_.Seek(n, soCurrent);
  return true;
}

}  // namespace ox
