// Tests of the Qt host under the offscreen platform: set-up, Qt input, timers, queue, services, a PNG grab.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressDialog>
#include <QTimer>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/qt/host_widget.h"
#include "platform/qt/qt_environment.h"
#include "platform/qt/qt_host.h"
#include "platform/window_core.h"

namespace {

using platform::MouseKind;
using platform::WindowRect;

// One QApplication for the whole program, gone before static destruction begins (Qt's own
// globals do not survive it).
class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    platform::qt::PrepareQtEnvironment();
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 3;
  char arg0_[10] = "host_test";
  char arg1_[4] = "-en";
  char arg2_[8] = "lang=ru";
  char* argv_[4] = {arg0_, arg1_, arg2_, nullptr};
  std::unique_ptr<QApplication> app_;
};

// Google Test owns the environment it is given.
const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

constexpr std::uint32_t kBackground = 0xFF203040;  // BGRA bytes 40 30 20 FF
constexpr std::uint32_t kButtonUp = 0xFFC03020;
constexpr std::uint32_t kButtonDown = 0xFF30C020;

void Fill(platform::Surface& target, const WindowRect& rect, std::uint32_t colour) {
  const WindowRect r = rect.Intersect({0, 0, target.Width(), target.Height()});
  for (int y = r.top; y < r.bottom; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(target.Row(y));
    for (int x = r.left; x < r.right; ++x) row[x] = colour;
  }
}

class MainWindow : public platform::MainWindowHandler {
 public:
  void OnPaint(const platform::PaintContext& c) override {
    if (window != nullptr) {
      // Only one area changes, and the window is told so.
      Fill(c.target, changed, changedColour);
      window->PaintedOnly({changed});
    } else {
      Fill(c.target, c.clip, kBackground);
    }
    paintedOnThread = std::this_thread::get_id();
    ++paints;
  }
  void OnMouse(const platform::MouseEvent& e) override { mouse.push_back(e.kind); }
  void OnKeyDown(unsigned key, unsigned, unsigned) override { keys.push_back(key); }
  void OnTimer(unsigned id) override { timers.push_back(id); }
  void OnClose() override { ++closes; }
  void OnButtonPress(int id) { clicked.push_back(id); }

  std::vector<MouseKind> mouse;
  std::vector<unsigned> keys;
  std::vector<unsigned> timers;
  std::vector<int> clicked;
  std::thread::id paintedOnThread;
  platform::HostWindow* window = nullptr;
  WindowRect changed;
  std::uint32_t changedColour = 0;
  int paints = 0;
  int closes = 0;
};

// A button as the owner-drawn ones behave: it reports a click to its owner on a release inside.
class Button : public platform::Control {
 public:
  explicit Button(MainWindow& owner) : owner_(owner) {}
  bool down = false;
  int hovers = 0;

 protected:
  void OnPaint(const platform::PaintContext& c) override { Fill(c.target, c.clip, down ? kButtonDown : kButtonUp); }
  void OnMouse(const platform::MouseEvent& e) override {
    if (e.kind == MouseKind::Move) ++hovers;
    if (e.kind != MouseKind::LeftDown && e.kind != MouseKind::LeftUp) return;
    if (e.kind == MouseKind::LeftUp && down && ClientRect().Contains(e.point)) owner_.OnButtonPress(Id());
    down = e.kind == MouseKind::LeftDown;
    Invalidate();
  }

 private:
  MainWindow& owner_;
};

void SendMouse(QWidget& w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(p), QPointF(w.mapToGlobal(p)), button, held, Qt::NoModifier);
  QApplication::sendEvent(&w, &event);
}

void Click(QWidget& w, QPoint down, QPoint up) {
  SendMouse(w, QEvent::MouseButtonPress, down, Qt::LeftButton, Qt::LeftButton);
  SendMouse(w, QEvent::MouseButtonRelease, up, Qt::LeftButton, Qt::NoButton);
}

