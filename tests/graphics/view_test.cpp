// Threading test: also runs under ThreadSanitizer.
// The view task driven through its mailbox, its settings keys and its
// semaphores, with the test clock: layers registered by message appear on
// the page on display (and in the headless screen picture), in identifier
// order, overlays on their view or on every view, split windows with their
// divider, the registration and removal rules, the choice of the next view,
// the 100 ms pacing and the expedited page of a change of view, the frozen
// screen and the blinking banners.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "common/db_types.h"
#include "common/language.h"
#include "lsvc/lsvc.h"
#include "source/graphics/g_box.h"
#include "source/core/h_database.h"
#include "source/graphics/h_display.h"
#include "source/platform/platform.h"
#include "source/platform/host/host_fb.h"
#include "source/platform/host/host_png.h"
#include "source/platform/host/host_screen.h"
#include "source/graphics/t_view.h"
#include "source/graphics/u_view.h"
#include "tests/support/db_test_env.h"
#include "tests/support/golden.h"
#include "source/graphics/graphics_upcalls.h"

// The tasks under test run their own entries, not the placeholders.
static const bool s_bInstalled = (GRAPHICS_vInstall(), true);

namespace {

constexpr int W = G_SCREEN_WIDTH;
constexpr int H = G_SCREEN_HEIGHT;

// Semaphores nothing else in this program uses: acknowledgements of the
// test's own messages and the probe timer that shows the timer thread has
// handled a moment.
constexpr SEMA SEMA_ACK = SEMA_USER_TEST;
constexpr SEMA SEMA_PROBE = SEMA_TEST_PARAMS;

constexpr COLOR RED = 0xF800;
constexpr COLOR GREEN = 0x07E0;
constexpr COLOR BLUE = 0x001F;
constexpr COLOR YELLOW = 0xFFE0;
constexpr COLOR CYAN = 0x07FF;
constexpr COLOR MAGENTA = 0xF81F;

COLOR Colour(U32 index) { return gCOLOR_pcolColorTable[index]; }

// ------------------------------------------------------------ what the callbacks saw

// A registration's user value: the layer in the upper half, the colour it
// draws in the lower.
U32 User(S32 layer, COLOR colour) { return ((U32)layer << 16) | colour; }

struct Call {
  S32 layer;
  SPLIT_WINDOW_TYPE side;
  WINDOW_LOCATION window;
  BOOLEAN expedited;
  LAYER_ID current;
};

std::mutex g_callMutex;
std::vector<Call> g_calls;

void vRecord(const WINDOW_SPECIFICATION* ws) {
  std::lock_guard<std::mutex> lock(g_callMutex);
  g_calls.push_back(Call{(S32)(ws->u32User >> 16), ws->drawWindowType, ws->drawWindow, ws->bExpedited,
                         ws->currentLayer});
}

std::vector<Call> Calls() {
  std::lock_guard<std::mutex> lock(g_callMutex);
  return g_calls;
}

std::vector<S32> CalledLayers() {
  std::vector<S32> out;
  for (const Call& c : Calls()) out.push_back(c.layer);
  return out;
}

void vClearCalls() {
  std::lock_guard<std::mutex> lock(g_callMutex);
  g_calls.clear();
}

void vFillWindow(BITMAP* page, const WINDOW_SPECIFICATION* ws, COLOR colour) {
  const WINDOW_LOCATION& w = ws->drawWindow;
  if (w.s32ClipRight < w.s32ClipLeft || w.s32ClipTop < w.s32ClipBottom) return;
  G_BOX_vDrawFilled(page, colour, POINT{w.s32ClipLeft, w.s32ClipBottom}, (U32)(w.s32ClipRight - w.s32ClipLeft + 1),
                    (U32)(w.s32ClipTop - w.s32ClipBottom + 1));
}

// A view: fills its window.
void vFill(BITMAP* page, const WINDOW_SPECIFICATION* ws) {
  vRecord(ws);
  vFillWindow(page, ws, (COLOR)ws->u32User);
}

// An overlay: a 100 x 100 box at (200, 200); the last one drawn is on top.
void vBox(BITMAP* page, const WINDOW_SPECIFICATION* ws) {
  vRecord(ws);
  G_BOX_vDrawFilled(page, (COLOR)ws->u32User, POINT{200, 200}, 100, 100);
}

// A view that, once asked, changes the current view while it draws, as the
// view-key task does when a key comes during a page.
std::atomic<S32> g_changeViewTo{0};
void vFillAndChangeView(BITMAP* page, const WINDOW_SPECIFICATION* ws) {
  vFill(page, ws);
  const S32 to = g_changeViewTo.exchange(0);
  if (to != 0) T_VIEW_vSetBackgroundLayer((LAYER_ID)to);
}

// A view whose colour the test sets, and that freezes the screen once asked
// (as a screenshot does in the view task).
std::atomic<U32> g_viewColour{RED};
std::atomic<bool> g_freezeNow{false};
void vFillAndFreeze(BITMAP* page, const WINDOW_SPECIFICATION* ws) {
  vRecord(ws);
  vFillWindow(page, ws, (COLOR)g_viewColour.load());
  if (g_freezeNow.exchange(false)) T_VIEW_vToggleDisplayUpdateFreeze(TRUE);
}

// An alarm box whose colour the test sets.
std::atomic<U32> g_alarmColour{YELLOW};
void vAlarmBox(BITMAP* page, const WINDOW_SPECIFICATION* ws) {
  vRecord(ws);
  G_BOX_vDrawFilled(page, (COLOR)g_alarmColour.load(), POINT{600, 100}, 50, 50);
}

// A text record with the same text in every language.
struct TextRecord {
  const char* texts[NUMBER_OF_LANGUAGES];
  explicit TextRecord(const char* text) {
    for (const char*& t : texts) t = text;
  }
};

// ------------------------------------------------------------ the environment

const std::string& ScreenDir() {
  static const std::string dir = [] {
    std::string d = dbtest::Install().base + "/screen";
    PLATFORM_bMakeDirs(d.c_str());
    setenv("TESSIX_SCREEN_DIR", d.c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    return d;
  }();
  return dir;
}
const std::string& g_screenDir = ScreenDir();

// Sends a message to the view task and waits until it has been disposed of;
// the block is the caller's again afterwards.
void vSendAndWait(void* message) { ASSERT_EQ(lsSUCCESS, L_MBOX_SendWait(M_VIEW, message, 3, SEMA_ACK)); }

// Waits until the view task has handled everything given to it so far, and
// what that work signalled in turn: a message acknowledged by the task
// shows that it has woken since the last thing the test did; when it next
// sleeps on its semaphores, none of them was signalled. Nothing else
// signals it meanwhile: its timers are due only when the test moves the
// clock.
void Quiesce() {
  // A notice the view task causes itself while handling a message (a change
  // of view it writes) queues behind the message sent now: a few rounds let
  // such chains settle before the task is seen at rest.
  for (int round = 0; round < 3; ++round) {
    GENERIC_MESSAGE* m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
    ASSERT_NE(nullptr, m);
    m->Cmd = CMD_ID_SHUTDOWN;  // handled without effect
    vSendAndWait(m);
    H_MEMORY_vFree(m);
  }
  bool asleep = false;
  for (int i = 0; i < 100000 && !asleep; ++i) {
    asleep = L_SEMA_GetWaitingTaskID(SEMA_MBOX_VIEW) == TASK_VIEWTASK;
    if (!asleep) usleep(100);
  }
  ASSERT_TRUE(asleep) << "the view task does not come to rest";
}

// Lets the view task finish what it was given, moves the clock on, lets
// the timer thread handle every timer due by then and lets the view task
// finish again. The clock never moves while the view task is at work, so
// its own readings of the clock see exactly the steps the tests take.
void Advance(U32 ms) {
  Quiesce();
  static TIMER_INFO* s_probe = nullptr;
  if (s_probe == nullptr) s_probe = L_TIMER_Allocate();
  ASSERT_NE(nullptr, s_probe);
  ASSERT_EQ(s_probe, L_TIMER_Start(s_probe, ms, 0, SEMA_PROBE));
  PLATFORM_vTestClockAdvanceMs(ms);
  bool fired = false;
  for (int i = 0; i < 20000 && !fired; ++i) {
    fired = L_SEMA_GetWaitingTaskID(SEMA_PROBE) == -lsSEMA_DONE;
    if (!fired) usleep(500);
  }
  ASSERT_TRUE(fired) << "the timer thread did not reach the moment";
  // The timer thread signals a whole pass under its lock: once a timer call
  // gets the lock, every timer due with the probe has been signalled.
  (void)L_TIMER_GetRemaining(s_probe);
  L_SEMA_SetPending(SEMA_PROBE);
  Quiesce();
}

class ViewEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
    // Whole milliseconds since the clock's start, so that the task's tick
    // arithmetic sees exactly the steps the tests take.
    PLATFORM_vTestClockAdvanceNs(1000000 - L_CLOCK_qwGetTimeInNans() % 1000000);
    H_DATABASE_vInit();

    // Before the view task runs its clients send nothing.
    EXPECT_EQ(NO_VIEW_PRIORITY, U_VIEW_eCurrentView());
    EXPECT_EQ(NO_SPLIT_WINDOW, U_VIEW_eCurrentSplit());
    EXPECT_FALSE(U_VIEW_bRegisterLayer(vFill, CHART_VIEW_PRIORITY, USED_BY_NONE, 0, 0, TRUE, nullptr, nullptr,
                                       nullptr));
    EXPECT_EQ(nullptr, L_MBOX_Receive(M_VIEW));

    L_MBOX_DefineSema(M_VIEW, SEMA_MBOX_VIEW);
    H_DISPLAY_vInitScreen(M_DISPLAY);
    ASSERT_EQ(lsSUCCESS, L_TASK_Start(TASK_VIEWTASK));
    U32 mailbox = 0;
    for (int i = 0; i < 10000 && !H_DATABASE_bFetchU32(FCID("TVUE"), &mailbox); ++i) usleep(1000);
    ASSERT_EQ((U32)M_VIEW, mailbox);
    EXPECT_EQ(NO_VIEW_PRIORITY, U_VIEW_eCurrentView());
    EXPECT_EQ(SPLIT_RIGHT_WINDOW, U_VIEW_eCurrentSplit());

    GENERIC_MESSAGE* run = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
    run->Cmd = CMD_ID_RUN_SYSTEM;
    vSendAndWait(run);
    H_MEMORY_vFree(run);
    Advance(1000);
  }
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new ViewEnvironment);

