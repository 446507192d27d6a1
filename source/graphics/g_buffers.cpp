// Drawing surfaces: creation and release of BITMAP headers and their pixel
// blocks.
//
// An owned pixel block is 7 bytes larger than the pixels; the buffer starts
// at the first 4-byte boundary at least 4 bytes past the block's start, and
// the 32-bit word just before the buffer holds the distance back to the
// block's start (4 to 7), so the release finds the block on any machine.
#include <cstdint>
#include <cstring>

#include "lsvc/lsvc.h"
#include "source/graphics/g_bitmap.h"

namespace {

void vFillHeader(BITMAP* bitmap, S32 width, S32 height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  bitmap->pixels_wide = width;
  bitmap->pixels_high = height;
  bitmap->pixels_wide_full_screen = width;
  bitmap->pixels_high_full_screen = height;
  bitmap->s32ClipLeft = 0;
  bitmap->s32ClipBottom = 0;
  bitmap->s32ClipRight = width - 1;
  bitmap->s32ClipTop = height - 1;
  bitmap->s32ClipLeft_full_screen = 0;
  bitmap->s32ClipBottom_full_screen = 0;
  bitmap->s32ClipRight_full_screen = width - 1;
  bitmap->s32ClipTop_full_screen = height - 1;
  bitmap->__u32PixelWidthOfBuffer = ((U32)width + 1) & ~1u;
  bitmap->__u32PixelHeightOfBuffer = ((U32)height + 1) & ~1u;
}

// The largest block the memory partitions hand out (one screen and a little).
constexpr size_t G_BUFFERS_LARGEST_BLOCK = 960096;

// A pixel block that cannot be had leaves the bitmap without buffer: the
// request neither waits for a block nor stops the program when it is larger
// than any partition.
U32* pAllocateBuffer(const BITMAP* bitmap) {
  size_t bytes = (size_t)bitmap->__u32PixelWidthOfBuffer * bitmap->__u32PixelHeightOfBuffer * 2 + 7;
  if (bytes > G_BUFFERS_LARGEST_BLOCK) {
    log_me("G_BUFFERS: a %d x %d bitmap does not fit a memory block", bitmap->pixels_wide, bitmap->pixels_high);
    return nullptr;
  }
  U8* block = static_cast<U8*>(H_MEMORY_pvMallocNoWait(bytes));
  if (block == nullptr) {
    log_me("G_BUFFERS: no memory block for a %d x %d bitmap", bitmap->pixels_wide, bitmap->pixels_high);
    return nullptr;
  }
  uintptr_t start = reinterpret_cast<uintptr_t>(block);
  uintptr_t buffer = (start + 4 + 3) & ~(uintptr_t)3;
  U32 back = (U32)(buffer - start);
  std::memcpy(reinterpret_cast<U8*>(buffer) - 4, &back, 4);
  return reinterpret_cast<U32*>(buffer);
}

void vFreeBuffer(U32* buffer) {
  if (buffer == nullptr) return;
  U8* p = reinterpret_cast<U8*>(buffer);
  U32 back;
  std::memcpy(&back, p - 4, 4);
  H_MEMORY_vFree(p - back);
}

}  // namespace

BITMAP* G_BUFFERS_pCreateBitmap(S32 width, S32 height, BITMAP* header, void* buffer) {
  BITMAP* bitmap = header;
  if (bitmap == nullptr) {
    bitmap = static_cast<BITMAP*>(H_MEMORY_pvMalloc(sizeof(BITMAP)));
    if (bitmap == nullptr) return nullptr;
  }
  vFillHeader(bitmap, width, height);
  bitmap->pBuffer = buffer != nullptr ? static_cast<U32*>(buffer) : pAllocateBuffer(bitmap);
  return bitmap;
}

BITMAP* G_BUFFERS_pCreateFullScreenBitmap(void) {
  return G_BUFFERS_pCreateBitmap(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, nullptr, nullptr);
}

BITMAP* G_BUFFERS_pCreateFullScreenBitmapHeader(void) {
  BITMAP* bitmap = static_cast<BITMAP*>(H_MEMORY_pvMalloc(sizeof(BITMAP)));
  if (bitmap == nullptr) return nullptr;
  vFillHeader(bitmap, G_SCREEN_WIDTH, G_SCREEN_HEIGHT);
  bitmap->pBuffer = nullptr;
  return bitmap;
}

void G_BUFFERS_vFreeBitmap(BITMAP* bitmap) {
  if (bitmap == nullptr) return;
  vFreeBuffer(bitmap->pBuffer);
  bitmap->pBuffer = nullptr;
  H_MEMORY_vFree(bitmap);
}

void G_BUFFERS_vFreeFullScreenBitmap(BITMAP* bitmap) { G_BUFFERS_vFreeBitmap(bitmap); }

void G_BUFFERS_vFreeFullScreenBitmapHeader(BITMAP* bitmap) {
  if (bitmap != nullptr) H_MEMORY_vFree(bitmap);
}

U32 G_BUFFERS_u32BufferRows(const BITMAP* bitmap) {
  if (bitmap == nullptr || bitmap->pBuffer == nullptr || bitmap->pixels_high_full_screen <= 0) return 0;
  // Rows beyond the picture's height are padding that a caller's buffer of
  // odd height need not have.
  U32 rows = (U32)bitmap->pixels_high_full_screen;
  return rows < bitmap->__u32PixelHeightOfBuffer ? rows : bitmap->__u32PixelHeightOfBuffer;
}

BOOLEAN G_BUFFERS_bBufferBounds(const BITMAP* bitmap, G_BOUNDS* bounds) {
  U32 rows = G_BUFFERS_u32BufferRows(bitmap);
  if (rows == 0 || bitmap->pixels_wide_full_screen <= 0 || bitmap->__u32PixelWidthOfBuffer == 0) return FALSE;
  S64 right = bitmap->pixels_wide_full_screen - 1;
  if (right > (S64)bitmap->__u32PixelWidthOfBuffer - 1) right = (S64)bitmap->__u32PixelWidthOfBuffer - 1;
  // Logical y of buffer row r is pixels_high_full_screen - r - 1.
  S64 top = bitmap->pixels_high_full_screen - 1;
  S64 bottom = (S64)bitmap->pixels_high_full_screen - rows;
  S64 left = 0;
  if (bitmap->s32ClipLeft_full_screen > left) left = bitmap->s32ClipLeft_full_screen;
  if (bitmap->s32ClipRight_full_screen < right) right = bitmap->s32ClipRight_full_screen;
  if (bitmap->s32ClipBottom_full_screen > bottom) bottom = bitmap->s32ClipBottom_full_screen;
  if (bitmap->s32ClipTop_full_screen < top) top = bitmap->s32ClipTop_full_screen;
  if (left > right || bottom > top) return FALSE;
  bounds->s32Left = (S32)left;
  bounds->s32Right = (S32)right;
  bounds->s32Bottom = (S32)bottom;
  bounds->s32Top = (S32)top;
  return TRUE;
}
