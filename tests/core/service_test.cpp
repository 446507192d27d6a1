// Threading test: two units' service wrappers, each with its own agent on
// a loopback address, register, find each other's services by type and by
// address, read attributes and deregister through real datagrams; the
// texts they build and the refusal of what does not read back.
#include <arpa/inet.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "common/u_service_dir.h"
#include "source/core/u_service.h"
#include "source/platform/platform.h"

namespace {

const unsigned short kPort = (unsigned short)(20000 + (getpid() + 7919) % 20000);
const U32 kA = GSOCKET_u32Address(127, 0, 0, 2);
const U32 kB = GSOCKET_u32Address(127, 0, 0, 3);

std::mutex s_traceMutex;
std::vector<std::string> s_trace;
void Sink(const char* line) {
  std::lock_guard<std::mutex> lock(s_traceMutex);
  s_trace.push_back(line);
}
// The unit's trace lines written while a call runs.
template <typename F>
std::string TraceOf(F&& call) {
  testing::internal::CaptureStdout();
  call();
  return testing::internal::GetCapturedStdout();
}
bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

GMSG_ADDRESS Socket(U32 address, U32 port) {
  GMSG_ADDRESS a;
  GMSG_vMakeSocketAddress(&a, address, port);
  return a;
}
GMSG_ADDRESS Queue(const char* name) {
  GMSG_ADDRESS a{};
  a.MsgAddressType = GMSG_ADDRESS_QUEUE;
  strncpy(a.uAddr.Queue.acName, name, sizeof a.uAddr.Queue.acName);
  return a;
}

std::vector<std::string> Urls(const SERVICE_SEARCH_INFO& s) {
  std::vector<std::string> out;
  for (S32 i = 0; i < s.nCount; i++) out.push_back(s.ServiceInfoArray[i].pcURL);
  return out;
}

TEST(ServiceTexts, BuildersAgainstExamples) {
  const U32 lan = GSOCKET_u32Address(192, 168, 1, 20);
  struct UrlCase {
    const char* service;
    const char* instance;
    U32 port;
    const char* want;  // none: refused
  };
  const UrlCase urls[] = {
      {"gpsStream", "base", 50560, "service:gpsStream.strelmon://192.168.1.20:50560/base"},
      {"gpsStream", nullptr, 50560, "service:gpsStream.strelmon://192.168.1.20:50560/NULL"},
      {"gpsStream", "", 50560, "service:gpsStream.strelmon://192.168.1.20:50560/NULL"},
      {"sonarShare", "port", 0, "service:sonarShare.strelmon://192.168.1.20:0/port"},
      {"gpsStream", "a)(instance=*", 1, nullptr},
      {"gps.Stream", "base", 1, nullptr},
      {"", "base", 1, nullptr},
      {nullptr, "base", 1, nullptr},
  };
  for (const UrlCase& c : urls) {
    std::string out;
    const BOOLEAN ok = SERVICE_bBuildURL(c.service, c.instance, lan, c.port, &out);
    EXPECT_EQ(ok, c.want ? TRUE : FALSE) << (c.service ? c.service : "(none)");
    if (c.want) {
      EXPECT_EQ(out, c.want);
    }
  }

  struct AttrCase {
    const char* instance;
    const char* pair;
    const char* value;
    const char* extra;
    const char* want;
  };
  const AttrCase attrs[] = {
      {"base", "port", "50560", nullptr,
       "(service=gpsStream),(instance=base),(address=192.168.1.20),(port=50560),"},
      {nullptr, "queue", "GPSQ", "(model=x),(rate=10)",
       "(service=gpsStream),(instance=NULL),(address=192.168.1.20),(queue=GPSQ),(model=x),(rate=10)"},
  };
  for (const AttrCase& c : attrs) {
    std::string out;
    ASSERT_TRUE(SERVICE_bBuildAttributes("gpsStream", c.instance, lan, c.pair, c.value, c.extra, &out));
    EXPECT_EQ(out, c.want);
  }

  struct FilterCase {
    const char* instance;
    bool address;
    const char* filter;
    const char* want;
  };
  const FilterCase filters[] = {
      {nullptr, false, nullptr, ""},
      {"", false, "", ""},
      {"base", false, nullptr, "(&(instance=base))"},
      {nullptr, true, nullptr, "(&(address=192.168.1.20))"},
      {"base", true, "(model=x)", "(&(instance=base)(address=192.168.1.20)(model=x))"},
      {"", true, "(|(a=1)(b=2))", "(&(address=192.168.1.20)(|(a=1)(b=2)))"},
  };
  for (const FilterCase& c : filters)
    EXPECT_EQ(SERVICE_sBuildFilter(c.instance, c.address ? &lan : nullptr, c.filter), c.want);

  struct SplitCase {
    const char* type;
    const char* want;
  };
  const SplitCase splits[] = {
      {"service:gpsStream.strelmon", "service:gpsStream"},
      {"service:a.b.strelmon", "service:a.b"},
      {"service:plain", nullptr},
  };
  for (const SplitCase& c : splits) {
    std::string out;
    EXPECT_EQ(SERVICE_bSplitServiceType(c.type, &out), c.want ? TRUE : FALSE) << c.type;
    if (c.want) {
      EXPECT_EQ(out, c.want);
    }
  }
}

TEST(ServiceTexts, FoundUrlsReadBackOrAreRefusedWithATraceLine) {
  struct Case {
    const char* url;
    const char* service;   // none: refused
    const char* instance;  // none: no instance
    U32 port;
  };
  const Case cases[] = {
      {"service:gpsStream.strelmon://192.168.1.20:50560/base", "gpsStream", "base", 50560},
      {"service:gpsStream.strelmon://192.168.1.20:50560/NULL", "gpsStream", nullptr, 50560},
      {"service:gpsStream.strelmon://192.168.1.20:50560/null", "gpsStream", nullptr, 50560},
      {"service:sonarShare.strelmon://127.0.0.3:0/port", "sonarShare", "port", 0},
      {"service:gpsStream.strelmon://chartroom.local:50560/base", nullptr, nullptr, 0},
      {"service:gpsStream://192.168.1.20:50560/base", nullptr, nullptr, 0},
      {"service:gpsStream.strelmon://192.168.1.20:50560/a(b", nullptr, nullptr, 0},
      {"service:gpsStream.strelmon://192.168.1.20:99999/base", nullptr, nullptr, 0},
      {"not a url", nullptr, nullptr, 0},
  };
  for (const Case& c : cases) {
    SERVICE_ENTRY e{};
    BOOLEAN queue = FALSE;
    BOOLEAN ok = FALSE;
    const std::string trace = TraceOf([&] { ok = SERVICE_bParseFoundURL(c.url, &e, &queue); });
    EXPECT_EQ(ok, c.service ? TRUE : FALSE) << c.url;
    if (c.service) {
      EXPECT_STREQ(e.pcService, c.service);
      if (c.instance) {
        EXPECT_STREQ(e.pcInstance, c.instance);
      } else {
        EXPECT_EQ(e.pcInstance, nullptr) << c.url;
      }
      EXPECT_EQ(e.MsgAddress.uAddr.Socket.u32Port, c.port);
      EXPECT_EQ(queue, c.port == 0 ? TRUE : FALSE);
    } else {
      EXPECT_TRUE(Has(trace, std::string("SERVICE: refused URL \"") + c.url)) << trace;
    }
    free(e.pcService);
    free(e.pcInstance);
  }
  char* value = nullptr;
  EXPECT_TRUE(SERVICE_bParseAttribute("(service=x),(queue=GPSQ),", "queue", &value));
  EXPECT_STREQ(value, "GPSQ");
  SERVICE_bFreeAttribute(value);
  EXPECT_FALSE(SERVICE_bParseAttribute("(service=x),", "queue", &value));
}

class TwoUnits : public ::testing::Test {
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
    a_ = SERVICE_hOpenServiceHandleAt(kA);
    b_ = SERVICE_hOpenServiceHandleAt(kB);
    ASSERT_NE(a_, nullptr);
    ASSERT_NE(b_, nullptr);
  }
  void TearDown() override {
    SERVICE_vCloseServiceHandle(a_);
    SERVICE_vCloseServiceHandle(b_);
  }
  std::vector<std::string> Find(SLPHandle h, const char* service, SERVICE_SEARCH_SCOPE scope, U32 address = 0,
                                const char* instance = nullptr, const char* filter = nullptr) {
    SERVICE_SEARCH_INFO s{};
    EXPECT_TRUE(SERVICE_bSearch(h, &s, service, instance, address, filter, scope));
    std::vector<std::string> urls = Urls(s);
    SERVICE_bFreeSearchInfo(&s);
    return urls;
  }
  SLPHandle a_ = nullptr;
  SLPHandle b_ = nullptr;
};

