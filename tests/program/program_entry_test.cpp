// The built program as a child process: command line, quit time, debug
// watchdog, SIGTERM and SIGINT, the trace line format and the start of every
// task. Each run has its own installation and host-root folders and a
// closed standard input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/program_run.h"
#include "tests/support/trace_line.h"

namespace {

// A row of the task part of the dump: "  %02d %s: active ... pthread ID #%lu ...".
// Gives the task id and whether the task has a thread.
bool bTaskRow(const std::string& line, int* id, bool* running) {
  const size_t active = line.find(": active ");
  const size_t thread = line.find(" pthread ID #");
  if (active == std::string::npos || thread == std::string::npos) return false;
  const size_t name = line.rfind(' ', active);
  if (name == std::string::npos || name < 2) return false;
  *id = atoi(line.substr(name - 2, 2).c_str());
  *running = strtoul(line.c_str() + thread + 13, nullptr, 10) != 0;
  return true;
}

// Every line of the text is a trace line.
void vExpectTraceLines(const std::string& text) {
  for (const std::string& line : TEST_vecLines(text)) {
    EXPECT_TRUE(TEST_bIsTraceLine(line)) << "[" << line << "]";
  }
}

// Generous limit for runs that end by themselves.
constexpr long long LIMIT_MS = 20000;

}  // namespace

TEST(ProgramEntry, BadCommandLinesEndWithStatus1) {
  struct CASE {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"bogus"}, "invalid argument bogus"},
      {{"quit_sec"}, "specifier required for argument quit_sec"},
      {{"task_flush", "task_add", "3,70"}, "invalid argument 3,70"},
      {{"fake_key", "16"}, "invalid argument 16"},
  };
  CProgram program;
  for (auto& c : cases) {
    RESULT r = program.Run(c.args, LIMIT_MS);
    ASSERT_TRUE(r.exited) << sDescribe(r);
    EXPECT_EQ(r.status, 1) << sDescribe(r);
    const std::vector<std::string> lines = TEST_vecLines(r.out);
    ASSERT_EQ(lines.size(), 3u) << sDescribe(r);
    EXPECT_NE(lines[0].find(" start\r"), std::string::npos);
    EXPECT_NE(lines[1].find(std::string(" ") + c.message + "\r"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(" exit from file "), std::string::npos);
    EXPECT_NE(lines[2].find(" status 1\r"), std::string::npos);
    vExpectTraceLines(r.out);
  }
}

TEST(ProgramEntry, QuitTimeEndsAnIdleProgramWithStatus4) {
  CProgram program;
  // No task runs and no trace line follows the start: the quit time still ends it.
  RESULT r = program.Run({"task_flush", "quit_sec", "1"}, 3000);
  ASSERT_TRUE(r.exited) << sDescribe(r);
  EXPECT_EQ(r.status, 4) << sDescribe(r);
  EXPECT_NE(r.err.find(" quit seconds expired\r\n"), std::string::npos) << sDescribe(r);
  for (const char* part : {"task information (", "timer information (", "semaphore information (",
                           "queue information (", "mutex information (", "mbox information ("}) {
    EXPECT_NE(r.err.find(part), std::string::npos) << part;
  }
  EXPECT_NE(r.err.find(" status 4\r\n"), std::string::npos);
  vExpectTraceLines(r.out);
  vExpectTraceLines(r.err);
}

TEST(ProgramEntry, WatchdogEndsASilentProgramWithStatus3) {
  CProgram program;
  RESULT r = program.Run({"task_flush", "debug_sec", "2"}, LIMIT_MS);
  ASSERT_TRUE(r.exited) << sDescribe(r);
  EXPECT_EQ(r.status, 3) << sDescribe(r);
  EXPECT_NE(r.err.find("0: after sleep "), std::string::npos);
  EXPECT_NE(r.err.find("task information ("), std::string::npos);
  EXPECT_NE(r.err.find(" status 3\r\n"), std::string::npos);
}

TEST(ProgramEntry, SigtermEndsWithStatus2) {
  CProgram program;
  RESULT r = program.Run({"task_flush"}, LIMIT_MS, SIGTERM);
  ASSERT_TRUE(r.exited) << sDescribe(r);
  EXPECT_EQ(r.status, 2) << sDescribe(r);
  const std::vector<std::string> lines = TEST_vecLines(r.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find(" status 2\r"), std::string::npos) << sDescribe(r);
  EXPECT_EQ(r.err.find("task information"), std::string::npos) << "no dump on SIGTERM";
  // Started with standard input closed, the program holds /dev/null there.
  EXPECT_EQ(r.stdin_target, "/dev/null");
}

TEST(ProgramEntry, SigintDumpsAndEndsWithStatus2) {
  CProgram program;
  RESULT r = program.Run({"task_flush"}, LIMIT_MS, SIGINT);
  ASSERT_TRUE(r.exited) << sDescribe(r);
  EXPECT_EQ(r.status, 2) << sDescribe(r);
  EXPECT_NE(r.err.find("task information ("), std::string::npos) << sDescribe(r);
  EXPECT_NE(r.err.find("mbox information ("), std::string::npos);
  EXPECT_NE(r.err.find(" status 2\r\n"), std::string::npos);
  vExpectTraceLines(r.err);
}

TEST(ProgramEntry, FullStartRunsEveryStartedTaskAndTracesInFormat) {
  CProgram program;
  RESULT r = program.Run({"quit_sec", "2"}, LIMIT_MS);
  ASSERT_TRUE(r.exited) << sDescribe(r);
  EXPECT_EQ(r.status, 4) << sDescribe(r);
  ASSERT_FALSE(r.out.empty());
  vExpectTraceLines(r.out);
  vExpectTraceLines(r.err);

  // The task part of the dump names each task's thread: the tasks the start
  // sequence and the start-up task start are running, the rows that nothing
  // starts and the two that end at once are not.
  const std::set<int> never = {1, 3, 7, 18, 29, 33, 34, 35, 36, 38, 48, 49, 50, 64, 65, 66};
  const std::set<int> end_at_once = {47, 53};
  int rows = 0;
  for (const std::string& line : TEST_vecLines(r.err)) {
    int id = 0;
    bool running = false;
    if (!bTaskRow(line, &id, &running)) continue;
    ++rows;
    if (id == 70) continue;
    const bool expected = !never.count(id) && !end_at_once.count(id);
    EXPECT_EQ(running, expected) << "task " << id;
  }
  EXPECT_EQ(rows, 70) << sDescribe(r);
}

TEST(ProgramEntry, TaskFlushWithTheTwoFirstTasksStartsOnlyThem) {
  CProgram program;
  RESULT r = program.Run({"task_flush", "task_add", "2,17", "quit_sec", "1"}, LIMIT_MS);
  ASSERT_TRUE(r.exited) << sDescribe(r);
  EXPECT_EQ(r.status, 4) << sDescribe(r);
  std::set<int> running;
  for (const std::string& line : TEST_vecLines(r.err)) {
    int id = 0;
    bool has_thread = false;
    if (bTaskRow(line, &id, &has_thread) && has_thread) running.insert(id);
  }
  EXPECT_EQ(running, (std::set<int>{2, 17, 70})) << sDescribe(r);
}
