// Snapshots: the screen as an 800 x 600 PNG through deflate and the
// buffered writer, a 200 x 150 thumbnail file beside it, and a mark named
// after the picture.
#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <zlib.h>

#include "common/mmc_types.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/platform/platform.h"
#include "source/startup/startup_upcalls.h"
#include "source/startup/t_mmc_int.h"
#include "source/startup/t_mmc_snapshot.h"
#include "source/graphics/t_view_review.h"
#include "source/startup/u_mmc_bufio.h"
#include "source/startup/u_mmc_png.h"

namespace {

constexpr U8 MARK_ICON = 29;
constexpr U32 MAX_NUMBER = 100000;
constexpr int ZLIB_LEVEL = 1;
constexpr int ZLIB_WINDOW_BITS = 12;
constexpr int ZLIB_MEM_LEVEL = 5;

// Deflate's memory: what zlib asks with these parameters ((1 << (window
// bits + 2)) + (1 << (memory level + 9)) and its state, 38720 bytes in five
// blocks on a 64-bit build) with room for the 16-byte alignment of each
// block. Handed out downwards from the end; reset before each snapshot.
constexpr size_t COMPRESS_MEMORY = 40960;
alignas(16) U8 s_CompressMemory[COMPRESS_MEMORY];
size_t s_szCompressTop = COMPRESS_MEMORY;
bool s_bCompressExhausted = false;

voidpf pvCompressMalloc(voidpf opaque, uInt items, uInt size) {
  (void)opaque;
  const size_t n = ((size_t)items * size + 15) & ~(size_t)15;
  if (n > s_szCompressTop) {
    s_bCompressExhausted = true;
    log_me("MMC: Out of PNG compression memory (%u bytes asked)", (unsigned)n);
    return Z_NULL;
  }
  s_szCompressTop -= n;
  return s_CompressMemory + s_szCompressTop;
}
void vCompressFree(voidpf opaque, voidpf address) {
  (void)opaque;
  (void)address;
}

BUFFERED_IO_CONTROL& Record(int n) { return *T_MMC_psIOControl(n); }

void vBe32(U8* p, U32 v) {
  p[0] = (U8)(v >> 24);
  p[1] = (U8)(v >> 16);
  p[2] = (U8)(v >> 8);
  p[3] = (U8)v;
}

bool bWrite(BUFFERED_IO_CONTROL& c, const void* data, int n) {
  return U_MMC_bBufferedIO(BUFFERED_WRITE, &c, const_cast<void*>(data), n, nullptr) != FALSE;
}

// One chunk: length, type, data, CRC-32 over type and data.
bool bWriteChunk(BUFFERED_IO_CONTROL& c, const char* type, const U8* data, U32 length) {
  U8 head[8];
  vBe32(head, length);
  memcpy(head + 4, type, 4);
  U32 crc = (U32)crc32(0, reinterpret_cast<const Bytef*>(type), 4);
  if (length > 0) crc = (U32)crc32(crc, data, length);
  U8 tail[4];
  vBe32(tail, crc);
  return bWrite(c, head, 8) && (length == 0 || bWrite(c, data, (int)length)) && bWrite(c, tail, 4);
}

// Whether an entry of the folder begins with "S%05d" of the number.
bool bNumberTaken(const char* unit_dir, U32 number) {
  char prefix[8];
  snprintf(prefix, sizeof prefix, "S%05u", (unsigned)number);
  DIR* d = opendir(PLATFORM_sResolvePath(unit_dir).c_str());
  if (d == nullptr) return false;
  bool taken = false;
  while (struct dirent* e = readdir(d)) {
    if (strncasecmp(e->d_name, prefix, 6) == 0) {
      taken = true;
      break;
    }
  }
  closedir(d);
  return taken;
}

void vRemove(const char* unit_path) { (void)remove(PLATFORM_sResolvePath(unit_path).c_str()); }

}  // namespace

