// NVRAM files: the saved settings (entries file and validity bitmap) and
// the sonar and personal blocks, in the installation directory.
//
// Every value is written in place as one 4-byte word and a slot counts as
// saved only once its bitmap bit is on file, so an interrupted save leaves
// each key at its old or its new value. A slot written for the first time
// has its value flushed to the medium before its bit is written.
#include "source/core/h_nvram.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"

const char* const tessix_filenames[NVR_FILE_COUNT] = {"sonar.dat", "personal.dat", "nvr_statbit.dat",
                                                      "nvr_entries.dat"};

// Open handles by file index; -1 when not open.
static int tessix_filehands[NVR_FILE_COUNT] = {-1, -1, -1, -1};
// In-memory copy of the bitmap file.
static U32 fcid_statbits[NVR_BITMAP_WORDS];
// Iteration positions: the next slot to look at.
static U32 s_u32NextSSlot = 0;
static U32 s_u32NextFSlot = NVR_SLOT_NVER;

static const FOURCHARID s_4chHeader[NVR_HEADER_ENTRIES] = {
    FCID("NVER"),   FCID("CREV"),   FCID("SCFO"),   FCID("SMDL"),   FCID("SENB"),   FCID("SENU"),   FCID("SEDB"),
    FCID("SEDU"),   FCID("SEIB"),   FCID("SEIU"),   FCID("SETB"),   FCID("SCOM"),   FCID("SSTD"),   FCID("SMAC"),
    NVR_HEADER_END, NVR_HEADER_END, NVR_HEADER_END, NVR_HEADER_END, NVR_HEADER_END, NVR_HEADER_END,
};

static const FOURCHARID special_fcids[3] = {FCID("NVER"), FCID("CREV"), FCID("FFST")};

static constexpr U32 BITMAP_BYTES = NVR_BITMAP_WORDS * 4;

// ------------------------------------------------------------ helpers

static std::string s_sPath(U32 file) {
  return std::string(L_UTILS_cpGetPathnamePtr()) + "/" + tessix_filenames[file];
}

static U32 s_u32GetLE(const U8* p) {
  return (U32)p[0] | ((U32)p[1] << 8) | ((U32)p[2] << 16) | ((U32)p[3] << 24);
}

static void s_vPutLE(U8* p, U32 value) {
  p[0] = (U8)value;
  p[1] = (U8)(value >> 8);
  p[2] = (U8)(value >> 16);
  p[3] = (U8)(value >> 24);
}

// Reads up to size bytes at offset; the count read, -1 on error.
static ssize_t s_nReadAt(int fd, void* buffer, size_t size, off_t offset) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = pread(fd, (U8*)buffer + done, size - done, offset + (off_t)done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += (size_t)n;
  }
  return (ssize_t)done;
}

// TRUE when all size bytes were written at offset.
static BOOLEAN s_bWriteAt(int fd, const void* buffer, size_t size, off_t offset) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = pwrite(fd, (const U8*)buffer + done, size - done, offset + (off_t)done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return FALSE;
    done += (size_t)n;
  }
  return TRUE;
}

// Printable form of a key for trace lines.
static const char* s_pcKeyText(FOURCHARID key, char* out) {
  for (int i = 0; i < 4; i++) {
    U8 c = (U8)(key >> (8 * i));
    out[i] = (c >= 0x20 && c < 0x7F) ? (char)c : '?';
  }
  out[4] = '\0';
  return out;
}

// ------------------------------------------------------------ slots

static int s_nBase36(U8 c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return -1;
}

U32 H_NVRAM_u32SlotOfKey(FOURCHARID key) {
  for (U32 i = 0; i < 3; i++) {
    if (key == special_fcids[i]) return NVR_SLOT_NVER + i;
  }
  if ((key & 0xFF) != 'S') return NVR_NO_SLOT;
  int d2 = s_nBase36((U8)(key >> 8));
  int d3 = s_nBase36((U8)(key >> 16));
  int d4 = s_nBase36((U8)(key >> 24));
  if (d2 < 0 || d3 < 0 || d4 < 0) {
    // Such a key would share the slot of another key: it is not saved.
    char text[5];
    log_me("NVRAM: key %s (0x%08X) has characters outside 0-9, A-Z; not saved", s_pcKeyText(key, text),
           (unsigned)key);
    return NVR_NO_SLOT;
  }
  return (U32)(d2 * 1296 + d3 * 36 + d4);
}

