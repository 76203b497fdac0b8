// Column reduction of a channel: per-column extremes of its codes after the sliding median and the moving mean or RMS.
#include "channels/column_reduction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "channels/channel_filters.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

// Samples that exist for the reduction: the view's count, never beyond the channel's slice.
std::uint32_t SampleLimit(const VessamorChannel& channel) {
  const std::uint32_t count = channel.View != nullptr ? channel.View->SampleCount : channel.CodeCount;
  return std::min(count, channel.CodeCapacity);
}

// How far the centred smoothing may look ahead: while recording, every code the decoders have
// written; otherwise only the record's samples.
std::uint32_t LookaheadLimit(const VessamorChannel& channel, std::uint32_t limit) {
  if (channel.View == nullptr || channel.View->Recording == 0) return limit;
  return std::max(limit, std::min(channel.CodeCount, channel.CodeCapacity));
}

// Samples [First, End) that one column reduces, within the samples that exist (limit > 0).
struct SampleSpan {
  std::uint32_t First;
  std::uint32_t End;
};

inline SampleSpan ColumnSpan(const ColumnRecord& base, std::uint32_t limit) {
  // A column without a sample of its own shows the sample at its start; one past the newest
  // sample shows the newest.
  const std::uint64_t end = std::uint64_t{base.FirstSample} + std::max<std::uint32_t>(base.SampleCount, 1);
  SampleSpan span{std::min(base.FirstSample, limit - 1),
                  static_cast<std::uint32_t>(std::min<std::uint64_t>(end, limit))};
  if (span.End <= span.First) span.End = span.First + 1;
  return span;
}

// Differences of squares a[t]^2 - b[t]^2, exact in 32 bits.
void SquareSteps(const std::int16_t* a, const std::int16_t* b, std::uint32_t n, std::int32_t* out) {
  std::uint32_t t = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const auto squares = [zero](__m128i v, bool high) {
    const __m128i spread = high ? _mm_unpackhi_epi16(v, zero) : _mm_unpacklo_epi16(v, zero);
    return _mm_madd_epi16(spread, spread);
  };
  for (; t + 8 <= n; t += 8) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + t));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + t));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + t), _mm_sub_epi32(squares(x, false), squares(y, false)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + t + 4), _mm_sub_epi32(squares(x, true), squares(y, true)));
  }
#endif
  for (; t < n; ++t) out[t] = std::int32_t{a[t]} * a[t] - std::int32_t{b[t]} * b[t];
}

// Samples [First, End) of a pass that no column boundary cuts, with the extremes of their outputs.
struct SteadyRun {
  std::uint32_t First;
  std::uint32_t End;
  std::int32_t High;
  std::int32_t Low;
};

// One pass of the channel's reduction filters. Each stage keeps its state in the channel and
// continues it only at the sample it expects next; anywhere else it starts afresh, so an output
// depends only on the codes, however the samples are split into calls and pieces.
class FilterPass {
 public:
  explicit FilterPass(VessamorChannel& channel)
      : State(channel.Filter), Codes(channel.Codes), Limit(SampleLimit(channel)) {
    Lookahead = LookaheadLimit(channel, Limit);
    const bool median_switch = channel.View == nullptr || channel.View->MedianSwitch != 0;
    Median = channel.MedianOn != 0 && channel.MedianWindow != 0 && median_switch;
    Smoothing = channel.SmoothingOn != 0;
    Centred = channel.CentredSmoothing != 0;
    Rms = channel.RmsMode != 0;
    MedianWindow = channel.MedianWindow;
    SmoothWindow = channel.SmoothingWindow;
    const SmoothingHalves halves = HalvesOfWindow(SmoothWindow);
    Lead = halves.Lead;
    Trail = halves.Trail;
    // The windows can come from a record file without a new configuration: size the state to them.
    if (Median && State.MedianCounts.Size() != MedianWindow) State.MedianFull = 0;
    RingSize = halves.RingSize;
    if (Smoothing && SmoothWindow != 0 && State.SmoothRing.size() != RingSize) {
      State.SmoothRing.assign(RingSize, 0);
      State.SmoothValid = 0;
    }
  }

  bool Filters() const { return Median || Smoothing; }
  std::uint32_t SampleCount() const { return Limit; }