BOOLEAN T_MMC_bWriteSnapshotPng(BUFFERED_IO_CONTROL* pPng, BITMAP* pBitmap) {
  BUFFERED_IO_CONTROL& png = *pPng;
  s_szCompressTop = COMPRESS_MEMORY;
  s_bCompressExhausted = false;
  static const U8 signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  U8 ihdr[13] = {};
  vBe32(ihdr, PNG_WIDTH);
  vBe32(ihdr + 4, PNG_HEIGHT);
  ihdr[8] = 8;
  ihdr[9] = 2;
  if (!bWrite(png, signature, 8) || !bWriteChunk(png, "IHDR", ihdr, 13)) return false;

  z_stream zs;
  memset(&zs, 0, sizeof zs);
  zs.zalloc = pvCompressMalloc;
  zs.zfree = vCompressFree;
  if (deflateInit2(&zs, ZLIB_LEVEL, Z_DEFLATED, ZLIB_WINDOW_BITS, ZLIB_MEM_LEVEL, Z_DEFAULT_STRATEGY) != Z_OK) {
    return false;
  }
  U8* out = static_cast<U8*>(H_MEMORY_pvMalloc(PNG_PIECE));
  U8* row = static_cast<U8*>(H_MEMORY_pvMalloc(PNG_ROW_BYTES));
  bool ok = out != nullptr && row != nullptr;
  zs.next_out = out;
  zs.avail_out = PNG_PIECE;
  const int top = pBitmap->pixels_high_full_screen - PNG_HEIGHT;
  for (int r = 0; ok && r < PNG_HEIGHT; ++r) {
    row[0] = 0;
    U8* p = row + 1;
    for (int x = 0; x < PNG_WIDTH; ++x) {
      const COLOR c = G_PIXEL_colorGetPhysicalPixel(pBitmap, x, top + r);
      *p++ = (U8)((c >> 8) & 0xF8);
      *p++ = (U8)((c >> 3) & 0xFC);
      *p++ = (U8)((c << 3) & 0xFF);
    }
    zs.next_in = row;
    zs.avail_in = PNG_ROW_BYTES;
    while (ok && zs.avail_in > 0) {
      if (deflate(&zs, Z_NO_FLUSH) == Z_STREAM_ERROR) ok = false;
      if (zs.avail_out == 0) {
        ok = ok && bWriteChunk(png, "IDAT", out, PNG_PIECE);
        zs.next_out = out;
        zs.avail_out = PNG_PIECE;
      }
    }
    T_MMC_vCountLine();
  }
  for (int ret = Z_OK; ok && ret != Z_STREAM_END;) {
    ret = deflate(&zs, Z_FINISH);
    if (ret == Z_STREAM_ERROR) {
      ok = false;
      break;
    }
    const U32 n = PNG_PIECE - zs.avail_out;
    if (n > 0 && (zs.avail_out == 0 || ret == Z_STREAM_END)) {
      ok = bWriteChunk(png, "IDAT", out, n);
      zs.next_out = out;
      zs.avail_out = PNG_PIECE;
    }
  }
  deflateEnd(&zs);
  if (out != nullptr) H_MEMORY_vFree(out);
  if (row != nullptr) H_MEMORY_vFree(row);
  return (ok && !s_bCompressExhausted && bWriteChunk(png, "IEND", nullptr, 0)) ? TRUE : FALSE;
}

