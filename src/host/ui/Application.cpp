#include "Application.h"
#include "headless/HeadlessBackEnd.h"

namespace scrivo {

TApplication& Application()
{
    static TApplication app;
    return app;
}

TBackEnd& TApplication::BackEnd()
{
    if (!backEnd_) {
        static THeadlessBackEnd fallback;
        return fallback;
    }
    return *backEnd_;
}

TBackEnd* TApplication::SetBackEnd(TBackEnd* backEnd)
{
    TBackEnd* old = backEnd_;
    backEnd_ = backEnd;
    return old;
}

void TApplication::PostCall(uint32_t target, std::function<void()> fn)
{
    TMessage m;
    m.Target = target;
    m.Call = std::move(fn);
    BackEnd().Post(std::move(m));
}

void TApplication::SetCursor(TCursor c)
{
    if (c == cursor_)
        return;
    cursor_ = c;
    BackEnd().CursorChanged(c);
}

void TApplication::Guard(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const EUiAbort&) {
        throw;
    } catch (...) {
        HandleException(std::current_exception());
    }
}

uint32_t TApplication::Register(TForm* form)
{
    std::lock_guard<std::mutex> lock(formsLock_);
    uint32_t h = nextHandle_++;
    forms_[h] = form;
    return h;
}

void TApplication::Unregister(uint32_t handle)
{
    std::lock_guard<std::mutex> lock(formsLock_);
    forms_.erase(handle);
}

TForm* TApplication::FindForm(uint32_t handle)
{
    std::lock_guard<std::mutex> lock(formsLock_);
    auto it = forms_.find(handle);
    return it == forms_.end() ? nullptr : it->second;
}

} // namespace scrivo
