// The main window's construction, initialisation, close and release, and the services it offers the other layers.
#include "app/main_window.h"
#include "app/filter_panel_window.h"
#include "app/measure_paint_host.h"

#include <algorithm>

#include "acquisition/arrival_check.h"
#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "controls/control_frame.h"
#include "controls/stick_button_mod.h"
#include "layout/range_menu.h"
#include "platform/gdi.h"
#include "platform/memory_status.h"
#include "resources/bitmaps.h"
#include "resources/start_background.h"
#include "resources/string_table.h"

namespace {

// The close's own wait for the device worker before the manager's teardown.
constexpr std::uint32_t kCloseWaitMs = 300;
constexpr std::uint32_t kCloseWaitStepMs = 20;

constexpr char kLibraryMissing[] =
    "Библиотека для работы с датчиками libftd2xx.so не найдена .\n Подключите любой датчик и перезапустите программу";

void BuildEasing(CubicSpline& curve, double middle_x, double middle_y) {
  const double x[] = {0.0, middle_x, 1.0};
  const double y[] = {0.0, middle_y, 1.0};
  curve.Build(x, y, 3);
}

}  // namespace

MainWindowEnvironment SystemEnvironment() {
  MainWindowEnvironment environment;
  environment.BindLibrary = [] { return BindFtdiLibrary(); };
  environment.AvailableMemory = [] { return platform::AvailablePhysicalMemory(); };
  return environment;
}

MainWindow::MainWindow(platform::HostServices& host, MainWindowEnvironment environment)
    : host_(host), environment_(std::move(environment)) {
  BuildEasing(easing_[0], 0.5, 0.5);
  BuildEasing(easing_[1], 0.5, 0.7);
  BuildEasing(easing_[2], 0.2, 0.35);
}

MainWindow::~MainWindow() {
  // A window that was never closed (start-up failed, or a test ends) still stops its workers first.
  if (Devices) StopWorkers();
  ReleaseMainWindowObjects();
  renderer0_.Detach();
  renderer3_.Detach();
}

bool MainWindow::CreateMainWindow(bool command_line_english) {
  platform::HostWindow& window = host_.Window();
  if (window.Width() <= 0 || window.Height() <= 0) return false;
  // The window covers the work area; its size is the base of every scale factor.
  Metrics = MeasureScreen(window.Width(), window.Height());
  ClientRect = window.ClientRect();
  const bool english = !host_.UserLocaleIsRussian() || command_line_english;
  Bytes.EnglishUi = english ? 1 : 0;
  UiLanguage = english ? kLanguageEnglish : kLanguageRussian;
  // The start background is stretched over the window beside the rest of the start-up.
  BeginStartBackground();
  host_.SetInterfaceLanguage(!english);
  host_.SetWindowTitle(LoadString(kStringTitle, UiLanguage));
  host_.SetWindowIcon(LoadIconResource(kMainIcon));
  window.SetHandler(this);
  // The "x" of the top group asks for the close as the desktop's close does, also mid-save.
  window.SetCloseControl(75016);
  InitMainWindow();
  LayoutSuspended = 0;
  return true;
}

void MainWindow::BeginStartBackground() {
  // The bitmaps (they exist in one language only) are drawn when a screen first shows them: most
  // belong to pages a session may never open.
  for (int id : kMainWindowBitmaps) bitmaps_.push_back(BitmapSlot{id, false, {}});
  // Except the start background, which the intro's first frame may play over and the start
  // screen shows: it is drawn beside the start-up, and stretched over the window for the intro.
  // Begun by the program's entry, it is stretched from when the host told the window's size.
  if (const std::shared_ptr<StartBackgroundAhead>& ahead = environment_.StartBackground) {
    const int width = Metrics.ScreenWidth, height = Metrics.ScreenHeight;
    ahead->TellWindowSize(width, height);
    if (ahead->Fits(width, height) && ClientRect.left == 0 && ClientRect.top == 0 && ClientRect.right == width &&
        ClientRect.bottom == height) {
      stretched_ahead_ = ahead->TakeFirst();
      room_ahead_ = ahead->TakeRoom();
      return;
    }
  }
  std::promise<platform::Surface> stretched;
  stretched_ahead_ = stretched.get_future();
  room_ahead_ = std::async(std::launch::async, [this, width = Metrics.ScreenWidth, height = Metrics.ScreenHeight,
                                                client = ClientRect, stretched = std::move(stretched)]() mutable {
    const platform::Surface* bitmap = Bitmap(kStartBackgroundBitmap);
    const auto stretch = [&] {
      platform::Surface picture(width, height);
      if (bitmap != nullptr) platform::StretchBlit(picture, {0, 0, client.right, client.bottom}, *bitmap, bitmap->Bounds());
      return picture;
    };
    // The first goes to the intro's first frame as soon as it is made.
    stretched.set_value(bitmap != nullptr ? stretch() : platform::Surface{});
    return bitmap != nullptr ? stretch() : platform::Surface{};
  });
}

