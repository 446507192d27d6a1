// Task table and task threads: one record per task of the generated table
// plus one for the main thread; starts a task's thread with a handshake, gives
// every thread its task id, keeps activity accounting for the state dump and
// ends tasks on request.
#include <errno.h>
#include <sched.h>
#include <string.h>
#include <sys/time.h>

#include <algorithm>
#include <atomic>

#include "lsvc/l_lockword.h"
#include "lsvc/l_task_priv.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

U8 task_disabled[ntasks];

namespace {

constexpr int NRECORDS = ntasks + 1;  // the table rows and the main thread

struct TASK_INFO {
  TASK_PARAM TaskParam;  // priority field holds the mapped Linux priority
  std::atomic<pthread_t> ThreadID{0};
  pthread_mutex_t TaskMutex;
  pthread_condattr_t TaskCondAttr;
  pthread_cond_t TaskCond;
  void* TaskStackPtr = nullptr;  // the thread library owns the stacks here
  // Activity accounting, guarded by AccountMutex.
  S32 active_count = 0;
  struct timeval activ_time = {0, 0};
  struct timeval accum_time = {0, 0};
  pthread_mutex_t AccountMutex;
  // Start generation of the thread now running the task (guarded by
  // StateMutex with ThreadID) and the generation asked to end (0: none).
  U32 u32Generation = 0;
  std::atomic<U32> u32KillGeneration{0};
  pthread_mutex_t StateMutex;
};

struct TASK_TABLE {
  TASK_INFO records[NRECORDS];
  pthread_mutexattr_t RecursiveAttr;
  pthread_mutex_t KickOffMutex;
  pthread_cond_t KickOffCond;
};

// Id and start generation of the calling thread; 0 for a thread outside the
// table.
thread_local TASK t_myId = 0;
thread_local U32 t_myGeneration = 0;

PRIORITY u16MapPriority(U32 table_priority) {
  const int q = 100 - (int)table_priority;
  if (q <= 0) return 0;
  const int max = sched_get_priority_max(SCHED_OTHER);
  const int min = sched_get_priority_min(SCHED_OTHER);
  if (max <= 0) return 0;
  if (q >= max) return (PRIORITY)(max - 1);
  if (q < min) return (PRIORITY)min;
  return (PRIORITY)q;
}

void vInitWakePair(pthread_mutex_t* mutex, pthread_condattr_t* cond_attr, pthread_cond_t* cond,
                   const pthread_mutexattr_t* mutex_attr) {
  pthread_mutex_init(mutex, mutex_attr);
  pthread_condattr_init(cond_attr);
  pthread_condattr_setclock(cond_attr, CLOCK_MONOTONIC);
  pthread_cond_init(cond, cond_attr);
}

TASK_TABLE* pxTable(void) {
  static TASK_TABLE* table = [] {
    TASK_TABLE* t = new TASK_TABLE();
    pthread_mutexattr_init(&t->RecursiveAttr);
    pthread_mutexattr_settype(&t->RecursiveAttr, PTHREAD_MUTEX_RECURSIVE);
    for (int i = 0; i < NRECORDS; ++i) {
      TASK_INFO& r = t->records[i];
      if (i < ntasks) {
        r.TaskParam = TaskParams[i];
        r.TaskParam.TParamPriority = u16MapPriority(TaskParams[i].TParamPriority);
      } else {
        // The main thread is running: its accounting starts now.
        memset(&r.TaskParam, 0, sizeof r.TaskParam);
        r.ThreadID.store(pthread_self());
        r.active_count = 1;
        lm_gettime(&r.activ_time);
      }
      vInitWakePair(&r.TaskMutex, &r.TaskCondAttr, &r.TaskCond, &t->RecursiveAttr);
      pthread_mutex_init(&r.AccountMutex, nullptr);
      pthread_mutex_init(&r.StateMutex, nullptr);
    }
    pthread_mutex_init(&t->KickOffMutex, nullptr);
    pthread_cond_init(&t->KickOffCond, nullptr);
    return t;
  }();
  return table;
}

TASK_INFO& xRecord(TASK id) { return pxTable()->records[id - 1]; }

TASK nMyId(void) { return t_myId != 0 ? t_myId : MAIN_THREAD_TASK; }

// 1-70 for a valid id (0 = the caller), -1 otherwise.
TASK nResolve(TASK id) {
  if (id == 0) return nMyId();
  if (id < 1 || id > MAIN_THREAD_TASK) return -1;
  return id;
}

// Private wake pair of a thread outside the table.
struct OWN_WAKE {
  pthread_mutex_t mutex;
  pthread_condattr_t cond_attr;
  pthread_cond_t cond;
  OWN_WAKE() {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    vInitWakePair(&mutex, &cond_attr, &cond, &attr);
    pthread_mutexattr_destroy(&attr);
  }
  ~OWN_WAKE() {
    pthread_cond_destroy(&cond);
    pthread_condattr_destroy(&cond_attr);
    pthread_mutex_destroy(&mutex);
  }
};

void vTimevalNow(struct timeval* tv) { lm_gettime(tv); }

void vAddTimeval(struct timeval* sum, const struct timeval& add) {
  sum->tv_sec += add.tv_sec;
  sum->tv_usec += add.tv_usec;
  while (sum->tv_usec > 999999) {
    sum->tv_usec -= 1000000;
    sum->tv_sec += 1;
  }
}

// later - earlier, never negative.
struct timeval xSince(const struct timeval& earlier, const struct timeval& later) {
  S64 us = ((S64)later.tv_sec - earlier.tv_sec) * 1000000 + ((S64)later.tv_usec - earlier.tv_usec);
  if (us < 0) us = 0;
  struct timeval tv;
  tv.tv_sec = (time_t)(us / 1000000);
  tv.tv_usec = (suseconds_t)(us % 1000000);
  return tv;
}

void vActivate(TASK_INFO& r) {
  struct timeval now;
  vTimevalNow(&now);
  pthread_mutex_lock(&r.AccountMutex);
  r.active_count += 1;
  r.activ_time = now;
  pthread_mutex_unlock(&r.AccountMutex);
}

void vDeactivate(TASK_INFO& r) {
  struct timeval now;
  vTimevalNow(&now);
  pthread_mutex_lock(&r.AccountMutex);
  vAddTimeval(&r.accum_time, xSince(r.activ_time, now));
  r.active_count -= 1;
  pthread_mutex_unlock(&r.AccountMutex);
}

// Applies a mapped priority to a thread: FIFO for a non-zero value, the
// default policy otherwise.
int nApplyPriority(pthread_t thread, PRIORITY mapped) {
  struct sched_param sp;
  memset(&sp, 0, sizeof sp);
  sp.sched_priority = mapped;
  return pthread_setschedparam(thread, mapped != 0 ? SCHED_FIFO : SCHED_OTHER, &sp);
}

// The thread ends: close its accounting and, unless the record has been
// handed to a newer thread (terminated and started again), free the record.
void vTaskThreadEnds(void) {
  TASK_INFO& r = xRecord(nMyId());
  vDeactivate(r);
  if (t_myId != 0) {
    pthread_mutex_lock(&r.StateMutex);
    if (r.u32Generation == t_myGeneration) r.ThreadID.store(0);
    pthread_mutex_unlock(&r.StateMutex);
  }
}

struct KICKOFF {
  TASK id;
  U32 generation;
  bool bStarted;
};

void* pvTaskKickOff(void* argument) {
  KICKOFF* k = static_cast<KICKOFF*>(argument);
  TASK_TABLE* t = pxTable();
  t_myId = k->id;
  t_myGeneration = k->generation;
  TASK_INFO& r = xRecord(k->id);
  pthread_mutex_lock(&r.StateMutex);
  if (r.u32Generation == k->generation) r.ThreadID.store(pthread_self());
  const PRIORITY priority = r.TaskParam.TParamPriority;
  void (*entry)(void) = r.TaskParam.TParamStartFunction;
  pthread_mutex_unlock(&r.StateMutex);
  vActivate(r);
  // A refused real-time policy is not an error: the task runs at the default.
  (void)nApplyPriority(pthread_self(), priority);
  pthread_mutex_lock(&t->KickOffMutex);
  k->bStarted = true;  // k belongs to the starter from here on
  pthread_cond_signal(&t->KickOffCond);
  pthread_mutex_unlock(&t->KickOffMutex);
  if (entry != nullptr) entry();
  vTaskThreadEnds();
  return nullptr;
}

}  // namespace

