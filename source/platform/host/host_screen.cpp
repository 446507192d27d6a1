// The unit's screen on this machine: a window, or PNG pictures when headless.
#include "source/platform/host/host_screen.h"

#include <SDL.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/input.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "source/platform/platform.h"
#include "source/platform/host/host_png.h"

namespace {

enum class Mode { NONE, PNG, WINDOW };

// State shared by the presenting task and the screen thread, under mutex.
// It is never destroyed, so a screen thread still running at process end
// never sees it torn down.
struct Screen {
  pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
  pthread_cond_t cond;
  pthread_t thread{};
  bool running = false;
  Mode mode = Mode::NONE;
  int width = 0;
  int height = 0;
  int scale = 1;
  std::string path;  // picture file of the headless screen
  std::vector<U16> latest;
  bool pending = false;  // latest not yet written or shown
  bool stop = false;
  bool ever_written = false;
  U64 last_write_ns = 0;
  U32 written = 0;

  Screen() {
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&cond, &attr);
    pthread_condattr_destroy(&attr);
  }
};

Screen& S() {
  static Screen* screen = new Screen;
  return *screen;
}

std::mutex s_controlLock;  // one start or stop at a time

bool bEnvSet(const char* name) {
  const char* v = getenv(name);
  return v != nullptr && *v != '\0';
}

void vFromNs(U64 ns, struct timespec* ts) {
  ts->tv_sec = (time_t)(ns / 1000000000ull);
  ts->tv_nsec = (long)(ns % 1000000000ull);
}

// Headless: writes the newest picture, no sooner than the interval after the
// previous one; at stop a waiting picture is written at once.
void* pvPngThread(void*) {
  Screen& s = S();
  std::vector<U16> frame;
  bool complained = false;
  const U64 interval_ns = (U64)HOST_SCREEN_MIN_INTERVAL_MS * 1000000ull;
  pthread_mutex_lock(&s.mutex);
  for (;;) {
    while (!s.stop && !s.pending) pthread_cond_wait(&s.cond, &s.mutex);
    if (!s.pending) break;
    U64 now = PLATFORM_u64MonotonicNs();
    if (!s.stop && s.ever_written && now < s.last_write_ns + interval_ns) {
      struct timespec deadline;
      vFromNs(s.last_write_ns + interval_ns, &deadline);
      PLATFORM_nCondTimedWait(&s.cond, &s.mutex, &deadline);
      continue;
    }
    frame.swap(s.latest);
    s.pending = false;
    const std::string path = s.path;
    const int width = s.width, height = s.height;
    pthread_mutex_unlock(&s.mutex);

    bool ok = HOST_bWritePng565(path.c_str(), frame.data(), width, height, width) != FALSE;
    if (!ok && !complained) {
      PLATFORM_vTrace("HOST_SCREEN: cannot write %s: %s\n", path.c_str(), strerror(errno));
      complained = true;
    }

    pthread_mutex_lock(&s.mutex);
    s.ever_written = true;
    s.last_write_ns = now;
    if (ok) ++s.written;
  }
  pthread_mutex_unlock(&s.mutex);
  return nullptr;
}


// The PC keyboard stands in for the keypad: each key of the window writes
// the keypad's input record into the keypad device, as the board's keypad
// driver would. Arrows are the cursor, Enter or M the MENU key, Esc or X
// EXIT, V VIEW, + and - the zoom keys, K MARK, G GOTO, I INFO, P POWER and
// F1-F3 the three soft keys.
int nKeypadSlot(SDL_Keycode key) {
  switch (key) {
    case SDLK_p: return 0;
    case SDLK_RETURN: case SDLK_m: return 1;
    case SDLK_ESCAPE: case SDLK_x: return 2;
    case SDLK_v: return 3;
    case SDLK_PLUS: case SDLK_EQUALS: case SDLK_KP_PLUS: return 4;
    case SDLK_MINUS: case SDLK_KP_MINUS: return 5;
    case SDLK_k: return 6;
    case SDLK_g: return 7;
    case SDLK_i: return 8;
    case SDLK_UP: return 9;
    case SDLK_DOWN: return 10;
    case SDLK_LEFT: return 11;
    case SDLK_RIGHT: return 12;
    case SDLK_F1: return 13;
    case SDLK_F2: return 14;
    case SDLK_F3: return 15;
    default: return -1;
  }
}

