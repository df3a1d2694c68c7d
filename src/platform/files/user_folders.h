// Folders of the user's that the system names, as UTF-8.
#pragma once

#include <string>

// Where the user keeps pictures: the XDG pictures folder that
// user-dirs.dirs names on a freedesktop system, "My Pictures" on Windows.
// "" when none is set or it does not exist as a folder.
std::string UserPicturesFolder();
// The process's current folder; "" when it cannot be told.
std::string CurrentFolder();
