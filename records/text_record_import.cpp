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

// One code word: the first formula serves channels 1 and 3, the second channels 2 and 4.
struct CodeWord {
  std::string_view Word;
  std::uint16_t Code;
  CodeFormula First;
  CodeFormula Second;
};

constexpr CodeFormula kU10{10.824524312896406, 0.021141649048625};
constexpr CodeFormula kU50{53.668763102725364, 0.10482180293501048};
constexpr CodeFormula kI002{22.021505376344084, 0.043010752688172};
constexpr CodeFormula kI02{220.21505376344086, 0.4301075268817204};

constexpr CodeWord Same(std::string_view word, std::uint16_t code, CodeFormula f) { return {word, code, f, f}; }

constexpr std::array<CodeWord, 21> kCodeWords{{
    Same("U3.3", 0, {0.0, 0.0032258064516}),
    Same("pH", 5, {-14.740820734341252, -0.01511879049676026}),
    Same("G5", 6, {0.0560081466395112, 0.005091649694501}),
    Same("A1.5", 7, {2.0625, 0.0040283203125}),
    Same("A6", 8, {8.25, 0.01611328125}),
    Same("U10", 9, kU10),
    Same("I2", 10, {2.2021505376344086, 0.0043010752688172}),
    {"UI", 11, kU10, {2.2021505376344064, 0.0043010752688172}},
    {"U10I0.02", 20, kU10, kI002},
    {"U10I0.2", 21, kU10, kI02},
    {"U50I0.02", 22, kU50, kI002},
    {"U50I0.2", 23, kU50, kI02},
    Same("PS100", 12, {-105.56701030927834, -0.2061855670103092}),
    Same("PU100", 13, {-107.47562296858071, -0.1083423618634886}),
    Same("B100", 14, {100.0, 0.1953125}),
    Same("N", 15, {}),
    Same("U50", 16, kU50),
    Same("I0.02", 17, kI002),
    Same("I0.2", 18, kI02),
    Same("G0.1", 19, {1.120162932790224, 0.10183299389002}),
    {"F", 24, {1800.0, -3.5190615835777126}, {377.7049180327869, 0.7377049180327869}},
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

std::optional<TextRecordImport> ParseTextRecord(std::string_view bytes, std::uint32_t sample_capacity) {
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
  const std::uint32_t row_limit = sample_capacity / channels;
  bool ended = false;
  for (std::uint32_t rows = 0; rows < row_limit && !ended; ++rows) {
    const std::string_view lead = tokens.Next();
    if (lead.empty() || lead.find(kEndWord) != std::string_view::npos) break;
    for (std::size_t c = 0; c < channels; ++c) {
      const std::string_view token = tokens.Next();
      ended = ended || token.empty();
      const CodeFormula& formula = c % 2 == 0 ? entry->First : entry->Second;
      record.Codes[c].push_back(RawCode(Single(LeadingNumber<double>(token)), formula));
    }
  }
  if (record.Codes[0].empty()) return std::nullopt;
  return record;
}

std::uint8_t ReadTextRecord(GraphView& view, std::string_view bytes, const std::string& title) {
  std::optional<TextRecordImport> text = ParseTextRecord(bytes, view.SampleCapacity);
  if (!text) return 0;
  LoadedRecord record;
  record.Rate = text->Rate;
  record.ChannelCount = static_cast<std::uint8_t>(text->Codes.size());
  record.ViewSensorCode = text->SensorCode;
  record.AcquisitionMode = text->SensorCode == 7 || text->SensorCode == 8 ? 2 : 1;
  record.ShowAnyLength = true;
  for (std::size_t c = 0; c < text->Codes.size(); ++c) {
    record.Channels[c].Present = true;
    record.Channels[c].Settings.SensorCode = text->SensorCode;
    // Every formula of the layout turns a value into a 10-bit code, as the units of type 1 give them.
    record.Channels[c].Settings.DeviceTypeCode = kTextRecordDeviceType;
    record.Channels[c].Codes = std::move(text->Codes[c]);
  }
  if (!ValidateLoadedRecord(record, view.SampleCapacity)) return 0;
  ApplyLoadedRecord(view, record, title);
  std::lock_guard lock(view.ViewLock);
  view.RateSetting = record.Rate;
  return record.ChannelCount;
}

}  // namespace records
