// hostsim: an IBM i host simulator serving FTP on a loopback address.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "hostsim/server.h"
#include "hostsim/state.h"

namespace {

const char kUsage[] =
    "usage: hostsim --listen ADDR:PORT [--seed FILE] [--state DIR] [options]\n"
    "       hostsim mksavf --tool-library NAME OUT.SAVF\n"
    "       hostsim mksavf --data-library NAME OUT.SAVF\n"
    "       hostsim mksavf --seed FILE --library NAME OUT.SAVF\n"
    "options: --system-name NAME  --completion-code 226|250  --epsv-delimiter C\n"
    "         --upper-replies  --idle-timeout SECONDS  --japanese-ccsid N  --ascii-ccsid N\n"
    "         --tls=off|optional|required|implicit  --tls-cert=FILE --tls-key=FILE  --tls-reuse\n"
    "         (without --tls-cert a self-signed certificate is made; its fingerprint is printed first)\n"
    "         --allow-remote  --log FILE  --fault NAME[=VALUE][@SESSION] (repeatable)\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int MkSavf(int argc, char** argv) {
  hostsim::Host host;
  std::string tool, data, seed, lib, out;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--tool-library") tool = next();
    else if (a == "--data-library") data = next();
    else if (a == "--seed") seed = next();
    else if (a == "--library") lib = next();
    else if (!a.empty() && a[0] != '-' && out.empty()) out = a;
    else return Usage();
  }
  if (out.empty() || (tool.empty() + data.empty() + lib.empty()) != 2) return Usage();
  char tmpl[] = "/tmp/hostsim-mksavf-XXXXXX";
  if (!::mkdtemp(tmpl) || !host.blobs.Open(tmpl)) return 1;
  std::string err, image;
  bool ok = true;
  if (!tool.empty()) {
    hostsim::AddToolLibrary(host, tool);
    lib = tool;
  } else if (!data.empty()) {
    hostsim::AddDataLibrary(host, data);
    lib = data;
  } else {
    ok = !seed.empty() && hostsim::LoadSeedFile(host, seed, err);
  }
  ok = ok && hostsim::LibraryImage(host, lib, image, err);
  if (ok) {
    std::ofstream o(out, std::ios::binary | std::ios::trunc);
    o << image;
    o.flush();
    ok = static_cast<bool>(o);
    if (!ok) err = "cannot write " + out;
  }
  host.libraries.clear();
  std::filesystem::remove_all(tmpl);
  if (!ok) {
    std::fprintf(stderr, "hostsim: %s\n", err.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "mksavf") return MkSavf(argc, argv);
  hostsim::ServerOptions opt;
  std::string listen, seed, state, logPath;
  int jccsid = 5035, accsid = 819;
  std::string tlsCert, tlsKey;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--listen") listen = next();
    else if (a == "--seed") seed = next();
    else if (a == "--state") state = next();
    else if (a == "--system-name") opt.systemName = next();
    else if (a == "--completion-code") opt.completionCode = std::atoi(next().c_str());
    else if (a == "--epsv-delimiter") { std::string d = next(); opt.epsvDelimiter = d.empty() ? '!' : d[0]; }
    else if (a == "--upper-replies") opt.upperReplies = true;
    else if (a == "--idle-timeout") opt.idleSeconds = std::atoi(next().c_str());
    else if (a == "--japanese-ccsid") jccsid = std::atoi(next().c_str());
    else if (a == "--ascii-ccsid") accsid = std::atoi(next().c_str());
    else if (a.rfind("--tls=", 0) == 0) {
      std::string p = a.substr(6);
      if (p == "off") opt.tls = hostsim::TlsPolicy::Off;
      else if (p == "optional") opt.tls = hostsim::TlsPolicy::Optional;
      else if (p == "required") opt.tls = hostsim::TlsPolicy::Required;
      else if (p == "implicit") opt.tls = hostsim::TlsPolicy::Implicit;
      else return Usage();
    }
    else if (a.rfind("--tls-cert=", 0) == 0) tlsCert = a.substr(11);
    else if (a.rfind("--tls-key=", 0) == 0) tlsKey = a.substr(10);
    else if (a == "--tls-reuse") opt.requireTlsReuse = true;
    else if (a == "--allow-remote") opt.allowRemote = true;
    else if (a == "--log") logPath = next();
    else if (a == "--fault") {
      hostsim::FaultSwitch f;
      std::string why;
      if (!hostsim::ParseFault(next(), f, why)) {
        std::fprintf(stderr, "hostsim: %s\n", why.c_str());
        return Usage();
      }
      opt.faults.push_back(f);
    }
    else if (a == "--help" || a == "-h") { std::fputs(kUsage, stdout); return 0; }
    else return Usage();
  }
  auto colon = listen.rfind(':');
  if (listen.empty() || colon == std::string::npos) return Usage();
  opt.address = listen.substr(0, colon);
  opt.port = std::atoi(listen.c_str() + colon + 1);
  if (opt.completionCode != 226 && opt.completionCode != 250) return Usage();
  if (opt.idleSeconds <= 0) opt.idleSeconds = 300;
  if (tlsCert.empty() != tlsKey.empty()) return Usage();
  if (opt.tls != hostsim::TlsPolicy::Off) {
    std::string tlsErr;
    opt.tlsServer = hostsim::TlsServer::Make(tlsCert, tlsKey, opt.address, tlsErr);
    if (!opt.tlsServer) {
      std::fprintf(stderr, "hostsim: %s\n", tlsErr.c_str());
      return 1;
    }
    // First, so that a client can be told which certificate to trust.
    std::printf("certificate %s\n", opt.tlsServer->Fingerprint().c_str());
  }

  // Signals are taken by one thread so that shutdown can save the state.
  sigset_t sigs;
  sigemptyset(&sigs);
  sigaddset(&sigs, SIGINT);
  sigaddset(&sigs, SIGTERM);
  sigaddset(&sigs, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &sigs, nullptr);
  signal(SIGPIPE, SIG_IGN);

  hostsim::Host host;
  host.japaneseCcsid = jccsid;
  host.asciiCcsid = accsid;
  std::string err, blobDir;
  bool tempBlobs = state.empty();
  if (tempBlobs) {
    char tmpl[] = "/tmp/hostsim-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    blobDir = tmpl;
  } else {
    std::filesystem::create_directories(state);
    blobDir = state + "/blobs";
  }
  if (!host.blobs.Open(blobDir)) {
    std::fprintf(stderr, "hostsim: cannot use %s\n", blobDir.c_str());
    return 1;
  }
  bool loaded = false;
  if (!state.empty()) {
    if (!hostsim::OpenState(host, state, loaded, err)) {
      std::fprintf(stderr, "hostsim: %s\n", err.c_str());
      return 1;
    }
    if (loaded) hostsim::PruneBlobs(host);
  } else {
    // Large members go to a private database that disappears with the process.
    host.db = std::make_shared<hostsim::Database>();
    if (!host.db->Open("", false, err)) {
      std::fprintf(stderr, "hostsim: %s\n", err.c_str());
      std::filesystem::remove_all(blobDir);
      return 1;
    }
  }
  if (!loaded) {
    if (seed.empty()) host.MakeMinimal();
    else if (!hostsim::LoadSeedFile(host, seed, err)) {
      std::fprintf(stderr, "hostsim: %s\n", err.c_str());
      if (tempBlobs) std::filesystem::remove_all(blobDir);
      return 1;
    }
    if (host.users.empty()) host.users["QSECOFR"] = {"QSECOFR", "QSECOFR", "", 0, false};
    host.dirty = true;
  }
  if (!state.empty() && !hostsim::SaveState(host, err)) {
    std::fprintf(stderr, "hostsim: %s\n", err.c_str());
    return 1;
  }

  hostsim::Server server(host, opt);
  std::string bound = server.Listen(err);
  if (bound.empty()) {
    std::fprintf(stderr, "hostsim: %s\n", err.c_str());
    if (tempBlobs) std::filesystem::remove_all(blobDir);
    return 1;
  }
  auto save = [&] {
    std::string e;
    if (!hostsim::SaveState(host, e)) std::fprintf(stderr, "hostsim: %s\n", e.c_str());
  };
  server.onChange = save;
  server.onSessionEnd = save;
  std::FILE* logFile = nullptr;
  std::mutex logMu;
  if (!logPath.empty()) {
    logFile = std::fopen(logPath.c_str(), "a");
    if (!logFile) {
      std::fprintf(stderr, "hostsim: cannot write %s\n", logPath.c_str());
      if (tempBlobs) std::filesystem::remove_all(blobDir);
      return 1;
    }
    server.log = [&](const std::string& line) {
      std::string text = line;
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      std::lock_guard lock(logMu);
      std::fprintf(logFile, "%s\n", text.c_str());
      std::fflush(logFile);
    };
  }
  std::printf("listening %s\n", bound.c_str());
  std::fflush(stdout);

  std::thread waiter([&] {
    int sig = 0;
    sigwait(&sigs, &sig);
    server.Stop();
  });
  server.Run();
  waiter.join();
  save();
  if (tempBlobs) {
    std::error_code ec;
    std::filesystem::remove_all(blobDir, ec);
  } else {
    hostsim::SetBlobCleanup(false);
  }
  // Sessions may still be running on detached threads: leave without destroying the store.
  std::fflush(stdout);
  _exit(0);
}
