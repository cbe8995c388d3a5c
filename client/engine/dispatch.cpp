#include "client/engine/methods.h"

#include "client/engine/csv_family.h"
#include "client/engine/data_family.h"
#include "client/engine/savefile_family.h"
#include "client/engine/source_family.h"
#include "client/engine/spool_family.h"

namespace kv {

const Dispatch* FindDispatch(int code) {
  for (std::span<const Dispatch> rows :
       {SourceDispatchRows(), DataDispatchRows(), CsvDispatchRows(), SaveFileDispatchRows(), SpoolDispatchRows()})
    for (const Dispatch& d : rows)
      if (d.code == code) return &d;
  return nullptr;
}

}  // namespace kv
