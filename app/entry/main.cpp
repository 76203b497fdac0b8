// The program's entry: the host system's window and services, then the program itself.
#include "app/application.h"
#include "platform/host_entry.h"

int main(int argc, char** argv) {
  return platform::RunHost(argc, argv, [](platform::HostServices& host) { return RunVessamor(host); });
}
