// The NVRAM task (see t_nvram.h).
#include "source/startup/t_nvram.h"

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>

#include "source/core/h_database.h"

namespace {

bool s_bShutDown = false;  // CMD_ID_SHUTDOWN was handled

// The unit header control table: the keys written as soon as they change.
struct UNIT_HEADER_CONTROL {
  FOURCHARID id;
  BOOLEAN bRegistered;
};
UNIT_HEADER_CONTROL s_4chHeader[NVR_HEADER_ENTRIES];

// Still saved in the burn-in and point-of-sale states.
const FOURCHARID s_4chSaveAlways[] = {
    FCID("SCUO"), FCID("CREV"), FCID("SCFO"), FCID("SFVR"), FCID("SMDL"), FCID("SENB"), FCID("SENU"),
    FCID("SEDB"), FCID("SEDU"), FCID("SEIB"), FCID("SEIU"), FCID("SETB"), FCID("SLNG"), FCID("SIMT"),
    FCID("SCOM"), FCID("SCOP"), FCID("SNNS"), FCID("SFID"), FCID("SFSR"), FCID("STMD"), FCID("SDBV"),
    FCID("SDEN"), FCID("SNNT"), FCID("SMAC"), FCID("SNMV"), FCID("SNNI"),
};

constexpr U32 SAVE_PERIOD_MS = 600000;
constexpr U32 BITMAP_FILE_BYTES = NVR_BITMAP_WORDS * 4;
// Transducer types are the rows 0 to 18 of the transducer table.
constexpr U32 TRANSDUCER_TYPES = 19;
// Database elements left free for the other tasks when a damaged store
// offers more saved keys than memory holds.
constexpr U32 RESTORE_RESERVE = 400;
// More saved keys than this system has ever defined: the bitmap is damaged.
constexpr U32 MOST_SAVED_KEYS = 4096;

TIMER_INFO* s_pSaveSettings = nullptr;

char* s_pcKey(FOURCHARID key, char* out) {
  for (int i = 0; i < 4; i++) {
    const U8 c = (U8)(key >> (8 * i));
    out[i] = (c >= 0x20 && c < 0x7F) ? (char)c : '?';
  }
  out[4] = '\0';
  return out;
}

void vFatal(const char* text) {
  ERROR_error("t_nvram", 0, text);
  U_RESET_vReset();
}

BOOLEAN bIsHeaderKey(FOURCHARID key) { return T_NVRAM_u32FetchItemNumber(key) != 0xFFFFFFFFu ? TRUE : FALSE; }

// A saved value this software cannot use: the key keeps its default.
BOOLEAN bSavedValueUsable(FOURCHARID key, U32 value) {
  if (key == FCID("SSTS") || key == FCID("SSTD")) return value < TRANSDUCER_TYPES ? TRUE : FALSE;
  return TRUE;
}

// Writes a key's current database value; FALSE when it has none or the
// write failed.
BOOLEAN bWriteCurrent(FOURCHARID key) {
  DB_DATA_TYPE value;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetch(key, &value, &bValid) || !bValid) return FALSE;
  const NVR_ENTRY entry = {key, value};
  return H_NVRAM_bWriteFCID(&entry);
}

// Registers for changes of a header key and writes its valid value.
void vPersistHeaderRow(U32 row) {
  const FOURCHARID key = s_4chHeader[row].id;
  (void)H_DATABASE_bRegisterForDataWithConditions(key, M_NVRAM, TRUE, FALSE, FALSE);
  DB_DATA_TYPE value;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetch(key, &value, &bValid) && bValid) {
    const NVR_ENTRY entry = {key, value};
    if (!H_NVRAM_bWriteFCID(&entry)) vFatal("NVRAM - error writing header");
    H_NVRAM_vFlashWriteBack();
  }
  s_4chHeader[row].bRegistered = TRUE;
}

