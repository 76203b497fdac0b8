// Sliding median of 16-bit codes: counted, or for short windows sorted in vector registers.
#include "channels/code_median.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

constexpr std::uint32_t kCodes = 65536;
constexpr std::uint32_t kWords = kCodes / 64;

#if defined(__SSE2__)
// A sorted window in registers of 8 codes: its codes (each + 0x8000, so that signed compares order
// them as unsigned numbers) in `sorted`, `size` of them, the median at `rank`; 0x7FFF above them
// to the end of the last register. Runs return the steps taken as CodeCountMedian::Run does.
struct SortedRun {
  std::uint16_t* sorted;
  std::uint32_t size;
  std::uint32_t rank;
  // Least codes below the window (laid across registers of 16 codes only).
  std::uint32_t pads;
  const std::int16_t* outgoing;
  const std::int16_t* incoming;
  std::uint32_t count;
  std::int32_t* out;

  // A leaving code can be missing only if it entered before this run: where the leaving codes
  // trail the entering ones by the window in one array, from the n-th step on each leaving code is
  // one this run put in, and the search for it is left out.
  std::uint32_t Searched() const {
    const bool trailing = reinterpret_cast<std::uintptr_t>(incoming) - reinterpret_cast<std::uintptr_t>(outgoing) ==
                          std::uintptr_t{size} * sizeof(std::int16_t);
    return trailing ? std::min(count, size) : count;
  }
  // Lanes of the last register that hold codes of the window, not the filling above them.
  __m128i OwnLanes(int registers) const {
    alignas(16) std::array<std::uint16_t, 8> own{};
    for (std::uint32_t lane = 0; lane < 8; ++lane) own[lane] = 8 * (registers - 1) + lane < size ? 0xFFFF : 0;
    return _mm_load_si128(reinterpret_cast<const __m128i*>(own.data()));
  }
};

// The median lies in this register of a window of that many (the rank n / 2 of n < 8 x registers).
constexpr int MedianRegister(int registers) { return (registers - 1) / 2; }

// One step in plain SSE2: the first leaving code goes (the codes below it stay, each code from it on
// takes the next), then the entering code comes in (the codes below it stay, each place from its
// own takes the greater of the entering code and the code before).
template <int Registers>
inline void SortedStep(__m128i (&window)[Registers], __m128i leaving, __m128i entering) {
  const __m128i least = _mm_setr_epi16(static_cast<std::int16_t>(0x8000), 0, 0, 0, 0, 0, 0, 0);
  const __m128i greatest = _mm_set1_epi16(0x7FFF);
  __m128i kept[Registers];
  #pragma GCC unroll 4
  for (int r = 0; r < Registers; ++r) {
    const __m128i above = r + 1 < Registers ? window[r + 1] : greatest;
    const __m128i next = _mm_or_si128(_mm_srli_si128(window[r], 2), _mm_slli_si128(above, 14));
    const __m128i stays = _mm_cmplt_epi16(window[r], leaving);
    kept[r] = _mm_or_si128(_mm_and_si128(stays, window[r]), _mm_andnot_si128(stays, next));
  }
  #pragma GCC unroll 4
  for (int r = 0; r < Registers; ++r) {
    const __m128i below = r > 0 ? _mm_srli_si128(kept[r - 1], 14) : least;
    const __m128i before = _mm_or_si128(_mm_slli_si128(kept[r], 2), below);
    const __m128i stays = _mm_cmplt_epi16(kept[r], entering);
    window[r] = _mm_or_si128(_mm_and_si128(stays, kept[r]), _mm_andnot_si128(stays, _mm_max_epi16(before, entering)));
  }
}

