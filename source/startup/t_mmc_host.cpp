// SD-card task stand-in: until the card task is built, its mailbox (key
// TMMC) serves the requests other tasks already make of it, from the card
// folders as the unit sees them (/mnt/mmc0, /mnt/mmc1, under the host root):
//  - CMD_ID_LOAD_BMP: a PNG picture into a full-screen bitmap;
//  - CMD_ID_LOAD_THUMBNAIL: a snapshot's 200 x 150 thumbnail for the review
//    view (every fourth pixel of an 800 x 600 picture; any other size is a
//    wrong-sized snapshot);
//  - the thumbnail list: the PNG files in the folders' tops, slot 0 first,
//    by name (no recordings);
//  - the card slots: on the card driver's events (and at start) a card that
//    arrived is mounted and one that left is unmounted, and CSD0 / CSD1 say
//    whether slot 0 / 1 holds a mounted card.
// Every other request is disposed of unread.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/dd_sd.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view_review.h"
#include "source/platform/platform.h"
#include "source/startup/task_stubs.h"

namespace {

// Copies the picture into the bitmap, the top row of the picture at the
// top of the screen, cut to the bitmap's size.
void vCopyPicture(BITMAP* b, const std::vector<U16>& px, int w, int h) {
  U16* dst = (U16*)b->pBuffer;
  if (dst == nullptr) return;
  const int pitch = (int)b->__u32PixelWidthOfBuffer;
  const int rows = h < b->pixels_high_full_screen ? h : b->pixels_high_full_screen;
  const int cols = w < b->pixels_wide_full_screen ? w : b->pixels_wide_full_screen;
  for (int r = 0; r < rows; ++r) memcpy(dst + (size_t)r * pitch, px.data() + (size_t)r * w, (size_t)cols * 2);
}

void vLoadBitmap(MSG_LOAD_BITMAP* m) {
  const bool current = m->pu32LatestRequestID == nullptr || m->u32RequestID >= m->pu32LatestRequestID->load();
  if (current && m->pBitmap != nullptr && m->pFileName != nullptr) {
    std::vector<U16> px;
    int w = 0, h = 0;
    const std::string path = PLATFORM_sResolvePath(m->pFileName);
    if (PLATFORM_bReadPng565(path.c_str(), &px, &w, &h)) {
      vCopyPicture(m->pBitmap, px, w, h);
    } else {
      log_me("MMC: picture %s not loaded", m->pFileName);
    }
  }
  if (m->pFileName != nullptr) H_MEMORY_vFree(m->pFileName);
  m->pFileName = nullptr;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  if (m->semaDone != 0) L_SEMA_Signal(m->semaDone);
}

// The snapshots on the cards, as unit paths.
std::vector<std::string> vecList(void) {
  std::vector<std::string> out;
  for (const char* folder : {"/mnt/mmc0", "/mnt/mmc1"}) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(PLATFORM_sResolvePath(folder), ec)) {
      const std::string name = e.path().filename().string();
      if (name.size() < 5 || !e.is_regular_file(ec)) continue;
      std::string ext = name.substr(name.size() - 4);
      std::transform(ext.begin(), ext.end(), ext.begin(), ::toupper);
      const std::string unitPath = std::string(folder) + "/" + name;
      if (ext == ".PNG" && unitPath.size() < THUMBNAIL_NAME_SIZE) names.push_back(unitPath);
    }
    std::sort(names.begin(), names.end());
    out.insert(out.end(), names.begin(), names.end());
  }
  return out;
}

THUMBNAIL_TYPE eAt(const std::vector<std::string>& list, size_t i, char* pcName, U32* pu32Position) {
  if (i >= list.size()) return THUMBNAIL_NONE;
  if (pcName != nullptr) snprintf(pcName, THUMBNAIL_NAME_SIZE, "%s", list[i].c_str());
  if (pu32Position != nullptr) *pu32Position = (U32)(i + 1);
  return THUMBNAIL_IMAGE_TYPE;
}

size_t uIndexOf(const std::vector<std::string>& list, const char* pcName) {
  if (pcName == nullptr) return list.size();
  return (size_t)(std::find(list.begin(), list.end(), std::string(pcName)) - list.begin());
}

