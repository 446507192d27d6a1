// Key driver. The "keyboard" thread reads key records from the keypad's
// input device and writes one byte per raw input; the keyboard task copies
// the 16 bytes on every poll without a lock (a byte changing during the copy
// is seen at the next poll).
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
  s_abSlots[slot].store(s_bFakePressed ? TRUE : FALSE, std::memory_order_relaxed);
  s_u32FakeDue = now + (s_bFakePressed ? FAKE_PRESSED_MS : FAKE_RELEASED_MS);
}

// Slot of a Linux key code, -1 for a code the keypad does not use.
int nSlotOfCode(U16 code) {
  for (int i = 0; i < DD_KEYBOARD_SLOTS; ++i) {
    if (DD_KEYBOARD_au16KeyCode[i] == code) return i;
  }
  return -1;
}

void vApplyRecord(const struct input_event& ev) {
  if (ev.type != EV_KEY || (ev.value != 0 && ev.value != 1)) return;  // also the kernel's repeats (2)
  const int slot = nSlotOfCode(ev.code);
  if (slot < 0) return;
  s_abSlots[slot].store(ev.value == 1 ? TRUE : FALSE, std::memory_order_relaxed);
}

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
  struct input_event ev;
  size_t have = 0;
  for (;;) {
    const ssize_t n = read(fd, (U8*)&ev + have, sizeof ev - have);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      log_me("key device %s ends: %s", path, n == 0 ? "end of file" : strerror(errno));
      break;
    }
    have += (size_t)n;
    if (have < sizeof ev) continue;
    have = 0;
    vApplyRecord(ev);
  }
  close(fd);
  return nullptr;
}
