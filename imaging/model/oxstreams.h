// Byte streams of the I/O layer (memory, file, measuring) and the bounds-checked reader decoders use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <span>
#include <vector>

namespace ox {

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// Positions and sizes are 64-bit; a seek never goes below position 0.
class TOXStream {
 public:
  virtual ~TOXStream() = default;
  // Returns the bytes read: fewer than n at the end of the stream.
  virtual int64_t Read(void* buffer, int64_t n) = 0;
  // Returns the bytes written.
  virtual int64_t Write(const void* buffer, int64_t n) = 0;
  // Returns the new position; soEnd adds offset to Size (TNulStream subtracts it).
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
};

// Growable stream in memory. Writing past the end grows it; a gap left by seeking past the end reads as zeroes.
class TOXMemoryStream : public TOXStream {
 public:
  TOXMemoryStream() = default;
  explicit TOXMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t n) override;
  int64_t Write(const void* buffer, int64_t n) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return int64_t(data_.size()); }
  // A position past the new size moves to the new end.
  void SetSize(int64_t size) override;

  const uint8_t* Memory() const { return data_.data(); }
  const std::vector<uint8_t>& Bytes() const { return data_; }
  void Clear() { data_.clear(); pos_ = 0; }

 private:
  std::vector<uint8_t> data_;
  int64_t pos_ = 0;
};

enum TFileMode { fmOpenRead, fmCreate, fmOpenReadWrite };

// A file on disk; fmCreate creates or truncates. Failing to open or create raises EOrvexError.
class TOXFileStream : public TOXStream {
 public:
  TOXFileStream(const std::string& fileName, TFileMode mode);
  ~TOXFileStream() override;
  TOXFileStream(const TOXFileStream&) = delete;
  TOXFileStream& operator=(const TOXFileStream&) = delete;

  int64_t Read(void* buffer, int64_t n) override;
  int64_t Write(const void* buffer, int64_t n) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  // Raises EOrvexError when the file cannot be resized.
  void SetSize(int64_t size) override;

  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
  int fd_ = -1;
};

// Stores nothing: measures how many bytes an encoder would write.
class TNulStream : public TOXStream {
 public:
  int64_t Read(void* buffer, int64_t n) override;
  int64_t Write(const void* buffer, int64_t n) override;
  // soEnd means Size - offset.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return size_; }
  void SetSize(int64_t size) override;

 private:
  void Advance(int64_t n);
  int64_t pos_ = 0;
  int64_t size_ = 0;
};

// Reads typed values without ever reading past the end of its data. A short read sets the sticky Failed
// flag; after that every read returns zero (or nothing), so a decoder may read a whole header and check
// Failed() once. Three sources:
//  - a stream, read directly: the stream stays positioned after the last byte read;
//  - a stream, buffered (TOXReader::Buffered): read ahead in blocks, at most `limit` bytes from the stream's
//    position; the stream belongs to the reader until Sync() puts it at the reader's position;
//  - bytes in memory (a span, or what Sub() copied out).
// Offsets of At() count from where the reader started.
class TOXReader {
 public:
  struct TBuffered {};
  static constexpr TBuffered Buffered{};

  explicit TOXReader(TOXStream& stream);
  TOXReader(TOXStream& stream, TBuffered, int64_t limit = INT64_MAX);
  TOXReader(const uint8_t* data, size_t size);
  explicit TOXReader(std::span<const uint8_t> bytes) : TOXReader(bytes.data(), bytes.size()) {}
  TOXReader(TOXReader&&) = default;
  TOXReader(const TOXReader&) = delete;
  TOXReader& operator=(const TOXReader&) = delete;

  uint8_t ReadU8() {
    if (cur_ != end_) return *cur_++;
    uint8_t b = 0;
    return Take(&b, 1) ? b : 0;
  }
  int8_t ReadI8() { return int8_t(ReadU8()); }
  uint16_t ReadU16LE() { return uint16_t(Le(2)); }
  uint16_t ReadU16BE() { return uint16_t(Be(2)); }
  uint32_t ReadU24LE() { return uint32_t(Le(3)); }
  uint32_t ReadU24BE() { return uint32_t(Be(3)); }
  uint32_t ReadU32LE() { return uint32_t(Le(4)); }
  uint32_t ReadU32BE() { return uint32_t(Be(4)); }
  int16_t ReadI16LE() { return int16_t(ReadU16LE()); }
  int16_t ReadI16BE() { return int16_t(ReadU16BE()); }
  int32_t ReadI32LE() { return int32_t(ReadU32LE()); }
  int32_t ReadI32BE() { return int32_t(ReadU32BE()); }
  // Next byte, or -1 (and Failed) at the end: for text formats, whose end is found by reading.
  int NextByte() {
    if (cur_ != end_) return *cur_++;
    uint8_t b = 0;
    return Take(&b, 1) ? b : -1;
  }

  // Named header fields in the order the file stores them, each as wide as its type: r.LE(h.Width, h.Height).
  template <class... T>
  void LE(T&... fields) { (Field(fields, false), ...); }
  template <class... T>
  void BE(T&... fields) { (Field(fields, true), ...); }