// ------------------------------------------------------------ fixture

class View : public ::testing::Test {
 protected:
  void SetUp() override {
    Advance(1000);  // well past the pacing window of the last page
    vClearCalls();
  }
  void TearDown() override {
    for (const auto& r : registered_) U_VIEW_bUnRegisterLayerSplit(r.first, r.second);
    H_DATABASE_bUpdateValueS32(FCID("CVAS"), SPLIT_RIGHT_WINDOW, P_NORMAL);
    H_DATABASE_vDeleteEntry(FCID("CMNU"));
    Quiesce();
    H_DATABASE_bUpdateValueS32(FCID("CVEW"), NO_VIEW_PRIORITY, P_NORMAL);
    Advance(1000);
    vClearCalls();
  }

  void Track(LAYER_ID layer, SPLIT_WINDOW_TYPE side) { registered_.emplace_back(layer, side); }

  void View_(LAYER_ID layer, COLOR colour, FOURCHARID key = 0, DRAW_FUNCTION* draw = vFill,
             DB_TEXT_RECORD sim = nullptr) {
    ASSERT_TRUE(U_VIEW_bRegisterLayer(draw, layer, USED_BY_NONE, User(layer, colour), key, TRUE, nullptr, sim, nullptr));
    Track(layer, SPLIT_FULL_WINDOW);
  }
  void Split(LAYER_ID layer, SPLIT_WINDOW_TYPE side, COLOR colour, FOURCHARID splitKey) {
    ASSERT_TRUE(U_VIEW_bRegisterLayerSplit(vFill, layer, USED_BY_NONE, User(layer, colour), 0, TRUE, nullptr, nullptr,
                                           nullptr, side, splitKey));
    Track(layer, side);
  }
  void Overlay(LAYER_ID layer, LAYER_ID whereUsed, COLOR colour, DRAW_FUNCTION* draw = vBox) {
    ASSERT_TRUE(U_VIEW_bRegisterLayer(draw, layer, whereUsed, User(layer, colour), 0, TRUE, nullptr, nullptr, nullptr));
    Track(layer, SPLIT_FULL_WINDOW);
  }

