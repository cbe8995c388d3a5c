// A small test harness for the GUI driver: named scenarios, checks that record
// a failure and go on, requirements that end the scenario, and skips.
#pragma once
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace gui {

struct Abort {};
struct Skipped {
  std::string why;
};

void Register(const char* name, void (*fn)());
void Failure(const char* file, int line, const std::string& what);

std::string Show(const std::string& s);
std::string Show(const std::wstring& s);
template <typename A, typename B>
std::string Show(const std::pair<A, B>& p);
template <typename T>
std::string Show(const std::vector<T>& v);
template <typename T>
std::string Show(const T& v) {
  std::ostringstream o;
  o << v;
  return o.str();
}

template <typename A, typename B>
std::string Show(const std::pair<A, B>& p) {
  return "(" + Show(p.first) + ", " + Show(p.second) + ")";
}
template <typename T>
std::string Show(const std::vector<T>& v) {
  std::string s = "{";
  for (const auto& e : v) s += Show(e) + " ";
  return s + "}";
}

template <typename A, typename B>
bool CheckEq(const char* file, int line, const char* ea, const char* eb, const A& a, const B& b) {
  if (a == b) return true;
  Failure(file, line, std::string(ea) + " == " + eb + "\n    actual:   " + Show(a) + "\n    expected: " + Show(b));
  return false;
}

}  // namespace gui

#define GUI_TEST(name)                                       \
  static void name();                                        \
  static const int name##_registered = (gui::Register(#name, name), 0); \
  static void name()

#define CHECK(c) ((c) ? true : (gui::Failure(__FILE__, __LINE__, #c), false))
#define CHECK_EQ(a, b) gui::CheckEq(__FILE__, __LINE__, #a, #b, (a), (b))
#define REQUIRE(c)                                 \
  do {                                             \
    if (!(c)) {                                    \
      gui::Failure(__FILE__, __LINE__, #c);        \
      throw gui::Abort{};                          \
    }                                              \
  } while (0)
#define REQUIRE_EQ(a, b)                           \
  do {                                             \
    if (!CHECK_EQ(a, b)) throw gui::Abort{};       \
  } while (0)
#define SKIP(why) throw gui::Skipped{why}
