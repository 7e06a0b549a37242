#include "FormText.h"
#include "UserActions.h"
#include "host/ui/ComCtrls.h"
#include "host/ui/ListCtrls.h"
#include "host/ui/StdCtrls.h"

namespace scrivo {

std::string ControlText(TControl& c)
{
    std::string off = c.Enabled() ? "" : " (disabled)";
    if (dynamic_cast<TButton*>(&c))
        return "[" + c.Caption() + "]" + off;
    if (dynamic_cast<TLinkLabel*>(&c))
        return "<" + c.Caption() + ">" + off;
    if (dynamic_cast<TLabel*>(&c))
        return c.Caption() + off;
    if (auto* box = dynamic_cast<TCheckBox*>(&c))
        return std::string(box->Checked() ? "[x] " : "[ ] ") + c.Caption() + off;
    if (auto* combo = dynamic_cast<TComboBox*>(&c))
        return c.Name + ": " + (combo->ItemIndex() >= 0 ? DrawnItemText(*combo, combo->ItemIndex()) : "") + off;
    if (auto* list = dynamic_cast<TListBox*>(&c)) {
        std::string s = c.Name + ":" + off;
        for (int i = 0; i < static_cast<int>(list->Items().size()); ++i)
            s += std::string("\n  ") + (list->Selected(i) ? "* " : "  ") + DrawnItemText(*list, i);
        return s;
    }
    if (auto* edit = dynamic_cast<TEdit*>(&c))
        return c.Name + ": \"" + edit->Text() + "\"" + off;
    if (auto* memo = dynamic_cast<TMemo*>(&c)) {
        std::string s = c.Name + ":";
        for (const std::string& line : memo->Lines())
            s += "\n  | " + line;
        return s;
    }
    if (auto* range = dynamic_cast<TRangeControl*>(&c))
        return c.Name + ": " + std::to_string(range->Position()) + "/" + std::to_string(range->Max()) + off;
    return "";
}

std::string FormText(TForm& form)
{
    std::string s = "== " + form.Caption() + " ==";
    for (TControl* c : form.Controls()) {
        if (!c->Showing())
            continue;
        std::string line = ControlText(*c);
        if (!line.empty())
            s += "\n" + line;
    }
    return s + "\n";
}

} // namespace scrivo
