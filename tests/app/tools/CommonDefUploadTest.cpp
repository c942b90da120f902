// The definition upload against the test Krym, with .g2_Server_lu packages built in the test:
// the rows and files a good package writes, refusals (packages over their size limits among
// them), and what a malformed package or a failed write leaves behind: nothing of its own, in
// the database or in the temp folder.
#include <fstream>
#include <map>
#include <random>

#include "../mainwindow/ShellProgram.h"
#include "app/tools/CommonDefUpload.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/zip/ZipBuilder.h"
#include "support/KrymFixture.h"

namespace {

namespace fs = std::filesystem;

// The 28 elements of a definition, in their usual order, with the texts of a good one.
std::vector<std::pair<std::string, std::string>> GoodDefinition() {
  return {{"QUICK_DESC", "Operator's rounds from DeraRed"},
          {"COLLECTOR_CONTEXT", "K30418"},
          {"COLLECTOR_TYPE", "Server"},
          {"COLLECTOR_COM", "k30418.Collector"},
          {"BROWSER_IMPLEMENTED", "True"},
          {"UD_REQ1", "true"},
          {"UD_REQ2", "false"},
          {"UD_REQ3", "TRUE"},
          {"UD_REQ4", ""},
          {"UD_REQ5", "true"},
          {"UD_CAPTION1", "Route"},
          {"UD_CAPTION2", "Point"},
          {"UD_CAPTION3", ""},
          {"UD_CAPTION4", "Question"},
          {"UD_CAPTION5", ""},
          {"BROWSER_CHM_ARTICLE_ID", "12067"},
          {"BROWSER_REQ1", "true"},
          {"BROWSER_REQ2", ""},
          {"BROWSER_REQ3", ""},
          {"BROWSER_REQ4", ""},
          {"BROWSER_REQ5", "true"},
          {"BROWSER_CAPTION1", "Route"},
          {"BROWSER_CAPTION2", ""},
          {"BROWSER_CAPTION3", ""},
          {"BROWSER_CAPTION4", ""},
          {"BROWSER_CAPTION5", "Last"},
          {"COLLECTOR_DATEADJUST_IMPLEMENTED", "True"},
          {"COLLECTOR_DATEADJUST_CAPTION", ""}};
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : std::string(1, c);
  return out;
}

// A feature's children as (tag, text).
using Feature = std::vector<std::pair<std::string, std::string>>;

std::string DefinitionXml(const std::vector<std::pair<std::string, std::string>>& elements,
                          const std::optional<std::vector<Feature>>& features) {
  std::string xml = "<?xml version=\"1.0\"?>\n<definition>\n  <g2_server_lu>\n";
  for (const auto& [tag, text] : elements) xml += "    <" + tag + ">" + Escaped(text) + "</" + tag + ">\n";
  xml += "  </g2_server_lu>\n";
  if (features) {
    xml += "  <g2_lu_f_lu>\n";
    for (const Feature& f : *features) {
      xml += "    <feature>";
      for (const auto& [tag, text] : f) xml += "<" + tag + ">" + Escaped(text) + "</" + tag + ">";
      xml += "</feature>\n";
    }
    xml += "  </g2_lu_f_lu>\n";
  }
  return xml + "</definition>\n";
}

Feature GoodFeature(const std::string& key, const std::string& value) {
  return {{"KEYVALUE", key}, {"CURVALUE", value}, {"KEY_DESC", "What " + key + " means"}};
}

class DefinitionUpload : public shelltest::ShellProgram {
 protected:
  void SetUp() override {
    ShellProgram::SetUp();
    ASSERT_TRUE(PointAtTestKrym());
    ASSERT_TRUE(testsupport::RequireDatabase(db_));
    std::random_device rd;
    collector_ = std::to_string(100000 + rd() % 2000000000u);
    dirName_ = collector_ + "-EN-1.0.8";
  }
  void TearDown() override {
    if (!collector_.empty()) {
      Exec("delete from g2_server_lu where lu_id = " + collector_);
      Exec("delete from g2_lu_f_lu where lu_id = " + collector_);
      Exec("delete from files where dirname like '" + collector_ + "-%'");
    }
    ShellProgram::TearDown();
  }

  // Writes a package of the given members (the usual six unless told otherwise).
  std::string Package(const std::string& definitionXml, std::map<std::string, std::string> change = {}) {
    std::map<std::string, std::string> members = {
        {"collector", "\"" + collector_ + "\",\"K30418 Collector\"\r\n"},
        {"locale", "EN\r\n"},
        {"version", "\"1.0.8\"\n"},
        {"definition.xml", definitionXml},
        {"help.chm", help_},
        {"Browser.exe", browser_},
    };
    for (auto& [name, content] : change) members[name] = content;
    ZipBuilder zip;
    for (const auto& [name, content] : members)
      if (content != "<absent>") zip.Add(name, content);
    const std::string path = (folder_ / ("definition-" + std::to_string(++packages_) + ".g2_Server_lu")).string();
    EXPECT_TRUE(zip.Write(path)) << zip.error();
    return path;
  }

