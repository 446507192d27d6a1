// The software version and whether it changed since the settings were saved.
#pragma once

#include "common/types.h"

// The software version times 1000, as saved in key SFVR.
constexpr U32 VERSION_NUMBER = 7660;

typedef struct {
  char version[20];  // "7.660"
  char date[20];     // build date
  char speed[10];    // processor speed, "534Mhz"
  char rev[10];      // value of key CREV, or "---"
} VERSION_INFO;

// Fills and returns the version record (one per thread, valid until the
// thread's next call).
const VERSION_INFO* VERSION_pversion_infoGetCurrentVersion(void);

// Compares the saved version (SFVR) with this software's, saves the current
// one when they differ and notes whether the waypoint store must be upgraded
// to groups (SAGS and SAGE not both valid and equal). Called once after the
// saved settings are restored; returns the version-changed flag.
BOOLEAN VERSION_bDetectVersionChange(void);

BOOLEAN VERSION_bIsVersionChanged(void);
BOOLEAN VERSION_bIsUpgradingToGroupedWaypointManagement(void);
