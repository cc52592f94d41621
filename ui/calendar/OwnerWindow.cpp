#include "ui/calendar/OwnerWindow.h"

namespace {
constexpr wchar_t kOwnerClass[] = L"qvdmywnd";
}

bool OwnerWindow::CreateOwner()
{
    RegisterWindowClass(kOwnerClass, 0, nullptr, nullptr, nullptr, nullptr);
    return Create(0, kOwnerClass, nullptr, WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr);
}
