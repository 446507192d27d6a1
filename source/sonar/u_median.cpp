#include "source/sonar/u_median.h"

#include <string.h>

#include <utility>

namespace {

inline void vOrder(U32& a, U32& b) {
  if (a > b) {
    const U32 t = a;
    a = b;
    b = t;
  }
}

// The window's sample at index j for output i (outside the ping: sample i
// below it, the last sample past it).
inline U8 u8At(const U8* in, U32 count, U32 i, S64 j) {
  if (j < 0) return in[i];
  if (j >= (S64)count) return in[count - 1];
  return in[j];
}

// The general rule for one output: a 256-bin histogram of the window.
U8 u8Histogram(const U8* in, U32 count, U32 i, U32 length) {
  U32 bins[256];
  memset(bins, 0, sizeof bins);
  const S64 half = length / 2;
  for (S64 j = (S64)i - half; j <= (S64)i + half; ++j) ++bins[u8At(in, count, i, j)];
  const U32 rank = (length + 1) / 2;
  U32 running = 0;
  for (U32 v = 0; v < 256; ++v) {
    running += bins[v];
    if (running >= rank) return (U8)v;
  }
  return 255;
}

bool bInside(U32 i, U32 half, U32 count) { return i >= half && (U64)i + half < count; }

void vMedian3(const U8* in, U8* out, U32 count) {
  out[0] = in[0];
  if (count == 1) return;
  for (U32 i = 1; i + 1 < count; ++i) {
    U32 a = in[i - 1], b = in[i], c = in[i + 1];
    vOrder(a, b);
    vOrder(b, c);
    vOrder(a, b);
    out[i] = (U8)b;
  }
  out[count - 1] = in[count - 1];
}

void vMedian5(const U8* in, U8* out, U32 count) {
  for (U32 i = 0; i < count; ++i) {
    out[i] = bInside(i, 2, count) ? (U8)u32FastMedian5(in[i - 2], in[i - 1], in[i], in[i + 1], in[i + 2])
                                  : u8Histogram(in, count, i, 5);
  }
}

void vMedian7(const U8* in, U8* out, U32 count) {
  MEDIAN7_WINDOW w;
  bool filled = false;
  for (U32 i = 0; i < count; ++i) {
    if (!bInside(i, 3, count)) {
      out[i] = u8Histogram(in, count, i, 7);
      continue;
    }
    if (!filled) {
      // Insertion sort of the first full window.
      for (U32 k = 0; k < 7; ++k) {
        U32 at = k;
        const U8 v = in[i - 3 + k];
        while (at > 0 && w.au8Value[at - 1] > v) {
          w.au8Value[at] = w.au8Value[at - 1];
          w.au32Index[at] = w.au32Index[at - 1];
          --at;
        }
        w.au8Value[at] = v;
        w.au32Index[at] = i - 3 + k;
      }
      filled = true;
    } else {
      U_MEDIAN_vReplace7(&w, i - 4, i + 3, in[i + 3]);
    }
    out[i] = w.au8Value[3];
  }
}

}  // namespace

U32 u32FastMedian5(U32 a, U32 b, U32 c, U32 d, U32 e) {
  // Six comparisons: twice the smallest of two sorted pairs is dropped
  // (it has at most one smaller value beside it), e taking its place the
  // first time; the median is then the smaller of the two lower ends left.
  vOrder(a, b);
  vOrder(c, d);
  if (a > c) {
    std::swap(a, c);
    std::swap(b, d);
  }
  a = e;
  vOrder(a, b);
  if (a > c) {
    std::swap(a, c);
    std::swap(b, d);
  }
  return b < c ? b : c;
}

void U_MEDIAN_vReplace7(MEDIAN7_WINDOW* w, U32 u32IndexOut, U32 u32IndexIn, U8 u8ValueIn) {
  if (w == nullptr) return;
  U32 at = 7;
  for (U32 k = 0; k < 7; ++k) {
    if (w->au32Index[k] == u32IndexOut) {
      at = k;
      break;
    }
  }
  if (at == 7) return;
  // Move the hole towards the new value's place.
  while (at > 0 && w->au8Value[at - 1] > u8ValueIn) {
    w->au8Value[at] = w->au8Value[at - 1];
    w->au32Index[at] = w->au32Index[at - 1];
    --at;
  }
  while (at < 6 && w->au8Value[at + 1] < u8ValueIn) {
    w->au8Value[at] = w->au8Value[at + 1];
    w->au32Index[at] = w->au32Index[at + 1];
    ++at;
  }
  w->au8Value[at] = u8ValueIn;
  w->au32Index[at] = u32IndexIn;
}

void U_MEDIAN_vFilter(const U8* pu8Input, U8* pu8Output, U32 u32Count, U32 u32Length) {
  if (pu8Input == nullptr || pu8Output == nullptr || u32Count == 0) return;
  switch (u32Length) {
    case 0:
    case 1:
      memcpy(pu8Output, pu8Input, u32Count);
      return;
    case 3:
      vMedian3(pu8Input, pu8Output, u32Count);
      return;
    case 5:
      vMedian5(pu8Input, pu8Output, u32Count);
      return;
    case 7:
      vMedian7(pu8Input, pu8Output, u32Count);
      return;
    default:
      for (U32 i = 0; i < u32Count; ++i) pu8Output[i] = u8Histogram(pu8Input, u32Count, i, u32Length);
  }
}
