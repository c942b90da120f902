// Settings that hold numbers and dates, read through the one reader that names the key and
// the value it holds when the text is not what the key should hold; passwords kept out of
// log lines.
#include <gtest/gtest.h>

#include <functional>

#include "core/Date.h"
#include "core/RuntimeError.h"
#include "foundation/CommonGlobalsSettings.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/SecretSettings.h"

namespace {

class SettingRead : public ::testing::Test {
 protected:
  SettingRead() : scope_(ctx_) {
    for (const char* key : {"K30418\\LogbookId", "SOURCE\\RECOVERY\\SECONDS", "OPTIONS\\LOG_VERBOSITY",
                            "OPTIONS\\KEEP_LOGS_FOR", "OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN"})
      config_.DefineTree(key, "0");
    ctx_.config = &config_;
  }

  // The error a read raises, or number 0 when it raises none.
  static core::RuntimeError ErrorOf(const std::function<void()>& read) {
    try {
      read();
    } catch (const core::RuntimeError& e) {
      return e;
    }
    return core::RuntimeError(0, "");
  }

  QALConfiguration config_;
  ProgramContext ctx_;
  ProgramScope scope_;
};

}  // namespace

TEST_F(SettingRead, TextsThatAreNoNumberOrDateNameTheKeyAndTheValue) {
  using CommonGlobals::DateSetting;
  using CommonGlobals::IntegerSetting;
  using CommonGlobals::LongSetting;
  const struct {
    const char* key;
    std::string stored;
    std::function<void()> read;
    int number;
    std::string description;
  } cases[] = {
      {"K30418\\LogbookId", "abc", [] { LongSetting("K30418\\LogbookId"); }, 13,
       "Type mismatch: the setting K30418\\LOGBOOKID holds 'abc'"},
      {"K30418\\LogbookId", "", [] { LongSetting("K30418\\LogbookId"); }, 13,
       "Type mismatch: the setting K30418\\LOGBOOKID holds ''"},
      {"K30418\\LogbookId", "0x3ED", [] { LongSetting("k30418\\logbookid"); }, 13,
       "Type mismatch: the setting K30418\\LOGBOOKID holds '0x3ED'"},
      {"SOURCE\\RECOVERY\\SECONDS", "99999999999", [] { LongSetting("SOURCE\\RECOVERY\\SECONDS"); }, 6,
       "Overflow: the setting SOURCE\\RECOVERY\\SECONDS holds '99999999999'"},
      {"SOURCE\\RECOVERY\\SECONDS", "40000", [] { IntegerSetting("SOURCE\\RECOVERY\\SECONDS"); }, 6,
       "Overflow: the setting SOURCE\\RECOVERY\\SECONDS holds '40000'"},
      {"OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN", "yesterday",
       [] { DateSetting("OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN"); }, 13,
       "Type mismatch: the setting OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN holds 'yesterday'"},
      // A hand-edited value can never add lines of its own to the log, nor fill it.
      {"K30418\\LogbookId", "7\r\n08:00:00 : Import was successful.", [] { LongSetting("K30418\\LogbookId"); }, 13,
       "Type mismatch: the setting K30418\\LOGBOOKID holds '7??08:00:00 : Import was successful.'"},
      {"K30418\\LogbookId", std::string(500, 'x'), [] { LongSetting("K30418\\LogbookId"); }, 13,
       "Type mismatch: the setting K30418\\LOGBOOKID holds '" + std::string(80, 'x') + "...'"},
  };
  for (const auto& c : cases) {
    config_.item(c.key, c.stored);
    const core::RuntimeError e = ErrorOf(c.read);
    EXPECT_EQ(e.Number(), c.number) << c.stored;
    EXPECT_EQ(e.Description(), c.description);
  }
}

