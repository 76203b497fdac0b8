// The preparation page's value boxes, action button and option marks, and the pictures of each sensor kind.
#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <mutex>
#include <tuple>
#include <utility>

#include "acquisition/ft_record_device.h"
#include "channels/device_slot.h"
#include "channels/sensor_kind_table.h"
#include "channels/main_window_services.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"
#include "info/info_panel.h"
#include "platform/gdi.h"
#include "render/agg_ren.h"
#include "render/cubic_spline.h"
#include "resources/string_table.h"

namespace {

using Codes = std::initializer_list<std::uint16_t>;

bool In(std::uint16_t code, Codes codes) { return std::ranges::find(codes, code) != codes.end(); }

int Trunc(double v) { return static_cast<int>(v); }

constexpr std::uint16_t kLanguageRu = 1049;

std::string Str(int id, bool english) { return std::string(LoadString(id, english ? 1033 : kLanguageRu)); }

constexpr const char* kAxisLabels[2][6] = {
    {"ускорение по оси X", "ускорение по оси X (180°)", "ускорение по оси Y", "ускорение по оси Y (180°)",
     "ускорение по оси Z", "ускорение по оси Z (180°)"},
    {"acceleration along X", "acceleration along X (180°)", "acceleration along Y", "acceleration along Y (180°)",
     "acceleration along Z", "acceleration along Z (180°)"}};
const char* EnterValue(bool english) { return english ? "Enter value" : "Ввести значение"; }

// Picture elements of the information page by code; codes not listed show element 12, the bare unit.
// Kinds that share an element share its drawing, whose foot the panel leaves for each kind's own name:
// element 22 is a sensing head that serves the light, infrared distance and atmospheric pressure
// units alike, element 40 a microphone unit that serves the two-channel and the integrating sound
// sensors, and element 32 a flow tube with its mouthpiece for the breath sensors.
struct PictureRow {
  Codes codes;
  int element;
};
const PictureRow kIntroPictures[] = {
    {{0, 9, 10, 16, 17, 18, 66, 67, 68, 69, 70, 71, 75}, 6},
    {{1, 2}, 15},
    {{3, 72}, 14},
    {{4, 54}, 13},
    {{5}, 4},
    {{6, 19, 29, 30}, 17},
    {{11, 20, 21, 22, 23, 42, 51}, 7},
    {{12, 13, 26, 85, 86, 87}, 19},
    {{14, 36, 88}, 16},
    {{24, 25, 31}, 18},
    {{27}, 23},
    {{28, 48}, 32},
    {{32, 33, 52, 57, 80, 84}, 22},
    {{34, 76}, 20},
    {{35}, 21},
    {{37}, 24},
    {{38}, 28},
    {{39}, 25},
    {{40}, 26},
    {{41}, 27},
    {{43}, 29},
    {{44}, 30},
    {{45, 46}, 31},
    {{53, 59}, 39},
    {{64, 65}, 37},
    {{73}, 42},
    {{74}, 38},
    {{77}, 41},
    {{78}, 40},
    {{83}, 43},
};
constexpr int kDefaultIntroPicture = 12;
// The unit type of the fast unit family, whose integrating sound sensor shows the one-microphone picture.
constexpr std::uint8_t kFastUnitType = 7;

}  // namespace

const char* AccelerometerLabel(std::uint8_t step_index, bool english) {
  const auto& labels = kAxisLabels[english ? 1 : 0];
  return labels[step_index < std::size(labels) ? step_index : 0];
}

const char* ConductivityRangeLabel(bool micro, bool english) {
  if (english) return micro ? "Range 100 µS/cm" : "Range 5 mS/cm";
  return micro ? "Диапазон 100 мкСм/см" : "Диапазон 5 мСм/см";
}

int IntroPictureElement(std::uint16_t code, std::uint8_t unit_type, bool wireless) {
  if (code == 7 || code == 8) return unit_type == 3 || wireless ? 35 : 33;
  if (code == 79) return unit_type == kFastUnitType || wireless ? 30 : 40;
  for (const PictureRow& row : kIntroPictures) {
    if (In(code, row.codes)) return row.element;
  }
  return kDefaultIntroPicture;
}

