// Sonar recordings on the cards and their playback.
//
// A recording is the folder RECORD/R%05d with, per beam b that produced a
// ping, the data file Bbbb.SON (ping records one after another) and the
// index file Bbbb.IDX (8-byte entries: time stamp, record offset), and the
// 64-byte thumb header RECORD/R%05d.DAT beside the folder. Every number in
// them is big-endian. A ping record is a marker and tagged fields: the top
// two bits of a tag give the size of its value (10: 4 bytes, 01: 1 byte,
// 11: 8 bytes, 00: none, except the sample block of id 33), the low six bits
// the field id.
//
// Recording runs on the processing task, playback on the playback reader,
// the thumb-header load on the card task. A recording and a playback are
// never open together: each refuses to start while the other is open. The
// index and thumb header on the card are brought up to date every
// MMC_RECORD_UPDATE_MS of recording, so a card pulled during a recording
// keeps every ping up to its last update, listed and playable.
#pragma once

#include <stddef.h>

#include "common/mmc_types.h"
#include "common/ping_types.h"
#include "common/types.h"

constexpr U32 MMC_RECORD_HEAD_BYTES = 67;
constexpr U32 MMC_RECORD_INDEX_ENTRY_BYTES = 8;
constexpr U32 MMC_THUMB_HEADER_BYTES = 64;
constexpr U32 MMC_RECORD_BEAMS = 5;
constexpr U32 MMC_RECORD_MARKER_LIVE = 0xC0DEAB21;       // from the transducer
constexpr U32 MMC_RECORD_MARKER_SIMULATED = 0xC0DEAB20;  // made up by the unit
constexpr U32 MMC_RECORD_UPDATE_MS = 2000;
constexpr U8 MMC_RECORD_THUMB_VERSION = 193;
// Skipped damaged records in a row after which a read gives up.
constexpr U32 MMC_RECORD_MAX_SKIPPED = 5;

// Results of T_MMC_u32ReadPingFromMMC.
constexpr U32 MMC_READ_NOTHING = 0;
constexpr U32 MMC_READ_PING = 1;
constexpr U32 MMC_READ_BEAM_ENDED = 2;
constexpr U32 MMC_READ_BLANK = 238;

// The fields of a record that are not descriptor fields.
struct MMC_RECORD_FIELDS {
  U32 u32Marker;
  U32 u32PingIndex;
  U32 u32TimeStamp;
  U32 u32Heading;  // 0x10000 + heading x 10, 0 invalid
  U32 u32Speed;    // 0x10000 + speed x 10, 0 invalid
  U32 u32Depth;    // depth x 10, 0 invalid
};

// ------------------------------------------------------------ the format
// The 67-byte head of the record of a ping (the samples follow it).
void MMC_RECORD_vEncodeHead(const PING_DESCRIPTOR* pPing, const MMC_RECORD_FIELDS* pFields,
                            U8 au8Head[MMC_RECORD_HEAD_BYTES]);
// Reads the record in the n bytes at p (its bytes up to the next record or
// the end of the file) into the descriptor: FALSE for a foreign marker or a
// damaged record (samples before their count, no sample block, a field
// running past the n bytes). Samples are capped at PING_MAX_SAMPLES and at
// the bytes present; the position counts as valid when both came.
BOOLEAN MMC_RECORD_bParse(const U8* p, size_t n, PING_DESCRIPTOR* pPing, MMC_RECORD_FIELDS* pFields);
void MMC_RECORD_vEncodeThumbHeader(const SONAR_RECORD_THUMB_HEADER* pHeader, U8 au8Out[MMC_THUMB_HEADER_BYTES]);

// ------------------------------------------------------------ recording (processing task)
// Starts a recording in a new folder on a writable card; FALSE when none
// could be started.
BOOLEAN T_MMC_bOpenSonarMMCFiles(void);
// The same in the given RECORD folder (a unit path) instead of one on a
// writable card (tests and benchmarks).
BOOLEAN T_MMC_bOpenSonarMMCFilesIn(const char* pcRecordFolder);
// Appends one ping to the running recording (nothing while none runs).
void T_MMC_vSaveRawDataToMMC(PING_DESCRIPTOR* pPing);
// Ends the recording; with bRemove the recording is deleted.
void T_MMC_vCloseSonarMMCFiles(BOOLEAN bRemove);
// TRUE while a recording is open.
BOOLEAN MMC_RECORD_bRecording(void);
// Tests: added to every data-file position the recorder tells, so that the
// limit of 4-byte offsets can be reached without writing 2 GiB.
void MMC_RECORD_vSetOffsetBias(S64 s64Bias);

// ------------------------------------------------------------ playback (playback reader)
// bOpen FALSE closes every playback file (TRUE); a null name resets the
// ping index (FALSE); else opens the recording whose thumb header is the
// unit path pcFileName (everything before its first "." names the folder):
// TRUE when at least one beam has both files.
BOOLEAN MMC_RECORD_bOpenPlaybackFile(BOOLEAN bOpen, const char* pcFileName);
// One step of playback: MMC_READ_* result, *pu32DelayMs the wait before
// the next call.
U32 T_MMC_u32ReadPingFromMMC(PING_DESCRIPTOR* pPing, U32* pu32DelayMs, PLAYBACK_MODE_TYPE ePlaybackMode,
                             BOOLEAN* pbNeedSeekPing);
// Asks the next playback read to position beams 0 to 3 at the four time
// stamps.
void T_MMC_vSeekPingsInPlaybackFile(const U32* pu32TimeStamps);
// Positions every beam (u32Mode 2: at the end; else from the start, at the
// time stamps when given, 5 of them, -1 leaving a beam unpositioned).
void T_MMC_vSetFilePosition(const S32* ps32TimeStamps, U32 u32Mode, PLAYBACK_MODE_TYPE ePlaybackMode);
void T_MMC_vSetPlaybackTransducer(const PING_DESCRIPTOR* pPing, BOOLEAN bInit);
void T_MMC_vCleanupDatabaseAfterPlayback(void);
void T_MMC_vSetEndFillDone(void);
void T_MMC_vUpdateViewParameters(const PING_DESCRIPTOR* pPing, PLAYBACK_MODE_TYPE ePlaybackMode);
// The lowest beam 0 to 3 set in CSBP, 255 when none or CSBP is invalid.
U32 T_MMC_u32LowBeamPinging(void);
