// The network settings editor: the address formats; the cursor and exit
// keys walking the transition table (wrapping groups, right past the last
// group to the save button, left out of a value, dynamic mode skipping the
// address rows); a static save storing SIPA and sending "10.1.2.3" to the
// Ethernet task's mailbox; exit with a change asking "Save Changes?" and
// "No" writing nothing; golden pictures of the editor's states and of the
// dialog.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/startup/t_startup_edit.h"
#include "source/ui/ui_install.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"

namespace {

const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

constexpr CURSOR_POSITION N = CURSOR_NORTH, S = CURSOR_SOUTH, E = CURSOR_EAST, W = CURSOR_WEST;
constexpr CURSOR_POSITION X = CURSOR_ILLEGAL;  // the exit key in a key list

MSG_KEY_CHANGE Key(CURSOR_POSITION p) {
  MSG_KEY_CHANGE k{};
  k.Header.Cmd = CMD_ID_KEY_CHANGE;
  k.key = p == X ? KEY_MASK_EXIT : KEY_MASK_CURSOR;
  k.state = KEY_DOWN;
  k.count = 1;
  k.cursor = p == X ? CURSOR_UP : p;
  return k;
}

// As the start-up task offers a key: dialogs first, then the editor.
void Press(const std::vector<CURSOR_POSITION>& keys) {
  for (CURSOR_POSITION p : keys) {
    const MSG_KEY_CHANGE k = Key(p);
    if (!T_STARTUP_EDIT_bHandleConfKeys(&k)) (void)T_STARTUP_EDIT_bHandleKeys(&k);
  }
}

// Every message waiting for the Ethernet task.
std::vector<MSG_SAVE_IP_SETUP> Sent() {
  std::vector<MSG_SAVE_IP_SETUP> out;
  while (void* m = L_MBOX_Receive(M_ETHERNET)) {
    if (static_cast<GENERIC_MESSAGE*>(m)->Cmd == CMD_ID_SAVE_IP_SETUP) out.push_back(*static_cast<MSG_SAVE_IP_SETUP*>(m));
    H_MEMORY_vDumpMail(m);
  }
  return out;
}

U32 Fetch(FOURCHARID key) {
  U32 v = 0xDEADBEEF;
  (void)H_DATABASE_bFetchU32(key, &v);
  return v;
}

class Editor : public ::testing::Test {
 protected:
  void SetUp() override {
    (void)s_bInstalled;
    H_DATABASE_vInit();
    COLOR_vResetColorTable();
    (void)H_DATABASE_bUpdateValueU32(FCID("SLNG"), 0, P_NORMAL);
    (void)H_DATABASE_bUpdateValueBoolean(FCID("SIPD"), FALSE, P_NORMAL);
    (void)H_DATABASE_bUpdateValueU32(FCID("SIPA"), 0x0A0102FF, P_NORMAL);  // 10.1.2.255
    (void)H_DATABASE_bUpdateValueU32(FCID("SIPM"), 0xFFFFFF00, P_NORMAL);
    (void)H_DATABASE_bUpdateValueU32(FCID("SIPG"), 0x0A010201, P_NORMAL);
    Reset();
  }
  void TearDown() override { Reset(); }
  static void Reset() {
    // Answers any dialog left and closes the editor.
    for (int i = 0; i < 4 && T_STARTUP_EDIT_bActive(); ++i) {
      const MSG_KEY_CHANGE k = Key(W);
      (void)T_STARTUP_EDIT_bHandleConfKeys(&k);
      T_STARTUP_EDIT_vResetState();
    }
    (void)Sent();
  }
};

TEST_F(Editor, Formats) {
  (void)H_DATABASE_bUpdateValueU32(FCID("SIPA"), 0xC0A8010A, P_NORMAL);
  (void)H_DATABASE_bUpdateValueU32(FCID("SMAC"), 0xAB123456, P_NORMAL);
  char text[18];
  T_STARTUP_EDIT_vFormatAddressLinux(FCID("SIPA"), text);
  EXPECT_STREQ(text, "192.168.1.10");
  T_STARTUP_EDIT_vFormatAddress(FCID("SIPA"), text);
  EXPECT_STREQ(text, "192.168.001.010");
  T_STARTUP_EDIT_vFormatAddress(FCID("XNON"), text);
  EXPECT_STREQ(text, "000.000.000.000");
  T_STARTUP_EDIT_vFormatMACAddress(text);
  EXPECT_STREQ(text, "02:54:58:12:34:56");
  EXPECT_EQ(STARTUP_EDIT_MAC_PREFIX[0] & 0x03, 0x02) << "locally administered, not a group address";
}

TEST_F(Editor, KeysWalkTheTable) {
  struct CASE {
    const char* name;
    bool bDynamic;
    std::vector<CURSOR_POSITION> keys;
    IPA_EDIT_STATE state;
    S32 position;
    const char* address;
  };
  const CASE cases[] = {
      {"opens on mode", false, {}, IPA_EDIT_MODE, 0, "010.001.002.255"},
      {"up on 255 wraps to 000", false, {S, E, E, E, E, N}, IPA_EDIT_ADDR_VALUE, 12, "010.001.002.000"},
      {"down on 000 wraps to 255", false, {S, E, E, E, E, N, S}, IPA_EDIT_ADDR_VALUE, 12, "010.001.002.255"},
      {"down on a group", false, {S, E, E, S}, IPA_EDIT_ADDR_VALUE, 4, "010.000.002.255"},
      {"right past the last group saves", false, {S, E, E, E, E, E}, IPA_EDIT_SAVE, 0, "010.001.002.255"},
      {"left on the first group leaves the value", false, {S, E, E, W, W}, IPA_EDIT_ADDR, 0, "010.001.002.255"},
      {"field rows", false, {S, S, S}, IPA_EDIT_GATE, 0, "010.001.002.255"},
      {"save up goes to the gateway when static", false, {S, S, S, S, N}, IPA_EDIT_GATE, 0, "010.001.002.255"},
      {"mode down saves when dynamic", true, {S}, IPA_EDIT_SAVE, 0, "010.001.002.255"},
      {"save up goes to mode when dynamic", true, {S, N}, IPA_EDIT_MODE, 0, "010.001.002.255"},
      {"exit leaves a value", false, {S, E, E, X}, IPA_EDIT_ADDR, 0, "010.001.002.255"},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    (void)H_DATABASE_bUpdateValueBoolean(FCID("SIPD"), c.bDynamic ? TRUE : FALSE, P_NORMAL);
    T_STARTUP_EDIT_vIPAddressSetup();
    Press(c.keys);
    ASSERT_EQ(T_STARTUP_EDIT_eState(), STARTUP_EDIT_IPADDRESS);
    const IPA_EDIT e = T_STARTUP_EDIT_Record();
    EXPECT_EQ(e.eState, c.state);
    EXPECT_EQ(e.nPosition, c.position);
    EXPECT_STREQ(e.sIPAddress, c.address);
  }
}

TEST_F(Editor, StaticSaveStoresAndSendsTheAddress) {
  (void)H_DATABASE_bUpdateValueU32(FCID("SIPA"), 0x0A010202, P_NORMAL);
  T_STARTUP_EDIT_vIPAddressSetup();
  // Address row, last group up by one, right to the save button, save.
  Press({S, E, E, E, E, N, E, E});
  EXPECT_EQ(T_STARTUP_EDIT_eState(), STARTUP_EDIT_NONE);
  EXPECT_EQ(Fetch(FCID("SIPA")), 0x0A010203u);
  EXPECT_EQ(Fetch(FCID("SIPM")), 0xFFFFFF00u);
  const std::vector<MSG_SAVE_IP_SETUP> sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(sent[0].bChanged);
  EXPECT_FALSE(sent[0].bDynamic);
  EXPECT_STREQ(sent[0].sIPAddress, "10.1.2.3");
  EXPECT_STREQ(sent[0].sSubnetMask, "255.255.255.0");
  EXPECT_STREQ(sent[0].sDefaultGateway, "10.1.2.1");
}

TEST_F(Editor, ExitAsksBeforeDroppingChanges) {
  struct CASE {
    const char* name;
    std::vector<CURSOR_POSITION> keys;
    bool bAsked;      // the dialog came up (the editor stayed open under it)
    size_t messages;  // saves sent
    U32 sipa;
    BOOLEAN sipd;
  };
  const CASE cases[] = {
      {"no change closes at once", {S, X}, false, 0, 0x0A0102FF, FALSE},
      {"a change and No", {E, N, W, X, W}, true, 0, 0x0A0102FF, FALSE},
      {"a change and Yes", {E, N, W, X, E}, true, 1, 0x0A0102FF, TRUE},
      {"an address change and Yes", {S, E, N, X, X, E}, true, 1, 0x0B0102FF, FALSE},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    (void)H_DATABASE_bUpdateValueBoolean(FCID("SIPD"), FALSE, P_NORMAL);
    (void)H_DATABASE_bUpdateValueU32(FCID("SIPA"), 0x0A0102FF, P_NORMAL);
    T_STARTUP_EDIT_vIPAddressSetup();
    std::vector<CURSOR_POSITION> before(c.keys.begin(), c.keys.end() - (c.bAsked ? 1 : 0));
    Press(before);
    EXPECT_EQ(T_STARTUP_EDIT_bActive(), c.bAsked ? TRUE : FALSE);
    if (c.bAsked) Press({c.keys.back()});
    EXPECT_FALSE(T_STARTUP_EDIT_bActive());
    EXPECT_EQ(Sent().size(), c.messages);
    EXPECT_EQ(Fetch(FCID("SIPA")), c.sipa);
    BOOLEAN dynamic = 2;
    (void)H_DATABASE_bFetchBoolean(FCID("SIPD"), &dynamic);
    EXPECT_EQ(dynamic, c.sipd);
  }
}

TEST_F(Editor, Goldens) {
  struct CASE {
    const char* name;
    bool bDynamic;
    std::vector<CURSOR_POSITION> keys;
  };
  const CASE cases[] = {
      {"startup/ip_editor_mode", false, {}},
      {"startup/ip_editor_address_group", false, {S, E, E}},
      {"startup/ip_editor_save", false, {S, S, S, S}},
      {"startup/ip_editor_dynamic", true, {E}},
      {"startup/ip_editor_confirm", false, {S, E, N, X, X}},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    (void)H_DATABASE_bUpdateValueBoolean(FCID("SIPD"), c.bDynamic ? TRUE : FALSE, P_NORMAL);
    T_STARTUP_EDIT_vIPAddressSetup();
    Press(c.keys);
    Canvas canvas(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, 0x0000);
    T_STARTUP_EDIT_vRenderIPAddressSetup(canvas.bmp(), nullptr);
    T_STARTUP_EDIT_vRenderConf(canvas.bmp(), nullptr);
    ExpectMatchesGolden(canvas.pixels.data(), canvas.width, canvas.height, canvas.pitch, c.name);
  }
}

}  // namespace
