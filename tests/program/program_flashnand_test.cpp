// Maintenance of the internal map storage from a card's "flashnand.inf", as
// the factory meets it: the card is in slot 0 at start, the storage is the
// unit's installation directory and its raw device the file dev/mvn0 under
// the host root. Each case ends at the result line (a run never returns);
// the storage and the card are then looked at.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <string>

#include "tests/support/program_run.h"

namespace fs = std::filesystem;

namespace {

const std::string kSig = "FLASHNAND_SIGNATURE_ORTAVEL set 2";

void vInsertCard(const std::string& root, const std::string& folder) {
  const std::string sys = root + "/sys/class/mmc_host/mmc1/mmc1:0001";
  fs::create_directories(sys + "/block/mmcblk1");
  std::ofstream(sys + "/cid") << "035344535530344780000000010000e1\n";
  std::ofstream(sys + "/type") << "SD\n";
  fs::create_directories(root + "/dev");
  fs::create_directories(root + "/mnt/mmc0");
  fs::create_directories(root + "/mnt/mmc1");
  fs::create_symlink(folder, root + "/dev/mmcblk1");
  fs::create_symlink(folder, root + "/dev/mmcblk1p1");
}

void vWrite(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// A folder of maps on the card: two files, one in a sub-folder, and the marker.
void vMapsFolder(const std::string& dir) {
  vWrite(dir + "/a.map", std::string(3000, 'a'));
  vWrite(dir + "/sub/b.map", "bbbb");
  vWrite(dir + "/flashnand.sig", kSig);
}

struct FLASH_CASE {
  const char* name;
  const char* script;
  int setup;             // see vSetup
  const char* expected;  // the result line, or a line of a script that does not run
};

// 0 nothing more; 1 the card's maps folder; 2 the maps folder and the same
// maps in the storage; 3 as 2 with one storage file changed; 4 an image on
// the card and the same bytes on the raw device; 5 a raw device holding a
// marked map set, storage marker of that set.
void vSetup(int setup, const std::string& card, const std::string& storage, const std::string& root) {
  if (setup >= 1 && setup <= 3) vMapsFolder(card + "/MAPS");
  if (setup == 2 || setup == 3) {
    vWrite(storage + "/a.map", std::string(3000, setup == 3 ? 'x' : 'a'));
    vWrite(storage + "/sub/b.map", "bbbb");
    vWrite(storage + "/flashnand.sig", kSig);
  }
  const std::string raw = std::string(20000, 'r') + "image";
  if (setup == 4) {
    vWrite(card + "/maps.img", raw);
    vWrite(root + "/dev/mvn0", raw);
    vWrite(storage + "/flashnand.sig", kSig);
  }
  if (setup == 5) {
    std::string device(16 << 10, 'd');
    device += "FLASHNAND_SIGNATURE_ORTAVEL" + std::string((16 << 10) - 27, '\0');
    device += std::string(16 << 10, 'z');  // past the marked block: not imaged
    vWrite(root + "/dev/mvn0", device);
    vWrite(storage + "/flashnand.sig", kSig);
  }
}

class ProgramFlashnand : public ::testing::TestWithParam<FLASH_CASE> {};

TEST_P(ProgramFlashnand, ScriptRunsOnFixtureStorage) {
  const FLASH_CASE& c = GetParam();
  CProgram program;
  const std::string card = program.HostRoot() + "/../card";
  const std::string storage = program.HostRoot() + "/../cwd";
  fs::create_directories(card);
  fs::create_directories(storage);
  vWrite(card + "/flashnand.inf", c.script);
  vSetup(c.setup, card, storage, program.HostRoot());
  vInsertCard(program.HostRoot(), fs::canonical(card).string());
  const std::string expected = c.expected;
  const bool runs = expected.rfind("DONE", 0) == 0 || expected.rfind("ERROR", 0) == 0;
  long long cardSeen = 0;
  RESULT r = program.Run({}, 40000, 0, [&](pid_t pid, const std::string& out) {
    if (out.find("FLASHNAND: DONE") != std::string::npos || out.find("FLASHNAND: ERROR") != std::string::npos) {
      kill(pid, SIGKILL);
      return false;
    }
    if (out.find("MMC: card in slot 0") == std::string::npos) return true;
    if (cardSeen == 0) cardSeen = llRealMs();
    if (llRealMs() - cardSeen < (runs ? 20000 : 3000)) return true;
    kill(pid, SIGKILL);
    return false;
  });
  if (!runs) {
    EXPECT_EQ(r.out.find("FLASHNAND: maintenance"), std::string::npos) << sDescribe(r);
    EXPECT_NE(r.out.find("MMC: card in slot 0"), std::string::npos) << sDescribe(r);
  }
  if (!expected.empty()) EXPECT_NE(r.out.find("FLASHNAND: " + expected), std::string::npos) << sDescribe(r);
  switch (c.setup) {
    case 1:
      if (runs) {
        EXPECT_EQ(sReadFile(storage + "/a.map"), std::string(3000, 'a'));
        EXPECT_EQ(sReadFile(storage + "/sub/b.map"), "bbbb");
        EXPECT_EQ(sReadFile(storage + "/flashnand.sig"), kSig);
      } else {
        EXPECT_FALSE(fs::exists(storage + "/a.map"));
        EXPECT_FALSE(fs::exists(storage + "/flashnand.sig"));
      }
      break;
    case 5:
      if (runs) {
        // The image ends with the block that holds the marker.
        const std::string image = sReadFile(card + "/out.img");
        EXPECT_EQ(image.size(), 32u << 10);
        EXPECT_TRUE(image == sReadFile(program.HostRoot() + "/dev/mvn0").substr(0, 32 << 10));
      } else {
        EXPECT_FALSE(fs::exists(card + "/out.img"));
      }
      break;
    default:
      break;
  }
  EXPECT_FALSE(fs::exists(program.HostRoot() + "/../x"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramFlashnand,
    ::testing::Values(
        FLASH_CASE{"copy_folder", "FILE=MAPS\nMETHOD=COPY\nSIGNATURE=FLASHNAND_SIGNATURE_ORTAVEL set 2\n", 1,
                   "DONE: Directory MAPS was copied successfully"},
        FLASH_CASE{"lower_case_method", "FILE=MAPS\r\nMETHOD=copy\r\nSIGNATURE=FLASHNAND_SIGNATURE_ORTAVEL set 2\r\n", 1,
                   "DONE: Directory MAPS was copied successfully"},
        FLASH_CASE{"compare_folder", "FILE=MAPS\nMETHOD=COMPARE\nSIGNATURE=FLASHNAND_SIGNATURE_ORTAVEL set 2\n", 2,
                   "DONE: Directory MAPS was compared successfully"},
        FLASH_CASE{"compare_folder_mismatch",
                   "FILE=MAPS\nMETHOD=COMPARE\nSIGNATURE=FLASHNAND_SIGNATURE_ORTAVEL set 2\n", 3,
                   "ERROR: File data mismatch on compare a.map"},
        FLASH_CASE{"compare_image", "FILE=maps.img\nMETHOD=COMPARE\nSIGNATURE=FLASHNAND_SIGNATURE_ORTAVEL set 2\n", 4,
                   "DONE: Image maps.img was compared successfully"},
        FLASH_CASE{"image", "FILE=out.img\nMETHOD=IMAGE\nSIGNATURE=FLASHNAND_SIGNATURE_ORTAVEL set 2\n", 5,
                   "DONE: Image out.img was created successfully"},
        FLASH_CASE{"move_is_no_method", "FILE=MAPS\nMETHOD=MOVE\nSIGNATURE=FLASHNAND_SIGNATURE_ORTAVEL set 2\n", 1,
                   ""},
        FLASH_CASE{"filex_is_not_file", "FILEX=MAPS\nMETHOD=COPY\nSIGNATURE=FLASHNAND_SIGNATURE_ORTAVEL set 2\n", 1,
                   ""},
        FLASH_CASE{"file_outside_the_card", "FILE=../x\nMETHOD=IMAGE\nSIGNATURE=FLASHNAND_SIGNATURE_ORTAVEL set 2\n",
                   5, "FILE ../x leaves the card, no maintenance"}),
    [](const ::testing::TestParamInfo<FLASH_CASE>& info) { return std::string(info.param.name); });

}  // namespace
