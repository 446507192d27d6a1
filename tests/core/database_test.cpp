// Threading test: also runs under ThreadSanitizer.
// Settings database: buckets and iteration order, fetches, the write rule
// (priorities, time-outs on the test clock's monotonic clock, unmoved by
// setting the date), attributes, defaults, deletion, formats and units,
// concurrent writers, fetches that take no lock while writers run, and the
// database mutex held from outside.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/h_database_int.h"
#include "source/platform/platform.h"
#include "tests/support/db_test_env.h"
#include "tests/support/wait_for.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

constexpr time_t T0 = 1700000000;  // wall clock of the test clock at start
constexpr MBOX WATCHER = 40;

const char* const kDepthText[22] = {"Depth"};

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PLATFORM_vTestClockEnable(1000000000ull, T0);
    H_DATABASE_vInit();
    (void)dbtest::Drain(WATCHER);
  }
  void TearDown() override {
    (void)dbtest::Drain(WATCHER);
    H_DATABASE_vInit();
    PLATFORM_vTestClockDisable();
  }
  static void Seconds(U32 s) { PLATFORM_vTestClockAdvanceMs(s * 1000); }
  // Stored priority of a key (the one field no public operation reports).
  static U32 Priority(FOURCHARID key) {
    H_DATABASE_vLock();
    DATABASE_LIST_NODE* p = H_DATABASE_pFind(key);
    U32 priority = p ? p->Element.u32Priority : 0xDEAD;
    H_DATABASE_vUnlock();
    return priority;
  }
};

// ------------------------------------------------------------ hashing and iteration

TEST(DatabaseHash, BucketsOfTheUnitKeys) {
  struct Case {
    const char* key;
    U32 bucket;
  } cases[] = {{"SUTE", 236}, {"SUDS", 236}, {"SUSP", 300}, {"SUHD", 492},
               {"SUPR", 492}, {"YUDP", 230}, {"SUAT", 428}};
  for (const Case& c : cases) {
    FOURCHARID key = MAKE_FOURCHARID(c.key[0], c.key[1], c.key[2], c.key[3]);
    EXPECT_EQ(H_DATABASE_u32Bucket(key), c.bucket) << c.key;
  }
  // The first character sits in the lowest byte.
  EXPECT_EQ(FCID("SUTE"), 0x45545553u);
}

TEST_F(DatabaseTest, IterationWalksBucketsThenChainsAndSkipsKeysWithoutValue) {
  // Buckets: SUTE 236, SUDS 236 (chained behind SUTE), SUSP 300, SUAT 428, SUHD 492.
  for (const char* k : {"SUHD", "SUTE", "SUAT", "SUDS", "SUSP"}) {
    H_DATABASE_bUpdateValueU32(MAKE_FOURCHARID(k[0], k[1], k[2], k[3]), 1, P_NORMAL);
  }
  H_DATABASE_bUpdateValueU32(FCID("YUDP"), 1, P_NORMAL);                           // other letter
  H_DATABASE_bRegisterForDataWithConditions(FCID("SAAA"), WATCHER, 1, 0, 0);     // no value
  H_DATABASE_bUpdateValueU32(FCID("SZZZ"), 1, P_NORMAL);
  H_DATABASE_vDeleteEntry(FCID("SZZZ"));  // deleted: no value

  std::vector<FOURCHARID> seen;
  MULTI_FETCH_CONTROL_STRUCTURE c = {};
  c.cMatch = 'S';
  while (H_DATABASE_bFetchNextBeginningWith(&c)) seen.push_back(c.id);
  std::vector<FOURCHARID> want = {FCID("SUTE"), FCID("SUDS"), FCID("SUSP"), FCID("SUAT"), FCID("SUHD")};
  EXPECT_EQ(seen, want);
  // Exhausted cursor stays exhausted.
  EXPECT_FALSE(H_DATABASE_bFetchNextBeginningWith(&c));
}

