// The NVRAM task: keeps the saved settings of the database in the NVRAM
// files of the installation directory (source/core/h_nvram.h).
//
// At start it checks the store's format, puts every saved value back into
// the database and only then registers its mailbox (TNVR), so a task that
// waits for TNVR sees the saved settings. While the unit runs it saves every
// F and S key that differs from its saved copy every 10 minutes, whenever
// SEMA_NVRAM_UPDATE is signalled and at shutdown; the unit header keys are
// written as soon as they change. It also serves the sonar and personal
// blocks to other tasks.
#pragma once

#include "common/db_types.h"
#include "common/types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_nvram.h"

TESSIX_PACK4_BEGIN
struct MSG_NVRAM_WRITE_TO_HEADER {
  GENERIC_MESSAGE Header;
  FOURCHARID FourCharId;
};
struct MSG_NVRAM_WRITE_TO_NVR {
  GENERIC_MESSAGE Header;
  FOURCHARID FourCharId;
};
// The sender waits for the acknowledgement before it reads bSuccess or
// reuses the buffer.
struct MSG_READ_SONAR_DATA {
  GENERIC_MESSAGE Header;
  SONAR_DATA_BLOCK* pSonarData;
  BOOLEAN bSuccess;
};
typedef MSG_READ_SONAR_DATA MSG_WRITE_SONAR_DATA;
struct MSG_READ_PERSONALIZED {
  GENERIC_MESSAGE Header;
  PERSONALIZATION_DATA_BLOCK* pPersonData;
  BOOLEAN bSuccess;
};
typedef MSG_READ_PERSONALIZED MSG_WRITE_PERSONALIZED;
TESSIX_PACK_END

// The task entry of task 14.
void T_NVRAM_vTask(void);
// Opens the NVRAM files, making them anew when they are missing or damaged
// (also after the factory test erased them).
void T_NVRAM_vInitHardware(void);
// Row of a unit header key (0 to 19), 0xFFFFFFFF for any other key.
U32 T_NVRAM_u32FetchItemNumber(FOURCHARID key);
// The save pass: every F and S key that differs from its saved value (every
// header key unconditionally), restricted to the keys that are always saved
// in the burn-in and point-of-sale states; one flush at the end.
void T_NVRAM_vHandleDataSave(void);

// The period of the regular save in milliseconds: 600000, or the value of
// TESSIX_NVRAM_SAVE_MS when that is a number from 10 up.
U32 T_NVRAM_u32SavePeriodMs(void);
