// The SD-card task: card polls, the card flags and the choice of a card
// for a write, the volume queries and the message layer.
#include "source/startup/t_mmc.h"

#include <dirent.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>

#include "common/db_types.h"
#include "common/key_types.h"
#include "common/language.h"
#include "lsvc/lsvc.h"
#include "source/core/dd_sd.h"
#include "source/core/h_database.h"
#include "source/core/ls_sync.h"
#include "source/core/u_file.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/platform/platform.h"
#include "source/startup/startup_upcalls.h"
#include "source/startup/t_mmc_int.h"
#include "source/startup/u_flashnand.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/u_dialog.h"

namespace {

constexpr U8 CARD_RESET_CLEARS = CARD_WRITE_ENABLED | CARD_QUESTION_ASKED | CARD_PRESENT_BIT;
constexpr U8 CARD_RESET_SETS = CARD_HARDWARE_WP | CARD_ZAVIDODAS_WP;
constexpr U32 FIRST_POLL_MS = 2;
constexpr U32 REMOVAL_PAUSE_MS = 1000;
constexpr U32 IMPORT_SCAN_PAUSE_MS = 1000;
constexpr U32 MESSAGE_SHOW_MS = 3000;
constexpr U32 IMPORT_MESSAGE_MS = 10000;
constexpr U32 KEY_MASK_EXIT_KEY = 8;

// Written by the card task, read by the callers of the functions offered to
// other tasks and by the view task's drawing.
std::atomic<U8> s_sCardFlags[MMC_SLOTS];
std::atomic<S32> s_eSuccess{SUCCESS};
std::atomic<bool> s_bRegistered{false};
std::atomic<bool> s_bShutDown{false};
std::atomic<U32> s_u32MessageStamp{0};  // 0: no stamp
std::atomic<U32> s_u32ImportStamp{0};
bool s_bSDcardInitCheck = true;
S32 s_eSystemState = STATE_NORMAL_RUN;
TIMER_INFO* s_pTimer = nullptr;
std::atomic<bool> s_bThumbNailListValid{false};

const FOURCHARID s_fcidPresent[MMC_SLOTS] = {FCID("CSD0"), FCID("CSD1")};
const FOURCHARID s_fcidChart[MMC_SLOTS] = {FCID("CCHA"), FCID("CCH1")};

#define MMC_TEXT(name, text)                                                                                  \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, text, text, \
                                                 text, text}
MMC_TEXT(s_txtSaved, "Successfully saved");
MMC_TEXT(s_txtFailure, "Failure Saving");
MMC_TEXT(s_txtSaving, "Saving");
MMC_TEXT(s_txtNoCard, "No writable MMC/SD card found");
MMC_TEXT(s_txtDeletingImages, "Deleting all images");
MMC_TEXT(s_txtDeletingRecordings, "Deleting all recordings");
MMC_TEXT(s_txtDeleting, "Deleting");
MMC_TEXT(s_txtDeletedImages, "Successfully deleted all images");
MMC_TEXT(s_txtDeletedRecordings, "Successfully deleted all recordings");
MMC_TEXT(s_txtDeleted, "Successfully deleted");
MMC_TEXT(s_txtChartCard, "Writing to Zavidodas cards is not allowed");
MMC_TEXT(s_txtAcquiring, "Acquiring");
MMC_TEXT(s_txtFull, "Memory Card Full.  Recording has stopped.");
MMC_TEXT(s_txtCreateError, "Error creating file.  Recording has stopped.");
MMC_TEXT(s_txtWriteError, "Error writing to MMC card.  Recording has stopped.");
MMC_TEXT(s_txtTooBig,
         "The sonar recording has reached maximum length and stopped. Start a new recording to continue.");
MMC_TEXT(s_txtImport,
         "Navigation data cannot be imported while navigating. Cancel navigation and re-insert MMC/SD card to "
         "import data.");
#undef MMC_TEXT

bool bValid(S32 slot) { return slot >= 0 && slot < MMC_SLOTS; }