template <typename Done>
bool ProcessUntil(Done done) {
  QElapsedTimer guard;
  guard.start();
  while (!done() && guard.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

class QtHostTest : public ::testing::Test {
 protected:
  QtHostTest() {
    host = std::make_unique<platform::qt::QtHost>(clock);
    host->Window().SetHandler(&main);
    EXPECT_TRUE(button.Create(host->Window(), 75004, WindowRect::FromSize(100, 80, 120, 40)));
    button.Show();
    host->ShowWindow();
    QApplication::processEvents();
  }
  ~QtHostTest() override {
    button.Destroy();
    host.reset();
  }

  platform::SteadyClock clock;
  MainWindow main;
  Button button{main};
  std::unique_ptr<platform::qt::QtHost> host;
};

TEST_F(QtHostTest, WindowAndServicesFollowTheScreen) {
  QWidget& w = host->Widget();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(w.geometry(), area);
  EXPECT_DOUBLE_EQ(w.devicePixelRatioF(), 1.0);
  const platform::ScreenInfo screen = host->Screen();
  EXPECT_EQ(screen.height, area.height());
  EXPECT_TRUE(platform::DisplayDepthSupported(screen.depth)) << screen.depth;
  EXPECT_EQ(host->CommandLine(), "-en lang=ru");
}

TEST_F(QtHostTest, QtsOwnButtonsSpeakTheInterfaceLanguage) {
  for (const bool russian : {true, false}) {
    host->SetInterfaceLanguage(russian);
    EXPECT_EQ(QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text(),
              QString::fromUtf8(russian ? "Отмена" : "Cancel"));
  }
}

TEST_F(QtHostTest, ClicksMovesAndDoubleClicksThroughQtEvents) {
  QWidget& w = host->Widget();
  Click(w, QPoint(150, 100), QPoint(150, 100));
  EXPECT_EQ(main.clicked, (std::vector<int>{75004}));
  const int hovers = button.hovers;
  for (int x : {140, 140, 141}) SendMouse(w, QEvent::MouseMove, QPoint(x, 100), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(button.hovers - hovers, 2);  // the unmoved pointer is no move
  SendMouse(w, QEvent::MouseButtonDblClick, QPoint(10, 10), Qt::RightButton, Qt::RightButton);
  SendMouse(w, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::RightButton, Qt::NoButton);
  ASSERT_GE(main.mouse.size(), 2u);
  EXPECT_EQ(main.mouse[main.mouse.size() - 2], MouseKind::RightDoubleClick);
  EXPECT_EQ(main.mouse.back(), MouseKind::RightUp);
}

TEST_F(QtHostTest, QtTimerAndWorkerRequestsRunOnTheWindowThread) {
  host->Window().SetTimer(6, 20);
  EXPECT_TRUE(ProcessUntil([&] { return main.timers.size() >= 2; }));
  host->Window().KillTimer(6);
  ProcessUntil([&] { return main.paints > 0; });
  const int before = main.paints;
  main.paintedOnThread = {};
  std::thread([&] { host->Window().Invalidate(WindowRect::FromSize(300, 200, 50, 50)); }).join();
  EXPECT_TRUE(ProcessUntil([&] { return main.paints > before; }));
  EXPECT_EQ(main.paintedOnThread, std::this_thread::get_id());
  std::thread([&] { host->Window().PostClose(); }).join();
  EXPECT_TRUE(ProcessUntil([&] { return main.closes == 1; }));
  EXPECT_FALSE(host->Widget().isVisible());
}

// Work run aside goes on a thread of its own while the window goes on with its events: here the work
// waits until the window thread, meanwhile, has shown the progress box of a work that lasts and had
// a click sent at the button, which the held input keeps from the window. The box is gone after.
TEST_F(QtHostTest, WorkRunAsideLeavesTheWindowGoingWithItsInputHeld) {
  QWidget& w = host->Widget();
  std::atomic<bool> release{false};
  bool box_seen = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    const auto* box = w.findChild<QProgressDialog*>();
    if (box == nullptr || !box->isVisible() || release) return;
    box_seen = box->labelText() == QStringLiteral("Working");
    Click(w, QPoint(150, 100), QPoint(150, 100));
    release = true;
  });
  watch.start(10);
  std::thread::id ran_on;
  host->RunAside("Working", [&] {
    ran_on = std::this_thread::get_id();
    QElapsedTimer guard;  // against a window that never turns to its events
    guard.start();
    while (!release && guard.elapsed() < 5000) std::this_thread::yield();
  });
  EXPECT_NE(ran_on, std::this_thread::get_id());
  EXPECT_TRUE(box_seen);
  EXPECT_TRUE(main.clicked.empty());
  EXPECT_EQ(w.findChild<QProgressDialog*>(), nullptr);
  Click(w, QPoint(150, 100), QPoint(150, 100));
  EXPECT_EQ(main.clicked, (std::vector<int>{75004}));  // input reaches the window again
}

// Under work run aside a left click on the window's own close control is the one input kept: it
// reaches no control meanwhile, and the window closes once the work is done.
TEST_F(QtHostTest, ClickOnTheCloseControlUnderWorkRunAsideClosesAfterIt) {
  QWidget& w = host->Widget();
  host->Window().SetCloseControl(75004);
  std::atomic<bool> release{false};
  QTimer click;
  QObject::connect(&click, &QTimer::timeout, [&] {
    if (release) return;
    Click(w, QPoint(150, 100), QPoint(150, 100));
    release = true;
  });
  click.start(10);
  host->RunAside("Working", [&] {
    QElapsedTimer guard;
    guard.start();
    while (!release && guard.elapsed() < 5000) std::this_thread::yield();
  });
  EXPECT_TRUE(release);
  EXPECT_TRUE(main.clicked.empty());
  EXPECT_TRUE(ProcessUntil([&] { return main.closes == 1; }));
}

// A file's progress box stays up to the work's end: Escape on it and its close leave it standing.
// While the window core holds the input, the desktop's close waits and is carried out once the hold ends.
TEST_F(QtHostTest, ProgressBoxStaysAndAHeldCloseWaitsForTheWorksEnd) {
  host->ShowProgress("Writing", 1, 10);
  auto* box = host->Widget().findChild<QProgressDialog*>();
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(ProcessUntil([&] { return box->isVisible(); }));
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(box, &escape);
  box->close();
  QApplication::processEvents();
  EXPECT_TRUE(box->isVisible());
  {
    const platform::InputHoldScope hold(host->Window());
    host->Widget().close();
    Click(host->Widget(), QPoint(150, 100), QPoint(150, 100));
    QApplication::processEvents();
    EXPECT_EQ(main.closes, 0);
    EXPECT_TRUE(main.clicked.empty());
    host->ShowProgress("Writing", 10, 10);
  }
  EXPECT_EQ(host->Widget().findChild<QProgressDialog*>(), nullptr);
  EXPECT_TRUE(ProcessUntil([&] { return main.closes == 1; }));
  EXPECT_FALSE(host->Widget().isVisible());
}

// A paint that changes only part of what it was asked to repaint: Qt's picture of the window takes
// that part, keeps the rest as it was shown, and a grab of the widget shows the same; so does the
// window hidden and shown again between two paints (the window's pixels, kept in Qt's picture while
// it is shown, go back to the window's own memory meanwhile).
TEST_F(QtHostTest, PaintOfPartOfItsAreaShowsThatPartAndKeepsTheRest) {
  QWidget& w = host->Widget();
  ASSERT_TRUE(ProcessUntil([&] { return main.paints > 0; }));
  main.changed = WindowRect::FromSize(300, 200, 40, 30);
  main.window = &host->Window();
  for (const std::uint32_t colour : {0xFF10E010u, 0xFFE01010u, 0xFF1010E0u}) {
    main.changedColour = colour;
    if (colour == 0xFF1010E0u) {
      w.hide();
      QApplication::processEvents();
      EXPECT_FALSE(host->Window().PixelsPlaced());
      w.show();
    }
    const int before = main.paints;
    host->Window().Invalidate();
    ASSERT_TRUE(ProcessUntil([&] { return main.paints > before; }));
    QApplication::processEvents();
    const QImage shown = w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage grabbed = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const std::pair<QPoint, std::uint32_t> probes[] = {{{300, 200}, colour},      {{339, 229}, colour},
                                                       {{299, 200}, kBackground}, {{340, 229}, kBackground},
                                                       {{10, 10}, kBackground},   {{150, 100}, kButtonUp}};
    for (const auto& [p, expected] : probes) {
      EXPECT_EQ(shown.pixel(p), expected) << p.x() << "," << p.y();
      EXPECT_EQ(grabbed.pixel(p), expected) << p.x() << "," << p.y();
    }
    // What the window paints goes straight into Qt's picture of it.
    EXPECT_TRUE(host->Window().PixelsPlaced());
  }
  main.window = nullptr;
}

TEST_F(QtHostTest, DesktopCloseTakesTheProgramsWay) {
  host->Widget().close();
  EXPECT_EQ(main.closes, 1);
  EXPECT_FALSE(host->Widget().isVisible());
}

QImage GrabToPng(QWidget& w, const char* name) {
  const QImage image = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QString dir = QStringLiteral(VESSAMOR_TEST_OUTPUT_DIR);
  QDir().mkpath(dir);
  EXPECT_TRUE(image.save(dir + "/" + name));
  return image;
}

TEST_F(QtHostTest, GrabShowsTheControlOverTheMainWindow) {
  QWidget& w = host->Widget();
  SendMouse(w, QEvent::MouseButtonPress, QPoint(150, 100), Qt::LeftButton, Qt::LeftButton);
  const QImage image = GrabToPng(w, "qt_host_window.png");
  SendMouse(w, QEvent::MouseButtonRelease, QPoint(150, 100), Qt::LeftButton, Qt::NoButton);
  ASSERT_EQ(image.size(), w.size());
  const std::pair<QPoint, std::uint32_t> probes[] = {{{10, 10}, kBackground},    {{100, 80}, kButtonDown},
                                                     {{219, 119}, kButtonDown},  {{220, 119}, kBackground},
                                                     {{100, 120}, kBackground}};
  for (const auto& [p, colour] : probes) EXPECT_EQ(image.pixel(p), colour) << p.x() << "," << p.y();
}

// The file dialogs name a file from the folder listing alone, never from its contents (a read of
// /proc/kmsg, typed into the save dialog, held the window thread for good).
TEST_F(QtHostTest, FileDialogsListFilesWithoutReadingThem) {
  QFile file(QStringLiteral(VESSAMOR_TEST_OUTPUT_DIR "/picture-without-extension"));
  const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + QByteArray(200, '\0');  // a PNG by its contents
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(png) > 0 && file.flush());
  QFileDialog dialog;
  platform::qt::ConfigureFileDialog(dialog);
  EXPECT_EQ(dialog.iconProvider()->type(QFileInfo(file.fileName())), QStringLiteral("File"));
}

