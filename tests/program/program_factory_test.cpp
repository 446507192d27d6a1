// Threading test
// The factory in-line test as the factory tool drives it: a pseudo-terminal
// on serial port 0 takes the unit over with "?", then sends command frames
// and reads the answers; the NVRAM files are read back by a reader of their
// own once the unit has ended.
#include <fcntl.h>
#include <stdio.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../support/program_run.h"
#include "../support/sonar_standin.h"
#include "source/core/version.h"

namespace {

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
      {"shell command with a second command after it", "#lid;touch x\r", "Command Completed Successfully!\n\r"},
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
      answers.push_back(links[0].Read("", 5000));
    }
    links[0].Send("#x\r");
    answers.push_back(links[0].Read("#ACK\n\r", 5000));
  });
  ASSERT_TRUE(taken_over_) << sDescribe(r);
  ASSERT_EQ(answers.size(), cases.size() + 1) << sDescribe(r);
  for (size_t i = 0; i < cases.size(); ++i) {
    if (std::string(cases[i].name).rfind("ethernet", 0) == 0) {
      EXPECT_EQ(answers[i].rfind("Ethernet Test Fail", 0), 0u) << cases[i].name << ": " << answers[i];
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
      answers.push_back(links[0].Read("\n\r", 8000));
      links[0].Send("#S\r");  // the PC stops the running test
      (void)links[0].Read("", 1500);
    }
    links[0].Send("#x\r");
    (void)links[0].Read("#ACK\n\r", 5000);
  });
  ASSERT_TRUE(taken_over_) << sDescribe(r);
  ASSERT_EQ(answers.size(), cases.size()) << sDescribe(r);
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string& a = answers[i];
    ASSERT_EQ(a.rfind(cases[i].prefix, 0), 0u) << cases[i].name << ": " << a << "\n" << sDescribe(r);
    ASSERT_GE(a.size(), 2u) << cases[i].name;
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

}  // namespace
