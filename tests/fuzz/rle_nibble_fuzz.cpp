// Fuzzer of the nibble run-length code: arbitrary streams through the
// bounded decoders, and arbitrary pictures through encoder, verifier and
// decoder, which must give the picture back.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "source/graphics/u_rle.h"
#include "tests/fuzz/fuzz_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in{data, size};
  const int outputBytes = in.u8() | (in.u8() & 0x0F) << 8;

  // The rest as a compressed stream, of exactly its size.
  std::vector<U8> stream(in.data, in.data + in.size);
  std::vector<U8> out((size_t)outputBytes);
  const int written = U_RLE_NIBBLE_vDecompress(out.data(), stream.data(), outputBytes, stream.size());
  if (written < 0 || written > outputBytes) abort();

  NIBBLE_RLE_STATE state;
  U_RLE_NIBBLE_vInitBounded(&state, stream.data(), stream.size());
  for (int i = 0; i < 2 * outputBytes && !state.bOverrun; ++i) {
    if (U_RLE_NIBBLE_u8GetNext(&state) > 15) abort();
  }
  (void)U_RLE_NIBBLE_bVerify(out.data(), stream.data(), outputBytes, stream.size());

  // The rest as a picture: encode, verify and decode it again.
  const int bytes = (int)stream.size();
  std::vector<U8> packed((size_t)bytes + 1, 0);
  const int n = U_RLE_NIBBLE_nCompress(stream.data(), packed.data(), bytes);
  if (n >= 0) {
    if (n > bytes) abort();
    if (!U_RLE_NIBBLE_bVerify(stream.data(), packed.data(), bytes, (size_t)n)) abort();
    std::vector<U8> back((size_t)bytes);
    if (U_RLE_NIBBLE_vDecompress(back.data(), packed.data(), bytes, (size_t)n) != bytes) abort();
    if (back != stream) abort();
  }
  return 0;
}
