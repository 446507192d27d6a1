// Total screen update: a window rebuilt at once from the stored raw columns
// for the current range, palette and tables (view task).
#include <string.h>

#include "source/core/h_database.h"
#include "source/graphics/t_view.h"
#include "source/history/history_int.h"
#include "source/history/s_columns.h"
#include "source/sonar/s_fresample.h"
#include "source/sonar/s_transducer.h"

namespace {

// Work columns of the rebuild (view task only).
U8 s_au8Amplitudes[800];
U8 s_au8SavedNadscan[800];
COLOR s_acColours[800];

struct SOURCE {
  BEAM beam;
  U32 slot;
  U32 k;
  U32 countdown;
};

// The bottom-black start index of a slot, holding the last one five more
// columns after a slot without depth.
U32 u32BottomIndex(const TSU_STORE_COLUMN& slot, const SONAR_WINDOW* w, U32 h, POST_PROCESS_MODE mode, BEAM beam,
                   SOURCE* src) {
  if (mode == POST_PROCESS_BOTTOM_BLACK && slot.fDepthMetres > 0.0f && beam != 2 && beam != 3) {
    src->k = S_COLUMNS_u32BottomIndex(slot.fDepthMetres, w->fUpperDisplayedMetres, w->fLowerDisplayedMetres, h);
    src->countdown = 5;
  } else if (src->countdown > 0) {
    --src->countdown;
  } else {
    src->k = h;
  }
  return src->k;
}

// Resamples one stored slot into h amplitudes and gives its bottom-black
// index; FALSE when the slot is skipped.
BOOLEAN bResampleSlot(const TSU_STORE_COLUMN& slot, const SONAR_WINDOW* w, U32 h, POST_PROCESS_MODE mode, BEAM beam,
                      SOURCE* src, BOOLEAN bLock, U32* pK) {
  if (slot.u8SampleFactor == 0) return FALSE;
  const U32 f = slot.u8SampleFactor;
  const U32 k = u32BottomIndex(slot, w, h, mode, beam, src);
  U32 first = w->u32UpperSample / f;
  U32 count = w->u32LowerSample > w->u32UpperSample ? (w->u32LowerSample - w->u32UpperSample) / f : 0;
  U32 pad = 0;
  if (bLock) {
    // Bottom lock: the window's samples are distances above and below the
    // bottom; a bottom shallower than the upper distance leaves blank rows
    // at the top.
    const U32 d = slot.u32SmoothedDepthInSamples, u = w->u32UpperSample, l = w->u32LowerSample;
    const U32 span = (u + l) / f;
    if (d >= u) {
      first = (d - u) / f;
      count = span;
    } else {
      first = 0;
      count = (l + d) / f;
      pad = span == 0 ? 0 : (U32)((U64)((u - d) / f) * h / span);
      if (pad > h) pad = h;
    }
  }
  const U32 extent = slot.u32SamplesInStore > first ? slot.u32SamplesInStore - first : 0;
  const U8* in = slot.au8Data + (first < slot.u32TSUDataLength ? first : 0);
  for (U32 r = 0; r < pad; ++r) s_au8Amplitudes[r] = 0;
  S_FRESAMPLE_vFastResample(in, count, extent, s_au8Amplitudes + pad, h - pad);
  if ((beam == 2 || beam == 3) && S_TRANSDUCER_u8CurrentTransducer(1) == 2) S_COLUMNS_vQuadBoost(s_au8Amplitudes, h);
  *pK = k;
  return TRUE;
}

// Resamples and colours one stored slot into h colours; FALSE when the slot
// is skipped.
BOOLEAN bColourSlot(const TSU_STORE_COLUMN& slot, const SONAR_WINDOW* w, U32 h, POST_PROCESS_MODE mode, BEAM beam,
                    const GRAYSCALE_TABLE* table, SOURCE* src, BOOLEAN bLock) {
  U32 k = h;
  if (!bResampleSlot(slot, w, h, mode, beam, src, bLock, &k)) return FALSE;
  S_GRAYSCALE_vCategorize(s_au8Amplitudes, s_acColours, h, table, k, s_sBeamInfo[beam].s8Gain);
  return TRUE;
}

}  // namespace