  // n bytes, or an empty vector (and Failed) when fewer remain; nothing is allocated then.
  std::vector<uint8_t> ReadBytes(int64_t n);
  // Reads exactly n bytes into buffer; false (and Failed) when fewer remain.
  bool ReadInto(void* buffer, int64_t n);
  // Copies what there is of n bytes and returns how many; fewer than n also sets Failed.
  int64_t ReadUpTo(void* buffer, int64_t n) {
    if (n >= 0 && end_ - cur_ >= n) {
      if (n > 0) std::memcpy(buffer, cur_, size_t(n));
      cur_ += n;
      return n;
    }
    return ReadUpToSlow(buffer, n);
  }
  // Moves n bytes ahead; fails like a read when fewer remain.
  bool Skip(int64_t n);
  // Moves to `offset` bytes from where the reader started; fails (and stays) past the end.
  bool At(int64_t offset);
  // A reader over the next n bytes (a copy), which this reader moves past; failed when fewer remain.
  TOXReader Sub(int64_t n);

  // The bytes read ahead and not yet taken, at least one unless the data has ended; Consume(k) takes k of
  // them. For decoders whose inner loop runs over a plain pointer.
  const uint8_t* Window(size_t& available);
  void Consume(size_t k) { cur_ += k; }

  // Bytes between the position and the end of the data.
  int64_t Remaining();
  // Whether n more bytes are there; for records whose fields are checked once up front.
  bool Has(int64_t n) { return n >= 0 && Remaining() >= n; }
  // Offset from where the reader started.
  int64_t Position();
  // A buffered reader puts its stream at the reader's position (the others always are).
  void Sync();
  bool Failed() const { return failed_; }

 private:
  enum class TMode { Direct, Buffered, Memory };
  bool Take(uint8_t* dst, int64_t n);
  int64_t ReadUpToSlow(void* buffer, int64_t n);
  void Fail();
  bool Refill();
  uint64_t Le(int n) {
    uint8_t b[4] = {};
    if (!TakeFast(b, n)) return 0;
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | b[i];
    return v;
  }
  uint64_t Be(int n) {
    uint8_t b[4] = {};
    if (!TakeFast(b, n)) return 0;
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | b[i];
    return v;
  }
  bool TakeFast(uint8_t* dst, int n) {
    if (end_ - cur_ >= n) {
      for (int i = 0; i < n; ++i) dst[i] = cur_[i];
      cur_ += n;
      return true;
    }
    return Take(dst, n);
  }
  template <class T>
  void Field(T& f, bool big) {
    static_assert(sizeof(T) <= 4, "header fields are at most 32 bits");
    if constexpr (sizeof(T) == 1) f = T(ReadU8());
    else f = T(big ? Be(int(sizeof(T))) : Le(int(sizeof(T))));
  }

  TMode mode_;
  TOXStream* stream_ = nullptr;
  std::vector<uint8_t> block_;    // Buffered: the read-ahead; Memory after Sub(): the bytes
  const uint8_t* begin_ = nullptr;  // Memory: the whole data; Buffered: the block
  const uint8_t* cur_ = nullptr;
  const uint8_t* end_ = nullptr;
  int64_t origin_ = 0;  // stream position where the reader started
  int64_t next_ = 0;    // Buffered: stream position after the block
  int64_t limit_ = 0;   // Buffered: stream position where the reader's data ends
  bool failed_ = false;
};

// Writes to a stream and remembers the first short write (sticky, like the reader): writes after it do
// nothing, so an encoder may write a whole header and check Failed() once.
class TOXWriter {
 public:
  explicit TOXWriter(TOXStream& stream) : stream_(stream), checked_(*this) {}
  TOXWriter(const TOXWriter&) = delete;
  TOXWriter& operator=(const TOXWriter&) = delete;

  bool Write(const void* data, int64_t n);
  void WriteU8(uint8_t v) { Write(&v, 1); }
  void WriteU16LE(uint16_t v);
  void WriteU32LE(uint32_t v);
  void WriteU16BE(uint16_t v);
  void WriteU32BE(uint32_t v);
  bool Failed() const { return failed_; }
  TOXStream& Stream() { return stream_; }
  // The target as a stream for encoders that write to one themselves; their short writes fail this writer too.
  TOXStream& Checked() { return checked_; }

 private:
  class TChecked : public TOXStream {
   public:
    explicit TChecked(TOXWriter& writer) : w_(writer) {}
    int64_t Read(void* buffer, int64_t n) override { return w_.stream_.Read(buffer, n); }
    int64_t Write(const void* buffer, int64_t n) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return w_.stream_.Seek(offset, origin); }
    int64_t Size() override { return w_.stream_.Size(); }
    void SetSize(int64_t size) override { w_.stream_.SetSize(size); }

   private:
    TOXWriter& w_;
  };

  TOXStream& stream_;
  TChecked checked_;
  bool failed_ = false;
};

// Little-endian loads and stores of buffers already in memory.
inline uint16_t LoadU16LE(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t LoadU32LE(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void StoreU16LE(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void StoreU32LE(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace ox
