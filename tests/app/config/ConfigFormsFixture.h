#pragma once

// The interactive program started in a folder of its own, with its message boxes recorded (and
// answered as a script says), its activity list kept in memory, and helpers to reach a form's
// controls by their names, type into them, press their buttons and check how they look.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/startup/ProgramEntryPoint.h"
#include "app/startup/ProgramObjects.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALmsgBoxHandler.h"
#include "platform/ui/ActivityList.h"
#include "platform/ui/MessagePresenter.h"
#include "support/QtTestApp.h"
#include "support/TestDatabase.h"
#include "support/WindowChecks.h"

namespace configforms {

namespace fs = std::filesystem;

struct RecordedBox {
  std::string prompt;
  int style;
  std::string title;
  bool operator==(const RecordedBox&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const RecordedBox& b) {
  return os << "{\"" << b.prompt << "\", " << b.style << ", \"" << b.title << "\"}";
}

// Records every box; answers OK unless an answer was queued. A box shown without a title of its
// own carries the program's title; it is recorded with an empty title.
class RecordingPresenter : public platform::ui::MessagePresenter {
 public:
  int Show(const std::string& prompt, int style, const std::string& title) override {
    boxes.push_back({prompt, style, title == programTitle ? "" : title});
    if (answers.empty()) return 1;
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  std::vector<RecordedBox> boxes;
  std::deque<int> answers;
  std::string programTitle;
};

class MemoryActivityList : public platform::ui::ActivityList {
 public:
  int Count() const override { return static_cast<int>(lines.size()); }
  void AddItem(const std::string& text) override { lines.push_back(text); }
  void RemoveItem(int index) override { lines.erase(lines.begin() + index); }
  void Clear() override { lines.clear(); }
  std::string Item(int index) const override { return lines.at(static_cast<std::size_t>(index)); }
  void SelectLast() override {}
  std::vector<std::string> lines;
};

class ConfigForms : public ::testing::Test {
 protected:
  void SetUp() override {
    qttest::App();
    std::string templ = (fs::temp_directory_path() / "k30418-configforms-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    folder_ = templ;
    objects_ = std::make_unique<ProgramObjects>();
    objects_->context.app.Path = folder_.string();
    scope_ = std::make_unique<ProgramScope>(objects_->context);
    ASSERT_TRUE(ProgramEntryPoint::Main(*objects_, ""));
    boxes_.programTitle = objects_->context.app.Title;
    objects_->msgBox->Presenter(&boxes_);
    objects_->context.ui.activityList = &activity_;
    Config().ChangeWasMade(false);
  }
  void TearDown() override {
    scope_.reset();
    objects_.reset();
    fs::remove_all(folder_);
  }

  QALConfiguration& Config() { return *objects_->config; }
  void Set(const std::string& key, const std::string& value) { Config().item(key, value); }
  std::string Get(const std::string& key) { return Config().item(key); }
  const IconBinding* Icons() const { return objects_->icons.get(); }
  std::string ConfigFile() const { return (folder_ / "k30418.xml").string(); }
  std::string ConfigFileText() const {
    std::ifstream in(ConfigFile(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  const std::vector<RecordedBox>& Boxes() const { return boxes_.boxes; }
  std::vector<std::string> Prompts() const {
    std::vector<std::string> out;
    for (const RecordedBox& b : boxes_.boxes) out.push_back(b.prompt);
    return out;
  }
  void ForgetBoxes() { boxes_.boxes.clear(); }
  void QueueAnswer(int answer) { boxes_.answers.push_back(answer); }

  template <class T = QLineEdit>
  static T* Child(const QWidget& form, const char* name) {
    T* w = form.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << "no control " << name;
    return w;
  }
  static std::string Text(const QWidget& form, const char* name) {
    QLineEdit* box = Child(form, name);
    return box ? box->text().toStdString() : std::string();
  }
  static void Type(const QWidget& form, const char* name, const std::string& text) {
    if (QLineEdit* box = Child(form, name)) box->setText(QString::fromStdString(text));
  }

  // A number typed into a box of a fresh form, and the text that the apply stores and shows.
  struct NumberCase {
    const char* box;
    std::string key;
    const char* typed;
    const char* stored;
  };
  template <class Form>
  void ExpectNumbersApplied(const std::vector<NumberCase>& cases) {
    for (const NumberCase& c : cases) {
      Form form(Icons());
      Type(form, c.box, c.typed);
      windowchecks::Press(form, "check");
      EXPECT_EQ(Get(c.key), c.stored) << c.box << " " << c.typed;
      EXPECT_EQ(Text(form, c.box), c.stored) << c.box << " " << c.typed;
    }
  }

  // Acts on the next modal window of type T once it is shown (the act must end its modal show).
  // The watch ends by itself after acting; deleting what this returns ends it earlier.
  template <class T>
  static QPointer<QTimer> OnNextModal(std::function<void(T&)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
      if (T* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
        poll->stop();
        poll->deleteLater();
        act(*window);
      }
    });
    poll->start(5);
    return poll;
  }

  // The form at its default size, holding what the test put in it: no text cut off, every
  // toolbar button with its key's image.
  void ExpectWhole(QWidget& w) { windowchecks::ExpectWhole(w, *objects_->iconImages); }

  // The Krym settings pointing at the test cluster's root schema through psqlODBC.
  void PointAtTestKrym(const testsupport::TestDatabase& db, int port = 0) {
    Set("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "2");
    Set("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "PostgreSQL Unicode");
    Set("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE", db.host);
    Set("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", "Port=" + std::to_string(port ? port : db.port) + ";CommLog=0;Debug=0;");
    Set("VORNKRYM\\VORNKRYM_CONNECTION_TIMEOUT", "5");
    Config().ChangeWasMade(false);
  }

  fs::path folder_;
  std::unique_ptr<ProgramObjects> objects_;
  std::unique_ptr<ProgramScope> scope_;
  RecordingPresenter boxes_;
  MemoryActivityList activity_;
};

}  // namespace configforms