namespace {

bool bWriteThumbnail(BUFFERED_IO_CONTROL& thumb, BITMAP* pBitmap, bool bValid, const WAYPOINT& wp) {
  U8 header[32] = {};
  header[1] = bValid ? 1 : 0;
  header[4] = wp.u8Status;
  header[5] = wp.u8Icon;
  header[6] = (U8)(wp.u16Depth >> 8);
  header[7] = (U8)wp.u16Depth;
  vBe32(header + 8, wp.u32Time);
  vBe32(header + 12, (U32)wp.s32X);
  vBe32(header + 16, (U32)wp.s32Y);
  memcpy(header + 20, wp.acName, sizeof wp.acName);
  if (!bWrite(thumb, header, sizeof header)) return false;
  U8 line[THUMBNAIL_WIDTH * 2];
  const int bottom = pBitmap->pixels_high_full_screen - 1;
  for (int k = 0; k < THUMBNAIL_HEIGHT; ++k) {
    for (int i = 0; i < THUMBNAIL_WIDTH; ++i) {
      const COLOR c = G_PIXEL_colorGetPhysicalPixel(pBitmap, 4 * i, bottom - 4 * k);
      line[2 * i] = (U8)(c >> 8);
      line[2 * i + 1] = (U8)c;
    }
    if (!bWrite(thumb, line, sizeof line)) return false;
  }
  return true;
}

void vFinish(bool ok) {
  (void)L_SEMA_Signal(ok ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
  T_MMC_vInvalidateThumbNailList();
  if (ok) T_VIEW_vSnapshotSaveComplete();
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  (void)L_SEMA_Signal(SEMA_VIEW_RELEASE_BITMAP);
}

}  // namespace

BOOLEAN T_MMC_bNextSnapshotNumber(const char* pcFolder, U32* pu32Number) {
  U32 last = 0;
  if (!H_DATABASE_bFetchU32(FCID("SFID"), &last)) {
    (void)H_DATABASE_bUpdateEverythingU32(FCID("SFID"), 1, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    last = 0;
  }
  U32 n = (last + 1) % MAX_NUMBER;
  for (U32 tries = 0; tries < MAX_NUMBER; ++tries) {
    if (n == 0) n = 1;
    if (!bNumberTaken(pcFolder, n)) {
      (void)H_DATABASE_bUpdateValueU32(FCID("SFID"), n, P_NORMAL);
      *pu32Number = n;
      return TRUE;
    }
    n = (n + 1) % MAX_NUMBER;
  }
  return FALSE;
}

void T_MMC_vSnapshot(BITMAP* pBitmap) {
  T_MMC_vSetFileName("");
  T_MMC_vResetLines();
  T_MMC_vShowStatus(BUSY);
  s_szCompressTop = COMPRESS_MEMORY;
  s_bCompressExhausted = false;
  if (pBitmap == nullptr || pBitmap->pixels_wide_full_screen < PNG_WIDTH ||
      pBitmap->pixels_high_full_screen < PNG_HEIGHT) {
    T_MMC_vShowStatus(FAILURE);
    vFinish(false);
    return;
  }
  const U32 sizes[] = {PNG_WIDTH * PNG_HEIGHT * 3 + PNG_HEIGHT,
                       (U32)(((pBitmap->pixels_wide_full_screen + 3) / 4 * (pBitmap->pixels_high_full_screen + 3) / 4 + 16) * 2),
                       0};
  static const char* const s_folders[] = {"SNAPSHOT", "IMAGES", nullptr};
  char* folder = T_MMC_pcDeviceMakeDirectory(s_folders, sizes);
  U32 number = 0;
  if (folder == nullptr || !T_MMC_bNextSnapshotNumber(folder, &number)) {
    if (folder != nullptr) H_MEMORY_vFree(folder);
    T_NAV_vHandleMark();
    if (T_MMC_eSaveStatus() != ZAVIDODAS_WRITE_DISABLE) T_MMC_vShowStatus(NO_MMC);
    vFinish(false);
    return;
  }
  char name[12], picture[24], thumbName[24];
  snprintf(name, sizeof name, "S%05u", (unsigned)number);
  snprintf(picture, sizeof picture, "%s.PNG", name);
  snprintf(thumbName, sizeof thumbName, "%s.DAT", name);
  WAYPOINT wp;
  memset(&wp, 0, sizeof wp);
  const bool bValid = T_NAV_bHandleNamedMarkWithIcon(name, MARK_ICON, &wp) != FALSE;
  if (!bValid) memset(&wp, 0, sizeof wp);
  wp.u8Status = 0;
  wp.u8Icon = 0;
  memset(wp.acName, 0, sizeof wp.acName);
  memcpy(wp.acName, picture, strlen(picture));
  T_MMC_vSetFileName(picture);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);

  char pngPath[MMC_COMPOSED_SIZE], datPath[MMC_COMPOSED_SIZE];
  snprintf(pngPath, sizeof pngPath, "%s/%s", folder, picture);
  snprintf(datPath, sizeof datPath, "%s/%s", folder, thumbName);
  H_MEMORY_vFree(folder);
  FILE* fPng = PLATFORM_pFileOpen(pngPath, "wb");
  FILE* fDat = PLATFORM_pFileOpen(datPath, "wb");
  bool ok = fPng != nullptr && fDat != nullptr;
  ok = ok && U_MMC_bBufferedIO(INITIALIZE_WRITE, &Record(0), nullptr, U_MMC_BUFFER_SIZE, fPng);
  ok = ok && U_MMC_bBufferedIO(INITIALIZE_WRITE, &Record(1), nullptr, U_MMC_BUFFER_SIZE, fDat);
  ok = ok && T_MMC_bWriteSnapshotPng(&Record(0), pBitmap);
  ok = ok && bWriteThumbnail(Record(1), pBitmap, bValid, wp);
  if (s_bCompressExhausted) ok = false;
  // Closing writes what waits and closes the files (a failed close fails too).
  if (Record(0).pcBuffer != nullptr) {
    ok = U_MMC_bBufferedIO(CLOSE_WRITE, &Record(0), nullptr, 0, fPng) && ok;
  } else if (fPng != nullptr) {
    ok = fclose(fPng) == 0 && ok;
  }
  if (Record(1).pcBuffer != nullptr) {
    ok = U_MMC_bBufferedIO(CLOSE_WRITE, &Record(1), nullptr, 0, fDat) && ok;
  } else if (fDat != nullptr) {
    ok = fclose(fDat) == 0 && ok;
  }
  if (!ok) {
    vRemove(pngPath);
    vRemove(datPath);
  }
  log_me("MMC: snapshot %s %s", pngPath, ok ? "saved" : "failed");
  T_MMC_vShowStatus(ok ? SUCCESS : FAILURE);
  vFinish(ok);
}

void T_MMC_vKeelarScreenshot(U32 u32Length, U8* pData) {
  T_MMC_vSetFileName("");
  T_MMC_vResetLines();
  T_MMC_vShowStatus(BUSY);
  static const char* const s_folders[] = {"KEELAR", nullptr};
  const U32 sizes[] = {u32Length, 0};
  char* folder = T_MMC_pcDeviceMakeDirectory(s_folders, sizes);
  U32 number = 0;
  if (folder == nullptr || !T_MMC_bNextSnapshotNumber(folder, &number)) {
    if (folder != nullptr) H_MEMORY_vFree(folder);
    if (pData != nullptr) H_MEMORY_vFree(pData);
    (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    if (T_MMC_eSaveStatus() != ZAVIDODAS_WRITE_DISABLE) T_MMC_vShowStatus(NO_MMC);
    (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
    return;
  }
  char picture[24], path[MMC_COMPOSED_SIZE];
  snprintf(picture, sizeof picture, "S%05u.PNG", (unsigned)number);
  snprintf(path, sizeof path, "%s/%s", folder, picture);
  H_MEMORY_vFree(folder);
  T_MMC_vSetFileName(picture);
  FILE* f = PLATFORM_pFileOpen(path, "wb");
  BUFFERED_IO_CONTROL& c = Record(2);
  bool ok = f != nullptr && U_MMC_bBufferedIO(INITIALIZE_WRITE, &c, nullptr, U_MMC_BUFFER_SIZE, f);
  ok = ok && (u32Length == 0 || (pData != nullptr && bWrite(c, pData, (int)u32Length)));
  if (c.pcBuffer != nullptr) {
    ok = U_MMC_bBufferedIO(CLOSE_WRITE, &c, nullptr, 0, f) && ok;
  } else if (f != nullptr) {
    ok = fclose(f) == 0 && ok;
  }
  if (!ok && f != nullptr) vRemove(path);
  if (pData != nullptr) H_MEMORY_vFree(pData);
  T_MMC_vShowStatus(ok ? SUCCESS : FAILURE);
  (void)L_SEMA_Signal(ok ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}
