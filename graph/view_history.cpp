// Graph view history: saving the view before and after a change of scale, and stepping back and forth.
#include <algorithm>

#include "channels/main_window_services.h"
#include "graph/graph_view.h"

namespace {

bool SameView(const ScaleState& a, const ScaleState& b) {
  return a.StartTime == b.StartTime && a.EndTime == b.EndTime && a.TopValue == b.TopValue &&
         a.BottomValue == b.BottomValue && a.SecondsPerDivision == b.SecondsPerDivision &&
         a.ValuePerDivision == b.ValuePerDivision;
}

}  // namespace

void GraphView::SaveViewHistory() {
  if (!History.Empty() && SameView(History.Entries[History.CurrentIndex].Scale, Scale)) return;
  History.Push();
  ViewHistoryEntry& entry = History.Entries[History.CurrentIndex];
  if (!ColumnTables.empty()) {
    entry.FirstColumn = ColumnTables[std::min<std::uint32_t>(FirstShownColumn, ColumnsPerChannelCount - 1)];
    entry.LastColumn = ColumnTables[std::min<std::uint32_t>(LastShownColumn, ColumnsPerChannelCount - 1)];
  }
  entry.LastShownColumn = LastShownColumn;
  entry.FirstShownColumn = FirstShownColumn;
  entry.Scale = Scale;
  // The sliders are left where they are: a slider's own first press saves the view it leaves, and
  // its mark must stay where the user put it.
  ClearMarkedPoints();
}

void GraphView::RestoreViewHistory(std::int32_t index) {
  if (index < 0 || index >= ViewHistory::kEntries) return;
  const ViewHistoryEntry& entry = History.Entries[index];
  // The plot may have narrowed since the view was saved: its columns stay inside the tables.
  const std::uint16_t width = std::max<std::uint16_t>(ClampPlotWidth(PlotWidth), 1);
  const auto first = static_cast<std::uint16_t>(std::clamp<std::uint16_t>(entry.FirstShownColumn, 1, width));
  const auto last = static_cast<std::uint16_t>(std::clamp<std::uint16_t>(entry.LastShownColumn, first, width));
  const bool viewable = RecordViewable != 0 && !ColumnTables.empty();
  if (viewable) {
    SelectionRect.Left = PlotRect.Left + first;
    SelectionRect.Right = PlotRect.Left + last;
    ColumnTables[first] = entry.FirstColumn;
    ColumnTables[last] = entry.LastColumn;
    FirstShownColumn = first;
    LastShownColumn = last;
  }
  Scale = entry.Scale;
  Scale.SecondsPerDivision = 0.0;
  Scale.ValuePerDivision = 0.0;
  // The saved samples per screen, not the float seconds per division, lay the columns: the view
  // comes back column for column as it was saved.
  SetScales(static_cast<float>(entry.Scale.SecondsPerDivision), static_cast<float>(entry.Scale.ValuePerDivision), 0);
  UpdateTimeGrid();
  UpdateValueGrid(true);
  if (viewable) {
    LastShownColumn = std::min(LayColumnsFrom(first), last);
    FirstColumnFraction = ColumnTables[first].SampleFraction;
    for (auto& channel : Channels) channel->ResetColumnReduction();
    RebuildColumnTable(FirstShownColumn, LastShownColumn);
    // The saved view is painted afresh, nothing of the one it replaces left on the screen.
    FullRedraw = 1;
  }
  const std::uint32_t markers = CountMarkedPoints();
  ClearMarkedPoints();
  if (MainWindow == nullptr) return;
  MainWindow->MarkerRedraw = 1;
  if (markers >= 2) {
    MainWindow->InvalidateLocal();
  } else {
    MainWindow->InvalidateLocal(ViewRect);
  }
  // The scale panel's sliders, when it is open, show the scales the view came back to.
  if (MainWindow->ScalePanelPressed != 0) {
    MainWindow->SetScaleSliders(static_cast<float>(Scale.ValuePerDivision), static_cast<float>(Scale.SecondsPerDivision));
  }
}

void GraphView::StepViewHistory(bool forward) {
  if (History.Empty()) return;
  if (forward) {
    if (History.StepForward()) RestoreViewHistory(History.CurrentIndex);
    return;
  }
  const bool at_oldest = History.CurrentIndex == History.OldestIndex();
  if (!at_oldest && SameView(History.Entries[History.Before(History.CurrentIndex)].Scale, Scale)) {
    History.StepBack();  // the view already is the previous one
    return;
  }
  if (History.StepBack()) RestoreViewHistory(History.CurrentIndex);
}
