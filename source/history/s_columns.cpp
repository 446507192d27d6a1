#include "source/history/s_columns.h"

#include <string.h>
#include "source/history/s_imaging.h"

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/history/history_int.h"
#include "source/sonar/s_accum.h"
#include "source/sonar/s_filter.h"
#include "source/sonar/s_transducer.h"

namespace {

U8 s_au8Main[800];
U8 s_au8Nadscan[800];
U8 s_au8SavedNadscan[800];
TEMPERATURE_RECORD s_Temperature = {{}, 0.0f, 0.0f, TRUE, 20};

NADSCAN_FILTER s_aNadscanFilters[3];

BOOLEAN bSideLooking(U8 t) { return t == 5 || t == 9 || t == 10 || t == 16; }
BOOLEAN bNadscanType(U8 t) { return t == 15 || t == 17 || t == 18; }

const SONAR_WINDOW kDefaultWindow{};

U32 u32PrevSlot(U32 s) { return s == 0 ? HISTORY_RING_SLOTS - 1 : s - 1; }

// Bottom index from the previous slots' depth (up to five back).
U32 u32LiveBottomIndex(const FULL_SCREEN_TSU* store, U32 s, const SONAR_WINDOW* w, U32 h) {
  U32 p = u32PrevSlot(s);
  for (U32 tries = 0; tries < 5; ++tries, p = u32PrevSlot(p)) {
    const F32 x = store->aTsuStore[p].fDepthMetres;
    if (x > 0.0f) return S_COLUMNS_u32BottomIndex(x, w->fUpperDisplayedMetres, w->fLowerDisplayedMetres, h);
  }
  return h;
}

// The new column's fish go into the beam's own history (linked there) and,
// for a beam that feeds a combined picture, into the combined column's list,
// whose links are cleared so that it is linked afresh in its own history.
void vAddColumnFish(BEAM_INFO& bi) {
  S_FISHID_vAddFishTargetListToHistory(&bi.FishHistory, &bi.FishList);
  if (SonarViewInfo.bFishID) S_FISHID_vCheckAlarm(&bi.FishHistory, s_FishAlarmSize.load());
  if (bi.beamBlend == BEAM_NONE || bi.beamBlend >= HISTORY_BEAMS) return;
  BEAM_INFO& blend = s_sBeamInfo[bi.beamBlend];
  if (!blend.bFishListDirty) {
    blend.bFishListDirty = TRUE;
    S_FISHID_vCopyFishTargetList(&blend.FishList, &bi.FishList);
  } else {
    S_FISHID_vMergeFishTargetLists(&blend.FishList, &bi.FishList);
  }
  S_FISHID_vClearPreviousInstances(&blend.FishList);
}

}  // namespace

std::atomic<U32> s_u32NadscanFilter{0};

NADSCAN_FILTER* S_COLUMNS_pNadscanFilter(NADSCAN_FILTER_USER eUser) {
  return eUser <= NADSCAN_FILTER_INSET ? &s_aNadscanFilters[eUser] : nullptr;
}

void S_COLUMNS_vNadscanFilter(NADSCAN_FILTER* p, U8* pu8Column, U32 n) {
  if (p == nullptr || pu8Column == nullptr) return;
  if (p->bClear.exchange(FALSE)) {
    memset(p->au8Lines, 0, sizeof p->au8Lines);
    p->u32Line = 0;
  }
  const U32 level = s_u32NadscanFilter.load();
  if (level == 0 || n > 600) return;
  S_FILTER_v2D_Latscan_Filter(n, pu8Column, pu8Column, (FILTER_TYPE)level, &p->u32Line, p->au8Lines, 600);
}

void S_COLUMNS_vFlagNadscanFilters(void) {
  for (NADSCAN_FILTER& f : s_aNadscanFilters) f.bClear.store(TRUE);
}

U32 S_COLUMNS_u32BottomIndex(F32 x, F32 upper, F32 lower, U32 h) {
  if (x <= upper) return 0;
  if (x > lower || lower <= upper) return h;
  return (U32)((x - upper) * (F32)h / (lower - upper) + 0.5f);
}

void S_COLUMNS_vQuadBoost(U8* p, U32 n) {
  for (U32 i = 0; i < n; ++i) {
    const U32 v = (U32)p[i] * 2 + p[i] / 2;
    p[i] = (U8)(v > 255 ? 255 : v);
  }
}

U8 S_COLUMNS_u8CombineNadscan(U8 a, U8 b, U32 sdbw) {
  const U32 hi = a > b ? a : b, lo = a > b ? b : a;
  U32 w1 = 256, w2 = 0;
  if (sdbw == 0) {
    w1 = 0;
    w2 = 256;
  } else if (sdbw == 1) {
    w1 = 90;
    w2 = 166;
  }
  return (U8)((w1 * hi + w2 * lo) >> 8);
}

