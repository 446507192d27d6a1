// Command blocks byte by byte, the receive-block split and the transmit
// cycles.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "../support/db_test_env.h"
#include "source/core/h_database.h"
#include "source/sonar/h_coproc.h"
#include "source/sonar/s_coproc.h"
#include "source/sonar/s_demultiplex.h"
#include "source/sonar/s_txcycles.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

constexpr U8 FILL = 0xAA;  // what the block held before the builder ran

struct P {
  U16 f;
  U8 cycles, mode, out, duty;
};
constexpr P EMPTY = {0, 0, TXMODE_NONE, 0, 1};

// The 31 wire bytes of a sequence as a builder writes it: levels and the fail
// flag keep the block's old contents.
std::vector<U8> Wire(P p0, P p1, P p2, U8 pow0, U8 pow1, U16 samples, U8 rxf, U8 bw, U8 rxen) {
  std::vector<U8> w;
  for (const P& p : {p0, p1, p2}) {
    w.insert(w.end(), {(U8)(p.f & 0xFF), (U8)(p.f >> 8), p.cycles, p.mode, p.out, p.duty});
  }
  w.insert(w.end(), {pow0, pow1, FILL, FILL, 0, (U8)(samples & 0xFF), (U8)(samples >> 8), 50, 0, rxf, bw, rxen, FILL});
  return w;
}

std::string Hex(const U8* p, size_t n) {
  std::string s;
  char b[4];
  for (size_t i = 0; i < n; ++i) {
    snprintf(b, sizeof b, "%02X", p[i]);
    s += b;
  }
  return s;
}

struct Block {
  U8 b[MULTI_TX_BYTES];
  Block() { memset(b, FILL, sizeof b); }
  std::string Seq(int i) const { return Hex(b + i * TX_SEQUENCE_BYTES, TX_SEQUENCE_BYTES); }
  // Sequences past the count are untouched.
  void ExpectUntouchedFrom(int first) const {
    for (size_t i = first * TX_SEQUENCE_BYTES; i < MULTI_TX_COUNT_OFFSET; ++i) ASSERT_EQ(b[i], FILL) << i;
  }
};

std::string W(const std::vector<U8>& w) { return Hex(w.data(), w.size()); }

TEST(CoprocBlocks, ShortTransmitSequenceLiteral) {
  g_u32SpeedOfSoundInWater = 1463;
  EXPECT_EQ(S_COPROC_u16ShortTransmitSamples(), 1052);
  g_u32SpeedOfSoundInWater = 1500;
  EXPECT_EQ(S_COPROC_u16ShortTransmitSamples(), 1026);
  g_u32SpeedOfSoundInWater = 1463;
  Block k;
  S_COPROC_vBuildTxSequence200kHzAltShortTransmit(k.b, 12, TXPOWER_HI, 2, 4000, 200, FALSE, TRUE);
  EXPECT_EQ(k.b[MULTI_TX_COUNT_OFFSET], 2);
  // T: 200 kHz, 12 cycles, timer, down element, 50 %; high power; 4000 samples.
  EXPECT_EQ(k.Seq(0), "C8000C0101010000000300010000000300010303AAAA00A00F320000" "02FDAA");
  // S: 400 kHz one cycle by DMA; low power; 1,052 samples = 0x041C.
  EXPECT_EQ(k.Seq(1), "900101020101000000030001000000030001" "0101AAAA001C04320000" "03FDAA");
  k.ExpectUntouchedFrom(2);
}

