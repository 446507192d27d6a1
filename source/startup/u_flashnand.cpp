// The internal map storage and its maintenance from a card (u_flashnand.h).
#include <stdarg.h>
#include "source/startup/u_flashnand.h"

#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/dd_sd.h"
#include "source/core/h_database.h"
#include "source/core/u_shutdown.h"
#include "source/core/u_sound.h"
#include "source/graphics/g_bmp.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/platform/platform.h"
#include "source/ui/u_dialog.h"

namespace {

constexpr size_t TEXT_SIZE = 100;
constexpr size_t CHUNK = 1u << 20;
constexpr size_t BLOCK = 16u << 10;
constexpr size_t SCRIPT_BYTES = 512;
constexpr int SCRIPT_LINES = 10;

const char* const MARK_ORTAVEL = "FLASHNAND_SIGNATURE_ORTAVEL";
const char* const MARK_ILXMAP = "FLASHNAND_SIGNATURE_ILXMAP";
const char* const MARK_ZVBMAP = "FLASHNAND_SIGNATURE_ZVBMAP";

std::once_flag s_checked;
FLASHNAND_STATE s_eState = FLASHNAND_STATE_BLANK;
std::mutex s_textLock;
char s_cMvnMessage[TEXT_SIZE];
char s_cMvnSubMsg[TEXT_SIZE];
std::vector<U8> s_buffer1, s_buffer2;

// Bounded texts: names of any length are cut, never overrun.
__attribute__((format(printf, 1, 2))) void vMessage(const char* format, ...) {
  std::lock_guard<std::mutex> hold(s_textLock);
  va_list args;
  va_start(args, format);
  vsnprintf(s_cMvnMessage, sizeof s_cMvnMessage, format, args);
  va_end(args);
}
__attribute__((format(printf, 1, 2))) void vDetail(const char* format, ...) {
  std::lock_guard<std::mutex> hold(s_textLock);
  va_list args;
  va_start(args, format);
  vsnprintf(s_cMvnSubMsg, sizeof s_cMvnSubMsg, format, args);
  va_end(args);
}

std::string sStorageDir(U32 unit) {
  std::string dir = L_UTILS_cpGetPathnamePtr();
  if (unit != 0) dir += "/data" + std::to_string(unit);
  return dir;
}

std::string sCardRoot(int slot) { return PLATFORM_sResolvePath(DD_SD_pcMountPoint(slot)); }

int nAttributes(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return 255;
  return S_ISDIR(st.st_mode) ? 16 : 0;
}

std::string sReadSignature(void) {
  FILE* f = fopen((sStorageDir(0) + "/flashnand.sig").c_str(), "rb");
  if (f == nullptr) return std::string("\x01missing");
  char text[SCRIPT_BYTES + 1] = {};
  const size_t n = fread(text, 1, SCRIPT_BYTES, f);
  text[n] = '\0';
  fclose(f);
  return text;
}

bool bStartsWith(const char* text, size_t n, const char* mark) {
  const size_t m = strlen(mark);
  return n >= m && memcmp(text, mark, m) == 0;
}

void vView(void) { (void)L_SEMA_Signal(SEMA_VIEW_UPDATE); }

// FILE must stay inside the card: not absolute, no "..".
bool bInsideCard(const char* name) {
  if (name[0] == '/' || name[0] == '\\') return false;
  const std::string s = name;
  size_t at = 0;
  while (at <= s.size()) {
    size_t end = s.find_first_of("/\\", at);
    if (end == std::string::npos) end = s.size();
    if (s.compare(at, end - at, "..") == 0) return false;
    at = end + 1;
  }
  return true;
}

bool bCompareImage(const std::string& image, const char* name) {
  vDetail("Image %s was compared successfully", name);
  FILE* card = fopen(image.c_str(), "rb");
  if (card == nullptr) {
    vDetail("Couldn't open image %s", name);
    return false;
  }
  FILE* raw = fopen(PLATFORM_sResolvePath(FLASHNAND_RAW_DEVICE).c_str(), "rb");
  fseek(card, 0, SEEK_END);
  const long size = ftell(card);
  fseek(card, 0, SEEK_SET);
  long done = 0;
  bool ok = true;
  while (ok && done < size) {
    vMessage("Comparing SD Image to FlashNAND (%d%%)", (int)(size > 0 ? (long long)done * 100 / size : 0));
    vView();
    const size_t n = fread(s_buffer1.data(), 1, CHUNK, card);
    if (n == 0) {
      vDetail("MMC Read failed on compare image %s", name);
      ok = false;
      break;
    }
    const size_t m = raw != nullptr ? fread(s_buffer2.data(), 1, n, raw) : 0;
    if (m != n || memcmp(s_buffer1.data(), s_buffer2.data(), n) != 0) {
      vDetail("File data mismatch on compare image %s", name);
      ok = false;
    }
    done += (long)n;
  }
  fclose(card);
  if (raw != nullptr) fclose(raw);
  return ok;
}

bool bMakeImage(const std::string& image, const char* name) {
  vDetail("Image %s was created successfully", name);
  const FLASHNAND_STATE state = U_FLASHNAND_eGetFlashnandState(0);
  if (state != FLASHNAND_STATE_ORTAVEL && state != FLASHNAND_STATE_DUV) {
    vDetail("Nothing to image");
    return false;
  }
  const char* mark = state == FLASHNAND_STATE_ORTAVEL ? MARK_ORTAVEL : MARK_ZVBMAP;
  FILE* out = fopen(image.c_str(), "wb");
  if (out == nullptr) {
    vDetail("Couldn't create image %s", name);
    return false;
  }
  FILE* raw = fopen(PLATFORM_sResolvePath(FLASHNAND_RAW_DEVICE).c_str(), "rb");
  bool ok = true;
  for (U32 mb = 0; ok && raw != nullptr; ++mb) {
    vMessage("Copying FlashNAND to SD Image (%d MB)", (int)mb);
    vView();
    const size_t n = fread(s_buffer1.data(), 1, CHUNK, raw);
    if (n == 0) break;
    size_t keep = n;
    bool last = false;
    for (size_t at = 0; at < n; at += BLOCK) {
      if (bStartsWith((const char*)s_buffer1.data() + at, n - at, mark)) {
        keep = std::min(n, at + BLOCK);
        last = true;
      }
    }
    if (fwrite(s_buffer1.data(), 1, keep, out) != keep) {
      vDetail("Write failed on imaging to %s", name);
      ok = false;
    }
    if (last) break;
  }
  if (raw != nullptr) fclose(raw);
  if (fclose(out) != 0 && ok) {
    vDetail("Write failed on imaging to %s", name);
    ok = false;
  }
  return ok;
}

bool bCopyImage(const std::string& image, const char* name) {
  vDetail("Image %s was copied successfully", name);
  FILE* in = fopen(image.c_str(), "rb");
  if (in == nullptr) {
    vDetail("Couldn't open image %s", name);
    return false;
  }
  fseek(in, 0, SEEK_END);
  const long size = ftell(in);
  fseek(in, 0, SEEK_SET);
  FILE* raw = fopen(PLATFORM_sResolvePath(FLASHNAND_RAW_DEVICE).c_str(), "wb");
  long done = 0;
  bool ok = raw != nullptr;
  if (!ok) vDetail("Write failed on image copy to %s", "FlashNAND");
  while (ok && done < size) {
    vMessage("Copying SD Image to FlashNAND (%d%%)", (int)((long long)done * 100 / size));
    vView();
    const size_t n = fread(s_buffer1.data(), 1, CHUNK, in);
    if (n == 0) {
      vDetail("Read failed on image copy from %s", name);
      ok = false;
      break;
    }
    if (fwrite(s_buffer1.data(), 1, n, raw) != n) ok = false;
    done += (long)n;
  }
  fclose(in);
  if (raw != nullptr) fclose(raw);
  return ok;
}

// Copies a card folder onto the storage; the marker file last, so that an
// interrupted copy does not look complete.
bool bCopyDirectory(const std::string& from, const std::string& to, bool* pSawMarker, bool top) {
  DIR* d = opendir(from.c_str());
  if (d == nullptr) return false;
  mkdir(to.c_str(), 0777);
  bool ok = true;
  while (struct dirent* e = readdir(d)) {
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    const std::string a = from + "/" + e->d_name, b = to + "/" + e->d_name;
    if (nAttributes(a) == 16) {
      ok = ok && bCopyDirectory(a, b, pSawMarker, false);
      continue;
    }
    if (top && strcmp(e->d_name, "flashnand.sig") == 0) {
      *pSawMarker = true;
      continue;
    }
    FILE* in = fopen(a.c_str(), "rb");
    FILE* out = fopen(b.c_str(), "wb");
    size_t n = 0;
    while (in != nullptr && out != nullptr && (n = fread(s_buffer1.data(), 1, CHUNK, in)) > 0) {
      if (fwrite(s_buffer1.data(), 1, n, out) != n) ok = false;
    }
    if (in == nullptr || out == nullptr) ok = false;
    if (in != nullptr) fclose(in);
    if (out != nullptr && fclose(out) != 0) ok = false;
  }
  closedir(d);
  return ok;
}

}  // namespace

