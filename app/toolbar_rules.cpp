// The measurement toolbar's slider tables, the channel options panel's place and the release rules.
#include "app/toolbar_rules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

namespace {

constexpr std::array<float, 11> kValueBreakpoints = {0, 0.1f, 0.5f, 1, 5, 10, 50, 100, 200, 500, 1000};
constexpr std::array<float, 11> kValueSteps = {0.02f, 0.05f, 0.1f, 0.5f, 1, 5, 10, 20, 50, 100, 1000};
constexpr std::array<float, 11> kTimeBreakpoints = {0, 0.01f, 0.05f, 0.1f, 0.5f, 1, 5, 10, 50, 100, 200};
constexpr std::array<float, 11> kTimeSteps = {0.001f, 0.005f, 0.005f, 0.05f, 0.05f, 0.25f, 0.25f, 2.5f, 2.5f, 10, 200};
constexpr std::array<float, 6> kRateBreakpoints = {0.1f, 1, 5, 10, 20, 25};
constexpr std::array<float, 5> kRateSteps = {0.1f, 1, 1, 2, 1};

constexpr std::int32_t kMeasureIds[] = {75004, 74999, 75012, 75010, 75011, 75050, 75186, 75038, 75039,
                                        75040, 75041, 75181, 75182, 75183, 75184, 75016, 75045, 75046,
                                        75037, 75013, 75014, 75053, 75052, 75054};

}  // namespace

ValueSliderLayout ChooseValueSlider(float maximum, float minimum) {
  const auto n = static_cast<std::int32_t>(kValueBreakpoints.size());
  std::int32_t last = 7;
  if (maximum != 0.0f) {
    for (std::int32_t i = n - 1; i >= 0; --i) {
      if (kValueBreakpoints[static_cast<std::size_t>(i)] <= maximum) {
        last = i + 1 < 4 ? 6 : i + 1;
        break;
      }
    }
  }
  std::int32_t first = 0;
  if (minimum != 0.0f) {
    for (std::int32_t j = 0; j < n; ++j) {
      const float b = kValueBreakpoints[static_cast<std::size_t>(j)];
      if (b >= minimum) {
        first = b == minimum ? j : std::max(j - 1, 0);
        break;
      }
    }
  }
  if (first > last) first = std::max(first - 2, 0);
  // A large maximum would ask for breakpoints past the table's end; the slider ends at its last one.
  last = std::min(last, n - 1 - first);
  const auto from = static_cast<std::size_t>(first);
  return {first, last, std::span<const float>(kValueBreakpoints).subspan(from, static_cast<std::size_t>(last) + 1),
          std::span<const float>(kValueSteps).subspan(from, static_cast<std::size_t>(last))};
}

std::span<const float> TimeScaleBreakpoints() { return kTimeBreakpoints; }
std::span<const float> TimeScaleSteps() { return kTimeSteps; }
std::span<const float> RateBreakpoints() { return kRateBreakpoints; }
std::span<const float> RateSteps() { return kRateSteps; }

std::int32_t ChannelOptionsWidth(float scale_x, float aspect_ratio) {
  return static_cast<std::int32_t>(scale_x * (aspect_ratio < 1.5f ? 360.0f : 330.0f));
}

std::int32_t ChannelOptionsLeft(std::int32_t button_left, std::int32_t width, std::int32_t client_width) {
  std::int32_t x = button_left;
  if (x + width > client_width) x = client_width - width - 2;
  return std::max(x, 0);
}

std::span<const std::int32_t> MeasureScreenIds() { return kMeasureIds; }