TEST_F(DatabaseTest, IterationNeedsACapitalLetterAndReportsValueAndValidity) {
  H_DATABASE_bUpdateEverythingU32(FCID("TNVR"), 14, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), 10, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("ILAT"), 5, P_EXTERNAL_GPS, D_POSITION_LAT_MM, nullptr, 4);

  MULTI_FETCH_CONTROL_STRUCTURE small = {};
  small.cMatch = 's';
  EXPECT_FALSE(H_DATABASE_bFetchNextBeginningWith(&small));

  std::map<FOURCHARID, U32> tasks;
  MULTI_FETCH_CONTROL_STRUCTURE c = {};
  c.cMatch = 'T';
  while (H_DATABASE_bFetchNextBeginningWith(&c)) {
    EXPECT_TRUE(c.bValid);
    EXPECT_EQ(c.extras.DataType, D_MAILBOX);
    EXPECT_TRUE(tasks.emplace(c.id, c.data.u32Val).second) << "key twice";
  }
  EXPECT_EQ(tasks, (std::map<FOURCHARID, U32>{{FCID("TNVR"), 14}, {FCID("TKBD"), 10}}));

  Seconds(4);
  MULTI_FETCH_CONTROL_STRUCTURE i = {};
  i.cMatch = 'I';
  ASSERT_TRUE(H_DATABASE_bFetchNextBeginningWith(&i));
  EXPECT_EQ(i.id, FCID("ILAT"));
  EXPECT_FALSE(i.bValid);
}

// ------------------------------------------------------------ fetches

TEST_F(DatabaseTest, FetchIsTrueOnlyWhenTheKeyHoldsAValue) {
  U32 value = 0xAAAA;
  BOOLEAN valid = TRUE;
  DB_ATTRIBUTES attr = {D_SPEED, nullptr, 7};
  // Unknown key.
  EXPECT_FALSE(H_DATABASE_bFetchU32(FCID("SXXX"), &value, &valid, &attr));
  EXPECT_FALSE(valid);
  EXPECT_EQ(value, 0xAAAAu);
  EXPECT_EQ(attr.DataType, D_SPEED);
  // Only registered for.
  H_DATABASE_bRegisterForDataWithConditions(FCID("SXXX"), WATCHER, TRUE, FALSE, FALSE);
  valid = TRUE;
  EXPECT_FALSE(H_DATABASE_bFetchU32(FCID("SXXX"), &value, &valid, nullptr));
  EXPECT_FALSE(valid);
  // Holding a value, all destinations optional.
  H_DATABASE_bUpdateEverythingU32(FCID("SXXX"), 0, P_NORMAL, D_DEPTH, kDepthText, DB_NO_TIMEOUT);
  EXPECT_TRUE(H_DATABASE_bFetch(FCID("SXXX"), nullptr, nullptr, nullptr));
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SXXX"), &value, &valid, &attr));
  EXPECT_EQ(value, 0u);
  EXPECT_TRUE(valid);
  EXPECT_EQ(attr.DataType, D_DEPTH);
  EXPECT_EQ(attr.ppcText, (DB_TEXT_RECORD)kDepthText);
  EXPECT_EQ(attr.u32TimeOut, DB_NO_TIMEOUT);
}

TEST_F(DatabaseTest, TypedValuesKeepTheirBits) {
  int target = 0;
  H_DATABASE_bUpdateValueS32(FCID("IS32"), -5, P_NORMAL);
  H_DATABASE_bUpdateValueFloat(FCID("IFLT"), 2.5f, P_NORMAL);
  H_DATABASE_bUpdateValueVoidPointer(FCID("IPTR"), &target, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("IBOL"), 0x1234501, P_NORMAL);
  S32 s = 0;
  F32 f = 0;
  void* p = nullptr;
  BOOLEAN b = 7;
  EXPECT_TRUE(H_DATABASE_bFetchS32(FCID("IS32"), &s));
  EXPECT_TRUE(H_DATABASE_bFetchFloat(FCID("IFLT"), &f));
  EXPECT_TRUE(H_DATABASE_bFetchVoidPointer(FCID("IPTR"), &p));
  EXPECT_TRUE(H_DATABASE_bFetchBoolean(FCID("IBOL"), &b));
  EXPECT_EQ(s, -5);
  EXPECT_EQ(f, 2.5f);
  EXPECT_EQ(p, &target);  // a whole host pointer survives
  EXPECT_EQ(b, 0x01);     // only the lowest byte
  // A boolean write stores 0 or 1.
  H_DATABASE_bUpdateValueBoolean(FCID("IBOL"), 5, P_NORMAL);
  U32 raw = 0;
  H_DATABASE_bFetchU32(FCID("IBOL"), &raw);
  EXPECT_EQ(raw, 1u);
}

