#include "source/sonar/s_fresample.h"

#include <string.h>

#include <algorithm>

void S_FRESAMPLE_vFastResample(const U8* in, U32 L, U32 E, U8* out, U32 N) {
  if (N == 0 || out == nullptr) return;
  if (L == 0 || in == nullptr) {
    memset(out, 0, N);
    return;
  }
  if (L == N) {
    const U32 m = std::min(N, E);
    memcpy(out, in, m);
    memset(out + m, 0, N - m);
    return;
  }
  const U64 q = ((U64)L << 15) / N;
  U32 k = 0;
  if (L < N) {
    for (; k < N; ++k) {
      const U64 i = (k * q) >> 15;
      if (i >= L || i >= E) break;
      out[k] = in[i];
    }
  } else {
    U64 next = 0;  // the first input of the next output
    const U64 limit = std::min<U64>(L, E);
    for (; k < N && next < limit; ++k) {
      const U64 last = std::min<U64>(((k + 1) * q) >> 15, limit - 1);
      U8 m = 0;
      for (U64 i = next; i <= last; ++i) m = std::max(m, in[i]);
      out[k] = m;
      if (last + 1 > next) next = last + 1;
    }
  }
  if (k < N) memset(out + k, 0, N - k);
}

U8 S_FRESAMPLE_u8FindMax(const U8* first, const U8* last) {
  if (first == nullptr || last == nullptr || last < first) return 0;
  return *std::max_element(first, last + 1);
}
