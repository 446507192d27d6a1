// The demonstration script language of the point-of-sale mode: line reader,
// tokenizer, command recognition and the interpreter that runs one script
// line per step. The interpreter keeps all its state in a POS_SCRIPT and
// reaches the rest of the unit only through a POS_SCRIPT_ENV, so it runs the
// same in the keyboard task, in tests and under a fuzzer.
//
// A script may come from an SD card and is untrusted: every fault in it
// (over-long lines and names, a chapter that is never defined, chapters
// nested too deep, a balloon or more-info block without its end, negative
// waits, a photo that does not load, a setting the script may not touch)
// stops the script with an error message the unit shows; nothing in a
// script can make a step run unbounded or write outside the interpreter's
// buffers.
//
// Script text: lines end with CR, LF or any run of them; "//" starts a
// comment line; keywords are case-insensitive and their arguments follow
// after single blanks:
//   CHAPTER name / ENDCHAPTER           a chapter (the first one loops)
//   VIEW view name                      shows a view by its name
//   KEY name                            presses a key (POWER VIEW MENU EXIT
//                                       CURSOR_RIGHT/LEFT/DOWN/UP + - MARK
//                                       GOTO INFO SOFT1 SOFT2 SOFT3)
//   WAIT seconds                        waits, in whole tenths of a second
//   BALLOON x y width lines "title" [px py] / text lines / ENDBALLOON
//   NOBALLOON                           hides the balloon
//   MOREINFO chapter / lines / ENDMOREINFO   offers a chapter on the > key
//   SET KEY value                       writes a setting (not a T key)
//   LIMNORAON / LIMNORAOFF              the chart's demonstration lake charts
//   PHOTO name / PHOTO OFF              a full-screen picture
//   EXITMESSAGEBOX [x y]                places the "Press EXIT" box
#pragma once

#include "common/g_types.h"
#include "common/key_types.h"
#include "common/types.h"
#include "common/view_types.h"

enum SCRIPT_LINE : S32 {
  BLANK_LINE = 1,
  COMMENT_LINE = 2,
  VALID_LINE = 3,
};

enum POS_COMMAND : S32 {
  BAD_COMMAND = 1,
  CHAPTER = 2,
  END_CHAPTER = 3,
  CHANGE_VIEW = 4,
  CHANGE_KEY = 5,
  WAIT = 6,
  BALLOON = 7,
  END_BALLOON = 8,
  NO_BALLOON = 9,
  MORE_INFO = 10,
  END_MORE_INFO = 11,
  SET_DB_ITEM = 12,
  LIMNORAON = 13,
  LIMNORAOFF = 14,
  PHOTO = 15,
  EXIT_MESSAGE_BOX = 16,
};

enum POS_ERROR_CODE : S32 {
  NO_ERROR = 0,
  ERR_NO_VIEW = 1,
  ERR_BAD_VIEW = 2,
  ERR_NO_CHAPTER = 3,
  ERR_NO_KEY = 4,
  ERR_BAD_KEY = 5,
  ERR_NO_WAIT = 6,
  ERR_NO_BALLOON = 7,
  ERR_BALLOON_PARAMETERS = 8,
  ERR_NO_FCID = 9,
  ERR_NO_FCID_DATA = 10,
  ERR_POINTER_IN_BALLOON = 11,  // kept for its number; never raised
  ERR_BAD_ANNOTATION = 12,
  ERR_NO_NAME = 13,
  ERR_NO_PHOTO = 14,
  // Faults of untrusted scripts.
  ERR_SCRIPT_TOO_LARGE = 15,
  ERR_TOO_LONG = 16,
  ERR_CHAPTER_NOT_FOUND = 17,
  ERR_CHAPTER_DEPTH = 18,
  ERR_BAD_WAIT = 19,
  ERR_PHOTO_TIMEOUT = 20,
  ERR_PROTECTED_KEY = 21,
  ERR_NO_END = 22,
  MAX_ERROR_CODES = 23,
};

// The message shown for an error ("" for NO_ERROR and unknown codes).
const char* POS_SCRIPT_pcErrorMessage(POS_ERROR_CODE code);

// Fixed sizes of the interpreter's buffers (characters, without the zero).
constexpr U32 POS_LINE_MAX = 99;
constexpr U32 POS_COMMAND_MAX = 15;
constexpr U32 POS_VIEW_NAME_MAX = 34;
constexpr U32 POS_WAIT_MAX = 5;
constexpr U32 POS_NUMBER_MAX = 5;
constexpr U32 POS_SET_VALUE_MAX = 10;
constexpr U32 POS_KEY_NAME_MAX = 13;
constexpr U32 POS_NAME_MAX = 19;
constexpr U32 POS_TITLE_MAX = 39;
constexpr U32 POS_TEXT_MAX = 499;
constexpr int POS_CHAPTER_STACK = 5;
// Largest script the unit accepts (a card file above it is refused).
constexpr U32 POS_SCRIPT_MAX_BYTES = 65536;
// Balloon limits: the panel fits the screen.
constexpr U32 POS_BALLOON_MAX_WIDTH = 780;
constexpr U32 POS_BALLOON_MAX_LINES = 25;
// Preamble: view-key presses before the script, each shown this long.
constexpr U32 POS_PREAMBLE_START = 7;
constexpr U32 POS_PREAMBLE_MS = 10000;
// Timer after a step: after SET, after any other command but WAIT.
constexpr U32 POS_SET_DELAY_MS = 300;
constexpr U32 POS_STEP_DELAY_MS = 100;
// Longest WAIT (seconds).
constexpr U32 POS_WAIT_MAX_SECONDS = 3600;