TEST_F(SettingRead, UsableTextsAreReadAsBefore) {
  config_.item("K30418\\LogbookId", " 2.5 ");
  EXPECT_EQ(CommonGlobals::LongSetting("K30418\\LogbookId"), 2);
  config_.item("K30418\\LogbookId", "1,005");
  EXPECT_EQ(CommonGlobals::IntegerSetting("K30418\\LogbookId"), 1005);
  config_.item("OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN", "12-07-2026 00:00:00");
  EXPECT_EQ(CommonGlobals::DateSetting("OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN"),
            core::Date::FromParts(2026, 12, 7, 0, 0, 0));
  // An undeclared key is still the store's own error.
  EXPECT_EQ(ErrorOf([] { CommonGlobals::LongSetting("K30418\\NOSUCHKEY"); }).Number(), 10781);
  ctx_.config = nullptr;
  EXPECT_EQ(ErrorOf([] { CommonGlobals::LongSetting("K30418\\LogbookId"); }).Number(), 91);
}

TEST_F(SettingRead, VerbosityAndRetentionAreClampedAndWrittenBack) {
  const struct {
    const char* stored;
    int verbosity, retention;
  } cases[] = {{"12", 9, 12}, {"-1", 0, 7},      {"-3", 0, 7}, {"abc", 0, 30},     {"2.5", 2, 7},
               {"3.5", 4, 7}, {"5000", 9, 1000}, {"", 0, 30},  {"99999", 9, 1000}, {"-99999", 0, 7}};
  for (const auto& c : cases) {
    config_.item("OPTIONS\\LOG_VERBOSITY", c.stored);
    config_.item("OPTIONS\\KEEP_LOGS_FOR", c.stored);
    EXPECT_EQ(CommonGlobals::LogVerbositySetting(), c.verbosity) << c.stored;
    EXPECT_EQ(CommonGlobals::ClampedSetting("OPTIONS\\KEEP_LOGS_FOR", 7, 1000, 30), c.retention) << c.stored;
    EXPECT_EQ(config_.item("OPTIONS\\LOG_VERBOSITY"), std::to_string(c.verbosity)) << c.stored;
    EXPECT_EQ(config_.item("OPTIONS\\KEEP_LOGS_FOR"), std::to_string(c.retention)) << c.stored;
  }
}

// Setting values as a log line shows them.
const struct SecretCase {
  const char* key;
  std::string value;
  std::string shown;
} kSecretCases[] = {
    {"K30418\\SOURCEPASSWORD", "s3cret;x", "********"},
    {"OPTIONS\\PASSWORD_PROTECT_CONFIG_PASSWORD", "58031", "********"},
    {"K30418\\SOURCEPASSWORD", "", ""},  // unset, and seen to be
    {"OPTIONS\\PASSWORD_PROTECT_CONFIG", "YES", "YES"},
    {"OPTIONS\\PASSWORD_PROTECT_INTERACTIVE_IMPORT", "NO", "NO"},
    {"K30418\\SOURCEUSERID", "qaldba", "qaldba"},
    {"K30418\\SOURCECUSTOMIZATION", "Port=5432;PWD=hunter2;", "Port=5432;PWD=********;"},
    {"K30418\\SOURCECUSTOMIZATION", "Port=5432; password = \"a;\"\"b\" ;sslmode=require;",
     "Port=5432; password =********;sslmode=require;"},
    {"K30418\\SOURCECUSTOMIZATION", "PWD={x;}}y};Port=1", "PWD=********;Port=1"},
    {"K30418\\SOURCECUSTOMIZATION", "Port=1;Password='unclosed;x=1", "Port=1;Password=********"},
    {"K30418\\SOURCECUSTOMIZATION", "Port=1;Password=;PWD= ;", "Port=1;Password=;PWD= ;"},
    {"K30418\\SOURCECUSTOMIZATION", "Port=5432;", "Port=5432;"},
    {"K30418\\SOURCEPROVIDER", "Microsoft.Jet.OLEDB.4.0", "Microsoft.Jet.OLEDB.4.0"},
};

TEST(SecretSettings, PasswordKeysAndPasswordPairsAreMasked) {
  for (const auto& c : kSecretCases) EXPECT_EQ(CommonGlobals::ShownSettingValue(c.key, c.value), c.shown) << c.key;
  // A connection string keeps every other pair as it was written.
  EXPECT_EQ(CommonGlobals::MaskedPasswords("Provider=SQLNCLI;Data Source=db;User ID=QALDBA;Password=k3y!;OLE DB "
                                           "Services =-2;Application Name=30418;"),
            "Provider=SQLNCLI;Data Source=db;User ID=QALDBA;Password=********;OLE DB Services =-2;Application "
            "Name=30418;");
}
