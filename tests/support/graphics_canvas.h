// A bitmap over a buffer of exactly the size its pixels need, for the
// drawing tests: the sanitizers see any write beyond it.
#pragma once

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "source/graphics/g_bitmap.h"

struct Canvas {
  std::vector<U16> pixels;
  BITMAP bitmap{};
  int width, height, pitch;

  Canvas(int w, int h, COLOR background = 0x0000) : width(w), height(h), pitch((w + 1) & ~1) {
    // Exactly pitch x height pixels: no padding row for an odd height.
    pixels.assign((size_t)pitch * h, background);
    G_BUFFERS_pCreateBitmap(w, h, &bitmap, pixels.data());
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  BITMAP* operator->() { return &bitmap; }
  BITMAP* bmp() { return &bitmap; }

  // Logical (x, y), y upward.
  COLOR at(int x, int y) const { return pixels[(size_t)x + (size_t)pitch * (height - y - 1)]; }
  void set(int x, int y, COLOR c) { pixels[(size_t)x + (size_t)pitch * (height - y - 1)] = c; }
  void clear(COLOR c) { std::fill(pixels.begin(), pixels.end(), c); }

  void clip(int left, int bottom, int right, int top) {
    bitmap.s32ClipLeft = left;
    bitmap.s32ClipBottom = bottom;
    bitmap.s32ClipRight = right;
    bitmap.s32ClipTop = top;
  }

  // Logical positions of every pixel that is not the background.
  std::set<std::pair<int, int>> written(COLOR background = 0x0000) const {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (at(x, y) != background) out.insert({x, y});
    return out;
  }
};

using PixelSet = std::set<std::pair<int, int>>;

inline POINT Pt(int x, int y) { return POINT{x, y}; }

// Smallest rectangle holding every pixel of the colour within the given
// logical window (right/top -1: to the canvas edge).
struct Bounds {
  int left = 1 << 30, bottom = 1 << 30, right = -1, top = -1;
  bool any() const { return right >= 0; }
};

inline Bounds BoundsIn(const Canvas& c, COLOR colour, int left = 0, int bottom = 0, int right = -1, int top = -1) {
  Bounds b;
  if (right < 0) right = c.width - 1;
  if (top < 0) top = c.height - 1;
  for (int y = std::max(bottom, 0); y <= std::min(top, c.height - 1); ++y)
    for (int x = std::max(left, 0); x <= std::min(right, c.width - 1); ++x)
      if (c.at(x, y) == colour) {
        b.left = std::min(b.left, x);
        b.right = std::max(b.right, x);
        b.bottom = std::min(b.bottom, y);
        b.top = std::max(b.top, y);
      }
  return b;
}
