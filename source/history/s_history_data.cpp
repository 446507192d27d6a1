// The history's shared data, the stored-column operations and the ring
// primitives.
#include <cstring>

#include "lsvc/lsvc.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_bmp.h"
#include "source/history/s_history.h"

SONAR_VIEW_INFO SonarViewInfo;
BEAM_INFO s_sBeamInfo[HISTORY_BEAMS];
std::atomic<FISH_SIZE_ALARM> s_FishAlarmSize{FISH_SIZE_ALARM_OFF};
FULL_SCREEN_TSU TSUStore[4];
GRAYSCALE_TABLE StandardBeamGrayScaleTable;
GRAYSCALE_TABLE SidescanGrayScaleTable;
GRAYSCALE_TABLE NadscanGrayScaleTable;
COLOR s_aColorColumnMain[4][800];
COLOR s_aColorColumnZoom[4][800];
COLOR s_aColorColumnNadscan[800];
std::atomic<COLOR> BackGroundColor{0xFFFF};
std::atomic<BOOLEAN> bForceResample{FALSE};
std::atomic<BOOLEAN> gbSonarWindowsSetup{FALSE};
S32 s32UpperRange = 0;
S32 s32LowerRange = 0;
std::atomic<BOOLEAN> s_bEnableShortTxPing{TRUE};
std::atomic<BOOLEAN> s_bReverseScroll{FALSE};

namespace {

// Pixels of the three history bitmaps (16-bit pixels, 820 × 600 each).
alignas(8) U32 au32HistoryBuffer[HISTORY_WINDOWS][HISTORY_RING_SLOTS * HISTORY_BITMAP_HEIGHT / 2];
BITMAP s_aHistoryBitmap[HISTORY_WINDOWS];
// Sample buffers of the stores: beams 0 and 1, beams 2 and 3.
U8 TSUData[2][HISTORY_RING_SLOTS][TSU_DATA_LENGTH];
U8 TSUSIData[2][HISTORY_RING_SLOTS][TSU_DATA_LENGTH];
bool s_bCreated = false;

COLOR colourBackground() { return BackGroundColor.load(std::memory_order_relaxed); }

void vEmptyStore(FULL_SCREEN_TSU* store) {
  store->u32NextFreeColumn = 0;
  store->u32ColumnsInUse = 0;
  for (TSU_STORE_COLUMN& slot : store->aTsuStore) S_TSU_vResetColumn(&slot);
}

void vFillRing(SONAR_HISTORY* h) {
  COLOR* px = G_BITMAP_pPixels(h->pBmp);
  const COLOR bg = colourBackground();
  for (U32 i = 0; i < HISTORY_RING_SLOTS * HISTORY_BITMAP_HEIGHT; ++i) px[i] = bg;
  h->u16NextFreeColumn = 0;
}

COLOR* pPixel(const SONAR_HISTORY* h, U32 x, U32 row) {
  return G_BITMAP_pPixels(h->pBmp) + (size_t)row * h->pBmp->__u32PixelWidthOfBuffer + x;
}

U32 u32Width(const SONAR_HISTORY* h) { return (U32)h->pBmp->pixels_wide; }
U32 u32Height(const SONAR_HISTORY* h) { return (U32)h->pBmp->pixels_high_full_screen; }

// Advance without the mutex (the caller holds it).
void vAdvance(SONAR_HISTORY* h) {
  const U32 w = u32Width(h);
  if (s_bReverseScroll.load()) {
    h->u16NextFreeColumn = (U16)(h->u16NextFreeColumn == 0 ? w - 1 : h->u16NextFreeColumn - 1);
  } else {
    h->u16NextFreeColumn = (U16)(h->u16NextFreeColumn + 1u >= w ? 0 : h->u16NextFreeColumn + 1);
  }
}

}  // namespace

U32 S_HISTORY_u32MetresToSample(F32 fMetres) {
  const U32 c = g_u32SpeedOfSoundInWater.load();
  if (fMetres <= 0.0f || c == 0) return 0;
  return ((U32)((double)fMetres * 2000000.0 / c) + 13) / 26;
}

void S_TSU_vResetColumn(TSU_STORE_COLUMN* p) {
  p->u32SamplesInStore = 0;
  p->bNoiseTooHighForBlend = FALSE;
  p->Location.bPositionValid = FALSE;
  p->u32TimeStamp = 0;
  p->HeadingSource = HEADING_SOURCE_NO_DATA;
  p->u32PingIndex = 0;
  p->fHeadingTrueDegrees = 0.0f;
  p->fDepthMetres = 0.0f;
  p->u32SmoothedDepthInSamples = 0;
  p->u8SampleFactor = 1;
  if (p->au8Data != nullptr) memset(p->au8Data, 0, p->u32TSUDataLength);
}

