// vornel-bench-gen: writes the input files of `make bench` into a work folder,
// the same bytes on every run (fixed seed, own random generator, no library
// distribution whose output could change between standard libraries).
//
//   vornel-bench-gen OUTDIR     writes the files listed below into OUTDIR
//   vornel-bench-gen --version  prints the generator version; bench/run
//                               regenerates when it differs from the manifest
//
// Files written (each to a temporary name first, then renamed):
//   tables-10/, tables-1000/, tables-20000/
//       tags.txt and param.txt; a table size of N rows is N/2 tag rows plus
//       N/2 parameter rows, N distinct codes in all. The smaller code sets are
//       subsets of the larger ones, and the ten codes of tables-10 keep the
//       same messages in every size, so every size gives the same report.
//   script.csm       about 2 million lines, about 100 MB, CR LF line ends;
//                    exactly 1% of the lines alert, once each, and a few
//                    more name a listed code where it is not searched
//   stress.csm       the same mix, but every comment, wrong call and other
//                    decoy names a listed code: about 40% of the lines
//   alerts-100k.csm  150,000 lines of which exactly 100,000 alert, once each
//   codes1000.txt    the 1,000 codes of tables-1000, one `"abcd"` per line
//   tree-20000/      20,000 scripts of 1 to 40 KB, about 400 MB, in folders
//                    three deep; 1% of their lines alert
//   tree-2000/       2,000 scripts made the same way
//   empty-20000/     20,000 empty scripts in folders three deep
//   manifest.txt     written last: the generator version and the expected
//                    line and alert counts of the scripts

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

// Bump whenever the bytes written change: bench/run reuses the files of the
// same version and regenerates them otherwise.
constexpr int kGeneratorVersion = 3;
constexpr std::uint64_t kSeed = 0x766f726e656c3031;  // "vornel01"

constexpr std::int64_t kScriptLines = 2'000'000;
constexpr std::int64_t kScriptAlerts = kScriptLines / 100;
constexpr std::int64_t kAlertScriptLines = 150'000;
constexpr std::int64_t kAlertScriptAlerts = 100'000;
constexpr std::array<int, 3> kTableSizes = {10, 1000, 20000};
constexpr int kLargestTable = 20000;
constexpr int kGrepTableSize = 1000;

// splitmix64: small, fast and fully defined by its seed.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // 0 .. n-1; the modulo bias is far below anything the benchmark notices.
  std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
  bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }
  template <typename T, std::size_t N>
  const T& pick(const std::array<T, N>& items) {
    return items[below(N)];
  }
  template <typename T>
  const T& pick(const std::vector<T>& items) {
    return items[below(items.size())];
  }

 private:
  std::uint64_t state_;
};

// Buffered output to `path`.tmp, renamed to `path` by finish().
class OutFile {
 public:
  explicit OutFile(std::filesystem::path path) : path_(std::move(path)) {
    tmp_ = path_;
    tmp_ += ".tmp";
    file_ = std::fopen(tmp_.c_str(), "wb");
    if (!file_) fail("cannot create");
    buffer_.reserve(kFlushAt + 4096);
  }
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;
  ~OutFile() {
    if (file_) std::fclose(file_);
  }

  void add(std::string_view text) {
    buffer_ += text;
    bytes_ += static_cast<std::int64_t>(text.size());
    if (buffer_.size() >= kFlushAt) flush();
  }
  // One table or script line with its CR LF.
  void line(std::string_view text) {
    add(text);
    add("\r\n");
  }
  std::int64_t bytes() const { return bytes_; }

  void finish() {
    flush();
    if (std::fclose(file_) != 0) {
      file_ = nullptr;
      fail("cannot write");
    }
    file_ = nullptr;
    std::error_code ec;
    std::filesystem::rename(tmp_, path_, ec);
    if (ec) fail("cannot rename into place", ec.message().c_str());
  }

 private:
  static constexpr std::size_t kFlushAt = 1 << 20;