  // Makes the layer the current view; its page is drawn at once. The pages
  // the registrations before brought are drawn and forgotten first; when the
  // layer is the current view already (a page chose it as the first shown
  // view), a page is asked for instead.
  static void SetView(S32 layer) {
    Advance(VIEW_REFRESH_INTERVAL_MS);
    vClearCalls();
    S32 current = NO_VIEW_PRIORITY;
    if (H_DATABASE_bFetchS32(FCID("CVEW"), &current) && current == layer) {
      // Drawn at once, or when the pacing window of the last page ends:
      // either way the page is drawn at the moment this returns.
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
      Quiesce();
      if (Calls().empty()) Advance(VIEW_REFRESH_INTERVAL_MS);
    } else {
      H_DATABASE_bUpdateValueS32(FCID("CVEW"), layer, P_NORMAL);
      Quiesce();
    }
  }
  // Asks for a page and lets the pacing timer run out.
  static void Page() {
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    Advance(VIEW_REFRESH_INTERVAL_MS);
  }

  // Registration messages sent and acknowledged by hand, to read the flag
  // the view task writes.
  static BOOLEAN Register(LAYER_ID layer, SPLIT_WINDOW_TYPE side, U32 user, FOURCHARID splitKey) {
    MSG_REGISTER_LAYER* m = static_cast<MSG_REGISTER_LAYER*>(H_MEMORY_pvCalloc(1, sizeof(MSG_REGISTER_LAYER)));
    m->header.Cmd = CMD_ID_REGISTER_LAYER;
    m->layer = layer;
    m->where_used = USED_BY_NONE;
    m->pDrawFunction = vFill;
    m->bDisplay = TRUE;
    m->user = user;
    m->eLocation = side;
    m->fcidSplitControl = splitKey;
    vSendAndWait(m);
    const BOOLEAN flag = m->flag;
    H_MEMORY_vFree(m);
    return flag;
  }
  static BOOLEAN Unregister(LAYER_ID layer, SPLIT_WINDOW_TYPE side) {
    MSG_UNREGISTER_LAYER* m = static_cast<MSG_UNREGISTER_LAYER*>(H_MEMORY_pvCalloc(1, sizeof(MSG_UNREGISTER_LAYER)));
    m->header.Cmd = CMD_ID_UNREGISTER_LAYER;
    m->layer = layer;
    m->eLocation = side;
    vSendAndWait(m);
    const BOOLEAN flag = m->flag;
    H_MEMORY_vFree(m);
    return flag;
  }

  // The page on display; y counts upward from the bottom row.
  static const U16* Shown() {
    SCREEN_BUFFER* page = H_DISPLAY_psbGetFrameBufferPointer();
    return page == nullptr ? nullptr : reinterpret_cast<const U16*>(page);
  }
  static COLOR Pixel(int x, int y) {
    const U16* p = Shown();
    return p == nullptr ? (COLOR)0x1234 : p[(size_t)(H - 1 - y) * W + x];
  }
  static LAYER_ID CurrentView() { return U_VIEW_eCurrentView(); }

  std::vector<std::pair<LAYER_ID, SPLIT_WINDOW_TYPE>> registered_;
};

// ------------------------------------------------------------ the page on display

TEST_F(View, RegisteredLayerAppearsOnTheShownPageAndInTheScreenPicture) {
  View_(CHART_VIEW_PRIORITY, RED);
  SetView(CHART_VIEW_PRIORITY);
  for (auto [x, y] : {std::pair{0, 0}, {W - 1, 0}, {0, H - 1}, {W - 1, H - 1}, {400, 300}}) {
    EXPECT_EQ(RED, Pixel(x, y)) << x << "," << y;
  }
  ASSERT_EQ(1u, Calls().size());
  EXPECT_EQ(SPLIT_FULL_WINDOW, Calls()[0].side);
  EXPECT_EQ(CHART_VIEW_PRIORITY, Calls()[0].current);

  // The headless screen writes the page on display as screen.png, at most
  // one picture every interval of the monotonic clock.
  const std::vector<U16> shown(Shown(), Shown() + (size_t)W * H);
  const std::string path = g_screenDir + "/screen.png";
  bool same = false;
  for (int i = 0; i < 50 && !same; ++i) {
    Advance(HOST_SCREEN_MIN_INTERVAL_MS);
    for (int j = 0; j < 100 && !same; ++j) {
      std::vector<U16> pixels;
      int w = 0, h = 0;
      same = HOST_bReadPng565(path.c_str(), &pixels, &w, &h) && w == W && h == H && pixels == shown;
      if (!same) usleep(1000);
    }
  }
  EXPECT_TRUE(same) << path << " does not show the page on display";
}