// Puts a saved value into the database: by value when the key exists, as a
// new key otherwise.
void vRestore(const NVR_ENTRY& entry) {
  if (H_DATABASE_bFetch(entry.id, nullptr)) {
    (void)H_DATABASE_bUpdateValue(entry.id, entry.data, P_NORMAL);
  } else {
    (void)H_DATABASE_bUpdateEverything(entry.id, entry.data, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  }
}

// Database element blocks held back while a store is restored.
struct RESERVE {
  void* apBlocks[RESTORE_RESERVE];
  U32 u32Count = 0;
  void vTake() {
    while (u32Count < RESTORE_RESERVE) {
      void* p = H_MEMORY_pvMallocNoWait(sizeof(DATABASE_LIST_NODE));
      if (p == nullptr) break;
      apBlocks[u32Count++] = p;
    }
  }
  void vGiveBack() {
    while (u32Count > 0) H_MEMORY_vFree(apBlocks[--u32Count]);
  }
};

// TRUE when memory for one more database element is free beside the
// reserve: a new key never makes the restore wait for memory.
BOOLEAN bRoomForNewKey(void) {
  void* p = H_MEMORY_pvMallocNoWait(sizeof(DATABASE_LIST_NODE));
  if (p == nullptr) return FALSE;
  H_MEMORY_vFree(p);
  return TRUE;
}

// Restores the saved entries of one iteration; counts what it did.
void vRestoreAll(BOOLEAN (*pfnNext)(U32, NVR_ENTRY*), U32* pRestored, U32* pDropped, U32* pRefused) {
  NVR_ENTRY entry = {0, DB_dataU32(0)};
  for (U32 i = 0; pfnNext(i, &entry) && entry.id != 0xFFFFFFFFu; i++) {
    if (!bSavedValueUsable(entry.id, entry.data.u32Val)) {
      char text[5];
      log_me("NVRAM: saved %s = %u is out of range; the default stays", s_pcKey(entry.id, text),
             (unsigned)entry.data.u32Val);
      (*pRefused)++;
      continue;
    }
    if (!H_DATABASE_bFetch(entry.id, nullptr) && !bRoomForNewKey()) {
      (*pDropped)++;
      continue;
    }
    vRestore(entry);
    (*pRestored)++;
  }
}

// Size of the bitmap file; -1 when there is none.
long long llBitmapFileSize(void) {
  const std::string path = std::string(L_UTILS_cpGetPathnamePtr()) + "/" + tessix_filenames[NVR_FILE_STATBIT];
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return -1;
  return (long long)st.st_size;
}

// A store of another format or a damaged one: SMDL and SCFO are carried
// over, everything else is erased and the store is begun again.
void vBeginAgain(void) {
  H_NVRAM_vVersionChangeFindAndSave(FCID("SMDL"));
  H_NVRAM_vVersionChangeFindAndSave(FCID("SCFO"));
  (void)H_NVRAM_bScratchNVR(H_NVRAM_SCRATCH_CODE_1, H_NVRAM_SCRATCH_CODE_2);
  (void)H_NVRAM_eInit();
  const NVR_ENTRY version = {FCID("NVER"), DB_dataU32(NVR_FORMAT_VERSION)};
  (void)H_NVRAM_bWriteFCID(&version);
  H_NVRAM_vFlashWriteBack();
}

}  // namespace

void T_NVRAM_vInitHardware(void) {
  // A bitmap file of the wrong length is damaged: nothing in it can be
  // trusted, so the store is treated as changed.
  const long long bitmapBytes = llBitmapFileSize();
  const BOOLEAN bDamaged = (bitmapBytes > 0 && bitmapBytes != (long long)BITMAP_FILE_BYTES) ? TRUE : FALSE;
  const NVR_STATE state = H_NVRAM_eInit();
  if (state == STATE_HARDWARE_FAILURE) {
    vFatal("NVR Hardware Failure");
    return;
  }
  (void)H_DATABASE_bUpdateValueBoolean(FCID("CNVR"), TRUE, P_NORMAL);
  if (bDamaged) {
    log_me("NVRAM: nvr_statbit.dat is %lld bytes, not %u: the store is erased and begun again", bitmapBytes,
           (unsigned)BITMAP_FILE_BYTES);
    vBeginAgain();
    return;
  }
  if (state == STATE_VIRGIN) {
    const NVR_ENTRY version = {FCID("NVER"), DB_dataU32(NVR_FORMAT_VERSION)};
    (void)H_NVRAM_bWriteFCID(&version);
    H_NVRAM_vFlashWriteBack();
  }
  NVR_ENTRY version = {0, DB_dataU32(0)};
  const BOOLEAN bRead = H_NVRAM_bReadUnitHeaderEntry(T_NVRAM_u32FetchItemNumber(FCID("NVER")), &version);
  if (bRead && version.id == FCID("NVER") && version.data.u32Val == NVR_FORMAT_VERSION) {
    U32 saved = 0;
    NVR_ENTRY entry = {0, DB_dataU32(0)};
    for (U32 i = 0; H_NVRAM_bReadSEntry(i, &entry); i++) saved++;
    if (saved <= MOST_SAVED_KEYS) return;
    log_me("NVRAM: nvr_statbit.dat marks %u saved keys, more than %u: the store is erased and begun again",
           (unsigned)saved, (unsigned)MOST_SAVED_KEYS);
    vBeginAgain();
    return;
  }
  if (bRead && version.id == FCID("NVER")) {
    log_me("NVRAM: format version 0x%08X, not 0x%08X: only SMDL and SCFO are kept", (unsigned)version.data.u32Val,
           (unsigned)NVR_FORMAT_VERSION);
  } else {
    // The version was written a moment ago and cannot be read back.
    log_me("NVRAM: no format version can be read: the store is erased and begun again");
  }
  vBeginAgain();
}

