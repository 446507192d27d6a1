// The factory test's sonar ping (the in-line test's ping of one beam).
#pragma once

#include "common/types.h"

constexpr U32 TEST_PING_SIGNAL_SAMPLES = 4096;
constexpr U32 TEST_PING_NOISE_SAMPLES = 50;

// One test ping of the coprocessor beam: 40 cycles at high power, the
// given frequency (kHz), receiver and bandwidth, 4096 samples. Fills
// 4096 signal samples of the receive channel (0-2), its 50 noise samples
// and the sample period (26 µs). FALSE when the device takes no block,
// returns none, or never echoes the test sequence.
BOOLEAN S_TESTPING_bTestPing(U8 u8CoprocBeam, U8 u8Channel, U16 u16FrequencykHz, U8 u8Receiver, U8 u8Bandwidth,
                             U16* pu16Signal, U16* pu16Noise, U32* pu32SampleUs);