  void flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
      fail("cannot write");
    buffer_.clear();
  }
  [[noreturn]] void fail(const char* what, const char* reason = std::strerror(errno)) const {
    std::fprintf(stderr, "vornel-bench-gen: %s: %s: %s\n", tmp_.c_str(), what, reason);
    std::exit(2);
  }

  std::filesystem::path path_;
  std::filesystem::path tmp_;
  std::FILE* file_ = nullptr;
  std::string buffer_;
  std::int64_t bytes_ = 0;
};

// Joins texts. The parts of a braced list are evaluated left to right, so
// the random choices made while building a line come in a fixed order on
// every compiler (function arguments and operator+ operands have none).
std::string cat(std::initializer_list<std::string_view> parts) {
  std::string s;
  for (std::string_view part : parts) s += part;
  return s;
}

std::string inQuotes(std::string_view code) {
  std::string s;
  s.reserve(code.size() + 2);
  s += '"';
  s += code;
  s += '"';
  return s;
}

// ---------------------------------------------------------------- codes

// The ten codes every table size holds; the alerting lines use only these.
struct CoreCode {
  const char* code;
  const char* message;  // as written in the table, quoted when it holds a comma
  const char* note;     // raw for param.txt, a field for tags.txt
};

constexpr std::array<CoreCode, 5> kCoreParams = {{
    {"zmod", "\"Zoom mode zmod resets to optical after a power cycle\"", "range 0, 1 or 2"},
    {"isoa", "\"Auto ISO isoa overrides any fixed ISO, check the order of calls\"",
     "\"auto\", \"low\", \"high\""},
    {"shsp", "\"Shutter speed shsp is ignored in auto exposure\"", "1/8000 to 30 s"},
    {"aprt", "\"Aperture aprt depends on the lens; values out of range are clamped\"",
     "f/1.4 to f/22"},
    {"fcsm", "Focus mode fcsm cannot be changed while recording", ""},
}};

constexpr std::array<CoreCode, 5> kCoreTags = {{
    {"expo", "\"Tag expo is written only after the first frame, so early reads return 0\"", "none"},
    {"flsh", "\"Flash tag flsh is not stored by firmware 2.x\"", "\"since 2.0, before 3.1\""},
    {"gpsl", "\"GPS latitude tag gpsl is empty, indoors or when the receiver is off\"", "privacy"},
    {"ownr", "Owner tag ownr is limited to 31 characters", "none"},
    {"kwds", "\"Keywords tag kwds drops entries after the 16th\"", ""},
}};

struct Codes {
  std::vector<std::string> paramFill;  // extra parameter codes, in table order
  std::vector<std::string> tagFill;    // extra tag codes, in table order
  std::vector<std::string> unlisted;   // in no table of any size
  std::vector<std::string> coreParams;
  std::vector<std::string> coreTags;
  std::vector<std::string> coreAll;
  std::vector<std::string> anyListed;  // every code of the largest tables
};

std::string randomCode(Random& rng, std::string_view alphabet) {
  std::string code(4, ' ');
  for (char& c : code) c = alphabet[rng.below(alphabet.size())];
  return code;
}