  bool Upload(const std::string& package) {
    CommonDefUpload upload(
        [this, package](const std::string& title, const std::string& filter, const std::string& folder) {
          asked_ = {title, filter, folder};
          return package;
        });
    return upload.UploadCurrentDefinition();
  }

  void Exec(const std::string& sql) {
    platform::db::Connection cnn;
    cnn.Open(testsupport::KrymFixture::OleDbString(db_, "QALROOT"));
    cnn.Execute(sql);
  }
  // The rows of a query as "a|b|c" texts, NULL for Null.
  std::vector<std::string> Rows(const std::string& sql) {
    platform::db::Connection cnn;
    cnn.Open(testsupport::KrymFixture::OleDbString(db_, "QALROOT"));
    platform::db::Recordset rs;
    rs.Open(sql, cnn);
    std::vector<std::string> rows;
    for (; !rs.Eof(); rs.MoveNext()) {
      std::string row;
      for (int i = 0; i < rs.FieldCount(); ++i) {
        const core::Value v = rs.Fields(i).Value();
        row += (i ? "|" : "") + (v.IsNull() ? std::string("NULL") : v.Text());
      }
      rows.push_back(row);
    }
    return rows;
  }
  std::vector<std::string> FileRows() {
    return Rows("select dirname, filename from files where dirname = '" + dirName_ + "' order by filename");
  }
  std::vector<std::string> DefinitionRows() {
    return Rows("select lu_id from g2_server_lu where lu_id = " + collector_);
  }
  // Nothing of an upload stays in the temp folder, whichever way it ended.
  bool NothingUnpacked() const {
    const fs::path temp = folder_ / "temp";
    std::error_code ec;
    return !fs::exists(temp, ec) || fs::is_empty(temp, ec);
  }
  std::vector<std::string> FeatureRows() {
    return Rows("select keyvalue, curvalue, key_desc from g2_lu_f_lu where lu_id = " + collector_ +
                " order by keyvalue");
  }

  testsupport::TestDatabase db_;
  std::string collector_, dirName_;
  std::vector<std::string> asked_;
  int packages_ = 0;
  const std::string help_ = std::string("ITSF\0\x03help pages\xff", 17);
  const std::string browser_ = std::string("MZ\x90\0browser", 11);
};

}  // namespace

TEST_F(DefinitionUpload, AGoodPackageWritesTheDefinitionItsFeaturesAndBothFiles) {
  const std::string package = Package(DefinitionXml(
      GoodDefinition(), std::vector<Feature>{GoodFeature("A_KEY", "1"), GoodFeature("B_KEY", "it's two")}));
  ASSERT_TRUE(Upload(package)) << ::testing::PrintToString(presenter.Prompts());
  EXPECT_TRUE(presenter.boxes.empty());
  EXPECT_EQ(asked_, (std::vector<std::string>{"Please Locate your new Definition File.",
                                              "G2_Server_LU Files |*.g2_Server_lu", folder_.string()}));
  EXPECT_EQ(LogLines().back(), "Upload Successful");

  // The files, byte for byte, under the definition's name.
  EXPECT_EQ(FileRows(), (std::vector<std::string>{dirName_ + "|BROWSER.EXE", dirName_ + "|HELP.CHM"}));
  const auto ids =
      Rows("select (select id from files where dirname = '" + dirName_ +
           "' and filename = 'HELP.CHM'), (select id from files where dirname = '" + dirName_ +
           "' and filename = 'BROWSER.EXE'), (select chm_file_id from g2_server_lu where lu_id = " + collector_ +
           "), (select browser_plugin_file_id from g2_server_lu where lu_id = " + collector_ + ")");
  ASSERT_EQ(ids.size(), 1u);
  const std::vector<std::string> id = [&] {
    std::vector<std::string> parts;
    std::stringstream ss(ids[0]);
    for (std::string p; std::getline(ss, p, '|');) parts.push_back(p);
    return parts;
  }();
  ASSERT_EQ(id.size(), 4u);
  EXPECT_EQ(id[0], id[2]) << "the help file's id";
  EXPECT_EQ(id[1], id[3]) << "the browser's id";
  EXPECT_EQ(Rows("select encode(filedata, 'hex') from files where id = " + id[0]),
            std::vector<std::string>{"49545346000368656c70207061676573ff"});
  EXPECT_EQ(Rows("select length(filedata) from files where id = " + id[1]), std::vector<std::string>{"11"});

  // The definition row, column by column.
  EXPECT_EQ(Rows("select lu_id, lu_version, lu_locale_id, quick_desc, collector_context, collector_type, "
                 "collector_com, browser_implemented, ud_req1, ud_req2, ud_req3, ud_req4, ud_req5, ud_caption1, "
                 "ud_caption2, ud_caption3, ud_caption4, ud_caption5, browser_chm_article_id, browser_req1, "
                 "browser_req2, browser_req5, browser_caption1, browser_caption2, browser_caption5, "
                 "collector_dateadjust_imp, collector_dateadjust_caption from g2_server_lu where lu_id = " +
                 collector_),
            std::vector<std::string>{collector_ +
                                     "|1.0.8|EN|Operator's rounds from DeraRed|K30418|Server|k30418.Collector|"
                                     "0|-1|0|0|0|-1|Route|Point|NULL|Question|NULL|12067|-1|0|-1|Route|NULL|Last|"
                                     "-1|"});
  EXPECT_EQ(FeatureRows(), (std::vector<std::string>{"A_KEY|1|What A_KEY means", "B_KEY|it's two|What B_KEY means"}));

  EXPECT_TRUE(NothingUnpacked());

  // The same definition again is refused and writes nothing.
  presenter.boxes.clear();
  EXPECT_FALSE(Upload(Package(DefinitionXml(GoodDefinition(), std::nullopt))));
  EXPECT_EQ(presenter.Prompts(), std::vector<std::string>{"Definition already exists. Operation Aborted."});
  EXPECT_EQ(presenter.boxes[0].style, 0);
  EXPECT_EQ(FileRows().size(), 2u);
  EXPECT_EQ(FeatureRows().size(), 2u);
  EXPECT_TRUE(NothingUnpacked());
}