U32 u32Count(void) { return (U32)vecList().size(); }
THUMBNAIL_TYPE eFirst(char* pcName, U32* pu32Position) { return eAt(vecList(), 0, pcName, pu32Position); }
THUMBNAIL_TYPE eLast(char* pcName, U32* pu32Position) {
  const std::vector<std::string> list = vecList();
  return list.empty() ? THUMBNAIL_NONE : eAt(list, list.size() - 1, pcName, pu32Position);
}
THUMBNAIL_TYPE eNext(const char* pcCurrent, char* pcName, U32* pu32Position) {
  const std::vector<std::string> list = vecList();
  const size_t i = uIndexOf(list, pcCurrent);
  return i >= list.size() ? THUMBNAIL_NONE : eAt(list, i + 1, pcName, pu32Position);
}
THUMBNAIL_TYPE ePrevious(const char* pcCurrent, char* pcName, U32* pu32Position) {
  const std::vector<std::string> list = vecList();
  const size_t i = uIndexOf(list, pcCurrent);
  return i == 0 || i >= list.size() ? THUMBNAIL_NONE : eAt(list, i - 1, pcName, pu32Position);
}

void vLoadThumbnail(MSG_LOAD_THUMBNAIL* m) {
  if (m->pFilename == nullptr) return;
  std::vector<U16> px;
  int w = 0, h = 0;
  const std::string path = PLATFORM_sResolvePath(m->pFilename);
  if (!PLATFORM_bReadPng565(path.c_str(), &px, &w, &h)) {
    log_me("MMC: thumbnail %s not loaded", m->pFilename);
    T_VIEW_vStoreThumbnail(m->pThumbnailDestination, m->pFilename, nullptr, TRUE);
  } else if (w != 800 || h != 600) {
    T_VIEW_vStoreThumbnail(m->pThumbnailDestination, m->pFilename, nullptr, TRUE);
  } else {
    std::vector<U16> thumb((size_t)THUMBNAIL_WIDTH * THUMBNAIL_HEIGHT);
    for (int y = 0; y < THUMBNAIL_HEIGHT; ++y) {
      for (int x = 0; x < THUMBNAIL_WIDTH; ++x) thumb[(size_t)y * THUMBNAIL_WIDTH + x] = px[(size_t)(y * 4) * w + x * 4];
    }
    T_VIEW_vStoreThumbnail(m->pThumbnailDestination, m->pFilename, thumb.data(), FALSE);
  }
  H_MEMORY_vFree(m->pFilename);
  m->pFilename = nullptr;
}

bool s_abMounted[DD_SD_SLOTS];

void vCheckSlots(void) {
  for (S32 slot = 0; slot < DD_SD_SLOTS; ++slot) {
    const bool present = DD_SD_bIsCardPresent(slot) != FALSE;
    if (present && !s_abMounted[slot]) {
      s_abMounted[slot] = DD_SD_bInitCard(slot) != FALSE;
      if (!s_abMounted[slot]) log_me("MMC: card in slot %d not mounted", (int)slot);
    } else if (!present && s_abMounted[slot]) {
      DD_SD_vUmount(slot);
      s_abMounted[slot] = false;
    }
    H_DATABASE_bUpdateEverythingBoolean(slot == 0 ? FCID("CSD0") : FCID("CSD1"), s_abMounted[slot] ? TRUE : FALSE,
                                        P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  }
}

}  // namespace

void T_MMC_vInstallHost(void) {
  T_MMC_u32ThumbNailsInList_Install(&u32Count);
  T_MMC_eFindFirstThumbNail_Install(&eFirst);
  T_MMC_eFindLastThumbNail_Install(&eLast);
  T_MMC_eFindNextThumbNail_Install(&eNext);
  T_MMC_eFindPreviousThumbNail_Install(&ePrevious);
}

void T_MMC_vTask(void) {
  H_DATABASE_bUpdateEverythingU32(FCID("TMMC"), (U32)M_MMC, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  vCheckSlots();
  const SEMA list[] = {SEMA_MBOX_MMC, SEMA_TIMER_MMC, 0};
  for (;;) {
    if (L_SEMA_WaitMultiple(list) == SEMA_TIMER_MMC) vCheckSlots();
    while (void* p = L_MBOX_Receive(M_MMC)) {
      const CMD_ID cmd = ((GENERIC_MESSAGE*)p)->Cmd;
      if (cmd == CMD_ID_LOAD_BMP) vLoadBitmap((MSG_LOAD_BITMAP*)p);
      if (cmd == CMD_ID_LOAD_THUMBNAIL) vLoadThumbnail((MSG_LOAD_THUMBNAIL*)p);
      H_MEMORY_vDumpMail(p);
    }
  }
}
