// Threading test: agents of one process on separate loopback addresses act
// as separate units; they find, list, fetch the attributes of and deregister
// each other's services through real datagrams. The group is the loopback
// broadcast address, so nothing leaves the machine.
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "slp/slp.h"
#include "slp/slp_wire.h"
#include "source/platform/platform.h"

namespace {

const unsigned short kPort = (unsigned short)(20000 + getpid() % 20000);
const char* const kA = "127.0.0.2";
const char* const kB = "127.0.0.3";

std::mutex s_traceMutex;
std::vector<std::string> s_trace;
void Sink(const char* line) {
  std::lock_guard<std::mutex> lock(s_traceMutex);
  s_trace.push_back(line);
}
std::vector<std::string> Trace() {
  std::lock_guard<std::mutex> lock(s_traceMutex);
  return s_trace;
}

void RegReport(SLPHandle, SLPError err, void* cookie) { *(SLPError*)cookie = err; }

SLPBoolean CollectUrls(SLPHandle, const char* url, unsigned short, SLPError err, void* cookie) {
  auto* out = (std::vector<std::string>*)cookie;
  if (err == SLP_OK && url) out->push_back(url);
  if (err != SLP_OK && err != SLP_LAST_CALL) out->push_back("error " + std::to_string(err));
  return SLP_TRUE;
}

SLPBoolean CollectText(SLPHandle, const char* text, SLPError err, void* cookie) {
  auto* out = (std::vector<std::string>*)cookie;
  if (err == SLP_OK && text) out->push_back(text);
  return SLP_TRUE;
}

class SlpAgents : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PLATFORM_vSetTraceSink(Sink);
    ASSERT_EQ(SLPXConfigure(kPort, "127.255.255.255", 100), SLP_OK);
  }
  static void TearDownTestSuite() {
    SLPXShutdown();
    PLATFORM_vSetTraceSink(nullptr);
  }
  void SetUp() override {
    ASSERT_EQ(SLPXOpenAt("en", kA, &a_), SLP_OK);
    ASSERT_EQ(SLPXOpenAt("en", kB, &b_), SLP_OK);
  }
  void TearDown() override {
    SLPClose(a_);
    SLPClose(b_);
  }

  SLPError Reg(SLPHandle h, const std::string& url, const std::string& attrs, unsigned short life = 65535,
               SLPBoolean fresh = SLP_TRUE) {
    SLPError reported = SLP_INTERNAL_SYSTEM_ERROR;
    SLPError err = SLPReg(h, url.c_str(), life, nullptr, attrs.c_str(), fresh, RegReport, &reported);
    EXPECT_EQ(err, reported);
    return err;
  }
  SLPError Dereg(SLPHandle h, const std::string& url) {
    SLPError reported = SLP_INTERNAL_SYSTEM_ERROR;
    SLPError err = SLPDereg(h, url.c_str(), RegReport, &reported);
    EXPECT_EQ(err, reported);
    return err;
  }
  std::vector<std::string> Find(SLPHandle h, const char* type, const char* filter = "") {
    std::vector<std::string> urls;
    EXPECT_EQ(SLPFindSrvs(h, type, "", filter, CollectUrls, &urls), SLP_OK);
    std::sort(urls.begin(), urls.end());
    return urls;
  }

  SLPHandle a_ = nullptr;
  SLPHandle b_ = nullptr;
};

const std::string kGpsUrl = "service:gpsStream.strelmon://127.0.0.2:50560/base";
const std::string kGpsAttrs = "(service=gpsStream),(instance=base),(address=127.0.0.2),(port=50560),";
const std::string kSonarUrl = "service:sonarShare.strelmon://127.0.0.3:0/NULL";
const std::string kSonarAttrs = "(service=sonarShare),(instance=NULL),(address=127.0.0.3),(queue=SONARQ),";

