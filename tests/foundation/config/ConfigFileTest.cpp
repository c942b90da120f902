#include "ConfigFixture.h"
#include "core/Text.h"

using platform::xml::XmlElement;

namespace {

const std::string kSeparator = ">>>" + std::string(62, '-');

std::vector<std::string> ChildTags(const XmlElement& e) {
  std::vector<std::string> tags;
  for (auto c = e.FirstChild(); c; c = c->NextSibling()) tags.push_back(c->Tag());
  return tags;
}

// The element at a key path below data, if the whole path is there.
std::optional<XmlElement> AtPath(XmlElement data, const std::string& key) {
  std::optional<XmlElement> e = data;
  for (const auto& part : core::Split(core::UCase(key), "\\")) {
    e = e->ChildWithTag(part);
    if (!e) return std::nullopt;
  }
  return e;
}

}  // namespace

TEST_F(ConfigTest, AFirstReadCreatesTheFileWithEveryDefault) {
  auto c = NewStore();
  ASSERT_TRUE(c->ReadConfig());
  EXPECT_EQ(NewLogLines(), (std::vector<std::string>{"Configuration file does not exist at " + ConfigPath(),
                                                     "Attempting to create a default configuration file...",
                                                     "Default configuration file successfully created."}));
  EXPECT_FALSE(c->ChangeWasMade());

  XmlElement root = LoadConfigFile();
  EXPECT_EQ(root.Tag(), "qalconfigurationxml");
  EXPECT_EQ(ChildTags(root), (std::vector<std::string>{"spec", "data"}));
  XmlElement spec = *root.ChildWithTag("spec");
  EXPECT_TRUE(spec.TestAttribute("version", "1"));
  EXPECT_TRUE(spec.TestAttribute("encrypted", "False"));

  XmlElement data = *root.ChildWithTag("data");
  // Bucket order, not declaration order: TARGET\RECOVERY\ATTEMPTS comes first.
  EXPECT_EQ(ChildTags(data), (std::vector<std::string>{"TARGET", "SOURCE", "VORNKRYM", "OPTIONS", "K30418"}));
  EXPECT_EQ(ChildTags(*data.ChildWithTag("TARGET")), (std::vector<std::string>{"RECOVERY", "COMMENTWRITER"}));
  for (const auto& [key, value] : ProgramKeyTree()) {
    auto e = AtPath(data, key);
    ASSERT_TRUE(e) << key;
    EXPECT_EQ(e->Text(), value) << key;
    EXPECT_EQ(c->item(key), value) << key;
  }
  EXPECT_EQ(data.ChildWithTag("OPTIONS")->ChildCount(), 13);
}

TEST_F(ConfigTest, TheDumpStartsWithTheFirstKeyInBucketOrder) {
  auto c = NewStore();
  c->dumpConfiguration();
  const auto lines = NewLogLines();
  ASSERT_EQ(lines.size(), ProgramKeyTree().size() + 3);
  EXPECT_EQ(lines[2], "TARGET\\RECOVERY\\ATTEMPTS : 6");
}

TEST_F(ConfigTest, SavedValuesAreReadBack) {
  auto c = NewStore();
  ASSERT_TRUE(c->ReadConfig());
  c->item("OPTIONS\\LOG_VERBOSITY", "9");
  c->item("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE", "");  // an empty element
  c->item("K30418\\SourcePassword", "p<a>s&s \"w\" 'd'");
  c->item("K30418\\SourceCustomization", "  Port=5432;\r\nApp=x;  ");
  ASSERT_TRUE(c->SaveConfig());
  EXPECT_FALSE(c->ChangeWasMade());

  auto d = NewStore();
  ASSERT_TRUE(d->ReadConfig());
  EXPECT_EQ(d->item("OPTIONS\\LOG_VERBOSITY"), "9");
  EXPECT_EQ(d->item("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE"), "");
  EXPECT_EQ(d->item("K30418\\SOURCEPASSWORD"), "p<a>s&s \"w\" 'd'");
  EXPECT_EQ(d->item("K30418\\SOURCECUSTOMIZATION"), "  Port=5432;\r\nApp=x;  ");
  EXPECT_EQ(d->item("SOURCE\\CACHE\\LIMIT_BY_DAYS_SETPOINT"), "14");
  EXPECT_TRUE(AtPath(*LoadConfigFile().ChildWithTag("data"), "VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE"));
}

