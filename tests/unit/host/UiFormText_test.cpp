#include "host/ui/ComCtrls.h"
#include "host/ui/StdCtrls.h"
#include "host/ui/headless/FormText.h"
#include "host/ui/headless/HeadlessBackEnd.h"

#include <gtest/gtest.h>

namespace scrivo {
namespace {

TEST(UiFormTextTest, ShowsWhatIsOnScreenOnly)
{
    THeadlessBackEnd ui;
    TForm form("frmCDMain");
    form.SetCaption("Write Files to CD");
    TPageControl& pgc = form.Add<TPageControl>("pgcCD");
    TTabSheet& tab1 = form.Add<TTabSheet>("tab1", &pgc);
    TTabSheet& tab2 = form.Add<TTabSheet>("tab2", &pgc);
    form.Add<TLabel>("Label7", &tab1).SetCaption("CD-ROM Settings");
    TComboBox& cb = form.Add<TComboBox>("cbDrives", &tab1);
    cb.SetItems({"1:0:0,E: VIRTUAL RECORDER 1.0"});
    cb.SetItemIndex(0);
    cb.OwnerDraw = true;
    cb.OnDrawItem = [&](TObject*, int i, const TRect& r, TOwnerDrawState) {
        cb.Canvas->TextOut(r.Left + 2, r.Top, cb.Items()[i].substr(cb.Items()[i].find(',') + 1));
    };
    TCheckBox& erase = form.Add<TCheckBox>("chkClearCD", &tab1);
    erase.SetCaption("Erase CD before writing");
    erase.SetChecked(true);
    TButton& prev = form.Add<TButton>("btnPrev1", &tab1);
    prev.SetCaption("Previous");
    prev.SetVisible(false);
    form.Add<TButton>("btnFinish", &tab1).SetCaption("Finish");
    TProgressBar& bar = form.Add<TProgressBar>("pbrWriteCD", &tab2);
    bar.SetMax(3000);
    bar.SetPosition(120);
    TMemo& memo = form.Add<TMemo>("Memo2", &tab2);
    memo.Add(">>> Write Completed");
    TButton& close = form.Add<TButton>("btnClose", &tab2);
    close.SetCaption("Close");
    close.SetEnabled(false);
    form.Show();
    EXPECT_EQ(FormText(form), "== Write Files to CD ==\nCD-ROM Settings\ncbDrives: E: VIRTUAL RECORDER 1.0\n"
                              "[x] Erase CD before writing\n[Finish]\n");
    pgc.SetActivePage(&tab2);
    EXPECT_EQ(FormText(form), "== Write Files to CD ==\npbrWriteCD: 120/3000\nMemo2:\n  | >>> Write Completed\n"
                              "[Close] (disabled)\n");
}

} // namespace
} // namespace scrivo