TEST(CoprocBlocks, Builders) {
  g_u32SpeedOfSoundInWater = 1463;
  const U16 N = 1052;
  const P T200 = {200, 10, TXMODE_TIMER, 1, 1};
  const P LF83 = {83, 8, TXMODE_TIMER, 1, 1};
  const P LF50 = {50, 4, TXMODE_TIMER, 1, 1};
  const P S = {400, 1, TXMODE_DMA, 1, 1};
  const auto SEQ_S = Wire(S, EMPTY, EMPTY, 1, 1, N, 0, 3, 0xFD);
  const auto SEQ_S2 = Wire(S, EMPTY, EMPTY, 1, 1, N, 8, 0xC, 0xF5);
  struct Case {
    const char* name;
    void (*build)(U8*);
    std::vector<std::vector<U8>> sequences;
  };
  const std::vector<Case> cases = {
      {"SS 455 LR at 699", [](U8* b) { S_COPROC_vBuildSingleBeamSSPing455kHzLR(b, 2, 20, TXPOWER_MED, 2, 3000, 699, FALSE); },
       {Wire({699, 20, TXMODE_DMA, 6, 0}, EMPTY, EMPTY, 2, 2, 3000, 4, 0x28, 0xEB)}},
      {"SS 455 LR at 700", [](U8* b) { S_COPROC_vBuildSingleBeamSSPing455kHzLR(b, 2, 20, TXPOWER_MED, 1, 3000, 700, FALSE); },
       {Wire({700, 20, TXMODE_DMA, 6, 0}, EMPTY, EMPTY, 2, 2, 3000, 0, 0x14, 0xEB)}},
      {"SS 455 LR at 399, no transmit", [](U8* b) { S_COPROC_vBuildSingleBeamSSPing455kHzLR(b, 2, 20, TXPOWER_MED, 3, 3000, 399, TRUE); },
       {Wire({399, 20, TXMODE_NONE, 6, 0}, EMPTY, EMPTY, 2, 2, 3000, 0, 0x3C, 0xEB)}},
      {"short transmit", [](U8* b) { S_COPROC_vBuildTxSequenceForShortTransmit(b, 3, TXPOWER_LOW, 7, 500, 400); },
       {Wire({400, 3, TXMODE_DMA, 1, 1}, EMPTY, EMPTY, 1, 1, 500, 0, 3, 0xFD)}},
      {"200 par 50", [](U8* b) { S_COPROC_vBuildTxSequence200kHzParLF(b, 10, 1, 2000, 200, TXPOWER_HI, 4, 2, 3000, 50, TXPOWER_MED, TRUE, 9); },
       {Wire(LF50, T200, EMPTY, 2, 3, 3000, 11, 0x06, 0xF5)}},
      {"200 par 83", [](U8* b) { S_COPROC_vBuildTxSequence200kHzParLF(b, 10, 1, 4000, 200, TXPOWER_HI, 8, 2, 3000, 83, TXPOWER_MED, FALSE, 0); },
       {Wire(LF83, T200, EMPTY, 2, 3, 4000, 9, 0x06, 0xF5)}},
      {"200 alt 455 par DI", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzAlt455kHzParDIFrequency(b, 10, TXPOWER_HI, 1, 2000, 200, 30, TXPOWER_MED, 2, 2500, 455, 12, TXPOWER_LOW, 3, 3000, 800, FALSE);
       },
       {Wire({800, 12, TXMODE_DMA, 4, 0}, T200, EMPTY, 3, 1, 3000, 0, 0x31, 0xED),
        Wire({455, 30, TXMODE_DMA, 1, 1}, EMPTY, EMPTY, 2, 1, 2500, 0, 0x08, 0xF5)}},
      {"200 alt 50 par DI 455", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzAlt83And50kHzParDIFrequency(b, 10, TXPOWER_HI, 1, 2000, 200, 4, TXPOWER_MED, 2, 2500, 50, 12, TXPOWER_LOW, 3, 1000, 455, FALSE);
       },
       {Wire({455, 12, TXMODE_DMA, 4, 0}, T200, EMPTY, 3, 1, 2000, 4, 0x31, 0xED),
        Wire(LF50, EMPTY, EMPTY, 2, 1, 2500, 3, 0x02, 0xF5)}},
      {"200 par DI, no transmit", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzParDIFrequency(b, 10, TXPOWER_HI, 1, 2000, 200, 12, TXPOWER_LOW, 3, 1000, 699, TRUE);
       },
       {Wire({699, 12, TXMODE_NONE, 4, 0}, {200, 10, TXMODE_NONE, 1, 1}, EMPTY, 3, 1, 2000, 4, 0x31, 0xED)}},
      {"single DI at 399", [](U8* b) { S_COPROC_vBuildSingleBeamDIPing(b, 3, 9, TXPOWER_HI, 2, 800, 399, FALSE); },
       {Wire({399, 9, TXMODE_DMA, 4, 0}, EMPTY, EMPTY, 3, 3, 800, 4, 0x20, 0xEF)}},
      {"single DI at 800", [](U8* b) { S_COPROC_vBuildSingleBeamDIPing(b, 3, 9, TXPOWER_HI, 2, 800, 800, FALSE); },
       {Wire({800, 9, TXMODE_DMA, 4, 0}, EMPTY, EMPTY, 3, 3, 800, 0, 0x20, 0xEF)}},
      {"200 par high", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzParHighFrequency(b, 10, TXPOWER_HI, 1, 2000, 200, 30, TXPOWER_MED, 2, 2500, 455, FALSE);
       },
       {Wire({455, 30, TXMODE_DMA, 6, 0}, T200, EMPTY, 3, 2, 2500, 4, 0x29, 0xE9)}},
      {"200 alt 83 par high", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzAltLFParHighFrequency(b, 10, TXPOWER_HI, 1, 2000, 200, 8, TXPOWER_LOW, 3, 1000, 83, 30, TXPOWER_MED, 2, 2500, 455, FALSE);
       },
       {Wire({455, 30, TXMODE_DMA, 6, 0}, T200, EMPTY, 3, 2, 2500, 4, 0x29, 0xE9),
        Wire({455, 30, TXMODE_DMA, 6, 0}, LF83, EMPTY, 1, 2, 2500, 5, 0x2B, 0xE9)}},
      {"MSS beam 2", [](U8* b) { S_COPROC_vBuildSingleBeamMSSPing455kHzLR(b, 2, 20, TXPOWER_HI, 1, 3000, 455); },
       {Wire({455, 20, TXMODE_DMA, 2, 1}, EMPTY, EMPTY, 3, 3, 3000, 4, 0x14, 0xEB)}},
      {"MSS beam 3", [](U8* b) { S_COPROC_vBuildSingleBeamMSSPing455kHzLR(b, 3, 20, TXPOWER_HI, 1, 3000, 800); },
       {Wire({800, 20, TXMODE_DMA, 4, 1}, EMPTY, EMPTY, 3, 3, 3000, 0, 0x14, 0xEB)}},
      {"H L S", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzAltLFParHighFrequencyAltShortTx(b, 10, TXPOWER_HI, 1, 2000, 200, 4, TXPOWER_LOW, 3, 1000, 50, 30, TXPOWER_MED, 2, 2500, 800, FALSE, TRUE);
       },
       {Wire({800, 30, TXMODE_DMA, 6, 0}, T200, EMPTY, 3, 2, 2500, 0, 0x29, 0xE9),
        Wire({800, 30, TXMODE_DMA, 6, 0}, LF50, EMPTY, 1, 2, 2500, 3, 0x2B, 0xE9), SEQ_S}},
      {"H L without S", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzAltLFParHighFrequencyAltShortTx(b, 10, TXPOWER_HI, 1, 2000, 200, 4, TXPOWER_LOW, 3, 1000, 50, 30, TXPOWER_MED, 2, 2500, 800, FALSE, FALSE);
       },
       {Wire({800, 30, TXMODE_DMA, 6, 0}, T200, EMPTY, 3, 2, 2500, 0, 0x29, 0xE9),
        Wire({800, 30, TXMODE_DMA, 6, 0}, LF50, EMPTY, 1, 2, 2500, 3, 0x2B, 0xE9)}},
      {"T F S", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzAltLFAltShortTx(b, 10, TXPOWER_HI, 1, 2000, 200, 8, TXPOWER_LOW, 2, 1000, 83, FALSE, TRUE);
       },
       {Wire(T200, EMPTY, EMPTY, 3, 3, 2000, 0, 1, 0xFD), Wire(LF83, EMPTY, EMPTY, 1, 1, 1000, 1, 2, 0xFD), SEQ_S}},
      {"F T S", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzAltLFAltShortTransmit(b, 10, TXPOWER_HI, 1, 2000, 200, 8, TXPOWER_LOW, 2, 1000, 83, FALSE, 7, TRUE);
       },
       {Wire(LF83, EMPTY, EMPTY, 1, 1, 1000, 1, 2, 0xFD), Wire(T200, EMPTY, EMPTY, 3, 3, 2000, 0, 1, 0xFD), SEQ_S}},
      {"F T", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzAltLFAltShortTransmit(b, 10, TXPOWER_HI, 1, 2000, 200, 4, TXPOWER_LOW, 2, 1000, 50, FALSE, 7, FALSE);
       },
       {Wire(LF50, EMPTY, EMPTY, 1, 1, 1000, 3, 2, 0xFD), Wire(T200, EMPTY, EMPTY, 3, 3, 2000, 0, 1, 0xFD)}},
      {"H S", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzParHighFrequencyAltShortTransmit(b, 10, TXPOWER_HI, 1, 2000, 200, 30, TXPOWER_MED, 2, 2500, 455, FALSE, TRUE);
       },
       {Wire({455, 30, TXMODE_DMA, 6, 0}, T200, EMPTY, 3, 2, 2500, 4, 0x29, 0xE9), SEQ_S}},
      {"T", [](U8* b) { S_COPROC_vBuildTxSequence200kHz(b, 10, TXPOWER_HI, 1, 2000, 200, FALSE); },
       {Wire(T200, EMPTY, EMPTY, 3, 3, 2000, 0, 1, 0xFD)}},
      {"par LF S'", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzParLFAltShortTransmit(b, 10, 1, 2000, 200, TXPOWER_HI, 8, 2, 3000, 83, TXPOWER_MED, TRUE, 0, TRUE);
       },
       {Wire(LF83, T200, EMPTY, 2, 3, 3000, 9, 0x06, 0xF5), SEQ_S2}},
      {"single down 150 rx 1", [](U8* b) { S_COPROC_vBuildTxSequenceForSingleDown(b, 8, TXPOWER_HI, 2, 1000, 150, 1, FALSE, 0); },
       {Wire({150, 8, TXMODE_TIMER, 1, 1}, EMPTY, EMPTY, 3, 3, 1000, 1, 2, 0xFD)}},
      {"single down 151 rx 1", [](U8* b) { S_COPROC_vBuildTxSequenceForSingleDown(b, 8, TXPOWER_HI, 2, 1000, 151, 1, FALSE, 0); },
       {Wire({151, 8, TXMODE_TIMER, 1, 1}, EMPTY, EMPTY, 3, 3, 1000, 8, 8, 0xF5)}},
      {"single down 200 rx 0", [](U8* b) { S_COPROC_vBuildTxSequenceForSingleDown(b, 8, TXPOWER_HI, 2, 1000, 200, 0, FALSE, 0); },
       {Wire({200, 8, TXMODE_TIMER, 1, 1}, EMPTY, EMPTY, 3, 3, 1000, 0, 2, 0xFD)}},
      {"single down 59 rx 0", [](U8* b) { S_COPROC_vBuildTxSequenceForSingleDown(b, 8, TXPOWER_HI, 2, 1000, 59, 0, FALSE, 0); },
       {Wire({59, 8, TXMODE_TIMER, 1, 1}, EMPTY, EMPTY, 3, 3, 1000, 3, 2, 0xFD)}},
      {"T alt down-looking", [](U8* b) {
         S_COPROC_vBuildTxSequence200kHzAltDownLookingPing(b, 10, TXPOWER_HI, 1, 2000, 200, 30, TXPOWER_MED, 2, 2500, 455, FALSE);
       },
       {Wire(T200, EMPTY, EMPTY, 3, 3, 2000, 0, 1, 0xFD), Wire({455, 30, TXMODE_DMA, 1, 1}, EMPTY, EMPTY, 2, 2, 2500, 0, 0x08, 0xF5)}},
      {"single down S'", [](U8* b) {
         S_COPROC_vBuildTxSequenceForSingleDownAltShortTransmit(b, 8, TXPOWER_HI, 2, 1000, 200, 1, FALSE, 0, TRUE);
       },
       {Wire({200, 8, TXMODE_TIMER, 1, 1}, EMPTY, EMPTY, 3, 3, 1000, 8, 8, 0xF5), SEQ_S2}},
      {"DI test rx 0", [](U8* b) { S_COPROC_vBuildTxSequenceForDISonarTest(b, 8, TXPOWER_HI, 2, 1000, 83, 0, FALSE, 1); },
       {Wire({83, 8, TXMODE_TIMER, 1, 1}, EMPTY, EMPTY, 3, 3, 1000, 1, 2, 0xF5)}},
      {"DI test rx 1", [](U8* b) { S_COPROC_vBuildTxSequenceForDISonarTest(b, 8, TXPOWER_HI, 2, 1000, 200, 1, FALSE, 1); },
       {Wire({200, 8, TXMODE_TIMER, 1, 1}, EMPTY, EMPTY, 3, 3, 1000, 0, 8, 0xF5)}},
      {"DI test rx 2 at 455", [](U8* b) { S_COPROC_vBuildTxSequenceForDISonarTest(b, 8, TXPOWER_HI, 2, 1000, 455, 2, FALSE, 4); },
       {Wire({455, 8, TXMODE_DMA, 4, 0}, EMPTY, EMPTY, 3, 3, 1000, 4, 0x20, 0xED)}},
      {"DI test rx 2 at 800", [](U8* b) { S_COPROC_vBuildTxSequenceForDISonarTest(b, 8, TXPOWER_HI, 2, 1000, 800, 2, FALSE, 2); },
       {Wire({800, 8, TXMODE_DMA, 2, 1}, EMPTY, EMPTY, 3, 3, 1000, 0, 0x20, 0xED)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Block k;
    c.build(k.b);
    ASSERT_EQ(k.b[MULTI_TX_COUNT_OFFSET], c.sequences.size());
    for (size_t i = 0; i < c.sequences.size(); ++i) EXPECT_EQ(k.Seq((int)i), W(c.sequences[i])) << "sequence " << i;
    k.ExpectUntouchedFrom((int)c.sequences.size());
  }
}

