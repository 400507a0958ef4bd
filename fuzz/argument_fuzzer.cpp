// Random command lines for kelvara-design, run in-process (DesignerMain)
// under the sanitizers. The options and their choices are read from the
// tool's own --help at start, so options added later are fuzzed too. Each
// pair of input bytes picks an option and a value: one of its choices, a
// value from a list of awkward texts, a file name in a private folder on a
// RAM disk, or raw input bytes; written as "--name value" or "--name=value".
// The values of the options that set the amount of work (trials, points,
// threads) are drawn from small lists, so every run stays short.
//
// Checks besides crashes and sanitizer reports: the exit status is 0..3; a
// usage error (2) prints nothing on standard output and writes no file; no
// file whose name begins with "--" is ever made (an option is never taken
// as a value).
//
//   mkdir -p corpus/arguments && build-fuzz/fuzz/argument_fuzzer corpus/arguments -timeout=25

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "storage/design_file.h"
#include "tools/designer/designer_main.h"
#include "values/sheet_record.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

struct Option {
  std::string name;
  bool takesValue = false;
  std::vector<std::string> choices;  // from "TEXT:{a,b,c}"
};

// Runs the tool with `words` (without the program name); standard output
// and error are collected.
int RunTool(const std::vector<std::string>& words, std::string& out, std::string& err) {
  std::vector<std::string> storage = {"kelvara-design"};
  storage.insert(storage.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& w : storage) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::ostringstream outStream;
  std::ostringstream errStream;
  std::streambuf* const oldOut = std::cout.rdbuf(outStream.rdbuf());
  std::streambuf* const oldErr = std::cerr.rdbuf(errStream.rdbuf());
  const int status = kelvara::tools::DesignerMain(static_cast<int>(storage.size()), argv.data());
  std::cout.rdbuf(oldOut);
  std::cerr.rdbuf(oldErr);
  out = outStream.str();
  err = errStream.str();
  return status;
}

// The options of --help: "  --name TYPE:{a,b} ..." takes a value.
std::vector<Option> ReadOptions() {
  std::string help;
  std::string err;
  Require(RunTool({"--help"}, help, err) == 0);
  std::vector<Option> options;
  std::istringstream in(help);
  for (std::string line; std::getline(in, line);) {
    std::size_t start = line.find("--");
    // An option line: spaces (and "-h,") before the long name.
    if (start == std::string::npos || line.substr(0, start).find_first_not_of(" -h,") != std::string::npos) continue;
    const std::size_t end = line.find(' ', start);
    Option option;
    option.name = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (option.name == "--help" || option.name == "--version") continue;
    if (end != std::string::npos && end + 1 < line.size() && line[end + 1] >= 'A' && line[end + 1] <= 'Z' &&
        line.compare(end + 1, 6, "Needs:") != 0 && line.compare(end + 1, 9, "Excludes:") != 0) {
      option.takesValue = true;
      const std::size_t open = line.find(":{", end);
      const std::size_t close = line.find('}', end);
      if (open != std::string::npos && close != std::string::npos && open < close) {
        std::string list = line.substr(open + 2, close - open - 2);
        std::size_t from = 0;
        for (std::size_t comma; (comma = list.find(',', from)) != std::string::npos; from = comma + 1)
          option.choices.push_back(list.substr(from, comma - from));
        option.choices.push_back(list.substr(from));
      }
    }
    options.push_back(option);
  }
  Require(options.size() >= 30);
  return options;
}

// Values of the options that set how much work a run does: small, or
// beyond the bounds (refused at once).
const std::map<std::string, std::vector<std::string>> kWorkValues = {
    {"--monte-carlo", {"100", "137", "200", "0", "99", "100001", "-1", "1e3", "2147483648"}},
    {"--points", {"1", "2", "3", "17", "146", "0", "1000001", "-5", "99999999999"}},
    {"--threads", {"1", "2", "0", "257"}},
    {"--stop-after", {"1", "2", "5", "80", "0", "-1", "2147483647"}},
};

const std::vector<std::string> kTexts = {
    "",
    "0",
    "1",
    "-1",
    "2",
    "8",
    "9",
    "1k",
    "4.7k",
    "100M",
    "100.1M",
    "1e308",
    "1e-320",
    "nan",
    "inf",
    "1kHz",
    "4.7K",
    "abc",
    "1,2,3,4",
    "700,1,3k,40",
    "0.5,10k,500,3",
    "3k,1,700,40",
    "1k,0,2k,1",
    "R1=1M",
    "C6=1u",
    "R5=1M",
    "C1=100p",
    "R3=0.1",
    "R9=1",
    "X1=3",
    "R1",
    "=",
    "--",
    "--json",
    "-1e3",
    "0.001",
    "1G",
    "1m",
    "10p",
    "1000u",
    "E12",
    "default",
    "\xff\xfe",
    "1 k",
};

