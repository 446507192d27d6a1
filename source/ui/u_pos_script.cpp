// Demonstration script interpreter (see u_pos_script.h).
#include "source/ui/u_pos_script.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

namespace {

const char* const s_errorMessages[MAX_ERROR_CODES] = {
    "",
    "No View name in POS script",
    "Bad view name in POS script",
    "No Chapter name in POS script",
    "No Key name in POS script",
    "Bad Key name in POS script",
    "No wait time in POS script",
    "No Balloon info in POS script",
    "Error: Not enough balloon parameters",
    "No FCID following SET cmd",
    "No FCID data to set",
    "Pointer end inside balloon",
    "Error in text annotation",
    "Error no photo name",
    "Error photo not found",
    "POS script file too large",
    "Line or name too long in POS script",
    "Chapter not found in POS script",
    "Chapters nested too deep in POS script",
    "Bad wait time in POS script",
    "Error photo did not load",
    "Setting not allowed in POS script",
    "Block without its end in POS script",
};

struct KEYWORD {
  const char* pcName;
  POS_COMMAND command;
};

const KEYWORD s_keywords[] = {
    {"CHAPTER", CHAPTER},         {"ENDCHAPTER", END_CHAPTER},   {"VIEW", CHANGE_VIEW},
    {"KEY", CHANGE_KEY},          {"WAIT", WAIT},                {"BALLOON", BALLOON},
    {"ENDBALLOON", END_BALLOON},  {"NOBALLOON", NO_BALLOON},     {"MOREINFO", MORE_INFO},
    {"ENDMOREINFO", END_MORE_INFO}, {"SET", SET_DB_ITEM},        {"LIMNORAON", LIMNORAON},
    {"LIMNORAOFF", LIMNORAOFF},   {"PHOTO", PHOTO},              {"EXITMESSAGEBOX", EXIT_MESSAGE_BOX},
};

struct KEY_NAME {
  const char* pcName;
  U32 mask;
  CURSOR_POSITION cursor;
};

const KEY_NAME s_keyNames[] = {
    {"POWER", KEY_MASK_POWER, CURSOR_ILLEGAL},
    {"VIEW", KEY_MASK_VIEW, CURSOR_ILLEGAL},
    {"MENU", KEY_MASK_MENU, CURSOR_ILLEGAL},
    {"EXIT", KEY_MASK_EXIT, CURSOR_ILLEGAL},
    {"CURSOR_RIGHT", KEY_MASK_CURSOR, CURSOR_EAST},
    {"CURSOR_LEFT", KEY_MASK_CURSOR, CURSOR_WEST},
    {"CURSOR_DOWN", KEY_MASK_CURSOR, CURSOR_SOUTH},
    {"CURSOR_UP", KEY_MASK_CURSOR, CURSOR_NORTH},
    {"+", KEY_MASK_ZOOM_IN, CURSOR_ILLEGAL},
    {"-", KEY_MASK_ZOOM_OUT, CURSOR_ILLEGAL},
    {"MARK", KEY_MASK_MARK, CURSOR_ILLEGAL},
    {"GOTO", KEY_MASK_GOTO, CURSOR_ILLEGAL},
    {"INFO", KEY_MASK_INFO, CURSOR_ILLEGAL},
    {"SOFT1", KEY_MASK_SOFT_KEY_1, CURSOR_ILLEGAL},
    {"SOFT2", KEY_MASK_SOFT_KEY_2, CURSOR_ILLEGAL},
    {"SOFT3", KEY_MASK_SOFT_KEY_3, CURSOR_ILLEGAL},
};

bool bSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool bBlank(char c) { return c == ' ' || c == '\t'; }

void vUpper(char* p) {
  for (; *p != '\0'; ++p) *p = (char)toupper((unsigned char)*p);
}

// The argument of a command: the text after the keyword and one blank; ""
// when the line ends before it.
const char* pcArgument(const char* pcLine, U32 u32KeywordLength) {
  const size_t n = strlen(pcLine);
  return n > u32KeywordLength + 1 ? pcLine + u32KeywordLength + 1 : "";
}

void vSetError(POS_SCRIPT* s, POS_ERROR_CODE code) {
  if (s->scriptError == NO_ERROR) s->scriptError = code;
}

// Reads lines from the current offset until a line that is not a comment.
enum NEXT_LINE {
  LINE_READ = 0,
  LINE_READ_TEXT_ENDED = 1,  // the line was the text's last: the reader is back at the top
  LINE_AFTER_WRAP = 2,       // the text ended before a line was found: the line is from the top
};
NEXT_LINE eNextLine(POS_SCRIPT* s) {
  bool wrapped = false;
  // Every comment advances the offset or ends the text; after a wrap the
  // first line of the text is read at the latest.
  for (U32 guard = 0; guard <= s->u32Size + 1; ++guard) {
    const SCRIPT_LINE kind = POS_SCRIPT_eGetScriptLine(s, nullptr, nullptr);
    if (kind == VALID_LINE) {
      if (wrapped) return LINE_AFTER_WRAP;
      return s->u32CurOffset == 0 ? LINE_READ_TEXT_ENDED : LINE_READ;
    }
    if (s->u32CurOffset == 0) wrapped = true;
  }
  return LINE_AFTER_WRAP;
}

// Reads the lines of a block up to its end command; FALSE when the text ends
// first.
bool bSkipBlock(POS_SCRIPT* s, POS_COMMAND end, bool (*take)(POS_SCRIPT*, void*), void* ctx) {
  bool ended = false;
  for (;;) {
    if (ended) return false;
    const NEXT_LINE r = eNextLine(s);
    if (r == LINE_AFTER_WRAP) return false;
    ended = r == LINE_READ_TEXT_ENDED;
    if (POS_SCRIPT_eGetCommand(s->aTextLine) == end) return true;
    if (take != nullptr && !take(s, ctx)) return true;
  }
}

// The start of the line after the CHAPTER line of that name, found in one
// pass over the text without moving the reader.
bool bFindChapter(POS_SCRIPT* s, const char* pcName, U32* pu32Start) {
  U32 from = 0;
  const U32 saved = s->u32CurOffset;
  char line[POS_LINE_MAX + 1];
  memcpy(line, s->aTextLine, sizeof line);
  bool found = false;
  // One pass over the text: the reader returns to 0 after its last line.
  for (U32 guard = 0; guard <= s->u32Size + 1; ++guard) {
    const SCRIPT_LINE kind = POS_SCRIPT_eGetScriptLine(s, nullptr, &from);
    if (kind == VALID_LINE && POS_SCRIPT_eGetCommand(s->aTextLine) == CHAPTER && !s->bLineTooLong &&
        strcasecmp(pcArgument(s->aTextLine, 7), pcName) == 0) {
      *pu32Start = s->u32CurOffset;
      found = true;
      break;
    }
    if (s->u32CurOffset <= from || s->u32CurOffset == 0) break;
    from = s->u32CurOffset;
  }
  s->u32CurOffset = saved;
  memcpy(s->aTextLine, line, sizeof line);
  s->bLineTooLong = FALSE;
  return found;
}

// A decimal number of at most max characters, alone or followed by blanks.
bool bReadInt(const char** pp, S32* out) {
  const char* p = *pp;
  while (bBlank(*p)) ++p;
  const char* start = p;
  if (*p == '-' || *p == '+') ++p;
  if (!isdigit((unsigned char)*p)) return false;
  while (isdigit((unsigned char)*p)) ++p;
  if ((U32)(p - start) > POS_NUMBER_MAX + 1) return false;
  *out = (S32)strtol(start, nullptr, 10);
  *pp = p;
  return true;
}

// ------------------------------------------------------------ commands
void vChapter(POS_SCRIPT* s) {
  const char* arg = pcArgument(s->aTextLine, 7);
  if (*arg == '\0') {
    vSetError(s, ERR_NO_CHAPTER);
    return;
  }
  if (s->stackTop >= 0) return;
  if (strlen(arg) > POS_NAME_MAX) {
    vSetError(s, ERR_TOO_LONG);
    return;
  }
  CHAPTER_ITEM& c = s->chptStack[0];
  strcpy(c.chapterName, arg);
  vUpper(c.chapterName);
  c.chapterStart = c.chapterResume = s->u32CurOffset;
  s->stackTop = 0;
  s->activeChapter = 0;
}

void vEndChapter(POS_SCRIPT* s, const POS_SCRIPT_ENV* env) {
  if (s->activeChapter > 0) {
    env->vResetTasks(env->ctx);
    // The chapter left is done with: the stack holds the chapters being
    // played, so it never grows with the chapters visited.
    s->stackTop = (S8)(s->activeChapter - 1);
    s->activeChapter = s->stackTop;
    s->curBalloon.bMoreInfo = FALSE;
    s->u32CurOffset = s->chptStack[s->activeChapter].chapterResume;
  } else if (s->activeChapter == 0) {
    s->stackTop = 0;
    s->curBalloon.bMoreInfo = FALSE;
    s->u32CurOffset = s->chptStack[0].chapterStart;
  }
}

void vView(POS_SCRIPT* s, const POS_SCRIPT_ENV* env) {
  const char* arg = pcArgument(s->aTextLine, 4);
  if (*arg == '\0') {
    vSetError(s, ERR_NO_VIEW);
    return;
  }
  if (strlen(arg) > POS_VIEW_NAME_MAX) {
    vSetError(s, ERR_TOO_LONG);
    return;
  }
  char name[POS_VIEW_NAME_MAX + 1];
  strcpy(name, arg);
  vUpper(name);
  const LAYER_ID view = env->eFindView(env->ctx, name);
  if (view == UNKNOWN_VIEW) {
    vSetError(s, ERR_BAD_VIEW);
    return;
  }
  env->vWriteSetting(env->ctx, FCID("CVEW"), (U32)(S32)view);
  env->vRefresh(env->ctx);
}

void vKey(POS_SCRIPT* s, const POS_SCRIPT_ENV* env) {
  char name[POS_KEY_NAME_MAX + 1] = {};
  const char* arg = pcArgument(s->aTextLine, 3);
  if (*arg == '\0' || bBlank(*arg)) {
    vSetError(s, ERR_NO_KEY);
    return;
  }
  if (!POS_SCRIPT_bGetToken(name, sizeof name, arg)) {
    vSetError(s, ERR_TOO_LONG);
    return;
  }
  vUpper(name);
  for (const KEY_NAME& k : s_keyNames) {
    if (strcmp(k.pcName, name) == 0) {
      env->vPressKey(env->ctx, k.mask, k.cursor);
      return;
    }
  }
  vSetError(s, ERR_BAD_KEY);
}

// Returns the wait in ms, or -1 after an error.
S32 s32Wait(POS_SCRIPT* s) {
  char token[POS_WAIT_MAX + 1] = {};
  const char* arg = pcArgument(s->aTextLine, 4);
  if (*arg == '\0' || bBlank(*arg)) {
    vSetError(s, ERR_NO_WAIT);
    return -1;
  }
  if (!POS_SCRIPT_bGetToken(token, sizeof token, arg)) {
    vSetError(s, ERR_TOO_LONG);
    return -1;
  }
  if (token[0] == '-') {
    vSetError(s, ERR_BAD_WAIT);
    return -1;
  }
  // Whole seconds and the first decimal; anything but digits and one point
  // is not a time.
  U32 seconds = 0, tenths = 0;
  const char* p = token;
  bool digits = false;
  while (isdigit((unsigned char)*p)) seconds = seconds * 10 + (U32)(*p++ - '0'), digits = true;
  if (*p == '.') {
    ++p;
    if (isdigit((unsigned char)*p)) tenths = (U32)(*p - '0'), digits = true;
    while (isdigit((unsigned char)*p)) ++p;
  }
  if (!digits || *p != '\0') {
    vSetError(s, digits ? ERR_BAD_WAIT : ERR_NO_WAIT);
    return -1;
  }
  if (seconds > POS_WAIT_MAX_SECONDS) {
    vSetError(s, ERR_BAD_WAIT);
    return -1;
  }
  return (S32)((seconds * 10 + tenths) * 100);
}

// The annotation check of a balloon's text.
void vIgnore(void*, POS_TEXT_ITEM, S32) {}

struct BALLOON_TEXT {
  D_BALLOON* b;
  size_t used;
  POS_ERROR_CODE error;
};

// Adds a line to a balloon's text; FALSE (and the error) when it does not fit.
bool bTakeBalloonLine(POS_SCRIPT* s, void* ctx) {
  BALLOON_TEXT* t = (BALLOON_TEXT*)ctx;
  const size_t n = strlen(s->aTextLine);
  if (s->bLineTooLong || t->used + n + 2 > POS_TEXT_MAX) {
    t->error = ERR_TOO_LONG;
    return false;
  }
  memcpy(t->b->text + t->used, s->aTextLine, n);
  t->used += n;
  t->b->text[t->used++] = '\n';
  return true;
}

void vBalloon(POS_SCRIPT* s, const POS_SCRIPT_ENV* env) {
  if (strlen(s->aTextLine) <= 8) {
    vSetError(s, ERR_NO_BALLOON);
    return;
  }
  D_BALLOON b;
  memset(&b, 0, sizeof b);
  const char* p = s->aTextLine + 8;
  S32 x = 0, y = 0, w = 0, l = 0;
  if (!bReadInt(&p, &x) || !bReadInt(&p, &y) || !bReadInt(&p, &w) || !bReadInt(&p, &l)) {
    vSetError(s, ERR_BALLOON_PARAMETERS);
    return;
  }
  while (bBlank(*p)) ++p;
  if (*p != '"') {
    vSetError(s, ERR_BALLOON_PARAMETERS);
    return;
  }
  const char* title = ++p;
  const char* close = strchr(title, '"');
  if (close == nullptr) {
    vSetError(s, ERR_BALLOON_PARAMETERS);
    return;
  }
  if ((U32)(close - title) > POS_TITLE_MAX) {
    vSetError(s, ERR_TOO_LONG);
    return;
  }
  memcpy(b.title, title, (size_t)(close - title));
  p = close + 1;
  b.pointerAnchor = {-1, -1};
  S32 px = 0, py = 0;
  while (bBlank(*p)) ++p;
  if (*p != '\0') {
    if (!bReadInt(&p, &px) || !bReadInt(&p, &py)) {
      vSetError(s, ERR_BALLOON_PARAMETERS);
      return;
    }
    b.pointerAnchor = {px, py};
  }
  // The balloon lies on the screen with room for its frame.
  if (x < 0 || y < 0 || x > 800 || y > 600 || w < 1 || (U32)w > POS_BALLOON_MAX_WIDTH || l < 0 ||
      (U32)l > POS_BALLOON_MAX_LINES) {
    vSetError(s, ERR_BALLOON_PARAMETERS);
    return;
  }
  b.llAnchor = {x, y};
  b.widthPixels = (U32)w;
  b.heightLines = (U8)l;

  // The text: every line up to ENDBALLOON, each followed by a line feed,
  // then a carriage return.
  BALLOON_TEXT text{&b, 0, NO_ERROR};
  if (!bSkipBlock(s, END_BALLOON, bTakeBalloonLine, &text)) {
    vSetError(s, ERR_NO_END);
    return;
  }
  if (text.error != NO_ERROR) {
    vSetError(s, text.error);
    return;
  }
  size_t used = text.used;
  b.text[used++] = '\r';
  b.text[used] = '\0';
  if (!POS_SCRIPT_bWalkText(b.text, vIgnore, nullptr)) {
    vSetError(s, ERR_BAD_ANNOTATION);
    return;
  }
  b.bActive = env->bBalloonsVisible(env->ctx);
  b.bMoreInfo = s->curBalloon.bMoreInfo;
  s->curBalloon = b;
  env->vRefresh(env->ctx);
}

void vMoreInfo(POS_SCRIPT* s, const POS_SCRIPT_ENV* env) {
  const char* arg = pcArgument(s->aTextLine, 8);
  char name[POS_NAME_MAX + 1] = {};
  if (*arg == '\0' || bBlank(*arg)) {
    vSetError(s, ERR_NO_CHAPTER);
    return;
  }
  if (strlen(arg) > POS_NAME_MAX) {
    vSetError(s, ERR_TOO_LONG);
    return;
  }
  strcpy(name, arg);
  vUpper(name);
  // An offer needs a chapter being played to come back to.
  if (s->stackTop < 0) {
    vSetError(s, ERR_NO_CHAPTER);
    return;
  }
  if (strcmp(s->chptStack[s->stackTop].chapterName, name) == 0) return;
  // A new offer replaces one that still stands.
  if (s->activeChapter < s->stackTop) s->stackTop = s->activeChapter;
  if (s->stackTop + 1 >= POS_CHAPTER_STACK) {
    vSetError(s, ERR_CHAPTER_DEPTH);
    return;
  }
  const U32 inside = s->u32CurOffset;
  if (!bSkipBlock(s, END_MORE_INFO, nullptr, nullptr)) {
    vSetError(s, ERR_NO_END);
    return;
  }
  const U32 resume = s->u32CurOffset;
  U32 start = 0;
  if (!bFindChapter(s, name, &start)) {
    vSetError(s, ERR_CHAPTER_NOT_FOUND);
    return;
  }
  s->chptStack[s->stackTop].chapterResume = resume;
  s->stackTop = (S8)(s->stackTop + 1);
  CHAPTER_ITEM& c = s->chptStack[s->stackTop];
  strcpy(c.chapterName, name);
  c.chapterStart = c.chapterResume = start;
  s->u32CurOffset = inside;
  s->curBalloon.bMoreInfo = TRUE;
  (void)env;
}

void vEndMoreInfo(POS_SCRIPT* s, const POS_SCRIPT_ENV* env) {
  if (s->activeChapter != s->stackTop && s->stackTop > 0) {
    s->stackTop = (S8)(s->stackTop - 1);
    s->curBalloon.bMoreInfo = FALSE;
  }
  env->vRefresh(env->ctx);
}

// Returns the delay after the command (POS_SET_DELAY_MS).
void vSet(POS_SCRIPT* s, const POS_SCRIPT_ENV* env) {
  const char* arg = pcArgument(s->aTextLine, 3);
  char key[POS_SET_VALUE_MAX + 1] = {};
  if (*arg == '\0' || bBlank(*arg)) {
    vSetError(s, ERR_NO_FCID);
    return;
  }
  if (!POS_SCRIPT_bGetToken(key, sizeof key, arg)) {
    vSetError(s, ERR_TOO_LONG);
    return;
  }
  if (strlen(key) != 4) {
    vSetError(s, ERR_NO_FCID);
    return;
  }
  for (int i = 0; i < 4; ++i) {
    if (!isgraph((unsigned char)key[i])) {
      vSetError(s, ERR_NO_FCID);
      return;
    }
  }
  // Task mailbox keys address the tasks: a script never moves them.
  if (key[0] == 'T') {
    vSetError(s, ERR_PROTECTED_KEY);
    return;
  }
  const char* value = pcArgument(s->aTextLine, 8);
  char token[POS_SET_VALUE_MAX + 1] = {};
  if (*value == '\0' || bBlank(*value)) {
    vSetError(s, ERR_NO_FCID_DATA);
    return;
  }
  if (!POS_SCRIPT_bGetToken(token, sizeof token, value)) {
    vSetError(s, ERR_TOO_LONG);
    return;
  }
  char* end = nullptr;
  const unsigned long v = strtoul(token, &end, 0);
  if (end == token || token[0] == '-') {
    vSetError(s, ERR_NO_FCID_DATA);
    return;
  }
  env->vWriteSetting(env->ctx, MAKE_FOURCHARID(key[0], key[1], key[2], key[3]), (U32)v);
}

void vPhoto(POS_SCRIPT* s, const POS_SCRIPT_ENV* env) {
  const char* arg = pcArgument(s->aTextLine, 5);
  char name[POS_NAME_MAX + 1] = {};
  if (*arg == '\0' || bBlank(*arg)) {
    vSetError(s, ERR_NO_NAME);
    if (s->bShowImage) env->vRemovePhoto(env->ctx);
    s->bShowImage = FALSE;
    return;
  }
  if (!POS_SCRIPT_bGetToken(name, sizeof name, arg)) {
    vSetError(s, ERR_TOO_LONG);
    return;
  }
  vUpper(name);
  if (strcmp(name, "OFF") == 0) {
    if (s->bShowImage) env->vRemovePhoto(env->ctx);
    s->bShowImage = FALSE;
    env->vRefresh(env->ctx);
    return;
  }
  // A bare file name: the photo folders are the only places looked in.
  if (strchr(name, '/') != nullptr || strchr(name, '\\') != nullptr || name[0] == '.') {
    vSetError(s, ERR_NO_PHOTO);
    return;
  }
  // The name as written (the card's file system ignores case; the host's
  // folders are looked up as written).
  memset(name, 0, sizeof name);
  POS_SCRIPT_bGetToken(name, sizeof name, arg);
  switch (env->eLoadPhoto(env->ctx, name)) {
    case POS_PHOTO_SHOWN:
      s->bShowImage = TRUE;
      break;
    case POS_PHOTO_NOT_FOUND:
      vSetError(s, ERR_NO_PHOTO);
      break;
    case POS_PHOTO_TIMEOUT:
      vSetError(s, ERR_PHOTO_TIMEOUT);
      break;
  }
  env->vRefresh(env->ctx);
}

void vExitBox(POS_SCRIPT* s, const POS_SCRIPT_ENV* env) {
  const char* p = s->aTextLine + 14;
  S32 x = 0, y = 0;
  if (bReadInt(&p, &x) && bReadInt(&p, &y) && x >= 0 && y >= 0 && x < 800 && y < 600) {
    s->exitBoxAnchor = {x, y};
  } else {
    s->exitBoxAnchor = s->exitBoxDefault;
  }
  env->vRefresh(env->ctx);
}

}  // namespace

