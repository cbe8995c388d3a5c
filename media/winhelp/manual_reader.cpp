#include "media/winhelp/manual_reader.h"

#include <cctype>

namespace kv::help {
namespace {

std::string Attribute(const std::string& tag, const std::string& name) {
  std::size_t at = tag.find(name + "=\"");
  if (at == std::string::npos) return {};
  at += name.size() + 2;
  return tag.substr(at, tag.find('"', at) - at);
}

std::string TagName(const std::string& tag) {
  std::size_t i = tag[0] == '/' ? 1 : 0, j = i;
  while (j < tag.size() && std::isalnum(static_cast<unsigned char>(tag[j]))) ++j;
  std::string n = tag.substr(0, j);
  for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return n;
}

std::string Decode(const std::string& s) {
  static const std::pair<const char*, const char*> entities[] = {
      {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#x27;", "'"}, {"&#39;", "'"}};
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    bool replaced = false;
    for (const auto& [from, to] : entities) {
      std::size_t n = std::char_traits<char>::length(from);
      if (s.compare(i, n, from) == 0) {
        out += to;
        i += n;
        replaced = true;
        break;
      }
    }
    if (!replaced) out += s[i++];
  }
  return out;
}

class Builder {
 public:
  Manual manual;

  Builder() { manual.topics.push_back({"CONTENTS", "", {}}); }

  void StartTopic(const std::string& id) {
    EndParagraph();
    std::string contextId;
    for (char c : id) contextId += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    manual.topics.push_back({contextId, "", {}});
  }
  void StartParagraph(Style style, const std::string& prefix = {}) {
    EndParagraph();
    style_ = style;
    prefix_ = prefix;
  }
  void EndParagraph() {
    if (!current_.pieces.empty()) {
      current_.style = style_;
      Topic& t = manual.topics.back();
      if (style_ == Style::Heading && t.title.empty()) t.title = PlainText(current_);
      t.paragraphs.push_back(current_);
    }
    current_ = {};
    style_ = Style::Body;
    prefix_.clear();
    space_ = false;
  }
  void Text(const std::string& raw) {
    for (char c : Decode(raw)) {
      if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
        space_ = !current_.pieces.empty();
        continue;
      }
      if (current_.pieces.empty()) current_.pieces.push_back({prefix_, {}});
      // A blank between words stays with the words before it, outside a link.
      if (space_) current_.pieces.back().text += ' ';
      space_ = false;
      if (current_.pieces.back().jump != jump_) current_.pieces.push_back({"", jump_});
      current_.pieces.back().text += c;
    }
  }
  void Jump(const std::string& target) {
    jump_.clear();
    for (char c : target) jump_ += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  void EndJump() { jump_.clear(); }
  void Separator(const std::string& s) {
    if (current_.pieces.empty()) return;
    if (!current_.pieces.back().jump.empty()) current_.pieces.push_back({"", {}});
    current_.pieces.back().text += s;
    space_ = false;
  }

 private:
  static std::string PlainText(const Paragraph& p) {
    std::string s;
    for (const auto& piece : p.pieces) s += piece.text;
    return s;
  }
  Paragraph current_;
  Style style_ = Style::Body;
  std::string prefix_, jump_;
  bool space_ = false;
};

}  // namespace

Manual ReadManual(const std::string& html) {
  Builder b;
  bool skip = false;  // inside <head>
  int listDepth = 0;
  std::size_t i = 0;
  while (i < html.size()) {
    std::size_t lt = html.find('<', i);
    if (lt == std::string::npos) lt = html.size();
    if (!skip && lt > i) b.Text(html.substr(i, lt - i));
    if (lt == html.size()) break;
    std::size_t gt = html.find('>', lt);
    if (gt == std::string::npos) break;
    std::string tag = html.substr(lt + 1, gt - lt - 1);
    i = gt + 1;
    std::string name = TagName(tag);
    if (name == "head") skip = true;
    else if (name == "/head") skip = false;
    else if (skip) continue;
    else if (name == "section") b.StartTopic(Attribute(tag, "id"));
    else if (name == "h1" || name == "h2") b.StartParagraph(Style::Heading);
    else if (name == "h3") b.StartParagraph(Style::Subheading);
    else if (name == "p" || name == "tr") b.StartParagraph(Style::Body);
    else if (name == "li") b.StartParagraph(Style::Body, std::string(static_cast<std::size_t>(listDepth - 1) * 3, ' ') + "・");
    else if (name == "ul" || name == "ol") {
      ++listDepth;
      b.EndParagraph();
    } else if (name == "/ul" || name == "/ol") {
      --listDepth;
      b.EndParagraph();
    } else if (name == "/th") b.Separator("：");
    else if (name == "/p" || name == "/li" || name == "/tr" || name == "/h1" || name == "/h2" || name == "/h3" ||
             name == "/section" || name == "br" || name == "/table")
      b.EndParagraph();
    else if (name == "a") b.Jump(Attribute(tag, "href").substr(Attribute(tag, "href").rfind('#') + 1));
    else if (name == "/a") b.EndJump();
  }
  b.EndParagraph();
  b.manual.title = b.manual.topics.front().title;
  return b.manual;
}

}  // namespace kv::help
