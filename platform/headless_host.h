// A host without a display: the window core over a chosen screen, messages recorded, for tests and benchmarks.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/host_services.h"
#include "platform/window_core.h"

namespace platform {

class HeadlessHost final : public HostServices {
 public:
  // The calling thread becomes the window thread.
  HeadlessHost(ScreenInfo screen, const Clock& clock) : screen_(screen), window_(screen.width, screen.height, clock) {}

  bool SetDeviceArrivalHandler(DeviceArrivalHandler handler) override {
    ArrivalHandler = std::move(handler);
    return true;
  }
  HostWindow& Window() override { return window_; }
  void SetWindowTitle(std::string_view title) override { Title = title; }
  void ShowWindow() override {}
  // Drains the queue, runs due timers and paints until the window has gone; returns 0.
  int RunEventLoop() override;
  void ShowMessage(std::string_view text, std::string_view) override { Messages.emplace_back(text); }
  // Every file dialog is cancelled, and counted.
  std::optional<FileDialogResult> OpenFileDialog(const FileDialogRequest&) override {
    ++OpenDialogs;
    return std::nullopt;
  }
  std::optional<FileDialogResult> SaveFileDialog(const FileDialogRequest&) override {
    ++SaveDialogs;
    return std::nullopt;
  }
  bool OpenAddress(std::string_view address) override {
    Opened.emplace_back(address);
    return false;
  }
  bool ResetIdleTimers() override {
    ++IdleResets;
    return false;
  }
  void ClearIdleRequest() override { ++IdleClears; }
  bool UserLocaleIsRussian() const override { return LocaleRussian; }
  void SetInterfaceLanguage(bool russian) override { InterfaceRussian = russian; }
  ScreenInfo Screen() const override { return screen_; }
  std::string CommandLine() const override { return Arguments; }
  AudioOutput* Audio() override { return AudioDevice; }

  // One pass of the loop: queued calls, due timers, then the paint.
  void Pump();

  bool LocaleRussian = true;
  std::optional<bool> InterfaceRussian;  // as the program last set it
  std::string Arguments;
  std::string Title;
  std::vector<std::string> Messages;
  int OpenDialogs = 0;
  int SaveDialogs = 0;
  // Addresses the program asked the desktop to open.
  std::vector<std::string> Opened;
  // Times the program reset the desktop's idle timers, and cleared its request.
  int IdleResets = 0;
  int IdleClears = 0;
  DeviceArrivalHandler ArrivalHandler;
  AudioOutput* AudioDevice = nullptr;

 private:
  ScreenInfo screen_;
  HostWindow window_;
};

}  // namespace platform
