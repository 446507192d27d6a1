// Sonar recordings on the cards and their playback (see t_mmc_record.h).
#include "source/startup/t_mmc_record.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <mutex>

#include "common/key_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view_review.h"
#include "source/platform/platform.h"
#include "source/startup/startup_upcalls.h"
#include "source/startup/t_mmc_int.h"
#include "source/startup/u_mmc_bufio.h"

namespace {

// One lock over the module's state: recording, playback and their keys.
std::recursive_mutex s_mutex;
using Lock = std::lock_guard<std::recursive_mutex>;

constexpr U32 MAX_RECORDING = 99999;
constexpr U32 FOLDER_TRIES = 21;
constexpr U32 MIN_FREE_KB_AT_START = 200;
constexpr U32 MIN_FREE_KB = 201;
constexpr U8 MARK_ICON = 28;
constexpr int FIRST_INDEX_WRITER = 3;  // the card task's buffered-I/O records 3 to 7
constexpr U32 REFERENCE_COUNTDOWN = 8;
constexpr S64 MAX_OFFSET = 0x7FFFFFFF;
constexpr U32 MAX_DELAY_MS = 2000;
constexpr U32 DEFAULT_BLANK_DELAY_MS = 300;
// A file of a recording: its folder path and the file name.
constexpr size_t FILE_PATH_SIZE = 2 * MMC_COMPOSED_SIZE;
// A record is read whole with one read: the head, room for fields the
// writer did not know, and the samples.
constexpr size_t RECORD_READ_BYTES = MMC_RECORD_HEAD_BYTES + 1024 + PING_MAX_SAMPLES;

// ------------------------------------------------------------ byte order
void vPut32(U8* p, U32 v) {
  p[0] = (U8)(v >> 24);
  p[1] = (U8)(v >> 16);
  p[2] = (U8)(v >> 8);
  p[3] = (U8)v;
}
void vPut16(U8* p, U16 v) {
  p[0] = (U8)(v >> 8);
  p[1] = (U8)v;
}
U32 u32Get(const U8* p) { return (U32)p[0] << 24 | (U32)p[1] << 16 | (U32)p[2] << 8 | p[3]; }

// ------------------------------------------------------------ recording state
struct RECORD_STATE {
  char acFolder[MMC_COMPOSED_SIZE];  // the recording's folder; empty while not recording
  char acName[8];                    // R00001
  FILE* apData[MMC_RECORD_BEAMS];
  FILE* apIndexFile[MMC_RECORD_BEAMS];
  FILE* pThumb;
  SONAR_RECORD_THUMB_HEADER header;
  U32 u32PingIndex;
  U32 u32FirstTimeStamp;
  U32 u32TimeStamp;
  U32 u32LastRecordBytes;
  U64 u64TotalBytes;
  U32 u32LastUpdateTimeStamp;
  bool bUpdated;  // the thumb header went to the card at least once
  VOL_INFO startVolume;
  BOOLEAN bBlockSizeKnown;
  U8 au8Countdown[4];
  U8 u8ReferenceBeam;
};
RECORD_STATE s_rec;
S64 s_s64OffsetBias = 0;
U8 s_au8Record[MMC_RECORD_HEAD_BYTES + PING_MAX_SAMPLES];

BUFFERED_IO_CONTROL& IndexWriter(U32 beam) { return *T_MMC_psIOControl(FIRST_INDEX_WRITER + (int)beam); }

// ------------------------------------------------------------ playback state
struct PLAY_BEAM {
  FILE* pData;
  FILE* pIndex;
  S64 s64Entry;  // the entry whose offset the next read takes
  S32 s32NextTimeStamp;
  S32 s32Delay;  // until the beam's next ping; -1 when it has ended
  bool bBlank;
  S32 s32BlankDelay;
  U32 u32Skip;  // pings counted by the 2x and 4x modes
  U32 u32LastFrequency;
  S64 s64Entries;   // of the index (the files do not change while played)
  S64 s64DataSize;
};
PLAY_BEAM s_play[MMC_RECORD_BEAMS];
bool s_bPlaybackOpen = false;
bool s_bPositionAtStart = false;
bool s_bFirstPositioning = false;
bool s_bSeekPending = false;
S32 s_as32Seek[MMC_RECORD_BEAMS];
U32 s_u32CurrentBeam = 0;
U32 s_u32LastMode = 0;
U32 s_u32Skipped = 0;
bool s_bTransducerArmed = true;
U32 s_u32LastTransducer = 0xFFFFFFFF;
U8 s_au8PlayRecord[RECORD_READ_BYTES];

// ------------------------------------------------------------ view keys
struct VIEW_STATE {
  bool bFirst;
  U32 u32PreviousReferenceTimeStamp;
  U64 u64Total;
  U32 u32Count;
  U64 u64BytesAtReference;
  U32 u32ShownTimeStamp;
};
VIEW_STATE s_view{true, 0, 0, 0, 0, 0};

void vKey(FOURCHARID key, U32 value) {
  (void)H_DATABASE_bUpdateEverythingU32(key, value, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
}

U32 u32Fetch(FOURCHARID key, U32 def) {
  U32 v = def;
  return H_DATABASE_bFetchU32(key, &v) ? v : def;
}
bool bFetchFloat(FOURCHARID key, F32* v) {
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchFloat(key, v, &valid) && valid;
}
U32 u32Round(F32 f) { return f <= 0.0f ? 0 : (U32)(f + 0.5f); }

bool bReverse(U32 mode) {
  return mode == PLAYBACK_MODE_4XREVERSE || mode == PLAYBACK_MODE_2XREVERSE || mode == PLAYBACK_MODE_REVERSE ||
         mode == PLAYBACK_MODE_REVERSE_SLOW || mode == PLAYBACK_MODE_END_FILL;
}
bool bForward(U32 mode) {
  return mode == PLAYBACK_MODE_FORWARD_SLOW || mode == PLAYBACK_MODE_FORWARD || mode == PLAYBACK_MODE_2XFORWARD ||
         mode == PLAYBACK_MODE_4XFORWARD;
}
bool bPaused(U32 mode) {
  return mode == PLAYBACK_MODE_PAUSED || mode == PLAYBACK_MODE_PAUSED_BEGIN || mode == PLAYBACK_MODE_PAUSED_END;
}
// A delay in the speed of the mode.
U32 u32Scaled(U32 ms, U32 mode) {
  switch (mode) {
    case PLAYBACK_MODE_FORWARD_SLOW:
    case PLAYBACK_MODE_REVERSE_SLOW:
      return ms * 2;
    case PLAYBACK_MODE_2XFORWARD:
    case PLAYBACK_MODE_2XREVERSE:
      return ms / 2;
    case PLAYBACK_MODE_4XFORWARD:
    case PLAYBACK_MODE_4XREVERSE:
      return ms / 4;
    default:
      return ms;
  }
}

}  // namespace

// ------------------------------------------------------------ the format
void MMC_RECORD_vEncodeHead(const PING_DESCRIPTOR* d, const MMC_RECORD_FIELDS* f, U8* h) {
  vPut32(h + 0, f->u32Marker);
  h[4] = 0x80;
  vPut32(h + 5, f->u32PingIndex);
  h[9] = 0x81;
  vPut32(h + 10, f->u32TimeStamp);
  h[14] = 0x82;
  vPut32(h + 15, (U32)d->Location.s32LongitudeMM);
  h[19] = 0x83;
  vPut32(h + 20, (U32)d->Location.s32LatitudeMM);
  h[24] = 0x84;
  vPut32(h + 25, f->u32Heading);
  h[29] = 0x85;
  vPut32(h + 30, f->u32Speed);
  h[34] = 0x87;
  vPut32(h + 35, f->u32Depth);
  h[39] = 0x50;
  h[40] = d->Beam;
  h[41] = 0x51;
  h[42] = d->u8Transducer;
  h[43] = 0x92;
  vPut32(h + 44, d->u32TransmitFrequencyHertz);
  h[48] = 0x53;
  h[49] = d->u8TransmitCycles;
  h[50] = 0x54;
  h[51] = d->u8TransmitPower;
  h[52] = 0x95;
  vPut32(h + 53, d->u32SamplePeriodMicroSeconds);
  h[57] = 0x56;
  h[58] = d->u8NoiseLevel;
  h[59] = 0x57;
  h[60] = d->u8PeakNoiseLevel;
  h[61] = 0xA0;
  vPut32(h + 62, d->u32NumberOfSamples);
  h[66] = 0x21;
}

BOOLEAN MMC_RECORD_bParse(const U8* p, size_t n, PING_DESCRIPTOR* d, MMC_RECORD_FIELDS* f) {
  if (p == nullptr || d == nullptr || f == nullptr || n < 4) return FALSE;
  memset(f, 0, sizeof *f);
  f->u32Marker = u32Get(p);
  if (f->u32Marker != 0xC0DEAB20 && f->u32Marker != 0xC0DEAB21 && f->u32Marker != 0xC0DEABC0 &&
      f->u32Marker != 0xC0DEABC1) {
    return FALSE;
  }
  bool haveCount = false, haveLon = false, haveLat = false;
  U32 count = 0;
  size_t i = 4;
  while (i < n) {
    const U8 tag = p[i++];
    const U8 id = tag & 0x3F;
    if (id == 33) {
      // The sample block ends the record; it needs its count before it.
      if (!haveCount) return FALSE;
      const U32 take = (U32)std::min<size_t>({count, PING_MAX_SAMPLES, n - i});
      memcpy(d->pu8RawSonarData, p + i, take);
      d->u32NumberOfSamples = take;
      d->Location.bPositionValid = haveLon && haveLat ? TRUE : FALSE;
      d->bSimulated = FALSE;
      return TRUE;
    }
    const size_t size = (tag >> 6) == 2 ? 4 : (tag >> 6) == 1 ? 1 : (tag >> 6) == 3 ? 8 : 0;
    if (size > n - i) return FALSE;  // runs into the next record
    const U32 v = size == 4 ? u32Get(p + i) : size == 1 ? p[i] : 0;
    if (size == 4) {
      switch (id) {
        case 0: f->u32PingIndex = v; break;
        case 1: f->u32TimeStamp = v; break;
        case 2: d->Location.s32LongitudeMM = (S32)v; haveLon = true; break;
        case 3: d->Location.s32LatitudeMM = (S32)v; haveLat = true; break;
        case 4: f->u32Heading = v; break;
        case 5: f->u32Speed = v; break;
        case 7: f->u32Depth = v; break;
        case 18: d->u32TransmitFrequencyHertz = v; break;
        case 21: d->u32SamplePeriodMicroSeconds = v; break;
        case 32: count = v; haveCount = true; break;
        default: break;
      }
    } else if (size == 1) {
      switch (id) {
        case 16: d->Beam = (BEAM)v; break;
        case 17: d->u8Transducer = (U8)v; break;
        case 19: d->u8TransmitCycles = (U8)v; break;
        case 20: d->u8TransmitPower = (U8)v; break;
        case 22: d->u8NoiseLevel = (U8)v; break;
        case 23: d->u8PeakNoiseLevel = (U8)v; break;
        default: break;
      }
    }
    i += size;
  }
  return FALSE;  // no sample block
}

void MMC_RECORD_vEncodeThumbHeader(const SONAR_RECORD_THUMB_HEADER* h, U8* o) {
  memset(o, 0, MMC_THUMB_HEADER_BYTES);
  o[0] = h->u8Version;
  o[1] = h->u8WaterType;
  o[2] = h->u8BatteryVoltage;
  o[3] = h->bWaypointValid;
  vPut32(o + 4, h->u32ModelNumber);
  vPut32(o + 8, h->u32Temperature);
  vPut32(o + 12, h->u32Pressure);
  const WAYPOINT& w = h->RecordingStartWaypoint;
  o[16] = w.u8Status;
  o[17] = w.u8Icon;
  vPut16(o + 18, w.u16Depth);
  vPut32(o + 20, w.u32Time);
  vPut32(o + 24, (U32)w.s32X);
  vPut32(o + 28, (U32)w.s32Y);
  memcpy(o + 32, w.acName, sizeof w.acName);
  vPut32(o + 44, h->u32NumberOfPings);
  vPut32(o + 48, h->u32TotalTimeMs);
  vPut32(o + 52, h->u32PingSizeBytes);
  vPut32(o + 56, h->u32FirstPingPeriodMs);
  vPut32(o + 60, h->u32BeamMask);
}

// ------------------------------------------------------------ recording
namespace {

// The index entries waiting in a writer's buffer go to the file.
bool bFlushIndex(U32 beam) {
  BUFFERED_IO_CONTROL& c = IndexWriter(beam);
  if (c.pcBuffer == nullptr || c.pFile == nullptr) return true;
  const int used = c.numBufferSize - c.numCount;
  if (used > 0 && fwrite(c.pcBuffer, 1, (size_t)used, c.pFile) != (size_t)used) return false;
  c.pcCurrentPointer = c.pcBuffer;
  c.numCount = c.numBufferSize;
  return fflush(c.pFile) == 0;
}

void vFillCounts(void) {
  SONAR_RECORD_THUMB_HEADER& h = s_rec.header;
  h.u32NumberOfPings = s_rec.u32PingIndex;
  h.u32TotalTimeMs = s_rec.u32TimeStamp;
  h.u32PingSizeBytes = s_rec.u32LastRecordBytes;
}

bool bWriteThumbHeader(void) {
  if (s_rec.pThumb == nullptr) return false;
  vFillCounts();
  U8 raw[MMC_THUMB_HEADER_BYTES];
  MMC_RECORD_vEncodeThumbHeader(&s_rec.header, raw);
  return fseek(s_rec.pThumb, 0, SEEK_SET) == 0 && fwrite(raw, 1, sizeof raw, s_rec.pThumb) == sizeof raw &&
         fflush(s_rec.pThumb) == 0;
}

// Everything recorded so far onto the card: the data files, the index
// entries waiting in their buffers and the thumb header with its counts.
bool bBringUpToDate(void) {
  bool ok = true;
  for (U32 b = 0; b < MMC_RECORD_BEAMS; ++b) {
    if (s_rec.apData[b] != nullptr && fflush(s_rec.apData[b]) != 0) ok = false;
    if (!bFlushIndex(b)) ok = false;
  }
  if (!bWriteThumbHeader()) ok = false;
  if (ok && !s_rec.bUpdated) {
    s_rec.bUpdated = true;
    T_MMC_vInvalidateThumbNailList();
  }
  s_rec.u32LastUpdateTimeStamp = s_rec.u32TimeStamp;
  return ok;
}

void vStopRecordingKey(void) { (void)H_DATABASE_bUpdateValueBoolean(FCID("CSRE"), FALSE, P_NORMAL); }

void vWriteError(const char* what, U32 beam) {
  log_me("MMC: recording %s: %s of beam %u failed (%s)", s_rec.acName, what, (unsigned)beam, strerror(errno));
  (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  T_MMC_vSetFileName(s_rec.acName);
  T_MMC_vShowStatus(MMC_WRITE_ERROR);
  T_MMC_vCloseSonarMMCFiles(FALSE);
  vStopRecordingKey();
}

void vTooBig(U32 beam, U32 size, S64 position) {
  log_me("MMC: recording %s reached the size limit: error %d (%s), beam %u, record %u bytes, position %lld",
         s_rec.acName, EFBIG, strerror(EFBIG), (unsigned)beam, (unsigned)size, (long long)position);
  (void)U_KEYBOARD_bRegisterKeys(M_MMC, 8, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_VIEW);
  (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  T_MMC_vSetFileName(s_rec.acName);
  T_MMC_vShowStatus(MMC_FILE_TOO_BIG);
  T_MMC_vCloseSonarMMCFiles(FALSE);
  vStopRecordingKey();
  (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD);
}

// The calling task runs 10 steps more urgently while it writes.
struct RaisedPriority {
  TASK me = L_TASK_GetMyID();
  S32 old = -1;
  RaisedPriority() {
    if (me == 0 || me > 69) return;
    old = L_TASK_GetPriority(me);
    if (old > 10) (void)L_TASK_SetPriority(me, (PRIORITY)(old - 10));
  }
  ~RaisedPriority() {
    if (old > 10) (void)L_TASK_SetPriority(me, (PRIORITY)old);
  }
};

void vFillHeaderAtStart(const char* name) {
  SONAR_RECORD_THUMB_HEADER& h = s_rec.header;
  memset(&h, 0, sizeof h);
  h.u8Version = MMC_RECORD_THUMB_VERSION;
  U32 water = 0;
  BOOLEAN valid = FALSE;
  h.u8WaterType = H_DATABASE_bFetchU32(FCID("YSWA"), &water, &valid) && valid ? (U8)water : 255;
  F32 f = 0;
  h.u8BatteryVoltage = bFetchFloat(FCID("IVLT"), &f) ? (U8)u32Round(f * 10.0f) : 0;
  S32 lat = 0, lon = 0;
  BOOLEAN vlat = FALSE, vlon = FALSE;
  const bool pos = H_DATABASE_bFetchS32(FCID("ILAT"), &lat, &vlat) && vlat &&
                   H_DATABASE_bFetchS32(FCID("ILON"), &lon, &vlon) && vlon;
  h.bWaypointValid = pos ? 1 : 0;
  h.u32ModelNumber = u32Fetch(FCID("SMDL"), 0);
  h.u32Temperature = bFetchFloat(FCID("ITMP"), &f) ? u32Round(f) : 0;
  h.u32Pressure = bFetchFloat(FCID("IBAR"), &f) ? u32Round(f) : 0;
  WAYPOINT& w = h.RecordingStartWaypoint;
  U32 when = 0;
  valid = FALSE;
  w.u32Time = H_DATABASE_bFetchU32(FCID("IDTM"), &when, &valid) && valid ? when : 0;
  w.s32X = pos ? lon : 0;
  w.s32Y = pos ? lat : 0;
  snprintf(w.acName, sizeof w.acName, "%s.SON", name);
}

void vSendStartToView(S32 slot) {
  MBOX view = 0;
  U32 v = 0;
  if (!H_DATABASE_bFetchU32(FCID("TVUE"), &v)) return;
  view = (MBOX)v;
  auto* m = static_cast<MSG_PING_VIEW_START*>(H_MEMORY_pvMalloc(sizeof(MSG_PING_VIEW_START)));
  if (m == nullptr) return;
  memset(m, 0, sizeof *m);
  m->Header.Cmd = CMD_ID_PING_START;
  m->u32StartDateTime = s_rec.header.RecordingStartWaypoint.u32Time;
  m->u32CardAvailableKB = s_rec.startVolume.u32FreeKB;
  m->u32CardSizeKB = s_rec.startVolume.u32TotalKB;
  m->u8DeviceNumber = (U8)slot;
  snprintf(m->sFileName, sizeof m->sFileName, "%s", s_rec.acName);
  if (L_MBOX_Send(view, m, 3, 0) != lsSUCCESS) H_MEMORY_vFree(m);
}

}  // namespace

BOOLEAN MMC_RECORD_bRecording(void) {
  Lock lock(s_mutex);
  return s_rec.acFolder[0] != '\0' ? TRUE : FALSE;
}

void MMC_RECORD_vSetOffsetBias(S64 s64Bias) {
  Lock lock(s_mutex);
  s_s64OffsetBias = s64Bias;
}

BOOLEAN T_MMC_bOpenSonarMMCFiles(void) {
  Lock lock(s_mutex);
  if (s_bPlaybackOpen) {
    log_me("MMC: no recording while a recording is played back");
    return FALSE;
  }
  static const char* const s_folders[] = {"RECORD", nullptr};
  char* folder = T_MMC_pcDeviceMakeDirectory(s_folders, nullptr);
  if (folder == nullptr) {
    log_me("MMC: no card to record on");
    return FALSE;
  }
  const BOOLEAN ok = T_MMC_bOpenSonarMMCFilesIn(folder);
  H_MEMORY_vFree(folder);
  return ok;
}

BOOLEAN T_MMC_bOpenSonarMMCFilesIn(const char* folder) {
  Lock lock(s_mutex);
  if (s_bPlaybackOpen) {
    log_me("MMC: no recording while a recording is played back");
    return FALSE;
  }
  if (s_rec.acFolder[0] != '\0') T_MMC_vCloseSonarMMCFiles(FALSE);
  s_rec.u32PingIndex = 0;
  s_rec.u32LastRecordBytes = 0;
  s_rec.u64TotalBytes = 0;
  s_rec.u32TimeStamp = 0;
  s_rec.u32LastUpdateTimeStamp = 0;
  s_rec.bUpdated = false;
  memset(s_rec.au8Countdown, 0, sizeof s_rec.au8Countdown);
  s_rec.u8ReferenceBeam = 255;
  s_view.bFirst = true;

  U32 last = 0;
  const U32 first = H_DATABASE_bFetchU32(FCID("SFSR"), &last) && last < MAX_RECORDING ? last + 1 : 1;
  U32 number = first;
  char path[MMC_COMPOSED_SIZE];
  bool made = false;
  for (U32 t = 0; t < FOLDER_TRIES && !made; ++t) {
    number = (first + t - 1) % MAX_RECORDING + 1;
    snprintf(path, sizeof path, "%s/R%05u", folder, (unsigned)number);
    made = mkdir(PLATFORM_sResolvePath(path).c_str(), 0777) == 0;
  }
  (void)H_DATABASE_bUpdateEverythingU32(FCID("SFSR"), made ? number : first, P_NORMAL, D_UNSIGNED32, nullptr,
                                        DB_NO_TIMEOUT);
  if (!made) {
    log_me("MMC: no free recording number from %u in %s", (unsigned)first, folder);
    return FALSE;
  }
  snprintf(s_rec.acName, sizeof s_rec.acName, "R%05u", (unsigned)number);
  snprintf(s_rec.acFolder, sizeof s_rec.acFolder, "%s", path);
  char thumb[FILE_PATH_SIZE];
  snprintf(thumb, sizeof thumb, "%s.DAT", path);
  s_rec.pThumb = PLATFORM_pFileOpen(thumb, "wb");
  s_rec.bBlockSizeKnown = T_MMC_bGetVolumeInfoFromDeviceName(folder, &s_rec.startVolume);
  // "/mnt/mmcN/RECORD": the card's slot.
  const S32 slot = strncmp(folder, "/mnt/mmc", 8) == 0 && folder[8] == '1' ? 1 : 0;
  if (s_rec.pThumb == nullptr || (s_rec.bBlockSizeKnown && s_rec.startVolume.u32FreeKB <= MIN_FREE_KB_AT_START)) {
    log_me("MMC: recording %s not started (%s)", s_rec.acName,
           s_rec.pThumb == nullptr ? "no thumb header file" : "card full");
    T_MMC_vCloseSonarMMCFiles(TRUE);
    return FALSE;
  }
  vFillHeaderAtStart(s_rec.acName);
  vSendStartToView(slot);
  WAYPOINT mark;
  memset(&mark, 0, sizeof mark);
  (void)T_NAV_bHandleNamedMarkWithIcon(s_rec.acName, MARK_ICON, &mark);
  log_me("MMC: recording %s started", s_rec.acFolder);
  return TRUE;
}

void T_MMC_vSaveRawDataToMMC(PING_DESCRIPTOR* p) {
  Lock lock(s_mutex);
  if (s_rec.acFolder[0] == '\0' || p == nullptr) return;
  const U32 beam = p->Beam;
  if (beam >= MMC_RECORD_BEAMS) {
    errno = EINVAL;
    vWriteError("ping", beam);
    return;
  }
  if (s_rec.apData[beam] == nullptr) {
    char path[FILE_PATH_SIZE];
    snprintf(path, sizeof path, "%s/B%03u.%s", s_rec.acFolder, (unsigned)beam, "SON");
    s_rec.apData[beam] = PLATFORM_pFileOpen(path, "wb");
    snprintf(path, sizeof path, "%s/B%03u.%s", s_rec.acFolder, (unsigned)beam, "IDX");
    s_rec.apIndexFile[beam] = PLATFORM_pFileOpen(path, "wb");
    if (s_rec.apData[beam] == nullptr || s_rec.apIndexFile[beam] == nullptr ||
        !U_MMC_bBufferedIO(INITIALIZE_WRITE, &IndexWriter(beam), nullptr, U_MMC_BUFFER_SIZE,
                           s_rec.apIndexFile[beam])) {
      vWriteError("create", beam);
      return;
    }
  }
  RaisedPriority raised;
  FILE* data = s_rec.apData[beam];
  const U32 samples = std::min(p->u32NumberOfSamples, PING_MAX_SAMPLES);
  const U32 size = MMC_RECORD_HEAD_BYTES + samples;
  const off_t told = ftello(data);
  if (told < 0) {
    vWriteError("position", beam);
    return;
  }
  // Index entries hold 4-byte offsets: a record must start within them.
  const S64 offset = (S64)told + s_s64OffsetBias;
  if (offset > MAX_OFFSET) {
    vTooBig(beam, size, offset);
    return;
  }
  if (s_rec.u32PingIndex == 0) s_rec.u32FirstTimeStamp = p->u32TimeStampMilliSeconds;
  const U32 ts = p->u32TimeStampMilliSeconds - s_rec.u32FirstTimeStamp;
  if (s_rec.u32PingIndex == 1) s_rec.header.u32FirstPingPeriodMs = ts;

  MMC_RECORD_FIELDS f{};
  f.u32Marker = p->bSimulated ? MMC_RECORD_MARKER_SIMULATED : MMC_RECORD_MARKER_LIVE;
  f.u32PingIndex = s_rec.u32PingIndex;
  f.u32TimeStamp = ts;
  F32 v = 0;
  if (bFetchFloat(FCID("IHDG"), &v)) {
    F32 corrected = 0;
    BOOLEAN cv = FALSE;
    if (H_DATABASE_bFetchFloat(FCID("IHDC"), &corrected, &cv)) v = corrected;
    f.u32Heading = 0x10000 + (U32)(v * 10.0f);
  }
  if (bFetchFloat(FCID("ISPD"), &v)) f.u32Speed = 0x10000 + (U32)(v * 10.0f);
  if (bFetchFloat(FCID("IDEP"), &v)) f.u32Depth = (U32)(v * 10.0f);
  PING_DESCRIPTOR head = *p;
  head.u32NumberOfSamples = samples;
  MMC_RECORD_vEncodeHead(&head, &f, s_au8Record);
  memcpy(s_au8Record + MMC_RECORD_HEAD_BYTES, p->pu8RawSonarData, samples);
  if (fwrite(s_au8Record, 1, size, data) != size) {
    vWriteError("record", beam);
    return;
  }
  ++s_rec.u32PingIndex;
  s_rec.u32TimeStamp = ts;
  s_rec.u32LastRecordBytes = size;
  s_rec.u64TotalBytes += size;
  s_rec.header.u32BeamMask |= 1u << beam;
  U8 entry[MMC_RECORD_INDEX_ENTRY_BYTES];
  vPut32(entry, ts);
  vPut32(entry + 4, (U32)offset);
  if (!U_MMC_bBufferedIO(BUFFERED_WRITE, &IndexWriter(beam), entry, sizeof entry, nullptr)) {
    vWriteError("index entry", beam);
    return;
  }
  if (beam < 4) {
    U8 reference = 255;
    for (U8 b = 0; b < 4; ++b) {
      if (s_rec.au8Countdown[b] != 0) {
        --s_rec.au8Countdown[b];
        if (reference == 255) reference = b;
      }
    }
    s_rec.u8ReferenceBeam = reference;
    s_rec.au8Countdown[beam] = REFERENCE_COUNTDOWN;
  }
  if (!s_rec.bUpdated || ts - s_rec.u32LastUpdateTimeStamp >= MMC_RECORD_UPDATE_MS) {
    if (!bBringUpToDate()) {
      vWriteError("update", beam);
      return;
    }
  }
  T_MMC_vUpdateViewParameters(p, PLAYBACK_MODE_RECORD);
}

void T_MMC_vCloseSonarMMCFiles(BOOLEAN bRemove) {
  Lock lock(s_mutex);
  for (U32 b = 0; b < MMC_RECORD_BEAMS; ++b) {
    if (s_rec.apData[b] != nullptr) fclose(s_rec.apData[b]);
    s_rec.apData[b] = nullptr;
    BUFFERED_IO_CONTROL& c = IndexWriter(b);
    if (c.pcBuffer != nullptr) {
      (void)U_MMC_bBufferedIO(CLOSE_WRITE, &c, nullptr, 0, s_rec.apIndexFile[b]);
    } else if (s_rec.apIndexFile[b] != nullptr) {
      fclose(s_rec.apIndexFile[b]);
    }
    s_rec.apIndexFile[b] = nullptr;
  }
  char folder[MMC_COMPOSED_SIZE];
  snprintf(folder, sizeof folder, "%s", s_rec.acFolder);
  s_rec.acFolder[0] = '\0';
  bool complete = false;
  if (s_rec.pThumb != nullptr) {
    if (s_rec.u32PingIndex > 0) complete = bWriteThumbHeader();
    fclose(s_rec.pThumb);
    s_rec.pThumb = nullptr;
  }
  if (folder[0] == '\0') return;
  if (!bRemove) {
    if (complete) {
      T_MMC_vInvalidateThumbNailList();
      // The review view lists the new recording first.
      T_VIEW_vRecordingSaveComplete();
    }
    log_me("MMC: recording %s closed, %u pings", folder, (unsigned)s_rec.u32PingIndex);
  } else {
    char thumb[FILE_PATH_SIZE];
    snprintf(thumb, sizeof thumb, "%s.DAT", folder);
    (void)remove(PLATFORM_sResolvePath(thumb).c_str());
    T_MMC_vRemoveDirectory(folder);
  }
  PLATFORM_vSync();
}

// ------------------------------------------------------------ view keys
U32 T_MMC_u32LowBeamPinging(void) {
  U32 mask = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("CSBP"), &mask, &valid) || !valid) return 255;
  for (U32 b = 0; b < 4; ++b) {
    if (mask & (1u << b)) return b;
  }
  return 255;
}

void T_MMC_vUpdateViewParameters(const PING_DESCRIPTOR* p, PLAYBACK_MODE_TYPE eMode) {
  Lock lock(s_mutex);
  const bool recording = eMode == PLAYBACK_MODE_RECORD;
  const U32 reference = recording ? s_rec.u8ReferenceBeam : T_MMC_u32LowBeamPinging();
  const U32 ts = recording ? s_rec.u32TimeStamp : s_view.u32ShownTimeStamp;
  const U64 size = recording ? s_rec.u64TotalBytes : s_view.u64BytesAtReference;
  if (s_view.bFirst) {
    s_view.bFirst = false;
    s_view.u32PreviousReferenceTimeStamp = ts;
    s_view.u64Total = 0;
    s_view.u32Count = 0;
    s_view.u64BytesAtReference = recording ? s_rec.u64TotalBytes : s_view.u64BytesAtReference;
    vKey(FCID("CRCP"), 0);
    vKey(FCID("CRAV"), 0);
    vKey(FCID("CRTS"), ts);
    vKey(FCID("CRPB"), s_rec.u32LastRecordBytes);
    vKey(FCID("CRBS"), (U32)size);
  } else if (p != nullptr && p->Beam == reference) {
    const U32 period = ts > s_view.u32PreviousReferenceTimeStamp ? ts - s_view.u32PreviousReferenceTimeStamp
                                                                 : s_view.u32PreviousReferenceTimeStamp - ts;
    s_view.u64Total += period;
    ++s_view.u32Count;
    s_view.u32PreviousReferenceTimeStamp = ts;
    vKey(FCID("CRCP"), period);
    vKey(FCID("CRAV"), (U32)(s_view.u64Total / s_view.u32Count));
    vKey(FCID("CRTS"), ts);
    if (recording) {
      vKey(FCID("CRPB"), (U32)(s_rec.u64TotalBytes - s_view.u64BytesAtReference));
      s_view.u64BytesAtReference = s_rec.u64TotalBytes;
    }
    vKey(FCID("CRBS"), (U32)size);
  } else if (p != nullptr) {
    vKey(FCID("CRBS"), (U32)size);
  } else {
    vKey(FCID("CRTS"), ts);
  }
  if (recording && s_rec.bBlockSizeKnown && s_rec.acFolder[0] != '\0') {
    const S64 left = (S64)s_rec.startVolume.u32FreeKB - (S64)(s_rec.u64TotalBytes / 1024);
    if (left < (S64)MIN_FREE_KB) {
      log_me("MMC: card full, recording %s stopped", s_rec.acName);
      (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD);
      T_MMC_vSetFileName(s_rec.acName);
      T_MMC_vShowStatus(MMC_FULL);
      // The view's thumbnail state: recording off, so the processing task
      // ends the recording (kept).
      (void)H_DATABASE_bUpdateValueU32(FCID("CPSP"), PLAYBACK_MODE_STOP, P_NORMAL);
      vStopRecordingKey();
    }
  }
}

// ------------------------------------------------------------ playback
namespace {

// Card files are streams of the platform without a descriptor: the size is
// where the end lies (every read seeks first).
S64 s64Size(FILE* f) {
  if (f == nullptr || fseeko(f, 0, SEEK_END) != 0) return -1;
  return (S64)ftello(f);
}
S64 s64Entries(FILE* idx) {
  const S64 size = s64Size(idx);
  return size < 0 ? 0 : size / (S64)MMC_RECORD_INDEX_ENTRY_BYTES;
}
// Entries first to first + count - 1 of an index, with one read.
bool bEntries(FILE* idx, S64 first, S64 count, U8* out) {
  const size_t bytes = (size_t)count * MMC_RECORD_INDEX_ENTRY_BYTES;
  return first >= 0 && count > 0 &&
         fseeko(idx, (off_t)(first * (S64)MMC_RECORD_INDEX_ENTRY_BYTES), SEEK_SET) == 0 &&
         fread(out, 1, bytes, idx) == bytes;
}
bool bEntry(FILE* idx, S64 i, U32* ts, U32* offset) {
  U8 e[MMC_RECORD_INDEX_ENTRY_BYTES];
  if (!bEntries(idx, i, 1, e)) return false;
  if (ts != nullptr) *ts = u32Get(e);
  if (offset != nullptr) *offset = u32Get(e + 4);
  return true;
}

void vClosePlayback(void) {
  for (PLAY_BEAM& b : s_play) {
    if (b.pData != nullptr) fclose(b.pData);
    if (b.pIndex != nullptr) fclose(b.pIndex);
    b = PLAY_BEAM{};
    b.s32Delay = -1;
    b.s32NextTimeStamp = -1;
  }
  s_bPlaybackOpen = false;
}

void vEndPlayback(U32* pu32Delay) {
  (void)H_DATABASE_bUpdateValueU32(FCID("CPSP"), PLAYBACK_MODE_PAUSED, P_NORMAL);
  *pu32Delay = 300;
}

// The smallest delay of the beams still playing: when the next ping is due.
U32 u32NextDue(U32 fallback) {
  S32 best = -1;
  for (const PLAY_BEAM& b : s_play) {
    if (b.pIndex != nullptr && b.s32Delay >= 0 && (best < 0 || b.s32Delay < best)) best = b.s32Delay;
  }
  return best < 0 ? fallback : (U32)best;
}

void vPublish(const PING_DESCRIPTOR* p, const MMC_RECORD_FIELDS& f) {
  T_MMC_vSetPlaybackTransducer(p, FALSE);
  if (p->Location.bPositionValid) {
    (void)H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), p->Location.s32LatitudeMM, P_NORMAL, D_POSITION_LAT_MM,
                                          nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingS32(FCID("ILON"), p->Location.s32LongitudeMM, P_NORMAL, D_POSITION_LON_MM,
                                          nullptr, DB_NO_TIMEOUT);
  }
  if (f.u32Heading > 0xFFFF) {
    (void)H_DATABASE_bUpdateEverythingFloat(FCID("IHDG"), (F32)(f.u32Heading & 0xFFFF) * 0.1f, P_NORMAL, D_HEADING,
                                            nullptr, DB_NO_TIMEOUT);
  }
  if (f.u32Speed > 0xFFFF) {
    const F32 speed = (F32)(f.u32Speed & 0xFFFF) * 0.1f;
    (void)H_DATABASE_bUpdateEverythingFloat(FCID("ISPD"), speed, P_NORMAL, D_SPEED, nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingFloat(FCID("ISOG"), speed, P_NORMAL, D_SPEED, nullptr, DB_NO_TIMEOUT);
  }
  U32 start = 0;
  if (H_DATABASE_bFetchU32(FCID("CRST"), &start)) {
    (void)H_DATABASE_bUpdateEverythingU32(FCID("IDTM"), start + f.u32TimeStamp / 1000, P_NORMAL, D_DATETIME,
                                          nullptr, DB_NO_TIMEOUT);
  }
}

}  // namespace

BOOLEAN MMC_RECORD_bOpenPlaybackFile(BOOLEAN bOpen, const char* pcFileName) {
  Lock lock(s_mutex);
  if (!bOpen) {
    vClosePlayback();
    T_MMC_vSetEndFillDone();
    return TRUE;
  }
  if (pcFileName == nullptr) {
    s_rec.u32PingIndex = 0;
    return FALSE;
  }
  if (s_rec.acFolder[0] != '\0') {
    log_me("MMC: no playback while recording");
    return FALSE;
  }
  vClosePlayback();
  char folder[MMC_COMPOSED_SIZE];
  snprintf(folder, sizeof folder, "%s", pcFileName);
  if (char* dot = strchr(folder, '.')) *dot = '\0';
  bool any = false;
  for (U32 b = 0; b < MMC_RECORD_BEAMS; ++b) {
    char path[FILE_PATH_SIZE];
    snprintf(path, sizeof path, "%s/B%03u.%s", folder, (unsigned)b, "SON");
    FILE* data = PLATFORM_pFileOpen(path, "rb");
    snprintf(path, sizeof path, "%s/B%03u.%s", folder, (unsigned)b, "IDX");
    FILE* index = PLATFORM_pFileOpen(path, "rb");
    if (data == nullptr || index == nullptr) {
      if (data != nullptr) fclose(data);
      if (index != nullptr) fclose(index);
      continue;
    }
    s_play[b].pData = data;
    s_play[b].pIndex = index;
    s_play[b].s64Entries = s64Entries(index);
    s_play[b].s64DataSize = s64Size(data);
    any = true;
  }
  s_rec.u32PingIndex = 0;
  s_bPlaybackOpen = any;
  s_bPositionAtStart = true;
  s_bFirstPositioning = true;
  s_bSeekPending = false;
  s_u32Skipped = 0;
  s_u32CurrentBeam = 0;
  s_bTransducerArmed = true;
  s_view.bFirst = true;
  log_me("MMC: playback of %s %s", folder, any ? "opened" : "has no beam files");
  return any ? TRUE : FALSE;
}

void T_MMC_vSeekPingsInPlaybackFile(const U32* au32TimeStamps) {
  if (au32TimeStamps == nullptr) return;
  Lock lock(s_mutex);
  for (U32 b = 0; b < 4; ++b) s_as32Seek[b] = (S32)au32TimeStamps[b];
  s_as32Seek[4] = -1;
  s_bSeekPending = true;
}

void T_MMC_vSetFilePosition(const S32* seek, U32 u32Mode, PLAYBACK_MODE_TYPE eMode) {
  Lock lock(s_mutex);
  const bool reverse = bReverse(eMode);
  for (U32 i = 0; i < MMC_RECORD_BEAMS; ++i) {
    PLAY_BEAM& b = s_play[i];
    if (b.pIndex == nullptr) continue;
    b.s32NextTimeStamp = -1;
    b.s32Delay = -1;
    b.bBlank = false;
    const S64 n = b.s64Entries;
    if (s_bFirstPositioning) {
      U32 t0 = 0, t5 = 0;
      b.s32BlankDelay = n > 5 && bEntry(b.pIndex, 0, &t0, nullptr) && bEntry(b.pIndex, 5, &t5, nullptr) && t5 >= t0
                            ? (S32)((t5 - t0) / 5)
                            : (S32)DEFAULT_BLANK_DELAY_MS;
    }
    if (n == 0) continue;
    U32 ts = 0;
    if (u32Mode == 2) {
      if (bEntry(b.pIndex, n - 1, &ts, nullptr)) {
        b.s64Entry = n - 1;
        b.s32NextTimeStamp = (S32)ts;
      }
    } else if (seek != nullptr) {
      const S32 want = seek[i];
      if (want < 0) continue;
      if (reverse && want == 0) {
        b.bBlank = true;
        b.s32Delay = b.s32BlankDelay;
        b.s64Entry = 0;
        continue;
      }
      // Scanned a block of entries at a time.
      constexpr S64 BLOCK = 512;
      U8 block[BLOCK * MMC_RECORD_INDEX_ENTRY_BYTES];
      bool found = false;
      for (S64 first = 0; first < n && !found; first += BLOCK) {
        const S64 count = std::min(BLOCK, n - first);
        if (!bEntries(b.pIndex, first, count, block)) break;
        for (S64 k = 0; k < count; ++k) {
          ts = u32Get(block + k * MMC_RECORD_INDEX_ENTRY_BYTES);
          if ((S32)ts >= want) {
            b.s64Entry = first + k;
            b.s32NextTimeStamp = (S32)ts;
            b.s32Delay = (S32)ts - want;
            found = true;
            break;
          }
        }
      }
    } else if (bEntry(b.pIndex, 0, &ts, nullptr)) {
      b.s64Entry = 0;
      b.s32NextTimeStamp = (S32)ts;
      b.s32Delay = (S32)ts;
      if (reverse) {
        b.bBlank = true;
        b.s32Delay = b.s32BlankDelay;
      }
    }
  }
  s_bFirstPositioning = false;
  if (u32Mode == 2) {
    S32 latest = -1;
    for (const PLAY_BEAM& b : s_play) latest = std::max(latest, b.s32NextTimeStamp);
    for (PLAY_BEAM& b : s_play) {
      if (b.pIndex != nullptr && b.s32NextTimeStamp >= 0) b.s32Delay = latest - b.s32NextTimeStamp;
    }
  }
  s_view.bFirst = true;
}

U32 T_MMC_u32ReadPingFromMMC(PING_DESCRIPTOR* p, U32* pu32Delay, PLAYBACK_MODE_TYPE eMode, BOOLEAN* pbNeedSeek) {
  Lock lock(s_mutex);
  const U64 started = L_CLOCK_qwGetTimeInTicks();
  U32 dummy = 0;
  if (pu32Delay == nullptr) pu32Delay = &dummy;
  *pu32Delay = 100;
  if (p == nullptr) return MMC_READ_NOTHING;
  // 1. The mode.
  if (eMode != s_u32LastMode) {
    s_u32LastMode = eMode;
    for (PLAY_BEAM& b : s_play) b.u32Skip = 0;
  }
  if (T_MMC_eSaveStatus() == BUSY_ENDFILL && eMode != PLAYBACK_MODE_END_FILL) T_MMC_vSetStatus(BUSY_ENDFILL_DONE);
  // 2. Positioning.
  if (s_bPositionAtStart) {
    s_bPositionAtStart = false;
    T_MMC_vSetFilePosition(nullptr, 0, eMode);
  }
  if (s_bSeekPending) {
    s_bSeekPending = false;
    T_MMC_vSetFilePosition(s_as32Seek, 0, eMode);
    if (pbNeedSeek != nullptr) *pbNeedSeek = FALSE;
  }
  if (pbNeedSeek != nullptr && *pbNeedSeek) return MMC_READ_NOTHING;
  if (eMode == PLAYBACK_MODE_BEGIN) T_MMC_vSetFilePosition(nullptr, 0, eMode);
  if (eMode == PLAYBACK_MODE_END) T_MMC_vSetFilePosition(nullptr, 2, eMode);
  // 3. The beam whose ping is due first (beam 0 on a tie).
  if (!bPaused(eMode)) {
    U32 chosen = 0;
    S32 best = (s_play[0].s32Delay >= 0 && s_play[0].s32Delay < 20000) ? s_play[0].s32Delay : -1;
    for (U32 i = 1; i < MMC_RECORD_BEAMS; ++i) {
      const S32 d = s_play[i].s32Delay;
      if (s_play[i].pIndex != nullptr && d >= 0 && (best < 0 || d < best)) {
        best = d;
        chosen = i;
      }
    }
    if (best > 0) {
      for (U32 i = 0; i < MMC_RECORD_BEAMS; ++i) {
        if (i != chosen && s_play[i].s32Delay >= 0) s_play[i].s32Delay = std::max(0, s_play[i].s32Delay - best);
      }
    }
    s_u32CurrentBeam = chosen;
  }
  PLAY_BEAM& b = s_play[s_u32CurrentBeam];
  // 4. Missing files; the blank stretch.
  if (b.pData == nullptr || b.pIndex == nullptr) return MMC_READ_NOTHING;
  if (b.bBlank && !bPaused(eMode) && eMode != PLAYBACK_MODE_BEGIN && eMode != PLAYBACK_MODE_END) {
    U32 d = (b.s32Delay >= 1 && b.s32Delay <= 1999) ? (U32)b.s32Delay : 100;
    d = eMode == PLAYBACK_MODE_END_FILL ? 5 : u32Scaled(d, eMode);
    b.s32Delay = b.s32BlankDelay;
    p->Beam = (BEAM)s_u32CurrentBeam;
    *pu32Delay = d;
    return MMC_READ_BLANK;
  }
  // 5. By mode.
  if (eMode == PLAYBACK_MODE_BEGIN) {
    T_N_HISTORY_vPrepareForPlayback();
    (void)H_DATABASE_bUpdateValueU32(FCID("CPSP"), PLAYBACK_MODE_PAUSED_BEGIN, P_NORMAL);
    T_MMC_vSetPlaybackTransducer(nullptr, TRUE);
    *pu32Delay = 300;
    return MMC_READ_NOTHING;
  }
  if (eMode == PLAYBACK_MODE_END) {
    (void)H_DATABASE_bUpdateValueU32(FCID("CPSP"), PLAYBACK_MODE_END_FILL, P_NORMAL);
    if (T_MMC_eSaveStatus() != BUSY_ENDFILL) T_MMC_vShowStatus(BUSY_ENDFILL);
    *pu32Delay = 50;
    return MMC_READ_NOTHING;
  }
  const bool backwards = bReverse(eMode);
  if (!backwards && !bForward(eMode)) {
    *pu32Delay = 300;
    return MMC_READ_NOTHING;
  }
  // 6 to 8: the record, skipping damaged ones.
  MMC_RECORD_FIELDS f{};
  U32 offset = 0;
  for (;;) {
    const S64 entries = b.s64Entries;
    const S64 dataSize = b.s64DataSize;
    // This entry and its neighbours with one read.
    const S64 lo = std::max<S64>(0, b.s64Entry - 1);
    const S64 hi = std::min<S64>(entries - 1, b.s64Entry + 1);
    U8 near[3 * MMC_RECORD_INDEX_ENTRY_BYTES];
    auto entry = [&](S64 i, U32* ts, U32* off) {
      if (i < lo || i > hi) return false;
      const U8* e = near + (i - lo) * MMC_RECORD_INDEX_ENTRY_BYTES;
      if (ts != nullptr) *ts = u32Get(e);
      if (off != nullptr) *off = u32Get(e + 4);
      return true;
    };
    U32 ts = 0;
    if (b.s64Entry >= entries || !bEntries(b.pIndex, lo, hi - lo + 1, near) || !entry(b.s64Entry, &ts, &offset) ||
        (S64)offset >= dataSize || fseeko(b.pData, (off_t)offset, SEEK_SET) != 0) {
      vEndPlayback(pu32Delay);
      return MMC_READ_NOTHING;
    }
    const S64 neighbour = backwards ? b.s64Entry - 1 : b.s64Entry + 1;
    U32 nextTs = 0, nextOffset = 0;
    const bool haveNeighbour = neighbour >= 0 && neighbour < entries && entry(neighbour, &nextTs, nullptr);
    if (!haveNeighbour && !backwards) {
      b.s32Delay = -1;
      p->Beam = (BEAM)s_u32CurrentBeam;
      *pu32Delay = 10;
      return MMC_READ_BEAM_ENDED;
    }
    // The record ends where the next one in the file begins.
    S64 end = dataSize;
    if (entry(b.s64Entry + 1, nullptr, &nextOffset) && nextOffset > offset) end = std::min<S64>(end, nextOffset);
    const size_t want = (size_t)std::min<S64>(end - offset, (S64)sizeof s_au8PlayRecord);
    const size_t got = fread(s_au8PlayRecord, 1, want, b.pData);
    if (got == 0) {
      vEndPlayback(pu32Delay);
      return MMC_READ_NOTHING;
    }
    const bool good = MMC_RECORD_bParse(s_au8PlayRecord, got, p, &f) != FALSE;
    if (haveNeighbour) {
      b.s64Entry = neighbour;
      b.s32NextTimeStamp = (S32)nextTs;
      b.s32Delay = (S32)(nextTs > ts ? nextTs - ts : ts - nextTs);
    } else {
      b.bBlank = true;
      b.s32Delay = b.s32BlankDelay;
    }
    if (good) {
      s_u32Skipped = 0;
      f.u32TimeStamp = ts;
      break;
    }
    log_me("MMC: damaged record of beam %u at %u skipped", (unsigned)s_u32CurrentBeam, (unsigned)offset);
    if (++s_u32Skipped >= MMC_RECORD_MAX_SKIPPED) {
      s_u32Skipped = 0;
      *pu32Delay = 100;
      return MMC_READ_NOTHING;
    }
    if (!haveNeighbour) {
      *pu32Delay = 100;
      return MMC_READ_NOTHING;
    }
  }
  p->Beam = (BEAM)s_u32CurrentBeam;
  p->bReversePing = backwards ? TRUE : FALSE;
  p->u32PingIndex = f.u32PingIndex;
  p->u32TimeStampMilliSeconds = f.u32TimeStamp;
  s_view.u32ShownTimeStamp = f.u32TimeStamp;
  s_view.u64BytesAtReference = offset;
  // 9. The 2x and 4x modes play every second or fourth ping of a beam.
  U32 every = 1;
  if (eMode == PLAYBACK_MODE_2XFORWARD || eMode == PLAYBACK_MODE_2XREVERSE) every = 2;
  if (eMode == PLAYBACK_MODE_4XFORWARD || eMode == PLAYBACK_MODE_4XREVERSE) every = 4;
  if (every > 1 && s_u32CurrentBeam < 4 && p->u8TransmitCycles != 0) {
    const U32 k = b.u32Skip++;
    if (k % every != 0) {
      *pu32Delay = 5;
      return MMC_READ_NOTHING;
    }
  }
  // 10. The end fill publishes nothing.
  if (eMode == PLAYBACK_MODE_END_FILL) {
    *pu32Delay = 5;
    return MMC_READ_PING;
  }
  vPublish(p, f);
  // 11. Until the next ping of any beam, in the speed of the mode.
  const U32 due = std::min(u32NextDue(0), MAX_DELAY_MS);
  const U32 took = (U32)(L_CLOCK_qwGetTimeInTicks() - started);
  const U32 scaled = u32Scaled(due, eMode);
  *pu32Delay = scaled > took ? scaled - took : 0;
  T_MMC_vUpdateViewParameters(p, eMode);
  return MMC_READ_PING;
}

void T_MMC_vSetPlaybackTransducer(const PING_DESCRIPTOR* p, BOOLEAN bInit) {
  Lock lock(s_mutex);
  if (bInit) {
    s_bTransducerArmed = true;
    return;
  }
  if (p == nullptr) return;
  if (s_bTransducerArmed || p->u8Transducer != s_u32LastTransducer) {
    s_u32LastTransducer = p->u8Transducer;
    (void)H_DATABASE_bUpdateValueU32(FCID("CPTS"), p->u8Transducer, P_NORMAL);
  }
  if (p->Beam < 4) {
    PLAY_BEAM& b = s_play[p->Beam];
    if (s_bTransducerArmed || p->u32TransmitFrequencyHertz != b.u32LastFrequency) {
      b.u32LastFrequency = p->u32TransmitFrequencyHertz;
      const FOURCHARID key = p->Beam == 0 ? FCID("CPFL") : p->Beam == 1 ? FCID("CPF2") : FCID("CPFS");
      (void)H_DATABASE_bUpdateValueU32(key, p->u32TransmitFrequencyHertz, P_NORMAL);
    }
  }
  s_bTransducerArmed = false;
}

void T_MMC_vCleanupDatabaseAfterPlayback(void) {
  for (FOURCHARID key : {FCID("ILAT"), FCID("ILON"), FCID("ILTD"), FCID("ILND"), FCID("IHDG"), FCID("IDTM"),
                         FCID("ISOG"), FCID("ISPD")})
    H_DATABASE_vDeleteEntry(key);
}

void T_MMC_vSetEndFillDone(void) {
  if (T_MMC_eSaveStatus() == BUSY_ENDFILL) T_MMC_vSetStatus(BUSY_ENDFILL_DONE);
}
