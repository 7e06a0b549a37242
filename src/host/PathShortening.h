// Fitting a path into a pixel width for the review list: the file name stays whole, the
// folders give way to "..." from the front, then the drive.
#pragma once
#include "host/ui/ListCtrls.h"

namespace scrivo {

// `path` shortened until `canvas` measures it at most `width` pixels wide, or nothing is
// left to cut but the file name. Works on "\" paths, and on "/" paths that hold no "\".
std::string ShortenPath(const std::string& path, int width, TCanvas& canvas);

// The file name part of a path: what follows its last separator.
std::string FileNamePart(const std::string& path);

} // namespace scrivo
