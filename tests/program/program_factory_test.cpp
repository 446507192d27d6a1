// Threading test
// The factory in-line test as the factory tool drives it: a pseudo-terminal
// on serial port 0 takes the unit over with "?", then sends command frames
// and reads the answers; the NVRAM files are read back by a reader of their
// own once the unit has ended.
#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <stdio.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../support/golden.h"
#include "../support/program_run.h"
#include "../support/sonar_standin.h"
#include "../support/start_keys.h"
#include "source/platform/host/host_png.h"
#include "source/core/version.h"

namespace {

// The first line the board's "ifconfig | grep Bcast" would give for this
// machine's interfaces (empty without a broadcast interface).
std::string sFirstBroadcastLine() {
  std::string line;
  struct ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return line;
  for (const struct ifaddrs* i = list; i != nullptr && line.empty(); i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_BROADCAST)) continue;
    if (i->ifa_broadaddr == nullptr || i->ifa_netmask == nullptr) continue;
    auto quad = [](const struct sockaddr* a) {
      char text[INET_ADDRSTRLEN] = "";
      inet_ntop(AF_INET, &((const struct sockaddr_in*)a)->sin_addr, text, sizeof text);
      return std::string(text);
    };
    line = "          inet addr:" + quad(i->ifa_addr) + "  Bcast:" + quad(i->ifa_broadaddr) +
           "  Mask:" + quad(i->ifa_netmask) + "\n";
  }
  freeifaddrs(list);
  return line;
}

// The far end of one of the unit's serial ports.
class CLink {
 public:
  bool Open(const std::string& pty) {
    fd_ = open(pty.c_str(), O_RDWR | O_NOCTTY);
    if (fd_ < 0) return false;
    struct termios tio;
    if (tcgetattr(fd_, &tio) == 0) {
      cfmakeraw(&tio);
      tcsetattr(fd_, TCSANOW, &tio);
    }
    return true;
  }
  ~CLink() {
    if (fd_ >= 0) close(fd_);
  }
  void Send(const std::string& bytes) const { (void)!write(fd_, bytes.data(), bytes.size()); }
  // Reads until the text holds `until` (empty: until quiet for quiet_ms)
  // or limit_ms has passed.
  std::string Read(const std::string& until, int limit_ms, int quiet_ms = 400) {
    const long long start = llRealMs();
    long long last = start;
    for (;;) {
      if (!until.empty() && got_.find(until) != std::string::npos) break;
      const long long now = llRealMs();
      if (now - start > limit_ms) break;
      if (until.empty() && now - last > quiet_ms) break;
      struct pollfd p = {fd_, POLLIN, 0};
      if (poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
        char buf[512];
        const ssize_t n = read(fd_, buf, sizeof buf);
        if (n > 0) {
          got_.append(buf, (size_t)n);
          last = llRealMs();
        }
      }
    }
    std::string out;
    out.swap(got_);
    return out;
  }
  // Reads until what came matches the expected answer whole (then a short
  // settle, so that anything more the unit sends spoils the match), or until
  // limit_ms has passed. The limit only matters when the answer is wrong: a
  // slow unit (thread checker, a loaded machine) still gets its answer read.
  std::string ReadAnswer(const std::regex& answer, int limit_ms, int settle_ms = 300) {
    const long long start = llRealMs();
    long long matched = -1, last = start;
    for (;;) {
      const long long now = llRealMs();
      if (matched < 0 && std::regex_match(got_, answer)) matched = now;
      if (matched >= 0 && now - matched > settle_ms) break;
      if (now - start > limit_ms) break;
      if (!got_.empty() && matched < 0 && now - last > 3000) break;  // a wrong answer, complete
      struct pollfd p = {fd_, POLLIN, 0};
      if (poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
        char buf[512];
        const ssize_t n = read(fd_, buf, sizeof buf);
        if (n > 0) {
          got_.append(buf, (size_t)n);
          matched = -1;
          last = llRealMs();
        }
      }
    }
    std::string out;
    out.swap(got_);
    return out;
  }
  // Echoes what arrives back to the sender for limit_ms (a loop-back plug).
  void LoopBack(std::atomic<bool>& stop) const {
    while (!stop.load()) {
      struct pollfd p = {fd_, POLLIN, 0};
      if (poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
        char buf[256];
        const ssize_t n = read(fd_, buf, sizeof buf);
        if (n > 0) (void)!write(fd_, buf, (size_t)n);
      }
    }
  }