// ------------------------------------------------------------ internal

TASK_WAKE L_TASK_xMyWake(void) {
  TASK_TABLE* t = pxTable();
  if (t_myId != 0) {
    TASK_INFO& r = t->records[t_myId - 1];
    return TASK_WAKE{&r.TaskMutex, &r.TaskCond};
  }
  TASK_INFO& main_record = t->records[MAIN_THREAD_TASK - 1];
  if (pthread_equal(main_record.ThreadID.load(), pthread_self())) {
    return TASK_WAKE{&main_record.TaskMutex, &main_record.TaskCond};
  }
  static thread_local OWN_WAKE own;
  return TASK_WAKE{&own.mutex, &own.cond};
}

BOOLEAN L_TASK_bTerminateRequested(void) {
  if (t_myId == 0) return FALSE;
  return xRecord(t_myId).u32KillGeneration.load() == t_myGeneration ? TRUE : FALSE;
}

void L_TASK_vExitMe(void) {
  vTaskThreadEnds();
  pthread_exit(nullptr);
}

// ------------------------------------------------------------ interface

const char* get_task_name(TASK id) {
  if (id < 0 || id > MAIN_THREAD_TASK) return "INVALID";
  return str_tasks[id];
}

TASK L_TASK_GetMyID(void) {
  (void)pxTable();  // the first caller's thread becomes the main thread's record
  return nMyId();
}

