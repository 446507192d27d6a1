// The factory test's sonar ping: one transmit sequence of 40 cycles at high
// power on the coprocessor beam, read back through the sonar device and
// split into the receive channel's noise and signal samples.
#include "source/sonar/s_testping.h"

#include <string.h>

#include <mutex>

#include "lsvc/lsvc.h"
#include "source/core/h_hwstubs.h"
#include "source/sonar/h_coproc.h"
#include "source/sonar/s_coproc.h"
#include "source/sonar/s_demultiplex.h"

namespace {

constexpr U8 TEST_CYCLES = 40;
constexpr U32 TEST_SAMPLE_US = 26;
// Reads allowed for the echo of the test block: the ping task may have
// read one of its own sequences in between.
constexpr int TEST_READS = 4;

std::mutex s_lock;  // one test ping at a time; guards the buffer
U8* s_pu8Block = nullptr;

}  // namespace

BOOLEAN S_TESTPING_bTestPing(U8 u8CoprocBeam, U8 u8Channel, U16 u16FrequencykHz, U8 u8Receiver, U8 u8Bandwidth,
                             U16* pu16Signal, U16* pu16Noise, U32* pu32SampleUs) {
  if (u8Channel > 2) {
    log_me("test ping: receive channel %u out of range", (unsigned)u8Channel);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(s_lock);
  H_COPROC_vInitialize();
  if (s_pu8Block == nullptr) s_pu8Block = (U8*)H_MMU_pu32AllocateNonCachedArea(COPROC_RECEIVE_BLOCK_BYTES);
  if (s_pu8Block == nullptr) return FALSE;
  U8* block = s_pu8Block;
  memset(block, 0, COPROC_RECEIVE_BLOCK_BYTES);
  S_COPROC_vBuildTxSequenceForDISonarTest(block, TEST_CYCLES, TXPOWER_HI, u8Bandwidth, TEST_PING_SIGNAL_SAMPLES,
                                          u16FrequencykHz, u8Receiver, FALSE, u8CoprocBeam == 3 ? 4 : 1);
  TX_SEQUENCE sent;
  S_COPROC_vGetSequence(block, 0, &sent);
  if (H_COPROC_u32Transfer(block, MULTI_TX_BYTES, SEND_TO_COPROC) == COPROC_TRANSFER_FAILED) {
    log_me("test ping: the coprocessor took no command block");
    return FALSE;
  }
  for (int read = 0; read < TEST_READS; ++read) {
    const U32 got = H_COPROC_u32Transfer(block, COPROC_RECEIVE_BLOCK_BYTES, RECEIVE_FROM_COPROC);
    if (got == COPROC_TRANSFER_FAILED || got < COPROC_RECEIVE_HEADER_BYTES) {
      log_me("test ping: no receive block");
      return FALSE;
    }
    TX_SEQUENCE echoed;
    const U8* data = nullptr;
    (void)S_DEMULTIPLEX_bExtractTxSequence(block, &echoed, &data);
    if (echoed.TxPulse[0].u16TxFreq != sent.TxPulse[0].u16TxFreq ||
        echoed.TxPulse[0].u8TxCycles != sent.TxPulse[0].u8TxCycles ||
        echoed.TxPulse[0].u8TxOutput != sent.TxPulse[0].u8TxOutput || echoed.u16Samples != sent.u16Samples ||
        echoed.bRxEnable != sent.bRxEnable) {
      continue;  // another sequence's block
    }
    // Never past what arrived: the channels interleave three bytes a sample.
    const U32 room = (got - COPROC_RECEIVE_HEADER_BYTES) / 3;
    U32 noise = echoed.u16NoiseSamples < TEST_PING_NOISE_SAMPLES ? echoed.u16NoiseSamples : TEST_PING_NOISE_SAMPLES;
    if (noise > room) noise = room;
    U32 samples = TEST_PING_SIGNAL_SAMPLES;
    if (noise + samples > room) samples = room - noise;
    U8 au8Noise[TEST_PING_NOISE_SAMPLES] = {};
    static U8 s_au8Signal[TEST_PING_SIGNAL_SAMPLES];
    memset(s_au8Signal, 0, sizeof s_au8Signal);
    S_DEMULTIPLEX_vGetExtractRxData(data, u8Channel, (U16)noise, (U16)samples, au8Noise, s_au8Signal);
    if (pu16Noise != nullptr) {
      for (U32 i = 0; i < TEST_PING_NOISE_SAMPLES; ++i) pu16Noise[i] = au8Noise[i];
    }
    if (pu16Signal != nullptr) {
      for (U32 i = 0; i < TEST_PING_SIGNAL_SAMPLES; ++i) pu16Signal[i] = s_au8Signal[i];
    }
    if (pu32SampleUs != nullptr) *pu32SampleUs = TEST_SAMPLE_US;
    return TRUE;
  }
  log_me("test ping: the coprocessor did not echo the test block");
  return FALSE;
}
