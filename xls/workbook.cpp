#include "xls/workbook.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/fileio.h"

namespace kv::xls {
namespace {

bool IsCell(std::uint16_t t) {
  switch (t) {
    case rt::LABELSST: case rt::LABEL: case rt::BLANK: case rt::NUMBER: case rt::RK: case rt::BOOLERR:
    case rt::FORMULA: case rt::RSTRING: case rt::MULBLANK: case rt::MULRK:
      return true;
  }
  return false;
}
// Records that follow a formula and belong to it.
bool IsFormulaPart(std::uint16_t t) {
  return t == rt::STRING || t == rt::ARRAY || t == rt::TABLE || t == rt::SHRFMLA;
}
bool InCellTable(std::uint16_t t) { return IsCell(t) || IsFormulaPart(t) || t == rt::ROW || t == rt::DBCELL; }

Bytes CellBody(std::uint32_t row, std::uint32_t col, std::uint16_t xf) {
  Bytes b;
  Put16(b, row);
  Put16(b, col);
  Put16(b, xf);
  return b;
}

Bytes DefaultRow(std::uint32_t row) {
  Bytes b;
  Put16(b, row);
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, 0x00FF);
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, 0x0100);
  Put16(b, 0x000F);
  return b;
}

double RkValue(std::uint32_t rk) {
  double v;
  if (rk & 2) {
    v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFC) << 32;
    std::memcpy(&v, &bits, 8);
  }
  return (rk & 1) ? v / 100 : v;
}

}  // namespace