// -1: the pictured computer alone, without the live small graph; 0: the live graph and no picture.
int PreparationPictureElement(std::uint16_t code, std::uint8_t unit_type) {
  if (In(code, {0, 9, 10, 11, 16, 17, 18, 20, 21, 22, 23, 42, 51, 66, 67, 68, 69, 70, 71, 75})) return 8;
  if (code == 5) return 11;
  if (In(code, {6, 19, 29, 30})) return 10;
  if (code == 7 || code == 8) return unit_type == 3 ? 36 : 34;
  const bool listed = In(code, {1, 2, 3, 4, 12, 13, 14, 25, 26, 27, 28, 45, 46, 48, 52, 53, 54, 57, 59, 64, 65, 72, 73, 74,
                                83, 84, 85, 86, 87, 88}) ||
                      (code >= 31 && code <= 41) || code == 43 || code == 44 || (code >= 76 && code <= 80);
  return listed ? 0 : -1;
}

void InfoPanel::ChooseIntroPicture() {
  Picture1 = Picture2 = nullptr;
  PictureAddMode = 0;
  if (Owner.Picture) Picture2 = Owner.Picture(IntroPictureElement(SensorCode, UnitType(), Wireless != 0));
}

void InfoPanel::ChoosePreparationPictures() {
  Picture1 = Owner.Picture ? Owner.Picture(kComputerElement) : nullptr;
  const int element = PreparationPictureElement(SensorCode, UnitType());
  if (element < 0) return;
  PictureAddMode = 2;
  Picture2 = element > 0 && Owner.Picture ? Owner.Picture(element) : nullptr;
}

bool InfoPanel::IsTemperatureSensor() const { return In(SensorCode, {1, 2, 3, 4, 54, 72}); }

void InfoPanel::BindValueBoxes(FTRecordDevice* device, VessamorChannel* first, VessamorChannel* second) {
  Box1.EditState = Box2.EditState = 0;
  // A new page shows nothing of the last one's readings: a unit that sends no samples reads zero.
  Box1.Value = Box2.Value = 0.0f;
  const std::uint16_t code = device != nullptr ? device->SensorCode : SensorCode;
  Box1.Device = device;
  Box1.Channel = first;
  if (In(code, {1, 2, 3, 4, 46, 52, 54, 57, 72})) {
    Box2.Device = nullptr;
    Box2.Channel = nullptr;
  } else if (In(code, {11, 20, 21, 22, 23, 25, 42, 45, 51, 78, 79, 80, 88})) {
    Box2.Device = device;
    Box2.Channel = second != nullptr ? second : first;
  } else {
    Box2.Device = device;
    Box2.Channel = first;
  }
  Box1.ValueEnteredFlag = Box2.ValueEnteredFlag = &Steps.ValueEntered;
}

void InfoPanel::SetupPreparationButtons() {
  // The page is built again at every paint; a box the user is typing into keeps its text and
  // caret through it (opening a page clears them in BindValueBoxes).
  const std::array<std::pair<std::uint8_t, std::string>, 2> typing{{{Box1.EditState, Box1.Text}, {Box2.EditState, Box2.Text}}};
  for (ValueInputBox* box : {&Box1, &Box2}) box->Shown = box->EditState = 0;
  SpecialMode = 0;
  ActionButton = 0;
  if (IsTemperatureSensor()) {
    SetupTemperatureBoxes();
  } else if (In(SensorCode, {11, 20, 21, 22, 23, 25, 34, 42, 45, 51, 78, 79, 80, 88})) {
    SetupTwoChannelBoxes();
  } else if (In(SensorCode, {35, 37, 38, 39, 41, 43, 44, 46, 73, 74, 77, 84})) {
    SetupSimpleValueBox();
  } else if (SensorCode == 40) {
    SpecialMode = 1;
    // The page's options show the mode the graph takes: the window's byte; once several sensors
    // were measured it is cleared, and the page takes what the unit's channel was set up as.
    if (Owner.Bytes != nullptr) {
      const VessamorChannel* channel = Slot != nullptr ? Slot->Channels[0] : nullptr;
      std::uint8_t unset = 0;
      Owner.Bytes->BreathingDisplayMode.compare_exchange_strong(unset, channel == nullptr || channel->BreathRateShown != 0 ? 1 : 2);
      BreathingMode = Owner.Bytes->BreathingDisplayMode.load();
    }
    if (BreathingMode == 0) BreathingMode = 1;
    SetupSimpleValueBox();
  } else {
    if (SensorCode == 59) SpecialMode = 2;
    SetupLabelledValueBox();
  }
  if (ActionButton == 0 && Calls.HideActionButton) Calls.HideActionButton();
  for (std::size_t k = 0; k < typing.size(); ++k) {
    ValueInputBox& box = k == 0 ? Box1 : Box2;
    if (typing[k].first == 0 || box.Shown == 0) continue;
    std::tie(box.EditState, box.Text) = typing[k];
  }
}

