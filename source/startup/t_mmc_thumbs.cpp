// The thumbnail list, the thumbnail loads and the deletes.
#include "source/startup/t_mmc_thumbs.h"

#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>

#include <mutex>

#include "common/language.h"
#include "source/core/dd_sd.h"
#include "source/core/h_database.h"
#include "source/core/ls_sync.h"
#include "source/core/u_file.h"
#include "source/platform/platform.h"
#include "source/startup/startup_upcalls.h"
#include "source/startup/t_mmc_int.h"

namespace {

constexpr size_t FILE_NAME_SIZE = 14;  // S00012.DAT, R00003.DAT
constexpr size_t FILE_PATH_SIZE = 28;  // the folder with a trailing "/"
constexpr size_t FULL_NAME_SIZE = 41;

struct THUMBNAIL_FILE_NODE {
  THUMBNAIL_FILE_NODE* next;
  THUMBNAIL_FILE_NODE* prev;
  BOOLEAN bDateTimeValid;
  U32 u32DateTime;
  THUMBNAIL_TYPE eType;
  S32 s32X, s32Y;
  char cFileName[FILE_NAME_SIZE];
  char cFilePath[FILE_PATH_SIZE];
  U32 u32PositionInList;
};

std::recursive_mutex s_listMutex;
THUMBNAIL_FILE_NODE* s_tfnThumbNailListHead = nullptr;
U32 s_nThumbNailsInList = 0;

THUMBNAIL_DATA_FILE s_previewData;
THUMBNAIL_HEADER_TYPE s_preview;

#define THUMB_TEXT(name, text)                                                                                \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, text, text, \
                                                 text, text}
THUMB_TEXT(s_txtNone, "None");
#undef THUMB_TEXT

U16 u16Be(const U8* p) { return (U16)(p[0] << 8 | p[1]); }
U32 u32Be(const U8* p) { return (U32)p[0] << 24 | (U32)p[1] << 16 | (U32)p[2] << 8 | p[3]; }

void vParseWaypoint(const U8* p, WAYPOINT* w) {
  w->u8Status = p[0];
  w->u8Icon = p[1];
  w->u16Depth = u16Be(p + 2);
  w->u32Time = u32Be(p + 4);
  w->s32X = (S32)u32Be(p + 8);
  w->s32Y = (S32)u32Be(p + 12);
  memcpy(w->acName, p + 16, sizeof w->acName);
}

void vFullName(const THUMBNAIL_FILE_NODE* n, char* out) {
  if (out != nullptr) snprintf(out, THUMBNAIL_NAME_SIZE, "%s%s", n->cFilePath, n->cFileName);
}

void vFreeList(void) {
  while (THUMBNAIL_FILE_NODE* n = s_tfnThumbNailListHead) {
    s_tfnThumbNailListHead = n->next;
    delete n;
  }
  s_nThumbNailsInList = 0;
}

void vRenumber(void) {
  U32 pos = 0;
  for (THUMBNAIL_FILE_NODE* n = s_tfnThumbNailListHead; n != nullptr; n = n->next) n->u32PositionInList = ++pos;
  s_nThumbNailsInList = pos;
}

void vUnlink(THUMBNAIL_FILE_NODE* n) {
  if (n->prev != nullptr) n->prev->next = n->next;
  else s_tfnThumbNailListHead = n->next;
  if (n->next != nullptr) n->next->prev = n->prev;
  delete n;
}

// Newest first; entries without a valid time at the end in name order.
void vInsert(THUMBNAIL_FILE_NODE* node) {
  THUMBNAIL_FILE_NODE* before = s_tfnThumbNailListHead;
  while (before != nullptr) {
    if (before->bDateTimeValid) {
      if (node->bDateTimeValid && before->u32DateTime <= node->u32DateTime) break;
    } else if (node->bDateTimeValid || strcmp(before->cFileName, node->cFileName) >= 0) {
      break;
    }
    before = before->next;
  }
  if (before == nullptr) {
    THUMBNAIL_FILE_NODE* last = s_tfnThumbNailListHead;
    while (last != nullptr && last->next != nullptr) last = last->next;
    node->prev = last;
    node->next = nullptr;
    if (last != nullptr) last->next = node;
    else s_tfnThumbNailListHead = node;
    return;
  }
  node->next = before;
  node->prev = before->prev;
  if (before->prev != nullptr) before->prev->next = node;
  else s_tfnThumbNailListHead = node;
  before->prev = node;
}