struct CHAPTER_ITEM {
  char chapterName[POS_NAME_MAX + 1];
  U32 chapterStart;
  U32 chapterResume;
};

struct D_BALLOON {
  char title[POS_TITLE_MAX + 1];
  U32 widthPixels;
  U8 heightLines;
  POINT llAnchor;       // lower left corner
  POINT pointerAnchor;  // (-1, -1) when absent; stored, not drawn
  char text[POS_TEXT_MAX + 1];
  BOOLEAN bActive;    // shown
  BOOLEAN bMoreInfo;  // a chapter is on offer
};

// Result of loading a photo.
enum POS_PHOTO_RESULT : S32 {
  POS_PHOTO_SHOWN = 0,
  POS_PHOTO_NOT_FOUND = 1,  // on no card and not built in
  POS_PHOTO_TIMEOUT = 2,    // found, but the picture did not arrive in time
};

// What the interpreter needs of the unit. Every member is called with ctx.
struct POS_SCRIPT_ENV {
  void* ctx;
  // The view named (upper case); UNKNOWN_VIEW when none matches.
  LAYER_ID (*eFindView)(void* ctx, const char* pcUpperName);
  // A settings write at P_NORMAL (never a T key: the interpreter refuses
  // those before it calls).
  void (*vWriteSetting)(void* ctx, FOURCHARID key, U32 value);
  // The "Demo Balloons" setting (SDBV).
  BOOLEAN (*bBalloonsVisible)(void* ctx);
  // A simulated key press for the first registration of the key that is
  // not the keyboard task's own.
  void (*vPressKey)(void* ctx, U32 mask, CURSOR_POSITION cursor);
  // CMD_ID_RESET_POS to every task.
  void (*vResetTasks)(void* ctx);
  // SEMA_VIEW_UPDATE.
  void (*vRefresh)(void* ctx);
  // The chart's demonstration lake-chart presentation on or off.
  void (*vChartDemoMode)(void* ctx, BOOLEAN bOn);
  // Loads a photo by file name (no folder) and waits a bounded time for it.
  POS_PHOTO_RESULT (*eLoadPhoto)(void* ctx, const char* pcName);
  // Removes the photo shown.
  void (*vRemovePhoto)(void* ctx);
};

struct POS_SCRIPT {
  const char* pText;
  U32 u32Size;
  U32 u32CurOffset;
  char aTextLine[POS_LINE_MAX + 1];
  BOOLEAN bLineTooLong;  // the line last read was cut
  CHAPTER_ITEM chptStack[POS_CHAPTER_STACK];
  S8 stackTop;        // -1 when empty
  S8 activeChapter;   // -1 when none
  D_BALLOON curBalloon;
  U32 u32PreambleCount;
  POINT exitBoxAnchor;   // negative: no exit box
  POINT exitBoxDefault;  // where EXITMESSAGEBOX without numbers puts it
  POS_ERROR_CODE scriptError;
  BOOLEAN bShowImage;
};

// Starts (or restarts) the interpreter on a text: offset 0, no error,
// balloon hidden, chapter stack empty, exit box hidden, the preamble count
// given. A text above POS_SCRIPT_MAX_BYTES is refused with
// ERR_SCRIPT_TOO_LARGE (the script then never runs a line).
void POS_SCRIPT_vReset(POS_SCRIPT* s, const char* pText, U32 u32Size, U32 u32Preamble, POINT exitBoxDefault);

// One step. Returns the milliseconds until the next step, or -1 when the
// script stopped on an error (the error stays until the next reset).
S32 POS_SCRIPT_s32Step(POS_SCRIPT* s, const POS_SCRIPT_ENV* env);

// The > key while a chapter is on offer: enters it (TRUE), or FALSE when
// nothing is on offer.
BOOLEAN POS_SCRIPT_bEnterOfferedChapter(POS_SCRIPT* s, const POS_SCRIPT_ENV* env);

// The line reader (from the current offset, or from *pu32From when given);
// stores the line's start offset in *pu32Start when given.
SCRIPT_LINE POS_SCRIPT_eGetScriptLine(POS_SCRIPT* s, U32* pu32Start, const U32* pu32From);
// The first token of a string (up to a blank or tab) into out (room bytes
// with the zero); FALSE for an empty string or one longer than room - 1.
BOOLEAN POS_SCRIPT_bGetToken(char* out, U32 room, const char* pcString);
// The command of a line.
POS_COMMAND POS_SCRIPT_eGetCommand(const char* pcLine);

// Annotations of balloon text: "[NAME]" or "[NAME n]". Calls visit for each
// piece: a plain character (name 0), or an annotation's first two letters
// in upper case with its number. Returns FALSE for an unknown annotation or
// an unterminated one.
enum POS_TEXT_ITEM : S32 {
  POS_TEXT_CHAR = 0,
  POS_TEXT_BULLET = 1,
  POS_TEXT_HSPACE = 2,
  POS_TEXT_VSPACE = 3,
  POS_TEXT_NONE = 4,  // IC and BI: known, nothing to do
};
BOOLEAN POS_SCRIPT_bWalkText(const char* pcText, void (*visit)(void* ctx, POS_TEXT_ITEM item, S32 value),
                             void* ctx);