TEST_F(TwoUnits, RegisterFindReadAttributesDeregister) {
  const GMSG_ADDRESS gps = Socket(kA, 50560);
  const GMSG_ADDRESS sonarQueue = Queue("SONARQ");
  ASSERT_TRUE(SERVICE_bRegister(a_, "gpsStream", "base", &gps, nullptr));
  ASSERT_TRUE(SERVICE_bRegister(b_, "sonarShare", nullptr, &sonarQueue, "(model=x)"));
  const std::string gpsUrl = "service:gpsStream.strelmon://127.0.0.2:50560/base";
  const std::string sonarUrl = "service:sonarShare.strelmon://127.0.0.3:0/NULL";

  // By type, from every unit; the queue comes back from its attribute.
  SERVICE_SEARCH_INFO s{};
  ASSERT_TRUE(SERVICE_bSearch(a_, &s, "sonarShare", nullptr, 0, nullptr, SERVICE_SEARCH_GLOBAL));
  ASSERT_EQ(s.nCount, 1);
  SERVICE_ENTRY& e = s.ServiceInfoArray[0];
  EXPECT_EQ(std::string(e.pcURL), sonarUrl);
  EXPECT_STREQ(e.pcService, "sonarShare");
  EXPECT_EQ(e.pcInstance, nullptr);
  EXPECT_EQ(e.MsgAddress.MsgAddressType, (U32)GMSG_ADDRESS_QUEUE);
  EXPECT_STREQ(e.MsgAddress.uAddr.Queue.acName, "SONARQ");
  char* attrs = nullptr;
  ASSERT_TRUE(SERVICE_bGetAttributes(a_, &e, "", &attrs));
  for (const char* item : {"(service=sonarShare)", "(instance=NULL)", "(address=127.0.0.3)", "(queue=SONARQ)",
                           "(model=x)"})
    EXPECT_NE(std::string(attrs).find(item), std::string::npos) << attrs << " lacks " << item;
  char* model = nullptr;
  EXPECT_TRUE(SERVICE_bParseAttribute(attrs, "model", &model));
  EXPECT_STREQ(model, "x");
  SERVICE_bFreeAttribute(model);
  SERVICE_bFreeAttribute(attrs);
  SERVICE_bFreeSearchInfo(&s);

  // By address: each unit's agent answers for its own services only.
  ASSERT_TRUE(SERVICE_bSearch(b_, &s, "gpsStream", "base", kA, nullptr, SERVICE_SEARCH_ADDRESS));
  ASSERT_EQ(s.nCount, 1);
  EXPECT_STREQ(s.ServiceInfoArray[0].pcInstance, "base");
  EXPECT_TRUE(GMSG_bAddressEqual(&s.ServiceInfoArray[0].MsgAddress, &gps));
  SERVICE_bFreeSearchInfo(&s);
  EXPECT_EQ(Find(b_, "gpsStream", SERVICE_SEARCH_ADDRESS, kB), std::vector<std::string>{});
  EXPECT_EQ(Find(b_, "gpsStream", SERVICE_SEARCH_ADDRESS, kA, "aux"), std::vector<std::string>{});
  EXPECT_EQ(Find(a_, "gpsStream", SERVICE_SEARCH_LOCAL), std::vector<std::string>{gpsUrl});
  EXPECT_EQ(Find(b_, "gpsStream", SERVICE_SEARCH_LOCAL), std::vector<std::string>{});
  // After a search bound to one unit, a global one asks every unit again.
  EXPECT_EQ(Find(b_, "gpsStream", SERVICE_SEARCH_GLOBAL), std::vector<std::string>{gpsUrl});
  EXPECT_EQ(Find(a_, "sonarShare", SERVICE_SEARCH_GLOBAL, 0, nullptr, "(model=x)"),
            std::vector<std::string>{sonarUrl});
  EXPECT_EQ(Find(a_, "sonarShare", SERVICE_SEARCH_GLOBAL, 0, nullptr, "(model=y)"), std::vector<std::string>{});

  SERVICE_TYPE_INFO types{};
  ASSERT_TRUE(SERVICE_bGetServiceTypeInfo(a_, &types));
  std::vector<std::string> got(types.pcServiceTypes, types.pcServiceTypes + types.nCount);
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{"service:gpsStream", "service:sonarShare"}));
  SERVICE_bFreeServiceTypeInfo(&types);

  // The directory follows what is found.
  auto directoryOfEverything = [&] {
    ServiceDirectoryType* d = U_SERVICE_DIRECTORY_pNew();
    for (const char* service : {"gpsStream", "sonarShare"})
      for (const std::string& url : Find(a_, service, SERVICE_SEARCH_GLOBAL))
        U_SERVICE_DIRECTORY_bAddElement(d, U_UTILS_strdup(url.c_str()));
    return d;
  };
  ServiceDirectoryType* before = directoryOfEverything();
  EXPECT_EQ(U_SERVICE_DIRECTORY_u32GetNumberOfItems(before), 2u);
  ASSERT_TRUE(U_SERVICE_DIRECTORY_bSetGobalServiceDirectory(before));

  EXPECT_TRUE(SERVICE_bUnregister(b_, "sonarShare", nullptr, &sonarQueue));
  EXPECT_EQ(Find(a_, "sonarShare", SERVICE_SEARCH_GLOBAL), std::vector<std::string>{});
  ServiceDirectoryType* after = directoryOfEverything();
  ServiceDirectoryType* global = U_SERVICE_DIRECTORY_pObtainGobalServiceDirectory();
  ASSERT_NE(global, nullptr);
  ServiceDirectoryType* gone = U_SERVICE_DIRECTORY_pcSetDifference(global, after);
  U_SERVICE_DIRECTORY_vReleaseGobalServiceDirectory(global);
  ASSERT_EQ(U_SERVICE_DIRECTORY_u32GetNumberOfItems(gone), 1u);
  EXPECT_EQ(std::string(U_SERVICE_DIRECTORY_u32GetItem(gone, 0)), sonarUrl);
  EXPECT_TRUE(U_SERVICE_DIRECTORY_pcContainsItem(after, gpsUrl.c_str()));
  U_SERVICE_DIRECTORY_bSetGobalServiceDirectory(after);
  U_SERVICE_DIRECTORY_vFree(gone);

  EXPECT_TRUE(SERVICE_bUnregister(a_, "gpsStream", "base", &gps));
  EXPECT_EQ(Find(b_, "gpsStream", SERVICE_SEARCH_GLOBAL), std::vector<std::string>{});
  U_SERVICE_DIRECTORY_bSetGobalServiceDirectory(nullptr);
}

