// The start-up screens: splash, start-up options, chart disclaimer and the
// "transducer not connected" notice. They read the start-up task's state and
// draw; they change nothing. Logical y grows upward: a larger y is higher on
// the screen.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "source/core/h_database.h"
#include "source/core/model.h"
#include "source/core/version.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_bmp.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/u_fonts.h"
#include "source/startup/t_startup.h"
#include "source/startup/u_flashnand.h"
#include "source/ui/u_dialog.h"

SYSTEM_STATE T_STARTUP_eScreenState(void);
S32 T_STARTUP_s32ScreenMenuLine(void);
BOOLEAN T_STARTUP_bScreenStarted(void);
DISCLAIMER T_STARTUP_eScreenDisclaimer(void);
std::string T_STARTUP_sScreenPersonal(void);
const char* T_STARTUP_pcMenuLineText(S32 line);

namespace {

COLOR colour(U32 entry) { return G_COLOR_Load(gCOLOR_pcolColorTable + entry); }

U16 u16Width(const BITMAP* b) { return (U16)(b->s32ClipRight - b->s32ClipLeft + 1); }

// A message block over the full width at the top or the bottom.
U32 u32Band(BITMAP* b, const char* text, JUSTIFICATION where, U32 back, U32 fore) {
  const POINT anchor = {b->s32ClipLeft, where == JUSTIFICATION_TOP ? b->s32ClipTop : b->s32ClipBottom};
  return U_DIALOG_u32DrawMessageBlock(b, text, std_11x14_font_def_ptr.load(), 0, JUSTIFICATION_CENTER, where, anchor,
                                      u16Width(b), colour(back), colour(fore));
}

}  // namespace

void T_STARTUP_vDisplaySplashScreen(BITMAP* b, const WINDOW_SPECIFICATION*) {
  G_BMP_vSet(b, colour(32));
  U32 language = 0;
  if (!H_DATABASE_bFetchU32(FCID("SLNG"), &language)) return;
  const U32 margin = u32Band(b, "Press MENU for Startup Options", JUSTIFICATION_BOTTOM, 32, 35);
  const FONT_DEF* big = std_16x17_font_def_ptr.load();
  // The unit's name in place of the pictures.
  U32 model = 0;
  if (!H_DATABASE_bFetchU32(FCID("SMDL"), &model)) model = 513;
  const std::string title = std::string("Model ") + MODEL_pcFetchModelText(model);
  POINT at = {(PIXEL)((b->s32ClipLeft + b->s32ClipRight - (S32)G_STRING_u32GetWidth(big, title.c_str())) / 2),
              (PIXEL)(b->s32ClipTop - 161)};
  G_STRING_vPut(b, colour(35), &at, big, title.c_str());
  // Up to four personal lines, byte 3 between them, centred in the space
  // between the title and the bottom band.
  const std::string personal = T_STARTUP_sScreenPersonal();
  const char* p = personal.c_str();
  std::string lines[4];
  int count = 0;
  size_t i = 0, n = personal.size();
  while (i < n && count < 4) {
    if (p[i] == 3) {
      count++;
      i++;
      continue;
    }
    size_t end = i;
    while (end < n && p[end] != 3) end++;
    lines[count++] = std::string(p + i, end - i);
    i = end + 1;
  }
  const S32 lineHeight = (S32)G_FONTS_u32GetHeight(big);
  S32 y = (S32)margin + ((at.y - (S32)margin) / 2) + count * lineHeight / 2;
  for (int k = 0; k < count; k++) {
    y -= lineHeight;
    POINT line = {(PIXEL)((b->s32ClipLeft + b->s32ClipRight - (S32)G_STRING_u32GetWidth(big, lines[k].c_str())) / 2),
                  (PIXEL)y};
    if (!lines[k].empty()) G_STRING_vPut(b, 0xFEC0, &line, big, lines[k].c_str());
  }
  if (MODEL_bInternationalModel2()) {
    POINT corner = {(PIXEL)(b->s32ClipRight - (S32)G_STRING_u32GetWidth(big, "B")), (PIXEL)(margin + 1)};
    G_STRING_vPut(b, colour(32), &corner, big, "B");
  }
}

