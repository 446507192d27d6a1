// Start sequence of the program (Main) and what the start-up task shares
// with it.
#pragma once

#include <atomic>

#include "common/types.h"

// 0 at start; the start-up task sets it to 1 once its own initialisation,
// the tasks it starts included, is complete. Main waits for it before it
// starts the other tasks.
extern std::atomic<U8> bStartupTaskInitialized;
// Set by Main once it has started the tasks that follow the start-up task's
// initialisation.
extern std::atomic<U8> bMainTasksStarted;

// Number of tasks Main starts after the start-up task has initialised, and
// their ids in starting order.
constexpr int START_LATE_TASK_COUNT = 45;
extern const S32 g_START_lateTasks[START_LATE_TASK_COUNT];

// Binds every mailbox that has a start binding to its semaphore.
void START_vBindMailboxes(void);

// Shared drawing and chart resources, set up once before any task runs.
void H_PLATFORM_vSetup(void);
// The start sequence; the kernel services run it as Main once CORE_vInstall
// has installed it.
void START_vMain(void);
