// Two units on one machine share a sonar: unit A (127.0.0.2) has the sonar
// coprocessor stand-in and serves; unit B (127.0.0.3) has no transducer and
// takes A's 2D and down-looking imaging sources. B registers, A pings for
// it (ECPM), B's receive task hands A's stream pings to processing, B asks
// A for its depths, and a lost server is noticed: killed (the connection
// drops) or stopped (the server monitor times out).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <string>
#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "../support/program_run.h"
#include "../support/sonar_standin.h"
#include "../support/start_keys.h"
#include "common/g_msg.h"
#include "common/view_types.h"
#include "source/platform/host/host_png.h"
#include "source/startup/t_alarm.h"

namespace {

const std::vector<int> kStartKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT};

void Unit(CProgram& p, const std::string& address, const std::string& slp_port = "42427") {
  p.SetEnv("TESSIX_UNIT_ADDRESS", address);
  p.SetEnv("TESSIX_SLP_PORT", slp_port);
  p.SetEnv("TESSIX_SLP_GROUP", "127.255.255.255");
}

bool Has(const std::string& out, const std::string& what) { return out.find(what) != std::string::npos; }

// Stream buffers no unit would send, on A's 2D group from A's address, as
// segmented messages (1040-byte datagrams: sequence, part, parts, size,
// 1024 bytes): a record claiming 0xFFFFFFFF and 55,001 samples, and a
// buffer shorter than a record.
void SendHostileStreams() {
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in self{};
  self.sin_family = AF_INET;
  self.sin_addr.s_addr = inet_addr("127.0.0.2");
  bind(s, (const sockaddr*)&self, sizeof self);
  in_addr itf;
  itf.s_addr = self.sin_addr.s_addr;
  setsockopt(s, IPPROTO_IP, IP_MULTICAST_IF, &itf, sizeof itf);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(50880);
  to.sin_addr.s_addr = inet_addr("239.0.0.2");
  struct CASE {
    unsigned count, length;
  } cases[] = {{0xFFFFFFFFu, 380}, {55001, 1300}, {3, 100}};
  unsigned seq = 0x70000;
  for (const CASE& c : cases) {
    std::vector<unsigned char> msg(c.length, 0x11);
    msg[0] = 1;  // beam
    for (int i = 0; i < 4; ++i) msg[4 + (size_t)i] = (unsigned char)(c.count >> (8 * i));
    const unsigned parts = (c.length + 1023) / 1024;
    for (unsigned p = 0; p < parts; ++p) {
      unsigned char d[1040] = {};
      const unsigned head[4] = {seq, p, parts, c.length};
      for (int w = 0; w < 4; ++w)
        for (int i = 0; i < 4; ++i) d[w * 4 + i] = (unsigned char)(head[w] >> (8 * i));
      const unsigned from = p * 1024, n = std::min(1024u, c.length - from);
      memcpy(d + 16, msg.data() + from, n);
      sendto(s, d, sizeof d, 0, (const sockaddr*)&to, sizeof to);
    }
    ++seq;
  }
  close(s);
}

