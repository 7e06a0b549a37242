#include "UserActions.h"
#include "HeadlessBackEnd.h"
#include "host/ui/StdCtrls.h"

namespace scrivo {

bool IsUsable(const TControl& control)
{
    if (!control.Showing())
        return false;
    for (const TControl* c = &control; c; c = c->Parent())
        if (!c->Enabled())
            return false;
    return true;
}

void RequireUsable(const TControl& control)
{
    if (!IsUsable(control))
        throw EScriptError("The control " + control.Name + (control.Showing() ? " is disabled" : " is not shown"));
}

void UserClick(TControl& control)
{
    RequireUsable(control);
    control.Click();
}

void UserClick(TForm& form, const std::string& name) { UserClick(FindControl(form, name)); }

void UserCloseBox(TForm& form)
{
    if (!form.Showing())
        throw EScriptError("The form " + form.Name + " is not shown");
    form.Close();
}

void UserPressEnter(TForm& form)
{
    TControl* b = form.DefaultButton();
    if (!b)
        throw EScriptError("The form " + form.Name + " has no default button");
    UserClick(*b);
}

void UserPressEscape(TForm& form)
{
    TControl* b = form.CancelButton();
    if (!b)
        throw EScriptError("The form " + form.Name + " has no cancel button");
    UserClick(*b);
}

void UserSelect(TComboBox& combo, int index)
{
    RequireUsable(combo);
    if (index < 0 || index >= static_cast<int>(combo.Items().size()))
        throw EScriptError("The list " + combo.Name + " has no item " + std::to_string(index));
    combo.UserSelect(index);
}

void UserSelect(TComboBox& combo, const std::string& text)
{
    RequireUsable(combo);
    // The list may be filled when it opens.
    combo.UserDropDown();
    const auto& items = combo.Items();
    int found = -1;
    for (size_t i = 0; i < items.size() && found < 0; ++i)
        if (items[i] == text)
            found = static_cast<int>(i);
    for (size_t i = 0; i < items.size() && found < 0; ++i)
        if (items[i].rfind(text, 0) == 0)
            found = static_cast<int>(i);
    // Else as the user reads the list: an owner-drawn item shows other text than it holds.
    for (int i = 0; i < static_cast<int>(items.size()) && found < 0; ++i)
        if (DrawnItemText(combo, i).rfind(text, 0) == 0)
            found = i;
    if (found < 0)
        throw EScriptError("The list " + combo.Name + " has no item \"" + text + "\"");
    combo.UserPick(found);
}

void UserSetChecked(TControl& checkBox, bool checked)
{
    auto* box = dynamic_cast<TCheckBox*>(&checkBox);
    if (!box)
        throw EScriptError("The control " + checkBox.Name + " is not a check box");
    RequireUsable(*box);
    if (box->Checked() != checked)
        box->Click();
}

std::string DrawnItemText(TItemsControl& control, int index)
{
    THeadlessCanvas canvas;
    TRect rect{0, 0, control.Width(), control.ItemHeight};
    control.DrawItem(canvas, index, rect, odSelected);
    return canvas.Text;
}

} // namespace scrivo