const std::vector<std::string> kFiles = {
    "out.zdn", "out.cir", "out.csv", "sheet.zdn", "missing.zdn", "sub", "sub/inner.zdn", "sub/", "/proc/version", "",
};

// The private folder on a RAM disk (or the temporary folder) the runs work in.
std::string MakeFolder() {
  std::string base = "/dev/shm";
  if (access(base.c_str(), W_OK) != 0) base = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
  std::string folder = base + "/kelvara-argument-fuzzer-XXXXXX";
  Require(mkdtemp(folder.data()) != nullptr);
  return folder;
}

bool FileNameBeginsWithDashes(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return false;
  bool found = false;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '-' && entry->d_name[1] == '-') found = true;
  }
  closedir(dir);
  return found;
}

std::size_t EntryCount(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return 0;
  std::size_t count = 0;
  while (readdir(dir) != nullptr) ++count;
  closedir(dir);
  return count;
}

struct Setup {
  std::vector<Option> options;
  std::string folder;
  std::vector<std::string> files;  // kFiles in the folder
};

const Setup& TheSetup() {
  static const Setup setup = [] {
    Setup s;
    // No chdir: libFuzzer writes the corpus through the paths it was given.
    s.folder = MakeFolder();
    Require(mkdir((s.folder + "/sub").c_str(), 0700) == 0);
    Require(!kelvara::storage::WriteSheetFile(QString::fromStdString(s.folder + "/sheet.zdn"),
                                              kelvara::values::DefaultSheetRecord()));
    for (const std::string& name : kFiles)
      s.files.push_back(name.empty() || name[0] == '/' ? name : s.folder + "/" + name);
    s.options = ReadOptions();
    return s;
  }();
  return setup;
}

bool IsFileOption(const std::string& name) {
  return name == "--out" || name == "--sheet" || name == "--spice" || name == "--bom";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Setup& setup = TheSetup();
  std::vector<std::string> words;
  std::size_t i = 0;
  auto next = [&]() -> unsigned { return i < size ? data[i++] : 0; };
  while (i + 1 < size && words.size() < 40) {
    const unsigned pick = next();
    const unsigned how = next();
    if (pick == 255) {  // a raw word from the input, up to a zero byte
      std::string raw;
      while (i < size && data[i] != 0 && raw.size() < 64) raw += static_cast<char>(data[i++]);
      ++i;
      words.push_back(raw);
      continue;
    }
    const Option& option = setup.options[pick % setup.options.size()];
    if (!option.takesValue || how % 16 == 15) {  // a flag, or an option without its value
      words.push_back(option.name + (option.takesValue && how & 16 ? "=" : ""));
      continue;
    }
    std::string value;
    const unsigned v = next();
    if (const auto work = kWorkValues.find(option.name); work != kWorkValues.end()) {
      value = work->second[v % work->second.size()];
    } else if (IsFileOption(option.name)) {
      value = setup.files[v % setup.files.size()];
    } else if (!option.choices.empty() && v < 160) {
      value = option.choices[v % option.choices.size()];
    } else {
      value = kTexts[v % kTexts.size()];
    }
    if (how & 1) {
      words.push_back(option.name + "=" + value);
    } else {
      words.push_back(option.name);
      words.push_back(value);
    }
  }
  // Most runs are asked for a design: the cut-off first, unless a byte says not.
  if (size > 0 && data[0] % 4 != 0) words.insert(words.begin(), {"--cutoff", "1k"});

  // Files are named in the private folder; a value taken from a wrong word
  // would make one in the working folder.
  const std::size_t entriesBefore = EntryCount(setup.folder) + EntryCount(".");
  std::string out;
  std::string err;
  const int status = RunTool(words, out, err);
  Require(status >= 0 && status <= 3);
  if (status == 2) {
    Require(out.empty());
    Require(EntryCount(setup.folder) + EntryCount(".") == entriesBefore);
  }
  // A file named "--..." only where a word asked for one ("--spice=--x").
  bool asked = false;
  for (const std::string& w : words) asked = asked || w.find("=--") != std::string::npos;
  if (!asked) Require(!FileNameBeginsWithDashes(setup.folder) && !FileNameBeginsWithDashes("."));
  return 0;
}
