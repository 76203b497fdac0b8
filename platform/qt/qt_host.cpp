// The Qt host: the real window around the window core, and the host services built on Qt.
#include "platform/qt/qt_host.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QFileDialog>
#include <QHeaderView>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSocketNotifier>
#include <QTreeView>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <QStringList>
#include <QTranslator>
#include <QUrl>

#include "platform/aside_progress.h"
#include "platform/host_entry.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/qt_environment.h"

namespace platform::qt {

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRect ToQRect(const WindowRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// A progress box counts in thousandths.
constexpr int kProgressSteps = 1000;

// The progress box of a record's file: it stays until the work is done. Neither Escape nor its
// close button takes it away. It does not block the window: the window core holds the window's
// input meanwhile, and keeps a close of the window asked for meanwhile until the work's end (a
// window blocked by a modal box would have its close dropped).
class HeldProgressDialog final : public QProgressDialog {
 public:
  HeldProgressDialog(const QString& text, int maximum, QWidget* parent)
      : QProgressDialog(text, QString(), 0, maximum, parent,
                        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    // A close of the box would otherwise cancel it, and the cancel hides it.
    disconnect(this, &QProgressDialog::canceled, this, &QProgressDialog::cancel);
    setWindowModality(Qt::NonModal);
    setMinimumDuration(0);
    setAutoClose(false);
    setAutoReset(false);
  }

  void reject() override {}

 protected:
  void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

std::unique_ptr<QProgressDialog> MakeProgressBox(std::string_view text, int maximum, QWidget* parent) {
  return std::make_unique<HeldProgressDialog>(FromUtf8(text), maximum, parent);
}

QRect WorkArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1280, 994);
}

// Keeps a file dialog wide enough for its listing's columns. Qt sizes the columns from sample texts
// ("128.88 GB", "10/29/81 02:02PM") that real sizes, type names and dates overrun, and cuts them
// short with an ellipsis; here each column follows its widest text as the listing fills in (the
// folder is read on a thread of its own, so after the dialog shows), and the dialog grows to show
// them all, never past the work area: there the list scrolls sideways instead.
class FileDialogFit final : public QObject {
 public:
  FileDialogFit(QFileDialog& dialog, QTreeView& list, const QRect& area)
      : QObject(&dialog), dialog_(dialog), list_(list), area_(area) {
    QHeaderView& header = *list_.header();
    header.setStretchLastSection(false);
    header.setSectionResizeMode(QHeaderView::ResizeToContents);
    QObject::connect(&header, &QHeaderView::sectionResized, this, [this] { Schedule(); });
    dialog_.installEventFilter(this);
    list_.viewport()->installEventFilter(this);
  }

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show || event->type() == QEvent::Resize) Schedule();
    return false;
  }

 private:
  // Once for every change that comes in one pass of the event loop.
  void Schedule() {
    if (pending_) return;
    pending_ = true;
    QMetaObject::invokeMethod(this, [this] { Fit(); }, Qt::QueuedConnection);
  }

  void Fit() {
    pending_ = false;
    if (!dialog_.isVisible()) return;
    const QRect area = area_.isValid() ? area_ : WorkArea();
    const QRect inner = dialog_.geometry();
    const QRect outer = dialog_.frameGeometry();
    // What the window manager's frame adds on each side.
    const int left_frame = inner.left() - outer.left(), right_frame = outer.right() - inner.right();
    const int top_frame = inner.top() - outer.top(), bottom_frame = outer.bottom() - inner.bottom();
    const int short_by = list_.header()->length() - list_.viewport()->width();
    const int most_width = area.width() - left_frame - right_frame;
    const int most_height = area.height() - top_frame - bottom_frame;
    const int width = std::max(std::min(inner.width() + std::max(short_by, 0), most_width), dialog_.minimumWidth());
    const int height = std::max(std::min(inner.height(), most_height), dialog_.minimumHeight());
    if (width == inner.width() && height == inner.height() && area.contains(outer)) return;
    // Grown about its middle, and kept on the work area.
    const int left = std::clamp(inner.left() - (width - inner.width()) / 2, area.left() + left_frame,
                                std::max(area.left() + left_frame, area.right() + 1 - right_frame - width));
    const int top = std::clamp(inner.top(), area.top() + top_frame,
                               std::max(area.top() + top_frame, area.bottom() + 1 - bottom_frame - height));
    dialog_.setGeometry(left, top, width, height);
  }

  QFileDialog& dialog_;
  QTreeView& list_;
  QRect area_;
  bool pending_ = false;
};

}  // namespace

