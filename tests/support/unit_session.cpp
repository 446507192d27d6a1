#include "tests/support/unit_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>

#include "source/platform/platform.h"
#include "tests/support/key_records.h"

U64 CUnitSession::Now() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (U64)ts.tv_sec * 1000000000ull + (U64)ts.tv_nsec;
}

bool CUnitSession::Start(const std::string& binary, const std::vector<std::string>& args) {
  char templ[] = "/tmp/tessix_unit_XXXXXX";
  if (mkdtemp(templ) == nullptr) return false;
  m_dir = templ;
  std::filesystem::create_directories(m_dir + "/cwd");
  std::filesystem::create_directories(m_dir + "/root/dev/input");
  std::filesystem::create_directories(m_dir + "/screen");
  if (mkfifo((m_dir + "/root/dev/input/event0").c_str(), 0600) != 0) return false;
  int fds[2];
  if (pipe(fds) != 0) return false;
  m_pid = fork();
  if (m_pid == 0) {
    close(fds[0]);
    dup2(fds[1], 1);
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 2);
    setenv("TESSIX_CWD", (m_dir + "/cwd").c_str(), 1);
    setenv("TESSIX_HOST_ROOT", (m_dir + "/root").c_str(), 1);
    setenv("TESSIX_SCREEN_DIR", (m_dir + "/screen").c_str(), 1);
    setenv("TESSIX_TRACE_FRAMES", "1", 1);
    std::vector<char*> argv;
    std::string program = binary;
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  m_out = fds[0];
  fcntl(m_out, F_SETFL, O_NONBLOCK);
  return m_pid > 0;
}

CUnitSession::~CUnitSession() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
  if (m_out >= 0) close(m_out);
  std::error_code ec;
  if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ec);
}

void CUnitSession::Pump(long long wait_ms) {
  struct pollfd p = {m_out, POLLIN, 0};
  if (poll(&p, 1, (int)wait_ms) <= 0) return;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(m_out, buffer, sizeof buffer);
    if (n <= 0) break;
    m_text.append(buffer, (size_t)n);
  }
  // Parse the complete lines that arrived since the last look.
  for (size_t end; (end = m_text.find('\n', m_parsed)) != std::string::npos; m_parsed = end + 1) {
    const std::string line = m_text.substr(m_parsed, end - m_parsed);
    const size_t at = line.find(" frame ");
    unsigned long long number = 0, ns = 0;
    unsigned long crc = 0;
    if (at != std::string::npos &&
        sscanf(line.c_str() + at, " frame %llu presented at %llu ns crc %lx", &number, &ns, &crc) == 3) {
      m_frames.push_back({number, ns, (U32)crc});
    }
  }
}

bool CUnitSession::WaitForLine(const std::string& text, long long timeout_ms) {
  const U64 end = Now() + (U64)timeout_ms * 1000000ull;
  while (m_text.find(text) == std::string::npos) {
    if (Now() > end) return false;
    Pump(10);
  }
  return true;
}

bool CUnitSession::Key(int slot, int value) {
  const int fd = TEST_nOpenKeypad(m_dir + "/root/dev/input/event0");
  if (fd < 0) return false;
  const std::string records = TEST_sInputEvent(TEST_EV_KEY, DD_KEYBOARD_au16KeyCode[slot], value) +
                              TEST_sInputEvent(TEST_EV_SYN, 0, 0);
  const bool ok = write(fd, records.data(), records.size()) == (ssize_t)records.size();
  close(fd);
  return ok;
}

bool CUnitSession::WaitForChangedFrame(U64 since_ns, long long timeout_ms, FRAME* frame) {
  const U64 end = Now() + (U64)timeout_ms * 1000000ull;
  for (;;) {
    Pump(0);
    U32 shown = 0;
    bool known = false;
    for (const FRAME& f : m_frames) {
      if (f.presented_ns < since_ns) {
        shown = f.crc;
        known = true;
      } else if (!known || f.crc != shown) {
        *frame = f;
        return true;
      }
    }
    if (Now() > end) return false;
    Pump(5);
  }
}

std::string CUnitSession::Output() {
  Pump(0);
  return m_text;
}

bool CUnitSession::StartSimulator(long long timeout_ms) {
  if (!WaitForLine("STARTUP: transducer", timeout_ms)) return false;
  auto press = [this](int slot) {
    const bool ok = Key(slot, 1) && Key(slot, 0);
    usleep(700000);
    return ok;
  };
  constexpr int MENU = 1, EXIT = 2, EAST = 12;
  if (!press(MENU) || !press(EAST) || !press(EXIT)) return false;
  if (!WaitForLine("STARTUP: run system", timeout_ms)) return false;
  if (Output().find("STARTUP: quick setup shown") != std::string::npos) return press(EXIT);
  return true;
}