  std::int32_t OutputAt(std::uint32_t k) { return Smoothing ? SmoothedAt(k) : MedianAt(k); }

  // Outputs of samples [first, end) into out. Where the window (centred or trailing) runs full, the
  // sum moves along the codes (or the median's outputs) themselves, outside the ring, and the ring
  // is laid again at the end. Those samples get no output of their own: the output grows with the
  // sum, so the extremes of the sum between two neighbouring `cuts` (sorted sample numbers where
  // columns start and end) give the extremes of the outputs there; each such stretch is added to `runs`.
  void Outputs(std::uint32_t first, std::uint32_t end, std::int32_t* out, const std::vector<std::uint32_t>& cuts,
               std::vector<SteadyRun>& runs) {
    if (Median && !Smoothing) {
      MedianOutputs(first, end, out);
      return;
    }
    std::uint32_t k = first;
    while (k < end) {
      if (SteadyAt(k)) {
        const std::uint32_t stop = SteadyEnd(end);
        if (Median) {
          RunSteadyOverMedian(k, stop, cuts, runs);
        } else {
          RunSteady(k, stop, cuts, runs);
        }
        k = stop;
      } else {
        out[k - first] = OutputAt(k);
        ++k;
      }
    }
  }

 private:
  std::int32_t InputAt(std::uint32_t t) { return Median ? MedianAt(t) : Codes[t]; }

  std::int32_t MedianAt(std::uint32_t t) {
    const std::uint32_t n = MedianWindow;
    if (t + 1 < n) {
      // Until the window first fills the raw code passes.
      State.MedianFull = 0;
      State.MedianNext = t + 1;
      return Codes[t];
    }
    CodeCountMedian& window = State.MedianCounts;
    bool stepped = false;
    if (State.MedianFull != 0 && State.MedianNext == t) {
      const std::int16_t outgoing = Codes[t - n];
      const std::int16_t incoming = Codes[t];
      stepped = incoming == outgoing || window.Step(outgoing, incoming);
    }
    if (!stepped) {
      window.Fill(Codes + (t + 1 - n), n);
      State.MedianFull = 1;
    }
    State.MedianNext = t + 1;
    return window.Median();
  }

  // Median outputs of samples [first, end): stepped in runs where the window continues, sample by
  // sample where it starts or is filled afresh.
  void MedianOutputs(std::uint32_t first, std::uint32_t end, std::int32_t* out) {
    const std::uint32_t n = MedianWindow;
    std::uint32_t t = first;
    while (t < end) {
      if (t >= n && State.MedianFull != 0 && State.MedianNext == t) {
        t += State.MedianCounts.Run(Codes + (t - n), Codes + t, end - t, out + (t - first));
        State.MedianNext = t;
        if (t == end) break;
      }
      out[t - first] = MedianAt(t);
      ++t;
    }
  }