void InfoPanel::FillBox(ValueInputBox& box) {
  box.FillFromChannel(box.Channel);
  bool samples = false;
  if (box.Channel != nullptr) {
    if (Owner.View != nullptr) {
      // The view's count of samples taken, not the channel's, which the unit writes as it decodes.
      std::lock_guard lock(Owner.View->ViewLock);
      samples = Owner.View->SampleCount != 0;
    } else {
      samples = true;
    }
  }
  if (samples) return;
  // Without samples of its own the channel may still be set up for the sensor before: the box
  // names its own sensor kind's unit.
  const SensorKindRow& row = SensorKindRowFor(SensorCode);
  box.Unit = std::string(row.Unit.In(English()));
  if (box.Unit.empty()) box.Unit = "В";
  box.Decimals = std::min<std::uint32_t>(row.Decimals, 6);
  box.Text = FormatFixed(box.Value, static_cast<int>(box.Decimals));
}

void InfoPanel::SetupSimpleValueBox() {
  ButtonSet = 1;
  FillBox(Box1);
  ShowSingleValueBox();
}

void InfoPanel::SetupLabelledValueBox() {
  ButtonSet = 1;
  FillBox(Box1);
  ShowLabelledValueBox();
}

void InfoPanel::SetupTwoChannelBoxes() {
  if (SensorCode == 34 && English()) {
    SetupLabelledValueBox();
    return;
  }
  ButtonSet = 2;
  FillBox(Box1);
  FillBox(Box2);
  if (SensorCode == 34) {
    ShowOpticalDensityBoxes();
  } else {
    ShowTwoValueBoxes();
  }
}

void InfoPanel::SetupTemperatureBoxes() {
  ButtonSet = 3;
  FillBox(Box1);
  FillBox(Box2);
  ShowLabelledValueBox();
}

void InfoPanel::HideBox2() {
  Box2.Shown = 0;
  Box2.Device = nullptr;
}

void InfoPanel::ShowSingleValueBox() {
  PlaceBoxes(false, false);
  Box1.Shown = 1;
  Box1.Label = Str(kStringCurrentValue, English());
  Box1.SizeFactor = 0.3;
  HideBox2();
}

void InfoPanel::ShowLabelledValueBox() {
  const bool en = English();
  PlaceBoxes(false, false);
  Box1.Shown = 1;
  Box1.SizeFactor = 0.3;
  HideBox2();
  std::string caption = Str(kStringSetZero, en);
  if (SensorCode == 6) {
    const bool micro = Box1.Channel != nullptr && Box1.Channel->SensorCode == 19;
    Box1.Label = ConductivityRangeLabel(micro, en);
  } else if (SensorCode == 34) {
    Box1.Label = "Optical density";
    // After the dark signal the button asks for the full signal; a full rebuild keeps that.
    caption = !en ? "Фоновая засветка" : Steps.StepIndex == 1 ? "Signal in the absence of\n absorption" : "Backlight";
  } else if (SensorCode == 7 || SensorCode == 8) {
    if (Steps.StepIndex > Steps.StepCount) Steps.StepIndex = 0;
    Box1.Label = AccelerometerLabel(Steps.StepIndex, en);
    caption = EnterValue(en);
  } else {
    Box1.Label = Str(kStringCurrentValue, en);
  }
  PlaceActionButton(caption);
}

