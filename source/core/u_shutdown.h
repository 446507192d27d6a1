// Orderly shutdown: tells every task registered under a T key to finish,
// one after another, the NVRAM task last.
#pragma once

#include "common/types.h"
#include "lsvc/lsvc.h"

// Time each task has to acknowledge CMD_ID_SHUTDOWN.
constexpr U32 U_SHUTDOWN_ACK_MS = 500;

// Sends CMD_ID_SHUTDOWN (message priority 3, acknowledged on
// SEMA_SHUTDOWN_KEYB) to the mailbox of every T key but TKBD, TNVR and the
// keys of the zero-terminated exclusion list (may be null), waiting up to
// U_SHUTDOWN_ACK_MS for each; then to the NVRAM task (TNVR) without a time
// limit. Returns the result of that last wait (0), or 0 without TNVR.
S32 U_SHUTDOWN_vShutdown(const FOURCHARID* pExclusions);