TEST(CoprocBlocks, CodecRoundTripAndRxFrequencies) {
  U8 wire[TX_SEQUENCE_BYTES];
  for (size_t i = 0; i < sizeof wire; ++i) wire[i] = (U8)(i * 37 + 5);
  TX_SEQUENCE s, copy;
  S_COPROC_vDecodeSequence(wire, &s);
  EXPECT_EQ(s.u16Samples, wire[23] | wire[24] << 8);
  EXPECT_EQ(s.u16NoiseSamples, wire[25] | wire[26] << 8);
  EXPECT_EQ(s.TxPulse[2].u16TxFreq, wire[12] | wire[13] << 8);
  S_COPROC_vCopyAndConvertEndianTxSequence(&s, &copy);
  U8 back[TX_SEQUENCE_BYTES];
  S_COPROC_vEncodeSequence(&copy, back);
  EXPECT_EQ(Hex(back, sizeof back), Hex(wire, sizeof wire));
  EXPECT_EQ(S_COPROC_u8SetRxFrequencies(RXFREQ_455KHZ, RXFREQ_200KHZ, RXFREQ_50KHZ), 15);
  EXPECT_EQ(S_COPROC_u8SetRxFrequencies(RXFREQ_800KHZ, RXFREQ_UNUSED, RXFREQ_83KHZ), 1);
  EXPECT_EQ(S_COPROC_u8SetRxFrequencies(RXFREQ_UNUSED, RXFREQ_455KHZ, RXFREQ_200KHZ), 0);
}

