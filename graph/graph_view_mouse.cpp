// Graph view mouse handling: markers, the selection zoom, the vertical pan, history steps and the device caption box.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "acquisition/ft_record_device.h"
#include "channels/main_window_services.h"
#include "graph/graph_view.h"

namespace {

bool Inside(const PixelRect& r, std::int32_t x, std::int32_t y) {
  return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

// A selection is drawn once the pointer is this far from the press, both ways.
constexpr std::int32_t kSelectionThreshold = 15;

}  // namespace

void GraphView::PlaceMarker(MarkerRecord& marker, std::uint16_t column) {
  const float s = MainWindow != nullptr ? MainWindow->UiScale() : 1.0f;
  const auto px = [s](float v) { return static_cast<std::int32_t>(v * s); };
  const std::int32_t x = PlotRect.Left + column - 1;
  marker.Column = column;
  marker.LineRect.Left = x - px(7) - 1;
  marker.LineRect.Right = marker.LineRect.Left + px(14) + 2;
  marker.LineRect.Top = PlotRect.Top - px(14) - 1;
  marker.LineRect.Bottom = PlotRect.Bottom + px(10) + 1;
  marker.CaptionRect.Left = PlotRect.Left + column + px(10) - 2;
  marker.CaptionRect.Right = marker.CaptionRect.Left + px(12) + 4;
  marker.CaptionRect.Top = PlotRect.Top - px(26) - 2;
  marker.CaptionRect.Bottom = PlotRect.Top - px(12) + 2;
}

void GraphView::OnRButtonDown(std::uint32_t flags, std::int32_t x, std::int32_t y) {
  if ((flags & kRightButton) == 0 || Recording.load() != 0) return;
  if (MainWindow != nullptr && MainWindow->InfoOverlayShown != 0) return;
  {
    std::lock_guard lock(ViewLock);
    if (RecordViewable == 0) return;
    for (std::size_t i = 0; i < Markers.size(); ++i) {
      Markers[i].Dragging = 0;
      MarkerWasSet[i] = 0;
    }
    const bool in_x = x >= ViewRect.Left && x < ViewRect.Right;
    const bool in_y = y >= ViewRect.Top && y < ViewRect.Bottom;
    if (!in_x && !in_y) return;
    if (MainWindow != nullptr) MainWindow->ClosePopups();
    MarkerDragActive = 0;
    MarkerCaptionsSaved = 0;

    const std::size_t used = std::min<std::size_t>(MarkerCount, Markers.size());
    const std::int32_t column = x - PlotRect.Left + 1;
    const bool in_columns = column >= FirstShownColumn && column <= LastShownColumn;
    bool hit = false;
    for (std::size_t i = 0; i < used && !hit; ++i) {
      MarkerRecord& marker = Markers[i];
      if (marker.Set == 0) continue;
      bool on_value = false;
      for (std::size_t k = 0; k < std::min<std::size_t>(marker.ValueCaptionCount, 4); ++k) {
        on_value = on_value || Inside(marker.ValueCaptionRects[k], x, y);
      }
      if (Inside(marker.LineRect, x, y) || on_value) {
        marker.Dragging = 1;
        MarkerDragActive = 1;
        DragPoint = {x, y};
        hit = true;
      } else if (Inside(marker.CaptionRect, x, y)) {
        marker.Set = 0;
        hit = true;
      }
    }
    if (!hit && in_columns) {
      for (std::size_t i = 0; i < used; ++i) {
        if (Markers[i].Set != 0) continue;
        PlaceMarker(Markers[i], static_cast<std::uint16_t>(column));
        Markers[i].Set = 1;
        Markers[i].Dragging = 0;
        Markers[i].CaptionState.fill(0);
        const std::uint32_t set = CountMarkedPoints();
        if (set == 1 && MainWindow != nullptr) MainWindow->MarkerRedraw = 1;
        if (set >= 2) FullRedraw = 1;
        break;
      }
    }
    if (in_columns) {
      SelectionRect = PixelRect{x, y, x, y};
      PressPoint = {x, y};
      SelectionStarted = 1;
    } else if (MarkerDragActive == 0) {
      for (MarkerRecord& marker : Markers) marker.Set = marker.Dragging = 0;
    }
  }
  if (MainWindow == nullptr) return;
  if (MainWindow->WholeWindowRedraw != 0) {
    FullRedraw = 1;
    MainWindow->InvalidateLocal();
  } else {
    MainWindow->InvalidateLocal(ViewRect);
  }
}

void GraphView::OnRButtonUp(std::uint32_t /*flags*/, std::int32_t x, std::int32_t y) {
  std::uint32_t markers = 0;
  bool zoomed = false;
  bool dropped = false;
  {
    std::lock_guard lock(ViewLock);
    if (RecordViewable != 0 && SelectionDrawn != 0 && SelectionStarted != 0) {
      markers = CountMarkedPoints();
      SaveViewHistory();
      SelectionDrawn = 0;
      ApplySelection(false);
      SaveViewHistory();
      zoomed = true;
    } else if (RecordViewable != 0 && MarkerDragActive != 0) {
      for (MarkerRecord& marker : Markers) marker.Dragging = 0;
      MarkerDragActive = 0;
      FullRedraw = 1;
      dropped = true;
    } else {
      for (MarkerRecord& marker : Markers) marker.Dragging = 0;
      PressPoint = {x, y};
    }
    SelectionStarted = 0;
  }
  if (zoomed) {
    if (MainWindow != nullptr) MainWindow->ReleaseZoomButton();
    if (RefreshToolbar) RefreshToolbar();
    RedrawAfterMove(markers);
  } else if (dropped && MainWindow != nullptr) {
    MainWindow->InvalidateLocal(ViewRect);
  }
}

void GraphView::OnMouseMove(std::uint32_t flags, std::int32_t x, std::int32_t y) {
  PixelRect redraw;
  {
    std::lock_guard lock(ViewLock);
    if ((flags & kRightButton) != 0 && RecordViewable != 0) {
      if (!RightDrag(x, y, redraw)) return;
    } else if ((flags & kLeftButton) != 0 && DataDragArmed != 0) {
      if (!VerticalPan(x, y, redraw)) return;
    } else {
      return;
    }
  }
  if (MainWindow == nullptr) return;
  if (redraw.Width() > 0) {
    MainWindow->InvalidateLocal(redraw);
  } else {
    MainWindow->InvalidateLocal();
  }
}

bool GraphView::RightDrag(std::int32_t x, std::int32_t y, PixelRect& redraw) {
  redraw = ViewRect;
  MarkerRecord* dragged = nullptr;
  for (std::size_t i = 0; i < std::min<std::size_t>(MarkerCount, Markers.size()); ++i) {
    if (Markers[i].Dragging != 0 && Markers[i].Set != 0) dragged = &Markers[i];
  }
  if (dragged != nullptr) {
    const std::int32_t dx = DragPoint.X - x;
    if (std::abs(dx) < 2) return false;
    if (!Inside(PlotRect, x, y)) {
      dragged->Dragging = 0;
      MarkerDragActive = 0;
      PressPoint = {x, y};
      return true;
    }
    if (MarkerCaptionsSaved == 0) {
      MovingCaptionRect = dragged->CaptionRect;
      MarkerCaptionsSaved = 1;
    }
    const std::int32_t column =
        std::clamp<std::int32_t>(dragged->Column - dx, FirstShownColumn, std::max(FirstShownColumn, LastShownColumn));
    const std::array<std::uint8_t, 4> side = dragged->CaptionState;
    PlaceMarker(*dragged, static_cast<std::uint16_t>(column));
    dragged->CaptionState = side;
    for (MarkerRecord& other : Markers) {
      if (&other != dragged) other.Dragging = 0;
    }
    DragPoint = {x, y};
    // The differences beside the graph follow the marker.
    if (DifferencePanelRect.Width() > 0 && CountMarkedPoints() >= 2) redraw = PixelRect{};
    return true;
  }
  const std::int32_t dx = std::abs(x - PressPoint.X);
  const std::int32_t dy = std::abs(y - PressPoint.Y);
  if (SelectionDrawn == 0) {
    if (SelectionStarted == 0 || dx <= kSelectionThreshold || dy <= kSelectionThreshold || !Inside(PlotRect, x, y)) {
      return false;
    }
    SelectionDrawn = 1;
    ClearMarkedPoints();
  } else if (dx < kSelectionThreshold || dy < kSelectionThreshold) {
    SelectionDrawn = 0;
    return true;
  }
  PixelRect r{std::min(x, PressPoint.X), std::min(y, PressPoint.Y), std::max(x, PressPoint.X),
              std::max(y, PressPoint.Y)};
  r.Right -= 4;
  r.Left = std::max(r.Left, PlotRect.Left);
  r.Right = std::clamp(r.Right, r.Left, PlotRect.Left + std::max<std::int32_t>(LastShownColumn, 1));
  r.Top = std::max(r.Top, PlotRect.Top);
  r.Bottom = std::clamp(r.Bottom, r.Top, PlotRect.Bottom);
  SelectionRect = r;
  if (r.Width() < 10 && r.Height() < 10) SelectionDrawn = 0;
  return true;
}

bool GraphView::VerticalPan(std::int32_t x, std::int32_t y, PixelRect& redraw) {
  std::int32_t dy = y - LastPoint.Y + PanResidueY;
  LastPoint = {x, y};
  // Small steps, and steps while the last one is still being painted, are carried to the next move.
  if (MoveInProgress != 0 || std::abs(dy) < 2) {
    PanResidueY = dy;
    return false;
  }
  PanResidueY = 0;
  const auto cap = static_cast<std::int32_t>(0.66 * PlotHeight);
  dy = std::clamp(dy, -cap, cap);
  Scale.ZeroLinePixel += dy;
  Scale.TopValue = (Scale.ZeroLinePixel - ValueOriginPixel) * Scale.ValuePerPixel;
  Scale.BottomValue = Scale.TopValue - PlotHeight * Scale.ValuePerPixel;
  PlaceValueTicks();
  MoveInProgress = 1;
  DataMoved = 1;
  if (ColumnRebuildRequest != 0 && RecordViewable != 0) {
    for (auto& channel : Channels) channel->ResetColumnReduction();
    RebuildColumnTable(FirstShownColumn, LastShownColumn);
  }
  // The labels on the end ticks reach past the plot: they go whole, old and new.
  redraw = ValueScaleArea();
  return true;
}

void GraphView::OnLButtonDown(std::uint32_t /*flags*/, std::int32_t x, std::int32_t y) {
  if (MainWindow == nullptr) return;
  if (RedrawOnly != 0) {
    MainWindow->InvalidateLocal(ViewRect);
    return;
  }
  if (MainWindow->CycleSettingsDevice(x, y)) return;
  MainWindowServices::DeviceCaptionBox& box = MainWindow->CaptionBox;
  if (box.Shown == 0) {
    if (MainWindow->HelpPanelShown != 0) {
      if (Inside(MainWindow->HelpPanel, x, y)) MainWindow->NextHelpPage();
      return;
    }
  } else {
    if (Inside(box.Rect, x, y)) box.Pressed = 1;
    const std::uint32_t devices = CountDevices ? CountDevices() : 0;
    if (devices < 2) {
      if (devices == 0) box.Caption1 = MainWindow->EnglishUi() ? "no sensors connected" : "нет подключённых датчиков";
    } else if (Inside(box.Inner, x, y)) {
      ShowNextDevice(devices);
      return;
    }
  }
  bool redraw = false;
  bool hidden = false;
  {
    std::lock_guard lock(ViewLock);
    hidden = CountMarkedPoints() > 0;
    if (hidden) FullRedraw = 1;
    for (std::size_t i = 0; i < Markers.size(); ++i) {
      MarkerWasSet[i] = Markers[i].Set;
      Markers[i].Set = 0;
      Markers[i].Dragging = 0;
    }
    const bool in_x = x >= PlotRect.Left && x < PlotRect.Right;
    const bool in_y = y >= PlotRect.Top && y < PlotRect.Bottom;
    if (in_x || in_y) {
      if (DataDragArmed == 0 || MoveInProgress == 0) PanResidueY = 0;
      DataDragArmed = 1;
      DataMoved = 0;
      PressPoint = LastPoint = {x, y};
    }
    if (StartFlags != 0) {
      StartFlags = 0;
      ViewChanged = 1;
      redraw = true;
    }
  }
  MainWindow->ClosePopups();
  MainWindow->ShowScaleSliders(false);
  // The markers are hidden while the data are dragged.
  if (hidden) MainWindow->InvalidateLocal();
  if (!redraw) return;
  if (MainWindow->WholeWindowRedraw != 0) {
    MainWindow->InvalidateLocal();
  } else {
    MainWindow->InvalidateLocal(ViewRect);
  }
}

void GraphView::ShowNextDevice(std::uint32_t devices) {
  MainWindowServices::DeviceCaptionBox& box = MainWindow->CaptionBox;
  std::uint32_t next = ViewDeviceSlot + 1u;
  if (next >= 4 || next >= devices) next = 0;
  const DeviceSlot& slot = MainWindow->DeviceSlots[next];
  if (slot.InUse == 0 || slot.Channels[0] == nullptr || slot.Prepared == 0) return;
  ViewDeviceSlot = static_cast<std::uint8_t>(next);
  // The unit's sensor names; the second only when it has one.
  box.Caption1 = slot.Device != nullptr ? slot.Device->NameLine1 : std::string();
  box.Caption2 = slot.Device != nullptr && slot.Device->TwoLines != 0 ? slot.Device->NameLine2 : std::string();
  MainWindow->InvalidateLocal(box.Rect);
  MainWindow->UpdateChannelRecordButtons(12);
}

void GraphView::OnLButtonUp(std::uint32_t /*flags*/, std::int32_t /*x*/, std::int32_t /*y*/) {
  if (MainWindow != nullptr && MainWindow->CaptionBox.Pressed != 0) {
    MainWindow->CaptionBox.Pressed = 0;
    return;
  }
  bool redraw = false;
  bool shown = false;
  {
    std::lock_guard lock(ViewLock);
    if (DataMoved == 0 && MoveInProgress == 0) {
      ViewChanged = 1;
      redraw = true;
    }
    DataDragArmed = 0;
    DataMoved = 0;
    for (std::size_t i = 0; i < Markers.size(); ++i) {
      if (MarkerWasSet[i] != 0 && Markers[i].Column < LastShownColumn) Markers[i].Set = 1;
      MarkerWasSet[i] = 0;
    }
    shown = CountMarkedPoints() > 0;
    if (shown) FullRedraw = 1;
    StartFlags = 1;
  }
  if (MainWindow == nullptr) return;
  if (shown) {
    MainWindow->InvalidateLocal();
  } else if (redraw) {
    MainWindow->InvalidateLocal(ViewRect);
  }
  MainWindow->MarkerRedraw = 1;
  if (MainWindow->ScalePanelPressed != 0) MainWindow->ShowScaleSliders(true);
}

void GraphView::OnMButtonDown(std::uint32_t /*flags*/, std::int32_t /*x*/, std::int32_t /*y*/) {
  {
    std::lock_guard lock(ViewLock);
    StepViewHistory(false);
  }
  if (MainWindow != nullptr) MainWindow->ReleaseButtonsExcept(0);
}

void GraphView::OnMButtonUp(std::uint32_t /*flags*/, std::int32_t /*x*/, std::int32_t /*y*/) {}

void GraphView::ClearMarkerFlags(std::uint32_t /*flags*/, std::int32_t /*x*/, std::int32_t /*y*/) {
  bool removed = false;
  {
    std::lock_guard lock(ViewLock);
    removed = CountMarkedPoints() > 0;
    if (removed) FullRedraw = 1;
    for (std::size_t i = 0; i < std::min<std::size_t>(MarkerCount, Markers.size()); ++i) {
      Markers[i].Set = 0;
      Markers[i].Dragging = 0;
    }
    SelectionStarted = 0;
  }
  // The removed markers go from the screen at once.
  if (removed && MainWindow != nullptr) MainWindow->InvalidateLocal();
}

bool GraphView::FindViewDevice() {
  if (MainWindow == nullptr) return false;
  const auto usable = [](const DeviceSlot& slot) {
    return slot.InUse != 0 && slot.Device != nullptr && slot.Prepared != 0;
  };
  if (ViewDeviceSlot < 4 && usable(MainWindow->DeviceSlots[ViewDeviceSlot])) return false;
  for (std::size_t i = 0; i < MainWindow->DeviceSlots.size(); ++i) {
    const DeviceSlot& slot = MainWindow->DeviceSlots[i];
    if (!usable(slot)) continue;
    for (const VessamorChannel* channel : slot.Channels) {
      if (channel != nullptr && channel->ChannelIndex == ViewChannelIndex) {
        ViewDeviceSlot = static_cast<std::uint8_t>(i);
        return true;
      }
    }
  }
  return false;
}