const GRAYSCALE_TABLE* S_COLUMNS_pTableForWindow(BEAM beam) {
  const U8 t = S_TRANSDUCER_u8CurrentTransducer(1);
  if (((beam == 2 || beam == 3) && bSideLooking(t)) || (beam == 3 && bNadscanType(t))) return &SidescanGrayScaleTable;
  if (beam == 5) return &NadscanGrayScaleTable;
  return &StandardBeamGrayScaleTable;
}

U32 S_COLUMNS_u32BlendDepth(const SONAR_WINDOW* w, U32 h, U32 i) {
  if (h < 2) return w->u32UpperSample;
  const U32 span = w->u32LowerSample > w->u32UpperSample ? w->u32LowerSample - w->u32UpperSample : 0;
  return w->u32UpperSample + ((span * 256 / (h - 1) * i) >> 8);
}

void S_COLUMNS_vBlendInto(BEAM source, const COLOR* colours, const SONAR_WINDOW* w, U32 h, COLOR* top, U32 pitch,
                          BOOLEAN bNoise) {
  BLENDING_FUNCTION* blend = s_sBeamInfo[source].pfBlend;
  if (blend == nullptr || h < 2) return;
  const COLOR bg = BackGroundColor.load();
  for (U32 i = 0; i < h; ++i) {
    if (colours[i] == bg) continue;
    const COLOR c = blend(colours[i], S_COLUMNS_u32BlendDepth(w, h, i), bNoise);
    if (c != bg) top[(size_t)i * pitch] = c;
  }
}

void S_COLUMNS_vTemperatureSample(F32 v, BOOLEAN bFahrenheit) {
  TEMPERATURE_RECORD& t = s_Temperature;
  t.u32Range = bFahrenheit ? 20 : 10;
  if (t.bInitialCycle) {
    for (F32& r : t.fReading) r = -300.0f;
    if (v != -300.0f) {
      t.fMax = v + (F32)t.u32Range / 2;
      t.fMin = v - (F32)t.u32Range / 2;
    }
    t.bInitialCycle = FALSE;
    return;
  }
  for (U32 i = 799; i > 0; --i) t.fReading[i] = t.fReading[i - 1];
  t.fReading[0] = v;
  F32 mx = v, mn = v;
  for (U32 i = 1; i < 800; ++i) {
    const F32 r = t.fReading[i];
    if (r > mx) mx = r;
    if (r != -300.0f && r < mn && r <= mx) mn = r;
  }
  t.fMax = mx;
  t.fMin = mn;
}

const TEMPERATURE_RECORD* S_COLUMNS_pTemperature(void) { return &s_Temperature; }
void S_COLUMNS_vResetTemperature(void) { s_Temperature.bInitialCycle = TRUE; }