TEST(CoprocBlocks, Demultiplex) {
  std::vector<U8> block(35 + 3 * 5 + 6);
  for (size_t i = 0; i < block.size(); ++i) block[i] = (U8)i;
  TX_SEQUENCE s;
  const U8* data = nullptr;
  EXPECT_TRUE(S_DEMULTIPLEX_bExtractTxSequence(block.data(), &s, &data));
  EXPECT_EQ(data, block.data() + 35);
  EXPECT_EQ(s.TxPulse[0].u16TxFreq, 4 | 5 << 8);
  EXPECT_EQ(s.bTxFail, 34);
  // Channel 2, 2 noise and 3 data samples: bytes 2, 5 and 8, 11, 14.
  U8 noise[2] = {}, samples[3] = {};
  S_DEMULTIPLEX_vGetExtractRxData(data, 2, 2, 3, noise, samples);
  EXPECT_EQ(noise[0], 35 + 2);
  EXPECT_EQ(noise[1], 35 + 5);
  EXPECT_EQ(samples[0], 35 + 8);
  EXPECT_EQ(samples[1], 35 + 11);
  EXPECT_EQ(samples[2], 35 + 14);
  U8 untouched[3] = {7, 7, 7};
  S_DEMULTIPLEX_vGetExtractRxData(data, 0, 2, 0, nullptr, untouched);
  EXPECT_EQ(untouched[0], 7);
}

