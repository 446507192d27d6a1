// Kernel services: tasks, mailboxes, event semaphores, clock, timers,
// resource mutexes, queues, memory partitions, trace and fatal errors.
//
// Every object is addressed by a small number into a fixed table; results
// are 0 or a negated LINUX_SVC_RETURN_CODES value.
#pragma once

#include <pthread.h>
#include <time.h>

#include "common/cmd_id.h"
#include "common/types.h"

typedef S32 TASK;
typedef S32 MBOX;
typedef S32 SEMA;
typedef S32 MUTEX;
typedef S32 RESOURCE;
typedef S32 QUEUE;
typedef S32 MAP;
typedef U16 PRIORITY;

enum LINUX_SVC_RETURN_CODES : S32 {
  lsSUCCESS = 0,
  lsTIMEOUT = 1,
  lsSEMA_INVALID = 2,
  lsSEMA_OVERRUN = 3,
  lsSEMA_PENDING = 4,
  lsSEMA_DONE = 5,
  lsSEMA_WAIT_CONFLICT = 6,
  lsTASK_INVALID = 7,
  lsTASK_PARAMS = 8,
  lsTASK_MEMORY = 9,
  lsTASK_START = 10,
  lsNO_TIMER = 11,
  lsTIMER_ILLEGAL = 12,
  lsTIMER_UNINIT = 13,
  lsTIMER_INACTIVE = 14,
  lsNO_CLOCK = 15,
  lsQUEUE_INVALID = 16,
  lsQCOND_INVALID = 17,
  lsQUEUE_NO_MEMORY = 18,
  lsQUEUE_FULL = 19,
  lsQUEUE_EMPTY = 20,
  lsMUTEX_INVALID = 21,
  lsMUTEX_BUSY = 22,
  lsMUTEX_NESTED = 23,
  lsMAP_INVALID = 24,
  lsMAP_CROSSED = 25,
  lsMAP_NO_MEMORY = 26,
  lsMAP_NONE_AVAIL = 27,
  lsMBOX_INVALID = 28,
};

// Generated table sizes.
constexpr int ntasks = 69;
constexpr int nmboxes = 71;
constexpr int nsemas = 280;
constexpr int ntmrs = 50;
constexpr int nres = 104;
constexpr int nqueues = 12;
constexpr int nmaps = 0;
constexpr int dnmaps = 8;

// Id of the main thread and of every thread outside the task table.
constexpr TASK MAIN_THREAD_TASK = 70;

struct TASK_PARAM {
  U16 TParamStackSize;
  PRIORITY TParamPriority;
  void (*TParamStartFunction)(void);
};

struct QUEUE_PARAM {
  U32 QParamWidth;
  U32 QParamDepth;
};

#include "lsvc/l_tables.h"

extern const TASK_PARAM TaskParams[ntasks];
extern const QUEUE_PARAM QueueParams[nqueues];

// ---------------------------------------------------------------- tasks
extern U8 task_disabled[ntasks];

S32 L_TASK_Start(TASK id);
S32 L_TASK_Terminate(TASK id);
TASK L_TASK_GetID(pthread_t thread);  // pass 0 for the calling thread
TASK L_TASK_GetMyID(void);
S32 L_TASK_GetPriority(TASK id);
S32 L_TASK_SetPriority(TASK id, PRIORITY p);
void L_TASK_Activate(void);
void L_TASK_Deactivate(void);
S32 L_TASK_LockMutex(TASK id);
S32 L_TASK_UnlockMutex(TASK id);
S32 L_TASK_SignalConditional(TASK id);
S32 L_TASK_WaitConditional(TASK id);
S32 L_TASK_WaitConditionalTimed(TASK id, const struct timespec* deadline);
void L_TASK_Debug(void);
const char* get_task_name(TASK id);
// Replaces the entry function a table row starts with (host tools and tests);
// takes effect at the task's next L_TASK_Start. −7 for an id outside 1 to 69.
S32 L_TASK_SetStartFunction(TASK id, void (*function)(void));

// ---------------------------------------------------------------- messages
TESSIX_PACK4_BEGIN
struct MsgHeader {
  MsgHeader* MsgNext;
  SEMA sema;
  PRIORITY MsgPriority;
  TASK task;
};
typedef MsgHeader MSGHEADER;
typedef MsgHeader RTXCMSG;

struct GENERIC_MESSAGE {
  MsgHeader msghdr;
  CMD_ID Cmd;
};
TESSIX_PACK_END

S32 L_MBOX_Send(MBOX mbox, void* message, PRIORITY priority, SEMA sema);
S32 L_MBOX_SendWait(MBOX mbox, void* message, PRIORITY priority, SEMA sema);
S32 L_MBOX_SendWaitTicks(MBOX mbox, void* message, PRIORITY priority, SEMA sema, U32 ticks);
S32 L_MBOX_SendWaitSeconds(MBOX mbox, void* message, PRIORITY priority, SEMA sema, U32 seconds);
void* L_MBOX_Receive(MBOX mbox);
void* L_MBOX_ReceiveWait(MBOX mbox);
void* L_MBOX_ReceiveWaitTicks(MBOX mbox, U32 ticks);
void* L_MBOX_ReceiveWaitSeconds(MBOX mbox, U32 seconds);
S32 L_MBOX_AckMessage(void* message);
S32 L_MBOX_DefineSema(MBOX mbox, SEMA sema);
void H_MEMORY_vDumpMail(void* message);
void L_MBOX_Debug(void);
const char* get_mailbox_name(MBOX mbox);