template <int Registers>
std::uint32_t RunSorted(const SortedRun& run) {
  __m128i window[Registers];
  #pragma GCC unroll 4
  for (int r = 0; r < Registers; ++r) window[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(run.sorted + 8 * r));
  const __m128i own = run.OwnLanes(Registers);
  const std::uint32_t median_lane = run.rank - 8 * MedianRegister(Registers);
  alignas(16) std::array<std::uint16_t, 8> lanes{};
  const std::uint32_t searched = run.Searched();
  std::uint32_t i = 0;
  for (; i < run.count; ++i) {
    const __m128i leaving = _mm_set1_epi16(static_cast<std::int16_t>(run.outgoing[i] ^ 0x8000));
    if (i < searched) {
      __m128i found = _mm_and_si128(_mm_cmpeq_epi16(window[Registers - 1], leaving), own);
      #pragma GCC unroll 4
      for (int r = 0; r + 1 < Registers; ++r) found = _mm_or_si128(found, _mm_cmpeq_epi16(window[r], leaving));
      if (_mm_movemask_epi8(found) == 0) break;
    }
    SortedStep(window, leaving, _mm_set1_epi16(static_cast<std::int16_t>(run.incoming[i] ^ 0x8000)));
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes.data()), window[MedianRegister(Registers)]);
    run.out[i] = static_cast<std::int16_t>(lanes[median_lane] ^ 0x8000u);
  }
  #pragma GCC unroll 4
  for (int r = 0; r < Registers; ++r) _mm_storeu_si128(reinterpret_cast<__m128i*>(run.sorted + 8 * r), window[r]);
  return i;
}

#if defined(__GNUC__) && defined(__x86_64__)
#define VESSAMOR_SORTED_BLEND 1
// The same with the processor's byte alignment and blend, where it has them: about half the
// instructions a step; with AVX2 they also take no register copies.
template <int Registers>
__attribute__((target("sse4.1"), always_inline)) inline void SortedStepBlend(__m128i (&window)[Registers],
                                                                            __m128i leaving, __m128i entering) {
  const __m128i least = _mm_set1_epi16(static_cast<std::int16_t>(0x8000));
  const __m128i greatest = _mm_set1_epi16(0x7FFF);
  __m128i kept[Registers];
  #pragma GCC unroll 4
  for (int r = 0; r < Registers; ++r) {
    const __m128i next = _mm_alignr_epi8(r + 1 < Registers ? window[r + 1] : greatest, window[r], 2);
    kept[r] = _mm_blendv_epi8(next, window[r], _mm_cmpgt_epi16(leaving, window[r]));
  }
  #pragma GCC unroll 4
  for (int r = 0; r < Registers; ++r) {
    const __m128i before = _mm_alignr_epi8(kept[r], r > 0 ? kept[r - 1] : least, 14);
    window[r] = _mm_blendv_epi8(_mm_max_epi16(before, entering), kept[r], _mm_cmpgt_epi16(entering, kept[r]));
  }
}

template <int Registers>
__attribute__((target("sse4.1"), always_inline)) inline std::uint32_t RunSortedBlend(const SortedRun& run) {
  __m128i window[Registers];
  #pragma GCC unroll 4
  for (int r = 0; r < Registers; ++r) window[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(run.sorted + 8 * r));
  const __m128i own = run.OwnLanes(Registers);
  const std::uint32_t median_lane = run.rank - 8 * MedianRegister(Registers);
  alignas(16) std::array<std::uint16_t, 8> lanes{};
  const std::uint32_t searched = run.Searched();
  std::uint32_t i = 0;
  for (; i < run.count; ++i) {
    const __m128i leaving = _mm_set1_epi16(static_cast<std::int16_t>(run.outgoing[i] ^ 0x8000));
    if (i < searched) {
      __m128i found = _mm_and_si128(_mm_cmpeq_epi16(window[Registers - 1], leaving), own);
      #pragma GCC unroll 4
      for (int r = 0; r + 1 < Registers; ++r) found = _mm_or_si128(found, _mm_cmpeq_epi16(window[r], leaving));
      if (_mm_testz_si128(found, found) != 0) break;
    }
    SortedStepBlend(window, leaving, _mm_set1_epi16(static_cast<std::int16_t>(run.incoming[i] ^ 0x8000)));
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes.data()), window[MedianRegister(Registers)]);
    run.out[i] = static_cast<std::int16_t>(lanes[median_lane] ^ 0x8000u);
  }
  #pragma GCC unroll 4
  for (int r = 0; r < Registers; ++r) _mm_storeu_si128(reinterpret_cast<__m128i*>(run.sorted + 8 * r), window[r]);
  return i;
}

template <int Registers>
__attribute__((target("sse4.1"))) std::uint32_t RunSortedSse41(const SortedRun& run) {
  return RunSortedBlend<Registers>(run);
}