Codes makeCodes(Random& rng) {
  Codes c;
  std::unordered_set<std::string> used;
  for (const CoreCode& core : kCoreParams) {
    c.coreParams.emplace_back(core.code);
    used.insert(core.code);
  }
  for (const CoreCode& core : kCoreTags) {
    c.coreTags.emplace_back(core.code);
    used.insert(core.code);
  }
  c.coreAll = c.coreParams;
  c.coreAll.insert(c.coreAll.end(), c.coreTags.begin(), c.coreTags.end());
  constexpr std::string_view kLower = "abcdefghijklmnopqrstuvwxyz";
  const auto fresh = [&](std::string_view alphabet) {
    for (;;) {
      std::string code = randomCode(rng, alphabet);
      if (used.insert(code).second) return code;
    }
  };
  const std::size_t fill = kLargestTable / 2 - kCoreParams.size();
  for (std::size_t i = 0; i < fill; ++i) c.paramFill.push_back(fresh(kLower));
  for (std::size_t i = 0; i < fill; ++i) c.tagFill.push_back(fresh(kLower));
  c.anyListed.assign(used.begin(), used.end());
  std::sort(c.anyListed.begin(), c.anyListed.end());  // set order is not fixed
  // Codes that look like listed ones but are in no table: lower case, and
  // some with digits or capitals that no table code has.
  for (int i = 0; i < 600; ++i) c.unlisted.push_back(fresh(kLower));
  for (int i = 0; i < 100; ++i) c.unlisted.push_back(fresh("abcdefghijklmnopqrstuvwxyz0123456789"));
  for (int i = 0; i < 100; ++i) c.unlisted.push_back(fresh("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij"));
  return c;
}

// ---------------------------------------------------------------- tables

// Rows 0..rows-1 of one table file: the five core codes spread evenly, the
// first rows-5 fill codes in the other places.
template <typename WriteCore, typename WriteFill>
void tableRows(int rows, WriteCore writeCore, WriteFill writeFill) {
  std::size_t nextFill = 0;
  std::size_t nextCore = 0;
  for (int row = 0; row < rows; ++row) {
    const auto coreRow = static_cast<int>((2 * nextCore + 1) * static_cast<std::size_t>(rows) / 10);
    if (nextCore < 5 && row == coreRow) {
      writeCore(nextCore++);
    } else {
      writeFill(nextFill++, row + 1);
    }
  }
}

void writeTables(const std::filesystem::path& dir, int size, const Codes& codes) {
  std::filesystem::create_directories(dir);
  const int rows = size / 2;

  OutFile tags(dir / "tags.txt");
  tableRows(
      rows,
      [&](std::size_t i) {
        const CoreCode& c = kCoreTags[i];
        tags.line(cat({inQuotes(c.code), ",", c.message, ",", c.note}));
      },
      [&](std::size_t i, int row) {
        const std::string& code = codes.tagFill[i];
        const std::string n = std::to_string(row);
        // The three field styles a table may use: all quoted, bare fields,
        // and quoted fields because they hold commas.
        switch (i % 3) {
          case 0:
            tags.line(cat({inQuotes(code), ",\"Tag ", code, " is kept for row ", n, "\",none"}));
            break;
          case 1:
            tags.line(cat({code, ",Tag ", code, " is read only,since ", n}));
            break;
          default:
            tags.line(cat({inQuotes(code), ",\"Tag ", code, ", row ", n,
                           ", is cleared on format\",\"since 1.", n, ", all models\""}));
        }
      });
  tags.finish();

  OutFile param(dir / "param.txt");
  tableRows(
      rows,
      [&](std::size_t i) {
        const CoreCode& c = kCoreParams[i];
        param.line(cat({inQuotes(c.code), ",", c.message, ",", c.note}));
      },
      [&](std::size_t i, int row) {
        const std::string& code = codes.paramFill[i];
        const std::string n = std::to_string(row);
        // The note runs raw to the line end, commas and quotes included.
        switch (i % 3) {
          case 0:
            param.line(
                cat({inQuotes(code), ",\"Parameter ", code, " is clamped to its range\",range 0, ",
                     n, " or ", std::to_string(row * 2)}));
            break;
          case 1:
            param.line(cat({inQuotes(code), ",\"Parameter ", code, " needs a restart, row ", n,
                            "\",\"on\", \"off\""}));
            break;
          default:
            param.line(cat({code, ",Parameter ", code, " is ignored in video mode,"}));
        }
      });
  param.finish();
}

