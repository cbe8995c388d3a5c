// The CSV dialect of the work file QTEMP/CSVF, both ways, record by record.
//
// A record becomes one CSV row: values separated by commas; character fields
// in double quotes with a quote inside doubled and trailing blanks removed (a
// line end inside the field stays inside the quotes); zoned and packed fields
// as numbers with a period as decimal point and a leading minus sign.
//
// A row becomes a record: quotes are optional, blanks around a value outside
// quotes are ignored, a quoted value may hold commas, quotes (doubled) and
// line ends, so one row may span several lines of the work file. A number is
// digits with at most one period and an optional sign; a comma in a number
// refuses the row. An empty value is blanks or zero.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "hostsim/store.h"

namespace hostsim::csv {

// The record format of a file; a file created without one is one character field.
std::vector<Field> Format(const Object& file);

// The field names as a CSV row (quoted), the first line of a download with names.
std::string NamesRow(const std::vector<Field>& fields);

// One record as a CSV row. Returns false with the reason when the record holds
// data that has no CSV form: decimal data that is not valid, or a control
// character (such as NUL) in a character field.
bool RecordToRow(const PhysicalFile& f, const std::vector<Field>& fields, std::string_view record, std::string& row,
                 std::string& why);

// Whether `text` ends inside a quoted value (the row goes on on the next line).
bool EndsInsideQuotes(std::string_view text);

// One row into its values. Returns false with the reason for a quote that is
// not closed or text after a closing quote.
bool SplitRow(std::string_view row, std::vector<std::string>& values, std::string& why);

// Whether the values repeat the field names (the names line of a download).
bool IsNamesRow(const std::vector<Field>& fields, const std::vector<std::string>& values);

// The values of one row as a record of the file. Returns false with the reason
// for the first value that does not fit its field.
bool RowToRecord(const PhysicalFile& f, const std::vector<Field>& fields, const std::vector<std::string>& values,
                 std::string& record, std::string& why);

}  // namespace hostsim::csv
