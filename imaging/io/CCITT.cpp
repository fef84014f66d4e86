// Fax code tables as decision trees, the line decoders and the row encoders.
#include "imaging/io/CCITT.h"

#include <algorithm>
#include <cstring>

namespace ox {

namespace {

struct TCode {
  int value;
  const char* bits;
};

constexpr int kEol = -2;
constexpr int kNotFound = -1;

// Two-dimensional mode values.
enum : int { mPass = 100, mHorizontal, mV0, mVR1, mVR2, mVR3, mVL1, mVL2, mVL3, mExtension };

const TCode kWhiteCodes[] = {
    {0, "00110101"}, {1, "000111"}, {2, "0111"}, {3, "1000"}, {4, "1011"}, {5, "1100"}, {6, "1110"},
    {7, "1111"}, {8, "10011"}, {9, "10100"}, {10, "00111"}, {11, "01000"}, {12, "001000"}, {13, "000011"},
    {14, "110100"}, {15, "110101"}, {16, "101010"}, {17, "101011"}, {18, "0100111"}, {19, "0001100"},
    {20, "0001000"}, {21, "0010111"}, {22, "0000011"}, {23, "0000100"}, {24, "0101000"}, {25, "0101011"},
    {26, "0010011"}, {27, "0100100"}, {28, "0011000"}, {29, "00000010"}, {30, "00000011"}, {31, "00011010"},
    {32, "00011011"}, {33, "00010010"}, {34, "00010011"}, {35, "00010100"}, {36, "00010101"},
    {37, "00010110"}, {38, "00010111"}, {39, "00101000"}, {40, "00101001"}, {41, "00101010"},
    {42, "00101011"}, {43, "00101100"}, {44, "00101101"}, {45, "00000100"}, {46, "00000101"},
    {47, "00001010"}, {48, "00001011"}, {49, "01010010"}, {50, "01010011"}, {51, "01010100"},
    {52, "01010101"}, {53, "00100100"}, {54, "00100101"}, {55, "01011000"}, {56, "01011001"},
    {57, "01011010"}, {58, "01011011"}, {59, "01001010"}, {60, "01001011"}, {61, "00110010"},
    {62, "00110011"}, {63, "00110100"}, {64, "11011"}, {128, "10010"}, {192, "010111"}, {256, "0110111"},
    {320, "00110110"}, {384, "00110111"}, {448, "01100100"}, {512, "01100101"}, {576, "01101000"},
    {640, "01100111"}, {704, "011001100"}, {768, "011001101"}, {832, "011010010"}, {896, "011010011"},
    {960, "011010100"}, {1024, "011010101"}, {1088, "011010110"}, {1152, "011010111"}, {1216, "011011000"},
    {1280, "011011001"}, {1344, "011011010"}, {1408, "011011011"}, {1472, "010011000"}, {1536, "010011001"},
    {1600, "010011010"}, {1664, "011000"}, {1728, "010011011"}};

const TCode kBlackCodes[] = {
    {0, "0000110111"}, {1, "010"}, {2, "11"}, {3, "10"}, {4, "011"}, {5, "0011"}, {6, "0010"}, {7, "00011"},
    {8, "000101"}, {9, "000100"}, {10, "0000100"}, {11, "0000101"}, {12, "0000111"}, {13, "00000100"},
    {14, "00000111"}, {15, "000011000"}, {16, "0000010111"}, {17, "0000011000"}, {18, "0000001000"},
    {19, "00001100111"}, {20, "00001101000"}, {21, "00001101100"}, {22, "00000110111"}, {23, "00000101000"},
    {24, "00000010111"}, {25, "00000011000"}, {26, "000011001010"}, {27, "000011001011"},
    {28, "000011001100"}, {29, "000011001101"}, {30, "000001101000"}, {31, "000001101001"},
    {32, "000001101010"}, {33, "000001101011"}, {34, "000011010010"}, {35, "000011010011"},
    {36, "000011010100"}, {37, "000011010101"}, {38, "000011010110"}, {39, "000011010111"},
    {40, "000001101100"}, {41, "000001101101"}, {42, "000011011010"}, {43, "000011011011"},
    {44, "000001010100"}, {45, "000001010101"}, {46, "000001010110"}, {47, "000001010111"},
    {48, "000001100100"}, {49, "000001100101"}, {50, "000001010010"}, {51, "000001010011"},
    {52, "000000100100"}, {53, "000000110111"}, {54, "000000111000"}, {55, "000000100111"},
    {56, "000000101000"}, {57, "000001011000"}, {58, "000001011001"}, {59, "000000101011"},
    {60, "000000101100"}, {61, "000001011010"}, {62, "000001100110"}, {63, "000001100111"},
    {64, "0000001111"}, {128, "000011001000"}, {192, "000011001001"}, {256, "000001011011"},
    {320, "000000110011"}, {384, "000000110100"}, {448, "000000110101"}, {512, "0000001101100"},
    {576, "0000001101101"}, {640, "0000001001010"}, {704, "0000001001011"}, {768, "0000001001100"},
    {832, "0000001001101"}, {896, "0000001110010"}, {960, "0000001110011"}, {1024, "0000001110100"},
    {1088, "0000001110101"}, {1152, "0000001110110"}, {1216, "0000001110111"}, {1280, "0000001010010"},
    {1344, "0000001010011"}, {1408, "0000001010100"}, {1472, "0000001010101"}, {1536, "0000001011010"},
    {1600, "0000001011011"}, {1664, "0000001100100"}, {1728, "0000001100101"}};

const TCode kExtendedCodes[] = {
    {1792, "00000001000"}, {1856, "00000001100"}, {1920, "00000001101"}, {1984, "000000010010"},
    {2048, "000000010011"}, {2112, "000000010100"}, {2176, "000000010101"}, {2240, "000000010110"},
    {2304, "000000010111"}, {2368, "000000011100"}, {2432, "000000011101"}, {2496, "000000011110"},
    {2560, "000000011111"}, {kEol, "000000000001"}};

const TCode kModeCodes[] = {{mPass, "0001"},     {mHorizontal, "001"}, {mV0, "1"},          {mVR1, "011"},
                            {mVR2, "000011"},    {mVR3, "0000011"},    {mVL1, "010"},        {mVL2, "000010"},
                            {mVL3, "0000010"},   {mExtension, "0000001"}, {kEol, "000000000001"}};

// Binary decision tree; node 0 is the root, child 0 means "no node".
struct TTree {
  struct Node {
    int32_t child[2] = {0, 0};
    int32_t value = kNotFound;
  };
  std::vector<Node> nodes{1};