const char* POS_SCRIPT_pcErrorMessage(POS_ERROR_CODE code) {
  if (code < NO_ERROR || code >= MAX_ERROR_CODES) return "";
  return s_errorMessages[code];
}

void POS_SCRIPT_vReset(POS_SCRIPT* s, const char* pText, U32 u32Size, U32 u32Preamble, POINT exitBoxDefault) {
  memset(s, 0, sizeof *s);
  s->pText = pText;
  s->u32Size = pText == nullptr ? 0 : u32Size;
  s->stackTop = -1;
  s->activeChapter = -1;
  s->curBalloon.pointerAnchor = {-1, -1};
  s->u32PreambleCount = u32Preamble;
  s->exitBoxAnchor = {-1, -1};
  s->exitBoxDefault = exitBoxDefault;
  if (u32Size > POS_SCRIPT_MAX_BYTES) {
    s->pText = nullptr;
    s->u32Size = 0;
    s->scriptError = ERR_SCRIPT_TOO_LARGE;
  }
}

SCRIPT_LINE POS_SCRIPT_eGetScriptLine(POS_SCRIPT* s, U32* pu32Start, const U32* pu32From) {
  if (pu32From != nullptr) s->u32CurOffset = *pu32From;
  U32 i = s->u32CurOffset;
  const U32 n = s->u32Size;
  const char* t = s->pText;
  if (i > n) i = n;
  while (i < n && bSpace(t[i])) ++i;
  s->bLineTooLong = FALSE;
  if (i + 1 < n && t[i] == '/' && t[i + 1] == '/') {
    while (i < n && t[i] != '\n') ++i;
    if (i < n) ++i;
    if (i < n && t[i] == '\r') ++i;
    s->u32CurOffset = i >= n ? 0 : i;
    return COMMENT_LINE;
  }
  if (pu32Start != nullptr) *pu32Start = i;
  U32 len = 0;
  while (i < n && t[i] != '\r' && t[i] != '\n') {
    // A zero byte in the text ends nothing: it is kept out of the line.
    if (len < POS_LINE_MAX) {
      s->aTextLine[len++] = t[i] == '\0' ? ' ' : t[i];
    } else {
      s->bLineTooLong = TRUE;
    }
    ++i;
  }
  s->aTextLine[len] = '\0';
  while (i < n && (t[i] == '\r' || t[i] == '\n')) ++i;
  while (len > 0 && bSpace(s->aTextLine[len - 1])) s->aTextLine[--len] = '\0';
  s->u32CurOffset = i >= n ? 0 : i;
  return VALID_LINE;
}

