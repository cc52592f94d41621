#include "ui/dialogs/SaveFailure.h"

#include "app/Application.h"
#include "res/resource.h"

void ShowSaveFailure(HWND owner)
{
    const std::wstring text = ResString(IDS_SAVE_FAILED);
    const std::wstring caption = ResString(IDS_PRODUCT);
    MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}
