#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/xml/AtomicFile.h"
#include "platform/xml/FileTestKit.h"
#include "platform/xml/XmlElement.h"

using platform::xml::XmlElement;

namespace {

XmlElement Make(const char* tag, const char* text = "") {
  XmlElement e;
  EXPECT_TRUE(e.SetTag(tag));
  e.SetText(text);
  return e;
}

XmlElement Parse(const char* xml) {
  XmlElement e;
  EXPECT_TRUE(e.LoadText(xml)) << e.LastError();
  return e;
}

class XmlFileTest : public ::testing::Test {
 protected:
  std::string File(const char* name) const { return folder_.File(name); }
  static std::string Read(const std::string& path) { return ReadFile(path); }
  static void Write(const std::string& path, const std::string& text) { WriteFile(path, text); }
  TestFolder folder_{"xmlelement"};
  const std::filesystem::path& dir_ = folder_.Path();
};

}  // namespace

TEST(XmlElement, NewElementIsUnattachedAndEmpty) {
  XmlElement e;
  EXPECT_EQ(e.Tag(), "");
  EXPECT_EQ(e.Text(), "");
  EXPECT_EQ(e.ChildCount(), 0);
  EXPECT_FALSE(e.NextSibling());
  EXPECT_FALSE(e.FirstChild());
}

TEST(XmlElement, TagsMustBeXmlNames) {
  struct Case {
    const char* tag;
    bool ok;
  } cases[] = {{"OPTIONS", true}, {"_a.b-c9", true}, {"K30418", true}, {"", false},
               {"1ABC", false},   {"A B", false},    {"A<B", false},   {"-x", false}};
  for (const auto& c : cases) {
    XmlElement e = Make("KEEP");
    EXPECT_EQ(e.SetTag(c.tag), c.ok) << c.tag;
    EXPECT_EQ(e.Tag(), c.ok ? c.tag : "KEEP") << c.tag;
    if (!c.ok) {
      EXPECT_NE(e.LastError(), "");
    }
  }
}

TEST(XmlElement, TextIsTheElementsOwnTextAndSettingItKeepsChildren) {
  XmlElement parent = Parse("<A>one<B>inner</B>two</A>");
  EXPECT_EQ(parent.Text(), "onetwo");
  parent.SetText("new");
  EXPECT_EQ(parent.Text(), "new");
  ASSERT_EQ(parent.ChildCount(), 1);
  EXPECT_EQ(parent.ChildText("B"), "inner");
  parent.SetText("");
  EXPECT_EQ(parent.Xml(), "<A><B>inner</B></A>");
}

TEST(XmlElement, Attributes) {
  XmlElement spec = Make("spec");
  EXPECT_TRUE(spec.AddAttribute("version", "1"));
  EXPECT_TRUE(spec.AddAttribute("encrypted", "False"));
  EXPECT_TRUE(spec.TestAttribute("version", "1"));
  EXPECT_FALSE(spec.TestAttribute("version", "2"));
  EXPECT_FALSE(spec.TestAttribute("encrypted", "false"));  // exact comparison
  EXPECT_FALSE(spec.TestAttribute("missing", ""));
  EXPECT_TRUE(spec.UpdateAttribute("encrypted", "True"));
  EXPECT_TRUE(spec.TestAttribute("encrypted", "True"));
  EXPECT_TRUE(spec.UpdateAttribute("added", "x"));  // update of a missing attribute adds it
  EXPECT_EQ(spec.Attribute("added").value_or("?"), "x");
  EXPECT_FALSE(spec.Attribute("none"));
  EXPECT_FALSE(spec.AddAttribute("bad name", "x"));
  EXPECT_EQ(spec.Xml(), "<spec version=\"1\" encrypted=\"True\" added=\"x\"/>");
}

TEST(XmlElement, AppendedChildrenKeepTheirOrderAndStayUsable) {
  XmlElement root = Make("root");
  XmlElement a = Make("A", "1");
  XmlElement b = Make("B");
  XmlElement below = Make("C", "3");
  ASSERT_TRUE(b.AppendChild(below));  // built before b is attached
  ASSERT_TRUE(root.AppendChild(a));
  ASSERT_TRUE(root.AppendChild(b));

  // The objects now refer to the elements inside root's tree.
  below.SetText("changed");
  a.SetText("one");
  EXPECT_EQ(root.Xml(), "<root><A>one</A><B><C>changed</C></B></root>");
  EXPECT_TRUE(root.ChildWithTag("B")->IsSameElement(b));
  EXPECT_EQ(root.ChildCount(), 2);
  EXPECT_EQ(root.CountChildrenWithTag("A"), 1);
  EXPECT_EQ(root.CountChildrenWithTag("Z"), 0);
  EXPECT_FALSE(root.ChildWithTag("Z"));
}

