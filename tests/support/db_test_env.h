// Shared by the settings-database and NVRAM tests: a private installation
// directory and host root per test program, and helpers to read change
// notices out of mailboxes.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"

namespace dbtest {

// Created before main (before anything reads TESSIX_CWD): <tmp>/tessix is
// the installation directory (not created here), <tmp>/root the host root.
// A program started by the test (a death-test child, a crash-test child)
// inherits the folders of its parent through TESSIX_DBTEST_BASE.
struct TempInstall {
  std::string base;
  std::string install;
  bool owned = false;
  pid_t owner;
  TempInstall() {
    owner = getpid();
    const char* inherited = getenv("TESSIX_DBTEST_BASE");
    if (inherited != nullptr && *inherited != '\0') {
      base = inherited;
    } else {
      char pattern[] = "/tmp/tessix-dbtest-XXXXXX";
      const char* made = mkdtemp(pattern);
      base = made ? made : "/tmp";
      owned = made != nullptr;
      setenv("TESSIX_DBTEST_BASE", base.c_str(), 1);
    }
    install = base + "/tessix";
    setenv("TESSIX_CWD", install.c_str(), 1);
    setenv("TESSIX_HOST_ROOT", (base + "/root").c_str(), 1);
  }
  ~TempInstall() {
    if (!owned || getpid() != owner) return;  // a forked child leaves it alone
    std::error_code ec;
    std::filesystem::remove_all(base, ec);
  }
};

inline TempInstall& Install() {
  static TempInstall install;
  return install;
}

// One change notice as received.
struct Notice {
  CMD_ID cmd;
  PRIORITY priority;
  FOURCHARID key;
  U32 value;
  BOOLEAN valid;
};

// Takes every message out of a mailbox (and disposes of it).
inline std::vector<Notice> Drain(MBOX mbox) {
  std::vector<Notice> out;
  while (void* p = L_MBOX_Receive(mbox)) {
    const MESSAGE_NEW_DATA* m = (const MESSAGE_NEW_DATA*)p;
    DB_DATA_TYPE value = m->dbValue;
    out.push_back(Notice{m->Header.Cmd, m->Header.msghdr.MsgPriority, m->FourCharId, value.u32Val, m->bValid});
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

// Last lines of FATAL.LOG in the installation directory ("" when missing).
inline std::string FatalLog() {
  std::string path = Install().install + "/FATAL.LOG";
  FILE* f = fopen(path.c_str(), "r");
  if (f == nullptr) return "";
  std::string text;
  char buffer[512];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  fclose(f);
  return text;
}

}  // namespace dbtest