// A third unit played by the test (at 127.0.0.4 beside A at 127.0.0.2,
// unless told otherwise): it takes whatever A sends
// to its message port, registers with A for the 2D source and changes a
// shared control there (YSLD, 50 m).
class ThirdUnit {
 public:
  explicit ThirdUnit(const char* self = "127.0.0.4", const char* server = "127.0.0.2")
      : self_(inet_addr(self)), server_(inet_addr(server)) {
    listen_ = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = Address(50688);
    bind(listen_, (const sockaddr*)&a, sizeof a);
    listen(listen_, 4);
    drain_ = std::thread([this] {
      std::vector<int> peers;
      std::map<int, std::vector<U8>> pending;
      while (!stop_) {
        std::vector<pollfd> fds{{listen_, POLLIN, 0}};
        for (int p : peers) fds.push_back({p, POLLIN, 0});
        // A answers on the connection the third unit opened, too.
        if (connected_ >= 0) fds.push_back({connected_, POLLIN, 0});
        if (poll(fds.data(), fds.size(), 50) <= 0) continue;
        if (fds[0].revents & POLLIN) peers.push_back(accept(listen_, nullptr, nullptr));
        char buf[4096];
        for (size_t i = 1; i < fds.size(); ++i) {
          if ((fds[i].revents & POLLIN) == 0) continue;
          const ssize_t n = read(fds[i].fd, buf, sizeof buf);
          if (n > 0) Take(&pending[fds[i].fd], buf, (size_t)n);
        }
      }
      for (int p : peers) close(p);
    });
  }
  // A control change A sent here: the key, its value and advise.
  bool Received(const char* key, U32 value, U32 advise) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const CONTROL& c : controls_)
      if (memcmp(c.key, key, 4) == 0 && c.value == value && c.advise == advise) return true;
    return false;
  }
  ~ThirdUnit() {
    stop_ = true;
    drain_.join();
    close(listen_);
    if (send_ >= 0) close(send_);
  }
  void Register() {
    send_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in self = Address(0), to = Address(50688);
    to.sin_addr.s_addr = server_;
    bind(send_, (const sockaddr*)&self, sizeof self);
    if (connect(send_, (const sockaddr*)&to, sizeof to) != 0) return;
    connected_ = send_;
    Send(0x180001, {1, 0, 0, 0, 1, 0, 0, 0, 0xD8, 0xD6, 0, 0, 0, 0, 0, 0});
  }
  void RegisterAndChangeRange() {
    Register();
    Send(0x180003, {1, 0, 0, 0, 'Y', 'S', 'L', 'D', 0, 0, 0x48, 0x42, 0, 0, 0, 0});
  }

 private:
  sockaddr_in Address(unsigned short port) const {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = self_;
    return a;
  }
  void Send(U32 id, const std::vector<U8>& body) {
    GMSG_HEADER h{};
    h.u32MsgSignature = GMSG_SIGNATURE;
    h.u32MsgId = id;
    h.u32MsgSize = (U32)body.size();
    GMSG_vMakeSocketAddress(&h.SrcAddress, self_, 50688);
    GMSG_vMakeSocketAddress(&h.DstAddress, server_, 50688);
    h.u64Token = GMSG_NO_TOKEN;
    std::vector<U8> msg(GMSG_HEADER_SIZE);
    GMSG_vEncodeHeader(&h, msg.data());
    msg.insert(msg.end(), body.begin(), body.end());
    (void)write(send_, msg.data(), msg.size());
  }
  // Whole messages off a connection's bytes; control changes are kept
  // (body: version, key, value, advise, little-endian words).
  void Take(std::vector<U8>* bytes, const char* data, size_t n) {
    bytes->insert(bytes->end(), data, data + n);
    while (bytes->size() >= GMSG_HEADER_SIZE) {
      GMSG_HEADER h;
      GMSG_vDecodeHeader(bytes->data(), &h);
      if (bytes->size() < GMSG_HEADER_SIZE + h.u32MsgSize) return;
      const U8* body = bytes->data() + GMSG_HEADER_SIZE;
      if (h.u32MsgId == 0x180003 && h.u32MsgSize == 16) {
        auto word = [body](int i) { return body[i] | body[i + 1] << 8 | body[i + 2] << 16 | (U32)body[i + 3] << 24; };
        CONTROL c{};
        memcpy(c.key, body + 4, 4);
        c.value = word(8);
        c.advise = word(12);
        std::lock_guard<std::mutex> lock(mutex_);
        controls_.push_back(c);
      }
      bytes->erase(bytes->begin(), bytes->begin() + GMSG_HEADER_SIZE + h.u32MsgSize);
    }
  }
  struct CONTROL {
    char key[4];
    U32 value, advise;
  };
  mutable std::mutex mutex_;
  std::vector<CONTROL> controls_;
  in_addr_t self_, server_;
  int listen_ = -1, send_ = -1;
  std::atomic<int> connected_{-1};
  std::atomic<bool> stop_{false};
  std::thread drain_;
};

struct PAIR_RUN {
  RESULT a, b;
};

