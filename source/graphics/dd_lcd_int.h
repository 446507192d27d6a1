// Inside the display driver: the step of showing a page that feeds the
// television.
#pragma once

#include <stddef.h>

#include "common/types.h"

// Counts the frame and, while the television is on and the first frames
// have passed, merges the page (rows lineLength bytes apart) with the
// graphics plane into the television plane. A null page counts and copies
// nothing.
void DD_LCD_vCopyToTelevision(const U8* page, size_t lineLength);
