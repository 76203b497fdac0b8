// The host system's services besides the window (dialogs, address, language, screen, command line), free of Qt.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/surface.h"

namespace platform {

class AsideProgress;
class AudioOutput;
class HostWindow;

struct ScreenInfo {
  int width = 0;   // the work area: the screen less panels and docks
  int height = 0;
  int depth = 0;   // bits per pixel as the display reports them
};

struct FileFilter {
  std::string name;     // "Record"
  std::string pattern;  // "*.out"
};

struct FileDialogRequest {
  std::string title;
  std::vector<FileFilter> filters;
  int filterIndex = 1;            // 1-based, as the dialogs have always counted
  std::string initialName;        // pre-filled file name (save)
  std::string defaultExtension;   // without the dot; added to a typed name that has none
  // The save dialog asks before it returns the name of a file that exists; off when the caller
  // completes the name and asks about the file it will write itself.
  bool confirmOverwrite = true;
};

// The answer to a question about a record not yet saved.
enum class SaveChoice { Save, DontSave, Cancel };

// The question and its three buttons' captions, in the interface's language.
struct SaveQuestion {
  std::string text;
  std::string caption;
  std::string save;
  std::string dontSave;
  std::string cancel;
};

struct FileDialogResult {
  std::string path;  // UTF-8
  int filterIndex = 1;
};

// A device interface arrived (state 1) or departed (state 3); the name holds
// "vid_XXXX&pid_YYYY" in lower case. Called on the window thread.
using DeviceArrivalHandler = std::function<void(const std::string& interface_name, int state)>;

class HostServices {
 public:
  virtual ~HostServices() = default;

  // Reports the USB devices that come and go to the handler (an empty one stops the reports);
  // false when the host has no source of such events, and the periodic search must find them.
  virtual bool SetDeviceArrivalHandler(DeviceArrivalHandler handler) = 0;

  // Lets a later start of the program ask this window to close (CloseOtherInstance); false when
  // the host cannot listen, or another window of the class listens already.
  virtual bool ListenForCloseRequests(std::string_view window_class) {
    (void)window_class;
    return false;
  }

  virtual HostWindow& Window() = 0;
  virtual void SetWindowTitle(std::string_view title) = 0;
  // The window's small icon; the host copies the pixels.
  virtual void SetWindowIcon(const Surface& icon) { (void)icon; }
  virtual void ShowWindow() = 0;
  // Shows the window when it is not yet shown and runs until it has been destroyed; returns the
  // exit code.
  virtual int RunEventLoop() = 0;

  // A modal box with one OK button; returns once the user has closed it.
  virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
  // A long task's progress over the window, which stays drawn meanwhile: shown while done is
  // below total, gone once done reaches it.
  virtual void ShowProgress(std::string_view text, std::uint64_t done, std::uint64_t total) {
    (void)text;
    (void)done;
    (void)total;
  }
  // Runs `work` on a thread of its own while the window goes on drawing, its input held and, should
  // the work last, a progress box with `text` over it (the one a long task shows already, when it
  // shows one); returns once the work is done. The work touches neither the window nor anything the
  // window thread reads meanwhile. A host without a window runs it at once.
  virtual void RunAside(std::string_view text, const std::function<void()>& work) {
    (void)text;
    work();
  }
  // RunAside for work that counts its steps in `progress`: the progress box shows them as they come,
  // as ShowProgress would, and stays up until the work is done.
  virtual void RunAsideCounted(std::string_view text, const std::function<void()>& work, AsideProgress& progress) {
    (void)progress;
    RunAside(text, work);
  }
  // A modal question with Yes and No; true for Yes. A host that cannot ask answers No.
  virtual bool AskYesNo(std::string_view text, std::string_view caption) {
    (void)text;
    (void)caption;
    return false;
  }
  // A modal question with Save, Don't save and Cancel; closing it is Cancel. A host that cannot
  // ask answers Don't save.
  virtual SaveChoice AskToSave(const SaveQuestion& question) {
    (void)question;
    return SaveChoice::DontSave;
  }
  // Modal; none when the user cancels.
  virtual std::optional<FileDialogResult> OpenFileDialog(const FileDialogRequest& request) = 0;
  virtual std::optional<FileDialogResult> SaveFileDialog(const FileDialogRequest& request) = 0;
  // Opens a web address or file with the desktop's handler; false when nothing took it.
  virtual bool OpenAddress(std::string_view address) = 0;

  // Tells the desktop's screen saver the user is active, so its idle timers start again: once, at
  // start-up, with no lasting request. False where the host has no way to tell it; the telling may
  // go on beside the start-up, and a desktop without the service just does not hear it.
  virtual bool ResetIdleTimers() { return false; }
  // Withdraws whatever the program asked of the desktop's idle timers (at exit).
  virtual void ClearIdleRequest() {}

  // The user's locale language is Russian (the one thing the program asks of it).
  virtual bool UserLocaleIsRussian() const = 0;
  // The language the program chose for its interface; the host's own dialogs and buttons follow it.
  virtual void SetInterfaceLanguage(bool russian) { (void)russian; }
  virtual ScreenInfo Screen() const = 0;
  // The picture of the desktop under the window as it stood before the window was shown, the
  // window's size; none where the host cannot take it or took a screen with nothing on it. A host
  // may give it only once.
  virtual std::optional<Surface> DesktopUnderWindow() { return std::nullopt; }
  // The command-line arguments after the program name, joined by single spaces.
  virtual std::string CommandLine() const = 0;
  // The default sound output; none when the host has no audio.
  virtual AudioOutput* Audio() { return nullptr; }
};

}  // namespace platform
