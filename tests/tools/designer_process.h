#pragma once

// Runs kelvara-design with arguments and reads its output back: JSON, and
// the CSV of --curve parsed into exact doubles.

#include <QProcess>
#include <QStringList>
#include <charconv>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "engine/design_types.h"

namespace kelvara::tools {

/// The keys of a JSON object, in its order.
inline std::vector<std::string> Keys(const nlohmann::json& j) {
  std::vector<std::string> keys;
  for (auto it = j.begin(); it != j.end(); ++it) keys.push_back(it.key());
  return keys;
}

/// The part values of the tool's "r" and "c" arrays.
inline engine::ComponentSet PartsOf(const nlohmann::json& j) {
  engine::ComponentSet parts;
  for (int i = 0; i < 8; ++i) {
    parts.r[i] = j["r"][i].get<double>();
    parts.c[i] = j["c"][i].get<double>();
  }
  return parts;
}

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline Outcome RunDesigner(const std::vector<std::string>& arguments) {
  QStringList list;
  for (const std::string& a : arguments) list << QString::fromStdString(a);
  QProcess process;
  process.start(QStringLiteral(KELVARA_DESIGN_EXE), list);
  Outcome run;
  if (!process.waitForFinished(60000)) return run;
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput().toStdString();
  run.err = process.readAllStandardError().toStdString();
  return run;
}

struct CsvCurve {
  std::string header;
  std::vector<double> x;
  std::vector<double> y;
  bool ok = true;  // every line two numbers that read completely
};

inline double ReadDouble(const std::string& text, bool& ok) {
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) ok = false;
  return v;
}

inline CsvCurve ParseCurve(const std::string& csv) {
  CsvCurve c;
  std::istringstream in(csv);
  std::getline(in, c.header);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t comma = line.find(',');
    if (comma == std::string::npos) {
      c.ok = false;
      continue;
    }
    c.x.push_back(ReadDouble(line.substr(0, comma), c.ok));
    c.y.push_back(ReadDouble(line.substr(comma + 1), c.ok));
  }
  return c;
}

}  // namespace kelvara::tools