FOURCHARID H_NVRAM_u32KeyOfSlot(U32 slot) {
  static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  if (slot < NVR_S_SLOTS) {
    return MAKE_FOURCHARID('S', digits[slot / 1296], digits[(slot / 36) % 36], digits[slot % 36]);
  }
  if (slot < NVR_SLOTS) return special_fcids[slot - NVR_S_SLOTS];
  return 0xFFFFFFFFu;
}

FOURCHARID H_NVRAM_u32HeaderKey(U32 number) { return number < NVR_HEADER_ENTRIES ? s_4chHeader[number] : NVR_HEADER_END; }

// ------------------------------------------------------------ files

// Reads the bitmap file over a cleared in-memory bitmap. A short file leaves
// the rest clear; bits that no slot uses are dropped.
static void s_vLoadBitmap(int fd) {
  memset(fcid_statbits, 0, sizeof fcid_statbits);
  U8 raw[BITMAP_BYTES];
  ssize_t n = s_nReadAt(fd, raw, sizeof raw, 0);
  if (n < 0) {
    log_me("NVRAM: cannot read nvr_statbit.dat (%s); no saved settings", strerror(errno));
    return;
  }
  U32 words = (U32)n / 4;
  for (U32 w = 0; w < words; w++) fcid_statbits[w] = s_u32GetLE(raw + 4 * w);
  if (n > 0 && (size_t)n < sizeof raw) {
    log_me("NVRAM: nvr_statbit.dat holds %d of %u bytes; the rest counts as not saved", (int)n,
           (unsigned)BITMAP_BYTES);
  }
  struct stat st;
  if (fstat(fd, &st) == 0 && (U64)st.st_size > BITMAP_BYTES) {
    log_me("NVRAM: nvr_statbit.dat is %lld bytes long; bytes after %u ignored", (long long)st.st_size,
           (unsigned)BITMAP_BYTES);
  }
  U32 unused = fcid_statbits[NVR_SPECIAL_WORD] & ~7u;
  if (unused != 0) {
    log_me("NVRAM: nvr_statbit.dat marks unknown slots (0x%08X in word %u); ignored", (unsigned)unused,
           (unsigned)NVR_SPECIAL_WORD);
    fcid_statbits[NVR_SPECIAL_WORD] &= 7u;
  }
}

// A bit whose slot lies beyond the end of the entries file (a lost, emptied
// or cut entries file) is cleared in memory and on file: otherwise the next
// write past the end would fill the gap with zeros and every lost key would
// read back as 0 instead of falling back to its default.
static void s_vDropUnreadableSlots(void) {
  const int entries = tessix_filehands[NVR_FILE_ENTRIES];
  const int bitmap = tessix_filehands[NVR_FILE_STATBIT];
  struct stat st;
  if (entries < 0 || bitmap < 0 || fstat(entries, &st) != 0) return;
  const U64 readable = (U64)st.st_size / 4;  // slots wholly on file
  U32 dropped = 0;
  for (U32 w = 0; w < NVR_BITMAP_WORDS; w++) {
    U32 bits = fcid_statbits[w];
    U32 keep = bits;
    while (bits != 0) {
      const U32 b = (U32)__builtin_ctz(bits);
      bits &= bits - 1;
      if ((U64)(w * 32 + b) >= readable) {
        keep &= ~(1u << b);
        dropped++;
      }
    }
    if (keep != fcid_statbits[w]) {
      fcid_statbits[w] = keep;
      U8 word[4];
      s_vPutLE(word, keep);
      (void)s_bWriteAt(bitmap, word, 4, (off_t)w * 4);
    }
  }
  if (dropped > 0) {
    log_me("NVRAM: nvr_entries.dat holds %llu bytes; %u saved keys beyond it fall back to their defaults",
           (unsigned long long)st.st_size, (unsigned)dropped);
    if (fsync(bitmap) != 0) log_me("NVRAM: cannot flush nvr_statbit.dat: %s", strerror(errno));
  }
}

static BOOLEAN s_bOpen(U32 file) {
  if (tessix_filehands[file] >= 0) return TRUE;
  std::string path = s_sPath(file);
  // A symbolic link planted in a file's place is refused, not followed.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) {
    log_me("NVRAM: cannot open %s: %s", path.c_str(), strerror(errno));
    return FALSE;
  }
  tessix_filehands[file] = fd;
  if (file == NVR_FILE_STATBIT) {
    s_vLoadBitmap(fd);
    s_vDropUnreadableSlots();
  }
  return TRUE;
}