FLASHNAND_STATE U_FLASHNAND_eGetFlashnandState(U32 u32Unit) {
  std::call_once(s_checked, [u32Unit] {
    FILE* f = fopen((sStorageDir(u32Unit) + "/flashnand.sig").c_str(), "rb");
    if (f == nullptr) {
      s_eState = FLASHNAND_STATE_BLANK;
      return;
    }
    char text[64] = {};
    const size_t n = fread(text, 1, sizeof text, f);
    fclose(f);
    s_eState = bStartsWith(text, n, MARK_ORTAVEL)   ? FLASHNAND_STATE_ORTAVEL
               : bStartsWith(text, n, MARK_ILXMAP)  ? FLASHNAND_STATE_ISOLINEX
               : bStartsWith(text, n, MARK_ZVBMAP)  ? FLASHNAND_STATE_DUV
                                                    : FLASHNAND_STATE_INCOMPLETE;
  });
  return s_eState;
}

const char* U_FLASHNAND_pcGetFlashnandStateText(FLASHNAND_STATE eState) {
  switch (eState) {
    case FLASHNAND_STATE_INCOMPLETE: return "FlashNAND Incomplete";
    case FLASHNAND_STATE_ORTAVEL: return "Ortavel Complete";
    case FLASHNAND_STATE_DUV: return "DUV Complete";
    case FLASHNAND_STATE_ISOLINEX: return "Isolinex Complete";
    default: return "FlashNAND Blank";
  }
}