void T_STARTUP_vDisplayStartupMenu(BITMAP* b, const WINDOW_SPECIFICATION*) {
  G_BMP_vSet(b, colour(77));
  const U32 title = u32Band(b, "Start-Up Options", JUSTIFICATION_TOP, 77, 78);
  const FONT_DEF* small = std_11x14_font_def_ptr.load();
  const U16 hintWidth = (U16)std::max<S32>(G_STRING_u32GetWidth(small, "Press Right Cursor Arrow to Select") + 4,
                                           u16Width(b) / 2 - 4);
  const POINT hintAt = {(PIXEL)((b->s32ClipLeft + b->s32ClipRight - hintWidth) / 2),
                        (PIXEL)(b->s32ClipTop - (S32)title)};
  const U32 hint = U_DIALOG_u32DrawMessageBlock(b, "Press Right Cursor Arrow to Select", small, 0, JUSTIFICATION_CENTER,
                                                JUSTIFICATION_TOP, hintAt, hintWidth, colour(77), colour(78));
  U32 bottom = 0;
  if (!T_STARTUP_bIsSonarTransducerDetected()) {
    bottom = u32Band(b, "Transducer not connected", JUSTIFICATION_BOTTOM, 77, 78);
  }
  const FONT_DEF* big = std_16x17_font_def_ptr.load();
  const S32 fontHeight = (S32)G_FONTS_u32GetHeight(big);
  S32 widest = 0;
  for (S32 line = 0; line <= 2; line++) {
    widest = std::max<S32>(widest, (S32)G_STRING_u32GetWidth(big, T_STARTUP_pcMenuLineText(line)));
  }
  const S32 boxWidth = std::min<S32>(widest + 72, u16Width(b));
  const S32 boxHeight = fontHeight + 16;
  const S32 pitch = fontHeight + 26;
  const S32 top = b->s32ClipTop - (S32)title - (S32)hint;
  const S32 space = top - (b->s32ClipBottom + (S32)bottom);
  const S32 blockTop = top - (space - (2 * pitch + boxHeight)) / 2;
  const S32 left = (b->s32ClipLeft + b->s32ClipRight - boxWidth) / 2;
  for (S32 line = 0; line <= 2; line++) {
    const S32 lower = blockTop - line * pitch - boxHeight;
    const POINT anchor = {(PIXEL)left, (PIXEL)lower};
    const bool selected = line == T_STARTUP_s32ScreenMenuLine();
    G_BOX_vDrawRoundedFilled(b, colour(selected ? 64 : 65), anchor, (U32)boxWidth, (U32)boxHeight, 6);
    G_BOX_vDrawRounded(b, colour(67), anchor, (U32)boxWidth, (U32)boxHeight, 6);
    const POINT inner = {(PIXEL)(left + 1), (PIXEL)(lower + 1)};
    G_BOX_vDrawRounded(b, colour(67), inner, (U32)(boxWidth - 2), (U32)(fontHeight + 14), 5);
    POINT text = {(PIXEL)(left + 13), (PIXEL)(lower + 8)};
    G_STRING_vPut(b, colour(67), &text, big, T_STARTUP_pcMenuLineText(line));
    if (selected) {
      POINT arrow = {(PIXEL)(left + boxWidth - 24), (PIXEL)(lower + 8)};
      G_STRING_vPut(b, colour(67), &arrow, big, ">");
    }
  }
}

void T_STARTUP_vDisplayDisclaimer(BITMAP* b, const WINDOW_SPECIFICATION*) {
  G_BMP_vSet(b, colour(76));
  if (T_STARTUP_eScreenDisclaimer() == DISCLAIMER_FINISHED) return;
  const S32 w = u16Width(b);
  const S32 h = b->s32ClipTop - b->s32ClipBottom + 1;
  G_BOX_vDrawRounded(b, colour(199), POINT{b->s32ClipLeft, b->s32ClipBottom}, (U32)w, (U32)h, 3);
  G_BOX_vDrawRounded(b, colour(199), POINT{b->s32ClipLeft + 4, b->s32ClipBottom + 4}, (U32)(w - 8), (U32)(h - 8), 2);
  const FONT_DEF* big = std_16x17_font_def_ptr.load();
  const char* first =
      MODEL_bDomesticModel()
          ? "WARNING:  All electronic chart data and features, from memory or third party digital media, are an aid "
            "to navigation designed to facilitate the use of authorized government charts, not to replace them."
          : "WARNING:  This electronic chart is an aid to navigation designed to facilitate the use of authorized "
            "government charts, not to replace them.";
  (void)U_DIALOG_u32DrawMessageBlock(b, first, big, 0, JUSTIFICATION_LEFT, JUSTIFICATION_CENTER,
                                     POINT{16, (h / 4) * 3}, (U16)(w - 24), colour(76), colour(78));
  (void)U_DIALOG_u32DrawMessageBlock(b,
                                     "     Only official government charts and notices to mariners contain all of the "
                                     "current information needed for the safety of navigation, and the captain is "
                                     "responsible for their prudent use.",
                                     big, 0, JUSTIFICATION_LEFT, JUSTIFICATION_CENTER, POINT{16, h / 3 - 10},
                                     (U16)(w - 24), colour(76), colour(78));
  (void)u32Band(b, "Press EXIT to continue", JUSTIFICATION_BOTTOM, 199, 196);
}

void T_STARTUP_vDrawTransducerNotDetected(BITMAP* b, const WINDOW_SPECIFICATION*) {
  const FONT_DEF* big = std_16x17_font_def_ptr.load();
  std::string text;
  U32 width = 0;
  if (T_STARTUP_eScreenState() == STATE_BURN_IN) {
    text = std::string("Burn-In ") + U_FLASHNAND_pcGetFlashnandStateText(U_FLASHNAND_eGetFlashnandState(0));
    if (text.size() > 45) text.resize(45);
    width = G_STRING_u32GetWidth(big, text.c_str()) + 20;
  } else {
    text = "Transducer not connected";
    width = G_STRING_u32GetWidth(big, text.c_str()) + 9;
  }
  width = std::min<U32>(width, (U32)u16Width(b) - 10);
  U_DIALOG_vDrawDialog(b, text.c_str(), big, 0, (U16)width, nullptr, nullptr, JUSTIFICATION_CENTER,
                       T_STARTUP_bScreenStarted() ? JUSTIFICATION_CENTER : JUSTIFICATION_SCREEN_CENTER);
}