TEST(XmlElement, AppendMovesAnElementFromAnotherTree) {
  XmlElement first = Parse("<one><X><Y>y</Y></X></one>");
  XmlElement second = Make("two");
  XmlElement x = *first.ChildWithTag("X");
  XmlElement y = *x.ChildWithTag("Y");
  ASSERT_TRUE(second.AppendChild(x));
  EXPECT_EQ(first.Xml(), "<one/>");
  EXPECT_EQ(second.Xml(), "<two><X><Y>y</Y></X></two>");
  y.SetText("moved along");
  EXPECT_EQ(second.ChildWithTag("X")->ChildText("Y"), "moved along");
}

TEST(XmlElement, AppendRefusesCycles) {
  XmlElement root = Parse("<a><b><c/></b></a>");
  XmlElement b = *root.ChildWithTag("b");
  XmlElement c = *b.ChildWithTag("c");
  EXPECT_FALSE(c.AppendChild(root));
  EXPECT_FALSE(c.AppendChild(b));
  EXPECT_FALSE(b.AppendChild(b));
  EXPECT_NE(b.LastError(), "");
  EXPECT_EQ(root.Xml(), "<a><b><c/></b></a>");
  // Within the same tree an element can still be moved up.
  EXPECT_TRUE(root.AppendChild(c));
  EXPECT_EQ(root.Xml(), "<a><b/><c/></a>");
}

TEST(XmlElement, ElementsOutliveTheirTree) {
  std::optional<XmlElement> leaf;
  {
    XmlElement root = Parse("<a><b><c>text</c></b></a>");
    leaf = root.ChildWithTag("b")->ChildWithTag("c");
  }
  EXPECT_EQ(leaf->Text(), "text");
}

TEST(XmlElement, WalkingSiblingsAndSearching) {
  XmlElement doc = Parse(
      "<doc><head/><g2_lu_f_lu>"
      "<feature><KEYVALUE>k1</KEYVALUE><CURVALUE>c1</CURVALUE><KEY_DESC>d1</KEY_DESC></feature>"
      "text between"
      "<feature><KEYVALUE>k2</KEYVALUE></feature>"
      "</g2_lu_f_lu></doc>");
  auto list = doc.FindByTag("g2_lu_f_lu");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->ChildCount(), 2);
  auto f = list->ChildWithTag("feature");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->ChildCount(), 3);
  EXPECT_EQ(f->ChildText("KEY_DESC"), "d1");
  EXPECT_EQ(f->ChildText("absent"), "");
  f = f->NextSibling();  // skips the text between
  ASSERT_TRUE(f);
  EXPECT_EQ(f->ChildText("KEYVALUE"), "k2");
  EXPECT_FALSE(f->NextSibling());
  EXPECT_EQ(doc.FindByTag("KEYVALUE")->Text(), "k1");  // document order
  EXPECT_TRUE(doc.FindByTag("doc")->IsSameElement(doc));
  EXPECT_FALSE(doc.FindByTag("nowhere"));
  EXPECT_EQ(doc.FirstChild()->Tag(), "head");
}

TEST(XmlElement, TextsRoundTripThroughAFile) {
  const std::string texts[] = {
      "plain",     "a < b & c > d \"q\" 'a'",     "line1\r\nline2\nline3\r", "tab\there", "   ", " lead and trail ",
      "ünïcödé €", std::string(1, '\x01') + "ctl"};
  XmlElement root = Make("root");
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    XmlElement e = Make(("V" + std::to_string(i)).c_str());
    e.SetText(texts[i]);
    ASSERT_TRUE(root.AppendChild(e));
  }
  const auto path = (std::filesystem::temp_directory_path() / ("xmltexts-" + std::to_string(::getpid()))).string();
  ASSERT_TRUE(root.SaveFile(path)) << root.LastError();
  XmlElement back;
  ASSERT_TRUE(back.LoadFile(path)) << back.LastError();
  std::filesystem::remove(path);
  for (std::size_t i = 0; i < std::size(texts); ++i) EXPECT_EQ(back.ChildText("V" + std::to_string(i)), texts[i]) << i;
}