bool bReadFile(const char* unit_path, U8* out, size_t n, size_t* got) {
  FILE* f = PLATFORM_pFileOpen(unit_path, "rb");
  if (f == nullptr) return false;
  *got = fread(out, 1, n, f);
  fclose(f);
  return true;
}

void vScanFolder(S32 slot, const char* folder) {
  char path[FILE_PATH_SIZE];
  const int len = snprintf(path, sizeof path, "%s/%s/", DD_SD_pcMountPoint(slot), folder);
  if (len <= 0 || (size_t)len >= sizeof path) return;
  DIR* d = opendir(PLATFORM_sResolvePath(path).c_str());
  if (d == nullptr) return;
  while (struct dirent* e = readdir(d)) {
    if (!U_FILE_bCheckExtension(e->d_name, "DAT")) continue;
    if (strlen(e->d_name) >= FILE_NAME_SIZE) {
      log_me("MMC: thumbnail name too long, left out: %s%s", path, e->d_name);
      continue;
    }
    char full[FULL_NAME_SIZE + 1];
    snprintf(full, sizeof full, "%s%s", path, e->d_name);
    U8 head[64];
    size_t got = 0;
    if (!bReadFile(full, head, sizeof head, &got)) continue;
    auto* node = new THUMBNAIL_FILE_NODE{};
    snprintf(node->cFileName, sizeof node->cFileName, "%s", e->d_name);
    snprintf(node->cFilePath, sizeof node->cFilePath, "%s", path);
    if (e->d_name[0] == 'R' || e->d_name[0] == 'r') {
      SONAR_RECORD_THUMB_HEADER h;
      node->eType = THUMBNAIL_RECORDING_TYPE;
      if (T_MMC_bParseRecordHeader(head, got, &h) && h.bWaypointValid) {
        node->bDateTimeValid = TRUE;
        node->u32DateTime = h.RecordingStartWaypoint.u32Time;
        node->s32X = h.RecordingStartWaypoint.s32X;
        node->s32Y = h.RecordingStartWaypoint.s32Y;
      }
    } else {
      THUMBNAIL_FILE_HEADER h;
      node->eType = THUMBNAIL_IMAGE_TYPE;
      if (T_MMC_bParseThumbnailHeader(head, got, &h) && h.WaypointValid) {
        node->bDateTimeValid = TRUE;
        node->u32DateTime = h.Image_Waypoint.u32Time;
        node->s32X = h.Image_Waypoint.s32X;
        node->s32Y = h.Image_Waypoint.s32Y;
      }
    }
    vInsert(node);
  }
  closedir(d);
}

void vBuildIfNeeded(void) {
  if (T_MMC_bThumbNailListValid()) return;
  vFreeList();
  for (S32 slot = 0; slot < MMC_SLOTS; ++slot) {
    if (!(T_MMC_u8CardFlags(slot) & CARD_PRESENT_BIT)) continue;
    for (const char* folder : {"IMAGES", "SNAPSHOT", "RECORD"}) vScanFolder(slot, folder);
  }
  vRenumber();
  T_MMC_vThumbNailListBuilt();
}

THUMBNAIL_FILE_NODE* pFind(const char* pcName) {
  if (pcName == nullptr) return nullptr;
  for (THUMBNAIL_FILE_NODE* n = s_tfnThumbNailListHead; n != nullptr; n = n->next) {
    char full[THUMBNAIL_NAME_SIZE];
    vFullName(n, full);
    if (strcmp(full, pcName) == 0) return n;
  }
  return nullptr;
}

THUMBNAIL_TYPE eReport(const THUMBNAIL_FILE_NODE* n, char* pcName, U32* pu32Position) {
  if (n == nullptr) {
    if (pcName != nullptr) snprintf(pcName, THUMBNAIL_NAME_SIZE, "%s", s_txtNone[nCurrentLanguage()]);
    if (pu32Position != nullptr) *pu32Position = 0;
    return THUMBNAIL_NONE;
  }
  vFullName(n, pcName);
  if (pu32Position != nullptr) *pu32Position = n->u32PositionInList;
  return n->eType;
}

template <typename STEP>
THUMBNAIL_TYPE eWalk(const char* pcCurrent, char* pcName, U32* pu32Position, bool bImagesOnly, STEP step) {
  std::lock_guard<std::recursive_mutex> lock(s_listMutex);
  vBuildIfNeeded();
  THUMBNAIL_FILE_NODE* n = pFind(pcCurrent);
  if (n != nullptr) n = step(n);
  while (n != nullptr && bImagesOnly && n->eType != THUMBNAIL_IMAGE_TYPE) n = step(n);
  return eReport(n, pcName, pu32Position);
}