void vForwardKey(SDL_Keycode key, bool down) {
  const int slot = nKeypadSlot(key);
  if (slot < 0) return;
  const int fd = open(PLATFORM_sResolvePath("/dev/input/event0").c_str(), O_WRONLY | O_NONBLOCK);
  if (fd < 0) {
    PLATFORM_vTrace("HOST_SCREEN: keypad device not open for writing\n");
    return;
  }
  struct input_event records[2];
  memset(records, 0, sizeof records);
  records[0].type = EV_KEY;
  records[0].code = DD_KEYBOARD_au16KeyCode[slot];
  records[0].value = down ? 1 : 0;
  records[1].type = EV_SYN;
  if (write(fd, records, sizeof records) != (ssize_t)sizeof records) PLATFORM_vTrace("HOST_SCREEN: keypad record not written\n");
  close(fd);
}

// With a display: the newest picture in a window, refreshed as it changes.
void* pvWindowThread(void*) {
  Screen& s = S();
  // The unit handles SIGINT and SIGTERM itself.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    PLATFORM_vTrace("HOST_SCREEN: no window (%s); set TESSIX_SCREEN_DIR for PNG pictures\n", SDL_GetError());
    return nullptr;
  }
  // Without a reachable display SDL falls back to drivers that show nothing;
  // they count only when asked for by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!bEnvSet("SDL_VIDEODRIVER") && driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0)) {
    PLATFORM_vTrace("HOST_SCREEN: no window (display not reachable); set TESSIX_SCREEN_DIR for PNG pictures\n");
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  SDL_Window* window = SDL_CreateWindow("tessix", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, s.width * s.scale,
                                        s.height * s.scale, 0);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, 0) : nullptr;
  SDL_Texture* texture =
      renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, s.width, s.height)
               : nullptr;
  if (texture == nullptr) {
    PLATFORM_vTrace("HOST_SCREEN: no window (%s); set TESSIX_SCREEN_DIR for PNG pictures\n", SDL_GetError());
  } else {
    PLATFORM_vTrace("HOST_SCREEN: window %dx%d (%s)\n", s.width * s.scale, s.height * s.scale, driver ? driver : "?");
    std::vector<U16> frame((size_t)s.width * s.height, 0);
    bool quit_sent = false;
    bool redraw = true;
    for (;;) {
      pthread_mutex_lock(&s.mutex);
      bool stop = s.stop;
      if (s.pending) {
        frame.swap(s.latest);
        s.pending = false;
        redraw = true;
      }
      pthread_mutex_unlock(&s.mutex);
      if (stop) break;
      SDL_Event event;
      while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT && !quit_sent) {
          quit_sent = true;
          raise(SIGINT);
        } else if (event.type == SDL_WINDOWEVENT) {
          redraw = true;
        } else if ((event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) && event.key.repeat == 0) {
          vForwardKey(event.key.keysym.sym, event.type == SDL_KEYDOWN);
        }
      }
      if (redraw) {
        SDL_UpdateTexture(texture, nullptr, frame.data(), s.width * 2);
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);
        redraw = false;
      }
      SDL_Delay(15);
    }
  }
  if (texture) SDL_DestroyTexture(texture);
  if (renderer) SDL_DestroyRenderer(renderer);
  if (window) SDL_DestroyWindow(window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return nullptr;
}

void vStopLocked(void) {
  Screen& s = S();
  if (!s.running) return;
  pthread_mutex_lock(&s.mutex);
  s.stop = true;
  pthread_cond_broadcast(&s.cond);
  pthread_mutex_unlock(&s.mutex);
  pthread_join(s.thread, nullptr);
  pthread_mutex_lock(&s.mutex);
  s.running = false;
  s.mode = Mode::NONE;
  s.pending = false;
  pthread_mutex_unlock(&s.mutex);
}

}  // namespace

