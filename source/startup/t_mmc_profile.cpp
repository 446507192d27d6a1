// Profile files: formatting, parsing, the exchange on insertion and the
// personalization lines kept by the NVRAM task.
#include "source/startup/t_mmc_profile.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/db_types.h"
#include "source/core/dd_sd.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "source/startup/t_mmc_int.h"

namespace {

const FOURCHARID s_ids[PROFILE_IDS] = {FCID("SEDB"), FCID("SEDU"), FCID("SEIB"), FCID("SEIU"),
                                       FCID("SENB"), FCID("SENU"), FCID("SETB"), FCID("SMDL"),
                                       FCID("SIMT"), FCID("WVER"), FCID("RVER"), FCID("TVER")};
constexpr int ID_SEDU = 1, ID_SEIU = 3, ID_SENU = 5;
constexpr int READ_IDS = 9;
constexpr U32 FIXED_VERSION = 3;
constexpr U8 LINE_SEPARATOR = 0x03;
constexpr const char* PROFILE_NAME = "profile.txt";
constexpr const char* PROFILE_TEMP_NAME = "profile.tmp";

MMC_PROFILE_DATA s_sProfileData;

void vIdName(FOURCHARID id, char out[5]) {
  out[0] = (char)id;
  out[1] = (char)(id >> 8);
  out[2] = (char)(id >> 16);
  out[3] = (char)(id >> 24);
  out[4] = '\0';
}

// Sends a message to the NVRAM task and waits for its acknowledgement.
bool bAskNvram(void* pMsg) {
  U32 box = 0;
  if (!H_DATABASE_bFetchU32(FCID("TNVR"), &box)) return false;
  return L_MBOX_SendWait((MBOX)box, pMsg, 3, SEMA_MMC_MISC) == lsSUCCESS;
}

// The next line of the text ("\r\n" ends it); false at the end.
bool bNextLine(const char*& p, const char* end, char* line, size_t size) {
  if (p >= end) return false;
  const char* eol = p;
  while (eol + 1 < end && !(eol[0] == '\r' && eol[1] == '\n')) ++eol;
  if (eol + 1 >= end) return false;  // no line end: the text is cut short
  const size_t n = (size_t)(eol - p);
  if (n >= size) return false;
  memcpy(line, p, n);
  line[n] = '\0';
  p = eol + 2;
  return n > 0;
}

void vCopyField(char* dst, size_t size, const char* src, size_t n) {
  if (n >= size) n = size - 1;
  memcpy(dst, src, n);
  dst[n] = '\0';
}

bool bSameIdentity(const MMC_PROFILE_DATA& a, const MMC_PROFILE_DATA& b) {
  return a.numVerNumX1000 == b.numVerNumX1000 &&
         strncmp(a.sVersionInfo.version, b.sVersionInfo.version, sizeof a.sVersionInfo.version) == 0 &&
         strncmp(a.sVersionInfo.date, b.sVersionInfo.date, sizeof a.sVersionInfo.date) == 0 &&
         strncmp(a.sVersionInfo.speed, b.sVersionInfo.speed, sizeof a.sVersionInfo.speed) == 0 &&
         strncmp(a.sVersionInfo.rev, b.sVersionInfo.rev, sizeof a.sVersionInfo.rev) == 0 &&
         memcmp(a.u32IdVals, b.u32IdVals, sizeof a.u32IdVals) == 0;
}

bool bSameLines(const char a[PROFILE_LINES][PROFILE_LINE_SIZE], const char b[PROFILE_LINES][PROFILE_LINE_SIZE]) {
  for (int i = 0; i < PROFILE_LINES; ++i) {
    if (strncmp(a[i], b[i], PROFILE_LINE_SIZE - 1) != 0) return false;
  }
  return true;
}

}  // namespace

const MMC_PROFILE_DATA* T_MMC_pProfileData(void) { return &s_sProfileData; }

void T_MMC_vSplitPersonalization(const PERSONALIZATION_DATA_BLOCK* pBlock, char lines[PROFILE_LINES][PROFILE_LINE_SIZE]) {
  memset(lines, 0, (size_t)PROFILE_LINES * PROFILE_LINE_SIZE);
  const U8* p = reinterpret_cast<const U8*>(pBlock->au16Words);
  const U8* end = p + sizeof pBlock->au16Words;
  for (int line = 0; line < PROFILE_LINES && p < end && *p != 0; ++line) {
    size_t n = 0;
    while (p < end && *p != 0 && *p != LINE_SEPARATOR) {
      if (n < PROFILE_LINE_SIZE - 1) lines[line][n++] = (char)*p;
      ++p;
    }
    if (p < end && *p == LINE_SEPARATOR) ++p;
  }
}

void T_MMC_vJoinPersonalization(const char lines[PROFILE_LINES][PROFILE_LINE_SIZE], PERSONALIZATION_DATA_BLOCK* pBlock) {
  memset(pBlock, 0, sizeof *pBlock);
  char* out = reinterpret_cast<char*>(pBlock->au16Words);
  size_t at = 0;
  for (int i = 0; i < PROFILE_LINES; ++i) {
    const size_t n = strnlen(lines[i], PROFILE_LINE_SIZE - 1);
    memcpy(out + at, lines[i], n);
    at += n;
    if (i < PROFILE_LINES - 1) out[at++] = (char)LINE_SEPARATOR;
  }
}