std::optional<Workbook> Workbook::Load(std::span<const std::uint8_t> file, std::string* error) {
  auto fail = [&](const char* why) -> std::optional<Workbook> {
    if (error && why) *error = why;
    return std::nullopt;
  };
  auto root = ReadCompoundFile(file, error);
  if (!root) return std::nullopt;
  const CfbEntry* stream = root->Find(u"Workbook");
  if (!stream || stream->type != CfbEntry::Stream) return fail("no Workbook stream (not a BIFF8 workbook)");
  auto subs = SplitSubstreams(stream->data, error);
  if (!subs) return std::nullopt;

  Workbook wb;
  auto& g = (*subs)[0].records;
  if (g.front().data.size() < 4 || Get16(g.front().data.data()) != 0x0600 || Get16(g.front().data.data() + 2) != 0x0005)
    return fail("not a BIFF8 workbook");
  std::vector<std::uint32_t> sheetOffsets;
  for (std::size_t i = 0; i < g.size(); ++i) {
    const Record& r = g[i];
    if (r.type == rt::FILEPASS) return fail("the workbook is encrypted");
    if (r.type == rt::SST) {
      std::vector<std::span<const std::uint8_t>> parts{r.data};
      while (i + 1 < g.size() && g[i + 1].type == rt::CONTINUE) parts.emplace_back(g[++i].data);
      auto sst = ReadSst(parts, error);
      if (!sst) return std::nullopt;
      wb.sst_ = std::move(*sst);
      wb.hadSst_ = true;
      wb.sstAt_ = wb.globals_.size();
      continue;
    }
    if (r.type == rt::EXTSST) {
      while (i + 1 < g.size() && g[i + 1].type == rt::CONTINUE) ++i;
      continue;
    }
    if (r.type == rt::BOUNDSHEET) {
      if (r.data.size() < 8) return fail("workbook: damaged sheet entry");
      sheetOffsets.push_back(Get32(r.data.data()));
    }
    wb.globals_.push_back(r);
  }
  if (!wb.hadSst_) wb.sstAt_ = wb.globals_.size() - 1;  // before EOF
  for (std::uint32_t i = 0; i < wb.sst_.size(); ++i)
    if (wb.sst_[i].Plain()) wb.sstIndex_.emplace(wb.sst_[i].text, i);

  for (std::size_t k = 1; k < subs->size(); ++k) {
    Substream& sub = (*subs)[k];
    Sheet s;
    const Bytes& bof = sub.records.front().data;
    s.worksheet = bof.size() >= 4 && Get16(bof.data() + 2) == 0x0010;
    if (!s.worksheet) {
      s.records = std::move(sub.records);
      s.cellTableAt = s.records.size();
      wb.sheets_.push_back(std::move(s));
      continue;
    }
    s.original = sub.records;
    s.originalOffset = sub.offset;
    int depth = 0;
    bool seenCells = false;
    CellRec* last = nullptr;
    for (Record& r : sub.records) {
      if (r.type == rt::BOF) ++depth;
      if (depth > 1 || !InCellTable(r.type)) {
        if (r.type == rt::EOF_) --depth;
        // A CONTINUE right after a cell record belongs to it.
        if (r.type == rt::CONTINUE && last && depth == 1) {
          last->extra.push_back(std::move(r));
          continue;
        }
        last = nullptr;
        if (r.type == rt::INDEX && depth == 1) s.indexed = true;
        s.records.push_back(std::move(r));
        continue;
      }
      if (!seenCells) {
        seenCells = true;
        s.cellTableAt = s.records.size();
      }
      last = nullptr;
      const Bytes& d = r.data;
      if (r.type == rt::DBCELL) continue;  // rebuilt on save
      if (IsFormulaPart(r.type)) {
        // Parts of a formula with no formula before them cannot be placed: dropped.
        if (!s.rows.empty()) {
          auto& cells = s.rows.rbegin()->second.cells;
          if (!cells.empty() && cells.rbegin()->second.type == rt::FORMULA) {
            cells.rbegin()->second.extra.push_back(std::move(r));
            last = &cells.rbegin()->second;
          }
        }
        continue;
      }
      if (d.size() < 6) return fail("workbook: damaged cell record");
      const std::uint32_t row = Get16(d.data());
      if (r.type == rt::ROW) {
        if (d.size() != 16) return fail("workbook: damaged ROW record");
        RowData& rd = s.rows[row];
        rd.hasRecord = true;
        rd.rec = d;
        continue;
      }
      const std::uint32_t col = Get16(d.data() + 2);
      if (r.type == rt::MULBLANK || r.type == rt::MULRK) {
        const std::size_t unit = r.type == rt::MULBLANK ? 2 : 6;
        if (d.size() < 6 || (d.size() - 6) % unit != 0) return fail("workbook: damaged multiple-cell record");
        const std::size_t n = (d.size() - 6) / unit;
        if (Get16(d.data() + d.size() - 2) != col + n - 1 || col + n > kMaxColumns)
          return fail("workbook: damaged multiple-cell record");
        for (std::size_t k = 0; k < n; ++k) {
          const std::uint8_t* item = d.data() + 4 + k * unit;
          Bytes body = CellBody(row, static_cast<std::uint32_t>(col + k), Get16(item));
          if (unit == 6) body.insert(body.end(), item + 2, item + 6);
          s.rows[row].cells[static_cast<std::uint16_t>(col + k)] = {unit == 2 ? rt::BLANK : rt::RK, std::move(body), {}};
        }
        continue;
      }
      if (col >= kMaxColumns) return fail("workbook: cell outside the sheet");
      if (r.type == rt::LABELSST && (d.size() < 10 || Get32(d.data() + 6) >= wb.sst_.size()))
        return fail("workbook: cell refers to a string that does not exist");
      CellRec& c = s.rows[row].cells[static_cast<std::uint16_t>(col)];
      c = {r.type, std::move(r.data), {}};
      last = &c;
    }
    if (!seenCells) {
      // No cell table yet: it goes after DIMENSIONS, or before the window settings.
      s.cellTableAt = s.records.size() - 1;
      for (std::size_t i = 0; i < s.records.size(); ++i) {
        if (s.records[i].type == rt::DIMENSIONS) {
          s.cellTableAt = i + 1;
          break;
        }
        if (s.records[i].type == rt::WINDOW2) {
          s.cellTableAt = i;
          break;
        }
      }
    }
    wb.sheets_.push_back(std::move(s));
  }
  for (std::uint32_t off : sheetOffsets) {
    std::size_t found = wb.sheets_.size();
    for (std::size_t k = 1; k < subs->size(); ++k)
      if ((*subs)[k].offset == off) found = k - 1;
    if (found == wb.sheets_.size()) return fail("workbook: a sheet entry points to no sheet");
    wb.order_.push_back(found);
  }
  wb.root_ = std::move(*root);
  return wb;
}

