// The program's entry: the host system's window and services, then the program itself.
#include "app/application.h"
#include "platform/host_entry.h"

int main(int argc, char** argv) {
  // The start background kept in the program is stretched over the window on a thread begun here,
  // as soon as the host knows the window's size.
  MainWindowEnvironment environment = SystemEnvironment();
  const auto background = std::make_shared<StartBackgroundAhead>();
  environment.StartBackground = background;
  return platform::RunHost(
      argc, argv, [&environment](platform::HostServices& host) { return RunVessamor(host, std::move(environment)); },
      [background](int width, int height) { background->TellWindowSize(width, height); });
}
