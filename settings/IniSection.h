// A section of qv.ini kept by a feature of its own, read and written with the
// settings record so that every write of qv.ini stays one replacement.
#pragma once
#include "settings/IniFile.h"

#include <vector>

class IniSection {
public:
    virtual ~IniSection() = default;
    // Reads the section from the file (after the settings record, on every load).
    virtual void Load(const IniFile& file) = 0;
    // What the section writes, in the same replacement as the settings record.
    virtual void AppendEntries(std::vector<IniEntry>& entries) const = 0;
};
