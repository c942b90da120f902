#include "import/DefaultKeyTree.h"

#include "foundation/QALConfiguration.h"

namespace DefaultKeyTree {

std::string DefaultDateText(core::Date d) { return core::Format(d, "mm-dd-yyyy HH:nn:ss"); }

void DefineStartupKeys(QALConfiguration& config, const std::string& title, core::Date now) {
  const core::Date yesterdayMidnight(now.DatePart().Serial() - 1);
  const core::Date dayAgo(now.Serial() - 1);

  config.DefineTree("OPTIONS", "");
  config.DefineTree("OPTIONS\\INSTANCE_SERVICE_NAME", title);
  config.DefineTree("OPTIONS\\REFRESH_STATUS_SECONDS", "1");
  config.DefineTree("OPTIONS\\REFRESH_LOG_SECONDS", "2");
  config.DefineTree("OPTIONS\\REFRESH_LOGSIZE", "4096");
  config.DefineTree("OPTIONS\\LOG_VERBOSITY", "0");
  config.DefineTree("OPTIONS\\KEEP_LOGS_FOR", "30");
  config.DefineTree("OPTIONS\\ENCRYPT_PROTECT_CONFIG", "NO");
  config.DefineTree("OPTIONS\\PASSWORD_PROTECT_CONFIG", "NO");
  config.DefineTree("OPTIONS\\PASSWORD_PROTECT_CONFIG_PASSWORD", "58031");
  config.DefineTree("OPTIONS\\PASSWORD_PROTECT_INTERACTIVE_IMPORT", "NO");
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT", "");
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE", "");
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\DAILY", "YES");
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\DAILY_HOUR", "0");
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\DAILY_MINUTE", "1");
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\HOURLY", "NO");
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\HOURLY_MINUTE", "1");
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\MINUTELY", "NO");
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\MINUTELY_MINUTE", "10");
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT\\SUBMIT_CALC_REQUEST", "YES");
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT\\REAL_OPERATION_MODE", "YES");
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN", DefaultDateText(yesterdayMidnight));
  config.DefineTree("OPTIONS\\AUTOMATED_IMPORT\\STARTDATE_SHIFT_MINUTE", "0");
  config.DefineTree("OPTIONS\\PERFORMANCE\\THROTTLE", "FALSE");
  config.DefineTree("OPTIONS\\PERFORMANCE\\POLL_WAIT", "500");
  config.DefineTree("OPTIONS\\PERFORMANCE\\MSG_BEFORE", "TRUE");
  config.DefineTree("OPTIONS\\PERFORMANCE\\MSG_AFTER", "TRUE");
  config.DefineTree("OPTIONS\\NOIU\\ASKFORDATES\\HIDE_UI", "FALSE");
  config.DefineTree("OPTIONS\\NOIU\\ASKFORDATES\\FIX_STARTDATE", DefaultDateText(dayAgo));
  config.DefineTree("OPTIONS\\NOIU\\ASKFORDATES\\FIX_ENDDATE", DefaultDateText(now));
  config.DefineTree("OPTIONS\\NOIU\\LIMITFACILITY", "");
  config.DefineTree("SOURCE", "");
  config.DefineTree("SOURCE\\RECOVERY", "");
  config.DefineTree("SOURCE\\RECOVERY\\ATTEMPTS", "6");
  config.DefineTree("SOURCE\\RECOVERY\\SECONDS", "10");
  config.DefineTree("SOURCE\\STATICCOMMONIMPORT", "FALSE");
  config.DefineTree("SOURCE\\CACHE", "");
  config.DefineTree("SOURCE\\CACHE\\ENABLED", "TRUE");
  config.DefineTree("SOURCE\\CACHE\\LIMIT_BY_DATAPOINTS", "TRUE");
  config.DefineTree("SOURCE\\CACHE\\LIMIT_BY_DAYS", "TRUE");
  config.DefineTree("SOURCE\\CACHE\\LIMIT_BY_BYTES", "TRUE");
  config.DefineTree("SOURCE\\CACHE\\LIMIT_BY_DATAPOINTS_SETPOINT", "60480");
  config.DefineTree("SOURCE\\CACHE\\LIMIT_BY_DAYS_SETPOINT", "14");
  config.DefineTree("SOURCE\\CACHE\\LIMIT_BY_BYTES_SETPOINT", "483840");
  config.DefineTree("TARGET", "");
  config.DefineTree("TARGET\\RECOVERY", "");
  config.DefineTree("TARGET\\RECOVERY\\ATTEMPTS", "6");
  config.DefineTree("TARGET\\RECOVERY\\SECONDS", "10");
  config.DefineTree("VORNKRYM", "");
  config.DefineTree("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "2");
  config.DefineTree("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "SQLNCLI");
  config.DefineTree("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE", "type_in_name_of_your_datasource");
  config.DefineTree("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", "");
  config.DefineTree("VORNKRYM\\VORNKRYM_CONNECTION_TIMEOUT", "15");
  config.DefineTree("VORNKRYM\\VORNKRYM_CONNECTION_COMMAND_TIMEOUT", "30");
  config.DefineTree("VORNKRYM\\G2_SERVER_INTERFACE_ID", "0");
  config.DefineTree("VORNKRYM\\G2_INDIRECT_TYPE", "FALSE");
}

}  // namespace DefaultKeyTree
