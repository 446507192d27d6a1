// Run-length codecs: the nibble code of the 16-colour icons and the byte code.
#include "source/graphics/u_rle.h"

#include <cstdint>
#include <cstring>

namespace {

// Reads one nibble, high nibble of each byte first. A bounded state refuses
// reads at its end and gives 0.
inline U8 nibble_read(NIBBLE_RLE_STATE* state) {
  if (state->pu8End != nullptr && state->pu8Data >= state->pu8End) {
    state->bOverrun = TRUE;
    return 0;
  }
  U8 value;
  if (state->bHighNibble) {
    value = (U8)(*state->pu8Data >> 4);
    state->bHighNibble = FALSE;
  } else {
    value = (U8)(*state->pu8Data & 0x0F);
    state->bHighNibble = TRUE;
    state->pu8Data++;
  }
  return value;
}

// Nibble number index of a packed buffer, high nibble first.
inline U8 nibble_at(const U8* data, size_t index) {
  const U8 byte = data[index >> 1];
  return (index & 1) ? (U8)(byte & 0x0F) : (U8)(byte >> 4);
}

// Writes nibble number index, keeping the other half of the byte.
inline void nibble_put(U8* data, size_t index, U8 value) {
  U8& byte = data[index >> 1];
  if (index & 1) {
    byte = (U8)((byte & 0xF0) | (value & 0x0F));
  } else {
    byte = (U8)((byte & 0x0F) | (U8)(value << 4));
  }
}

void init_state(NIBBLE_RLE_STATE* state, const U8* data, const U8* end) {
  state->pu8Data = data;
  state->bHighNibble = TRUE;
  state->u8Marker = 0;
  state->u8Nibble = 0;
  state->nRepeat = 0;
  state->pu8End = end;
  state->bOverrun = FALSE;
  // The marker is the stream's first nibble.
  state->u8Marker = nibble_read(state);
}

}  // namespace

void U_RLE_NIBBLE_vInit(NIBBLE_RLE_STATE* state, const U8* data) { init_state(state, data, nullptr); }

void U_RLE_NIBBLE_vInitBounded(NIBBLE_RLE_STATE* state, const U8* data, size_t dataBytes) {
  // With no data at all, point at a harmless byte that is never read.
  static const U8 s_empty = 0;
  if (data == nullptr || dataBytes == 0) {
    init_state(state, &s_empty, &s_empty);
    return;
  }
  init_state(state, data, data + dataBytes);
}

U8 U_RLE_NIBBLE_u8GetNext(NIBBLE_RLE_STATE* state) {
  if (state->nRepeat > 0) {
    state->nRepeat--;
    return state->u8Nibble;
  }
  const U8 value = nibble_read(state);
  if (value != state->u8Marker) {
    return value;
  }
  int count = nibble_read(state);
  if (count >= 8) {
    count = (count - 8) * 16 + nibble_read(state);
  }
  if (count >= 3) {
    state->u8Nibble = nibble_read(state);
  } else {
    state->u8Nibble = state->u8Marker;
  }
  // count + 1 pixels: this one now, count still owed.
  state->nRepeat = count;
  return state->u8Nibble;
}

int U_RLE_NIBBLE_nCompress(const U8* input, U8* output, int inputBytes) {
  if (inputBytes < 0) {
    return -1;
  }
  const size_t nibbles = (size_t)inputBytes * 2;

  size_t counts[16] = {};
  for (size_t i = 0; i < nibbles; i++) {
    counts[nibble_at(input, i)]++;
  }
  U8 marker = 0;
  for (U8 v = 1; v < 16; v++) {
    if (counts[v] < counts[marker]) {
      marker = v;
    }
  }

  size_t written = 0;
  // Emits one nibble; false once the output has reached the input's size.
  auto emit = [&](U8 value) -> bool {
    if (written >= nibbles) {
      return false;
    }
    nibble_put(output, written++, value);
    return written < nibbles;
  };

  if (!emit(marker)) {
    return -1;
  }
  size_t pos = 0;
  while (pos < nibbles) {
    const U8 value = nibble_at(input, pos);
    size_t run = 1;
    while (pos + run < nibbles && run < 128 && nibble_at(input, pos + run) == value) {
      run++;
    }
    pos += run;
    if (run >= 4) {
      const U32 n = (U32)run - 1;
      if (!emit(marker)) return -1;
      if (n <= 7) {
        if (!emit((U8)n)) return -1;
      } else {
        if (!emit((U8)(8 + (n >> 4)))) return -1;
        if (!emit((U8)(n & 15))) return -1;
      }
      if (!emit(value)) return -1;
    } else if (value == marker) {
      if (!emit(marker)) return -1;
      if (!emit((U8)(run - 1))) return -1;
    } else {
      for (size_t i = 0; i < run; i++) {
        if (!emit(value)) return -1;
      }
    }
  }
  return (int)((written + 1) / 2);
}