  std::int32_t SmoothedAt(std::uint32_t k) {
    // Without a window the smoothing passes the code, in the fractional form the value path reads.
    if (SmoothWindow == 0) return InputAt(k) * 256;
    std::uint32_t from = 0;
    std::uint32_t to = 0;
    bool cut = false;
    if (Centred) {
      from = k >= Lead ? k - Lead : 0;
      const std::uint64_t wanted = std::uint64_t{k} + Trail + 1;
      to = static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted, Lookahead));
      cut = to < wanted;
    } else {
      from = k + 1 >= SmoothWindow ? k + 1 - SmoothWindow : 0;
      to = k + 1;
    }
    if (State.SmoothValid == 0 || State.SmoothNext != k || State.SmoothFrom > from || State.SmoothTo > to) {
      State.SmoothSum = 0;
      State.SmoothFill = 0;
      State.SmoothFirst = 0;
      State.SmoothFrom = from;
      State.SmoothTo = from;
      State.SmoothValid = 1;
    }
    while (State.SmoothFrom < from && State.SmoothFill > 0) Leave();
    while (State.SmoothTo < to) {
      const std::int64_t v = InputAt(State.SmoothTo);
      Enter(!Centred || Rms ? v * v : v);
      ++State.SmoothTo;
    }
    State.SmoothNext = k + 1;

    const std::int64_t m = std::max<std::int64_t>(State.SmoothFill, 1);
    const std::int64_t sum = State.SmoothSum;
    if (!Centred) return static_cast<std::int32_t>(std::sqrt(static_cast<double>(sum / m)) * 256.0);
    if (!cut) {
      const std::int64_t q = sum / m;
      return Rms ? static_cast<std::int32_t>(std::sqrt(static_cast<double>(q)) * 256.0)
                 : static_cast<std::int32_t>(q * 256);
    }
    // At the end of the samples the window shrinks: the quotient is taken in floating point.
    const double mean = static_cast<double>(sum) / static_cast<double>(m);
    return static_cast<std::int32_t>((Rms ? std::sqrt(mean) : mean) * 256.0);
  }

  // A full window of either form: the samples it holds, and where the samples that enter and leave
  // at sample k lie: the centred window holds k - Lead .. k + Trail and takes in k + Trail; the
  // trailing one holds the SmoothWindow samples up to k and takes in k itself.
  std::uint32_t FullWindow() const { return Centred ? RingSize : SmoothWindow; }
  std::uint32_t Ahead() const { return Centred ? Trail : 0; }
  std::uint32_t Behind() const { return Centred ? Lead + 1 : SmoothWindow; }
  // The trailing form always sums squares.
  bool Squares() const { return Rms || !Centred; }

  // The window over raw codes or median outputs is full and continues at sample k without being cut.
  bool SteadyAt(std::uint32_t k) const {
    return Smoothing && SmoothWindow != 0 && State.SmoothValid != 0 && State.SmoothNext == k &&
           State.SmoothFill == FullWindow() && k >= Behind() && State.SmoothFrom == k - Behind() &&
           State.SmoothTo == k + Ahead() && std::uint64_t{k} + Ahead() + 1 <= Lookahead;
  }
  std::uint32_t SteadyEnd(std::uint32_t end) const {
    const std::uint64_t uncut = std::uint64_t{Lookahead} - Ahead();  // samples before it keep the whole window
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(end, uncut));
  }

  // The output of a full window whose sum is `sum`: the integer quotient over the window, as
  // SmoothedAt takes it.
  std::int32_t OutputOfSum(std::int64_t sum) const {
    const std::int64_t q = sum / static_cast<std::int64_t>(FullWindow());
    return Squares() ? static_cast<std::int32_t>(std::sqrt(static_cast<double>(q)) * 256.0)
                     : static_cast<std::int32_t>(q * 256);
  }

  // Samples [k, stop) of a steady window over raw codes, stretch by stretch between the cuts: the
  // changes of the sum side by side, then the sums in order with their extremes.
  void RunSteady(std::uint32_t k, std::uint32_t stop, const std::vector<std::uint32_t>& cuts, std::vector<SteadyRun>& runs) {
    std::int64_t sum = State.SmoothSum;
    std::array<std::int32_t, 1024> steps;
    auto cut = std::upper_bound(cuts.begin(), cuts.end(), k);
    for (std::uint32_t t = k; t < stop;) {
      const std::uint32_t stretch_end = cut != cuts.end() && *cut < stop ? *cut++ : stop;
      std::int64_t high = std::numeric_limits<std::int64_t>::min();
      std::int64_t low = std::numeric_limits<std::int64_t>::max();
      const std::uint32_t stretch_first = t;
      while (t < stretch_end) {
        const std::uint32_t count = std::min<std::uint32_t>(stretch_end - t, steps.size());
        const std::int16_t* entering = Codes + t + Ahead();
        const std::int16_t* leaving = Codes + (t - Behind());
        if (Squares()) {
          SquareSteps(entering, leaving, count, steps.data());
        } else {
          for (std::uint32_t i = 0; i < count; ++i) steps[i] = std::int32_t{entering[i]} - leaving[i];
        }
        for (std::uint32_t i = 0; i < count; ++i) {
          sum += steps[i];
          high = std::max(high, sum);
          low = std::min(low, sum);
        }
        t += count;
      }
      runs.push_back({stretch_first, stretch_end, OutputOfSum(high), OutputOfSum(low)});
    }
    // The ring again holds the window of the last sample, oldest first.
    LayRing(stop, sum);
    for (std::uint32_t i = 0; i < FullWindow(); ++i) {
      const std::int64_t v = Codes[State.SmoothFrom + i];
      State.SmoothRing[i] = Squares() ? v * v : v;
    }
  }

  // The window's bounds and sum after the steady samples before `stop`; the ring's entries follow.
  void LayRing(std::uint32_t stop, std::int64_t sum) {
    State.SmoothSum = sum;
    State.SmoothFirst = 0;
    State.SmoothFrom = stop - Behind();
    State.SmoothTo = stop + Ahead();
    State.SmoothNext = stop;
  }

  // The same over the median's outputs: what entered the window (squares for RMS) lies in order,
  // the ring's entries first, then the outputs that enter after them, and the sums run over that.
  void RunSteadyOverMedian(std::uint32_t k, std::uint32_t stop, const std::vector<std::uint32_t>& cuts,
                           std::vector<SteadyRun>& runs) {
    const std::uint32_t base = k - Behind();  // the oldest sample of the window before k
    const std::uint32_t ahead = Ahead();
    const std::uint32_t behind = Behind();
    std::vector<std::int64_t>& entered = State.SmoothEntered;
    entered.resize(stop + ahead - base);
    for (std::uint32_t i = 0; i < FullWindow(); ++i) {
      std::uint32_t slot = State.SmoothFirst + i;
      if (slot >= RingSize) slot -= RingSize;
      entered[i] = State.SmoothRing[slot];
    }
    std::array<std::int32_t, 1024> medians;
    for (std::uint32_t t = base + FullWindow(); t < stop + ahead;) {
      const std::uint32_t count = std::min<std::uint32_t>(stop + ahead - t, medians.size());
      MedianOutputs(t, t + count, medians.data());
      for (std::uint32_t i = 0; i < count; ++i) {
        const std::int64_t v = medians[i];
        entered[t + i - base] = Squares() ? v * v : v;
      }
      t += count;
    }
    std::int64_t sum = State.SmoothSum;
    auto cut = std::upper_bound(cuts.begin(), cuts.end(), k);
    for (std::uint32_t t = k; t < stop;) {
      const std::uint32_t stretch_end = cut != cuts.end() && *cut < stop ? *cut++ : stop;
      std::int64_t high = std::numeric_limits<std::int64_t>::min();
      std::int64_t low = std::numeric_limits<std::int64_t>::max();
      const std::uint32_t stretch_first = t;
      for (; t < stretch_end; ++t) {
        sum += entered[t + ahead - base] - entered[t - behind - base];
        high = std::max(high, sum);
        low = std::min(low, sum);
      }
      runs.push_back({stretch_first, stretch_end, OutputOfSum(high), OutputOfSum(low)});
    }
    // The ring again holds the window of the last sample, oldest first.
    LayRing(stop, sum);
    std::copy_n(entered.begin() + (State.SmoothFrom - base), FullWindow(), State.SmoothRing.begin());
  }

  void Enter(std::int64_t v) {
    if (State.SmoothFill == RingSize) Leave();
    std::uint32_t slot = State.SmoothFirst + State.SmoothFill;
    if (slot >= RingSize) slot -= RingSize;
    State.SmoothRing[slot] = v;
    ++State.SmoothFill;
    State.SmoothSum += v;
  }

  void Leave() {
    State.SmoothSum -= State.SmoothRing[State.SmoothFirst];
    if (++State.SmoothFirst == RingSize) State.SmoothFirst = 0;
    --State.SmoothFill;
    ++State.SmoothFrom;
  }

  ChannelFilterState& State;
  const std::int16_t* Codes;
  std::uint32_t Limit;
  std::uint32_t Lookahead = 0;
  bool Median = false;
  bool Smoothing = false;
  bool Centred = false;
  bool Rms = false;
  std::uint16_t MedianWindow = 0;
  std::uint16_t SmoothWindow = 0;
  std::uint32_t Lead = 0;
  std::uint32_t Trail = 0;
  std::uint32_t RingSize = 0;
};