TEST_F(XmlFileTest, LoadMakesTheObjectTheRoot) {
  Write(File("a.xml"), "<?xml version=\"1.0\"?>\n<top a=\"1\">\n  <child>x</child>\n</top>\n");
  XmlElement e = Make("old");
  ASSERT_TRUE(e.LoadFile(File("a.xml"))) << e.LastError();
  EXPECT_EQ(e.Tag(), "top");
  EXPECT_TRUE(e.TestAttribute("a", "1"));
  EXPECT_EQ(e.ChildText("child"), "x");
  EXPECT_EQ(e.Text(), "");  // indentation is not text
}

TEST_F(XmlFileTest, BadFilesFailWithAReasonAndLeaveTheElement) {
  struct Case {
    const char* name;
    std::string content;
  } cases[] = {{"empty", ""},
               {"not xml", "this is not xml"},
               {"truncated", "<?xml version=\"1.0\"?>\n<a>\n  <b>1</b>\n  <c"},
               {"unclosed", "<a><b></a>"},
               {"only a declaration", "<?xml version=\"1.0\"?>"},
               {"binary", std::string("\0\xff\xfe\x01<a>", 7)}};
  for (const auto& c : cases) {
    Write(File("bad.xml"), c.content);
    XmlElement e = Make("kept", "value");
    EXPECT_FALSE(e.LoadFile(File("bad.xml"))) << c.name;
    EXPECT_NE(e.LastError(), "") << c.name;
    EXPECT_EQ(e.Xml(), "<kept>value</kept>") << c.name;
  }
  XmlElement e;
  EXPECT_FALSE(e.LoadFile(File("missing.xml")));
  EXPECT_NE(e.LastError().find("missing.xml"), std::string::npos) << e.LastError();
}

TEST_F(XmlFileTest, ParseErrorsNameTheLine) {
  Write(File("bad.xml"), "<a>\n<b>\n</a>\n");
  XmlElement e;
  ASSERT_FALSE(e.LoadFile(File("bad.xml")));
  EXPECT_NE(e.LastError().find("line 3"), std::string::npos) << e.LastError();
}

TEST_F(XmlFileTest, SaveWritesADeclarationAndTheTree) {
  XmlElement root = Parse("<r><s v=\"1\">t</s><d><A><B>x</B></A></d></r>");
  ASSERT_TRUE(root.SaveFile(File("out.xml"))) << root.LastError();
  const std::string text = Read(File("out.xml"));
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u) << text;
  XmlElement back;
  ASSERT_TRUE(back.LoadFile(File("out.xml")));
  EXPECT_EQ(back.Xml(), root.Xml());
}

TEST_F(XmlFileTest, SaveRefusesAnElementWithoutATag) {
  XmlElement root = Make("r");
  XmlElement unnamed;
  ASSERT_TRUE(root.AppendChild(unnamed));
  EXPECT_FALSE(root.SaveFile(File("out.xml")));
  EXPECT_NE(root.LastError(), "");
  EXPECT_FALSE(std::filesystem::exists(File("out.xml")));
}

TEST_F(XmlFileTest, AFailedSaveLeavesTheOldFile) {
  const std::string path = File("config.xml");
  Write(path, "<old/>");
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  XmlElement root = Make("new");
  EXPECT_FALSE(root.SaveFile(path));
  EXPECT_NE(root.LastError(), "");
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
  EXPECT_EQ(Read(path), "<old/>");
  EXPECT_EQ(folder_.Entries(), 1);  // no temporary left
}

TEST_F(XmlFileTest, ASaveThatRunsOutOfSpaceLeavesTheOldFile) {
  const std::string path = File("config.xml");
  const std::string old = "<old>" + std::string(200, 'o') + "</old>";
  Write(path, old);
  XmlElement root = Make("new", std::string(64 * 1024, 'n').c_str());
  {
    // A file-size limit makes the write stop part-way, as a full disk would.
    FileSizeLimit limit(4096);
    EXPECT_FALSE(root.SaveFile(path));
  }
  EXPECT_NE(root.LastError(), "");
  EXPECT_EQ(Read(path), old);
  EXPECT_EQ(folder_.Entries(), 1);                       // no temporary left
  EXPECT_TRUE(root.SaveFile(path)) << root.LastError();  // and the next save works
}