TEST_F(ConfigTest, FileValuesWinOverDefaultsOnlyForDeclaredKeys) {
  // An older file: no K30418 section, an element nobody declares, and a
  // declared key missing.
  Write(ConfigPath(), FileWithData("<OPTIONS><LOG_VERBOSITY>4</LOG_VERBOSITY><OBSOLETE>x</OBSOLETE></OPTIONS>"
                                   "<TARGET><RECOVERY><ATTEMPTS>2</ATTEMPTS></RECOVERY></TARGET>"));
  auto c = NewStore();
  ASSERT_TRUE(c->ReadConfig());
  EXPECT_TRUE(NewLogLines().empty());
  EXPECT_EQ(c->item("OPTIONS\\LOG_VERBOSITY"), "4");
  EXPECT_EQ(c->item("TARGET\\RECOVERY\\ATTEMPTS"), "2");
  EXPECT_EQ(c->item("TARGET\\RECOVERY\\SECONDS"), "10");
  EXPECT_EQ(c->item("K30418\\SOURCEPROVIDER"), "Microsoft.Jet.OLEDB.4.0");
  EXPECT_FALSE(c->ChangeWasMade());

  ASSERT_TRUE(c->SaveConfig());
  XmlElement data = *LoadConfigFile().ChildWithTag("data");
  EXPECT_FALSE(data.ChildWithTag("OPTIONS")->ChildWithTag("OBSOLETE"));
  ASSERT_TRUE(AtPath(data, "K30418\\SourceProvider"));
  EXPECT_EQ(AtPath(data, "K30418\\SourceProvider")->Text(), "Microsoft.Jet.OLEDB.4.0");
  EXPECT_EQ(AtPath(data, "TARGET\\RECOVERY\\ATTEMPTS")->Text(), "2");
}

TEST_F(ConfigTest, ASecondReadOverwritesOnlyTheKeysInTheFile) {
  Write(ConfigPath(), FileWithData("<OPTIONS><LOG_VERBOSITY>4</LOG_VERBOSITY></OPTIONS>"));
  auto c = NewStore();
  ASSERT_TRUE(c->ReadConfig());
  c->item("OPTIONS\\LOG_VERBOSITY", "7");
  c->item("OPTIONS\\KEEP_LOGS_FOR", "99");
  ASSERT_TRUE(c->ReadConfig());
  EXPECT_EQ(c->item("OPTIONS\\LOG_VERBOSITY"), "4");
  EXPECT_EQ(c->item("OPTIONS\\KEEP_LOGS_FOR"), "99");
  EXPECT_FALSE(c->ChangeWasMade());
}

TEST_F(ConfigTest, AnEncryptedSaveHidesTheDataAndIsReadBack) {
  auto c = NewStore();
  ASSERT_TRUE(c->ReadConfig());
  c->item("K30418\\SourcePassword", "secret-pw");
  c->EncryptData(true);
  ASSERT_TRUE(c->SaveConfig());

  const std::string text = Read(ConfigPath());
  EXPECT_EQ(text.find("secret-pw"), std::string::npos);
  EXPECT_EQ(text.find("OPTIONS"), std::string::npos);
  XmlElement root = LoadConfigFile();
  EXPECT_TRUE(root.ChildWithTag("spec")->TestAttribute("encrypted", "True"));
  EXPECT_TRUE(root.ChildWithTag("spec")->TestAttribute("version", "1"));
  EXPECT_EQ(root.ChildWithTag("data")->ChildCount(), 0);

  auto d = NewStore();
  ASSERT_TRUE(d->ReadConfig());
  EXPECT_EQ(d->item("K30418\\SOURCEPASSWORD"), "secret-pw");
  EXPECT_EQ(d->item("OPTIONS\\REFRESH_LOGSIZE"), "4096");

  // Without encryption the next save is plain again.
  d->EncryptData(false);
  ASSERT_TRUE(d->SaveConfig());
  EXPECT_TRUE(LoadConfigFile().ChildWithTag("spec")->TestAttribute("encrypted", "False"));
  EXPECT_NE(Read(ConfigPath()).find("secret-pw"), std::string::npos);
}

