// The wizard's windows as a user sees them: found by their captions, clicked, read.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace scrivo::e2e {

// The visible top-level form with this caption (the toolkit's form class), or null.
HWND FindForm(const wchar_t* caption);
// The visible child of `form` of the class whose text is `text`, or null. Pages of the
// wizard keep hidden controls with the same captions ("Previous" on both pages).
HWND VisibleChild(HWND form, const wchar_t* className, const wchar_t* text = nullptr);
inline HWND VisibleButton(HWND form, const wchar_t* text) { return VisibleChild(form, L"Button", text); }
// Clicks a button as the mouse would; the handler runs before this returns, message
// boxes it opens included (their loops run the driver's next steps).
void Click(HWND button);
// Picks the item of a drop-down list as the user does, with its change notification.
void SelectItem(HWND combo, int index);
std::wstring ItemText(HWND combo, int index);
std::wstring WindowText(HWND window);

// A message box owned by `owner` that is up now, or null.
HWND FindMessageBox(HWND owner);
// The text a message box shows.
std::wstring MessageBoxText(HWND box);
// Answers a message box with the button of that command (IDOK, IDYES, IDNO).
void Answer(HWND box, int command);

std::string Utf8(const std::wstring& text);

} // namespace scrivo::e2e