void writeGrepCodes(const std::filesystem::path& path, const Codes& codes) {
  // Exactly the codes of tables-1000, walked the way writeTables() walks them.
  OutFile out(path);
  const int rows = kGrepTableSize / 2;
  tableRows(
      rows,
      [&](std::size_t i) {
        out.add(cat({inQuotes(kCoreTags[i].code), "\n"}));
      },
      [&](std::size_t i, int) {
        out.add(cat({inQuotes(codes.tagFill[i]), "\n"}));
      });
  tableRows(
      rows,
      [&](std::size_t i) {
        out.add(cat({inQuotes(kCoreParams[i].code), "\n"}));
      },
      [&](std::size_t i, int) {
        out.add(cat({inQuotes(codes.paramFill[i]), "\n"}));
      });
  out.finish();
}

// ---------------------------------------------------------------- script lines

constexpr std::array<std::string_view, 6> kParamCalls = {
    "GetCameraState",    "GetParameterState",    "SetCameraState",
    "SetParameterState", "RestoreCameraDefault", "RestoreParameterDefault"};
constexpr std::array<std::string_view, 2> kTagCalls = {"GetFileTag", "SetUserFileTag"};
constexpr std::array<std::string_view, 8> kWrongCase = {
    "getcamerastate", "GETPARAMETERSTATE", "setCameraState",       "Setparameterstate",
    "getfiletag",     "SetUserfileTag",    "restorecameradefault", "RestoreParameterdefault"};
constexpr std::array<std::string_view, 12> kVariables = {
    "zoomLevel", "exposureMode", "ownerName", "frameCount", "frames",     "batteryLevel", "x",
    "t",         "iso_value",    "n2",        "lastResult", "keywordList"};
// Quoted texts that are not codes; none holds "=".
constexpr std::array<std::string_view, 10> kTexts = {"portrait;studio;indoor",
                                                     "done, ",
                                                     " frames",
                                                     "Night timelapse, north window",
                                                     "a",
                                                     "ab",
                                                     "zoom in",
                                                     "my#",
                                                     "f/2.8",
                                                     "ISO 400"};
constexpr std::array<std::string_view, 8> kCommentWords = {
    "zoom mode for the long lens",    "stabiliser on while walking",
    "check the order of these calls", "was",
    "needs firmware 2.1 or later",    "see the manual, chapter 7",
    "old value kept for the archive", "TODO: ask the client"};

std::string_view indent(Random& rng) {
  static constexpr std::array<std::string_view, 8> kIndents = {"",   "",     "",     "",
                                                               "\t", "\t\t", "    ", "  \t "};
  return rng.pick(kIndents);
}

// Spacing inside a statement: mostly none or one space, sometimes runs and tabs.
std::string_view gap(Random& rng) {
  static constexpr std::array<std::string_view, 8> kGaps = {"",  "",   "",   " ",
                                                            " ", "  ", "\t", "   "};
  return rng.pick(kGaps);
}

std::string number(Random& rng) {
  return std::to_string(static_cast<int>(rng.below(250)) - 20);
}

// How often a line that never alerts still names a listed code, per 1,000
// draws: rarely in the main script, as in a real one, and at every chance in
// the stress script, which checks that such decoys stay silent and measures
// what they cost.
struct Decoys {
  int perThousand;
};
constexpr Decoys kFewDecoys{2};
constexpr Decoys kAllDecoys{1000};

// A listed code from `listed` at the decoy rate, else an unlisted one.
const std::string& decoy(Random& rng, const Codes& codes, Decoys decoys,
                         const std::vector<std::string>& listed) {
  return static_cast<int>(rng.below(1000)) < decoys.perThousand ? rng.pick(listed)
                                                                : rng.pick(codes.unlisted);
}

// A trailing comment, sometimes naming listed codes: the comment is cut
// before the search, so they never alert.
std::string trailingComment(Random& rng, const Codes& codes, Decoys decoys) {
  switch (rng.below(4)) {
    case 0:
      return "";
    case 1:
      return cat({"   # ", rng.pick(kCommentWords)});
    case 2:
      return cat({"\t# was ", inQuotes(decoy(rng, codes, decoys, codes.coreAll)),
                  " before the 2.1 update"});
    default:
      return cat({"  # ", rng.pick(kCommentWords), " ",
                  inQuotes(decoy(rng, codes, decoys, codes.anyListed))});
  }
}

