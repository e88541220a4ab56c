#include "driver/e2e_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>

Scratch::~Scratch() {
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

std::string readerLines(long vars, long nary, long binary, long alternations, long nonBinary, const std::string& avg,
                        bool noGaps) {
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "c Inital problem has %ld variables, %ld nary clauses (%ld binary clauses), %ld Quantifier "
                "Alternations.\nc Num non-binary clauses %ld, Average non-binary clause length %s\n",
                vars, nary, binary, alternations, nonBinary, avg.c_str());
  return std::string(buf) + (noGaps ? "c Theory has no gaps\n" : "");
}

std::string outputLine(const std::string& outName) { return "\nc Outputting reduced theory to file " + outName + ".\n"; }

namespace {

std::string regexEscape(const std::string& s) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(s, special, R"(\$&)");
}

const char* const kTime = "[0-9]+\\.[0-9]{3}";

}  // namespace

void expectRun(const RunResult& r, const std::string& dir, const Expected& e, const std::vector<std::string>& inputs) {
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, e.status) << "stdout:\n" << r.out;
  // Progress lines (-v) aside, nothing else may be written to stderr.
  EXPECT_EQ(std::regex_replace(r.err, std::regex("c \\[qshrink\\][^\n]*\n"), ""), e.err)
      << "nothing else may be written to stderr (sanitizer report?)";
  std::vector<std::string> files = inputs;
  if (e.word.empty()) {
    EXPECT_EQ(r.out, e.out);
  } else {
    size_t cut = r.out.rfind('\n', r.out.size() >= 2 ? r.out.size() - 2 : 0);
    cut = cut == std::string::npos ? 0 : cut + 1;
    EXPECT_EQ(r.out.substr(0, cut), e.out);
    EXPECT_TRUE(std::regex_match(r.out.substr(cut), std::regex(std::string(kTime) + " " + e.word + " \n")))
        << "summary line: [" << r.out.substr(cut) << "]";
    EXPECT_EQ(readFile(dir + "/result1"), e.word);
    std::string code = e.word == "UNSAT" ? "0" : "-1";
    std::string record = readFile(dir + "/preprocessor_b.dat");
    EXPECT_TRUE(std::regex_match(record, std::regex(regexEscape(e.recordName) + "," + code + "," + e.counts +
                                                    ",0,0,0," + kTime + "\n")))
        << "record: [" << record << "]";
    files.push_back("result1");
    files.push_back("preprocessor_b.dat");
  }
  if (!e.outName.empty()) {
    EXPECT_EQ(readFile(dir + "/" + e.outName), e.outText);
    files.push_back(e.outName);
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(listDir(dir), files);
}

Expected unknownRun(const std::string& readerText, const std::string& output, const std::string& counts,
                    const std::string& name) {
  Expected e;
  size_t dot = name.rfind('.');
  e.outName = (dot == std::string::npos ? name : name.substr(0, dot)) + "_outOrig.qdimacs";
  e.out = readerText + outputLine(e.outName);
  e.word = "UNKNOWN";
  e.outText = output;
  e.recordName = name;
  e.counts = counts;
  return e;
}

Expected unsatRun(const std::string& out, const std::string& counts, const std::string& name) {
  Expected e;
  e.out = out;
  e.word = "UNSAT";
  e.recordName = name;
  e.counts = counts;
  return e;
}

Expected unsatAtRead(const std::string& name) {
  Expected e;
  e.word = "UNSAT";
  e.recordName = name;
  e.counts = "0,0,0";
  return e;
}

Expected failedRun(const std::string& out, const std::string& err) {
  Expected e;
  e.status = 1;
  e.out = out;
  e.err = err;
  return e;
}

std::string maskTime(const std::string& out) {
  static const std::regex time(std::string("(^|\n)") + kTime + " (UNKNOWN|UNSAT) \n$");
  return std::regex_replace(out, time, "$1T $2 \n");
}

std::string toCrlf(const std::string& text) {
  std::string s;
  for (char c : text) {
    if (c == '\n') s += '\r';
    s += c;
  }
  return s;
}

void checkTextCase(const TextCase& c, bool crlf) {
  Scratch s;
  RunResult r = runOnText(crlf ? toCrlf(c.input) : c.input, s.dir);
  expectRun(r, s.dir, c.expected, {"f.qdimacs"});
}
