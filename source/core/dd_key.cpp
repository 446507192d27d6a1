// Key driver. The "keyboard" thread reads key records from the keypad's
// input device, writes one byte per raw input and queues each change in
// order, so that the keyboard task's poll sees a tap shorter than its poll
// period as a press and a release. The bytes are copied without a lock (a
// byte changing during the copy is seen at the next poll).
//
// The device is a stream of 24-byte records. A record whose type, code or
// value no key record has marks a stream that lost its alignment (a stray
// byte): the reader slides forward a byte at a time until a plausible
// record starts, and says so once per loss.
//
// On the host the device path resolves under TESSIX_HOST_ROOT, where it is a
// named pipe fed by tools or tests. A pipe is opened for reading and writing
// so that a writer closing its end never ends the reader.
#include "source/core/dd_key.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/input.h>
#include <limits.h>
#include <pthread.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"


namespace {

// The raw inputs: TRUE while pressed.
std::atomic<U8> s_abSlots[DD_KEYBOARD_SLOTS];
std::once_flag s_initOnce;

// Changes between the key thread (and the simulated key) and the poll.
std::mutex s_queueMutex;
DD_KEY_CHANGE s_aQueue[DD_KEYBOARD_CHANGE_QUEUE];
int s_nQueueHead = 0;
int s_nQueueCount = 0;
bool s_bQueueLost = false;

// TRUE when the slot changed. The simulated key changes its slot as the
// slots are read and is not queued.
bool bSetSlot(int slot, bool pressed, bool bQueue = true) {
  const U8 value = pressed ? TRUE : FALSE;
  std::lock_guard<std::mutex> lock(s_queueMutex);
  if (s_abSlots[slot].load(std::memory_order_relaxed) == value) return false;
  s_abSlots[slot].store(value, std::memory_order_relaxed);
  if (!bQueue) return true;
  if (s_nQueueCount == DD_KEYBOARD_CHANGE_QUEUE) {
    s_bQueueLost = true;
    return true;
  }
  s_aQueue[(s_nQueueHead + s_nQueueCount) % DD_KEYBOARD_CHANGE_QUEUE] = DD_KEY_CHANGE{slot, value};
  ++s_nQueueCount;
  return true;
}

// Simulated key (option fake_key): toggles on reads of the raw table, 100 ms
// pressed and 250 ms released; the first press once the clock has passed
// 200 ms.
constexpr U32 FAKE_FIRST_DUE_MS = 200;
constexpr U32 FAKE_PRESSED_MS = 100;
constexpr U32 FAKE_RELEASED_MS = 250;
std::mutex s_fakeMutex;
bool s_bFakeStarted = false;
bool s_bFakePressed = false;
U32 s_u32FakeDue = FAKE_FIRST_DUE_MS;

void vAdvanceFakeKey(void) {
  const S32 slot = opt_fakekey;
  if (slot < 0 || slot >= DD_KEYBOARD_SLOTS) return;
  std::lock_guard<std::mutex> lock(s_fakeMutex);
  const U32 now = lm_gettime(nullptr);
  // The first due time is an absolute clock reading; later ones are compared
  // as a difference so that the millisecond counter may wrap.
  const bool due = s_bFakeStarted ? (S32)(now - s_u32FakeDue) > 0 : now > s_u32FakeDue;
  if (!due) return;
  s_bFakeStarted = true;
  s_bFakePressed = !s_bFakePressed;
  (void)bSetSlot(slot, s_bFakePressed, false);
  s_u32FakeDue = now + (s_bFakePressed ? FAKE_PRESSED_MS : FAKE_RELEASED_MS);
}

// Slot of a Linux key code, -1 for a code the keypad does not use.
int nSlotOfCode(U16 code) {
  for (int i = 0; i < DD_KEYBOARD_SLOTS; ++i) {
    if (DD_KEYBOARD_au16KeyCode[i] == code) return i;
  }
  return -1;
}

// TRUE when the record changed a slot.
bool bApplyRecord(const struct input_event& ev) {
  if (ev.type != EV_KEY || (ev.value != 0 && ev.value != 1)) return false;  // also the kernel's repeats (2)
  const int slot = nSlotOfCode(ev.code);
  if (slot < 0) return false;
  return bSetSlot(slot, ev.value == 1);
}

// A record the keypad's device could send: a key (press, release, repeat),
// a report boundary or a scan code, with a code and value in their ranges.
bool bPlausible(const struct input_event& ev) {
  switch (ev.type) {
    case EV_SYN:
      return ev.code <= SYN_DROPPED && ev.value == 0;
    case EV_KEY:
      return ev.code <= KEY_MAX && ev.value >= 0 && ev.value <= 2;
    case EV_MSC:
      return ev.code <= MSC_MAX;
    default:
      return false;
  }
}

// While the alignment is lost, only a press, release or repeat of one of
// the keypad's own keys counts as the start of a record: a run of zero
// bytes inside a record would pass for a report boundary.
bool bRealigns(const struct input_event& ev) {
  return ev.type == EV_KEY && ev.value >= 0 && ev.value <= 2 && nSlotOfCode(ev.code) >= 0;
}

void vPause(void) { usleep(DD_KEYBOARD_IDLE_PAUSE_MS * 1000); }

// Records and skipped bytes in a row that changed no key before the thread
// pauses: a keypad sends a key record with every report boundary, so only
// a device that never blocks (a plain file, /dev/zero) or garbage gets here.
constexpr int IDLE_RUN_BEFORE_PAUSE = 64;

}  // namespace

