#include "ui/dialogs/AboutDialog.h"

#include "app/Application.h"
#include "app/Dpi.h"
#include "res/resource.h"

#include <algorithm>
#include <string>

namespace {
const wchar_t kLinkProperty[] = L"Mosaryn.MailLink";
} // namespace

const wchar_t* MailLink::Address() { return L"support@mosaryn.example"; }

void MailLink::Attach(HWND label)
{
    Detach();
    if (label == nullptr)
        return;
    label_ = label;
    SetPropW(label, kLinkProperty, this);
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MailLink::LinkProc)));
    normal_ = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    if (normal_ != nullptr && GetObjectW(normal_, sizeof(logFont), &logFont) == sizeof(logFont)) {
        logFont.lfUnderline = TRUE;
        link_.reset(CreateFontIndirectW(&logFont));
    }
    FitToText();
}

// The template's label spans the dialog; narrowed to its text around the same centre, the hand
// cursor, the hover look and the click all belong to the text alone.
void MailLink::FitToText()
{
    wchar_t text[50] = {};
    GetWindowTextW(label_, text, 50);
    HDC dc = GetDC(label_);
    HGDIOBJ old = normal_ != nullptr ? SelectObject(dc, normal_) : nullptr;
    SIZE extent{};
    const BOOL measured = GetTextExtentPoint32W(dc, text, lstrlenW(text), &extent);
    if (old != nullptr)
        SelectObject(dc, old);
    ReleaseDC(label_, dc);
    RECT bounds{};
    GetWindowRect(label_, &bounds);
    if (!measured || extent.cx <= 0 || extent.cx >= bounds.right - bounds.left)
        return;
    MapWindowPoints(nullptr, GetParent(label_), reinterpret_cast<POINT*>(&bounds), 2);
    const int left = bounds.left + (bounds.right - bounds.left - extent.cx) / 2;
    SetWindowPos(label_, nullptr, left, bounds.top, extent.cx, bounds.bottom - bounds.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void MailLink::Detach()
{
    if (label_ != nullptr) {
        KillTimer(label_, kPollTimer);
        if (previous_ != nullptr)
            SetWindowLongPtrW(label_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        RemovePropW(label_, kLinkProperty);
    }
    label_ = nullptr;
    previous_ = nullptr;
    normal_ = nullptr;
    link_.reset();
    hovered_ = false;
}

LRESULT CALLBACK MailLink::LinkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* link = static_cast<MailLink*>(GetPropW(hwnd, kLinkProperty));
    if (link == nullptr || link->label_ != hwnd)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        // Normally detached at the dialog's WM_DESTROY already; this is the safety net.
        const WNDPROC previous = link->previous_;
        link->Detach();
        return CallWindowProcW(previous, hwnd, msg, wParam, lParam);
    }
    return link->Handle(msg, wParam, lParam);
}

LRESULT MailLink::Handle(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: Paint(); return 0;
    case WM_SETCURSOR: SetCursor(LoadCursorW(TheApp()->Instance(), MAKEINTRESOURCEW(IDC_HAND_POINT))); return TRUE;
    case WM_MOUSEMOVE:
        if (!hovered_) {
            hovered_ = true;
            SetTimer(label_, kPollTimer, 100, nullptr);
            InvalidateRect(label_, nullptr, FALSE);
        }
        break;
    case WM_TIMER:
        if (wParam == kPollTimer)
            Poll();
        break;
    case WM_LBUTTONDOWN: {
        const std::wstring target = std::wstring(L"mailto:") + Address();
        ShellExecuteW(label_, nullptr, target.c_str(), nullptr, nullptr, SW_SHOW);
        return 0;
    }
    default: break;
    }
    return CallWindowProcW(previous_, label_, msg, wParam, lParam);
}

// No leave notification is asked for: the pointer is polled while it is over the label.
void MailLink::Poll()
{
    KillTimer(label_, kPollTimer);
    POINT cursor{};
    RECT bounds{};
    GetCursorPos(&cursor);
    GetWindowRect(label_, &bounds);
    if (PtInRect(&bounds, cursor)) {
        SetTimer(label_, kPollTimer, 100, nullptr);
        return;
    }
    hovered_ = false;
    InvalidateRect(label_, nullptr, FALSE);
}

void MailLink::Paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(label_, &ps);
    wchar_t text[50] = {};
    GetWindowTextW(label_, text, 50);
    RECT client{};
    GetClientRect(label_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, hovered_ ? RGB(0, 0, 255) : RGB(0, 0, 0));
    HFONT font = hovered_ && link_ ? link_.get() : normal_;
    HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
    DrawTextW(dc, text, -1, &client, DT_CENTER);
    if (old != nullptr)
        SelectObject(dc, old);
    EndPaint(label_, &ps);
}

AboutDialog::AboutDialog() { hasPicture_ = gfx::LoadResourceBitmap(picture_); }

void AboutDialog::Show(HWND owner) { DoModal(IDD_ABOUT, owner); }

bool AboutDialog::OnInitDialog(HWND, LPARAM)
{
    link_.Attach(GetDlgItem(Handle(), IDC_MAIL_LINK));
    return true;
}

void AboutDialog::OnDrawItem(DRAWITEMSTRUCT* item)
{
    if (item == nullptr || !hasPicture_)
        return;
    const auto width = static_cast<float>(picture_.Width());
    const auto height = static_cast<float>(picture_.Height());
    const RECT& r = item->rcItem;
    const auto areaWidth = static_cast<float>(r.right - r.left), areaHeight = static_cast<float>(r.bottom - r.top);
    // Its pixels are those of 96 DPI: scaled with the dialog around it, and never beyond its place.
    const float scale = std::min({DpiScale(WindowDpi(Handle())), areaWidth / width, areaHeight / height});
    const gfx::RectF place{static_cast<float>(r.left) + (areaWidth - width * scale) / 2,
                           static_cast<float>(r.top) + (areaHeight - height * scale) / 2, width * scale,
                           height * scale};
    gfx::Graphics graphics = gfx::Graphics::FromHdc(item->hDC);
    if (graphics) {
        graphics.SetHighQuality();
        graphics.DrawImage(picture_, place);
    }
}

void AboutDialog::OnDestroy()
{
    // The fonts belong to this opening only; the next one fetches and creates them again.
    link_.Detach();
    Dialog::OnDestroy();
}
