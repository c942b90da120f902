#include <gtest/gtest.h>

#include "platform/xml/XmlCipher.h"
#include "platform/xml/XmlElement.h"

using platform::xml::XmlCipher;
using platform::xml::XmlElement;

namespace {

constexpr const char* kKey = "k3y-0f-10!";

XmlElement Parse(const std::string& xml) {
  XmlElement e;
  EXPECT_TRUE(e.LoadText(xml)) << e.LastError();
  return e;
}

const std::string kData =
    "<root><spec v=\"1\" /><data><OPTIONS><LOG_VERBOSITY>3</LOG_VERBOSITY>"
    "<PW>a &lt; b</PW></OPTIONS>loose text<EMPTY /></data></root>";

}  // namespace

TEST(XmlEncryption, EncryptHidesTheContentAndDecryptRestoresIt) {
  XmlElement root = Parse(kData);
  XmlElement data = *root.ChildWithTag("data");
  const std::string before = data.Xml();

  ASSERT_TRUE(data.Encrypt(kKey)) << data.LastError();
  EXPECT_EQ(data.ChildCount(), 0);
  EXPECT_EQ(data.Xml().find("LOG_VERBOSITY"), std::string::npos);
  EXPECT_EQ(data.Text().find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
            std::string::npos);
  EXPECT_TRUE(root.ChildWithTag("spec"));  // only the element's content is touched

  ASSERT_TRUE(data.Decrypt(kKey)) << data.LastError();
  EXPECT_EQ(data.Xml(), before);
}

TEST(XmlEncryption, EachEncryptionDiffers) {
  XmlElement a = Parse(kData), b = Parse(kData);
  ASSERT_TRUE(a.Encrypt(kKey));
  ASSERT_TRUE(b.Encrypt(kKey));
  EXPECT_NE(a.Text(), b.Text());  // fresh nonce each time
}

TEST(XmlEncryption, AnEmptyElementRoundTrips) {
  XmlElement e = Parse("<data/>");
  ASSERT_TRUE(e.Encrypt(kKey));
  EXPECT_NE(e.Text(), "");
  ASSERT_TRUE(e.Decrypt(kKey));
  EXPECT_EQ(e.Xml(), "<data/>");
}

TEST(XmlEncryption, WrongKeyOrDamagedTextFailsAndLeavesTheElement) {
  XmlElement sealed = Parse(kData);
  ASSERT_TRUE(sealed.Encrypt(kKey));
  const std::string good = sealed.Text();
  std::string flipped = good;
  flipped[20] = flipped[20] == 'A' ? 'B' : 'A';

  struct Case {
    const char* name;
    std::string text;
    std::string key;
  } cases[] = {{"other key", good, "another-key"},
               {"one character changed", flipped, kKey},
               {"truncated", good.substr(0, good.size() / 2), kKey},
               {"too short", "QUJD", kKey},
               {"not base64", "***not base64***", kKey},
               {"padding inside", good.substr(0, 8) + "=" + good.substr(9), kKey},
               {"empty", "", kKey},
               {"empty key", good, ""}};
  for (const auto& c : cases) {
    XmlElement e;
    ASSERT_TRUE(e.SetTag("data"));
    e.SetText(c.text);
    EXPECT_FALSE(e.Decrypt(c.key)) << c.name;
    EXPECT_NE(e.LastError(), "") << c.name;
    EXPECT_EQ(e.Text(), c.text) << c.name;
  }
}

TEST(XmlEncryption, DecryptOfPlainContentFails) {
  XmlElement e = Parse("<data><A>1</A></data>");
  EXPECT_FALSE(e.Decrypt(kKey));
  EXPECT_EQ(e.Xml(), "<data><A>1</A></data>");
}

TEST(XmlEncryption, ElementsHeldInsideSurviveEncryption) {
  XmlElement data = Parse("<data><A><B>b</B></A></data>");
  XmlElement b = *data.ChildWithTag("A")->ChildWithTag("B");
  ASSERT_TRUE(data.Encrypt(kKey));
  EXPECT_EQ(b.Text(), "b");  // lives on outside the encrypted element
  b.SetText("changed");
  ASSERT_TRUE(data.Decrypt(kKey));
  EXPECT_EQ(data.ChildWithTag("A")->ChildText("B"), "b");
}

TEST(XmlEncryption, LargeContentRoundTrips) {
  XmlElement data = Parse("<data><BIG/></data>");
  const std::string big(3 * 1024 * 1024 + 7, 'x');
  data.ChildWithTag("BIG")->SetText(big);
  ASSERT_TRUE(data.Encrypt(kKey));
  ASSERT_TRUE(data.Decrypt(kKey)) << data.LastError();
  EXPECT_EQ(data.ChildText("BIG"), big);
}

TEST(XmlCipher, Base64) {
  struct Case {
    std::string bytes, text;
  } cases[] = {{"", ""},        {"f", "Zg=="},          {"fo", "Zm8="},
               {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}, {std::string("\0\xff\x10", 3), "AP8Q"}};
  for (const auto& c : cases) {
    EXPECT_EQ(XmlCipher::Base64Encode(c.bytes), c.text);
    std::string back;
    ASSERT_TRUE(XmlCipher::Base64Decode(c.text, back)) << c.text;
    EXPECT_EQ(back, c.bytes);
  }
  std::string out;
  EXPECT_TRUE(XmlCipher::Base64Decode("Zm9v\r\n  YmFy", out));  // line breaks are skipped
  EXPECT_EQ(out, "foobar");
  for (const char* bad : {"Zm9", "Zm9v=", "Zg=a", "Z===", "Zm9v!"})
    EXPECT_FALSE(XmlCipher::Base64Decode(bad, out)) << bad;
}
