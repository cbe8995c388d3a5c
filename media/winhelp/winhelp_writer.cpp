#include "media/winhelp/winhelp_writer.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

#include "common/cp932.h"

namespace kv::help {
namespace {

constexpr std::size_t kBlockSize = 4096;
constexpr std::size_t kBlockData = kBlockSize - 12;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

void Put16(std::string& b, std::uint16_t v) {
  b.push_back(static_cast<char>(v & 0xFF));
  b.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void Patch32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Cp932(const std::string& utf8) {
  auto bytes = Utf8ToCp932(utf8);
  if (!bytes) throw HelpError("text outside code page 932: " + utf8);
  return *bytes;
}

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Characters of CP932 text as a rich-edit control counts them (one per character).
std::size_t CharCount(const std::string& cp932) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < cp932.size(); ++i, ++n)
    if (IsLeadByte(static_cast<unsigned char>(cp932[i]))) ++i;
  return n;
}

void CheckId(const std::string& id) {
  if (id.empty() || id.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._") !=
                        std::string::npos)
    throw HelpError("context id must be letters, digits, '.' or '_': '" + id + "'");
}

// Fonts of the |FONT file, by index.
enum Font : std::uint16_t { kBodyFont, kHeadingFont, kSubheadingFont, kLinkFont };

std::string FontFile() {
  std::string b;
  Put16(b, 1);           // face names
  Put16(b, 4);           // descriptors
  Put16(b, 8);           // face names at 8: the old descriptor format
  Put16(b, 8 + 32);
  std::string face = "MS PGothic";
  face.resize(32, '\0');
  b += face;
  struct Descriptor {
    unsigned char attributes, halfPoints, r, g, bl;
  };
  const Descriptor fonts[] = {{0, 20, 0, 0, 0}, {1, 28, 0, 0, 128}, {1, 22, 0, 0, 0}, {4, 20, 0, 128, 0}};
  for (const auto& f : fonts) {
    b.push_back(static_cast<char>(f.attributes));
    b.push_back(static_cast<char>(f.halfPoints));
    b.push_back(3);  // swiss
    Put16(b, 0);
    b.push_back(static_cast<char>(f.r));
    b.push_back(static_cast<char>(f.g));
    b.push_back(static_cast<char>(f.bl));
    b.append(3, '\0');
  }
  return b;
}

std::string SystemFile(const std::string& title) {
  std::string b;
  Put16(b, 0x036C);
  Put16(b, 33);
  Put16(b, 1);
  Put32(b, static_cast<std::uint32_t>(std::time(nullptr)));
  Put16(b, 0);  // no compression, 4 KiB topic blocks
  auto record = [&b](std::uint16_t type, const std::string& data) {
    Put16(b, type);
    Put16(b, static_cast<std::uint16_t>(data.size()));
    b += data;
  };
  record(1, Cp932(title) + '\0');
  std::string contents;
  Put32(contents, 0);  // the first topic
  record(3, contents);
  record(4, std::string("BrowseButtons()") + '\0');
  record(11, std::string("\x80\x00", 2));  // Shift-JIS
  return b;
}

// The command list and the strings of one topic's text record, read in step:
// each command follows one string (empty if need be).
struct TextStream {
  std::string strings, commands, pending;
  std::size_t bytePos = 0;  // the viewer's running position: text bytes, plus one per paragraph end
  void Command(const std::string& cmd) {
    strings += pending;
    strings.push_back('\0');
    pending.clear();
    commands += cmd;
  }
  void Text(const std::string& bytes) {
    pending += bytes;
    bytePos += bytes.size();
  }
};

struct Hotspot {
  std::size_t pos;
  bool start;
  std::uint32_t hash;
};

std::string FontCommand(Font f) {
  std::string c = "\x80";
  Put16(c, f);
  return c;
}

Font FontOf(Style s) { return s == Style::Heading ? kHeadingFont : s == Style::Subheading ? kSubheadingFont : kBodyFont; }

// LinkData1 commands and LinkData2 strings of a topic's text.
std::pair<std::string, std::string> TopicText(const Topic& topic, const std::vector<std::string>& ids) {
  // Where the visible links lie, counted in characters.
  std::vector<Hotspot> hotspots;
  std::size_t charPos = 0;
  for (const auto& p : topic.paragraphs) {
    for (const auto& piece : p.pieces) {
      std::size_t n = CharCount(Cp932(piece.text));
      if (!piece.jump.empty()) {
        if (std::find(ids.begin(), ids.end(), piece.jump) == ids.end())
          throw HelpError("jump to an unknown topic '" + piece.jump + "' in " + topic.id);
        if (n > 0) {
          hotspots.push_back({charPos, true, ContextHash(piece.jump)});
          hotspots.push_back({charPos + n, false, 0});
        }
      }
      charPos += n;
    }
    ++charPos;
  }

  // The invisible hotspots go where the viewer's byte count reaches those
  // positions; text is split only between characters.
  TextStream s;
  std::size_t next = 0;
  auto emitDue = [&] {
    while (next < hotspots.size() && hotspots[next].pos <= s.bytePos) {
      std::string cmd;
      if (hotspots[next].start) {
        cmd = "\xE7";
        Put32(cmd, hotspots[next].hash);
      } else {
        cmd = "\x89";
      }
      s.Command(cmd);
      ++next;
    }
  };
  auto text = [&](const std::string& bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
      emitDue();
      std::size_t until = bytes.size();
      if (next < hotspots.size() && hotspots[next].pos < s.bytePos + (bytes.size() - i)) {
        std::size_t j = i;
        while (j < bytes.size() && s.bytePos + (j - i) < hotspots[next].pos)
          j += IsLeadByte(static_cast<unsigned char>(bytes[j])) ? 2 : 1;
        until = std::min(j, bytes.size());
      }
      s.Text(bytes.substr(i, until - i));
      i = until;
    }
  };
  for (const auto& p : topic.paragraphs) {
    Font font = FontOf(p.style);
    s.Command(FontCommand(font));
    for (const auto& piece : p.pieces) {
      if (!piece.jump.empty()) s.Command(FontCommand(kLinkFont));
      text(Cp932(piece.text));
      if (!piece.jump.empty()) s.Command(FontCommand(font));
    }
    emitDue();
    s.Command("\x82");
    s.bytePos += 1;
  }
  emitDue();
  if (next != hotspots.size()) throw HelpError("a jump could not be placed in " + topic.id);
  s.Command("\xFF");
  return {s.commands, s.strings};
}

