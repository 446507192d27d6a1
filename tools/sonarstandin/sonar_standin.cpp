// The sonar coprocessor stand-in: a program that answers the unit's command
// and receive blocks on a sequenced-packet socket (by default
// $TESSIX_HOST_ROOT/dev/sonar0), so that the unit pings on a machine without
// the board's coprocessor.
//
//   sonar_standin [--socket PATH] [--scenario FILE] [--log FILE] [--verbose]
//
// A packet of more than 4 bytes is a command block (187 bytes: six 31-byte
// transmit sequences and their count); a packet of 4 bytes asks for the next
// receive block (the largest size taken, little-endian). The stand-in runs
// the sequences of the last command block in turn, one per receive block:
// the block echoes the sequence at offset 4, carries 3 × (noise + samples)
// interleaved channel bytes from offset 35 and three analogue readings in
// its last 6 bytes, and is sent once the sequence's listening time is over
// (times the scenario's pace). A sequence that transmits nothing gives noise
// only.
//
// The scenario is a text file of "name value..." lines ('#' starts a note):
//   depth M            a constant bottom depth in metres
//   profile M M ...    a depth profile, stepped through at 50 depths a second
//   sound_speed C      metres per second (default 1463)
//   fish DEPTH PATH SIZE   a fish at DEPTH metres, crossing the beam over
//                      PATH seconds (and again after twice as long), echo
//                      strength SIZE (1-3): an echo of two pulse lengths,
//                      strongest in its middle; repeatable
//   fish DEPTH PATH SIZE AT   the same fish crossing once, AT seconds
//                      into pinging
//   present yes|ring|no    the transducer: yes (the temperature input reads
//                      low), ring (input high, but the detection test rings
//                      down in its first samples), no (neither)
//   seed N             noise seed: the same seed gives the same blocks
//   pace F             listening time factor (default 1; 0 answers at once);
//                      a block takes at least 20 ms before the factor
//   step S M           after S seconds of pinging the bottom lies at M metres
//   burst S D          interference spikes from S seconds of pinging for D
//                      seconds
//   battery N          raw supply reading, 0-1023 (default 275: 11.98 V);
//                      read again whenever the file changes, so a test can
//                      move the supply while the unit runs
#include <errno.h>
#include <math.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/sonarstandin/sonar_synth.h"

namespace {

constexpr size_t SEQ = 31, BLOCK = 187, COUNT_OFFSET = 186, HEADER = 35, TAIL = 6;
constexpr size_t MAX_RECEIVE = 165191;

FILE* g_log = stdout;
bool g_verbose = false;

void vLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void vLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vfprintf(g_log, format, args);
  va_end(args);
  fputc('\n', g_log);
  fflush(g_log);
}

bool bLoadScenario(const char* path, SYNTH_SCENARIO* s) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    const size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    std::string name;
    if (!(words >> name)) continue;
    if (name == "depth") {
      double d = 0;
      words >> d;
      s->profile.assign(1, d);
    } else if (name == "profile") {
      s->profile.clear();
      double d;
      while (words >> d) s->profile.push_back(d);
    } else if (name == "sound_speed") {
      words >> s->soundSpeed;
    } else if (name == "fish") {
      SYNTH_FISH f{};
      words >> f.depth >> f.pathSeconds >> f.size;
      if (!(words >> f.at)) f.at = -1.0;
      s->fish.push_back(f);
    } else if (name == "present") {
      std::string v;
      words >> v;
      s->present = v == "yes" ? SYNTH_PRESENT : v == "ring" ? SYNTH_RINGING : SYNTH_ABSENT;
    } else if (name == "seed") {
      words >> s->seed;
    } else if (name == "pace") {
      words >> s->pace;
    } else if (name == "step") {
      words >> s->stepAfter >> s->stepDepth;
    } else if (name == "burst") {
      words >> s->burstAfter >> s->burstSeconds;
    } else if (name == "battery") {
      words >> s->battery;
    } else {
      vLog("scenario: unknown line '%s'", line.c_str());
    }
  }
  return true;
}