// A poll that presses the start keys as TEST_RunThroughStartup does, then
// hands over to `then` (pid, output, now).
std::function<bool(pid_t, const std::string&)> Poll(CProgram& p,
                                                    std::function<bool(pid_t, const std::string&)> then) {
  const std::string fifo = p.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(p.HostRoot() + "/dev/input");
  if (access(fifo.c_str(), F_OK) != 0) mkfifo(fifo.c_str(), 0600);
  return [fifo, then, next = size_t(0), due = 0LL](pid_t pid, const std::string& out) mutable {
    const long long now = llRealMs();
    if (next < kStartKeys.size() && now >= due && Has(out, "STARTUP: transducer")) {
      if (TEST_bPressKey(fifo, kStartKeys[next], 1) && TEST_bPressKey(fifo, kStartKeys[next], 0)) next++;
      due = now + 700;
    }
    return then(pid, out);
  };
}

enum class VICTIM { SERVER, CLIENT };

// Runs A, then B two seconds later. Once B has taken 201 stream pings the
// victim gets the signal; the run ends when the survivor's output holds
// `done` (or at the limit). With hostile_and_third, B's first stream ping
// brings hostile stream buffers and the third unit.
PAIR_RUN RunPair(VICTIM victim, int signal, const std::string& done, const std::string& monitor_ms,
                 bool hostile_and_third = false) {
  CProgram a, b;
  Unit(a, "127.0.0.2");
  Unit(b, "127.0.0.3");
  b.SetEnv("TESSIX_SONAR_SOURCES", "2d=127.0.0.2,di=127.0.0.2");
  b.SetEnv("TESSIX_SONAR_MONITOR_MS", monitor_ms);
  sonartest::Standin standin(a.HostRoot() + "/dev/sonar0", a.HostRoot() + "/../standin",
                             "depth 9\npace 0.25\npresent yes\n");
  std::atomic<bool> strike{false}, over{false};
  ThirdUnit third;
  PAIR_RUN r;
  auto act = [&](VICTIM me) {
    return [&, me, struck = false, hostile = false](pid_t pid, const std::string& out) mutable {
      if (hostile_and_third && me == VICTIM::CLIENT && !hostile && Has(out, "process: ping 1 beam")) {
        SendHostileStreams();
        third.RegisterAndChangeRange();
        hostile = true;
      }
      if (me == VICTIM::CLIENT && Has(out, "process: ping 201")) strike = true;
      if (me == victim && strike && !struck) {
        kill(pid, signal);
        struck = true;
      }
      if (me != victim && Has(out, done)) over = true;
      if (over) {
        kill(pid, SIGKILL);
        return false;
      }
      return true;
    };
  };
  std::thread ta([&] { r.a = a.Run({"quit_sec", "70"}, 80000, 0, Poll(a, act(VICTIM::SERVER))); });
  sleep(2);
  std::thread tb([&] { r.b = b.Run({"quit_sec", "70"}, 80000, 0, Poll(b, act(VICTIM::CLIENT))); });
  tb.join();
  ta.join();
  // Under the sanitizers, neither unit may have reported anything.
  for (const RESULT* u : {&r.a, &r.b}) {
    EXPECT_FALSE(Has(u->err, "Sanitizer")) << u->err.substr(0, 4000);
    EXPECT_FALSE(Has(u->err, "runtime error")) << u->err.substr(0, 4000);
  }
  return r;
}

// Keys pressed one after another on a unit, each once the one before has
// had its time (the menus' sideways hold-off is half a second).
class KeyScript {
 public:
  explicit KeyScript(const std::string& fifo) : fifo_(fifo) {}
  void Add(int slot) { keys_.push_back(slot); }
  // Presses the next key when due; true once all are pressed.
  bool Step() {
    const long long now = llRealMs();
    if (next_ < keys_.size() && now >= due_ && TEST_bPressKey(fifo_, keys_[next_], 1) &&
        TEST_bPressKey(fifo_, keys_[next_], 0)) {
      ++next_;
      due_ = now + 900;
    }
    return next_ == keys_.size() && now >= due_;
  }

 private:
  std::string fifo_;
  std::vector<int> keys_;
  size_t next_ = 0;
  long long due_ = 0;
};

