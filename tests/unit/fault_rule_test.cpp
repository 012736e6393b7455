#include "protocol/fault_rule.h"

#include <gtest/gtest.h>

namespace v7400 {
namespace {

TEST(FaultRuleTest, ValidRulesParseAndReadBackCanonically) {
  const std::pair<const char*, const char*> cases[] = {
      // text, canonical text
      {"nack:every=5", "nack:every=5"},
      {"delay=2500:line=7", "delay=2500:line=07"},
      {"drop:p=0.1", "drop:p=0.1"},
      {"wrong-sequence=0021", "wrong-sequence"},
      {"wrong-sequence=1234:sequence=0007", "wrong-sequence=1234:sequence=0007"},
      {"garbage=3:first=2:after=1", "garbage=3:first=2:after=1"},
      {"split:line=01,32", "split:line=01,32"},
      {"duplicate:p=0.25:every=2", "duplicate:every=2:p=0.25"},
      {"delay=uniform:200..800:line=7", "delay=uniform:200..800:line=07"},
      {"delay=lognormal:300:0.50:every=2", "delay=lognormal:300:0.5:every=2"},
      {"delay=300~50:p=0.5", "delay=300~50:p=0.5"},
  };
  for (const auto& [text, canonical] : cases) {
    std::string error;
    const auto rule = ParseFaultRule(text, error);
    ASSERT_TRUE(rule) << text << ": " << error;
    EXPECT_EQ(ToString(*rule), canonical);
    EXPECT_EQ(ParseFaultRule(ToString(*rule), error), rule) << text;
  }
}

TEST(FaultRuleTest, MalformedRulesSayWhatIsWrong) {
  const std::pair<const char*, const char*> cases[] = {
      // text, start of the error
      {"", "empty rule"},
      {"nak", "unknown fault \"nak\" (known: nack, drop, delay=MS"},
      {"delay", "delay needs a value"},
      {"delay=60001", "a delay over 60 s"},
      {"delay=-1", "delay must be a whole number from 0 to 60000"},
      {"delay=uniform", "uniform needs LOW..HIGH"},
      {"delay=uniform:line=07", "uniform needs LOW..HIGH"},
      {"delay=uniform:800..200", "uniform needs LOW <= HIGH"},
      {"delay=uniform:0..60001", "a delay over 60 s"},
      {"delay=lognormal:300", "lognormal needs MEDIAN:SIGMA"},
      {"delay=lognormal:0:0.5", "lognormal MEDIAN must be a whole number from 1 to 60000"},
      {"delay=lognormal:300:-0.5", "lognormal SIGMA must be a number from 0 up"},
      {"delay=lognormal:300:inf", "lognormal SIGMA must be a number from 0 up"},
      {"delay=300~", "jitter must be a whole number from 0 to 60000"},
      {"nack=3", "nack takes no value"},
      {"wrong-sequence=12", "wrong-sequence must be four digits"},
      {"drop:p=1.5", "p must be a probability from 0 to 1"},
      {"nack:every=0", "every must be a whole number from 1"},
      {"nack:every=5:every=6", "selector every given twice"},
      {"nack:line=33", "line must be a whole number from 1 to 32"},
      {"nack:sequence=12a4", "sequence must be four digits"},
      {"nack:often", "selector \"often\" needs a value"},
      {"nack:often=2", "unknown selector \"often\""},
  };
  for (const auto& [text, expected] : cases) {
    std::string error;
    EXPECT_FALSE(ParseFaultRule(text, error)) << text;
    EXPECT_EQ(error.rfind(expected, 0), 0U) << text << " gave: " << error;
  }
}

TEST(FaultRuleTest, The4100FormatTakesOnlyOneByteFaults) {
  std::string error;
  for (const char* text :
       {"bad-crc", "wrong-sequence", "split", "nack:line=01", "nack:sequence=0001"}) {
    EXPECT_NE(FormatProblem(*ParseFaultRule(text, error), AutomationFormat::k4100), "") << text;
  }
  for (const char* text :
       {"garbage=2:every=3", "delay=uniform:1..9", "delay=lognormal:300:0.5", "delay=300~50"}) {
    EXPECT_EQ(FormatProblem(*ParseFaultRule(text, error), AutomationFormat::k4100), "") << text;
  }
}

TEST(FaultRuleTest, OutagesAndSeeds) {
  std::string error;
  EXPECT_EQ(ParseOutage("30@after=100", error), (OutagePlan{30, 100}));
  EXPECT_EQ(ParseOutage("2.5", error), (OutagePlan{2.5, 0}));
  EXPECT_EQ(ToString(*ParseOutage("3@after=0", error)), "3");
  EXPECT_EQ(ToString(OutagePlan{30, 100}), "30@after=100");
  for (const char* bad : {"", "0", "-3", "x", "3@", "3@after=", "3@before=2", "86401"}) {
    EXPECT_FALSE(ParseOutage(bad, error)) << bad;
  }
  EXPECT_EQ(ParseSeed("18446744073709551615", error), 18446744073709551615ULL);
  EXPECT_FALSE(ParseSeed("18446744073709551616", error));
  EXPECT_FALSE(ParseSeed("-1", error));
}

}  // namespace
}  // namespace v7400
