// The two pictures compiled into the unit: PNG files of 800 x 600 pixels,
// 8-bit RGB, every row filter type 0, IDAT chunks of 16384 bytes.
#pragma once

#include "common/types.h"

extern const U8 g_au8WeatherPicture[];
extern const U32 g_u32WeatherPictureSize;
extern const U8 g_au8LakePicture[];
extern const U32 g_u32LakePictureSize;
