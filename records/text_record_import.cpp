// The import of the older text layout: a sensor code word, the rate, channel heads, then rows of values.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <mutex>
#include <string_view>
#include <utility>

#include "graph/graph_view.h"
#include "records/loaded_record.h"
#include "records/text_record.h"

namespace records {
namespace {

// raw code = (v + A) / B; a B of 0 takes the value as the code.
struct CodeFormula {
  double A = 0.0;
  double B = 0.0;
};

// One code word: the first formula and kind serve channels 1 and 3, the second channels 2 and 4.
// A word of two quantities names the kind of each, as a recording of that unit sets its channels.
struct CodeWord {
  std::string_view Word;
  std::uint16_t Code;
  CodeFormula First;
  CodeFormula Second;
  std::uint16_t FirstKind;
  std::uint16_t SecondKind;
};

constexpr CodeFormula kU10{10.824524312896406, 0.021141649048625};
constexpr CodeFormula kU50{53.668763102725364, 0.10482180293501048};
constexpr CodeFormula kI002{22.021505376344084, 0.043010752688172};
constexpr CodeFormula kI02{220.21505376344086, 0.4301075268817204};

constexpr CodeWord Same(std::string_view word, std::uint16_t code, CodeFormula f) { return {word, code, f, f, code, code}; }

constexpr std::array<CodeWord, 21> kCodeWords{{
    Same("U3.3", 0, {0.0, 0.0032258064516}),
    Same("pH", 5, {-14.740820734341252, -0.01511879049676026}),
    Same("G5", 6, {0.0560081466395112, 0.005091649694501}),
    Same("A1.5", 7, {2.0625, 0.0040283203125}),
    Same("A6", 8, {8.25, 0.01611328125}),
    Same("U10", 9, kU10),
    Same("I2", 10, {2.2021505376344086, 0.0043010752688172}),
    {"UI", 11, kU10, {2.2021505376344064, 0.0043010752688172}, 9, 10},
    {"U10I0.02", 20, kU10, kI002, 9, 17},
    {"U10I0.2", 21, kU10, kI02, 9, 18},
    {"U50I0.02", 22, kU50, kI002, 16, 17},
    {"U50I0.2", 23, kU50, kI02, 16, 18},
    Same("PS100", 12, {-105.56701030927834, -0.2061855670103092}),
    Same("PU100", 13, {-107.47562296858071, -0.1083423618634886}),
    Same("B100", 14, {100.0, 0.1953125}),
    Same("N", 15, {}),
    Same("U50", 16, kU50),
    Same("I0.02", 17, kI002),
    Same("I0.2", 18, kI02),
    Same("G0.1", 19, {1.120162932790224, 0.10183299389002}),
    {"F", 24, {1800.0, -3.5190615835777126}, {377.7049180327869, 0.7377049180327869}, 24, 24},
}};

// "кан" and "Кoнец" (with a Latin o) as the code page 1251 bytes the files hold.
constexpr std::string_view kChannelHead = "\xEA\xE0\xED";
constexpr std::string_view kEndWord = "\xCAo\xED\xE5\xF6";
// The unit type whose conversions read the 10-bit codes the formulas give.
constexpr std::uint8_t kTextRecordDeviceType = 1;
// What the token buffer holds; the rest of a longer token is skipped.
constexpr std::size_t kTokenLimit = 259;

class TokenReader {
 public:
  explicit TokenReader(std::string_view bytes) : Bytes(bytes) {}

  // The next whitespace-separated token, cut to the buffer's length; empty at the end.
  std::string_view Next() {
    while (Pos < Bytes.size() && IsSpace(Bytes[Pos])) ++Pos;
    const std::size_t start = Pos;
    while (Pos < Bytes.size() && !IsSpace(Bytes[Pos])) ++Pos;
    return Bytes.substr(start, std::min(Pos - start, kTokenLimit));
  }
  // The last token ran to the end of the bytes: where the file goes on, it may be cut.
  bool AtEnd() const { return Pos >= Bytes.size(); }

 private:
  static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
  std::string_view Bytes;
  std::size_t Pos = 0;
};

// The leading number of a token, 0 when it has none.
template <class Number>
Number LeadingNumber(std::string_view token) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  Number value{};
  std::from_chars(token.data(), token.data() + token.size(), value);
  return value;
}

// A value held in single precision; beyond its range it becomes an infinity.
float Single(double value) {
  constexpr float kLargest = std::numeric_limits<float>::max();
  if (std::fabs(value) > kLargest) return std::copysign(std::numeric_limits<float>::infinity(), value);
  return static_cast<float>(value);
}

// The 16-bit code of a value, truncated toward zero: a negative code stays negative, and a code
// beyond what 16 bits carry stops at their ends.
std::int16_t RawCode(float value, const CodeFormula& f) {
  double raw = f.B == 0.0 ? value : (static_cast<double>(value) + f.A) / f.B;
  if (std::isnan(raw)) raw = 0.0;
  const auto code = static_cast<std::int32_t>(std::clamp(std::trunc(raw), -32768.0, 65535.0));
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(code));
}

}  // namespace