std::string TextLinkData1(const std::string& commands, std::size_t topicLength) {
  std::string rest;
  if (topicLength < 128) {
    rest.push_back(static_cast<char>(topicLength * 2));
  } else {
    Put16(rest, static_cast<std::uint16_t>(topicLength * 2 + 1));
  }
  rest += std::string("\x00\x80", 2);
  Put16(rest, 0);  // id
  Put16(rest, 0);  // paragraph bits: left aligned, nothing else
  rest += commands;
  std::string ld1;
  Put16(ld1, static_cast<std::uint16_t>((rest.size() + 16384) * 2));
  return ld1 + rest;
}

struct Record {
  std::uint8_t type;
  std::string ld1, ld2;
  std::size_t topic;
  std::uint32_t pos = 0;  // TOPICPOS
  std::size_t block = 0, offset = 0;
  std::size_t Size() const { return 21 + ld1.size() + ld2.size(); }
};

std::string BTreeHeader(std::uint16_t flags, std::uint16_t pageSize, const char* structure, std::uint32_t entries) {
  std::string b;
  Put16(b, 0x293B);
  Put16(b, flags);
  Put16(b, pageSize);
  std::string s = structure;
  s.resize(16, '\0');
  b += s;
  Put16(b, 0);       // must be zero
  Put16(b, 0);       // page splits
  Put16(b, 0);       // root page
  Put16(b, 0xFFFF);  // must be -1
  Put16(b, 1);       // pages
  Put16(b, 1);       // levels: the root is a leaf
  Put32(b, entries);
  return b;
}