std::optional<Workbook> Workbook::LoadFile(const std::string& path, std::string* error) {
  FILE* f = native::OpenFile(path, "rb");
  if (!f) {
    if (error) *error = "cannot open " + path;
    return std::nullopt;
  }
  Bytes bytes;
  std::uint8_t buf[65536];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.insert(bytes.end(), buf, buf + n);
  const bool bad = std::ferror(f);
  std::fclose(f);
  if (bad) {
    if (error) *error = "cannot read " + path;
    return std::nullopt;
  }
  return Load(bytes, error);
}

bool Workbook::SaveFile(const std::string& path) const {
  const Bytes bytes = Save();
  const std::string tmp = path + ".tmp";
  FILE* f = native::OpenFile(tmp, "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  if (ok) ok = native::MoveReplacing(tmp, path);
  if (!ok) native::RemoveFile(tmp);
  return ok;
}

std::string Workbook::SheetName(std::size_t sheet) const {
  std::size_t k = 0;
  for (const Record& r : globals_) {
    if (r.type != rt::BOUNDSHEET) continue;
    if (k++ != sheet) continue;
    const Bytes& d = r.data;
    const std::size_t cch = d[6];
    const bool high = d.size() > 7 && (d[7] & 1);
    std::u16string name;
    for (std::size_t i = 0; i < cch && 8 + (i + 1) * (high ? 2 : 1) <= d.size(); ++i)
      name.push_back(high ? Get16(d.data() + 8 + 2 * i) : d[8 + i]);
    return ToUtf8(name);
  }
  return {};
}

Workbook::Sheet* Workbook::EditableSheet(std::size_t sheet, std::uint32_t row, std::uint32_t col) {
  if (sheet >= order_.size() || row >= kMaxRows || col >= kMaxColumns) return nullptr;
  Sheet& s = sheets_[order_[sheet]];
  if (!s.worksheet) return nullptr;
  s.edited = true;
  return &s;
}

std::uint16_t Workbook::FormatFor(const Sheet& s, std::uint32_t row, std::uint32_t col) const {
  if (auto r = s.rows.find(row); r != s.rows.end()) {
    if (auto c = r->second.cells.find(static_cast<std::uint16_t>(col)); c != r->second.cells.end())
      return Get16(c->second.data.data() + 4);
    if (r->second.hasRecord && (Get16(r->second.rec.data() + 12) & 0x0080)) return Get16(r->second.rec.data() + 14) & 0x0FFF;
  }
  for (const Record& r : s.records)
    if (r.type == rt::COLINFO && r.data.size() >= 8 && Get16(r.data.data()) <= col && col <= Get16(r.data.data() + 2))
      return Get16(r.data.data() + 6);
  return 15;
}

std::uint32_t Workbook::Intern(std::u16string text) {
  if (auto it = sstIndex_.find(text); it != sstIndex_.end()) return it->second;
  const auto index = static_cast<std::uint32_t>(sst_.size());
  sstIndex_.emplace(text, index);
  sst_.push_back({std::move(text), {}, {}});
  return index;
}

void Workbook::PutCell(Sheet& s, std::uint32_t row, std::uint32_t col, std::uint16_t type, Bytes body) {
  s.rows[row].cells[static_cast<std::uint16_t>(col)] = {type, std::move(body), {}};
}

bool Workbook::SetText(std::size_t sheet, std::uint32_t row, std::uint32_t col, std::string_view utf8,
                       std::optional<std::uint16_t> xf) {
  Sheet* s = EditableSheet(sheet, row, col);
  if (!s) return false;
  std::u16string text = ToUtf16(utf8);
  if (text.size() > 32767) return false;  // the most a cell holds
  Bytes body = CellBody(row, col, xf.value_or(FormatFor(*s, row, col)));
  Put32(body, Intern(std::move(text)));
  PutCell(*s, row, col, rt::LABELSST, std::move(body));
  return true;
}

bool Workbook::SetNumber(std::size_t sheet, std::uint32_t row, std::uint32_t col, double value,
                         std::optional<std::uint16_t> xf) {
  Sheet* s = EditableSheet(sheet, row, col);
  if (!s || !std::isfinite(value)) return false;
  Bytes body = CellBody(row, col, xf.value_or(FormatFor(*s, row, col)));
  PutDouble(body, value);
  PutCell(*s, row, col, rt::NUMBER, std::move(body));
  return true;
}

bool Workbook::SetBlank(std::size_t sheet, std::uint32_t row, std::uint32_t col, std::uint16_t xf) {
  Sheet* s = EditableSheet(sheet, row, col);
  if (!s) return false;
  PutCell(*s, row, col, rt::BLANK, CellBody(row, col, xf));
  return true;
}

bool Workbook::SetRowHeight(std::size_t sheet, std::uint32_t row, std::uint16_t twips) {
  Sheet* s = EditableSheet(sheet, row, 0);
  if (!s || twips == 0 || twips > 8192) return false;
  RowData& rd = s->rows[row];
  if (!rd.hasRecord) {
    rd.hasRecord = true;
    rd.rec = DefaultRow(row);
  }
  Set16(rd.rec.data() + 6, twips);
  Set16(rd.rec.data() + 12, Get16(rd.rec.data() + 12) | 0x0040);
  return true;
}

std::optional<Workbook::RowCopy> Workbook::TakeRow(std::size_t sheet, std::uint32_t row) const {
  if (sheet >= order_.size() || row >= kMaxRows || !sheets_[order_[sheet]].worksheet) return std::nullopt;
  const Sheet& s = sheets_[order_[sheet]];
  RowCopy copy;
  if (auto it = s.rows.find(row); it != s.rows.end()) copy.row = it->second;
  for (auto& [col, c] : copy.row.cells)
    if (c.type == rt::FORMULA) {
      // The formula's references would need rewriting for another row: its format only.
      c = {rt::BLANK, CellBody(row, col, Get16(c.data.data() + 4)), {}};
    }
  return copy;
}

bool Workbook::PutRow(std::size_t sheet, const RowCopy& copy, std::uint32_t to) {
  Sheet* s = EditableSheet(sheet, to, 0);
  if (!s) return false;
  if (!copy.row.hasRecord && copy.row.cells.empty()) {
    s->rows.erase(to);
    return true;
  }
  RowData& rd = s->rows[to] = copy.row;
  for (auto& [col, c] : rd.cells) Set16(c.data.data(), to);
  if (rd.hasRecord) Set16(rd.rec.data(), to);
  return true;
}

bool Workbook::CopyRow(std::size_t sheet, std::uint32_t from, std::uint32_t to) {
  if (from == to) return EditableSheet(sheet, to, 0) != nullptr;
  auto copy = TakeRow(sheet, from);
  return copy && PutRow(sheet, *copy, to);
}

bool Workbook::ClearValue(std::size_t sheet, std::uint32_t row, std::uint32_t col) {
  Sheet* s = EditableSheet(sheet, row, col);
  if (!s) return false;
  if (auto r = s->rows.find(row); r != s->rows.end())
    if (auto c = r->second.cells.find(static_cast<std::uint16_t>(col)); c != r->second.cells.end() && c->second.type != rt::BLANK)
      c->second = {rt::BLANK, CellBody(row, col, Get16(c->second.data.data() + 4)), {}};
  return true;
}

bool Workbook::ClearValues(std::size_t sheet, std::uint32_t first, std::uint32_t last) {
  Sheet* s = EditableSheet(sheet, std::min(first, last), 0);
  if (!s || first > last) return false;
  for (auto it = s->rows.lower_bound(first); it != s->rows.end() && it->first <= last; ++it)
    for (auto& [col, c] : it->second.cells)
      if (c.type != rt::BLANK) c = {rt::BLANK, CellBody(it->first, col, Get16(c.data.data() + 4)), {}};
  return true;
}

bool Workbook::Merge(std::size_t sheet, std::uint32_t r1, std::uint32_t r2, std::uint32_t c1, std::uint32_t c2) {
  Sheet* s = EditableSheet(sheet, std::max(r1, r2), std::max(c1, c2));
  if (!s || r1 > r2 || c1 > c2 || (r1 == r2 && c1 == c2)) return false;
  // A new MERGECELLS record goes after the window settings, unless one has room.
  std::size_t at = s->records.size() - 1;
  for (std::size_t i = 0; i < s->records.size(); ++i) {
    const std::uint16_t t = s->records[i].type;
    if (t == rt::WINDOW2 || t == rt::SELECTION || t == 0x0041 || t == 0x00A0 || t == 0x088B) at = i + 1;
  }
  for (std::size_t i = 0; i < s->records.size(); ++i) {
    const Record& r = s->records[i];
    if (r.type != rt::MERGECELLS || r.data.size() < 2) continue;
    const std::size_t n = std::min<std::size_t>(Get16(r.data.data()), (r.data.size() - 2) / 8);
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint8_t* m = r.data.data() + 2 + 8 * k;
      if (!(r2 < Get16(m) || r1 > Get16(m + 2) || c2 < Get16(m + 4) || c1 > Get16(m + 6))) return false;
    }
    if (n < 1026) at = i;
  }
  if (s->records[at].type != rt::MERGECELLS) {
    s->records.insert(s->records.begin() + static_cast<std::ptrdiff_t>(at), Record{rt::MERGECELLS, Bytes{0, 0}});
    if (s->cellTableAt > at) ++s->cellTableAt;
  }
  Bytes& d = s->records[at].data;
  Set16(d.data(), Get16(d.data()) + 1u);
  for (std::uint32_t v : {r1, r2, c1, c2}) Put16(d, v);
  return true;
}