#if defined(__SSE2__)
// Lane-wise extremes of two vectors of 16- or 32-bit signed values (SSE2 has no 32-bit max or min).
template <class T>
__m128i VectorMax(__m128i a, __m128i b) {
  if constexpr (sizeof(T) == 2) {
    return _mm_max_epi16(a, b);
  } else {
    const __m128i above = _mm_cmpgt_epi32(b, a);
    return _mm_or_si128(_mm_and_si128(above, b), _mm_andnot_si128(above, a));
  }
}
template <class T>
__m128i VectorMin(__m128i a, __m128i b) {
  if constexpr (sizeof(T) == 2) {
    return _mm_min_epi16(a, b);
  } else {
    const __m128i below = _mm_cmplt_epi32(b, a);
    return _mm_or_si128(_mm_and_si128(below, b), _mm_andnot_si128(below, a));
  }
}
// The extreme of a vector's lanes, folded halves onto halves.
template <class T, __m128i (*Fold)(__m128i, __m128i)>
T LaneExtreme(__m128i v) {
  v = Fold(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
  v = Fold(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
  if constexpr (sizeof(T) == 2) v = Fold(v, _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)));
  return static_cast<T>(_mm_cvtsi128_si32(v));
}
#endif

// Largest and smallest of n values (16- or 32-bit), an empty range giving the type's lowest and
// highest. Where the processor has 128-bit vectors, four pairs of them take 64 bytes a step: each
// pair's maxima and minima depend only on their own previous step, so the steps of the four
// overlap instead of waiting one on another; the pairs are folded together at the end, and a tail
// shorter than a step is taken a vector at a time, its last vector ending at the last value (a
// value seen twice changes no extreme).
template <class T>
std::pair<T, T> Extremes(const T* values, std::uint32_t n) {
  T high = std::numeric_limits<T>::lowest();
  T low = std::numeric_limits<T>::max();
  std::uint32_t j = 0;
#if defined(__SSE2__)
  constexpr std::uint32_t kLanes = 16 / sizeof(T);
  constexpr std::uint32_t kStep = 4 * kLanes;
  if (n >= kLanes) {
    const auto load = [values](std::uint32_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + at)); };
    __m128i high0 = load(0), high1 = high0, high2 = high0, high3 = high0;
    __m128i low0 = high0, low1 = high0, low2 = high0, low3 = high0;
    for (j = kLanes; j + kStep <= n; j += kStep) {
      const __m128i a = load(j), b = load(j + kLanes), c = load(j + 2 * kLanes), d = load(j + 3 * kLanes);
      high0 = VectorMax<T>(high0, a);
      low0 = VectorMin<T>(low0, a);
      high1 = VectorMax<T>(high1, b);
      low1 = VectorMin<T>(low1, b);
      high2 = VectorMax<T>(high2, c);
      low2 = VectorMin<T>(low2, c);
      high3 = VectorMax<T>(high3, d);
      low3 = VectorMin<T>(low3, d);
    }
    high0 = VectorMax<T>(VectorMax<T>(high0, high1), VectorMax<T>(high2, high3));
    low0 = VectorMin<T>(VectorMin<T>(low0, low1), VectorMin<T>(low2, low3));
    for (; j + kLanes <= n; j += kLanes) {
      const __m128i v = load(j);
      high0 = VectorMax<T>(high0, v);
      low0 = VectorMin<T>(low0, v);
    }
    if (j < n) {
      const __m128i v = load(n - kLanes);
      high0 = VectorMax<T>(high0, v);
      low0 = VectorMin<T>(low0, v);
      j = n;
    }
    high = LaneExtreme<T, VectorMax<T>>(high0);
    low = LaneExtreme<T, VectorMin<T>>(low0);
  }
