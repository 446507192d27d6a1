// Amplitude-to-colour tables: 256 colours, one per 8-bit amplitude, built
// from a sensitivity or explicit clip levels and copied from the system
// colour table when built (entries 0, 1-31, 32, 35 and 200-231).
#pragma once

#include "common/g_types.h"
#include "common/types.h"

enum POST_PROCESS_MODE : U32 {
  POST_PROCESS_NONE = 0,
  POST_PROCESS_WHITE_LINE = 1,
  POST_PROCESS_BOTTOM_BLACK = 2,
  POST_PROCESS_INVERSE = 3,
  POST_PROCESS_SIDESCAN = 4,
};

struct GRAYSCALE_TABLE {
  COLOR acColor[256];
  POST_PROCESS_MODE ePostProcessMode;
};

// Colour-table entries the tables use.
constexpr U32 SONAR_COLOR_BOTTOM_BLACK = 32;
constexpr U32 SONAR_COLOR_WHITE_LINE = 35;
constexpr U32 SONAR_COLOR_IMAGING_FIRST = 200;

// Upper (UE) and lower (LE) clip of an imaging sensitivity (0-20, larger
// values read as 20): the 800 kHz table for the frequency key SSF5, else
// the 455 kHz table.
U8 S_GRAYSCALE_pu8GetSSSensitivityUE(U32 fcidSideViewFreq, U8 u8Sensitivity);
U8 S_GRAYSCALE_pu8GetSSSensitivityLE(U32 fcidSideViewFreq, U8 u8Sensitivity);

// From a sensitivity, reading the transducer, frequency and TVG-view keys.
void S_GRAYSCALE_vRecalulateGrayScaleTable(GRAYSCALE_TABLE* pTable, U8 u8Sensitivity, U8 u8Gamma, U8 u8Contrast,
                                           POST_PROCESS_MODE ePostProcessMode, U8 u8WhiteLineLevel, U8 u8Flags);
// The same with the context given (transducer type, frequency key, TVG
// view) instead of read from the keys.
void S_GRAYSCALE_vRecalculateFor(GRAYSCALE_TABLE* pTable, U8 u8Sensitivity, U8 u8Gamma, U8 u8Contrast,
                                 POST_PROCESS_MODE ePostProcessMode, U8 u8WhiteLineLevel, U32 u32Transducer,
                                 U32 fcidFrequency, BOOLEAN bTvgView);
// The 2D clip levels of a sensitivity in that context.
void S_GRAYSCALE_vClips(U8 u8Sensitivity, U32 u32Transducer, BOOLEAN bTvgView, U8* pu8Lower, U8* pu8Upper);
void S_GRAYSCALE_vRecalulateGrayScaleTableDirect(GRAYSCALE_TABLE* pTable, POST_PROCESS_MODE ePostProcessMode,
                                                 U8 u8LowerClip, U8 u8UpperClip, U8 u8WhiteLineLevel);
void S_GRAYSCALE_vCreateSideScanTable(COLOR* pcolorGrayScaleLookUpTable, U8 u8NumberOfLevels, U8 u8LowerClip,
                                      U8 u8UpperClip, U8 u8Gamma, U8 u8Contrast);
// Colours u32Length amplitudes; from the bottom-black start index on (in
// bottom-black mode, 0 < index < length) the colour is entry 32.
void S_GRAYSCALE_vCategorize(const U8* pu8ReturnData, COLOR* pCategorizedData, U32 u32Length,
                             const GRAYSCALE_TABLE* pTable, U32 u32BottomBlackStartIndex, S8 s8GainAdjustment);