bool Workbook::SelectCell(std::size_t sheet, std::uint32_t row, std::uint32_t col) {
  Sheet* s = EditableSheet(sheet, row, col);
  if (!s) return false;
  Bytes sel;
  Put8(sel, 3);  // the pane without splits
  Put16(sel, row);
  Put16(sel, col);
  Put16(sel, 0);
  Put16(sel, 1);
  Put16(sel, row);
  Put16(sel, row);
  Put8(sel, col);
  Put8(sel, col);
  bool replaced = false;
  for (Record& r : s->records) {
    if (r.type == rt::SELECTION) {
      if (r.data.empty()) continue;
      sel[0] = r.data[0];  // keep the pane each selection belongs to
      r.data = sel;
      replaced = true;
    } else if (r.type == rt::WINDOW2 && r.data.size() >= 6) {
      Set16(r.data.data() + 2, 0);  // scrolled to the top left
      Set16(r.data.data() + 4, 0);
    }
  }
  if (!replaced) {
    for (std::size_t i = 0; i < s->records.size(); ++i)
      if (s->records[i].type == rt::WINDOW2) {
        s->records.insert(s->records.begin() + static_cast<std::ptrdiff_t>(i + 1), Record{rt::SELECTION, sel});
        if (s->cellTableAt > i) ++s->cellTableAt;
        break;
      }
  }
  return true;
}

