#include "HistorianDatabase.h"

#include <gtest/gtest.h>

#include <random>

#include "core/Text.h"
#include "platform/db/Command.h"
#include "support/KrymFixture.h"

HistorianDatabase::HistorianDatabase() {
  if (!testsupport::RequireDatabase(cluster_)) return;
  std::random_device rd;
  name_ = "HIST_" + std::to_string(rd()) + std::to_string(rd() % 1000);
  try {
    platform::db::Connection root;
    root.Open(testsupport::KrymFixture::OleDbString(cluster_, "QALROOT"));
    root.Execute("CREATE DATABASE \"" + name_ + "\"");
    root.Close();
    connection_.Open(testsupport::KrymFixture::OleDbString(cluster_, name_));
    for (const char* table : {"History", "DiscreteHistory"})
      connection_.Execute(std::string("CREATE TABLE ") + table +
                          " (TagName varchar(64) NOT NULL, DateTime timestamp NOT NULL, Value double precision)");
    valid_ = true;
  } catch (const std::exception& e) {
    ADD_FAILURE() << "cannot create the historian database " << name_ << ": " << e.what();
  }
}

HistorianDatabase::~HistorianDatabase() {
  connection_.Close();
  if (name_.empty()) return;
  try {
    platform::db::Connection root;
    root.Open(testsupport::KrymFixture::OleDbString(cluster_, "QALROOT"));
    root.Execute("DROP DATABASE IF EXISTS \"" + name_ + "\" WITH (FORCE)");
  } catch (const std::exception& e) {
    ADD_FAILURE() << "cannot drop " << name_ << ": " << e.what();
  }
}

void HistorianDatabase::Sample(const std::string& table, const std::string& tag, core::Date at,
                               std::optional<double> value) {
  platform::db::Command cmd;
  cmd.ActiveConnection(connection_);
  cmd.CommandText("INSERT INTO " + table + " (TagName, DateTime, Value) VALUES (?, ?, ?)");
  cmd.CreateParameter("tag", platform::db::adVarWChar, platform::db::adParamInput, 64, core::Value(tag));
  cmd.CreateParameter("at", platform::db::adDate, platform::db::adParamInput, 0, core::Value(at));
  cmd.CreateParameter("value", platform::db::adDouble, platform::db::adParamInput, 0,
                      value ? core::Value(*value) : core::Value::MakeNull());
  cmd.Execute();
}

void HistorianDatabase::Exec(const std::string& sql) { connection_.Execute(sql); }
