// PNG encoder and decoder for 565 pictures (zlib only).
#include "source/platform/host/host_png.h"
#include "source/platform/platform.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>

namespace {

const U8 kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void vPutU32Be(std::vector<U8>* out, U32 value) {
  out->push_back((U8)(value >> 24));
  out->push_back((U8)(value >> 16));
  out->push_back((U8)(value >> 8));
  out->push_back((U8)value);
}

U32 u32GetBe(const U8* p) { return ((U32)p[0] << 24) | ((U32)p[1] << 16) | ((U32)p[2] << 8) | (U32)p[3]; }

void vPutChunk(std::vector<U8>* out, const char type[4], const U8* body, size_t size) {
  vPutU32Be(out, (U32)size);
  size_t start = out->size();
  out->insert(out->end(), (const U8*)type, (const U8*)type + 4);
  if (size) out->insert(out->end(), body, body + size);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, out->data() + start, (uInt)(size + 4));
  vPutU32Be(out, (U32)crc);
}

int nPaeth(int a, int b, int c) {
  int p = a + b - c;
  int pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  if (pb <= pc) return b;
  return c;
}

// Filters one row of rgb bytes with the filter that gives the smallest sum of
// absolute (signed) differences, the usual heuristic for photographic and
// flat pictures alike. Writes the filter byte and the filtered row to out.
void vFilterRow(const U8* row, const U8* prior, size_t len, U8* out, std::vector<U8>* trial) {
  const size_t bpp = 3;
  U64 best_sum = ~0ull;
  int best = 0;
  trial->resize(len);
  for (int f = 0; f <= 4; ++f) {
    U64 sum = 0;
    for (size_t i = 0; i < len; ++i) {
      int a = i >= bpp ? row[i - bpp] : 0;
      int b = prior ? prior[i] : 0;
      int c = (prior && i >= bpp) ? prior[i - bpp] : 0;
      int pred = 0;
      switch (f) {
        case 1: pred = a; break;
        case 2: pred = b; break;
        case 3: pred = (a + b) >> 1; break;
        case 4: pred = nPaeth(a, b, c); break;
        default: break;
      }
      U8 v = (U8)(row[i] - pred);
      (*trial)[i] = v;
      sum += (U64)(v < 128 ? v : 256 - v);
      if (sum >= best_sum) break;
    }
    if (sum < best_sum) {
      best_sum = sum;
      best = f;
      memcpy(out + 1, trial->data(), len);
    }
  }
  out[0] = (U8)best;
}

BOOLEAN bFail(std::string* error, const char* reason) {
  if (error) *error = reason;
  return FALSE;
}

}  // namespace

BOOLEAN HOST_bEncodePng565(const U16* pixels, int width, int height, int stride_pixels, std::vector<U8>* out) {
  if (!pixels || !out || width <= 0 || height <= 0 || width > HOST_PNG_MAX_SIDE || height > HOST_PNG_MAX_SIDE ||
      stride_pixels < width) {
    return FALSE;
  }
  const size_t row_bytes = (size_t)width * 3;
  std::vector<U8> raw((row_bytes + 1) * (size_t)height);
  std::vector<U8> rgb[2] = {std::vector<U8>(row_bytes), std::vector<U8>(row_bytes)};
  std::vector<U8> trial;
  for (int y = 0; y < height; ++y) {
    U8* row = rgb[y & 1].data();
    const U16* src = pixels + (size_t)y * (size_t)stride_pixels;
    for (int x = 0; x < width; ++x) HOST_vWiden565(src[x], &row[3 * x], &row[3 * x + 1], &row[3 * x + 2]);
    vFilterRow(row, y ? rgb[(y - 1) & 1].data() : nullptr, row_bytes, &raw[(row_bytes + 1) * (size_t)y], &trial);
  }

  uLongf packed_size = compressBound((uLong)raw.size());
  std::vector<U8> packed(packed_size);
  if (compress2(packed.data(), &packed_size, raw.data(), (uLong)raw.size(), 6) != Z_OK) return FALSE;

  U8 header[13];
  header[0] = (U8)(width >> 24);
  header[1] = (U8)(width >> 16);
  header[2] = (U8)(width >> 8);
  header[3] = (U8)width;
  header[4] = (U8)(height >> 24);
  header[5] = (U8)(height >> 16);
  header[6] = (U8)(height >> 8);
  header[7] = (U8)height;
  header[8] = 8;   // bit depth
  header[9] = 2;   // colour type: RGB
  header[10] = 0;  // deflate
  header[11] = 0;  // adaptive filtering
  header[12] = 0;  // no interlace

  out->clear();
  out->reserve(packed_size + 64);
  out->insert(out->end(), kSignature, kSignature + 8);
  vPutChunk(out, "IHDR", header, sizeof header);
  vPutChunk(out, "IDAT", packed.data(), packed_size);
  vPutChunk(out, "IEND", nullptr, 0);
  return TRUE;
}