CellContent Workbook::Cell(std::size_t sheet, std::uint32_t row, std::uint32_t col) const {
  CellContent out;
  if (sheet >= order_.size()) return out;
  const Sheet& s = sheets_[order_[sheet]];
  auto r = s.rows.find(row);
  if (r == s.rows.end()) return out;
  auto c = r->second.cells.find(static_cast<std::uint16_t>(col));
  if (c == r->second.cells.end()) return out;
  const Bytes& d = c->second.data;
  out.xf = Get16(d.data() + 4);
  switch (c->second.type) {
    case rt::BLANK: out.kind = CellContent::Kind::Blank; break;
    case rt::LABELSST:
      out.kind = CellContent::Kind::Text;
      out.text = ToUtf8(sst_[Get32(d.data() + 6)].text);
      break;
    case rt::NUMBER:
      if (d.size() >= 14) {
        out.kind = CellContent::Kind::Number;
        out.number = GetDouble(d.data() + 6);
      }
      break;
    case rt::RK:
      if (d.size() >= 10) {
        out.kind = CellContent::Kind::Number;
        out.number = RkValue(Get32(d.data() + 6));
      }
      break;
    default: out.kind = CellContent::Kind::Other;
  }
  return out;
}

std::optional<std::uint16_t> Workbook::RowHeight(std::size_t sheet, std::uint32_t row) const {
  if (sheet >= order_.size()) return std::nullopt;
  const Sheet& s = sheets_[order_[sheet]];
  auto r = s.rows.find(row);
  if (r == s.rows.end() || !r->second.hasRecord) return std::nullopt;
  return Get16(r->second.rec.data() + 6);
}