 private:
  int fd_ = -1;
  std::string got_;
};

// A regular expression matching exactly the text.
std::string sLiteral(const std::string& text) {
  static const std::string special = "\\^$.|?*+()[]{}";
  std::string out;
  for (char c : text) {
    if (special.find(c) != std::string::npos) out += '\\';
    out += c;
  }
  return out;
}

std::string VersionText() {
  char text[16];
  snprintf(text, sizeof text, "%u.%03u", (unsigned)(VERSION_NUMBER / 1000), (unsigned)(VERSION_NUMBER % 1000));
  return text;
}

// The saved value of a key S c2 c3 c4 in the NVRAM files (its slot is the
// three characters as base-36 digits; a bitmap marks the saved slots).
bool bSavedValue(const std::string& dir, const char* key, U32* value) {
  auto digit = [](char c) { return c <= '9' ? (U32)(c - '0') : (U32)(c - 'A' + 10); };
  const U32 slot = digit(key[1]) * 1296 + digit(key[2]) * 36 + digit(key[3]);
  const std::string entries = sReadFile(dir + "/nvr_entries.dat"), bitmap = sReadFile(dir + "/nvr_statbit.dat");
  auto word = [](const std::string& s, U32 at) {
    const U8* p = (const U8*)s.data() + at;
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((U32)p[3] << 24);
  };
  if (bitmap.size() < 4 * (slot / 32) + 4 || entries.size() < 4 * slot + 4) return false;
  if (!((word(bitmap, 4 * (slot / 32)) >> (slot % 32)) & 1)) return false;
  *value = word(entries, 4 * slot);
  return true;
}

// The pseudo-terminal of each port from "$TESSIX_CWD/serial_ports".
std::vector<std::string> PortNames(const std::string& cwd, int limit_ms) {
  const long long start = llRealMs();
  while (llRealMs() - start < limit_ms) {
    std::ifstream in(cwd + "/serial_ports");
    std::vector<std::string> names(4);
    int port = 0;
    std::string device, pty;
    int found = 0;
    while (in >> port >> device >> pty) {
      if (port >= 0 && port < 4) names[port] = pty, ++found;
    }
    if (found == 4) return names;
    usleep(50000);
  }
  return {};
}

struct FRAME_CASE {
  const char* name;
  std::string sent;
  std::string answer;  // exactly what comes back
};

class FactoryLink : public ::testing::Test {
 protected:
  // Runs the unit; body gets the four links once port 0 answered "?".
  RESULT RunWith(const std::function<void(std::vector<CLink>&)>& body, long long limit_ms = 90000) {
    std::thread driver;
    std::atomic<bool> started{false};
    RESULT r = program_.Run({"nodisclaimer"}, limit_ms, 0, [&](pid_t, const std::string&) {
      if (!started.exchange(true)) {
        driver = std::thread([&] {
          const std::vector<std::string> names = PortNames(program_.HostRoot() + "/../cwd", 20000);
          if (names.empty()) {
            ADD_FAILURE() << "no serial port list";
            return;
          }
          std::vector<CLink> links(4);
          for (int i = 0; i < 4; ++i) EXPECT_TRUE(links[i].Open(names[i])) << names[i];
          // The task registers for port 0 a moment after start.
          std::string answer;
          for (int i = 0; i < 30 && answer.find("#ACK\n\r") == std::string::npos; ++i) {
            links[0].Send("?");
            answer += links[0].Read("#ACK\n\r", 1000);
          }
          taken_over_ = answer.find("#ACK\n\r") != std::string::npos;
          if (taken_over_) body(links);
        });
      }
      return true;
    });
    if (driver.joinable()) driver.join();
    return r;
  }
  CProgram program_;
  bool taken_over_ = false;
};