TEST(CoprocBlocks, DepthTables) {
  const struct {
    U32 d, c200;
  } rows200[] = {{0, 2}, {4, 2}, {5, 3}, {6, 3}, {7, 4}, {13, 7}, {14, 7}, {15, 8}, {21, 8}, {22, 9}, {30, 9},
                 {31, 10}, {33, 10}, {34, 11}, {67, 22}, {69, 22}, {70, 23}, {73, 23}, {74, 24}, {89, 29},
                 {91, 29}, {92, 30}, {93, 30}, {94, 31}, {150, 59}, {151, 59}, {152, 60}};
  for (const auto& r : rows200) EXPECT_EQ(gDepthCycles200kHzMapping[r.d].u32TxCycles, r.c200) << r.d;
  const struct {
    U32 d, c;
  } rowsDown[] = {{0, 5}, {5, 5}, {6, 6}, {17, 17}, {18, 18}, {23, 18}, {24, 19}, {29, 24}, {30, 25}, {31, 25}, {32, 26}, {46, 40}},
    rowsDI[] = {{0, 5}, {3, 5}, {4, 6}, {16, 18}};
  for (const auto& r : rowsDown) EXPECT_EQ(gDepthCycles455kHzDownBeamMapping[r.d].u32TxCycles, r.c) << r.d;
  for (const auto& r : rowsDI) EXPECT_EQ(gDepthCycles455kHzDIMapping[r.d].u32TxCycles, r.c) << r.d;
  for (U32 d = 0; d < 153; ++d) EXPECT_EQ(gDepthCycles200kHzMapping[d].u32Depth, d);
}