#endif
  for (; j < n; ++j) {
    high = std::max(high, values[j]);
    low = std::min(low, values[j]);
  }
  return {high, low};
}

}  // namespace

std::pair<std::int16_t, std::int16_t> SpanExtremes(const std::int16_t* values, std::uint32_t n) { return Extremes(values, n); }
std::pair<std::int32_t, std::int32_t> SpanExtremes(const std::int32_t* values, std::uint32_t n) { return Extremes(values, n); }

namespace {

// Reduces columns first..last of a time base into the given records; with_filters false is the
// plain reduction. hand_on passes each finished record to the column interpolation.
void ReduceColumns(VessamorChannel& channel, const ColumnRecord* time_base, ColumnRecord* columns,
                   std::uint32_t capacity, std::uint16_t first, std::uint16_t last, bool with_filters,
                   bool hand_on) {
  if (time_base == nullptr || columns == nullptr || channel.Codes == nullptr || capacity == 0) return;
  if (last >= capacity) last = static_cast<std::uint16_t>(capacity - 1);
  if (first > last) return;
  FilterPass pass(channel);
  const std::uint32_t limit = pass.SampleCount();
  if (limit == 0) return;
  const std::int16_t* codes = channel.Codes;

  if (!with_filters || !pass.Filters()) {
    for (std::uint32_t c = first; c <= last; ++c) {
      const SampleSpan span = ColumnSpan(time_base[c], limit);
      const auto [high, low] = Extremes(codes + span.First, span.End - span.First);
      columns[c].MaxCode = high;
      columns[c].MinCode = low;
    }
  } else {
    // The columns' spans, taken once for the bounds, the cuts and the folding of every piece.
    std::vector<SampleSpan> spans;
    spans.reserve(last - first + 1u);
    std::uint32_t a = limit;
    std::uint32_t b = 0;
    for (std::uint32_t c = first; c <= last; ++c) {
      const SampleSpan span = ColumnSpan(time_base[c], limit);
      spans.push_back(span);
      a = std::min(a, span.First);
      b = std::max(b, span.End);
    }
    if (first != last && time_base[first].SampleCount == 0 && a > 0) --a;

    std::vector<std::int32_t>& processed = channel.Filter.Processed;
    std::vector<SteadyRun> runs;
    std::vector<std::uint32_t> cuts;
    runs.reserve(std::min<std::size_t>(spans.size() + 2u, kReductionPieceSamples));
    cuts.reserve(std::min<std::size_t>(2u * spans.size(), 2u * kReductionPieceSamples));
    if (processed.size() < kReductionPieceSamples) processed.assign(kReductionPieceSamples, 0);
    // Each piece's outputs are folded into the columns before the next piece overwrites them; a
    // column that spans two pieces starts in the first and is extended in the next.
    for (std::uint32_t piece_first = a; piece_first < b;) {
      const std::uint32_t piece_end = b - piece_first > kReductionPieceSamples ? piece_first + kReductionPieceSamples : b;
      // Where the columns of this piece start and end: no steady run crosses one.
      // Columns laid in order give their cuts in order already, each column's end its neighbour's
      // start: a cut equal to the one before is left out as it comes.
      cuts.clear();
      bool in_order = true;
      for (const SampleSpan& span : spans) {
        if (span.End <= piece_first || span.First >= piece_end) continue;
        for (const std::uint32_t at : {std::max(span.First, piece_first), std::min(span.End, piece_end)}) {
          if (!cuts.empty()) {
            if (at == cuts.back()) continue;
            in_order = in_order && at > cuts.back();
          }
          cuts.push_back(at);
        }
      }
      if (!in_order) {
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
      }
      runs.clear();
      pass.Outputs(piece_first, piece_end, processed.data(), cuts, runs);
      channel.Filter.ProcessedCount = piece_end - piece_first;
      // Extremes of samples [from, to) of the piece: the outputs, and the steady runs' extremes.
      auto next_run = runs.begin();
      const auto extremes = [&](std::uint32_t from, std::uint32_t to) {
        std::int32_t high = std::numeric_limits<std::int32_t>::min();
        std::int32_t low = std::numeric_limits<std::int32_t>::max();
        const auto take = [&](std::uint32_t part_from, std::uint32_t part_to) {
          if (part_from >= part_to) return;
          const auto [h, l] = Extremes(processed.data() + (part_from - piece_first), part_to - part_from);
          high = std::max(high, h);
          low = std::min(low, l);
        };
        std::uint32_t at = from;
        // Columns come in order: the search goes on from the last column's first run.
        if (next_run != runs.begin() && std::prev(next_run)->End > from) next_run = runs.begin();
        while (next_run != runs.end() && next_run->End <= from) ++next_run;
        auto run = next_run;
        for (; run != runs.end() && run->First < to; ++run) {
          take(at, run->First);
          high = std::max(high, run->High);
          low = std::min(low, run->Low);
          at = run->End;
        }
        take(at, to);
        return std::pair{high, low};
      };
      for (std::uint32_t c = first; c <= last; ++c) {
        const SampleSpan span = spans[c - first];
        const std::uint32_t from = std::max(span.First, piece_first);
        const std::uint32_t to = std::min(span.End, piece_end);
        if (from >= to) continue;
        ColumnRecord& record = columns[c];
        const auto [high, low] = extremes(from, to);
        // A column that starts in this piece starts afresh; one from the piece before is extended.
        if (span.First >= piece_first) {
          record.MaxCode = high;
          record.MinCode = low;
        } else {
          record.MaxCode = std::max(record.MaxCode, high);
          record.MinCode = std::min(record.MinCode, low);
        }
      }
      piece_first = piece_end;
    }
  }
  if (hand_on && channel.CurveSmoothOn == 0 && columns == channel.Columns) {
    // Without curve smoothing the interpolation only computes each column's plot points: in one pass.
    channel.ComputePlotPoints(first, last);
  } else if (hand_on) {
    for (std::uint32_t c = first; c <= last; ++c) channel.InterpolateColumns(columns[c]);
  }
}

}  // namespace