TEST_F(View, LayersAreDrawnInIdentifierOrder) {
  constexpr LAYER_ID kView = BIRDS_EYE_INSTRUMENT_VIEW_PRIORITY;  // 21
  Overlay(SONAR_VIEW_PRIORITY, kView, GREEN);                        // 49, an overlay of view 21 here
  Overlay(INFO_BIRDS_EYE_LAYER, USED_BY_ALL, BLUE);                  // 240
  Overlay(INFO_SONAR_VIEW_LAYER, USED_BY_ALL, YELLOW);               // 210
  View_(kView, RED);
  SetView(kView);
  EXPECT_EQ((std::vector<S32>{21, 49, 210, 240}), CalledLayers());
  EXPECT_EQ(BLUE, Pixel(250, 250)) << "the largest identifier is on top";
  EXPECT_EQ(RED, Pixel(100, 100));
}

TEST_F(View, OverlaysDrawOnTheirViewOrOnEveryView) {
  View_(CHART_VIEW_PRIORITY, RED);                       // 28
  View_(CHART_PLUS_NADSCAN_VIEW_PRIORITY, GREEN);        // 33
  Overlay(BIRDS_EYE_INSTRUMENT_VIEW_PRIORITY, USED_BY_ALL, MAGENTA);  // 21: below both views
  Overlay(INFO_MEGA_DIGIT_LAYER, USED_BY_ALL, BLUE);    // 230
  Overlay(INFO_CHART_STANDARD_LAYER, CHART_PLUS_NADSCAN_VIEW_PRIORITY, YELLOW);  // 235
  Overlay(INFO_INSTRUMENT_LAYER, CHART_VIEW_PRIORITY, CYAN);                     // 236

  SetView(CHART_VIEW_PRIORITY);
  EXPECT_EQ((std::vector<S32>{28, 230, 236}), CalledLayers());
  EXPECT_EQ(CYAN, Pixel(250, 250));

  vClearCalls();
  SetView(CHART_PLUS_NADSCAN_VIEW_PRIORITY);
  EXPECT_EQ((std::vector<S32>{33, 230, 235}), CalledLayers());
  EXPECT_EQ(YELLOW, Pixel(250, 250));
  EXPECT_EQ(GREEN, Pixel(100, 100));
}

// ------------------------------------------------------------ split windows

TEST_F(View, SplitViewShowsBothHalvesWithTheDivider) {
  constexpr FOURCHARID kSplitKey = FCID("SPT1");
  H_DATABASE_bUpdateValueU32(kSplitKey, 50, P_NORMAL);
  Split(NADSCAN_VIEW_PRIORITY, SPLIT_LEFT_WINDOW, BLUE, kSplitKey);
  Split(NADSCAN_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW, GREEN, kSplitKey);
  SetView(NADSCAN_VIEW_PRIORITY);

  const std::vector<Call> calls = Calls();
  ASSERT_EQ(2u, calls.size());
  EXPECT_EQ(SPLIT_LEFT_WINDOW, calls[0].side);
  EXPECT_EQ(0, calls[0].window.s32ClipLeft);
  EXPECT_EQ(397, calls[0].window.s32ClipRight);
  EXPECT_EQ(SPLIT_RIGHT_WINDOW, calls[1].side);
  EXPECT_EQ(403, calls[1].window.s32ClipLeft);
  EXPECT_EQ(799, calls[1].window.s32ClipRight);
  for (const Call& c : calls) {
    EXPECT_EQ(H - 1, c.window.s32ClipTop);
    EXPECT_EQ(0, c.window.s32ClipBottom);
  }

  // Divider columns 398-402: light edges, dark core, the whole height.
  const COLOR divider[5] = {Colour(128), Colour(131), Colour(131), Colour(131), Colour(128)};
  for (int y : {0, 300, H - 1}) {
    EXPECT_EQ(BLUE, Pixel(397, y));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(divider[i], Pixel(398 + i, y)) << "column " << 398 + i << " row " << y;
    EXPECT_EQ(GREEN, Pixel(403, y));
  }
  // The active side (right, the start value) carries the arrow; the left
  // has none.
  bool arrow = false;
  for (int x = 413; x < 413 + 24; ++x) {
    for (int y = 549; y < 549 + 32; ++y) arrow = arrow || Pixel(x, y) != GREEN;
  }
  EXPECT_TRUE(arrow) << "no arrow in the active right window";
  ExpectMatchesGolden(Shown(), W, H, W, "view/split_50");
}

struct DimCase {
  const char* name;
  LAYER_ID view;
  U32 activeMenu;  // CMNU
  bool dimmed;
};

class ViewDim : public View, public ::testing::WithParamInterface<DimCase> {};

