// The demonstration script language: every command and every script error,
// as tables of scripts run step by step against a recording environment.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "source/ui/u_pos_script.h"

namespace {

// Records what the interpreter asks of the unit, one line per call.
struct Recorder {
  std::vector<std::string> calls;
  BOOLEAN balloons = TRUE;
  POS_PHOTO_RESULT photo = POS_PHOTO_SHOWN;
  bool refreshes = false;  // record refreshes too

  static Recorder& Of(void* ctx) { return *(Recorder*)ctx; }
  static LAYER_ID FindView(void* ctx, const char* name) {
    Of(ctx).calls.push_back(std::string("find ") + name);
    if (strcmp(name, "SONAR") == 0) return SONAR_VIEW_PRIORITY;
    if (strcmp(name, "CHART AND SONAR") == 0) return CHART_PLUS_2D_VIEW_PRIORITY;
    return UNKNOWN_VIEW;
  }
  static void Write(void* ctx, FOURCHARID key, U32 value) {
    char k[5] = {(char)(key & 0xFF), (char)((key >> 8) & 0xFF), (char)((key >> 16) & 0xFF), (char)(key >> 24), 0};
    Of(ctx).calls.push_back(std::string("set ") + k + " " + std::to_string(value));
  }
  static BOOLEAN Balloons(void* ctx) { return Of(ctx).balloons; }
  static void Press(void* ctx, U32 mask, CURSOR_POSITION cursor) {
    Of(ctx).calls.push_back("key " + std::to_string(mask) + " " + std::to_string((int)cursor));
  }
  static void Reset(void* ctx) { Of(ctx).calls.push_back("reset"); }
  static void Refresh(void* ctx) {
    if (Of(ctx).refreshes) Of(ctx).calls.push_back("refresh");
  }
  static void Chart(void* ctx, BOOLEAN on) { Of(ctx).calls.push_back(on ? "chart on" : "chart off"); }
  static POS_PHOTO_RESULT Photo(void* ctx, const char* name) {
    Of(ctx).calls.push_back(std::string("photo ") + name);
    return Of(ctx).photo;
  }
  static void RemovePhoto(void* ctx) { Of(ctx).calls.push_back("photo off"); }

  POS_SCRIPT_ENV Env() {
    return POS_SCRIPT_ENV{this, FindView, Write, Balloons, Press, Reset, Refresh, Chart, Photo, RemovePhoto};
  }
};

constexpr POINT DEFAULT_EXIT = {600, 20};

struct ScriptRun {
  std::string text;
  POS_SCRIPT s;
  Recorder rec;
  POS_SCRIPT_ENV env;
  std::vector<S32> delays;