QIcon ListingIconProvider::icon(IconType type) const { return QFileIconProvider::icon(type); }

QIcon ListingIconProvider::icon(const QFileInfo& info) const {
  return QFileIconProvider::icon(info.isDir() ? Folder : File);
}

QString ListingIconProvider::type(const QFileInfo& info) const {
  if (info.isDir()) return russian_ ? QStringLiteral("Папка") : QStringLiteral("Folder");
  if (info.suffix().isEmpty()) return russian_ ? QStringLiteral("Файл") : QStringLiteral("File");
  return russian_ ? QStringLiteral("Файл ") + info.suffix().toUpper() : info.suffix().toUpper() + QStringLiteral(" File");
}

void ConfigureFileDialog(QFileDialog& dialog, bool russian, const QRect& area) {
  static ListingIconProvider english_provider(false);
  static ListingIconProvider russian_provider(true);
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontUseCustomDirectoryIcons);
  dialog.setIconProvider(russian ? &russian_provider : &english_provider);
  dialog.setViewMode(QFileDialog::Detail);
  if (QTreeView* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) new FileDialogFit(dialog, *list, area);
}

HostHead BeginHost() {
  PrepareQtEnvironment();
  HostHead head;
  // Qt chooses X where it is asked to, or where it is not and the session is not Wayland's.
  const char* display = std::getenv("DISPLAY");
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const char* session = std::getenv("XDG_SESSION_TYPE");
  const bool x = platform != nullptr && *platform != '\0'
                     ? std::string_view(platform).starts_with("xcb")
                     : session == nullptr || std::string_view(session) != "wayland";
  if (display != nullptr && *display != '\0' && x) head.grab = std::make_unique<DesktopGrab>(display);
  return head;
}

QtHost::QtHost(const Clock& clock, HostHead head) {
  // Qt's file dialog writes its folders and history to the user's settings as it closes; they
  // go to this run's own folder instead, and with it (no folder: Qt's own place, as before).
  if (settings_.isValid()) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_.path());
  }
  const QRect area = WorkArea();
  if (head.size_known) head.size_known(area.width(), area.height());
  if (QGuiApplication::platformName() == QStringLiteral("xcb")) {
    // The grab begun before Qt's start is kept where Qt has opened the same display.
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    const std::string display = DisplayName(x11 != nullptr ? x11->display() : nullptr);
    if (head.grab && head.grab->Display() == display) {
      grab_ = std::move(head.grab);
    } else {
      grab_ = std::make_unique<DesktopGrab>(display);
    }
    grab_->SetArea(area.x(), area.y(), area.width(), area.height());
  }
  head.grab.reset();
  window_ = std::make_unique<HostWindow>(area.width(), area.height(), clock);
  widget_ = std::make_unique<HostWidget>(*window_);
  widget_->setGeometry(area);
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, widget_.get(), [this] { window_->RunDueTimers(); });
  window_->SetBackend(this);
}

QtHost::~QtHost() {
  if (idle_reset_.joinable()) idle_reset_.join();
  grab_.reset();
  instance_notifier_.reset();
  arrival_notifier_.reset();
  timer_.stop();
  window_->SetBackend(nullptr);
  widget_.reset();
}

QWidget& QtHost::Widget() { return *widget_; }

void QtHost::SetWindowTitle(std::string_view title) { widget_->setWindowTitle(FromUtf8(title)); }

void QtHost::SetWindowIcon(const Surface& icon) {
  if (icon.Empty()) return;
  const QImage image(icon.Pixels(), icon.Width(), icon.Height(), icon.Stride(), QImage::Format_ARGB32);
  widget_->setWindowIcon(QIcon(QPixmap::fromImage(image.copy())));
}

