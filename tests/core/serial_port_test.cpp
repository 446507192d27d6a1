// Threading test: also runs under ThreadSanitizer.
// The serial-port driver and its service layer, driven through this
// machine's stand-in: each port is a pseudo-terminal whose other end the
// test opens by its published name, as a tool at the end of a cable would.
// The test thread consumes as the serial-port task does: it waits on the
// port's receive semaphore and drains the ring.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/core/dd_uart.h"
#include "source/platform/platform.h"
#include "tests/support/db_test_env.h"
#include "tests/support/wait_for.h"

namespace {

[[maybe_unused]] dbtest::TempInstall& s_install = dbtest::Install();

// The far end of a port, raw, non-blocking.
struct Peer {
  int fd = -1;
  explicit Peer(int port) {
    const std::string name = PLATFORM_sSerialPeerName(port);
    fd = open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    struct termios tio;
    if (fd >= 0 && tcgetattr(fd, &tio) == 0) {
      cfmakeraw(&tio);
      tcsetattr(fd, TCSANOW, &tio);
    }
  }
  ~Peer() {
    if (fd >= 0) close(fd);
  }
  void Write(const std::string& bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += (size_t)n;
      } else {
        struct pollfd p = {fd, POLLOUT, 0};
        poll(&p, 1, 100);
      }
    }
  }
  // Reads until the text ends with the mark (or 5 s pass).
  std::string ReadUntil(char mark) const {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end && (got.empty() || got.back() != mark)) {
      struct pollfd p = {fd, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char buffer[256];
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n > 0) got.append(buffer, (size_t)n);
    }
    return got;
  }
  speed_t Speed() const {
    struct termios tio;
    if (tcgetattr(fd, &tio) != 0) return B0;
    return cfgetospeed(&tio);
  }
};

// A second descriptor of the unit's side of a port, to see how many bytes
// the line holds that the reader has not taken yet.
struct UnitSide {
  int fd;
  explicit UnitSide(int port) : fd(PLATFORM_nSerialOpen(port, DD_UART_apcDevice[port], FALSE)) {}
  ~UnitSide() { PLATFORM_vSerialClose(0, fd); }
  int Pending() const {
    int n = -1;
    ioctl(fd, FIONREAD, &n);
    return n;
  }
};

// Takes received bytes as the serial-port task does until count bytes or the
// last one equals the mark have arrived (or 10 s pass without a byte).
std::string Receive(U8 port, size_t count, int mark = -1) {
  std::string got;
  int idle = 0;
  while (got.size() < count && idle < 100) {
    if (L_SEMA_WaitTicks(DD_UART_aSemaReceive[port], 100) != 0) {
      ++idle;
    } else {
      idle = 0;
    }
    while (DD_UART_bRxCharAvail(port) && got.size() < count) {
      got.push_back((char)H_UART_u16FetchRx(port));
      if (mark >= 0 && (U8)got.back() == (U8)mark) return got;
    }
  }
  return got;
}

void DrainAll(U8 port) {
  while (DD_UART_bRxCharAvail(port)) (void)H_UART_u16FetchRx(port);
}

class SerialPort : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { DD_UART_vPublish(); }
  void TearDown() override {
    for (U8 port = 0; port < DD_UART_PORTS; ++port) H_UART_vShutdown(port);
    EXPECT_EQ(DD_UART_nReaders(), 0);
  }
};