TEST_P(ViewDim, QuickMenuDimsTheInactiveSide) {
  const DimCase& c = GetParam();
  constexpr FOURCHARID kSplitKey = FCID("SPT2");
  H_DATABASE_bUpdateValueU32(kSplitKey, 30, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("CMNU"), c.activeMenu, P_NORMAL);
  Split(c.view, SPLIT_LEFT_WINDOW, BLUE, kSplitKey);
  Split(c.view, SPLIT_RIGHT_WINDOW, GREEN, kSplitKey);
  SetView(c.view);
  // 30 % of 800: the left window ends at 237, the divider is 238-242.
  EXPECT_EQ(Colour(128), Pixel(238, 300));
  EXPECT_EQ(GREEN, Pixel(243, 10));
  const COLOR left = Pixel(100, 10);
  if (c.dimmed) {
    EXPECT_NE(BLUE, left) << "the inactive left side is not dimmed";
  } else {
    EXPECT_EQ(BLUE, left) << "the inactive left side is dimmed";
  }
  EXPECT_EQ(GREEN, Pixel(700, 10)) << "the active side is never dimmed";
}

const DimCase kDimCases[] = {
    {"QuickMenuOpen", NADSCAN_VIEW_PRIORITY, 2, true},
    {"NoMenu", NADSCAN_VIEW_PRIORITY, 0, false},
    {"MainMenuOpen", NADSCAN_VIEW_PRIORITY, 3, false},
    {"ChartPlusBirdsEyeNeverDimmed", CHART_PLUS_BIRDS_EYE_VIEW_PRIORITY, 2, false},
    {"ChartPlusBirdsEyeInstrumentNeverDimmed", CHART_PLUS_BIRDS_EYE_INSTRUMENT_VIEW_PRIORITY, 2, false},
};
INSTANTIATE_TEST_SUITE_P(Cases, ViewDim, ::testing::ValuesIn(kDimCases),
                         [](const ::testing::TestParamInfo<DimCase>& i) { return std::string(i.param.name); });

// ------------------------------------------------------------ registration and removal

TEST_F(View, SecondFullRegistrationIsRefusedAndTheFirstStays) {
  constexpr LAYER_ID kLayer = RADAR_VIEW_PRIORITY;
  EXPECT_TRUE(Register(kLayer, SPLIT_FULL_WINDOW, User(kLayer, RED), 0));
  Track(kLayer, SPLIT_FULL_WINDOW);
  EXPECT_FALSE(Register(kLayer, SPLIT_FULL_WINDOW, User(kLayer, GREEN), 0));
  EXPECT_FALSE(Register(kLayer, SPLIT_LEFT_WINDOW, User(kLayer, GREEN), 0)) << "a side of a full-window layer";
  SetView(kLayer);
  EXPECT_EQ(RED, Pixel(400, 300));
  ASSERT_EQ(1u, Calls().size());
}

TEST_F(View, SplitSidesAreAcceptedOnlyOnceAndWithTheSameKey) {
  constexpr FOURCHARID kKey = FCID("SPT3"), kOtherKey = FCID("SPT4");
  H_DATABASE_bUpdateValueU32(kKey, 50, P_NORMAL);
  constexpr LAYER_ID kA = SONAR_2D_PLUS_DI_VIEW_PRIORITY, kB = DI_PLUS_SI_VIEW_PRIORITY;
  EXPECT_TRUE(Register(kA, SPLIT_LEFT_WINDOW, User(kA, BLUE), kKey));
  EXPECT_TRUE(Register(kA, SPLIT_RIGHT_WINDOW, User(kA, GREEN), kKey));
  EXPECT_FALSE(Register(kA, SPLIT_RIGHT_WINDOW, User(kA, RED), kKey)) << "a second right side";
  EXPECT_FALSE(Register(kA, SPLIT_FULL_WINDOW, User(kA, RED), kKey)) << "a full window on a split view";
  EXPECT_TRUE(Register(kB, SPLIT_LEFT_WINDOW, User(kB, BLUE), kKey));
  EXPECT_FALSE(Register(kB, SPLIT_RIGHT_WINDOW, User(kB, GREEN), kOtherKey)) << "another split key";
  for (auto side : {SPLIT_LEFT_WINDOW, SPLIT_RIGHT_WINDOW}) Track(kA, side);
  Track(kB, SPLIT_LEFT_WINDOW);

  SetView(kA);
  EXPECT_EQ(BLUE, Pixel(10, 10));
  EXPECT_EQ(GREEN, Pixel(790, 10)) << "the refused right side did not replace the first";

  // Removing the left side leaves the right one in its place; the empty
  // left window shows the background.
  EXPECT_TRUE(Unregister(kA, SPLIT_LEFT_WINDOW));
  EXPECT_FALSE(Unregister(kA, SPLIT_LEFT_WINDOW)) << "the left side is gone already";
  EXPECT_FALSE(Unregister(kA, SPLIT_FULL_WINDOW)) << "never registered";
  EXPECT_FALSE(Unregister(NMEA2K_ENGINE_VIEW, SPLIT_FULL_WINDOW)) << "no such layer";
  EXPECT_TRUE(T_VIEW_bIsLayerActive(kA));
  SetView(kA);  // removing a side of the current view moved on; come back
  vClearCalls();
  Page();
  ASSERT_EQ(1u, Calls().size());
  EXPECT_EQ(SPLIT_RIGHT_WINDOW, Calls()[0].side);
  EXPECT_EQ(Colour(34), Pixel(10, 10));
  EXPECT_EQ(GREEN, Pixel(790, 10));
  EXPECT_TRUE(Unregister(kA, SPLIT_RIGHT_WINDOW));
  EXPECT_FALSE(T_VIEW_bIsLayerActive(kA));
}

