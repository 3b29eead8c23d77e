#pragma once
// Text helpers for fixed-width fields. Text is UTF-8 throughout the program.
#include <cstddef>
#include <string>
#include <string_view>

namespace tavlo {

// CLIP(x): the text without its trailing blanks.
std::string clip(std::string_view text);
// Upper case (ASCII letters and the Latin-1 letters of UTF-8 such as e-acute).
std::string upper(std::string_view text);
std::string lower(std::string_view text);
// Case-insensitive comparison that also ignores trailing blanks: <0, 0, >0.
int compareNoCase(std::string_view a, std::string_view b);
bool equalsNoCase(std::string_view a, std::string_view b);
// Comparison that ignores trailing blanks only (STRING fields compare this way).
bool sameText(std::string_view a, std::string_view b);

// The longest prefix of text that fits in the given bytes without splitting a UTF-8 character.
std::string fitBytes(std::string_view text, std::size_t bytes);
// STRING(n): fitted to n bytes and padded with blanks to exactly n bytes.
std::string padToBytes(std::string_view text, std::size_t bytes);
// CSTRING(n): holds at most n-1 bytes (the last byte is the terminator).
inline std::string fitCString(std::string_view text, std::size_t bytes) {
    return fitBytes(text, bytes == 0 ? 0 : bytes - 1);
}

// Leading and trailing blanks removed.
std::string trim(std::string_view text);
// Every occurrence of from replaced by to.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);
// Characters (not bytes) in UTF-8 text.
std::size_t characterCount(std::string_view text);

// A STRING(N) variable: holds at most N bytes (never half a character), compares ignoring
// trailing blanks. str() is the text without its trailing blanks (CLIP), padded() all N bytes.
template <std::size_t N>
class FixedString {
public:
    static constexpr std::size_t kBytes = N;
    FixedString() = default;
    FixedString(std::string_view text) : text_(clip(fitBytes(text, N))) {}  // NOLINT: like assigning
    FixedString(const std::string& text) : FixedString(std::string_view(text)) {}
    FixedString(const char* text) : FixedString(std::string_view(text)) {}

    const std::string& str() const { return text_; }
    std::string padded() const { return padToBytes(text_, N); }
    bool blank() const { return text_.find_first_not_of(' ') == std::string::npos; }
    void clear() { text_.clear(); }
    operator std::string_view() const { return text_; }  // NOLINT

    friend bool operator==(const FixedString& a, const FixedString& b) { return a.text_ == b.text_; }
    friend bool operator==(const FixedString& a, std::string_view b) { return sameText(a.text_, b); }
    friend bool operator==(const FixedString& a, const char* b) { return sameText(a.text_, b); }
    friend bool operator==(const FixedString& a, const std::string& b) { return sameText(a.text_, b); }

private:
    std::string text_;
};

}  // namespace tavlo
