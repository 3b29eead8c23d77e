#pragma once
// Fuzz targets: each takes any bytes and must neither crash nor throw; a property that does not
// hold is reported through check(). Each target runs under libFuzzer (libfuzzer_main.cpp) and,
// over its corpus and kept crashing inputs, in the normal tests (regressions_test.cpp).
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavlo::fuzz {

// Display pictures: format and parse any picture with any text or number.
int picture(const std::uint8_t* data, std::size_t size);
// View filters: compile any expression and evaluate it on a record.
int filter(const std::uint8_t* data, std::size_t size);
// Settings files: read any file's keys, write one and read everything back.
int settings(const std::uint8_t* data, std::size_t size);
// Window-text definitions of the language store: read any bytes, pack what was read, read it back.
int definition(const std::uint8_t* data, std::size_t size);

// A property of the code under test that does not hold: ends the run with what.
void check(bool holds, const char* what);

// The input as text, and its first line apart from the rest.
inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}
inline std::string_view firstLine(std::string_view text, std::string_view* rest) {
    std::size_t nl = text.find('\n');
    *rest = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    return text.substr(0, nl);
}

}  // namespace tavlo::fuzz