TEST_F(FactoryLink, FramesAnswerAsTheToolExpectsAndExitSavesThePendingSettings) {
  const std::string many(600, 'A');
  const std::vector<FRAME_CASE> cases = {
      {"version", "#v\r", VersionText() + "\n\r"},
      {"argument after a plain command drops the frame", "#vX\r", ""},
      {"unknown letter", "#q\r", ""},
      {"write", "#wSTAW=600\r", "#ACK\n\r"},
      {"read back", "#rSTAW\r", "600\n\r"},
      {"read of a missing key", "#rQQQQ\r", "#NAK\n\r"},
      {"key too short to write", "#wST\r", "#NAK\n\r"},
      {"value not a number", "#wSTAW=6x0\r", "#NAK\n\r"},
      {"value left as it was", "#rSTAW\r", "600\n\r"},
      {"status text echoed without a line end", "#dHELLO\n", "HELLO"},
      {"empty status text", "#d\r", ""},
      {"stray bytes before the frame", "xyz?#g\r", "GPS Reset\n\r"},
      {"600 argument characters: 511 go, the rest waits for the next #", "#d" + many + "\r", many.substr(0, 511)},
      {"second connect changes nothing", "?", ""},
      // No shell on this machine: every command reports failure.
      {"shell command with a second command after it", "#lid;touch x\r", "Error in system command!\n\r"},
      {"graphics processor check", "#p\r", "No GPU\n\r"},
      {"map checksums", "#m\r", "\n\r"},
      {"ethernet ping that fails", "#t20,10.1.2.3\r", ""},
      {"ethernet address with a command after it", "#t20,1.2.3.4;touch x\r", ""},
      {"unknown test answers its own number", "#t4\r", "4"},
      {"beam out of range", "#t7,7,200,1,1,0,100,0,10,50,0\r", "#NAK\n\r"},
      {"slot out of range", "#t16,2\r", "#NAK\n\r"},
      {"finished and passed", "#t31\r", "#ACK\n\r"},
  };
  std::vector<std::string> answers;
  RESULT r = RunWith([&](std::vector<CLink>& links) {
    for (const FRAME_CASE& c : cases) {
      links[0].Send(c.sent);
      if (std::string(c.name).rfind("ethernet", 0) == 0) {
        answers.push_back(links[0].ReadAnswer(std::regex("Ethernet Test [^]*\n\r"), 30000));
      } else if (c.answer.empty()) {
        answers.push_back(links[0].Read("", 30000, 1000));  // nothing comes back
      } else {
        answers.push_back(links[0].ReadAnswer(std::regex(sLiteral(c.answer)), 30000));
      }
    }
    links[0].Send("#x\r");
    answers.push_back(links[0].Read("#ACK\n\r", 30000));
  });
  if (HasFailure()) ADD_FAILURE() << sDescribe(r);
  ASSERT_TRUE(taken_over_) << sDescribe(r);
  ASSERT_EQ(answers.size(), cases.size() + 1) << sDescribe(r);
  for (size_t i = 0; i < cases.size(); ++i) {
    if (std::string(cases[i].name).rfind("ethernet", 0) == 0) {
      EXPECT_EQ(answers[i].rfind("Ethernet Test Fail", 0), 0u) << cases[i].name << ": " << answers[i];
      if (cases[i].sent.find(';') == std::string::npos) {
        // The ping fails (no command runs here); the interface line is the
        // host's own, and the listing file is gone again.
        EXPECT_EQ(answers[i], "Ethernet Test Fail--Error No.1address pinged 10.1.2.3" + sFirstBroadcastLine() + "\n\r");
      }
      continue;
    }
    EXPECT_EQ(answers[i], cases[i].answer) << cases[i].name;
  }
  EXPECT_EQ(answers.back(), "#ACK\n\r");
  ASSERT_TRUE(r.exited) << sDescribe(r);
  EXPECT_EQ(r.status, 10) << sDescribe(r);
  // Nothing received on the link reached a shell.
  EXPECT_FALSE(std::filesystem::exists(r.install_dir + "/x"));
  EXPECT_FALSE(std::filesystem::exists("x"));
  EXPECT_FALSE(std::filesystem::exists(r.install_dir + "/ipadd.txt"));
  // An independent reader finds the pending settings in the files.
  U32 value = 0;
  ASSERT_TRUE(bSavedValue(r.install_dir, "STAW", &value)) << sDescribe(r);
  EXPECT_EQ(value, 600u);
  ASSERT_TRUE(bSavedValue(r.install_dir, "STTP", &value)) << sDescribe(r);
  EXPECT_NE(value & 0x40000000u, 0u);
}