void InfoPanel::ShowOpticalDensityBoxes() {
  PlaceBoxes(true, true);
  Box1.Label = Steps.StepIndex == 1 ? "Максимальный отклик" : "Минимальный отклик";
  Box2.Label = "Оптическая плотность";
  Box2.DigitByDigit = 1;
  for (ValueInputBox* box : {&Box1, &Box2}) {
    box->Shown = 1;
    box->SizeFactor = 0.75;
  }
  PlaceActionButton(EnterValue(English()));
}

void InfoPanel::ShowTwoValueBoxes() {
  PlaceBoxes(true, false);
  Box1.Label = Str(kStringCurrentValue1, English());
  Box2.Label = Str(kStringCurrentValue2, English());
  for (ValueInputBox* box : {&Box1, &Box2}) {
    box->Shown = 1;
    box->SizeFactor = 0.75;
  }
  if (SensorCode != 78 && SensorCode != 79) PlaceActionButton(Str(kStringSetZero, English()));
}

void InfoPanel::PlaceBoxes(bool two, bool optical_density) {
  const platform::WindowRect& c = Owner.Content;
  const float sx = Owner.ScaleX, ui = Owner.UiScale;
  // The scales are the screen's size against the 1280 x 994 design.
  const int screen_height = static_cast<int>(std::lround(994.0 * Owner.ScaleY));
  const bool wide = 1280.0 * Owner.ScaleX > 1.5 * 994.0 * Owner.ScaleY;
  const bool low = screen_height < 801;
  const int x = c.left + Trunc(20 * sx);
  const int w = Trunc(300 * sx);
  const int bottom_gap = Trunc(20 * ui);
  const double char_height = 17.0 * 3.2 * ui;
  const double char_width = platform::TextExtent("0", platform::Font{"Arial", std::max(6, Trunc(char_height)), 0, 400}).cx;
  if (!two) {
    const int h = Trunc(static_cast<float>(w) / 3.3333333f);
    Box1.SetRect(x, c.bottom - h - bottom_gap, w, h);
    Box1.UseOwnSize = 0;
  } else {
    double d = 4.285714;
    for (ValueInputBox* box : {&Box1, &Box2}) box->UseOwnSize = 0;
    if (wide || low) {
      for (ValueInputBox* box : {&Box1, &Box2}) {
        box->UseOwnSize = 1;
        box->OwnSize = low ? 2.2 : 2.5;
      }
      if (wide) d = optical_density ? 5.0 : 4.6153846;
    }
    const int h = Trunc(w / d);
    Box2.SetRect(x, c.bottom - h - bottom_gap, w, h);
    const int gap = optical_density ? Trunc(3 * ui) : Trunc(4 * sx);
    Box1.SetRect(x, Box2.Rect.top - gap - h, w, h);
  }
  for (ValueInputBox* box : {&Box1, &Box2}) {
    box->Layout(box->Rect, char_width * (box->UseOwnSize != 0 ? box->OwnSize / 3.2 : 1.0), 8.0 * ui, screen_height, wide);
  }
  // The action button beside the boxes, never narrower than a pixel.
  const int bx = x + w + Trunc(20 * sx);
  const int bw = std::max(1, c.right - bx - Trunc(20 * sx));
  const int b = Trunc(LerpInt(1000, 600, 90, 110, screen_height) * ui);
  const int by = two ? Box1.Rect.bottom - b / 2 : Trunc(Box1.Rect.top + (c.bottom - 10 * ui - Box1.Rect.top - b) * 0.5);
  ButtonRect = platform::WindowRect::FromSize(bx, by, bw, b);
}

void InfoPanel::PlaceActionButton(const std::string& caption) {
  ActionButton = 1;
  ActionCaption = caption;
  if (Calls.PlaceActionButton) Calls.PlaceActionButton(ButtonRect, caption);
}

