// The headless message loop: posted messages, timers on the virtual clock, Synchronize
// from worker threads, nested modal loops and their results.
#include "host/ui/Dialogs.h"
#include "host/ui/Form.h"
#include "host/ui/StdCtrls.h"
#include "host/ui/Timer.h"
#include "host/ui/headless/HeadlessBackEnd.h"
#include "host/ui/headless/UserActions.h"
#include "platform/DateTime.h"
#include "platform/Threads.h"

#include <gtest/gtest.h>
#include <thread>

namespace scrivo {
namespace {

constexpr uint32_t WM_TEST = WM_USER + 1000;

// A form that records the private messages it receives.
class TRecordingForm : public TForm {
public:
    using TForm::TForm;
    std::vector<std::pair<uint32_t, intptr_t>> Received;
    std::function<void(const TMessage&)> OnMessage;
    void WndProc(const TMessage& m) override
    {
        Received.emplace_back(m.Msg, m.WParam);
        if (OnMessage)
            OnMessage(m);
    }
};

TEST(UiLoopTest, PostedMessagesArriveInOrderAndMessagesToGoneFormsAreDropped)
{
    THeadlessBackEnd ui;
    TRecordingForm form("frm");
    form.OnMessage = [&](const TMessage& m) {
        if (m.WParam == 1)
            form.PostMessage(WM_TEST + 3, 4); // posted while handling: after the queued ones
    };
    form.PostMessage(WM_TEST, 1);
    form.PostMessage(WM_TEST + 1, 2);
    form.PostMessage(WM_TEST + 2, 3);
    {
        TRecordingForm gone("gone");
        gone.PostMessage(WM_TEST, 9);
    }
    ui.ProcessMessages();
    std::vector<std::pair<uint32_t, intptr_t>> expected{
        {WM_TEST, 1}, {WM_TEST + 1, 2}, {WM_TEST + 2, 3}, {WM_TEST + 3, 4}};
    EXPECT_EQ(form.Received, expected);
}

TEST(UiLoopTest, TimersFireOnTheVirtualClockAndMissedTicksCollapse)
{
    THeadlessBackEnd ui;
    TForm form("frm");
    TTimer& timer = form.Add<TTimer>("Timer1");
    int ticks = 0;
    timer.OnTimer = [&](TObject*) { ++ticks; };
    timer.SetTimerEnabled(false);
    timer.SetInterval(500);
    ui.Advance(5000);
    EXPECT_EQ(ticks, 0);
    timer.SetTimerEnabled(true);
    ui.Advance(499);
    EXPECT_EQ(ticks, 0);
    ui.Advance(1);
    EXPECT_EQ(ticks, 1);
    ui.Advance(2000); // four intervals passed while the loop was away: one tick
    EXPECT_EQ(ticks, 2);
    ui.Advance(500);
    EXPECT_EQ(ticks, 3);
    timer.SetTimerEnabled(false);
    ui.Advance(5000);
    EXPECT_EQ(ticks, 3);
}

TEST(UiLoopTest, AModalLoopWaitingOnATimerTakesNoRealTime)
{
    THeadlessBackEnd ui;
    TForm form("frm");
    TTimer& timer = form.Add<TTimer>("Timer1");
    timer.SetInterval(500);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) {
        if (++ticks == 120) // a minute of virtual time
            form.ModalResult = mrOk;
    };
    uint32_t realStart = TickCount();
    uint32_t virtualStart = ui.Now();
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(ui.Now() - virtualStart, 60000u);
    EXPECT_LT(TickCount() - realStart, 5000u);
    EXPECT_FALSE(form.Visible());
}

class TSyncThread : public TThread {
public:
    std::function<void()> Work;
    void Execute() override { Synchronize(Work); }
    ~TSyncThread() override { WaitFor(); }
};

TEST(UiLoopTest, SynchronizeAndPostsFromAWorkerThreadReachTheModalLoop)
{
    THeadlessBackEnd ui;
    TRecordingForm form("frm");
    TMemo& memo = form.Add<TMemo>("Memo2");
    std::thread::id ranOn;
    TSyncThread worker;
    worker.Work = [&] {
        ranOn = std::this_thread::get_id();
        form.PostMessage(WM_TEST, 7);
    };
    form.OnMessage = [&](const TMessage&) { form.ModalResult = mrYes; };
    form.OnShow = [&](TObject*) {
        std::thread([&] { memo.Add("from a worker"); }).join();
        worker.Resume();
    };
    EXPECT_EQ(form.ShowModal(), mrYes);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    ASSERT_EQ(memo.Lines().size(), 1u);
    EXPECT_EQ(memo.Lines()[0], "from a worker");
}

TEST(UiLoopTest, NestedModalLoopsReturnTheirOwnResultsAndStillDeliverMessages)
{
    THeadlessBackEnd ui;
    TRecordingForm outer("outer");
    TButton& open = outer.Add<TButton>("btnAdvanced");
    TButton& prev = outer.Add<TButton>("btnPrev1");
    prev.ModalResult = mrNo;
    TForm inner("inner", &outer);
    TButton& ok = inner.Add<TButton>("Button1");
    ok.ModalResult = mrOk;
    std::vector<TModalResult> innerResults;
    open.OnClick = [&](TObject*) {
        outer.PostMessage(WM_TEST, 1);
        innerResults.push_back(inner.ShowModal());
    };
    ui.Script.Then([&] { UserClick(open); })
        .Then([&] {
            EXPECT_EQ(outer.Received.size(), 1u); // delivered by the inner loop
            EXPECT_TRUE(inner.Showing());
            UserClick(ok);
        })
        .Then([&] { UserClick(open); })
        .Then([&] { UserCloseBox(inner); })
        .Then([&] { UserClick(prev); });
    EXPECT_EQ(outer.ShowModal(), mrNo);
    EXPECT_EQ(innerResults, (std::vector<TModalResult>{mrOk, mrCancel}));
    EXPECT_EQ(outer.Received.size(), 2u);
}

TEST(UiLoopTest, CloseQueryAndOnCloseCanKeepAModalFormOpen)
{
    THeadlessBackEnd ui;
    TForm form("frm");
    TButton& close = form.Add<TButton>("btnClose");
    close.ModalResult = mrYes;
    int queries = 0, closes = 0;
    form.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
    form.OnClose = [&](TObject*, TCloseAction& action) {
        if (++closes == 1)
            action = TCloseAction::caNone;
    };
    ui.Script.Then([&] { UserClick(close); }).Then([&] { UserClick(close); }).Then([&] { UserClick(close); });
    EXPECT_EQ(form.ShowModal(), mrYes);
    EXPECT_EQ(queries, 3);
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(ui.Script.PendingActions(), 0u);
}

TEST(UiLoopTest, ButtonSetsTheModalResultBeforeItsHandlerWhichMayUndoIt)
{
    THeadlessBackEnd ui;
    TForm form("frm");
    TButton& b = form.Add<TButton>("btnFinish");
    b.ModalResult = mrOk;
    int clicks = 0;
    b.OnClick = [&](TObject*) {
        EXPECT_EQ(form.ModalResult, mrOk);
        if (++clicks == 1)
            form.ModalResult = mrNone;
    };
    ui.Script.Then([&] { UserClick(b); }).Then([&] { UserClick(b); });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(clicks, 2);
}

TEST(UiLoopTest, HandlerErrorsAreReportedAndTheLoopGoesOn)
{
    THeadlessBackEnd ui;
    TRecordingForm form("frm");
    form.OnShow = [](TObject*) { throw std::runtime_error("start-up failed"); };
    form.OnMessage = [&](const TMessage&) { throw std::runtime_error("handler failed"); };
    ui.Script.Then([&] { form.PostMessage(WM_TEST); }).Then([&] { form.Close(); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(ui.Script.Exceptions, (std::vector<std::string>{"start-up failed", "handler failed"}));
}

TEST(UiLoopTest, ALoopWithNothingToWaitForStopsTheRun)
{
    THeadlessBackEnd ui;
    ui.StallTimeoutMs = 1;
    TForm form("frm");
    EXPECT_THROW(form.ShowModal(), EUiAbort);
    EXPECT_FALSE(form.Visible());
    TTimer& timer = form.Add<TTimer>("Timer1");
    timer.SetInterval(500);
    ui.StallTimeoutMs = 20;
    EXPECT_THROW(form.ShowModal(), EUiAbort); // only a timer, nobody acts on it
}

TEST(UiLoopTest, AVisibleFormCannotBeShownModally)
{
    THeadlessBackEnd ui;
    TForm form("frm");
    form.Show();
    EXPECT_THROW(form.ShowModal(), EInvalidOperation);
}

} // namespace
} // namespace scrivo