void MainWindow::InitMainWindow() {
  Tone = std::make_unique<TestTone>(host_.Audio(), static_cast<TestToneHost&>(*this));
  // 1. Device notifications: arrivals come on the window thread.
  host_.SetDeviceArrivalHandler(
      [this](const std::string& name, int state) { OnDeviceInterfaceChange(name, state); });
  // 2-3. The device manager and the driver library.
  Devices = std::make_unique<DeviceManager>();
  Devices->Clock = environment_.Clock;
  DeviceThreadState = kDeviceSearch;
  DeviceRunFlag = 1;
  LibraryBound = environment_.BindLibrary && environment_.BindLibrary() ? 1 : 0;
  if (LibraryBound == 0) host_.ShowMessage(kLibraryMissing, LoadString(kStringTitle, UiLanguage));
  // 4. The tables start empty.
  {
    std::lock_guard lock(Devices->TableLock);
    for (auto& unit : Devices->DeviceTable) unit.reset();
    for (auto& unit : Devices->ControlDeviceTable) unit.reset();
  }
  Devices->Window = this;
  Devices->MainWindow = this;
  // The host is a current system: the radio receiver takes its newer baud rate.
  Bytes.OsMajorVersion = 6;
  // 7. Bitmaps: made ready as the window was created.
  // 9. The record's capacity from the memory the system has free.
  SampleCapacity = SampleCapacityFor(environment_.AvailableMemory ? environment_.AvailableMemory() : 0);
  // 12-13. The graph view and its channels.
  View = std::make_unique<GraphView>();
  const PixelRect view_rect{0, Metrics.ToolbarButtonHeight, Metrics.ScreenWidth,
                            Metrics.ScreenHeight - Metrics.BottomBarHeight};
  View->Init(SampleCapacity, view_rect, 255, this);
  View->Ready = 1;
  // The breathing sensor shows its rate until its page chooses otherwise.
  if (Bytes.BreathingDisplayMode.load() == 0) Bytes.BreathingDisplayMode = 1;
  View->AttachDevices(*Devices, *this);
  SlotBinder = std::make_unique<DeviceSlotBinder>(DeviceSlots, *View);
  // The tick's calls into the window run on the window thread.
  View->Hooks.ApplyPreparationStep = [this] { ApplyPreparationStep(); };
  // Timer 10 brings the second step of a long record's fit, which is then kept in the history.
  Hooks.AutoScrollStep = [](MainWindow& w) {
    if (!w.View) return;
    // Or a filter change's long rebuild of the shown columns, which then is redrawn as the panel's.
    const int rebuilt = w.View->RunPendingRebuild();
    if (rebuilt >= 0 && w.View->FitPending == 0) {
      MainWindowFilterPanel(w, *w.View).RedrawView(rebuilt > 0);
      return;
    }
    w.View->AutoScrollView();
    w.View->SaveViewHistory();
  };
  // Timer 7 ends once the options panel, shown on entering the measurement screen, has painted.
  Hooks.SettingsPanelPainted = [](MainWindow& w) {
    const auto* panel = dynamic_cast<const StickButtonMod*>(w.FindControl(kSettingsPanelId));
    return panel != nullptr && !panel->FirstPaintPending;
  };
  View->Hooks.EndSensorPageMeasurement = [this] {
    PostToWindow([this] {
      if (Hooks.EndSensorPageMeasurement) {
        Hooks.EndSensorPageMeasurement(*this);
        return;
      }
      // The pressed sensor button lets go, and its press ends the page's measurement.
      for (std::size_t i = 0; i < Controls.SensorButtons.size(); ++i) {
        AImageButton* sensor = Controls.SensorButtons[i];
        if (sensor == nullptr || sensor->State.load() != ControlFrame::kStateDown) continue;
        sensor->State = ControlFrame::kStateUp;
        DispatchButtonPress(0, 0, 75163 + static_cast<std::int32_t>(i));
        break;
      }
    });
  };
  // A unit pulled out during a recording has stopped it: the user is told which, once the toolbar
  // shows the stop.
  View->Hooks.UnitLost = [this](const std::string& name) {
    PostToWindow([this, name] {
      if (Bytes.MeasureScreenActive.load() == 0) return;
      const std::string text = EnglishUi() ? "Sensor disconnected: " + name + "\nThe recording has stopped; the samples taken are kept."
                                           : "Отключён датчик: " + name + "\nЗапись остановлена, записанное сохранено.";
      host_.ShowMessage(text, LoadString(kStringTitle, UiLanguage));
    });
  };
  // A start or stop on the device worker (a full record, a lost unit) refreshes the toolbar here.
  View->RefreshToolbar = [this] { PostToWindow([this] { RefreshToolbar(); }); };
  ViewSlots = {View.get(), nullptr, nullptr, nullptr};
  CurrentView = View.get();
  PaintHost = std::make_unique<MeasurePaintHost>(*this);
  View->PaintHost = PaintHost.get();
  Settings.ChannelShown = {1, 1, 1, 1};
  View->ApplyChannelSettings(Settings);
  View->ClampRateToDevices();
  View->Continuous = 1;
  // 14. Controls; the first sensor button's height is the designed one.
  CreateMainControls(*this);
  if (Controls.SensorButtons[0] != nullptr) SensorButtonHeight = Controls.SensorButtons[0]->Rect().Height();
  // 15.
  View->RecordName = EnglishUi() ? "Record 1" : "Запись 1";
  Window().SetCursor(platform::CursorShape::Arrow);
  // 16. Animations and the information panel; the intro runs.
  for (auto& panel : Panels) panel = std::make_unique<PanelAnimation>();
  if (Hooks.CreateInfoPanel) Hooks.CreateInfoPanel(*this);
  StartupInProgress = 1;
  Bytes.MeasureScreenActive = 0;
  Bytes.InfoScreenActive = 0;
  View->Sweep.GraphScreen = 0;
  // The workers start once the view, the controls and the information panel they reach exist.
  if (LibraryBound != 0) Devices->StartWorkers();
  // 17. The intro's panel in the middle of the screen.
  PanelAnimation& intro = *Panels[0];
  const std::int32_t w = static_cast<std::int32_t>(Metrics.UiScale * 350.0f);
  const std::int32_t h = static_cast<std::int32_t>(Metrics.UiScale * 175.0f);
  intro.Area.left = (Metrics.ScreenWidth - w) / 2;
  intro.Area.top = (Metrics.ScreenHeight - h) / 2;
  intro.Area.right = intro.Area.left + w;
  intro.Area.bottom = intro.Area.top + h;
  intro.FrameColour = 0xFF969696;
  intro.TargetFrame = 50;
  intro.Frame = 0;
  intro.WaveGradientFactor = WaveGradientFactorFor(Metrics.ScreenWidth);
  intro.PanelGradientFactor = PanelGradientFactorFor(Metrics.ScreenWidth);
  intro.WaveGradientWidth = static_cast<std::int32_t>(static_cast<float>(static_cast<std::int32_t>(Metrics.ScaleX * 73.0f)) * Metrics.ScaleX);
  intro.PanelGradientWidth = static_cast<std::int32_t>(Metrics.ScaleX * 19.0f);
  if (LibraryBound == 0) Window().PostClose();
  // 18. The intro's first frame paints the whole window.
  StartIntroTimer(0, 50, 1000, kTimerIntro);
  InvalidateLocal();
  // 19.
  for (std::size_t k = 0; k < IndicatorPanes.size(); ++k) IndicatorPanes[k] = View->Channel(k).SavedShown;
}

