// The error box shown when the day data could not be written.
#pragma once
#include "app/Win.h"

// Tells the user that qv.dat was not saved (the old file is intact, the edit stays
// on screen only until the month changes). Modal, owned by `owner`.
void ShowSaveFailure(HWND owner);
