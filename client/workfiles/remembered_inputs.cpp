#include "client/workfiles/remembered_inputs.h"

#include "client/workfiles/paths.h"
#include "common/textfile.h"
#include "common/vbstr.h"

namespace kv {
namespace {

const std::vector<KeyedLine> kConnectionKeys = {
    {"SYSTEM:", Ctl::IPアドレス}, {"USER:", Ctl::ユーザー}, {"PWRD:", Ctl::パスワード}};

std::vector<KeyedLine> WithConnection(std::initializer_list<KeyedLine> rest) {
  std::vector<KeyedLine> lines = kConnectionKeys;
  lines.insert(lines.end(), rest);
  return lines;
}

// Reads entries in line order with one line buffer, as a sequential reader does.
void ReadInto(Panel& panel, const std::string& path, const std::vector<ReadEntry>& entries, int skipLines) {
  std::string buffer;
  LineReader reader(path);
  int lineNo = 0;
  auto readLine = [&] {
    if (auto line = reader.Next()) buffer = *line;
    ++lineNo;
  };
  for (int i = 0; i < skipLines; ++i) readLine();
  for (const auto& e : entries) {
    while (lineNo < e.line) readLine();
    panel.SetText(e.into, Mid(buffer, e.first, e.count));
  }
}

}  // namespace

std::string ReaderPath(InputsFile file) {
  switch (file) {
    case InputsFile::DFT: return "c:\\KV-TRANSIT\\DFT.DAT";
    case InputsFile::DFTC: return "c:\\KV-TRANSIT\\DFTC.DAT";
    case InputsFile::DFT2: return "c:\\KV-TRANSIT\\DFT2.DAT";
    case InputsFile::DFTS: return "c:\\KV-TRANSIT\\DFTS.DAT";
    case InputsFile::DFTS2: return "c:\\KV-TRANSIT\\DFTS2.DAT";
  }
  return {};
}

std::string WriterPath(InputsLayout layout) {
  switch (layout) {
    case InputsLayout::DFT: return "c:\\KV-TRANSIT\\DFT.dat";
    case InputsLayout::DFTC: return "c:\\KV-TRANSIT\\DFTC.dat";
    case InputsLayout::DFT2Download:
    case InputsLayout::DFT2Upload: return "c:\\KV-TRANSIT\\DFT2.dat";
    case InputsLayout::DFTS: return "c:\\KV-TRANSIT\\DFTS.dat";
    case InputsLayout::DFTS2: return "c:\\KV-TRANSIT\\DFTS2.dat";
  }
  return {};
}

std::vector<KeyedLine> LinesOf(InputsLayout layout) {
  switch (layout) {
    case InputsLayout::DFT:
    case InputsLayout::DFTC:
      return WithConnection({{"SLIB:", Ctl::ライブラリー名},
                             {"SFIL:", Ctl::ファイル名},
                             {"SMBR:", Ctl::メンバー名},
                             {"OLIB:", Ctl::オブジェクトライブラリー}});
    case InputsLayout::DFT2Download:
      return WithConnection({{"OBJ:", Ctl::ファイル名}, {"OLIB:", Ctl::ライブラリー名}});
    case InputsLayout::DFT2Upload:
      return WithConnection({{"OBJ:", Ctl::ファイル名}, {"OLIB:", Ctl::ライブラリー名}, {"RLIB:", Ctl::復元先}});
    case InputsLayout::DFTS:
      return WithConnection({{"SFIL:", Ctl::ファイル名},
                             {"JOBN:", Ctl::ジョブ名},
                             {"SUSR:", Ctl::スプールユーザー},
                             {"JOBN:", Ctl::番号},
                             {"SPLN:", Ctl::スプール番号}});
    case InputsLayout::DFTS2:
      return WithConnection({{"OUTQ:", Ctl::ファイル名}, {"LIBL:", Ctl::ライブラリー名}});
  }
  return {};
}

bool WriteRememberedInputs(const Panel& panel, InputsLayout layout) {
  std::vector<std::string> lines;
  for (const auto& l : LinesOf(layout)) lines.push_back(std::string(l.key) + panel.Text(l.from));
  return WriteLines(WriterPath(layout), lines);
}

std::vector<ReadEntry> ReadEntriesFor(int code) {
  switch (code) {
    case 11: case 12: case 13: case 14: case 21: case 22: case 23: case 27:
      return {{4, Ctl::ライブラリー名, 6, 10},
              {5, Ctl::ファイル名, 6, 10},
              {6, Ctl::メンバー名, 6, 10},
              {7, Ctl::オブジェクトライブラリー, 6, 10}};
    case 15: case 16:
      return {{4, Ctl::ファイル名, 5, 10}, {5, Ctl::ライブラリー名, 6, 10}};
    case 24: case 25:
      return {{4, Ctl::ファイル名, 5, 10}, {5, Ctl::ライブラリー名, 6, 10}, {6, Ctl::復元先, 6, 10}};
    case 17: case 18:
      return {{4, Ctl::ファイル名, 6, 10},
              {5, Ctl::ジョブ名, 6, 10},
              {6, Ctl::スプールユーザー, 6, 10},
              {7, Ctl::番号, 6, 6},
              {8, Ctl::スプール番号, 6, 6}};
    case 26:
      return {{4, Ctl::ファイル名, 6, 10}, {5, Ctl::ライブラリー名, 6, 10}};
  }
  return {};
}

void ReadRememberedInputs(Panel& panel, InputsFile file, int code) {
  ReadInto(panel, ReaderPath(file), ReadEntriesFor(code), 3);
}

bool WriteConnectionFile(const Panel& panel) {
  return WriteLines(paths::kConnection,
                    {panel.Text(Ctl::IPアドレス), panel.Text(Ctl::ユーザー), panel.Text(Ctl::パスワード)});
}

void ReadConnectionFile(Panel& panel) {
  ReadInto(panel, paths::kConnection,
           {{1, Ctl::IPアドレス, 1, 15}, {2, Ctl::ユーザー, 1, 10}, {3, Ctl::パスワード, 1, 10}}, 0);
}

}  // namespace kv
