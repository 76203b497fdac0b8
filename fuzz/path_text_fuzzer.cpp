// libFuzzer target: text along and between paths through whatever points, size scales and base
// lengths the bytes give (not numbers, infinities, huge, tiny, coincident), on a small surface. Run
// under UBSan: none of them may reach AGG's integer coordinates unchecked.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>

#include "platform/surface.h"
#include "render/agg_ren.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kSpecial[] = {kNaN, kInf, -kInf, 1e300, -1e300, 1e6, -1e6, 1.0000001e6, 8.4e6, 4.9e-324, 0.0, -0.0, 1e-9};

// The input read in steps: a byte saying how the next value is read, then the value. Past the end
// every byte is 0.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  double Next() {
    switch (Byte() % 4) {
      case 0:  // the value before again: coincident points
        return last_;
      case 1:  // on the surface or near it
        return last_ = Byte() * 2.0 - 60.0;
      case 2: {  // any double at all
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits = bits << 8 | Byte();
        return last_ = std::bit_cast<double>(bits);
      }
      default:
        return last_ = kSpecial[Byte() % std::size(kSpecial)];
    }
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  double last_ = 0.0;
};

agg_ren& Renderer() {
  static platform::Surface surface(320, 200);
  static agg_ren* ren = [] {
    static agg_ren r;
    r.Attach(surface);
    r.CreateAltFont("Arial", 0, 20, 400);
    r.polygon5 = std::make_unique<interactive_polygon>(6, 5.0);
    return &r;
  }();
  return *ren;
}

void Fill(Reader& in, interactive_polygon& polygon) {
  for (std::uint32_t i = 0; i < polygon.num_points(); ++i) {
    polygon.xn(i) = in.Next();
    polygon.yn(i) = in.Next();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  agg_ren& ren = Renderer();
  std::string text;
  for (std::uint8_t n = in.Byte() % 9; n > 0; --n) text += static_cast<char>(in.Byte() | 0x20);
  Fill(in, *ren.Polygon(2));
  Fill(in, *ren.Polygon(4));
  Fill(in, *ren.polygon5);
  const double scale = in.Next();
  const double base = in.Next();
  ren.DrawTextAlongPath({text, scale, rgba8(0, 0, 0, 255), base});
  ren.DrawTextBetweenPaths({text, scale, rgba8(0, 0, 0, 255), base});
  return 0;
}
