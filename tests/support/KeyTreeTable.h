#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// The program's whole key tree as start-up declares it, in declaration order,
// for a start on 8 December 2026 at 14:05:09 (the dates start-up computes from
// its clock). kTitle stands for the program's title, the default service name.
struct KeyDefault {
  const char* key;
  const char* value;
};

inline constexpr const char* kTitle = "<title>";

inline const std::vector<KeyDefault>& ProgramKeyTree() {
  static const std::vector<KeyDefault> keys = {
      {"OPTIONS", ""},
      {"OPTIONS\\INSTANCE_SERVICE_NAME", kTitle},
      {"OPTIONS\\REFRESH_STATUS_SECONDS", "1"},
      {"OPTIONS\\REFRESH_LOG_SECONDS", "2"},
      {"OPTIONS\\REFRESH_LOGSIZE", "4096"},
      {"OPTIONS\\LOG_VERBOSITY", "0"},
      {"OPTIONS\\KEEP_LOGS_FOR", "30"},
      {"OPTIONS\\ENCRYPT_PROTECT_CONFIG", "NO"},
      {"OPTIONS\\PASSWORD_PROTECT_CONFIG", "NO"},
      {"OPTIONS\\PASSWORD_PROTECT_CONFIG_PASSWORD", "58031"},
      {"OPTIONS\\PASSWORD_PROTECT_INTERACTIVE_IMPORT", "NO"},
      {"OPTIONS\\AUTOMATED_IMPORT", ""},
      {"OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE", ""},
      {"OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\DAILY", "YES"},
      {"OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\DAILY_HOUR", "0"},
      {"OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\DAILY_MINUTE", "1"},
      {"OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\HOURLY", "NO"},
      {"OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\HOURLY_MINUTE", "1"},
      {"OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\MINUTELY", "NO"},
      {"OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\MINUTELY_MINUTE", "10"},
      {"OPTIONS\\AUTOMATED_IMPORT\\SUBMIT_CALC_REQUEST", "YES"},
      {"OPTIONS\\AUTOMATED_IMPORT\\REAL_OPERATION_MODE", "YES"},
      {"OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN", "12-07-2026 00:00:00"},
      {"OPTIONS\\AUTOMATED_IMPORT\\STARTDATE_SHIFT_MINUTE", "0"},
      {"OPTIONS\\PERFORMANCE\\THROTTLE", "FALSE"},
      {"OPTIONS\\PERFORMANCE\\POLL_WAIT", "500"},
      {"OPTIONS\\PERFORMANCE\\MSG_BEFORE", "TRUE"},
      {"OPTIONS\\PERFORMANCE\\MSG_AFTER", "TRUE"},
      {"OPTIONS\\NOIU\\ASKFORDATES\\HIDE_UI", "FALSE"},
      {"OPTIONS\\NOIU\\ASKFORDATES\\FIX_STARTDATE", "12-07-2026 14:05:09"},
      {"OPTIONS\\NOIU\\ASKFORDATES\\FIX_ENDDATE", "12-08-2026 14:05:09"},
      {"OPTIONS\\NOIU\\LIMITFACILITY", ""},
      {"SOURCE", ""},
      {"SOURCE\\RECOVERY", ""},
      {"SOURCE\\RECOVERY\\ATTEMPTS", "6"},
      {"SOURCE\\RECOVERY\\SECONDS", "10"},
      {"SOURCE\\STATICCOMMONIMPORT", "FALSE"},
      {"SOURCE\\CACHE", ""},
      {"SOURCE\\CACHE\\ENABLED", "TRUE"},
      {"SOURCE\\CACHE\\LIMIT_BY_DATAPOINTS", "TRUE"},
      {"SOURCE\\CACHE\\LIMIT_BY_DAYS", "TRUE"},
      {"SOURCE\\CACHE\\LIMIT_BY_BYTES", "TRUE"},
      {"SOURCE\\CACHE\\LIMIT_BY_DATAPOINTS_SETPOINT", "60480"},
      {"SOURCE\\CACHE\\LIMIT_BY_DAYS_SETPOINT", "14"},
      {"SOURCE\\CACHE\\LIMIT_BY_BYTES_SETPOINT", "483840"},
      {"TARGET", ""},
      {"TARGET\\RECOVERY", ""},
      {"TARGET\\RECOVERY\\ATTEMPTS", "6"},
      {"TARGET\\RECOVERY\\SECONDS", "10"},
      {"VORNKRYM", ""},
      {"VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "2"},
      {"VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "SQLNCLI"},
      {"VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE", "type_in_name_of_your_datasource"},
      {"VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", ""},
      {"VORNKRYM\\VORNKRYM_CONNECTION_TIMEOUT", "15"},
      {"VORNKRYM\\VORNKRYM_CONNECTION_COMMAND_TIMEOUT", "30"},
      {"VORNKRYM\\G2_SERVER_INTERFACE_ID", "0"},
      {"VORNKRYM\\G2_INDIRECT_TYPE", "FALSE"},
      {"TARGET\\COMMENTWRITER\\ENABLED", "TRUE"},
      {"K30418", ""},
      {"K30418\\SourceProvider", "Microsoft.Jet.OLEDB.4.0"},
      {"K30418\\SourceDB", ""},
      {"K30418\\SourceDS", ""},
      {"K30418\\SourceUserID", ""},
      {"K30418\\SourcePassword", ""},
      {"K30418\\SourceCmdTimeout", "30"},
      {"K30418\\SourceCnnTimeout", "15"},
      {"K30418\\SourceCustomization", ""},
      {"K30418\\SourceDBType", "3"},
      {"K30418\\AddNotesToLogbook", "FALSE"},
      {"K30418\\LogbookId", "0"},
  };
  return keys;
}

// The tree with the title filled in; keys upper-cased as the store keeps them
// when upperCase is set.
inline std::vector<std::pair<std::string, std::string>> ProgramKeyTree(const std::string& title, bool upperCase) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& k : ProgramKeyTree()) {
    std::string key = k.key;
    if (upperCase)
      for (char& c : key) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    out.emplace_back(key, std::string(k.value) == kTitle ? title : k.value);
  }
  return out;
}

}  // namespace testsupport
