// The imaging enhance dialog: three rows (sensitivity, contrast, sharpness)
// with their values in boxes, arrows at the highlighted row, drawn as a
// layer over every view; the cursor key moves between rows and steps the
// values, the exit key closes it.
#include "source/history/s_enhance.h"

#include <atomic>
#include <cstdio>

#include "common/language.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_menu.h"
#include "source/ui/u_menu_controls.h"

namespace {

#define ENHANCE_TEXT_RECORD(name, text)                                                          \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
ENHANCE_TEXT_RECORD(DI_Enhance, "DI Enhance");
ENHANCE_TEXT_RECORD(Sensitivity, "Sensitivity");
ENHANCE_TEXT_RECORD(Contrast, "Contrast");
ENHANCE_TEXT_RECORD(Sharpness, "Sharpness");
ENHANCE_TEXT_RECORD(Off, "Off");
ENHANCE_TEXT_RECORD(Low, "Low");
ENHANCE_TEXT_RECORD(Med, "Med");
ENHANCE_TEXT_RECORD(High, "High");
ENHANCE_TEXT_RECORD(On, "On");
ENHANCE_TEXT_RECORD(Auto, "Auto");

constexpr U32 kFill = 128, kBack = 129, kLine = 131;
constexpr U32 kDialogKeys = 0xFFEF;
constexpr S32 kRow = 18;
constexpr S32 kHeight = 3 * kRow + 16;

std::atomic<BOOLEAN> s_bDiEnhanceDialogActive{FALSE};
std::atomic<S32> s_s32DiActiveDialogItem{1};
// The layout is computed at the first draw and again after a change of
// language (view task).
std::atomic<BOOLEAN> s_bLayoutStale{TRUE};
S32 s_s32ValueBoxWidth = 0, s_s32Width = 0, s_s32TitleWidth = 0;
POINT s_Anchor = {0, 0};

struct ITEM {
  const char* key;
  U32 min, max, dflt;
};
// Items 1 to 4; the fourth is not reachable by the keys.
const ITEM kItems[4] = {{"SDSS", 1, 20, 10}, {"SDSN", 1, 20, 10}, {"SDSL", 0, 3, 0}, {"SDCM", 0, 1, 0}};

FOURCHARID key4(const char* k) { return MAKE_FOURCHARID(k[0], k[1], k[2], k[3]); }
COLOR entry(U32 k) { return gCOLOR_pcolColorTable[k]; }
const FONT_DEF* font() { return std_11x14_font_def_ptr.load(); }
const char* text(DB_TEXT_RECORD r) { return r[nCurrentLanguage()]; }
S32 width(const char* t) { return (S32)G_STRING_u32GetWidth(font(), t); }

U32 u32Value(S32 item) {
  const ITEM& it = kItems[item - 1];
  U32 v = it.dflt;
  (void)H_DATABASE_bFetchU32(key4(it.key), &v);
  return v;
}

// A stored sharpness (restored, or from another unit) beyond the four
// texts reads as the nearest of them.
U32 u32Shown(S32 item, U32 v) {
  if (item == 3 && v > 3) return 3;
  if (item == 4 && v > 1) return 1;
  return v;
}

void vValueText(S32 item, U32 v, char* out, size_t n) {
  static const DB_TEXT_RECORD sharpness[4] = {Off, Low, Med, High};
  if (item == 3) {
    snprintf(out, n, "%s", text(sharpness[u32Shown(3, v)]));
  } else if (item == 4) {
    snprintf(out, n, "%s", text(u32Shown(4, v) != 0 ? On : Off));
  } else if (item == 1 && v == 0) {
    snprintf(out, n, "%s", text(Auto));
  } else {
    snprintf(out, n, "%02u", v);
  }
}

void vLayout(void) {
  S32 vb = width(text(Auto));
  char t[16];
  for (U32 v = 1; v <= 20; ++v) {
    snprintf(t, sizeof t, "%02u", v);
    if (width(t) > vb) vb = width(t);
  }
  for (DB_TEXT_RECORD r : {Off, Low, Med, High, On})
    if (width(text(r)) > vb) vb = width(text(r));
  s_s32ValueBoxWidth = vb + 4;
  s_s32TitleWidth = width(text(DI_Enhance));
  S32 widest = s_s32TitleWidth;
  for (DB_TEXT_RECORD r : {Sensitivity, Contrast, Sharpness})
    if (width(text(r)) > widest) widest = width(text(r));
  s_s32Width = widest + s_s32ValueBoxWidth + 33;
  s_Anchor = POINT{400 - s_s32Width / 2, 105};
}

void vClick(BOOLEAN bGood) { (void)L_SEMA_Signal(bGood ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD); }

void vPut(BITMAP* b, S32 x, S32 y, const char* t) {
  POINT at{x, y + (S32)G_FONTS_u32GetDescenderHeight(font())};
  G_STRING_vPut(b, entry(kLine), &at, font(), t);
}

}  // namespace

BOOLEAN S_ENHANCE_bActive(void) { return s_bDiEnhanceDialogActive.load(); }
S32 S_ENHANCE_s32Item(void) { return s_s32DiActiveDialogItem.load(); }
void S_ENHANCE_vLanguageChanged(void) { s_bLayoutStale.store(TRUE); }

