// PNG pictures of RGB565 pixel buffers, written and read with zlib alone.
//
// A 565 pixel is widened to 8 bits a channel by bit replication
// (r8 = r5 << 3 | r5 >> 2, g8 = g6 << 2 | g6 >> 4, b8 = b5 << 3 | b5 >> 2), so
// the picture is an exact record: reading it back narrows each channel to its
// top bits and gives the same 565 pixels.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

#include "common/types.h"

// Largest width or height either direction accepts.
constexpr int HOST_PNG_MAX_SIDE = 16384;

// The 8-bit channels of a 565 pixel and back.
inline void HOST_vWiden565(U16 pixel, U8* r, U8* g, U8* b) {
  U32 r5 = (pixel >> 11) & 0x1F, g6 = (pixel >> 5) & 0x3F, b5 = pixel & 0x1F;
  *r = (U8)((r5 << 3) | (r5 >> 2));
  *g = (U8)((g6 << 2) | (g6 >> 4));
  *b = (U8)((b5 << 3) | (b5 >> 2));
}
inline U16 HOST_u16Narrow888(U8 r, U8 g, U8 b) { return (U16)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)); }

// Encodes width x height pixels, rows stride_pixels apart (first row = top of
// the picture), as an 8-bit RGB PNG into out. FALSE for bad arguments.
BOOLEAN HOST_bEncodePng565(const U16* pixels, int width, int height, int stride_pixels, std::vector<U8>* out);

// Writes the picture to path. The file is written under a temporary name
// beside it and renamed into place, so a reader never sees half a picture.
// FALSE (and errno set by the failing call, the path untouched) on failure.
BOOLEAN HOST_bWritePng565(const char* path, const U16* pixels, int width, int height, int stride_pixels);

// Decodes a PNG held in memory into 565 pixels (rows packed, pitch = width).
// Accepts 8-bit RGB and RGBA (alpha ignored), 8-bit grey and grey+alpha,
// every row filter, no interlace. On failure returns FALSE and, when error is
// given, a short reason.
BOOLEAN HOST_bDecodePng565(const U8* data, size_t size, std::vector<U16>* pixels, int* width, int* height,
                           std::string* error = nullptr);

// Reads a PNG file; as HOST_bDecodePng565.
BOOLEAN HOST_bReadPng565(const char* path, std::vector<U16>* pixels, int* width, int* height,
                         std::string* error = nullptr);
