// A string-table entry used as a format.
#pragma once
#include "app/Application.h"

#include <cwchar>
#include <string>
#include <vector>

// The entry filled in with swprintf (ints and wide strings only).
template <class... Args> std::wstring ResFormat(UINT id, Args... args)
{
    const std::wstring format = ResString(id);
    for (std::size_t size = format.size() + 256;; size *= 2) {
        std::vector<wchar_t> text(size);
        if (std::swprintf(text.data(), text.size(), format.c_str(), args...) >= 0 || size > (1u << 22))
            return text.data();
    }
}
