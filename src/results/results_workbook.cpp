#include "results/results_workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "common/file_io.h"
#include "common/text_format.h"

namespace halvo::results {

namespace {

constexpr int kHistogramBins = 12;

struct WorkbookCloser {
    void operator()(lxw_workbook* wb) const {
        if (wb != nullptr) {
            workbook_close(wb);
        }
    }
};

using Row = lxw_row_t;
using Col = lxw_col_t;

lxw_chart* ColumnChart(lxw_workbook* wb, const char* title, const char* xName, const char* yName) {
    lxw_chart* chart = workbook_add_chart(wb, LXW_CHART_COLUMN);
    chart_title_set_name(chart, title);
    chart_axis_set_name(chart->x_axis, xName);
    chart_axis_set_name(chart->y_axis, yName);
    return chart;
}

void AddSeries(lxw_chart* chart, const char* sheet, Row first, Row last, Col categories, Col values, const char* name) {
    lxw_chart_series* s = chart_add_series(chart, nullptr, nullptr);
    chart_series_set_categories(s, sheet, first, categories, last, categories);
    chart_series_set_values(s, sheet, first, values, last, values);
    chart_series_set_name(s, name);
}

void YieldSheet(lxw_workbook* wb, const YieldReport& y, lxw_format* head, lxw_format* percent) {
    const char* name = "Yield per day";
    lxw_worksheet* ws = workbook_add_worksheet(wb, name);
    const char* heads[] = {"Day", "Runs", "Passed", "Pass rate"};
    for (Col c = 0; c < 4; ++c) {
        worksheet_write_string(ws, 0, c, heads[c], head);
    }
    Row r = 1;
    for (const YieldGroup& g : y.groups) {
        worksheet_write_string(ws, r, 0, g.name.c_str(), nullptr);
        worksheet_write_number(ws, r, 1, g.runs, nullptr);
        worksheet_write_number(ws, r, 2, g.passed, nullptr);
        worksheet_write_number(ws, r, 3, g.passRate(), percent);
        ++r;
    }
    worksheet_write_string(ws, r, 0, "All", head);
    worksheet_write_number(ws, r, 1, y.total.runs, head);
    worksheet_write_number(ws, r, 2, y.total.passed, head);
    worksheet_write_number(ws, r, 3, y.total.passRate(), percent);
    worksheet_set_column(ws, 0, 0, 14, nullptr);
    if (y.groups.empty()) {
        return;
    }
    const Row last = static_cast<Row>(y.groups.size());
    lxw_chart* runs = ColumnChart(wb, "Runs per day", "Day", "Runs");
    AddSeries(runs, name, 1, last, 0, 1, "Runs");
    AddSeries(runs, name, 1, last, 0, 2, "Passed");
    worksheet_insert_chart(ws, 1, 5, runs);
    lxw_chart* rate = ColumnChart(wb, "Yield per day", "Day", "Pass rate");
    AddSeries(rate, name, 1, last, 0, 3, "Pass rate");
    chart_axis_set_min(rate->y_axis, 0.0);
    chart_axis_set_max(rate->y_axis, 1.0);
    worksheet_insert_chart(ws, 17, 5, rate);
}

void ParetoSheet(lxw_workbook* wb, const YieldReport& y, lxw_format* head, lxw_format* percent) {
    const char* name = "Failing items";
    lxw_worksheet* ws = workbook_add_worksheet(wb, name);
    const char* heads[] = {"Item", "Times out of range", "Cumulative share"};
    for (Col c = 0; c < 3; ++c) {
        worksheet_write_string(ws, 0, c, heads[c], head);
    }
    int64_t all = 0;
    for (const ItemCount& i : y.failingItems) {
        all += i.count;
    }
    int64_t running = 0;
    Row r = 1;
    for (const ItemCount& i : y.failingItems) {
        running += i.count;
        std::string label = i.test;
        for (const std::string* part : {&i.item, &i.quantity}) {
            if (!part->empty() && *part != " ") {
                label += " " + *part;
            }
        }
        worksheet_write_string(ws, r, 0, label.c_str(), nullptr);
        worksheet_write_number(ws, r, 1, static_cast<double>(i.count), nullptr);
        worksheet_write_number(ws, r, 2, static_cast<double>(running) / static_cast<double>(all), percent);
        ++r;
    }
    worksheet_set_column(ws, 0, 0, 40, nullptr);
    worksheet_set_column(ws, 1, 2, 18, nullptr);
    if (y.failingItems.empty()) {
        worksheet_write_string(ws, 1, 0, "No item was out of range.", nullptr);
        return;
    }
    // The twenty most frequent carry the chart; the table holds them all.
    const Row last = static_cast<Row>(std::min<size_t>(y.failingItems.size(), 20));
    lxw_chart* pareto = ColumnChart(wb, "Pareto of failing items", "Item", "Times out of range");
    AddSeries(pareto, name, 1, last, 0, 1, "Times out of range");
    worksheet_insert_chart(ws, 1, 4, pareto);
    lxw_chart* share = workbook_add_chart(wb, LXW_CHART_LINE);
    chart_title_set_name(share, "Cumulative share of failures");
    AddSeries(share, name, 1, last, 0, 2, "Cumulative share");
    chart_axis_set_min(share->y_axis, 0.0);
    chart_axis_set_max(share->y_axis, 1.0);
    worksheet_insert_chart(ws, 17, 4, share);
}

void DistributionBlock(lxw_workbook* wb, lxw_worksheet* ws, const char* sheet, Col col, const char* title,
                  const std::vector<double>& values, lxw_format* head, lxw_format* fixed) {
    const Histogram h = MakeHistogram(values, kHistogramBins);
    const Distribution d = Describe(values);
    worksheet_write_string(ws, 0, col, title, head);
    worksheet_write_string(ws, 1, col, "Runs", nullptr);
    worksheet_write_number(ws, 1, col + 1, d.count, nullptr);
    worksheet_write_string(ws, 2, col, "Median", nullptr);
    worksheet_write_number(ws, 2, col + 1, d.median, fixed);
    worksheet_write_string(ws, 3, col, "95th percentile", nullptr);
    worksheet_write_number(ws, 3, col + 1, d.p95, fixed);
    worksheet_write_string(ws, 5, col, "From", head);
    worksheet_write_string(ws, 5, col + 1, "Runs", head);
    for (size_t i = 0; i < h.counts.size(); ++i) {
        const Row r = static_cast<Row>(6 + i);
        worksheet_write_number(ws, r, col, h.lowerEdges[i], fixed);
        worksheet_write_number(ws, r, col + 1, h.counts[i], nullptr);
    }
    if (h.counts.empty()) {
        return;
    }
    lxw_chart* chart = ColumnChart(wb, title, "From", "Runs");
    AddSeries(chart, sheet, 6, static_cast<Row>(5 + h.counts.size()), col, col + 1, "Runs");
    worksheet_insert_chart(ws, 20, col, chart);
}

void RunsSheet(lxw_workbook* wb, const std::vector<RunRecord>& runs, lxw_format* head, lxw_format* fixed) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Runs");
    const char* heads[] = {"Started (UTC)", "Station", "Operator", "Kind",     "S/N",  "Calibration ID", "Model",
                           "Outcome",       "Passed",  "White \xCE\x94u'v'", "Gamma error", "Run ID"};
    for (Col c = 0; c < 12; ++c) {
        worksheet_write_string(ws, 0, c, heads[c], head);
    }
    Row r = 1;
    for (const RunRecord& run : runs) {
        const std::string texts[] = {run.startedAt, run.station,       run.operatorName,         RunKindName(run.kind),
                                     run.serialNumber, run.calibrationId, run.model,          RunOutcomeName(run.outcome),
                                     run.passed ? "yes" : "no"};
        for (Col c = 0; c < 9; ++c) {
            worksheet_write_string(ws, r, c, texts[c].c_str(), nullptr);
        }
        if (run.whiteDuv) {
            worksheet_write_number(ws, r, 9, *run.whiteDuv, fixed);
        }
        if (run.gammaError) {
            worksheet_write_number(ws, r, 10, *run.gammaError, fixed);
        }
        worksheet_write_string(ws, r, 11, run.runId.c_str(), nullptr);
        ++r;
    }
    worksheet_set_column(ws, 0, 0, 24, nullptr);
    worksheet_set_column(ws, 1, 10, 14, nullptr);
    worksheet_set_column(ws, 11, 11, 38, nullptr);
}

}  // namespace