template <int Registers>
__attribute__((target("avx2"))) std::uint32_t RunSortedAvx2(const SortedRun& run) {
  return RunSortedBlend<Registers>(run);
}

// A window of 32 to 127 codes in registers of 16 codes, laid across them: place j of the sorted
// codes is lane j / Registers of register j % Registers, so the place above a code is the same lane
// of the next register; only codes that wrap between the last register and the first move to
// another lane. Least codes fill the places below the window so that the median lies in the first
// register.
template <int Registers>
__attribute__((target("avx2"))) std::uint32_t RunWideSorted(const SortedRun& run) {
  const __m256i least = _mm256_set1_epi16(static_cast<std::int16_t>(0x8000));
  const __m256i greatest = _mm256_set1_epi16(0x7FFF);
  __m256i window[Registers];
  __m256i own[Registers];
  #pragma GCC unroll 9
  for (int r = 0; r < Registers; ++r) {
    window[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run.sorted + 16 * r));
    alignas(32) std::array<std::uint16_t, 16> lanes{};
    for (std::uint32_t lane = 0; lane < 16; ++lane) {
      const std::uint32_t place = lane * Registers + r;
      lanes[lane] = place >= run.pads && place < run.pads + run.size ? 0xFFFF : 0;
    }
    own[r] = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes.data()));
  }
  const std::uint32_t median_lane = (run.rank + run.pads) / Registers;
  alignas(32) std::array<std::uint16_t, 16> lanes{};
  const std::uint32_t searched = run.Searched();
  std::uint32_t i = 0;
  for (; i < run.count; ++i) {
    const __m256i leaving = _mm256_set1_epi16(static_cast<std::int16_t>(run.outgoing[i] ^ 0x8000));
    if (i < searched) {
      __m256i found = _mm256_setzero_si256();
      #pragma GCC unroll 9
      for (int r = 0; r < Registers; ++r) found = _mm256_or_si256(found, _mm256_and_si256(_mm256_cmpeq_epi16(window[r], leaving), own[r]));
      if (_mm256_testz_si256(found, found) != 0) break;
    }
    const __m256i entering = _mm256_set1_epi16(static_cast<std::int16_t>(run.incoming[i] ^ 0x8000));
    // The first leaving code goes: the codes below it stay, each code from it on takes the next.
    const __m256i wrapped_up = _mm256_alignr_epi8(_mm256_permute2x128_si256(window[0], greatest, 0x21), window[0], 2);
    __m256i kept[Registers];
    #pragma GCC unroll 9
    for (int r = 0; r < Registers; ++r) {
      const __m256i next = r + 1 < Registers ? window[r + 1] : wrapped_up;
      kept[r] = _mm256_blendv_epi8(next, window[r], _mm256_cmpgt_epi16(leaving, window[r]));
    }
    // The entering code comes in: the codes below it stay, each place from its own takes the
    // greater of the entering code and the code before.
    const __m256i last = kept[Registers - 1];
    const __m256i wrapped_down = _mm256_alignr_epi8(last, _mm256_permute2x128_si256(least, last, 0x21), 14);
    #pragma GCC unroll 9
    for (int r = 0; r < Registers; ++r) {
      const __m256i before = r > 0 ? kept[r - 1] : wrapped_down;
      window[r] = _mm256_blendv_epi8(_mm256_max_epi16(before, entering), kept[r], _mm256_cmpgt_epi16(entering, kept[r]));
    }
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes.data()), window[0]);
    run.out[i] = static_cast<std::int16_t>(lanes[median_lane] ^ 0x8000u);
  }
  #pragma GCC unroll 9
  for (int r = 0; r < Registers; ++r) _mm256_storeu_si256(reinterpret_cast<__m256i*>(run.sorted + 16 * r), window[r]);
  return i;
}
#endif

// At most these instructions for the sorted windows (a test hook); the processor's widest at the start.
std::atomic<CodeCountMedian::VectorSet> vector_limit{CodeCountMedian::VectorSet::kAvx2};

// Whether windows of up to kWideSortedCodes codes are kept sorted, in registers of 16 codes.
bool WideSorted() {
#if defined(VESSAMOR_SORTED_BLEND)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2 && vector_limit.load(std::memory_order_relaxed) == CodeCountMedian::VectorSet::kAvx2;
#else
  return false;
#endif
}

