// The workbook as written: unzipped and read back (sheet names, key cells, merged ranges, the
// chart pictures, fills, print areas).

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <regex>

#include "common/file_io.h"
#include "reports/report_export.h"
#include "reports/xlsx_writer.h"
#include "reports/sample_results.h"
#include "support/zip_reader.h"

namespace halvo {
namespace {

// A small grey PNG, made by hand: signature, IHDR, one IDAT, IEND.
std::string MakePng(int width, int height) {
    const auto chunk = [](const char* type, const std::string& data) {
        std::string c;
        const uint32_t n = static_cast<uint32_t>(data.size());
        for (int s = 24; s >= 0; s -= 8) {
            c += static_cast<char>(n >> s & 0xFF);
        }
        const std::string body = std::string(type, 4) + data;
        c += body;
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
        for (int s = 24; s >= 0; s -= 8) {
            c += static_cast<char>(crc >> s & 0xFF);
        }
        return c;
    };
    std::string ihdr;
    for (const int v : {width, height}) {
        for (int s = 24; s >= 0; s -= 8) {
            ihdr += static_cast<char>(v >> s & 0xFF);
        }
    }
    ihdr += std::string("\x08\x00\x00\x00\x00", 5);  // 8-bit grey
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        raw += std::string(static_cast<size_t>(width), static_cast<char>(0xC0));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
             static_cast<uLong>(raw.size()));
    packed.resize(packedSize);
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", packed) + chunk("IEND", "");
}

class CountingPainter : public ChartPainter {
public:
    std::optional<std::string> renderPng(const ChartScene& scene, int width, int height) override {
        scenes.push_back(scene);
        return MakePng(width, height);
    }
    std::vector<ChartScene> scenes;
};

// The workbook's cells by sheet file and reference, with the shared strings resolved.
class Workbook {
public:
    explicit Workbook(std::map<std::string, std::string> members) : m_(std::move(members)) {
        const std::regex si("<si><t[^>]*>([^<]*)</t></si>");
        const std::string& shared = m_["xl/sharedStrings.xml"];
        for (auto it = std::sregex_iterator(shared.begin(), shared.end(), si); it != std::sregex_iterator(); ++it) {
            strings_.push_back(Unescape((*it)[1]));
        }
    }
    std::string cell(int sheet, const std::string& ref) {
        const std::string& xml = m_["xl/worksheets/sheet" + std::to_string(sheet) + ".xml"];
        const std::regex c("<c r=\"" + ref + "\"[^>]*t=\"s\"[^>]*><v>([0-9]+)</v></c>");
        std::smatch m;
        if (!std::regex_search(xml, m, c)) {
            return "<none>";
        }
        const size_t i = std::stoul(m[1]);
        return i < strings_.size() ? strings_[i] : "<bad index>";
    }
    bool merged(int sheet, const std::string& range) {
        return m_["xl/worksheets/sheet" + std::to_string(sheet) + ".xml"].find("<mergeCell ref=\"" + range + "\"/>") !=
               std::string::npos;
    }
    int count(const std::string& member, const std::string& what) {
        const std::string& text = m_[member];
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
            ++n;
        }
        return n;
    }
    const std::string& member(const std::string& name) { return m_[name]; }

private:
    static std::string Unescape(std::string s) {
        for (const auto& [from, to] : {std::pair<std::string, std::string>{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}}) {
            for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at)) {
                s.replace(at, from.size(), to);
            }
        }
        return s;
    }
    std::map<std::string, std::string> m_;
    std::vector<std::string> strings_;
};

class WorkbookTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = ::testing::TempDir() + "halvo_workbook_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".xlsx";
        std::filesystem::remove(path);
    }
    void TearDown() override { std::filesystem::remove(path); }

    Workbook write(const ReportSources& sources) {
        std::string error;
        EXPECT_TRUE(SaveReportFile(path, ReportForm::Workbook, sources, &error)) << error;
        std::string zip;
        EXPECT_TRUE(ReadWholeFile(path, zip, &error)) << error;
        auto members = test::ReadZip(zip);
        EXPECT_TRUE(members.has_value());
        return Workbook(members.value_or(std::map<std::string, std::string>{}));
    }

    std::string path;
    test::RecordingSink sink;
    CMeasure page{sink};
    MeasurementResults results;
    TableControl whiteList;
    CountingPainter painter;
};