// The entries and bitmap files, always opened together, entries first.
static BOOLEAN s_bOpenEntries(void) { return (s_bOpen(NVR_FILE_ENTRIES) && s_bOpen(NVR_FILE_STATBIT)) ? TRUE : FALSE; }

void H_NVRAM_vClose(void) {
  for (U32 i = 0; i < NVR_FILE_COUNT; i++) {
    if (tessix_filehands[i] >= 0) close(tessix_filehands[i]);
    tessix_filehands[i] = -1;
  }
  memset(fcid_statbits, 0, sizeof fcid_statbits);
  s_u32NextSSlot = 0;
  s_u32NextFSlot = NVR_SLOT_NVER;
}

static BOOLEAN s_bMakeDirectories(void) {
  BOOLEAN bInstall = PLATFORM_bMakeDirs(L_UTILS_cpGetPathnamePtr());
  std::string tmp = PLATFORM_sResolvePath("/tmp/tessix");
  if (!PLATFORM_bMakeDirs(tmp.c_str())) log_me("NVRAM: cannot create %s", tmp.c_str());
  return bInstall;
}

NVR_STATE H_NVRAM_eInit(void) {
  (void)s_bMakeDirectories();
  struct stat st;
  const char* dir = L_UTILS_cpGetPathnamePtr();
  if (stat(dir, &st) != 0 || !S_ISDIR(st.st_mode)) {
    log_me("NVRAM: installation path %s is not a directory", dir);
    return STATE_HARDWARE_FAILURE;
  }
  std::string bitmap = s_sPath(NVR_FILE_STATBIT);
  if (stat(bitmap.c_str(), &st) != 0 || st.st_size == 0) return STATE_VIRGIN;
  // A bitmap without a readable format version (a damaged file) is treated
  // like a new store: the version is written again and every readable key
  // is restored, instead of refusing to start.
  NVR_ENTRY version = {FCID("NVER"), DB_dataU32(0)};
  if (!H_NVRAM_bGetItemByID(&version)) {
    log_me("NVRAM: no format version saved; starting as a new store");
    return STATE_VIRGIN;
  }
  return STATE_ACTIVE;
}

// ------------------------------------------------------------ entries

BOOLEAN H_NVRAM_bWriteFCID(const NVR_ENTRY* pEntry) {
  U32 slot = H_NVRAM_u32SlotOfKey(pEntry->id);
  if (slot == NVR_NO_SLOT) return FALSE;
  if (!s_bOpenEntries()) return FALSE;
  char text[5];
  U8 word[4];
  s_vPutLE(word, pEntry->data.u32Val);
  if (!s_bWriteAt(tessix_filehands[NVR_FILE_ENTRIES], word, 4, (off_t)slot * 4)) {
    log_me("NVRAM: cannot write %s: %s", s_pcKeyText(pEntry->id, text), strerror(errno));
    return FALSE;
  }
  U32 w = slot / 32;
  U32 mask = 1u << (slot % 32);
  U32 old = fcid_statbits[w];
  if ((old & mask) == 0) {
    // The value must be on the medium before a bit declares it saved.
    if (fdatasync(tessix_filehands[NVR_FILE_ENTRIES]) != 0) {
      log_me("NVRAM: cannot flush nvr_entries.dat: %s", strerror(errno));
      return FALSE;
    }
  }
  fcid_statbits[w] = old | mask;
  s_vPutLE(word, fcid_statbits[w]);
  if (!s_bWriteAt(tessix_filehands[NVR_FILE_STATBIT], word, 4, (off_t)w * 4)) {
    // The file still holds the old word: keep memory in step with it so the
    // key is written again by the next save.
    fcid_statbits[w] = old;
    log_me("NVRAM: cannot mark %s saved: %s", s_pcKeyText(pEntry->id, text), strerror(errno));
    return FALSE;
  }
  return TRUE;
}

