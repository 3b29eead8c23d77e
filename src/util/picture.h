#pragma once
// Display pictures: one formatter and one parser for every window, list and report. The "@" in
// front is optional and the kind letter may be either case.
//
//   @sN      text of N characters (UTF-8 characters, not bytes), cut to N, trailing blanks
//            dropped. A trailing "b" is accepted and changes nothing (blank text shows blank).
//   @nW.D    a number W characters wide with D decimals (".D" may be left out), rounded half
//            away from zero, thousands separated by ",", the point ".", right-justified in W.
//            Sign: "@n-15.2" leading minus; "@n(13.2)" negatives in parentheses, positives keep a
//            blank where the ")" would be so that points line up; "@n15.2-" trailing minus.
//            Without a sign mark a negative still shows a leading minus (hiding it would show a
//            wrong amount). Fill before W: "0" zeros and no separators ("@n02": 7 gives "07"),
//            "_" blanks and no separators, "*" asterisks. A trailing "b": blank (W blanks) when
//            the rounded value is zero. A number wider than W shows as W "#" characters, never cut.
//   @dN      a date from a day number; 0 (no date) shows blank. A leading 0 ("@d06") pads day and
//            month to two digits; without it day and month have no leading zero.
//              @d5  dd/mm/yy      @d6  dd/mm/yyyy    @d10 yyyy/mm/dd    @d12 yyyymmdd (8 digits)
//              @d17 the short date, which on this system is @d06: dd/mm/yyyy ("15/03/2024").
//   @tN      a time of day from hundredths of a second since midnight: @t1 hh:mm, @t4 hh:mm:ss
//            (leading 0: two-digit hours).
//   @p...p   a pattern: "<" a digit that is blank while it is a leading zero, "#" a digit always
//            shown, anything else as written. "@pPage <<<#p" with 5 gives "Page    5"; a number
//            with more digits than the pattern has fills the digit places with "#". A "b" after
//            the closing "p": blank when zero.
//
// A picture that is none of these formats the value as plain text.
#include <optional>
#include <string>
#include <string_view>

#include "util/decimal.h"

namespace tavlo {

enum class PictureKind { Text, Number, Date, Time, Pattern };

struct Picture {
    PictureKind kind = PictureKind::Text;
    int width = 0;   // @s and @n: characters
    int places = 0;  // @n: decimals
    enum class Sign { Leading, Parentheses, Trailing } sign = Sign::Leading;
    char fill = ' ';       // @n: ' ', '0', '_' or '*'
    bool grouping = true;  // @n: thousands separators
    bool blankWhenZero = false;
    bool leadingZero = false;  // @d and @t
    int format = 0;            // @d and @t: the number after the letter
    std::string pattern;       // @p: what lies between "p" and "p"

    // nullopt for a text that is no picture this program knows.
    static std::optional<Picture> parse(std::string_view picture);
};

// A number (or a day number, time or page number) shown through the picture. Text pictures show
// the number's plain digits.
std::string formatPicture(std::string_view picture, const Decimal& value);
// Text shown through the picture. Under a number, date, time or pattern picture a text that holds a
// plain number is formatted as that number; any other text is shown as it is.
std::string formatPicture(std::string_view picture, std::string_view text);
inline std::string formatPicture(std::string_view picture, const std::string& text) {
    return formatPicture(picture, std::string_view(text));
}
inline std::string formatPicture(std::string_view picture, const char* text) {
    return formatPicture(picture, std::string_view(text));
}
std::string formatPicture(const Picture& picture, const Decimal& value);

// What an operator typed, read back through a number, date, time or pattern picture:
//  @n: blanks, "," and the sign marks are allowed ("(12.50)" and "12.50-" are negative); the value
//      is rounded to the picture's places and refused when it would not fit W.
//  @d: day, month and year split by "/", "-", "." or blanks in the picture's order, or its digits
//      alone (ddmmyyyy, ddmmyy; yyyymmdd for @d10 and @d12); a two-digit year is the one nearest
//      to today within 80 years back and 19 ahead; blank text is 0 (no date); a date that does
//      not exist is refused.
//  @t: hh:mm or hh:mm:ss; blank is 0.
//  @p: the digits of the text.
// nullopt when the text does not fit. Under a text picture nullopt too: use parseTextPicture.
std::optional<Decimal> parsePicture(std::string_view picture, std::string_view text);
// What an operator typed into an @sN entry: cut to N characters.
std::string parseTextPicture(std::string_view picture, std::string_view text);

}  // namespace tavlo