TASK L_TASK_GetID(pthread_t thread) {
  TASK_TABLE* t = pxTable();
  if (thread == 0 || pthread_equal(thread, pthread_self())) return nMyId();
  for (int i = 0; i < NRECORDS; ++i) {
    if (pthread_equal(t->records[i].ThreadID.load(), thread)) return i + 1;
  }
  return MAIN_THREAD_TASK;
}

S32 L_TASK_SetStartFunction(TASK id, void (*function)(void)) {
  if (id < 1 || id > ntasks) return -lsTASK_INVALID;
  TASK_INFO& r = xRecord(id);
  pthread_mutex_lock(&r.StateMutex);
  r.TaskParam.TParamStartFunction = function;
  pthread_mutex_unlock(&r.StateMutex);
  return lsSUCCESS;
}

S32 L_TASK_Start(TASK id) {
  TASK_TABLE* t = pxTable();
  const TASK n = nResolve(id);
  if (n < 1 || n > ntasks) return -lsTASK_INVALID;
  if (task_disabled[n - 1] != 0) return lsSUCCESS;
  TASK_INFO& r = xRecord(n);

  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return -lsTASK_PARAMS;
  const size_t stack = std::max<size_t>((size_t)r.TaskParam.TParamStackSize + 16384, PLATFORM_szStackFloor());
  bool ok = pthread_attr_setstacksize(&attr, stack) == 0 &&
            pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED) == 0;
  if (ok && r.TaskParam.TParamPriority == 0) {
    // The default policy is always granted; a real-time one is asked for by
    // the thread itself, where a refusal is harmless.
    struct sched_param sp;
    memset(&sp, 0, sizeof sp);
    ok = pthread_attr_setinheritsched(&attr, PTHREAD_EXPLICIT_SCHED) == 0 &&
         pthread_attr_setschedpolicy(&attr, SCHED_OTHER) == 0 && pthread_attr_setschedparam(&attr, &sp) == 0;
  }
  if (!ok) {
    pthread_attr_destroy(&attr);
    return -lsTASK_PARAMS;
  }

  log_me("starting task #%d (%s)", n, get_task_name(n));
  pthread_mutex_lock(&t->KickOffMutex);
  pthread_mutex_lock(&r.StateMutex);
  if (r.ThreadID.load() != 0) {
    pthread_mutex_unlock(&r.StateMutex);
    pthread_mutex_unlock(&t->KickOffMutex);
    pthread_attr_destroy(&attr);
    log_me("task #%d (%s) is already running", n, get_task_name(n));
    return -lsTASK_START;
  }
  KICKOFF k = {n, ++r.u32Generation, false};
  pthread_t thread;
  const int rc = pthread_create(&thread, &attr, pvTaskKickOff, &k);
  if (rc == 0) r.ThreadID.store(thread);
  pthread_mutex_unlock(&r.StateMutex);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    pthread_mutex_unlock(&t->KickOffMutex);
    log_me("task #%d (%s) could not be created: %s", n, get_task_name(n), strerror(rc));
    return -lsTASK_START;
  }
  L_TASK_Deactivate();
  while (!k.bStarted) pthread_cond_wait(&t->KickOffCond, &t->KickOffMutex);
  L_TASK_Activate();
  pthread_mutex_unlock(&t->KickOffMutex);
  return lsSUCCESS;
}

