// Fax coding of bilevel rows: the T.4 one-dimensional and two-dimensional codes and the T.6 (Group 4) codes.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/oxstreams.h"

namespace ox {

// Line decoders. Output rows are (width + 7) / 8 bytes, set bits white, clear bits black. Every decoder keeps
// the changing elements of the line it produced as the reference of the next two-dimensional line.
class TFaxDecoder {
 public:
  explicit TFaxDecoder(int width);
  int Width() const { return width_; }
  // The reference line becomes all white (start of a strip).
  void Reset();

  // One-dimensional line from bit position bitPos of data (bytes long); returns the new bit position.
  int64_t DecodeLine1D(uint8_t* line, const uint8_t* data, int64_t bytes, int64_t bitPos);
  // Modified Huffman line from bit 0 of data; returns the bytes used, rounded up.
  int64_t DecodeLineMH(uint8_t* line, const uint8_t* data, int64_t bytes);
  // Two-dimensional line against the reference line. An end-of-line code at the start is followed by a tag
  // bit selecting one- (1) or two-dimensional (0) coding, except for Group 4, where it ends the data.
  int64_t DecodeLine2D(uint8_t* line, const uint8_t* data, int64_t bytes, int64_t bitPos, bool fillBits,
                       bool group4);
  // True once a decoder ran out of data or met the end of a Group 4 block.
  bool Ended() const { return ended_; }

 private:
  struct Bits;
  void StartLine(uint8_t* line);
  void Emit(int colour, int64_t end);
  int64_t Decode1D(Bits& bits, bool allowLeadingEol);
  bool ReadRun(Bits& bits, int colour, int64_t& run);

  int width_;
  std::vector<int> ref_, cur_;
  uint8_t* line_ = nullptr;
  int emitPos_ = 0;
  int emitColour_ = 0;
  bool ended_ = false;
};

enum TFaxScheme { fsModifiedHuffman, fsGroup3_1D, fsGroup3_2D, fsGroup4 };

// Row encoders. Input rows have (width + 7) / 8 bytes, clear bits white, set bits black. The partial last
// byte is carried between rows; Finish writes the scheme's trailer. Both return false on a short write.
class TFaxEncoder {
 public:
  TFaxEncoder(TFaxScheme scheme, int width, TOXStream& stream);
  bool EncodeRow(const uint8_t* row);
  bool Finish();

 private:
  void PutBits(uint32_t code, int length);
  void PutRun(int colour, int64_t run);
  void PutEol() { PutBits(1, 12); }
  void Encode1D();
  void Encode2D();
  void PadToByte();
  bool FlushBytes();

  TFaxScheme scheme_;
  int width_;
  TOXStream& stream_;
  std::vector<int> ref_, cur_;
  std::vector<uint8_t> out_;
  uint64_t acc_ = 0;
  int accBits_ = 0;
  bool first_ = true;
  bool ok_ = true;
};

// Changing elements of a row whose set bits are `setColour` (1: set = black, 0: set = white), in the order
// the codes use: the first is the first pixel that is black.
void FaxChanges(const uint8_t* row, int width, bool setIsBlack, std::vector<int>& changes);

}  // namespace ox
