// Binding of the D2XX driver library: the entry-point table filled by name, stubs for absent names.
#include "acquisition/ftdi_binding.h"

#include <type_traits>
#include <memory>

#include "platform/dynamic_library.h"

namespace {

// A stub of the entry point's own signature that reports the call as failed.
template <typename R, typename... Args>
constexpr auto StubFor(R (*)(Args...)) {
  return +[](Args...) -> R { return FT_NOT_SUPPORTED; };
}

template <auto Member>
void Assign(FtdiEntryPoints& table, void* address) {
  using Fn = std::remove_reference_t<decltype(table.*Member)>;
  table.*Member = address != nullptr ? reinterpret_cast<Fn>(address) : StubFor(Fn{});
}

struct Slot {
  void (*assign)(FtdiEntryPoints&, void*);
};

#define VESSAMOR_FT_SLOT(name, required) \
  {#name, required}, Slot { &Assign<&FtdiEntryPoints::name> }

struct Binding {
  FtdiEntryPointInfo info;
  Slot slot;
};

const Binding kBindings[40] = {
    {VESSAMOR_FT_SLOT(FT_Write, true)},
    {VESSAMOR_FT_SLOT(FT_Read, true)},
    {VESSAMOR_FT_SLOT(FT_Open, true)},
    {VESSAMOR_FT_SLOT(FT_OpenEx, true)},
    {VESSAMOR_FT_SLOT(FT_ListDevices, true)},
    {VESSAMOR_FT_SLOT(FT_Close, true)},
    {VESSAMOR_FT_SLOT(FT_ResetDevice, false)},
    {VESSAMOR_FT_SLOT(FT_Purge, true)},
    {VESSAMOR_FT_SLOT(FT_SetTimeouts, true)},
    {VESSAMOR_FT_SLOT(FT_GetQueueStatus, true)},
    {VESSAMOR_FT_SLOT(FT_GetQueueStatusEx, false)},
    {VESSAMOR_FT_SLOT(FT_SetDtr, false)},
    {VESSAMOR_FT_SLOT(FT_ClrDtr, false)},
    {VESSAMOR_FT_SLOT(FT_SetRts, false)},
    {VESSAMOR_FT_SLOT(FT_ClrRts, false)},
    {VESSAMOR_FT_SLOT(FT_GetModemStatus, true)},
    {VESSAMOR_FT_SLOT(FT_SetChars, false)},
    {VESSAMOR_FT_SLOT(FT_SetLatencyTimer, false)},
    {VESSAMOR_FT_SLOT(FT_GetLatencyTimer, false)},
    {VESSAMOR_FT_SLOT(FT_SetDataCharacteristics, true)},
    {VESSAMOR_FT_SLOT(FT_SetFlowControl, true)},
    {VESSAMOR_FT_SLOT(FT_SetBreakOn, false)},
    {VESSAMOR_FT_SLOT(FT_SetBreakOff, false)},
    {VESSAMOR_FT_SLOT(FT_ResetPort, false)},
    {VESSAMOR_FT_SLOT(FT_GetDeviceInfo, false)},
    {VESSAMOR_FT_SLOT(FT_EE_Program, false)},
    {VESSAMOR_FT_SLOT(FT_EE_Read, false)},
    {VESSAMOR_FT_SLOT(FT_EE_ReadEx, false)},
    {VESSAMOR_FT_SLOT(FT_EE_UASize, false)},
    {VESSAMOR_FT_SLOT(FT_EE_UARead, false)},
    {VESSAMOR_FT_SLOT(FT_EE_UAWrite, false)},
    {VESSAMOR_FT_SLOT(FT_SetBitMode, false)},
    {VESSAMOR_FT_SLOT(FT_GetBitMode, false)},
    {VESSAMOR_FT_SLOT(FT_SetEventNotification, false)},
    {VESSAMOR_FT_SLOT(FT_GetStatus, false)},
    {VESSAMOR_FT_SLOT(FT_GetEventStatus, false)},
    {VESSAMOR_FT_SLOT(FT_SetBaudRate, true)},
    {VESSAMOR_FT_SLOT(FT_SetUSBParameters, true)},
    {VESSAMOR_FT_SLOT(FT_SetDivisor, true)},
    {VESSAMOR_FT_SLOT(FT_SetResetPipeRetryCount, false)},
};
#undef VESSAMOR_FT_SLOT

FtdiEntryPoints AllStubs() {
  FtdiEntryPoints table{};
  for (const Binding& binding : kBindings) binding.slot.assign(table, nullptr);
  return table;
}

}  // namespace

FtdiEntryPoints Ftdi = AllStubs();

const FtdiEntryPointInfo FtdiEntryPointTable[40] = {
#define VESSAMOR_FT_INFO(i) kBindings[i].info
    VESSAMOR_FT_INFO(0),  VESSAMOR_FT_INFO(1),  VESSAMOR_FT_INFO(2),  VESSAMOR_FT_INFO(3),
    VESSAMOR_FT_INFO(4),  VESSAMOR_FT_INFO(5),  VESSAMOR_FT_INFO(6),  VESSAMOR_FT_INFO(7),
    VESSAMOR_FT_INFO(8),  VESSAMOR_FT_INFO(9),  VESSAMOR_FT_INFO(10), VESSAMOR_FT_INFO(11),
    VESSAMOR_FT_INFO(12), VESSAMOR_FT_INFO(13), VESSAMOR_FT_INFO(14), VESSAMOR_FT_INFO(15),
    VESSAMOR_FT_INFO(16), VESSAMOR_FT_INFO(17), VESSAMOR_FT_INFO(18), VESSAMOR_FT_INFO(19),
    VESSAMOR_FT_INFO(20), VESSAMOR_FT_INFO(21), VESSAMOR_FT_INFO(22), VESSAMOR_FT_INFO(23),
    VESSAMOR_FT_INFO(24), VESSAMOR_FT_INFO(25), VESSAMOR_FT_INFO(26), VESSAMOR_FT_INFO(27),
    VESSAMOR_FT_INFO(28), VESSAMOR_FT_INFO(29), VESSAMOR_FT_INFO(30), VESSAMOR_FT_INFO(31),
    VESSAMOR_FT_INFO(32), VESSAMOR_FT_INFO(33), VESSAMOR_FT_INFO(34), VESSAMOR_FT_INFO(35),
    VESSAMOR_FT_INFO(36), VESSAMOR_FT_INFO(37), VESSAMOR_FT_INFO(38), VESSAMOR_FT_INFO(39),
#undef VESSAMOR_FT_INFO
};

bool BindFtdiLibrary(const FtdiResolver& resolve) {
  FtdiEntryPoints table = AllStubs();
  for (const Binding& binding : kBindings) {
    void* address = resolve(binding.info.Name);
    if (address == nullptr && binding.info.Required) return false;
    binding.slot.assign(table, address);
  }
  Ftdi = table;
  return true;
}

bool BindFtdiLibrary() {
  // Kept for the life of the process: the table's pointers lead into it.
  static std::unique_ptr<platform::DynamicLibrary> library;
  if (!library) library = platform::DynamicLibrary::Open("libftd2xx.so");
  if (!library) return false;
  const platform::DynamicLibrary& loaded = *library;
  return BindFtdiLibrary([&loaded](const char* name) { return loaded.Symbol(name); });
}