void vProcessAccumulators(U8 b) {
  if (b > 3) return;
  if (s_u32SystemState.load() == STATE_PLAYBACK && s_bEndFill.load()) return;
  const U8 t2d = S_TRANSDUCER_u8CurrentTransducer(0), timg = S_TRANSDUCER_u8CurrentTransducer(1);
  const BEAM B = b < 2 ? 4 : 5;
  BEAM first = b < 2 ? 0 : 2, last = b < 2 ? 1 : 3;
  BOOLEAN opens = b == 1 || b == 3;
  if (t2d == 15 && b == 3) first = 3;
  if (t2d == 15 && b == 2) {
    first = last = 2;
    opens = FALSE;
  }
  BEAM_INFO& bi = s_sBeamInfo[b];
  BEAM_INFO& blend = s_sBeamInfo[B];
  if (opens) {
    for (SONAR_WINDOW* w : {blend.pMain, blend.pZoom}) {
      if (w == nullptr) continue;
      const U32 H = (U32)w->ScreenHistory.pBmp->pixels_high_full_screen;
      vClearColumnInHistory(&w->ScreenHistory, H - 1, 0);
    }
    blend.bFishListDirty = FALSE;
  }
  if (!s_bEndFill.load()) {
    const GRAYSCALE_TABLE* table =
        (((b == 2 || b == 3) && bSideLooking(timg)) || (b == 3 && bNadscanType(timg))) ? &SidescanGrayScaleTable
                                                                                      : &StandardBeamGrayScaleTable;
    const SONAR_WINDOW* M = bi.pMain != nullptr ? bi.pMain : (blend.pMain != nullptr ? blend.pMain : &kDefaultWindow);
    const SONAR_WINDOW* N = bi.beamBlend == 5 ? s_sBeamInfo[5].pMain : nullptr;
    FULL_SCREEN_TSU* store = bi.pTSUStore;
    (void)L_MUTEX_LockWait(RES_TSU);
    const U32 s = store->u32NextFreeColumn;
    const U32 hM = M->u32HistoryHeight > 800 ? 800 : M->u32HistoryHeight;
    const U32 mainCount = M->u32LowerSample > M->u32UpperSample ? M->u32LowerSample - M->u32UpperSample : 0;
    const U32 hN = N != nullptr ? (N->u32HistoryHeight > 800 ? 800 : N->u32HistoryHeight) : 0;
    BOOLEAN noise = FALSE;
    const ACCUMULATOR_STATUS st = T_N_PROCESS_eGetDataForDisplay(
        b, &store->aTsuStore[s], s_au8Main, M->u32UpperSample, mainCount, nullptr, 0, 0,
        N != nullptr ? s_au8Nadscan : nullptr, N != nullptr ? N->u32UpperSample : 0,
        N != nullptr && N->u32LowerSample > N->u32UpperSample ? N->u32LowerSample - N->u32UpperSample : 0, &bi.FishList,
        hM, 0, hN, bForceResample.load(), &noise);
    BOOLEAN newColumn = FALSE;
    if (st == ACCUMULATOR_HAD_NO_DATA) {
      S_TSU_vResetColumn(&store->aTsuStore[s]);
      S_FISHID_vAddEmptyFishTargetListToHistory(&bi.FishHistory);
    } else if (st == ACCUMULATOR_HAD_NO_NEW_DATA) {
      const U32 p = s_bReverseScroll.load() ? (s + 1 >= HISTORY_RING_SLOTS ? 0 : s + 1) : u32PrevSlot(s);
      if (bi.bPinging) {
        S_TSU_vCopyTsuColumn(&store->aTsuStore[s], &store->aTsuStore[p]);
        S_FISHID_vDuplicateFishTargetListInHistory(&bi.FishHistory);
      } else {
        S_TSU_vResetColumn(&store->aTsuStore[s]);
        S_FISHID_vAddEmptyFishTargetListToHistory(&bi.FishHistory);
      }
    } else {
      newColumn = TRUE;
      const BOOLEAN imagingWindow = M->Beam == 2 || M->Beam == 3;
      const U32 k = (imagingWindow || SonarViewInfo.BottomView != POST_PROCESS_BOTTOM_BLACK)
                        ? hM
                        : u32LiveBottomIndex(store, s, M, hM);
      if ((b == 2 || b == 3) && timg == 2) S_COLUMNS_vQuadBoost(s_au8Main, hM);
      S_GRAYSCALE_vCategorize(s_au8Main, s_aColorColumnMain[b], hM, table, k, bi.s8Gain);
      if (N != nullptr && hN <= 600) {
        if (b == 2 && !bNadscanType(timg)) {
          for (U32 i = 0; i < hN; ++i) s_au8SavedNadscan[i] = s_au8Nadscan[i];
        } else if (b == 3) {
          if (bNadscanType(timg))
            for (U32 i = 0; i < hN; ++i) s_au8SavedNadscan[i] = s_au8Nadscan[i];
          U32 sdbw = 2;
          (void)H_DATABASE_bFetchU32(FCID("SDBW"), &sdbw);
          for (U32 i = 0; i < hN; ++i) s_au8Nadscan[i] = S_COLUMNS_u8CombineNadscan(s_au8SavedNadscan[i], s_au8Nadscan[i], sdbw);
          S_COLUMNS_vNadscanFilter(&s_aNadscanFilters[NADSCAN_FILTER_COLUMNS], s_au8Nadscan, hN);
          S_GRAYSCALE_vCategorize(s_au8Nadscan, s_aColorColumnNadscan, hN, &NadscanGrayScaleTable, k, bi.s8Gain);
        }
      }
      vAddColumnFish(bi);
    }
    // Store bookkeeping.
    if (s_bReverseScroll.load()) {
      store->u32NextFreeColumn = u32PrevSlot(s);
      if (newColumn && s_bEndFill.load() && store->u32ColumnsInUse < HISTORY_RING_SLOTS) ++store->u32ColumnsInUse;
    } else {
      store->u32NextFreeColumn = s + 1 >= HISTORY_RING_SLOTS ? 0 : s + 1;
      if (store->u32ColumnsInUse < HISTORY_RING_SLOTS) ++store->u32ColumnsInUse;
    }
    if (!newColumn && s_u32SystemState.load() == STATE_PLAYBACK && !bi.bPinging && store->u32ColumnsInUse > 0 &&
        s_bReverseScroll.load()) {
      --store->u32ColumnsInUse;
    }
    (void)L_MUTEX_Unlock(RES_TSU);
    // Pixels.
    if (bi.pMain != nullptr) {
      SONAR_HISTORY* ring = &bi.pMain->ScreenHistory;
      const U32 H = (U32)ring->pBmp->pixels_high_full_screen;
      if (newColumn) {
        vDrawColumnInHistory(s_aColorColumnMain[b], ring, H - 1, H - hM);
      } else if (s_u32SystemState.load() == STATE_PLAYBACK && !bi.bPinging) {
        vClearColumnInHistory(ring, H - 1, 0);
        vAdvanceHistory(ring);
      } else {
        vDuplicateColumnInHistory(ring, H - 1, 0);
      }
    }
    for (BEAM j = first; j <= last; ++j) {
      const BEAM_INFO& src = s_sBeamInfo[j];
      if (src.beamBlend == BEAM_NONE) continue;
      SONAR_WINDOW* W = s_sBeamInfo[src.beamBlend].pMain;
      if (W == nullptr || (!src.bPinging && s_u32SystemState.load() == STATE_PLAYBACK)) continue;
      SONAR_HISTORY* ring = &W->ScreenHistory;
      const U32 hW = W->u32HistoryHeight > 800 ? 800 : W->u32HistoryHeight;
      const COLOR* colours = src.beamBlend == 5 ? s_aColorColumnNadscan : s_aColorColumnMain[j];
      (void)L_MUTEX_LockWait(ring->Resource);
      COLOR* top = G_BITMAP_pPixels(ring->pBmp) + ring->u16NextFreeColumn;
      S_COLUMNS_vBlendInto(j, colours, W, hW, top, ring->pBmp->__u32PixelWidthOfBuffer,
                           noise);
      (void)L_MUTEX_Unlock(ring->Resource);
    }
  }
  if (opens && !s_bEndFill.load()) {
    if (blend.pMain != nullptr) vAdvanceHistory(&blend.pMain->ScreenHistory);
    if (blend.pZoom != nullptr) vAdvanceHistory(&blend.pZoom->ScreenHistory);
    if (blend.bFishListDirty) {
      S_FISHID_vAddFishTargetListToHistory(&blend.FishHistory, &blend.FishList);
    } else {
      S_FISHID_vDuplicateFishTargetListInHistory(&blend.FishHistory);
    }
  }
  bForceResample.store(FALSE);
}