std::string callArgs(Random& rng, const std::string& quotedCode) {
  std::string s = cat({"(", gap(rng), quotedCode, gap(rng)});
  const std::size_t more = rng.below(4);
  if (more & 1) s += cat({",", gap(rng), number(rng)});
  if (more & 2) s += cat({",", gap(rng), inQuotes(rng.pick(kTexts))});
  s += cat({gap(rng), ")"});
  return s;
}

// An assignment's left side, "=" and spacing.
std::string assignTo(Random& rng) {
  return cat({rng.pick(kVariables), gap(rng), "=", gap(rng)});
}

// A line that never alerts, whatever the table size.
std::string quietLine(Random& rng, const Codes& codes, Decoys decoys) {
  const std::size_t kind = rng.below(100);
  const std::string unlisted = inQuotes(rng.pick(codes.unlisted));
  if (kind < 26) {  // a call with a code no table holds
    const std::string_view name = rng.chance(75) ? rng.pick(kParamCalls) : rng.pick(kTagCalls);
    return cat({indent(rng), rng.chance(30) ? assignTo(rng) : "", name, callArgs(rng, unlisted),
                trailingComment(rng, codes, decoys)});
  }
  if (kind < 30) {  // a listed code in the other table's call: that table is not searched
    if (rng.chance(50)) {
      return cat({indent(rng), rng.pick(kParamCalls),
                  callArgs(rng, inQuotes(decoy(rng, codes, decoys, codes.coreTags)))});
    }
    return cat({indent(rng), rng.pick(kTagCalls),
                callArgs(rng, inQuotes(decoy(rng, codes, decoys, codes.coreParams)))});
  }
  if (kind < 32) {  // a call name in the wrong case and no "=": nothing is searched
    return cat({indent(rng), rng.pick(kWrongCase),
                callArgs(rng, inQuotes(decoy(rng, codes, decoys, codes.coreAll)))});
  }
  if (kind < 46) {  // assignments without quotes
    const std::string_view v = rng.pick(kVariables);
    switch (rng.below(4)) {
      case 0:
        return cat({indent(rng), v, gap(rng), "=", gap(rng), v, " + 1",
                    trailingComment(rng, codes, decoys)});
      case 1:
        return cat({indent(rng), v, " = ", rng.pick(kParamCalls), "(mode, ", number(rng), ")"});
      case 2:
        return cat({indent(rng), v, "=", number(rng), trailingComment(rng, codes, decoys)});
      default:
        return cat({indent(rng), "if ", v, " = ", number(rng), " then"});
    }
  }
  if (kind < 64) {  // assignments of quoted strings that are not listed codes
    switch (rng.below(6)) {
      case 0:
        return cat({indent(rng), assignTo(rng), inQuotes(rng.pick(kTexts)),
                    trailingComment(rng, codes, decoys)});
      case 1:
        return cat({indent(rng), assignTo(rng), unlisted, " + ", inQuotes(rng.pick(kTexts))});
      case 2: {  // five letters, and a listed code broken by a kept space
        const std::string& a = rng.pick(codes.coreAll);
        const std::string& b = rng.pick(codes.coreAll);
        return cat({indent(rng), assignTo(rng), "\"", a, "x\" + \"", b.substr(0, 2), " ",
                    b.substr(2), "\""});
      }
      case 3:  // a "#" inside the quotes cuts the code off
        return cat(
            {indent(rng), assignTo(rng), "\"my#", decoy(rng, codes, decoys, codes.coreAll), "\""});
      case 4:
        return cat({indent(rng), assignTo(rng), unlisted, trailingComment(rng, codes, decoys)});
      default:
        return cat({indent(rng), assignTo(rng), rng.pick(kTagCalls), "(", unlisted, ")"});
    }
  }
  if (kind < 93) {  // comments, many naming listed codes
    std::string s = cat({indent(rng), "# ", rng.pick(kCommentWords)});
    const std::size_t n = rng.below(5);
    for (std::size_t i = 0; i < n; ++i) {
      s += cat({i == 0 ? " " : ", then ",
                inQuotes(decoy(rng, codes, decoys, i == 0 ? codes.coreAll : codes.anyListed))});
    }
    if (rng.chance(30)) s += cat({"  = ", number(rng)});
    return s;
  }
  // control flow, output and blank lines
  switch (rng.below(10)) {
    case 0:
      return cat({indent(rng), "for i = 1 to ", number(rng)});
    case 1:
      return cat({indent(rng), "next i"});
    case 2:
      return cat({indent(rng), "wait(", number(rng), ")"});
    case 3:
      return cat({indent(rng), "print(\"done, \" + count + \" frames\")"});
    case 4:  // a listed code, but no call name and no "="
      return cat({indent(rng), "print(", inQuotes(decoy(rng, codes, decoys, codes.coreAll)), ")"});
    case 5:
      return "";
    case 6:
      return cat({indent(rng), "end if", gap(rng)});
    default:
      return cat({indent(rng), "print(\"Frame \" + frameCount + \" of \" + ", number(rng),
                  " + \", battery \" + batteryLevel + \"%, zoom \" + zoomLevel)"});
  }
}