TEST_F(View, RemovingTheCurrentViewSelectsTheFirstShownView) {
  View_(CHART_VIEW_PRIORITY, RED);
  View_(CHART_PLUS_NADSCAN_VIEW_PRIORITY, GREEN);
  View_(SONAR_VIEW_PRIORITY, BLUE);
  SetView(CHART_PLUS_NADSCAN_VIEW_PRIORITY);
  U_VIEW_bUnRegisterLayer(CHART_PLUS_NADSCAN_VIEW_PRIORITY);
  Quiesce();
  EXPECT_EQ(CHART_VIEW_PRIORITY, CurrentView());
  EXPECT_EQ(RED, Pixel(400, 300)) << "the new view is drawn";
  U_VIEW_bUnRegisterLayer(CHART_VIEW_PRIORITY);
  Quiesce();
  EXPECT_EQ(SONAR_VIEW_PRIORITY, CurrentView());
  U_VIEW_bUnRegisterLayer(SONAR_VIEW_PRIORITY);
  Quiesce();
  // The view task's own review view is the last one left.
  EXPECT_EQ(CAPTURE_REVIEW_VIEW_PRIORITY, CurrentView());
  U_VIEW_bUnRegisterLayer(CAPTURE_REVIEW_VIEW_PRIORITY);
  Quiesce();
  EXPECT_EQ(NO_VIEW_PRIORITY, CurrentView());
  EXPECT_EQ(Colour(34), Pixel(400, 300)) << "no view: the background colour";
}

TEST_F(View, HiddenViewsAreSkippedAndFollowTheirDisplayKey) {
  constexpr FOURCHARID kKey28 = FCID("SV28"), kKey33 = FCID("SV33");
  H_DATABASE_bUpdateValueBoolean(kKey28, TRUE, P_NORMAL);
  H_DATABASE_bUpdateValueBoolean(kKey33, FALSE, P_NORMAL);
  View_(CHART_VIEW_PRIORITY, RED, kKey28);
  View_(CHART_PLUS_NADSCAN_VIEW_PRIORITY, GREEN, kKey33);
  View_(SONAR_VIEW_PRIORITY, BLUE);
  SetView(CHART_VIEW_PRIORITY);
  EXPECT_EQ(SONAR_VIEW_PRIORITY, T_VIEW_eChooseNextBackgroundLayer()) << "the hidden view 33 is skipped";
  H_DATABASE_bUpdateValueBoolean(kKey33, TRUE, P_NORMAL);
  Quiesce();
  EXPECT_EQ(CHART_PLUS_NADSCAN_VIEW_PRIORITY, T_VIEW_eChooseNextBackgroundLayer());

  // Hiding the current view: the next page moves on to the next shown view.
  H_DATABASE_bUpdateValueBoolean(kKey28, FALSE, P_NORMAL);
  Page();
  EXPECT_EQ(CHART_PLUS_NADSCAN_VIEW_PRIORITY, CurrentView());
  EXPECT_EQ(GREEN, Pixel(400, 300));

  // A factory reset writes each view's display key back to its default.
  GENERIC_MESSAGE* reset = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
  reset->Cmd = CMD_ID_RESET_POS;
  vSendAndWait(reset);
  H_MEMORY_vFree(reset);
  BOOLEAN shown = FALSE;
  EXPECT_TRUE(H_DATABASE_bFetchBoolean(kKey28, &shown));
  EXPECT_TRUE(shown);
}

TEST_F(View, ViewIsSelectedByItsUpperCaseName) {
  static const TextRecord kName("Chart Only");
  constexpr FOURCHARID kKey = FCID("SV29");
  H_DATABASE_bUpdateEverythingU32(kKey, FALSE, P_NORMAL, D_UNSIGNED32, kName.texts, DB_NO_TIMEOUT);
  View_(NO_INFO_CHART_VIEW_PRIORITY, RED, kKey);
  View_(SONAR_VIEW_PRIORITY, BLUE);
  Quiesce();
  EXPECT_EQ(UNKNOWN_VIEW, T_VIEW_GetSelectableView("Chart Only"));
  EXPECT_EQ(UNKNOWN_VIEW, T_VIEW_GetSelectableView("CHART"));
  EXPECT_EQ(UNKNOWN_VIEW, T_VIEW_GetSelectableView(nullptr));
  EXPECT_EQ(NO_INFO_CHART_VIEW_PRIORITY, T_VIEW_GetSelectableView("CHART ONLY"));
  BOOLEAN shown = FALSE;
  EXPECT_TRUE(H_DATABASE_bFetchBoolean(kKey, &shown));
  EXPECT_TRUE(shown) << "the selected view is shown";
}

TEST_F(View, SetViewCommandAndShownOnlyChoice) {
  View_(CHART_VIEW_PRIORITY, RED);
  View_(SONAR_VIEW_PRIORITY, BLUE);
  MSG_SET_VIEW* m = static_cast<MSG_SET_VIEW*>(H_MEMORY_pvCalloc(1, sizeof(MSG_SET_VIEW)));
  m->header.Cmd = CMD_ID_SET_VIEW;
  m->layer = SONAR_VIEW_PRIORITY;
  vSendAndWait(m);
  H_MEMORY_vFree(m);
  Quiesce();
  EXPECT_EQ(SONAR_VIEW_PRIORITY, CurrentView());
  EXPECT_EQ(BLUE, Pixel(400, 300));
  // A layer that is no shown view leaves no current view; the next page
  // then moves on to the first shown view of the list.
  T_VIEW_vSetSpcifiedBackgroundLayer(RADAR_VIEW_PRIORITY);  // not registered
  Quiesce();
  EXPECT_EQ(CHART_VIEW_PRIORITY, CurrentView());
  EXPECT_EQ(RED, Pixel(400, 300));
  T_VIEW_vSetSpcifiedBackgroundLayer(SONAR_VIEW_PRIORITY);
  Quiesce();
  EXPECT_EQ(SONAR_VIEW_PRIORITY, CurrentView());
  EXPECT_EQ(BLUE, Pixel(400, 300));
}