void S_COLUMNS_vAddColumns(U32 u32NumColumns, U8 Beam, U8) {
  if (s_bCursorActive.load()) {
    T_N_PROCESS_vClearAllAccumulators();
    return;
  }
  for (U32 i = 0; i < u32NumColumns; ++i) vProcessAccumulators(Beam);
  F32 temperature = 0.0f;
  BOOLEAN valid = FALSE;
  if (H_DATABASE_bFetchFloat(FCID("ITMP"), &temperature, &valid) && valid) {
    S_COLUMNS_vTemperatureSample(temperature, H_DATABASE_CurrentUnits(D_TEMPERATURE) == U_FAHRENHEIT);
  }
  if (!SonarViewInfo.Window[0].bManualDepthRange) {
    (void)L_MUTEX_LockWait(RES_S_INFO);
    vAutoSelectLowerDepthRange();
    vCalculateDisplayedDepthRanges(FALSE);
    if (CurrentView.load() == SONAR_DUAL_BEAM_VIEW_PRIORITY) S_LAYOUT_vCopyWindow0To1();
    (void)L_MUTEX_Unlock(RES_S_INFO);
  }
  if (CurrentView.load() == SONAR_ZOOM_VIEW_PRIORITY) {
    (void)L_MUTEX_LockWait(RES_S_INFO);
    vSetupZoomRange(FALSE);
    (void)L_MUTEX_Unlock(RES_S_INFO);
  }
  switch (CurrentView.load()) {
    case SONAR_VIEW_PRIORITY:
    case SONAR_SIDEVIEW_AND_DOWN:
    case SONAR_SIDEVIEW:
    case CHART_PLUS_NADSCAN_VIEW_PRIORITY:
    case CHART_PLUS_2D_VIEW_PRIORITY:
    case CHART_PLUS_SI_VIEW_PRIORITY:
    case CHART_PLUS_SIDESCAN_VIEW_PRIORITY:
    case NADSCAN_VIEW_PRIORITY:
    case NADSCAN_PLUS_2D_VIEW_PRIORITY:
    case SONAR_2D_PLUS_SI_VIEW_PRIORITY:
    case SONAR_ZOOM_VIEW_PRIORITY:
    case SONAR_DUAL_BEAM_VIEW_PRIORITY:
    case SONAR_SIDESCAN_PLUS_2D_PRIORITY:
    case MEGA_DIGIT_VIEW_PRIORITY:
    case SONAR_FLASHER_PRIORITY:
    case SONAR_3D_PLUS_2D_VIEW_PRIORITY:
    case DOWNRIGGER_VIEW_PRIORITY:
      (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
      break;
    default:
      break;
  }
}