std::uint32_t Workbook::RowsUsed(std::size_t sheet) const {
  if (sheet >= order_.size()) return 0;
  const Sheet& s = sheets_[order_[sheet]];
  for (auto it = s.rows.rbegin(); it != s.rows.rend(); ++it)
    if (!it->second.cells.empty()) return it->first + 1;
  return 0;
}

// ---- saving ----

void Workbook::AppendSheet(Bytes& out, const Sheet& s) const {
  if (!s.worksheet) {
    for (const Record& r : s.records) AppendRecord(out, r.type, r.data);
    return;
  }
  if (!s.edited && !s.original.empty()) {
    const std::uint32_t shift = static_cast<std::uint32_t>(out.size()) - s.originalOffset;
    int depth = 0;
    for (const Record& r : s.original) {
      if (r.type == rt::BOF) ++depth;
      if (r.type == rt::EOF_) --depth;
      if (r.type != rt::INDEX || depth != 1 || r.data.size() < 16) {
        AppendRecord(out, r.type, r.data);
        continue;
      }
      Bytes index = r.data;  // absolute offsets: of DEFCOLWIDTH, then of each DBCELL
      for (std::size_t at = 12; at + 4 <= index.size(); at += 4)
        if (Get32(index.data() + at) != 0) Set32(index.data() + at, Get32(index.data() + at) + shift);
      AppendRecord(out, rt::INDEX, index);
    }
    return;
  }
  // Extent of the cells, and the row blocks (32 rows each by row number).
  std::uint32_t rowMin = UINT32_MAX, rowMax = 0, colMin = UINT32_MAX, colMax = 0;
  std::vector<std::vector<const std::pair<const std::uint32_t, RowData>*>> blocks;
  std::uint32_t lastBlock = UINT32_MAX;
  for (const auto& entry : s.rows) {
    const RowData& rd = entry.second;
    if (!rd.hasRecord && rd.cells.empty()) continue;
    if (!rd.cells.empty()) {
      rowMin = std::min(rowMin, entry.first);
      rowMax = std::max(rowMax, entry.first);
      colMin = std::min<std::uint32_t>(colMin, rd.cells.begin()->first);
      colMax = std::max<std::uint32_t>(colMax, rd.cells.rbegin()->first);
    }
    if (entry.first / 32 != lastBlock) {
      blocks.emplace_back();
      lastBlock = entry.first / 32;
    }
    blocks.back().push_back(&entry);
  }
  std::size_t indexPos = SIZE_MAX;  // where the INDEX body starts in `out`
  std::size_t defColWidthPos = 0;
  std::vector<std::uint32_t> dbcells;

  auto cellTable = [&] {
    for (const auto& block : blocks) {
      const std::size_t blockStart = out.size();
      for (const auto* entry : block) {
        const RowData& rd = entry->second;
        Bytes rec = rd.hasRecord ? rd.rec : DefaultRow(entry->first);
        Set16(rec.data() + 2, rd.cells.empty() ? 0 : rd.cells.begin()->first);
        Set16(rec.data() + 4, rd.cells.empty() ? 0 : rd.cells.rbegin()->first + 1u);
        AppendRecord(out, rt::ROW, rec);
      }
      // Offsets of each row's first cell, for the DBCELL.
      std::vector<std::size_t> firstCells;
      for (const auto* entry : block) {
        firstCells.push_back(out.size());
        const auto& cells = entry->second.cells;
        for (auto it = cells.begin(); it != cells.end();) {
          // Neighbouring blanks go into one MULBLANK.
          auto end = it;
          std::uint32_t col = it->first;
          while (end != cells.end() && end->second.type == rt::BLANK && end->first == col) {
            ++end;
            ++col;
          }
          if (std::distance(it, end) >= 2) {
            Bytes b;
            Put16(b, entry->first);
            Put16(b, it->first);
            for (auto k = it; k != end; ++k) Put16(b, Get16(k->second.data.data() + 4));
            Put16(b, col - 1);
            AppendRecord(out, rt::MULBLANK, b);
            it = end;
            continue;
          }
          Bytes body = it->second.data;
          Set16(body.data(), entry->first);
          Set16(body.data() + 2, it->first);
          AppendRecord(out, it->second.type, body);
          for (const Record& x : it->second.extra) AppendRecord(out, x.type, x.data);
          ++it;
        }
      }
      if (!s.indexed) continue;
      const std::size_t dbcell = out.size();
      dbcells.push_back(static_cast<std::uint32_t>(dbcell));
      Bytes b;
      Put32(b, static_cast<std::uint32_t>(dbcell - blockStart));
      std::size_t prev = blockStart + 20;  // the second ROW record
      for (std::size_t k = 0; k < firstCells.size() && k < 32; ++k) {
        Put16(b, static_cast<std::uint32_t>(firstCells[k] - prev));
        prev = firstCells[k];
      }
      AppendRecord(out, rt::DBCELL, b);
    }
  };

  for (std::size_t i = 0; i <= s.records.size(); ++i) {
    if (i == s.cellTableAt) cellTable();
    if (i == s.records.size()) break;
    const Record& r = s.records[i];
    if (r.type == rt::INDEX) {
      if (indexPos != SIZE_MAX) continue;  // one INDEX per sheet
      indexPos = out.size() + 4;
      Bytes b(16 + 4 * blocks.size(), 0);
      AppendRecord(out, rt::INDEX, b);
    } else if (r.type == rt::DIMENSIONS) {
      Bytes b;
      const bool any = rowMin != UINT32_MAX;
      Put32(b, any ? rowMin : 0);
      Put32(b, any ? rowMax + 1 : 0);
      Put16(b, any ? colMin : 0);
      Put16(b, any ? colMax + 1 : 0);
      Put16(b, 0);
      AppendRecord(out, rt::DIMENSIONS, b);
    } else {
      if (r.type == rt::DEFCOLWIDTH) defColWidthPos = out.size();
      AppendRecord(out, r.type, r.data);
    }
  }
  if (indexPos != SIZE_MAX) {
    std::uint8_t* p = out.data() + indexPos;
    std::uint32_t first = UINT32_MAX, last = 0;
    for (const auto& block : blocks) {
      first = std::min(first, block.front()->first);
      last = std::max(last, block.back()->first);
    }
    Set32(p + 4, blocks.empty() ? 0 : first);
    Set32(p + 8, blocks.empty() ? 0 : last + 1);
    Set32(p + 12, static_cast<std::uint32_t>(defColWidthPos));
    // Without DBCELLs (no INDEX in a sheet that had none) the offsets stay 0.
    for (std::size_t k = 0; k < dbcells.size() && k < blocks.size(); ++k) Set32(p + 16 + 4 * k, dbcells[k]);
  }
}

