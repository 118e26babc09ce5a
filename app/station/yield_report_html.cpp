// The report as one HTML page with inline SVG charts: no script, no font, no link, so it
// opens the same in any browser without a network.
#include <algorithm>
#include <cstdio>

#include "app/station/yield.h"
#include "app/station/yield_report.h"

namespace zentho::cli {
namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// A bar's value as it is read: a percentage to one decimal, a count whole.
std::string Value(double value, const std::string& unit) {
  return unit.empty() ? std::to_string(static_cast<long long>(value)) : Number(value) + unit;
}

// A bar chart: one bar per (label, value), value axis from 0 to `top`.
std::string BarChart(const std::string& title, const std::vector<std::pair<std::string, double>>& bars,
                     double top, const std::string& unit, const char* colour) {
  constexpr double kHeight = 160;
  constexpr double kBar = 72;
  constexpr double kGap = 24;
  constexpr double kTop = 20;  // room for the tallest bar's value
  const double width = 40 + static_cast<double>(bars.size()) * (kBar + kGap);
  std::string svg = "<figure><figcaption>" + Escaped(title) + "</figcaption>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    Number(width) + "\" height=\"" + Number(kTop + kHeight + 60) + "\" role=\"img\" aria-label=\"" +
                    Escaped(title) + "\">\n<g transform=\"translate(0 " + Number(kTop) + ")\">\n<line x1=\"30\" y1=\"" + Number(kHeight + 10) + "\" x2=\"" + Number(width) +
                    "\" y2=\"" + Number(kHeight + 10) + "\" stroke=\"#555\"/>\n";
  double x = 40;
  for (const auto& [label, value] : bars) {
    const double height = top <= 0 ? 0 : kHeight * value / top;
    const double y = kHeight + 10 - height;
    svg += "<rect x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" + Number(kBar) + "\" height=\"" +
           Number(height) + "\" fill=\"" + colour + "\"><title>" + Escaped(label) + ": " + Value(value, unit) +
           "</title></rect>\n";
    svg += "<text x=\"" + Number(x + kBar / 2) + "\" y=\"" + Number(y - 4) + "\" text-anchor=\"middle\">" +
           Value(value, unit) + "</text>\n";
    svg += "<text x=\"" + Number(x + kBar / 2) + "\" y=\"" + Number(kHeight + 28) +
           "\" text-anchor=\"middle\" font-size=\"11\">" + Escaped(label) + "</text>\n";
    x += kBar + kGap;
  }
  return svg + "</g></svg></figure>\n";
}

std::string Table(const std::string& title, const std::vector<YieldRow>& rows) {
  std::string html = "<table><caption>" + Escaped(title) +
                     "</caption>\n<tr><th>name</th><th>passed</th><th>failed</th><th>yield</th></tr>\n";
  for (const YieldRow& row : rows) {
    html += "<tr><td>" + Escaped(row.name) + "</td><td>" + std::to_string(row.passed) + "</td><td>" +
            std::to_string(row.failed) + "</td><td>" + Escaped(FormatYield(row.passed, row.failed)) + "</td></tr>\n";
  }
  return html + "</table>\n";
}

}  // namespace

std::string YieldReportHtml(const YieldReport& report) {
  std::vector<std::pair<std::string, double>> hours;
  for (const YieldRow& row : report.byHour) {
    const unsigned sessions = row.passed + row.failed;
    hours.emplace_back(row.name.size() > 11 ? row.name.substr(5) : row.name,
                       sessions == 0 ? 0 : 100.0 * row.passed / sessions);
  }
  std::vector<std::pair<std::string, double>> slots;
  double most = 1;
  for (const YieldRow& row : report.bySlot) {
    slots.emplace_back(row.name, row.failed);
    most = std::max(most, static_cast<double>(row.failed));
  }
  const YieldRow& t = report.total;
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>zentho-iap yield report</title>\n"
      "<style>body{font-family:sans-serif;margin:2em;color:#222}figure{display:inline-block;margin:0 2em 1em 0}"
      "figcaption,caption{font-weight:bold;text-align:left;margin-bottom:.3em}table{border-collapse:collapse;"
      "margin:0 2em 1.5em 0;display:inline-table;vertical-align:top}td,th{border:1px solid #bbb;padding:.2em .6em;"
      "text-align:left}svg text{font-size:12px}</style></head><body>\n<h1>Yield report</h1>\n<p id=\"total\">" +
      std::to_string(t.passed + t.failed) + " sessions: " + std::to_string(t.passed) + " passed, " +
      std::to_string(t.failed) + " failed, yield " + Escaped(FormatYield(t.passed, t.failed)) + "</p>\n";
  if (report.sameSessionTwice != 0) html += "<p id=\"repeats\">" + Escaped(SameSessionTwiceNote(report)) + "</p>\n";
  html += BarChart("Yield per hour (UTC)", hours, 100, " %", "#2e7d32");
  html += BarChart("Failures per slot", slots, most, "", "#c62828");
  html += "<div>\n" + Table("Job / lot", report.byJob) + Table("Station slot", report.bySlot) +
          Table("Hour (UTC)", report.byHour) + "</div>\n";
  html += "<table><caption>Failures by failing line</caption>\n<tr><th>count</th><th>line</th></tr>\n";
  for (const auto& [line, count] : report.failures) {
    html += "<tr><td>" + std::to_string(count) + "</td><td>" + Escaped(line) + "</td></tr>\n";
  }
  html += "</table>\n<table><caption>Boards that passed more than once</caption>\n<tr><th>serial</th><th>passes</th></tr>\n";
  for (const auto& [serial, count] : report.repeated) {
    html += "<tr><td>" + Escaped(serial) + "</td><td>" + std::to_string(count) + "</td></tr>\n";
  }
  if (report.repeated.empty()) html += "<tr><td colspan=\"2\">none</td></tr>\n";
  return html + "</table>\n</body></html>\n";
}

}  // namespace zentho::cli
