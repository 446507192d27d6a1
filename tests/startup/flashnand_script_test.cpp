// The internal map storage's script "flashnand.inf": keys, methods and the
// first line that yields each key.
#include <gtest/gtest.h>

#include <string>

#include "lsvc/lsvc.h"
#include "source/startup/u_flashnand.h"

namespace {

struct SCRIPT_CASE {
  const char* name;
  std::string text;
  bool ok;
  FLASHNAND_METHOD method;
  const char* file;
  const char* signature;
};

TEST(FlashnandScript, ScriptsParseOnlyWithAllThreeKeysAndAKnownMethod) {
  const std::vector<SCRIPT_CASE> cases = {
      {"copy", "FILE=MAPS\nMETHOD=COPY\nSIGNATURE=FLASHNAND_SIGNATURE_ORTAVEL\n", true, FLASHNAND_METHOD_COPY, "MAPS",
       "FLASHNAND_SIGNATURE_ORTAVEL"},
      {"blanks and CR LF", "  FILE =  maps.img \r\nMETHOD= compare\r\nSIGNATURE =X\r\n", true,
       FLASHNAND_METHOD_COMPARE, "maps.img", "X"},
      {"lower-case method", "FILE=a\nMETHOD=copy\nSIGNATURE=s", true, FLASHNAND_METHOD_COPY, "a", "s"},
      {"image", "FILE=out.img\nMETHOD=IMAGE\nSIGNATURE=s", true, FLASHNAND_METHOD_IMAGE, "out.img", "s"},
      {"first line wins", "FILE=a\nFILE=b\nMETHOD=COPY\nSIGNATURE=s", true, FLASHNAND_METHOD_COPY, "a", "s"},
      {"unknown method", "FILE=a\nMETHOD=MOVE\nSIGNATURE=s", false, FLASHNAND_METHOD_UNDEFINED, "", ""},
      {"FILEX is not FILE", "FILEX=a\nMETHOD=COPY\nSIGNATURE=s", false, FLASHNAND_METHOD_UNDEFINED, "", ""},
      {"empty value", "FILE=\nMETHOD=COPY\nSIGNATURE=s", false, FLASHNAND_METHOD_UNDEFINED, "", ""},
      {"key past the tenth line", std::string(10, '\n') + "FILE=a\nMETHOD=COPY\nSIGNATURE=s", true,
       FLASHNAND_METHOD_COPY, "a", "s"},
      {"eleventh line", "1=\n2=\n3=\n4=\n5=\n6=\n7=\n8=\n9=\nMETHOD=COPY\nSIGNATURE=s\nFILE=a", false,
       FLASHNAND_METHOD_UNDEFINED, "", ""},
  };
  for (const SCRIPT_CASE& c : cases) {
    FLASHNAND_INF_DATA inf = {};
    ASSERT_EQ(U_FLASHNAND_bParseFlashnandText(c.text.data(), c.text.size(), &inf) != FALSE, c.ok) << c.name;
    if (!c.ok) continue;
    EXPECT_EQ(inf.eMethod, c.method) << c.name;
    EXPECT_STREQ(inf.pFileName, c.file) << c.name;
    EXPECT_STREQ(inf.pSignature, c.signature) << c.name;
    H_MEMORY_vFree(inf.pFileName);
    H_MEMORY_vFree(inf.pSignature);
  }
}

TEST(FlashnandScript, StateTextsNameEveryState) {
  EXPECT_STREQ(U_FLASHNAND_pcGetFlashnandStateText(FLASHNAND_STATE_BLANK), "FlashNAND Blank");
  EXPECT_STREQ(U_FLASHNAND_pcGetFlashnandStateText(FLASHNAND_STATE_INCOMPLETE), "FlashNAND Incomplete");
  EXPECT_STREQ(U_FLASHNAND_pcGetFlashnandStateText(FLASHNAND_STATE_ISOLINEX), "Isolinex Complete");
  EXPECT_STREQ(U_FLASHNAND_pcGetFlashnandStateText((FLASHNAND_STATE)9), "FlashNAND Blank");
}

}  // namespace