  void Add(const TCode& c) {
    int n = 0;
    for (const char* p = c.bits; *p; ++p) {
      const int b = *p == '1';
      if (!nodes[size_t(n)].child[b]) {
        nodes[size_t(n)].child[b] = int32_t(nodes.size());
        nodes.emplace_back();
      }
      n = nodes[size_t(n)].child[b];
    }
    nodes[size_t(n)].value = c.value;
  }
  template <size_t N>
  void AddAll(const TCode (&codes)[N]) {
    for (const TCode& c : codes) Add(c);
  }

  // The tree unrolled for the next 13 bits: value and code length, length 0 when the walk needs more bits
  // or finds nothing (the bit-by-bit walk decides then).
  static constexpr int kLookBits = 13;
  struct Look {
    int16_t value = kNotFound;
    uint8_t length = 0;
  };
  std::vector<Look> look;
  void BuildLook() {
    look.assign(size_t(1) << kLookBits, Look{});
    for (uint32_t i = 0; i < look.size(); ++i) {
      int n = 0;
      for (int len = 1; len <= kLookBits; ++len) {
        n = nodes[size_t(n)].child[(i >> (kLookBits - len)) & 1];
        if (!n) break;
        if (nodes[size_t(n)].value != kNotFound) {
          look[i] = {int16_t(nodes[size_t(n)].value), uint8_t(len)};
          break;
        }
      }
    }
  }
};

struct TTrees {
  TTree white, black, mode;
  TTrees() {
    white.AddAll(kWhiteCodes);
    white.AddAll(kExtendedCodes);
    black.AddAll(kBlackCodes);
    black.AddAll(kExtendedCodes);
    mode.AddAll(kModeCodes);
    white.BuildLook();
    black.BuildLook();
    mode.BuildLook();
  }
};

const TTrees& Trees() {
  static const TTrees trees;
  return trees;
}

// Encoder look-up: code bits and length per run value.
struct TEncCode {
  uint32_t code = 0;
  int length = 0;
};

struct TEncTables {
  TEncCode term[2][64];
  TEncCode makeup[2][41];  // index run / 64, 1..40
  static TEncCode Of(const char* bits) {
    TEncCode c;
    for (const char* p = bits; *p; ++p) c.code = (c.code << 1) | uint32_t(*p == '1'), ++c.length;
    return c;
  }
  TEncTables() {
    const TCode* tables[2] = {kWhiteCodes, kBlackCodes};
    const size_t sizes[2] = {std::size(kWhiteCodes), std::size(kBlackCodes)};
    for (int colour = 0; colour < 2; ++colour) {
      for (size_t i = 0; i < sizes[colour]; ++i) {
        const TCode& c = tables[colour][i];
        if (c.value < 64) term[colour][c.value] = Of(c.bits);
        else makeup[colour][c.value / 64] = Of(c.bits);
      }
      for (const TCode& c : kExtendedCodes)
        if (c.value > 0) makeup[colour][c.value / 64] = Of(c.bits);
    }
  }
};

const TEncTables& EncTables() {
  static const TEncTables tables;
  return tables;
}

// Clears the bits [from, to) of a row (black pixels in a decoded row).
void ClearBits(uint8_t* row, int64_t from, int64_t to) {
  if (from >= to) return;
  int64_t b0 = from >> 3, b1 = (to - 1) >> 3;
  const uint8_t first = uint8_t(0xFF >> (from & 7));
  const uint8_t last = uint8_t(0xFF << (7 - ((to - 1) & 7)));
  if (b0 == b1) {
    row[b0] &= uint8_t(~(first & last));
    return;
  }
  row[b0] &= uint8_t(~first);
  if (b1 > b0 + 1) std::memset(row + b0 + 1, 0, size_t(b1 - b0 - 1));
  row[b1] &= uint8_t(~last);
}

// Next position >= x whose bit differs from `bit` (width when none).
int NextChange(const uint8_t* row, int x, int width, int bit) {
  const uint8_t skip = bit ? 0xFF : 0x00;
  while (x < width) {
    if ((x & 7) == 0) {
      while (x + 8 <= width && row[x >> 3] == skip) x += 8;
      if (x >= width) break;
    }
    if (((row[x >> 3] >> (7 - (x & 7))) & 1) != bit) return x;
    ++x;
  }
  return width;
}

}  // namespace

void FaxChanges(const uint8_t* row, int width, bool setIsBlack, std::vector<int>& changes) {
  changes.clear();
  int bit = setIsBlack ? 0 : 1;  // bit value of white
  int x = 0;
  while (true) {
    x = NextChange(row, x, width, bit);
    if (x >= width) break;
    changes.push_back(x);
    bit ^= 1;
  }
}

// ---- decoding ----

struct TFaxDecoder::Bits {
  const uint8_t* data;
  int64_t total;  // bits
  int64_t pos;
  int Get() {
    if (pos >= total) return -1;
    const int b = (data[pos >> 3] >> (7 - (pos & 7))) & 1;
    ++pos;
    return b;
  }
  bool End() const { return pos >= total; }
  // Value of the code at the position, kNotFound when there is none within 32 bits or the data ends. Zero
  // bits beyond the eleven of an end-of-line code are fill and skipped.
  int Peek(int64_t p) const { return (data[p >> 3] >> (7 - (p & 7))) & 1; }
  int Walk(const TTree& tree) {
    if (pos + 24 <= total) {
      const uint8_t* p = data + (pos >> 3);
      const uint32_t window = ((uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2]) << (pos & 7);
      const uint32_t index = (window >> (24 - TTree::kLookBits)) & ((1u << TTree::kLookBits) - 1);
      // Eleven leading zeros belong to an end-of-line code (with fill): the slow walk handles them.
      if (index >> (TTree::kLookBits - 11)) {
        const TTree::Look& l = tree.look[index];
        if (l.length) {
          pos += l.length;
          return l.value;
        }
      }
    }
    return WalkSlow(tree);
  }
  int WalkSlow(const TTree& tree) {
    const int64_t start = pos;
    int64_t p = pos;
    int zeros = 0;
    while (p < total && zeros < 11 && Peek(p) == 0) ++p, ++zeros;
    if (zeros >= 11) {
      while (p < total && Peek(p) == 0) ++p;
      if (p >= total) {
        // Only fill up to the end: consume it, or every resynchronisation would scan it again.
        pos = total;
        return kNotFound;
      }
      pos = p + 1;
      return kEol;
    }
    int n = 0;
    for (int len = 0; len < 32; ++len) {
      const int b = Get();
      if (b < 0) break;
      n = tree.nodes[size_t(n)].child[b];
      if (!n) break;
      const int v = tree.nodes[size_t(n)].value;
      if (v != kNotFound) return v;
    }
    pos = start;
    return kNotFound;
  }
};

TFaxDecoder::TFaxDecoder(int width) : width_(std::max(width, 0)) {}

void TFaxDecoder::Reset() {
  ref_.clear();
  ended_ = false;
}

void TFaxDecoder::StartLine(uint8_t* line) {
  line_ = line;
  std::memset(line, 0xFF, size_t((int64_t(width_) + 7) / 8));
  cur_.clear();
  emitPos_ = 0;
  emitColour_ = 0;
}

// Pixels from the emit position to end get `colour` (0 white, 1 black). Every colour switch is recorded,
// even after an empty run: encoders count such runs, and the reference line of the next row must too.
void TFaxDecoder::Emit(int colour, int64_t end, bool keepEmpty) {
  if (end > width_) end = width_;
  if (end < emitPos_) end = emitPos_;
  if (end == emitPos_ && !keepEmpty) return;
  if (colour != emitColour_) {
    cur_.push_back(emitPos_);
    emitColour_ = colour;
  }
  if (colour) ClearBits(line_, emitPos_, end);
  emitPos_ = int(end);
}

bool TFaxDecoder::ReadRun(Bits& bits, int colour, int64_t& run) {
  const TTree& tree = colour ? Trees().black : Trees().white;
  run = 0;
  while (true) {
    const int v = bits.Walk(tree);
    if (v < 0) return false;
    run = std::min<int64_t>(run + v, int64_t(1) << 40);
    if (v < 64) return true;
  }
}

int64_t TFaxDecoder::Decode1D(Bits& bits, bool allowLeadingEol) {
  const TTrees& t = Trees();
  int colour = 0;
  int64_t total = 0;
  bool makeup = false, first = true;
  while (total < width_ || makeup) {
    const int64_t start = bits.pos;
    const int v = bits.Walk(colour ? t.black : t.white);
    if (v == kNotFound) {
      if (bits.End()) {
        ended_ = true;
        break;
      }
      bits.pos = start + 1;  // no code here: resynchronise one bit further
      continue;
    }
    if (v == kEol) {
      if (first && allowLeadingEol) continue;
      Emit(colour, width_);
      break;
    }
    first = false;
    total = std::min<int64_t>(total + v, width_);
    Emit(colour, total);
    makeup = v >= 64;
    if (!makeup) colour ^= 1;
  }
  ref_.swap(cur_);
  return bits.pos;
}

int64_t TFaxDecoder::DecodeLine1D(uint8_t* line, const uint8_t* data, int64_t bytes, int64_t bitPos) {
  StartLine(line);
  Bits bits{data, bytes * 8, bitPos};
  return Decode1D(bits, true);
}

int64_t TFaxDecoder::DecodeLineMH(uint8_t* line, const uint8_t* data, int64_t bytes) {
  StartLine(line);
  Bits bits{data, bytes * 8, 0};
  return (Decode1D(bits, true) + 7) / 8;
}

int64_t TFaxDecoder::DecodeLine2D(uint8_t* line, const uint8_t* data, int64_t bytes, int64_t bitPos, bool,
                                  bool group4) {
  StartLine(line);
  Bits bits{data, bytes * 8, bitPos};
  const TTrees& t = Trees();
  {
    const int64_t start = bits.pos;
    if (bits.Walk(t.mode) == kEol) {
      if (group4) {
        ended_ = true;  // end of facsimile block
        ref_.swap(cur_);
        return start;
      }
      const int tag = bits.Get();
      if (tag < 0) {
        ended_ = true;
        ref_.swap(cur_);
        return bits.pos;
      }
      if (tag == 1) return Decode1D(bits, false);
    } else {
      bits.pos = start;
    }
  }
  int64_t a0 = -1;
  int colour = 0;
  size_t j = 0;
  const size_t n = ref_.size();
  while (a0 < width_) {
    const int64_t start = bits.pos;
    const int mode = bits.Walk(t.mode);
    if (mode == kNotFound) {
      if (bits.End()) ended_ = true;
      break;
    }
    if (mode == kEol) {
      // The code belongs to the next line (Group 3) or ends the block (Group 4).
      Emit(colour, width_);
      if (group4) ended_ = true;
      else bits.pos = start;
      break;
    }
    while (j > 0 && ref_[j - 1] > a0) --j;
    while (j < n && (ref_[j] <= a0 || int(j & 1) != colour)) ++j;
    const int64_t b1 = j < n ? ref_[j] : width_;
    const int64_t b2 = j + 1 < n ? ref_[j + 1] : width_;
    const int64_t from = std::max<int64_t>(a0, 0);
    switch (mode) {
      case mPass:
        Emit(colour, b2);
        a0 = std::max<int64_t>(b2, from);
        break;
      case mHorizontal: {
        int64_t r1, r2;
        if (!ReadRun(bits, colour, r1) || !ReadRun(bits, colour ^ 1, r2)) {
          if (bits.End()) ended_ = true;
          a0 = width_;
          break;
        }
        const int64_t a1 = std::min<int64_t>(from + r1, width_);
        const int64_t a2 = std::min<int64_t>(a1 + r2, width_);
        Emit(colour, a1);
        Emit(colour ^ 1, a2);
        a0 = a2;
        break;
      }
      case mExtension: {
        int x = 0;
        for (int i = 0; i < 3; ++i) x = (x << 1) | std::max(bits.Get(), 0);
        if (x != 7) {
          a0 = width_;
          break;
        }
        // Uncompressed mode: n bits ending in a 1 are n - 1 white pixels and a black one (n <= 5), five white
        // pixels (n = 6), or n - 7 white pixels and the exit, with the next bit the colour that follows.
        int64_t pos = from;
        bool exited = false;
        while (true) {
          int zeros = 0, b;
          while ((b = bits.Get()) == 0 && zeros < 12) ++zeros;
          if (b < 0 || zeros >= 11) {
            if (b < 0) ended_ = true;
            break;
          }
          if (zeros <= 4) {
            Emit(0, pos + zeros, false);
            Emit(1, pos + zeros + 1, false);
            pos += zeros + 1;
          } else if (zeros == 5) {
            Emit(0, pos + 5, false);
            pos += 5;
          } else {
            Emit(0, pos + zeros - 6, false);
            pos += zeros - 6;
            const int c = bits.Get();
            colour = c > 0 ? 1 : 0;
            exited = true;
            break;
          }
          if (pos >= width_) break;
        }
        a0 = exited ? std::min<int64_t>(pos, width_) : width_;
        break;
      }
      default: {
        static constexpr int kOffsets[] = {0, 1, 2, 3, -1, -2, -3};
        const int64_t a1 = std::clamp<int64_t>(b1 + kOffsets[mode - mV0], from, width_);
        Emit(colour, a1);
        a0 = a1;
        colour ^= 1;
        break;
      }
    }
  }
  ref_.swap(cur_);
  return bits.pos;
}

// ---- encoding ----

TFaxEncoder::TFaxEncoder(TFaxScheme scheme, int width, TOXStream& stream)
    : scheme_(scheme), width_(std::max(width, 0)), stream_(stream) {}

void TFaxEncoder::PutBits(uint32_t code, int length) {
  acc_ = (acc_ << length) | (code & ((uint64_t(1) << length) - 1));
  accBits_ += length;
  while (accBits_ >= 8) {
    accBits_ -= 8;
    out_.push_back(uint8_t(acc_ >> accBits_));
  }
}

void TFaxEncoder::PutRun(int colour, int64_t run) {
  const TEncTables& t = EncTables();
  while (run > 2560) {
    PutBits(t.makeup[colour][40].code, t.makeup[colour][40].length);
    run -= 2560;
  }
  if (run >= 64) {
    const TEncCode& m = t.makeup[colour][run / 64];
    PutBits(m.code, m.length);
    run %= 64;
  }
  PutBits(t.term[colour][run].code, t.term[colour][run].length);
}

void TFaxEncoder::PadToByte() {
  if (accBits_ > 0) PutBits(0, 8 - accBits_);
}

bool TFaxEncoder::FlushBytes() {
  if (!out_.empty()) {
    if (stream_.Write(out_.data(), int64_t(out_.size())) != int64_t(out_.size())) ok_ = false;
    out_.clear();
  }
  return ok_;
}

void TFaxEncoder::Encode1D() {
  int colour = 0;
  int64_t pos = 0;
  for (int c : cur_) {
    PutRun(colour, c - pos);
    pos = c;
    colour ^= 1;
  }
  PutRun(colour, width_ - pos);
}

void TFaxEncoder::Encode2D() {
  int64_t a0 = -1;
  int colour = 0;
  size_t j = 0, k = 0;
  const size_t n = ref_.size(), m = cur_.size();
  while (a0 < width_) {
    while (j > 0 && ref_[j - 1] > a0) --j;
    while (j < n && (ref_[j] <= a0 || int(j & 1) != colour)) ++j;
    while (k > 0 && cur_[k - 1] > a0) --k;
    while (k < m && (cur_[k] <= a0 || int(k & 1) != colour)) ++k;
    const int64_t b1 = j < n ? ref_[j] : width_;
    const int64_t b2 = j + 1 < n ? ref_[j + 1] : width_;
    const int64_t a1 = k < m ? cur_[k] : width_;
    if (b2 < a1) {
      PutBits(1, 4);  // pass
      a0 = b2;
    } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
      static const uint32_t codes[7] = {0b0000010, 0b000010, 0b010, 0b1, 0b011, 0b000011, 0b0000011};
      static const int lengths[7] = {7, 6, 3, 1, 3, 6, 7};
      const int d = int(a1 - b1) + 3;
      PutBits(codes[d], lengths[d]);
      a0 = a1;
      colour ^= 1;
    } else {
      const int64_t a2 = k + 1 < m ? cur_[k + 1] : width_;
      PutBits(1, 3);  // horizontal
      PutRun(colour, a1 - std::max<int64_t>(a0, 0));
      PutRun(colour ^ 1, a2 - a1);
      a0 = a2;
    }
  }
}

bool TFaxEncoder::EncodeRow(const uint8_t* row) {
  FaxChanges(row, width_, true, cur_);
  switch (scheme_) {
    case fsModifiedHuffman:
      Encode1D();
      PadToByte();
      break;
    case fsGroup3_1D:
      PutEol();
      Encode1D();
      break;
    case fsGroup3_2D:
      PutEol();
      PutBits(first_ ? 1 : 0, 1);
      if (first_) Encode1D();
      else Encode2D();
      break;
    case fsGroup4:
      Encode2D();
      break;
  }
  first_ = false;
  ref_.swap(cur_);
  return FlushBytes();
}

bool TFaxEncoder::Finish() {
  if (scheme_ == fsGroup3_2D) PutEol();
  if (scheme_ == fsGroup4) {
    PutEol();
    PutEol();
  }
  PadToByte();
  return FlushBytes();
}

}  // namespace ox
