// Fuzzer of the receive-block split: an arbitrary block of an arbitrary
// received length (the echoed sequence's counts as they come) split into
// each channel's noise and data; nothing is read past what arrived or
// written past the buffers.
#include <cstdlib>
#include <vector>

#include "source/sonar/h_coproc.h"
#include "source/sonar/s_demultiplex.h"
#include "tests/fuzz/fuzz_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in{data, size};
  const U32 maxSamples = (U32)(in.u8() | in.u8() << 8);
  const U32 maxNoise = in.u8();
  // The block is exactly what arrived: ASan sees any read past it.
  std::vector<U8> block(in.data, in.data + in.size);
  std::vector<U8> noise(maxNoise), out(maxSamples);
  for (U8 channel = 0; channel < 4; ++channel) {
    U8 mean = 0, peak = 0;
    const U32 n = S_DEMULTIPLEX_u32ExtractChannel(block.empty() ? nullptr : block.data(), (U32)block.size(), channel,
                                                  noise.data(), maxNoise, out.data(), maxSamples, &mean, &peak);
    if (n > maxSamples) abort();
    if (block.size() >= COPROC_RECEIVE_HEADER_BYTES && 35 + 3 * (size_t)n > block.size()) abort();
  }
  return 0;
}