S32 L_TASK_Terminate(TASK id) {
  const TASK n = nResolve(id);
  if (n < 0) return -lsTASK_INVALID;
  if (n == nMyId()) L_TASK_vExitMe();
  // Threads outside the table share id 70: none of them can be named.
  if (n == MAIN_THREAD_TASK) return -lsTASK_INVALID;
  TASK_INFO& r = xRecord(n);
  pthread_mutex_lock(&r.StateMutex);
  const bool had_thread = r.ThreadID.load() != 0;
  r.ThreadID.store(0);
  if (had_thread) r.u32KillGeneration.store(r.u32Generation);
  pthread_mutex_unlock(&r.StateMutex);
  if (had_thread) {
    // The task ends when it next waits on a semaphore, with no lock held;
    // one that waits now is woken to do so.
    L_SEMA_vWakeTask(n);
    pthread_mutex_lock(&r.TaskMutex);
    pthread_cond_broadcast(&r.TaskCond);
    pthread_mutex_unlock(&r.TaskMutex);
  }
  return lsSUCCESS;
}

S32 L_TASK_GetPriority(TASK id) {
  const TASK n = nResolve(id);
  if (n < 0) return -lsTASK_INVALID;
  TASK_INFO& r = xRecord(n);
  pthread_mutex_lock(&r.StateMutex);
  const S32 p = 100 - (S32)r.TaskParam.TParamPriority;
  pthread_mutex_unlock(&r.StateMutex);
  return p;
}

S32 L_TASK_SetPriority(TASK id, PRIORITY p) {
  const TASK n = nResolve(id);
  if (n < 0) return -lsTASK_INVALID;
  TASK_INFO& r = xRecord(n);
  S32 result = lsSUCCESS;
  pthread_mutex_lock(&r.StateMutex);
  if (p != 0) r.TaskParam.TParamPriority = u16MapPriority(p);
  const pthread_t thread = r.ThreadID.load();
  if (thread != 0 && nApplyPriority(thread, r.TaskParam.TParamPriority) != 0) result = -lsTASK_PARAMS;
  pthread_mutex_unlock(&r.StateMutex);
  return result;
}

void L_TASK_Activate(void) { vActivate(xRecord(L_TASK_GetMyID())); }

void L_TASK_Deactivate(void) { vDeactivate(xRecord(L_TASK_GetMyID())); }

namespace {
// The wake pair of a task id for the conditional operations: the caller's
// own pair for its own id, the record's pair for a task that has a thread,
// none otherwise.
bool bWakeOf(TASK id, TASK_WAKE* wake) {
  const TASK n = nResolve(id);
  if (n < 0) return false;
  if (n == nMyId()) {
    *wake = L_TASK_xMyWake();
    return true;
  }
  TASK_INFO& r = xRecord(n);
  if (r.ThreadID.load() == 0) return false;
  *wake = TASK_WAKE{&r.TaskMutex, &r.TaskCond};
  return true;
}
}  // namespace