std::optional<TextRecordImport> ParseTextRecord(std::string_view bytes, std::uint32_t sample_capacity, bool file_goes_on) {
  TokenReader tokens(bytes);
  const std::string_view word = tokens.Next();
  const auto entry =
      std::find_if(kCodeWords.begin(), kCodeWords.end(), [&](const CodeWord& w) { return w.Word == word; });
  if (entry == kCodeWords.end()) return std::nullopt;
  tokens.Next();
  const std::int64_t rate = LeadingNumber<std::int64_t>(tokens.Next());
  tokens.Next();
  if (tokens.Next().find(kChannelHead) == std::string_view::npos) return std::nullopt;
  std::size_t channels = 1;
  while (channels < GraphView::kLiveChannels && tokens.Next().find(kChannelHead) != std::string_view::npos) ++channels;

  TextRecordImport record;
  record.SensorCode = entry->Code;
  record.Rate = rate <= 0 || rate > kHighestRecordRate ? kDefaultRecordRate : static_cast<std::uint32_t>(rate);
  record.Codes.resize(channels);
  for (std::size_t c = 0; c < channels; ++c) record.Kinds.push_back(c % 2 == 0 ? entry->FirstKind : entry->SecondKind);
  const std::uint32_t row_limit = sample_capacity / channels;
  std::array<std::string_view, GraphView::kLiveChannels> values{};
  // Rows past the limit are only counted, so the user can be told how much of the file is shown.
  std::uint64_t rows = 0;
  for (bool ended = false; !ended; ++rows) {
    const std::string_view lead = tokens.Next();
    if (lead.find(kEndWord) != std::string_view::npos) break;
    if (lead.empty()) {
      record.Cut = record.Cut || file_goes_on;
      break;
    }
    for (std::size_t c = 0; c < channels; ++c) {
      values[c] = tokens.Next();
      ended = ended || values[c].empty();
    }
    // The end of what was read, inside a row or on its last value, is not the file's end: the
    // row goes on beyond it and is left out.
    ended = ended || tokens.AtEnd();
    if (ended && file_goes_on) {
      record.Cut = true;
      break;
    }
    if (rows >= row_limit) {
      record.Cut = true;
      if (file_goes_on) break;
      continue;
    }
    for (std::size_t c = 0; c < channels; ++c) {
      const CodeFormula& formula = c % 2 == 0 ? entry->First : entry->Second;
      record.Codes[c].push_back(RawCode(Single(LeadingNumber<double>(values[c])), formula));
    }
  }
  if (record.Codes[0].empty()) return std::nullopt;
  if (record.Cut && !file_goes_on) record.FileRows = static_cast<std::uint32_t>(std::min<std::uint64_t>(rows, std::numeric_limits<std::uint32_t>::max()));
  return record;
}

TextImportResult ReadTextRecord(GraphView& view, std::string_view bytes, const std::string& title, bool file_goes_on) {
  std::optional<TextRecordImport> text = ParseTextRecord(bytes, view.SampleCapacity, file_goes_on);
  if (!text) return {};
  LoadedRecord record;
  record.Rate = text->Rate;
  record.ChannelCount = static_cast<std::uint8_t>(text->Codes.size());
  record.ViewSensorCode = text->SensorCode;
  record.AcquisitionMode = text->SensorCode == 7 || text->SensorCode == 8 ? 2 : 1;
  record.ShowAnyLength = true;
  for (std::size_t c = 0; c < text->Codes.size(); ++c) {
    record.Channels[c].Present = true;
    record.Channels[c].Settings.SensorCode = text->Kinds[c];
    // Every formula of the layout turns a value into a 10-bit code, as the units of type 1 give them.
    record.Channels[c].Settings.DeviceTypeCode = kTextRecordDeviceType;
    record.Channels[c].Codes = std::move(text->Codes[c]);
  }
  if (!ValidateLoadedRecord(record, view.SampleCapacity)) return {};
  ApplyLoadedRecord(view, record, title);
  std::lock_guard lock(view.ViewLock);
  view.RateSetting = record.Rate;
  return {record.ChannelCount, text->Cut, text->FileRows};
}

}  // namespace records
