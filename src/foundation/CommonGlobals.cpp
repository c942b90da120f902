#include "foundation/CommonGlobals.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/ActivityList.h"
#include "platform/ui/ConfigPasswordPrompt.h"

namespace CommonGlobals {

void ShowStatus(const std::string& text, std::int16_t level) {
  ProgramContext& ctx = Program();
  const std::int16_t verbosity = ctx.logger ? ctx.logger->Verbosity() : 0;
  if (!ctx.isNTService && level <= verbosity) {
    if (platform::ui::ActivityList* list = ctx.ui.activityList) {
      if (list->Count() > kActivityListHardLimit) ClearActivityLog();
      // One line of the list, whatever the text holds (the log does the same with it).
      list->AddItem(core::SafeLine(text));
      list->SelectLast();
      // The list is a view of recent progress, not the record: the log keeps
      // every line, so emptying it bounds the window's memory and lost nothing.
      if (list->Count() > kActivityListLimit) ClearActivityLog();
    }
  }
  if (ctx.logger) ctx.logger->WriteLog(text, level);
}

void ShowAlert(const std::string& text) {
  ShowStatus(text, 0);
  if (QALLoggerTXT* log = Program().logger) log->JournalWhileFailing(text);
}

void ClearActivityLog() {
  if (platform::ui::ActivityList* list = Program().ui.activityList) list->Clear();
}

void SetHelpFilePath() {
  platform::os::AppIdentity& app = Program().app;
  const std::string folder = core::Trim(app.Path);
  if (folder.empty())
    app.HelpFile = "help";
  else if (folder.back() == '/')
    app.HelpFile = folder + "help";
  else
    app.HelpFile = folder + "/help";
}

void ShowHtmlHelpTopic(const std::string& topic) { ::ShowHelpPage(Program().app.HelpFile, topic); }

void ShowHelpTopic(const std::string& topic) { ShowHtmlHelpTopic(topic); }

namespace {

// Rounds the decimal digits of a finite, non-zero magnitude half away from zero.
double RoundDecimalText(double magnitude, std::int32_t decimals) {
  // Shortest text that reads back as the same double: "2.675e+00".
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
  const std::string text(buf, res.ptr);
  const std::size_t e = text.find('e');
  std::string digits = text.substr(0, e);
  if (digits.size() > 1) digits.erase(1, 1);  // drop the decimal point
  const long long exponent = std::strtoll(text.c_str() + e + 1, nullptr, 10);

  // value = 0.d1d2d3... x 10^point; keep the first `keep` digits.
  long long point = exponent + 1;
  const long long keep = point + static_cast<long long>(decimals);
  if (keep >= static_cast<long long>(digits.size())) return magnitude;  // nothing beyond the decimals
  if (keep < 0) return 0.0;

  const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
  std::string kept = digits.substr(0, static_cast<std::size_t>(keep));
  if (up) {
    std::size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i == 0)
      kept.insert(kept.begin(), '1');
    else
      ++kept[i - 1];
  }
  if (kept.empty()) return 0.0;
  // kept x 10^(point - keep), read back in one conversion so it is the double
  // nearest to the decimal result.
  const std::string rounded = kept + "e" + std::to_string(point - keep);
  return std::strtod(rounded.c_str(), nullptr);
}

}  // namespace

double RoundValue(double value, std::int32_t decimals) {
  if (!std::isfinite(value) || value == 0.0) return value == 0.0 ? 0.0 : value;
  const double magnitude = RoundDecimalText(std::fabs(value), decimals);
  if (magnitude == 0.0) return 0.0;
  return value < 0 ? -magnitude : magnitude;
}

namespace {

void LogLine(const std::string& text, int level) {
  if (QALLoggerTXT* logger = Program().logger) logger->WriteLog(text, level);
}

}  // namespace

bool SaveConfiguration() {
  ProgramContext& ctx = Program();
  QALConfiguration* config = ctx.config;
  if (!config) {
    LogLine("SaveConfiguration: there is no configuration to save.", 0);
    return false;
  }
  if (!config->ChangeWasMade()) return true;
  try {
    config->EncryptData(core::UCase(config->item("OPTIONS\\ENCRYPT_PROTECT_CONFIG")) == "YES");
    if (config->item("OPTIONS\\PASSWORD_PROTECT_CONFIG") == "YES") {
      // Without a window to ask in, a protected configuration stays unsaved.
      if (!ctx.ui.configPassword) {
        LogLine("SaveConfiguration: the configuration is password protected and no password can be asked.", 0);
        return false;
      }
      if (!ctx.ui.configPassword->AskForConfigPassword()) return false;
    }
  } catch (const core::RuntimeError& e) {
    LogLine("SaveConfiguration: " + core::OutsideText(e.Description()), 0);
    return false;
  }
  if (!config->SaveConfig()) return false;
  ShowStatus("Configuration saved to " + config->path(), 0);
  return true;
}

namespace {

// A table name, optionally schema-qualified: letters, digits and underscores, not
// starting with a digit. Anything else could carry SQL of its own.
bool IsPlainTableName(const std::string& table) {
  if (table.empty()) return false;
  bool partStart = true;
  for (char c : table) {
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    const bool digit = c >= '0' && c <= '9';
    if (c == '.') {
      if (partStart) return false;
      partStart = true;
      continue;
    }
    if (!letter && !(digit && !partStart)) return false;
    partStart = false;
  }
  return !partStart;
}

}  // namespace

core::Value ReadSettingValue(const std::string& table, const std::string& key) {
  platform::db::Connection* cnn = Program().vornKrymCnn;
  if (!cnn) {
    LogLine("ReadSettingValue: there is no Krym root connection to read " + table + " on.", 0);
    return core::Value::MakeNull();
  }
  return ReadSettingValue(*cnn, table, key);
}

core::Value ReadSettingValue(platform::db::Connection& cnn, const std::string& table, const std::string& key) {
  if (!IsPlainTableName(table)) {
    LogLine("ReadSettingValue: '" + table + "' is not a table name.", 0);
    return core::Value::MakeNull();
  }
  try {
    // The key travels as a parameter, so a key holding quotes finds its own row
    // and nothing else.
    platform::db::Command cmd;
    cmd.ActiveConnection(cnn);
    cmd.CommandType(platform::db::adCmdText);
    cmd.CommandText("SELECT * FROM " + table + " WHERE KEYVALUE=?");
    cmd.CreateParameter("KEYVALUE", platform::db::adVarChar, platform::db::adParamInput, 0, core::Value(key));
    platform::db::Recordset rs;
    rs.Open(cmd);
    core::Value result = core::Value::MakeNull();
    if (rs.State() == platform::db::adStateOpen && !rs.Eof()) result = rs.Fields("curvalue").Value();
    rs.Close();
    return result;
  } catch (const core::RuntimeError& e) {
    LogLine("ReadSettingValue: reading " + key + " from " + table + " failed: " + std::to_string(e.Number()) + " - " +
                e.Description(),
            0);
    return core::Value::MakeNull();
  }
}

}  // namespace CommonGlobals