BOOLEAN T_MMC_bFillProfileStruct(MMC_PROFILE_DATA* p) {
  if (p == nullptr) return FALSE;
  memset(p, 0, sizeof *p);
  p->numVerNumX1000 = 1000;
  p->sVersionInfo = *VERSION_pversion_infoGetCurrentVersion();
  for (int i = 0; i < PROFILE_IDS; ++i) {
    U32 v = FIXED_VERSION;
    if (i < READ_IDS && !H_DATABASE_bFetchU32(s_ids[i], &v)) v = 0xFFFFFFFFu;
    p->u32IdVals[i] = v;
  }
  PERSONALIZATION_DATA_BLOCK block;
  memset(&block, 0, sizeof block);
  auto* msg = static_cast<MSG_READ_PERSONALIZED*>(H_MEMORY_pvCalloc(1, sizeof(MSG_READ_PERSONALIZED)));
  if (msg == nullptr) return FALSE;
  msg->Header.Cmd = CMD_ID_READ_PERSONALIZED;
  msg->pPersonData = &block;
  msg->bSuccess = FALSE;
  if (bAskNvram(msg) && msg->bSuccess) T_MMC_vSplitPersonalization(&block, p->PersonalizationData);
  H_MEMORY_vFree(msg);
  return TRUE;
}

void T_MMC_vUpdatePersonalizationData(const char lines[PROFILE_LINES][PROFILE_LINE_SIZE]) {
  PERSONALIZATION_DATA_BLOCK block;
  T_MMC_vJoinPersonalization(lines, &block);
  auto* msg = static_cast<MSG_WRITE_PERSONALIZED*>(H_MEMORY_pvCalloc(1, sizeof(MSG_WRITE_PERSONALIZED)));
  if (msg == nullptr) return;
  msg->Header.Cmd = CMD_ID_WRITE_PERSONALIZED;
  msg->pPersonData = &block;
  (void)bAskNvram(msg);
  H_MEMORY_vFree(msg);
}

size_t T_MMC_szFormatProfile(const MMC_PROFILE_DATA* p, char buf[PROFILE_FILE_SIZE]) {
  memset(buf, 0, PROFILE_FILE_SIZE);
  size_t at = 0;
  auto add = [&](const char* fmt, auto... args) {
    if (at >= PROFILE_FILE_SIZE - 1) return;
    const int n = snprintf(buf + at, PROFILE_FILE_SIZE - at, fmt, args...);
    if (n > 0) at += (size_t)n < PROFILE_FILE_SIZE - at ? (size_t)n : PROFILE_FILE_SIZE - 1 - at;
  };
  const VERSION_INFO& v = p->sVersionInfo;
  add("Profile:Ver.%1d.%03d\r\n", p->numVerNumX1000 / 1000, p->numVerNumX1000 % 1000);
  add("Ver.%.20s;Dat.%.20s;Rev.%.10s;Spd.%.10s\r\n", v.version, v.date, v.rev, v.speed);
  for (int i = 0; i < PROFILE_IDS; ++i) {
    char name[5];
    vIdName(s_ids[i], name);
    add("%s;0x%08x\r\n", name, (unsigned)p->u32IdVals[i]);
  }
  for (int i = 0; i < PROFILE_LINES; ++i) add("P%1d;%.20s\r\n", i + 1, p->PersonalizationData[i]);
  return at;
}

BOOLEAN T_MMC_bParseProfile(const char* text, size_t n, MMC_PROFILE_DATA* out) {
  if (text == nullptr || out == nullptr) return FALSE;
  memset(out, 0, sizeof *out);
  const char* p = text;
  const char* end = text + n;
  char line[PROFILE_FILE_SIZE];
  // Line 1: "Profile:Ver.1.000".
  if (!bNextLine(p, end, line, sizeof line)) return FALSE;
  const char* dot = strchr(line, '.');
  if (dot == nullptr) return FALSE;
  int major = 0, minor = 0;
  if (sscanf(dot + 1, "%d.%d", &major, &minor) < 1) return FALSE;
  // A version is "M.mmm": anything else is not a profile this unit wrote.
  if (major < 0 || major > 999999 || minor < 0 || minor > 999) return FALSE;
  out->numVerNumX1000 = major * 1000 + minor;
  // Line 2: version, date, rev and speed, each "name.value".
  if (!bNextLine(p, end, line, sizeof line)) return FALSE;
  {
    VERSION_INFO& v = out->sVersionInfo;
    struct {
      char* dst;
      size_t size;
    } parts[4] = {{v.version, sizeof v.version}, {v.date, sizeof v.date}, {v.rev, sizeof v.rev}, {v.speed, sizeof v.speed}};
    const char* q = line;
    for (auto& part : parts) {
      const char* stop = strchr(q, ';');
      const size_t len = stop != nullptr ? (size_t)(stop - q) : strlen(q);
      const char* value = (const char*)memchr(q, '.', len);
      if (value == nullptr) return FALSE;
      ++value;
      vCopyField(part.dst, part.size, value, (size_t)(q + len - value));
      q = stop != nullptr ? stop + 1 : q + len;
    }
  }
  // Identity lines, then four P-lines.
  int ids = 0, pLines = 0;
  while (pLines < PROFILE_LINES) {
    if (!bNextLine(p, end, line, sizeof line)) return FALSE;
    if (ids < PROFILE_IDS) {
      const char* semi = strchr(line, ';');
      int which = -1;
      if (semi != nullptr && semi - line == 4) {
        for (int i = 0; i < PROFILE_IDS; ++i) {
          char name[5];
          vIdName(s_ids[i], name);
          if (strncmp(line, name, 4) == 0) which = i;
        }
      }
      if (which >= 0) {
        const char* hex = strstr(semi, "0x");
        out->u32IdVals[which] = hex != nullptr ? (U32)strtoul(hex + 2, nullptr, 16) : 0;
        ++ids;
      }
      continue;  // lines with another name are skipped
    }
    if (line[0] != 'P' || line[1] < '1' || line[1] > '4' || line[2] != ';') return FALSE;
    const int k = line[1] - '1';
    vCopyField(out->PersonalizationData[k], PROFILE_LINE_SIZE, line + 3, strlen(line + 3));
    ++pLines;
  }
  return TRUE;
}

