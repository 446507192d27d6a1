// Fuzzer of the byte run-length code: arbitrary streams decoded into an
// output of arbitrary size (never written past its end), and arbitrary data
// through the encoder and back.
#include <cstdlib>
#include <vector>

#include "source/graphics/u_rle.h"
#include "tests/fuzz/fuzz_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in{data, size};
  const U32 room = (U32)(in.u8() | in.u8() << 8);
  std::vector<U8> stream(in.data, in.data + in.size);
  std::vector<U8> out(room);
  const int written = U_RLE_Uncompress(stream.data(), out.data(), (U32)stream.size(), room);
  if (written < -1 || written > (int)room) abort();

  std::vector<U8> encoded(U_RLE_u32CompressBound((U32)stream.size()));
  const U32 n = U_RLE_Compress(stream.data(), encoded.data(), (U32)stream.size());
  if (n > encoded.size()) abort();
  std::vector<U8> back(stream.size());
  if (U_RLE_Uncompress(encoded.data(), back.data(), n, (U32)back.size()) != (int)stream.size()) abort();
  if (back != stream) abort();
  return 0;
}