// A line that gives exactly one alert in every table size.
std::string alertLine(Random& rng, const Codes& codes, Decoys decoys) {
  const bool param = rng.chance(55);
  const std::string& code = param ? rng.pick(codes.coreParams) : rng.pick(codes.coreTags);
  const std::string q = inQuotes(code);
  const auto call = [&] { return param ? rng.pick(kParamCalls) : rng.pick(kTagCalls); };
  switch (rng.below(10)) {
    case 0:
    case 1:
    case 2:  // the table's own call
      return cat({indent(rng), call(), callArgs(rng, q), trailingComment(rng, codes, decoys)});
    case 3:
    case 4:  // an assignment from a call: both tables searched
      return cat({indent(rng), assignTo(rng), call(), callArgs(rng, q)});
    case 5:
    case 6:  // a plain assignment
      return cat({indent(rng), assignTo(rng), q, trailingComment(rng, codes, decoys)});
    case 7:  // an unlisted code first, the listed one behind it
      return cat({indent(rng), assignTo(rng), inQuotes(rng.pick(codes.unlisted)), " + ", q});
    case 8:  // a space after the opening quote is dropped
      return cat({indent(rng), assignTo(rng), "\" ", code, "\""});
    default:  // a tab inside the code is dropped
      return cat({indent(rng), assignTo(rng), "\"", code.substr(0, 2), "\t", code.substr(2), "\""});
  }
}

struct ScriptCounts {
  std::int64_t lines = 0;
  std::int64_t alerts = 0;
  std::int64_t bytes = 0;
};

// `lines` lines of which exactly `alerts` alert, spread by selection sampling.
ScriptCounts writeScript(const std::filesystem::path& path, std::int64_t lines, std::int64_t alerts,
                         Decoys decoys, Random& rng, const Codes& codes) {
  OutFile out(path);
  out.line("# Generated by vornel-bench-gen for make bench: camera calls, assignments and");
  out.line("# comments; every line that names a listed code where it is searched alerts once.");
  ScriptCounts counts{2, 0, 0};
  std::int64_t alertsLeft = alerts;
  for (std::int64_t left = lines - counts.lines; left > 0; --left) {
    if (static_cast<std::int64_t>(rng.below(static_cast<std::size_t>(left))) < alertsLeft) {
      out.line(alertLine(rng, codes, decoys));
      --alertsLeft;
      ++counts.alerts;
    } else {
      out.line(quietLine(rng, codes, decoys));
    }
    ++counts.lines;
  }
  out.finish();
  counts.bytes = out.bytes();
  return counts;
}