// ------------------------------------------------------------ the write rule

struct WriteCase {
  const char* name;
  U32 firstPriority;
  U32 firstTimeout;
  U32 secondsBetween;
  U32 secondPriority;
  U32 secondValue;  // the first write stores 100
  BOOLEAN expectResult;
  U32 expectValue;
  U32 expectPriority;
};

class WriteRuleTest : public DatabaseTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteRuleTest, PriorityAndTimeOut) {
  const WriteCase& c = GetParam();
  const FOURCHARID key = FCID("ILAT");
  ASSERT_FALSE(H_DATABASE_bUpdateEverythingU32(key, 100, c.firstPriority, D_UNKNOWN, nullptr, c.firstTimeout));
  Seconds(c.secondsBetween);
  EXPECT_EQ(H_DATABASE_bUpdateValueU32(key, c.secondValue, c.secondPriority), c.expectResult);
  U32 value = 0;
  ASSERT_TRUE(H_DATABASE_bFetchU32(key, &value));
  EXPECT_EQ(value, c.expectValue);
  EXPECT_EQ(Priority(key), c.expectPriority);
}

const WriteCase kWriteCases[] = {
    // name, first priority, time-out, seconds, second priority, value, result, stored value, stored priority
    {"DefaultAfterNormalRefused", P_NORMAL, DB_NO_TIMEOUT, 100, P_DEFAULT_SETTING, 7, TRUE, 100, P_NORMAL},
    {"RefusedEqualValueIsFalse", P_NORMAL, DB_NO_TIMEOUT, 0, P_DEFAULT_SETTING, 100, FALSE, 100, P_NORMAL},
    {"NormalAfterDefaultTaken", P_DEFAULT_SETTING, DB_NO_TIMEOUT, 0, P_NORMAL, 7, FALSE, 7, P_NORMAL},
    {"EqualPriorityTaken", P_EXTERNAL_GPS, DB_NO_TIMEOUT, 0, P_EXTERNAL_GPS, 7, FALSE, 7, P_EXTERNAL_GPS},
    {"WeakerGpsBeforeTimeOut", P_NETWORK_GPS, 4, 3, P_EXTERNAL_GPS, 7, TRUE, 100, P_NETWORK_GPS},
    {"WeakerGpsAtTimeOut", P_NETWORK_GPS, 4, 4, P_EXTERNAL_GPS, 7, FALSE, 7, P_EXTERNAL_GPS},
    {"UnownedAfterTimeOut", P_HIGHEST, 4, 9, P_UNOWNED, 7, FALSE, 7, P_UNOWNED},
    {"TimeOutZeroIsAlwaysOver", P_HIGHEST, 0, 0, P_UNOWNED, 7, FALSE, 7, P_UNOWNED},
    {"NoTimeOutNeverOver", P_HIGHEST, DB_NO_TIMEOUT, 1000000, P_TESTMODE, 7, TRUE, 100, P_HIGHEST},
};
INSTANTIATE_TEST_SUITE_P(Cases, WriteRuleTest, ::testing::ValuesIn(kWriteCases),
                         [](const ::testing::TestParamInfo<WriteCase>& i) { return std::string(i.param.name); });

TEST_F(DatabaseTest, FirstWriteOfANewOrDeletedKeyIsAlwaysTaken) {
  const FOURCHARID key = FCID("SLNG");
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(key, 3, P_UNOWNED));
  EXPECT_EQ(Priority(key), (U32)P_UNOWNED);
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(key, 4, P_HIGHEST));
  H_DATABASE_vDeleteEntry(key);
  BOOLEAN valid = TRUE;
  EXPECT_FALSE(H_DATABASE_bFetchU32(key, nullptr, &valid));
  EXPECT_FALSE(valid);
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(key, 5, P_UNOWNED));
  U32 value = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(key, &value));
  EXPECT_EQ(value, 5u);
  H_DATABASE_vDeleteEntry(FCID("NONE"));  // unknown key: ignored
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("NONE"), nullptr));
}