// The sonar tests ping through the sonar stand-in (flat bottom at 6 m,
// about 19 ft; the depth is the strongest sample's index × 26 µs / 416).
TEST_F(FactoryLink, SonarTestsPingTheBeamThroughTheCoprocessor) {
  sonartest::Standin standin(program_.HostRoot() + "/dev/sonar0", program_.HostRoot() + "/../standin",
                             "depth 6\npresent yes\nseed 2\n");
  struct SONAR_CASE {
    const char* name;
    std::string sent;
    std::string prefix;  // the answer begins so and ends with "\n\r"
  };
  const std::vector<SONAR_CASE> cases = {
      // beam, frequency, receiver, bandwidth, signal min/max, depth min/max, noise floor, time-out
      {"200 kHz beam within all limits", "#t7,1,200,0,1,1,255,15,25,255,3000\r", "Sonar Test Pass,"},
      {"depth limits the bottom cannot meet, one ping", "#t7,1,200,0,1,1,255,60,70,255,0\r", "Sonar Test Fail,"},
      // beam, frequency, receiver, bandwidth, position, mode: the largest sample
      {"tuning answers the largest sample", "#t21,1,200,0,1,0,0\r", ""},
  };
  std::vector<std::string> answers;
  RESULT r = RunWith([&](std::vector<CLink>& links) {
    for (const SONAR_CASE& c : cases) {
      links[0].Send(c.sent);
      answers.push_back(links[0].Read("\n\r", 30000));
      links[0].Send("#S\r");  // the PC stops the running test
      (void)links[0].Read("", 1500);
    }
    links[0].Send("#x\r");
    (void)links[0].Read("#ACK\n\r", 30000);
  });
  if (HasFailure()) ADD_FAILURE() << sDescribe(r);
  ASSERT_TRUE(taken_over_) << sDescribe(r);
  ASSERT_EQ(answers.size(), cases.size()) << sDescribe(r);
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string& a = answers[i];
    ASSERT_EQ(a.rfind(cases[i].prefix, 0), 0u) << cases[i].name << ": " << a << "\n" << sDescribe(r);
    ASSERT_GE(a.size(), 2u) << cases[i].name << "\n" << sDescribe(r);
    EXPECT_EQ(a.substr(a.size() - 2), "\n\r") << cases[i].name << ": " << a;
    int signal = -1, depth = -1, noise = -1;
    if (cases[i].prefix.empty()) {
      ASSERT_EQ(sscanf(a.c_str(), "%d", &signal), 1) << a;
    } else {
      ASSERT_EQ(sscanf(a.c_str() + cases[i].prefix.size(), "%d,%d,%d", &signal, &depth, &noise), 3) << a;
      EXPECT_GE(depth, 15) << cases[i].name << ": " << a;
      EXPECT_LE(depth, 25) << cases[i].name << ": " << a;
      EXPECT_LT(noise, signal) << cases[i].name << ": " << a;
    }
    EXPECT_GT(signal, 0) << cases[i].name << ": " << a;
  }
  // The unit ran on: no fatal stop on the way.
  EXPECT_EQ((r.out + r.err).find("Failed to communicate with coprocessor"), std::string::npos) << sDescribe(r);
  EXPECT_NE(standin.Log().find("200"), std::string::npos);
}

// The hardware tests as the factory tool runs them: keys go through the
// keypad pipe, the display's colours are read off the screen, cards come and
// go as folders, and the tool's loop-back plug joins ports 2 and 3 to
// themselves.
struct HW_CASE {
  const char* name;
  std::function<void()> before;  // the fixture's hands before the frame, or nullptr
  std::string sent;
  std::function<void()> during;  // ... and after it, or nullptr
  std::vector<std::pair<int, int>> keys;  // (slot, ms to wait before pressing and releasing it)
  std::string answer;                     // regular expression for all that came back
};

