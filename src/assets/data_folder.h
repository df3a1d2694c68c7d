// Where the programs find the asset pack, and whether a folder holds one.
#pragma once

#include <string>

// The asset pack a program finds by itself: "data" beside the program
// (build/data in the build tree), else "share/kelvane/data" beside the
// program's folder (an installed copy), else the current directory; the
// first that holds any of the demo's files. *tried lists the folders looked
// at, for the message when none does.
std::string FindDataDir(std::string* tried);
// The demo's own start on Windows, where a double-click in Explorer starts it
// in its own folder: when the current folder holds none of the pack and
// "data" beside the program does, that folder becomes the current one.
// Elsewhere the demo reads the current folder as it is (the launcher enters
// the pack's folder), and this does nothing.
void EnterDataFolderBesideProgram();
// How to start the demo so that it finds its files, for the message that
// says some are missing.
const char* MissingAssetsHint();
// True when dir is a folder the process may enter; otherwise false, with the
// reason in *why.
bool CanEnterFolder(const std::string& dir, std::string* why);
// True when dir holds at least one of the files LoadDemo reads.
bool HoldsDemoAssets(const std::string& dir);
