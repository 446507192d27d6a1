// Serial-port driver. Each open port has one "uart" reader thread (the
// producer) and one consumer (the serial-port task). The ring needs no lock:
// only the reader moves putidx, only the consumer moves getidx, and the
// reader publishes putidx after the bytes are stored. A full ring makes the
// reader wait for the consumer, so no byte is dropped.
//
// The reader waits in poll() on the device and on a wake pipe of its own, so
// closing a port can stop it: the close wakes it, joins it, empties the ring
// and only then closes the device (a reader never reads a closed or reused
// descriptor, and a reopened port has one reader and no old bytes).
//
// On this machine a port is a pseudo-terminal (platform.h). When nothing is
// attached to its other end the device reports a hang-up; the reader then
// looks again every DD_UART_IDLE_MS.
#include "source/core/dd_uart.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "source/platform/platform.h"

const char* const DD_UART_apcDevice[DD_UART_PORTS] = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttySC0", "/dev/ttySC1"};
const SEMA DD_UART_aSemaReceive[DD_UART_PORTS] = {SEMA_RECEIVE_RDY_UART0, SEMA_RECEIVE_RDY_UART1,
                                                  SEMA_RECEIVE_RDY_UART2, SEMA_RECEIVE_RDY_UART3};

namespace {

constexpr int DD_UART_IDLE_MS = 20;       // pause while the far end is away
constexpr int DD_UART_WRITE_WAIT_MS = 100;  // longest wait for room to send a byte
constexpr int DD_UART_FULL_YIELDS = 64;     // yields on a full ring before sleeping

struct UART_INFO {
  int port = 0;
  std::mutex control;             // set-up, speed, modes and close
  std::atomic<int> dev_handle{-1};  // open descriptor, -1 when closed
  SEMA receive_sema = 0;
  std::atomic<bool> xmit_enable{true};
  std::atomic<bool> recv_enable{true};
  std::atomic<bool> stalled{false};  // the last byte found no room and was dropped
  bool read_only = false;
  pthread_t uart_read_thread{};
  bool reader = false;             // a reader was started and not yet joined
  std::atomic<bool> reader_ended{false};
  std::atomic<bool> stop{false};
  int wake[2] = {-1, -1};          // the close wakes the reader through this pipe
  std::atomic<U32> getidx{0};
  std::atomic<U32> putidx{0};
  U8 qbuffer[DD_UART_RING] = {};
};

UART_INFO s_uart[DD_UART_PORTS];
std::atomic<int> s_nReaders{0};

[[maybe_unused]] const bool s_bTableFilled = [] {
  for (int port = 0; port < DD_UART_PORTS; ++port) {
    s_uart[port].port = port;
    s_uart[port].receive_sema = DD_UART_aSemaReceive[port];
    s_uart[port].read_only = (port == 1);
  }
  return true;
}();

UART_INFO* pPort(U8 port) { return port < DD_UART_PORTS ? &s_uart[port] : nullptr; }

speed_t tSpeed(U32 baud) {
  switch (baud) {
    case 300: return B300;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
  }
}

// Waits on the wake pipe only: TRUE when the close asked the reader to stop.
bool bPauseForStop(UART_INFO* u, int ms) {
  struct pollfd p = {u->wake[0], POLLIN, 0};
  poll(&p, 1, ms);
  return u->stop.load(std::memory_order_acquire);
}

void* pvReadThread(void* argument) {
  UART_INFO* u = (UART_INFO*)argument;
  const int fd = u->dev_handle.load(std::memory_order_acquire);
  int fullSpins = 0;
  for (;;) {
    if (u->stop.load(std::memory_order_acquire)) break;
    const U32 put = u->putidx.load(std::memory_order_relaxed);
    const U32 get = u->getidx.load(std::memory_order_acquire);
    const U32 room = (get + DD_UART_RING - put - 1) % DD_UART_RING;
    if (room == 0) {
      // Full: wait for the consumer rather than drop a byte. A consumer
      // that is draining frees room within a few yields; one that is away
      // is looked for in short sleeps.
      if (++fullSpins < DD_UART_FULL_YIELDS) {
        sched_yield();
      } else {
        usleep(1);
      }
      continue;
    }
    fullSpins = 0;
    struct pollfd p[2] = {{fd, POLLIN, 0}, {u->wake[0], POLLIN, 0}};
    const int r = poll(p, 2, -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      log_me("uart %d: poll failed: %s", u->port, strerror(errno));
      break;
    }
    if (p[1].revents != 0) break;
    if (p[0].revents & POLLNVAL) break;
    if (!(p[0].revents & POLLIN)) {
      // Hang-up: nothing on the far end of the line.
      if (bPauseForStop(u, DD_UART_IDLE_MS)) break;
      continue;
    }
    const U32 span = (room < DD_UART_RING - put) ? room : DD_UART_RING - put;
    const ssize_t n = read(fd, &u->qbuffer[put], span);
    if (n > 0) {
      if (!u->recv_enable.load(std::memory_order_acquire)) continue;  // receiver off
      u->putidx.store((put + (U32)n) % DD_UART_RING, std::memory_order_release);
      L_SEMA_Signal(u->receive_sema);
      continue;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n == 0 || errno == EIO) {
      if (bPauseForStop(u, DD_UART_IDLE_MS)) break;
      continue;
    }
    log_me("uart %d: read failed: %s", u->port, strerror(errno));
    break;
  }
  u->reader_ended.store(true, std::memory_order_release);
  s_nReaders.fetch_sub(1, std::memory_order_acq_rel);
  return nullptr;
}

// Stops and joins the reader. Called with the control mutex held.
void vJoinReader(UART_INFO* u) {
  if (!u->reader) return;
  u->stop.store(true, std::memory_order_release);
  const char b = 1;
  if (write(u->wake[1], &b, 1) < 0) {
    // The pipe is full of earlier wake-ups: the reader wakes anyway.
  }
  pthread_join(u->uart_read_thread, nullptr);
  u->reader = false;
  char drain[16];
  while (read(u->wake[0], drain, sizeof drain) > 0) {
  }
  u->stop.store(false, std::memory_order_release);
}

// Starts a reader when none runs. Called with the control mutex held.
void vStartReader(UART_INFO* u) {
  if (u->reader && !u->reader_ended.load(std::memory_order_acquire)) return;
  vJoinReader(u);  // a reader that ended on an error
  if (u->wake[0] < 0 && pipe2(u->wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    log_me("uart %d: no wake pipe: %s", u->port, strerror(errno));
    return;
  }
  u->reader_ended.store(false, std::memory_order_release);
  s_nReaders.fetch_add(1, std::memory_order_acq_rel);
  const pthread_t t = L_UTILS_threadCreateSimpleThread("uart", pvReadThread, u);
  if (t == 0) {
    s_nReaders.fetch_sub(1, std::memory_order_acq_rel);
    log_me("uart %d: reader not started", u->port);
    return;
  }
  u->uart_read_thread = t;
  u->reader = true;
}

int nOpenFd(UART_INFO* u) { return u->dev_handle.load(std::memory_order_acquire); }

}  // namespace

void DD_UART_vInit(U8 u8Port) {
  UART_INFO* u = pPort(u8Port);
  if (u == nullptr) return;
  std::lock_guard<std::mutex> lock(u->control);
  if (nOpenFd(u) <= 0) {
    const int fd = PLATFORM_nSerialOpen(u8Port, DD_UART_apcDevice[u8Port], u->read_only ? TRUE : FALSE);
    if (fd <= 0) {
      log_me("uart %d: %s not opened", u8Port, DD_UART_apcDevice[u8Port]);
      if (fd == 0) PLATFORM_vSerialClose(u8Port, fd);
      return;
    }
    u->getidx.store(0, std::memory_order_relaxed);
    u->putidx.store(0, std::memory_order_relaxed);
    u->dev_handle.store(fd, std::memory_order_release);
  }
  const int fd = nOpenFd(u);
  struct termios tio;
  if (tcgetattr(fd, &tio) != 0) {
    log_me("uart %d: terminal settings not read: %s", u8Port, strerror(errno));
    return;
  }
  tio.c_iflag = 0;
  tio.c_oflag = 0;
  tio.c_lflag = 0;
  tio.c_cflag = (tio.c_cflag & CBAUD) | CS8 | CREAD | CLOCAL;
  tcsetattr(fd, TCSANOW, &tio);
  vStartReader(u);
}

void DD_UART_vChangeBaudRate(U8 u8Port, U32 u32Baud) {
  UART_INFO* u = pPort(u8Port);
  if (u == nullptr) return;
  const speed_t speed = tSpeed(u32Baud);
  if (speed == B0) return;
  std::lock_guard<std::mutex> lock(u->control);
  const int fd = nOpenFd(u);
  if (fd <= 0) return;
  struct termios tio;
  if (tcgetattr(fd, &tio) != 0) return;
  cfsetspeed(&tio, speed);
  tcsetattr(fd, TCSANOW, &tio);
}

void DD_UART_vTxRxEnable(U8 u8Port, BOOLEAN bTxEnable, BOOLEAN bRxEnable) {
  UART_INFO* u = pPort(u8Port);
  if (u == nullptr) return;
  std::lock_guard<std::mutex> lock(u->control);
  u->xmit_enable.store(bTxEnable != FALSE, std::memory_order_release);
  const int fd = nOpenFd(u);
  if (fd <= 0) return;
  u->recv_enable.store(bRxEnable != FALSE, std::memory_order_release);
  struct termios tio;
  if (tcgetattr(fd, &tio) != 0) return;
  if (bRxEnable) {
    tio.c_cflag |= CREAD;
  } else {
    tio.c_cflag &= ~(tcflag_t)CREAD;
  }
  tcsetattr(fd, TCSANOW, &tio);
}

void DD_UART_vSendByte(U8 u8Port, U8 u8Byte) {
  UART_INFO* u = pPort(u8Port);
  if (u == nullptr || !u->xmit_enable.load(std::memory_order_acquire) || u->read_only) return;
  const int fd = nOpenFd(u);
  if (fd <= 0) return;
  for (int tries = 0; tries < 2; ++tries) {
    const ssize_t n = write(fd, &u8Byte, 1);
    if (n == 1) {
      u->stalled.store(false, std::memory_order_relaxed);
      return;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return;
    // The device's output queue is full: wait a little for room, as a
    // blocking write would, then give the byte up rather than stall. While
    // the far end takes nothing, later bytes are given up at once.
    struct pollfd p = {fd, POLLOUT, 0};
    const bool stalled = u->stalled.load(std::memory_order_relaxed);
    if (poll(&p, 1, stalled ? 0 : DD_UART_WRITE_WAIT_MS) <= 0) {
      if (!stalled) log_me("uart %d: the far end takes no bytes: dropping them", u->port);
      u->stalled.store(true, std::memory_order_relaxed);
      return;
    }
  }
}

U8 DD_UART_u8Getch(U8 u8Port) {
  UART_INFO* u = pPort(u8Port);
  if (u == nullptr) return 0xFF;
  const U32 get = u->getidx.load(std::memory_order_relaxed);
  if (get == u->putidx.load(std::memory_order_acquire)) return 0xFF;
  const U8 b = u->qbuffer[get];
  u->getidx.store((get + 1) % DD_UART_RING, std::memory_order_release);
  return b;
}

U32 DD_UART_u32RxCount(U8 u8Port) {
  UART_INFO* u = pPort(u8Port);
  if (u == nullptr || nOpenFd(u) <= 0) return 0;
  const U32 get = u->getidx.load(std::memory_order_relaxed);
  return (u->putidx.load(std::memory_order_acquire) + DD_UART_RING - get) % DD_UART_RING;
}

BOOLEAN DD_UART_bRxCharAvail(U8 u8Port) {
  UART_INFO* u = pPort(u8Port);
  if (u == nullptr || nOpenFd(u) <= 0) return FALSE;
  return u->getidx.load(std::memory_order_relaxed) != u->putidx.load(std::memory_order_acquire) ? TRUE : FALSE;
}

U32 DD_UART_u32FetchTxCount(U8 u8Port) {
  UART_INFO* u = pPort(u8Port);
  if (u == nullptr) return 0;
  const int fd = nOpenFd(u);
  if (fd <= 0) return 0;
  int count = 0;
  if (ioctl(fd, TIOCOUTQ, &count) != 0 || count < 0) return 0;
  return (U32)count;
}

BOOLEAN DD_UART_bTxComplete(U8 u8Port) { return DD_UART_u32FetchTxCount(u8Port) == 0 ? TRUE : FALSE; }
BOOLEAN DD_UART_bIsTxShifterEmpty(U8 u8Port) { return DD_UART_bTxComplete(u8Port); }

void DD_UART_vKill(U8 u8Port) {
  UART_INFO* u = pPort(u8Port);
  if (u == nullptr) return;
  std::lock_guard<std::mutex> lock(u->control);
  vJoinReader(u);
  const int fd = u->dev_handle.exchange(-1, std::memory_order_acq_rel);
  u->getidx.store(0, std::memory_order_relaxed);
  u->putidx.store(0, std::memory_order_release);
  if (fd > 0) PLATFORM_vSerialClose(u8Port, fd);
}

BOOLEAN DD_UART_bIsOpen(U8 u8Port) {
  UART_INFO* u = pPort(u8Port);
  return (u != nullptr && nOpenFd(u) > 0) ? TRUE : FALSE;
}

U8 DD_UART_u8GetRxStatus(U8) { return 0; }
U32 DD_UART_u32ReadReceiveError(U8) { return 0; }
BOOLEAN DD_UART_bTxBufferEmpty(U8) { return TRUE; }
BOOLEAN DD_UART_bIsRxIntEnabled(U8) { return TRUE; }

int DD_UART_nReaders(void) { return s_nReaders.load(std::memory_order_acquire); }

void DD_UART_vPublish(void) {
  const char* devices[PLATFORM_SERIAL_PORTS];
  for (int i = 0; i < PLATFORM_SERIAL_PORTS; ++i) devices[i] = DD_UART_apcDevice[i];
  PLATFORM_vSerialPublish(devices, L_UTILS_cpGetPathnamePtr());
}

// ------------------------------------------------------------ service layer
U32 H_UART_u32CharTime(U32 u32Baud) {
  if (u32Baud < DD_UART_MIN_BAUD) return 0;
  return 1000000u / (u32Baud / 10u);
}

// A nonzero rate below the table's smallest is refused with a trace line.
static bool bRefused(U8 u8Port, U32 u32Baud) {
  if (u32Baud == 0 || u32Baud >= DD_UART_MIN_BAUD) return false;
  log_me("uart %d: baud rate %u refused (below %u)", u8Port, u32Baud, DD_UART_MIN_BAUD);
  return true;
}

U32 H_UART_u32Setup(U8 u8Port, U32 u32Baud, BOOLEAN bHalfDuplex) {
  (void)bHalfDuplex;
  DD_UART_vInit(u8Port);
  const bool refused = bRefused(u8Port, u32Baud);
  if (u32Baud != 0 && !refused) DD_UART_vChangeBaudRate(u8Port, u32Baud);
  DD_UART_vTxRxEnable(u8Port, FALSE, TRUE);
  return refused ? 0 : H_UART_u32CharTime(u32Baud);
}

U32 H_UART_u32SetBaudRate(U8 u8Port, U32 u32Baud) {
  if (u32Baud == 0 || bRefused(u8Port, u32Baud)) return 0;
  DD_UART_vChangeBaudRate(u8Port, u32Baud);
  return H_UART_u32CharTime(u32Baud);
}

void H_UART_vSetMode(U8 u8Port, UART_MODE mode) {
  switch (mode) {
    case UART_OFF: DD_UART_vTxRxEnable(u8Port, FALSE, FALSE); break;
    case UART_HALF_DUPLEX_RECEIVE: DD_UART_vTxRxEnable(u8Port, FALSE, TRUE); break;
    case UART_HALF_DUPLEX_TRANSMIT: DD_UART_vTxRxEnable(u8Port, TRUE, FALSE); break;
    case UART_FULL_DUPLEX: DD_UART_vTxRxEnable(u8Port, TRUE, TRUE); break;
    default: break;
  }
}

void H_UART_vShutdown(U8 u8Port) { DD_UART_vKill(u8Port); }

U16 H_UART_u16FetchRx(U8 u8Port) { return (U16)DD_UART_u8Getch(u8Port); }

void H_UART_vPutChar(U8 u8Port, U8 u8Byte) {
  while (!DD_UART_bTxBufferEmpty(u8Port)) {
  }
  DD_UART_vSendByte(u8Port, u8Byte);
}