// A one-page leaf: its header, the entries, zeros to the page's end.
std::string LeafPage(const std::string& entries, std::uint16_t count, std::size_t pageSize) {
  if (entries.size() + 8 > pageSize) throw HelpError("too many entries for one B+ tree page");
  std::string b;
  Put16(b, static_cast<std::uint16_t>(pageSize - 8 - entries.size()));
  Put16(b, count);
  Put16(b, 0xFFFF);
  Put16(b, 0xFFFF);
  b += entries;
  b.resize(pageSize, '\0');
  return b;
}

std::string InternalFile(const std::string& data) {
  std::string b;
  Put32(b, static_cast<std::uint32_t>(data.size() + 9));
  Put32(b, static_cast<std::uint32_t>(data.size()));
  b.push_back(4);
  return b + data;
}

}  // namespace

std::uint32_t ContextHash(const std::string& id) {
  std::uint32_t hash = 0;
  for (char ch : id) {
    unsigned v = 0;
    if (ch >= 'A' && ch <= 'Z') v = static_cast<unsigned>(ch - 'A') + 17;
    else if (ch >= 'a' && ch <= 'z') v = static_cast<unsigned>(ch - 'a') + 17;
    else if (ch >= '1' && ch <= '9') v = static_cast<unsigned>(ch - '0');
    else if (ch == '0') v = 10;
    else if (ch == '.') v = 12;
    else if (ch == '_') v = 13;
    hash = hash * 43 + v;
  }
  return hash;
}