void InfoPanel::FinishBox(ValueInputBox& box) {
  // A finish writes the channel's entered value, which the tick's readers share under the view lock.
  if (Owner.View == nullptr) {
    box.Input(nullptr);
    return;
  }
  std::lock_guard lock(Owner.View->ViewLock);
  box.Input(nullptr);
}

bool InfoPanel::FinishValueInputs() {
  if (CurrentScreen != kPreparation) return false;
  bool finished = false;
  for (ValueInputBox* box : {&Box1, &Box2}) {
    if (box->Shown != 0 && box->EditState != 0) {
      FinishBox(*box);
      finished = true;
      if (Calls.Invalidate) Calls.Invalidate(box->Rect);
    }
  }
  // An accepted input arms the step for this page's sensor.
  if (Steps.ValueEntered != 0) {
    Steps.ValueEntered = 0;
    Steps.StepPending = 1;
    Steps.StepButton = SensorButton;
  }
  return finished;
}

void InfoPanel::InputKey(const unsigned* key) {
  ValueInputBox* box = Box1.EditState != 0 ? &Box1 : Box2.EditState != 0 ? &Box2 : nullptr;
  if (box != nullptr) InputInto(*box, key);
}

void InfoPanel::InputInto(ValueInputBox& box, const unsigned* key) {
  if (key == nullptr) {
    FinishBox(box);
  } else {
    box.Input(key);
  }
  if (Steps.ValueEntered != 0) {
    Steps.ValueEntered = 0;
    Steps.StepPending = 1;
    Steps.StepButton = SensorButton;
  }
  // The refusal line lies above the box, in the strip its last render took or the one it takes now.
  if (Calls.Invalidate) {
    const platform::WindowRect above{box.Rect.left, box.Rect.top - 2 * BodyTextHeight(), box.Rect.right, box.Rect.top};
    Calls.Invalidate(box.Rect.Union(above).Union(box.RefusalArea.IsEmpty() ? above : box.RefusalArea));
  }
}

void InfoPanel::RenderValueBoxes() {
  if (Owner.Buffer == nullptr || CurrentScreen != kPreparation) return;
  const ValueBoxStyle style{Owner.ScaleY, Owner.UiScale, English(), BodyTextHeight()};
  // The link quality is read only while the slot still holds the box's unit.
  const FTRecordDevice* unit = Slot != nullptr ? Slot->Device : nullptr;
  for (ValueInputBox* box : {&Box1, &Box2}) {
    if (box->Shown == 0) continue;
    box->Wireless = unit != nullptr && box->Device == unit && Slot->DeviceTypeCode == 3 ? 1 : 0;
    if (box->Wireless != 0) box->LinkQuality = unit->LinkQuality.load(std::memory_order_relaxed);
    box->Render(*Owner.Buffer, style);
  }
}

void InfoPanel::DrawOptionMark(double x, double y, bool selected) {
  if (Owner.Renderer == nullptr || Owner.Renderer->Solid() == nullptr) return;
  agg_ren& r = *Owner.Renderer;
  const double radius = 10.0 * Owner.UiScale;
  const auto disc = [&](double rad, const rgba8& colour) {
    auto& ras = r.Rasterizer();
    ras.reset();
    constexpr int kSteps = 64;
    for (int i = 0; i < kSteps; ++i) {
      const double a = 2.0 * 3.14159265358979 * i / kSteps;
      const double px = x + rad * std::cos(a), py = y + rad * std::sin(a);
      if (i == 0) ras.move_to_d(px, py); else ras.line_to_d(px, py);
    }
    ras.close_polygon();
    r.Solid()->color(colour);
    r.RenderScanlines();
    ras.reset();
  };
  disc(radius, rgba8(0, 0, 0, 255));
  disc(radius - 1.0, rgba8(255, 255, 255, 255));
  if (selected) disc(radius - 3.0, rgba8(0, 0, 0, 255));
}

std::uint8_t InfoPanel::OptionAt(platform::WindowPoint point) const {
  if (SpecialMode != 1) return 0;
  for (std::uint8_t k = 0; k < 2; ++k) {
    if (OptionRects[k].Contains(point)) return static_cast<std::uint8_t>(k + 1);
  }
  return 0;
}
