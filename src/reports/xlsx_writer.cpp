#include "reports/xlsx_writer.h"

#include <xlsxwriter.h>

#include <map>
#include <memory>

#include "common/file_io.h"

namespace halvo {

namespace {

// Fills from the spreadsheet's classic 56-colour palette, by their palette numbers.
constexpr lxw_color_t kPaletteLightGreen = 0xCCFFCC;      // 42
constexpr lxw_color_t kPaletteLightTurquoise = 0xCCFFFF;  // 41
constexpr lxw_color_t kPaletteLightYellow = 0xFFFFCC;     // 26
constexpr lxw_color_t kFailedRed = 0xC00000;

struct WorkbookCloser {
    void operator()(lxw_workbook* wb) const {
        if (wb != nullptr) {
            workbook_close(wb);
        }
    }
};

std::map<CellStyle, lxw_format*> MakeFormats(lxw_workbook* wb) {
    std::map<CellStyle, lxw_format*> formats;
    formats[CellStyle::Plain] = nullptr;

    lxw_format* title = workbook_add_format(wb);
    format_set_font_name(title, "Arial Black");
    format_set_font_size(title, 16);
    formats[CellStyle::Title] = title;

    const auto boxed = [wb](bool bold, lxw_color_t fill) {
        lxw_format* f = workbook_add_format(wb);
        format_set_align(f, LXW_ALIGN_CENTER);
        format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
        format_set_border(f, LXW_BORDER_THIN);
        if (bold) {
            format_set_bold(f);
        }
        if (fill != 0) {
            format_set_pattern(f, LXW_PATTERN_SOLID);
            format_set_bg_color(f, fill);
        }
        return f;
    };
    formats[CellStyle::Label] = boxed(true, kPaletteLightGreen);
    formats[CellStyle::Heading] = boxed(true, kPaletteLightTurquoise);
    formats[CellStyle::SubHeading] = boxed(false, kPaletteLightYellow);
    formats[CellStyle::Value] = boxed(false, 0);
    lxw_format* failed = boxed(true, 0);
    format_set_font_color(failed, kFailedRed);
    formats[CellStyle::Failed] = failed;
    return formats;
}

bool Failed(lxw_error e, const char* what, std::string* error) {
    if (e == LXW_NO_ERROR) {
        return false;
    }
    if (error != nullptr) {
        *error = std::string(what) + ": " + lxw_strerror(e);
    }
    return true;
}

bool WriteSheet(lxw_workbook* wb, const ReportSheet& s, const std::map<CellStyle, lxw_format*>& formats,
                const PictureSource& pictures, std::vector<std::string>& keep, std::string* error) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, s.name.c_str());
    if (ws == nullptr) {
        if (error != nullptr) {
            *error = "cannot add the sheet \"" + s.name + "\"";
        }
        return false;
    }
    for (size_t c = 0; c < s.columnWidths.size(); ++c) {
        const auto col = static_cast<lxw_col_t>(c);
        worksheet_set_column(ws, col, col, s.columnWidths[c], nullptr);
    }
    for (const ReportCell& c : s.cells) {
        if (Failed(worksheet_write_string(ws, static_cast<lxw_row_t>(c.row), static_cast<lxw_col_t>(c.col),
                                          c.text.c_str(), formats.at(c.style)),
                   "writing a cell", error)) {
            return false;
        }
    }
    for (const ReportMerge& m : s.merges) {
        if (Failed(worksheet_merge_range(ws, static_cast<lxw_row_t>(m.firstRow), static_cast<lxw_col_t>(m.firstCol),
                                         static_cast<lxw_row_t>(m.lastRow), static_cast<lxw_col_t>(m.lastCol),
                                         m.text.c_str(), formats.at(m.style)),
                   "merging cells", error)) {
            return false;
        }
    }
    for (const ReportPicture& p : s.pictures) {
        std::optional<std::string> png = pictures ? pictures(p) : std::nullopt;
        if (!png || png->empty()) {
            continue;
        }
        keep.push_back(std::move(*png));
        const std::string& bytes = keep.back();
        lxw_image_options options{};
        options.x_offset = p.xOffset;
        options.y_offset = p.yOffset;
        options.x_scale = 1.0;
        options.y_scale = 1.0;
        if (Failed(worksheet_insert_image_buffer_opt(ws, static_cast<lxw_row_t>(p.row), static_cast<lxw_col_t>(p.col),
                                                     reinterpret_cast<const unsigned char*>(bytes.data()),
                                                     bytes.size(), &options),
                   "inserting a chart picture", error)) {
            return false;
        }
    }
    worksheet_fit_to_pages(ws, 1, 1);
    worksheet_print_area(ws, 0, 0, static_cast<lxw_row_t>(s.printLastRow), static_cast<lxw_col_t>(s.printLastCol));
    return true;
}

}  // namespace

bool WriteReportWorkbook(const ReportBook& book, const std::string& path, const PictureSource& pictures,
                         std::string* error) {
    // The library writes only to a file it opens by name: the workbook is made in a temporary
    // file first and then put in place in one step, so a failure never leaves half a report.
    return WriteFileThroughScratch(path, [&](const std::string& scratch, std::string* failure) {
        std::vector<std::string> keep;  // picture bytes, alive until the book is written
        std::unique_ptr<lxw_workbook, WorkbookCloser> wb(workbook_new(scratch.c_str()));
        if (!wb) {
            if (failure != nullptr) {
                *failure = "cannot create the workbook";
            }
            return false;
        }
        const std::map<CellStyle, lxw_format*> formats = MakeFormats(wb.get());
        for (const ReportSheet& s : book.sheets) {
            if (!WriteSheet(wb.get(), s, formats, pictures, keep, failure)) {
                return false;
            }
        }
        return !Failed(workbook_close(wb.release()), "writing the workbook", failure);
    }, error);
}

}  // namespace halvo
