#include "PathShortening.h"

namespace scrivo {

namespace {

char SeparatorOf(const std::string& path)
{
    return path.find('\\') == std::string::npos && path.find('/') != std::string::npos ? '/' : '\\';
}

// Replaces the first folder of `dir` by "...", keeping a leading separator.
void CutFirstDirectory(std::string& dir, char sep)
{
    const std::string ellipsis = std::string("...") + sep;
    const bool root = !dir.empty() && dir[0] == sep;
    if (root)
        dir.erase(0, 1);
    if (dir.compare(0, ellipsis.size(), ellipsis) == 0)
        dir.erase(0, ellipsis.size());
    const size_t p = dir.find(sep);
    dir = p == std::string::npos ? std::string() : ellipsis + dir.substr(p + 1);
    if (root)
        dir.insert(0, 1, sep);
}

} // namespace

std::string FileNamePart(const std::string& path)
{
    const size_t p = path.find_last_of(SeparatorOf(path) == '/' ? "/" : "\\:");
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ShortenPath(const std::string& path, int width, TCanvas& canvas)
{
    const char sep = SeparatorOf(path);
    const std::string name = FileNamePart(path);
    std::string dir = path.substr(0, path.size() - name.size());
    std::string drive;
    if (dir.size() >= 2 && dir[1] == ':') {
        drive = dir.substr(0, 2);
        dir.erase(0, 2);
    }
    const std::string rootEllipsis = std::string(1, sep) + "..." + sep;
    std::string result = path;
    while ((!dir.empty() || !drive.empty()) && canvas.TextWidth(result) > width) {
        if (dir == rootEllipsis) {
            drive.clear();
            dir = rootEllipsis.substr(1);
        } else if (dir.empty()) {
            drive.clear();
        } else {
            CutFirstDirectory(dir, sep);
        }
        result = drive + dir + name;
    }
    return result;
}

} // namespace scrivo