struct SHOT {
  std::vector<U16> px;
  int w = 0, h = 0;
  U16 at(int x, int row) const { return px[(size_t)row * w + x]; }
};

// The first row from the top of column x in the strongest colour of the
// first 2D palette: the top of the bottom echo.
int BottomRow(const SHOT& s, int x) {
  for (int r = 20; r < s.h; ++r)
    if (s.at(x, r) == 0xFFE0) return r;
  return -1;
}

}  // namespace

TEST(ProgramSonarShare, ClientTakesServersSonarUntilServerIsKilled) {
  const PAIR_RUN r =
      RunPair(VICTIM::SERVER, SIGKILL, "sudp in: port 50882 group 239.2.0.2 closed", "60000", true);
  const std::string& a = r.a.out;
  const std::string& b = r.b.out;
  // A announces its sonar; B finds its transducer there and registers.
  EXPECT_TRUE(Has(a, "slp client: sonar 2D of transducer 15 announced: 1")) << sDescribe(r.a);
  EXPECT_TRUE(Has(b, "slp client: sonar 2D from unit 000002, transducer 15")) << sDescribe(r.b);
  EXPECT_TRUE(Has(b, "slp client: sonar DI from unit 000002, transducer 15")) << sDescribe(r.b);
  // A pings for its client; B takes both sources from A.
  EXPECT_TRUE(Has(a, "sonar share: registration of 0300007F for source 0")) << sDescribe(r.a);
  EXPECT_TRUE(Has(a, "sonar share: ECPM 1")) << sDescribe(r.a);
  EXPECT_TRUE(Has(a, "sonar share: ECPM 3")) << sDescribe(r.a);
  EXPECT_TRUE(Has(b, "sonar share: source 0 connected to 0200007F")) << sDescribe(r.b);
  EXPECT_TRUE(Has(b, "sonar share: source 1 connected to 0200007F")) << sDescribe(r.b);
  EXPECT_TRUE(Has(b, "sonar share: ENPM 3")) << sDescribe(r.b);
  EXPECT_TRUE(Has(b, "slp client: connected to 0200007F for service 0")) << sDescribe(r.b);
  // The server's controls arrive as its saved keys, to be kept as B's shown ones.
  EXPECT_TRUE(Has(b, "from 0200007F, advise 1")) << sDescribe(r.b);
  // B's receive task hands A's stream pings to processing; B asks for depths.
  EXPECT_TRUE(Has(b, "process: ping 201 beam")) << sDescribe(r.b);
  EXPECT_TRUE(Has(a, "sonar share: client 0300007F asks")) << sDescribe(r.a);
  // A control changed on another client reaches A's saved key and, as
  // A's saved key with advise, B.
  EXPECT_TRUE(Has(a, "sonar share: registration of 0400007F for source 0")) << sDescribe(r.a);
  EXPECT_TRUE(Has(a, "sonar share: YSLD 42480000 from 0400007F, advise 0")) << sDescribe(r.a);
  EXPECT_TRUE(Has(b, "sonar share: SSLD 42480000 from 0200007F, advise 1")) << sDescribe(r.b);
  // Hostile stream buffers are refused before anything is copied, and the
  // stream goes on (ping 201 came after them).
  EXPECT_TRUE(Has(b, "stream buffer of 380 bytes with 4294967295 samples refused")) << sDescribe(r.b);
  EXPECT_TRUE(Has(b, "stream buffer of 1300 bytes with 55001 samples refused")) << sDescribe(r.b);
  EXPECT_TRUE(Has(b, "stream buffer of 100 bytes is short")) << sDescribe(r.b);
  // A gone: the connection drops, both sources are dropped.
  EXPECT_TRUE(Has(b, "slp client: lost 0200007F, source 10, reason 4")) << sDescribe(r.b);
  EXPECT_TRUE(Has(b, "slp client: lost 0200007F, source 11, reason 4")) << sDescribe(r.b);
  EXPECT_TRUE(Has(b, "remote 2D source gone")) << sDescribe(r.b);
  EXPECT_TRUE(Has(b, "remote DI source gone")) << sDescribe(r.b);
  EXPECT_TRUE(Has(b, "sonar share: ENPM 0")) << sDescribe(r.b);
  // Each source's own stream is cancelled.
  EXPECT_TRUE(Has(b, "sudp in: port 50880 group 239.0.0.2 closed")) << sDescribe(r.b);
}

