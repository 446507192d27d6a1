// The unit's screen on this machine.
//
//  - With TESSIX_SCREEN_DIR set (headless), the shown page is written to
//    "screen.png" in that folder whenever it changes, at most one picture
//    every HOST_SCREEN_MIN_INTERVAL_MS of the monotonic clock. A change that
//    comes sooner is kept and written when the interval has passed (only the
//    newest such change). Each picture is written under a temporary name and
//    renamed, so a reader always finds a whole picture. No numbered files
//    are kept.
//  - Otherwise, when a display is present (DISPLAY or WAYLAND_DISPLAY set)
//    and SDL starts, the shown page appears in a window, 1:1 or, with
//    TESSIX_SCALE=2, doubled. Closing the window stops the unit as Ctrl-C
//    does.
//  - Otherwise nothing is shown.
// Pictures are exact: PNG records the 565 pixels losslessly, chroma-key
// pixels included.
#pragma once

#include "common/types.h"

constexpr U32 HOST_SCREEN_MIN_INTERVAL_MS = 250;

// Starts (or restarts, reading the environment again) the screen for
// pictures of width x height pixels.
void HOST_SCREEN_vStart(int width, int height);
// Stops the screen; a change still waiting for its interval is written first.
void HOST_SCREEN_vStop(void);
// The shown picture changed: copies it (rows stride_pixels apart). Cheap: the
// encoding and writing run in the screen's own thread.
void HOST_SCREEN_vPresent(const U16* pixels, int stride_pixels);
// Frames presented (handed to the screen by a page flip) since the program
// started, and the monotonic time (PLATFORM_u64MonotonicNs) of the newest.
// With TESSIX_TRACE_FRAMES=1 each frame is also traced:
//   "frame N presented at T ns crc C"
U64 HOST_SCREEN_u64FramesPresented(void);
U64 HOST_SCREEN_u64LastPresentNs(void);
// Pictures written to TESSIX_SCREEN_DIR since the last start.
U32 HOST_SCREEN_u32PicturesWritten(void);