std::uint32_t RunWideSortedWindow(std::uint32_t registers, const SortedRun& run) {
#if defined(VESSAMOR_SORTED_BLEND)
  switch (registers) {
    case 3: return RunWideSorted<3>(run);
    case 4: return RunWideSorted<4>(run);
    case 5: return RunWideSorted<5>(run);
    case 6: return RunWideSorted<6>(run);
    case 7: return RunWideSorted<7>(run);
    case 8: return RunWideSorted<8>(run);
    default: return RunWideSorted<9>(run);
  }
#else
  (void)registers;
  (void)run;
  return 0;
#endif
}

std::uint32_t RunSortedWindow(std::uint32_t registers, const SortedRun& run) {
#if defined(VESSAMOR_SORTED_BLEND)
  static const CodeCountMedian::VectorSet widest = __builtin_cpu_supports("avx2")     ? CodeCountMedian::VectorSet::kAvx2
                                                   : __builtin_cpu_supports("sse4.1") ? CodeCountMedian::VectorSet::kSse41
                                                                                      : CodeCountMedian::VectorSet::kSse2;
  const auto set = std::max(widest, vector_limit.load(std::memory_order_relaxed));
  if (set == CodeCountMedian::VectorSet::kAvx2) {
    switch (registers) {
      case 1: return RunSortedAvx2<1>(run);
      case 2: return RunSortedAvx2<2>(run);
      case 3: return RunSortedAvx2<3>(run);
      default: return RunSortedAvx2<4>(run);
    }
  }
  if (set == CodeCountMedian::VectorSet::kSse41) {
    switch (registers) {
      case 1: return RunSortedSse41<1>(run);
      case 2: return RunSortedSse41<2>(run);
      case 3: return RunSortedSse41<3>(run);
      default: return RunSortedSse41<4>(run);
    }
  }
#endif
  switch (registers) {
    case 1: return RunSorted<1>(run);
    case 2: return RunSorted<2>(run);
    case 3: return RunSorted<3>(run);
    default: return RunSorted<4>(run);
  }
}
#endif

}  // namespace

void CodeCountMedian::LimitVectors(VectorSet widest) {
#if defined(__SSE2__)
  vector_limit.store(widest, std::memory_order_relaxed);
#else
  (void)widest;
#endif
}

void CodeCountMedian::Fill(const std::int16_t* codes, std::uint32_t n) {
  size_ = n;
  rank_ = n / 2;
#if defined(__SSE2__)
  if (n < kSortedCodes || (n < kWideSortedCodes && WideSorted())) {
    std::array<std::uint16_t, kSortedSlots> sorted{};
    for (std::uint32_t i = 0; i < n; ++i) sorted[i] = static_cast<std::uint16_t>(static_cast<std::uint16_t>(codes[i]) ^ 0x8000u);
    std::sort(sorted.begin(), sorted.begin() + n,
              [](std::uint16_t a, std::uint16_t b) { return static_cast<std::int16_t>(a) < static_cast<std::int16_t>(b); });
    std::fill(sorted_.begin(), sorted_.end(), std::uint16_t{0x7FFF});
    if (n < kSortedCodes) {
      // Registers of 8 codes in order, with room for one more than the window: a step shifts a
      // code in at the top.
      sorted_lanes_ = 8;
      sorted_registers_ = n / 8 + 1;
      sorted_pads_ = 0;
      median_slot_ = rank_;
      std::copy_n(sorted.begin(), n, sorted_.begin());
    } else {
      // Registers of 16 codes laid across, with room for one more than the window and for the
      // least codes below it that bring the median into the first register.
      const std::uint32_t registers = (n + 14) / 15;
      sorted_lanes_ = 16;
      sorted_registers_ = registers;
      sorted_pads_ = (registers - rank_ % registers) % registers;
      median_slot_ = (rank_ + sorted_pads_) / registers;
      for (std::uint32_t place = 0; place < 16 * registers; ++place) {
        std::uint16_t code = 0x7FFF;
        if (place < sorted_pads_) {
          code = 0x8000;
        } else if (place < sorted_pads_ + n) {
          code = sorted[place - sorted_pads_];
        }
        sorted_[(place % registers) * 16 + place / registers] = code;
      }
    }
    return;
  }
#endif
  sorted_registers_ = 0;
  if (counts_.empty()) {
    counts_.assign(kCodes, 0);
    present_.assign(kWords, 0);
  }
  // Only the codes of the last window are cleared, found through the map.
  for (std::uint32_t g = 0; g < words_.size(); ++g) {
    for (std::uint64_t groups = words_[g]; groups != 0; groups &= groups - 1) {
      const std::uint32_t w = (g << 6) | static_cast<std::uint32_t>(std::countr_zero(groups));
      for (std::uint64_t bits = present_[w]; bits != 0; bits &= bits - 1) {
        counts_[(w << 6) | static_cast<std::uint32_t>(std::countr_zero(bits))] = 0;
      }
      present_[w] = 0;
    }
    words_[g] = 0;
  }
  for (std::uint32_t i = 0; i < n; ++i) Add(static_cast<std::uint16_t>(codes[i]));
  // The lowest code present, then upwards until the rank is reached.
  median_ = PresentAbove(0);
  if (counts_[0] != 0) median_ = 0;
  below_ = 0;
  while (below_ + counts_[median_] <= rank_) {
    below_ += counts_[median_];
    median_ = PresentAbove(median_);
  }
}

