// Threading test: also runs under ThreadSanitizer.
// The sound task on a machine without a sound card: ALSA's PCM "default"
// names a card that does not exist and there is no control device. One
// trace line says so; the task goes on serving its mailbox and semaphores
// silently, and the orderly shutdown reaches it.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/h_sound.h"
#include "source/core/u_shutdown.h"
#include "source/core/u_sound.h"
#include "tests/support/sound_test_env.h"
#include "tests/support/wait_for.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

constexpr SEMA SYNC_SEMA = SEMA_MBOX_MENU;

// Returns once the task has handled everything signalled and sent before.
void Sync() {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_INVALID_ID;
  ASSERT_EQ(L_MBOX_SendWait(M_SOUND, msg, 255, SYNC_SEMA), lsSUCCESS);
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(SoundWithoutCard, OneTraceLineThenSilentServiceAndShutdown) {
  CORE_vInstall();
  soundtest::ConfigureAlsa("pcm.default {\n  type hw\n  card 29\n}\n");
  soundtest::WriteSound("startup_sound", soundtest::Wav(std::vector<short>(20000, 0x1234)));
  soundtest::WriteSound("good_key_sound", soundtest::Wav(std::vector<short>(2000, 0x2345)));
  L_MBOX_DefineSema(M_SOUND, SEMA_MBOX_SOUND);  // as the start sequence does

  testing::internal::CaptureStdout();
  ASSERT_EQ(L_TASK_Start(TASK_SOUNDTASK), lsSUCCESS);
  Sync();
  // Clicks, alarms, requests and volume changes: served, silently.
  for (int i = 0; i < 3; ++i) {
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    Sync();
    L_SEMA_Signal(SEMA_FISH_ALARM_SMALL);
    Sync();
    U_SOUND_vPlaySound(TONE_GENERAL_ALERT, nullptr, 0, 1);
    H_DATABASE_bUpdateValueU32(FCID("SVOL"), (U32)i, P_NORMAL);
    Sync();
  }
  EXPECT_FALSE(H_SOUND_bIsSoundPlaying());
  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Count(trace, "\n"), 2u) << trace;  // the task's start and the one line
  EXPECT_EQ(Count(trace, "no sound card: cannot open audio device default"), 1u) << trace;
  EXPECT_EQ(Count(trace, "sounds are silent"), 1u) << trace;

  // The orderly shutdown finds the task's mailbox and is acknowledged.
  testing::internal::CaptureStdout();
  EXPECT_EQ(U_SHUTDOWN_vShutdown(nullptr), 0);
  const std::string shutdown = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Count(shutdown, "shutdown: TSND (mailbox 46)"), 1u) << shutdown;
  EXPECT_EQ(Count(shutdown, "did not acknowledge"), 0u) << shutdown;
}

}  // namespace