TEST_F(DatabaseTest, ValidityFollowsTheMonotonicClock) {
  H_DATABASE_bUpdateEverythingFloat(FCID("IDEP"), 3.5f, P_NORMAL, D_DEPTH, nullptr, 4);
  for (U32 s = 0; s < 6; s++) {
    BOOLEAN valid = 99;
    ASSERT_TRUE(H_DATABASE_bFetch(FCID("IDEP"), nullptr, &valid));
    EXPECT_EQ(valid, s < 4 ? TRUE : FALSE) << "after " << s << " s";
    Seconds(1);
  }
}

// Sets the date: the wall clock jumps, the monotonic clock stays.
static void SetDate(S64 seconds) { PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr) + seconds); }

// Time-outs run on the monotonic clock: setting the date (a GPS fix an hour
// or more away from the unit's clock) neither ends nor stretches them.
TEST_F(DatabaseTest, SettingTheDateDoesNotMoveTimeOuts) {
  const FOURCHARID key = FCID("ILAT");
  H_DATABASE_bUpdateEverythingU32(key, 100, P_NETWORK_GPS, D_POSITION_LAT_MM, nullptr, 4);
  for (S64 jump : {3600LL, -86400LL, 10LL * 365 * 86400, -3600LL}) {
    SetDate(jump);
    BOOLEAN valid = FALSE;
    ASSERT_TRUE(H_DATABASE_bFetch(key, nullptr, &valid)) << jump;
    EXPECT_TRUE(valid) << "date moved by " << jump << " s";
    EXPECT_TRUE(H_DATABASE_bUpdateValueU32(key, 7, P_EXTERNAL_GPS)) << "weaker source refused after " << jump;
  }
  Seconds(3);
  BOOLEAN valid = FALSE;
  H_DATABASE_bFetch(key, nullptr, &valid);
  EXPECT_TRUE(valid);
  Seconds(1);
  H_DATABASE_bFetch(key, nullptr, &valid);
  EXPECT_FALSE(valid) << "4 s on the monotonic clock";
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(key, 7, P_EXTERNAL_GPS)) << "taken once timed out";
  // The iteration reports the same validity.
  SetDate(-7200);
  MULTI_FETCH_CONTROL_STRUCTURE c = {};
  c.cMatch = 'I';
  ASSERT_TRUE(H_DATABASE_bFetchNextBeginningWith(&c));
  EXPECT_TRUE(c.bValid);
}

// ------------------------------------------------------------ attributes and defaults

TEST_F(DatabaseTest, UpdateEverythingAttributes) {
  const FOURCHARID key = FCID("SDEP");
  DB_ATTRIBUTES a;
  // New key: takes the attributes.
  H_DATABASE_bUpdateEverythingFloat(key, 1.0f, P_NORMAL, D_DEPTH, kDepthText, 30);
  H_DATABASE_bFetch(key, nullptr, nullptr, &a);
  EXPECT_EQ(a.DataType, D_DEPTH);
  EXPECT_EQ(a.u32TimeOut, 30u);
  // Accepted with a time-out of 0: the stored time-out stays.
  H_DATABASE_bUpdateEverythingFloat(key, 2.0f, P_NORMAL, D_DISTANCE, nullptr, 0);
  H_DATABASE_bFetch(key, nullptr, nullptr, &a);
  EXPECT_EQ(a.DataType, D_DISTANCE);
  EXPECT_EQ(a.ppcText, nullptr);
  EXPECT_EQ(a.u32TimeOut, 30u);
  // Refused while the key has attributes: nothing changes.
  EXPECT_TRUE(H_DATABASE_bUpdateEverythingFloat(key, 3.0f, P_DEFAULT_SETTING, D_SPEED, kDepthText, 5));
  H_DATABASE_bFetch(key, nullptr, nullptr, &a);
  EXPECT_EQ(a.DataType, D_DISTANCE);
  EXPECT_EQ(a.u32TimeOut, 30u);

  // Refused on a key without attributes (restored by value only): the
  // attributes are taken, the value stays.
  const FOURCHARID restored = FCID("SUDS");
  H_DATABASE_bUpdateValueU32(restored, U_FEET, P_NORMAL);
  EXPECT_TRUE(H_DATABASE_bUpdateEverythingU32(restored, U_METRES, P_DEFAULT_SETTING, D_UNITS, kDepthText,
                                              DB_NO_TIMEOUT));
  U32 value = 0;
  H_DATABASE_bFetchU32(restored, &value, nullptr, &a);
  EXPECT_EQ(value, (U32)U_FEET);
  EXPECT_EQ(a.DataType, D_UNITS);
  EXPECT_EQ(a.ppcText, (DB_TEXT_RECORD)kDepthText);
}

