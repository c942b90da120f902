#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform::xml {

namespace detail {
struct Handle;
}

// One XML element. A new object is a new, unattached element (with no tag yet);
// appending it to another element moves it, with everything below it, into
// that element's tree; loading a file makes the object the file's root.
//
// Copies of an XmlElement refer to the same element (as references to the
// same object would). Every element keeps the tree it lives in alive, so an
// XmlElement is always safe to use, whatever happens to the objects it came
// from: an element whose tree is thrown away or re-parented elsewhere simply
// goes on living in (or moves with) its own part of the tree.
//
// Operations that can fail return false and leave a reason in LastError();
// the element is then unchanged.
class XmlElement {
 public:
  XmlElement();

  // The tag; SetTag refuses a text that is not an XML name.
  std::string Tag() const;
  bool SetTag(std::string_view tag);

  // The element's own text: its text children joined (the text of elements
  // below it is not included). SetText replaces that text and keeps the child
  // elements.
  std::string Text() const;
  void SetText(std::string_view text);

  bool AddAttribute(std::string_view name, std::string_view value);
  // Sets the attribute, adding it when missing.
  bool UpdateAttribute(std::string_view name, std::string_view value);
  // True when the attribute exists and has exactly that value.
  bool TestAttribute(std::string_view name, std::string_view value) const;
  std::optional<std::string> Attribute(std::string_view name) const;

  // Makes child the last child of this element, moving it out of wherever it
  // was. Refused for the element itself or one of its ancestors.
  bool AppendChild(const XmlElement& child);

  // Child elements: all of them, those with a tag, the first with a tag.
  int ChildCount() const;
  int CountChildrenWithTag(std::string_view tag) const;
  std::optional<XmlElement> ChildWithTag(std::string_view tag) const;
  // The text of the first child with the tag, "" when there is none.
  std::string ChildText(std::string_view tag) const;
  std::optional<XmlElement> FirstChild() const;
  // The next element after this one under the same parent.
  std::optional<XmlElement> NextSibling() const;
  // The first element with the tag, this one or one below it, in document order.
  std::optional<XmlElement> FindByTag(std::string_view tag) const;

  // Reads a file (or a text) whose root element then becomes this object.
  bool LoadFile(const std::string& path);
  bool LoadText(std::string_view xml);
  // Writes this element as the root of a file. The file is replaced as a
  // whole: it is written beside the old one and renamed over it.
  bool SaveFile(const std::string& path);
  // The element and everything below it as XML text.
  std::string Xml() const;

  const std::string& LastError() const;

  // Replaces the element's content by one text holding its encrypted form;
  // Decrypt with the same key restores it. Another key or damaged text fails
  // and leaves the element as it was.
  bool Encrypt(std::string_view key);
  bool Decrypt(std::string_view key);

  bool IsSameElement(const XmlElement& other) const;

  // True for a text that SetTag accepts (an XML name without namespace).
  static bool IsValidName(std::string_view name);

 private:
  explicit XmlElement(std::shared_ptr<detail::Handle> handle);
  bool Fail(std::string reason) const;

  std::shared_ptr<detail::Handle> h_;
};

}  // namespace platform::xml