char* U_FLASHNAND_psParseFlashnandInfLine(const char* pcLine, const char* pcKey) {
  if (pcLine == nullptr || pcKey == nullptr) return nullptr;
  const char* eq = strchr(pcLine, '=');
  if (eq == nullptr) return nullptr;
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  const char* a = pcLine;
  const char* b = eq;
  while (a < b && blank(*a)) ++a;
  while (b > a && blank(b[-1])) --b;
  if ((size_t)(b - a) != strlen(pcKey) || memcmp(a, pcKey, (size_t)(b - a)) != 0) return nullptr;
  const char* v = eq + 1;
  const char* end = v + strlen(v);
  while (v < end && blank(*v)) ++v;
  while (end > v && blank(end[-1])) --end;
  if (end == v) return nullptr;
  const size_t n = (size_t)(end - v);
  char* out = static_cast<char*>(H_MEMORY_pvMalloc(n + 1));
  if (out == nullptr) return nullptr;
  memcpy(out, v, n);
  out[n] = '\0';
  return out;
}

BOOLEAN U_FLASHNAND_bParseFlashnandText(const char* pcText, size_t size, FLASHNAND_INF_DATA* pData) {
  if (pcText == nullptr || pData == nullptr) return FALSE;
  pData->pFileName = pData->pSignature = nullptr;
  pData->eMethod = FLASHNAND_METHOD_UNDEFINED;
  std::string text(pcText, std::min(size, SCRIPT_BYTES));
  text = text.c_str();  // up to the first zero
  char* file = nullptr;
  char* method = nullptr;
  char* signature = nullptr;
  size_t at = 0;
  for (int line = 0; line < SCRIPT_LINES && at < text.size(); ++line) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string one = text.substr(at, end - at);
    at = end;
    while (at < text.size() && (text[at] == '\r' || text[at] == '\n')) ++at;
    if (file == nullptr) file = U_FLASHNAND_psParseFlashnandInfLine(one.c_str(), "FILE");
    if (method == nullptr) method = U_FLASHNAND_psParseFlashnandInfLine(one.c_str(), "METHOD");
    if (signature == nullptr) signature = U_FLASHNAND_psParseFlashnandInfLine(one.c_str(), "SIGNATURE");
  }
  FLASHNAND_METHOD m = FLASHNAND_METHOD_UNDEFINED;
  if (method != nullptr) {
    if (strcasecmp(method, "COPY") == 0) m = FLASHNAND_METHOD_COPY;
    if (strcasecmp(method, "COMPARE") == 0) m = FLASHNAND_METHOD_COMPARE;
    if (strcasecmp(method, "IMAGE") == 0) m = FLASHNAND_METHOD_IMAGE;
  }
  if (method != nullptr) H_MEMORY_vFree(method);
  if (file == nullptr || signature == nullptr || m == FLASHNAND_METHOD_UNDEFINED) {
    if (file != nullptr) H_MEMORY_vFree(file);
    if (signature != nullptr) H_MEMORY_vFree(signature);
    return FALSE;
  }
  pData->pFileName = file;
  pData->pSignature = signature;
  pData->eMethod = m;
  return TRUE;
}