std::string WriteHelpFile(const Manual& manual) {
  if (manual.topics.empty() || manual.topics.size() > 255) throw HelpError("a help file holds 1 to 255 topics");
  std::vector<std::string> ids;
  for (const auto& t : manual.topics) {
    CheckId(t.id);
    for (const auto& other : ids)
      if (ContextHash(other) == ContextHash(t.id)) throw HelpError("two topics share the context id " + t.id);
    ids.push_back(t.id);
  }

  // Two records per topic: its header and its whole text.
  std::vector<Record> records;
  for (std::size_t i = 0; i < manual.topics.size(); ++i) {
    const Topic& t = manual.topics[i];
    records.push_back({2, std::string(28, '\0'), Cp932(t.title) + '\0', i});
    auto [commands, strings] = TopicText(t, ids);
    records.push_back({0x20, TextLinkData1(commands, strings.size()), strings, i});
    if (records.back().Size() > kBlockData) throw HelpError("topic " + t.id + " is longer than one block");
  }

  // Place the records in 4 KiB blocks, none across a block's end, and note
  // each topic's offset: block * 0x8000 + the text characters before it in its block.
  std::vector<std::uint32_t> topicOffset(manual.topics.size());
  std::size_t block = 0, used = 0, charsInBlock = 0;
  for (auto& r : records) {
    if (used + r.Size() > kBlockData) {
      ++block;
      used = 0;
      charsInBlock = 0;
    }
    r.block = block;
    r.offset = used;
    r.pos = static_cast<std::uint32_t>(block * 0x4000 + 12 + used);
    if (r.type == 2) topicOffset[r.topic] = static_cast<std::uint32_t>(block * 0x8000 + charsInBlock);
    else charsInBlock += r.ld2.size();
    used += r.Size();
  }
  for (std::size_t i = 0; i < records.size(); i += 2) {
    Record& h = records[i];
    std::size_t t = h.topic;
    std::string& th = h.ld1;
    th.clear();
    Put32(th, static_cast<std::uint32_t>(h.Size() + records[i + 1].Size()));
    Put32(th, t > 0 ? topicOffset[t - 1] : kNone);
    Put32(th, t + 1 < topicOffset.size() ? topicOffset[t + 1] : kNone);
    Put32(th, static_cast<std::uint32_t>(t));
    Put32(th, kNone);                                     // no non-scrolling region
    Put32(th, records[i + 1].pos);                        // the text
    Put32(th, i + 2 < records.size() ? records[i + 2].pos : kNone);  // the next topic
  }

  std::string topicFile((block + 1) * kBlockSize, '\0');
  for (std::size_t b = 0; b <= block; ++b) {
    std::string header;
    std::uint32_t lastOfPrevious = kNone, first = kNone, lastHeader = 0;
    for (const auto& r : records) {
      if (r.block < b) {
        lastOfPrevious = r.pos;
        if (r.type == 2) lastHeader = r.pos;
      }
      if (r.block == b && first == kNone) first = r.pos;
    }
    Put32(header, lastOfPrevious);
    Put32(header, first);
    Put32(header, lastHeader);
    topicFile.replace(b * kBlockSize, 12, header);
  }
  for (std::size_t i = 0; i < records.size(); ++i) {
    const Record& r = records[i];
    std::string link;
    Put32(link, static_cast<std::uint32_t>(r.Size()));
    Put32(link, static_cast<std::uint32_t>(r.ld2.size()));
    Put32(link, i > 0 ? records[i - 1].pos : kNone);
    Put32(link, i + 1 < records.size() ? records[i + 1].pos : kNone);
    Put32(link, static_cast<std::uint32_t>(21 + r.ld1.size()));
    link.push_back(static_cast<char>(r.type));
    link += r.ld1 + r.ld2;
    topicFile.replace(r.block * kBlockSize + 12 + r.offset, link.size(), link);
  }

  // |CONTEXT: (hash, topic offset), sorted by the hash as a signed number.
  std::vector<std::pair<std::int32_t, std::uint32_t>> contexts;
  for (std::size_t i = 0; i < ids.size(); ++i)
    contexts.push_back({static_cast<std::int32_t>(ContextHash(ids[i])), topicOffset[i]});
  std::sort(contexts.begin(), contexts.end());
  std::string entries;
  for (const auto& [hash, offset] : contexts) {
    Put32(entries, static_cast<std::uint32_t>(hash));
    Put32(entries, offset);
  }
  std::string contextFile = BTreeHeader(0x0002, 0x0800, "L4", static_cast<std::uint32_t>(contexts.size())) +
                            LeafPage(entries, static_cast<std::uint16_t>(contexts.size()), 0x0800);

  // The file: header, the internal files, then the directory of their names in byte order.
  const std::pair<const char*, std::string> files[] = {
      {"|CONTEXT", contextFile}, {"|FONT", FontFile()}, {"|SYSTEM", SystemFile(manual.title)}, {"|TOPIC", topicFile}};
  std::string out;
  Put32(out, 0x00035F3F);
  Put32(out, 0);  // directory start, patched below
  Put32(out, kNone);
  Put32(out, 0);  // file size, patched below
  std::string directory;
  for (const auto& [name, data] : files) {
    directory += name;
    directory.push_back('\0');
    Put32(directory, static_cast<std::uint32_t>(out.size()));
    out += InternalFile(data);
  }
  Patch32(out, 4, static_cast<std::uint32_t>(out.size()));
  out += InternalFile(BTreeHeader(0x0402, 0x0400, "z4", 4) + LeafPage(directory, 4, 0x0400));
  Patch32(out, 12, static_cast<std::uint32_t>(out.size()));
  return out;
}

std::string WriteContentsFile(const Manual& manual, const std::string& helpFileName) {
  std::string text = ":Base " + helpFileName + "\r\n:Title " + manual.title + "\r\n";
  for (std::size_t i = 1; i < manual.topics.size(); ++i) {
    std::string title;
    for (char c : manual.topics[i].title) title += c == '=' ? std::string("\\=") : std::string(1, c);
    text += "1 " + title + "=" + manual.topics[i].id + "\r\n";
  }
  return Cp932(text);
}

}  // namespace kv::help
