// File-system shims.
#pragma once

// Starts the "sync" thread that flushes the file systems. Not started yet.
void LS_sync_vInit(void);
