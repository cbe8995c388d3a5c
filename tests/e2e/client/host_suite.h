// The fixture both end-to-end suites share: one simulated host per suite, a
// working folder for PC files, and a window driven as an operator drives it.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "client/engine/pipeline.h"
#include "client/window/main_panel.h"
#include "client/panel/memory_panel.h"
#include "common/winpath.h"
#include "tests/e2e/client/sim_host.h"

namespace kvtest {

class HostSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { host_ = std::make_unique<SimHost>(KV_E2E_SEED); }
  static void TearDownTestSuite() { host_.reset(); }

  void SetUp() override {
    ASSERT_TRUE(host_->Ok()) << host_->Error();
    ::setenv("KV_DRIVE_C", host_->DriveC().c_str(), 1);
    work_ = host_->Root() + "/work";
    std::filesystem::create_directories(work_);
  }

  // A fresh window: start-up, one menu pick, the logon inputs typed in.
  std::unique_ptr<kv::MemoryPanel> Pick(int code, const std::string& password = "QSECOFR") {
    auto p = std::make_unique<kv::MemoryPanel>();
    kv::StartUp(*p, [] { return kv::HostInfo{"10.9.8.7", "e2e-pc"}; });
    kv::SelectOperation(*p, code);
    p->SetText(kv::Ctl::IPアドレス, host_->Address());
    p->SetText(kv::Ctl::ユーザー, "QSECOFR");
    p->SetText(kv::Ctl::パスワード, password);
    return p;
  }

  // One press of 実行; what the user saw.
  static std::vector<kv::PanelEvent> Execute(kv::MemoryPanel& p) {
    p.ClearEvents();
    kv::Pipeline pl;
    kv::RunContext ctx{p};
    pl.Execute(ctx);
    return p.Events();
  }

  // A PC file of the working folder: its Windows path, its bytes.
  std::string Pc(const std::string& name) const { return kv::ToWindowsPath(work_ + "/" + name); }
  std::string PcFile(const std::string& name) const { return ReadFile(work_ + "/" + name); }

  static inline std::unique_ptr<SimHost> host_;
  std::string work_;
};

}  // namespace kvtest
