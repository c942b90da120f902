#include "platform/xml/XmlElement.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <pugixml.hpp>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "platform/xml/AtomicFile.h"
#include "platform/xml/XmlCipher.h"

namespace platform::xml {

namespace detail {

struct Handle;

// One pugixml document and the handles that point into it. Handles keep their
// document alive; the document only remembers them (weakly) so that it can
// carry them along when a part of its tree moves into another document.
struct Doc {
  pugi::xml_document xml;
  std::vector<std::weak_ptr<Handle>> handles;
  std::size_t sweepAt = 16;
};

struct Handle {
  std::shared_ptr<Doc> doc;
  pugi::xml_node node;
  std::string lastError;
};

}  // namespace detail

namespace {

using detail::Doc;
using detail::Handle;

// Line ends are kept as they are, so that a value read back equals the value
// written; a text that is only blanks survives when it is an element's only
// content.
constexpr unsigned kParseOptions = (pugi::parse_default | pugi::parse_ws_pcdata_single) & ~pugi::parse_eol;

void Register(const std::shared_ptr<Doc>& doc, const std::shared_ptr<Handle>& h) {
  h->doc = doc;
  if (doc->handles.size() >= doc->sweepAt) {
    std::erase_if(doc->handles, [&doc](const std::weak_ptr<Handle>& w) {
      auto p = w.lock();
      return !p || p->doc != doc;
    });
    doc->sweepAt = std::max<std::size_t>(16, doc->handles.size() * 2);
  }
  doc->handles.push_back(h);
}

std::shared_ptr<Handle> NewHandle(const std::shared_ptr<Doc>& doc, pugi::xml_node node) {
  auto h = std::make_shared<Handle>();
  h->node = node;
  Register(doc, h);
  return h;
}

bool IsWithin(pugi::xml_node node, pugi::xml_node root) {
  for (; node; node = node.parent())
    if (node == root) return true;
  return false;
}

bool IsText(pugi::xml_node n) { return n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata; }

// Copies the subtree `from` (in document src) to the end of `parent` (in
// document dst), re-points every live handle inside it to its copy and removes
// the original. Used for every move between documents.
bool Relocate(const std::shared_ptr<Doc>& src, pugi::xml_node from, const std::shared_ptr<Doc>& dst,
              pugi::xml_node parent) {
  std::vector<std::shared_ptr<Handle>> inside;
  for (const auto& w : src->handles)
    if (auto h = w.lock(); h && h->doc == src && IsWithin(h->node, from)) inside.push_back(std::move(h));

  pugi::xml_node copy = parent.append_copy(from);
  if (!copy) return false;

  std::unordered_map<pugi::xml_node_struct*, pugi::xml_node> moved;
  const bool deep = std::any_of(inside.begin(), inside.end(), [&](const auto& h) { return h->node != from; });
  if (deep) {
    // The copy has the same shape as the original: walk both side by side.
    std::vector<std::pair<pugi::xml_node, pugi::xml_node>> todo{{from, copy}};
    while (!todo.empty()) {
      auto [a, b] = todo.back();
      todo.pop_back();
      moved[a.internal_object()] = b;
      for (pugi::xml_node ca = a.first_child(), cb = b.first_child(); ca && cb;
           ca = ca.next_sibling(), cb = cb.next_sibling())
        todo.emplace_back(ca, cb);
    }
  } else {
    moved[from.internal_object()] = copy;
  }
  for (auto& h : inside) {
    h->node = moved[h->node.internal_object()];
    Register(dst, h);
  }
  from.parent().remove_child(from);
  return true;
}

// Removes the children of node; a child that some handle still refers to (or
// that holds such an element) lives on in a document of its own.
void RemoveChildren(const std::shared_ptr<Doc>& doc, pugi::xml_node node) {
  for (pugi::xml_node c = node.first_child(); c;) {
    pugi::xml_node next = c.next_sibling();
    const bool referenced =
        c.type() == pugi::node_element && std::any_of(doc->handles.begin(), doc->handles.end(), [&](const auto& w) {
          auto h = w.lock();
          return h && h->doc == doc && IsWithin(h->node, c);
        });
    if (referenced) {
      auto own = std::make_shared<Doc>();
      Relocate(doc, c, own, own->xml);
    } else {
      node.remove_child(c);
    }
    c = next;
  }
}

bool IsNameStart(unsigned char c) { return c == '_' || std::isalpha(c) || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || std::isdigit(c) || c == '-' || c == '.'; }

// XML names as far as this program needs them (no namespaces).
bool IsXmlName(std::string_view s) {
  if (s.empty() || !IsNameStart(static_cast<unsigned char>(s[0]))) return false;
  return std::all_of(s.begin() + 1, s.end(), [](char c) { return IsNameChar(static_cast<unsigned char>(c)); });
}

class StringWriter : public pugi::xml_writer {
 public:
  void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
  std::string out;
};

std::string Print(pugi::xml_node node, unsigned flags, const char* indent = "") {
  StringWriter w;
  node.print(w, indent, flags, pugi::encoding_utf8);
  return std::move(w.out);
}

// The first element in the tree below node (node included) that fails a test.
template <class Pred>
pugi::xml_node FirstElement(pugi::xml_node node, Pred pred) {
  if (pred(node)) return node;
  return node.find_node([&](pugi::xml_node n) { return n.type() == pugi::node_element && pred(n); });
}

std::string LineAndColumn(std::string_view text, std::ptrdiff_t offset) {
  offset = std::clamp<std::ptrdiff_t>(offset, 0, static_cast<std::ptrdiff_t>(text.size()));
  const auto before = text.substr(0, static_cast<std::size_t>(offset));
  const auto line = std::count(before.begin(), before.end(), '\n') + 1;
  const auto lastBreak = before.rfind('\n');
  const auto column = lastBreak == std::string_view::npos ? before.size() + 1 : before.size() - lastBreak;
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

XmlElement::XmlElement() {
  auto doc = std::make_shared<Doc>();
  h_ = NewHandle(doc, doc->xml.append_child(pugi::node_element));
}

XmlElement::XmlElement(std::shared_ptr<Handle> handle) : h_(std::move(handle)) {}

bool XmlElement::Fail(std::string reason) const {
  h_->lastError = std::move(reason);
  return false;
}

const std::string& XmlElement::LastError() const { return h_->lastError; }

std::string XmlElement::Tag() const { return h_->node.name(); }

bool XmlElement::SetTag(std::string_view tag) {
  if (!IsXmlName(tag)) return Fail("\"" + std::string(tag) + "\" is not a valid element name");
  h_->node.set_name(std::string(tag).c_str());
  return true;
}

std::string XmlElement::Text() const {
  std::string text;
  for (pugi::xml_node c = h_->node.first_child(); c; c = c.next_sibling())
    if (IsText(c)) text += c.value();
  return text;
}

void XmlElement::SetText(std::string_view text) {
  for (pugi::xml_node c = h_->node.first_child(); c;) {
    pugi::xml_node next = c.next_sibling();
    if (IsText(c)) h_->node.remove_child(c);
    c = next;
  }
  if (!text.empty()) h_->node.prepend_child(pugi::node_pcdata).set_value(std::string(text).c_str());
}

bool XmlElement::AddAttribute(std::string_view name, std::string_view value) {
  if (h_->node.attribute(std::string(name).c_str())) return UpdateAttribute(name, value);
  if (!IsXmlName(name)) return Fail("\"" + std::string(name) + "\" is not a valid attribute name");
  h_->node.append_attribute(std::string(name).c_str()).set_value(std::string(value).c_str());
  return true;
}

bool XmlElement::UpdateAttribute(std::string_view name, std::string_view value) {
  pugi::xml_attribute a = h_->node.attribute(std::string(name).c_str());
  if (!a) return AddAttribute(name, value);
  a.set_value(std::string(value).c_str());
  return true;
}

bool XmlElement::TestAttribute(std::string_view name, std::string_view value) const {
  pugi::xml_attribute a = h_->node.attribute(std::string(name).c_str());
  return a && value == a.value();
}

std::optional<std::string> XmlElement::Attribute(std::string_view name) const {
  pugi::xml_attribute a = h_->node.attribute(std::string(name).c_str());
  if (!a) return std::nullopt;
  return std::string(a.value());
}

bool XmlElement::AppendChild(const XmlElement& child) {
  Handle& c = *child.h_;
  if (c.doc == h_->doc) {
    if (IsWithin(h_->node, c.node)) return Fail("An element cannot be appended to itself or to an element below it");
    if (!h_->node.append_move(c.node)) return Fail("The element could not be appended");
    return true;
  }
  // Keep the source document alive while its handles move out of it.
  const std::shared_ptr<Doc> source = c.doc;
  if (!Relocate(source, c.node, h_->doc, h_->node)) return Fail("The element could not be appended");
  return true;
}

int XmlElement::ChildCount() const {
  int n = 0;
  for (pugi::xml_node c = h_->node.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) ++n;
  return n;
}

int XmlElement::CountChildrenWithTag(std::string_view tag) const {
  int n = 0;
  for (pugi::xml_node c = h_->node.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element && tag == c.name()) ++n;
  return n;
}

std::optional<XmlElement> XmlElement::ChildWithTag(std::string_view tag) const {
  for (pugi::xml_node c = h_->node.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element && tag == c.name()) return XmlElement(NewHandle(h_->doc, c));
  return std::nullopt;
}

std::string XmlElement::ChildText(std::string_view tag) const {
  auto c = ChildWithTag(tag);
  return c ? c->Text() : std::string();
}

std::optional<XmlElement> XmlElement::FirstChild() const {
  for (pugi::xml_node c = h_->node.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) return XmlElement(NewHandle(h_->doc, c));
  return std::nullopt;
}

std::optional<XmlElement> XmlElement::NextSibling() const {
  for (pugi::xml_node s = h_->node.next_sibling(); s; s = s.next_sibling())
    if (s.type() == pugi::node_element) return XmlElement(NewHandle(h_->doc, s));
  return std::nullopt;
}

std::optional<XmlElement> XmlElement::FindByTag(std::string_view tag) const {
  pugi::xml_node found = FirstElement(h_->node, [&](pugi::xml_node n) { return tag == n.name(); });
  if (!found) return std::nullopt;
  return XmlElement(NewHandle(h_->doc, found));
}

bool XmlElement::LoadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail("Unable to open " + path + ": " + std::strerror(errno));
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return Fail("Unable to read " + path);
  if (!LoadText(text)) return Fail(path + ": " + h_->lastError);
  return true;
}

bool XmlElement::LoadText(std::string_view text) {
  auto doc = std::make_shared<Doc>();
  const pugi::xml_parse_result r = doc->xml.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_auto);
  if (!r) return Fail(std::string(r.description()) + " at " + LineAndColumn(text, r.offset));
  pugi::xml_node root = doc->xml.document_element();
  if (!root) return Fail("The document has no root element");
  // The object becomes the loaded root; whatever referred to its old tree keeps it.
  h_->node = root;
  Register(doc, h_);
  return true;
}

std::string XmlElement::Xml() const { return Print(h_->node, pugi::format_raw); }

bool XmlElement::SaveFile(const std::string& path) {
  pugi::xml_node unnamed = FirstElement(h_->node, [](pugi::xml_node n) { return *n.name() == '\0'; });
  if (unnamed) return Fail("An element without a tag cannot be written");
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  text += Print(h_->node, pugi::format_indent, "  ");
  std::string error;
  if (!AtomicFile::Write(path, text, error)) return Fail(error);
  return true;
}

bool XmlElement::Encrypt(std::string_view key) {
  std::string plain;
  for (pugi::xml_node c = h_->node.first_child(); c; c = c.next_sibling()) plain += Print(c, pugi::format_raw);
  std::string sealed, error;
  if (!XmlCipher::Seal(plain, key, sealed, error)) return Fail(error);
  RemoveChildren(h_->doc, h_->node);
  h_->node.append_child(pugi::node_pcdata).set_value(sealed.c_str());
  return true;
}

bool XmlElement::Decrypt(std::string_view key) {
  if (ChildCount() > 0) return Fail("The element holds elements, not encrypted text");
  std::string plain, error;
  if (!XmlCipher::Open(Text(), key, plain, error)) return Fail(error);
  pugi::xml_document content;
  const pugi::xml_parse_result r =
      content.load_buffer(plain.data(), plain.size(), kParseOptions | pugi::parse_fragment, pugi::encoding_utf8);
  if (!r) return Fail("The decrypted content is not XML: " + std::string(r.description()));
  RemoveChildren(h_->doc, h_->node);
  for (pugi::xml_node c = content.first_child(); c; c = c.next_sibling()) h_->node.append_copy(c);
  return true;
}

bool XmlElement::IsSameElement(const XmlElement& other) const { return h_->node == other.h_->node; }

bool XmlElement::IsValidName(std::string_view name) { return IsXmlName(name); }

}  // namespace platform::xml
