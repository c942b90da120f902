// The collector designation window: the list of this product's collectors read from the test
// Krym's g2_server rows, the selection of the stored designation, the apply with its version
// check and activity line, the failures of the connection, and the dormant launch frame.
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <random>

#include "ConfigFormsFixture.h"
#include "app/config/CommonConfigCollector.h"
#include "platform/qt/QtActivityList.h"
#include "support/KrymFixture.h"

namespace configforms {
namespace {

constexpr const char* kDesignation = "VORNKRYM\\G2_SERVER_INTERFACE_ID";
constexpr const char* kPlaceholder = "{{{    Not yet assigned    }}}";

// Collector rows of a product number of the test's own in the shared root schema, so that the
// list holds exactly them; removed again at the end.
class CollectorForm : public ConfigForms {
 protected:
  void SetUp() override {
    ConfigForms::SetUp();
    ASSERT_TRUE(krym_.Ok());
    std::random_device rd;
    product_ = 100000 + static_cast<int>(rd() % 800000);
    base_ = 1000000 + static_cast<int>(rd() % 8000000) * 10;  // ids beyond 16 bits
    objects_->context.app.ProductName = std::to_string(product_);
    PointAtTestKrym(krym_.Cluster());
  }
  void TearDown() override {
    krym_.ExecRoot("delete from g2_server where interface_id between " + std::to_string(Id(0)) + " and " +
                   std::to_string(Id(9)));
    ConfigForms::TearDown();
  }

  int Id(int k) const { return base_ + k; }
  void AddCollector(int k, const std::string& nameSql, const std::string& versionSql, int product = 0) {
    krym_.ExecRoot("insert into g2_server (interface_id, name, enabled, lu_id, lu_version) values (" +
                   std::to_string(Id(k)) + ", " + nameSql + ", -1, " + std::to_string(product ? product : product_) +
                   ", " + versionSql + ")");
  }
  // Four collectors of this product and one of another.
  void AddFour() {
    AddCollector(1, "'beta'", "'1.0.8'");
    AddCollector(2, "'Alpha'", "'2.0.0'");
    AddCollector(3, "'charlie'", "NULL");
    AddCollector(4, "'Bravo'", "''");
    AddCollector(5, "'other product'", "'1.0.8'", product_ + 1);
  }
  static std::vector<std::string> Entries(const CommonConfigCollector& f) {
    std::vector<std::string> out;
    for (int i = 0; i < f.dbCollector()->count(); ++i) out.push_back(f.dbCollector()->itemText(i).toStdString());
    return out;
  }
  static std::vector<int> Ids(const CommonConfigCollector& f) {
    std::vector<int> out;
    for (int i = 0; i < f.dbCollector()->count(); ++i) out.push_back(f.dbCollector()->itemData(i).toInt());
    return out;
  }
  void Choose(CommonConfigCollector& f, const std::string& name) {
    f.dbCollector()->setCurrentText(QString::fromStdString(name));
  }
  std::string LastActivityLine() const { return activity_.lines.empty() ? "" : activity_.lines.back(); }