BOOLEAN U_FLASHNAND_bParseFlashnandInf(const char* pcPath, FLASHNAND_INF_DATA* pData) {
  FILE* f = fopen(pcPath, "rb");
  if (f == nullptr) return FALSE;
  char text[SCRIPT_BYTES];
  const size_t n = fread(text, 1, sizeof text, f);
  fclose(f);
  return U_FLASHNAND_bParseFlashnandText(text, n, pData);
}

BOOLEAN U_FLASHNAND_bCompareDirectory(const char* pcCard, const char* pcStorage, BOOLEAN bRecursive) {
  const std::string card = std::string(pcCard) + "/", storage = std::string(pcStorage) + "/";
  DIR* a = opendir(card.c_str());
  DIR* b = opendir(storage.c_str());
  if (a == nullptr || b == nullptr) {
    vDetail("Couldn't find directories %s %s", card.c_str(), storage.c_str());
    if (a != nullptr) closedir(a);
    if (b != nullptr) closedir(b);
    return FALSE;
  }
  closedir(b);
  bool ok = true;
  while (ok) {
    struct dirent* e = readdir(a);
    if (e == nullptr) break;
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    const std::string x = card + e->d_name, y = storage + e->d_name;
    if (nAttributes(x) == 16) {
      if (bRecursive) ok = U_FLASHNAND_bCompareDirectory(x.c_str(), y.c_str(), TRUE);
      continue;
    }
    FILE* fx = fopen(x.c_str(), "rb");
    FILE* fy = fopen(y.c_str(), "rb");
    if (fx == nullptr || fy == nullptr) {
      vDetail("Open file failed on compare %s", e->d_name);
      ok = false;
    }
    long size = 0;
    if (ok) {
      fseek(fx, 0, SEEK_END);
      fseek(fy, 0, SEEK_END);
      size = ftell(fx);
      if (size != ftell(fy)) {
        vDetail("File size mismatch on compare %s", e->d_name);
        ok = false;
      }
      fseek(fx, 0, SEEK_SET);
      fseek(fy, 0, SEEK_SET);
    }
    long done = 0;
    while (ok && done < size) {
      vMessage("Comparing %s to FlashNAND (%d%%)", e->d_name, (int)((long long)done * 100 / size));
      vView();
      const size_t n = fread(s_buffer1.data(), 1, CHUNK, fx);
      if (n == 0) {
        vDetail("MMC Read failed on compare %s", e->d_name);
        ok = false;
        break;
      }
      if (fread(s_buffer2.data(), 1, n, fy) != n) {
        vDetail("FlashNAND Read failed on compare %s", e->d_name);
        ok = false;
      } else if (memcmp(s_buffer1.data(), s_buffer2.data(), n) != 0) {
        vDetail("File data mismatch on compare %s", e->d_name);
        ok = false;
      }
      done += (long)n;
    }
    if (ok) {
      vMessage("Comparing %s to FlashNAND (%d%%)", e->d_name, 100);
      vView();
    }
    if (fx != nullptr) fclose(fx);
    if (fy != nullptr) fclose(fy);
  }
  closedir(a);
  return ok ? TRUE : FALSE;
}

void U_FLASHNAND_vDrawProgressScreen(BITMAP* b, const WINDOW_SPECIFICATION*) {
  if (b == nullptr) return;
  G_BMP_vSet(b, 0x2080);
  std::string text;
  {
    std::lock_guard<std::mutex> hold(s_textLock);
    text = s_cMvnMessage;
  }
  U_DIALOG_vDrawDialog(b, text.c_str(), std_16x17_font_def_ptr.load(), 2, (U16)(b->pixels_wide * 2 / 3), nullptr,
                       nullptr, JUSTIFICATION_CENTER, JUSTIFICATION_CENTER);
}

const char* U_FLASHNAND_pcDetail(void) { return s_cMvnSubMsg; }

void U_FLASHNAND_vSetScreenText(const char* pcText) {
  std::lock_guard<std::mutex> hold(s_textLock);
  snprintf(s_cMvnMessage, sizeof s_cMvnMessage, "%s", pcText != nullptr ? pcText : "");
}