TEST_F(DefinitionUpload, APackageWithoutFeaturesWritesTheDefinitionRowOnly) {
  ASSERT_TRUE(Upload(Package(DefinitionXml(GoodDefinition(), std::nullopt))));
  EXPECT_EQ(DefinitionRows(), std::vector<std::string>{collector_});
  EXPECT_TRUE(FeatureRows().empty());
}

TEST_F(DefinitionUpload, AMalformedDefinitionLeavesNoRowAndNoFileBehind) {
  std::vector<std::pair<std::string, std::string>> short27 = GoodDefinition(), long29 = GoodDefinition();
  short27.pop_back();
  long29.push_back({"EXTRA", "x"});
  const std::string tooLong(2001, 'x');  // longer than the column takes
  std::vector<std::pair<std::string, std::string>> oversized = GoodDefinition();
  oversized[0].second = tooLong;
  const char* badXml = "Could not read XML File. G2_Server_LU file is in an incorrect state.";
  const struct {
    const char* what;
    std::string xml;
    std::string box;  // the start of the one box shown
  } cases[] = {
      {"27 children", DefinitionXml(short27, std::nullopt), badXml},
      {"29 children", DefinitionXml(long29, std::nullopt), badXml},
      {"a feature with two children after a good one",
       DefinitionXml(GoodDefinition(),
                     std::vector<Feature>{GoodFeature("A_KEY", "1"), {{"KEYVALUE", "B"}, {"CURVALUE", "2"}}}),
       badXml},
      {"text that is not XML", "<definition><g2_server_lu>", badXml},
      {"a definition the database refuses", DefinitionXml(oversized, std::nullopt), ""},
      {"a feature the database refuses after the definition was written",
       DefinitionXml(GoodDefinition(), std::vector<Feature>{GoodFeature("A_KEY", "1"), GoodFeature(tooLong, "2")}), ""},
  };
  for (const auto& c : cases) {
    presenter.boxes.clear();
    EXPECT_FALSE(Upload(Package(c.xml))) << c.what;
    ASSERT_EQ(presenter.boxes.size(), 1u) << c.what << ::testing::PrintToString(presenter.Prompts());
    const std::string& prompt = presenter.boxes[0].prompt;
    if (c.box.empty()) {
      const std::string tail = " Could not insert recordes into g2_lu or g2_lu_f_lu.";
      EXPECT_TRUE(prompt.size() > tail.size() && prompt.compare(prompt.size() - tail.size(), tail.size(), tail) == 0)
          << c.what << ": " << prompt;
    } else {
      EXPECT_EQ(prompt, c.box) << c.what;
    }
    EXPECT_TRUE(DefinitionRows().empty()) << c.what;
    EXPECT_TRUE(FeatureRows().empty()) << c.what;
    EXPECT_TRUE(FileRows().empty()) << c.what;
    EXPECT_TRUE(NothingUnpacked()) << c.what;
  }
}