void vTotalScreenUpdate(SONAR_WINDOW* pWindow, U32 h, U32 u32Width, POST_PROCESS_MODE BottomView,
                        BOOLEAN bBottomLockZoom) {
  const BEAM beam = pWindow->Beam;
  if (beam > 5 || pWindow->ScreenHistory.pBmp == nullptr) return;
  SONAR_HISTORY* ring = &pWindow->ScreenHistory;
  BITMAP* bmp = ring->pBmp;
  const U32 ringW = (U32)bmp->pixels_wide, H = (U32)bmp->pixels_high_full_screen;
  if (h > H) h = H;
  if (h > 800) h = 800;
  (void)L_MUTEX_LockWait(ring->Resource);
  U32 N = s_bReverseScroll.load() ? ringW : u32Width;
  if (N > ringW) N = ringW;
  const U32 next = ring->u16NextFreeColumn;
  U32 x = next >= N ? next - N : next + ringW - N;
  (void)L_MUTEX_Unlock(ring->Resource);
  if (N == 0) return;
  const GRAYSCALE_TABLE* table = S_COLUMNS_pTableForWindow(beam);
  SOURCE sources[4];
  U32 nSources = 0;
  if (beam < 4) {
    sources[nSources++] = SOURCE{beam, 0, h, 0};
  } else {
    const U8 imaging = S_TRANSDUCER_u8CurrentTransducer(1);
    for (BEAM j = 0; j < 4; ++j) {
      if (s_sBeamInfo[j].beamBlend != beam) continue;
      if (beam == 5 && j == 2 && (imaging == 15 || imaging == 17 || imaging == 18)) continue;
      sources[nSources++] = SOURCE{j, 0, h, 0};
    }
  }
  (void)L_MUTEX_LockWait(RES_TSU);
  for (U32 i = 0; i < nSources; ++i) {
    const U32 storeNext = TSUStore[sources[i].beam].u32NextFreeColumn;
    sources[i].slot = storeNext >= N ? storeNext - N : storeNext + HISTORY_RING_SLOTS - N;
  }
  (void)L_MUTEX_Unlock(RES_TSU);
  const U32 pitch = bmp->__u32PixelWidthOfBuffer;
  COLOR* px = G_BITMAP_pPixels(bmp);
  U32 sdbw = 2;
  NADSCAN_FILTER* filter = nullptr;
  if (beam == 5) {
    (void)H_DATABASE_bFetchU32(FCID("SDBW"), &sdbw);
    // A rebuild is a new run of columns for the filter.
    filter = S_COLUMNS_pNadscanFilter(NADSCAN_FILTER_REBUILD);
    filter->bClear.store(TRUE);
  }
  const COLOR bg = BackGroundColor.load();
  for (U32 c = 0; c < N; ++c) {
    if (beam < 4) {
      const TSU_STORE_COLUMN& slot = TSUStore[beam].aTsuStore[sources[0].slot];
      if (bColourSlot(slot, pWindow, h, BottomView, beam, table, &sources[0], bBottomLockZoom)) {
        for (U32 r = 0; r < h; ++r) px[(size_t)r * pitch + x] = s_acColours[r];
        for (U32 r = h; r < H; ++r) px[(size_t)r * pitch + x] = bg;
      }
    } else if (beam == 5) {
      // The Nadscan picture: the left beam's amplitudes are kept and
      // combined with the right beam's, filtered, coloured once.
      for (U32 r = 0; r < H; ++r) px[(size_t)r * pitch + x] = bg;
      BOOLEAN saved = FALSE;
      for (U32 i = 0; i < nSources; ++i) {
        const BEAM j = sources[i].beam;
        const TSU_STORE_COLUMN& slot = TSUStore[j].aTsuStore[sources[i].slot];
        U32 k = h;
        if (!bResampleSlot(slot, pWindow, h, BottomView, j, &sources[i], bBottomLockZoom, &k)) continue;
        if (j == 2) {
          memcpy(s_au8SavedNadscan, s_au8Amplitudes, h);
          saved = TRUE;
          continue;
        }
        if (saved) {
          for (U32 r = 0; r < h; ++r) s_au8Amplitudes[r] = S_COLUMNS_u8CombineNadscan(s_au8SavedNadscan[r], s_au8Amplitudes[r], sdbw);
        }
        S_COLUMNS_vNadscanFilter(filter, s_au8Amplitudes, h);
        S_GRAYSCALE_vCategorize(s_au8Amplitudes, s_acColours, h, table, k, s_sBeamInfo[j].s8Gain);
        S_COLUMNS_vBlendInto(j, s_acColours, pWindow, h, px + x, pitch, FALSE);
      }
    } else {
      for (U32 r = 0; r < H; ++r) px[(size_t)r * pitch + x] = bg;
      for (U32 i = 0; i < nSources; ++i) {
        const BEAM j = sources[i].beam;
        const TSU_STORE_COLUMN& slot = TSUStore[j].aTsuStore[sources[i].slot];
        if (j == 0 && slot.bNoiseTooHighForBlend) continue;
        if (!bColourSlot(slot, pWindow, h, BottomView, j, table, &sources[i], bBottomLockZoom)) continue;
        S_COLUMNS_vBlendInto(j, s_acColours, pWindow, h, px + x, pitch, FALSE);
      }
    }
    for (U32 i = 0; i < nSources; ++i) sources[i].slot = sources[i].slot + 1 >= HISTORY_RING_SLOTS ? 0 : sources[i].slot + 1;
    x = x + 1 >= ringW ? 0 : x + 1;
    if ((c + 1) % 16 == 0 && T_VIEW_bViewChangedWhileRendering()) break;
  }
}