namespace {

BOOLEAN verify(const U8* input, NIBBLE_RLE_STATE* state, int inputBytes) {
  const size_t nibbles = inputBytes > 0 ? (size_t)inputBytes * 2 : 0;
  for (size_t i = 0; i < nibbles; i++) {
    const U8 decoded = U_RLE_NIBBLE_u8GetNext(state);
    if (state->bOverrun || decoded != nibble_at(input, i)) {
      return FALSE;
    }
  }
  return TRUE;
}

int decompress(U8* output, NIBBLE_RLE_STATE* state, int outputBytes) {
  if (outputBytes <= 0) {
    return 0;
  }
  const size_t nibbles = (size_t)outputBytes * 2;
  for (size_t i = 0; i < nibbles; i++) {
    const U8 value = U_RLE_NIBBLE_u8GetNext(state);
    if (state->bOverrun) {
      // The data ended inside this pixel: a byte begun keeps 0 in its low half.
      if (i & 1) {
        output[i >> 1] &= 0xF0;
      }
      return (int)((i + 1) / 2);
    }
    nibble_put(output, i, value);
  }
  return outputBytes;
}

}  // namespace

BOOLEAN U_RLE_NIBBLE_bVerify(const U8* input, const U8* compressed, int inputBytes) {
  NIBBLE_RLE_STATE state;
  U_RLE_NIBBLE_vInit(&state, compressed);
  return verify(input, &state, inputBytes);
}

BOOLEAN U_RLE_NIBBLE_bVerify(const U8* input, const U8* compressed, int inputBytes, size_t compressedBytes) {
  NIBBLE_RLE_STATE state;
  U_RLE_NIBBLE_vInitBounded(&state, compressed, compressedBytes);
  if (state.bOverrun) {
    return inputBytes <= 0;
  }
  return verify(input, &state, inputBytes);
}

int U_RLE_NIBBLE_vDecompress(U8* output, const U8* compressed, int outputBytes) {
  NIBBLE_RLE_STATE state;
  U_RLE_NIBBLE_vInit(&state, compressed);
  return decompress(output, &state, outputBytes);
}

int U_RLE_NIBBLE_vDecompress(U8* output, const U8* compressed, int outputBytes, size_t compressedBytes) {
  NIBBLE_RLE_STATE state;
  U_RLE_NIBBLE_vInitBounded(&state, compressed, compressedBytes);
  if (state.bOverrun) {
    return 0;
  }
  return decompress(output, &state, outputBytes);
}

// ---------------------------------------------------------------- byte codec

U32 U_RLE_u32CompressBound(U32 inputSize) {
  // The marker is the least frequent byte, so at most inputSize / 256 input
  // bytes are markers, each costing two output bytes; plus the marker itself.
  return 1 + inputSize + inputSize / 256;
}

U32 U_RLE_Compress(const U8* input, U8* output, U32 inputSize) {
  U32 counts[256] = {};
  for (U32 i = 0; i < inputSize; i++) {
    counts[input[i]]++;
  }
  U8 marker = 0;
  for (U32 v = 1; v < 256; v++) {
    if (counts[v] < counts[marker]) {
      marker = (U8)v;
    }
  }

  U32 out = 0;
  output[out++] = marker;
  U32 pos = 0;
  while (pos < inputSize) {
    const U8 value = input[pos];
    U32 run = 1;
    // n = run - 1 goes into at most 15 bits: runs of up to 32768.
    while (pos + run < inputSize && run < 32768 && input[pos + run] == value) {
      run++;
    }
    pos += run;
    const U32 n = run - 1;
    if (run >= 4 || value == marker) {
      output[out++] = marker;
      if (n >= 128) {
        output[out++] = (U8)(128 + (n >> 8));
        output[out++] = (U8)(n & 0xFF);
      } else {
        output[out++] = (U8)n;
      }
      if (n >= 3) {
        output[out++] = value;
      }
    } else {
      for (U32 i = 0; i < run; i++) {
        output[out++] = value;
      }
    }
  }
  return out;
}

int U_RLE_Uncompress(const U8* input, U8* output, U32 inputSize, U32 outputSize) {
  if (inputSize == 0) {
    return 0;
  }
  const U8 marker = input[0];
  U32 in = 1;
  U32 out = 0;
  while (in < inputSize) {
    const U8 value = input[in++];
    if (value != marker) {
      if (out >= outputSize) {
        return -1;
      }
      output[out++] = value;
      continue;
    }
    if (in >= inputSize) {
      return -1;
    }
    U32 n = input[in++];
    if (n >= 128) {
      if (in >= inputSize) {
        return -1;
      }
      n = (n - 128) * 256 + input[in++];
    }
    U8 symbol = marker;
    if (n >= 3) {
      if (in >= inputSize) {
        return -1;
      }
      symbol = input[in++];
    }
    const U32 copies = n + 1;
    if (copies > outputSize - out) {
      if (outputSize > out) {
        memset(output + out, symbol, outputSize - out);
      }
      return -1;
    }
    memset(output + out, symbol, copies);
    out += copies;
  }
  return (int)out;
}
