// Where the programs find the asset pack, and whether a folder holds one.
#pragma once

#include <string>

// The asset pack a program finds by itself: "data" beside the program
// (build/data in the build tree), else "share/kelvane/data" beside the
// program's folder (an installed copy), else the current directory; the
// first that holds any of the demo's files. *tried lists the folders looked
// at, for the message when none does.
std::string FindDataDir(std::string* tried);
// True when dir is a folder the process may enter; otherwise false, with the
// reason in *why.
bool CanEnterFolder(const std::string& dir, std::string* why);
// True when dir holds at least one of the files LoadDemo reads.
bool HoldsDemoAssets(const std::string& dir);
