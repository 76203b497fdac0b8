// The main window's timers: the starters, the tick handler's steps, the intro's end and the information panel's reveal.
#include "app/main_window.h"

#include <algorithm>

#include "controls/control_frame.h"

void MainWindow::SetWindowTimer(unsigned id, unsigned period_ms) {
  Window().SetTimer(id, std::max(period_ms, kShortestTimerMs));
}

void MainWindow::KillWindowTimer(unsigned id) { Window().KillTimer(id); }

void MainWindow::StartIntroTimer(std::int32_t frame, std::int32_t target, std::uint32_t, unsigned id) {
  if (CurrentTimerId == id) KillWindowTimer(id);
  SetWindowTimer(id, kAnimationPeriodMs);
  Panels[0]->Frame = frame;
  Panels[0]->TargetFrame = target;
  CurrentTimerId = static_cast<std::uint8_t>(id);
}

void MainWindow::StartPanelTimer(std::int32_t frame, std::int32_t target, std::uint32_t, unsigned id,
                                 std::uint32_t pause_ms) {
  PanelAnimation& panel = *Panels[1];
  panel.Pause = pause_ms;
  panel.Frame = frame;
  panel.TargetFrame = target;
  CurrentTimerId = static_cast<std::uint8_t>(id);
  panel.SavedArea = panel.Area;
  KillWindowTimer(id);
  SetWindowTimer(id, pause_ms != 0 ? pause_ms : kAnimationPeriodMs);
}

void MainWindow::QueueInfoPanelReveal() {
  Panels[1]->Area = Panels[1]->SavedArea;
  RevealQueue = 1;
  SetWindowTimer(kTimerIntro, 100);
}

void MainWindow::OnTimer(unsigned id) {
  if (Closing[0].load() != 0 || !Panels[0]) return;
  // 1. The scroll step waits until the paint of the previous one is done.
  if (id == kTimerAutoScroll) {
    if (ScrollPaintPending != 0) return;
    KillWindowTimer(kTimerAutoScroll);
    if (Hooks.AutoScrollStep) Hooks.AutoScrollStep(*this);
    return;
  }
  // 2. A tick runs its own id's step: the current one, or the title's, which runs beside the others.
  // Any other tick ends its timer through the fallback, so a stray tick never hurries a step.
  if (id == kTimerTitle) {
    TitleStep();
    return;
  }
  if (id != CurrentTimerId) {
    FallbackStep(id);
    return;
  }
  switch (id) {
    case kTimerIntro: IntroStep(); break;
    case kTimerPanelSlide:
    case kTimerPanelContent:
    case kTimerPanelClose: PanelStep(id); break;
    case kTimerGraphRedraw: GraphRedrawStep(); break;
    case kTimerHintDelay: HintDelayStep(); break;
    case kTimerSettingsPanel: SettingsPanelStep(); break;
    case kTimerHintEnd: HintEndStep(); break;
    default: FallbackStep(id); break;
  }
}

void MainWindow::EndStep(unsigned id) {
  KillWindowTimer(id);
  if (CurrentTimerId == id) CurrentTimerId = 0;
}

void MainWindow::GraphRedrawStep() {
  EndStep(kTimerGraphRedraw);
  if (View && View->Sweep.GraphScreen.load() != 0) {
    {
      std::lock_guard lock(View->ViewLock);
      View->RedrawRequested = 1;
    }
    InvalidateLocal(View->ViewRect);
  }
}

void MainWindow::ShowHint(std::uint32_t lifetime_ms) {
  HintShown = 1;
  ShowControl(kHintWindowId, true);
  CurrentTimerId = kTimerHintEnd;
  SetWindowTimer(kTimerHintEnd, lifetime_ms);
}

bool MainWindow::ButtonPressed(std::int32_t id) const {
  const auto* button = dynamic_cast<const ControlFrame*>(FindControl(id));
  return button != nullptr && button->State.load() == ControlFrame::kStateDown;
}

void MainWindow::HintDelayStep() {
  EndStep(kTimerHintDelay);
  const bool recording = View && View->Recording.load() != 0;
  if (View && View->Sweep.GraphScreen.load() != 0) {
    const platform::Control* settings = FindControl(kSettingsPanelId);
    const bool settings_hidden = settings == nullptr || !settings->IsVisible();
    const bool toolbar_free = !ButtonPressed(75010) && !ButtonPressed(75011) && !ButtonPressed(75050);
    const bool record_button = HoveredControlId == 75017 || HoveredControlId == 75022 ||
                               HoveredControlId == 75027 || HoveredControlId == 75032;
    if (!recording && settings_hidden && toolbar_free && (PanelMode == 0 || record_button)) ShowHint(5000);
  } else if (Bytes.InfoScreenActive.load() != 0) {
    if (recording) {
      ShowControl(kHintWindowId, false);
    } else {
      ShowHint(HintId >= 1 && HintId <= 3 ? 8000 : 5000);
    }
  }
}

