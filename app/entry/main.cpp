// The program's entry: the host system's window and services, then the program itself.
#include "app/application.h"
#include "platform/fonts.h"
#include "platform/host_entry.h"

#include <thread>

int main(int argc, char** argv) {
  // Fontconfig's set-up, which the window's first text look-up (the graph's layout, made before
  // the first frame) would wait for, is done on a thread of its own beside the host's start.
  const std::jthread fonts_ahead(platform::PrepareFontLookUps);
  // The start background kept in the program is stretched over the window on a thread begun here,
  // as soon as the host knows the window's size.
  MainWindowEnvironment environment = SystemEnvironment();
  const auto background = std::make_shared<StartBackgroundAhead>();
  environment.StartBackground = background;
  return platform::RunHost(
      argc, argv, [&environment](platform::HostServices& host) { return RunVessamor(host, std::move(environment)); },
      [background](int width, int height) { background->TellWindowSize(width, height); });
}