  explicit ScriptRun(std::string t, U32 preamble = 0) : text(std::move(t)) {
    env = rec.Env();
    POS_SCRIPT_vReset(&s, text.data(), (U32)text.size(), preamble, DEFAULT_EXIT);
  }
  ScriptRun(const ScriptRun&) = delete;
  // Runs n steps (stops early once the script stopped).
  void Steps(int n) {
    for (int i = 0; i < n; ++i) {
      const S32 d = POS_SCRIPT_s32Step(&s, &env);
      delays.push_back(d);
      if (d < 0) return;
    }
  }
};

using Calls = std::vector<std::string>;

// ------------------------------------------------------------ commands

struct CommandCase {
  const char* name;
  const char* script;
  int steps;
  Calls calls;
  std::vector<S32> delays;
};

TEST(PosScript, EachCommandDoesItsWorkAndSetsItsTimer) {
  const CommandCase cases[] = {
      {"view by name in any case", "VIEW Sonar\n", 1, {"find SONAR", "set CVEW 49"}, {100}},
      {"view name with blanks", "view chart and sonar\n", 1, {"find CHART AND SONAR", "set CVEW 35"}, {100}},
      {"key names and cursor directions",
       "KEY +\nKEY -\nkey cursor_right\nKEY CURSOR_UP\nKEY SOFT3\nKEY power\n",
       6,
       {"key 32 10", "key 64 10", "key 16 3", "key 16 1", "key 8192 10", "key 1 10"},
       {100, 100, 100, 100, 100, 100}},
      {"wait in whole tenths", "WAIT 2.55\nWAIT 0.05\nWAIT 3\n", 3, {}, {2500, 0, 3000}},
      {"set decimal, hex and octal, remark ignored",
       "SET SVOM 1 // sonar view mode\nSET SPAL 0x1F\nSET SBRT 010\n",
       3,
       {"set SVOM 1", "set SPAL 31", "set SBRT 8"},
       {300, 300, 300}},
      {"lake-chart demonstration on and off", "LIMNORAON\nLIMNORAOFF\n", 2, {"chart on", "chart off"}, {100, 100}},
      {"photo by name, then off", "PHOTO boat.png\nPHOTO off\n", 2, {"photo boat.png", "photo off"}, {100, 100}},
      {"unknown commands and a stray end are skipped", "JUMP 3\nENDBALLOON\nKEY MENU\n", 3, {"key 4 10"},
       {100, 100, 100}},
      {"comments and blank lines are not steps", "// intro\n\n   \r\n// more\nKEY INFO\n", 1, {"key 512 10"}, {100}},
      {"script loops by itself", "KEY MARK\nKEY GOTO", 3, {"key 128 10", "key 256 10", "key 128 10"},
       {100, 100, 100}},
      {"empty script idles", "", 2, {}, {100, 100}},
  };
  for (const CommandCase& c : cases) {
    ScriptRun r(c.script);
    r.Steps(c.steps);
    EXPECT_EQ(r.rec.calls, c.calls) << c.name;
    EXPECT_EQ(r.delays, c.delays) << c.name;
    EXPECT_EQ(r.s.scriptError, NO_ERROR) << c.name;
  }
}

TEST(PosScript, PreambleOfSixViewKeysThenBalloonSettingHidesBanners) {
  ScriptRun r("KEY MENU\n", POS_PREAMBLE_START);
  r.Steps(7);
  Calls want(6, "key 2 10");
  want.push_back("set CDSM 1");
  want.push_back("key 4 10");
  EXPECT_EQ(r.rec.calls, want);
  EXPECT_EQ(r.delays, (std::vector<S32>{10000, 10000, 10000, 10000, 10000, 10000, 100}));
}

TEST(PosScript, BalloonTakesItsTextAndFollowsTheBalloonSetting) {
  ScriptRun r("BALLOON 40 300 320 3 \"Side imaging\" 100 200\n"
        "First line\n"
        "// a remark inside\n"
        "[BULLET] second\n"
        "ENDBALLOON\n"
        "NOBALLOON\n");
  r.Steps(1);
  const D_BALLOON& b = r.s.curBalloon;
  EXPECT_STREQ(b.title, "Side imaging");
  EXPECT_EQ(b.llAnchor.x, 40);
  EXPECT_EQ(b.llAnchor.y, 300);
  EXPECT_EQ(b.widthPixels, 320u);
  EXPECT_EQ(b.heightLines, 3);
  EXPECT_EQ(b.pointerAnchor.x, 100);
  EXPECT_EQ(b.pointerAnchor.y, 200);
  EXPECT_STREQ(b.text, "First line\n[BULLET] second\n\r");
  EXPECT_TRUE(b.bActive);
  r.Steps(1);
  EXPECT_FALSE(r.s.curBalloon.bActive);

  ScriptRun hidden("BALLOON 0 0 100 1 \"T\"\nENDBALLOON\n");
  hidden.rec.balloons = FALSE;
  hidden.Steps(1);
  EXPECT_STREQ(hidden.s.curBalloon.text, "\r");
  EXPECT_FALSE(hidden.s.curBalloon.bActive);
  EXPECT_EQ(hidden.s.curBalloon.pointerAnchor.x, -1);
}

TEST(PosScript, ExitBoxAtItsNumbersOrTheDefault) {
  ScriptRun r("EXITMESSAGEBOX 10 500\nEXITMESSAGEBOX\nEXITMESSAGEBOX 10\n");
  r.Steps(1);
  EXPECT_EQ(r.s.exitBoxAnchor.x, 10);
  EXPECT_EQ(r.s.exitBoxAnchor.y, 500);
  for (int i = 0; i < 2; ++i) {
    r.Steps(1);
    EXPECT_EQ(r.s.exitBoxAnchor.x, DEFAULT_EXIT.x);
    EXPECT_EQ(r.s.exitBoxAnchor.y, DEFAULT_EXIT.y);
  }
}

// A root chapter offers a sub-chapter; entering it plays the sub-chapter and
// its end returns after the offer; the root loops.
TEST(PosScript, ChaptersOfferEnterReturnAndLoop) {
  ScriptRun r("CHAPTER ROOT\n"
        "KEY MENU\n"
        "MOREINFO depth\n"
        "KEY INFO\n"
        "ENDMOREINFO\n"
        "KEY EXIT\n"
        "ENDCHAPTER\n"
        "CHAPTER DEPTH\n"
        "KEY MARK\n"
        "ENDCHAPTER\n");
  r.Steps(4);  // CHAPTER, KEY MENU, MOREINFO, KEY INFO
  EXPECT_EQ(r.rec.calls, (Calls{"key 4 10", "key 512 10"}));
  EXPECT_TRUE(r.s.curBalloon.bMoreInfo);
  EXPECT_EQ(r.s.stackTop, 1);
  EXPECT_TRUE(POS_SCRIPT_bEnterOfferedChapter(&r.s, &r.env));
  r.rec.calls.clear();
  r.Steps(3);  // KEY MARK, ENDCHAPTER (back after ENDMOREINFO), KEY EXIT
  EXPECT_EQ(r.rec.calls, (Calls{"key 128 10", "reset", "key 8 10"}));
  EXPECT_EQ(r.s.stackTop, 0);
  EXPECT_EQ(r.s.activeChapter, 0);
  r.rec.calls.clear();
  r.Steps(2);  // ENDCHAPTER of the root loops to its first line
  EXPECT_EQ(r.rec.calls, (Calls{"key 4 10"}));

  // Without entering, ENDMOREINFO withdraws the offer.
  ScriptRun skip(r.text);
  skip.Steps(5);
  EXPECT_FALSE(skip.s.curBalloon.bMoreInfo);
  EXPECT_EQ(skip.s.stackTop, 0);
  EXPECT_FALSE(POS_SCRIPT_bEnterOfferedChapter(&skip.s, &skip.env));
  // Many rounds of offers never fill the stack.
  skip.Steps(200);
  EXPECT_EQ(skip.s.scriptError, NO_ERROR);
}

// ------------------------------------------------------------ errors

struct ErrorCase {
  const char* script;
  POS_ERROR_CODE error;
  const char* message;
};

TEST(PosScript, EachScriptErrorStopsTheScriptWithItsMessage) {
  const std::string longLine = "KEY " + std::string(120, 'A') + "\n";
  std::string bigText = "BALLOON 0 0 100 2 \"T\"\n";
  for (int i = 0; i < 10; ++i) bigText += std::string(60, 'z') + "\n";
  bigText += "ENDBALLOON\n";
  std::string deep = "CHAPTER A\nMOREINFO B\nENDMOREINFO\nENDCHAPTER\n";
  for (char c = 'B'; c <= 'H'; ++c) {
    deep += std::string("CHAPTER ") + c + "\nMOREINFO " + (char)(c + 1) + "\nENDMOREINFO\nENDCHAPTER\n";
  }
  const ErrorCase cases[] = {
      {"VIEW\n", ERR_NO_VIEW, "No View name in POS script"},
      {"VIEW Nowhere\n", ERR_BAD_VIEW, "Bad view name in POS script"},
      {"CHAPTER\n", ERR_NO_CHAPTER, "No Chapter name in POS script"},
      {"CHAPTER R\nMOREINFO\n", ERR_NO_CHAPTER, "No Chapter name in POS script"},
      {"MOREINFO X\nENDMOREINFO\nCHAPTER X\n", ERR_NO_CHAPTER, "No Chapter name in POS script"},
      {"KEY\n", ERR_NO_KEY, "No Key name in POS script"},
      {"KEY +X\n", ERR_BAD_KEY, "Bad Key name in POS script"},
      {"WAIT\n", ERR_NO_WAIT, "No wait time in POS script"},
      {"WAIT soon\n", ERR_NO_WAIT, "No wait time in POS script"},
      {"BALLOON\n", ERR_NO_BALLOON, "No Balloon info in POS script"},
      {"BALLOON 1 2 3\n", ERR_BALLOON_PARAMETERS, "Error: Not enough balloon parameters"},
      {"BALLOON 1 2 3 4 title\nENDBALLOON\n", ERR_BALLOON_PARAMETERS, "Error: Not enough balloon parameters"},
      {"BALLOON 1 2 3 4 \"T\" 5\nENDBALLOON\n", ERR_BALLOON_PARAMETERS, "Error: Not enough balloon parameters"},
      {"BALLOON 1 2 5000 4 \"T\"\nENDBALLOON\n", ERR_BALLOON_PARAMETERS, "Error: Not enough balloon parameters"},
      {"BALLOON 1 2 100 99 \"T\"\nENDBALLOON\n", ERR_BALLOON_PARAMETERS, "Error: Not enough balloon parameters"},
      {"SET\n", ERR_NO_FCID, "No FCID following SET cmd"},
      {"SET AB 1\n", ERR_NO_FCID, "No FCID following SET cmd"},
      {"SET SVOM\n", ERR_NO_FCID_DATA, "No FCID data to set"},
      {"SET SVOM lots\n", ERR_NO_FCID_DATA, "No FCID data to set"},
      {"BALLOON 1 2 100 1 \"T\"\n[WOBBLE] text\nENDBALLOON\n", ERR_BAD_ANNOTATION, "Error in text annotation"},
      {"BALLOON 1 2 100 1 \"T\"\n[BULLET text\nENDBALLOON\n", ERR_BAD_ANNOTATION, "Error in text annotation"},
      {"PHOTO\n", ERR_NO_NAME, "Error no photo name"},
      {"PHOTO ../../etc/passwd\n", ERR_NO_PHOTO, "Error photo not found"},
      // Faults of untrusted scripts.
      {longLine.c_str(), ERR_TOO_LONG, "Line or name too long in POS script"},
      {"KEY ABCDEFGHIJKLMNOP\n", ERR_TOO_LONG, "Line or name too long in POS script"},
      {"VIEW ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\n", ERR_TOO_LONG, "Line or name too long in POS script"},
      {"WAIT 123456\n", ERR_TOO_LONG, "Line or name too long in POS script"},
      {"SET SVOM 12345678901\n", ERR_TOO_LONG, "Line or name too long in POS script"},
      {"CHAPTER ABCDEFGHIJKLMNOPQRSTU\n", ERR_TOO_LONG, "Line or name too long in POS script"},
      {"PHOTO ABCDEFGHIJKLMNOPQRSTU.PNG\n", ERR_TOO_LONG, "Line or name too long in POS script"},
      {"BALLOON 1 2 100 1 \"A title of far more than thirty-nine chars\"\nENDBALLOON\n", ERR_TOO_LONG,
       "Line or name too long in POS script"},
      {bigText.c_str(), ERR_TOO_LONG, "Line or name too long in POS script"},
      {"CHAPTER R\nMOREINFO NOWHERE\nENDMOREINFO\nENDCHAPTER\n", ERR_CHAPTER_NOT_FOUND,
       "Chapter not found in POS script"},
      {deep.c_str(), ERR_CHAPTER_DEPTH, "Chapters nested too deep in POS script"},
      {"WAIT -5\n", ERR_BAD_WAIT, "Bad wait time in POS script"},
      {"WAIT 1.2.3\n", ERR_BAD_WAIT, "Bad wait time in POS script"},
      {"WAIT 99999\n", ERR_BAD_WAIT, "Bad wait time in POS script"},
      {"SET TKBD 3\n", ERR_PROTECTED_KEY, "Setting not allowed in POS script"},
      {"BALLOON 1 2 100 1 \"T\"\nno end\n", ERR_NO_END, "Block without its end in POS script"},
      {"CHAPTER R\nMOREINFO S\nKEY MENU\n", ERR_NO_END, "Block without its end in POS script"},
  };
  for (const ErrorCase& c : cases) {
    ScriptRun r(c.script);
    // Enter every offer made, so that nested chapters are followed.
    for (int i = 0; i < 60 && r.s.scriptError == NO_ERROR; ++i) {
      r.Steps(1);
      POS_SCRIPT_bEnterOfferedChapter(&r.s, &r.env);
    }
    EXPECT_EQ(r.s.scriptError, c.error) << c.script;
    EXPECT_STREQ(POS_SCRIPT_pcErrorMessage(r.s.scriptError), c.message) << c.script;
    // Stopped: further steps do nothing and ask for no timer.
    r.rec.calls.clear();
    EXPECT_EQ(POS_SCRIPT_s32Step(&r.s, &r.env), -1) << c.script;
    EXPECT_TRUE(r.rec.calls.empty()) << c.script;
  }
}

TEST(PosScript, PhotoFaultsAndTheSettingsAScriptMayNotTouch) {
  struct Case {
    POS_PHOTO_RESULT result;
    POS_ERROR_CODE error;
  };
  for (const Case c : {Case{POS_PHOTO_SHOWN, NO_ERROR}, Case{POS_PHOTO_NOT_FOUND, ERR_NO_PHOTO},
                       Case{POS_PHOTO_TIMEOUT, ERR_PHOTO_TIMEOUT}}) {
    ScriptRun r("PHOTO slow.png\n");
    r.rec.photo = c.result;
    r.Steps(1);
    EXPECT_EQ(r.s.scriptError, c.error) << c.result;
    EXPECT_EQ(r.s.bShowImage, c.result == POS_PHOTO_SHOWN ? TRUE : FALSE);
  }
  // No T key is ever written, whatever its spelling past the first letter.
  for (const char* key : {"TKBD", "TVUE", "TMMC", "T123"}) {
    ScriptRun r(std::string("SET ") + key + " 7\n");
    r.Steps(1);
    EXPECT_EQ(r.s.scriptError, ERR_PROTECTED_KEY) << key;
    EXPECT_TRUE(r.rec.calls.empty()) << key;
  }
}

TEST(PosScript, OversizedScriptIsRefusedAtOnce) {
  std::string big(POS_SCRIPT_MAX_BYTES + 1, '\n');
  ScriptRun r(big, POS_PREAMBLE_START);
  EXPECT_EQ(r.s.scriptError, ERR_SCRIPT_TOO_LARGE);
  EXPECT_STREQ(POS_SCRIPT_pcErrorMessage(r.s.scriptError), "POS script file too large");
  // The preamble still shows the views; then the script stops.
  r.Steps(10);
  EXPECT_EQ(r.delays.back(), -1);
  EXPECT_EQ(r.delays.size(), 7u);
}

// ------------------------------------------------------------ reader

TEST(PosScript, LineReaderTokensAndCommands) {
  const std::string text = "  // c1\r\nKEY  MENU  \r\n\r\n\nlast";
  POS_SCRIPT s;
  POS_SCRIPT_vReset(&s, text.data(), (U32)text.size(), 0, DEFAULT_EXIT);
  U32 start = 99;
  EXPECT_EQ(POS_SCRIPT_eGetScriptLine(&s, &start, nullptr), COMMENT_LINE);
  EXPECT_EQ(POS_SCRIPT_eGetScriptLine(&s, &start, nullptr), VALID_LINE);
  EXPECT_STREQ(s.aTextLine, "KEY  MENU");
  EXPECT_EQ(start, 9u);
  EXPECT_EQ(POS_SCRIPT_eGetScriptLine(&s, &start, nullptr), VALID_LINE);
  EXPECT_STREQ(s.aTextLine, "last");
  EXPECT_EQ(s.u32CurOffset, 0u);  // back at the top

  char token[6];
  EXPECT_FALSE(POS_SCRIPT_bGetToken(token, sizeof token, ""));
  EXPECT_TRUE(POS_SCRIPT_bGetToken(token, sizeof token, " x"));
  EXPECT_STREQ(token, "");
  EXPECT_TRUE(POS_SCRIPT_bGetToken(token, sizeof token, "abcde\tf"));
  EXPECT_STREQ(token, "abcde");
  EXPECT_FALSE(POS_SCRIPT_bGetToken(token, sizeof token, "abcdef"));

  EXPECT_EQ(POS_SCRIPT_eGetCommand("endMoreInfo"), END_MORE_INFO);
  EXPECT_EQ(POS_SCRIPT_eGetCommand("ExitMessageBox 1 2"), EXIT_MESSAGE_BOX);
  EXPECT_EQ(POS_SCRIPT_eGetCommand("EXITMESSAGEBOXES"), BAD_COMMAND);
  EXPECT_EQ(POS_SCRIPT_eGetCommand(" VIEW"), BAD_COMMAND);
}

TEST(PosScript, AnnotationsOfBalloonText) {
  struct Item {
    POS_TEXT_ITEM item;
    S32 value;
    bool operator==(const Item&) const = default;
  };
  std::vector<Item> got;
  auto visit = [](void* ctx, POS_TEXT_ITEM item, S32 value) {
    ((std::vector<Item>*)ctx)->push_back({item, value});
  };
  ASSERT_TRUE(POS_SCRIPT_bWalkText("a[BULLET]  b[hspace 12][VSPACE 4][icon][BIG]\rzz", visit, &got));
  EXPECT_EQ(got, (std::vector<Item>{{POS_TEXT_CHAR, 'a'},
                                    {POS_TEXT_BULLET, 0},
                                    {POS_TEXT_CHAR, 'b'},
                                    {POS_TEXT_HSPACE, 12},
                                    {POS_TEXT_VSPACE, 4},
                                    {POS_TEXT_NONE, 0},
                                    {POS_TEXT_NONE, 0}}));
  EXPECT_FALSE(POS_SCRIPT_bWalkText("[XX]", visit, &got));
  EXPECT_FALSE(POS_SCRIPT_bWalkText("[HSPACE 99999]", visit, &got));
}

}  // namespace
