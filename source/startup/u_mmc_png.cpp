// PNG reader over zlib's inflate.
#include "source/startup/u_mmc_png.h"

#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include <memory>

namespace {

const U8 s_au8Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr U32 MAX_CHUNK = 0x7FFFFFFFu;

U32 u32Be(const U8* p) { return ((U32)p[0] << 24) | ((U32)p[1] << 16) | ((U32)p[2] << 8) | p[3]; }

// The source with the count of bytes taken.
struct READER {
  PNG_SOURCE* src;
  long pos;
  bool bRead(U8* out, int n) {
    while (n > 0) {
      const int got = src->pfnRead(src->pContext, out, n);
      if (got <= 0) return false;
      out += got;
      n -= got;
      pos += got;
    }
    return true;
  }
  bool bSkip(U32 n, U8* scratch) {
    while (n > 0) {
      const int piece = n > (U32)PNG_PIECE ? PNG_PIECE : (int)n;
      if (!bRead(scratch, piece)) return false;
      n -= (U32)piece;
    }
    return true;
  }
  // Whether n more bytes can be in the source.
  bool bFits(U32 n) const { return src->lSize < 0 || (long long)pos + n <= (long long)src->lSize; }
};

U8 u8Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
  if (pa <= pb && pa <= pc) return (U8)a;
  if (pb <= pc) return (U8)b;
  return (U8)c;
}

}  // namespace

BOOLEAN U_PNG_bUnfilterRow(U8* pRow, const U8* pPrevious, int nRowBytes) {
  constexpr int BPP = 3;
  U8* d = pRow + 1;
  const U8* up = pPrevious + 1;
  const int n = nRowBytes - 1;
  switch (pRow[0]) {
    case 0:
      return TRUE;
    case 1:
      for (int i = BPP; i < n; ++i) d[i] = (U8)(d[i] + d[i - BPP]);
      return TRUE;
    case 2:
      for (int i = 0; i < n; ++i) d[i] = (U8)(d[i] + up[i]);
      return TRUE;
    case 3:
      for (int i = 0; i < n; ++i) d[i] = (U8)(d[i] + (((i >= BPP ? d[i - BPP] : 0) + up[i]) >> 1));
      return TRUE;
    case 4:
      for (int i = 0; i < n; ++i) {
        const int a = i >= BPP ? d[i - BPP] : 0, c = i >= BPP ? up[i - BPP] : 0;
        d[i] = (U8)(d[i] + u8Paeth(a, up[i], c));
      }
      return TRUE;
    default:
      return FALSE;
  }
}

