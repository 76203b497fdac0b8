// The program's one window: start-up, close, paint and back buffers, timers, keys and device notifications.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "acquisition/device_manager.h"
#include "acquisition/window_side.h"
#include "app/device_slots.h"
#include "app/mouse_routing.h"
#include "app/panel_animation.h"
#include "app/screen_metrics.h"
#include "app/start_background_ahead.h"
#include "app/test_tone.h"
#include "channels/main_window_services.h"
#include "controls/control_owner.h"
#include "graph/graph_view.h"
#include "graph/startup_settings.h"
#include "info/help_panel.h"
#include "layout/main_controls.h"
#include "platform/host_services.h"
#include "platform/surface.h"
#include "platform/window_core.h"
#include "render/agg_ren.h"
#include "render/cubic_spline.h"

namespace records {
struct RecordFormats;
}

// What the window takes from the system at start-up; tests replace each.
struct MainWindowEnvironment {
  // Binds the D2XX entry points; false when the library or a required name is missing.
  std::function<bool()> BindLibrary;
  // Available physical memory in bytes.
  std::function<std::uint64_t()> AvailableMemory;
  // The device layer's clock (the workers' sleeps and the close's waits).
  UnitClock* Clock = &SystemUnitClock();
  // The start background begun by the program's entry; absent, the window makes its own.
  std::shared_ptr<StartBackgroundAhead> StartBackground;
  // The record formats File writes and reads; none: the installed ones.
  const records::RecordFormats* RecordFormats = nullptr;
};
MainWindowEnvironment SystemEnvironment();

// Timer ids of the main window.
inline constexpr unsigned kTimerIntro = 1;
inline constexpr unsigned kTimerPanelSlide = 2;
inline constexpr unsigned kTimerPanelContent = 3;
inline constexpr unsigned kTimerPanelClose = 4;
inline constexpr unsigned kTimerGraphRedraw = 5;
inline constexpr unsigned kTimerHintDelay = 6;
inline constexpr unsigned kTimerSettingsPanel = 7;
inline constexpr unsigned kTimerTitle = 8;
inline constexpr unsigned kTimerAutoScroll = 10;
inline constexpr unsigned kTimerHintEnd = 61;
inline constexpr unsigned kAnimationPeriodMs = 33;
// The window core's timers run no faster than this.
inline constexpr unsigned kShortestTimerMs = 10;
// Controls the timer steps show and hide.
inline constexpr std::int32_t kHintWindowId = 75175;
inline constexpr std::int32_t kSettingsPanelId = 74998;

class MeasurePaintHost;
struct MenuModel;

