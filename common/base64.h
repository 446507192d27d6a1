// Base64 text (RFC 4648 alphabet, "=" padding). The buffers come from the C
// library's allocator; the caller releases them with free().
#pragma once

#include "common/types.h"

// A NUL-terminated encoding of the bytes, or nullptr when there are none (or
// no memory).
char* BASE64_pcEncode(const U8* pu8Data, U32 u32Count);

// Decodes the text into a new buffer and stores its length in *pu32Length.
// The characters are not checked (use BASE64_bIsBase64 first); the text is
// read up to its NUL only. nullptr and a length of 0 for a missing or empty
// text (or no memory).
U8* BASE64_pu8Decode(const char* pcText, U32* pu32Length);

// TRUE when the text can be Base64: a length that is a multiple of 4, only
// alphabet characters and "=", and "=" only in the last three positions.
BOOLEAN BASE64_bIsBase64(const char* pcText);