BOOLEAN T_MMC_bWriteProfileFile(S32 slot) {
  char buf[PROFILE_FILE_SIZE];
  const size_t n = T_MMC_szFormatProfile(&s_sProfileData, buf);
  char temp[MMC_COMPOSED_SIZE], final[MMC_COMPOSED_SIZE];
  snprintf(temp, sizeof temp, "%s/%s", DD_SD_pcMountPoint(slot), PROFILE_TEMP_NAME);
  snprintf(final, sizeof final, "%s/%s", DD_SD_pcMountPoint(slot), PROFILE_NAME);
  // Written under another name and renamed: a card pulled during the write
  // keeps its old profile.
  FILE* f = PLATFORM_pFileOpen(temp, "wb");
  if (f == nullptr) return FALSE;
  bool ok = fwrite(buf, 1, n, f) == n;
  ok = fclose(f) == 0 && ok;
  const std::string t = PLATFORM_sResolvePath(temp), d = PLATFORM_sResolvePath(final);
  if (ok) ok = rename(t.c_str(), d.c_str()) == 0;
  if (!ok) (void)remove(t.c_str());
  return ok ? TRUE : FALSE;
}

void T_MMC_vProfileExchange(S32 slot) {
  log_me("MMC: profile exchange with slot %d", (int)slot);
  const bool bWritable = T_MMC_bIsCardWriteable(slot) != FALSE;
  char path[MMC_COMPOSED_SIZE];
  snprintf(path, sizeof path, "%s/%s", DD_SD_pcMountPoint(slot), PROFILE_NAME);
  bool complete = false;
  MMC_PROFILE_DATA card;
  if (FILE* f = PLATFORM_pFileOpen(path, "rb")) {
    // Never more than the buffer: a larger file counts as incomplete.
    char text[PROFILE_FILE_SIZE + 1];
    const size_t n = fread(text, 1, sizeof text, f);
    fclose(f);
    complete = n <= PROFILE_FILE_SIZE && T_MMC_bParseProfile(text, n, &card);
  }
  if (!complete) {
    if (bWritable) {
      (void)T_MMC_bFillProfileStruct(&s_sProfileData);
      if (!T_MMC_bWriteProfileFile(slot)) log_me("MMC: profile not written to slot %d", (int)slot);
    }
    return;
  }
  (void)T_MMC_bFillProfileStruct(&s_sProfileData);
  const U32 dU = card.u32IdVals[ID_SEDU], iU = card.u32IdVals[ID_SEIU], nU = card.u32IdVals[ID_SENU];
  const bool bOwn = dU == s_sProfileData.u32IdVals[ID_SEDU] && iU == s_sProfileData.u32IdVals[ID_SEIU] &&
                    nU == s_sProfileData.u32IdVals[ID_SENU];
  const bool bGenericTake = dU == 0 && iU == 0 && nU == 1;
  const bool bGenericKeep = dU == 0 && iU == 0 && nU == 0;
  if (!bOwn && !bGenericTake && !bGenericKeep) {
    log_me("MMC: profile of another unit in slot %d, left alone", (int)slot);
    return;
  }
  if (!bSameLines(card.PersonalizationData, s_sProfileData.PersonalizationData)) {
    T_MMC_vUpdatePersonalizationData(card.PersonalizationData);
    memcpy(s_sProfileData.PersonalizationData, card.PersonalizationData, sizeof card.PersonalizationData);
    log_me("MMC: personalization taken from the card in slot %d", (int)slot);
  }
  if (bWritable && (bGenericTake || (bOwn && !bSameIdentity(card, s_sProfileData)))) {
    if (!T_MMC_bWriteProfileFile(slot)) log_me("MMC: profile not written to slot %d", (int)slot);
  }
}