void MainWindow::StopWorkers() {
  ClosingFlag = 1;
  if (View && View->Recording.load() != 0) {
    View->StopRecordingOnExit(false);
    StopAfterRecording = 1;
  }
  DeviceRunFlag = 0;
  ControlRunFlag = 0;
  WakeDeviceWorker();
  // Without the library no worker runs, and nothing answers.
  for (std::uint32_t waited = 0; LibraryBound != 0 && DeviceThreadState.load() != kDeviceEnded && waited < kCloseWaitMs;
       waited += kCloseWaitStepMs) {
    environment_.Clock->SleepMs(kCloseWaitStepMs);
  }
  // The teardown joins both workers before it closes and deletes a unit.
  Devices.reset();
}

void MainWindow::StopAcquisition() {
  if (View && View->Recording.load() != 0) {
    StopAfterRecording = 1;
    View->StopRecordKeepData();
  } else {
    DeviceRunFlag = 0;
    ControlRunFlag = 0;
    WakeDeviceWorker();
  }
}

void MainWindow::OnClose() {
  if (Tone) Tone->StopTestTone();
  Closing[0] = 1;
  Closing[1] = 1;
  host_.SetDeviceArrivalHandler({});
  if (Devices) StopWorkers();
  ReleaseMainWindowObjects();
}

void MainWindow::ReleaseMainWindowObjects() {
  if (View) View->PaintHost = nullptr;
  PaintHost.reset();
  ViewSlots = {};
  CurrentView = nullptr;
  for (auto& panel : Panels) panel.reset();
  SlotBinder.reset();
  renderer0_.Detach();
  View.reset();
  Closing[1] = 0;
}

// --- Services ---

