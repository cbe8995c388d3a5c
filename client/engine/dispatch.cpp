#include "client/engine/methods.h"

#include "client/engine/csv_family.h"
#include "client/engine/data_family.h"
#include "client/engine/savefile_family.h"
#include "client/engine/source_family.h"
#include "client/engine/spool_family.h"

namespace kv {
namespace {

// Operation code to its validation, script and reply methods, with the control
// whose value the script and reply methods receive. A row without methods would
// make the pipeline say that the operation cannot be used yet.
const Dispatch kDispatch[] = {
    {11, CHK11, FTP11, std::nullopt, ANSER11, std::nullopt},
    {12, CHK13, FTP13, Ctl::MENUNO, ANSER13, Ctl::MENUNO},
    {13, CHK13, FTP13, Ctl::MENUNO, ANSER13, Ctl::MENUNO},
    {14, CHK14, FTP14, Ctl::漢字, ANSER14, std::nullopt},
    {15, CHK16, FTP16, std::nullopt, ANSER16, std::nullopt},
    {16, CHK16, FTP16, std::nullopt, ANSER16, std::nullopt},
    {17, CHK17, FTP17, std::nullopt, ANSER17, std::nullopt},
    {18, CHK17, FTP17, std::nullopt, ANSER17, std::nullopt},
    {21, CHK21, FTP21, std::nullopt, ANSER21, Ctl::コンパイル},
    {22, CHK22, FTP22, std::nullopt, ANSER22, std::nullopt},
    {23, CHK23, FTP23, std::nullopt, ANSER23, std::nullopt},
    {24, CHK25, FTP25, std::nullopt, ANSER25, std::nullopt},
    {25, CHK25, FTP25, std::nullopt, ANSER25, std::nullopt},
    {26, CHK26, FTP26, std::nullopt, ANSER26, std::nullopt},
    {27, CHK22, FTP22, std::nullopt, ANSER22, std::nullopt},
};

}  // namespace

const Dispatch* FindDispatch(int code) {
  for (const auto& d : kDispatch)
    if (d.code == code) return &d;
  return nullptr;
}

std::string ArgumentOf(const Panel& panel, std::optional<Ctl> arg) {
  if (!arg) return {};
  if (ControlInfo(*arg).kind == CtlKind::CheckBox) return std::to_string(panel.Value(*arg));
  return panel.Text(*arg);
}

}  // namespace kv
