// kvxfer: the batch front end. Does what the main window does for one run:
// start-up, one menu pick, the given inputs typed in, one press of 実行; prints
// what a user would have seen.
#pragma once
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "common/hostinfo.h"

namespace kv {

struct KvxferOptions {
  std::function<HostInfo()> getIp = GetIp;
  // Show the progress of each transfer on `err` (when it is a terminal): one
  // line rewritten in place, removed when the client has ended.
  bool progress = false;
};

// `args` excludes the program name. Returns the exit status:
// 0 a result line and no message box, 1 a message box was shown,
// 3 neither, 2 a usage error.
int RunKvxfer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const KvxferOptions& options = {});

}  // namespace kv
