// A host without a display: the window core over a chosen screen, messages recorded, for tests and benchmarks.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
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
  // Recorded; while the box would stand (done below total), DuringProgress has its turn, as the
  // user's input and the window's events do under a real progress box.
  void ShowProgress(std::string_view, std::uint64_t done, std::uint64_t total) override {
    Progress.emplace_back(done, total);
    if (done < total && DuringProgress) DuringProgress();
  }
  // The work on a thread of its own while the window thread goes on with its loop (queued calls,
  // timers, paint, and DuringProgress), as the real host runs it.
  void RunAside(std::string_view text, const std::function<void()>& work) override;
  // The same, each step the work counts shown (ShowProgress) while the work waits for it, so that
  // DuringProgress has its turn at every step, as the window would between pieces of the work.
  void RunAsideCounted(std::string_view text, const std::function<void()>& work, AsideProgress& progress) override;
  // Questions are recorded and answered from Answers in turn, No once it is empty.
  bool AskYesNo(std::string_view text, std::string_view) override {
    Questions.emplace_back(text);
    if (Answers.empty()) return false;
    const bool yes = Answers.front();
    Answers.pop_front();
    return yes;
  }
  // Save questions are recorded and answered from SaveAnswers in turn, Don't save once it is empty.
  SaveChoice AskToSave(const SaveQuestion& question) override {
    SaveQuestions.push_back(question);
    if (SaveAnswers.empty()) return SaveChoice::DontSave;
    const SaveChoice choice = SaveAnswers.front();
    SaveAnswers.pop_front();
    return choice;
  }
  // File dialogs are counted and answered from DialogAnswers in turn; cancelled once it is empty.
  std::optional<FileDialogResult> OpenFileDialog(const FileDialogRequest& request) override {
    ++OpenDialogs;
    return Answer(request);
  }
  std::optional<FileDialogResult> SaveFileDialog(const FileDialogRequest& request) override {
    ++SaveDialogs;
    return Answer(request);
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
  // Given once, as the Qt host gives it.
  std::optional<Surface> DesktopUnderWindow() override { return std::exchange(Desktop, std::nullopt); }
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
  std::deque<FileDialogResult> DialogAnswers;
  std::vector<FileDialogRequest> DialogRequests;
  std::vector<std::string> Questions;
  std::deque<bool> Answers;
  std::vector<SaveQuestion> SaveQuestions;
  std::deque<SaveChoice> SaveAnswers;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> Progress;  // done, total
  // What happens on the window thread while a progress box stands or work runs aside: none, nothing.
  std::function<void()> DuringProgress;
  // What happens on the window thread once work run aside is done, before the command goes on with
  // what the work found (a file changed under it, for one): none, nothing.
  std::function<void()> AfterAside;
  // Addresses the program asked the desktop to open.
  std::vector<std::string> Opened;
  // Times the program reset the desktop's idle timers, and cleared its request.
  int IdleResets = 0;
  int IdleClears = 0;
  DeviceArrivalHandler ArrivalHandler;
  AudioOutput* AudioDevice = nullptr;
  // What the desktop showed under the window; none: no desktop to take.
  std::optional<Surface> Desktop;

 private:
  ScreenInfo screen_;
  HostWindow window_;

  std::optional<FileDialogResult> Answer(const FileDialogRequest& request) {
    DialogRequests.push_back(request);
    if (DialogAnswers.empty()) return std::nullopt;
    FileDialogResult result = DialogAnswers.front();
    DialogAnswers.pop_front();
    return result;
  }
};

}  // namespace platform