void DD_KEYBOARD_vInit(void) {
  std::call_once(s_initOnce, [] {
    for (auto& slot : s_abSlots) slot.store(FALSE, std::memory_order_relaxed);
    if (L_UTILS_threadCreateSimpleThread("keyboard", DD_KEYBOARD_vThread, nullptr) == 0) {
      log_me("key thread could not be started");
    }
  });
}

void DD_KEYBOARD_vGetState(BOOLEAN* pbList) {
  vAdvanceFakeKey();
  if (pbList == nullptr) return;
  for (int i = 0; i < DD_KEYBOARD_SLOTS; ++i) pbList[i] = s_abSlots[i].load(std::memory_order_relaxed);
}

BOOLEAN DD_KEYBOARD_bTakeChange(DD_KEY_CHANGE* pChange, BOOLEAN* pbLost) {
  std::lock_guard<std::mutex> lock(s_queueMutex);
  if (pbLost != nullptr) {
    *pbLost = s_bQueueLost ? TRUE : FALSE;
    s_bQueueLost = false;
  }
  if (s_nQueueCount == 0) return FALSE;
  if (pChange != nullptr) *pChange = s_aQueue[s_nQueueHead];
  s_nQueueHead = (s_nQueueHead + 1) % DD_KEYBOARD_CHANGE_QUEUE;
  --s_nQueueCount;
  return TRUE;
}

void DD_KEYBOARD_vDropChanges(void) {
  std::lock_guard<std::mutex> lock(s_queueMutex);
  s_nQueueCount = 0;
  s_bQueueLost = false;
}

void DD_KEYBOARD_vPhasedScan(void) {}

void* DD_KEYBOARD_vThread(void* argument) {
  (void)argument;
  (void)PLATFORM_bSetFifoPriority(98);
  pthread_detach(pthread_self());
  show_linux_priority("key thread");

  char path[PATH_MAX];
  PLATFORM_pcResolvePath(DD_KEYBOARD_DEVICE, path, sizeof path);
  struct stat st;
  const bool pipe = stat(path, &st) == 0 && S_ISFIFO(st.st_mode);
  const int fd = open(path, (pipe ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) {
    log_me("key device %s: %s", path, strerror(errno));
    return nullptr;
  }

  // Records are read whole; a record that arrives in pieces is put together.
  // Bytes that make no plausible record are skipped one at a time.
  union {
    struct input_event ev;
    U8 bytes[sizeof(struct input_event)];
  } rec;
  size_t have = 0;
  bool bAligned = true;
  int nIdle = 0;
  auto vIdle = [&nIdle] {
    if (++nIdle < IDLE_RUN_BEFORE_PAUSE) return;
    nIdle = 0;
    vPause();
  };
  for (;;) {
    const ssize_t n = read(fd, rec.bytes + have, sizeof rec - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      log_me("key device %s ends: %s", path, strerror(errno));
      break;
    }
    if (n == 0) {
      // A plain file at its end (a pipe opened for writing too never ends):
      // look again later without keeping the processor busy.
      vPause();
      continue;
    }
    have += (size_t)n;
    if (have < sizeof rec) continue;
    if (bAligned ? !bPlausible(rec.ev) : !bRealigns(rec.ev)) {
      if (bAligned) {
        log_me("key device %s: stray bytes, looking for the next record", path);
        bAligned = false;
      }
      memmove(rec.bytes, rec.bytes + 1, sizeof rec - 1);
      have = sizeof rec - 1;
      vIdle();
      continue;
    }
    if (!bAligned) {
      log_me("key device %s: records found again", path);
      bAligned = true;
    }
    have = 0;
    if (bApplyRecord(rec.ev)) {
      nIdle = 0;
    } else {
      vIdle();
    }
  }
  close(fd);
  return nullptr;
}