TEST_F(FactoryLink, HardwareTestsAnswerThroughKeysScreenCardsAndPorts) {
  sonartest::Standin standin(program_.HostRoot() + "/dev/sonar0", program_.HostRoot() + "/../standin",
                             "depth 6\npresent yes\nseed 2\nbattery 275\n");  // 11.98 V
  const std::string fifo = program_.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program_.HostRoot() + "/dev/input");
  if (access(fifo.c_str(), F_OK) != 0) {
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  }
  const std::string screens = program_.HostRoot() + "/../screens";
  std::filesystem::create_directories(screens);
  program_.SetEnv("TESSIX_SCREEN_DIR", screens);
  const std::string card = program_.HostRoot() + "/mnt/mmc0";

  // The display test shows blue, green, red and black in turn, a colour a
  // tick; each must reach the screen whole.
  struct COLOUR {
    U16 pixel;
    const char* golden;
  };
  const COLOUR colours[] = {{0x001F, "factory/display_blue"},
                            {0x07E0, "factory/display_green"},
                            {0xF800, "factory/display_red"},
                            {0x0000, "factory/display_black"}};
  std::vector<std::vector<U16>> shown(4);
  int width = 0, height = 0;
  auto watch_colours = [&] {
    const long long start = llRealMs();
    int seen = 0;
    while (seen < 4 && llRealMs() - start < 15000) {
      std::error_code ec;
      const std::string shot = screens + "/colour.png";
      std::filesystem::copy_file(screens + "/screen.png", shot, std::filesystem::copy_options::overwrite_existing,
                                 ec);
      std::vector<U16> px;
      int w = 0, h = 0;
      std::string error;
      if (!ec && HOST_bReadPng565(shot.c_str(), &px, &w, &h, &error) && !px.empty()) {
        for (int c = 0; c < 4; ++c) {
          if (shown[c].empty() && px[0] == colours[c].pixel && px[px.size() / 2] == colours[c].pixel) {
            shown[c] = px, width = w, height = h, ++seen;
          }
        }
      }
      usleep(100000);
    }
  };

  const int MENU = DD_SLOT_MENU, EXIT = DD_SLOT_EXIT;
  const std::vector<std::pair<int, int>> all_keys = {
      {DD_SLOT_VIEW, 300},         {DD_SLOT_MENU, 0},          {DD_SLOT_EXIT, 0},
      {DD_SLOT_SOFT_KEY_1, 0},     {DD_SLOT_SOFT_KEY_2, 0},    {DD_SLOT_SOFT_KEY_3, 0},
      {DD_SLOT_POWER, 0},          {DD_SLOT_GOTO, 0},          {DD_SLOT_MARK, 0},
      {DD_SLOT_INFO, 0},           {DD_SLOT_ZOOM_OUT, 0},      {DD_SLOT_ZOOM_IN, 0},
      {DD_SLOT_CURSOR_NORTH, 0},   {DD_SLOT_CURSOR_SOUTH, 0},  {DD_SLOT_CURSOR_EAST, 0},
      {DD_SLOT_CURSOR_WEST, 0}};
  std::atomic<bool> stop_loop{false};
  std::vector<std::thread> plugs;
  std::vector<CLink>* ports = nullptr;
  auto plug_in = [&] {
    stop_loop = false;
    for (int port : {2, 3}) plugs.emplace_back([&, port] { (*ports)[port].LoopBack(stop_loop); });
  };
  auto unplug = [&] {
    stop_loop = true;
    for (std::thread& t : plugs) t.join();
    plugs.clear();
  };
  auto card_in = [&] {
    std::filesystem::create_directories(card);
    std::ofstream(card + "/TEST.TXT") << "card\n";
  };
  auto card_out = [&] { std::filesystem::remove_all(card); };

  const std::vector<HW_CASE> cases = {
      {"keypad left alone times out", nullptr, "#t1,300\r", nullptr, {}, "Fail--Timeout occured"},
      {"keypad: every key pressed and released in turn", nullptr, "#t1,20000\r", nullptr, all_keys, "Pass"},
      {"keypad: a wrong key does not pass", nullptr, "#t1,1500\r", nullptr, {{DD_SLOT_MENU, 300}}, "Fail--Timeout occured"},
      {"display: MENU once every colour was shown", nullptr, "#t2,1\r", watch_colours, {{MENU, 2000}}, "Pass"},
      {"display: EXIT fails it", nullptr, "#t2,0\r", nullptr, {{EXIT, 300}}, "Fail"},
      {"backlight: MENU before the steps are through is refused, EXIT fails", nullptr, "#t5,1\r", nullptr,
       {{MENU, 200}, {EXIT, 200}}, "5Fail"},
      {"backlight: MENU after the steps passes", nullptr, "#t5,1\r", nullptr, {{MENU, 2500}}, "5Pass"},
      {"backlight level is one of the steps", nullptr, "#rCBAK\r", nullptr, {}, "(3|6|10)\n\r"},
      {"buzzer: EXIT fails it", nullptr, "#t6\r", nullptr, {{EXIT, 300}}, "6Fail"},
      {"buzzer: MENU passes it", nullptr, "#t6\r", nullptr, {{MENU, 300}}, "6Pass"},
      {"paddle wheel without a reading", nullptr, "#t8,10,0,300\r", nullptr, {}, "Paddle Wheel Test --No speed detected\n\r"},
      {"transducer temperature without a reading", nullptr, "#t9,40,0,300\r", nullptr, {}, "#NAK\n\r"},
      {"speed sensor temperature without a reading", nullptr, "#t10,40,0,300\r", nullptr, {}, "#NAK\n\r"},
      {"card in: read", card_in, "#t16,0\r", nullptr, {}, "MMC Test Pass in Left slot\n\r"},
      {"card in: still there", nullptr, "#t17,0\r", nullptr, {}, "MMC Test Fail Card Still in Unit in Left slot\n\r"},
      {"card out: gone", card_out, "#t17,0\r", nullptr, {}, "MMC Test Pass in Left slot\n\r"},
      {"card out: nothing to read", nullptr, "#t16,0\r", nullptr, {}, "MMC Test Fail Card not Found in Left slot\n\r"},
      {"other slot", nullptr, "#t16,1\r", nullptr, {}, "MMC Test Fail Card not Found in Right slot\n\r"},
      {"slot below range", nullptr, "#t17,-1\r", nullptr, {}, "#NAK\n\r"},
      {"NMEA without the plug", nullptr, "#t18\r", nullptr, {}, "External NMEA Test Fail\n\r"},
      {"NMEA with ports 2 and 3 looped", plug_in, "#t18\r", nullptr, {}, "External NMEA Test Pass %TEST PASSED\n\n\r"},
      {"NMEA plug pulled", unplug, "#t18\r", nullptr, {}, "External NMEA Test Fail\n\r"},
      {"sonar test, beam below range", nullptr, "#t7,-1,200,0,1,1,255,15,25,255,0\r", nullptr, {}, "#NAK\n\r"},
      {"tuning, beam above range", nullptr, "#t21,7,200,0,1,0,150\r", nullptr, {}, "#NAK\n\r"},
      {"tuning, position too near", nullptr, "#t21,1,200,0,1,0,150\r", nullptr, {}, "#NAK\n\r"},
      {"tuning, position past the samples", nullptr, "#t21,1,200,0,1,9999,150\r", nullptr, {}, "#NAK\n\r"},
      // The supply reading lives a second after a ping: a ping first.
      {"battery within its limits", nullptr, "#t21,1,200,0,1,0,0\r#t12,14,10,500\r", nullptr, {},
       "[0-9]+\n\rBattery Test Pass , 12\n\r"},
      {"battery above its limits", nullptr, "#t21,1,200,0,1,0,0\r#t12,11,10,500\r", nullptr, {},
       "[0-9]+\n\rBattery Test Fail , 12\n\r"},
      {"tuning, nineteen samples round the position", nullptr, "#t21,1,200,0,1,50,150\r", nullptr, {},
       "([0-9]+, ){9}>> [0-9]+ << ([0-9]+, ){9}\n\r"},
  };
  std::vector<std::string> answers;
  RESULT r = RunWith([&](std::vector<CLink>& links) {
    ports = &links;
    for (const HW_CASE& c : cases) {
      if (c.before) c.before();
      links[0].Send(c.sent);
      if (c.during) c.during();
      for (const auto& [slot, wait_ms] : c.keys) {
        usleep((useconds_t)wait_ms * 1000);
        TEST_bPressKey(fifo, slot, 1);
        usleep(60000);
        TEST_bPressKey(fifo, slot, 0);
        usleep(60000);
      }
      answers.push_back(links[0].ReadAnswer(std::regex(c.answer), 30000));
      // After a wrong or missing answer the later ones mean nothing.
      if (!std::regex_match(answers.back(), std::regex(c.answer))) break;
    }
    if (!plugs.empty()) unplug();
    links[0].Send("#x\r");
    (void)links[0].Read("#ACK\n\r", 30000);
  }, 300000);
  if (!plugs.empty()) unplug();
  ASSERT_TRUE(taken_over_) << sDescribe(r);
  for (size_t i = 0; i < answers.size(); ++i) {
    EXPECT_TRUE(std::regex_match(answers[i], std::regex(cases[i].answer))) << cases[i].name << ": \"" << answers[i]
                                                                           << "\"";
  }
  ASSERT_EQ(answers.size(), cases.size()) << sDescribe(r);
  for (int c = 0; c < 4; ++c) {
    ASSERT_FALSE(shown[c].empty()) << colours[c].golden << " never shown";
    ExpectMatchesGolden(shown[c].data(), width, height, width, colours[c].golden);
  }
  EXPECT_EQ((r.out + r.err).find("Failed to communicate with coprocessor"), std::string::npos) << sDescribe(r);
  if (HasFailure()) ADD_FAILURE() << sDescribe(r);
}

}  // namespace