TEST(CoprocBlocks, TransmitCycles) {
  H_DATABASE_vInit();
  const struct {
    U32 csfl;  // 0: not set
    BEAM beam;
    float depth;
    U32 type;
    U8 cycles;
  } cases[] = {
      {0, 1, 152.9f, 1, 50},  {0, 1, 200.0f, 11, 55}, {0, 1, 10.0f, 11, 10},  {0, 1, 152.0f, 15, 30},
      {0, 1, 200.0f, 17, 30}, {0, 1, 3.0f, 1, 2},     {0, 1, -2.0f, 1, 2},    {83, 0, 200.0f, 1, 20},
      {83, 0, 60.0f, 1, 8},   {83, 0, 95.0f, 1, 11},  {50, 0, 61.0f, 4, 7},   {50, 0, 15.0f, 4, 2},
      {50, 0, 15.5f, 4, 3},   {50, 0, 1000.0f, 4, 50}, {50, 0, 100.0f, 4, 10}, {0, 3, 10.5f, 17, 12},
      {0, 3, 20.0f, 17, 18},  {0, 2, 47.0f, 15, 40},  {0, 2, 20.0f, 15, 18},  {0, 2, 5.0f, 7, 7},
      {0, 3, 5.0f, 2, 40},    {0, 2, 5.0f, 3, 40},    {0, 2, 5.0f, 10, 7},    {0, 3, 5.0f, 16, 7},
  };
  for (const auto& c : cases) {
    if (c.csfl != 0) H_DATABASE_bUpdateValueU32(FCID("CSFL"), c.csfl, P_NORMAL);
    EXPECT_EQ(S_TXCYCLES_u8CalculateTxCycles(c.beam, c.depth, 0.0f, c.type), c.cycles)
        << "beam " << int(c.beam) << " depth " << c.depth << " type " << c.type;
  }
  H_DATABASE_bUpdateEverythingU32(FCID("SSSF"), FCID("SSF5"), P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  EXPECT_EQ(S_TXCYCLES_u8CalculateTxCycles(2, 5.0f, 0.0f, 10), 17);
  EXPECT_EQ(S_TXCYCLES_u8CalculateTxCycles(3, 5.0f, 0.0f, 16), 17);
  H_DATABASE_bUpdateValueU32(FCID("SSSF"), FCID("SSF4"), P_NORMAL);
  EXPECT_EQ(S_TXCYCLES_u8CalculateTxCycles(2, 5.0f, 0.0f, 10), 7);
}

TEST(CoprocBlocksDeathTest, InvalidBeamIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(S_TXCYCLES_u8CalculateTxCycles(4, 5.0f, 0.0f, 1), ::testing::ExitedWithCode(10), "");
}

}  // namespace

