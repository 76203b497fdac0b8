// The picture array's elements and their bitmap resources.
#include "resources/picture_elements.h"

#include <array>

namespace {

// Element 27, the magnetic position sensor's picture, is its own "position sensor" bitmap.
constexpr std::array<int, 44> kElements = {
    50058, 50057, 0,     50075, 50076, 50064, 50062, 50077, 50063, 50065, 50067, 50074, 50068, 50069, 50070,
    50071, 50072, 50073, 50080, 50081, 50082, 50083, 50084, 50085, 50086, 50087, 50088, 50089, 50092, 50090,
    50091, 50093, 50094, 50095, 50096, 50098, 50097, 50099, 50100, 50101, 50102, 50103, 50104, 50105};

}  // namespace

int PictureElementResource(int element) {
  if (element < 0 || element >= static_cast<int>(kElements.size())) return 0;
  return kElements[static_cast<std::size_t>(element)];
}