// ------------------------------------------------------------ pacing

TEST_F(View, TenRequestsWithin30msGiveOnePage100msAfterThePrevious) {
  View_(CHART_VIEW_PRIORITY, RED);
  SetView(CHART_VIEW_PRIORITY);  // page at time T
  vClearCalls();
  for (int i = 0; i < 10; ++i) {
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    Advance(3);
  }
  EXPECT_EQ(0u, Calls().size()) << "at T+30";
  Advance(69);
  EXPECT_EQ(0u, Calls().size()) << "at T+99";
  Advance(1);
  EXPECT_EQ(1u, Calls().size()) << "at T+100";
  Advance(500);
  EXPECT_EQ(1u, Calls().size()) << "the requests merged into one page";
}

// A change of what is shown brings a page by itself: no other task asks for
// one. Drawn at once when the last page is 100 ms old, else when the pacing
// window ends.
TEST_F(View, LayerAndSplitChangesAloneBringAPage) {
  constexpr FOURCHARID kSplitKey = FCID("SPT2");
  H_DATABASE_bUpdateValueU32(kSplitKey, 50, P_NORMAL);
  View_(CHART_VIEW_PRIORITY, RED);
  Split(NADSCAN_VIEW_PRIORITY, SPLIT_LEFT_WINDOW, BLUE, kSplitKey);
  Split(NADSCAN_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW, GREEN, kSplitKey);
  SetView(CHART_VIEW_PRIORITY);
  Advance(150);

  // Registered long after the last page: on the screen at once.
  Overlay(INFO_MEGA_DIGIT_LAYER, USED_BY_ALL, YELLOW);
  Quiesce();
  EXPECT_EQ(YELLOW, Pixel(250, 250)) << "a registered overlay shows without any other request";

  // Removed right after that page: gone when the pacing window ends.
  U_VIEW_bUnRegisterLayer(INFO_MEGA_DIGIT_LAYER);
  Advance(VIEW_REFRESH_INTERVAL_MS - 1);
  EXPECT_EQ(YELLOW, Pixel(250, 250)) << "no page inside the pacing window";
  Advance(1);
  EXPECT_EQ(RED, Pixel(250, 250)) << "a removed overlay goes without any other request";

  // A split position key moves the divider of the view on the screen.
  SetView(NADSCAN_VIEW_PRIORITY);
  Advance(150);
  EXPECT_EQ(GREEN, Pixel(600, 300));
  H_DATABASE_bUpdateValueU32(kSplitKey, 80, P_NORMAL);
  Quiesce();
  EXPECT_EQ(BLUE, Pixel(600, 300)) << "the split moved without any other request";

  // The active side moves the arrow.
  Advance(150);
  vClearCalls();
  H_DATABASE_bUpdateValueS32(FCID("CVAS"), SPLIT_LEFT_WINDOW, P_NORMAL);
  Quiesce();
  EXPECT_EQ(2u, Calls().size()) << "a change of active side draws a page";
}

// A page that shows a key's effect is not held back by the pacing: a key
// answers within a poll and a draw, whatever page came just before.
TEST_F(View, RequestAfterAKeyChangeIsDrawnAtOnceInsideThePacingWindow) {
  View_(CHART_VIEW_PRIORITY, RED);
  SetView(CHART_VIEW_PRIORITY);  // page at time T
  vClearCalls();
  Advance(10);
  T_VIEW_vNoteKeyChange();
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  Quiesce();  // at T+10
  EXPECT_EQ(1u, Calls().size()) << "drawn at once after a key change";

  // Without a key change the next request waits out the window again.
  vClearCalls();
  Advance(10);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  Quiesce();
  EXPECT_EQ(0u, Calls().size()) << "at T+20";
  Advance(VIEW_REFRESH_INTERVAL_MS);
  EXPECT_EQ(1u, Calls().size());
}

TEST_F(View, RequestLongAfterThePreviousPageIsDrawnAtOnce) {
  View_(CHART_VIEW_PRIORITY, RED);
  SetView(CHART_VIEW_PRIORITY);
  Advance(150);
  vClearCalls();
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  Quiesce();  // no time passes
  EXPECT_EQ(1u, Calls().size());
  EXPECT_FALSE(Calls()[0].expedited);
}

TEST_F(View, ViewChangeDuringAPageDropsItAndDrawsTheNewViewAtOnce) {
  ASSERT_TRUE(U_VIEW_bRegisterLayer(vFillAndChangeView, CHART_VIEW_PRIORITY, USED_BY_NONE,
                                    User(CHART_VIEW_PRIORITY, RED), 0, TRUE, nullptr, nullptr, nullptr));
  Track(CHART_VIEW_PRIORITY, SPLIT_FULL_WINDOW);
  View_(CHART_PLUS_NADSCAN_VIEW_PRIORITY, GREEN);
  Overlay(INFO_MEGA_DIGIT_LAYER, USED_BY_ALL, BLUE);
  SetView(CHART_VIEW_PRIORITY);
  Advance(200);
  vClearCalls();
  const U32 pans = HOST_FB_u32PanCount();

  g_changeViewTo = CHART_PLUS_NADSCAN_VIEW_PRIORITY;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  Quiesce();  // no time passes: the new page may not wait for the pacing

  EXPECT_EQ((std::vector<S32>{28, 33, 230}), CalledLayers()) << "the dropped page drew no overlay";
  EXPECT_EQ(pans + 1, HOST_FB_u32PanCount()) << "only the new view's page was shown";
  EXPECT_EQ(GREEN, Pixel(100, 100));
  ASSERT_EQ(3u, Calls().size());
  EXPECT_FALSE(Calls()[0].expedited);
  EXPECT_TRUE(Calls()[1].expedited);
  EXPECT_EQ(CHART_PLUS_NADSCAN_VIEW_PRIORITY, Calls()[1].current);
}

