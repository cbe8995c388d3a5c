// A host of its own for each test: a private blob folder, the minimal host, the
// test's seed text and the tool library TOOLS; all of it goes when the test ends.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "hostsim/commands.h"
#include "hostsim/state.h"

class SeededHostTest : public ::testing::Test {
 protected:
  // For a fixture's SetUp, with the seed its tests start from.
  void Seed(const char* seedText) {
    char t[] = "/tmp/hostsim-test-XXXXXX";
    const char* made = ::mkdtemp(t);
    ASSERT_NE(made, nullptr);
    dir_ = made;
    ASSERT_TRUE(host_.blobs.Open(dir_ + "/blobs"));
    host_.MakeMinimal();
    std::string err;
    ASSERT_TRUE(hostsim::LoadSeedText(host_, seedText, err)) << err;
    hostsim::AddToolLibrary(host_, "TOOLS");
  }
  void TearDown() override {
    host_.libraries.clear();
    job_.qtemp.objects.clear();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  std::string dir_;
  hostsim::Host host_;
  hostsim::Job job_;
};
