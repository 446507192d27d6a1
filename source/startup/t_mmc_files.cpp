// The card task's file work: the name shown by the message layer, the
// buffered-I/O records and the file commands.
#include <stdio.h>
#include <string.h>

#include <atomic>
#include <mutex>

#include "source/startup/t_mmc_int.h"
#include "common/mmc_types.h"
#include "source/startup/t_mmc_png.h"
#include "source/startup/t_mmc_snapshot.h"
#include "source/graphics/t_view_review.h"
#include "source/startup/t_mmc_thumbs.h"
#include "source/startup/u_mmc_bufio.h"

namespace {

std::mutex s_nameMutex;
char s_cFileName[MMC_FILE_NAME_SIZE];
std::atomic<U32> s_u32Lines{0};

constexpr int IO_RECORDS = 8;
BUFFERED_IO_CONTROL s_sIOBufferControl[IO_RECORDS];

// The card task's own buffers for a thumbnail or recording-header load: the
// file is read here, and the result goes to the destination slot through
// the review view, which copies it under its own lock only while the slot
// still waits for that file (the view never sees a half-read picture, and a
// slot that scrolled on keeps its new item).
THUMBNAIL_DATA_FILE s_stagedPicture;
SONAR_RECORD_THUMB_HEADER s_stagedRecording;

void vLoadThumbnail(MSG_LOAD_THUMBNAIL* m, bool bRecording) {
  char* name = m->pFilename;
  m->pFilename = nullptr;
  if (name == nullptr) return;
  THUMBNAIL_HEADER_TYPE* dest = m->pThumbnailDestination;
  if (dest == nullptr) {
    H_MEMORY_vFree(name);
    return;
  }
  char wanted[THUMBNAIL_NAME_SIZE];
  snprintf(wanted, sizeof wanted, "%s", name);
  THUMBNAIL_HEADER_TYPE staged{};
  if (bRecording) {
    memset(&s_stagedRecording, 0, sizeof s_stagedRecording);
    staged.recording = &s_stagedRecording;
    T_MMC_vLoad_Recording_Header(name, &staged);  // frees name
  } else {
    staged.snapshot = &s_stagedPicture;
    T_MMC_vLoad_Snapshot_Thumbnail(name, &staged);  // frees name
  }
  T_VIEW_vStoreThumbnail(dest, wanted, &staged);
}

}  // namespace

void T_MMC_vFileName(char* pcName, size_t size) {
  std::lock_guard<std::mutex> lock(s_nameMutex);
  snprintf(pcName, size, "%s", s_cFileName);
}

void T_MMC_vSetFileName(const char* pcName) {
  std::lock_guard<std::mutex> lock(s_nameMutex);
  snprintf(s_cFileName, sizeof s_cFileName, "%s", pcName != nullptr ? pcName : "");
}

U32 T_MMC_u32LinesDone(void) { return s_u32Lines.load(); }
void T_MMC_vResetLines(void) { s_u32Lines.store(0); }
void T_MMC_vCountLine(void) { s_u32Lines.fetch_add(1); }
BUFFERED_IO_CONTROL* T_MMC_psIOControl(int n) { return &s_sIOBufferControl[n & (IO_RECORDS - 1)]; }

void T_MMC_vInitFiles(void) {
  for (BUFFERED_IO_CONTROL& c : s_sIOBufferControl) memset(&c, 0, sizeof c);
  T_MMC_vSetFileName("");
  s_u32Lines.store(0);
}


bool T_MMC_bHandleFileMessage(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_SCREEN_DUMP:
      T_MMC_vSnapshot(reinterpret_cast<MSG_GET_SCREEN_DUMP*>(pMsg)->pBitmap);
      return true;
    case CMD_ID_KEELAR_SCREENSHOT: {
      auto* m = reinterpret_cast<MSG_KEELAR_SCREENSHOT*>(pMsg);
      T_MMC_vKeelarScreenshot(m->u32Length, m->pData);
      m->pData = nullptr;
      return true;
    }
    case CMD_ID_LOAD_THUMBNAIL:
      vLoadThumbnail(reinterpret_cast<MSG_LOAD_THUMBNAIL*>(pMsg), false);
      return true;
    case CMD_ID_LOAD_RECORDING:
      vLoadThumbnail(reinterpret_cast<MSG_LOAD_THUMBNAIL*>(pMsg), true);
      return true;
    case CMD_ID_DELETE_IMAGE: {
      auto* m = reinterpret_cast<MSG_DELETE_IMAGE*>(pMsg);
      m->FileName[sizeof m->FileName - 1] = '\0';
      T_MMC_vSetStatus(DELETING);
      T_MMC_vShowStatus(DELETING);
      T_MMC_vDeleteImages(m->FileName);
      T_MMC_vInvalidateThumbNailList();
      T_MMC_vShowStatus(DELETED);
      if (strcmp(m->FileName, "all images") == 0 || strcmp(m->FileName, "all recordings") == 0) {
        T_VIEW_vDeleteAllComplete();
      } else {
        T_VIEW_vDeleteComplete();
      }
      (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
      return true;
    }
    default:
      break;
  }
  return T_MMC_bHandlePictureMessage(pMsg);
}