  testsupport::KrymFixture krym_;
  int product_ = 0;
  int base_ = 0;
};

TEST_F(CollectorForm, ListsThisProductsCollectorsByLowerCasedNameAndSelectsTheStoredOne) {
  AddFour();
  Set(kDesignation, std::to_string(Id(4)));
  CommonConfigCollector form(Icons());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Entries(form), (std::vector<std::string>{kPlaceholder, "Alpha", "beta", "Bravo", "charlie"}));
  EXPECT_EQ(Ids(form), (std::vector<int>{0, Id(2), Id(1), Id(4), Id(3)}));
  EXPECT_EQ(form.LuVersions(), (std::vector<std::string>{"2.0.0", "1.0.8", "", ""}));
  EXPECT_EQ(form.dbCollector()->currentText().toStdString(), "Bravo");
}

TEST_F(CollectorForm, ApplyStoresTheChoiceChecksItsVersionAndWritesTheDesignationLine) {
  AddFour();
  struct Case {
    const char* name;
    int k;
    bool warns;
  };
  for (const Case& c :
       {Case{"Alpha", 2, true}, Case{"beta", 1, false}, Case{"charlie", 3, false}, Case{"Bravo", 4, false}}) {
    CommonConfigCollector form(Icons());
    Choose(form, c.name);
    ForgetBoxes();
    windowchecks::Press(form, "check");
    EXPECT_EQ(Get(kDesignation), std::to_string(Id(c.k))) << c.name;
    EXPECT_EQ(LastActivityLine(), std::string("This Collector is now designated as : ") + c.name);
    ASSERT_EQ(Boxes().size(), c.warns ? 1u : 0u) << c.name;
    if (c.warns) {
      EXPECT_EQ(Boxes()[0].title, "Version Validation Failed");
      EXPECT_EQ(Boxes()[0].prompt.rfind("Warning :", 0), 0u);
      EXPECT_NE(Boxes()[0].prompt.find("(2.0.0)"), std::string::npos);
    }
  }
}

TEST_F(CollectorForm, TheDesignationLineScrollsIntoViewOfAFullList) {
  AddFour();
  // The main window's list, already holding more lines than it shows.
  QListWidget widget;
  widget.resize(400, 120);
  for (int i = 0; i < 50; ++i) widget.addItem(QString("Status line %1").arg(i));
  widget.show();
  platform::qt::QtActivityList list(&widget);
  objects_->context.ui.activityList = &list;

  CommonConfigCollector form(Icons());
  Choose(form, "beta");
  windowchecks::Press(form, "check");
  QApplication::processEvents();
  ASSERT_GT(widget.count(), 50);
  QListWidgetItem* line = widget.item(widget.count() - 1);
  EXPECT_EQ(line->text().toStdString(), "This Collector is now designated as : beta");
  EXPECT_TRUE(widget.viewport()->rect().contains(widget.visualItemRect(line)))
      << "the line lies at " << widget.visualItemRect(line).y() << ", the list shows up to "
      << widget.viewport()->height();
  objects_->context.ui.activityList = &activity_;
}

TEST_F(CollectorForm, AStoredDesignationThatIsNotListedOpensOnThePlaceholderAndApplyRemovesIt) {
  AddFour();
  Set(kDesignation, "77");
  CommonConfigCollector form(Icons());
  EXPECT_EQ(form.dbCollector()->currentIndex(), 0);
  windowchecks::Press(form, "check");
  EXPECT_EQ(Get(kDesignation), "0");
  EXPECT_EQ(LastActivityLine(), std::string("This Collector is now designated as : ") + kPlaceholder);
  EXPECT_TRUE(Boxes().empty());  // no version check for the placeholder
}

TEST_F(CollectorForm, SaveWritesTheLineBeforeSavingTheDesignation) {
  AddFour();
  CommonConfigCollector form(Icons());
  Choose(form, "beta");
  windowchecks::Press(form, "save");
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Saved successfully", 64, ""}}));
  EXPECT_EQ(LastActivityLine(), "Configuration saved to " + ConfigFile());
  EXPECT_EQ(activity_.lines.at(activity_.lines.size() - 2), "This Collector is now designated as : beta");
  EXPECT_NE(ConfigFileText().find("<G2_SERVER_INTERFACE_ID>" + std::to_string(Id(1)) + "</G2_SERVER_INTERFACE_ID>"),
            std::string::npos);
}

TEST_F(CollectorForm, AnUnreachableOrUnconfiguredKrymLeavesOnlyThePlaceholder) {
  AddFour();
  PointAtTestKrym(krym_.Cluster(), 1);
  {
    CommonConfigCollector form(Icons());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].title, "Failed to connect to Vorn Krym");
    EXPECT_EQ(Boxes()[0].style, 48);
    EXPECT_EQ(Boxes()[0].prompt.rfind("Error :\r\n", 0), 0u);
    EXPECT_EQ(Entries(form), std::vector<std::string>{kPlaceholder});
  }
  ForgetBoxes();
  Set("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE", " ");
  CommonConfigCollector form(Icons());
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Unable to init Vorn Krym Connection Manager", 48, ""}}));
  EXPECT_EQ(Entries(form), std::vector<std::string>{kPlaceholder});
}

TEST_F(CollectorForm, TheLaunchFrameShowsOnlyWithACollectorProgramId) {
  {
    CommonConfigCollector form(Icons());
    EXPECT_TRUE(form.Frame1()->isHidden());  // the key is not declared
  }
  Config().DefineTree("COLLECTOR_OPTIONS\\COLLECTOR_ID", "");
  {
    CommonConfigCollector form(Icons());
    EXPECT_TRUE(form.Frame1()->isHidden());
  }
  Set("COLLECTOR_OPTIONS\\COLLECTOR_ID", "7");
  CommonConfigCollector form(Icons());
  EXPECT_FALSE(form.Frame1()->isHidden());
  windowchecks::Click(form, "btnLaunch");
  EXPECT_EQ(LastActivityLine(),
            "Unable to launch " + (folder_ / "collector" / "k7.exe").string() + ", program not available");
}

TEST_F(CollectorForm, TheListOfCollectorsIsWhole) {
  AddFour();
  Set(kDesignation, std::to_string(Id(1)));
  CommonConfigCollector form(Icons());
  ExpectWhole(form);
}

}  // namespace
}  // namespace configforms
