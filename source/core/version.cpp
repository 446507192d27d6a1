#include "source/core/version.h"

#include <atomic>
#include <cstdio>

#include "common/db_types.h"
#include "source/core/h_database.h"

namespace {

constexpr U32 kMajor = VERSION_NUMBER / 1000;
constexpr U32 kMinor = VERSION_NUMBER % 1000;
constexpr const char* kBuildDate = "May 27 2015";
constexpr int kProcessorMhz = 534;

// One record per thread, so that two tasks asking at once do not write the
// same record while the other reads it.
thread_local VERSION_INFO s_versionInfo;

std::atomic<BOOLEAN> s_bVersionChanged{FALSE};
std::atomic<BOOLEAN> s_bUpgradingToGroupedWaypointManagement{FALSE};

// The value of a key when it holds one and it is valid.
bool FetchValid(FOURCHARID key, U32* value) {
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchU32(key, value, &valid, nullptr) && valid;
}

}  // namespace

const VERSION_INFO* VERSION_pversion_infoGetCurrentVersion(void) {
  VERSION_INFO info;
  // Every field is written bounded and always ends in a NUL.
  snprintf(info.version, sizeof(info.version), "%1d.%03d", (int)kMajor, (int)kMinor);
  snprintf(info.date, sizeof(info.date), "%s", kBuildDate);
  snprintf(info.speed, sizeof(info.speed), "%dMhz", kProcessorMhz);
  U32 rev = 0;
  if (H_DATABASE_bFetchU32(FCID("CREV"), &rev, nullptr, nullptr)) {
    snprintf(info.rev, sizeof(info.rev), "%u", (unsigned)rev);
  } else {
    snprintf(info.rev, sizeof(info.rev), "---");
  }
  s_versionInfo = info;
  return &s_versionInfo;
}

BOOLEAN VERSION_bDetectVersionChange(void) {
  U32 saved = 0;
  const bool bSavedValid = FetchValid(FCID("SFVR"), &saved);
  const BOOLEAN bChanged = (bSavedValid && saved == VERSION_NUMBER) ? FALSE : TRUE;

  U32 start = 0;
  U32 end = 0;
  const bool bGroupsDone =
      bSavedValid && FetchValid(FCID("SAGS"), &start) && FetchValid(FCID("SAGE"), &end) && start == end;
  s_bUpgradingToGroupedWaypointManagement = bGroupsDone ? FALSE : TRUE;
  s_bVersionChanged = bChanged;

  if (bChanged) {
    H_DATABASE_bUpdateValueU32(FCID("SFVR"), VERSION_NUMBER, P_NORMAL);
  }
  return bChanged;
}

BOOLEAN VERSION_bIsVersionChanged(void) { return s_bVersionChanged; }

BOOLEAN VERSION_bIsUpgradingToGroupedWaypointManagement(void) {
  return s_bUpgradingToGroupedWaypointManagement;
}