TEST_F(TwoUnits, UnsafeNamesAndFaultyPeersAreRefused) {
  const GMSG_ADDRESS gps = Socket(kA, 50561);
  const GMSG_ADDRESS longQueue = [] {
    GMSG_ADDRESS q{};
    q.MsgAddressType = GMSG_ADDRESS_QUEUE;
    memset(q.uAddr.Queue.acName, 'Q', sizeof q.uAddr.Queue.acName);  // no terminator
    return q;
  }();
  EXPECT_FALSE(SERVICE_bRegister(a_, "gpsStream", "x)(instance=*", &gps, nullptr));
  EXPECT_FALSE(SERVICE_bRegister(a_, "gpsStream", nullptr, &longQueue, nullptr));
  SERVICE_SEARCH_INFO s{};
  EXPECT_FALSE(SERVICE_bSearch(a_, &s, "gpsStream", "*", 0, nullptr, SERVICE_SEARCH_GLOBAL));
  EXPECT_FALSE(SERVICE_bSearch(a_, &s, nullptr, nullptr, 0, nullptr, SERVICE_SEARCH_GLOBAL));
  EXPECT_FALSE(SERVICE_bSearch(a_, &s, "gpsStream", nullptr, 0, nullptr, (SERVICE_SEARCH_SCOPE)7));

  // A faulty unit registers what does not read back; its entries are
  // dropped with a trace line and the good unit's service is still found.
  ASSERT_TRUE(SERVICE_bRegister(a_, "gpsStream", "good", &gps, nullptr));
  SLPError reported = SLP_OK;
  const char* badHost = "service:gpsStream.strelmon://chartroom:50560/bad";
  const char* badQueue = "service:gpsStream.strelmon://127.0.0.3:0/q";
  ASSERT_EQ(SLPReg(b_, badHost, 60, nullptr, "(service=gpsStream)", SLP_TRUE, SERVICE_vRegCallback, &reported),
            SLP_OK);
  ASSERT_EQ(SLPReg(b_, badQueue, 60, nullptr, "(queue=AVERYLONGQUEUENAME)", SLP_TRUE, SERVICE_vRegCallback,
                   &reported),
            SLP_OK);
  std::vector<std::string> found;
  const std::string trace = TraceOf([&] { found = Find(a_, "gpsStream", SERVICE_SEARCH_GLOBAL); });
  EXPECT_EQ(found, std::vector<std::string>{"service:gpsStream.strelmon://127.0.0.2:50561/good"});
  EXPECT_TRUE(Has(trace, std::string("SERVICE: refused URL \"") + badHost)) << trace;
  EXPECT_TRUE(Has(trace, std::string("SERVICE: refused queue service \"") + badQueue)) << trace;
  SLPDereg(b_, badHost, SERVICE_vRegCallback, &reported);
  SLPDereg(b_, badQueue, SERVICE_vRegCallback, &reported);
  EXPECT_TRUE(SERVICE_bUnregister(a_, "gpsStream", "good", &gps));
}

}  // namespace
