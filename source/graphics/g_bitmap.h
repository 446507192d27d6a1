// Base of the 16-bit drawing library: colours, points, the drawing surface
// BITMAP, surface creation and release (G_BUFFERS), single pixels (G_PIXEL)
// and the global colour table (COLOR).
//
// Coordinates are logical: x grows to the right from 0, y grows upward from
// 0 at the bottom row. Pixel (x, y) is element
//   x + __u32PixelWidthOfBuffer * (pixels_high_full_screen - y - 1)
// of the buffer, so buffer row 0 is the top of the picture. "Physical" or
// "direct" operations take the buffer row counted from the top and do not
// clip. Clip rectangles are inclusive on all four sides, top >= bottom.
#pragma once

#include <atomic>
#include <cstddef>

#include "common/types.h"
#include "common/g_types.h"




// ---------------------------------------------------------------- G_BUFFERS
// Fills the caller's header (or a header from the memory partitions when
// header is null). With a null buffer a pixel block is allocated and owned
// by the bitmap; when that fails pBuffer is null. Returns null only when no
// header could be had.
BITMAP* G_BUFFERS_pCreateBitmap(S32 width, S32 height, BITMAP* header, void* buffer);
BITMAP* G_BUFFERS_pCreateFullScreenBitmap(void);
// 800 x 600 header without buffer: the caller points pBuffer at a page.
BITMAP* G_BUFFERS_pCreateFullScreenBitmapHeader(void);
// Frees the owned pixel block (when pBuffer is set) and then the header.
void G_BUFFERS_vFreeBitmap(BITMAP* bitmap);
void G_BUFFERS_vFreeFullScreenBitmap(BITMAP* bitmap);
// Frees the header only.
void G_BUFFERS_vFreeFullScreenBitmapHeader(BITMAP* bitmap);

// The part of the buffer that really holds pixels, as logical bounds:
// x from 0 to min(width, pitch) - 1 and y from 0 to the rows the buffer holds
// - 1, narrowed by the full-screen clip. Returns FALSE when it is empty (no
// buffer, or sizes that give no pixel). Routines that write straight into the
// buffer stay inside these bounds.
struct G_BOUNDS {
  S32 s32Left;
  S32 s32Bottom;
  S32 s32Right;
  S32 s32Top;
};
BOOLEAN G_BUFFERS_bBufferBounds(const BITMAP* bitmap, G_BOUNDS* bounds);
// Number of whole rows of pitch pixels that the buffer holds (0 without buffer).
U32 G_BUFFERS_u32BufferRows(const BITMAP* bitmap);

// ---------------------------------------------------------------- G_PIXEL
// Writes the colour at logical (x, y) inside the clip rectangle.
void G_PIXEL_vPut(BITMAP* bitmap, PIXEL x, PIXEL y, COLOR colour);
// As G_PIXEL_vPut; alpha weights the pixel already there (0: opaque):
//   channel = (new * (256 - alpha) + old * alpha) >> 8
void G_PIXEL_vPutAlpha(BITMAP* bitmap, PIXEL x, PIXEL y, COLOR colour, U8 alpha);
// Physical position, row counted from the top; no clip.
void G_PIXEL_vPutDirect(BITMAP* bitmap, PIXEL x, PIXEL row, COLOR colour);
COLOR G_PIXEL_colorGetPhysicalPixel(const BITMAP* bitmap, PIXEL x, PIXEL row);
// The blend of G_PIXEL_vPutAlpha for one pair of colours (alpha 1-255).
COLOR G_PIXEL_colorBlend(COLOR colour, COLOR old, U32 alpha);
// Fills count consecutive pixels: single pixels up to a 4-byte boundary,
// then the colour doubled into 32-bit and 64-bit stores, then the odd pixel.
void G_PIXEL_vFillRun(COLOR* pixels, size_t count, COLOR colour);

// ---------------------------------------------------------------- COLOR
// The 256-entry colour table through which subsystems name colours.
//
// Any task may read or write an entry at any time (palette changes come from
// the display, chart, readout and sonar tasks while the view task draws):
// every entry is read and written on its own as a relaxed atomic, which on
// the target is a plain 16-bit load or store. gCOLOR_pcolColorTable[i] reads
// (or assigns) entry i; gCOLOR_pcolColorTable + i is the address of entry i
// for a palette pointer (G_ICON_vSetIconPalette), whose reader must load the
// entries atomically too (G_COLOR_Load). A drawing made during a section
// change may use old and new entries.
inline COLOR G_COLOR_Load(const COLOR* entry) {
  return std::atomic_ref<COLOR>(*const_cast<COLOR*>(entry)).load(std::memory_order_relaxed);
}
inline void G_COLOR_Store(COLOR* entry, COLOR colour) {
  std::atomic_ref<COLOR>(*entry).store(colour, std::memory_order_relaxed);
}

class G_COLOR_TABLE {
 public:
  class ENTRY {
   public:
    constexpr explicit ENTRY(COLOR* entry) : entry_(entry) {}
    operator COLOR() const { return G_COLOR_Load(entry_); }
    const ENTRY& operator=(COLOR colour) const {
      G_COLOR_Store(entry_, colour);
      return *this;
    }
    const ENTRY& operator=(const ENTRY& other) const { return *this = (COLOR)other; }
    ENTRY(const ENTRY&) = default;

   private:
    COLOR* entry_;
  };
  constexpr explicit G_COLOR_TABLE(COLOR* table) : table_(table) {}
  ENTRY operator[](U32 index) const { return ENTRY(table_ + index); }
  const COLOR* operator+(U32 index) const { return table_ + index; }

 private:
  COLOR* table_;
};
extern const G_COLOR_TABLE gCOLOR_pcolColorTable;

// The autopilot screens' own colours.
enum KLCOLOR_INDEX : S32 {
  KLCOLOR_BLACK = 0,
  KLCOLOR_RED,
  KLCOLOR_GREEN,
  KLCOLOR_BROWN,
  KLCOLOR_BLUE,
  KLCOLOR_MAGENTA,
  KLCOLOR_CYAN,
  KLCOLOR_LIGHT_GRAY,
  KLCOLOR_DARK_GRAY,
  KLCOLOR_LIGHT_RED,
  KLCOLOR_LIGHT_GREEN,
  KLCOLOR_YELLOW,
  KLCOLOR_LIGHT_BLUE,
  KLCOLOR_LIGHT_MAGENTA,
  KLCOLOR_LIGHT_CYAN,
  KLCOLOR_WHITE,
  KLCOLOR_ORANGE,
  KLCOLOR_FUSCHIA,
  KLCOLOR_PINK,
  KLCOLOR_LIGHT_YELLOW,
  KLCOLOR_CUSTOM_APHEADING_LINE,
  KLCOLOR_FTC_OPTION1,
  KLCOLOR_FTC_OPTION2,
  KLCOLOR_MAX
};

// Section copies; start + count must not exceed 256 (larger requests are
// cut to the table).
void COLOR_vSetColorTableSection(U32 start, U32 count, const COLOR* source);
void COLOR_vFetchColorTableSection(U32 start, U32 count, COLOR* destination);
// Copies entry by entry in ascending order (an overlapping upward copy
// repeats the first entry).
void COLOR_vCopyColorTableSection(U32 source, U32 destination, U32 count);
void COLOR_vSetPOSPalette(void);
void COLOR_vSetStandardPalette(void);
COLOR COLOR_vGetKeelarColorDef(U32 index);
// Puts the table back to its initial contents (for tests and start-up).
void COLOR_vResetColorTable(void);
