#include "webif/provider_cache.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include <wx/filefn.h>
#include <wx/strconv.h>

#include "webif/receiver_client.h"

namespace {
wxString DecodeUtf16(const std::string& bytes, bool bigEndian) {
    wxString out;
    const size_t n = bytes.size() / 2;
    std::wstring units;
    units.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const auto hi = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 0 : 1)]);
        const auto lo = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 1 : 0)]);
        units += static_cast<wchar_t>(hi << 8 | lo);
    }
    // Combine surrogate pairs; a lone surrogate becomes U+FFFD.
    for (size_t i = 0; i < units.size(); ++i) {
        const unsigned u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            out += wxUniChar(0x10000 + ((u - 0xD800) << 10) + (static_cast<unsigned>(units[i + 1]) - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out += wxUniChar(0xFFFD);
        } else {
            out += wxUniChar(u);
        }
    }
    return out;
}
} // namespace

wxString DecodeCacheText(const std::string& bytes) {
    wxString text;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text = DecodeAnswerBody(bytes.substr(3));
    else if (bytes.compare(0, 2, "\xFF\xFE") == 0)
        text = DecodeUtf16(bytes.substr(2), false);
    else if (bytes.compare(0, 2, "\xFE\xFF") == 0)
        text = DecodeUtf16(bytes.substr(2), true);
    else
        text = DecodeAnswerBody(bytes);
    text.Replace("\r", "");
    text.Replace("\n", "");
    return text;
}

bool ReadProviderCache(const wxString& path, wxString& text) {
    std::ifstream in(path.fn_str(), std::ios::binary);
    if (!in)
        return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return false;
    text = DecodeCacheText(bytes);
    return true;
}

bool WriteProviderCache(const wxString& path, const wxString& text) {
    const wxString temp = path + ".tmp";
    const wxScopedCharBuffer utf8 = text.utf8_str();
    {
        std::ofstream out(temp.fn_str(), std::ios::binary | std::ios::trunc);
        out.write(utf8.data(), static_cast<std::streamsize>(utf8.length()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(temp.fn_str());
            return false;
        }
    }
    if (std::rename(temp.fn_str(), path.fn_str()) != 0) {
        std::remove(temp.fn_str());
        return false;
    }
    return true;
}