namespace {

// A receive block whose sequence claims more than arrived, or more than a
// descriptor holds: the split stops at what is there.
TEST(CoprocBlocks, ChannelSplitIsBounded) {
  const struct {
    U16 noise, samples;
    U32 received;  // bytes, the tail left off
    U32 maxSamples;
    U32 expected;
  } cases[] = {
      {50, 100, 35 + 3 * 150, 55000, 100},       {50, 65535, 35 + 3 * 150, 55000, 100},
      {50, 65535, 35 + 3 * (50 + 65535), 55000, 55000}, {300, 10, 35 + 3 * 200, 55000, 0},
      {2, 3, 35 + 3 * 5 - 1, 55000, 2},          {0, 0, 20, 55000, 0},
      {50, 1000, 35 + 3 * 1050, 10, 10},
  };
  for (const auto& c : cases) {
    std::vector<U8> block(std::max<size_t>(c.received, 35), 0);
    for (size_t i = 35; i < block.size(); ++i) block[i] = (U8)(i % 251);
    TX_SEQUENCE s;
    memset(&s, 0, sizeof s);
    s.u16NoiseSamples = c.noise;
    s.u16Samples = c.samples;
    S_COPROC_vEncodeSequence(&s, block.data() + 4);
    std::vector<U8> noise(50), data(c.maxSamples);
    U8 mean = 0, peak = 0;
    EXPECT_EQ(S_DEMULTIPLEX_u32ExtractChannel(block.data(), c.received, 1, noise.data(), 50, data.data(), c.maxSamples,
                                              &mean, &peak),
              c.expected)
        << c.noise << "/" << c.samples << "/" << c.received;
  }
  // Noise mean over the 50 bytes and peak, data after all the noise.
  std::vector<U8> block(35 + 3 * 52, 0);
  TX_SEQUENCE s;
  memset(&s, 0, sizeof s);
  s.u16NoiseSamples = 50;
  s.u16Samples = 2;
  S_COPROC_vEncodeSequence(&s, block.data() + 4);
  for (int i = 0; i < 50; ++i) block[35 + 3 * i + 2] = (U8)(i == 7 ? 200 : 10);
  block[35 + 3 * 50 + 2] = 99;
  block[35 + 3 * 51 + 2] = 98;
  std::vector<U8> noise(50), data(2);
  U8 mean = 0, peak = 0;
  ASSERT_EQ(S_DEMULTIPLEX_u32ExtractChannel(block.data(), (U32)block.size(), 2, noise.data(), 50, data.data(), 100,
                                            &mean, &peak),
            2u);
  EXPECT_EQ(mean, (49 * 10 + 200) / 50);
  EXPECT_EQ(peak, 200);
  EXPECT_EQ(data[0], 99);
  EXPECT_EQ(data[1], 98);
}

}  // namespace