TEST_F(SerialPort, FourPortsArePublishedInTheInstallationDirectory) {
  std::ifstream list(dbtest::Install().install + "/" + PLATFORM_SERIAL_LIST);
  ASSERT_TRUE(list.good());
  std::vector<std::string> lines;
  for (std::string line; std::getline(list, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 4u);
  for (int port = 0; port < DD_UART_PORTS; ++port) {
    const std::string peer = PLATFORM_sSerialPeerName(port);
    EXPECT_EQ(lines[port], std::to_string(port) + " " + DD_UART_apcDevice[port] + " " + peer);
    EXPECT_EQ(peer.rfind("/dev/pts/", 0), 0u) << peer;
    Peer end(port);
    EXPECT_GE(end.fd, 0) << peer;
  }
}

// The character time set-up returns, and the speed the line is left at
// (the line starts each case at 9600 baud).
TEST_F(SerialPort, CharacterTimesAndSpeeds) {
  struct Case {
    U32 baud;
    U32 micros;
    speed_t speed;
  };
  const Case cases[] = {
      {300, 33333, B300},     {1200, 8333, B1200},   {2400, 4166, B2400},     {4800, 2083, B4800},
      {9600, 1041, B9600},    {19200, 520, B19200},  {38400, 260, B38400},    {57600, 173, B57600},
      {115200, 86, B115200},
      {0, 0, B9600},          // no rate: speed kept
      {1000, 10000, B9600},   // not a rate of the table: speed kept, time from the rate
      {250, 0, B9600},        // below the smallest rate: refused
      {9, 0, B9600},          // would divide by zero: refused
      {1, 0, B9600},
  };
  Peer end(2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.baud);
    EXPECT_EQ(H_UART_u32CharTime(c.baud), c.micros);
    ASSERT_EQ(H_UART_u32Setup(2, 9600, FALSE), 1041u);
    ASSERT_EQ(end.Speed(), B9600);
    EXPECT_EQ(H_UART_u32Setup(2, c.baud, FALSE), c.micros);
    EXPECT_EQ(end.Speed(), c.speed);
    ASSERT_EQ(H_UART_u32SetBaudRate(2, 9600), 1041u);
    EXPECT_EQ(H_UART_u32SetBaudRate(2, c.baud), c.micros);
    EXPECT_EQ(end.Speed(), c.speed);
  }
}

TEST_F(SerialPort, RefusedRateIsTraced) {
  H_UART_u32Setup(3, 4800, FALSE);
  testing::internal::CaptureStdout();
  EXPECT_EQ(H_UART_u32SetBaudRate(3, 250), 0u);
  EXPECT_EQ(H_UART_u32Setup(3, 7, FALSE), 0u);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("uart 3: baud rate 250 refused (below 300)"), std::string::npos) << out;
  EXPECT_NE(out.find("uart 3: baud rate 7 refused (below 300)"), std::string::npos) << out;
  EXPECT_TRUE(DD_UART_bIsOpen(3));
}

// One megabyte of every byte value through the pty at 115200 baud: the
// stand-in does not pace the line, so the bytes come faster than a wire
// would bring them and the ring is full again and again.
TEST_F(SerialPort, OneMegabyteAt115200WithNoByteLost) {
  constexpr size_t SIZE = 1u << 20;
  std::string data(SIZE, '\0');
  std::mt19937 random(156);
  for (char& c : data) c = (char)(random() & 0xFF);
  ASSERT_EQ(H_UART_u32Setup(0, 115200, FALSE), 86u);
  Peer end(0);
  ASSERT_EQ(end.Speed(), B115200);
  std::thread writer([&] { end.Write(data); });
  const std::string got = Receive(0, SIZE);
  writer.join();
  ASSERT_EQ(got.size(), SIZE);
  EXPECT_TRUE(got == data) << "first difference at " << std::mismatch(got.begin(), got.end(), data.begin()).first - got.begin();
}

