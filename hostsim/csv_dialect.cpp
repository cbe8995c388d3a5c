#include "hostsim/csv_dialect.h"

#include <cstdio>

#include "hostsim/ccsid.h"
#include "hostsim/cl.h"
#include "hostsim/seed.h"

namespace hostsim::csv {
namespace {

int FieldCcsid(const PhysicalFile& f, const Field& fd) {
  int c = fd.ccsid ? fd.ccsid : f.ccsid;
  return c == 65535 ? 5035 : c;
}

std::string Quoted(const std::string& v) {
  std::string r = "\"";
  for (char ch : v) {
    if (ch == '"') r += '"';
    r += ch;
  }
  return r + "\"";
}

std::string Hex(std::string_view bytes) {
  std::string s;
  char b[4];
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, "%02X", c);
    s += b;
  }
  return s;
}

// The first control character of an EBCDIC character field outside its
// double-byte runs, other than tab, carriage return, line feed and new line
// (which a text may hold), or -1. Inside SO/SI the bytes are character pairs.
int ControlCharacter(std::string_view bytes) {
  bool dbcs = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == static_cast<unsigned char>(kShiftOut)) dbcs = true;
    else if (c == static_cast<unsigned char>(kShiftIn)) dbcs = false;
    else if (dbcs) ++i;
    else if (c < 0x40 && c != 0x05 && c != 0x0D && c != 0x15 && c != 0x25) return c;
  }
  return -1;
}

enum class Scan { kRow, kOpenQuote, kTextAfterQuote };

// Reads the values of `row`; `values` may be null when only the shape matters.
Scan ScanRow(std::string_view row, std::vector<std::string>* values) {
  if (values) values->clear();
  std::size_t i = 0;
  for (;;) {
    while (i < row.size() && row[i] == ' ') ++i;
    std::string v;
    if (i < row.size() && row[i] == '"') {
      ++i;
      for (;;) {
        if (i >= row.size()) return Scan::kOpenQuote;
        if (row[i] == '"') {
          if (i + 1 < row.size() && row[i + 1] == '"') {
            v += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        v += row[i++];
      }
      while (i < row.size() && row[i] == ' ') ++i;
      if (i < row.size() && row[i] != ',') return Scan::kTextAfterQuote;
    } else {
      std::size_t e = row.find(',', i);
      if (e == std::string_view::npos) e = row.size();
      std::size_t last = e;
      while (last > i && row[last - 1] == ' ') --last;
      v.assign(row.substr(i, last - i));
      i = e;
    }
    if (values) values->push_back(std::move(v));
    if (i >= row.size()) return Scan::kRow;
    ++i;   // the comma
  }
}

}  // namespace

std::vector<Field> Format(const Object& file) {
  const PhysicalFile& f = std::get<PhysicalFile>(file.body);
  if (!f.fields.empty()) return f.fields;
  return {{file.name, 'A', f.rcdlen, 0, 0}};
}

std::string NamesRow(const std::vector<Field>& fields) {
  std::string row;
  for (const auto& fd : fields) row += (row.empty() ? "" : ",") + Quoted(fd.name);
  return row;
}

bool RecordToRow(const PhysicalFile& f, const std::vector<Field>& fields, std::string_view record, std::string& row,
                 std::string& why) {
  row.clear();
  std::size_t pos = 0;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const Field& fd = fields[i];
    const std::size_t n = static_cast<std::size_t>(fd.Bytes());
    const std::string bytes(pos < record.size() ? record.substr(pos, std::min(n, record.size() - pos)) : "");
    pos += n;
    std::string v;
    if (fd.type == 'A') {
      const std::string_view text = std::string_view(bytes).substr(0, TrimmedLength(bytes));
      if (int c = ControlCharacter(text); c >= 0) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", c);
        why = "character field " + fd.name + " holds the control character X'" + hex + "'";
        return false;
      }
      v = Quoted(ToUtf8(text, FieldCcsid(f, fd)));
    } else {
      v = fd.type == 'S' ? DecodeZoned(bytes, fd.decimals) : DecodePacked(bytes, fd.decimals);
      if (v.empty()) {
        why = std::string(fd.type == 'S' ? "zoned" : "packed") + " field " + fd.name + " holds data that is not valid (X'" +
              Hex(bytes) + "')";
        return false;
      }
    }
    row += (i ? "," : "") + v;
  }
  return true;
}

bool EndsInsideQuotes(std::string_view text) { return ScanRow(text, nullptr) == Scan::kOpenQuote; }

bool SplitRow(std::string_view row, std::vector<std::string>& values, std::string& why) {
  switch (ScanRow(row, &values)) {
    case Scan::kRow: return true;
    case Scan::kOpenQuote: why = "unterminated quote"; return false;
    case Scan::kTextAfterQuote: why = "text after a closing quote"; return false;
  }
  return false;
}

bool IsNamesRow(const std::vector<Field>& fields, const std::vector<std::string>& values) {
  if (values.size() != fields.size()) return false;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (Upper(values[i]) != fields[i].name) return false;
  }
  return true;
}

bool RowToRecord(const PhysicalFile& f, const std::vector<Field>& fields, const std::vector<std::string>& values,
                 std::string& record, std::string& why) {
  if (values.size() != fields.size()) {
    why = std::to_string(values.size()) + " values for " + std::to_string(fields.size()) + " fields";
    return false;
  }
  record.clear();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const Field& fd = fields[i];
    const std::string& v = values[i];
    if (fd.type == 'A') {
      // The upload marks a character it could not convert with SUB.
      if (v.find('\x1A') != std::string::npos) {
        why = "value '" + v + "' for field " + fd.name + " holds a character that could not be converted";
        return false;
      }
      auto fit = FitRecord(FromUtf8(v, FieldCcsid(f, fd)), static_cast<std::size_t>(fd.length));
      if (!fit) {
        why = "value '" + v + "' is longer than field " + fd.name + " (" + std::to_string(fd.length) + ")";
        return false;
      }
      record += *fit;
      continue;
    }
    bool ok = true;
    std::string bytes = fd.type == 'S' ? EncodeZoned(v, fd.length, fd.decimals, ok)
                                       : EncodePacked(v, fd.length, fd.decimals, ok);
    if (!ok) {
      why = "value '" + v + "' is not a number for field " + fd.name + " (" + std::to_string(fd.length) + " digits, " +
            std::to_string(fd.decimals) + " decimals" +
            (v.find(',') != std::string::npos ? "; the decimal point is a period, a comma is not allowed" : "") + ")";
      return false;
    }
    record += bytes;
  }
  record.resize(static_cast<std::size_t>(f.rcdlen), kEbcdicBlank);
  return true;
}

}  // namespace hostsim::csv
