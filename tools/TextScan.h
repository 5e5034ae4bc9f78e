#pragma once

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace util::tool {

// Whitespace-separated tokens of one line of a text mesh format, and the number parsing that
// all text readers share: std::from_chars, so no locale and no allocation per token.
class TextScan {
public:
    explicit TextScan(std::string_view text) : mText(text) {}

    // The next token; empty at the end of the line.
    std::string_view next() {
        std::size_t start = 0;
        while (start < mText.size() && isSpace(mText[start])) ++start;
        std::size_t end = start;
        while (end < mText.size() && !isSpace(mText[end])) ++end;
        std::string_view const token = mText.substr(start, end - start);
        mText.remove_prefix(end);
        return token;
    }

    // What follows the current position, without surrounding whitespace.
    std::string_view rest() const {
        std::string_view text = mText;
        while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
        while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
        return text;
    }

    bool atEnd() const { return rest().empty(); }

    static bool isSpace(char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    }

private:
    std::string_view mText;
};

// A finite number that fits the type; a leading '+' is accepted as many exporters write one.
template <typename Number>
bool parseNumber(std::string_view token, Number& value) {
    if (token.size() > 1 && token[0] == '+' && token[1] != '-') token.remove_prefix(1);
    char const* const end = token.data() + token.size();
    std::from_chars_result const result = std::from_chars(token.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end) return false;
    if constexpr (std::is_floating_point_v<Number>) return std::isfinite(value);
    return true;
}

}  // namespace util::tool