void VessamorChannel::ResetColumnReduction() {
  Interpolation = ColumnInterpolationWindow{};
  Filter.ProcessedCount = 0;
  Filter.MedianNext = 0;
  Filter.MedianFull = 0;
  Filter.SmoothSum = 0;
  Filter.SmoothFill = 0;
  Filter.SmoothFirst = 0;
  Filter.SmoothFrom = 0;
  Filter.SmoothTo = 0;
  Filter.SmoothNext = 0;
  Filter.SmoothValid = 0;
  std::fill(Filter.SmoothRing.begin(), Filter.SmoothRing.end(), 0);
  if (SmoothingWindow != 0) {
    const SmoothingHalves halves = HalvesOfWindow(SmoothingWindow);
    LeadHalf = halves.Lead;
    TrailHalf = halves.Trail;
    InnerHalf = halves.Inner;
    SmoothRingSize = static_cast<std::uint16_t>(halves.RingSize);
    // The smoothing form (centred, or trailing RMS) follows the view's switch.
    if (View != nullptr) CentredSmoothing = View->CentredSmoothingSwitch;
  }
}

void VessamorChannel::UpdateChannelColumns(std::uint16_t first, std::uint16_t last) {
  ReduceColumns(*this, TimeBase, Columns, ColumnCapacity, first, last, FilterOn != 0, true);
}