S32 L_TASK_LockMutex(TASK id) {
  if (nResolve(id) < 0) return -lsTASK_INVALID;
  TASK_WAKE w;
  if (bWakeOf(id, &w)) pthread_mutex_lock(w.pMutex);
  return lsSUCCESS;
}

S32 L_TASK_UnlockMutex(TASK id) {
  if (nResolve(id) < 0) return -lsTASK_INVALID;
  TASK_WAKE w;
  if (bWakeOf(id, &w)) pthread_mutex_unlock(w.pMutex);
  return lsSUCCESS;
}

S32 L_TASK_SignalConditional(TASK id) {
  if (nResolve(id) < 0) return -lsTASK_INVALID;
  TASK_WAKE w;
  if (bWakeOf(id, &w)) {
    pthread_mutex_lock(w.pMutex);
    pthread_cond_broadcast(w.pCond);
    pthread_mutex_unlock(w.pMutex);
  }
  return lsSUCCESS;
}

S32 L_TASK_WaitConditional(TASK id) {
  if (nResolve(id) < 0) return -lsTASK_INVALID;
  TASK_WAKE w;
  if (!bWakeOf(id, &w)) return lsSUCCESS;
  L_TASK_Deactivate();
  pthread_cond_wait(w.pCond, w.pMutex);
  L_TASK_Activate();
  return lsSUCCESS;
}

S32 L_TASK_WaitConditionalTimed(TASK id, const struct timespec* deadline) {
  if (nResolve(id) < 0) return -lsTASK_INVALID;
  TASK_WAKE w;
  if (!bWakeOf(id, &w)) return lsSUCCESS;
  L_TASK_Deactivate();
  const int rc = PLATFORM_nCondTimedWait(w.pCond, w.pMutex, deadline);
  L_TASK_Activate();
  return rc == ETIMEDOUT ? -lsTIMEOUT : lsSUCCESS;
}

void L_TASK_Debug(void) {
  TASK_TABLE* t = pxTable();
  struct timeval now;
  lm_gettime(&now);
  struct timeval times[NRECORDS];
  S32 counts[NRECORDS];
  struct timeval total = {0, 0};
  for (int i = 0; i < NRECORDS; ++i) {
    TASK_INFO& r = t->records[i];
    pthread_mutex_lock(&r.AccountMutex);
    times[i] = r.accum_time;
    counts[i] = r.active_count;
    // Several threads outside the table share the main thread's record, so
    // the count may stand above 1 (or below 0 while they all wait).
    for (S32 c = 0; c < r.active_count; ++c) vAddTimeval(&times[i], xSince(r.activ_time, now));
    pthread_mutex_unlock(&r.AccountMutex);
    vAddTimeval(&total, times[i]);
  }
  log_me("run time %d.%06d accumulated time %d.%06d", (int)now.tv_sec, (int)now.tv_usec, (int)total.tv_sec,
         (int)total.tv_usec);
  log_me("task information (%d total)", NRECORDS);
  const S64 total_ms = (S64)total.tv_sec * 1000 + total.tv_usec / 1000;
  for (int i = 0; i < NRECORDS; ++i) {
    TASK_INFO& r = t->records[i];
    const S64 ms = (S64)times[i].tv_sec * 1000 + times[i].tv_usec / 1000;
    const int share = total_ms > 0 ? (int)(ms * 100 / total_ms) : -1;
    const int lock_word = L_nMutexLockWord(&r.TaskMutex);
    pthread_mutex_lock(&r.StateMutex);
    const int priority = r.TaskParam.TParamPriority;
    pthread_mutex_unlock(&r.StateMutex);
    log_me("  %02d %s: active %d time (%d%%) %d.%06d priority %d pthread ID #%lu mutex.lock %d", i + 1,
           get_task_name(i + 1), (int)counts[i], share, (int)times[i].tv_sec, (int)times[i].tv_usec,
           priority, (unsigned long)r.ThreadID.load(), lock_word);
  }
}
