// The named fault switches, each driven over a raw socket; and the safe
// defaults (loopback only, no password in the log).
#include <chrono>
#include <string>

#include "hostsim/ccsid.h"
#include "hostsim/faults.h"
#include "tests/unit/hostsim/server_harness.h"

using namespace hostsim_test;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

TEST(FaultSwitches, ParseNamesValuesAndSessions) {
  FaultSwitch f;
  std::string err;
  ASSERT_TRUE(ParseFault("datarate=2000@3", f, err)) << err;
  EXPECT_EQ(f.fault, Fault::kDataRate);
  EXPECT_EQ(f.value, "2000");
  EXPECT_EQ(f.session, 3u);
  ASSERT_TRUE(ParseFault("BADREPLY=PASV", f, err));
  EXPECT_EQ(f.value, "PASV");
  EXPECT_EQ(f.session, 0u);
  for (const char* bad : {"NOSUCH", "GREET421=1", "SLOWREPLY", "SLOWREPLY=0", "DATARATE=fast", "DISKFULL=x",
                          "GREET421@0", "GREET421@", "BADREPLY="}) {
    EXPECT_FALSE(ParseFault(bad, f, err)) << bad;
    EXPECT_FALSE(err.empty());
  }
  // Every documented name parses.
  for (const auto& name : FaultNames()) {
    std::string text = name == "SLOWREPLY" || name == "DATARATE" ? name + "=5" : name;
    EXPECT_TRUE(ParseFault(text, f, err)) << text;
  }
  // A switch without @ holds in every session; one with @ only in its own.
  std::vector<FaultSwitch> all(2);
  ParseFault("GREET421@2", all[0], err);
  ParseFault("SLOWREPLY=7", all[1], err);
  EXPECT_FALSE(FaultsOfSession(all, 1).On(Fault::kGreet421));
  EXPECT_TRUE(FaultsOfSession(all, 2).On(Fault::kGreet421));
  EXPECT_EQ(FaultsOfSession(all, 1).Number(Fault::kSlowReply, 0), 7);
}

TEST_F(ServerTest, Greet421OnlyInTheNamedSessionAndFromTheSeed) {
  std::string err;
  ASSERT_TRUE(LoadSeedText(host_, "fault GREET421@2\n", err)) << err;
  Client first(port_);
  EXPECT_EQ(first.greeting.substr(0, 4), "220-");
  Client second(port_);
  EXPECT_EQ(second.greeting, "421 Service not available, closing control connection.\n");
  EXPECT_EQ(second.Read(), "<closed>");
  Client third(port_);
  EXPECT_EQ(third.greeting.substr(0, 4), "220-");
  SeedData d;
  EXPECT_FALSE(ParseSeed("FAULT NOSUCH\n", d, err, nullptr));
  ASSERT_TRUE(ParseSeed("fault dataRate=2000@3\n", d, err, nullptr)) << err;
  ASSERT_EQ(d.faults.size(), 1u);
  EXPECT_EQ(d.faults[0].fault, Fault::kDataRate);
  EXPECT_EQ(d.faults[0].value, "2000");
  EXPECT_EQ(d.faults[0].session, 3u);
}

TEST_F(ServerTest, DropAfter150LeavesTheMemberAlone) {
  SetFaults({"DROPAFTER150"});
  std::string before = MemberData("DEMO", "DATA", "DATA");
  Client c(port_);
  c.Logon();
  int d = c.Passive();
  EXPECT_EQ(c.Cmd("STOR DEMO/DATA.DATA").substr(0, 4), "150 ");
  ::send(d, "NEW\r\n", 5, MSG_NOSIGNAL);
  ::close(d);
  EXPECT_EQ(c.Read(), "<closed>");
  EXPECT_EQ(MemberData("DEMO", "DATA", "DATA"), before);
  Client r(port_);
  r.Logon();
  d = r.Passive();
  EXPECT_EQ(r.Cmd("RETR DEMO/DATA.DATA").substr(0, 4), "150 ");
  EXPECT_EQ(r.Read(), "<closed>");
  ::close(d);
}

