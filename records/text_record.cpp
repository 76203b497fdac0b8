// The text export: frequency line, column heads, optional volume lines, rows and the end line.
#include "records/text_record.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <mutex>
#include <string_view>

#include "graph/graph_view.h"
#include "platform/cp1251.h"

namespace records {
namespace {

// A piece of a streamed export: written out once this much has gathered.
constexpr std::size_t kPieceBytes = 1u << 18;

// Text in code page 1251 with CR LF line ends; numbers in the "C" convention whatever the locale.
// With a sink, the text goes out in pieces as rows are finished.
class CodePageText {
 public:
  explicit CodePageText(bool english, const TextPieceSink* sink = nullptr) : English(english), Sink(sink) {}

  // Hands what has gathered to the sink: a whole piece, or with `last` whatever is left.
  void Flush(bool last) {
    if (Sink == nullptr || (!last && Bytes.size() < kPieceBytes)) return;
    if (!Failed && !(*Sink)(Bytes, RowsDone, RowsTotal)) Failed = true;
    Bytes.clear();
  }

  CodePageText& Text(std::string_view utf8) {
    Bytes += platform::Utf8ToCp1251(utf8);
    return *this;
  }
  CodePageText& Say(std::string_view russian, std::string_view english) { return Text(English ? english : russian); }
  CodePageText& Blanks(std::size_t n) {
    Bytes.append(n, ' ');
    return *this;
  }
  CodePageText& Fixed(double value, int decimals) {
    Bytes += FixedText(value, decimals);
    return *this;
  }
  // An integer of at least five digits, zero-filled.
  CodePageText& Padded(std::uint64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    const std::size_t digits = static_cast<std::size_t>(result.ptr - buffer);
    if (digits < 5) Bytes.append(5 - digits, '0');
    Bytes.append(buffer, result.ptr);
    return *this;
  }
  CodePageText& Number(std::uint64_t value) {
    char buffer[24];
    Bytes.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    return *this;
  }
  CodePageText& LineEnd() {
    Bytes += "\r\n";
    return *this;
  }
  // A value with one decimal more than the display shows, filled to eight characters; a longer
  // one still gets a blank, so that the next cell stands apart from it.
  CodePageText& ValueCell(const VessamorChannel& channel, float value) {
    const std::size_t before = Bytes.size();
    Fixed(value, std::min<int>(channel.Decimals, 8) + 1);
    const std::size_t written = Bytes.size() - before;
    return Blanks(written < 8 ? 8 - written : 1);
  }
  CodePageText& Time(double seconds) { return Fixed(seconds, 5).Blanks(4); }