std::uint32_t CodeCountMedian::Run(const std::int16_t* outgoing, const std::int16_t* incoming,
                                   std::uint32_t count, std::int32_t* out) {
  if (size_ == 0) return 0;
#if defined(__SSE2__)
  if (sorted_registers_ != 0) {
    const SortedRun run{sorted_.data(), size_, rank_, sorted_pads_, outgoing, incoming, count, out};
    return sorted_lanes_ == 16 ? RunWideSortedWindow(sorted_registers_, run) : RunSortedWindow(sorted_registers_, run);
  }
#endif
  // The median and the count below it stay in registers over the run.
  std::uint32_t median = median_;
  std::uint32_t below = below_;
  const std::uint32_t rank = rank_;
  std::uint16_t* const counts = counts_.data();
  std::uint32_t i = 0;
  for (; i < count; ++i) {
    const std::uint32_t leaving = static_cast<std::uint16_t>(outgoing[i]);
    const std::uint32_t entering = static_cast<std::uint16_t>(incoming[i]);
    if (leaving != entering) {
      if (counts[leaving] == 0) break;
      Remove(leaving);
      Add(entering);
      below = below + static_cast<std::uint32_t>(entering < median) - static_cast<std::uint32_t>(leaving < median);
      // One code left and one entered: the code of the rank is at most one code present away.
      if (below > rank) {
        median = PresentBelow(median);
        below -= counts[median];
      } else if (below + counts[median] <= rank) {
        below += counts[median];
        median = PresentAbove(median);
      }
    }
    out[i] = static_cast<std::int16_t>(median);
  }
  median_ = median;
  below_ = below;
  return i;
}

std::uint32_t CodeCountMedian::PresentAboveWord(std::uint32_t code) const {
  std::uint32_t w = code >> 6;
  // The next word with a code present, through the map of words.
  const std::uint32_t next = w + 1;
  if (next >= kWords) return code;
  std::uint32_t g = next >> 6;
  std::uint64_t groups = words_[g] & (~std::uint64_t{0} << (next & 63));
  while (groups == 0) {
    if (++g == words_.size()) return code;
    groups = words_[g];
  }
  w = (g << 6) | static_cast<std::uint32_t>(std::countr_zero(groups));
  return (w << 6) | static_cast<std::uint32_t>(std::countr_zero(present_[w]));
}

std::uint32_t CodeCountMedian::PresentBelowWord(std::uint32_t code) const {
  std::uint32_t w = code >> 6;
  if (w == 0) return code;
  const std::uint32_t before = w - 1;
  std::uint32_t g = before >> 6;
  const std::uint32_t top = before & 63;
  std::uint64_t groups = words_[g] & (top == 63 ? ~std::uint64_t{0} : (std::uint64_t{2} << top) - 1);
  while (groups == 0) {
    if (g == 0) return code;
    groups = words_[--g];
  }
  w = (g << 6) | (63u - static_cast<std::uint32_t>(std::countl_zero(groups)));
  return (w << 6) | (63u - static_cast<std::uint32_t>(std::countl_zero(present_[w])));
}
