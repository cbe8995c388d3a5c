// A help manual as topics of paragraphs, each paragraph a run of text pieces,
// some of them jumps to another topic. Text is UTF-8.
#pragma once
#include <string>
#include <vector>

namespace kv::help {

struct Piece {
  std::string text;
  std::string jump;  // context id of the target topic; empty for plain text
};

enum class Style { Body, Heading, Subheading };

struct Paragraph {
  Style style = Style::Body;
  std::vector<Piece> pieces;
};

struct Topic {
  std::string id;  // context id: letters, digits, '.' and '_' only
  std::string title;
  std::vector<Paragraph> paragraphs;
};

struct Manual {
  std::string title;
  std::vector<Topic> topics;  // the first one is the contents topic
};

}  // namespace kv::help
