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
    // The stored entry the result was edited from: the one given to Edit, or
    // to a Refresh, or (when the user chose to replace it) the one stored now.
    const std::wstring& BaseName() const { return baseName_; }
    const std::wstring& BasePicture() const { return basePicture_; }
    // While the dialog is open: the day's entry as another writer left it.
    // Shown as it is while the user has changed nothing; otherwise OK asks
    // whether the user's entry replaces it.
    void Refresh(const std::wstring& name, const std::wstring& picture);
    int Month() const { return month_; }
    int Day() const { return day_; }

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
    std::wstring baseName_;
    std::wstring basePicture_;
    // The entry another writer stored while the user had changed this one.
    bool changed_ = false;
    std::wstring storedName_;
    std::wstring storedPicture_;
};

// The preview: button-face fill, rounded frame, and the picture fitted and centred
// inside the rectangle inset by 5 pixels. Only the frame when the picture cannot be loaded.
void DrawPicturePreview(HDC dc, const RECT& rect, const std::wstring& picture);
