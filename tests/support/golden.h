// Golden-picture checks: compares a 565 picture with tests/golden/<name>.png.
//
// On a mismatch (or a missing golden) the test fails with the number and
// first position of differing pixels, and the actual picture is written to
// golden-actual/<name>.png beside the test program, with a map of the
// differences as golden-actual/<name>.diff.png (differing pixels magenta over
// a dimmed copy of the golden).
//
// With TESSIX_UPDATE_GOLDEN=1 in the environment the golden is (re)written
// from the actual picture instead and the check passes.
#pragma once

#include <gtest/gtest.h>

#include "common/types.h"

// The check itself; source_dir is the root of the source tree.
::testing::AssertionResult GoldenMatches(const char* source_dir, const U16* pixels, int width, int height,
                                         int stride_pixels, const char* name);

#ifdef TESSIX_SOURCE_DIR
// pixels: width x height, rows stride_pixels apart, the first row the top of
// the picture. name may hold folders ("display/cls").
inline void ExpectMatchesGolden(const U16* pixels, int width, int height, int stride_pixels, const char* name) {
  EXPECT_TRUE(GoldenMatches(TESSIX_SOURCE_DIR, pixels, width, height, stride_pixels, name)) << "golden " << name;
}
#endif
