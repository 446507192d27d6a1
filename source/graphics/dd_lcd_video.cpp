// Video out: the encoder's mode, television detection and the copy of each
// shown frame into the television plane.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "lsvc/lsvc.h"
#include "source/graphics/dd_lcd.h"
#include "source/graphics/dd_lcd_int.h"
#include "source/platform/platform.h"

const char* const DD_LCD_pcTvDetectFile = "/sys/devices/platform/omapdss/display2/venc_tv_detect";

namespace {

std::atomic<bool> s_bTelevisionOn{false};
std::atomic<U32> s_u32Frames{0};

// The television plane and the graphics plane, opened and mapped once.
std::mutex s_planesLock;
int s_fdTv = -1;
int s_fdGraphics = -1;
U16* s_pTv = nullptr;
const U16* s_pGraphics = nullptr;
bool s_bPlanesFailed = false;

// Opens and maps one plane of a whole screen. A plain file shorter than a
// screen (a stand-in on this machine) is refused: touching its mapping past
// the end would kill the process.
void* pMapPlane(const char* device, int* pFd) {
  const std::string path = PLATFORM_sResolvePath(device);
  const int fd = open(path.c_str(), O_RDWR);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || (S_ISREG(st.st_mode) && (size_t)st.st_size < sizeof(SCREEN_BUFFER))) {
    close(fd);
    return nullptr;
  }
  void* p = mmap(nullptr, sizeof(SCREEN_BUFFER), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  *pFd = fd;
  return p;
}

// Lock held. TRUE when both planes are mapped.
bool bPlanesReady(void) {
  if (s_pTv != nullptr && s_pGraphics != nullptr) return true;
  if (s_bPlanesFailed) return false;
  if (s_pTv == nullptr) s_pTv = static_cast<U16*>(pMapPlane("/dev/fb2", &s_fdTv));
  if (s_pGraphics == nullptr) s_pGraphics = static_cast<const U16*>(pMapPlane("/dev/fb0", &s_fdGraphics));
  if (s_pTv == nullptr || s_pGraphics == nullptr) {
    // Tried once; the television copy is skipped from now on.
    s_bPlanesFailed = true;
    log_me("DD_LCD: television plane %s, graphics plane %s: no television copy\n", s_pTv ? "mapped" : "missing",
           s_pGraphics ? "mapped" : "missing");
    return false;
  }
  return true;
}

}  // namespace

void DD_LCD_vChangeVideoMode(VIDEO_MODE eMode) {
  s_bTelevisionOn.store(true);
  const char* command = "omap_dss2_venc.sh off";
  bool on = true;
  switch (eMode) {
    case M_VIDEO_MODE_NTSC:
      command = "omap_dss2_venc.sh on ntsc";
      break;
    case M_VIDEO_MODE_NTSC_J:
      command = "omap_dss2_venc.sh on ntsc-j";
      break;
    case M_VIDEO_MODE_PAL:
    case M_VIDEO_MODE_PAL_N:
      command = "omap_dss2_venc.sh on pal";
      break;
    case M_VIDEO_MODE_PAL_M:
      command = "omap_dss2_venc.sh on pal-m";
      break;
    default:
      on = false;
      break;
  }
  log_me("DD_LCD: video encoder: %s\n", command);
  (void)PLATFORM_nSystem(command);
  if (!on) s_bTelevisionOn.store(false);
}

BOOLEAN DD_LCD_bCheckVideoOutPort(void) {
  const std::string path = PLATFORM_sResolvePath(DD_LCD_pcTvDetectFile);
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return FALSE;
  char c = 0;
  const ssize_t n = read(fd, &c, 1);
  close(fd);
  return (n == 1 && c == '1') ? TRUE : FALSE;
}

BOOLEAN DD_LCD_bTelevisionOn(void) { return s_bTelevisionOn.load() ? TRUE : FALSE; }

U32 DD_LCD_u32TelevisionFrames(void) { return s_u32Frames.load(); }

void DD_LCD_vCopyToTelevision(const U8* page, size_t lineLength) {
  if (!s_bTelevisionOn.load()) return;
  if (s_u32Frames.fetch_add(1) < DD_LCD_TV_SKIPPED_FRAMES) return;
  if (page == nullptr) return;
  std::lock_guard<std::mutex> lock(s_planesLock);
  if (!bPlanesReady()) return;
  for (S32 row = 0; row < DD_LCD_HEIGHT; ++row) {
    const U16* src = reinterpret_cast<const U16*>(page + (size_t)row * lineLength);
    const size_t at = (size_t)row * DD_LCD_WIDTH;
    for (S32 x = 0; x < DD_LCD_WIDTH; ++x) {
      const U16 p = src[x];
      s_pTv[at + x] = p != DD_LCD_CHROMA_KEY ? p : s_pGraphics[at + x];
    }
  }
}
