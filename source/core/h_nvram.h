// NVRAM files: saved settings and the sonar and personal blocks in the
// installation directory.
//
//   "sonar.dat"        one 508-byte block
//   "personal.dat"     one 252-byte block
//   "nvr_statbit.dat"  validity bitmap, 1459 little-endian words
//   "nvr_entries.dat"  one little-endian 32-bit value per slot (slot n at 4 n)
//
// A key S c2 c3 c4 (c in 0-9, A-Z) has the slot c2 * 1296 + c3 * 36 + c4;
// NVER, CREV and FFST have the slots 46656 to 46658; no other key has one.
// Bit b of bitmap word w is set when slot 32 w + b has been written.
//
// These operations keep no lock: the NVRAM task is their one user (the
// factory test and the PC connection erase only after the other tasks have
// stopped).
#pragma once

#include "common/db_types.h"
#include "common/types.h"

enum NVR_STATE : S32 {
  STATE_ACTIVE = 1,
  STATE_HARDWARE_FAILURE = 2,
  STATE_VIRGIN = 3,
};

// One key with its 32-bit value.
struct NVR_ENTRY {
  FOURCHARID id;
  DB_DATA_TYPE data;
};

// The two opaque blocks; their users lay their own fields over the words.
struct SONAR_DATA_BLOCK {
  U16 au16Words[254];
};
struct PERSONALIZATION_DATA_BLOCK {
  U16 au16Words[126];
};
static_assert(sizeof(SONAR_DATA_BLOCK) == 508, "sonar block size");
static_assert(sizeof(PERSONALIZATION_DATA_BLOCK) == 252, "personal block size");

// File indexes and names.
enum NVR_FILE : S32 {
  NVR_FILE_SONAR = 0,
  NVR_FILE_PERSONAL = 1,
  NVR_FILE_STATBIT = 2,
  NVR_FILE_ENTRIES = 3,
  NVR_FILE_COUNT = 4,
};
extern const char* const tessix_filenames[NVR_FILE_COUNT];

// Layout.
constexpr U32 NVR_S_SLOTS = 36 * 36 * 36;           // 46656 S keys
constexpr U32 NVR_SLOT_NVER = NVR_S_SLOTS;          // 46656
constexpr U32 NVR_SLOT_CREV = NVR_S_SLOTS + 1;      // 46657
constexpr U32 NVR_SLOT_FFST = NVR_S_SLOTS + 2;      // 46658
constexpr U32 NVR_SLOTS = NVR_S_SLOTS + 3;          // 46659
constexpr U32 NVR_BITMAP_WORDS = 1459;              // 5836 bytes
constexpr U32 NVR_SPECIAL_WORD = 1458;              // bits 0-2: NVER, CREV, FFST
constexpr U32 NVR_HEADER_ENTRIES = 20;
constexpr FOURCHARID NVR_HEADER_END = 0xFFFFFFF0u;  // unused header row
constexpr U32 NVR_NO_SLOT = 0xFFFFFFFFu;
constexpr U32 NVR_FORMAT_VERSION = 0xFFFFFFF8u;     // value of NVER
// The two codes that confirm an erase.
constexpr U32 H_NVRAM_SCRATCH_CODE_1 = 0x5C7A3E19u;
constexpr U32 H_NVRAM_SCRATCH_CODE_2 = 0xA3E1C5F0u;

// Creates the installation and temporary directories when missing.
// STATE_HARDWARE_FAILURE when the installation path is not a directory,
// STATE_VIRGIN when no format version is saved (bitmap file missing, empty
// or without a readable NVER), STATE_ACTIVE otherwise.
NVR_STATE H_NVRAM_eInit(void);

// Stores the value in the key's slot: the entry, then its bitmap word.
// FALSE when the key has no slot or a file cannot be opened or written.
BOOLEAN H_NVRAM_bWriteFCID(const NVR_ENTRY* pEntry);
// Writes the entry only when nothing is saved for the key or the saved
// value differs. *pbWritten (may be null) tells whether it wrote. FALSE when
// the key has no slot or the write failed.
BOOLEAN H_NVRAM_bWriteIfChanged(const NVR_ENTRY* pEntry, BOOLEAN* pbWritten);
// TRUE with the saved value when the key's bit is set. FALSE with the entry
// untouched when the key has no slot; FALSE with id and data 0xFFFFFFFF when
// nothing is saved or the files cannot be read.
BOOLEAN H_NVRAM_bGetItemByID(NVR_ENTRY* pEntry);
// TRUE with the saved value of a slot whose bit is set (id untouched).
BOOLEAN H_NVRAM_bGetItemByNumber(U32 u32Slot, NVR_ENTRY* pEntry);
// Iterations over the saved S slots / the special slots in ascending order
// (index 0 restarts). FALSE when none is left.
BOOLEAN H_NVRAM_bReadSEntry(U32 u32Index, NVR_ENTRY* pEntry);
BOOLEAN H_NVRAM_bReadFEntry(U32 u32Index, NVR_ENTRY* pEntry);
// Header row 0 to 19 with its saved value (as H_NVRAM_bGetItemByID).
BOOLEAN H_NVRAM_bReadUnitHeaderEntry(U32 u32Number, NVR_ENTRY* pEntry);
// The key of a header row (NVR_HEADER_END for unused rows and numbers >= 20).
FOURCHARID H_NVRAM_u32HeaderKey(U32 u32Number);
// Puts the saved value of an S, F or header key back into the database at
// P_NORMAL; nothing when none is saved.
void H_NVRAM_vVersionChangeFindAndSave(FOURCHARID key);
// Flushes the entries file, then the bitmap file.
void H_NVRAM_vFlashWriteBack(void);
// With the two confirmation codes: closes and removes the four files and
// clears the bitmap. FALSE (and nothing done) with any other codes.
BOOLEAN H_NVRAM_bScratchNVR(U32 u32Code1, U32 u32Code2);
// Closes every file and forgets the in-memory bitmap; the next operation
// reads the files again.
void H_NVRAM_vClose(void);

BOOLEAN H_NVRAM_bReadSonarData(SONAR_DATA_BLOCK* pBlock);
BOOLEAN H_NVRAM_bWriteSonarData(const SONAR_DATA_BLOCK* pBlock);
BOOLEAN H_NVRAM_bReadPersonalizationData(PERSONALIZATION_DATA_BLOCK* pBlock);
BOOLEAN H_NVRAM_bWritePersonalizationData(const PERSONALIZATION_DATA_BLOCK* pBlock);
BOOLEAN H_NVRAM_bReadBlock(U32 u32File, void* pBuffer, U32 u32Size);
BOOLEAN H_NVRAM_bWriteBlock(U32 u32File, const void* pBuffer, U32 u32Size);

// Slot rule: the slot of a key (NVR_NO_SLOT when it has none; an S key with
// a character outside 0-9 and A-Z is refused with a trace line), and the key
// of a slot (0xFFFFFFFF past the last slot).
U32 H_NVRAM_u32SlotOfKey(FOURCHARID key);
FOURCHARID H_NVRAM_u32KeyOfSlot(U32 u32Slot);