void S_ENHANCE_vCreateDialog(void) {
  vClick(TRUE);
  s_s32DiActiveDialogItem.store(1);
  s_bDiEnhanceDialogActive.store(TRUE);
  (void)U_KEYBOARD_bRegisterKeys(M_HISTORY, kDialogKeys, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_DIALOG_BOX);
  (void)U_KEYBOARD_bRegisterKeys(M_HISTORY, KEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_DIALOG_BOX);
  (void)U_VIEW_bRegisterLayer(&T_N_HISTORY_vRenderDiEnhance, DI_ENHANCE_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr,
                              nullptr, nullptr);
  T_MENU_vRemoveMenus();
}

void S_ENHANCE_vClose(BOOLEAN bClick) {
  if (!s_bDiEnhanceDialogActive.exchange(FALSE)) return;
  (void)U_KEYBOARD_bUnregisterKeys(M_HISTORY, kDialogKeys);
  (void)U_KEYBOARD_bUnregisterKeys(M_HISTORY, KEY_MASK_CURSOR);
  (void)U_VIEW_bUnRegisterLayer(DI_ENHANCE_LAYER);
  if (bClick) vClick(TRUE);
}

void S_ENHANCE_vKey(const MSG_KEY_CHANGE* pKey) {
  if (pKey == nullptr || pKey->state != KEY_DOWN) return;
  if (pKey->key == KEY_MASK_EXIT) {
    S_ENHANCE_vClose(TRUE);
    return;
  }
  if (pKey->key != KEY_MASK_CURSOR) return;
  S32 item = s_s32DiActiveDialogItem.load();
  if (item < 1 || item > 3) item = 1;
  switch (pKey->cursor) {
    case CURSOR_NORTH:
      if (item == 1) {
        vClick(FALSE);
      } else {
        s_s32DiActiveDialogItem.store(item - 1);
        vClick(TRUE);
      }
      break;
    case CURSOR_SOUTH:
      if (item == 3) {
        vClick(FALSE);
      } else {
        s_s32DiActiveDialogItem.store(item + 1);
        vClick(TRUE);
      }
      break;
    case CURSOR_EAST:
    case CURSOR_WEST: {
      const ITEM& it = kItems[item - 1];
      U32 v = u32Shown(item, u32Value(item));
      const BOOLEAN up = pKey->cursor == CURSOR_EAST;
      if (v < it.min) v = it.min;
      if ((up && v >= it.max) || (!up && v <= it.min)) {
        vClick(FALSE);
        break;
      }
      H_DATABASE_bUpdateValueU32(key4(it.key), up ? v + 1 : v - 1, P_NORMAL);
      vClick(TRUE);
      break;
    }
    default:
      return;
  }
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void T_N_HISTORY_vRenderDiEnhance(BITMAP* pBitmap, const WINDOW_SPECIFICATION*) {
  if (pBitmap == nullptr) return;
  if (s_bLayoutStale.exchange(FALSE)) vLayout();
  const S32 ax = s_Anchor.x, ay = s_Anchor.y, w = s_s32Width, h = kHeight, vb = s_s32ValueBoxWidth;
  G_BOX_vDrawRoundedFilled(pBitmap, entry(kBack), POINT{ax - 1, ay - 1}, (U32)(w + 2), (U32)(h + 2), 6);
  G_BOX_vDrawRoundedFilled(pBitmap, entry(kFill), POINT{ax - 1, ay + h - 3}, (U32)(w + 2), 26, 6);
  G_BOX_vDrawRounded(pBitmap, entry(kLine), POINT{ax, ay}, (U32)w, (U32)h, 5);
  G_BOX_vDrawRounded(pBitmap, entry(kLine), POINT{ax + 1, ay + 1}, (U32)(w - 2), (U32)(h - 2), 3);
  G_BOX_vDrawRounded(pBitmap, entry(kLine), POINT{ax, ay + h - 2}, (U32)w, 24, 5);
  G_BOX_vDrawRounded(pBitmap, entry(kLine), POINT{ax + 1, ay + h - 1}, (U32)(w - 2), 22, 3);
  vPut(pBitmap, ax + (w - s_s32TitleWidth) / 2, ay + h + 3, text(DI_Enhance));
  const struct {
    S32 item;
    DB_TEXT_RECORD label;
    S32 y;
  } rows[3] = {{3, Sharpness, ay + 7}, {2, Contrast, ay + kRow + 10}, {1, Sensitivity, ay + 2 * kRow + 13}};
  const S32 active = s_s32DiActiveDialogItem.load();
  for (const auto& r : rows) {
    vPut(pBitmap, ax + 5, r.y, text(r.label));
    const POINT box{ax + w - vb - 15, r.y - 2};
    G_BOX_vDrawRoundedFilled(pBitmap, entry(kFill), box, (U32)vb, kRow, 3);
    G_BOX_vDrawRounded(pBitmap, entry(kLine), box, (U32)vb, kRow, 3);
    const U32 v = u32Value(r.item);
    char t[32];
    vValueText(r.item, v, t, sizeof t);
    vPut(pBitmap, box.x + (vb - width(t)) / 2, box.y + 2, t);
    if (r.item != active) continue;
    const ITEM& it = kItems[r.item - 1];
    const U32 shown = u32Shown(r.item, v);
    if (shown > it.min) U_MENU_vDrawArrowLeft(pBitmap, POINT{ax + w - vb - 19, box.y + 2}, 14, entry(kLine));
    if (shown < it.max) U_MENU_vDrawArrowRight(pBitmap, POINT{ax + w - 12, box.y + 2}, 14, entry(kLine));
  }
}