// Where script `i` of a tree goes: folders three deep, 20 scripts a folder.
std::filesystem::path treePath(const std::filesystem::path& root, int i) {
  const auto name = [](const char* prefix, int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%s%02d", prefix, n);
    return std::string(text);
  };
  return root / name("d", i / 2000 % 100) / name("e", i / 200 % 10) / name("f", i / 20 % 10) /
         (name("s", i % 20) + ".csm");
}

// `scripts` scripts of 1 to 40 KB, or empty ones, below `root`.
ScriptCounts writeTree(const std::filesystem::path& root, int scripts, bool empty, Random& rng,
                       const Codes& codes) {
  constexpr std::int64_t kBytesPerLine = 47;  // about, for the generated mix
  ScriptCounts total;
  for (int i = 0; i < scripts; ++i) {
    const std::filesystem::path path = treePath(root, i);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (empty) {
      OutFile(path).finish();
      continue;
    }
    const std::int64_t lines = (1024 + std::int64_t(rng.below(39 * 1024))) / kBytesPerLine;
    const ScriptCounts one = writeScript(path, lines, lines / 100, kFewDecoys, rng, codes);
    total.lines += one.lines;
    total.alerts += one.alerts;
    total.bytes += one.bytes;
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::printf("%d\n", kGeneratorVersion);
    return 0;
  }
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "Usage: vornel-bench-gen OUTDIR | --version\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "vornel-bench-gen: %s: %s\n", dir.c_str(), ec.message().c_str());
    return 2;
  }
  std::filesystem::remove(dir / "manifest.txt", ec);

  Random rng(kSeed);
  const Codes codes = makeCodes(rng);
  for (int size : kTableSizes) writeTables(dir / ("tables-" + std::to_string(size)), size, codes);
  writeGrepCodes(dir / "codes1000.txt", codes);
  const ScriptCounts big =
      writeScript(dir / "script.csm", kScriptLines, kScriptAlerts, kFewDecoys, rng, codes);
  const ScriptCounts many = writeScript(dir / "alerts-100k.csm", kAlertScriptLines,
                                        kAlertScriptAlerts, kFewDecoys, rng, codes);
  const ScriptCounts stress =
      writeScript(dir / "stress.csm", kScriptLines, kScriptAlerts, kAllDecoys, rng, codes);
  const ScriptCounts tree = writeTree(dir / "tree-20000", 20000, false, rng, codes);
  const ScriptCounts smallTree = writeTree(dir / "tree-2000", 2000, false, rng, codes);
  writeTree(dir / "empty-20000", 20000, true, rng, codes);

  OutFile manifest(dir / "manifest.txt");
  const auto entry = [&](const char* key, std::int64_t value) {
    manifest.add(cat({key, " ", std::to_string(value), "\n"}));
  };
  entry("generator_version", kGeneratorVersion);
  entry("script_lines", big.lines);
  entry("script_alerts", big.alerts);
  entry("script_bytes", big.bytes);
  entry("alerts_script_lines", many.lines);
  entry("alerts_script_alerts", many.alerts);
  entry("alerts_script_bytes", many.bytes);
  entry("stress_script_lines", stress.lines);
  entry("stress_script_alerts", stress.alerts);
  entry("stress_script_bytes", stress.bytes);
  entry("tree_alerts", tree.alerts);
  entry("tree_bytes", tree.bytes);
  entry("small_tree_alerts", smallTree.alerts);
  manifest.finish();
  std::printf("vornel-bench-gen: wrote %s (script: %lld lines, %lld bytes, %lld alerts)\n",
              dir.c_str(), static_cast<long long>(big.lines), static_cast<long long>(big.bytes),
              static_cast<long long>(big.alerts));
  return 0;
}
