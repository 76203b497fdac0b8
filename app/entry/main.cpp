// The program's entry: the host system's window and services, then the program itself.
#include "app/application.h"
#include "platform/host_entry.h"

int main(int argc, char** argv) {
  // The start background is drawn from the entry on, beside the host's own start.
  MainWindowEnvironment environment = SystemEnvironment();
  environment.TakeStartBackground = DrawStartBackgroundAhead();
  return platform::RunHost(argc, argv,
                           [&environment](platform::HostServices& host) { return RunVessamor(host, std::move(environment)); });
}
