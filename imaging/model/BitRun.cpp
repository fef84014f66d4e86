// CopyBitRun: copying a run of bits between 1-bit rows, one destination byte per step.
#include "imaging/model/BitRun.h"

#include <algorithm>

namespace ox {

void CopyBitRun(uint8_t* dst, int64_t dstBit, const uint8_t* src, int64_t srcBit, int64_t n) {
  if (!dst || !src || n <= 0 || dstBit < 0 || srcBit < 0) return;
  while (n > 0) {
    const int64_t di = dstBit >> 3;
    const int dOff = int(dstBit & 7);
    const int cnt = int(std::min<int64_t>(8 - dOff, n));
    const int64_t si = srcBit >> 3;
    const int sOff = int(srcBit & 7);
    // The run's first bit ends up in bit 15 of the window; the second byte is read only when needed.
    unsigned window = unsigned(src[si]) << 8;
    if (sOff + cnt > 8) window |= src[si + 1];
    window = (window << sOff) & 0xFFFFu;
    const uint8_t value = uint8_t(window >> (8 + dOff));
    const uint8_t mask = uint8_t((0xFFu >> dOff) & (0xFFu << (8 - dOff - cnt)));
    dst[di] = uint8_t((dst[di] & ~mask) | (value & mask));
    dstBit += cnt;
    srcBit += cnt;
    n -= cnt;
  }
}

}  // namespace ox
