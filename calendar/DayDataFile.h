// qv.dat as a file that several writers share (the calendar's saves, an import
// on the command line or handed over): one lock, recovery after an interrupted
// save, and the merge of edits made at once to one day's memo.
#pragma once
#include "calendar/FileIO.h"

#include <string>

// Held by every writer of the data file while it reads, changes and replaces it.
class DayDataLock : public FileLock {
public:
    explicit DayDataLock(const std::wstring& dataPath, DWORD timeoutMs = 15000)
        : FileLock(L"DayData", dataPath, timeoutMs)
    {
    }
};

// The data file as a kept file: whole when dayfile::ReadsWhole says so.
KeptFile KeptDayData(const std::wstring& dataPath);

// One day's memo after an edit that started from `base` while the file came to
// hold `stored`: the stored memo when the edit left the text as it was, the
// edit when nothing else changed it, and otherwise the edit followed by the
// lines the other writer added that the edit lacks.
std::wstring MergeMemo(const std::wstring& stored, const std::wstring& base, const std::wstring& mine);
