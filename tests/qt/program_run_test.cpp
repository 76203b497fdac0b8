// The program on the Qt host and the simulated bus: the intro, the start screen, and Escape or the desktop's close.
#include <gtest/gtest.h>

// The simulator's headers come before Qt's, whose keyword macros would rename their words.
#include "sim/bus.h"
#include "sim/d2xx.h"
#include "sim/unit_list.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <string>

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "app/application.h"
#include "platform/qt/qt_host.h"

namespace {

struct Grabs {
  QImage intro;
  QImage start;
  qint64 close_ms = -1;
};

int Brightness(QRgb c) { return qRed(c) + qGreen(c) + qBlue(c); }

// Runs the program, grabs the window during the intro and on the start screen, then ends it the
// way `close` does and measures how long the program takes to go.
Grabs RunProgram(const std::function<void(QWidget&)>& close) {
  sim::Bus& bus = sim::Bus::Instance();
  bus.Reset(sim::ClockMode::RealTime);
  for (const sim::UnitSpec& unit : sim::DefaultUnits()) sim::AttachUnit(bus, unit);
  ResetDeviceStatus();
  ResetWorkerStatus();
  platform::SteadyClock clock;
  platform::qt::QtHost host(clock);
  MainWindowEnvironment environment = SystemEnvironment();
  environment.BindLibrary = [] { return BindFtdiLibrary(sim::d2xx::Resolve); };
  environment.AvailableMemory = [] { return std::uint64_t{10'000'000}; };
  Grabs run;
  QElapsedTimer closing;
  QElapsedTimer since_start;
  since_start.start();
  QWidget& widget = host.Widget();
  // Watches the window rather than the clock, so a slow machine does not miss the intro: the
  // intro's panel darkens the middle; once the start screen has brightened it again, close.
  QTimer watch;
  watch.setInterval(40);
  QObject::connect(&watch, &QTimer::timeout, &widget, [&] {
    if (closing.isValid()) return;
    const QImage now = widget.grab().toImage();
    if (now.isNull()) return;
    const QPoint centre(now.width() / 2, now.height() / 2);
    const int level = Brightness(now.pixel(centre));
    if (run.intro.isNull()) {
      if (level < 300) run.intro = now;
    } else if (level > Brightness(run.intro.pixel(centre)) + 60) {
      run.start = now;
    }
    if (!run.start.isNull() || since_start.elapsed() > 15000) {
      closing.start();
      close(widget);
    }
  });
  watch.start();
  EXPECT_EQ(RunVessamor(host, environment), 0);
  run.close_ms = closing.isValid() ? closing.elapsed() : -1;
  bus.Reset(sim::ClockMode::Virtual);
  ResetDeviceStatus();
  ResetWorkerStatus();
  return run;
}

TEST(ProgramRun, EscapeOnTheStartScreenEndsTheProgram) {
  const Grabs run = RunProgram([](QWidget& w) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
  });
  ASSERT_FALSE(run.intro.isNull());
  ASSERT_FALSE(run.start.isNull());
  EXPECT_GE(run.close_ms, 0);
  EXPECT_LT(run.close_ms, 1500);
  const QPoint centre(run.intro.width() / 2, run.intro.height() / 2);
  // The intro's dark panel in the middle, gone on the start screen's background.
  EXPECT_LT(Brightness(run.intro.pixel(centre)) + 60, Brightness(run.start.pixel(centre)));
  EXPECT_EQ(run.intro.pixel(5, 5), run.start.pixel(5, 5));
}

TEST(ProgramRun, TheDesktopsCloseEndsTheProgram) {
  const Grabs run = RunProgram([](QWidget& w) { w.close(); });
  EXPECT_GE(run.close_ms, 0);
  EXPECT_LT(run.close_ms, 1500);
}

}  // namespace