  bool English;
  std::string Bytes;
  const TextPieceSink* Sink = nullptr;
  std::uint64_t RowsDone = 0;
  std::uint64_t RowsTotal = 0;
  bool Failed = false;
};

// Lines 2 to 4: an empty line, the channel numbers and the quantities with their units.
void WriteHeads(CodePageText& out, const GraphView& view, const ExportPlan& plan) {
  out.LineEnd();
  out.Say("время,сек  ", "time,s     ");
  for (const std::uint8_t c : plan.Shown) out.Say("кан.", "chn.").Number(c + 1u).Blanks(3);
  out.LineEnd().Blanks(11);
  for (const std::uint8_t c : plan.Shown) {
    const VessamorChannel& channel = view.Channel(c);
    const std::size_t unit = platform::Utf8ToCp1251(channel.Unit).size();
    out.Text(channel.Symbol).Text(",").Text(channel.Unit).Blanks(unit < 6 ? 6 - unit : 1);
  }
  out.LineEnd();
}

void WriteVolumeLines(CodePageText& out, const GraphView& view, const ExportPlan& plan) {
  for (const std::uint8_t c : plan.Shown) {
    if (view.Channel(c).SensorCode == 49) out.Blanks(11).Say("Объём", "Volume");
    else out.Blanks(5);
    if (!out.English) out.Blanks(1);
  }
  out.LineEnd();
  for (const std::uint8_t c : plan.Shown) {
    const VessamorChannel& channel = view.Channel(c);
    if (channel.SensorCode == 49) out.Blanks(11).Fixed(channel.IntegrateBetweenMarkers(0), 3).Say(" мл", " ml");
    else out.Blanks(7);
  }
  out.LineEnd().LineEnd();
}

void WriteRows(CodePageText& out, const GraphView& view, const ExportPlan& plan, const ExportRows& rows,
               std::mutex* codes_lock) {
  CellReader cells(view, codes_lock);
  out.RowsTotal = rows.End > rows.First ? (std::uint64_t{rows.End} - rows.First + rows.Step - 1) / rows.Step : 0;
  ForEachRow(rows, [&](std::uint32_t at, std::uint32_t row) {
    if (out.Failed) return;
    const double time = RowTime(view, plan, rows, at);
    if (rows.RowKind == ExportRows::Kind::History) out.Padded(static_cast<std::uint64_t>(time)).Blanks(6);
    else if (plan.Decimation == 0 || plan.PerSecond) out.Time(time);
    for (const std::uint8_t c : plan.Shown) {
      if (rows.RowKind == ExportRows::Kind::Samples && plan.Decimation != 0) out.Time(time);
      out.ValueCell(view.Channel(c), cells.Value(c, rows, at));
    }
    out.LineEnd();
    out.RowsDone = std::uint64_t{row} + 1;
    out.Flush(false);
  });
}

// Holds the codes lock, when there is one, while the export's head is made from the view.
std::unique_lock<std::mutex> HoldForHead(std::mutex* codes_lock) {
  return codes_lock != nullptr ? std::unique_lock(*codes_lock) : std::unique_lock<std::mutex>();
}

void WriteText(CodePageText& out, const GraphView& view, SaveRange range, std::mutex* codes_lock) {
  std::unique_lock head = HoldForHead(codes_lock);
  const ExportPlan plan = ClassifyChannels(view);
  const bool no_channel = plan.OtherCount == 0 && plan.RateCount == 0;
  if (plan.HistorySheet() || plan.PerSecond) {
    out.Say("Частота ", "Frequency ").Number(FrequencySeconds(view, plan)).Say(" сек", " s").LineEnd();
  } else if (!no_channel) {
    const std::uint32_t rate = plan.Decimation == 1 ? 20 : plan.Decimation == 2 ? 100 : view.RecordRate;
    out.Say("Частота ", "Frequency ").Number(rate).Say("Гц", "Hz").LineEnd();
  }
  WriteHeads(out, view, plan);
  if (plan.Volume && CountMarkedPoints(view) >= 2) WriteVolumeLines(out, view, plan);
  const ExportRows rows = PlanRows(view, plan, range, std::numeric_limits<std::uint32_t>::max(), false);
  if (head.owns_lock()) head.unlock();
  if (!no_channel) WriteRows(out, view, plan, rows, codes_lock);
  out.Say("конец записи", "end of record").LineEnd();
}

void WriteTextAlt(CodePageText& out, const GraphView& view, SaveRange range, bool per_sample, std::mutex* codes_lock) {
  std::unique_lock head = HoldForHead(codes_lock);
  const ExportPlan plan = ClassifyTwoChannel(view, per_sample);
  if (per_sample) out.Say("Частота 125Гц", "Frequency 125Hz").LineEnd();
  else out.Say("Частота ", "Frequency ").Number(FrequencySeconds(view, plan)).Say(" сек", " s").LineEnd();
  WriteHeads(out, view, plan);
  const ExportRows rows = PlanRows(view, plan, range, std::numeric_limits<std::uint32_t>::max(), false);
  if (head.owns_lock()) head.unlock();
  WriteRows(out, view, plan, rows, codes_lock);
  out.Say("конец записи", "end of record").LineEnd();
}

}  // namespace

std::string WriteTextRecord(const GraphView& view, SaveRange range, bool english) {
  if (view.TwoChannelText != 0) return WriteTextRecordAlt(view, range, english, false);
  CodePageText out(english);
  WriteText(out, view, range, nullptr);
  return std::move(out.Bytes);
}

std::string WriteTextRecordAlt(const GraphView& view, SaveRange range, bool english, bool per_sample) {
  CodePageText out(english);
  WriteTextAlt(out, view, range, per_sample, nullptr);
  return std::move(out.Bytes);
}

bool StreamTextRecord(const GraphView& view, SaveRange range, bool english, const TextPieceSink& sink,
                      std::mutex* codes_lock) {
  CodePageText out(english, &sink);
  const bool two_channel = [&] {
    const std::unique_lock hold = HoldForHead(codes_lock);
    return view.TwoChannelText != 0;
  }();
  if (two_channel) {
    WriteTextAlt(out, view, range, false, codes_lock);
  } else {
    WriteText(out, view, range, codes_lock);
  }
  out.RowsDone = out.RowsTotal;
  out.Flush(true);
  return !out.Failed;
}

}  // namespace records
