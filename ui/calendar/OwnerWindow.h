// The hidden owner of the calendar window: keeps the calendar off the taskbar.
#pragma once
#include "ui/framework/Window.h"

class OwnerWindow : public Window {
public:
    bool CreateOwner();
};