// How many pixels a cell of a list view is short of showing its text whole: the text's width against
// the room the item delegate lays it out in (positive: the text is cut with an ellipsis).
class CellRoom : public QStyledItemDelegate {
 public:
  int ShortBy(const QTreeView& list, const QModelIndex& index) const {
    QStyleOptionViewItem option;
    option.initFrom(&list);
    option.rect = list.visualRect(index);
    const int icon = list.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &list);
    option.decorationSize = list.iconSize().isValid() ? list.iconSize() : QSize(icon, icon);
    initStyleOption(&option, index);
    const QRect room = list.style()->subElementRect(QStyle::SE_ItemViewItemText, &option, &list);
    const int margin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
    return option.fontMetrics.horizontalAdvance(option.text) - (room.width() - 2 * margin);
  }
};

// The file dialogs show every column of their listing whole, sizes, type names and dates of both
// languages, on the small and the large screen, and stay on the screen.
TEST_F(QtHostTest, FileDialogListingShowsEveryColumnWhole) {
  const QString folder = QStringLiteral(VESSAMOR_TEST_OUTPUT_DIR "/dialog-listing");
  QDir(folder).removeRecursively();
  ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/Папка")));
  const std::pair<const char*, qint64> files[] = {
      {"Запись опыта 1.out", 400012}, {"big.out", 12345678}, {"mid.out", 362500}, {"tiny.out", 3}, {"notes.txt", 2500}};
  for (const auto& [name, size] : files) {
    QFile file(folder + QLatin1Char('/') + QString::fromUtf8(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(size)) << name;
  }
  const QRect small(0, 0, 1366, 768), large(0, 0, 1920, 1080);
  const std::pair<QRect, bool> cases[] = {{small, true}, {small, false}, {large, true}, {large, false}};
  for (const auto& [area, russian] : cases) {
    SCOPED_TRACE(QStringLiteral("%1x%2 %3").arg(area.width()).arg(area.height()).arg(russian ? "ru" : "en").toStdString());
    host->SetInterfaceLanguage(russian);
    QFileDialog dialog(&host->Widget());
    platform::qt::ConfigureFileDialog(dialog, russian, area);
    dialog.setDirectory(folder);
    auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(list, nullptr);
    dialog.show();
    const QAbstractItemModel& model = *list->model();
    const CellRoom room;
    // The folder is read on a thread of the model's own: the sizes and dates come in after the show.
    // The text of the first cell not yet listed or not shown whole, "" once all are.
    const auto first_short = [&]() -> std::string {
      if (model.rowCount(list->rootIndex()) != static_cast<int>(std::size(files)) + 1) return "(rows)";
      for (int row = 0; row < model.rowCount(list->rootIndex()); ++row) {
        for (int column = 0; column < model.columnCount(list->rootIndex()); ++column) {
          const QModelIndex cell = model.index(row, column, list->rootIndex());
          const QString text = cell.data().toString();
          if ((column != 1 && text.isEmpty()) || room.ShortBy(*list, cell) > 0 ||
              list->visualRect(cell).right() >= list->viewport()->width())
            return text.isEmpty() ? "(empty)" : text.toStdString();
        }
      }
      return "";
    };
    ProcessUntil([&] { return first_short().empty(); });
    EXPECT_EQ(first_short(), "");
    const QHeaderView& header = *list->header();
    const QFontMetrics header_font(header.font());
    for (int column = 0; column < header.count(); ++column) {
      const QString label = model.headerData(column, Qt::Horizontal).toString();
      EXPECT_LT(header_font.horizontalAdvance(label), header.sectionSize(column)) << label.toStdString();
    }
    EXPECT_TRUE(area.contains(dialog.frameGeometry())) << dialog.frameGeometry().width();
    dialog.hide();
  }
  host->SetInterfaceLanguage(false);
}

}  // namespace
