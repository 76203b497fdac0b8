// The hint window's texts and placement.
#include "app/hint_window.h"

#include <algorithm>
#include <cmath>

#include "render/cubic_spline.h"

namespace {

struct ControlHint {
  std::int32_t Id;
  const char* Russian;
  const char* English;
};

// The string table's hint entries, by the control that shows them.
constexpr ControlHint kControlHints[] = {
    {74999, "Пауза", "Pause"},
    {75004, "Начать запись", "Start record"},
    {75010, "Сохранение/Открытие записи", "Save/Load record"},
    {75011, "Подготовленные датчики", "Ready for work sensors"},
    {75012, "Настройки отображения", "View options"},
    {75013, "Просмотр всей записи/Отмена", "View all record/Back"},
    {75014, "Предыдущий масштаб", "Previous scale"},
    {75016, "Закрыть программу", "Close program"},
    {75037, "Настройки датчика", "Sensor`s options"},
    {75038, "Показать/Скрыть первый канал", "Show/Hide first channel"},
    {75039, "Показать/Скрыть второй канал", "Show/Hide second channel"},
    {75040, "Показать/Скрыть третий канал", "Show/Hide third channel"},
    {75041, "Показать/Скрыть четвёртый канал", "Show/Hide fourth channel"},
    {75045, "Просмотр записи: назад на 1/2 страницы", "View record: back by half page"},
    {75046, "Просмотр записи: вперёд на 1/2 страницы", "View record: forward by half page"},
    {75050, "Вернуться в главное меню", "Back in main menu"},
    {75052, "Показать/Скрыть настройки масштаба", "Show/Hide scale controls"},
    {75053, "Следующий масштаб", "Next scale"},
    {75054, "Свернуть окно", "Minimaze window"},
    {75181, "Настройки 1го канала", "Options for channel 1"},
    {75182, "Настройки 2го канала", "Options for channel 2"},
    {75183, "Настройки 3го канала", "Options for channel 3"},
    {75184, "Настройки 4го канала", "Options for channel 4"},
    {75186, "Помощь по управлению программой", "Keys and Mouse"},
};

constexpr std::int32_t kRecordButtons[] = {75017, 75022, 75027, 75032};

HintLines MainZoneHint(const HintContext& c) {
  int chosen = 0;
  bool ready = false;
  for (std::size_t i = 0; i < 4; ++i) {
    chosen += c.Chosen[i] != 0;
    ready = ready || (c.Chosen[i] != 0 && c.Prepared[i] != 0);
  }
  if (!ready) {
    return c.English ? HintLines{"Prepare a sensor for work or include", " use already prepared"}
                     : HintLines{"Подготовте датчик к работе или включите", " использование уже подготовленного"};
  }
  static constexpr const char* kRussian[] = {"подготовлен один датчик", "подготовлено два датчика",
                                             "подготовлено три датчика", "подготовлено четыре датчика"};
  static constexpr const char* kEnglish[] = {"one sensor is prepared", "two sensors are prepared",
                                             "three sensors are prepared", "four sensors are prepared"};
  const std::size_t n = static_cast<std::size_t>(std::clamp(chosen, 1, 4) - 1);
  return c.English ? HintLines{std::string("For work ") + kEnglish[n] + ".", " press «Measurements»."}
                   : HintLines{std::string("К работе ") + kRussian[n] + ".", " Нажмите \"Проведение измерений\"."};
}

}  // namespace

