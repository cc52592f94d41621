#include "calendar/DayDataFile.h"

#include "calendar/DayDataFormat.h"

#include <algorithm>
#include <vector>

namespace {
// Lines without their ends; a memo's lines end with CR LF, an imported one's perhaps with LF.
std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        if (!lines.back().empty() && lines.back().back() == L'\r')
            lines.back().pop_back();
        start = end + 1;
    }
    return lines;
}

// Removes one line equal to `line`; false when there is none.
bool TakeLine(std::vector<std::wstring>& lines, const std::wstring& line)
{
    const auto found = std::find(lines.begin(), lines.end(), line);
    if (found == lines.end())
        return false;
    lines.erase(found);
    return true;
}
} // namespace

KeptFile KeptDayData(const std::wstring& dataPath) { return KeptFile(dataPath, &dayfile::ReadsWhole); }

std::wstring MergeMemo(const std::wstring& stored, const std::wstring& base, const std::wstring& mine)
{
    if (mine == base)
        return stored;
    if (stored == base)
        return mine;
    // Counted as many times as they occur: a line typed twice is added twice.
    std::vector<std::wstring> before = Lines(base), have = Lines(mine);
    std::wstring merged = mine;
    for (const std::wstring& line : Lines(stored)) {
        if (TakeLine(before, line) || TakeLine(have, line))
            continue;
        if (!merged.empty() && merged.back() != L'\n')
            merged += L"\r\n";
        merged += line;
    }
    return merged;
}
