#include "reports/pdf_writer.h"

#include <hpdf.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace tavlo::report {
namespace {

struct HaruState {
    HPDF_STATUS error = 0;
    HPDF_STATUS detail = 0;
};

void onHaruError(HPDF_STATUS error, HPDF_STATUS detail, void* data) {
    auto* state = static_cast<HaruState*>(data);
    if (state->error == 0) {
        state->error = error;
        state->detail = detail;
    }
}

struct DocDeleter {
    void operator()(HPDF_Doc doc) const { HPDF_Free(doc); }
};
using DocPtr = std::unique_ptr<std::remove_pointer_t<HPDF_Doc>, DocDeleter>;

constexpr double kPointsPerMil = 72.0 / 1000.0;

HPDF_Font loadFont(HPDF_Doc pdf, HaruState& state, bool bold) {
    const std::string file = fontFile(Font{.bold = bold});
    const char* name = nullptr;
    if (!file.empty()) {
        name = HPDF_LoadTTFontFromFile(pdf, file.c_str(), HPDF_TRUE);
        if (!name) {
            // A damaged font file: fall back to the standard face with the same metrics.
            state = {};
            HPDF_ResetError(pdf);
        }
    }
    return HPDF_GetFont(pdf, name ? name : (bold ? "Helvetica-Bold" : "Helvetica"), "WinAnsiEncoding");
}

std::string describe(const HaruState& state, const std::string& path) {
    char code[16];
    std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(state.error));
    if (state.error == HPDF_FILE_OPEN_ERROR || state.error == HPDF_FILE_IO_ERROR)
        return "Cannot write " + path + ": " + std::strerror(static_cast<int>(state.detail));
    return std::string("PDF writer error ") + code;
}

}  // namespace

PdfResult writePdf(const Pages& pages, const PdfInfo& info, const std::string& path) {
    HaruState state;
    DocPtr pdf(HPDF_New(onHaruError, &state));
    if (!pdf) return {false, "PDF writer could not start"};
    HPDF_SetCompressionMode(pdf.get(), HPDF_COMP_ALL);
    HPDF_SetInfoAttr(pdf.get(), HPDF_INFO_TITLE, toWinAnsi(info.title).c_str());
    HPDF_SetInfoAttr(pdf.get(), HPDF_INFO_SUBJECT, toWinAnsi(info.subject).c_str());
    HPDF_SetInfoAttr(pdf.get(), HPDF_INFO_CREATOR, toWinAnsi(info.application).c_str());
    HPDF_Font regular = loadFont(pdf.get(), state, false);
    HPDF_Font bold = loadFont(pdf.get(), state, true);
    if (state.error) return {false, describe(state, path)};

    for (const Page& page : pages) {
        HPDF_Page p = HPDF_AddPage(pdf.get());
        const double height = page.height * kPointsPerMil;
        HPDF_Page_SetWidth(p, static_cast<HPDF_REAL>(page.width * kPointsPerMil));
        HPDF_Page_SetHeight(p, static_cast<HPDF_REAL>(height));
        for (const DrawOp& op : page.ops) {
            if (const auto* line = std::get_if<LineOp>(&op)) {
                HPDF_Page_SetLineWidth(p, static_cast<HPDF_REAL>(line->thickness * kPointsPerMil));
                HPDF_Page_MoveTo(p, static_cast<HPDF_REAL>(line->x1 * kPointsPerMil),
                                 static_cast<HPDF_REAL>(height - line->y1 * kPointsPerMil));
                HPDF_Page_LineTo(p, static_cast<HPDF_REAL>(line->x2 * kPointsPerMil),
                                 static_cast<HPDF_REAL>(height - line->y2 * kPointsPerMil));
                HPDF_Page_Stroke(p);
                continue;
            }
            const auto& text = std::get<TextOp>(op);
            if (text.text.empty()) continue;
            const double baseline = height - (text.y + ascent(text.font)) * kPointsPerMil;
            HPDF_Page_BeginText(p);
            HPDF_Page_SetFontAndSize(p, text.font.bold ? bold : regular, static_cast<HPDF_REAL>(text.font.size));
            HPDF_Page_TextOut(p, static_cast<HPDF_REAL>(text.textLeft() * kPointsPerMil),
                              static_cast<HPDF_REAL>(baseline), toWinAnsi(text.text).c_str());
            HPDF_Page_EndText(p);
        }
        if (state.error) return {false, describe(state, path)};
    }
    // Write beside the target and move it into place, so a failed write never leaves a torn file.
    const std::string temp = path + ".part";
    if (HPDF_SaveToFile(pdf.get(), temp.c_str()) != HPDF_OK || state.error) {
        std::error_code ec;
        std::filesystem::remove(temp, ec);
        return {false, describe(state, path)};
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return {false, "Cannot write " + path + ": " + ec.message()};
    }
    return {true, {}};
}

}  // namespace tavlo::report