// Bytes beyond the ring's 255 wait in the reader until the consumer takes
// some; none is lost while nobody consumes.
TEST_F(SerialPort, BytesBeyondAFullRingWaitForTheConsumer) {
  H_UART_u32Setup(2, 4800, FALSE);
  Peer end(2);
  std::string data;
  for (int i = 0; i < 1000; ++i) data.push_back((char)(i * 7));
  end.Write(data);
  ASSERT_TRUE(WaitFor([] { return DD_UART_u32RxCount(2) == 255; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(DD_UART_u32RxCount(2), 255u);  // full, and nothing overwritten
  EXPECT_EQ(Receive(2, data.size()), data);
}

// Closing stops and joins the reader and empties the ring; the reopened port
// has one reader and none of the old bytes.
TEST_F(SerialPort, CloseJoinsTheReaderAndReopenHasNoStaleBytes) {
  Peer end(3);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    H_UART_u32Setup(3, 9600, FALSE);
    H_UART_u32Setup(3, 9600, FALSE);  // set-up again: the same reader
    EXPECT_EQ(DD_UART_nReaders(), 1);
    end.Write("stale");
    ASSERT_TRUE(WaitFor([] { return DD_UART_u32RxCount(3) == 5; }));
    H_UART_vShutdown(3);
    EXPECT_EQ(DD_UART_nReaders(), 0);  // joined before the close returned
    EXPECT_FALSE(DD_UART_bIsOpen(3));
    EXPECT_FALSE(DD_UART_bRxCharAvail(3));
    EXPECT_EQ(H_UART_u16FetchRx(3), 0xFFu);
    H_UART_u32Setup(3, 9600, FALSE);
    EXPECT_EQ(DD_UART_nReaders(), 1);
    EXPECT_FALSE(DD_UART_bRxCharAvail(3));
    end.Write("fresh!");
    EXPECT_EQ(Receive(3, 6), "fresh!");
    H_UART_vShutdown(3);
  }
}

// What each mode lets through, both ways. A byte that must not pass is sent
// before a mark that must, so its absence is seen once the mark is there.
TEST_F(SerialPort, ModesGateTransmitterAndReceiver) {
  struct Case {
    const char* name;
    bool viaSetup;  // the mode set-up leaves: receiver on, transmitter off
    UART_MODE mode;
    bool sends;
    bool receives;
  };
  const Case cases[] = {
      {"set-up", true, UART_OFF, false, true},
      {"off", false, UART_OFF, false, false},
      {"half-duplex receive", false, UART_HALF_DUPLEX_RECEIVE, false, true},
      {"half-duplex transmit", false, UART_HALF_DUPLEX_TRANSMIT, true, false},
      {"full duplex", false, UART_FULL_DUPLEX, true, true},
  };
  Peer end(0);
  const UnitSide unitSide(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    H_UART_u32Setup(0, 9600, FALSE);
    if (!c.viaSetup) H_UART_vSetMode(0, c.mode);
    H_UART_vPutChar(0, 'a');
    end.Write("x");
    // The reader has taken the byte from the line (kept or dropped).
    ASSERT_TRUE(WaitFor([&] { return unitSide.Pending() == 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    H_UART_vSetMode(0, UART_FULL_DUPLEX);
    H_UART_vPutChar(0, '#');
    EXPECT_EQ(end.ReadUntil('#'), c.sends ? "a#" : "#");
    end.Write("#");
    EXPECT_EQ(Receive(0, 4, '#'), c.receives ? "x#" : "#");
    H_UART_vSetMode(0, (UART_MODE)99);  // not a mode: nothing changes
    H_UART_vPutChar(0, '#');
    EXPECT_EQ(end.ReadUntil('#'), "#");
  }
}

// Port 1 is receive-only: what the unit sends there never arrives.
TEST_F(SerialPort, PortOneOnlyReceives) {
  H_UART_u32Setup(1, 4800, FALSE);
  H_UART_vSetMode(1, UART_FULL_DUPLEX);
  Peer end(1);
  H_UART_vPutChar(1, 'a');
  end.Write("in#");
  EXPECT_EQ(Receive(1, 3), "in#");
  struct pollfd p = {end.fd, POLLIN, 0};
  EXPECT_EQ(poll(&p, 1, 100), 0);
}

// A port number above 3 and a closed port answer as closed and empty.
TEST_F(SerialPort, ClosedPortsAndUnknownPortNumbers) {
  for (U8 port : {(U8)2, (U8)4, (U8)200}) {
    SCOPED_TRACE((int)port);
    H_UART_vSetMode(port, UART_FULL_DUPLEX);
    H_UART_vPutChar(port, 'a');
    DD_UART_vChangeBaudRate(port, 9600);
    EXPECT_FALSE(DD_UART_bIsOpen(port));
    EXPECT_FALSE(DD_UART_bRxCharAvail(port));
    EXPECT_EQ(DD_UART_u8Getch(port), 0xFF);
    EXPECT_EQ(DD_UART_u32FetchTxCount(port), 0u);
    EXPECT_TRUE(DD_UART_bTxComplete(port));
    H_UART_vShutdown(port);
  }
  DD_UART_vInit(4);
  EXPECT_EQ(DD_UART_nReaders(), 0);
}

// Sending into a line whose far end reads nothing stalls only briefly and
// never blocks the sender; the line keeps working once read again.
TEST_F(SerialPort, FarEndThatDoesNotReadNeverBlocksTheSender) {
  H_UART_u32Setup(2, 115200, FALSE);
  H_UART_vSetMode(2, UART_FULL_DUPLEX);
  Peer end(2);
  const auto start = std::chrono::steady_clock::now();
  testing::internal::CaptureStdout();
  for (int i = 0; i < 300000; ++i) H_UART_vPutChar(2, 'z');  // more than the line holds
  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_NE(trace.find("uart 2: the far end takes no bytes: dropping them"), std::string::npos) << trace;
  tcflush(end.fd, TCIFLUSH);
  H_UART_vPutChar(2, '#');
  EXPECT_EQ(end.ReadUntil('#').back(), '#');
  DrainAll(2);
}

}  // namespace