TEST_F(DatabaseTest, ReadOrSetDefault) {
  H_DATABASE_bRegisterForDataWithConditions(FCID("SLNG"), WATCHER, TRUE, TRUE, TRUE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("SBRT"), WATCHER, TRUE, TRUE, TRUE);
  // A key restored from the files keeps its value; the caller gets it.
  H_DATABASE_bUpdateValueU32(FCID("SLNG"), 4, P_NORMAL);
  (void)dbtest::Drain(WATCHER);
  Seconds(10);
  DB_DATA_TYPE v = DB_dataU32(0);
  DB_ATTRIBUTES attr = {D_UNITS, kDepthText, DB_NO_TIMEOUT};
  H_DATABASE_vReadOrSetDefault(FCID("SLNG"), &v, P_DEFAULT_SETTING, &attr);
  EXPECT_EQ(v.u32Val, 4u);
  EXPECT_EQ(Priority(FCID("SLNG")), (U32)P_NORMAL);
  DB_ATTRIBUTES got;
  H_DATABASE_bFetch(FCID("SLNG"), nullptr, nullptr, &got);
  EXPECT_EQ(got.DataType, D_UNITS);
  // A new key stores the default, at the given priority, silently.
  DB_DATA_TYPE d = DB_dataU32(70);
  H_DATABASE_vReadOrSetDefault(FCID("SBRT"), &d, P_DEFAULT_SETTING, &attr);
  U32 value = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SBRT"), &value));
  EXPECT_EQ(value, 70u);
  EXPECT_EQ(Priority(FCID("SBRT")), (U32)P_DEFAULT_SETTING);
  EXPECT_TRUE(dbtest::Drain(WATCHER).empty());
  // No change condition is left behind: an equal write notifies no change watcher.
  H_DATABASE_bRegisterForDataWithConditions(FCID("SBRT"), WATCHER, TRUE, FALSE, FALSE);
  H_DATABASE_bUpdateValueU32(FCID("SBRT"), 70, P_NORMAL);
  EXPECT_TRUE(dbtest::Drain(WATCHER).empty());
}

// ------------------------------------------------------------ formats and units

TEST(DatabaseFormat, DataTypeFormats) {
  struct Case {
    DATA_TYPE type;
    DATA_FORMAT format;
  } cases[] = {{D_UNKNOWN, DF_UNSIGNED32},   {D_UNITS, DF_ENUMERATED},        {D_POINTER, DF_VOID_POINTER},
               {D_TEMPERATURE, DF_FLOAT},    {D_DATETIME, DF_UNSIGNED32},     {D_MAILBOX, DF_UNSIGNED32},
               {D_POSITION_LAT, DF_FLOAT},   {D_POSITION_LAT_MM, DF_SIGNED32}, {D_FCID, DF_UNSIGNED32},
               {D_PERCENT, DF_SIGNED32},     {D_SAT_DATA, DF_UNSIGNED32},     {D_ALTITUDE, DF_FLOAT},
               {D_SIGNED32, DF_SIGNED32},    {D_ELEVATION_ANGLE, DF_SIGNED32}, {D_TEMPERATURE_OFFSET, DF_FLOAT}};
  for (const Case& c : cases) EXPECT_EQ(H_DATABASE_DataType(c.type), c.format) << c.type;
}

TEST(DatabaseFormatDeathTest, KindsWithoutFormatAreFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::filesystem::create_directories(s_install.install);
  for (DATA_TYPE t : {D_POSITION, D_WAYPOINT, D_UNSIGNED32, D_FIXED_POINT, (DATA_TYPE)34}) {
    EXPECT_EXIT(H_DATABASE_DataType(t), ::testing::ExitedWithCode(10), "") << t;
  }
  EXPECT_NE(dbtest::FatalLog().find("Invalid data type"), std::string::npos);
}

