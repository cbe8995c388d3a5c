// Loading a host from a seed or a state folder, saving it back, and building the
// tool-library save files.
#pragma once
#include <string>

#include "hostsim/seed.h"
#include "hostsim/store.h"

namespace hostsim {

// Adds what the seed text describes to the host (libraries replace libraries of
// the same name). Returns false with the reason.
bool LoadSeedText(Host& host, const std::string& text, std::string& err);
bool LoadSeedFile(Host& host, const std::string& path, std::string& err);
// Writes the whole store (QTEMP never) to DIR/host.seed, atomically.
bool SaveState(Host& host, const std::string& dir, std::string& err);
// Deletes blob files that the loaded state does not name.
void PruneBlobs(Host& host);

// Save-file image of one library of the host.
bool LibraryImage(Host& host, const std::string& lib, std::string& image, std::string& err);
// The libraries the installer restores: the tool library with the eleven tool
// programs, and the small data library.
void AddToolLibrary(Host& host, const std::string& name);
void AddDataLibrary(Host& host, const std::string& name);

}  // namespace hostsim
