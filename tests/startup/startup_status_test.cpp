// The system status page: golden pictures (dynamic addressing before the
// interface has an address, a static address with both serial numbers and
// 7199 s of operating time, missing serial numbers); the view and exit keys
// stepping through the diagnostic views with and without a position fix;
// the hidden super-user sequence (broken by a wrong direction and by the
// view key, not by a zoom key; a further final press repeats the effect).
#include <gtest/gtest.h>

#include <vector>

#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/startup/t_startup.h"
#include "source/startup/t_startup_status.h"
#include "source/ui/ui_install.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"

namespace {

const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

MSG_KEY_CHANGE Key(U32 mask, KEY_STATE state = KEY_DOWN, CURSOR_POSITION cursor = CURSOR_UP) {
  MSG_KEY_CHANGE k{};
  k.Header.Cmd = CMD_ID_KEY_CHANGE;
  k.key = mask;
  k.state = state;
  k.count = 1;
  k.cursor = cursor;
  return k;
}

bool Signalled(SEMA s) { return L_SEMA_WaitTicks(s, 0) == lsSUCCESS; }

class StatusPage : public ::testing::Test {
 protected:
  void SetUp() override {
    (void)s_bInstalled;
    H_DATABASE_vInit();
    COLOR_vResetColorTable();
    (void)H_DATABASE_bUpdateValueU32(FCID("SLNG"), 0, P_NORMAL);
    T_STARTUP_STATUS_vEnter();
    for (SEMA s : {SEMA_KEYCLICK_GOOD, SEMA_KEYCLICK_BAD, SEMA_NVRAM_UPDATE, SEMA_FISH_ALARM_LARGE,
                   SEMA_FISH_ALARM_SMALL}) {
      (void)Signalled(s);
    }
  }
  static U32 View() {
    U32 v = 0;
    (void)H_DATABASE_bFetchU32(FCID("CVEW"), &v);
    return v;
  }
};

TEST_F(StatusPage, Goldens) {
  struct CASE {
    const char* name;
    bool bDynamic;
    bool bSerials;
  };
  const CASE cases[] = {
      {"startup/status_dynamic_no_address", true, true},
      {"startup/status_static_address", false, true},
      {"startup/status_missing_serials", false, false},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.name);
    H_DATABASE_vInit();
    (void)H_DATABASE_bUpdateValueBoolean(FCID("SIPD"), c.bDynamic ? TRUE : FALSE, P_NORMAL);
    (void)H_DATABASE_bUpdateValueU32(FCID("SIPA"), 0x0A010203, P_NORMAL);
    (void)H_DATABASE_bUpdateValueU32(FCID("SMAC"), 0x123456, P_NORMAL);
    (void)H_DATABASE_bUpdateValueFloat(FCID("IVLT"), 12.46f, P_NORMAL);
    (void)H_DATABASE_bUpdateValueU32(FCID("SAGE"), 7199, P_NORMAL);
    if (c.bSerials) {
      for (auto [key, value] : {std::pair{FCID("SEDU"), 7u}, {FCID("SEIU"), 12u}, {FCID("SENU"), 345u},
                                {FCID("SEIB"), 3u}, {FCID("SEDB"), 4567u}, {FCID("SETB"), 89u}}) {
        (void)H_DATABASE_bUpdateValueU32(key, value, P_NORMAL);
      }
    }
    Canvas canvas(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, 0x0000);
    T_STARTUP_vDrawSelfTestView(canvas.bmp(), nullptr);
    ExpectMatchesGolden(canvas.pixels.data(), canvas.width, canvas.height, canvas.pitch, c.name);
  }
}

