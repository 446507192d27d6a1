// Runs the built program as a child process with its own installation and
// host-root folders and a closed standard input, and collects its exit
// status, standard output and standard error. Include from a test file
// named program_*_test.cpp (TESSIX_BINARY names the program).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string sReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

long long llRealMs() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

struct RESULT {
  bool exited = false;  // ended by itself with a status
  int status = -1;
  int signal = 0;
  bool killed = false;  // still running at the limit
  std::string out, err;
  std::string install_dir;
  std::string stdin_target;  // what descriptor 0 of the running program names
};

// Runs the program with the arguments; kills it after limit_ms. With a
// signal, sends it once the first trace line is out (the handlers are set).
// A poll function is called every few milliseconds with the child's pid and
// its standard output so far, until it returns false.
class CProgram {
 public:
  CProgram() {
    char templ[] = "/tmp/tessix_prog_XXXXXX";
    m_dir = mkdtemp(templ) ? templ : "";
    std::filesystem::create_directories(m_dir + "/cwd");
    std::filesystem::create_directories(m_dir + "/root");
    // Tests run side by side: each unit gets its own loopback address and
    // service-discovery port, or two units of two tests take each other's
    // message ports and find each other as peers. A test that wants units
    // to meet sets both itself (set later, so it wins).
    static unsigned s_instance = 0;
    const unsigned key = ((unsigned)getpid() << 4) + (s_instance++ & 15u);
    m_env.emplace_back("TESSIX_UNIT_ADDRESS", "127." + std::to_string(1 + key % 254) + "." +
                                                  std::to_string(key / 254 % 256) + "." +
                                                  std::to_string(1 + key / 254 / 256 % 254));
    m_env.emplace_back("TESSIX_SLP_PORT", std::to_string(20000 + key % 30000));
  }
  ~CProgram() {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }

  RESULT Run(std::vector<std::string> args, long long limit_ms, int signal_to_send = 0,
             const std::function<bool(pid_t, const std::string&)>& poll = {}) {
    RESULT r;
    r.install_dir = m_dir + "/cwd";
    const std::string out = m_dir + "/out.txt";
    const std::string err = m_dir + "/err.txt";
    const long long start = llRealMs();
    pid_t pid = fork();
    if (pid == 0) {
      close(0);
      int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(o, 1);
      dup2(e, 2);
      close(o);
      close(e);
      setenv("TESSIX_CWD", r.install_dir.c_str(), 1);
      setenv("TESSIX_HOST_ROOT", (m_dir + "/root").c_str(), 1);
      for (const auto& [name, value] : m_env) setenv(name.c_str(), value.c_str(), 1);
      std::vector<char*> argv;
      static char program[] = TESSIX_BINARY;
      argv.push_back(program);
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(TESSIX_BINARY, argv.data());
      _exit(127);
    }
    bool signalled = (signal_to_send == 0);
    bool polling = static_cast<bool>(poll);
    int wstatus = 0;
    for (;;) {
      pid_t done = waitpid(pid, &wstatus, WNOHANG);
      if (done == pid) break;
      if (!signalled && sReadFile(out).find(" start\r\n") != std::string::npos) {
        char target[256] = {};
        ssize_t n = readlink(("/proc/" + std::to_string(pid) + "/fd/0").c_str(), target, sizeof target - 1);
        if (n > 0) r.stdin_target.assign(target, (size_t)n);
        kill(pid, signal_to_send);
        signalled = true;
      }
      if (polling && !poll(pid, sReadFile(out))) polling = false;
      if (llRealMs() - start > limit_ms) {
        kill(pid, SIGKILL);
        waitpid(pid, &wstatus, 0);
        r.killed = true;
        break;
      }
      usleep(5000);
    }
    if (!r.killed && WIFEXITED(wstatus)) {
      r.exited = true;
      r.status = WEXITSTATUS(wstatus);
    } else if (!r.killed && WIFSIGNALED(wstatus)) {
      r.signal = WTERMSIG(wstatus);
    }
    r.out = sReadFile(out);
    r.err = sReadFile(err);
    return r;
  }

 private:
  std::string m_dir;
  std::vector<std::pair<std::string, std::string>> m_env;

 public:
  // An environment variable of the program's runs.
  void SetEnv(const std::string& name, const std::string& value) { m_env.emplace_back(name, value); }

 public:
  // The folder standing for the root of the board's file system.
  std::string HostRoot() const { return m_dir + "/root"; }
};

std::string sDescribe(const RESULT& r) {
  // The start and the end of each stream: a fault shows at either.
  auto ends = [](const std::string& s) {
    return s.size() <= 6000 ? s : s.substr(0, 2500) + "\n[...]\n" + s.substr(s.size() - 3500);
  };
  return "status " + std::to_string(r.status) + (r.killed ? " (killed at the limit)" : "") +
         (r.signal ? " signal " + std::to_string(r.signal) : "") + "\n--- stdout\n" + ends(r.out) +
         "\n--- stderr\n" + ends(r.err);
}

}  // namespace
