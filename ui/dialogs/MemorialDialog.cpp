#include "ui/dialogs/MemorialDialog.h"

#include "app/Application.h"
#include "app/Handle.h"
#include "render/PictureFile.h"
#include "res/resource.h"
#include "settings/SettingsControls.h"

#include <cwchar>
#include <tuple>

bool MemorialDialog::Edit(HWND owner, int month, int day, const std::wstring& name, const std::wstring& picture)
{
    month_ = month;
    day_ = day;
    name_ = baseName_ = name;
    picture_ = basePicture_ = working_ = picture;
    changed_ = false;
    return DoModal(IDD_MEMORIAL, owner) > 0;
}

bool MemorialDialog::OnInitDialog(HWND, LPARAM)
{
    SetDlgItemTextW(Handle(), IDC_MEMORIAL_NAME, name_.c_str());
    wchar_t date[50];
    std::swprintf(date, 50, L"%d月%d日", month_, day_);
    SetDlgItemTextW(Handle(), IDC_DATE_LABEL, date);
    return true;
}

void MemorialDialog::RedrawPreview() { InvalidateRect(GetDlgItem(Handle(), IDC_PREVIEW), nullptr, FALSE); }

void MemorialDialog::OnCommand(UINT code, UINT id, HWND)
{
    if (code != BN_CLICKED)
        return;
    if (id == IDC_CHOOSE_PICTURE) {
        if (ChoosePictureFile(Handle(), working_))
            RedrawPreview();
    } else if (id == IDC_REMOVE_PICTURE) {
        working_.clear();
        RedrawPreview();
    }
}

void MemorialDialog::OnDrawItem(DRAWITEMSTRUCT* item)
{
    // The preview is the only owner-drawn control.
    if (item != nullptr)
        DrawPicturePreview(item->hDC, item->rcItem, working_);
}

void MemorialDialog::Refresh(const std::wstring& name, const std::wstring& picture)
{
    if (Handle() == nullptr || (name == baseName_ && picture == basePicture_))
        return;
    const bool touched =
        SendDlgItemMessageW(Handle(), IDC_MEMORIAL_NAME, EM_GETMODIFY, 0, 0) != 0 || working_ != basePicture_;
    if (touched) {
        changed_ = true;
        storedName_ = name;
        storedPicture_ = picture;
        return;
    }
    baseName_ = name;
    basePicture_ = working_ = picture;
    SetDlgItemTextW(Handle(), IDC_MEMORIAL_NAME, name.c_str());
    RedrawPreview();
}

void MemorialDialog::OnOK()
{
    std::wstring name;
    GetItemText(IDC_MEMORIAL_NAME, name);
    if (changed_) {
        // Another writer changed the entry under the user's edit: never overwritten unasked.
        const std::wstring text =
            ResFormat(storedName_.empty() ? IDS_MEMORIAL_REMOVED : IDS_MEMORIAL_CHANGED, storedName_.c_str());
        const int answer =
            MessageBoxW(Handle(), text.c_str(), ResString(IDS_PRODUCT).c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL)
            return;
        baseName_ = storedName_;
        basePicture_ = storedPicture_;
        changed_ = false;
        if (answer == IDNO) {
            EndDialog(Handle(), 0);
            return;
        }
    }
    name_ = name;
    picture_ = working_;
    EndDialog(Handle(), 1);
}

void DrawPicturePreview(HDC dc, const RECT& rect, const std::wstring& picture)
{
    FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
    {
        UniqueGdi<HPEN> pen(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
        HGDIOBJ old = SelectObject(dc, pen.get());
        RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, 10, 10);
        SelectObject(dc, old);
    }
    if (picture.empty())
        return;

    const float x0 = static_cast<float>(rect.left) + 5;
    const float y0 = static_cast<float>(rect.top) + 5;
    const float areaWidth = static_cast<float>(rect.right - rect.left) - 10;
    const float areaHeight = static_cast<float>(rect.bottom - rect.top) - 10;
    if (areaWidth < 1 || areaHeight < 1)
        return;

    // Keep the aspect ratio and fill the area in one direction; decoded only at about that size.
    float w = 0, h = 0;
    const DecodedPicture image = DecodePicture(picture, [&](unsigned width, unsigned height) {
        std::tie(w, h) = FitInside(width, height, areaWidth, areaHeight);
        return std::pair{w, h};
    });
    if (image.status != PictureStatus::Ok || !(w >= 1 && h >= 1))
        return;

    gfx::Graphics graphics = gfx::Graphics::FromHdc(dc);
    if (!graphics)
        return;
    const gfx::RectF dest{x0 + (areaWidth - w) * 0.5f, y0 + (areaHeight - h) * 0.5f, w, h};
    graphics.SetHighQuality();
    graphics.DrawImage(image.pixels, dest);
}