std::string sHex(const uint8_t* p, size_t n) {
  std::string out;
  char b[4];
  for (size_t i = 0; i < n; ++i) {
    snprintf(b, sizeof b, "%02X", p[i]);
    out += b;
  }
  return out;
}

void vSleepUs(double us) {
  if (us <= 0) return;
  struct timespec ts;
  ts.tv_sec = (time_t)(us / 1e6);
  ts.tv_nsec = (long)fmod(us * 1000.0, 1e9);
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// The scenario file as last read: a change of its time or size brings a
// new supply reading.
struct SCENARIO_FILE {
  std::string path;
  struct timespec mtime = {0, 0};
  off_t size = -1;
};

bool bChanged(SCENARIO_FILE* f) {
  struct stat st;
  if (f->path.empty() || stat(f->path.c_str(), &st) != 0) return false;
  if (st.st_mtim.tv_sec == f->mtime.tv_sec && st.st_mtim.tv_nsec == f->mtime.tv_nsec && st.st_size == f->size) {
    return false;
  }
  f->mtime = st.st_mtim;
  f->size = st.st_size;
  return true;
}

void vReloadBattery(SCENARIO_FILE* f, SYNTH_SCENARIO* scenario) {
  if (!bChanged(f)) return;
  SYNTH_SCENARIO fresh;
  if (!bLoadScenario(f->path.c_str(), &fresh) || fresh.battery == scenario->battery) return;
  scenario->battery = fresh.battery;
  vLog("battery %u", scenario->battery);
}

double pingStart = -1;
double lastBottomLog = -1;
bool loggedStep = false;
bool loggedBurst = false;

void vServe(int fd, SYNTH_SCENARIO& scenario, SYNTH_STATE* state, SCENARIO_FILE* file) {
  uint8_t command[BLOCK] = {};
  bool haveCommand = false;
  unsigned next = 0;
  std::vector<uint8_t> in(MAX_RECEIVE + 16), out(MAX_RECEIVE);
  for (;;) {
    const ssize_t n = recv(fd, in.data(), in.size(), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    if ((size_t)n != 4) {
      memset(command, 0, sizeof command);
      memcpy(command, in.data(), (size_t)n < BLOCK ? (size_t)n : BLOCK);
      haveCommand = true;
      next = 0;
      const unsigned count = command[COUNT_OFFSET];
      vLog("block %zd bytes, %u sequences", n, count);
      for (unsigned i = 0; i < count && i < 6; ++i) vLog("  seq %u %s", i, sHex(command + i * SEQ, SEQ).c_str());
      continue;
    }
    const size_t want = (size_t)in[0] | (size_t)in[1] << 8 | (size_t)in[2] << 16 | (size_t)in[3] << 24;
    uint8_t seq[SEQ] = {};
    const unsigned count = command[COUNT_OFFSET];
    if (haveCommand && count > 0) {
      memcpy(seq, command + (next % (count > 6 ? 6 : count)) * SEQ, SEQ);
      ++next;
    }
    unsigned noise = seq[25] | seq[26] << 8;
    unsigned samples = seq[23] | seq[24] << 8;
    // What the caller takes bounds what is sent.
    const size_t room = want > HEADER + TAIL ? (want - HEADER - TAIL) / 3 : 0;
    if (noise > room) noise = (unsigned)room;
    if (noise + samples > room) samples = (unsigned)(room - noise);
    const size_t total = HEADER + 3 * (size_t)(noise + samples) + TAIL;
    if (total > want) {
      // Not even the header fits: a short answer.
      const size_t short_n = want < out.size() ? want : out.size();
      memset(out.data(), 0, short_n);
      (void)send(fd, out.data(), short_n, MSG_NOSIGNAL);
      continue;
    }
    // The coprocessor keeps a rhythm of at least 20 ms a block, also for
    // sequences that record nothing.
    vSleepUs(std::max((noise + samples) * 26.0, 20000.0) * scenario.pace);
    const uint32_t counter = state->blocks++;
    out[0] = (uint8_t)counter;
    out[1] = (uint8_t)(counter >> 8);
    out[2] = (uint8_t)(counter >> 16);
    out[3] = (uint8_t)(counter >> 24);
    memcpy(out.data() + 4, seq, SEQ);
    // The scenario's clock runs from the first block of regular pinging
    // (past the short detection test).
    if (samples > 32) {
      struct timespec ts;
      clock_gettime(CLOCK_MONOTONIC, &ts);
      const double now = ts.tv_sec + ts.tv_nsec * 1e-9;
      if (pingStart < 0) pingStart = now;
      state->seconds = now - pingStart;
      // The bottom under the boat once a second, on the monotonic clock.
      const bool stepped = scenario.stepAfter >= 0 && state->seconds >= scenario.stepAfter;
      if (now - lastBottomLog >= 1.0 || stepped != loggedStep) {
        lastBottomLog = now;
        loggedStep = stepped;
        vLog("bottom %.3f %.2f m", now, stepped ? scenario.stepDepth : SYNTH_dDepthAt(scenario, state->pings));
      }
      // The interference burst's edges, on the same clock.
      const bool burst = scenario.burstAfter >= 0 && state->seconds >= scenario.burstAfter &&
                         state->seconds < scenario.burstAfter + scenario.burstSeconds;
      if (burst != loggedBurst) {
        loggedBurst = burst;
        vLog("burst %s %.3f", burst ? "from" : "until", now);
      }
    }
    SYNTH_vFillReceive(scenario, state, seq, noise, samples, out.data() + HEADER);
    vReloadBattery(file, &scenario);
    SYNTH_vReadings(scenario, out.data() + total - TAIL);
    if (g_verbose) vLog("receive %u: %u noise %u samples, %zu bytes", counter, noise, samples, total);
    if (send(fd, out.data(), total, MSG_NOSIGNAL) < 0) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string socketPath;
  const char* root = getenv("TESSIX_HOST_ROOT");
  socketPath = std::string(root != nullptr ? root : "") + "/dev/sonar0";
  SYNTH_SCENARIO scenario;
  SCENARIO_FILE file;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--socket" && i + 1 < argc) {
      socketPath = argv[++i];
    } else if (a == "--scenario" && i + 1 < argc) {
      file.path = argv[i + 1];
      (void)bChanged(&file);
      if (!bLoadScenario(argv[++i], &scenario)) {
        fprintf(stderr, "sonar_standin: cannot read scenario %s\n", argv[i]);
        return 1;
      }
    } else if (a == "--log" && i + 1 < argc) {
      FILE* f = fopen(argv[++i], "a");
      if (f == nullptr) {
        fprintf(stderr, "sonar_standin: cannot write %s\n", argv[i]);
        return 1;
      }
      g_log = f;
    } else if (a == "--verbose") {
      g_verbose = true;
    } else {
      fprintf(stderr, "usage: sonar_standin [--socket PATH] [--scenario FILE] [--log FILE] [--verbose]\n");
      return 1;
    }
  }
  signal(SIGPIPE, SIG_IGN);
  struct sockaddr_un addr;
  memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof addr.sun_path) {
    fprintf(stderr, "sonar_standin: socket path too long\n");
    return 1;
  }
  memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const int server = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  unlink(socketPath.c_str());
  if (server < 0 || bind(server, (struct sockaddr*)&addr, sizeof addr) != 0 || listen(server, 4) != 0) {
    fprintf(stderr, "sonar_standin: cannot listen on %s: %s\n", socketPath.c_str(), strerror(errno));
    return 1;
  }
  const int size = 1 << 20;
  (void)setsockopt(server, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
  vLog("listening on %s (present %d, seed %u, pace %g, battery %u)", socketPath.c_str(), (int)scenario.present,
       scenario.seed, scenario.pace, scenario.battery);
  SYNTH_STATE state(scenario.seed);
  for (;;) {
    const int fd = accept(server, nullptr, nullptr);
    if (fd < 0) {
      if (errno == EINTR) continue;
      return 1;
    }
    (void)setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    vLog("unit connected");
    vServe(fd, scenario, &state, &file);
    close(fd);
    vLog("unit disconnected");
  }
}
