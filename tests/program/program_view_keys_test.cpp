// The built program's view keys, pressed in its keypad pipe: VIEW steps
// through the selectable views (the view-key task traces each view it makes
// current, and the screen changes), a soft key held two seconds stores the
// current view, and a later short press of it brings that view back: the
// next VIEW then steps on from the restored view.
#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/support/unit_session.h"

namespace {

constexpr int SLOT_VIEW = 3;
constexpr int SLOT_SOFT_KEY_1 = 13;
constexpr int SONAR_VIEW = 49;
constexpr int REVIEW_VIEW = 71;

// Every number in the lines matching pattern (one group), in order.
std::vector<int> Numbers(const std::string& text, const std::string& pattern) {
  std::vector<int> out;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it) {
    out.push_back(std::stoi((*it)[1].str()));
  }
  return out;
}

class ProgramViewKeys : public ::testing::Test {
 protected:
  CUnitSession unit;

  void SetUp() override {
    ASSERT_TRUE(unit.Start(TESSIX_BINARY));
    ASSERT_TRUE(unit.StartSimulator()) << unit.Output();
    usleep(1000000);
  }

  // A press and release; the view the view-key task made current.
  int PressView() {
    const size_t before = Views().size();
    const U64 pressed = CUnitSession::Now();
    EXPECT_TRUE(unit.Key(SLOT_VIEW, 1));
    EXPECT_TRUE(unit.Key(SLOT_VIEW, 0));
    // Reads the trace for a while: no line holds this text.
    for (int i = 0; i < 50 && Views().size() == before; ++i) unit.WaitForLine("\x01", 100);
    EXPECT_GT(Views().size(), before) << unit.Output();
    CUnitSession::FRAME frame{};
    last_frame_changed = unit.WaitForChangedFrame(pressed, 2000, &frame);
    usleep(300000);
    return Views().empty() ? -1 : Views().back();
  }
  std::vector<int> Views() { return Numbers(unit.Output(), "VIEWKEY: view (-?[0-9]+)"); }
  bool last_frame_changed = false;
};

TEST_F(ProgramViewKeys, ViewStepsAndASoftKeyStoresAndRestoresAView) {
  // The simulator has its sonar views and the review view, each registered
  // under its name.
  const std::vector<int> listed = Numbers(unit.Output(), "VIEW: selectable view (-?[0-9]+)");
  const std::set<int> selectable(listed.begin(), listed.end());
  ASSERT_TRUE(selectable.count(SONAR_VIEW) && selectable.count(REVIEW_VIEW)) << unit.Output();

  // VIEW steps to another selectable view each time, and the screen shows it.
  const int first = PressView();
  EXPECT_TRUE(selectable.count(first)) << first;
  EXPECT_TRUE(last_frame_changed);
  const int second = PressView();
  EXPECT_TRUE(selectable.count(second)) << second;
  EXPECT_NE(second, first);
  EXPECT_TRUE(last_frame_changed);

  // Soft key 1 held past 2.5 s stores the view on the screen (held 3 s: a
  // hold of exactly 2.5 s can read as shorter on a loaded machine).
  ASSERT_TRUE(unit.Key(SLOT_SOFT_KEY_1, 1));
  usleep(3000000);
  ASSERT_TRUE(unit.Key(SLOT_SOFT_KEY_1, 0));
  ASSERT_TRUE(unit.WaitForLine("BUTTON: shortcut 1 saved (view ", 2000)) << unit.Output();
  const std::vector<int> saved = Numbers(unit.Output(), "BUTTON: shortcut 1 saved \\(view (-?[0-9]+)\\)");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0], second);
  // A hold does not change the view.
  EXPECT_EQ(unit.Output().find("BUTTON: shortcut 1 shows view"), std::string::npos);

  const int third = PressView();
  EXPECT_NE(third, second);
  usleep(3000000);  // the "saved" message is gone
  ASSERT_TRUE(unit.Key(SLOT_SOFT_KEY_1, 1));
  usleep(100000);
  ASSERT_TRUE(unit.Key(SLOT_SOFT_KEY_1, 0));
  ASSERT_TRUE(unit.WaitForLine("BUTTON: shortcut 1 shows view " + std::to_string(saved[0]), 2000)) << unit.Output();
  usleep(500000);

  // The restored view is the current one: VIEW steps on from it to the view
  // that followed it before.
  EXPECT_EQ(PressView(), third);
}

}  // namespace
