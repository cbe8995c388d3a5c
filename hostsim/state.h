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

// The kept state of --state DIR: the database DIR/host.db, the save-file blobs
// in DIR/blobs. Opens it into host.db (made when missing) and loads the store
// it holds; `found` tells whether it held one. A state folder of an earlier
// version (DIR/host.seed, the store as seed text) is loaded once and then kept
// in the database. Contents that no committed store names (an upload that a
// killed process left unfinished) are deleted.
bool OpenState(Host& host, const std::string& dir, bool& found, std::string& err);
// Commits the store (QTEMP never) to the kept state when something changed
// since the last commit, in one transaction; then removes what the store no
// longer refers to. Safe to call from several sessions at once.
bool SaveState(Host& host, std::string& err);
// Deletes blob files that the loaded state does not name.
void PruneBlobs(Host& host);

// Save-file image of one library of the host.
bool LibraryImage(Host& host, const std::string& lib, std::string& image, std::string& err);
// The libraries the installer restores: the tool library with the eleven tool
// programs, and the small data library.
void AddToolLibrary(Host& host, const std::string& name);
void AddDataLibrary(Host& host, const std::string& name);

}  // namespace hostsim
