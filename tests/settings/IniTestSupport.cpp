#include "IniTestSupport.h"

#include <algorithm>

void WriteUtf16Ini(const std::filesystem::path& file, const std::wstring& text)
{
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    for (wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    WriteBytes(file, bytes);
}

std::wstring ReadIniText(const std::filesystem::path& file)
{
    const auto bytes = ReadBytes(file);
    std::wstring text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
    } else {
        for (auto b : bytes)
            text.push_back(static_cast<wchar_t>(b));
    }
    return text;
}

std::vector<IniEntry> ParseIni(const std::wstring& text)
{
    std::vector<IniEntry> entries;
    std::wstring section;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (line.empty() || line[0] == L';')
            continue;
        if (line.front() == L'[' && line.back() == L']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto eq = line.find(L'=');
        if (eq != std::wstring::npos)
            entries.push_back({section, line.substr(0, eq), line.substr(eq + 1)});
    }
    return entries;
}

std::wstring IniValue(const std::filesystem::path& file, const std::wstring& section, const std::wstring& key)
{
    for (const auto& e : ParseIni(ReadIniText(file)))
        if (e.section == section && e.key == key)
            return e.value;
    return L"<missing>";
}

bool ContainsUtf16(const std::vector<std::uint8_t>& bytes, const std::wstring& needle)
{
    std::vector<std::uint8_t> encoded;
    for (wchar_t c : needle) {
        encoded.push_back(static_cast<std::uint8_t>(c & 0xFF));
        encoded.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return std::search(bytes.begin(), bytes.end(), encoded.begin(), encoded.end()) != bytes.end();
}

void PrintTo(const IniEntry& entry, std::ostream* out)
{
    // Only ASCII is printed as it is; the rest as code points.
    auto narrow = [](const std::wstring& text) {
        std::string result;
        for (wchar_t c : text)
            result +=
                c < 0x80 ? std::string(1, static_cast<char>(c)) : "\\u" + std::to_string(static_cast<unsigned>(c));
        return result;
    };
    *out << "[" << narrow(entry.section) << "] " << narrow(entry.key) << "=" << narrow(entry.value);
}
