// The host's side of the scene: its folder, a scratch folder with source files and a
// blank disc for the virtual recorder, and the registry under the test's own keys.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace scrivo::e2e {

// The host executable's folder, with a trailing backslash (where the log is written).
std::wstring ExeFolder();
// The test's scratch folder "<build>\dll-e2e\<name>\", emptied and made anew.
std::wstring FreshWorkFolder(const std::wstring& name);

void MakeFolder(const std::wstring& path);
void MakeFile(const std::wstring& path, const std::string& content);
// The whole file as bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);
bool FileExists(const std::wstring& path);

// The run's scene folder (the recorder's disc images: disc, spare, host, cycle .img).
const std::wstring& SceneFolder();

// A blank recordable CD as the virtual recorder keeps it (image plus state file).
bool MakeBlankCdR(const std::wstring& imagePath, std::string& error);

// The path in the ANSI code page, as an 8-bit host passes it; empty when the code page
// cannot spell it.
std::string AnsiPath(const std::wstring& path);

// String values under HKEY_CURRENT_USER.
void DeleteKeyTree(const std::wstring& key);
void WriteRegString(const std::wstring& key, const std::wstring& name, const std::wstring& value);
struct RegValue {
    DWORD Type = REG_NONE;
    std::wstring Text;
    bool Exists() const { return Type != REG_NONE; }
};
RegValue ReadRegValue(const std::wstring& key, const std::wstring& name);

} // namespace scrivo::e2e
