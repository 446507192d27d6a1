// Network message layer. Round trips: a second unit at 127.0.0.2 sends a
// request over loopback and waits for its reply, which the registered task
// answers through the real message-layer and socket tasks; the baseline is a
// plain TCP echo thread on loopback moving the same bytes each way.
// Typed serialisation: encoding and decoding a typical position record
// against a memcpy of the same number of bytes.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "common/g_datatype.h"
#include "common/g_msg.h"
#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/t_gmsg.h"

namespace {

const U32 LOCAL = GSOCKET_u32Address(127, 0, 0, 1);
const U32 PEER = GSOCKET_u32Address(127, 0, 0, 2);
const U16 PORT_UNIT = (U16)(30000 + getpid() % 15000);
const U16 PORT_PEER = (U16)(PORT_UNIT + 1);
const U16 PORT_ECHO = (U16)(PORT_UNIT + 2);

// ---------------------------------------------------------------- a typical typed body
struct PositionRecord {
  U32 u32Time;
  F32 fLatitude;
  F32 fLongitude;
  F32 fSpeed;
  F32 fHeading;
  F32 fDepth;
  U32 u32Flags;
  char* pcName;
  C_BUFFER Extra;
};
const G_DATA_TYPE* const s_positionMembers[] = {&DT_DATETIME, &DT_LATITUDE, &DT_LONGITUDE, &DT_SPEED, &DT_HEADING,
                                                &DT_DEPTH,    &DT_UNSIGNED32, &DT_PTR_TO_STRING, &DT_BUFFER, nullptr};
const G_DATA_TYPE DT_POSITION_RECORD = G_DATA_TYPE_STANDARD("DT_POSITION_RECORD", G_DF_STRUCT, G_DU_NONE, 1,
                                                            (S32)sizeof(PositionRecord), 0, s_positionMembers);

struct Sample {
  char name[16] = "WAYPOINT 17";
  U8 extra[64];
  PositionRecord record;
  Sample() {
    for (int i = 0; i < 64; ++i) extra[i] = (U8)i;
    record = PositionRecord{1700000000u, 0.9f, -1.2f, 3.5f, 271.0f, 12.5f, 5, name, C_BUFFER{64, extra}};
  }
};

S32 Encode(const PositionRecord* r, U8* out, S32 room) {
  U8* p = out;
  S32 count = 0;
  return DT_POSITION_RECORD.pfSerialize(r, &p, &room, &count, &DT_POSITION_RECORD);
}

void BM_Serialise_Encode(benchmark::State& state) {
  Sample s;
  U8 wire[512];
  S32 n = 0;
  for (auto _ : state) {
    n = Encode(&s.record, wire, sizeof wire);
    benchmark::DoNotOptimize(wire);
  }
  if (n <= 0) state.SkipWithError("encode failed");
  state.SetBytesProcessed(state.iterations() * n);
  state.counters["wire_bytes"] = n;
}
BENCHMARK(BM_Serialise_Encode);

void BM_Serialise_Decode(benchmark::State& state) {
  Sample s;
  U8 wire[512];
  const S32 n = Encode(&s.record, wire, sizeof wire);
  for (auto _ : state) {
    void* back = nullptr;
    S32 room = n, count = 0;
    if (DT_POSITION_RECORD.pfDeserialize(&back, wire, &room, &count, &DT_POSITION_RECORD) != n) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(back);
    DT_POSITION_RECORD.pfDeallocate(back, TRUE, &DT_POSITION_RECORD);
  }
  state.SetBytesProcessed(state.iterations() * n);
}
BENCHMARK(BM_Serialise_Decode);

// Baseline: copying the same number of bytes as the encoded record.
void BM_Serialise_Baseline_Memcpy(benchmark::State& state) {
  Sample s;
  U8 wire[512], copy[512];
  const S32 n = Encode(&s.record, wire, sizeof wire);
  for (auto _ : state) {
    benchmark::DoNotOptimize(wire);
    memcpy(copy, wire, (size_t)n);
    benchmark::DoNotOptimize(copy);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}
BENCHMARK(BM_Serialise_Baseline_Memcpy);

// ---------------------------------------------------------------- round trips
bool WriteAll(int fd, const U8* p, size_t n) {
  while (n > 0) {
    const ssize_t w = write(fd, p, n);
    if (w <= 0) return false;
    p += w;
    n -= (size_t)w;
  }
  return true;
}
bool ReadAll(int fd, U8* p, size_t n) {
  while (n > 0) {
    const ssize_t r = read(fd, p, n);
    if (r <= 0) return false;
    p += r;
    n -= (size_t)r;
  }
  return true;
}
// Reads one framed message (header, then the body its size names).
bool ReadMessage(int fd, std::vector<U8>* buf, GMSG_HEADER* h) {
  buf->resize(GMSG_HEADER_SIZE);
  if (!ReadAll(fd, buf->data(), GMSG_HEADER_SIZE)) return false;
  GMSG_vDecodeHeader(buf->data(), h);
  buf->resize(GMSG_HEADER_SIZE + h->u32MsgSize);
  return ReadAll(fd, buf->data() + GMSG_HEADER_SIZE, h->u32MsgSize);
}

int ConnectFrom(U32 from, U32 to, U16 port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = from;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  a.sin_addr.s_addr = to;
  a.sin_port = htons(port);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

// The request both round trips carry: a position record as a request.
std::vector<U8> RequestBytes() {
  Sample s;
  GMSG_ADDRESS from, to;
  GMSG_vMakeSocketAddress(&from, PEER, PORT_PEER);
  GMSG_vMakeSocketAddress(&to, LOCAL, PORT_UNIT);
  GMSG_INFO info;
  if (!GMSG_bCompose(&info, &from, &to, GMSG_ID_TEST_PING, &DT_POSITION_RECORD, &s.record, 1, 0, GMSG_FLAG_REQUEST,
                     FALSE, 0)) {
    return {};
  }
  std::vector<U8> bytes(info.pu8Block, info.pu8Block + GMSG_HEADER_SIZE + info.Header.u32MsgSize);
  GMSG_bFree(&info);
  return bytes;
}

// The registered task answers every request with the record it received.
BOOLEAN bAnswer(MBOX mbox, GMSG_INFO* info, void*, void*) {
  return U_GMSG_bReply(mbox, info, GMSG_ID_TEST_PONG, &DT_POSITION_RECORD, info->pStructMsg);
}
const GMSG_MAP_INFO s_map[] = {{GMSG_ID_TEST_PING, &bAnswer, &DT_POSITION_RECORD, nullptr, nullptr},
                               {0, nullptr, nullptr, nullptr, nullptr}};

struct Unit {
  bool ok = false;
  Unit() {
    char dir[] = "/tmp/tessix-gmsgbench-XXXXXX";
    if (mkdtemp(dir) != nullptr) {
      setenv("TESSIX_CWD", (std::string(dir) + "/tessix").c_str(), 1);
      setenv("TESSIX_HOST_ROOT", (std::string(dir) + "/root").c_str(), 1);
    }
    setenv("TESSIX_UNIT_ADDRESS", "127.0.0.1", 1);
    opt_nolog = 1;
    CORE_vInstall();
    H_DATABASE_vInit();
    L_TASK_Start(TASK_GMSGTASK);
    L_TASK_Start(TASK_GMSGSOCKETTASK);
    ok = U_GMSG_bRegisterMailbox(M_GMSG_TEST, RES_GMSG_TEST, SEMA_GMSG_TEST, s_map, PORT_UNIT);
    std::thread([] {
      for (;;) {
        void* m = L_MBOX_ReceiveWaitTicks(M_GMSG_TEST, 20);
        if (m == nullptr) continue;
        if (static_cast<GENERIC_MESSAGE*>(m)->Cmd == CMD_ID_GMSG_RECEIVE) {
          U_GMSG_bHandleReceive(static_cast<MSG_GMSG_RECEIVE*>(m));
        }
        H_MEMORY_vDumpMail(m);
      }
    }).detach();
  }
};

void BM_RoundTrip_MessageLayer(benchmark::State& state) {
  static Unit unit;
  const std::vector<U8> request = RequestBytes();
  const int fd = unit.ok ? ConnectFrom(PEER, LOCAL, PORT_UNIT) : -1;
  if (fd < 0 || request.empty()) {
    state.SkipWithError("message layer not reachable");
    return;
  }
  std::vector<U8> reply;
  GMSG_HEADER h;
  for (auto _ : state) {
    if (!WriteAll(fd, request.data(), request.size()) || !ReadMessage(fd, &reply, &h) ||
        h.u32MsgId != GMSG_ID_TEST_PONG) {
      state.SkipWithError("round trip failed");
      break;
    }
  }
  close(fd);
  state.counters["round_trips_per_s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RoundTrip_MessageLayer)->UseRealTime();

// Baseline: a thread that echoes every framed message straight back.
void BM_RoundTrip_Baseline_TcpEcho(benchmark::State& state) {
  const std::vector<U8> request = RequestBytes();
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  const int one = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = LOCAL;
  a.sin_port = htons(PORT_ECHO);
  if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 1) != 0) {
    close(listener);
    state.SkipWithError("echo port busy");
    return;
  }
  std::thread echo([listener] {
    const int c = accept(listener, nullptr, nullptr);
    const int yes = 1;
    setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    std::vector<U8> buf;
    GMSG_HEADER h;
    while (ReadMessage(c, &buf, &h) && WriteAll(c, buf.data(), buf.size())) {
    }
    close(c);
  });
  const int fd = ConnectFrom(PEER, LOCAL, PORT_ECHO);
  if (fd < 0) shutdown(listener, SHUT_RDWR);  // lets the echo thread's accept return
  std::vector<U8> reply;
  GMSG_HEADER h;
  for (auto _ : state) {
    if (fd < 0 || !WriteAll(fd, request.data(), request.size()) || !ReadMessage(fd, &reply, &h)) {
      state.SkipWithError("echo failed");
      break;
    }
  }
  if (fd >= 0) close(fd);
  echo.join();
  close(listener);
  state.counters["round_trips_per_s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RoundTrip_Baseline_TcpEcho)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