// ------------------------------------------------------------ frozen screen

TEST_F(View, FrozenScreenStillShowsNewAlarms) {
  g_viewColour = RED;
  g_alarmColour = YELLOW;
  ASSERT_TRUE(U_VIEW_bRegisterLayer(vFillAndFreeze, CHART_VIEW_PRIORITY, USED_BY_NONE, User(CHART_VIEW_PRIORITY, 0), 0,
                                    TRUE, nullptr, nullptr, nullptr));
  Track(CHART_VIEW_PRIORITY, SPLIT_FULL_WINDOW);
  Overlay(ALARM_LAYER, USED_BY_ALL, 0, vAlarmBox);
  SetView(CHART_VIEW_PRIORITY);
  EXPECT_EQ(YELLOW, Pixel(620, 120));

  g_freezeNow = true;  // the next page freezes the picture on display
  Page();
  g_viewColour = BLUE;
  g_alarmColour = MAGENTA;
  vClearCalls();
  Page();
  Advance(VIEW_FROZEN_REDRAW_MS);
  EXPECT_EQ((std::vector<S32>{ALARM_LAYER}), CalledLayers()) << "only the alarm is drawn while frozen";
  EXPECT_EQ(MAGENTA, Pixel(620, 120)) << "the new alarm is on the frozen picture";
  EXPECT_EQ(RED, Pixel(100, 300)) << "the frozen picture stays";

  L_SEMA_Signal(SEMA_VIEW_RELEASE_BITMAP);
  Advance(VIEW_REFRESH_INTERVAL_MS);
  EXPECT_EQ(BLUE, Pixel(100, 300)) << "the screen moves again";
  vClearCalls();
  Advance(VIEW_FROZEN_REDRAW_MS * 2);
  EXPECT_TRUE(Calls().empty()) << "no frozen redraws after the release";
}

// ------------------------------------------------------------ banners

// Stands in for the dialog drawing of the menus: a white box of the given
// width from the top of the page down 20 rows, centred; keeps the last text.
std::mutex s_bannerMutex;
std::string s_lastBanner;
void vFakeDrawBanner(BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont, U16 u16Width,
                     const ICON* pLeftIcon) {
  (void)pFont;
  (void)pLeftIcon;
  {
    std::lock_guard<std::mutex> lock(s_bannerMutex);
    s_lastBanner = pcText;
  }
  const S32 s32PageWidth = pBitmap->s32ClipRight - pBitmap->s32ClipLeft + 1;
  POINT corner = {pBitmap->s32ClipLeft + (s32PageWidth - (S32)u16Width) / 2, pBitmap->s32ClipTop - 20 + 1};
  G_BOX_vDrawFilled(pBitmap, 0xFFFF, corner, u16Width, 20);
}
std::string LastBanner() {
  std::lock_guard<std::mutex> lock(s_bannerMutex);
  return s_lastBanner;
}

TEST_F(View, SimulationBannerBlinksThreeSecondsOnEightOffAndFasterWhileRecording) {
  VIEW_SEAM_vDrawBanner_Install(&vFakeDrawBanner);
  static const TextRecord kSim("Simulating");
  View_(CHART_VIEW_PRIORITY, RED, 0, vFill, kSim.texts);
  SetView(CHART_VIEW_PRIORITY);
  // The banner's box rim crosses the top centre of the page.
  auto banner = [] { return Pixel(W / 2, H - 5) != RED; };
  // The banner counts whole seconds of its own timer: the clock moves one
  // second at a time so that no tick merges with the next.
  auto seconds = [](int n) {
    for (int i = 0; i < n; ++i) Advance(1000);
  };
  EXPECT_FALSE(banner());

  H_DATABASE_bUpdateValueS32(FCID("CCST"), STATE_SIMULATION, P_NORMAL);  // at T
  Advance(100);
  EXPECT_TRUE(banner()) << "at 0.1 s";
  EXPECT_EQ(LastBanner(), "Simulating");
  Advance(900);
  seconds(1);
  EXPECT_TRUE(banner()) << "at 2 s";
  seconds(1);
  EXPECT_FALSE(banner()) << "at 3 s";
  seconds(7);
  EXPECT_FALSE(banner()) << "at 10 s";
  seconds(1);
  EXPECT_TRUE(banner()) << "at 11 s";

  // A sonar recording: its own banner, 2 s on and 3 s off.
  H_DATABASE_bUpdateValueBoolean(FCID("CSRE"), TRUE, P_NORMAL);  // at R
  Advance(100);
  EXPECT_TRUE(banner()) << "recording at 0.1 s";
  EXPECT_EQ(LastBanner(), "Recording");
  Advance(900);
  EXPECT_TRUE(banner()) << "recording at 1 s";
  seconds(1);
  EXPECT_FALSE(banner()) << "recording at 2 s";
  seconds(2);
  EXPECT_FALSE(banner()) << "recording at 4 s";
  seconds(1);
  EXPECT_TRUE(banner()) << "recording at 5 s";

  H_DATABASE_bUpdateValueBoolean(FCID("CSRE"), FALSE, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
  Advance(100);
  seconds(12);
  EXPECT_FALSE(banner()) << "no banner in normal running";
  EXPECT_FALSE(T_VIEW_bIsLayerActive(SIMULATION_MESSAGE_LAYER));
  VIEW_SEAM_vDrawBanner_Install(nullptr);
}

}  // namespace