void QtHost::ShowWindow() {
  if (widget_->isVisible() || window_->IsClosed()) return;
  const QRect area = WorkArea();
  // The desktop as it stands before the window covers it: the intro plays over it. A platform
  // without a desktop (offscreen, minimal) has none to give.
  const QString platform = QGuiApplication::platformName();
  const bool has_desktop = platform != QStringLiteral("offscreen") && platform != QStringLiteral("minimal");
  // The X server's copy is made before the window shows; where it could not be made, Qt takes the
  // desktop here.
  if (grab_ && !grab_->WaitTaken()) grab_.reset();
  if (QScreen* screen = QGuiApplication::primaryScreen(); has_desktop && !grab_ && screen != nullptr && desktop_.Empty()) {
    const QImage grab = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    if (grab.width() == window_->Width() && grab.height() == window_->Height()) {
      Surface taken(grab.width(), grab.height());
      for (int y = 0; y < grab.height(); ++y) std::memcpy(taken.Row(y), grab.constScanLine(y), static_cast<std::size_t>(grab.width()) * 4);
      if (!IsSingleColour(taken)) desktop_ = std::move(taken);
    }
  }
  widget_->setGeometry(area);
  widget_->PrepareStore();
  widget_->show();
  widget_->activateWindow();
}

std::optional<Surface> QtHost::DesktopUnderWindow() {
  // Given away to the intro's first frame: the host keeps no full-screen picture for the rest of the run.
  if (grab_) {
    Surface picture = grab_->TakePicture();
    grab_.reset();
    if (picture.Width() == window_->Width() && picture.Height() == window_->Height()) return picture;
    return std::nullopt;
  }
  if (desktop_.Empty()) return std::nullopt;
  return std::exchange(desktop_, Surface{});
}

int QtHost::RunEventLoop() {
  if (window_->IsClosed()) return 0;
  ShowWindow();
  return QApplication::exec();
}

void QtHost::ShowMessage(std::string_view text, std::string_view caption) {
  QMessageBox box(QMessageBox::NoIcon, FromUtf8(caption), FromUtf8(text), QMessageBox::Ok,
                  widget_.get());
  box.exec();
}

void QtHost::ShowProgress(std::string_view text, std::uint64_t done, std::uint64_t total) {
  if (done >= total) {
    progress_.reset();
    return;
  }
  if (!progress_) progress_ = MakeProgressBox(text, kProgressSteps, widget_.get());
  progress_->setValue(static_cast<int>(done * kProgressSteps / total));
  // The window under the progress goes on drawing; the box, and the window core's hold of the
  // input that the file's command takes, keep the user's input away meanwhile.
  QCoreApplication::processEvents();
}

namespace {

// Keeps the user's input from the window while it stands: a task run aside must not be begun again.
// A close is left to the window core, which keeps it until the task's command is over; so is a left
// press, which the core, holding its input too, drops unless it asks for the close.
class InputHold final : public QObject {
 public:
  explicit InputHold(QWidget& widget) : widget_(widget) { widget_.installEventFilter(this); }
  ~InputHold() override { widget_.removeEventFilter(this); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        return static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton;
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
        return true;
      default:
        return false;
    }
  }

 private:
  QWidget& widget_;
};

// A task run aside that lasts longer than this shows its progress box.
constexpr int kAsideBoxDelayMs = 150;
// A counted task's box follows its count this often.
constexpr int kProgressStepMs = 50;

}  // namespace

void QtHost::RunAside(std::string_view text, const std::function<void()>& work) { RunAsideShowing(text, work, nullptr); }

void QtHost::RunAsideCounted(std::string_view text, const std::function<void()>& work, AsideProgress& progress) {
  RunAsideShowing(text, work, &progress);
}

