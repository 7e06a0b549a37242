// What a script does as the user: it can only use controls that are shown and enabled,
// as a person at the screen could. A control that is not usable stops the run.
#pragma once
#include "Script.h"
#include "host/ui/Form.h"
#include "host/ui/ListCtrls.h"

namespace scrivo {

// The control `name` of `form`, of type T; EScriptError when there is none.
template <class T = TControl>
T& FindControl(TForm& form, const std::string& name)
{
    T* c = dynamic_cast<T*>(form.FindControl(name));
    if (!c)
        throw EScriptError("The form " + form.Name + " has no control " + name + " of that kind");
    return *c;
}

// Whether the user can reach `control` now: shown, and enabled with all its parents.
bool IsUsable(const TControl& control);
// EScriptError unless the user can reach `control` now.
void RequireUsable(const TControl& control);

void UserClick(TControl& control);
void UserClick(TForm& form, const std::string& name);
// The close box of the window's title bar.
void UserCloseBox(TForm& form);
// Enter and Escape: the default and the cancel button.
void UserPressEnter(TForm& form);
void UserPressEscape(TForm& form);
void UserSelect(TComboBox& combo, int index);
// Selects the item whose text is `text`, or failing that the first one that begins with it,
// or failing that the first one drawn with a text that begins with it.
void UserSelect(TComboBox& combo, const std::string& text);
void UserSetChecked(TControl& checkBox, bool checked);

// The text an item shows, as its (owner) drawing paints it.
std::string DrawnItemText(TItemsControl& control, int index);

} // namespace scrivo
