#include "hostsim/cl.h"

#include <cctype>

namespace hostsim {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDelim(char c) { return IsSpace(c) || c == '(' || c == ')' || c == '\''; }

class Parser {
 public:
  Parser(std::string_view s, ClError& err) : s_(s), err_(err) {}

  std::optional<ClCommand> Command() {
    SkipSpace();
    if (AtEnd()) return Fail("CPD0013", "A command name is missing.");
    if (IsDelim(s_[i_])) return Fail("CPD0020", "Character '" + std::string(1, s_[i_]) + "' not valid in command name.");
    ClCommand cmd;
    std::string name = Upper(Token());
    auto slash = name.rfind('/');
    cmd.name = slash == std::string::npos ? name : name.substr(slash + 1);
    if (!IsValidName(cmd.name)) return Fail("CPD0020", "Command name " + name + " not valid.");
    for (;;) {
      SkipSpace();
      if (AtEnd()) break;
      ClParam p;
      if (s_[i_] == ')') return Fail("CPD0011", "Closing parenthesis without an opening one.");
      if (s_[i_] == '(' || s_[i_] == '\'') {
        auto v = Element();
        if (!v) return std::nullopt;
        p.values.push_back(std::move(*v));
      } else {
        std::string tok = Token();
        if (i_ < s_.size() && s_[i_] == '(') {
          p.keyword = Upper(tok);
          ++i_;
          auto items = ListBody();
          if (!items) return std::nullopt;
          p.values = std::move(*items);
        } else {
          p.values.push_back(ClValue{ClValue::kName, Upper(tok), {}});
        }
      }
      cmd.params.push_back(std::move(p));
    }
    return cmd;
  }

 private:
  bool AtEnd() const { return i_ >= s_.size(); }
  void SkipSpace() {
    while (!AtEnd() && IsSpace(s_[i_])) ++i_;
  }
  std::string Token() {
    std::size_t b = i_;
    while (!AtEnd() && !IsDelim(s_[i_])) ++i_;
    return std::string(s_.substr(b, i_ - b));
  }
  std::nullopt_t Fail(std::string id, std::string text) {
    err_ = {std::move(id), std::move(text)};
    return std::nullopt;
  }
  // After the opening parenthesis: elements up to the matching closing one.
  std::optional<std::vector<ClValue>> ListBody() {
    if (++depth_ > 32) return Fail("CPD0011", "Parentheses nested too deeply.");
    std::vector<ClValue> items;
    for (;;) {
      SkipSpace();
      if (AtEnd()) return Fail("CPD0011", "Closing parenthesis is missing.");
      if (s_[i_] == ')') {
        ++i_;
        --depth_;
        return items;
      }
      auto v = Element();
      if (!v) return std::nullopt;
      items.push_back(std::move(*v));
    }
  }
  std::optional<ClValue> Element() {
    char c = s_[i_];
    if (c == '\'') {
      ++i_;
      std::string text;
      for (;;) {
        if (AtEnd()) return Fail("CPD0015", "Closing apostrophe is missing.");
        if (s_[i_] == '\'') {
          if (i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
            text.push_back('\'');
            i_ += 2;
            continue;
          }
          ++i_;
          break;
        }
        text.push_back(s_[i_++]);
      }
      if (!AtEnd() && !IsSpace(s_[i_]) && s_[i_] != ')' && s_[i_] != '(')
        return Fail("CPD0016", "Blank missing after a quoted string.");
      return ClValue{ClValue::kQuoted, std::move(text), {}};
    }
    if (c == '(') {
      ++i_;
      auto items = ListBody();
      if (!items) return std::nullopt;
      return ClValue{ClValue::kList, "", std::move(*items)};
    }
    if (c == ')') return Fail("CPD0011", "Unexpected closing parenthesis.");
    std::string tok = Token();
    if (!AtEnd() && s_[i_] == '(') return Fail("CPD0019", "Keyword " + Upper(tok) + " not allowed inside a list.");
    return ClValue{ClValue::kName, Upper(tok), {}};
  }

  std::string_view s_;
  ClError& err_;
  std::size_t i_ = 0;
  int depth_ = 0;
};

}  // namespace

std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

std::optional<ClCommand> ParseCl(std::string_view line, ClError& err) {
  if (line.find('\0') != std::string_view::npos) {
    err = {"CPD0020", "Character X'00' not valid in command."};
    return std::nullopt;
  }
  return Parser(line, err).Command();
}

const std::vector<ClValue>* ClArgs::Get(std::string_view kw) const {
  for (const auto& [k, v] : byKeyword)
    if (k == kw) return &v;
  return nullptr;
}

std::string ClArgs::Text(std::string_view kw) const {
  const auto* v = Get(kw);
  if (!v || v->empty()) return "";
  return (*v)[0].text;
}

std::optional<ClArgs> BindCl(const ClCommand& cmd, const std::vector<std::string>& keywords, ClError& err) {
  ClArgs args;
  std::size_t positional = 0;
  bool keywordSeen = false;
  for (const auto& p : cmd.params) {
    std::string kw = p.keyword;
    if (kw.empty()) {
      if (keywordSeen) {
        err = {"CPD0074", "Positional value not allowed after a keyword parameter."};
        return std::nullopt;
      }
      if (positional >= keywords.size()) {
        err = {"CPD0071", "More than " + std::to_string(keywords.size()) + " positional parameters specified."};
        return std::nullopt;
      }
      kw = keywords[positional++];
    } else {
      keywordSeen = true;
      bool known = false;
      for (const auto& k : keywords) known = known || k == kw;
      if (!known) {
        err = {"CPD0043", "Keyword " + kw + " not valid for this command."};
        return std::nullopt;
      }
    }
    if (args.Get(kw)) {
      err = {"CPD0040", "Keyword " + kw + " specified more than once."};
      return std::nullopt;
    }
    args.byKeyword.emplace_back(kw, p.values);
  }
  return args;
}

std::pair<std::string, std::string> SplitQualified(std::string_view name, std::string_view defaultLib) {
  auto slash = name.find('/');
  if (slash == std::string_view::npos) return {std::string(defaultLib), std::string(name)};
  return {std::string(name.substr(0, slash)), std::string(name.substr(slash + 1))};
}

bool IsValidName(std::string_view name) {
  if (name.empty() || name.size() > 10) return false;
  auto first = [](char c) { return (c >= 'A' && c <= 'Z') || c == '#' || c == '@' || c == '$'; };
  if (!first(name[0])) return false;
  for (char c : name.substr(1))
    if (!first(c) && !(c >= '0' && c <= '9') && c != '_') return false;
  return true;
}

}  // namespace hostsim