void HOST_SCREEN_vStart(int width, int height) {
  std::lock_guard<std::mutex> control(s_controlLock);
  vStopLocked();
  Screen& s = S();
  if (width <= 0 || height <= 0) return;

  Mode mode = Mode::NONE;
  std::string path;
  if (bEnvSet("TESSIX_SCREEN_DIR")) {
    std::string dir = getenv("TESSIX_SCREEN_DIR");
    if (!PLATFORM_bMakeDirs(dir.c_str())) PLATFORM_vTrace("HOST_SCREEN: cannot create %s\n", dir.c_str());
    path = dir + "/screen.png";
    mode = Mode::PNG;
  } else if (bEnvSet("DISPLAY") || bEnvSet("WAYLAND_DISPLAY")) {
    mode = Mode::WINDOW;
  }
  const char* scale = getenv("TESSIX_SCALE");

  pthread_mutex_lock(&s.mutex);
  s.mode = mode;
  s.width = width;
  s.height = height;
  s.scale = (scale && strcmp(scale, "2") == 0) ? 2 : 1;
  s.path = path;
  s.latest.assign((size_t)width * height, 0);
  s.pending = false;
  s.stop = false;
  s.ever_written = false;
  s.last_write_ns = 0;
  s.written = 0;
  pthread_mutex_unlock(&s.mutex);
  if (mode == Mode::NONE) return;

  if (pthread_create(&s.thread, nullptr, mode == Mode::PNG ? pvPngThread : pvWindowThread, nullptr) != 0) {
    PLATFORM_vTrace("HOST_SCREEN: cannot start the screen thread\n");
    pthread_mutex_lock(&s.mutex);
    s.mode = Mode::NONE;
    pthread_mutex_unlock(&s.mutex);
    return;
  }
  pthread_setname_np(s.thread, "screen");
  s.running = true;
}

void HOST_SCREEN_vStop(void) {
  std::lock_guard<std::mutex> control(s_controlLock);
  vStopLocked();
}

namespace {
std::atomic<U64> s_u64Frames{0};
std::atomic<U64> s_u64LastPresentNs{0};

// TESSIX_TRACE_FRAMES=1: every presented frame is traced with its number,
// the monotonic time it was presented and a checksum of its pixels, so that
// a tool outside the unit can see when a change reached the screen.
bool bTraceFrames(void) {
  static const bool on = [] {
    const char* v = getenv("TESSIX_TRACE_FRAMES");
    return v != nullptr && strcmp(v, "1") == 0;
  }();
  return on;
}
}  // namespace

U64 HOST_SCREEN_u64FramesPresented(void) { return s_u64Frames.load(std::memory_order_acquire); }
U64 HOST_SCREEN_u64LastPresentNs(void) { return s_u64LastPresentNs.load(std::memory_order_acquire); }

void HOST_SCREEN_vPresent(const U16* pixels, int stride_pixels) {
  if (pixels == nullptr) return;
  const U64 now = PLATFORM_u64MonotonicNs();
  s_u64LastPresentNs.store(now, std::memory_order_release);
  const U64 frame = s_u64Frames.fetch_add(1, std::memory_order_acq_rel) + 1;
  Screen& s = S();
  if (bTraceFrames()) {
    const int width = stride_pixels < 800 ? stride_pixels : 800;  // a page of the unit's 800 x 600 screen
    const int height = 600;
    uLong crc = crc32(0L, Z_NULL, 0);
    for (int y = 0; y < height; ++y) {
      crc = crc32(crc, reinterpret_cast<const Bytef*>(pixels + (size_t)y * stride_pixels), (uInt)width * 2);
    }
    PLATFORM_vTrace("frame %llu presented at %llu ns crc %08lx", (unsigned long long)frame, (unsigned long long)now,
                    (unsigned long)crc);
  }
  pthread_mutex_lock(&s.mutex);
  if (s.mode != Mode::NONE && !s.stop && stride_pixels >= s.width) {
    s.latest.resize((size_t)s.width * s.height);
    for (int y = 0; y < s.height; ++y) {
      memcpy(&s.latest[(size_t)y * s.width], pixels + (size_t)y * stride_pixels, (size_t)s.width * 2);
    }
    s.pending = true;
    pthread_cond_broadcast(&s.cond);
  }
  pthread_mutex_unlock(&s.mutex);
}

U32 HOST_SCREEN_u32PicturesWritten(void) {
  Screen& s = S();
  pthread_mutex_lock(&s.mutex);
  U32 n = s.written;
  pthread_mutex_unlock(&s.mutex);
  return n;
}
