#include "ModalDriver.h"

namespace {
ModalDriver* g_current = nullptr;
} // namespace

ModalDriver::ModalDriver(std::wstring caption, std::vector<Step> steps, unsigned timeoutMs)
    : caption_(std::move(caption)), steps_(std::move(steps)), deadline_(GetTickCount64() + timeoutMs)
{
    g_current = this;
    timer_ = SetTimer(nullptr, 0, 20, &ModalDriver::Tick);
}

ModalDriver::~ModalDriver()
{
    if (timer_ != 0)
        KillTimer(nullptr, timer_);
    if (g_current == this)
        g_current = nullptr;
}

void CALLBACK ModalDriver::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_current != nullptr)
        g_current->Run();
}

void ModalDriver::Run()
{
    // A step may run a nested loop; its ticks must not start the next step.
    if (busy_)
        return;
    busy_ = true;
    if (GetTickCount64() > deadline_) {
        // Never leave a test hanging in a modal loop: close every dialog of this thread.
        timedOut_ = timedOut_ || next_ < steps_.size();
        next_ = steps_.size();
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM) -> BOOL {
                wchar_t name[16] = {};
                GetClassNameW(window, name, 16);
                if (std::wstring(name) == L"#32770")
                    PostMessageW(window, WM_CLOSE, 0, 0);
                return TRUE;
            },
            0);
    } else {
        HWND dialog = FindWindowW(L"#32770", caption_.c_str());
        if (dialog != nullptr && IsWindowVisible(dialog)) {
            dialog_ = dialog;
            if (next_ < steps_.size() && steps_[next_](dialog))
                ++next_;
        }
    }
    busy_ = false;
}

void ClickButton(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

std::wstring ItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool Elapsed(ULONGLONG& clock, unsigned ms)
{
    const ULONGLONG now = GetTickCount64();
    if (clock == 0)
        clock = now;
    return now - clock >= ms;
}

std::vector<std::wstring> ChildTexts(HWND window)
{
    std::vector<std::wstring> texts;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM out) -> BOOL {
            wchar_t text[512] = {};
            GetWindowTextW(child, text, 512);
            reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(text);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}