void VessamorChannel::BuildColumnMinMax(std::uint16_t first, std::uint16_t last) {
  ReduceColumns(*this, TimeBase, Columns, ColumnCapacity, first, last, true, true);
}

std::int32_t VessamorChannel::FilterNewestSample() {
  const std::uint32_t count = SampleLimit(*this);
  if (Codes == nullptr || count == 0) return 0;
  // A private column over the newest sample: the live display's time base and records stay as they are.
  std::array<ColumnRecord, 2> time_base{};
  time_base[1].FirstSample = count - 1;
  time_base[1].SampleCount = 1;
  std::array<ColumnRecord, 2> scratch{};
  ReduceColumns(*this, time_base.data(), scratch.data(), 2, 1, 1, true, false);
  return scratch[1].MaxCode;
}

std::int32_t VessamorChannel::FilteredCodeAt(std::uint32_t index) {
  const std::uint32_t count = SampleLimit(*this);
  if (Codes == nullptr || count == 0) return 0;
  // A private column over the one sample, reduced as the curve's columns are.
  std::array<ColumnRecord, 2> time_base{};
  time_base[1].FirstSample = std::min(index, count - 1);
  time_base[1].SampleCount = 1;
  std::array<ColumnRecord, 2> scratch{};
  ReduceColumns(*this, time_base.data(), scratch.data(), 2, 1, 1, true, false);
  return scratch[1].MaxCode;
}

float VessamorChannel::CurveValueAt(std::uint32_t index) { return CurveValueOfCode(FilteredCodeAt(index)); }

float VessamorChannel::CurveValueOfCode(std::int32_t code) const {
  float value = ChannelValueOfCode(code, 2);
  // As the curve draws it: the gas volume of kind 47 never goes below zero once its zero is set.
  if (SensorCode == 47 && ZeroOffsetOn != 0 && value < 0.0f) value = 0.0f;
  return value;
}

std::int32_t GraphView::RunChannelFilterOnce(std::size_t channel_index) {
  return Channel(std::min(channel_index, kLiveChannels - 1)).FilterNewestSample();
}
