// Threading test: two agents' exchange captured on the loopback interface
// and read back by an independent protocol dissector, which must decode
// every datagram as service location without a malformed packet. Skipped
// where capturing is not permitted or the tools are not installed.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "slp/slp.h"

namespace {

const unsigned short kPort = (unsigned short)(40000 + getpid() % 20000);

bool Installed(const char* tool) {
  std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return system(cmd.c_str()) == 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string Output(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

void Report(SLPHandle, SLPError, void*) {}
SLPBoolean Urls(SLPHandle, const char* url, unsigned short, SLPError, void* cookie) {
  if (url) ((std::vector<std::string>*)cookie)->push_back(url);
  return SLP_TRUE;
}
SLPBoolean Texts(SLPHandle, const char* text, SLPError, void* cookie) {
  if (text) ((std::vector<std::string>*)cookie)->push_back(text);
  return SLP_TRUE;
}

TEST(SlpCapture, TheDissectorReadsEveryDatagramOfTwoAgentsExchange) {
  if (geteuid() != 0) GTEST_SKIP() << "capturing on the loopback interface needs root";
  if (!Installed("tcpdump") || !Installed("tshark")) GTEST_SKIP() << "tcpdump or tshark not installed";

  char dir[] = "/tmp/slp_capture_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string pcap = std::string(dir) + "/lo.pcap";
  const std::string log = std::string(dir) + "/tcpdump.log";

  pid_t dump = fork();
  ASSERT_GE(dump, 0);
  if (dump == 0) {
    FILE* err = freopen(log.c_str(), "w", stderr);
    (void)err;
    const std::string filter = "udp port " + std::to_string(kPort);
    execlp("tcpdump", "tcpdump", "-i", "lo", "--immediate-mode", "-U", "-n", "-w", pcap.c_str(), filter.c_str(), (char*)nullptr);
    _exit(127);
  }
  bool listening = false;
  for (int i = 0; i < 100 && !listening; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    listening = ReadFile(log).find("listening on") != std::string::npos;
    int status;
    if (!listening && waitpid(dump, &status, WNOHANG) == dump) {
      GTEST_SKIP() << "capture not permitted here: " << ReadFile(log);
    }
  }
  if (!listening) {
    kill(dump, SIGTERM);
    waitpid(dump, nullptr, 0);
    GTEST_SKIP() << "tcpdump did not start: " << ReadFile(log);
  }

  ASSERT_EQ(SLPXConfigure(kPort, "127.255.255.255", 100), SLP_OK);
  SLPHandle a, b;
  ASSERT_EQ(SLPXOpenAt("en", "127.0.0.4", &a), SLP_OK);
  ASSERT_EQ(SLPXOpenAt("en", "127.0.0.5", &b), SLP_OK);
  const char* url = "service:gpsStream.strelmon://127.0.0.4:50560/base";
  ASSERT_EQ(SLPReg(a, url, 65535, "", "(service=gpsStream),(instance=base),(address=127.0.0.4),(port=50560),",
                   SLP_TRUE, Report, nullptr),
            SLP_OK);
  std::vector<std::string> found, types, attrs;
  ASSERT_EQ(SLPFindSrvs(b, "service:gpsStream.strelmon", "", "(instance=base)", Urls, &found), SLP_OK);
  ASSERT_EQ(SLPFindSrvTypes(b, "strelmon", "", Texts, &types), SLP_OK);
  ASSERT_EQ(SLPFindAttrs(b, url, "", "port", Texts, &attrs), SLP_OK);
  ASSERT_EQ(SLPAssociateIP(b, "127.0.0.4"), SLP_OK);
  ASSERT_EQ(SLPFindSrvs(b, "service:gpsStream.strelmon", "", "", Urls, &found), SLP_OK);
  ASSERT_EQ(SLPDereg(a, url, Report, nullptr), SLP_OK);
  EXPECT_EQ(found.size(), 2u);
  EXPECT_EQ(types.size(), 1u);
  EXPECT_EQ(attrs, std::vector<std::string>{"(port=50560)"});
  SLPClose(a);
  SLPClose(b);
  SLPXShutdown();

  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(dump, SIGINT);
  waitpid(dump, nullptr, 0);

  const std::string decoded =
      Output("tshark -n -r " + pcap + " -d udp.port==" + std::to_string(kPort) + ",srvloc -V 2>&1");
  const std::string summary =
      Output("tshark -n -r " + pcap + " -d udp.port==" + std::to_string(kPort) + ",srvloc 2>/dev/null");
  EXPECT_EQ(decoded.find("Malformed"), std::string::npos) << decoded;
  EXPECT_EQ(decoded.find("[Expert Info (Error"), std::string::npos) << decoded;
  // Every captured datagram is service location, and each kind of message was seen.
  size_t frames = 0, slp = 0;
  std::istringstream lines(summary);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    ++frames;
    if (line.find("SRVLOC") != std::string::npos) ++slp;
  }
  EXPECT_GE(frames, 12u) << summary;
  EXPECT_EQ(slp, frames) << summary;
  for (const char* kind : {"Service Request", "Service Reply", "Service Registration", "Service Acknowledge",
                           "Service Deregister", "Attribute Request", "Attribute Reply", "Service Type Request",
                           "Service Type Reply"})
    EXPECT_NE(decoded.find(kind), std::string::npos) << kind << "\n" << summary;
  if (system(("rm -rf " + std::string(dir)).c_str()) != 0) ADD_FAILURE() << "cannot remove " << dir;
}

}  // namespace
