// The network settings editor and its confirmation dialogs (see
// t_startup_edit.h). Keys arrive on the start-up task; the draw callbacks
// run on the view task. Both sides hold s_lock.
#include "source/startup/t_startup_edit.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <mutex>

#include "common/language.h"
#include "data/icons.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_bmp.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/g_line.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/u_dialog.h"
#include "source/ui/u_menu_controls.h"

namespace {

constexpr U32 CONF_LINES = 10;
constexpr U16 CONF_LINE_WIDTH = 533;

struct STARTUP_CONF_NODE {
  STARTUP_CONF_NODE* pNext;
  char* pStatement;
  U32 nLang;
  int nLines;
  LINEOFTEXT lines[CONF_LINES];
  void (*pYes)(void);
  void (*pNo)(void);
};

std::recursive_mutex s_lock;
STARTUP_EDIT_STATE s_eStartupEditState = STARTUP_EDIT_NONE;
IPA_EDIT s_IPAddressEdit{};
STARTUP_CONF_NODE* s_pConf = nullptr;

typedef BOOLEAN (*EDIT_ACTION)(void);

COLOR colour(U32 entry) { return G_COLOR_Load(gCOLOR_pcolColorTable + entry); }

void vClick(BOOLEAN bGood) { (void)L_SEMA_Signal(bGood ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD); }

void vRegisterDialogKeys(void) {
  (void)U_KEYBOARD_bRegisterKeys(M_STARTUP, 0xFFEF, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_DIALOG_BOX);
  (void)U_KEYBOARD_bRegisterKeys(M_STARTUP, KEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_DIALOG_BOX);
}

// The text of the value row the state edits (null for the others).
char* pcValueText(IPA_EDIT_STATE state) {
  switch (state) {
    case IPA_EDIT_ADDR:
    case IPA_EDIT_ADDR_VALUE:
      return s_IPAddressEdit.sIPAddress;
    case IPA_EDIT_MASK:
    case IPA_EDIT_MASK_VALUE:
      return s_IPAddressEdit.sSubnetMask;
    case IPA_EDIT_GATE:
    case IPA_EDIT_GATE_VALUE:
      return s_IPAddressEdit.sDefaultGateway;
    default:
      return nullptr;
  }
}

// Adds delta (+1 or -1) to the three digits at the selected group, 255
// and 0 wrapping round.
BOOLEAN bStepGroup(int delta) {
  char* text = pcValueText(s_IPAddressEdit.eState);
  const S32 pos = s_IPAddressEdit.nPosition;
  if (text == nullptr || pos < 0 || pos + 3 > (S32)strnlen(text, IPA_TEXT - 1)) return FALSE;
  int value = 0;
  for (int i = 0; i < 3; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return FALSE;
    value = value * 10 + (c - '0');
  }
  value = ((value + delta) % 256 + 256) % 256;
  char digits[4];
  snprintf(digits, sizeof digits, "%03d", value);
  memcpy(text + pos, digits, 3);
  s_IPAddressEdit.bDirty = TRUE;
  return TRUE;
}

BOOLEAN bUp(void) { return bStepGroup(+1); }
BOOLEAN bDown(void) { return bStepGroup(-1); }

BOOLEAN bRight(void) {
  const char* text = pcValueText(s_IPAddressEdit.eState);
  const S32 len = text != nullptr ? (S32)strnlen(text, IPA_TEXT - 1) : 0;
  S32 pos = s_IPAddressEdit.nPosition + 4;
  while (pos < len && pos <= 12 && (text[pos] < '0' || text[pos] > '9')) pos++;
  if (pos >= len || pos > 12) {
    s_IPAddressEdit.eState = IPA_EDIT_SAVE;
    s_IPAddressEdit.nPosition = 0;
  } else {
    s_IPAddressEdit.nPosition = pos;
  }
  return TRUE;
}

BOOLEAN bLeft(void) {
  const char* text = pcValueText(s_IPAddressEdit.eState);
  if (s_IPAddressEdit.nPosition <= 0 || text == nullptr || text[0] == '\0') {
    s_IPAddressEdit.eState = (IPA_EDIT_STATE)(s_IPAddressEdit.eState - 1);  // the field of the value
    s_IPAddressEdit.nPosition = 0;
  } else {
    s_IPAddressEdit.nPosition = std::max<S32>(0, s_IPAddressEdit.nPosition - 4);
  }
  return TRUE;
}

BOOLEAN bEditModeDown(void) {
  s_IPAddressEdit.eState = s_IPAddressEdit.nMode != 0 ? IPA_EDIT_SAVE : IPA_EDIT_ADDR;
  s_IPAddressEdit.nPosition = 0;
  return TRUE;
}

BOOLEAN bEditSaveUp(void) {
  s_IPAddressEdit.eState = s_IPAddressEdit.nMode != 0 ? IPA_EDIT_MODE : IPA_EDIT_GATE;
  s_IPAddressEdit.nPosition = 0;
  return TRUE;
}

BOOLEAN bEditToggleMode(void) {
  s_IPAddressEdit.nMode = s_IPAddressEdit.nMode != 0 ? 0 : 1;
  s_IPAddressEdit.bDirty = TRUE;
  return TRUE;
}

void vEditSave(void);
BOOLEAN bEditSave(void) {
  vEditSave();
  return TRUE;
}

// Columns: up, right, down, left.
const IPA_EDIT_STATE s_aeNextState[IPA_EDIT_STATE_COUNT][4] = {
    {IPA_EDIT_NONE, IPA_EDIT_NONE, IPA_EDIT_NONE, IPA_EDIT_NONE},
    {IPA_EDIT_MODE, IPA_EDIT_MODE_VALUE, IPA_EDIT_NONE, IPA_EDIT_MODE},
    {IPA_EDIT_NONE, IPA_EDIT_NONE, IPA_EDIT_NONE, IPA_EDIT_MODE},
    {IPA_EDIT_MODE, IPA_EDIT_ADDR_VALUE, IPA_EDIT_MASK, IPA_EDIT_ADDR},
    {IPA_EDIT_NONE, IPA_EDIT_NONE, IPA_EDIT_NONE, IPA_EDIT_ADDR},
    {IPA_EDIT_ADDR, IPA_EDIT_MASK_VALUE, IPA_EDIT_GATE, IPA_EDIT_MASK},
    {IPA_EDIT_NONE, IPA_EDIT_NONE, IPA_EDIT_NONE, IPA_EDIT_MASK},
    {IPA_EDIT_MASK, IPA_EDIT_GATE_VALUE, IPA_EDIT_SAVE, IPA_EDIT_GATE},
    {IPA_EDIT_NONE, IPA_EDIT_NONE, IPA_EDIT_NONE, IPA_EDIT_GATE},
    {IPA_EDIT_NONE, IPA_EDIT_NONE, IPA_EDIT_SAVE, IPA_EDIT_NONE},
};
const EDIT_ACTION s_apAction[IPA_EDIT_STATE_COUNT][4] = {
    {nullptr, nullptr, nullptr, nullptr},
    {nullptr, nullptr, &bEditModeDown, nullptr},
    {&bEditToggleMode, nullptr, &bEditToggleMode, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
    {&bUp, &bRight, &bDown, &bLeft},
    {nullptr, nullptr, nullptr, nullptr},
    {&bUp, &bRight, &bDown, &bLeft},
    {nullptr, nullptr, nullptr, nullptr},
    {&bUp, &bRight, &bDown, &bLeft},
    {&bEditSaveUp, &bEditSave, nullptr, nullptr},
};

BOOLEAN bIsValueState(IPA_EDIT_STATE s) {
  return (s == IPA_EDIT_MODE_VALUE || s == IPA_EDIT_ADDR_VALUE || s == IPA_EDIT_MASK_VALUE ||
          s == IPA_EDIT_GATE_VALUE)
             ? TRUE
             : FALSE;
}

// Up to four numbers of a dotted text, the first in the most significant
// byte; a missing or bad number is 0, a number above 255 keeps its low byte.
U32 u32ParseDotted(const char* text) {
  U32 value = 0;
  const char* p = text;
  for (int i = 0; i < 4; ++i) {
    char* end = nullptr;
    const unsigned long n = (*p >= '0' && *p <= '9') ? strtoul(p, &end, 10) : 0;
    value = value << 8 | (U32)(n & 0xFF);
    const char* dot = strchr(p, '.');
    p = dot != nullptr ? dot + 1 : p + strlen(p);
  }
  return value;
}

void vFormatLinux(U32 v, char* out) {
  snprintf(out, IPA_TEXT, "%u.%u.%u.%u", (unsigned)(v >> 24 & 0xFF), (unsigned)(v >> 16 & 0xFF),
           (unsigned)(v >> 8 & 0xFF), (unsigned)(v & 0xFF));
}

void vCloseEditor(void) {
  if (s_eStartupEditState == STARTUP_EDIT_NONE) return;
  s_eStartupEditState = STARTUP_EDIT_NONE;
  s_IPAddressEdit.eState = IPA_EDIT_NONE;
  (void)U_KEYBOARD_bUnregisterKeys(M_STARTUP, 0xFFFE);
  (void)U_VIEW_bUnRegisterLayer(STARTUP_EDIT_LAYER);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void vEditSave(void) {
  std::lock_guard<std::recursive_mutex> hold(s_lock);
  if (s_eStartupEditState == STARTUP_EDIT_NONE) return;
  auto* msg = static_cast<MSG_SAVE_IP_SETUP*>(H_MEMORY_pvMalloc(sizeof(MSG_SAVE_IP_SETUP)));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_SAVE_IP_SETUP;
  if (s_IPAddressEdit.bDirty) {
    (void)H_DATABASE_bUpdateValueBoolean(FCID("SIPD"), s_IPAddressEdit.nMode != 0 ? TRUE : FALSE, P_NORMAL);
  }
  if (s_IPAddressEdit.nMode == 0) {
    const struct {
      FOURCHARID key;
      const char* text;
      char* out;
    } rows[] = {{FCID("SIPA"), s_IPAddressEdit.sIPAddress, msg->sIPAddress},
                {FCID("SIPM"), s_IPAddressEdit.sSubnetMask, msg->sSubnetMask},
                {FCID("SIPG"), s_IPAddressEdit.sDefaultGateway, msg->sDefaultGateway}};
    for (const auto& row : rows) {
      if (s_IPAddressEdit.bDirty) (void)H_DATABASE_bUpdateValueU32(row.key, u32ParseDotted(row.text), P_NORMAL);
      T_STARTUP_EDIT_vFormatAddressLinux(row.key, row.out);
    }
  }
  msg->bChanged = s_IPAddressEdit.bDirty;
  msg->bDynamic = s_IPAddressEdit.nMode != 0 ? TRUE : FALSE;
  if (L_MBOX_Send(M_ETHERNET, msg, 3, 0) != lsSUCCESS) {
    log_me("STARTUP: network settings not sent to the Ethernet task");
    H_MEMORY_vFree(msg);
  }
  log_me("STARTUP: network settings saved (%s)", s_IPAddressEdit.nMode != 0 ? "dynamic" : "static");
  vCloseEditor();
}

void vEditCancel(void) {
  std::lock_guard<std::recursive_mutex> hold(s_lock);
  vCloseEditor();
  vClick(TRUE);
}

// Removes and frees the head dialog; the last one takes the keys and the
// layer with it.
void vResetConfState(void) {
  STARTUP_CONF_NODE* head = s_pConf;
  if (head == nullptr) return;
  s_pConf = head->pNext;
  H_MEMORY_vFree(head->pStatement);
  H_MEMORY_vFree(head);
  if (s_pConf == nullptr) {
    (void)U_KEYBOARD_bUnregisterKeys(M_STARTUP, 0xFFFE);
    (void)U_VIEW_bUnRegisterLayer(STARTUP_CONF_LAYER);
  }
}

// Answers the head dialog: its callback runs first, then the node goes.
void vAnswer(BOOLEAN bYes) {
  STARTUP_CONF_NODE* head = s_pConf;
  void (*pAnswer)(void) = bYes ? head->pYes : head->pNo;
  if (pAnswer != nullptr) {
    pAnswer();
  } else {
    vClick(TRUE);
  }
  vResetConfState();
}

void vText(BITMAP* b, COLOR c, const FONT_DEF* f, S32 x, S32 y, const char* text) {
  POINT at = {(PIXEL)x, (PIXEL)y};
  G_STRING_vPut(b, c, &at, f, text);
}

}  // namespace

// ------------------------------------------------------------ formats

void T_STARTUP_EDIT_vFormatAddressLinux(FOURCHARID key, char* pcText) {
  U32 v = 0;
  if (!H_DATABASE_bFetchU32(key, &v)) v = 0;
  vFormatLinux(v, pcText);
}

void T_STARTUP_EDIT_vFormatAddress(FOURCHARID key, char* pcText) {
  U32 v = 0;
  if (!H_DATABASE_bFetchU32(key, &v)) v = 0;
  snprintf(pcText, IPA_TEXT, "%03u.%03u.%03u.%03u", (unsigned)(v >> 24 & 0xFF), (unsigned)(v >> 16 & 0xFF),
           (unsigned)(v >> 8 & 0xFF), (unsigned)(v & 0xFF));
}

void T_STARTUP_EDIT_vFormatMACAddress(char* pcText) {
  U32 mac = 0;
  if (!H_DATABASE_bFetchU32(FCID("SMAC"), &mac)) mac = 0;
  snprintf(pcText, 18, "%02x:%02x:%02x:%02x:%02x:%02x", STARTUP_EDIT_MAC_PREFIX[0], STARTUP_EDIT_MAC_PREFIX[1],
           STARTUP_EDIT_MAC_PREFIX[2], (unsigned)(mac >> 16 & 0xFF), (unsigned)(mac >> 8 & 0xFF),
           (unsigned)(mac & 0xFF));
}

// ------------------------------------------------------------ the editor

void T_STARTUP_EDIT_vIPAddressSetup(void) {
  std::lock_guard<std::recursive_mutex> hold(s_lock);
  vClick(TRUE);
  s_eStartupEditState = STARTUP_EDIT_IPADDRESS;
  s_IPAddressEdit.eState = IPA_EDIT_MODE;
  s_IPAddressEdit.nPosition = 0;
  BOOLEAN bDynamic = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("SIPD"), &bDynamic)) bDynamic = FALSE;
  s_IPAddressEdit.nMode = bDynamic ? 1 : 0;
  T_STARTUP_EDIT_vFormatAddress(FCID("SIPA"), s_IPAddressEdit.sIPAddress);
  T_STARTUP_EDIT_vFormatAddress(FCID("SIPM"), s_IPAddressEdit.sSubnetMask);
  T_STARTUP_EDIT_vFormatAddress(FCID("SIPG"), s_IPAddressEdit.sDefaultGateway);
  s_IPAddressEdit.bDirty = FALSE;
  vRegisterDialogKeys();
  (void)U_VIEW_bRegisterLayer(&T_STARTUP_EDIT_vRenderIPAddressSetup, STARTUP_EDIT_LAYER, USED_BY_ALL, 0, 0, TRUE,
                              nullptr, nullptr, nullptr);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void T_STARTUP_EDIT_vResetState(void) {
  std::lock_guard<std::recursive_mutex> hold(s_lock);
  vCloseEditor();
}

BOOLEAN T_STARTUP_EDIT_bHandleKeys(const MSG_KEY_CHANGE* pKey) {
  std::lock_guard<std::recursive_mutex> hold(s_lock);
  if (s_eStartupEditState == STARTUP_EDIT_NONE || pKey == nullptr || pKey->state != KEY_DOWN) return FALSE;
  const IPA_EDIT_STATE state = s_IPAddressEdit.eState;
  if (pKey->key == KEY_MASK_EXIT) {
    if (bIsValueState(state)) {
      s_IPAddressEdit.eState = (IPA_EDIT_STATE)(state - 1);
      s_IPAddressEdit.nPosition = 0;
      vClick(TRUE);
    } else if (state != IPA_EDIT_NONE) {
      if (s_IPAddressEdit.bDirty) {
        T_STARTUP_EDIT_vConfirmationSetup("Save Changes?", &vEditSave, &vEditCancel);
        vClick(TRUE);
      } else {
        vEditCancel();
      }
    } else {
      vCloseEditor();
    }
    (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
    return TRUE;
  }
  if (pKey->key != KEY_MASK_CURSOR) return FALSE;
  int column = -1;
  switch (pKey->cursor) {
    case CURSOR_NORTH:
      column = 0;
      break;
    case CURSOR_EAST:
      column = 1;
      break;
    case CURSOR_SOUTH:
      column = 2;
      break;
    case CURSOR_WEST:
      column = 3;
      break;
    default:
      break;
  }
  if (column >= 0 && state > IPA_EDIT_NONE && state < IPA_EDIT_STATE_COUNT) {
    if (EDIT_ACTION action = s_apAction[state][column]) {
      if (action()) {
        if (pKey->count <= 1) vClick(TRUE);
      } else {
        vClick(FALSE);
      }
    } else if (s_aeNextState[state][column] != IPA_EDIT_NONE) {
      s_IPAddressEdit.eState = s_aeNextState[state][column];
      s_IPAddressEdit.nPosition = 0;
      vClick(TRUE);
    }
  }
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return TRUE;
}

// ------------------------------------------------------------ confirmations

void T_STARTUP_EDIT_vConfirmationSetup(const char* pcStatement, void (*pYes)(void), void (*pNo)(void)) {
  std::lock_guard<std::recursive_mutex> hold(s_lock);
  auto* node = static_cast<STARTUP_CONF_NODE*>(H_MEMORY_pvMalloc(sizeof(STARTUP_CONF_NODE)));
  memset(node, 0, sizeof *node);
  const char* text = pcStatement != nullptr ? pcStatement : "";
  const size_t n = strlen(text);
  node->pStatement = static_cast<char*>(H_MEMORY_pvMalloc(n + 1));
  memcpy(node->pStatement, text, n + 1);
  U32 lang = 0;
  if (!H_DATABASE_bFetchU32(FCID("SLNG"), &lang)) lang = 0;
  node->nLang = lang;
  node->pYes = pYes;
  node->pNo = pNo;
  LINEOFTEXT lines[U_DIALOG_MAX_LINES];
  const FONT_DEF* font = std_16x17_font_def_ptr.load();
  const U16 found = font != nullptr ? U_DIALOG_u16ExtractTextIntoLines(node->pStatement, lines, font, CONF_LINE_WIDTH) : 0;
  node->nLines = (int)std::min<U32>(found, CONF_LINES);
  for (int i = 0; i < node->nLines; ++i) node->lines[i] = lines[i];
  const BOOLEAN bWasEmpty = s_pConf == nullptr ? TRUE : FALSE;
  STARTUP_CONF_NODE** tail = &s_pConf;
  while (*tail != nullptr) tail = &(*tail)->pNext;
  *tail = node;
  if (bWasEmpty) {
    vRegisterDialogKeys();
    (void)U_VIEW_bRegisterLayer(&T_STARTUP_EDIT_vRenderConf, STARTUP_CONF_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr,
                                nullptr, nullptr);
  }
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

BOOLEAN T_STARTUP_EDIT_bHandleConfKeys(const MSG_KEY_CHANGE* pKey) {
  std::lock_guard<std::recursive_mutex> hold(s_lock);
  if (s_pConf == nullptr || pKey == nullptr || pKey->state != KEY_DOWN) return FALSE;
  if (pKey->key == KEY_MASK_EXIT) {
    vAnswer(FALSE);
  } else if (pKey->key == KEY_MASK_CURSOR) {
    if (pKey->cursor == CURSOR_EAST) {
      vAnswer(TRUE);
    } else if (pKey->cursor == CURSOR_WEST) {
      vAnswer(FALSE);
    } else {
      vClick(FALSE);
    }
  } else {
    return FALSE;
  }
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return TRUE;
}

BOOLEAN T_STARTUP_EDIT_bActive(void) {
  std::lock_guard<std::recursive_mutex> hold(s_lock);
  return (s_eStartupEditState != STARTUP_EDIT_NONE || s_pConf != nullptr) ? TRUE : FALSE;
}

STARTUP_EDIT_STATE T_STARTUP_EDIT_eState(void) {
  std::lock_guard<std::recursive_mutex> hold(s_lock);
  return s_eStartupEditState;
}

IPA_EDIT T_STARTUP_EDIT_Record(void) {
  std::lock_guard<std::recursive_mutex> hold(s_lock);
  return s_IPAddressEdit;
}

// ------------------------------------------------------------ drawing

void T_STARTUP_EDIT_vRenderConf(BITMAP* b, const WINDOW_SPECIFICATION*) {
  const FONT_DEF* font = std_16x17_font_def_ptr.load();
  if (b == nullptr || font == nullptr) return;
  std::lock_guard<std::recursive_mutex> hold(s_lock);
  const STARTUP_CONF_NODE* node = s_pConf;
  if (node == nullptr) return;
  U32 widest = 0;
  for (int i = 0; i < node->nLines; ++i) widest = std::max<U32>(widest, node->lines[i].u16WidthOfLine);
  const U32 title = G_STRING_u32GetWidth(font, "Confirm:");
  const U32 width = std::max<U32>(widest + 20, title + 2 * (U32)confirm_icon.nWidth + 16);
  const U32 height = 24 * (U32)node->nLines + 78;
  const S32 left = ((S32)b->pixels_wide - (S32)width) / 2;
  const S32 bottom = ((S32)b->pixels_high - (S32)height) / 2;
  const S32 top = bottom + (S32)height;
  G_BOX_vDrawRounded(b, colour(67), POINT{(PIXEL)left, (PIXEL)bottom}, width, height, 5);
  G_BOX_vDrawRounded(b, colour(67), POINT{(PIXEL)(left + 1), (PIXEL)(bottom + 1)}, width - 2, height - 2, 3);
  G_BOX_vDrawRoundedFilled(b, colour(71), POINT{(PIXEL)(left + 2), (PIXEL)(bottom + 2)}, width - 4, height - 4, 3);
  G_LINE_vDraw(b, colour(67), POINT{(PIXEL)left, (PIXEL)(top - 36)},
               POINT{(PIXEL)(left + (S32)width - 1), (PIXEL)(top - 36)});
  const S32 titleX = left + ((S32)width - (S32)title) / 2;
  G_ICON_vPut(b, &confirm_icon, POINT{(PIXEL)(titleX - 6 - confirm_icon.nWidth), (PIXEL)(top - 34)});
  vText(b, colour(68), font, titleX, top - 28, "Confirm:");
  for (int i = 0; i < node->nLines; ++i) {
    char line[100];
    const size_t n = std::min<size_t>(node->lines[i].u8NumberOfCharsInLine, sizeof line - 1);
    memcpy(line, node->lines[i].pcStartOfText, n);
    line[n] = '\0';
    vText(b, colour(68), font, left + 10, top - 60 - 24 * i, line);
  }
  U_MENU_vDrawArrowLeft(b, POINT{(PIXEL)(left + 23), (PIXEL)(bottom + 5)}, 26, colour(68));
  vText(b, colour(68), font, left + 23 + 26 + 8, bottom + 9, "No");
  U_MENU_vDrawArrowRight(b, POINT{(PIXEL)(left + (S32)width - 24 - 26), (PIXEL)(bottom + 5)}, 26, colour(68));
  const U32 yes = G_STRING_u32GetWidth(font, "Yes");
  vText(b, colour(68), font, left + (S32)width - 24 - 26 - 4 - (S32)yes, bottom + 9, "Yes");
}

void T_STARTUP_EDIT_vRenderIPAddressSetup(BITMAP* b, const WINDOW_SPECIFICATION*) {
  const FONT_DEF* font = std_16x17_font_def_ptr.load();
  if (b == nullptr || font == nullptr) return;
  std::lock_guard<std::recursive_mutex> hold(s_lock);
  if (s_eStartupEditState == STARTUP_EDIT_NONE) return;
  const IPA_EDIT& e = s_IPAddressEdit;
  const COLOR fill = colour(128), frame = colour(130), ink = colour(131);
  constexpr S32 LEFT = 220, BOTTOM = 80, WIDTH = 362, HEIGHT = 402, TITLE = 50;
  constexpr S32 TOP = BOTTOM + HEIGHT;
  constexpr S32 VALUE_X = LEFT + WIDTH - 212 - 14, VALUE_W = 212, VALUE_H = 27;
  G_BOX_vDrawRoundedFilled(b, fill, POINT{LEFT, BOTTOM}, WIDTH, HEIGHT, 6);
  G_BOX_vDrawRounded(b, frame, POINT{LEFT, BOTTOM}, WIDTH, HEIGHT, 6);
  G_BOX_vDrawRounded(b, frame, POINT{LEFT + 4, TOP - TITLE}, WIDTH - 8, TITLE - 4, 4);
  const char* title = "IP Address Setup";
  vText(b, ink, font, LEFT + (WIDTH - (S32)G_STRING_u32GetWidth(font, title)) / 2, TOP - TITLE + 17, title);

  struct ROW {
    const char* label1;
    const char* label2;
    IPA_EDIT_STATE field;
    const char* value;
  };
  const ROW rows[] = {{"Mode", nullptr, IPA_EDIT_MODE, e.nMode != 0 ? "Dynamic" : "Static"},
                      {"Address", nullptr, IPA_EDIT_ADDR, e.sIPAddress},
                      {"Subnet", "Mask", IPA_EDIT_MASK, e.sSubnetMask},
                      {"Default", "Gateway", IPA_EDIT_GATE, e.sDefaultGateway}};
  for (int i = 0; i < 4; ++i) {
    const ROW& row = rows[i];
    const S32 boxY = TOP - TITLE - 30 - VALUE_H - 66 * i;
    const bool bAddressRow = i > 0;
    const bool bSelectable = !bAddressRow || e.nMode == 0;
    const bool bField = bSelectable && e.eState == row.field;
    const bool bValue = bSelectable && e.eState == row.field + 1;
    if (bField) {
      G_BOX_vDrawRounded(b, ink, POINT{LEFT + 8, boxY - 8}, 100, VALUE_H + 16, 4);
      U_MENU_vDrawArrowRight(b, POINT{LEFT + 112, boxY + 4}, 18, ink);
    }
    if (row.label2 == nullptr) {
      vText(b, ink, font, LEFT + 14, boxY + 8, row.label1);
    } else {
      vText(b, ink, font, LEFT + 14, boxY + 15, row.label1);
      vText(b, ink, font, LEFT + 14, boxY - 3, row.label2);
    }
    const COLOR valueInk = bValue ? fill : (bSelectable ? ink : frame);
    if (bValue) G_BOX_vDrawRoundedFilled(b, frame, POINT{VALUE_X, boxY}, VALUE_W, VALUE_H, 3);
    G_BOX_vDrawRounded(b, frame, POINT{VALUE_X, boxY}, VALUE_W, VALUE_H, 3);
    const S32 textX = VALUE_X + (VALUE_W - (S32)G_STRING_u32GetWidth(font, row.value)) / 2;
    vText(b, valueInk, font, textX, boxY + 8, row.value);
    if (bValue && bAddressRow && e.nPosition >= 0 && e.nPosition + 3 <= (S32)strlen(row.value)) {
      char prefix[IPA_TEXT] = {}, group[4] = {};
      memcpy(prefix, row.value, (size_t)e.nPosition);
      memcpy(group, row.value + e.nPosition, 3);
      const S32 groupX = textX + (S32)G_STRING_u32GetWidth(font, prefix);
      const S32 groupW = (S32)G_STRING_u32GetWidth(font, group);
      G_BOX_vDraw(b, fill, POINT{(PIXEL)(groupX - 2), (PIXEL)(boxY + 2)}, (U32)(groupW + 4), VALUE_H - 4);
      const S32 arrowX = groupX + (groupW - 13) / 2;
      U_MENU_vDrawArrowUp(b, POINT{(PIXEL)arrowX, (PIXEL)(boxY + VALUE_H + 2)}, 14, ink);
      U_MENU_vDrawArrowDown(b, POINT{(PIXEL)arrowX, (PIXEL)(boxY - 3)}, 14, ink);
    }
  }
  // The save button.
  const S32 saveY = BOTTOM + 16;
  const bool bSave = e.eState == IPA_EDIT_SAVE;
  if (bSave) G_BOX_vDrawRoundedFilled(b, frame, POINT{LEFT + (WIDTH - 120) / 2, saveY}, 120, 32, 4);
  G_BOX_vDrawRounded(b, ink, POINT{LEFT + (WIDTH - 120) / 2, saveY}, 120, 32, 4);
  if (bSave) U_MENU_vDrawArrowRight(b, POINT{LEFT + (WIDTH - 120) / 2 - 24, saveY + 6}, 18, ink);
  vText(b, bSave ? fill : ink, font, LEFT + (WIDTH - (S32)G_STRING_u32GetWidth(font, "Save")) / 2, saveY + 10, "Save");
}
