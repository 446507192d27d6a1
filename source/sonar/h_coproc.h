// The sonar coprocessor device (/dev/sonar0): a command block is written to
// it, a receive block read back (the executed sequence at offset 4, the
// interleaved samples of three channels from offset 35, three analogue
// readings in the last 6 bytes). One shared buffer serves both directions.
#pragma once

#include <stddef.h>

#include "common/types.h"

enum COPROC_DATA_DIRECTION : U8 { COPROC_INVALID = 0, SEND_TO_COPROC = 1, RECEIVE_FROM_COPROC = 2 };

constexpr size_t COPROC_RECEIVE_BLOCK_BYTES = 165191;  // 35 + 3 × 55,050 + 6
constexpr size_t COPROC_RECEIVE_HEADER_BYTES = 35;
constexpr size_t COPROC_TRANS_INFO_BYTES = 6;
constexpr U32 COPROC_MAX_SAMPLES = 55000;
constexpr U32 COPROC_TRANSFER_FAILED = 0xFFFFFFFFu;
constexpr U32 COPROC_ADC_INTERVAL_MS = 500;
#define H_COPROC_DEVICE "/dev/sonar0"

// Allocates the shared buffer (once) and opens the device (once).
void H_COPROC_vInitialize(void);
void H_COPROC_vSimulate(BOOLEAN bSimulate);
BOOLEAN H_COPROC_bSimulating(void);
BOOLEAN H_COPROC_bCoprocessorReady(void);
// The shared command and receive buffer (null before the first initialise).
U8* H_COPROC_pu8DataBlock(void);
// Sends a command block (returns the write's result) or receives a block
// (returns the count less the 6-byte tail when more than 8 bytes arrived,
// and publishes AD05, AD02 and AD00 at most every 500 ms unless no_adc).
// COPROC_TRANSFER_FAILED without a device or for another direction.
U32 H_COPROC_u32Transfer(U8* pau8Data, U32 u32TransferSize, COPROC_DATA_DIRECTION eDirection);
// Closes the device and forgets the publication time, so that the next
// initialise opens it again (tests; the unit never closes it).
void H_COPROC_vClose(void);
