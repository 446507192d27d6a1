// The trailer of a software update image: its last 512 bytes hold
// zero-terminated "name=value" strings ended by an empty string. "model"
// names the model the image is for ("all" for every model) and "version"
// the version × 1000 as a decimal number.
#pragma once

#include <stddef.h>

#include "common/types.h"

constexpr U32 UPDATE_TRAILER_BYTES = 512;
constexpr size_t UPDATE_VALUE_SIZE = 64;  // at most 63 characters and the zero

// Scans the strings of the trailer (size bytes) for "name=" and copies its
// value, up to the first white space and at most 63 characters, to pcValue
// (UPDATE_VALUE_SIZE bytes). The scan ends at the empty string or at the
// trailer's end; a list that is not ended by the empty string inside the
// trailer yields nothing.
BOOLEAN bGetUpdateString(const U8* pu8Trailer, size_t size, const char* pcName, char* pcValue);

// A version written as decimal digits (the trailer's "4250") or as the
// program's "%1d.%03d" text ("4.250"); FALSE unless it is a positive number
// below 10,000,000 with three digits after a point when it has one.
BOOLEAN bParseUpdateVersion(const char* pcText, U32* pu32Version);

// The model name of a model number (SMDL); null for a model without a row.
const char* pcUpdateModelName(U32 u32Model);

// "#.###" of a version: version / 1000 "." version % 1000 in three digits.
void vFormatUpdateVersion(U32 u32Version, char* pcText, size_t size);