BOOLEAN POS_SCRIPT_bGetToken(char* out, U32 room, const char* pcString) {
  if (pcString == nullptr || *pcString == '\0' || room == 0) return FALSE;
  U32 n = 0;
  while (pcString[n] != '\0' && !bBlank(pcString[n])) ++n;
  if (n + 1 > room) return FALSE;
  memcpy(out, pcString, n);
  out[n] = '\0';
  return TRUE;
}

POS_COMMAND POS_SCRIPT_eGetCommand(const char* pcLine) {
  char token[POS_COMMAND_MAX + 1] = {};
  if (!POS_SCRIPT_bGetToken(token, sizeof token, pcLine)) return BAD_COMMAND;
  vUpper(token);
  for (const KEYWORD& k : s_keywords) {
    if (strcmp(k.pcName, token) == 0) return k.command;
  }
  return BAD_COMMAND;
}

S32 POS_SCRIPT_s32Step(POS_SCRIPT* s, const POS_SCRIPT_ENV* env) {
  if (s->u32PreambleCount != 0) {
    --s->u32PreambleCount;
    if (s->u32PreambleCount != 0) {
      env->vPressKey(env->ctx, KEY_MASK_VIEW, CURSOR_ILLEGAL);
      return (S32)POS_PREAMBLE_MS;
    }
    if (env->bBalloonsVisible(env->ctx)) env->vWriteSetting(env->ctx, FCID("CDSM"), TRUE);
  }
  if (s->scriptError != NO_ERROR) return -1;

  eNextLine(s);
  S32 delay = (S32)POS_STEP_DELAY_MS;
  if (s->bLineTooLong) {
    vSetError(s, ERR_TOO_LONG);
  } else {
    switch (POS_SCRIPT_eGetCommand(s->aTextLine)) {
      case CHAPTER: vChapter(s); break;
      case END_CHAPTER: vEndChapter(s, env); break;
      case CHANGE_VIEW: vView(s, env); break;
      case CHANGE_KEY: vKey(s, env); break;
      case WAIT: delay = s32Wait(s); break;
      case BALLOON: vBalloon(s, env); break;
      case NO_BALLOON:
        s->curBalloon.bActive = FALSE;
        env->vRefresh(env->ctx);
        break;
      case MORE_INFO: vMoreInfo(s, env); break;
      case END_MORE_INFO: vEndMoreInfo(s, env); break;
      case SET_DB_ITEM:
        vSet(s, env);
        delay = (S32)POS_SET_DELAY_MS;
        break;
      case LIMNORAON: env->vChartDemoMode(env->ctx, TRUE); break;
      case LIMNORAOFF: env->vChartDemoMode(env->ctx, FALSE); break;
      case PHOTO:
        // A photo with a name starts afresh after an earlier error (only
        // reached when no error stopped the script).
        vPhoto(s, env);
        break;
      case EXIT_MESSAGE_BOX: vExitBox(s, env); break;
      case END_BALLOON:
      case BAD_COMMAND:
        break;
    }
  }
  if (s->scriptError != NO_ERROR) {
    env->vRefresh(env->ctx);
    return -1;
  }
  return delay;
}

