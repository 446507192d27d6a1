// Shared by the sound tests: an ALSA configuration of the test's own (read
// through ALSA_CONFIG_PATH, set before anything opens ALSA), sound files in
// the host root's sound folder, and a reader of what ALSA's file PCM writes
// into a named pipe. While the reader is held the pipe fills and the sound
// task stays inside its play, so a test can act "while a sound plays".
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/db_test_env.h"

namespace soundtest {

constexpr unsigned SAMPLE_RATE = 21729;

// A canonical 44-byte WAV header followed by the samples.
inline std::vector<unsigned char> Wav(const std::vector<short>& samples, unsigned rate = SAMPLE_RATE,
                                      unsigned channels = 1, unsigned bits = 16) {
  std::vector<unsigned char> out;
  auto put = [&out](unsigned v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back((unsigned char)(v >> (8 * i)));
  };
  const unsigned data = (unsigned)samples.size() * 2;
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put(36 + data, 4);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4);
  put(1, 2);
  put(channels, 2);
  put(rate, 4);
  put(rate * channels * bits / 8, 4);
  put(channels * bits / 8, 2);
  put(bits, 2);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put(data, 4);
  for (short s : samples) put((unsigned short)s, 2);
  return out;
}

// The bytes a sound of n samples of one value plays: the samples, then
// silence up to 10240 bytes.
inline std::vector<unsigned char> Played(short value, size_t n) {
  std::vector<unsigned char> out;
  for (size_t i = 0; i < n; ++i) {
    out.push_back((unsigned char)((unsigned short)value & 0xFF));
    out.push_back((unsigned char)((unsigned short)value >> 8));
  }
  if (out.size() < 10240) out.resize(10240, 0);
  return out;
}

inline std::string SoundFolder() { return dbtest::Install().base + "/root/usr/tessix/sounds"; }

inline void WriteSound(const std::string& name, const std::vector<unsigned char>& bytes) {
  std::filesystem::create_directories(SoundFolder());
  std::ofstream(SoundFolder() + "/" + name + ".wav", std::ios::binary)
      .write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

// Writes the configuration (the text of the PCM and control definitions)
// and points ALSA at it.
inline void ConfigureAlsa(const std::string& text) {
  const std::string path = dbtest::Install().base + "/asound.conf";
  std::ofstream(path) << text;
  setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
}

// The ALSA configuration of a control device "default" that is the mixer-log
// plugin the build makes: every value written to one of its elements is
// appended to the log as a line "<element> <left> <right>".
inline std::string MixerLogConfig(const std::string& log) {
  return "ctl_type.mixerlog { lib \"" TESSIX_MIXER_LOG_PLUGIN "\" }\nctl.default {\n  type mixerlog\n  log \"" + log +
         "\"\n}\n";
}

// The mixer-log plugin's log, as the writes a test compares: one entry
// "<element> <left> <right>" per run of writes to the same element (the
// simple mixer writes a stereo element once per channel), and the state
// the writes leave.
class MixerLog {
 public:
  explicit MixerLog(std::string path) : m_path(std::move(path)) {}
  // The writes since the last call, runs collapsed.
  std::vector<std::string> Writes() {
    std::ifstream in(m_path);
    std::vector<std::string> out;
    std::string line, last;
    size_t n = 0;
    while (std::getline(in, line)) {
      if (n++ < m_lines) continue;
      const std::string element = line.substr(0, line.rfind(' ', line.rfind(' ') - 1));
      if (!out.empty() && out.back().compare(0, element.size() + 1, element + " ") == 0) out.pop_back();
      out.push_back(line);
      m_state[element] = line.substr(element.size() + 1);
    }
    m_lines = n;
    return out;
  }
  // "<left> <right>" last written to the element, empty if never.
  std::string Value(const std::string& element) {
    Writes();
    return m_state.count(element) ? m_state[element] : std::string();
  }

 private:
  std::string m_path;
  size_t m_lines = 0;
  std::map<std::string, std::string> m_state;
};

// Collects what is written into the pipe, unless held.
class PipeReader {
 public:
  explicit PipeReader(const std::string& path) {
    mkfifo(path.c_str(), 0600);
    m_fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    m_thread = std::thread([this] { Run(); });
  }
  ~PipeReader() {
    m_bStop = true;
    m_thread.join();
    close(m_fd);
  }
  void Hold(bool hold) { m_bHeld = hold; }
  // The writer is stuck: the pipe is full.
  bool Full() {
    int n = 0;
    ioctl(m_fd, FIONREAD, &n);
    return n >= fcntl(m_fd, F_GETPIPE_SZ);
  }
  // Everything written has been collected.
  bool Drained() {
    std::lock_guard<std::mutex> lock(m_mutex);
    int n = 0;
    ioctl(m_fd, FIONREAD, &n);
    return n == 0;
  }
  size_t Size() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_data.size();
  }
  std::vector<unsigned char> Take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<unsigned char> out;
    out.swap(m_data);
    return out;
  }

 private:
  void Run() {
    unsigned char chunk[65536];
    while (!m_bStop) {
      if (!m_bHeld) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const ssize_t n = read(m_fd, chunk, sizeof chunk);
        if (n > 0) {
          m_data.insert(m_data.end(), chunk, chunk + n);
          continue;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  int m_fd = -1;
  std::mutex m_mutex;
  std::vector<unsigned char> m_data;
  std::atomic<bool> m_bHeld{false};
  std::atomic<bool> m_bStop{false};
  std::thread m_thread;
};

}  // namespace soundtest