TEST_F(SlpAgents, FindListFetchAndDeregisterEachOthersServices) {
  ASSERT_EQ(Reg(a_, kGpsUrl, kGpsAttrs), SLP_OK);
  ASSERT_EQ(Reg(b_, kSonarUrl, kSonarAttrs), SLP_OK);

  // Each finds the other's service.
  EXPECT_EQ(Find(b_, "service:gpsStream.strelmon"), std::vector<std::string>{kGpsUrl});
  EXPECT_EQ(Find(a_, "service:sonarShare.strelmon"), std::vector<std::string>{kSonarUrl});

  // Filters select by attribute.
  struct {
    const char* filter;
    bool found;
  } filters[] = {
      {"(&(instance=base)(address=127.0.0.2))", true},
      {"(instance=BASE)", true},
      {"(port>=50000)", true},
      {"(port<=50000)", false},
      {"(&(instance=base)(address=127.0.0.9))", false},
      {"(|(instance=x)(service=gps*))", true},
      {"(!(instance=base))", false},
      {"(queue=*)", false},
  };
  for (const auto& f : filters)
    EXPECT_EQ(Find(b_, "service:gpsStream.strelmon", f.filter).size(), f.found ? 1u : 0u) << f.filter;

  // Service types of the authority, of every authority, of none (IANA).
  std::vector<std::string> types;
  ASSERT_EQ(SLPFindSrvTypes(a_, "strelmon", "", CollectText, &types), SLP_OK);
  ASSERT_EQ(types.size(), 1u);
  EXPECT_NE(types[0].find("service:gpsStream.strelmon"), std::string::npos);
  EXPECT_NE(types[0].find("service:sonarShare.strelmon"), std::string::npos);
  types.clear();
  ASSERT_EQ(SLPFindSrvTypes(b_, "*", "", CollectText, &types), SLP_OK);
  EXPECT_EQ(types.size(), 1u);
  types.clear();
  ASSERT_EQ(SLPFindSrvTypes(b_, "", "", CollectText, &types), SLP_OK);
  EXPECT_TRUE(types.empty());

  // Attributes of the other's URL: all, and selected tags.
  std::vector<std::string> attrs;
  ASSERT_EQ(SLPFindAttrs(a_, kSonarUrl.c_str(), "", "", CollectText, &attrs), SLP_OK);
  ASSERT_EQ(attrs.size(), 1u);
  char* queue = nullptr;
  ASSERT_EQ(SLPParseAttrs(attrs[0].c_str(), "queue", &queue), SLP_OK);
  EXPECT_STREQ(queue, "SONARQ");
  SLPFree(queue);
  attrs.clear();
  ASSERT_EQ(SLPFindAttrs(b_, kGpsUrl.c_str(), "", "port,inst*", CollectText, &attrs), SLP_OK);
  EXPECT_EQ(attrs, std::vector<std::string>{"(instance=base),(port=50560)"});

  // Deregistered services are no longer found by the other.
  ASSERT_EQ(Dereg(a_, kGpsUrl), SLP_OK);
  ASSERT_EQ(Dereg(b_, kSonarUrl), SLP_OK);
  EXPECT_TRUE(Find(b_, "service:gpsStream.strelmon").empty());
  EXPECT_TRUE(Find(a_, "service:sonarShare.strelmon").empty());
  EXPECT_EQ(Dereg(a_, kGpsUrl), SLP_INVALID_REGISTRATION);
}

TEST_F(SlpAgents, SearchesConvergeOverEveryAgentAndUnicastAsksOne) {
  const std::string ua = "service:temp.strelmon://127.0.0.2:1/NULL";
  const std::string ub = "service:temp.strelmon://127.0.0.3:1/NULL";
  ASSERT_EQ(Reg(a_, ua, "(service=temp)"), SLP_OK);
  ASSERT_EQ(Reg(b_, ub, "(service=temp)"), SLP_OK);
  // The group reaches both agents, the asker's own included.
  EXPECT_EQ(Find(a_, "service:temp.strelmon"), (std::vector<std::string>{ua, ub}));
  // An abstract type without the prefix finds the same.
  EXPECT_EQ(Find(b_, "temp.strelmon"), (std::vector<std::string>{ua, ub}));
  // Associated with one agent, requests go to it alone.
  ASSERT_EQ(SLPAssociateIP(a_, kB), SLP_OK);
  EXPECT_EQ(Find(a_, "service:temp.strelmon"), std::vector<std::string>{ub});
  // Unicast errors come back: a scope the agent does not serve.
  std::vector<std::string> urls;
  EXPECT_EQ(SLPFindSrvs(a_, "service:temp.strelmon", "OTHER", "", CollectUrls, &urls), SLP_SCOPE_NOT_SUPPORTED);
  EXPECT_EQ(urls, std::vector<std::string>{"error -4"});
  urls.clear();
  EXPECT_EQ(SLPFindSrvs(a_, "service:temp.strelmon", "", "(broken", CollectUrls, &urls), SLP_PARSE_ERROR);
  // Nobody at the associated address: time-out.
  ASSERT_EQ(SLPAssociateIP(a_, "127.0.0.9"), SLP_OK);
  urls.clear();
  EXPECT_EQ(SLPFindSrvs(a_, "service:temp.strelmon", "", "", CollectUrls, &urls), SLP_NETWORK_TIMED_OUT);
  EXPECT_EQ(Dereg(a_, ua), SLP_OK);
  EXPECT_EQ(Dereg(b_, ub), SLP_OK);
}