TEST_F(ConfigTest, ADamagedEncryptedDataPartFailsTheReadAndIsNeverSavedOver) {
  auto c = NewStore();
  c->item("OPTIONS\\LOG_VERBOSITY", "6");
  c->EncryptData(true);
  ASSERT_TRUE(c->SaveConfig());
  XmlElement root = LoadConfigFile();
  XmlElement data = *root.ChildWithTag("data");
  std::string sealed = data.Text();
  sealed[sealed.size() / 2] = sealed[sealed.size() / 2] == 'A' ? 'B' : 'A';
  data.SetText(sealed);
  ASSERT_TRUE(root.SaveFile(ConfigPath()));
  const std::string damaged = Read(ConfigPath());

  auto d = NewStore();
  d->item("OPTIONS\\LOG_VERBOSITY", "3");
  NewLogLines();
  EXPECT_FALSE(d->ReadConfig());
  const std::string reason =
      "its encrypted data part cannot be decrypted: "
      "The encrypted text was damaged or made with another key";
  EXPECT_EQ(NewLogLines(),
            (std::vector<std::string>{"Failed to decrypt XML data in QALConfiguration.ValidateXMLformat()",
                                      "ValidateXMLFormat failed in QALConfiguration.ReadConfig().",
                                      "Configuration file " + ConfigPath() + " cannot be used: " + reason}));
  EXPECT_EQ(d->LastReadError(), reason);
  EXPECT_EQ(d->item("OPTIONS\\LOG_VERBOSITY"), "3");

  // A save from what the store holds now would put built-in values in place of the user's.
  d->item("OPTIONS\\LOG_VERBOSITY", "4");
  EXPECT_FALSE(d->SaveConfig());
  EXPECT_EQ(NewLogLines(), std::vector<std::string>{"The configuration was not saved: " + ConfigPath() +
                                                    " could not be read, and saving would replace it with the "
                                                    "values held in memory."});
  EXPECT_TRUE(d->ChangeWasMade());
  EXPECT_EQ(Read(ConfigPath()), damaged);

  // Mended by hand, the file reads again, and saves work again.
  c->EncryptData(false);
  ASSERT_TRUE(c->SaveConfig());
  ASSERT_TRUE(d->ReadConfig());
  EXPECT_EQ(d->LastReadError(), "");
  EXPECT_EQ(d->item("OPTIONS\\LOG_VERBOSITY"), "6");
  EXPECT_TRUE(d->SaveConfig());
}