TEST_F(StatusPage, ViewAndExitStepThroughTheDiagnosticViews) {
  struct CASE {
    bool bFix;
    std::vector<U32> keys;  // KEY_MASK_VIEW or KEY_MASK_EXIT presses
    std::vector<U32> views;  // CVEW after each
  };
  const CASE cases[] = {
      {false, {KEY_MASK_VIEW, KEY_MASK_VIEW, KEY_MASK_VIEW}, {152, 151, 152}},
      {true, {KEY_MASK_VIEW, KEY_MASK_VIEW, KEY_MASK_VIEW}, {152, 153, 151}},
      {false, {KEY_MASK_EXIT, KEY_MASK_EXIT}, {152, 151}},
      {true, {KEY_MASK_EXIT, KEY_MASK_EXIT, KEY_MASK_EXIT}, {153, 152, 151}},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.bFix ? "fix" : "no fix");
    H_DATABASE_vInit();
    if (c.bFix) (void)H_DATABASE_bUpdateValueU32(FCID("IPFI"), 1, P_NORMAL);
    T_STARTUP_STATUS_vEnter();
    EXPECT_EQ(View(), 151u);
    for (size_t i = 0; i < c.keys.size(); ++i) {
      const MSG_KEY_CHANGE down = Key(c.keys[i]), up = Key(c.keys[i], KEY_UP);
      T_STARTUP_STATUS_vHandleKey(&down);
      T_STARTUP_STATUS_vHandleKey(&up);
      EXPECT_EQ(View(), c.views[i]) << "after key " << i;
      EXPECT_TRUE(Signalled(SEMA_KEYCLICK_GOOD));
    }
  }
}

TEST_F(StatusPage, HiddenSequenceSwitchesTheSuperUserFlag) {
  constexpr CURSOR_POSITION N = CURSOR_NORTH, S = CURSOR_SOUTH, E = CURSOR_EAST, W = CURSOR_WEST;
  constexpr CURSOR_POSITION ZOOM = CURSOR_ILLEGAL, VIEW = CURSOR_UP;  // other keys in the list
  struct CASE {
    const char* name;
    std::vector<CURSOR_POSITION> presses;
    int expected;  // SMSU afterwards: -1 not written
    bool large, small;  // the confirmation sounds played
  };
  const CASE cases[] = {
      {"on", {W, E, W, E, S, N}, 1, true, false},
      {"off", {W, E, W, E, S, S}, 0, false, true},
      {"wrong direction restarts", {W, E, N, E, S, N}, -1, false, false},
      {"whole sequence after a wrong one", {W, E, N, W, E, W, E, S, N}, 1, true, false},
      {"zoom key leaves it", {W, E, ZOOM, W, E, S, N}, 1, true, false},
      {"view key restarts", {W, E, VIEW, W, E, S, N}, -1, false, false},
      {"further final press repeats", {W, E, W, E, S, N, S}, 0, true, true},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.name);
    H_DATABASE_vInit();
    T_STARTUP_STATUS_vEnter();
    for (CURSOR_POSITION p : c.presses) {
      const MSG_KEY_CHANGE key = p == ZOOM   ? Key(KEY_MASK_ZOOM_IN)
                                 : p == VIEW ? Key(KEY_MASK_VIEW)
                                             : Key(KEY_MASK_CURSOR, KEY_DOWN, p);
      T_STARTUP_STATUS_vHandleKey(&key);
    }
    BOOLEAN flag = FALSE;
    const bool written = H_DATABASE_bFetchBoolean(FCID("SMSU"), &flag);
    EXPECT_EQ(written ? (int)flag : -1, c.expected);
    EXPECT_EQ(Signalled(SEMA_NVRAM_UPDATE), c.expected >= 0);
    EXPECT_EQ(Signalled(SEMA_FISH_ALARM_LARGE), c.large);
    EXPECT_EQ(Signalled(SEMA_FISH_ALARM_SMALL), c.small);
    (void)Signalled(SEMA_KEYCLICK_BAD);
  }
}

TEST_F(StatusPage, AccessCodePressesAnswerWithABadClick) {
  for (CURSOR_POSITION p : STARTUP_STATUS_ACCESS_CODE) {
    const MSG_KEY_CHANGE key = Key(KEY_MASK_CURSOR, KEY_DOWN, p);
    T_STARTUP_STATUS_vHandleKey(&key);
    EXPECT_TRUE(Signalled(SEMA_KEYCLICK_BAD));
  }
  BOOLEAN flag = FALSE;
  EXPECT_FALSE(H_DATABASE_bFetchBoolean(FCID("SMSU"), &flag));
}

}  // namespace