namespace {

void vRestoreHeader(void) {
  for (U32 row = 0; row < NVR_HEADER_ENTRIES; row++) {
    const FOURCHARID key = s_4chHeader[row].id;
    if (key == NVR_HEADER_END) continue;
    NVR_ENTRY entry = {0, DB_dataU32(0)};
    (void)H_NVRAM_bReadUnitHeaderEntry(row, &entry);
    if (entry.id == 0xFFFFFFFFu) {
      if (!s_4chHeader[row].bRegistered) vPersistHeaderRow(row);
      continue;
    }
    if (key == FCID("NVER")) continue;
    if (bSavedValueUsable(key, entry.data.u32Val)) {
      vRestore(entry);
    } else {
      char text[5];
      log_me("NVRAM: saved %s = %u is out of range; the default stays", s_pcKey(key, text),
             (unsigned)entry.data.u32Val);
    }
    if (!s_4chHeader[row].bRegistered) {
      if (!H_DATABASE_bRegisterForDataWithConditions(key, M_NVRAM, TRUE, FALSE, FALSE)) {
        vFatal("Database: problem registering");
      }
      s_4chHeader[row].bRegistered = TRUE;
    }
  }
}

void vRestoreEntries(void) {
  RESERVE reserve;
  reserve.vTake();
  U32 restored = 0, dropped = 0, refused = 0;
  vRestoreAll(&H_NVRAM_bReadFEntry, &restored, &dropped, &refused);
  vRestoreAll(&H_NVRAM_bReadSEntry, &restored, &dropped, &refused);
  reserve.vGiveBack();
  log_me("NVRAM: %u saved settings restored", (unsigned)restored);
  if (dropped > 0) {
    log_me("NVRAM: the store is damaged: %u more saved keys than memory holds were not restored", (unsigned)dropped);
  }
  if (refused > 0) log_me("NVRAM: %u saved values out of range were not restored", (unsigned)refused);
}

void vAnswer(void* message) { H_MEMORY_vDumpMail(message); }

void vHandleWriteToHeader(FOURCHARID key) {
  const U32 row = T_NVRAM_u32FetchItemNumber(key);
  if (row == 0xFFFFFFFFu || s_4chHeader[row].bRegistered) return;
  vPersistHeaderRow(row);
}

void vHandleMessage(void* message) {
  auto* generic = static_cast<GENERIC_MESSAGE*>(message);
  switch (generic->Cmd) {
    case CMD_ID_SHUTDOWN:
      s_bShutDown = true;
      if (s_pSaveSettings != nullptr) {
        (void)L_TIMER_Stop(s_pSaveSettings);
        (void)L_TIMER_Release(s_pSaveSettings);
        s_pSaveSettings = nullptr;
      }
      T_NVRAM_vHandleDataSave();
      log_me("NVRAM: settings saved for shutdown");
      break;
    case CMD_ID_NEW_DATA: {
      auto* notice = static_cast<MESSAGE_NEW_DATA*>(message);
      if (bIsHeaderKey(notice->FourCharId) && notice->FourCharId != FCID("NVER")) {
        const NVR_ENTRY entry = {notice->FourCharId, notice->dbValue};
        (void)H_NVRAM_bWriteFCID(&entry);
        H_NVRAM_vFlashWriteBack();
      }
      break;
    }
    case CMD_ID_RESET_POS: {
      NVR_ENTRY language = {FCID("SLNG"), DB_dataU32(0)};
      if (H_NVRAM_bGetItemByID(&language)) (void)H_DATABASE_bUpdateValue(FCID("SLNG"), language.data, P_NORMAL);
      break;
    }
    case CMD_ID_WRITE_TO_HEADER:
      vHandleWriteToHeader(static_cast<MSG_NVRAM_WRITE_TO_HEADER*>(message)->FourCharId);
      break;
    case CMD_ID_WRITE_TO_NVR: {
      const FOURCHARID key = static_cast<MSG_NVRAM_WRITE_TO_NVR*>(message)->FourCharId;
      const U8 first = (U8)(key & 0xFF);
      if ((first == 'F' || first == 'S') && bWriteCurrent(key)) H_NVRAM_vFlashWriteBack();
      break;
    }
    case CMD_ID_SCRATCH_NVR:
      (void)H_NVRAM_bScratchNVR(H_NVRAM_SCRATCH_CODE_1, H_NVRAM_SCRATCH_CODE_2);
      break;
    case CMD_ID_READ_SONAR_DATA: {
      auto* m = static_cast<MSG_READ_SONAR_DATA*>(message);
      m->bSuccess = m->pSonarData != nullptr ? H_NVRAM_bReadSonarData(m->pSonarData) : FALSE;
      break;
    }
    case CMD_ID_WRITE_SONAR_DATA: {
      auto* m = static_cast<MSG_WRITE_SONAR_DATA*>(message);
      m->bSuccess = m->pSonarData != nullptr ? H_NVRAM_bWriteSonarData(m->pSonarData) : FALSE;
      break;
    }
    case CMD_ID_READ_PERSONALIZED: {
      auto* m = static_cast<MSG_READ_PERSONALIZED*>(message);
      m->bSuccess = m->pPersonData != nullptr ? H_NVRAM_bReadPersonalizationData(m->pPersonData) : FALSE;
      break;
    }
    case CMD_ID_WRITE_PERSONALIZED: {
      auto* m = static_cast<MSG_WRITE_PERSONALIZED*>(message);
      m->bSuccess = m->pPersonData != nullptr ? H_NVRAM_bWritePersonalizationData(m->pPersonData) : FALSE;
      break;
    }
    default:
      break;
  }
  vAnswer(message);
}

}  // namespace

