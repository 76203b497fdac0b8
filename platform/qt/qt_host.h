// The Qt host: the real window around the window core, and the host services built on Qt.
#pragma once

#include <functional>
#include <memory>
#include <thread>

#include <QFileIconProvider>
#include <QRect>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/host_services.h"
#include "platform/instance_channel.h"
#include "platform/qt/desktop_grab.h"
#include "platform/qt/lazy_audio_output.h"
#include "platform/usb_arrivals.h"
#include "platform/window_core.h"

class QFileDialog;
class QSocketNotifier;
class QTranslator;
class QWidget;

namespace platform::qt {

// Icons and type names of a file dialog from what the folder listing tells (the style's folder or
// file icon, the name's extension), never from a file's contents: reading a special file such as /proc/kmsg or
// a pipe would hold the window thread for good. The type names are in the interface's language.
class ListingIconProvider final : public QFileIconProvider {
 public:
  explicit ListingIconProvider(bool russian = false) : russian_(russian) {}
  QIcon icon(IconType type) const override;
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;

 private:
  bool russian_;
};

// Sets up the program's file dialogs: Qt's own dialog in its detail view with the listing icon
// provider, no icons of the folders' own. Each column of the listing is as wide as its widest text
// and the dialog grows to show them all, within `area` (none: the primary screen's work area).
void ConfigureFileDialog(QFileDialog& dialog, bool russian = false, const QRect& area = {});

class HostWidget;

// What the host begins before the application object exists, to run beside its construction.
struct HostHead {
  // The desktop of the X server the window is to show on, being taken.
  std::unique_ptr<DesktopGrab> grab;
  // Hears the window's size as soon as the host knows it.
  std::function<void(int width, int height)> size_known;
};
// Prepares Qt's environment (PrepareQtEnvironment) and, where Qt is to show the window on an X
// server, starts taking that server's desktop. Call before the QApplication is created.
HostHead BeginHost();

class QtHost final : public HostServices, private HostBackend {
 public:
  // The QApplication must exist; the calling thread becomes the window thread. The window covers
  // the primary screen's work area. The head begun before the application object is taken over.
  explicit QtHost(const Clock& clock, HostHead head = {});
  ~QtHost() override;

  QWidget& Widget();

  HostWindow& Window() override { return *window_; }
  void SetWindowTitle(std::string_view title) override;
  void SetWindowIcon(const Surface& icon) override;
  void ShowWindow() override;
  int RunEventLoop() override;
  void ShowMessage(std::string_view text, std::string_view caption) override;
  bool AskYesNo(std::string_view text, std::string_view caption) override;
  SaveChoice AskToSave(const SaveQuestion& question) override;
  void ShowProgress(std::string_view text, std::uint64_t done, std::uint64_t total) override;
  void RunAside(std::string_view text, const std::function<void()>& work) override;
  void RunAsideCounted(std::string_view text, const std::function<void()>& work, AsideProgress& progress) override;
  std::optional<FileDialogResult> OpenFileDialog(const FileDialogRequest& request) override;
  std::optional<FileDialogResult> SaveFileDialog(const FileDialogRequest& request) override;
  bool OpenAddress(std::string_view address) override;
  bool ResetIdleTimers() override;
  bool UserLocaleIsRussian() const override;
  // Russian loads Qt's own Russian texts (its dialogs, standard buttons); English removes them.
  void SetInterfaceLanguage(bool russian) override;
  ScreenInfo Screen() const override;
  std::optional<Surface> DesktopUnderWindow() override;
  std::string CommandLine() const override;
  bool SetDeviceArrivalHandler(DeviceArrivalHandler handler) override;
  bool ListenForCloseRequests(std::string_view window_class) override;
  AudioOutput* Audio() override { return &audio_; }

 private:
  // HostBackend
  void RequestUpdate(const WindowRect& rect) override;
  void Present(const WindowRect& rect) override;
  void WakeWindowThread() override;
  void TimersChanged() override;
  void SetCursor(CursorShape shape) override;
  void DestroyWindow() override;
  void ShowMinimisedOrMaximised(bool minimised) override;
  void BeginPaint() override;
  void EndPaint() override;

  std::optional<FileDialogResult> RunFileDialog(const FileDialogRequest& request, bool save);
  // RunAside, with the work's count in the box when there is one.
  void RunAsideShowing(std::string_view text, const std::function<void()>& work, AsideProgress* progress);
  // The desktop under the window, taken as the window is first shown; empty when none.
  Surface desktop_;
  // On an X server the desktop is taken from the start on a connection of its own, and comes
  // when the first frame asks for it.
  std::unique_ptr<DesktopGrab> grab_;
  // The screen saver told of the user at start-up, beside it.
  std::thread idle_reset_;

  std::unique_ptr<HostWindow> window_;
  std::unique_ptr<HostWidget> widget_;
  QTimer timer_;
  // The kernel's USB events, read on the window thread when the monitor's socket is readable.
  UsbArrivalMonitor arrivals_;
  std::unique_ptr<QSocketNotifier> arrival_notifier_;
  DeviceArrivalHandler arrival_handler_;
  // Close requests of a later start, read on the window thread.
  std::unique_ptr<InstanceListener> instance_;
  std::unique_ptr<QSocketNotifier> instance_notifier_;
  LazyAudioOutput audio_;
  std::unique_ptr<QTranslator> qt_russian_;
  bool russian_ = false;
  // Where Qt keeps the user's settings for this run (the file dialogs' folders and history): a
  // folder of its own that goes with the run, so nothing of one run's dialogs reaches the next.
  QTemporaryDir settings_;
  // The folder the last file dialog of this run was accepted in: the next one opens there.
  QString last_folder_;
  std::unique_ptr<QProgressDialog> progress_;
};

}  // namespace platform::qt
