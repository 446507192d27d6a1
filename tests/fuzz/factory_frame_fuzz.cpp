// Fuzzer of the factory test link's frame state machine with the reply
// handlers that only read and write their frame ("d", "i", "f", "g", "v")
// and the test-parameter splitter; every reply stays inside the frame.
#include <cstring>

#include "source/startup/t_inlinetest.h"

namespace {

BOOLEAN bSplit(char* pcFrame) {
  S32 values[16];
  (void)T_INLINETEST_nScanInts(pcFrame, values, 16);
  return TRUE;
}
BOOLEAN bEcho(char*) { return TRUE; }
BOOLEAN bAnswer(char* pcFrame) {
  strcpy(pcFrame, "#ACK\n\r");
  return TRUE;
}

const INLINETEST_COMMAND s_table[INLINETEST_COMMANDS] = {
    {bAnswer, 'w', 1}, {bAnswer, 'r', 1}, {bAnswer, 'c', 0}, {bAnswer, 'v', 0}, {bAnswer, 'g', 0},
    {bEcho, 'e', 0},   {bEcho, 'S', 0},   {bAnswer, 'x', 0}, {bEcho, 'd', 1},   {bSplit, 't', 1},
    {bAnswer, 'm', 0}, {bAnswer, 'l', 1}, {bAnswer, 'p', 0}, {bEcho, 'i', 1},   {bEcho, 'f', 1},
};

void vReply(const char* text) {
  if (strlen(text) >= INLINETEST_FRAME_BYTES) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  INLINETEST_RX rx;
  for (size_t i = 0; i < size; ++i) T_INLINETEST_vFeed(&rx, data[i], &vReply, s_table);
  T_INLINETEST_vResetRx(&rx);
  return 0;
}