BOOLEAN H_NVRAM_bGetItemByNumber(U32 slot, NVR_ENTRY* pEntry) {
  if (slot >= NVR_SLOTS) return FALSE;
  if (!s_bOpenEntries()) return FALSE;
  if ((fcid_statbits[slot / 32] & (1u << (slot % 32))) == 0) return FALSE;
  U8 word[4];
  ssize_t n = s_nReadAt(tessix_filehands[NVR_FILE_ENTRIES], word, 4, (off_t)slot * 4);
  if (n != 4) {
    char text[5];
    log_me("NVRAM: saved value of %s (slot %u) cannot be read", s_pcKeyText(H_NVRAM_u32KeyOfSlot(slot), text),
           (unsigned)slot);
    return FALSE;
  }
  pEntry->data = DB_dataU32(s_u32GetLE(word));
  return TRUE;
}

BOOLEAN H_NVRAM_bGetItemByID(NVR_ENTRY* pEntry) {
  U32 slot = H_NVRAM_u32SlotOfKey(pEntry->id);
  if (slot == NVR_NO_SLOT) return FALSE;
  NVR_ENTRY found = *pEntry;
  if (!H_NVRAM_bGetItemByNumber(slot, &found)) {
    pEntry->id = 0xFFFFFFFFu;
    pEntry->data = DB_dataU32(0xFFFFFFFFu);
    return FALSE;
  }
  pEntry->data = found.data;
  return TRUE;
}

BOOLEAN H_NVRAM_bWriteIfChanged(const NVR_ENTRY* pEntry, BOOLEAN* pbWritten) {
  if (pbWritten != nullptr) *pbWritten = FALSE;
  if (H_NVRAM_u32SlotOfKey(pEntry->id) == NVR_NO_SLOT) return FALSE;
  // Nothing saved (whatever the read gives back) or a different value: write.
  NVR_ENTRY saved = {pEntry->id, DB_dataU32(0)};
  if (H_NVRAM_bGetItemByID(&saved) && saved.data.u32Val == pEntry->data.u32Val) return TRUE;
  if (!H_NVRAM_bWriteFCID(pEntry)) return FALSE;
  if (pbWritten != nullptr) *pbWritten = TRUE;
  return TRUE;
}

// Next saved slot from *pPosition below endSlot; a slot that cannot be read
// is traced and passed over.
static BOOLEAN s_bNextSaved(U32* pPosition, U32 endSlot, NVR_ENTRY* pEntry) {
  if (!s_bOpenEntries()) return FALSE;
  while (*pPosition < endSlot) {
    U32 w = *pPosition / 32;
    U32 bits = fcid_statbits[w] & (~0u << (*pPosition % 32));
    if (bits == 0) {
      *pPosition = (w + 1) * 32;
      continue;
    }
    U32 slot = w * 32 + (U32)__builtin_ctz(bits);
    if (slot >= endSlot) break;
    *pPosition = slot + 1;
    NVR_ENTRY found = *pEntry;
    if (H_NVRAM_bGetItemByNumber(slot, &found)) {
      pEntry->id = H_NVRAM_u32KeyOfSlot(slot);
      pEntry->data = found.data;
      return TRUE;
    }
  }
  *pPosition = endSlot;
  return FALSE;
}

BOOLEAN H_NVRAM_bReadSEntry(U32 u32Index, NVR_ENTRY* pEntry) {
  if (u32Index == 0) s_u32NextSSlot = 0;
  return s_bNextSaved(&s_u32NextSSlot, NVR_S_SLOTS, pEntry);
}

BOOLEAN H_NVRAM_bReadFEntry(U32 u32Index, NVR_ENTRY* pEntry) {
  if (u32Index == 0) s_u32NextFSlot = NVR_SLOT_NVER;
  return s_bNextSaved(&s_u32NextFSlot, NVR_SLOTS, pEntry);
}

BOOLEAN H_NVRAM_bReadUnitHeaderEntry(U32 u32Number, NVR_ENTRY* pEntry) {
  if (u32Number >= NVR_HEADER_ENTRIES) return FALSE;
  FOURCHARID key = s_4chHeader[u32Number];
  if (key == NVR_HEADER_END) {
    pEntry->id = 0xFFFFFFFFu;
    pEntry->data = DB_dataU32(0xFFFFFFFFu);
    return FALSE;
  }
  pEntry->id = key;
  return H_NVRAM_bGetItemByID(pEntry);
}

void H_NVRAM_vVersionChangeFindAndSave(FOURCHARID key) {
  NVR_ENTRY entry = {key, DB_dataU32(0)};
  if (H_NVRAM_bGetItemByID(&entry)) (void)H_DATABASE_bUpdateValue(key, entry.data, P_NORMAL);
}

