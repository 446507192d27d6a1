// Fuzzer of the demonstration script reader and interpreter: arbitrary text
// run for a bounded number of steps, with the chapter on offer entered now
// and then and photos that load, are missing or never arrive. The
// interpreter's indices and offsets stay inside their arrays and text, its
// strings stay terminated, and it never asks to write a task mailbox key.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "source/ui/u_pos_script.h"
#include "tests/fuzz/fuzz_canvas.h"

namespace {

struct Ctx {
  FuzzInput* in;
};

LAYER_ID FindView(void*, const char* name) { return std::strlen(name) % 3 == 0 ? UNKNOWN_VIEW : SONAR_VIEW_PRIORITY; }
void Write(void*, FOURCHARID key, U32) {
  if ((key & 0xFF) == 'T') abort();
}
BOOLEAN Balloons(void* c) { return (((Ctx*)c)->in->u8() & 1) != 0; }
void Press(void*, U32 mask, CURSOR_POSITION) {
  if (mask == 0 || mask > KEY_MASK_SOFT_KEY_3) abort();
}
void Nothing(void*) {}
void Chart(void*, BOOLEAN) {}
POS_PHOTO_RESULT Photo(void* c, const char* name) {
  if (std::strchr(name, '/') != nullptr || std::strlen(name) > POS_NAME_MAX) abort();
  return (POS_PHOTO_RESULT)(((Ctx*)c)->in->u8() % 3);
}

void Check(const POS_SCRIPT& s) {
  if (s.u32CurOffset > s.u32Size) abort();
  if (s.stackTop < -1 || s.stackTop >= POS_CHAPTER_STACK) abort();
  if (s.activeChapter < -1 || s.activeChapter > s.stackTop) abort();
  for (int i = 0; i <= s.stackTop; ++i) {
    if (s.chptStack[i].chapterStart > s.u32Size || s.chptStack[i].chapterResume > s.u32Size) abort();
    if (std::memchr(s.chptStack[i].chapterName, 0, sizeof s.chptStack[i].chapterName) == nullptr) abort();
  }
  if (std::memchr(s.aTextLine, 0, sizeof s.aTextLine) == nullptr) abort();
  if (std::memchr(s.curBalloon.text, 0, sizeof s.curBalloon.text) == nullptr) abort();
  if (std::memchr(s.curBalloon.title, 0, sizeof s.curBalloon.title) == nullptr) abort();
  if (s.scriptError < NO_ERROR || s.scriptError >= MAX_ERROR_CODES) abort();
}

void Visit(void*, POS_TEXT_ITEM, S32) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first bytes steer the run (photo results, balloon setting, offers
  // entered); the text is the whole input so that scripts stay readable.
  FuzzInput steer{data, size};
  Ctx ctx{&steer};
  POS_SCRIPT_ENV env{&ctx, FindView, Write, Balloons, Press, Nothing, Nothing, Chart, Photo, Nothing};
  std::vector<char> text(data, data + size);
  POS_SCRIPT s;
  POS_SCRIPT_vReset(&s, text.data(), (U32)text.size(), size > 0 ? data[0] % 3 : 0, POINT{600, 20});
  for (int step = 0; step < 400; ++step) {
    const S32 delay = POS_SCRIPT_s32Step(&s, &env);
    Check(s);
    if (delay < -1 || delay > (S32)(POS_WAIT_MAX_SECONDS * 1000 + 900) || (delay > 0 && delay % 100 != 0)) abort();
    if (delay < 0) break;
    if (s.curBalloon.bActive && !POS_SCRIPT_bWalkText(s.curBalloon.text, Visit, nullptr)) abort();
    if ((steer.u8() & 7) == 0) {
      POS_SCRIPT_bEnterOfferedChapter(&s, &env);
      Check(s);
    }
  }
  return 0;
}