BOOLEAN U_PNG_bDecode(PNG_SOURCE* pSource, BITMAP* pBitmap, PIXEL x0, PIXEL y0) {
  if (pSource == nullptr || pSource->pfnRead == nullptr || pBitmap == nullptr) return FALSE;
  READER in{pSource, 0};
  U8 head[8 + 8 + 13 + 4];
  if (!in.bRead(head, sizeof head)) return FALSE;
  if (memcmp(head, s_au8Signature, 8) != 0) return FALSE;
  if (u32Be(head + 8) != 13 || memcmp(head + 12, "IHDR", 4) != 0) return FALSE;
  const U8* ihdr = head + 16;
  if (u32Be(ihdr) != (U32)PNG_WIDTH || u32Be(ihdr + 4) != (U32)PNG_HEIGHT || ihdr[8] != 8 || ihdr[9] != 2) {
    return FALSE;
  }
  if (ihdr[12] != 0) return FALSE;  // interlaced pictures are not read

  std::unique_ptr<U8[]> input(new U8[PNG_PIECE]);
  std::unique_ptr<U8[]> rows(new U8[2 * PNG_ROW_BYTES]);
  U8* row = rows.get();
  U8* previous = rows.get() + PNG_ROW_BYTES;
  memset(previous, 0, PNG_ROW_BYTES);

  z_stream zs;
  memset(&zs, 0, sizeof zs);
  if (inflateInit2(&zs, 15) != Z_OK) return FALSE;
  U32 u32LeftInChunk = 0;  // IDAT bytes not yet read
  bool bInChunk = false;   // an IDAT chunk's CRC is still to be skipped
  bool bAtEnd = false;     // IEND seen: the stream must finish
  bool bEnded = false;     // the zlib stream has ended
  bool ok = true;

  for (int r = 0; ok && r < PNG_HEIGHT; ++r) {
    zs.next_out = row;
    zs.avail_out = PNG_ROW_BYTES;
    while (ok && zs.avail_out > 0) {
      if (bEnded) {
        ok = false;
        break;
      }
      if (zs.avail_in == 0 && !bAtEnd) {
        // The next piece of image data, past any other chunks.
        while (u32LeftInChunk == 0 && !bAtEnd) {
          U8 crc[4];
          if (bInChunk && !in.bRead(crc, 4)) {
            ok = false;
            break;
          }
          bInChunk = false;
          U8 chunk[8];
          if (!in.bRead(chunk, 8)) {
            ok = false;
            break;
          }
          const U32 length = u32Be(chunk);
          if (length > MAX_CHUNK || !in.bFits(length + 4u)) {
            ok = false;
            break;
          }
          if (memcmp(chunk + 4, "IDAT", 4) == 0) {
            u32LeftInChunk = length;
            bInChunk = true;
          } else if (memcmp(chunk + 4, "IEND", 4) == 0) {
            bAtEnd = true;
          } else if (!in.bSkip(length + 4u, input.get())) {
            ok = false;
          }
        }
        if (!ok) break;
        if (!bAtEnd) {
          const int piece = u32LeftInChunk > (U32)PNG_PIECE ? PNG_PIECE : (int)u32LeftInChunk;
          if (!in.bRead(input.get(), piece)) {
            ok = false;
            break;
          }
          u32LeftInChunk -= (U32)piece;
          zs.next_in = input.get();
          zs.avail_in = (uInt)piece;
        }
      }
      const int ret = inflate(&zs, bAtEnd ? Z_FINISH : Z_NO_FLUSH);
      if (ret == Z_STREAM_END) {
        bEnded = true;
        if (zs.avail_out != 0) ok = false;
      } else if (ret == Z_BUF_ERROR) {
        // No progress: fine when more input is to come, else a stream cut short.
        if (bAtEnd || zs.avail_in != 0) ok = false;
      } else if (ret != Z_OK) {
        ok = false;
      }
    }
    if (!ok) break;
    if (!U_PNG_bUnfilterRow(row, previous, PNG_ROW_BYTES)) {
      ok = false;
      break;
    }
    const PIXEL y = (PIXEL)(y0 + PNG_HEIGHT - 1 - r);
    const U8* p = row + 1;
    for (int x = 0; x < PNG_WIDTH; ++x, p += 3) G_PIXEL_vPut(pBitmap, (PIXEL)(x0 + x), y, U_PNG_colorFromRgb(p[0], p[1], p[2]));
    U8* t = previous;
    previous = row;
    row = t;
  }
  inflateEnd(&zs);
  return ok ? TRUE : FALSE;
}

BOOLEAN U_BMP_bDecode(PNG_SOURCE* pSource, BITMAP* pBitmap) {
  if (pSource == nullptr || pBitmap == nullptr) return FALSE;
  const int width = pBitmap->pixels_wide_full_screen;
  const int rows = pBitmap->pixels_high_full_screen;
  if (width <= 0 || rows <= 0) return FALSE;
  const int padded = (width * 3 + 3) & ~3;
  if (pSource->lSize != 54L + (long)rows * padded) return FALSE;
  U8 header[54];
  if (pSource->pfnRead(pSource->pContext, header, (int)sizeof header) != (int)sizeof header) return FALSE;
  std::unique_ptr<U8[]> buffer(new (std::nothrow) U8[(size_t)padded]);
  U8* row = buffer.get();
  if (row == nullptr) return FALSE;
  bool ok = true;
  for (int r = 0; ok && r < rows; ++r) {
    int got = 0;
    while (got < padded) {
      const int n = pSource->pfnRead(pSource->pContext, row + got, padded - got);
      if (n <= 0) break;
      got += n;
    }
    if (got != padded) {
      ok = false;
      break;
    }
    for (int x = 0; x < width; ++x) {
      G_PIXEL_vPut(pBitmap, x, r, U_PNG_colorFromRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    }
  }
  return ok ? TRUE : FALSE;
}
