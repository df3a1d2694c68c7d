// ffprobe's "default=nw=1" output (KEY=VALUE a line) as a table, for the
// join's reading of its parts.
#pragma once

#include <map>
#include <string>

// Every KEY=VALUE line of `out`, the keys in lower case (Matroska keeps tag
// names in capitals, the MP4 family as written); a later line wins, and a
// line without '=' is skipped.
std::map<std::string, std::string> ReadProbeFields(const std::string& out);
