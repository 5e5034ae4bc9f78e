#include "base/StringUtils.h"

#include <boost/locale/encoding_utf.hpp>
#include <cstring>
#include <cwchar>

namespace util {

std::wstring StringUtils::toOSWideFromOSNarrow(std::string const& s) {
    std::wstring result;
    result.reserve(s.size());
    for (char const c : s) result.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return result;
}

std::string StringUtils::toUTF8FromUTF16(std::wstring const& s) {
    std::u16string utf16;
    utf16.reserve(s.size());
    for (wchar_t const c : s) utf16.push_back(static_cast<char16_t>(static_cast<unsigned>(c) & 0xFFFFu));
    return boost::locale::conv::utf_to_utf<char>(utf16, boost::locale::conv::skip);
}

std::string StringUtils::toOSNarrowFromUTF16(std::wstring const& s) { return toUTF8FromUTF16(s); }

void StringUtils::copyToCStr(std::string const& s, char* buffer, unsigned long& length) {
    if (length > 0) {
        std::strncpy(buffer, s.c_str(), length);
        buffer[length - 1] = 0;
    }
    length = s.size() + 1;
}

void StringUtils::copyToCStr(std::wstring const& s, wchar_t* buffer, unsigned long& length) {
    if (length > 0) {
        std::wcsncpy(buffer, s.c_str(), length);
        buffer[length - 1] = 0;
    }
    length = s.size() + 1;
}

}  // namespace util