Bytes Workbook::SaveStream() const {
  Bytes out;
  std::uint32_t refs = 0;
  for (const Sheet& s : sheets_)
    for (const auto& [r, rd] : s.rows)
      for (const auto& [c, cell] : rd.cells) refs += cell.type == rt::LABELSST;
  std::vector<std::size_t> boundsheets;
  for (std::size_t i = 0; i <= globals_.size(); ++i) {
    if (i == sstAt_ && (hadSst_ || !sst_.empty())) AppendSst(out, sst_, refs);
    if (i == globals_.size()) break;
    if (globals_[i].type == rt::BOUNDSHEET) boundsheets.push_back(out.size() + 4);
    AppendRecord(out, globals_[i].type, globals_[i].data);
  }
  std::vector<std::uint32_t> offsets;
  for (const Sheet& s : sheets_) {
    offsets.push_back(static_cast<std::uint32_t>(out.size()));
    AppendSheet(out, s);
  }
  for (std::size_t k = 0; k < boundsheets.size() && k < order_.size(); ++k)
    Set32(out.data() + boundsheets[k], offsets[order_[k]]);
  return out;
}

Bytes Workbook::Save() const {
  CfbEntry root = root_;
  CfbEntry* stream = root.Find(u"Workbook");
  if (!stream) {
    root.children.push_back({});
    stream = &root.children.back();
    stream->name = u"Workbook";
    stream->type = CfbEntry::Stream;
  }
  stream->data = SaveStream();
  return WriteCompoundFile(root);
}

}  // namespace kv::xls
