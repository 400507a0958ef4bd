#include "app/analysis/analysis_export.h"

#include <QSaveFile>
#include <charconv>
#include <cmath>

#include "app/analysis/analysis_texts.h"

namespace kelvara::app {
namespace {

std::string Optional(const std::optional<double>& v) { return v ? ExactNumber(*v) : std::string(); }

// A field with a comma or quote in quotes, quotes doubled.
std::string Field(const std::string& text) {
  if (text.find_first_of(",\"\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

}  // namespace

std::string ExactNumber(double value) {
  if (!std::isfinite(value)) return {};
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, result.ptr);
}

std::string CurveCsv(const char* header, const response::Curve& curve) {
  std::string out = std::string(header) + "\r\n";
  for (std::size_t i = 0; i < curve.x.size() && i < curve.y.size(); ++i) {
    out += ExactNumber(curve.x[i]) + ',' + ExactNumber(curve.y[i]) + "\r\n";
  }
  return out;
}

std::string PolesCsv(const std::vector<response::StagePoles>& poles) {
  std::string out = "stage,real_rad_s,imag_rad_s\r\n";
  for (const auto& sp : poles) {
    for (int i = 0; i < sp.count; ++i) {
      out +=
          std::to_string(sp.stage + 1) + ',' + ExactNumber(sp.p[i].real()) + ',' + ExactNumber(sp.p[i].imag()) + "\r\n";
    }
  }
  return out;
}

std::string TableCsv(const response::AnalysisViews& views, double cutoffHz, bool hpf) {
  std::string out =
      "段,次数,部品,目標 f0[Hz],目標 Q,実現 f0[Hz],実現 Q,f0 誤差[%],Q 誤差[%],ピーク[dB],ピーク周波数[Hz],"
      "C比 / R比,注意\r\n";
  for (const response::StageEvaluation& row : views.stages) {
    std::string parts;
    for (std::size_t i = 0; i < row.parts.size(); ++i) parts += (i ? ", " : "") + row.parts[i];
    std::string marks;
    for (const response::RangeMark& m : row.marks) {
      marks += (marks.empty() ? "" : " / ") + m.part + ' ' + response::RangeReason(m.issue);
    }
    out += std::to_string(row.stage) + ',' + std::to_string(row.order) + ',' + Field(parts) + ',' +
           ExactNumber(row.f0TargetHz) + ',' + Optional(row.qTarget) + ',' + ExactNumber(row.f0Hz) + ',' +
           Optional(row.q) + ',' + Optional(row.f0ErrorPct) + ',' + Optional(row.qErrorPct) + ',' +
           ExactNumber(row.peak.db) + ',' + Optional(row.peak.hz) + ',' + Optional(row.ratio) + ',' + Field(marks) +
           "\r\n";
  }
  const response::ResponseSummary& s = views.summary;
  out += "\r\n項目,値\r\n";
  out += "要求カットオフ[Hz]," + ExactNumber(cutoffHz) + "\r\n";
  out += "-3dB周波数[Hz]," + ExactNumber(s.minus3dbHz) + "\r\n";
  out += "リプル端[Hz]," + Optional(s.rippleEdgeHz) + "\r\n";
  out += "リプル[dB]," + Optional(s.rippleDb) + "\r\n";
  out += std::string(hpf ? "fc/2" : "2fc") + "での減衰[dB]," + ExactNumber(s.attenuationNearDb) + "\r\n";
  out += std::string(hpf ? "fc/10" : "10fc") + "での減衰[dB]," + ExactNumber(s.attenuationFarDb) + "\r\n";
  out += "オーバーシュート[%]," + ExactNumber(views.overshoot.percent) + "\r\n";
  out += "1%整定時間[s]," + ExactNumber(views.settlingTimeS) + "\r\n";
  out += "0.1%整定時間[s]," + ExactNumber(views.settledSpanS) + "\r\n";
  return out;
}

bool WriteCsvFile(const QString& path, const std::string& csv) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const char bom[] = "\xEF\xBB\xBF";
  if (file.write(bom, 3) != 3) return false;
  if (file.write(csv.data(), static_cast<qint64>(csv.size())) != static_cast<qint64>(csv.size())) return false;
  return file.commit();
}

}  // namespace kelvara::app
