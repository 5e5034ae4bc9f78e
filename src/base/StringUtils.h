#pragma once

#include <string>

namespace util {

// Conversions between the narrow texts of the host record and the wide texts (32-bit wchar_t)
// of shaders, keys and texture URIs.
class StringUtils {
public:
    // Each byte, taken as unsigned, becomes one wide character; nothing is decoded.
    static std::wstring toOSWideFromOSNarrow(std::string const& s);
    // Each character is cut to 16 bits, then the UTF-16 sequence becomes UTF-8; invalid
    // surrogates are skipped, never an error.
    static std::string toUTF8FromUTF16(std::wstring const& s);
    static std::string toOSNarrowFromUTF16(std::wstring const& s);

    // Copies at most length-1 characters plus a terminating 0 (strncpy semantics for the rest)
    // and sets length to the size the whole string needs. length 0 only reports that size.
    static void copyToCStr(std::string const& s, char* buffer, unsigned long& length);
    static void copyToCStr(std::wstring const& s, wchar_t* buffer, unsigned long& length);
};

}  // namespace util