void QtHost::RunAsideShowing(std::string_view text, const std::function<void()>& work, AsideProgress* progress) {
  QEventLoop loop;
  std::atomic<bool> finished{false};
  const InputHold hold(*widget_);
  // A close asked for meanwhile waits for the work's end.
  const InputHoldScope held(*window_);
  const bool own_box = !progress_;
  QTimer::singleShot(kAsideBoxDelayMs, &loop, [&] {
    if (!own_box || finished.load() || progress_) return;
    // Without a count the box says only that the work goes on.
    progress_ = MakeProgressBox(text, progress != nullptr ? kProgressSteps : 0, widget_.get());
    progress_->setValue(0);
  });
  // The work's count reaches the box as the window thread's events go on.
  QTimer steps;
  if (progress != nullptr) {
    QObject::connect(&steps, &QTimer::timeout, &loop, [&] {
      const auto step = progress->Fresh();
      if (!step) return;
      if (progress_ && progress_->maximum() > 0 && step->second > 0) {
        progress_->setValue(static_cast<int>(std::min(step->first, step->second) * kProgressSteps / step->second));
      }
      progress->Shown();
    });
    steps.start(kProgressStepMs);
  }
  {
    std::jthread aside([&] {
      work();
      finished.store(true);
      QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // The window thread goes on with its events (painting, timers) until the work is done.
    loop.exec();
  }
  steps.stop();
  if (own_box) progress_.reset();
}

bool QtHost::AskYesNo(std::string_view text, std::string_view caption) {
  QMessageBox box(QMessageBox::Question, FromUtf8(caption), FromUtf8(text), QMessageBox::Yes | QMessageBox::No,
                  widget_.get());
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

SaveChoice QtHost::AskToSave(const SaveQuestion& question) {
  QMessageBox box(QMessageBox::Question, FromUtf8(question.caption), FromUtf8(question.text), QMessageBox::NoButton,
                  widget_.get());
  QPushButton* save = box.addButton(FromUtf8(question.save), QMessageBox::AcceptRole);
  QPushButton* dont_save = box.addButton(FromUtf8(question.dontSave), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(FromUtf8(question.cancel), QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save) return SaveChoice::Save;
  if (box.clickedButton() == dont_save) return SaveChoice::DontSave;
  return SaveChoice::Cancel;
}

std::optional<FileDialogResult> QtHost::RunFileDialog(const FileDialogRequest& request, bool save) {
  QFileDialog dialog(widget_.get(), FromUtf8(request.title));
  ConfigureFileDialog(dialog, russian_);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (save && !request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  QStringList filters;
  for (const FileFilter& f : request.filters) {
    filters << FromUtf8(f.name) + QStringLiteral(" (") + FromUtf8(f.pattern) + QStringLiteral(")");
  }
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = std::clamp(request.filterIndex, 1, static_cast<int>(filters.size()));
    dialog.selectNameFilter(filters[index - 1]);
  }
  if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(FromUtf8(request.defaultExtension));
  if (!last_folder_.isEmpty()) dialog.setDirectory(last_folder_);
  if (!request.initialName.empty()) dialog.selectFile(FromUtf8(request.initialName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  FileDialogResult result;
  result.path = dialog.selectedFiles().front().toStdString();
  last_folder_ = QFileInfo(dialog.selectedFiles().front()).absolutePath();
  result.filterIndex = std::max(1, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1);
  return result;
}

std::optional<FileDialogResult> QtHost::OpenFileDialog(const FileDialogRequest& request) {
  return RunFileDialog(request, false);
}

std::optional<FileDialogResult> QtHost::SaveFileDialog(const FileDialogRequest& request) {
  return RunFileDialog(request, true);
}

bool QtHost::OpenAddress(std::string_view address) {
  return QDesktopServices::openUrl(QUrl::fromUserInput(FromUtf8(address)));
}

bool QtHost::ResetIdleTimers() {
  // The freedesktop screen-saver service of the session, where the desktop runs one. Reaching the
  // session's bus takes milliseconds (on X without one, the bus library first tries to start one),
  // so the call is made on a thread of its own, beside the start-up: the first frame does not wait
  // for it. A plain message, not waited for: no look-up of the service's interface first.
  if (idle_reset_.joinable()) return true;
  idle_reset_ = std::thread([] {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    bus.send(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                                            QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("SimulateUserActivity")));
  });
  return true;
}

bool QtHost::UserLocaleIsRussian() const { return QLocale::system().language() == QLocale::Russian; }

void QtHost::SetInterfaceLanguage(bool russian) {
  russian_ = russian;
  if (!russian) {
    qt_russian_.reset();  // a translator leaves the application as it goes
    return;
  }
  if (qt_russian_) return;
  auto translator = std::make_unique<QTranslator>();
  // Without the translations installed, Qt's texts stay English.
  if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(translator.get())) {
    qt_russian_ = std::move(translator);
  }
}

ScreenInfo QtHost::Screen() const {
  const QRect area = WorkArea();
  const QScreen* screen = QGuiApplication::primaryScreen();
  return ScreenInfo{area.width(), area.height(), screen ? screen->depth() : 0};
}

std::string QtHost::CommandLine() const {
  QStringList args = QCoreApplication::arguments();
  if (!args.isEmpty()) args.removeFirst();
  return args.join(QLatin1Char(' ')).toStdString();
}

bool QtHost::SetDeviceArrivalHandler(DeviceArrivalHandler handler) {
  arrival_handler_ = std::move(handler);
  if (!arrival_handler_) {
    arrival_notifier_.reset();
    return true;
  }
  if (arrival_notifier_) return true;
  if (!arrivals_.Start()) return false;
  arrival_notifier_ = std::make_unique<QSocketNotifier>(arrivals_.Descriptor(), QSocketNotifier::Read);
  QObject::connect(arrival_notifier_.get(), &QSocketNotifier::activated, widget_.get(), [this] {
    arrivals_.Drain([this](const std::string& name, int state) {
      if (arrival_handler_) arrival_handler_(name, state);
    });
  });
  return true;
}

bool QtHost::ListenForCloseRequests(std::string_view window_class) {
  if (instance_) return true;
  auto listener = std::make_unique<InstanceListener>(window_class);
  if (!listener->Start()) return false;
  instance_ = std::move(listener);
  instance_notifier_ = std::make_unique<QSocketNotifier>(instance_->Descriptor(), QSocketNotifier::Read);
  QObject::connect(instance_notifier_.get(), &QSocketNotifier::activated, widget_.get(),
                   [this] { instance_->Drain([this] { window_->PostClose(); }); });
  return true;
}

void QtHost::RequestUpdate(const WindowRect& rect) { widget_->Request(ToQRect(rect)); }

void QtHost::Present(const WindowRect& rect) { widget_->Present(ToQRect(rect)); }

void QtHost::BeginPaint() { widget_->BeginCorePaint(); }

void QtHost::EndPaint() { widget_->EndCorePaint(); }

void QtHost::WakeWindowThread() {
  // Posts an event to the widget's thread; safe from any thread and never waits.
  QMetaObject::invokeMethod(widget_.get(), [this] { window_->DrainQueue(); }, Qt::QueuedConnection);
}

void QtHost::TimersChanged() {
  const std::optional<std::int64_t> wait = window_->MsUntilNextTimer();
  if (!wait) {
    timer_.stop();
    return;
  }
  timer_.start(static_cast<int>(std::min<std::int64_t>(*wait, 1 << 30)));
}

void QtHost::SetCursor(CursorShape shape) {
  widget_->setCursor(shape == CursorShape::Hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void QtHost::ShowMinimisedOrMaximised(bool minimised) {
  if (minimised) {
    widget_->showMinimized();
  } else {
    widget_->showMaximized();
  }
}

void QtHost::DestroyWindow() {
  timer_.stop();
  widget_->AllowClose();
  widget_->hide();
  QCoreApplication::quit();
}

}  // namespace platform::qt

namespace platform {

int RunHost(int argc, char** argv, const std::function<int(HostServices&)>& program,
            const std::function<void(int width, int height)>& window_size_known) {
  qt::HostHead head = qt::BeginHost();
  head.size_known = window_size_known;
  QApplication application(argc, argv);
  SteadyClock clock;
  qt::QtHost host(clock, std::move(head));
  return program(host);
}

}  // namespace platform
