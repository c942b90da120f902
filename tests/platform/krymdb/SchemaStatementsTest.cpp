// The collector's own statements on the Krym root and facility schemas run as the
// collector writes them, and every column it reads from their rows is there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"
#include "support/TestDatabase.h"

using platform::db::Connection;
using platform::db::Recordset;

namespace {

struct Statement {
  std::string sql;
  std::vector<std::string> fields;  // read by name from the rows
};

void ExpectRuns(Connection& cn, const std::vector<Statement>& statements) {
  for (const Statement& s : statements) {
    SCOPED_TRACE(s.sql);
    Recordset rs;
    try {
      rs.Open(s.sql, cn);
    } catch (const core::RuntimeError& e) {
      ADD_FAILURE() << e.Number() << " - " << e.Description();
      continue;
    }
    for (const std::string& f : s.fields) EXPECT_TRUE(rs.HasField(f)) << "no field " << f;
  }
}

// The shared root schema, which these tests only read or leave as they found it.
bool OpenRoot(Connection& cn) {
  testsupport::TestDatabase db;
  if (!testsupport::RequireDatabase(db)) return false;
  cn.Open(testsupport::KrymFixture::OleDbString(db, "QALROOT"));
  return true;
}

// Keys that no test stores, so that the shared root schema is only read.
const std::string kNoCollector = "-918273";

TEST(SchemaStatements, RootStatementsRunAsWritten) {
  Connection cn;
  if (!OpenRoot(cn)) return;
  const std::string run = " from g2_server_run where interface_id = " + kNoCollector + " and filename='X'";
  ExpectRuns(
      cn,
      {
          {"select filename, directory from facility order by lower(filename)", {"filename", "directory"}},
          {"Select upper(filename),name from Facility where upper(filename) = 'NO SUCH' order by "
           "upper(filename)",
           {"name"}},
          {"Select upper(filename),name from Facility order by upper(filename)", {"name"}},
          {"Select audituser, audittimestamp, name,description,enabled,override_audituser,"
           "collector_dateadjust, collector_qaltimezoneid from g2_server where interface_id=" +
               kNoCollector,
           {"audituser", "audittimestamp", "name", "description", "enabled", "override_audituser",
            "collector_dateadjust", "collector_qaltimezoneid"}},
          {"select bias_standard, bias_daylight , start_standard, start_daylight from qaltimezone_bias "
           "where qaltimezoneid = " +
               kNoCollector + " and yearid=2024",
           {"bias_standard", "bias_daylight", "start_standard", "start_daylight"}},
          {"SELECT TIMEZONENAME FROM QALTIMEZONE WHERE  (QALTIMEZONEID = '" + kNoCollector + "')", {"TIMEZONENAME"}},
          {"Select Filename,lastrun from g2_server_run where interface_id = " + kNoCollector, {"Filename", "lastrun"}},
          {"Select AUDITUSER,AUDITTIMESTAMP,interface_id,FileName,LASTRUN,WorkStation,NetUser,IP,LOCALPATH" + run,
           {"AUDITUSER", "AUDITTIMESTAMP", "interface_id", "FileName", "LASTRUN", "WorkStation", "NetUser", "IP",
            "LOCALPATH"}},
          {"Select INTERFACE_ID, FILENAME, LASTRUN" + run, {"INTERFACE_ID", "FILENAME", "LASTRUN"}},
          {"Select AUDITUSER, FILENAME, LASTRUN, WORKSTATION, NETUSER, IP, LOCALPATH" + run,
           {"AUDITUSER", "FILENAME", "LASTRUN", "WORKSTATION", "NETUSER", "IP", "LOCALPATH"}},
          {"select * from CALCQUEUE where ID=0",
           {"ID", "status", "vlist", "datestart", "dateend", "facility", "audituser"}},
          {"select lu_version from g2_server where interface_id=" + kNoCollector, {"lu_version"}},
          {"select interface_id, name, lu_version from g2_server where lu_id=30418 order by lower(name)",
           {"interface_id", "name", "lu_version"}},
          {"select * from \"USER\" WHERE USERNAME='NO SUCH USER'", {"USERNAME", "Password", "usertype"}},
          {"SELECT * FROM FILES WHERE DIRNAME='NO SUCH' AND FILENAME='X'",
           {"ID", "DIRNAME", "FILENAME", "FILEDATA", "AUDITUSER", "AUDITTIMESTAMP"}},
          {"Select lu_ID from G2_SERVER_LU where LU_ID = '" + kNoCollector +
               "' and LU_LOCALE_ID = '1033' and LU_Version = '1.0.8'",
           {"lu_ID"}},
      });

  Recordset symbols;
  symbols.Open("Symbols", cn, platform::db::adCmdTable);
  EXPECT_TRUE(symbols.HasField("Symbol"));
  EXPECT_TRUE(symbols.HasField("AllowNumeric"));
  cn.Close();
}

TEST(SchemaStatements, DefinitionRowsAreWrittenAndRemovedWithQuotedNumbers) {
  Connection cn;
  if (!OpenRoot(cn)) return;
  const std::string key = "lu_id = '" + kNoCollector + "' and lu_locale_id = '1033' and lu_version = '1.0.8'";
  cn.Execute("delete from g2_server_lu where " + key);
  cn.Execute("delete from g2_lu_f_lu where " + key);

  // Flags and file ids arrive as quoted numbers, captions as null or '' when empty.
  cn.Execute(
      "insert into g2_Server_LU(LU_ID, LU_VERSION, LU_LOCALE_ID, QUICK_DESC, COLLECTOR_CONTEXT, "
      "COLLECTOR_TYPE, COLLECTOR_COM, BROWSER_IMPLEMENTED, CHM_FILE_ID, UD_REQ1, UD_REQ2, UD_REQ3, "
      "UD_REQ4, UD_REQ5, UD_CAPTION1, UD_CAPTION2, UD_CAPTION3, UD_CAPTION4, UD_CAPTION5, "
      "BROWSER_PLUGIN_FILE_ID, BROWSER_CHM_ARTICLE_ID, BROWSER_REQ1, BROWSER_REQ2, BROWSER_REQ3, "
      "BROWSER_REQ4, BROWSER_REQ5, BROWSER_CAPTION1, BROWSER_CAPTION2, BROWSER_CAPTION3, "
      "BROWSER_CAPTION4, BROWSER_CAPTION5, COLLECTOR_DATEADJUST_IMP, COLLECTOR_DATEADJUST_CAPTION) "
      "values ('" +
      kNoCollector +
      "', '1.0.8', '1033', 'desc', 'ctx', 'type', 'com', '-1', '11', "
      "'0', '-1', '0', '0', '0', 'Tag', null, null, null, null, '12', '1234', '0', '0', '0', '0', "
      "'-1', null, null, null, null, 'Plugin', -1, '')");
  cn.Execute(
      "insert into g2_LU_F_LU(LU_ID, LU_VERSION, LU_LOCALE_ID, KEYVALUE, CURVALUE, KEY_DESC) "
      "values ('" +
      kNoCollector + "', '1.0.8', '1033', 'KEY', 'VALUE', 'What it is')");

  Recordset rs;
  rs.Open(
      "select browser_implemented, chm_file_id, ud_caption2, collector_dateadjust_imp, "
      "collector_dateadjust_caption from g2_server_lu where " +
          key,
      cn);
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.Fields("browser_implemented").Value().ToLong(), -1);
  EXPECT_EQ(rs.Fields("chm_file_id").Value().ToLong(), 11);
  EXPECT_TRUE(rs.Fields("ud_caption2").Value().IsNull());
  EXPECT_EQ(rs.Fields("collector_dateadjust_imp").Value().ToLong(), -1);
  EXPECT_EQ(rs.Fields("collector_dateadjust_caption").Value().Text(), "");