THUMBNAIL_FILE_NODE* pLast(void) {
  THUMBNAIL_FILE_NODE* n = s_tfnThumbNailListHead;
  while (n != nullptr && n->next != nullptr) n = n->next;
  return n;
}

void vCardSize(const char* pcFileName, THUMBNAIL_HEADER_TYPE* d) {
  // The card's mount point: the name up to the second "/" after "/mnt".
  char mount[16] = {};
  for (S32 slot = 0; slot < MMC_SLOTS; ++slot) {
    const char* point = DD_SD_pcMountPoint(slot);
    if (strncmp(pcFileName, point, strlen(point)) == 0) snprintf(mount, sizeof mount, "%s", point);
  }
  VOL_INFO v;
  (void)T_MMC_bGetVolumeInfoFromDeviceName(mount[0] ? mount : pcFileName, &v);
  d->u32CardSizeKB = v.u32TotalKB;
  d->u32CardAvailableKB = v.u32FreeKB;
}

void vRemoveUnit(const char* unit_path) { (void)FS_Remove(unit_path); }

}  // namespace

// ------------------------------------------------------------ parsing
BOOLEAN T_MMC_bParseThumbnailHeader(const U8* p, size_t n, THUMBNAIL_FILE_HEADER* h) {
  if (p == nullptr || h == nullptr || n < sizeof(THUMBNAIL_FILE_HEADER)) return FALSE;
  h->Version = p[0];
  h->WaypointValid = p[1];
  h->Priority = p[2];
  h->u8Pad = p[3];
  vParseWaypoint(p + 4, &h->Image_Waypoint);
  return TRUE;
}

BOOLEAN T_MMC_bParseRecordHeader(const U8* p, size_t n, SONAR_RECORD_THUMB_HEADER* h) {
  if (p == nullptr || h == nullptr || n < sizeof(SONAR_RECORD_THUMB_HEADER)) return FALSE;
  h->u8Version = p[0];
  h->u8WaterType = p[1];
  h->u8BatteryVoltage = p[2];
  h->bWaypointValid = p[3];
  h->u32ModelNumber = u32Be(p + 4);
  h->u32Temperature = u32Be(p + 8);
  h->u32Pressure = u32Be(p + 12);
  vParseWaypoint(p + 16, &h->RecordingStartWaypoint);
  h->u32NumberOfPings = u32Be(p + 44);
  h->u32TotalTimeMs = u32Be(p + 48);
  h->u32PingSizeBytes = u32Be(p + 52);
  h->u32FirstPingPeriodMs = u32Be(p + 56);
  h->u32BeamMask = u32Be(p + 60);
  return TRUE;
}

// ------------------------------------------------------------ browsing
THUMBNAIL_TYPE MMC_THUMBS_eFindFirst(char* pcName, U32* pu32Position) {
  std::lock_guard<std::recursive_mutex> lock(s_listMutex);
  vBuildIfNeeded();
  return s_tfnThumbNailListHead != nullptr ? eReport(s_tfnThumbNailListHead, pcName, pu32Position) : THUMBNAIL_NONE;
}

THUMBNAIL_TYPE MMC_THUMBS_eFindLast(char* pcName, U32* pu32Position) {
  std::lock_guard<std::recursive_mutex> lock(s_listMutex);
  vBuildIfNeeded();
  THUMBNAIL_FILE_NODE* n = pLast();
  return n != nullptr ? eReport(n, pcName, pu32Position) : THUMBNAIL_NONE;
}

THUMBNAIL_TYPE MMC_THUMBS_eFindFirstImage(char* pcName, U32* pu32Position) {
  std::lock_guard<std::recursive_mutex> lock(s_listMutex);
  vBuildIfNeeded();
  for (THUMBNAIL_FILE_NODE* n = s_tfnThumbNailListHead; n != nullptr; n = n->next) {
    if (n->eType == THUMBNAIL_IMAGE_TYPE) return eReport(n, pcName, pu32Position);
  }
  return THUMBNAIL_NONE;
}

