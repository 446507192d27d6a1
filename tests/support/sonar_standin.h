// Starts the sonar coprocessor stand-in (tools/sonarstandin) as a child
// process on a socket of the test's choosing, with a scenario written from
// the given lines, and stops it again. Its log is kept for the test to read.
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace sonartest {

inline std::string StandinPath() {
  return (std::filesystem::path(TESSIX_BINARY).parent_path() / "tools" / "sonar_standin").string();
}

class Standin {
 public:
  // socket: the resolved device path; folder: where the scenario and log go.
  Standin(const std::string& socket, const std::string& folder, const std::string& scenario) {
    std::filesystem::create_directories(std::filesystem::path(socket).parent_path());
    std::filesystem::create_directories(folder);
    scenario_ = folder + "/scenario.txt";
    log_ = folder + "/standin.log";
    std::ofstream(scenario_) << scenario;
    std::filesystem::remove(log_);
    std::filesystem::remove(socket);
    const std::string bin = StandinPath();
    pid_ = fork();
    if (pid_ == 0) {
      execl(bin.c_str(), bin.c_str(), "--socket", socket.c_str(), "--scenario", scenario_.c_str(), "--log",
            log_.c_str(), (char*)nullptr);
      _exit(127);
    }
    // Ready once it listens.
    for (int i = 0; i < 500; ++i) {
      struct stat st;
      if (stat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) return;
      struct timespec ts = {0, 10 * 1000 * 1000};
      nanosleep(&ts, nullptr);
    }
  }
  ~Standin() { Stop(); }
  // Writes the scenario again; the stand-in takes a new battery line from it
  // while it runs.
  void Rewrite(const std::string& scenario) const {
    const std::string next = scenario_ + ".new";
    std::ofstream(next) << scenario;
    std::filesystem::rename(next, scenario_);
  }
  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
      pid_ = -1;
    }
  }
  std::string Log() const {
    std::ifstream in(log_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

 private:
  pid_t pid_ = -1;
  std::string scenario_, log_;
};

}  // namespace sonartest
