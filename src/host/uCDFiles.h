// The review dialog: its list box holds the paths to be written, one full path an item.
#pragma once
#include "host/ui/Dialogs.h"
#include "host/ui/Form.h"
#include "host/ui/ListCtrls.h"
#include "host/ui/StdCtrls.h"

namespace scrivo {

class TdlgCDFiles : public TForm {
public:
    explicit TdlgCDFiles(TForm* owner = nullptr);

    TLabel& Label1;
    TListBox& lbxFiles;
    TButton& btnAdd;
    TButton& btnRemove;
    TButton& btnClose;
    TOpenDialog& dlgOpenFile;

    void lbxFilesDrawItem(TObject* Control, int Index, const TRect& Rect, TOwnerDrawState State);
    void btnAddClick(TObject* Sender);
    void btnRemoveClick(TObject* Sender);
    void lbxFilesMouseUp(TObject* Sender);
    // Adds `path` unless the list holds it already (in any letter case), which the user
    // is told; true when added.
    bool AddUniqueFile(TListBox& listBox, const std::string& path);
};

} // namespace scrivo
