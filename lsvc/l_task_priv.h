// Task-layer services shared by the kernel-service modules only (tasks,
// semaphores and timers); not part of the public kernel API.
#pragma once

#include <pthread.h>

#include "lsvc/lsvc.h"

// The mutex and condition on which one thread sleeps in a kernel wait. A task
// of the table uses its record's pair; the main thread uses record 70's; every
// other thread outside the table has a private pair of its own, so that a
// signal wakes exactly the thread that waits.
struct TASK_WAKE {
  pthread_mutex_t* pMutex;
  pthread_cond_t* pCond;
};

// The calling thread's wake object.
TASK_WAKE L_TASK_xMyWake(void);

// TRUE when another thread has asked the calling task to end (L_TASK_Terminate
// of its id); the task ends at its next semaphore wait.
BOOLEAN L_TASK_bTerminateRequested(void);

// Wakes every thread of the task that sleeps in a semaphore wait, so that it
// looks at its semaphores and at a request to end (l_sema.cpp).
void L_SEMA_vWakeTask(TASK id);

// Ends the calling thread: closes its accounting, frees its record when it is
// a task of the table, and exits the thread. Never returns.
[[noreturn]] void L_TASK_vExitMe(void);