TEST_F(ConfigTest, FilesOfAnotherShapeAreRefused) {
  struct Case {
    const char* name;
    std::string content;
    const char* reason;
  } cases[] = {
      {"another root", "<config><spec version=\"1\" encrypted=\"False\"/><data/></config>",
       "the root element is <config>, not <qalconfigurationxml>"},
      {"root in another case", "<QALCONFIGURATIONXML><spec version=\"1\"/><data/></QALCONFIGURATIONXML>",
       "the root element is <QALCONFIGURATIONXML>, not <qalconfigurationxml>"},
      {"no data", "<qalconfigurationxml><spec version=\"1\" encrypted=\"False\"/></qalconfigurationxml>",
       "it holds 0 <data> elements, not one"},
      {"two data", "<qalconfigurationxml><spec version=\"1\"/><data/><data/></qalconfigurationxml>",
       "it holds 2 <data> elements, not one"},
      {"no spec", "<qalconfigurationxml><data/></qalconfigurationxml>", "it holds 0 <spec> elements, not one"},
      {"version 2", FileWithData("<OPTIONS><LOG_VERBOSITY>5</LOG_VERBOSITY></OPTIONS>", "version=\"2\""),
       "its <spec> element does not say version=\"1\""},
      {"no version", FileWithData("", "encrypted=\"False\""), "its <spec> element does not say version=\"1\""},
      {"encrypted text that is no base64", FileWithData("not base64!", "version=\"1\" encrypted=\"True\""),
       "its encrypted data part cannot be decrypted: The encrypted text is not valid base64"},
      // encrypted says one of its two words exactly, or the file is damaged.
      {"encrypted in lower case",
       FileWithData("<OPTIONS><LOG_VERBOSITY>5</LOG_VERBOSITY></OPTIONS>", "version=\"1\" encrypted=\"true\""),
       "its <spec> element says encrypted=\"true\", which is neither \"True\" (the data part is encrypted) nor "
       "\"False\" (it is not)"},
      {"encrypted empty", FileWithData("", "version=\"1\" encrypted=\"\""),
       "its <spec> element says encrypted=\"\", which is neither \"True\" (the data part is encrypted) nor "
       "\"False\" (it is not)"},
      {"encrypted with a blank", FileWithData("", "version=\"1\" encrypted=\"False \""),
       "its <spec> element says encrypted=\"False \", which is neither \"True\" (the data part is encrypted) nor "
       "\"False\" (it is not)"},
      // Text where the elements belong is encrypted content that is not marked so.
      {"text in a plain data part", FileWithData("\n  q83vEjRWeJq83vEjRWeJ==\n"),
       "its <data> element holds text where its elements belong, but its <spec> element says "
       "encrypted=\"False\"; an encrypted data part must be marked encrypted=\"True\""},
      {"text without the attribute", FileWithData("q83vEjRWeJ<OPTIONS/>", "version=\"1\""),
       "its <data> element holds text where its elements belong, but its <spec> element does not say "
       "encrypted=\"True\"; an encrypted data part must be marked encrypted=\"True\""},
  };
  for (const auto& cs : cases) {
    Write(ConfigPath(), cs.content);
    auto c = NewStore();
    c->item("OPTIONS\\LOG_VERBOSITY", "8");
    NewLogLines();
    EXPECT_FALSE(c->ReadConfig()) << cs.name;
    const auto lines = NewLogLines();
    ASSERT_GE(lines.size(), 2u) << cs.name;
    EXPECT_EQ(lines[lines.size() - 2], "ValidateXMLFormat failed in QALConfiguration.ReadConfig().") << cs.name;
    EXPECT_EQ(lines.back(), "Configuration file " + ConfigPath() + " cannot be used: " + cs.reason) << cs.name;
    EXPECT_EQ(c->item("OPTIONS\\LOG_VERBOSITY"), "8") << cs.name;
    EXPECT_TRUE(c->ChangeWasMade()) << cs.name;
    EXPECT_FALSE(c->SaveConfig()) << cs.name;
    EXPECT_EQ(Read(ConfigPath()), cs.content) << cs.name;  // nothing is rewritten
  }
}

// A file saved encrypted and then marked plain holds the keys in its cipher text: read as plain
// it would give every key its default, so it is refused and left as it is.
TEST_F(ConfigTest, EncryptedContentMarkedPlainIsRefused) {
  {
    auto c = NewStore();
    c->item("OPTIONS\\LOG_VERBOSITY", "7");
    c->EncryptData(true);
    ASSERT_TRUE(c->SaveConfig());
  }
  std::string file = Read(ConfigPath());
  const auto at = file.find("encrypted=\"True\"");
  ASSERT_NE(at, std::string::npos) << file;
  file.replace(at, 16, "encrypted=\"False\"");
  Write(ConfigPath(), file);
  auto c = NewStore();
  EXPECT_FALSE(c->ReadConfig());
  EXPECT_EQ(c->LastReadError(),
            "its <data> element holds text where its elements belong, but its <spec> element says "
            "encrypted=\"False\"; an encrypted data part must be marked encrypted=\"True\"");
  EXPECT_FALSE(c->SaveConfig());
  EXPECT_EQ(Read(ConfigPath()), file);
}