// ---------------------------------------------------------------- semaphores
S32 L_SEMA_Signal(SEMA sema);
S32 L_SEMA_SignalMultiple(const SEMA* list);
S32 L_SEMA_SetPending(SEMA sema);
S32 L_SEMA_SetPendingMultiple(const SEMA* list);
S32 L_SEMA_GetWaitingTaskID(SEMA sema);
S32 L_SEMA_Wait(SEMA sema);
S32 L_SEMA_WaitTicks(SEMA sema, U32 ticks);
S32 L_SEMA_WaitSeconds(SEMA sema, U32 seconds);
S32 L_SEMA_WaitMultiple(const SEMA* list);
// Timed form of the list wait (an extension used by tests and tasks that poll).
S32 L_SEMA_WaitMultipleTicks(const SEMA* list, U32 ticks);
void L_SEMA_Debug(void);
const char* get_semaphore_name(SEMA sema);

// ---------------------------------------------------------------- clock
U64 L_CLOCK_qwGetTimeInNans(void);
U64 L_CLOCK_qwGetTimeInMicros(void);
U64 L_CLOCK_qwGetTimeInMillis(void);
U64 L_CLOCK_qwGetTimeInTicks(void);
void L_CLOCK_PrepTimeoutTicks(struct timespec* deadline, U32 ticks);
void L_CLOCK_PrepTimeoutSeconds(struct timespec* deadline, U32 seconds);
void L_CLOCK_StoreTimerspec(struct itimerspec* setting, U32 start_ms, U32 period_ms);
U32 L_CLOCK_ScanTimerspec(const struct itimerspec* setting);
void L_CLOCK_Sleep(U32 ticks);
U32 lm_gettime(struct timeval* tv);
U32 H_TICK_u32ReadFreeRunningTimerInMilliSeconds(void);
U32 H_TICK_u32ReadFreeRunningTimerInSystemTicks(void);
U32 H_TICK_u32ReadFreeRunningTimer(void);
U32 H_TICK_u32ElapsedTime(U32 start, U32 end);
void H_TICK_vSetup(U32 rate);
void H_TICK_vHandleTick(void);
void H_TICK_vSetFineTimer(U32 number, U32 fine_ticks, void (*turnaround)(void));

// ---------------------------------------------------------------- timers
struct TIMER_INFO {
  U8 u8TimerState;   // 0 idle, 1 running (one-shot), 2 cycling (periodic)
  U8 u8TimerSignal;  // non-zero while an expiry is queued for the timer thread
  TASK OwningTaskID;
  SEMA Semaphore;
  U32 TimerID;  // index of the record, 1-based; 0 while uninitialised
  U32 timer_fired_count;
  U32 timer_queue_count;
  // Host timer source: next expiry and period on the monotonic clock.
  U64 u64DueNs;
  U32 u32PeriodMs;
  U32 u32Generation;
};
typedef TIMER_INFO CLKBLK;

TIMER_INFO* L_TIMER_Allocate(void);
TIMER_INFO* L_TIMER_Start(TIMER_INFO* timer, U32 first_ticks, U32 period_ticks, SEMA sema);
S32 L_TIMER_Stop(TIMER_INFO* timer);
S32 L_TIMER_Release(TIMER_INFO* timer);
U32 L_TIMER_GetRemaining(TIMER_INFO* timer);
U32 L_TIMER_GetElapsed(U32* reference);
// Initialises a record of the caller's as a timer owned by owner. The record
// is the timer's handle: the timer's state is kept apart and the record is
// not touched again, so it may end while the timer runs (its address still
// names the timer for L_TIMER_Stop and L_TIMER_Release). Its fields show the
// timer as initialised, not as it runs.
S32 L_TIMER_InitTimer(TIMER_INFO* timer, TASK owner);
void L_TIMER_Debug(void);

// ---------------------------------------------------------------- mutexes
S32 L_MUTEX_LockWait(MUTEX m);
S32 L_MUTEX_Lock(MUTEX m);
S32 L_MUTEX_LockTime(MUTEX m, U32 ticks);
S32 L_MUTEX_Unlock(MUTEX m);
TASK L_MUTEX_GetOwnerTaskID(MUTEX m);
void L_MUTEX_Debug(void);
const char* get_mutex_name(MUTEX m);

BOOLEAN MUTEX_bLock(const MUTEX* m);
BOOLEAN MUTEX_bUnlock(const MUTEX* m);
BOOLEAN MUTEX_bTryLock(const MUTEX* m);
BOOLEAN MUTEX_bInit(MUTEX* m, BOOLEAN recursive);
BOOLEAN MUTEX_bDestroy(MUTEX* m);