void S_TSU_vCopyTsuColumn(TSU_STORE_COLUMN* d, const TSU_STORE_COLUMN* s) {
  if (d == s) return;
  U8* own = d->au8Data;
  const U32 capacity = d->u32TSUDataLength;
  *d = *s;
  d->au8Data = own;
  d->u32TSUDataLength = capacity;
  if (own != nullptr && s->au8Data != nullptr) {
    memcpy(own, s->au8Data, s->u32TSUDataLength < capacity ? s->u32TSUDataLength : capacity);
  }
}

void S_HISTORY_vCreate(void) {
  if (!s_bCreated) {
    for (U32 b = 0; b < HISTORY_BEAMS; ++b) {
      BEAM_INFO& bi = s_sBeamInfo[b];
      memset(&bi, 0, sizeof bi);
      bi.beamBlend = BEAM_NONE;
      S_FISHID_vInitialiseHistory(&bi.FishHistory);
    }
    s_sBeamInfo[0].beamBlend = 4;
    s_sBeamInfo[0].pfBlend = &colorBlend83;
    s_sBeamInfo[1].beamBlend = 4;
    s_sBeamInfo[1].pfBlend = &colorBlend200;
    s_sBeamInfo[2].beamBlend = 5;
    s_sBeamInfo[2].pfBlend = &colorBlendDILeft;
    s_sBeamInfo[3].beamBlend = 5;
    s_sBeamInfo[3].pfBlend = &colorBlendDIRight;
    for (U32 b = 0; b < 4; ++b) {
      s_sBeamInfo[b].pTSUStore = &TSUStore[b];
      for (U32 j = 0; j < HISTORY_RING_SLOTS; ++j) {
        TSU_STORE_COLUMN& slot = TSUStore[b].aTsuStore[j];
        slot.au8Data = b < 2 ? TSUData[b][j] : TSUSIData[b - 2][j];
        slot.u32TSUDataLength = TSU_DATA_LENGTH;
      }
    }
    for (auto& column : s_aColorColumnMain)
      for (COLOR& c : column) c = 0xFFFF;
    for (U32 w = 0; w < HISTORY_WINDOWS; ++w) {
      G_BUFFERS_pCreateBitmap((S32)HISTORY_RING_SLOTS, (S32)HISTORY_BITMAP_HEIGHT, &s_aHistoryBitmap[w],
                              au32HistoryBuffer[w]);
      SONAR_WINDOW& win = SonarViewInfo.Window[w];
      win.ScreenHistory.pBmp = &s_aHistoryBitmap[w];
      win.ScreenHistory.Resource = RES_HISTORY;
      win.Beam = BEAM_NONE;
      S_HISTORY_vLayOutBitmap(&win, FALSE);
    }
    SonarViewInfo.RTSBeam = BEAM_NONE;
    s_bCreated = true;
  }
  S_HISTORY_vEmpty();
}

void S_HISTORY_vLayOutBitmap(SONAR_WINDOW* pWindow, BOOLEAN bVertical) {
  BITMAP* b = pWindow->ScreenHistory.pBmp;
  const S32 w = bVertical ? 600 : 800, h = bVertical ? 800 : 600;
  b->pixels_wide = b->pixels_wide_full_screen = w;
  b->pixels_high = b->pixels_high_full_screen = h;
  b->__u32PixelWidthOfBuffer = (U32)w;
  b->__u32PixelHeightOfBuffer = (U32)h;
  b->s32ClipLeft = b->s32ClipLeft_full_screen = 0;
  b->s32ClipBottom = b->s32ClipBottom_full_screen = 0;
  b->s32ClipRight = b->s32ClipRight_full_screen = w - 1;
  b->s32ClipTop = b->s32ClipTop_full_screen = h - 1;
  if (pWindow->ScreenHistory.u16NextFreeColumn >= w) pWindow->ScreenHistory.u16NextFreeColumn = 0;
}

void S_HISTORY_vEmpty(void) {
  (void)L_MUTEX_LockWait(RES_TSU);
  for (FULL_SCREEN_TSU& s : TSUStore) vEmptyStore(&s);
  for (BEAM_INFO& bi : s_sBeamInfo) {
    bi.FishList.u8NumberOfTargets = 0;
    S_FISHID_vInitialiseHistory(&bi.FishHistory);
  }
  (void)L_MUTEX_Unlock(RES_TSU);
  (void)L_MUTEX_LockWait(RES_HISTORY);
  for (SONAR_WINDOW& w : SonarViewInfo.Window) {
    if (w.ScreenHistory.pBmp != nullptr) vFillRing(&w.ScreenHistory);
  }
  (void)L_MUTEX_Unlock(RES_HISTORY);
}