TEST(ProgramSonarShare, SilentServerIsNoticedByItsMonitor) {
  const PAIR_RUN r = RunPair(VICTIM::SERVER, SIGSTOP, "remote 2D source gone", "3000");
  const std::string& b = r.b.out;
  EXPECT_TRUE(Has(b, "slp client: lost 0200007F, source 10, reason 3")) << sDescribe(r.b);
  EXPECT_TRUE(Has(b, "sonar share: ENPM 2")) << sDescribe(r.b);
}

TEST(ProgramSonarShare, ServerForgetsClientThatLeaves) {
  const PAIR_RUN r = RunPair(VICTIM::CLIENT, SIGKILL, "sonar share: ECPM 0", "60000");
  const std::string& a = r.a.out;
  EXPECT_TRUE(Has(a, "sonar share: ECPM 3")) << sDescribe(r.a);
  EXPECT_TRUE(Has(a, "Client 300007f connection lost")) << sDescribe(r.a);
  EXPECT_TRUE(Has(a, "sonar share: ECPM 0")) << sDescribe(r.a);
}

// B shows A's returns, a control a person changes on B reaches A and A's
// other client, and an alarm acknowledged on A ends on B (units of their
// own at 127.0.0.12 and 127.0.0.13, the third at 127.0.0.14). B has the
// coprocessor stand-in too, with no transducer: it reads its supply from
// it. On B a person closes the first-start quick setup, opens the main
// menu (MENU twice), goes past the Sonar tab to the Setup tab, down to "Units - Depth" and
// east to feet, leaves the menus and steps with VIEW to the 2D sonar view.
// Then both supplies rise to 18.49 V, both units raise "Input Voltage
// High", and EXIT on A (its quick setup closed at start) acknowledges it
// there.
TEST(ProgramSonarShare, ClientViewControlsAndAlarmsFollowTheServer) {
  CProgram a, b;
  Unit(a, "127.0.0.12", "42437");
  Unit(b, "127.0.0.13", "42437");
  b.SetEnv("TESSIX_SONAR_SOURCES", "2d=127.0.0.12,di=127.0.0.12");
  const std::string screens = b.HostRoot() + "/../screen";
  std::filesystem::create_directories(screens);
  b.SetEnv("TESSIX_SCREEN_DIR", screens);
  const std::string scenarioA = "depth 9\npace 0.25\npresent yes\nseed 7\n", scenarioB = "present no\n";
  sonartest::Standin standinA(a.HostRoot() + "/dev/sonar0", a.HostRoot() + "/../standin", scenarioA);
  sonartest::Standin standinB(b.HostRoot() + "/dev/sonar0", b.HostRoot() + "/../standin", scenarioB);
  ThirdUnit third("127.0.0.14", "127.0.0.12");
  std::atomic<bool> thirdRegistered{false}, keysDone{false}, shot{false}, high{false}, over{false};
  std::atomic<bool> highOnB{false};
  const std::string fifoB = b.HostRoot() + "/dev/input/event0";
  KeyScript keysB(fifoB), setupA(a.HostRoot() + "/dev/input/event0"),
      keysA(a.HostRoot() + "/dev/input/event0");
  setupA.Add(DD_SLOT_EXIT);
  for (int k : {DD_SLOT_EXIT, DD_SLOT_MENU, DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_CURSOR_EAST, DD_SLOT_CURSOR_SOUTH,
                DD_SLOT_CURSOR_SOUTH, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT, DD_SLOT_EXIT})
    keysB.Add(k);
  keysA.Add(DD_SLOT_EXIT);
  long long viewDue = 0, viewAt = 0, highAt = 0;
  int viewPresses = 0;
  PAIR_RUN r;
  auto pollA = [&](pid_t pid, const std::string& out) {
    if (Has(out, "sonar share: registration of 0E00007F for source 0")) thirdRegistered = true;
    // A's first-start quick setup is closed as soon as it shows.
    if (Has(out, "STARTUP: quick setup shown")) setupA.Step();
    if (!high && shot) {
      standinA.Rewrite(scenarioA + "battery 430\n");
      standinB.Rewrite(scenarioB + "battery 430\n");
      high = true;
    }
    // A acknowledges once both units show the alarm.
    if (highAt == 0 && highOnB && Has(out, "input voltage high")) highAt = llRealMs();
    if (highAt != 0 && llRealMs() - highAt > 1500) keysA.Step();
    if (over) {
      kill(pid, SIGKILL);
      return false;
    }
    return true;
  };
  auto pollB = [&](pid_t pid, const std::string& out) {
    if (!thirdRegistered && Has(out, "process: ping 1 beam")) third.Register();
    if (thirdRegistered && Has(out, "STARTUP: quick setup shown") && Has(out, "process: ping 201 ") && !keysDone &&
        keysB.Step()) {
      keysDone = true;
    }
    // VIEW until the 2D sonar view is current (at most six presses).
    const long long now = llRealMs();
    if (keysDone && viewAt == 0) {
      const size_t at = out.rfind("VIEWKEY: view ");
      if (at != std::string::npos && atoi(out.c_str() + at + 14) == SONAR_VIEW_PRIORITY) {
        viewAt = now;
      } else if (now >= viewDue && viewPresses < 6 && TEST_bPressKey(fifoB, DD_SLOT_VIEW, 1) &&
                 TEST_bPressKey(fifoB, DD_SLOT_VIEW, 0)) {
        ++viewPresses;
        viewDue = now + 1500;
      }
    }
    // B's screen a fixed time after the view came up.
    if (viewAt != 0 && !shot && now - viewAt > 8000) {
      std::error_code ec;
      std::filesystem::copy_file(screens + "/screen.png", screens + "/shot.png",
                                 std::filesystem::copy_options::overwrite_existing, ec);
      if (!ec) shot = true;
    }
    if (Has(out, "input voltage high")) highOnB = true;
    if (Has(out, "alarm: alarm ")) over = true;
    if (over) {
      kill(pid, SIGKILL);
      return false;
    }
    return true;
  };
  std::thread ta([&] { r.a = a.Run({"quit_sec", "100"}, 110000, 0, Poll(a, pollA)); });
  sleep(2);
  std::thread tb([&] { r.b = b.Run({"quit_sec", "100"}, 110000, 0, Poll(b, pollB)); });
  tb.join();
  ta.join();
  const std::string& outA = r.a.out;
  const std::string& outB = r.b.out;
  // Feet chosen on B is A's saved depth unit now, and A's other client
  // hears it as A's saved key, advised.
  EXPECT_TRUE(Has(outA, "sonar share: YUDP 0000000B from 0D00007F, advise 0")) << sDescribe(r.a);
  EXPECT_TRUE(third.Received("SUDP", U_FEET, 1)) << sDescribe(r.a);
  // B's 2D view shows A's 9 m bottom across the history: on the 0 to 40 ft
  // scale of the 2D window (12.3 rows a foot below its top) 29.5 ft is row
  // 363, where the top of the echo band begins. The band's colours change
  // from ping to ping, so the rows are compared, not the picture.
  SHOT s;
  std::string error;
  ASSERT_TRUE(shot.load()) << sDescribe(r.b);
  ASSERT_TRUE(HOST_bReadPng565((screens + "/shot.png").c_str(), &s.px, &s.w, &s.h, &error)) << error;
  ASSERT_EQ(s.w, 800);
  for (int x : {20, 200, 400, 600}) EXPECT_NEAR(BottomRow(s, x), 366, 3) << "column " << x;
  // Both units raise the alarm; acknowledged on A, it ends on B.
  EXPECT_TRUE(Has(outA, "battery: supply 18.49 V, input voltage high")) << sDescribe(r.a);
  EXPECT_TRUE(Has(outB, "battery: supply 18.49 V, input voltage high")) << sDescribe(r.b);
  EXPECT_TRUE(Has(outB, "alarm: alarm " + std::to_string(VOLTAGE_HIGH_WARNING) + " ended by peer 0C00007F"))
      << sDescribe(r.b);
}