void ApplyReleaseRules(ToolbarSnapshot& t, std::int32_t id, bool keep_help) {
  const auto found = t.Controls.find(id);
  const bool panel_open = t.PanelMode != 0;
  const bool id_pressed = found != t.Controls.end() && found->second.ImageButton && found->second.State == 2;
  const auto pressed = [&](std::int32_t c) {
    const auto it = t.Controls.find(c);
    return it != t.Controls.end() && it->second.State == 2;
  };
  // The control `c` unless it is the one in use or not there.
  const auto other = [&](std::int32_t c) -> ToolbarControl* {
    if (c == id) return nullptr;
    const auto it = t.Controls.find(c);
    return it == t.Controls.end() ? nullptr : &it->second;
  };
  const auto reset = [](ToolbarControl* c) {
    if (c != nullptr) c->Done = ToolbarControl::kReset;
  };
  const auto up = [](ToolbarControl* c) {
    if (c == nullptr) return;
    c->State = 1;
    c->Done = ToolbarControl::kRelease;
  };
  const auto each = [&](std::initializer_list<std::int32_t> ids, auto&& treat) {
    for (std::int32_t c : ids) {
      if (ToolbarControl* control = other(c)) treat(*control);
    }
  };

  each({75010, 75011, 75012, 75049, 75050, 75051}, [&](ToolbarControl& c) {
    if (id_pressed) c.State = 1;
    reset(&c);
  });
  if (!keep_help) {
    each({75186}, [&](ToolbarControl& c) {
      if (id_pressed) {
        c.State = 1;
        t.HelpShown = false;
      }
      reset(&c);
    });
  }
  each({75016, 75014, 75053, 75054, 75045, 75046, 75038, 75039, 75040, 75041, 75181, 75182, 75183, 75184},
       [&](ToolbarControl& c) { reset(&c); });
  each({75013}, [&](ToolbarControl& c) { c.State == 2 && !keep_help ? up(&c) : reset(&c); });
  each({75004}, [&](ToolbarControl& c) { c.State == 2 && t.ViewExists && !t.Recording ? up(&c) : reset(&c); });
  each({75037}, [&](ToolbarControl& c) {
    if (t.Recording) {
      up(&c);
      t.PanelMode = 0;
    } else if (t.PanelMode == 0 && c.State == 2) {
      up(&c);
    } else {
      reset(&c);
    }
  });
  each({74999}, [&](ToolbarControl& c) {
    if (t.Recording) {
      reset(&c);
    } else {
      up(&c);
      t.DisplayHold = 0;
    }
  });
  if (panel_open) {
    each({75043, 75006, 75017, 75022, 75027, 75032}, [&](ToolbarControl& c) { reset(&c); });
  }
  each({75052}, [&](ToolbarControl& c) {
    if (c.State != 2 || keep_help) {
      if (c.State != 2 && !keep_help) {
        for (std::int32_t s : {75001, 75003}) {
          if (ToolbarControl* slider = other(s)) slider->Visible = false;
        }
      }
      reset(&c);
      return;
    }
    t.SyncScaleSliders = true;
    for (std::int32_t s : {75001, 75003}) {
      if (ToolbarControl* slider = other(s)) slider->State = 1;
    }
  });
  each({75008}, [&](ToolbarControl& c) {
    if (t.PanelMode == 0) {
      c.Visible = false;
    } else {
      c.State = 1;
    }
  });
  // The list stays only for a menu button still down after the ones above went up: pressing
  // another button (Help among them) closes a list whose button it released.
  const bool menu_pressed = pressed(75010) || pressed(75011) || pressed(75012) || pressed(75049) || pressed(75051);
  each({75009}, [&](ToolbarControl& c) {
    if (!menu_pressed) c.Visible = false;
  });
  each({50060}, [&](ToolbarControl& c) { c.Visible = false; });

  if (t.Recording) {
    t.PanelMode = 0;
    t.PanelClosed = panel_open;
    if (ToolbarControl* scale = other(75052); scale != nullptr && scale->State == 2) {
      up(scale);
      for (std::int32_t s : {75001, 75003}) {
        if (ToolbarControl* slider = other(s)) slider->Visible = false;
      }
    }
  }
}