TEST_F(ServerTest, DataHalfSendsHalfThenTellsOrLies) {
  std::string whole, savf;
  {
    Client c(port_);
    c.Logon();
    ASSERT_EQ(c.Code("TYPE I"), 200);
    ASSERT_EQ(c.Get("DEMO/DATA.DATA", whole), 226);
    ASSERT_EQ(whole.size(), 20u);
    ASSERT_EQ(c.Code("RCMD CRTSAVF FILE(DEMO/S)"), 250);
    ASSERT_EQ(c.Code("RCMD SAVLIB LIB(TOOLS) DEV(*SAVF) SAVF(DEMO/S)"), 250);
    ASSERT_EQ(c.Get("DEMO/S", savf), 226);
    ASSERT_GT(savf.size(), 1000u);
  }
  for (const char* fault : {"DATAHALF426", "DATAHALF226"}) {
    SetFaults({fault});
    Client c(port_);
    c.Logon();
    ASSERT_EQ(c.Code("TYPE I"), 200);
    std::string half;
    EXPECT_EQ(c.Get("DEMO/DATA.DATA", half), fault == std::string("DATAHALF426") ? 426 : 226) << fault;
    EXPECT_EQ(half, whole.substr(0, 10)) << fault;
    half.clear();
    c.Get("DEMO/S", half);
    EXPECT_EQ(half, savf.substr(0, savf.size() / 2)) << fault;
    // Text: half of the converted lines.
    ASSERT_EQ(c.Code("TYPE C 943"), 200);
    half.clear();
    c.Get("DEMO/DATA.DATA", half);
    EXPECT_EQ(half, std::string("ABC\r\n\x8a\xbf\x8e\x9a\r\n").substr(0, 5)) << fault;
  }
}

TEST_F(ServerTest, DataStallHoldsUntilTheClientGivesUp) {
  SetFaults({"DATASTALL"});
  std::string before = MemberData("DEMO", "DATA", "DATA");
  Client c(port_);
  c.Logon();
  int d = c.Passive();
  EXPECT_EQ(c.Cmd("RETR DEMO/DATA.DATA").substr(0, 4), "150 ");
  // Nothing arrives while the client waits.
  pollfd p{d, POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, 300), 0);
  ::close(d);   // the client gives up
  EXPECT_EQ(std::atoi(c.Read().c_str()), 426);
  // STOR: the server reads nothing; the client gives up by sending ABOR.
  d = c.Passive();
  EXPECT_EQ(c.Cmd("STOR DEMO/DATA.DATA").substr(0, 4), "150 ");
  ::send(d, "NEW\r\n", 5, MSG_NOSIGNAL);
  ::close(d);
  EXPECT_EQ(std::atoi(c.Cmd("ABOR").c_str()), 426);
  EXPECT_EQ(std::atoi(c.Read().c_str()), 226);
  EXPECT_EQ(MemberData("DEMO", "DATA", "DATA"), before);
}

TEST_F(ServerTest, SlowReplyAndDataRateSlowDown) {
  SetFaults({"SLOWREPLY=150", "DATARATE=1000@1"});
  auto t0 = std::chrono::steady_clock::now();
  Client c(port_);
  c.Logon();
  EXPECT_EQ(c.Code("NOOP"), 250);
  EXPECT_GE(Seconds(t0), 0.6);   // greeting, USER, PASS, NOOP
  ASSERT_EQ(c.Code("TYPE I"), 200);
  auto t1 = std::chrono::steady_clock::now();
  EXPECT_EQ(c.Put("DEMO/DATA.BIG", std::string(600, 'x')), 226);
  std::string got;
  EXPECT_EQ(c.Get("DEMO/DATA.BIG", got), 226);
  EXPECT_EQ(got.size(), 600u);
  // 600 bytes each way at 1000 bytes per second, plus the slow replies.
  EXPECT_GE(Seconds(t1), 1.1);
}

TEST_F(ServerTest, PasvBadIpNamesAnotherAddressAndRefusesEpsv) {
  SetFaults({"PASVBADIP"});
  Client c(port_);
  c.Logon();
  EXPECT_EQ(c.Code("EPSV"), 502);
  std::string r = c.Cmd("PASV");
  EXPECT_EQ(r.substr(0, 36), "227 Entering Passive Mode (10,255,25") << r;
}

TEST_F(ServerTest, BadReplyAfterLogonOrToTheNamedSubcommand) {
  SetFaults({"BADREPLY"});
  {
    Client c(port_);
    c.Logon();
    c.Send("NOOP\r\n");
    EXPECT_EQ(c.Read().substr(0, 4), "2X0 ");
    EXPECT_EQ(c.Code("NOOP"), 250);   // once only
  }
  SetFaults({"BADREPLY=PASV"});
  Client c(port_);
  c.Logon();
  EXPECT_EQ(c.Code("NOOP"), 250);
  c.Send("PASV\r\n");
  EXPECT_EQ(c.Read().substr(0, 4), "2X0 ");
}