TEST_F(DefinitionUpload, PackagesAndKeysThatCannotBeReadEndTheUploadEarly) {
  const std::string xml = DefinitionXml(GoodDefinition(), std::nullopt);
  const char* keysBox = "There was an error Reading the collector, locale, or version definition files. ";
  const struct {
    const char* what;
    std::map<std::string, std::string> change;
    std::vector<std::string> boxes;
  } cases[] = {
      {"no browser program", {{"Browser.exe", "<absent>"}}, {}},
      {"no version member", {{"version", "<absent>"}}, {}},
      {"a collector that is no number", {{"collector", "abc\r\n"}}, {keysBox}},
      {"a version that climbs out of the temp folder", {{"version", "..\r\n"}}, {keysBox}},
      {"a locale with a folder in it", {{"locale", "EN/../../x"}}, {keysBox}},
  };
  for (const auto& c : cases) {
    presenter.boxes.clear();
    EXPECT_FALSE(Upload(Package(xml, c.change))) << c.what;
    EXPECT_EQ(presenter.Prompts(), c.boxes) << c.what;
    EXPECT_TRUE(FileRows().empty()) << c.what;
    EXPECT_TRUE(DefinitionRows().empty()) << c.what;
    EXPECT_TRUE(NothingUnpacked()) << c.what;
  }

  // No package chosen: nothing is said here (the main window reports it).
  presenter.boxes.clear();
  EXPECT_FALSE(Upload(""));
  EXPECT_TRUE(presenter.boxes.empty());
}

// Members are held to limits of the program's own (1 MB for the key files, 256 MB for the help
// file): what a member declares is weighed before it is unpacked, and its bytes are counted as
// they are written, so a bomb of a few kB that lies about its size stops at the limit.
TEST_F(DefinitionUpload, APackageOverAMembersLimitIsRefusedAndLeavesNothingBehind) {
  const std::string xml = DefinitionXml(GoodDefinition(), std::nullopt);
  const std::string zeros(2 * 1024 * 1024, '\0');
  const struct {
    const char* what;
    std::map<std::string, std::string> change;
    const char* lie;         // the member whose declared size is made up, or nullptr
    std::uint32_t declared;  // what it declares then
    std::string box;
  } cases[] = {
      {"a bomb: a collector of compressed zeros declaring 20 bytes",
       {{"collector", collector_ + "\r\n" + zeros}},
       "collector",
       20,
       "The definition package was refused: its member 'collector' is larger than the limit of 1 MB."},
      {"a locale declaring more than its limit",
       {{"locale", "EN\r\n" + std::string(1024 * 1024, ' ')}},
       nullptr,
       0,
       "The definition package was refused: its member 'locale' is larger than the limit of 1 MB."},
      {"a help file declaring 300 MB",
       {},
       "help.chm",
       300u * 1024 * 1024,
       "The definition package was refused: its member 'help.chm' is larger than the limit of 256 MB."},
  };
  for (const auto& c : cases) {
    presenter.boxes.clear();
    const std::string package = Package(xml, c.change);
    if (c.lie) {
      ASSERT_TRUE(ZipBuilder::DeclareSize(package, c.lie, c.declared)) << c.what;
    }
    EXPECT_LT(fs::file_size(package), 64u * 1024) << c.what << ": a small package";
    EXPECT_FALSE(Upload(package)) << c.what;
    ASSERT_EQ(presenter.boxes.size(), 1u) << c.what << ::testing::PrintToString(presenter.Prompts());
    EXPECT_EQ(presenter.boxes[0].prompt, c.box) << c.what;
    EXPECT_EQ(presenter.boxes[0].style, 48) << c.what;
    EXPECT_TRUE(FileRows().empty()) << c.what;
    EXPECT_TRUE(DefinitionRows().empty()) << c.what;
    EXPECT_TRUE(NothingUnpacked()) << c.what;
  }

  // A good package after them goes in as usual.
  presenter.boxes.clear();
  EXPECT_TRUE(Upload(Package(xml))) << ::testing::PrintToString(presenter.Prompts());
  EXPECT_EQ(FileRows().size(), 2u);
  EXPECT_TRUE(NothingUnpacked());
}

TEST_F(DefinitionUpload, TargetSettingsThatFailEndTheUploadBeforeThePackageIsAskedFor) {
  const std::string package = Package(DefinitionXml(GoodDefinition(), std::nullopt));
  Set("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "");
  EXPECT_FALSE(Upload(package));
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].prompt, "Unable to init Vorn Krym Connection Manager");
  EXPECT_EQ(presenter.boxes[0].style, 48);

  ASSERT_TRUE(PointAtTestKrym(1));
  presenter.boxes.clear();
  EXPECT_FALSE(Upload(package));
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].prompt.rfind("Error :\r\n", 0), 0u) << presenter.boxes[0].prompt;
  EXPECT_EQ(presenter.boxes[0].title, "Failed to connect to Vorn Krym");
  EXPECT_EQ(presenter.boxes[0].style, 48);
  EXPECT_TRUE(asked_.empty()) << "no package was asked for";
  EXPECT_TRUE(DefinitionRows().empty());
}
