// 16-bit run-length pictures (IMAGE), whole and partial, and the
// uncompressed partial picture.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "source/graphics/g_image.h"

namespace {

constexpr U16 IMAGE_RUN_MARK = 0xFFFF;

// Decodes up to maxRows rows of a run-length picture and hands every covered
// span to span(row, column, count, colour), rows counted from the bottom.
// The data is read word by word and never beyond maxWords words; a run that
// reaches past the end of its row is cut there.
template <typename SPAN>
void vDecode(const IMAGE* image, size_t maxWords, S64 maxRows, SPAN span) {
  if (image == nullptr || image->data == nullptr || image->s32Width <= 0 || image->s32Height <= 0) return;
  const U8* data = static_cast<const U8*>(image->data);
  const S64 width = image->s32Width;
  const S64 rows = std::min<S64>(image->s32Height, maxRows);
  size_t at = 0;
  auto next = [&](U16* word) {
    if (at >= maxWords) return false;
    std::memcpy(word, data + 2 * at, 2);
    ++at;
    return true;
  };
  for (S64 row = 0; row < rows; ++row) {
    COLOR last = 0x0000;
    S64 covered = 0;
    while (covered < width) {
      U16 word;
      if (!next(&word)) return;
      if (word != IMAGE_RUN_MARK) {
        last = word;
        span(row, covered, (S64)1, last);
        covered += 1;
        continue;
      }
      U16 count;
      if (!next(&count)) return;
      S64 n = std::min<S64>(count, width - covered);
      if (n > 0) span(row, covered, n, last);
      covered += n;
    }
  }
}

// Writes a decoded span through the pixel clip, only over the columns the
// clip can show.
struct CLIPPED_SPAN {
  BITMAP* bitmap;
  S64 x0, y0;
  S64 columns;  // columns drawn of each row
  void operator()(S64 row, S64 column, S64 count, COLOR colour) const {
    const S64 y = y0 + row;
    if (y < bitmap->s32ClipBottom || y > bitmap->s32ClipTop) return;
    count = std::min(count, columns - column);
    const S64 first = std::max<S64>(x0 + column, bitmap->s32ClipLeft);
    const S64 last = std::min<S64>(x0 + column + count - 1, bitmap->s32ClipRight);
    for (S64 x = first; x <= last; ++x) G_PIXEL_vPut(bitmap, (PIXEL)x, (PIXEL)y, colour);
  }
};

inline F32 fClampFraction(F32 f) {
  if (!(f > 0.0f)) return 0.0f;  // also NaN
  return f > 1.0f ? 1.0f : f;
}

}  // namespace

void G_IMAGE_vPut(BITMAP* bitmap, const IMAGE* image, POINT lowerLeft) {
  if (image == nullptr) return;
  vDecode(image, SIZE_MAX, INT64_MAX, CLIPPED_SPAN{bitmap, lowerLeft.x, lowerLeft.y, image->s32Width});
}

void G_IMAGE_vPutBounded(BITMAP* bitmap, const IMAGE* image, POINT lowerLeft, size_t dataBytes) {
  if (image == nullptr) return;
  vDecode(image, dataBytes / 2, INT64_MAX, CLIPPED_SPAN{bitmap, lowerLeft.x, lowerLeft.y, image->s32Width});
}

void G_IMAGE_PART_vPutNew(BITMAP* bitmap, const IMAGE* image, POINT lowerLeft, F32 widthFraction,
                          F32 heightFraction) {
  if (image == nullptr) return;
  // Whole rows are decoded so that every row starts where it is stored; only
  // the first columns of each are drawn.
  const S64 columns = (S64)std::floor((double)fClampFraction(widthFraction) * image->s32Width);
  const S64 rows = (S64)std::floor((double)fClampFraction(heightFraction) * image->s32Height);
  vDecode(image, SIZE_MAX, rows, CLIPPED_SPAN{bitmap, lowerLeft.x, lowerLeft.y, columns});
}

void G_IMAGE_PART_vPut(BITMAP* bitmap, const IMAGE* image, POINT lowerLeft, F32 widthFraction, F32 heightFraction) {
  if (image == nullptr || image->data == nullptr || image->s32Width <= 0 || image->s32Height <= 0) return;
  // The fractions are held to the picture so that no word beyond it is read.
  const S64 columns = (S64)std::floor((double)fClampFraction(widthFraction) * image->s32Width);
  const S64 rows = (S64)std::floor((double)fClampFraction(heightFraction) * image->s32Height);
  const U8* data = static_cast<const U8*>(image->data);
  for (S64 row = 0; row < rows; ++row) {
    const S64 y = (S64)lowerLeft.y + row;
    if (y < bitmap->s32ClipBottom || y > bitmap->s32ClipTop) continue;
    for (S64 column = 0; column < columns; ++column) {
      const S64 x = (S64)lowerLeft.x + column;
      if (x < bitmap->s32ClipLeft || x > bitmap->s32ClipRight) continue;
      COLOR colour;
      std::memcpy(&colour, data + 2 * (row * image->s32Width + column), 2);
      G_PIXEL_vPut(bitmap, (PIXEL)x, (PIXEL)y, colour);
    }
  }
}