TEST_F(DatabaseTest, CurrentUnitsReadTheKindsUnitKey) {
  H_DATABASE_bUpdateValueU32(FCID("YUDP"), U_FATHOMS, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SUDP"), U_FEET, P_NORMAL);  // not the depth key
  H_DATABASE_bUpdateValueU32(FCID("SUTE"), U_FAHRENHEIT, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SUSP"), 99, P_NORMAL);          // no display unit
  H_DATABASE_bUpdateValueU32(FCID("SUPR"), U_MINUTES, P_NORMAL);   // no label
  EXPECT_EQ(H_DATABASE_CurrentUnits(D_DEPTH), U_FATHOMS);
  EXPECT_EQ(H_DATABASE_CurrentUnits(D_TEMPERATURE), U_FAHRENHEIT);
  EXPECT_EQ(H_DATABASE_CurrentUnits(D_TEMPERATURE_OFFSET), U_FAHRENHEIT);
  EXPECT_EQ(H_DATABASE_CurrentUnits(D_DISTANCE), U_NONE);  // SUDS holds nothing
  EXPECT_EQ(H_DATABASE_CurrentUnits(D_VOLTAGE), U_NONE);   // no units key
  // A restored value that is not a unit must not reach the label look-up.
  EXPECT_EQ(H_DATABASE_CurrentUnits(D_SPEED), U_NONE);
  EXPECT_EQ(H_DATABASE_CurrentUnits(D_PRESSURE), U_NONE);
  EXPECT_STREQ(H_DATABASE_pcUnitsString(H_DATABASE_CurrentUnits(D_SPEED), 0), "");
}

TEST(DatabaseUnits, Labels) {
  struct Case {
    UNIT_TYPE units;
    const char* label;
  } cases[] = {{U_NONE, ""},         {U_STAT_MILES, "sm"},     {U_KNOTS, "kts"},      {U_METRES, "m"},
               {U_FEET, "ft"},       {U_FATHOMS, "fthm"},      {U_SECONDS, "seconds"}, {U_INCHESHG, "In.Hg"},
               {U_LITRES, "Liters"}, {U_HECTOPASCALS, "U.S. Gallons"}, {U_CELSIUS, "\xBA" "C"},
               {U_DEG_MAGNETIC, "\xBA" "m"}, {U_NAUT_MILES_M, "nm"}, {U_DEG_GEOMETRIC, "\xBA"}, {U_KPA, "kpa"}};
  for (const Case& c : cases) {
    EXPECT_STREQ(H_DATABASE_pcUnitsString(c.units, 0), c.label) << c.units;
    EXPECT_STREQ(H_DATABASE_pcUnitsString(c.units, 21), c.label) << c.units;
  }
}

TEST(DatabaseUnitsDeathTest, UnknownUnitsAreFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::filesystem::create_directories(s_install.install);
  EXPECT_EXIT(H_DATABASE_pcUnitsString(U_MINUTES, 0), ::testing::ExitedWithCode(10), "");
  EXPECT_EXIT(H_DATABASE_pcUnitsString((UNIT_TYPE)37, 0), ::testing::ExitedWithCode(10), "");
  EXPECT_NE(dbtest::FatalLog().find("Unknown units"), std::string::npos);
}

TEST_F(DatabaseTest, CheckForValidUnitsOnlyOnDomesticModels) {
  const U32 allowed[] = {U_FEET, U_METRES};
  // Default model (international): nothing happens.
  H_DATABASE_vCheckForValidUnits(FCID("SUDS"), allowed, 2, U_FEET);
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("SUDS"), nullptr));
  // Domestic model: a value not allowed (or none) becomes the default.
  H_DATABASE_bUpdateValueU32(FCID("SMDL"), 344, P_NORMAL);
  H_DATABASE_vCheckForValidUnits(FCID("SUDS"), allowed, 2, U_FEET);
  U32 value = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SUDS"), &value));
  EXPECT_EQ(value, (U32)U_FEET);
  H_DATABASE_bUpdateValueU32(FCID("SUDS"), U_METRES, P_NORMAL);
  H_DATABASE_vCheckForValidUnits(FCID("SUDS"), allowed, 2, U_FEET);
  H_DATABASE_bFetchU32(FCID("SUDS"), &value);
  EXPECT_EQ(value, (U32)U_METRES);
  // With no allowed values the default is always written.
  H_DATABASE_vCheckForValidUnits(FCID("SUDS"), allowed, 0, U_FATHOMS);
  H_DATABASE_bFetchU32(FCID("SUDS"), &value);
  EXPECT_EQ(value, (U32)U_FATHOMS);
}

// ------------------------------------------------------------ concurrency