// ---------------------------------------------------------------- queues
enum QUEUE_CONDITION : S32 { QNE = 0, QNF = 1, QF = 2, QE = 3 };

S32 L_QUEUE_Put(QUEUE q, const void* element);
S32 L_QUEUE_Get(QUEUE q, void* element);
S32 L_QUEUE_PutWait(QUEUE q, const void* element);
S32 L_QUEUE_GetWait(QUEUE q, void* element);
S32 L_QUEUE_PutWaitTicks(QUEUE q, const void* element, U32 ticks);
S32 L_QUEUE_GetWaitTicks(QUEUE q, void* element, U32 ticks);
S32 L_QUEUE_PutWaitSeconds(QUEUE q, const void* element, U32 seconds);
S32 L_QUEUE_GetWaitSeconds(QUEUE q, void* element, U32 seconds);
S32 L_QUEUE_Purge(QUEUE q);
S32 L_QUEUE_Inquire(QUEUE q);
S32 L_QUEUE_Define(QUEUE q, U32 width, U32 depth, void* buffer, U32 count);
S32 L_QUEUE_DefineSema(QUEUE q, SEMA sema, QUEUE_CONDITION cond);
void L_QUEUE_Debug(void);
const char* get_queue_name(QUEUE q);

// ---------------------------------------------------------------- memory
struct MAP_PARAM {
  U32 MParamBlockSize;
  U32 MParamBlockMax;
};

S32 L_MEM_Create(void* region, U32 block_size, U32 block_count);
void* L_MEM_Allocate(MAP map);
void* L_MEM_AllocateWait(MAP map);
void* L_MEM_AllocateWaitTicks(MAP map, U32 ticks);
void* L_MEM_AllocateWaitSeconds(MAP map, U32 seconds);
S32 L_MEM_Free(MAP map, void* block);
S32 L_MEM_GetBlockSize(MAP map);
void L_MEM_Debug(void);

void H_MEMORY_vSetup(void);
void* H_MEMORY_pvMalloc(size_t size);
// Never waits: null when no suitable partition has a free block or when the
// request is larger than every partition.
void* H_MEMORY_pvMallocNoWait(size_t size);
void* H_MEMORY_pvCalloc(size_t count, size_t size);
void* H_MEMORY_pvRealloc(void* p, size_t size);
void H_MEMORY_vFree(void* p);
char* U_UTILS_strdup(const char* text);
// Map number named by a block's tag (0 when the address is not a partition block).
MAP H_MEMORY_eBlockMap(const void* p);

// ---------------------------------------------------------------- program, trace, errors
extern S64 quit_seconds;  // milliseconds, 0 = off
extern S32 debug_seconds;
extern S32 opt_fakekey;
extern S64 opt_sleeper;  // microseconds
extern U8 opt_nolog, opt_noadc, opt_fake_transducer, opt_fsync, opt_nodisclaimer, opt_notone;
extern const char* model_string;

// The program's entry: reads the options and hands over to Main.
int LS_main(int argc, char** argv);
// Reads the command line into the option variables; returns 0, or 1 after
// tracing the complaint (the caller then ends with status 1).
int LS_nParseOptions(int argc, char** argv, char* complaint, size_t size);

void log_me(const char* format, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void lm_exit(const char* file, int line, int status);
[[noreturn]] void bail_out(const char* format, ...) __attribute__((format(printf, 1, 2)));
void ERROR_error(const char* file, int line, const char* description);
[[noreturn]] void U_RESET_vReset(void);
void H_SHUTDOWN_vShutdown(void);
[[noreturn]] void DD_POWER_vShutdown(void);
[[noreturn]] void __rt_raise(void);
void debug_doit(void);
const char* L_UTILS_cpGetPathnamePtr(void);
void L_UTILS_vSetSysDate(U32 seconds_since_1970);
// Sets the clock to the time given by hand, however little it differs (the
// hour rule above is for times that arrive by themselves). TRUE when the
// command ran with exit status 0; on this machine it is only recorded.
BOOLEAN L_UTILS_bSetSysDateNow(U32 seconds_since_1970);
// Runs a shell command on the board; on the host it is traced and recorded
// (PLATFORM_vecCommands), never executed, and returns the status the test
// set (PLATFORM_vSetSystemStatus, TESSIX_SYSTEM_STATUS); by default a failure.
int L_UTILS_nSystem(const char* command);
pthread_t L_UTILS_threadCreateSimpleThread(const char* name, void* (*function)(void*), void* argument);
void show_linux_priority(const char* name);
char* itoa(int value, char* text, int radix);
U32 atoh(const char* text);

#define LM_EXIT(status) lm_exit(__FILE__, __LINE__, (status))
#define FATAL_ERROR(text)                   \
  do {                                      \
    ERROR_error(__FILE__, __LINE__, text);  \
    U_RESET_vReset();                       \
  } while (0)