  cn.Execute("delete from g2_server_lu where " + key);
  cn.Execute("delete from g2_lu_f_lu where " + key);
  Recordset gone;
  gone.Open("select count(*) from g2_lu_f_lu where " + key, cn);
  EXPECT_EQ(gone.Fields(0).Value().ToLong(), 0);
  // Files are removed by a quoted id as well.
  cn.Execute("delete from files where ID = '" + kNoCollector + "'");
  cn.Close();
}

TEST(SchemaStatements, FacilityStatementsRunAsWritten) {
  testsupport::KrymFixture fx;
  ASSERT_TRUE(fx.Ok());
  ASSERT_TRUE(
      fx.Exec("insert into vardesc (varid, varnum, name, vartype, decplaces, g2_interface_id, g2_enabled) "
              "values (5, 105, 'Flow', 'P', 2, 7, -1), (6, 106, 'Temp', 'H', 1, 7, 0);"
              "insert into settings (setting, curvalue) values ('LockDate', '2024-01-01 00:00:00');"
              "insert into logbook (id, name) values (7, 'Operations');"
              "insert into logbookentries (lbid, datestamp, timestamp, comment, audituser) "
              "values (7, '2024-03-05', '1899-12-30 14:30:00', 'Pump 3s seal leaks', 'JOE')"));
  Connection cn;
  cn.Open(fx.OleDbString());
  const std::string symbolRules =
      "select symbolrule1,symbolrule2,symbolrule3,symbolrule4,symbolrule5,symbolrule6,symbolrule7,"
      "symbolrule8,symbolrule9,symbolrule10,symbolfactor1,symbolfactor2,symbolfactor3,symbolfactor4,"
      "symbolfactor5,symbolfactor6,symbolfactor7,symbolfactor8,symbolfactor9,symbolfactor10 from "
      "vardesc where varid=5";
  ExpectRuns(
      cn, {
              {"select count(id) from approvalini", {}},
              {"Select Varid from Vardesc where G2_Interface_ID = 7 and G2_Enabled = -1 order by varid", {"Varid"}},
              {"Select curvalue from Settings Where Setting = 'LockDate'", {"curvalue"}},
              {"select varid,varnum,name,vartype,units,decplaces,description,SOURCE_CNN_APPROVAL,lims_loc,"
               "lims_test,lims_ud1,lims_ud2,lims_ud3,allowsymbol,limit_to_list,list from vardesc where varid=5",
               {"varid", "varnum", "name", "vartype", "units", "decplaces", "description", "SOURCE_CNN_APPROVAL",
                "lims_loc", "lims_test", "lims_ud1", "lims_ud2", "lims_ud3", "allowsymbol", "limit_to_list", "list"}},
              {symbolRules, {"symbolrule10", "symbolfactor10"}},
              {"select varnum,name,vartype,units,decplaces,description,scadatag,statistic,scalefactor from "
               "vardesc where varid=5",
               {"scadatag", "statistic", "scalefactor"}},
              {"select id from logbook where id=7", {"id"}},
              {"select * from logbookentries where lbid=-1",
               {"comment", "timestamp", "datestamp", "lbid", "audituser", "audittimestamp"}},
              {"select * from DATATBL_I where varid=5 and datestamp='2024-03-05 00:00:00'",
               {"varid", "datestamp", "audituser", "audittimestamp"}},
              {"select * from DATADDH_I where varid=5 and datestamp='2024-03-05 08:00:00'", {"datestamp"}},
          });

  // The enabled variable is found, the other is not.
  Recordset vars;
  vars.Open("Select Varid from Vardesc where G2_Interface_ID = 7 and G2_Enabled = -1 order by varid", cn);
  ASSERT_EQ(vars.RecordCount(), 1);
  EXPECT_EQ(vars.Fields("Varid").Value().ToLong(), 5);

  // The logbook's duplicate test compares the day written in the general date form.
  struct Lookup {
    std::string day;
    long expected;
  };
  for (const Lookup& l : {Lookup{"3/5/2024", 1}, Lookup{"3/6/2024", 0}, Lookup{"3/5/2024 2:30:00 PM", 0}}) {
    Recordset dup;
    dup.Open("select * from logbookentries where \"comment\" = 'Pump 3s seal leaks' and datestamp = '" + l.day +
                 "' and lbid = 7",
             cn);
    EXPECT_EQ(dup.RecordCount(), l.expected) << l.day;
  }
  cn.Close();
}

}  // namespace