// Threads outside the task table write their own keys and a shared key,
// iterate and register while others write: every accepted write of a
// watched key produces exactly one notice and no write is lost.
TEST_F(DatabaseTest, ConcurrentWritersLoseNothing) {
  PLATFORM_vTestClockDisable();
  constexpr int kThreads = 4;
  constexpr int kWrites = 300;
  for (int t = 0; t < kThreads; t++) {
    H_DATABASE_bRegisterForDataWithConditions(MAKE_FOURCHARID('I', 'C', 'W', (char)('0' + t)), WATCHER, FALSE,
                                              FALSE, TRUE);
  }
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop.load()) {
      MULTI_FETCH_CONTROL_STRUCTURE c = {};
      c.cMatch = 'I';
      while (H_DATABASE_bFetchNextBeginningWith(&c)) {
      }
      (void)dbtest::Drain(WATCHER + 1);
    }
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; t++) {
    writers.emplace_back([t] {
      const FOURCHARID own = MAKE_FOURCHARID('I', 'C', 'W', (char)('0' + t));
      for (int i = 1; i <= kWrites; i++) {
        H_DATABASE_bUpdateValueU32(own, (U32)i, P_NORMAL);
        H_DATABASE_bUpdateValueU32(FCID("ISHR"), (U32)i, P_NORMAL);
        // Short-lived keys created from several threads at once.
        H_DATABASE_bUpdateValueU32(MAKE_FOURCHARID('I', 'N', (char)('A' + t), (char)('A' + i % 26)), 1, P_NORMAL);
        if (i % 50 == 0) H_DATABASE_bRegisterForDataWithConditions(FCID("ISHR"), WATCHER + 1, TRUE, FALSE, FALSE);
        if (i % 75 == 0) H_DATABASE_vUnregisterMailbox(FCID("ISHR"), WATCHER + 1);
      }
    });
  }
  for (std::thread& w : writers) w.join();
  size_t notices = 0;
  std::vector<int> last(kThreads, 0);
  auto take = [&] {
    for (const dbtest::Notice& n : dbtest::Drain(WATCHER)) {
      int t = (int)((n.key >> 24) - '0');
      ASSERT_TRUE(t >= 0 && t < kThreads);
      EXPECT_EQ((int)n.value, last[t] + 1) << "notices of one key arrive in write order";
      last[t] = (int)n.value;
      notices++;
    }
  };
  take();
  stop.store(true);
  reader.join();
  (void)dbtest::Drain(WATCHER + 1);
  EXPECT_EQ(notices, (size_t)(kThreads * kWrites));
  for (int t = 0; t < kThreads; t++) {
    U32 value = 0;
    EXPECT_TRUE(H_DATABASE_bFetchU32(MAKE_FOURCHARID('I', 'C', 'W', (char)('0' + t)), &value));
    EXPECT_EQ(value, (U32)kWrites);
  }
  int created = 0;
  MULTI_FETCH_CONTROL_STRUCTURE c = {};
  c.cMatch = 'I';
  while (H_DATABASE_bFetchNextBeginningWith(&c)) created += ((c.id >> 8) & 0xFF) == 'N';
  EXPECT_EQ(created, kThreads * 26);
}

