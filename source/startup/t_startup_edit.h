// The network settings editor of the start-up task (dynamic or static
// addressing, address, subnet mask, default gateway), its queue of
// confirmation dialogs, and the dotted-address and MAC-address formats.
//
// The editor lives on the start-up task: the task offers every key first to
// T_STARTUP_EDIT_bHandleConfKeys, then to T_STARTUP_EDIT_bHandleKeys, and
// resets it on CMD_ID_RESET_POS. It is opened from the system status page
// (MENU). Its draw callbacks run on the view task; the editor's state is
// kept under a lock of its own.
#pragma once

#include "common/key_types.h"
#include "common/types.h"
#include "common/view_types.h"
#include "lsvc/lsvc.h"

enum STARTUP_EDIT_STATE : S32 {
  STARTUP_EDIT_NONE = 0,
  STARTUP_EDIT_IPADDRESS = 1,
};

enum IPA_EDIT_STATE : S32 {
  IPA_EDIT_NONE = 0,
  IPA_EDIT_MODE = 1,
  IPA_EDIT_MODE_VALUE = 2,
  IPA_EDIT_ADDR = 3,
  IPA_EDIT_ADDR_VALUE = 4,
  IPA_EDIT_MASK = 5,
  IPA_EDIT_MASK_VALUE = 6,
  IPA_EDIT_GATE = 7,
  IPA_EDIT_GATE_VALUE = 8,
  IPA_EDIT_SAVE = 9,
  IPA_EDIT_STATE_COUNT = 10,
};

constexpr U32 IPA_TEXT = 17;  // "nnn.nnn.nnn.nnn" and its end

// The editor record.
struct IPA_EDIT {
  IPA_EDIT_STATE eState;
  U32 nMode;  // 1 dynamic, 0 static
  S32 nPosition;  // character index of the selected group: 0, 4, 8 or 12
  char sIPAddress[IPA_TEXT];
  char sSubnetMask[IPA_TEXT];
  char sDefaultGateway[IPA_TEXT];
  BOOLEAN bDirty;
};

// Sent to the Ethernet task (mailbox 45) by a save: the texts are
// "%d.%d.%d.%d", empty in dynamic mode.
TESSIX_PACK4_BEGIN
struct MSG_SAVE_IP_SETUP {
  GENERIC_MESSAGE Header;  // CMD_ID_SAVE_IP_SETUP
  BOOLEAN bChanged;
  BOOLEAN bDynamic;
  char sIPAddress[IPA_TEXT];
  char sSubnetMask[IPA_TEXT];
  char sDefaultGateway[IPA_TEXT];
};
TESSIX_PACK_END

// The first three bytes of the unit's MAC address: a locally administered
// prefix of our own (bit 0x02 of the first byte set).
constexpr U8 STARTUP_EDIT_MAC_PREFIX[3] = {0x02, 0x54, 0x58};

// Opens the editor with the values of SIPD, SIPA, SIPM and SIPG.
void T_STARTUP_EDIT_vIPAddressSetup(void);
// TRUE when the key was consumed.
BOOLEAN T_STARTUP_EDIT_bHandleKeys(const MSG_KEY_CHANGE* pKey);
BOOLEAN T_STARTUP_EDIT_bHandleConfKeys(const MSG_KEY_CHANGE* pKey);
// Closes the editor without saving.
void T_STARTUP_EDIT_vResetState(void);
// Queues a confirmation dialog; either callback may be null.
void T_STARTUP_EDIT_vConfirmationSetup(const char* pcStatement, void (*pYes)(void), void (*pNo)(void));
// TRUE while the editor is open or a confirmation dialog is queued.
BOOLEAN T_STARTUP_EDIT_bActive(void);

// "%d.%d.%d.%d" and "%03d.%03d.%03d.%03d" of the U32 key, the most
// significant byte first (0 when the key is missing); the buffer takes 17.
void T_STARTUP_EDIT_vFormatAddressLinux(FOURCHARID key, char* pcText);
void T_STARTUP_EDIT_vFormatAddress(FOURCHARID key, char* pcText);
// "xx:xx:xx:xx:xx:xx": the prefix and the low 24 bits of SMAC; the buffer
// takes 18.
void T_STARTUP_EDIT_vFormatMACAddress(char* pcText);

// Draw callbacks of layers 299 (the editor) and 300 (the head dialog).
void T_STARTUP_EDIT_vRenderIPAddressSetup(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindow);
void T_STARTUP_EDIT_vRenderConf(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindow);

// The editor's record (a copy) and open state, for tests and drawing.
STARTUP_EDIT_STATE T_STARTUP_EDIT_eState(void);
IPA_EDIT T_STARTUP_EDIT_Record(void);