BOOLEAN HOST_bWritePng565(const char* path, const U16* pixels, int width, int height, int stride_pixels) {
  if (!path || !*path) {
    errno = EINVAL;
    return FALSE;
  }
  std::vector<U8> png;
  if (!HOST_bEncodePng565(pixels, width, height, stride_pixels, &png)) {
    errno = EINVAL;
    return FALSE;
  }
  char temp[4096];
  int n = snprintf(temp, sizeof temp, "%s.%ld.tmp", path, (long)getpid());
  if (n < 0 || (size_t)n >= sizeof temp) {
    errno = ENAMETOOLONG;
    return FALSE;
  }
  FILE* f = fopen(temp, "wb");
  if (!f) return FALSE;
  size_t written = fwrite(png.data(), 1, png.size(), f);
  int saved = errno;
  if (fclose(f) != 0 && written == png.size()) {
    saved = errno;
    written = 0;
  }
  if (written != png.size()) {
    unlink(temp);
    errno = saved ? saved : EIO;
    return FALSE;
  }
  if (rename(temp, path) != 0) {
    saved = errno;
    unlink(temp);
    errno = saved;
    return FALSE;
  }
  return TRUE;
}

BOOLEAN HOST_bDecodePng565(const U8* data, size_t size, std::vector<U16>* pixels, int* width, int* height,
                           std::string* error) {
  if (!data || !pixels || !width || !height) return bFail(error, "bad arguments");
  if (size < 8 || memcmp(data, kSignature, 8) != 0) return bFail(error, "not a PNG file");

  size_t pos = 8;
  bool have_header = false, have_end = false;
  U32 w = 0, h = 0;
  int channels = 0;
  std::vector<U8> packed;
  while (pos < size && !have_end) {
    if (size - pos < 12) return bFail(error, "truncated chunk");
    U32 length = u32GetBe(data + pos);
    if (length > size - pos - 12) return bFail(error, "truncated chunk");
    const U8* type = data + pos + 4;
    const U8* body = data + pos + 8;
    uLong crc = crc32(crc32(0L, Z_NULL, 0), type, (uInt)(length + 4));
    if ((U32)crc != u32GetBe(body + length)) return bFail(error, "chunk checksum mismatch");
    bool critical = (type[0] & 0x20) == 0;
    if (!have_header && memcmp(type, "IHDR", 4) != 0) return bFail(error, "IHDR is not the first chunk");
    if (memcmp(type, "IHDR", 4) == 0) {
      if (have_header || length != 13) return bFail(error, "bad IHDR");
      w = u32GetBe(body);
      h = u32GetBe(body + 4);
      if (w == 0 || h == 0 || w > (U32)HOST_PNG_MAX_SIDE || h > (U32)HOST_PNG_MAX_SIDE) {
        return bFail(error, "picture size out of range");
      }
      if (body[8] != 8) return bFail(error, "only 8-bit channels are supported");
      switch (body[9]) {
        case 0: channels = 1; break;
        case 2: channels = 3; break;
        case 4: channels = 2; break;
        case 6: channels = 4; break;
        default: return bFail(error, "unsupported colour type");
      }
      if (body[10] != 0 || body[11] != 0) return bFail(error, "unknown compression or filter method");
      if (body[12] != 0) return bFail(error, "interlaced pictures are not supported");
      have_header = true;
    } else if (memcmp(type, "IDAT", 4) == 0) {
      packed.insert(packed.end(), body, body + length);
    } else if (memcmp(type, "IEND", 4) == 0) {
      have_end = true;
    } else if (critical) {
      return bFail(error, "unsupported critical chunk");
    }
    pos += 12 + (size_t)length;
  }
  if (!have_end) return bFail(error, "missing IEND");
  if (packed.empty()) return bFail(error, "no picture data");

  const size_t bpp = (size_t)channels;
  const size_t row_bytes = (size_t)w * bpp;
  const size_t raw_size = (row_bytes + 1) * (size_t)h;
  // Deflate cannot expand data more than about 1032 times; a header that
  // promises more than that is refused before anything is allocated.
  if (raw_size / 1032 > packed.size() + 64) return bFail(error, "picture data too short");
  std::vector<U8> raw(raw_size);
  z_stream zs;
  memset(&zs, 0, sizeof zs);
  if (inflateInit(&zs) != Z_OK) return bFail(error, "zlib failure");
  zs.next_in = packed.data();
  zs.avail_in = (uInt)packed.size();
  zs.next_out = raw.data();
  zs.avail_out = (uInt)raw.size();
  int rc = inflate(&zs, Z_FINISH);
  size_t produced = zs.total_out;
  inflateEnd(&zs);
  if (rc != Z_STREAM_END) return bFail(error, rc == Z_BUF_ERROR ? "picture data too short or too long" : "corrupt picture data");
  if (produced != raw_size) return bFail(error, "picture data too short");

  pixels->assign((size_t)w * h, 0);
  for (U32 y = 0; y < h; ++y) {
    U8* row = &raw[(row_bytes + 1) * y];
    U8 filter = row[0];
    U8* cur = row + 1;
    const U8* prior = y ? &raw[(row_bytes + 1) * (y - 1) + 1] : nullptr;
    if (filter > 4) return bFail(error, "unknown row filter");
    for (size_t i = 0; i < row_bytes; ++i) {
      int a = i >= bpp ? cur[i - bpp] : 0;
      int b = prior ? prior[i] : 0;
      int c = (prior && i >= bpp) ? prior[i - bpp] : 0;
      int pred = 0;
      switch (filter) {
        case 1: pred = a; break;
        case 2: pred = b; break;
        case 3: pred = (a + b) >> 1; break;
        case 4: pred = nPaeth(a, b, c); break;
        default: break;
      }
      cur[i] = (U8)(cur[i] + pred);
    }
    U16* dst = pixels->data() + (size_t)w * y;
    for (U32 x = 0; x < w; ++x) {
      const U8* p = cur + bpp * x;
      dst[x] = (channels >= 3) ? HOST_u16Narrow888(p[0], p[1], p[2]) : HOST_u16Narrow888(p[0], p[0], p[0]);
    }
  }
  *width = (int)w;
  *height = (int)h;
  return TRUE;
}

BOOLEAN HOST_bReadPng565(const char* path, std::vector<U16>* pixels, int* width, int* height, std::string* error) {
  if (!path) return bFail(error, "bad arguments");
  FILE* f = fopen(path, "rb");
  if (!f) {
    if (error) *error = std::string("cannot open: ") + strerror(errno);
    return FALSE;
  }
  std::vector<U8> data;
  U8 chunk[65536];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) {
    data.insert(data.end(), chunk, chunk + n);
    if (data.size() > (size_t)256 << 20) {
      fclose(f);
      return bFail(error, "file too large");
    }
  }
  bool failed = ferror(f) != 0;
  fclose(f);
  if (failed) return bFail(error, "read error");
  return HOST_bDecodePng565(data.data(), data.size(), pixels, width, height, error);
}

BOOLEAN PLATFORM_bReadPng565(const char* resolved_path, std::vector<U16>* pixels, int* width, int* height) {
  return HOST_bReadPng565(resolved_path, pixels, width, height);
}