class MainWindow final : public MainWindowServices,
                         public WindowSide,
                         public ControlOwner,
                         public platform::MainWindowHandler,
                         public TestToneHost {
 public:
  MainWindow(platform::HostServices& host, MainWindowEnvironment environment);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Measures the screen, chooses the language, titles the window and initialises it; false when
  // the window cannot be used.
  bool CreateMainWindow(bool command_line_english);

  // --- MainWindowServices and ControlOwner ---
  float ScaleX() const override { return Metrics.ScaleX; }
  float ScaleY() const override { return Metrics.ScaleY; }
  float UiScale() const override { return Metrics.UiScale; }
  float AspectRatio() const override { return Metrics.AspectRatio; }
  std::int32_t ScreenWidth() const override { return Metrics.ScreenWidth; }
  std::int32_t ScreenHeight() const override { return Metrics.ScreenHeight; }
  std::int32_t StripMargin() const override { return 10; }
  // Any thread: marks the paint as the program's own and invalidates without erasing.
  void InvalidateLocal(const PixelRect& rect) override;
  void InvalidateLocal() override;
  void InvalidateLocal(const platform::WindowRect& rect);
  void ClampUnitRate(const DeviceSlot& slot, std::uint32_t& rate, std::uint8_t shown_channels) override;
  bool EnglishUi() const override { return Bytes.EnglishUi.load(std::memory_order_relaxed) != 0; }
  // --- TestToneHost ---
  void ShowToneMessage(std::string_view text) override { host_.ShowMessage(text, ""); }
  // Any thread: runs `call` on the window thread unless the window has gone or is closing by then.
  void PostToWindow(std::function<void()> call) override;
  platform::Surface* BackBufferForButton(const ControlFrame& control) override;
  platform::Surface* GetBackBufferDC() override;
  bool HoldsBackControlCopies() const override { return HoldBackCopies != 0; }
  void OnButtonPress(std::int32_t a, std::int32_t b, std::int32_t control_id) override;
  void OnButtonHover(std::int32_t a, std::int32_t b, std::int32_t control_id) override;
  void HideHintAndSlideLogo(std::int32_t control_id) override;
  void FillRangeMenu(std::int32_t menu_kind, std::int32_t item, std::int32_t notification_id) override;
  void OnButtonRightClick(std::int32_t control_id) override;

  // --- WindowSide ---
  void ChooseStartScreenText(std::uint32_t ticket, WindowAnswer& answer) override;
  void ApplyPreparationStep() override;
  std::uint8_t FindDeviceSlot(const FTRecordDevice& unit, std::uint8_t detail) override;
  void ForgetUnits() override;

  // --- Window messages ---
  void OnPaint(const platform::PaintContext& context) override;
  void OnKeyDown(unsigned virtual_key, unsigned repeat, unsigned flags) override;
  void OnTimer(unsigned id) override;
  void OnActivate(bool active) override;
  void OnClose() override;
  // The desktop's close: it may not drop an unsaved record unasked.
  bool OnCloseRequest() override { return SettleUnsavedRecord(); }
  // A device interface came or went (1 arrival, 3 removal); window thread.
  void OnDeviceInterfaceChange(const std::string& interface_name, int state);

  // --- Timers and start screen ---
  void StartIntroTimer(std::int32_t frame, std::int32_t target, std::uint32_t unused, unsigned id);
  void StartPanelTimer(std::int32_t frame, std::int32_t target, std::uint32_t unused, unsigned id,
                       std::uint32_t pause_ms);
  void QueueInfoPanelReveal();
  void MainButtonsShow();

  // --- Device slots and the start screen's sensor buttons ---
  // Reconciles the slots with the device table and gives the sensor buttons their units; mode 1
  // lays them out too. Flags: 1 a tick changed, 2 some unit is complete, 4 the layout was resized.
  std::uint8_t RefreshDevices(std::uint8_t mode);
  // The slot steps of the start page's text after a search; false while the window is busy.
  bool ChooseSlotsAfterSearch();
  bool AttachDeviceToSlot(FTRecordDevice& unit);
  void UpdateMeasureButton();
  // False, changing nothing, when the button already has that colour set.
  bool SetMeasureButtonReady();
  bool SetMeasureButtonNotReady();
  void ReleaseStartButtonsExcept(std::int32_t control_id);
  // The tick boxes beside the sensor buttons and the "Measurements" button, into buffer 0.
  void PaintTickBoxes();
  void PaintStartButtons();
  // Before the program's own close requests: a running recording is stopped and the device worker
  // ends after it; otherwise both workers are asked to end.
  void StopAcquisition();
  // The box shown while the graph view prepares a record, into buffer 0 (always in Russian).
  void DrawPreparingDataBox();

  // --- Commands, the measurement screen and its keys (app/measure_commands.cpp, app/measure_screen.cpp) ---
  // The start and sensor pages' command table.
  void DispatchButtonPress(std::int32_t a, std::int32_t b, std::int32_t control_id);
  void SensorButtonPress(std::int32_t slot);
  // The first view slot holding an active view becomes the current view; false when none does.
  bool SelectActiveView();
  void OnMeasureCommand(std::int32_t a, std::int32_t b, std::int32_t control_id);
  void GotoGraphScreen();
  void ShowMeasureScreen();
  // Lays the value-scale slider out for a maximum and minimum value per division.
  void SetupSlider(float maximum, float minimum);
  void SetupChannelButtons(bool show);
  // Window thread; the view's hook queues it here from wherever a recording starts or stops.
  void RefreshToolbar();
  void ToggleChannelOptions(std::int32_t slot);
  void LeaveMeasureScreen();
  // Before an action that drops the record on show (leaving, closing, Open, New): a record not saved
  // since it was taken is asked about (save, don't save, cancel). False when the action is to stay
  // undone: Cancel, or a save that was cancelled or failed.
  bool SettleUnsavedRecord();
  void ReleaseButtonsExcept(std::uint32_t control_id) override { ReleaseButtonsExcept(control_id, false); }
  void ReleaseButtonsExcept(std::uint32_t control_id, bool keep_help);
  void ClosePanel();
  void ClosePopups() override;
  void ToggleRecordingFromButton();
  // The toolbar's other commands, the drop-down menus and the record buttons (app/measure_toolbar.cpp).
  void OnToolbarCommand(std::int32_t kind, std::int32_t item, std::int32_t control_id, GraphView& view);
  void ScaleSliderCommand(std::int32_t control_id, GraphView& view);
  void RateSliderCommand(GraphView& view);
  void MenuNotification(std::int32_t kind, std::int32_t item, GraphView& view);
  // Opens the drop-down under its toolbar button with the rows of `model`; nothing while recording.
  void ApplyMenu(std::int32_t button_id, const MenuModel& model);
  void FillDeviceListMenu();
  // Every slot takes its unit from the device table again.
  void RebindAllSlots();
  void SensorSettingsCommand(AImageButton* button, GraphView& view);
  void RedrawSettingsPanelArea(GraphView& view);
  void ShowHideChannel(std::size_t channel, AImageButton* button, GraphView& view);
  void UpdateChannelRecordButtons(std::uint8_t mode) override;
  void ShowScaleSliders(bool shown) override;
  // What the graph view asks of the window beside (app/view_services.cpp).
  void SetChannelButton(std::size_t channel, std::uint8_t state, std::uint8_t shown) override;
  void MarkFirstChannelPerSensor() override;
  void RestoreArea(agg_ren& target, const PixelRect& rect) override;
  void CloseFileMenu() override;
  void ReleaseZoomButton() override;
  void SetScaleSliders(float value_per_division, float seconds_per_division) override;
  // A channel's value box at the vertical offset (app/value_indicators_draw.cpp).
  void DrawValueIndicator(VessamorChannel& channel, agg_ren& surface, std::int32_t offset, std::uint8_t mode,
                          std::uint16_t column) override;
  bool IndicatorFaceChanges(VessamorChannel& channel, std::uint16_t column) override;
  // What a full draw of the channel's box showing `value` at the column is drawn from.
  std::string IndicatorFace(const VessamorChannel& channel, double value, bool volume, std::uint16_t column);
  // The channel settings panel's last choice acts on the view (app/filter_panel_window.cpp).
  void FilterPanelCommand(GraphView& view);
  PixelRect SettingsPanelRect;
  std::int32_t LastSliderCommand = 0;
  // The units refused the rate of the sampling-rate slider's drag: its release says so again.
  std::uint8_t RateRefused = 0;
  // The quantity menu's row whose range sub-menu is open; -1 none.
  std::int32_t SensorSubMenuRow = -1;
  // The view slots; slot 0 holds View, the others stay empty.
  std::array<GraphView*, 4> ViewSlots{};
  GraphView* CurrentView = nullptr;
  std::uint8_t SensorPageLeft = 0;
  std::uint8_t ReturnToStart = 0;
  // A record taken on this screen that no save has written yet: leaving, closing, Open and New ask
  // about it first.
  std::uint8_t UnsavedRecord = 0;
  // No path of the interface sets it.
  std::uint8_t ExtendedMode = 0;
  // What the next measurement-screen paint copies into the cached background (buffer 3): 2 the
  // client area, 1 the plot, any other non-zero value the scale sliders.
  std::uint8_t CacheUpdateRequest = 0;
  // Which side-panel captions the next paint of the dial or the digital display draws (0 none).
  std::uint8_t SidePanelRequest = 0;
  // The last key that acted, so that its auto-repeat does not act again.
  unsigned HeldKey = 0;

  // The parts of the window that others build hook in here; each may stay empty.
  struct Parts {
    // Creates the information panel.
    std::function<void(MainWindow&)> CreateInfoPanel;
    // Window thread, after each search: reconciles the device slots with the manager's table and
    // chooses the start page's text; false while busy.
    std::function<bool(MainWindow&)> ReconcileSlots;
    // Window thread: the preparation page's pending calibration step.
    std::function<void(MainWindow&)> PreparationStep;
    // Window thread: a full record ended a sensor page's measurement.
    std::function<void(MainWindow&)> EndSensorPageMeasurement;
    // The start screen's title band and translucent panel, into buffer 0.
    std::function<void(MainWindow&)> PaintStartTitle;
    // The information panel's contents into buffer 0, once revealed.
    std::function<void(MainWindow&)> PaintInfoPanel;
    // The information panel goes to its start page; returns its picture's size (0 when none).
    std::function<platform::Size(MainWindow&)> ShowInfoStartPage;
    // The information panel's pictures stand this far in from its left edge.
    std::function<void(MainWindow&, std::int32_t)> SetInfoPictureIndent;
    // The channel settings panel has had its first paint.
    std::function<bool(MainWindow&)> SettingsPanelPainted;
    // One step of the title's slide; the step ends timer 8 itself when done.
    std::function<void(MainWindow&)> TitleStep;
    // One step of the graph view's automatic scroll; it sets timer 10 again, and
    // ScrollPaintPending, while more steps are due.
    std::function<void(MainWindow&)> AutoScrollStep;
    // A key or a mouse event for the information panel's page; true when the page took it.
    std::function<bool(MainWindow&, unsigned)> InfoPanelKey;
    std::function<bool(MainWindow&, const platform::MouseEvent&)> InfoPanelMouse;
    // The information panel's screen (0 start page, 1 sensor information, 11 preparation); -1 without a panel.
    std::function<int(MainWindow&)> InfoScreen;
    // The information panel shows a screen; for the preparation page of the unit of slot `slot`.
    std::function<void(MainWindow&, std::uint8_t screen, std::int32_t slot, FTRecordDevice* unit)> SetInfoScreen;
    // The preparation page's zero-setting button ("Set 0") was pressed.
    std::function<void(MainWindow&)> AdjustButton;
    // The unit of sensor button `button` was refused a slot: its information page says why.
    std::function<void(MainWindow&, std::int32_t button)> SensorRefused;
    // Finishes a value being typed on the preparation page; true when one was.
    std::function<bool(MainWindow&)> FinishValueInputs;
  } Hooks;

  // --- State other parts read and write ---
  ScreenMetrics Metrics;
  std::uint16_t UiLanguage = kLanguageRussian;
  std::uint8_t StartupInProgress = 0;
  std::uint8_t StartScreenDirty = 0;
  std::uint8_t CurrentTimerId = 0;
  std::uint8_t PanelMode = 0;
  std::array<std::uint8_t, 2> LocalPaint{};
  std::array<std::atomic<std::uint8_t>, 2> Closing{};
  std::uint8_t FullRepaint = 0;
  // Holds back the image buttons' own screen copies until the paint has drawn the sliders.
  std::uint8_t HoldBackCopies = 0;
  std::uint8_t Reactivated = 0;
  std::uint8_t BackBuffersReady = 0;
  std::uint8_t LayoutSuspended = 1;
  std::uint8_t RevealQueue = 0;
  std::uint8_t IntroPaintPending = 0;
  std::uint8_t InfoPanelRevealed = 0;
  std::uint8_t TitleOnlyPaint = 0;
  std::uint8_t StartBackgroundComposed = 0;
  // Counts the compositions of the start background: what is drawn into it once is drawn again after each.
  std::uint32_t StartBackgroundCount = 0;
  std::uint8_t ForceFullPaint = 0;
  std::uint8_t BlitToWindow = 0;
  std::uint8_t FullPaintPending = 0;
  std::uint8_t InfoPanelOnly = 0;
  std::uint8_t LibraryBound = 0;
  std::uint8_t HintShown = 0;
  // The hint the pointer rests on (1 to 3: the sensor buttons) and the control under the pointer.
  std::uint8_t HintId = 0;
  std::int32_t HoveredControlId = 0;
  std::uint32_t SettingsPanelTicks = 0;
  // Set by a scroll step, cleared by the paint that follows it.
  std::uint8_t ScrollPaintPending = 0;
  std::uint32_t SampleCapacity = 0;
  platform::WindowRect ClientRect;
  platform::WindowRect ClientArea;
  platform::WindowRect PaintArea;
  platform::WindowRect LastClipRect;
  platform::WindowRect TopBand;
  platform::WindowRect BottomBand;
  std::int64_t PaintStartTick = 0;
  StartupSettings Settings;
  std::array<std::uint8_t, 4> IndicatorPanes{};

  // What the window keeps of each start-screen sensor button beside the control itself.
  struct SensorButtonState {
    std::uint8_t TickBox = 0;
    // Set by a click on the tick box; the next refresh reports it.
    std::uint8_t TickChangePending = 0;
    FTRecordDevice* Unit = nullptr;
    std::uint8_t SensorCode = 0;
    std::uint8_t Style = 6;
    float FontFactor = 0.4f;
    float SecondLineFactor = 0.5f;
  };
  std::array<SensorButtonState, 4> SensorButtons{};
  std::array<std::uint8_t, 4> SensorChosen{};
  // The designed sensor-button height; 0 until the controls are created.
  std::int32_t SensorButtonHeight = 0;
  std::uint8_t LayoutResized = 0;
  std::uint8_t MeasureButtonReady = 0;
  std::array<rgba8, 6> MeasureColours{};
  std::uint8_t TickBoxCount = 0;
  platform::WindowRect MainTickRect;
  std::array<platform::WindowRect, 4> SensorTickRects{};
  std::uint8_t StartButtonsDirty = 0;
  // Where the start screen's buttons begin, taken from the "Measurements" button at composition.
  platform::WindowRect StartButtonArea;

  std::unique_ptr<DeviceManager> Devices;
  std::unique_ptr<DeviceSlotBinder> SlotBinder;
  std::unique_ptr<GraphView> View;
  std::unique_ptr<MeasurePaintHost> PaintHost;
  std::array<std::unique_ptr<PanelAnimation>, 3> Panels;
  // F5's test tone; stopped before the window goes.
  std::unique_ptr<TestTone> Tone;
  MainControls Controls;
  ::HelpPanel Help;
  // The graph view's help area: the help panel starts again on page 0 there.
  void InitHelpPanel(const PixelRect& rect) override { Help.Init(this, {rect.Left, rect.Top, rect.Right, rect.Bottom}); }
  // A click on the shown help panel.
  void NextHelpPage() override { Help.NextPage(); }
  bool CycleSettingsDevice(std::int32_t x, std::int32_t y) override { return CycleSensorSettingsDevice(*this, x, y); }
  // Puts the two scale sliders into the plot's bottom-left corner; the graph view calls it when it
  // sets its view.
  void LayoutPanels() override;

  // --- Mouse routing, hover and the hint window (app/mouse_routing.cpp, app/hint_window_show.cpp) ---
  void OnMouse(const platform::MouseEvent& event) override;
  void OnLButtonDown(unsigned flags, std::int32_t x, std::int32_t y);
  void OnLButtonUp(unsigned flags, std::int32_t x, std::int32_t y);
  void OnOtherButton(platform::MouseKind kind, unsigned flags, std::int32_t x, std::int32_t y);
  void OnMouseMove(unsigned flags, std::int32_t x, std::int32_t y);
  bool NearScaleSliders(std::int32_t x, std::int32_t y);
  std::uint8_t CountTickBoxes();
  // Over the start page's web-address line; and between the sensor-list caption and the last sensor button.
  bool OnWebLink(std::int32_t x, std::int32_t y) const;
  bool InSensorButtonColumn(std::int32_t x, std::int32_t y) const;
  void HideHint();
  void ReleaseMenuButtonsExcept(std::int32_t control_id);
  // The menu buttons go up unless the first drop-down is open; Help stays while its panel is shown.
  void ReleaseMenuButtons();
  // Escape on the measurement screen with a drop-down open closes it and lets its button up.
  bool CloseDropDowns();
  // Sets the hint's lines and place for a control id or zone hint; the delay timer shows it.
  void ShowSensorHint(std::int32_t id, const platform::WindowRect& anchor);
  void SetHintStyleA();
  void SetHintStyleB();
  MouseRoutingState Mouse;
  MouseSeams MouseParts;

  // Back buffers 0 (composition), 1 (saved background) and 3 (cached graph background).
  platform::Surface& BackBuffer(int index);
  // The bitmaps by resource id, as loaded by the initialisation.
  const platform::Surface* Bitmap(int id) const;

  platform::HostServices& Host() { return host_; }
  platform::HostWindow& Window() { return host_.Window(); }
  agg_ren& Renderer0() { return renderer0_; }

 private:
  friend class MainWindowFilterPanel;
  void InitMainWindow();
  // Lists the bitmaps and has the start background made beside the window thread.
  void BeginStartBackground();
  void ReleaseMainWindowObjects();
  void StopWorkers();
  bool BuildBackBuffers();
  void RefuseDisplayDepth(int depth);
  void PaintIntro(const platform::PaintContext& context);
  void DrawIntroPanel(PanelAnimation& intro, std::int32_t frame);
  void DrawIntroTexts(const platform::WindowRect& area, std::int32_t frame, std::int32_t target);
  UnitList ListedUnits() const;
  void ComposeStartBackground();
  void DrawStartName();
  void PaintMainScreen(const platform::PaintContext& context);
  void PaintMeasureScreen(const platform::PaintContext& context);
  // Display modes 1 (digital indicators) and 4 (analog dial), which paint instead of the graph.
  void PaintOtherDisplayMode(const platform::PaintContext& context);
  // The digital display's indicators as last drawn, put back by the paints between two values.
  platform::Surface IndicatorsKept;
  // The channel options panel into buffer 0 while shown; where it stood is restored once it goes.
  void DrawOptionsPanel(platform::WindowRect& clip);
  platform::WindowRect OptionsPanelDrawn;
  // The record's markers lie over the graph as a layer: what they cover in buffer 0 is kept and put
  // back before the next paint, so a moved or removed marker leaves nothing behind.
  void LiftMarkers();
  void LayMarkers(GraphView& view);
  platform::Surface MarkerUnder;
  // The start screen's composed background (buffer 1) while the measurement screen uses buffer 1 for
  // its plain one; it comes back on the return, so the start screen is composed once per window.
  platform::Surface StartBackgroundKept;
  std::uint8_t StartBackgroundSaved = 0;
  std::vector<platform::WindowRect> MarkerAreas;
  // The "Difference values" panel's picture as the window last got it (a hash of its pixels).
  std::uint64_t DifferencePanelShown = 0;
  // Set on entering the measurement screen: its first paint lays the plain background under the graph.
  std::uint8_t MeasureBackgroundPending = 0;
  void ApplyToolbarSnapshot(struct ToolbarSnapshot& toolbar);
  void ShowStartScreenButtons();
  void FinishIntro();
  void FinishInfoPanelReveal();
  void IntroStep();
  void PanelStep(unsigned id);
  void FallbackStep(unsigned tick_id);
  // Ends the timer of `id`; CurrentTimerId is cleared only while it holds that id.
  void EndStep(unsigned id);
  void GraphRedrawStep();
  void HintDelayStep();
  void SettingsPanelStep();
  void HintEndStep();
  void TitleStep();
  void ShowHint(std::uint32_t lifetime_ms);
  bool ButtonPressed(std::int32_t id) const;
  // Sets a main-window timer, never shorter than the core's shortest period.
  void SetWindowTimer(unsigned id, unsigned period_ms);
  void KillWindowTimer(unsigned id);
  void ShowControl(std::int32_t id, bool show);
  platform::Control* FindControl(std::int32_t id) const;
  void Copy(platform::Surface& to, const platform::Surface& from, const platform::WindowRect& rect);
  std::int64_t NowMs() const;

  platform::HostServices& host_;
  MainWindowEnvironment environment_;
  // Queued calls hold a weak copy; once it has expired they do nothing.
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
  bool depth_refused_ = false;
  bool intro_prepared_ = false;
  // Buffer 1 holds the intro's background only round the panel until a later paint or a reader of
  // the buffer needs the rest; KeepIntroBackground copies it then.
  bool intro_background_pending_ = false;
  // The intro's first frame went to the window as buffer 0 held it; buffer 0 holds the window's
  // former pixels until TakeBackLentFrame copies the frame back, as soon as the frame is out or
  // before anything reads or draws on buffer 0 sooner.
  bool intro_frame_lent_ = false;
  // Buffer 1 is to take the panel's part of the background from the frame lent.
  bool intro_area_pending_ = false;
  void TakeBackLentFrame();
  void KeepIntroBackground();
  // Buffer 0 came with the picture the intro plays over already in it; buffer 1 came with it too.
  bool intro_background_taken_ = false;
  bool intro_background_kept_ = false;
  // The picture the intro plays over, window-sized: the desktop where the host has it, else the
  // start background. `spare` takes the copy made ahead when it is window-sized; `spare_holds_it`
  // tells whether that copy is the picture returned.
  platform::Surface TakeIntroBackground(platform::Surface& spare, bool& spare_holds_it);
  // The picture made beside the window thread, waited for or only if it is there.
  static std::optional<platform::Surface> TakeIfReady(std::future<platform::Surface>& made, bool wait);

  agg_ren renderer0_;
  agg_ren renderer3_;
  std::array<CubicSpline, 3> easing_;
  std::array<platform::Surface, 4> buffers_;
  // The program's pictures, each drawn the first time a screen asks for it.
  struct BitmapSlot {
    int Id = 0;
    bool Drawn = false;
    platform::Surface Picture;
  };
  mutable std::vector<BitmapSlot> bitmaps_;
  mutable std::mutex bitmaps_mutex_;
  // Work done beside the window thread: the start background, drawn and stretched over the window
  // for the intro's first frame, and the font look-ups for its first text. Last, so that each
  // ends before the members it reaches go.
  std::future<void> fonts_ahead_;
  // The start background stretched over the window twice: first for buffer 0, then as buffer 1's
  // room, which comes later.
  std::future<platform::Surface> stretched_ahead_;
  std::future<platform::Surface> room_ahead_;
};
