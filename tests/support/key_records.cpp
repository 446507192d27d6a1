#include "tests/support/key_records.h"

#include <linux/input.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

static_assert(TEST_EV_SYN == EV_SYN && TEST_EV_KEY == EV_KEY && TEST_EV_MSC == EV_MSC, "event types");

std::string TEST_sInputEvent(U16 type, U16 code, S32 value) {
  struct input_event ev;
  memset(&ev, 0, sizeof ev);
  ev.type = type;
  ev.code = code;
  ev.value = value;
  return std::string((const char*)&ev, sizeof ev);
}

int TEST_nOpenKeypad(const std::string& fifo) {
  for (int i = 0; i < 200; ++i) {
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0 || errno != ENXIO) return fd;
    usleep(10000);
  }
  return -1;
}
