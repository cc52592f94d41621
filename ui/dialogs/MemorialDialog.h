// The memorial-day dialog: a name and an optional picture for one month and day.
#pragma once
#include "ui/framework/Dialog.h"

#include <string>

class MemorialDialog : public Dialog {
public:
    // Runs template 122; true when the user pressed OK, Name() and Picture() then hold the result.
    bool Edit(HWND owner, int month, int day, const std::wstring& name, const std::wstring& picture);
    // The input values until OK: choosing or removing a picture and then cancelling changes nothing.
    const std::wstring& Name() const { return name_; }
    const std::wstring& Picture() const { return picture_; }

protected:
    bool OnInitDialog(HWND focus, LPARAM initParam) override;
    void OnCommand(UINT code, UINT id, HWND control) override;
    void OnDrawItem(DRAWITEMSTRUCT* item) override;
    void OnOK() override;
    void OnCancel() override { CloseDialog(); }
    void OnClose() override { CloseDialog(); }

private:
    void RedrawPreview();

    int month_ = 0;
    int day_ = 0;
    std::wstring name_;
    std::wstring picture_;
    std::wstring working_;
};

// The preview: button-face fill, rounded frame, and the picture fitted and centred
// inside the rectangle inset by 5 pixels. Only the frame when the picture cannot be loaded.
void DrawPicturePreview(HDC dc, const RECT& rect, const std::wstring& picture);