THUMBNAIL_TYPE MMC_THUMBS_eFindLastImage(char* pcName, U32* pu32Position) {
  std::lock_guard<std::recursive_mutex> lock(s_listMutex);
  vBuildIfNeeded();
  for (THUMBNAIL_FILE_NODE* n = pLast(); n != nullptr; n = n->prev) {
    if (n->eType == THUMBNAIL_IMAGE_TYPE) return eReport(n, pcName, pu32Position);
  }
  return THUMBNAIL_NONE;
}

THUMBNAIL_TYPE MMC_THUMBS_eFindNext(const char* pcCurrent, char* pcName, U32* pu32Position) {
  return eWalk(pcCurrent, pcName, pu32Position, false, [](THUMBNAIL_FILE_NODE* n) { return n->next; });
}
THUMBNAIL_TYPE MMC_THUMBS_eFindPrevious(const char* pcCurrent, char* pcName, U32* pu32Position) {
  return eWalk(pcCurrent, pcName, pu32Position, false, [](THUMBNAIL_FILE_NODE* n) { return n->prev; });
}
THUMBNAIL_TYPE MMC_THUMBS_eFindNextImage(const char* pcCurrent, char* pcName, U32* pu32Position) {
  return eWalk(pcCurrent, pcName, pu32Position, true, [](THUMBNAIL_FILE_NODE* n) { return n->next; });
}
THUMBNAIL_TYPE MMC_THUMBS_eFindPreviousImage(const char* pcCurrent, char* pcName, U32* pu32Position) {
  return eWalk(pcCurrent, pcName, pu32Position, true, [](THUMBNAIL_FILE_NODE* n) { return n->prev; });
}

THUMBNAIL_TYPE MMC_THUMBS_eFindLatest(char* pcName, THUMBNAIL_TYPE eType, U32* pu32Position) {
  if (eType != THUMBNAIL_IMAGE_TYPE && eType != THUMBNAIL_RECORDING_TYPE) return THUMBNAIL_NONE;
  U32 number = 0;
  if (!H_DATABASE_bFetchU32(eType == THUMBNAIL_IMAGE_TYPE ? FCID("SFID") : FCID("SFSR"), &number)) {
    return THUMBNAIL_NONE;
  }
  char wanted[FILE_NAME_SIZE];
  snprintf(wanted, sizeof wanted, "%c%05u.DAT", eType == THUMBNAIL_IMAGE_TYPE ? 'S' : 'R', (unsigned)(number % 100000));
  std::lock_guard<std::recursive_mutex> lock(s_listMutex);
  vBuildIfNeeded();
  for (THUMBNAIL_FILE_NODE* n = s_tfnThumbNailListHead; n != nullptr; n = n->next) {
    if (strcasecmp(n->cFileName, wanted) == 0) return eReport(n, pcName, pu32Position);
  }
  return THUMBNAIL_NONE;
}

U32 MMC_THUMBS_u32InList(void) {
  std::lock_guard<std::recursive_mutex> lock(s_listMutex);
  vBuildIfNeeded();
  return s_nThumbNailsInList;
}

THUMBNAIL_HEADER_TYPE* T_MMC_pFindThumbNailInListByLocation(U16 u16WaypointId) {
  const WAYPOINT* wp = T_NAV_pGetWaypoint(u16WaypointId);
  if (wp == nullptr) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(s_listMutex);
  vBuildIfNeeded();
  for (THUMBNAIL_FILE_NODE* n = s_tfnThumbNailListHead; n != nullptr; n = n->next) {
    if (n->eType != THUMBNAIL_IMAGE_TYPE || n->s32X != wp->s32X || n->s32Y != wp->s32Y) continue;
    memset(&s_preview, 0, sizeof s_preview);
    s_preview.snapshot = &s_previewData;
    s_previewData.Header.WaypointValid = 0;
    char full[THUMBNAIL_NAME_SIZE];
    vFullName(n, full);
    const size_t len = strlen(full) + 1;
    char* name = static_cast<char*>(H_MEMORY_pvMalloc(len));
    if (name == nullptr) return nullptr;
    memcpy(name, full, len);
    T_MMC_vLoad_Snapshot_Thumbnail(name, &s_preview);
    snprintf(s_preview.sName, sizeof s_preview.sName, "%s", full);
    s_preview.eType = THUMBNAIL_IMAGE_TYPE;
    return &s_preview;
  }
  return nullptr;
}