void MainWindow::SettingsPanelStep() {
  const bool painted = Hooks.SettingsPanelPainted && Hooks.SettingsPanelPainted(*this);
  if (painted) {
    EndStep(kTimerSettingsPanel);
    ShowControl(kSettingsPanelId, false);
    SettingsPanelTicks = 0;
    return;
  }
  if (++SettingsPanelTicks >= 5) {
    SettingsPanelTicks = 0;
    EndStep(kTimerSettingsPanel);
    ShowControl(kSettingsPanelId, false);
  }
}

void MainWindow::HintEndStep() {
  EndStep(kTimerHintEnd);
  ShowControl(kHintWindowId, false);
  HintShown = 0;
  HintId = 0;
}

void MainWindow::TitleStep() {
  if (Hooks.TitleStep) {
    Hooks.TitleStep(*this);
  } else {
    EndStep(kTimerTitle);
  }
}

void MainWindow::FallbackStep(unsigned tick_id) {
  KillWindowTimer(tick_id);
  // The queue runs on its own timer's tick, or on any tick while no step is current.
  if (CurrentTimerId != 0 && tick_id != kTimerIntro) return;
  if (RevealQueue == 1) {
    RevealQueue = 0;
    StartPanelTimer(0, 2, 1000, kTimerPanelContent, 0);
  } else if (RevealQueue == 2) {
    RevealQueue = 0;
    PanelAnimation& panel = *Panels[1];
    panel.Pause = 0;
    panel.Frame = 0;
    panel.TargetFrame = 7;
    panel.SavedArea = panel.Area;
    CurrentTimerId = kTimerPanelClose;
    KillWindowTimer(kTimerPanelClose);
    SetWindowTimer(kTimerPanelClose, kAnimationPeriodMs);
  }
  RevealQueue = 0;
}

void MainWindow::IntroStep() {
  PanelAnimation& intro = *Panels[0];
  const std::int64_t now = NowMs();
  intro.Frame += 1;
  // A late tick skips a frame, so the intro keeps its pace.
  if (now - intro.LastTick > 50) intro.Frame += 1;
  intro.LastTick = now;
  if (intro.Frame < 40) {
    IntroPaintPending = 1;
    PaintArea = intro.Area;
    InvalidateLocal(intro.Area);
    return;
  }
  intro.Frame = intro.TargetFrame;
  EndStep(kTimerIntro);
  IntroPaintPending = 0;
  FinishIntro();
}

void MainWindow::FinishIntro() {
  Panels[0]->Finished = 1;
  StartupInProgress = 0;
  if (View) View->Sweep.GraphScreen = 0;
  Bytes.InfoScreenActive = 1;
  MainButtonsShow();
}

void MainWindow::PanelStep(unsigned id) {
  PanelAnimation& panel = *Panels[1];
  panel.Frame += 1;
  if (panel.Frame >= panel.TargetFrame) {
    EndStep(id);
    InfoPanelRevealed = 1;
    if (id == kTimerPanelSlide) {
      QueueInfoPanelReveal();
      panel.SlideDone = 1;
      InvalidateLocal(panel.SlideArea);
    } else if (id == kTimerPanelContent) {
      FinishInfoPanelReveal();
      InvalidateLocal(panel.Area);
    } else {
      InvalidateLocal(panel.Area);
    }
    return;
  }
  if (panel.Pause != 0) {
    // The first tick after a pause: the steps go on at the animation period.
    KillWindowTimer(id);
    SetWindowTimer(id, kAnimationPeriodMs);
    panel.Pause = 0;
    return;
  }
  if (id == kTimerPanelSlide) {
    StartScreenDirty = 1;
    InvalidateLocal(panel.SlideArea);
  } else if (id == kTimerPanelContent) {
    panel.ContentPending = 1;
    panel.SlideDone = 0;
    InvalidateLocal(panel.Area);
  } else {
    panel.ContentPending = 0;
    panel.SlideDone = 0;
    panel.ContentShown = 1;
    InvalidateLocal(panel.Area);
  }
}

void MainWindow::FinishInfoPanelReveal() {
  PanelAnimation& panel = *Panels[1];
  panel.ContentPending = 0;
  panel.ContentShown = 1;
  platform::Size picture{};
  if (View && View->Recording.load() == 0 && Hooks.ShowInfoStartPage) picture = Hooks.ShowInfoStartPage(*this);
  if (Metrics.AspectRatio > 1.5f) {
    // Only a picture with a size is fitted: one narrower than the design's panel stands in by its margin.
    const auto fit = FitInfoPicture(panel.ContentArea.Width(), picture.cx, picture.cy, Metrics.ScaleX, Metrics.ScaleY);
    if (fit && Hooks.SetInfoPictureIndent) Hooks.SetInfoPictureIndent(*this, fit->Margin);
  }
  InvalidateLocal(panel.ContentArea);
  for (std::int32_t id : {75172, 75171, 75185}) ShowControl(id, true);
}