U32 T_NVRAM_u32SavePeriodMs(void) {
  const char* text = getenv("TESSIX_NVRAM_SAVE_MS");
  if (text == nullptr || *text == '\0') return SAVE_PERIOD_MS;
  char* end = nullptr;
  const unsigned long value = strtoul(text, &end, 10);
  if (*end != '\0' || value < 10 || value > 0xFFFFFFFFul) return SAVE_PERIOD_MS;
  return (U32)value;
}

U32 T_NVRAM_u32FetchItemNumber(FOURCHARID key) {
  if (key == NVR_HEADER_END) return 0xFFFFFFFFu;
  for (U32 row = 0; row < NVR_HEADER_ENTRIES; row++) {
    if (H_NVRAM_u32HeaderKey(row) == key) return row;
  }
  return 0xFFFFFFFFu;
}

void T_NVRAM_vHandleDataSave(void) {
  U32 state = 0;
  if (!H_DATABASE_bFetchU32(FCID("CCST"), &state)) return;
  const BOOLEAN bRestricted = (state == STATE_BURN_IN || state == STATE_POINT_OF_SALE) ? TRUE : FALSE;
  for (char prefix : {'F', 'S'}) {
    MULTI_FETCH_CONTROL_STRUCTURE walk;
    memset(&walk, 0, sizeof walk);
    walk.cMatch = (U8)prefix;
    while (H_DATABASE_bFetchNextBeginningWith(&walk)) {
      const FOURCHARID key = walk.id;
      if (bRestricted) {
        BOOLEAN bAlways = FALSE;
        for (FOURCHARID k : s_4chSaveAlways) bAlways = (bAlways || k == key) ? TRUE : FALSE;
        if (!bAlways) continue;
      }
      const NVR_ENTRY entry = {key, walk.data};
      if (bIsHeaderKey(key)) {
        (void)H_NVRAM_bWriteFCID(&entry);
      } else {
        (void)H_NVRAM_bWriteIfChanged(&entry, nullptr);
      }
    }
  }
  H_NVRAM_vFlashWriteBack();
}

void T_NVRAM_vTask(void) {
  for (U32 row = 0; row < NVR_HEADER_ENTRIES; row++) s_4chHeader[row] = {H_NVRAM_u32HeaderKey(row), FALSE};
  s_pSaveSettings = nullptr;
  s_bShutDown = false;

  if (H_DATABASE_bUpdateEverythingBoolean(FCID("CNVR"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT)) {
    vFatal("Somebody else registered the NVR status");
  }
  T_NVRAM_vInitHardware();
  vRestoreHeader();
  vRestoreEntries();
  if (H_DATABASE_bUpdateEverythingU32(FCID("TNVR"), (U32)M_NVRAM, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    vFatal("Somebody else registered the NVR Task Maibox");
  }

  s_pSaveSettings = L_TIMER_Allocate();
  if (s_pSaveSettings != nullptr) {
    const U32 period = T_NVRAM_u32SavePeriodMs();
    if (L_TIMER_Start(s_pSaveSettings, period, period, SEMA_NVRAM_UPDATE) == nullptr) {
      (void)L_TIMER_Release(s_pSaveSettings);
      s_pSaveSettings = nullptr;
    }
  }
  if (s_pSaveSettings == nullptr) log_me("NVRAM: no timer free; settings are saved on request and at shutdown");

  const SEMA events[] = {SEMA_MBOX_NVRAM, SEMA_NVRAM_UPDATE, 0};
  for (;;) {
    const S32 fired = L_SEMA_WaitMultiple(events);
    // After the shutdown save nothing more is written: the files may be
    // erased by then (factory test) and must stay so.
    if (fired == SEMA_NVRAM_UPDATE && !s_bShutDown) T_NVRAM_vHandleDataSave();
    while (void* message = L_MBOX_Receive(M_NVRAM)) vHandleMessage(message);
  }
}