void vResetFlags(S32 slot) {
  U8 f = s_sCardFlags[slot].load();
  f = (U8)((f & ~CARD_RESET_CLEARS) | CARD_RESET_SETS);
  s_sCardFlags[slot].store(f);
}
void vSet(S32 slot, U8 bits) { s_sCardFlags[slot].fetch_or(bits); }
void vClear(S32 slot, U8 bits) { s_sCardFlags[slot].fetch_and((U8)~bits); }
void vClearCandidates(void) {
  for (S32 slot = 0; slot < MMC_SLOTS; ++slot) vClear(slot, CARD_WRITE_CANDIDATE);
}
bool bHas(S32 slot, U8 bits) { return (s_sCardFlags[slot].load() & bits) == bits; }

// The unit path of an entry below the slot's mount point; false when it
// does not fit.
bool bCardPath(S32 slot, const char* name, char* out, size_t size) {
  const int n = snprintf(out, size, "%s/%s", DD_SD_pcMountPoint(slot), name);
  return n > 0 && (size_t)n < size;
}

bool bIsFolder(const char* unit_path) {
  struct stat st;
  return stat(PLATFORM_sResolvePath(unit_path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether the folder holds a file whose extension is one of the list.
bool bHasNavigationFiles(const char* unit_dir) {
  DIR* d = opendir(PLATFORM_sResolvePath(unit_dir).c_str());
  if (d == nullptr) return false;
  bool found = false;
  while (struct dirent* e = readdir(d)) {
    if (U_FILE_bCheckExtension(e->d_name, "ZT") || U_FILE_bCheckExtension(e->d_name, "QWR")) {
      found = true;
      break;
    }
  }
  closedir(d);
  return found;
}

void vRegisterMessageLayer(void) {
  s_u32MessageStamp.store(0);
  s_bRegistered.store(true);
  (void)U_VIEW_bRegisterLayer(T_MMC_vDrawMessage, MMC_MESSAGE_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                              nullptr);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

// The card in slot was found gone.
void vCardRemoved(S32 slot) {
  vResetFlags(slot);
  (void)H_DATABASE_bUpdateValueBoolean(s_fcidPresent[slot], FALSE, P_NORMAL);
  (void)H_DATABASE_bUpdateValueVoidPointer(s_fcidChart[slot], nullptr, P_NORMAL);
  T_MMC_vInvalidateThumbNailList();
  log_me("MMC: card removed from slot %d", (int)slot);
  L_CLOCK_Sleep(REMOVAL_PAUSE_MS);
  DD_SD_vUmount(slot);
}

// A card was mounted in slot: classify it and do the insertion work.
void vCardInserted(S32 slot) {
  vSet(slot, CARD_PRESENT_BIT);
  if (!DD_SD_bIsHardwareWriteEnabled(slot)) {
    vSet(slot, CARD_HARDWARE_WP);
    vClear(slot, CARD_WRITE_ENABLED);
  } else {
    vClear(slot, CARD_HARDWARE_WP);
    char path[MMC_COMPOSED_SIZE];
    if (bCardPath(slot, "ZAVIDODA", path, sizeof path) && bIsFolder(path)) {
      vSet(slot, CARD_ZAVIDODAS_WP | CARD_ZAVIDODAS);
    } else {
      vClear(slot, CARD_ZAVIDODAS_WP | CARD_ZAVIDODAS);
    }
    if (!bHas(slot, CARD_HARDWARE_WP) && !bHas(slot, CARD_ZAVIDODAS_WP)) vSet(slot, CARD_WRITE_ENABLED);
  }
  const U8 flags = s_sCardFlags[slot].load();
  log_me("MMC: card in slot %d, writable %d, switch %d, chart card %d", (int)slot,
         (flags & CARD_WRITE_ENABLED) ? 1 : 0, (flags & CARD_HARDWARE_WP) ? 1 : 0, (flags & CARD_ZAVIDODAS) ? 1 : 0);

  U32 state = 0;
  if (H_DATABASE_bFetchU32(FCID("CCST"), &state)) {
    if (state != STATE_UPDATING_CODE) s_eSystemState = (S32)state;
    if (state != STATE_BURN_IN && state != STATE_DIAGNOSTIC && state != STATE_INLINE_TEST &&
        !(flags & CARD_ZAVIDODAS)) {
      T_MMC_vProfileExchange(slot);
    }
  }
  T_MMC_vUpdateFlash(slot);
  (void)U_FLASHNAND_bUpdateFlashNAND((int)slot);

  if (!s_bSDcardInitCheck) {
    char dir[MMC_COMPOSED_SIZE];
    if (bCardPath(slot, "TESSIX", dir, sizeof dir) && bIsFolder(dir)) {
      const bool found = bHasNavigationFiles(dir);
      L_CLOCK_Sleep(IMPORT_SCAN_PAUSE_MS);
      if (found) {
        U32 navigating = 1;
        if (!H_DATABASE_bFetchU32(FCID("INIP"), &navigating) || navigating != 0) {
          U32 now = lm_gettime(nullptr);
          s_u32ImportStamp.store(now == 0 ? 1 : now);
          (void)U_VIEW_bRegisterLayer(T_MMC_vDrawImportMessage, NAV_DATA_LOAD_MESSAGE_LAYER, USED_BY_ALL, 0, 0,
                                      TRUE, nullptr, nullptr, nullptr);
          (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
        } else {
          T_NAV_DATA_vImportFromMMC(slot);
        }
      }
    }
  }
  (void)H_DATABASE_bUpdateValueBoolean(s_fcidPresent[slot], TRUE, P_NORMAL);
  T_MMC_vInvalidateThumbNailList();
}

void vHandleTimer(void) {
  for (S32 slot = 0; slot < MMC_SLOTS; ++slot) {
    if (bHas(slot, CARD_PRESENT_BIT)) {
      if (!DD_SD_bIsCardPresent(slot)) vCardRemoved(slot);
      continue;
    }
    vResetFlags(slot);
    if (DD_SD_bInitCard(slot)) vCardInserted(slot);
  }
  s_bSDcardInitCheck = false;
}

}  // namespace

void T_MMC_vShutdownCards(void) {
  if (s_pTimer != nullptr) {
    (void)L_TIMER_Stop(s_pTimer);
    (void)L_TIMER_Release(s_pTimer);
    s_pTimer = nullptr;
  }
  (void)L_SEMA_SetPending(SEMA_TIMER_MMC);
  for (S32 slot = 0; slot < MMC_SLOTS; ++slot) DD_SD_vUmount(slot);
  s_bShutDown.store(true);
}

S32 T_MMC_eRememberedSystemState(void) { return s_eSystemState; }

namespace {

void vHandleMessage(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_SHUTDOWN:
      T_MMC_vShutdownCards();
      break;
    case CMD_ID_KEY_CHANGE: {
      const auto* key = reinterpret_cast<const MSG_KEY_CHANGE*>(pMsg);
      if (key->key == KEY_MASK_EXIT_KEY) {
        (void)L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
        (void)U_KEYBOARD_bUnregisterKeys(M_MMC, KEY_MASK_EXIT_KEY);
        (void)U_VIEW_bUnRegisterLayer(MMC_MESSAGE_LAYER);
        s_bRegistered.store(false);
      }
      break;
    }
    case CMD_ID_EXPORT_NAV_DATA:
      T_NAV_DATA_vExportAllTracksWaypointsRoutes();
      break;
    case CMD_ID_EXPORT_SELECTED_NAV_DATA:
      T_NAV_DATA_vExportSelectedTracksWaypointsRoutes();
      break;
    default:
      (void)T_MMC_bHandleFileMessage(pMsg);
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

// statvfs of a unit path.
bool bStatVfs(const char* unit_path, struct statvfs* st) {
  return statvfs(PLATFORM_sResolvePath(unit_path).c_str(), st) == 0;
}

BOOLEAN bVolumeInfo(const char* unit_path, VOL_INFO* v, bool bConvert) {
  if (v == nullptr) return FALSE;
  memset(v, 0, sizeof *v);
  struct statvfs st;
  if (unit_path == nullptr || !bStatVfs(unit_path, &st)) return FALSE;
  v->u32BytesPerBlock = (U32)st.f_bsize;
  if (!bConvert) {
    v->u32TotalKB = (U32)st.f_blocks;
    v->u32FreeKB = (U32)st.f_bfree;
  } else if (st.f_bsize % 1024 == 0) {
    v->u32TotalKB = (U32)(st.f_blocks * (st.f_bsize / 1024));
    v->u32FreeKB = (U32)(st.f_bfree * (st.f_bsize / 1024));
  } else {
    v->u32TotalKB = (U32)((U32)(st.f_blocks * st.f_bsize) >> 10);
    v->u32FreeKB = (U32)((U32)(st.f_bfree * st.f_bsize) >> 10);
  }
  return v->u32BytesPerBlock != 0 ? TRUE : FALSE;
}

char* pcCopy(const char* path) {
  const size_t n = strlen(path) + 1;
  char* out = static_cast<char*>(H_MEMORY_pvMalloc(n));
  if (out != nullptr) memcpy(out, path, n);
  return out;
}

}  // namespace

// ------------------------------------------------------------ state for the other modules
U8 T_MMC_u8CardFlags(S32 slot) { return bValid(slot) ? s_sCardFlags[slot].load() : 0; }
SAVE_STATUS T_MMC_eSaveStatus(void) { return (SAVE_STATUS)s_eSuccess.load(); }
void T_MMC_vSetStatus(SAVE_STATUS status) { s_eSuccess.store(status); }
void T_MMC_vShowStatus(SAVE_STATUS status) {
  s_eSuccess.store(status);
  vRegisterMessageLayer();
}
void T_MMC_vInvalidateThumbNailList(void) { s_bThumbNailListValid.store(false); }
bool T_MMC_bThumbNailListValid(void) { return s_bThumbNailListValid.load(); }
void T_MMC_vThumbNailListBuilt(void) { s_bThumbNailListValid.store(true); }

// ------------------------------------------------------------ functions for other tasks
BOOLEAN T_MMC_bDeviceSpaceCheck(S32 nDeviceIndex, const U32* pu32SizeList) {
  if (!bValid(nDeviceIndex)) return FALSE;
  struct statvfs st;
  if (!bStatVfs(DD_SD_pcMountPoint(nDeviceIndex), &st) || st.f_bsize == 0) return FALSE;
  unsigned long long need = 1;
  for (const U32* p = pu32SizeList; p != nullptr && *p != 0; ++p) need += (*p + st.f_bsize - 1) / st.f_bsize;
  return (unsigned long long)st.f_bfree >= need ? TRUE : FALSE;
}

BOOLEAN T_MMC_bIsCardWriteable(S32 s32Device) {
  return (bValid(s32Device) && bHas(s32Device, CARD_WRITE_ENABLED)) ? TRUE : FALSE;
}

S32 T_MMC_eReadMMCCardType(S32 nDeviceIndex) { return DD_SD_eReadCardType(nDeviceIndex); }
S32 T_MMC_vFindMMCSlot(S32 slot) { return slot; }

BOOLEAN T_MMC_bGetVolumeInfoFromDeviceIndex(S32 nDeviceIndex, VOL_INFO* viptr) {
  return bVolumeInfo(bValid(nDeviceIndex) ? DD_SD_pcMountPoint(nDeviceIndex) : nullptr, viptr, true);
}
BOOLEAN T_MMC_bGetVolumeInfoFromDeviceName(const char* pDeviceName, VOL_INFO* viptr) {
  return bVolumeInfo(pDeviceName, viptr, true);
}
BOOLEAN T_MMC_bGetRawVolumeInfoFromDeviceIndex(S32 nDeviceIndex, VOL_INFO* viptr) {
  return bVolumeInfo(bValid(nDeviceIndex) ? DD_SD_pcMountPoint(nDeviceIndex) : nullptr, viptr, false);
}
BOOLEAN T_MMC_bGetRawVolumeInfoFromDeviceName(const char* pDeviceName, VOL_INFO* viptr) {
  return bVolumeInfo(pDeviceName, viptr, false);
}

char* T_MMC_pcDeviceMakeDirectory(const char* const* pcDirList, const U32* pu32SizeList) {
  s_eSuccess.store(SUCCESS);
  if (pcDirList == nullptr || pcDirList[0] == nullptr) return nullptr;
  bool candidate[MMC_SLOTS] = {};
  bool any = false;
  for (S32 slot = 0; slot < MMC_SLOTS; ++slot) {
    const U8 f = s_sCardFlags[slot].load();
    candidate[slot] = (f & CARD_PRESENT_BIT) &&
                      ((f & CARD_WRITE_ENABLED) ||
                       ((f & CARD_ZAVIDODAS) && !(f & CARD_HARDWARE_WP) && !(f & CARD_QUESTION_ASKED)));
    if (candidate[slot] && pu32SizeList != nullptr && !T_MMC_bDeviceSpaceCheck(slot, pu32SizeList)) {
      candidate[slot] = false;
    }
    if (candidate[slot]) vSet(slot, CARD_WRITE_CANDIDATE);
    any = any || candidate[slot];
  }
  if (!any) return nullptr;
  char path[MMC_COMPOSED_SIZE];
  auto bChart = [](S32 slot) { return bHas(slot, CARD_ZAVIDODAS); };
  // An existing folder of the list on any writable card.
  for (S32 slot = 0; slot < MMC_SLOTS; ++slot) {
    if (!candidate[slot] || bChart(slot)) continue;
    for (const char* const* dir = pcDirList; *dir != nullptr; ++dir) {
      if (bCardPath(slot, *dir, path, sizeof path) && bIsFolder(path)) {
        vClearCandidates();
        return pcCopy(path);
      }
    }
  }
  // Otherwise the first folder is made, slot 0 first.
  for (S32 slot = 0; slot < MMC_SLOTS; ++slot) {
    if (!candidate[slot] || bChart(slot)) continue;
    if (bCardPath(slot, pcDirList[0], path, sizeof path) &&
        mkdir(PLATFORM_sResolvePath(path).c_str(), 0777) == 0) {
      vClearCandidates();
      return pcCopy(path);
    }
  }
  // A chart-vendor card is refused once per insertion.
  for (S32 slot = 0; slot < MMC_SLOTS; ++slot) {
    if (!candidate[slot] || !bChart(slot)) continue;
    vClear(slot, CARD_WRITE_ENABLED | CARD_WRITE_CANDIDATE);
    vSet(slot, CARD_ZAVIDODAS_WP | CARD_QUESTION_ASKED);
    (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    log_me("MMC: slot %d holds a chart card, not written", (int)slot);
    T_MMC_vShowStatus(ZAVIDODAS_WRITE_DISABLE);
  }
  vClearCandidates();
  return nullptr;
}

void T_MMC_vDrawErrorMessage(void) {
  if (s_bRegistered.load()) return;
  T_MMC_vShowStatus(MMC_CREATE_ERROR);
}

void T_MMC_vRemoveDirectory(const char* pcDirectoryName) {
  if (pcDirectoryName == nullptr) return;
  if (strlen(pcDirectoryName) >= MMC_DIR_PATH_SIZE) {
    log_me("MMC: folder name too long, not removed: %s", pcDirectoryName);
    return;
  }
  DIR* d = opendir(PLATFORM_sResolvePath(pcDirectoryName).c_str());
  if (d != nullptr) {
    while (struct dirent* e = readdir(d)) {
      if (e->d_name[0] == '.') continue;
      char path[MMC_DIR_PATH_SIZE];
      const int n = snprintf(path, sizeof path, "%s/%s", pcDirectoryName, e->d_name);
      if (n < 0 || (size_t)n >= sizeof path) {
        log_me("MMC: entry name too long, left in place: %s/%s", pcDirectoryName, e->d_name);
        continue;
      }
      (void)FS_Remove(path);
    }
    closedir(d);
  }
  (void)rmdir(PLATFORM_sResolvePath(pcDirectoryName).c_str());
}

// ------------------------------------------------------------ message layer
void T_MMC_vMessageText(char* pcText, size_t size) {
  if (pcText == nullptr || size == 0) return;
  pcText[0] = '\0';
  if (!s_bRegistered.load()) return;
  const int lang = nCurrentLanguage();
  char name[MMC_FILE_NAME_SIZE];
  T_MMC_vFileName(name, sizeof name);
  switch ((SAVE_STATUS)s_eSuccess.load()) {
    case SUCCESS:
      snprintf(pcText, size, "%s %s", s_txtSaved[lang], name);
      break;
    case FAILURE:
      snprintf(pcText, size, "%s %s", s_txtFailure[lang], name);
      break;
    case BUSY:
      snprintf(pcText, size, "%s %s: %u%%", s_txtSaving[lang], name, (unsigned)(T_MMC_u32LinesDone() / 6));
      break;
    case NO_MMC:
      snprintf(pcText, size, "%s", s_txtNoCard[lang]);
      break;
    case DELETING:
      if (strcmp(name, "all images") == 0) {
        snprintf(pcText, size, "%s", s_txtDeletingImages[lang]);
      } else if (strcmp(name, "all recordings") == 0) {
        snprintf(pcText, size, "%s", s_txtDeletingRecordings[lang]);
      } else {
        snprintf(pcText, size, "%s %s", s_txtDeleting[lang], name);
      }
      break;
    case DELETED:
      if (strcmp(name, "all images") == 0) {
        snprintf(pcText, size, "%s", s_txtDeletedImages[lang]);
      } else if (strcmp(name, "all recordings") == 0) {
        snprintf(pcText, size, "%s", s_txtDeletedRecordings[lang]);
      } else {
        snprintf(pcText, size, "%s %s", s_txtDeleted[lang], name);
      }
      break;
    case ZAVIDODAS_WRITE_DISABLE:
      snprintf(pcText, size, "%s", s_txtChartCard[lang]);
      break;
    case BUSY_ENDFILL:
    case BUSY_ENDFILL_DONE: {
      U32 columns = 0;
      (void)H_DATABASE_bFetchU32(FCID("CTCU"), &columns);
      if (columns > 818) s_eSuccess.store(BUSY_ENDFILL_DONE);
      snprintf(pcText, size, "%s : %u%%", s_txtAcquiring[lang], (unsigned)(columns * 100 / 818));
      break;
    }
    case MMC_FULL:
      snprintf(pcText, size, "%s", s_txtFull[lang]);
      break;
    case MMC_CREATE_ERROR:
      snprintf(pcText, size, "%s", s_txtCreateError[lang]);
      break;
    case MMC_WRITE_ERROR:
      snprintf(pcText, size, "%s", s_txtWriteError[lang]);
      break;
    case MMC_FILE_TOO_BIG:
      snprintf(pcText, size, "%s", s_txtTooBig[lang]);
      break;
  }
}

void T_MMC_vDrawMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  if (pBitmap == nullptr || !s_bRegistered.load()) return;
  const SAVE_STATUS status = (SAVE_STATUS)s_eSuccess.load();
  if (status == BUSY || status == DELETING || status == BUSY_ENDFILL) {
    s_u32MessageStamp.store(0);
  } else if (status != MMC_FILE_TOO_BIG) {
    const U32 now = lm_gettime(nullptr);
    const U32 stamp = s_u32MessageStamp.load();
    if (stamp == 0) {
      s_u32MessageStamp.store(now == 0 ? 1 : now);
    } else if (now - stamp >= MESSAGE_SHOW_MS) {
      (void)U_VIEW_bUnRegisterLayer(MMC_MESSAGE_LAYER);
      s_u32MessageStamp.store(0);
      s_bRegistered.store(false);
      return;
    }
  }
  char text[256];
  T_MMC_vMessageText(text, sizeof text);
  if (status == MMC_FILE_TOO_BIG) {
    U_DIALOG_vDrawDialog(pBitmap, text, std_16x17_font_def_ptr.load(), 2, 400, nullptr, nullptr,
                         JUSTIFICATION_CENTER, JUSTIFICATION_CENTER);
    return;
  }
  const bool small = status == MMC_FULL || status == MMC_CREATE_ERROR || status == MMC_WRITE_ERROR;
  const FONT_DEF* pFont = small ? std_11x14_font_def_ptr.load() : std_16x17_font_def_ptr.load();
  if (pFont == nullptr) return;
  S32 width = (S32)G_STRING_u32GetWidth(pFont, text) + 10;
  const S32 wide = pBitmap->pixels_wide;
  S32 x = (wide - width) / 2;
  if (width > wide - 20) {
    width = wide - 20;
    x = 10;
  }
  const POINT anchor = {x, pBitmap->pixels_high / 3};
  U_DIALOG_vDrawMessageBlockOutlined(pBitmap, text, pFont, 0, JUSTIFICATION_CENTER, JUSTIFICATION_BOTTOM, anchor,
                                     (U16)width, gCOLOR_pcolColorTable[35], gCOLOR_pcolColorTable[32],
                                     gCOLOR_pcolColorTable[32]);
}

void T_MMC_vDrawImportMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  if (pBitmap == nullptr) return;
  const U32 stamp = s_u32ImportStamp.load();
  if (stamp == 0 || lm_gettime(nullptr) - stamp > IMPORT_MESSAGE_MS) {
    s_u32ImportStamp.store(0);
    (void)U_VIEW_bUnRegisterLayer(NAV_DATA_LOAD_MESSAGE_LAYER);
    return;
  }
  U_DIALOG_vDrawDialog(pBitmap, s_txtImport[nCurrentLanguage()], std_11x14_font_def_ptr.load(), 0, 533, nullptr,
                       nullptr, JUSTIFICATION_CENTER, JUSTIFICATION_CENTER);
}

// ------------------------------------------------------------ the task
void T_MMC_vTask(void) {
  if (H_DATABASE_bUpdateEverythingU32(FCID("TMMC"), M_MMC, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    FATAL_ERROR("Somebody else registered the MMC Task Maibox");
  }
  for (S32 slot = 0; slot < MMC_SLOTS; ++slot) {
    (void)H_DATABASE_bUpdateEverythingBoolean(s_fcidPresent[slot], FALSE, P_NORMAL, D_UNITS, nullptr,
                                              DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingVoidPointer(s_fcidChart[slot], nullptr, P_NORMAL, D_POINTER, nullptr,
                                                  DB_NO_TIMEOUT);
  }
  s_pTimer = L_TIMER_Allocate();
  if (s_pTimer == nullptr) FATAL_ERROR("No Timers");
  (void)L_TIMER_Start(s_pTimer, FIRST_POLL_MS, 0, SEMA_TIMER_MMC);
  for (S32 slot = 0; slot < MMC_SLOTS; ++slot) vResetFlags(slot);
  T_MMC_vInitFiles();
  (void)H_DATABASE_bUpdateEverythingU32(FCID("CTCU"), 0, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);

  static const SEMA s_waitList[] = {SEMA_MBOX_MMC, SEMA_TIMER_MMC, 0};
  for (;;) {
    const S32 fired = L_SEMA_WaitMultiple(s_waitList);
    if (fired == SEMA_MBOX_MMC) {
      while (void* pMsg = L_MBOX_Receive(M_MMC)) vHandleMessage(static_cast<GENERIC_MESSAGE*>(pMsg));
    } else if (fired == SEMA_TIMER_MMC) {
      if (!s_bShutDown.load()) vHandleTimer();
    } else {
      log_me("MMC: cannot wait on its semaphores (%d)", (int)fired);
      L_CLOCK_Sleep(1000);
    }
  }
}