TEST_F(XmlFileTest, SavingOntoAFolderFailsAndLeavesNoTemporary) {
  std::filesystem::create_directory(File("sub"));
  XmlElement root = Make("new");
  EXPECT_FALSE(root.SaveFile(File("sub")));
  EXPECT_NE(root.LastError(), "");
  EXPECT_TRUE(std::filesystem::is_directory(File("sub")));
  EXPECT_EQ(folder_.Entries(), 1);
}

TEST_F(XmlFileTest, SaveWritesAFileOnlyItsOwnerCanReadAndFollowsLinks) {
  const std::string path = File("real.xml");
  Write(path, "<old/>");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read | std::filesystem::perms::others_read);
  std::filesystem::create_symlink(path, File("link.xml"));
  XmlElement root = Make("new");
  ASSERT_TRUE(root.SaveFile(File("link.xml"))) << root.LastError();
  EXPECT_TRUE(std::filesystem::is_symlink(File("link.xml")));
  EXPECT_NE(Read(path).find("<new />"), std::string::npos);
  // The file may hold passwords: never readable by others, whatever the old file allowed.
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ASSERT_TRUE(root.SaveFile(File("fresh.xml")));
  EXPECT_EQ(std::filesystem::status(File("fresh.xml")).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(AtomicFileNames, OnlyTheShapeOfATemporaryOfTheFileIsOne) {
  using platform::xml::AtomicFile;
  const struct {
    const char* name;
    bool temporary;
  } cases[] = {{"k30418.xml.a1B2c3", true},
               {"k30418.xml.ZZZZZZ", true},
               {"k30418.xml.abcde", false},
               {"k30418.xml.abcdefg", false},
               {"k30418.xml.ab-cd1", false},
               {"k30418.xml.ab.cd1", false},
               {"k30418.xmlXa1B2c3", false},
               {"K30418.xml.a1B2c3", false},
               {"other.xml.a1B2c3", false},
               {"k30418.xml", false},
               {".a1B2c3", false}};
  for (const auto& c : cases) EXPECT_EQ(AtomicFile::IsTemporaryOf(c.name, "k30418.xml"), c.temporary) << c.name;
  EXPECT_FALSE(AtomicFile::IsTemporaryOf(".a1B2c3", ""));
}

// A save killed at any moment leaves the old or the new file whole, and at most a temporary
// that nobody holds any more, in the shape start-up clears away.
TEST_F(XmlFileTest, ASaveKilledAtAnyMomentLeavesAWholeFileAndAnAbandonedTemporary) {
  using platform::xml::AtomicFile;
  const std::string path = File("k30418.xml");
  XmlElement root = Make("settings", std::string(2 * 1024 * 1024, 's').c_str());
  ASSERT_TRUE(root.SaveFile(path)) << root.LastError();
  const std::string whole = Read(path);
  for (int round = 0; round < 12; ++round) {
    const pid_t saver = ::fork();
    if (saver == 0) {
      for (;;) root.SaveFile(path);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(3 + 7 * round));
    ::kill(saver, SIGKILL);
    ::waitpid(saver, nullptr, 0);

    EXPECT_EQ(Read(path), whole) << "round " << round;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      const std::string name = e.path().filename().string();
      if (name == "k30418.xml") continue;
      EXPECT_TRUE(AtomicFile::IsTemporaryOf(name, "k30418.xml")) << name;
      EXPECT_FALSE(AtomicFile::InUse(e.path().string())) << name;
      std::filesystem::remove(e.path());
    }
  }
}

TEST_F(XmlFileTest, ATemporaryIsInUseWhileItsSaveHoldsIt) {
  using platform::xml::AtomicFile;
  const std::string temp = File("k30418.xml.Hld123");
  Write(temp, "<partial");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const int fd = ::open(temp.c_str(), O_RDWR);
    ::flock(fd, LOCK_EX);
    (void)!::write(ready[1], "x", 1);
    ::pause();
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  EXPECT_TRUE(AtomicFile::InUse(temp));
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_FALSE(AtomicFile::InUse(temp));
  EXPECT_FALSE(AtomicFile::InUse(File("k30418.xml.NoSuch")));
  ::close(ready[0]);
  ::close(ready[1]);
}
