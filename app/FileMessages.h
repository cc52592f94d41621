// What the user reads when a file cannot be read or written: the file and the
// system's words for the reason.
#pragma once
#include "calendar/FileIO.h"

#include <string>

// The system's text for an error code (FormatMessageW), or the code itself
// when the system has none.
std::wstring SystemErrorText(DWORD code);
// "ファイル: <full path>" and "理由: <the system's words>" on two lines.
std::wstring FileErrorDetail(const FileError& error);
// The same for a folder.
std::wstring FolderErrorDetail(const FileError& error);