void S_HISTORY_vFillBackground(SONAR_WINDOW* pWindow) {
  if (pWindow->ScreenHistory.pBmp == nullptr) return;
  (void)L_MUTEX_LockWait(pWindow->ScreenHistory.Resource);
  vFillRing(&pWindow->ScreenHistory);
  (void)L_MUTEX_Unlock(pWindow->ScreenHistory.Resource);
}

U32 S_HISTORY_u32NewestColumn(const SONAR_HISTORY* h) {
  const U32 w = u32Width(h);
  if (s_bReverseScroll.load()) return h->u16NextFreeColumn + 1u >= w ? 0 : h->u16NextFreeColumn + 1u;
  return h->u16NextFreeColumn == 0 ? w - 1 : h->u16NextFreeColumn - 1u;
}

void vDrawColumnInHistory(const COLOR* pNewColumn, SONAR_HISTORY* h, U32 u32UpperPixel, U32 u32LowerPixel) {
  (void)L_MUTEX_LockWait(h->Resource);
  const U32 H = u32Height(h), x = h->u16NextFreeColumn;
  if (u32UpperPixel >= H) u32UpperPixel = H - 1;
  if (u32LowerPixel > u32UpperPixel) u32LowerPixel = u32UpperPixel;
  const U32 first = H - 1 - u32UpperPixel, last = H - 1 - u32LowerPixel;
  for (U32 r = first; r <= last; ++r) *pPixel(h, x, r) = pNewColumn[r - first];
  const COLOR bg = colourBackground();
  for (U32 r = last + 1; r < H; ++r) *pPixel(h, x, r) = bg;
  vAdvance(h);
  (void)L_MUTEX_Unlock(h->Resource);
}

void vDuplicateColumnInHistory(SONAR_HISTORY* h, U32, U32) {
  (void)L_MUTEX_LockWait(h->Resource);
  const U32 H = u32Height(h), x = h->u16NextFreeColumn, newest = S_HISTORY_u32NewestColumn(h);
  for (U32 r = 0; r < H; ++r) *pPixel(h, x, r) = *pPixel(h, newest, r);
  vAdvance(h);
  (void)L_MUTEX_Unlock(h->Resource);
}

void vClearColumnInHistory(SONAR_HISTORY* h, U32 u32UpperPixel, U32 u32LowerPixel) {
  (void)L_MUTEX_LockWait(h->Resource);
  const U32 H = u32Height(h), x = h->u16NextFreeColumn;
  if (u32UpperPixel >= H) u32UpperPixel = H - 1;
  const COLOR bg = colourBackground();
  for (U32 r = H - 1 - u32UpperPixel; r <= H - 1 - u32LowerPixel && r < H; ++r) *pPixel(h, x, r) = bg;
  (void)L_MUTEX_Unlock(h->Resource);
}

void vAdvanceHistory(SONAR_HISTORY* h) {
  (void)L_MUTEX_LockWait(h->Resource);
  vAdvance(h);
  (void)L_MUTEX_Unlock(h->Resource);
}

BOOLEAN vCopyHistoryToBitmap(BITMAP* pBmp, SONAR_HISTORY* h, U32 width, U32 xOffset) {
  if (width == 0 || xOffset + 1 < width) {
    log_me("history: invalid columns/offset (width %u, offset %u)", width, xOffset);
    return FALSE;
  }
  (void)L_MUTEX_LockWait(h->Resource);
  const U32 ringW = u32Width(h);
  if (width > ringW) width = ringW;
  const U32 n = h->u16NextFreeColumn;
  const U32 w1 = n == 0 ? width : (width < n ? width : n);
  const U32 start1 = n == 0 ? ringW - w1 : n - w1;
  const U32 rows = u32Height(h) < G_BUFFERS_u32BufferRows(pBmp) ? u32Height(h) : G_BUFFERS_u32BufferRows(pBmp);
  const U32 pitch = pBmp->__u32PixelWidthOfBuffer;
  COLOR* dst = G_BITMAP_pPixels(pBmp);
  const U32 dstLeft = xOffset + 1 - width;
  for (U32 r = 0; r < rows; ++r) {
    COLOR* out = dst + (size_t)r * pitch;
    const COLOR* in = pPixel(h, 0, r);
    // Oldest part: the ring's tail, left of the newest part.
    if (w1 < width) memcpy(out + dstLeft, in + ringW - (width - w1), (width - w1) * sizeof(COLOR));
    memcpy(out + xOffset + 1 - w1, in + start1, w1 * sizeof(COLOR));
  }
  (void)L_MUTEX_Unlock(h->Resource);
  return TRUE;
}