TEST_F(ConfigTest, FilesThatAreNotXmlFailTheLoadWithItsDetails) {
  struct Case {
    const char* name;
    std::string content;
    const char* reason;
  } cases[] = {{"empty", "", "at line 1, column 1"},
               {"not xml", "LOG_VERBOSITY=5\n", "No document element found at line 2, column 1"},
               {"truncated", FileWithData("<OPTIONS><LOG_VERBOSITY>5</LOG_VERBOSITY></OPTIONS>").substr(0, 90),
                "at line 2, column"},
               {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "No document element found"}};
  for (const auto& cs : cases) {
    Write(ConfigPath(), cs.content);
    auto c = NewStore();
    NewLogLines();
    EXPECT_FALSE(c->ReadConfig()) << cs.name;
    const auto lines = NewLogLines();
    ASSERT_EQ(lines.size(), 7u) << cs.name;
    EXPECT_EQ(lines[0], kSeparator);
    EXPECT_EQ(lines[1], "DocumentRoot.LoadXmlFile returned 0 in QALConfiguration.LoadXML()");
    EXPECT_EQ(lines[2], "    Details:");
    EXPECT_NE(lines[3].find(ConfigPath()), std::string::npos) << lines[3];
    EXPECT_EQ(lines[4], kSeparator);
    EXPECT_EQ(lines[5], "LoadXML() failed in QALConfiguration.ReadConfig().");
    // The reason at level 0, where a log at the default verbosity shows it: the parser's
    // message and where it stopped.
    EXPECT_EQ(lines[6], "Configuration file " + ConfigPath() + " cannot be used: " + c->LastReadError());
    EXPECT_NE(c->LastReadError().find(cs.reason), std::string::npos) << c->LastReadError();
    EXPECT_EQ(c->LastReadError().find(ConfigPath()), std::string::npos) << c->LastReadError();
    EXPECT_EQ(c->item("OPTIONS\\LOG_VERBOSITY"), "0") << cs.name;
    EXPECT_EQ(Read(ConfigPath()), cs.content) << cs.name;
  }
}

TEST_F(ConfigTest, ElementsHoldingTextAndChildrenAreReadAndSavedWithoutLoss) {
  Write(ConfigPath(), FileWithData("<OPTIONS>stray<LOG_VERBOSITY>4<DEEPER>x</DEEPER></LOG_VERBOSITY>"
                                   "<KEEP_LOGS_FOR><![CDATA[4]]>5</KEEP_LOGS_FOR></OPTIONS>"));
  auto c = NewStore();
  ASSERT_TRUE(c->ReadConfig());
  EXPECT_EQ(c->item("OPTIONS"), "stray");
  EXPECT_EQ(c->item("OPTIONS\\LOG_VERBOSITY"), "4");
  EXPECT_EQ(c->item("OPTIONS\\KEEP_LOGS_FOR"), "45");
  ASSERT_TRUE(c->SaveConfig());

  auto d = NewStore();
  ASSERT_TRUE(d->ReadConfig());
  EXPECT_EQ(d->item("OPTIONS"), "stray");
  EXPECT_EQ(d->item("OPTIONS\\LOG_VERBOSITY"), "4");
  EXPECT_EQ(d->item("OPTIONS\\KEEP_LOGS_FOR"), "45");
  EXPECT_EQ(d->item("OPTIONS\\REFRESH_LOGSIZE"), "4096");
}

TEST_F(ConfigTest, ATenMegabyteValueRoundTripsPlainAndEncrypted) {
  std::string big(10 * 1024 * 1024, 'v');
  for (std::size_t i = 0; i < big.size(); i += 997) big[i] = static_cast<char>('a' + i % 26);
  for (bool encrypted : {false, true}) {
    auto c = NewStore();
    c->item("K30418\\SourceCustomization", big);
    c->EncryptData(encrypted);
    ASSERT_TRUE(c->SaveConfig()) << encrypted;
    auto d = NewStore();
    ASSERT_TRUE(d->ReadConfig()) << encrypted;
    EXPECT_TRUE(d->item("K30418\\SourceCustomization") == big) << encrypted;
  }
}