std::optional<HintLines> HintTextFor(std::int32_t id, const HintContext& c) {
  if (id == kHintMainZone) return MainZoneHint(c);
  if (id == kHintSensorUsed) {
    return c.English ? HintLines{"The sensor is prepared and will be used in measurements.",
                                 " Left click of the mouse if DON`T WANT to use the sensor"}
                     : HintLines{"Датчик подготовлен и будет использоваться в измереннях.",
                                 " Нажмите левую кнопку мыши, если НЕ хотите использовать датчик"};
  }
  if (id == kHintSensorUnused) {
    return c.English ? HintLines{"The sensor is prepared, but in measurements isn't used.",
                                 " Left click of the mouse if WANT to use the sensor."}
                     : HintLines{"Датчик подготовлен ,но в измерениях не используется.",
                                 " Нажмите левую кнопку мыши, если хотите использовать датчик."};
  }
  for (std::size_t i = 0; i < std::size(kRecordButtons); ++i) {
    if (kRecordButtons[i] != id) continue;
    const std::string channel = std::to_string(i + 1) + " канал";
    return HintLines{(c.RecordButtonDown ? "Записывать " : "Не записывать ") + channel, std::nullopt};
  }
  for (const ControlHint& hint : kControlHints) {
    if (hint.Id == id) return HintLines{c.English ? hint.English : hint.Russian, std::nullopt};
  }
  return std::nullopt;
}

std::size_t CodePoints(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
}

std::int32_t HintWidthCorrection(std::int32_t id, bool english) {
  const auto in = [id](std::initializer_list<std::int32_t> ids) { return std::find(ids.begin(), ids.end(), id) != ids.end(); };
  if (!english) {
    if (in({75053, 75014, 75010, 75012, 75011, 75186, 75050})) return 2;
    return in({75052, 75013}) ? 1 : 0;
  }
  if (in({75052, 75013, 75011, 75004, 75014}) || (id >= 75038 && id <= 75041) || (id >= 75181 && id <= 75184)) return -2;
  if (in({75045, 75046})) return -3;
  return in({75053, 75012, 75010, 75037}) ? -1 : 0;
}

platform::WindowRect PlaceNextToControl(const platform::WindowRect& control, std::int32_t id, std::string_view line1,
                                        bool english, const HintMetrics& m) {
  const std::int32_t n = static_cast<std::int32_t>(CodePoints(line1)) + 3 + HintWidthCorrection(id, english) +
                         LerpInt(1000, 600, 0, 1, m.ScreenHeight);
  const double t = n * m.CharWidth * m.TextSize * 1.05;
  auto width = static_cast<std::int32_t>(1.05 * t);
  auto left = static_cast<std::int32_t>(control.left - 0.25 * t);
  if (left < 0) left = static_cast<std::int32_t>(10 * m.ScaleX);
  const std::int32_t right = std::min(left + width, m.Client.right - 10);
  left = right - width;
  const double u = m.UiScale;
  if (u >= 1.0) {
    if (id == 75038) width += 10;
  } else {
    if ((id >= 75038 && id <= 75041) || id == 75016) width += static_cast<std::int32_t>(10 * u);
    if (id == 75038 || id == 75186 || id == 75054) width += static_cast<std::int32_t>(10 * u);
  }
  const auto h = static_cast<std::int32_t>(18 * u);
  const std::int32_t middle = (m.Client.top + m.Client.bottom) / 2;
  const std::int32_t top = control.top > middle ? control.top - 8 - 2 * h : control.bottom + 4;
  return platform::WindowRect::FromSize(left, top, width, 2 * h);
}

platform::WindowRect PlaceAtAnchor(const platform::WindowRect& anchor, std::size_t longest, const HintMetrics& m) {
  const double u = m.UiScale;
  const std::int32_t edge = m.Client.right - 10;
  // Never wider than the client area allows, and never empty.
  const std::int32_t width = std::clamp(static_cast<std::int32_t>(longest * 1.3 * m.CharWidth * m.TextSize), 1,
                                        std::max(1, m.Client.Width() - 20));
  std::int32_t left = anchor.right + static_cast<std::int32_t>(10 * u);
  // Near the right edge the hint moves left rather than shrinking.
  if (left + width > edge) left = edge - width;
  return platform::WindowRect::FromSize(left, anchor.top - static_cast<std::int32_t>(20 * u), width,
                                        static_cast<std::int32_t>(60 * u));
}
