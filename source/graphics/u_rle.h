// Run-length codecs.
//
// Nibble run-length stream (16-colour icons): a sequence of 4-bit nibbles,
// the high nibble of each byte first.
//   - The first nibble is the marker M (the least frequent value of the
//     encoder's input, the lowest among equals).
//   - A nibble v != M is one pixel of value v.
//   - M, count n: one nibble n when it is 0-7; a first count nibble c of 8-15
//     is followed by a second nibble d and n = (c - 8) * 16 + d (0-127).
//   - n >= 3: a value nibble v follows; the code stands for n + 1 pixels of v.
//   - n <= 2: no value follows; the code stands for n + 1 pixels of M.
//
// Byte run-length stream: the same scheme on bytes. Byte 0 is the marker; a
// byte other than the marker is a literal; marker, count byte c (c >= 128:
// a second byte b follows and n = (c - 128) * 256 + b, else n = c); n >= 3
// is followed by the symbol byte and stands for n + 1 copies of it, n <= 2
// stands for n + 1 copies of the marker.
//
// The program itself only decodes icons with U_RLE_NIBBLE_vInit and
// U_RLE_NIBBLE_u8GetNext; the other operations serve the tools that make the
// compiled-in data. Every decoder writes at most the output size it is given,
// and the variants that take the size of the compressed data never read past
// its end.
#pragma once

#include <cstddef>

#include "common/types.h"

// Decoder state of a nibble stream; lives on the caller's stack.
typedef struct {
  const U8* pu8Data;   // byte holding the next nibble
  BOOLEAN bHighNibble; // the next nibble is the high one
  U8 u8Marker;
  U8 u8Nibble;         // value being repeated
  int nRepeat;         // repeats still owed
  const U8* pu8End;    // end of the data, or null when the caller bounds it
  BOOLEAN bOverrun;    // a read was refused at pu8End
} NIBBLE_RLE_STATE;

// Starts decoding: the marker is the high nibble of the first byte; reading
// continues with that byte's low nibble.
void U_RLE_NIBBLE_vInit(NIBBLE_RLE_STATE* state, const U8* data);
// The same over dataBytes bytes of data: reads past the end give 0 and set
// bOverrun. With dataBytes 0 the marker is 0 and every pixel 0.
void U_RLE_NIBBLE_vInitBounded(NIBBLE_RLE_STATE* state, const U8* data, size_t dataBytes);
// The next pixel value (0-15).
U8 U_RLE_NIBBLE_u8GetNext(NIBBLE_RLE_STATE* state);

// Encodes the 2 * inputBytes nibbles of the input. Returns the output length
// in bytes (nibbles rounded up; the low half of a final byte is left as it
// was), or -1 as soon as the output would reach the input's length in
// nibbles: the output then needs at most inputBytes bytes.
int U_RLE_NIBBLE_nCompress(const U8* input, U8* output, int inputBytes);
// Decodes the compressed stream and compares it nibble by nibble with the
// input's 2 * inputBytes nibbles; FALSE at the first difference.
BOOLEAN U_RLE_NIBBLE_bVerify(const U8* input, const U8* compressed, int inputBytes);
BOOLEAN U_RLE_NIBBLE_bVerify(const U8* input, const U8* compressed, int inputBytes, size_t compressedBytes);
// Decodes outputBytes bytes (two pixels a byte, high nibble first) and
// returns the number of bytes written: outputBytes, or fewer when bounded
// compressed data ended first (a byte whose high nibble alone was decoded
// counts, its low nibble then 0). Despite its name it returns that count.
int U_RLE_NIBBLE_vDecompress(U8* output, const U8* compressed, int outputBytes);
int U_RLE_NIBBLE_vDecompress(U8* output, const U8* compressed, int outputBytes, size_t compressedBytes);

// Byte codec. The output of U_RLE_Compress needs at most
// U_RLE_u32CompressBound(inputSize) bytes; returns the output size.
U32 U_RLE_u32CompressBound(U32 inputSize);
U32 U_RLE_Compress(const U8* input, U8* output, U32 inputSize);
// Decodes inputSize bytes of compressed data into at most outputSize bytes.
// Returns the number of bytes written, or -1 when the stream is corrupt: a
// code cut off by the end of the input, or runs that would pass the end of
// the output (the output then holds what fitted).
int U_RLE_Uncompress(const U8* input, U8* output, U32 inputSize, U32 outputSize);