// ------------------------------------------------------------ loads
void T_MMC_vLoad_Snapshot_Thumbnail(char* pcFileName, THUMBNAIL_HEADER_TYPE* d) {
  if (pcFileName == nullptr) return;
  if (d == nullptr || d->snapshot == nullptr) {
    H_MEMORY_vFree(pcFileName);
    return;
  }
  static U8 s_raw[sizeof(THUMBNAIL_DATA_FILE) + 1];
  size_t got = 0;
  d->bWrongSizeThumbnail = FALSE;
  if (!bReadFile(pcFileName, s_raw, sizeof s_raw, &got) || got != sizeof(THUMBNAIL_DATA_FILE)) {
    d->bWrongSizeThumbnail = TRUE;
  } else {
    (void)T_MMC_bParseThumbnailHeader(s_raw, got, &d->snapshot->Header);
    for (int i = 0; i < THUMBNAIL_PIXELS; ++i) d->snapshot->ImageData[i] = u16Be(s_raw + 32 + 2 * i);
  }
  vCardSize(pcFileName, d);
  H_MEMORY_vFree(pcFileName);
}

void T_MMC_vLoad_Recording_Header(char* pcFileName, THUMBNAIL_HEADER_TYPE* d) {
  if (pcFileName == nullptr) return;
  if (d != nullptr && d->recording != nullptr) {
    U8 raw[sizeof(SONAR_RECORD_THUMB_HEADER)];
    size_t got = 0;
    if (bReadFile(pcFileName, raw, sizeof raw, &got)) (void)T_MMC_bParseRecordHeader(raw, got, d->recording);
    vCardSize(pcFileName, d);
  }
  H_MEMORY_vFree(pcFileName);
}

// ------------------------------------------------------------ deletes
void T_MMC_vDeleteImages(const char* pcFileName) {
  if (pcFileName == nullptr) return;
  std::lock_guard<std::recursive_mutex> lock(s_listMutex);
  vBuildIfNeeded();
  const bool bAllImages = strcmp(pcFileName, "all images") == 0;
  const bool bAllRecordings = strcmp(pcFileName, "all recordings") == 0;
  char full[THUMBNAIL_NAME_SIZE + 8];
  auto vRemoveSnapshot = [&](THUMBNAIL_FILE_NODE* n, bool* pbBmp) {
    vFullName(n, full);
    vRemoveUnit(full);
    char other[sizeof full];
    snprintf(other, sizeof other, "%s", full);
    char* dot = strrchr(other, '.');
    if (dot == nullptr) return;
    strcpy(dot, ".PNG");
    vRemoveUnit(other);
    strcpy(dot, ".BMP");
    struct stat st;
    const bool bmp = stat(PLATFORM_sResolvePath(other).c_str(), &st) == 0;
    vRemoveUnit(other);
    if (pbBmp != nullptr) *pbBmp = bmp;
  };
  auto vRemoveRecording = [&](THUMBNAIL_FILE_NODE* n) {
    vFullName(n, full);
    vRemoveUnit(full);
    char* dot = strrchr(full, '.');
    if (dot != nullptr) *dot = '\0';
    T_MMC_vRemoveDirectory(full);
  };
  if (bAllImages || bAllRecordings) {
    T_MMC_vSetFileName(pcFileName);
    for (THUMBNAIL_FILE_NODE* n = s_tfnThumbNailListHead; n != nullptr;) {
      THUMBNAIL_FILE_NODE* next = n->next;
      if (bAllImages && n->eType == THUMBNAIL_IMAGE_TYPE) {
        vRemoveSnapshot(n, nullptr);
        vUnlink(n);
      } else if (bAllRecordings && n->eType == THUMBNAIL_RECORDING_TYPE) {
        vRemoveRecording(n);
        vUnlink(n);
      }
      n = next;
    }
    vRenumber();
    return;
  }
  THUMBNAIL_FILE_NODE* n = pFind(pcFileName);
  if (n == nullptr) return;
  char shown[MMC_FILE_NAME_SIZE];
  snprintf(shown, sizeof shown, "%s", n->cFileName);
  char* dot = strrchr(shown, '.');
  if (n->eType == THUMBNAIL_IMAGE_TYPE) {
    bool bmp = false;
    vRemoveSnapshot(n, &bmp);
    if (dot != nullptr) strcpy(dot, bmp ? ".BMP" : ".PNG");
  } else {
    vRemoveRecording(n);
    if (dot != nullptr) strcpy(dot, ".SON");
  }
  T_MMC_vSetFileName(shown);
  vUnlink(n);
  vRenumber();
}
