// Turns the PATH arguments of a command into the image builder's file tree.
#pragma once
#include "image/bvISOLib.h"
#include <string>
#include <vector>

namespace scrivo::cli {

// The command line's tree limits: no file count of its own, and the folders ISO 9660 can
// number in its path tables (16 bits, the root included).
constexpr int TreeMaxFiles = 0x7FFFFFFF;
constexpr int TreeMaxDirs = 65535;

// "/DISC/FOLDER" -> "\DISC\FOLDER" ("/" -> "\"). Throws UsageError for anything else.
std::string ToDiscPath(const std::string& dest);

// Adds every PATH under the disc folder `discDest` (created when missing):
// a file is added to it; a folder is added as a folder of that name with everything
// below it, empty folders included ("." and ".." name the folder they stand for); a folder
// written with a trailing "/" adds its contents. Messages of the
// builder go to stderr; those that mean something was left out (capacity, destination)
// make it fail. Items below a folder that cannot be added (a name the disc cannot hold, a
// folder that cannot be read) make it fail naming each, unless `skipLeftOut`: then they are
// named on stderr and the rest goes on. Answers an error text, empty on success. Two sources
// of one name in one disc folder are a usage error (UsageError) naming both.
std::string AddSources(TImageBuilder& builder, const std::vector<std::string>& paths, const std::string& discDest,
                       bool skipLeftOut);

// Names on stderr every source that went out with zeros for bytes it did not deliver
// (`during`: "the image was built", "it was recorded"); true when there was one.
bool PrintSourceProblems(const std::vector<std::string>& changed, const std::vector<std::string>& unreadable,
                         const std::string& during);

} // namespace scrivo::cli
