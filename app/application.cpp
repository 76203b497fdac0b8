// The program's start-up and exit around its one window.
#include "app/application.h"

#include "app/preparation_steps.h"
#include "app/screen_metrics.h"
#include "app/start_screen_parts.h"

int RunVessamor(platform::HostServices& host, MainWindowEnvironment environment) {
  const bool command_line_english = CommandLineEnglish(host.CommandLine());
  // Two programs may run side by side; only the first one listens for close requests.
  host.ListenForCloseRequests(kWindowClass);
  // The desktop's idle timers start again once; no lasting request is made.
  host.ResetIdleTimers();
  MainWindow window(host, std::move(environment));
  InstallPreparationSteps(window, InstallStartScreenParts(window));
  if (!window.CreateMainWindow(command_line_english)) {
    host.ClearIdleRequest();
    return 1;
  }
  const int code = host.RunEventLoop();
  // A window the loop did not see closed (the host went away) still stops its workers here.
  if (!host.Window().IsClosed()) window.OnClose();
  host.ClearIdleRequest();
  return code;
}