void H_NVRAM_vFlashWriteBack(void) {
  static const U32 order[2] = {NVR_FILE_ENTRIES, NVR_FILE_STATBIT};
  for (U32 file : order) {
    int fd = tessix_filehands[file];
    if (fd >= 0 && fsync(fd) != 0) log_me("NVRAM: cannot flush %s: %s", tessix_filenames[file], strerror(errno));
  }
}

BOOLEAN H_NVRAM_bScratchNVR(U32 u32Code1, U32 u32Code2) {
  if (u32Code1 != H_NVRAM_SCRATCH_CODE_1 || u32Code2 != H_NVRAM_SCRATCH_CODE_2) return FALSE;
  H_NVRAM_vClose();
  BOOLEAN bOk = TRUE;
  for (U32 i = 0; i < NVR_FILE_COUNT; i++) {
    std::string path = s_sPath(i);
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
      log_me("NVRAM: cannot remove %s: %s", path.c_str(), strerror(errno));
      bOk = FALSE;
    }
  }
  if (!s_bMakeDirectories()) bOk = FALSE;
  return bOk;
}

// ------------------------------------------------------------ blocks

BOOLEAN H_NVRAM_bReadBlock(U32 u32File, void* pBuffer, U32 u32Size) {
  if (u32File >= NVR_FILE_COUNT) return FALSE;
  BOOLEAN bOpen = (u32File == NVR_FILE_ENTRIES || u32File == NVR_FILE_STATBIT) ? s_bOpenEntries() : s_bOpen(u32File);
  if (!bOpen) return FALSE;
  // Read aside first so that a short file leaves the caller's buffer as it was.
  U8* pTemp = (U8*)malloc(u32Size ? u32Size : 1);
  if (pTemp == nullptr) return FALSE;
  ssize_t n = s_nReadAt(tessix_filehands[u32File], pTemp, u32Size, 0);
  BOOLEAN bOk = (n == (ssize_t)u32Size) ? TRUE : FALSE;
  if (bOk) {
    memcpy(pBuffer, pTemp, u32Size);
  } else if (n < 0) {
    log_me("NVRAM: cannot read %s: %s", tessix_filenames[u32File], strerror(errno));
  } else {
    log_me("NVRAM: %s holds %d of %u bytes; not read", tessix_filenames[u32File], (int)n, (unsigned)u32Size);
  }
  free(pTemp);
  return bOk;
}

BOOLEAN H_NVRAM_bWriteBlock(U32 u32File, const void* pBuffer, U32 u32Size) {
  if (u32File >= NVR_FILE_COUNT) return FALSE;
  BOOLEAN bOpen = (u32File == NVR_FILE_ENTRIES || u32File == NVR_FILE_STATBIT) ? s_bOpenEntries() : s_bOpen(u32File);
  if (!bOpen) return FALSE;
  int fd = tessix_filehands[u32File];
  if (!s_bWriteAt(fd, pBuffer, u32Size, 0)) {
    log_me("NVRAM: cannot write %s: %s", tessix_filenames[u32File], strerror(errno));
    return FALSE;
  }
  if (fsync(fd) != 0) {
    log_me("NVRAM: cannot flush %s: %s", tessix_filenames[u32File], strerror(errno));
    return FALSE;
  }
  // A bitmap written as a block replaces the in-memory copy.
  if (u32File == NVR_FILE_STATBIT) s_vLoadBitmap(fd);
  return TRUE;
}

BOOLEAN H_NVRAM_bReadSonarData(SONAR_DATA_BLOCK* pBlock) {
  return H_NVRAM_bReadBlock(NVR_FILE_SONAR, pBlock, sizeof *pBlock);
}
BOOLEAN H_NVRAM_bWriteSonarData(const SONAR_DATA_BLOCK* pBlock) {
  return H_NVRAM_bWriteBlock(NVR_FILE_SONAR, pBlock, sizeof *pBlock);
}
BOOLEAN H_NVRAM_bReadPersonalizationData(PERSONALIZATION_DATA_BLOCK* pBlock) {
  return H_NVRAM_bReadBlock(NVR_FILE_PERSONAL, pBlock, sizeof *pBlock);
}
BOOLEAN H_NVRAM_bWritePersonalizationData(const PERSONALIZATION_DATA_BLOCK* pBlock) {
  return H_NVRAM_bWriteBlock(NVR_FILE_PERSONAL, pBlock, sizeof *pBlock);
}