BOOLEAN POS_SCRIPT_bEnterOfferedChapter(POS_SCRIPT* s, const POS_SCRIPT_ENV* env) {
  if (!s->curBalloon.bMoreInfo) return FALSE;
  if (s->activeChapter < s->stackTop && s->scriptError == NO_ERROR) {
    env->vResetTasks(env->ctx);
    s->activeChapter = (S8)(s->activeChapter + 1);
    s->u32CurOffset = s->chptStack[s->activeChapter].chapterStart;
    s->curBalloon.bMoreInfo = FALSE;
    s->curBalloon.bActive = FALSE;
    env->vRefresh(env->ctx);
  }
  return TRUE;
}

BOOLEAN POS_SCRIPT_bWalkText(const char* pcText, void (*visit)(void* ctx, POS_TEXT_ITEM item, S32 value),
                             void* ctx) {
  for (const char* p = pcText; *p != '\0' && *p != '\r'; ++p) {
    if (*p != '[') {
      visit(ctx, POS_TEXT_CHAR, (U8)*p);
      continue;
    }
    const char* close = strchr(p, ']');
    if (close == nullptr) return FALSE;
    char name[3] = {};
    for (int i = 0; i < 2 && p + 1 + i < close; ++i) name[i] = (char)toupper((unsigned char)p[1 + i]);
    S32 value = 0;
    const char* blank = p + 1;
    while (blank < close && !bBlank(*blank)) ++blank;
    if (blank < close) value = (S32)strtol(blank + 1, nullptr, 10);
    if (value < -600 || value > 800) return FALSE;
    if (strcmp(name, "BU") == 0) {
      visit(ctx, POS_TEXT_BULLET, 0);
    } else if (strcmp(name, "HS") == 0) {
      visit(ctx, POS_TEXT_HSPACE, value);
    } else if (strcmp(name, "VS") == 0) {
      visit(ctx, POS_TEXT_VSPACE, value);
    } else if (strcmp(name, "IC") == 0 || strcmp(name, "BI") == 0) {
      visit(ctx, POS_TEXT_NONE, 0);
    } else {
      return FALSE;
    }
    p = close;
    while (bBlank(p[1])) ++p;
  }
  return TRUE;
}
