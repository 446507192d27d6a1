// Shared inside the card task's modules (t_mmc*.cpp).
#pragma once

#include <stddef.h>

#include "lsvc/lsvc.h"
#include "source/startup/t_mmc.h"

// The name the message refers to (a picture, a recording folder, "all
// images"): at most 24 characters.
constexpr size_t MMC_FILE_NAME_SIZE = 25;
void T_MMC_vFileName(char* pcName, size_t size);
void T_MMC_vSetFileName(const char* pcName);
// Rows of the snapshot written so far (600 make 100 %).
U32 T_MMC_u32LinesDone(void);
void T_MMC_vResetLines(void);
void T_MMC_vCountLine(void);
// The card task's buffered-I/O records (0 to 7).
struct BUFFERED_IO_CONTROL;
BUFFERED_IO_CONTROL* T_MMC_psIOControl(int n);

void T_MMC_vSetStatus(SAVE_STATUS status);
// Sets the status and shows the message layer.
void T_MMC_vShowStatus(SAVE_STATUS status);

bool T_MMC_bThumbNailListValid(void);
void T_MMC_vThumbNailListBuilt(void);

// At task start: the buffered-I/O records free, the file tables cleared.
void T_MMC_vInitFiles(void);
// The profile exchange with a newly inserted card.
void T_MMC_vProfileExchange(S32 slot);
// Handles the file commands (snapshots, thumbnails, deletes, pictures);
// true when it was one of them. The caller disposes of the message.
bool T_MMC_bHandleFileMessage(GENERIC_MESSAGE* pMsg);

// ---- software update (t_mmc_update.cpp)
// Looks for an update image on the card in slot and offers it.
void T_MMC_vUpdateFlash(S32 slot);
// Handles the card task's messages while the update question in state is
// open (keys answer it).
void T_MMC_vReflashWait(S32 state);
void T_MMC_vDrawConfirmMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindow);
void T_MMC_vDrawReflashProgressScreen(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindow);
// The screens' tests: puts the update screens in the state (1 and 2 the
// two questions, 5 starting, 7 completing, 8 read failure) with the text.
void T_MMC_vSetUpdateScreen(S32 state, const char* pcText);
// The system state the card task remembered at the last card event.
S32 T_MMC_eRememberedSystemState(void);
// The card task's shutdown: timer stopped and released, both slots unmounted.
void T_MMC_vShutdownCards(void);
