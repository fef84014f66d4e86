// Byte streams of the I/O layer (memory, file, measuring) and the bounds-checked reader decoders use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
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

// Reads typed values from a stream without ever reading past its end. A short read sets the sticky
// Failed flag; after that every read returns zero (or nothing) without touching the stream, so a
// decoder may read a whole header and check Failed() once.
class TOXReader {
 public:
  explicit TOXReader(TOXStream& stream) : stream_(stream) {}

  uint8_t ReadU8();
  uint16_t ReadU16LE();
  uint16_t ReadU16BE();
  uint32_t ReadU32LE();
  uint32_t ReadU32BE();
  // n bytes, or an empty vector (and Failed) when fewer remain; nothing is allocated then.
  std::vector<uint8_t> ReadBytes(int64_t n);
  // Reads exactly n bytes into buffer; false (and Failed) when fewer remain.
  bool ReadInto(void* buffer, int64_t n);
  // Moves n bytes ahead; fails like a read when fewer remain.
  bool Skip(int64_t n);

  // Bytes between the position and the end of the stream.
  int64_t Remaining();
  bool Failed() const { return failed_; }

 private:
  bool Take(uint8_t* dst, int64_t n);
  TOXStream& stream_;
  bool failed_ = false;
};

}  // namespace ox