void MainWindow::InvalidateLocal(const platform::WindowRect& rect) {
  // Only the window thread reads these; from a worker the flag rides with the queued request.
  if (Window().IsWindowThread()) {
    LocalPaint = {1, 1};
    Window().Invalidate(rect);
    return;
  }
  PostToWindow([this, rect] {
    LocalPaint = {1, 1};
    Window().Invalidate(rect);
  });
}

void MainWindow::InvalidateLocal(const PixelRect& rect) {
  InvalidateLocal(platform::WindowRect{rect.Left, rect.Top, rect.Right, rect.Bottom});
}

void MainWindow::InvalidateLocal() { InvalidateLocal(Window().ClientRect()); }

void MainWindow::ClampUnitRate(const DeviceSlot& slot, std::uint32_t& rate, std::uint8_t shown_channels) {
  if (slot.Device != nullptr) slot.Device->ClampRate(rate, shown_channels);
}

platform::Surface* MainWindow::BackBufferForButton(const ControlFrame& control) {
  const std::optional<int> index = BackBufferIndexFor(control.ControlId());
  if (!index || BackBuffersReady == 0) return nullptr;
  return &BackBuffer(*index);
}

platform::Surface* MainWindow::GetBackBufferDC() { return BackBuffersReady != 0 ? &BackBuffer(0) : nullptr; }

platform::Surface& MainWindow::BackBuffer(int index) {
  if (index == 0) TakeBackLentFrame();
  if (index == 1) KeepIntroBackground();
  platform::Surface& buffer = buffers_[static_cast<std::size_t>(index)];
  // The graph's cached background is made the first time the measurement screen asks for it.
  if (index == 3 && BackBuffersReady != 0 && (buffer.Width() != Metrics.ScreenWidth || buffer.Height() != Metrics.ScreenHeight)) {
    buffer = platform::Surface(Metrics.ScreenWidth, Metrics.ScreenHeight);
    renderer3_.Attach(buffer);
  }
  return buffer;
}

const platform::Surface* MainWindow::Bitmap(int id) const {
  std::lock_guard lock(bitmaps_mutex_);
  for (BitmapSlot& slot : bitmaps_) {
    if (slot.Id != id) continue;
    if (!slot.Drawn) {
      // The start background begun by the program's entry is given once its stretches are made;
      // without it, the one kept in the program is lent.
      if (id == kStartBackgroundBitmap && environment_.StartBackground) slot.Picture = environment_.StartBackground->TakeDrawn();
      if (id == kStartBackgroundBitmap && slot.Picture.Empty()) slot.Picture = StartBackgroundPicture();
      if (slot.Picture.Empty()) slot.Picture = LoadBitmapResource(id, EnglishUi());
      slot.Drawn = true;
    }
    return &slot.Picture;
  }
  return nullptr;
}

// The commands of the controls are routed by the screens that handle them.
void MainWindow::FillRangeMenu(std::int32_t menu_kind, std::int32_t item, std::int32_t) {
  ::FillRangeMenu(*this, menu_kind, item);
}
void MainWindow::OnButtonRightClick(std::int32_t) {}

void MainWindow::PostToWindow(std::function<void()> call) {
  std::weak_ptr<int> alive = life_;
  Window().Post([this, alive, call = std::move(call)] {
    if (alive.expired() || Closing[0].load() != 0) return;
    call();
  });
}

void MainWindow::ChooseStartScreenText(std::uint32_t ticket, WindowAnswer& answer) {
  PostToWindow([this, ticket, &answer] {
    // A record being written or read is busy work: the search asks again, and the slots, the
    // buttons and the channels stay as the file operation found them.
    if (Window().InputHeld()) {
      answer.Store(ticket, false);
      return;
    }
    const bool done = Hooks.ReconcileSlots ? Hooks.ReconcileSlots(*this) : ChooseSlotsAfterSearch();
    answer.Store(ticket, done);
  });
}

void MainWindow::ApplyPreparationStep() {
  PostToWindow([this] {
    if (Hooks.PreparationStep) Hooks.PreparationStep(*this);
  });
}

std::uint8_t MainWindow::FindDeviceSlot(const FTRecordDevice& unit, std::uint8_t detail) {
  return SlotBinder ? SlotBinder->FindDeviceSlot(unit, detail) : 0;
}

void MainWindow::ForgetUnits() {
  for (DeviceSlot& slot : DeviceSlots) slot.Device = nullptr;
  for (SensorButtonState& button : SensorButtons) button.Unit = nullptr;
  if (View) {
    std::lock_guard lock(View->ViewLock);
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) View->Channel(k).Device = nullptr;
  }
}

void MainWindow::OnDeviceInterfaceChange(const std::string& interface_name, int state) {
  if (Devices) ::OnDeviceInterfaceChange(*Devices, interface_name, state);
}