TEST_F(WorkbookTest, SheetsCellsMergesAndPictures) {
    page.onColorSpaceToggled(true);
    for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
        page.onColorSpaceBoxToggled(cs, cs == 1 || cs == 4);
    }
    test::MeasureColorSpace(page, results, 1);
    test::MeasureColorSpace(page, results, 4, 0.002);
    ReportSources sources{page, results, {}, "VRL000001", whiteList, "180", &painter};
    sources.header.date = "03/14/2025 09:26:53";
    sources.header.calibrationId = "VRL000001";
    sources.header.versionMajor = 8;
    Workbook book = write(sources);

    const std::string& workbook = book.member("xl/workbook.xml");
    EXPECT_NE(workbook.find("<sheet name=\"Measure\" sheetId=\"1\""), std::string::npos) << workbook;
    EXPECT_NE(workbook.find("<sheet name=\"BT.709\" sheetId=\"2\""), std::string::npos);
    EXPECT_NE(workbook.find("<sheet name=\"NTSC\" sheetId=\"3\""), std::string::npos);
    EXPECT_EQ(book.count("xl/workbook.xml", "<sheet name="), 3);
    // Print areas: the summary rows 0..77, the detail sheets down to the lower pictures.
    EXPECT_NE(workbook.find("Measure!$A$1:$J$78"), std::string::npos);
    EXPECT_NE(workbook.find("BT.709!$A$1:$J$75"), std::string::npos);

    EXPECT_EQ(book.cell(1, "B3"), "Data");
    EXPECT_EQ(book.cell(1, "D3"), "03/14/2025 09:26:53");
    EXPECT_EQ(book.cell(1, "D6"), "VRL000001");
    EXPECT_EQ(book.cell(1, "C9"), "Luminance of White");
    EXPECT_EQ(book.cell(1, "F9"), "100cd/\u33A1\u00B120%  (80~120)");
    EXPECT_EQ(book.cell(1, "I13"), "0.1200");
    EXPECT_EQ(book.cell(1, "J13"), "OK");
    EXPECT_EQ(book.cell(1, "J22"), "N/A");  // Native was not measured
    EXPECT_EQ(book.cell(1, "E50"), "NTSC");
    EXPECT_EQ(book.cell(1, "B71"), "Tintara- V8.0");
    EXPECT_TRUE(book.merged(1, "B3:C3"));
    EXPECT_TRUE(book.merged(1, "D3:F3"));
    EXPECT_TRUE(book.merged(1, "C9:D12"));
    EXPECT_TRUE(book.merged(1, "G9:H9"));
    EXPECT_TRUE(book.merged(1, "E14:E15"));

    EXPECT_EQ(book.cell(2, "B9"), "Gamut (%)");
    EXPECT_EQ(book.cell(2, "B39"), "Y Intensity vs video level(Gamma)");
    EXPECT_EQ(book.cell(3, "G58"), "CIE 1976 chart(u'v' Plot)");
    EXPECT_TRUE(book.merged(2, "B39:F39"));
    EXPECT_TRUE(book.merged(2, "G58:J58"));

    // Four pictures per detail sheet, rendered in memory, one per chart kind.
    EXPECT_EQ(book.count("xl/drawings/drawing1.xml", "<xdr:pic>"), 4);
    EXPECT_EQ(book.count("xl/drawings/drawing2.xml", "<xdr:pic>"), 4);
    ASSERT_EQ(painter.scenes.size(), 8u);
    EXPECT_EQ(painter.scenes[0].colorSpace, 1);
    EXPECT_EQ(painter.scenes[0].kind, kChartLuminance);
    EXPECT_EQ(painter.scenes[3].kind, kChartUv);
    EXPECT_EQ(painter.scenes[4].colorSpace, 4);
    EXPECT_EQ(painter.scenes[4].series.gamma.size(), 11u);
    // No picture ever goes through a file of the working directory.
    EXPECT_FALSE(std::filesystem::exists("temp.png"));

    // The fills of the classic palette and the title font.
    const std::string& styles = book.member("xl/styles.xml");
    EXPECT_NE(styles.find("FFCCFFCC"), std::string::npos);
    EXPECT_NE(styles.find("FFCCFFFF"), std::string::npos);
    EXPECT_NE(styles.find("FFFFFFCC"), std::string::npos);
    EXPECT_NE(styles.find("Arial Black"), std::string::npos);
}

TEST_F(WorkbookTest, WithoutAPainterTheSheetsKeepTheirPlacesEmpty) {
    test::MeasureColorSpace(page, results, 0);
    const ReportSources sources{page, results, {}, "VRL1", whiteList, "", nullptr};
    Workbook book = write(sources);
    EXPECT_EQ(book.count("xl/workbook.xml", "<sheet name="), 2);
    EXPECT_EQ(book.cell(2, "B39"), "Y Intensity vs video level(Gamma)");
    EXPECT_TRUE(book.member("xl/drawings/drawing1.xml").empty());
}

TEST_F(WorkbookTest, AWorkbookThatCannotBeWrittenLeavesThePreviousFile) {
    test::MeasureColorSpace(page, results, 0);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "previous", &error));
    // A sheet name the format refuses fails the book before anything is put in place.
    ReportBook book = BuildReportFor({page, results, {}, "VRL1", whiteList, "", nullptr});
    book.sheets[1].name = "bad[name]";
    EXPECT_FALSE(WriteReportWorkbook(book, path, nullptr, &error));
    EXPECT_FALSE(error.empty());
    std::string content;
    ASSERT_TRUE(ReadWholeFile(path, content, &error));
    EXPECT_EQ(content, "previous");
}

}  // namespace
}  // namespace halvo