Histogram MakeHistogram(const std::vector<double>& values, int bins) {
    Histogram h;
    if (values.empty() || bins < 1) {
        return h;
    }
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    const double low = *lo;
    // All equal values still make one visible bin.
    h.width = *hi > low ? (*hi - low) / bins : (low != 0.0 ? std::abs(low) * 0.01 : 0.0001);
    const int n = *hi > low ? bins : 1;
    h.counts.assign(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        h.lowerEdges.push_back(low + h.width * i);
    }
    for (const double v : values) {
        const int bin = std::clamp(static_cast<int>((v - low) / h.width), 0, n - 1);
        ++h.counts[static_cast<size_t>(bin)];
    }
    return h;
}

bool WriteResultsWorkbook(const std::string& path, const YieldReport& y, const std::vector<RunRecord>& runs,
                          std::string* error) {
    return WriteFileThroughScratch(path, [&](const std::string& scratch, std::string* failure) {
        std::unique_ptr<lxw_workbook, WorkbookCloser> wb(workbook_new(scratch.c_str()));
        if (!wb) {
            *failure = "cannot create the workbook";
            return false;
        }
        lxw_format* head = workbook_add_format(wb.get());
        format_set_bold(head);
        lxw_format* percent = workbook_add_format(wb.get());
        format_set_num_format(percent, "0.0%");
        lxw_format* fixed = workbook_add_format(wb.get());
        format_set_num_format(fixed, "0.0000");
        YieldSheet(wb.get(), y, head, percent);
        ParetoSheet(wb.get(), y, head, percent);
        const char* sheet = "Distributions";
        lxw_worksheet* ws = workbook_add_worksheet(wb.get(), sheet);
        worksheet_set_column(ws, 0, 4, 16, nullptr);
        DistributionBlock(wb.get(), ws, sheet, 0, "White \xCE\x94u'v' (6500K)", y.whiteDuvs, head, fixed);
        DistributionBlock(wb.get(), ws, sheet, 3, "Gamma error", y.gammaErrors, head, fixed);
        RunsSheet(wb.get(), runs, head, fixed);
        const lxw_error rc = workbook_close(wb.release());
        if (rc != LXW_NO_ERROR) {
            *failure = Format("writing the workbook: %s", lxw_strerror(rc));
            return false;
        }
        return true;
    }, error);
}

}  // namespace halvo::results
