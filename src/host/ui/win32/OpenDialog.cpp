// The system's file-open dialog behind TOpenDialog.
#include "Win32BackEnd.h"
#include "platform/win32/WidePath.h"
#include "host/ui/Dialogs.h"

#include <commdlg.h>

namespace scrivo {

namespace {

// "Text|*.txt|All|*.*" as the dialog wants it: pairs separated by NULs, ending in two.
std::wstring FilterPairs(const std::string& filter)
{
    std::wstring out = WideText(filter);
    for (auto& c : out)
        if (c == L'|')
            c = L'\0';
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

// With several files the buffer holds the folder, then each name, NUL separated; with
// one it holds the full path.
std::vector<std::string> ChosenFiles(const std::wstring& buffer)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start < buffer.size() && buffer[start]) {
        size_t end = buffer.find(L'\0', start);
        parts.push_back(buffer.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::string> files;
    if (parts.size() == 1) {
        files.push_back(NarrowText(parts[0].c_str()));
        return files;
    }
    std::wstring folder = parts.empty() ? std::wstring() : parts[0];
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    for (size_t i = 1; i < parts.size(); ++i)
        files.push_back(NarrowText((folder + parts[i]).c_str()));
    return files;
}

} // namespace

bool TWin32BackEnd::ExecuteOpenDialog(TOpenDialog& dialog)
{
    std::wstring buffer(65536, L'\0');
    std::wstring filter = FilterPairs(dialog.Filter);
    std::wstring title = WideText(dialog.Title);
    std::wstring dir = WideText(dialog.InitialDir);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ActiveOwner();
    ofn.lpstrFilter = dialog.Filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (dialog.AllowMultiSelect)
        ofn.Flags |= OFN_ALLOWMULTISELECT;
    if (dialog.HideReadOnly)
        ofn.Flags |= OFN_HIDEREADONLY;
    if (dialog.EnableSizing)
        ofn.Flags |= OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&ofn))
        return false;
    dialog.Files = ChosenFiles(buffer);
    return !dialog.Files.empty();
}

} // namespace scrivo