TEST_F(SlpAgents, UpdatesLifetimesAndBadRegistrations) {
  const std::string url = "service:depth.strelmon://127.0.0.2:7/x";
  // An update needs an existing registration, then adds to its attributes.
  EXPECT_EQ(Reg(a_, url, "(a=1)", 65535, SLP_FALSE), SLP_INVALID_UPDATE);
  ASSERT_EQ(Reg(a_, url, "(a=1),(b=2)"), SLP_OK);
  ASSERT_EQ(Reg(a_, url, "(b=3),(c=4)", 65535, SLP_FALSE), SLP_OK);
  std::vector<std::string> attrs;
  ASSERT_EQ(SLPFindAttrs(b_, url.c_str(), "", "", CollectText, &attrs), SLP_OK);
  EXPECT_EQ(attrs, std::vector<std::string>{"(a=1),(b=3),(c=4)"});
  // A fresh registration replaces the attributes.
  ASSERT_EQ(Reg(a_, url, "(d=5)"), SLP_OK);
  attrs.clear();
  ASSERT_EQ(SLPFindAttrs(b_, "service:depth.strelmon", "", "", CollectText, &attrs), SLP_OK);
  EXPECT_EQ(attrs, std::vector<std::string>{"(d=5)"});
  EXPECT_EQ(Dereg(a_, url), SLP_OK);

  // Registrations the agent refuses.
  EXPECT_EQ(Reg(a_, "no-scheme", ""), SLP_INVALID_REGISTRATION);
  EXPECT_EQ(Reg(a_, url, "(unbalanced"), SLP_INVALID_REGISTRATION);
  EXPECT_EQ(SLPReg(a_, url.c_str(), 0, nullptr, "", SLP_TRUE, RegReport, nullptr), SLP_PARAMETER_BAD);

  // A lifetime of one second runs out.
  ASSERT_EQ(Reg(a_, url, "", 1), SLP_OK);
  EXPECT_EQ(Find(b_, "service:depth.strelmon").size(), 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  EXPECT_TRUE(Find(b_, "service:depth.strelmon").empty());
}

SLPBoolean Reenter(SLPHandle h, const char*, unsigned short, SLPError err, void* cookie) {
  if (err == SLP_OK) {
    std::vector<std::string> inner;
    *(SLPError*)cookie = SLPFindSrvs(h, "service:x", "", "", CollectUrls, &inner);
  }
  return SLP_FALSE;  // stops after the first URL: no last call follows
}

TEST_F(SlpAgents, ACallbackCannotReuseItsBusyHandle) {
  const std::string url = "service:busy.strelmon://127.0.0.3:1/a";
  ASSERT_EQ(Reg(b_, url, ""), SLP_OK);
  SLPError inner = SLP_OK;
  EXPECT_EQ(SLPFindSrvs(a_, "service:busy.strelmon", "", "", Reenter, &inner), SLP_OK);
  EXPECT_EQ(inner, SLP_HANDLE_IN_USE);
  EXPECT_EQ(Dereg(b_, url), SLP_OK);
}

TEST_F(SlpAgents, MalformedDatagramsAreDroppedWithATraceLineAndTheAgentGoesOn) {
  const std::string url = "service:alive.strelmon://127.0.0.2:1/a";
  ASSERT_EQ(Reg(a_, url, "(k=v)"), SLP_OK);
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(kPort);
  inet_pton(AF_INET, kA, &to.sin_addr);
  slp::Message rq;
  rq.function = slp::kSrvRqst;
  rq.xid = 77;
  rq.serviceType = "service:alive.strelmon";
  rq.scopes = "DEFAULT";
  std::vector<uint8_t> good = slp::Encode(rq);
  std::vector<std::vector<uint8_t>> bad = {
      {},
      {0x02, 0x01},
      {0x01, 0x01, 0x00, 0x00, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  std::vector<uint8_t> longer = good;
  longer[4] += 1;  // length one past the end
  bad.push_back(longer);
  std::vector<uint8_t> shorter = good;
  shorter[4] -= 1;  // length one short
  bad.push_back(shorter);
  std::vector<uint8_t> typePastEnd = good;
  typePastEnd[19] = 0xF0;  // service type length past the end
  bad.push_back(typePastEnd);
  const size_t before = Trace().size();
  for (const auto& b : bad) ASSERT_EQ(sendto(fd, b.data(), b.size(), 0, (sockaddr*)&to, sizeof to), (ssize_t)b.size());

  // The well-formed request that follows is still answered.
  ASSERT_EQ(sendto(fd, good.data(), good.size(), 0, (sockaddr*)&to, sizeof to), (ssize_t)good.size());
  uint8_t buf[1500];
  timeval tv{2, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  ssize_t got = recv(fd, buf, sizeof buf, 0);
  ASSERT_GT(got, 0);
  close(fd);
  slp::Message reply;
  std::string why;
  ASSERT_TRUE(slp::Decode(buf, (size_t)got, reply, &why)) << why;
  EXPECT_EQ(reply.function, slp::kSrvRply);
  EXPECT_EQ(reply.xid, 77);
  ASSERT_EQ(reply.urls.size(), 1u);
  EXPECT_EQ(reply.urls[0].url, url);

  std::vector<std::string> lines = Trace();
  size_t dropped = 0;
  for (size_t i = before; i < lines.size(); ++i)
    if (lines[i].find("SLP agent 127.0.0.2") != std::string::npos && lines[i].find("dropped") != std::string::npos)
      ++dropped;
  EXPECT_EQ(dropped, bad.size());
  EXPECT_EQ(Dereg(a_, url), SLP_OK);
}

TEST(SlpAnyAddress, TheDefaultAgentRegistersThroughLoopbackAndAnswersTheGroup) {
  // A port of its own: the agent of every address cannot share the port
  // with the agents bound to single addresses.
  ASSERT_EQ(SLPXConfigure((unsigned short)(kPort + 1), "127.255.255.255", 100), SLP_OK);
  SLPHandle h = nullptr;
  ASSERT_EQ(SLPOpen("en", SLP_FALSE, &h), SLP_OK);
  SLPError reported;
  const char* url = "service:nmea.strelmon://127.0.0.1:2000/NULL";
  ASSERT_EQ(SLPReg(h, url, SLP_LIFETIME_MAXIMUM, "", "(service=nmea)", SLP_TRUE, RegReport, &reported), SLP_OK);
  std::vector<std::string> urls;
  ASSERT_EQ(SLPFindSrvs(h, "service:nmea.strelmon", nullptr, nullptr, CollectUrls, &urls), SLP_OK);
  EXPECT_EQ(urls, std::vector<std::string>{url});
  // A handle opened in another language does not see it.
  SLPHandle de = nullptr;
  ASSERT_EQ(SLPOpen("de", SLP_FALSE, &de), SLP_OK);
  urls.clear();
  ASSERT_EQ(SLPFindSrvs(de, "service:nmea.strelmon", nullptr, nullptr, CollectUrls, &urls), SLP_OK);
  EXPECT_TRUE(urls.empty());
  SLPClose(de);
  // The registration outlives the handle.
  SLPClose(h);
  ASSERT_EQ(SLPOpen("en", SLP_FALSE, &h), SLP_OK);
  urls.clear();
  ASSERT_EQ(SLPFindSrvs(h, "service:nmea.strelmon", nullptr, nullptr, CollectUrls, &urls), SLP_OK);
  EXPECT_EQ(urls.size(), 1u);
  ASSERT_EQ(SLPDereg(h, url, RegReport, &reported), SLP_OK);
  EXPECT_EQ(SLPOpen("en", SLP_TRUE, &de), SLP_NOT_IMPLEMENTED);
  SLPClose(h);
  ASSERT_EQ(SLPXConfigure(kPort, nullptr, 0), SLP_OK);
}

}  // namespace