// Fetches take no lock and must never see half a write: each write below
// sets a value and attributes derived from it in one update, and readers
// check that what they get belongs together, that a key's values never go
// back, and that keys appearing and being deleted meanwhile are reported
// whole or not at all.
TEST_F(DatabaseTest, FetchesSeeWholeWritesWhileWritersRun) {
  PLATFORM_vTestClockDisable();
  static const char* const kTextA[22] = {"A"};
  static const char* const kTextB[22] = {"B"};
  constexpr int kWriters = 3;
  constexpr int kReaders = 4;
  constexpr U32 kWrites = 3000;
  auto keyOf = [](int t) { return MAKE_FOURCHARID('I', 'F', 'W', (char)('0' + t)); };
  auto typeOf = [](U32 v) { return (v % 3 == 0) ? D_SPEED : D_DEPTH; };
  auto textOf = [&](U32 v) { return (v % 2 == 0) ? (DB_TEXT_RECORD)kTextA : (DB_TEXT_RECORD)kTextB; };
  std::atomic<int> writersDone{0};
  std::atomic<long> checked{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kWriters; t++) {
    threads.emplace_back([&, t] {
      for (U32 v = 1; v <= kWrites; v++) {
        H_DATABASE_bUpdateEverythingU32(keyOf(t), v, P_NORMAL, typeOf(v), textOf(v), 100000 + v);
        // Keys that appear while readers look, and one that comes and goes.
        if (v % 10 == 0) {
          const FOURCHARID fresh = MAKE_FOURCHARID('I', 'A', (char)('A' + t), (char)('A' + v / 10 % 26));
          H_DATABASE_bUpdateValueU32(fresh, v, P_NORMAL);
        }
        if (t == 0 && v % 7 == 0) H_DATABASE_vDeleteEntry(keyOf(0));
      }
      writersDone.fetch_add(1);
    });
  }
  for (int r = 0; r < kReaders; r++) {
    threads.emplace_back([&, r] {
      std::vector<U32> last(kWriters, 0);
      // At least one whole pass, however late this reader starts.
      bool more = true;
      while (more) {
        more = writersDone.load() < kWriters;
        for (int t = 0; t < kWriters; t++) {
          U32 value = 0;
          BOOLEAN valid = FALSE;
          DB_ATTRIBUTES a = {D_UNKNOWN, nullptr, 0};
          if (!H_DATABASE_bFetchU32(keyOf(t), &value, &valid, &a)) {
            ASSERT_FALSE(valid);
            continue;
          }
          ASSERT_EQ(a.u32TimeOut, 100000 + value) << "reader " << r;
          ASSERT_EQ(a.DataType, typeOf(value));
          ASSERT_EQ(a.ppcText, textOf(value));
          ASSERT_TRUE(valid);
          ASSERT_GE(value, last[t]) << "key " << t << " went back";
          last[t] = value;
          checked.fetch_add(1, std::memory_order_relaxed);
        }
        MULTI_FETCH_CONTROL_STRUCTURE c = {};
        c.cMatch = 'I';
        while (H_DATABASE_bFetchNextBeginningWith(&c)) {
          if (((c.id >> 8) & 0xFF) == 'F') {
            ASSERT_EQ(c.extras.u32TimeOut, 100000 + c.data.u32Val);
          }
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_GT(checked.load(), 0);
  for (int t = 0; t < kWriters; t++) {
    U32 value = 0;
    EXPECT_TRUE(H_DATABASE_bFetchU32(keyOf(t), &value));
    EXPECT_EQ(value, kWrites);
  }
}

// Mutex 1 held from outside (a task that must not be stopped inside the
// database, or that reads several keys as one) keeps every writer out until
// it is released; fetches go on and see the values as they stand.
TEST_F(DatabaseTest, HoldingTheDatabaseMutexStopsWritersNotReaders) {
  PLATFORM_vTestClockDisable();
  const FOURCHARID key = FCID("IHLD");
  H_DATABASE_bUpdateValueU32(key, 1, P_NORMAL);
  ASSERT_EQ(L_MUTEX_LockWait(RES_DATABASE), lsSUCCESS);
  // The holder may use the database itself (nested).
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(key, 2, P_NORMAL));
  std::atomic<int> stage{0};
  std::atomic<U32> seen{0};
  std::thread other([&] {
    U32 value = 0;
    H_DATABASE_bFetchU32(key, &value);
    MULTI_FETCH_CONTROL_STRUCTURE c = {};
    c.cMatch = 'I';
    while (H_DATABASE_bFetchNextBeginningWith(&c)) {
    }
    seen.store(value);
    stage.store(1);
    H_DATABASE_bUpdateValueU32(key, 3, P_NORMAL);
    stage.store(2);
  });
  EXPECT_TRUE(WaitFor([&] { return stage.load() >= 1; })) << "a fetch waited for the mutex";
  EXPECT_EQ(seen.load(), 2u);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(stage.load(), 1) << "a write passed the held mutex";
  U32 value = 0;
  H_DATABASE_bFetchU32(key, &value);
  EXPECT_EQ(value, 2u);
  ASSERT_EQ(L_MUTEX_Unlock(RES_DATABASE), lsSUCCESS);
  EXPECT_TRUE(WaitFor([&] { return stage.load() == 2; }));
  other.join();
  H_DATABASE_bFetchU32(key, &value);
  EXPECT_EQ(value, 3u);
}

}  // namespace
