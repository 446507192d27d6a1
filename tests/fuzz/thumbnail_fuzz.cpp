// Fuzzer of the card's thumbnail records: a snapshot thumbnail header and a
// recording's thumb header from arbitrary bytes of any length, and the
// personalization block split into its four lines.
#include <cstring>
#include <vector>

#include "source/startup/t_mmc_profile.h"
#include "source/startup/t_mmc_thumbs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<U8> exact(data, data + size);  // only the bytes given
  THUMBNAIL_FILE_HEADER snap;
  SONAR_RECORD_THUMB_HEADER rec;
  (void)T_MMC_bParseThumbnailHeader(exact.data(), exact.size(), &snap);
  (void)T_MMC_bParseRecordHeader(exact.data(), exact.size(), &rec);
  PERSONALIZATION_DATA_BLOCK block;
  std::memset(&block, 0, sizeof block);
  std::memcpy(&block, data, size < sizeof block ? size : sizeof block);
  char lines[PROFILE_LINES][PROFILE_LINE_SIZE];
  T_MMC_vSplitPersonalization(&block, lines);
  for (auto& line : lines)
    if (line[PROFILE_LINE_SIZE - 1] != '\0') __builtin_trap();
  return 0;
}