BOOLEAN U_FLASHNAND_bUpdateFlashNAND(int nSlot) {
  vDetail("%s", "");
  const std::string root = sCardRoot(nSlot);
  FLASHNAND_INF_DATA inf = {};
  if (nAttributes(root + "/flashnand.inf") == 255 ||
      !U_FLASHNAND_bParseFlashnandInf((root + "/flashnand.inf").c_str(), &inf)) {
    return FALSE;
  }
  const bool differs = sReadSignature() != inf.pSignature;
  const bool run = inf.eMethod == FLASHNAND_METHOD_COPY ? differs : !differs;
  if (!run || !bInsideCard(inf.pFileName)) {
    if (run) log_me("FLASHNAND: FILE %s leaves the card, no maintenance", inf.pFileName);
    H_MEMORY_vFree(inf.pFileName);
    H_MEMORY_vFree(inf.pSignature);
    return FALSE;
  }
  log_me("FLASHNAND: maintenance %d of %s", (int)inf.eMethod, inf.pFileName);
  vMessage("Starting");
  (void)H_DATABASE_bUpdateValueBoolean(FCID("SVL9"), TRUE, P_HIGHEST);
  (void)U_VIEW_bRegisterLayer(&U_FLASHNAND_vDrawProgressScreen, COLOR_TEST9_PRIORITY, USED_BY_NONE, 0, FCID("SVL9"),
                              TRUE, nullptr, nullptr, nullptr);
  (void)H_DATABASE_bUpdateValueU32(FCID("CVEW"), COLOR_TEST9_PRIORITY, P_HIGHEST);
  (void)H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_UPDATING_CODE, P_NORMAL);
  static const FOURCHARID s_aKeep[] = {FCID("TMMC"), FCID("TVUE"), FCID("TDSP"), 0};
  (void)U_SHUTDOWN_vShutdown(s_aKeep);
  (void)L_TASK_Terminate(TASK_CHARTTASK);
  s_buffer1.assign(CHUNK, 0);
  s_buffer2.assign(CHUNK, 0);
  vView();
  L_CLOCK_Sleep(1000);

  const std::string path = root + "/" + inf.pFileName;
  const char* name = inf.pFileName;
  const int attributes = nAttributes(path);
  bool ok = false;
  switch (inf.eMethod) {
    case FLASHNAND_METHOD_COMPARE:
      if (attributes == 255) {
        vDetail("Couldn't find image/directory %s for compare", name);
      } else if (attributes == 16) {
        ok = U_FLASHNAND_bCompareDirectory(path.c_str(), sStorageDir(0).c_str(), TRUE);
        if (ok) {
          vDetail("Directory %s was compared successfully", name);
          FILE* f = fopen((sStorageDir(0) + "/flashnand.sig").c_str(), "rb");
          if (f == nullptr) {
            vDetail("Signature open failure");
            ok = false;
          } else {
            fclose(f);
            if (sReadSignature() != inf.pSignature) {
              vDetail("Signature mismatch");
              ok = false;
            }
          }
        }
      } else {
        ok = bCompareImage(path, name);
      }
      break;
    case FLASHNAND_METHOD_IMAGE:
      ok = bMakeImage(path, name);
      break;
    default:
      if (attributes == 255) {
        vDetail("Couldn't find image/directory %s for copy", name);
      } else if (attributes == 16) {
        bool marker = false;
        ok = bCopyDirectory(path, sStorageDir(0), &marker, true);
        if (ok && marker) {
          FILE* in = fopen((path + "/flashnand.sig").c_str(), "rb");
          FILE* out = fopen((sStorageDir(0) + "/flashnand.sig").c_str(), "wb");
          size_t n = 0;
          while (in && out && (n = fread(s_buffer1.data(), 1, CHUNK, in)) > 0) ok = ok && fwrite(s_buffer1.data(), 1, n, out) == n;
          if (in) fclose(in);
          if (out) ok = (fclose(out) == 0) && ok;
        }
        if (ok) vDetail("Directory %s was copied successfully", name);
      } else {
        ok = bCopyImage(path, name);
      }
      break;
  }
  {
    std::lock_guard<std::mutex> hold(s_textLock);
    char detail[TEXT_SIZE];
    snprintf(detail, sizeof detail, "%s", s_cMvnSubMsg);
    snprintf(s_cMvnMessage, sizeof s_cMvnMessage, ok ? "DONE: %s" : "ERROR: %s", detail);
  }
  log_me("FLASHNAND: %s", s_cMvnMessage);
  U_SOUND_vPlaySound(ok ? TONE_TEST : TONE_ALARM_ALERT, nullptr, 0, 1);
  vView();
  L_CLOCK_Sleep(10000);
  const bool restart = inf.eMethod == FLASHNAND_METHOD_COPY;
  H_MEMORY_vFree(inf.pFileName);
  H_MEMORY_vFree(inf.pSignature);
  if (restart) U_RESET_vReset();
  for (;;) L_CLOCK_Sleep(60000);  // the result stays until the unit is switched off
}
