#include "uCDFiles.h"
#include "PathShortening.h"
#include "platform/Text.h"

#include <algorithm>

namespace scrivo {

TdlgCDFiles::TdlgCDFiles(TForm* owner)
    : TForm("dlgCDFiles", owner),
      Label1(Add<TLabel>("Label1")),
      lbxFiles(Add<TListBox>("lbxFiles")),
      btnAdd(Add<TButton>("btnAdd")),
      btnRemove(Add<TButton>("btnRemove")),
      btnClose(Add<TButton>("btnClose")),
      dlgOpenFile(Add<TOpenDialog>("dlgOpenFile"))
{
    SetCaption("Review Files");
    ClientWidth = 440;
    ClientHeight = 300;
    Label1.SetCaption("The following files will be written to your CD-ROM:");
    Label1.SetBounds(8, 8, 300, 13);
    lbxFiles.SetBounds(8, 24, 424, 233);
    lbxFiles.OwnerDraw = true;
    lbxFiles.ItemHeight = 16;
    lbxFiles.MultiSelect = true;
    btnAdd.SetCaption("Add File");
    btnAdd.SetBounds(8, 267, 75, 25);
    btnRemove.SetCaption("Remove");
    btnRemove.SetBounds(91, 267, 75, 25);
    btnRemove.SetEnabled(false);
    btnClose.SetCaption("Close");
    btnClose.SetBounds(357, 267, 75, 25);
    btnClose.Default = true;
    btnClose.Cancel = true;
    btnClose.ModalResult = mrOk;
    dlgOpenFile.Filter = "All Files|*.*";
    dlgOpenFile.AllowMultiSelect = true;
    dlgOpenFile.HideReadOnly = true;
    dlgOpenFile.EnableSizing = true;

    lbxFiles.OnDrawItem = [this](TObject* c, int i, const TRect& r, TOwnerDrawState s) { lbxFilesDrawItem(c, i, r, s); };
    lbxFiles.OnMouseUp = [this](TObject* s) { lbxFilesMouseUp(s); };
    btnAdd.OnClick = [this](TObject* s) { btnAddClick(s); };
    btnRemove.OnClick = [this](TObject* s) { btnRemoveClick(s); };
}

void TdlgCDFiles::lbxFilesDrawItem(TObject*, int Index, const TRect& Rect, TOwnerDrawState)
{
    TCanvas* canvas = lbxFiles.Canvas;
    if (!canvas || Index < 0 || Index >= static_cast<int>(lbxFiles.Items().size()))
        return;
    canvas->FillRect(Rect);
    canvas->TextOut(Rect.Left + 2, Rect.Top, ShortenPath(lbxFiles.Items()[Index], lbxFiles.Width(), *canvas));
}

void TdlgCDFiles::btnAddClick(TObject*)
{
    if (!dlgOpenFile.Execute())
        return;
    TBusyCursor busy;
    for (const std::string& file : dlgOpenFile.Files) {
        try {
            AddUniqueFile(lbxFiles, file);
        } catch (const std::exception&) {
            // One file that cannot be taken does not stop the others.
        }
    }
}

void TdlgCDFiles::btnRemoveClick(TObject*)
{
    if (lbxFiles.SelCount() == 0)
        return;
    int index = lbxFiles.ItemIndex();
    lbxFiles.DeleteSelected();
    const int count = static_cast<int>(lbxFiles.Items().size());
    index = std::min(index, count - 1);
    if (count > 0 && index >= 0) {
        lbxFiles.SetItemIndex(index);
        lbxFiles.SetSelected(index, true);
    }
}

void TdlgCDFiles::lbxFilesMouseUp(TObject*) { btnRemove.SetEnabled(lbxFiles.SelCount() > 0); }

bool TdlgCDFiles::AddUniqueFile(TListBox& listBox, const std::string& path)
{
    const auto& items = listBox.Items();
    if (std::none_of(items.begin(), items.end(), [&](const std::string& item) { return SameText(item, path); })) {
        listBox.AddItem(path);
        return true;
    }
    ShowInformation("The file, " + FileNamePart(path) + ", is already in your file list");
    return false;
}

} // namespace scrivo