TEST_F(ServerTest, ToolReplyMissingOrCut) {
  const std::string call = "RCMD CALL TOOLS/#RTVMBR4 PARM('DEMO' 'DATA' 'DATA' 'D' '1.2.3.4' 'pc01')";
  SetFaults({"TOOLNOREPLY"});
  {
    Client c(port_);
    c.Logon();
    EXPECT_EQ(c.Code(call), 250);
    std::string reply;
    EXPECT_EQ(c.Get("QTEMP/FTPTEXT", reply), 550);
  }
  SetFaults({"TOOLSHORTREPLY"});
  Client c(port_);
  c.Logon();
  EXPECT_EQ(c.Code(call), 250);
  ASSERT_EQ(c.Code("TYPE C 943"), 200);
  std::string reply;
  ASSERT_EQ(c.Get("QTEMP/FTPTEXT", reply), 226);
  EXPECT_EQ(reply, "#RTVMBR4\r\n");
}

TEST_F(ServerTest, DiskFullFailsTheStorAndChangesNothing) {
  std::string image, err;
  {
    Host h;
    ASSERT_TRUE(h.blobs.Open(dir_));
    AddToolLibrary(h, "TRIAL_KVU");
    ASSERT_TRUE(LibraryImage(h, "TRIAL_KVU", image, err));
  }
  SetFaults({"DISKFULL=4"});
  std::string before = MemberData("DEMO", "DATA", "DATA");
  Client c(port_);
  c.Logon();
  EXPECT_EQ(c.Put("DEMO/DATA.DATA", "NEW1\r\nNEW2\r\n"), 452);
  EXPECT_EQ(MemberData("DEMO", "DATA", "DATA"), before);
  EXPECT_EQ(c.Put("DEMO/DATA.FRESH", "NEW1\r\n"), 452);
  {
    std::lock_guard lock(host_.mu);
    EXPECT_EQ(host_.FindLibrary("DEMO")->FindFile("DATA")->file()->FindMember("FRESH"), nullptr);
  }
  EXPECT_EQ(c.Put("DEMO/DATA.SMALL", "ABC"), 226);   // fits in the room left
  ASSERT_EQ(c.Code("TYPE I"), 200);
  ASSERT_EQ(c.Code("RCMD CRTSAVF FILE(QTEMP/FTPSAVF)"), 250);
  EXPECT_EQ(c.Put("QTEMP/FTPSAVF", image), 452);
  std::string saved;
  EXPECT_EQ(c.Get("QTEMP/FTPSAVF", saved), 226);
  EXPECT_EQ(saved, "");
}

TEST_F(ServerTest, LogHidesThePassword) {
  std::string err;
  ASSERT_TRUE(LoadSeedText(host_, "USER KVOPER PASSWORD('Hidden7x')\n", err)) << err;
  Client c(port_);
  EXPECT_EQ(c.Code("USER kvoper"), 331);
  EXPECT_EQ(c.Code("PASS Hidden7x"), 230);
  EXPECT_EQ(c.Code("QUIT"), 221);
  std::string log = Log();
  EXPECT_NE(log.find("session 1 < PASS ****"), std::string::npos) << log;
  EXPECT_NE(log.find("session 1 230 KVOPER logged on."), std::string::npos) << log;
  EXPECT_EQ(log.find("Hidden7x"), std::string::npos) << log;
  EXPECT_EQ(log.find("HIDDEN7X"), std::string::npos) << log;
}

TEST(ServerListen, OnlyLoopbackUnlessAllowed) {
  Host host;
  for (const char* address : {"0.0.0.0", "10.1.2.3", "192.168.0.1"}) {
    ServerOptions o;
    o.address = address;
    o.port = 0;
    Server s(host, o);
    std::string err;
    EXPECT_EQ(s.Listen(err), "") << address;
    EXPECT_NE(err.find("--allow-remote"), std::string::npos) << err;
  }
  ServerOptions o;
  o.address = "0.0.0.0";
  o.port = 0;
  o.allowRemote = true;
  Server s(host, o);
  std::string err;
  EXPECT_NE(s.Listen(err), "") << err;
}