// The journal (standard error) hears of it too, once, with the reason: the program cannot run.
TEST_F(ConfigTest, AMissingFileThatCannotBeCreatedFailsTheRead) {
  std::vector<std::string> journal;
  logger_->Journal([&journal](const std::string& line) { journal.push_back(line); });
  for (const std::string& where : {std::string(), (dir_ / "no-such-folder" / "k30418.xml").string()}) {
    auto c = NewStore();
    c->path(where);
    NewLogLines();
    journal.clear();
    EXPECT_FALSE(c->ReadConfig()) << where;
    const auto lines = NewLogLines();
    ASSERT_GE(lines.size(), 3u) << where;
    EXPECT_EQ(lines[0], "Configuration file does not exist at " + where);
    EXPECT_EQ(lines[1], "Attempting to create a default configuration file...");
    EXPECT_TRUE(Contains(lines, "XMLTree.SaveXML returned 0 in QALConfiguration.SaveXML()")) << where;
    EXPECT_EQ(lines[lines.size() - 2], "Unable to create default configuration file in QALConfiguration.ReadConfig().");
    EXPECT_EQ(lines.back(), "Configuration file " + where + " cannot be used: " + c->LastReadError());
    EXPECT_EQ(c->LastReadError().rfind("it does not exist and cannot be created: ", 0), 0u) << c->LastReadError();
    EXPECT_EQ(journal, std::vector<std::string>{lines.back()}) << where;
    EXPECT_FALSE(c->ReadConfig());
    EXPECT_EQ(journal.size(), 1u) << "the same cause is told once";
  }
}

// A directory where the file should be is said to be one, and nothing is made in its place.
TEST_F(ConfigTest, ADirectoryInTheFilesPlaceIsNamedAsOne) {
  std::filesystem::create_directory(ConfigPath());
  auto c = NewStore();
  NewLogLines();
  EXPECT_FALSE(c->ReadConfig());
  const auto lines = NewLogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Configuration file at " + ConfigPath() + " is a directory.");
  EXPECT_EQ(lines[1], "Configuration file " + ConfigPath() + " cannot be used: it is a directory, not a file");
  EXPECT_TRUE(std::filesystem::is_directory(ConfigPath()));
}

TEST_F(ConfigTest, AFailedSaveLeavesTheOldFileWhole) {
  auto c = NewStore();
  ASSERT_TRUE(c->ReadConfig());
  const std::string before = Read(ConfigPath());
  c->item("K30418\\SourceCustomization", std::string(256 * 1024, 'x'));
  NewLogLines();
  {
    FileSizeLimit limit(before.size() + 100);
    EXPECT_FALSE(c->SaveConfig());
  }
  EXPECT_FALSE(c->ChangeWasMade());
  const auto lines = NewLogLines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], kSeparator);
  EXPECT_EQ(lines[1], "XMLTree.SaveXML returned 0 in QALConfiguration.SaveXML()");
  EXPECT_EQ(lines[2], "    Details:");
  EXPECT_NE(lines[3], "");
  EXPECT_EQ(lines[4], kSeparator);
  EXPECT_EQ(Read(ConfigPath()), before);
  auto d = NewStore();
  ASSERT_TRUE(d->ReadConfig());
  EXPECT_EQ(d->item("K30418\\SourceCustomization"), "");
}

TEST_F(ConfigTest, ASaveIntoAReadOnlyFolderLeavesTheOldFileWhole) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  auto c = NewStore();
  ASSERT_TRUE(c->ReadConfig());
  const std::string before = Read(ConfigPath());
  c->item("OPTIONS\\LOG_VERBOSITY", "9");
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  EXPECT_FALSE(c->SaveConfig());
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
  EXPECT_EQ(Read(ConfigPath()), before);
}
