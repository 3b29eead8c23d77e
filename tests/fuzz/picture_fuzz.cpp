// Display pictures. Input: the picture on the first line, the text after it.
#include "fuzz_target.h"
#include "util/picture.h"

namespace tavlo::fuzz {

int picture(const std::uint8_t* data, std::size_t size) {
    std::string_view text;
    const std::string_view pic = firstLine(asText(data, size), &text);
    (void)formatPicture(pic, text);
    (void)parseTextPicture(pic, text);
    const auto parsed = parsePicture(pic, text);
    const auto p = Picture::parse(pic);
    if (auto number = Decimal::parse(text)) (void)formatPicture(pic, *number);
    if (!p || !parsed) return 0;
    const std::string shown = formatPicture(*p, *parsed);
    const bool digits = text.find_first_of("0123456789") != std::string_view::npos;
    if (p->kind == PictureKind::Number && digits) {
        // A number the entry took shows in full and reads back as itself. (An entry without
        // digits is 0, which a picture narrower than its own zero cannot show.)
        check(shown.find('#') == std::string::npos, "an accepted number shows as #");
        const auto back = parsePicture(pic, shown);
        check(back && *back == *parsed, "a shown number does not read back as itself");
    }
    if (p->kind == PictureKind::Date && p->format != 5 && !parsed->isZero()) {  // @d5 shows two year digits
        const auto back = parsePicture(pic, shown);
        check(back && *back == *parsed, "a shown date does not read back as itself");
    }
    return 0;
}

}  // namespace tavlo::fuzz
