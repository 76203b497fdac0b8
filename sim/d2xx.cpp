// The D2XX entry points of the simulator: thin calls into the process-wide bus.
#include "sim/d2xx.h"

#include <cstring>

#include "sim/bus.h"

namespace sim::d2xx {

namespace {
Bus& B() { return Bus::Instance(); }
}  // namespace

FT_STATUS FT_Write(FT_HANDLE h, LPVOID b, DWORD n, LPDWORD w) { return B().Write(h, b, n, w); }
FT_STATUS FT_Read(FT_HANDLE h, LPVOID b, DWORD n, LPDWORD r) { return B().Read(h, b, n, r); }
FT_STATUS FT_Open(int index, FT_HANDLE* h) { return B().Open(index, h); }
FT_STATUS FT_OpenEx(PVOID a, DWORD f, FT_HANDLE* h) { return B().OpenEx(a, f, h); }
FT_STATUS FT_ListDevices(PVOID a1, PVOID a2, DWORD f) { return B().ListDevices(a1, a2, f); }
FT_STATUS FT_Close(FT_HANDLE h) { return B().Close(h); }
FT_STATUS FT_ResetDevice(FT_HANDLE h) { return B().SetLine(h, "FT_ResetDevice"); }
FT_STATUS FT_Purge(FT_HANDLE h, ULONG m) { return B().Purge(h, m); }
FT_STATUS FT_SetTimeouts(FT_HANDLE h, ULONG r, ULONG w) { return B().SetTimeouts(h, r, w); }
FT_STATUS FT_GetQueueStatus(FT_HANDLE h, DWORD* n) { return B().GetQueueStatus(h, n, "FT_GetQueueStatus"); }
FT_STATUS FT_GetQueueStatusEx(FT_HANDLE h, DWORD* n) { return B().GetQueueStatus(h, n, "FT_GetQueueStatusEx"); }
FT_STATUS FT_SetDtr(FT_HANDLE h) { return B().SetLine(h, "FT_SetDtr"); }
FT_STATUS FT_ClrDtr(FT_HANDLE h) { return B().SetLine(h, "FT_ClrDtr"); }
FT_STATUS FT_SetRts(FT_HANDLE h) { return B().SetLine(h, "FT_SetRts"); }
FT_STATUS FT_ClrRts(FT_HANDLE h) { return B().SetLine(h, "FT_ClrRts"); }
FT_STATUS FT_GetModemStatus(FT_HANDLE h, ULONG* s) { return B().GetModemStatus(h, s); }
FT_STATUS FT_SetChars(FT_HANDLE h, UCHAR e, UCHAR eo, UCHAR r, UCHAR ro) { return B().SetChars(h, e, eo, r, ro); }
FT_STATUS FT_SetLatencyTimer(FT_HANDLE h, UCHAR ms) { return B().SetLatencyTimer(h, ms); }
FT_STATUS FT_GetLatencyTimer(FT_HANDLE h, PUCHAR ms) { return B().GetLatencyTimer(h, ms); }
FT_STATUS FT_SetDataCharacteristics(FT_HANDLE h, UCHAR b, UCHAR s, UCHAR p) {
  return B().SetDataCharacteristics(h, b, s, p);
}
FT_STATUS FT_SetFlowControl(FT_HANDLE h, USHORT f, UCHAR on, UCHAR off) { return B().SetFlowControl(h, f, on, off); }
FT_STATUS FT_SetBreakOn(FT_HANDLE h) { return B().SetLine(h, "FT_SetBreakOn"); }
FT_STATUS FT_SetBreakOff(FT_HANDLE h) { return B().SetLine(h, "FT_SetBreakOff"); }
FT_STATUS FT_ResetPort(FT_HANDLE h) { return B().SetLine(h, "FT_ResetPort"); }
FT_STATUS FT_GetDeviceInfo(FT_HANDLE h, FT_DEVICE* d, LPDWORD id, PCHAR s, PCHAR desc, LPVOID) {
  return B().GetDeviceInfo(h, d, id, s, desc);
}
FT_STATUS FT_EE_Program(FT_HANDLE h, FT_PROGRAM_DATA* d) { return B().ProgramEeprom(h, d); }
FT_STATUS FT_EE_Read(FT_HANDLE h, FT_PROGRAM_DATA* d) {
  if (d == nullptr) return B().ReadEeprom(h, d, nullptr, nullptr, nullptr, nullptr, "FT_EE_Read");
  return B().ReadEeprom(h, d, d->Manufacturer, d->ManufacturerId, d->Description, d->SerialNumber, "FT_EE_Read");
}
FT_STATUS FT_EE_ReadEx(FT_HANDLE h, FT_PROGRAM_DATA* d, char* m, char* mi, char* desc, char* s) {
  return B().ReadEeprom(h, d, m, mi, desc, s, "FT_EE_ReadEx");
}
FT_STATUS FT_EE_UASize(FT_HANDLE h, LPDWORD n) { return B().UserAreaSize(h, n); }
FT_STATUS FT_EE_UARead(FT_HANDLE h, PUCHAR d, DWORD n, LPDWORD r) { return B().UserAreaRead(h, d, n, r); }
FT_STATUS FT_EE_UAWrite(FT_HANDLE h, PUCHAR d, DWORD n) { return B().UserAreaWrite(h, d, n); }
FT_STATUS FT_SetBitMode(FT_HANDLE h, UCHAR m, UCHAR e) { return B().SetBitMode(h, m, e); }
FT_STATUS FT_GetBitMode(FT_HANDLE h, PUCHAR m) { return B().GetBitMode(h, m); }
FT_STATUS FT_SetEventNotification(FT_HANDLE h, DWORD m, PVOID e) { return B().SetEventNotification(h, m, e); }
FT_STATUS FT_GetStatus(FT_HANDLE h, DWORD* r, DWORD* t, DWORD* e) { return B().GetStatus(h, r, t, e); }
FT_STATUS FT_GetEventStatus(FT_HANDLE h, DWORD* e) { return B().GetEventStatus(h, e); }
FT_STATUS FT_SetBaudRate(FT_HANDLE h, ULONG b) { return B().SetBaudRate(h, b); }
FT_STATUS FT_SetUSBParameters(FT_HANDLE h, ULONG in, ULONG out) { return B().SetUSBParameters(h, in, out); }
FT_STATUS FT_SetDivisor(FT_HANDLE h, USHORT d) { return B().SetDivisor(h, d); }
FT_STATUS FT_SetResetPipeRetryCount(FT_HANDLE h, DWORD n) { return B().SetResetPipeRetryCount(h, n); }

void* Resolve(const char* name) {
#define VESSAMOR_SIM_ENTRY(fn) {#fn, reinterpret_cast<void*>(&fn)}
  static const struct {
    const char* name;
    void* address;
  } kEntries[] = {
      VESSAMOR_SIM_ENTRY(FT_Write), VESSAMOR_SIM_ENTRY(FT_Read), VESSAMOR_SIM_ENTRY(FT_Open),
      VESSAMOR_SIM_ENTRY(FT_OpenEx), VESSAMOR_SIM_ENTRY(FT_ListDevices), VESSAMOR_SIM_ENTRY(FT_Close),
      VESSAMOR_SIM_ENTRY(FT_ResetDevice), VESSAMOR_SIM_ENTRY(FT_Purge), VESSAMOR_SIM_ENTRY(FT_SetTimeouts),
      VESSAMOR_SIM_ENTRY(FT_GetQueueStatus), VESSAMOR_SIM_ENTRY(FT_GetQueueStatusEx),
      VESSAMOR_SIM_ENTRY(FT_SetDtr), VESSAMOR_SIM_ENTRY(FT_ClrDtr), VESSAMOR_SIM_ENTRY(FT_SetRts),
      VESSAMOR_SIM_ENTRY(FT_ClrRts), VESSAMOR_SIM_ENTRY(FT_GetModemStatus), VESSAMOR_SIM_ENTRY(FT_SetChars),
      VESSAMOR_SIM_ENTRY(FT_SetLatencyTimer), VESSAMOR_SIM_ENTRY(FT_GetLatencyTimer),
      VESSAMOR_SIM_ENTRY(FT_SetDataCharacteristics), VESSAMOR_SIM_ENTRY(FT_SetFlowControl),
      VESSAMOR_SIM_ENTRY(FT_SetBreakOn), VESSAMOR_SIM_ENTRY(FT_SetBreakOff), VESSAMOR_SIM_ENTRY(FT_ResetPort),
      VESSAMOR_SIM_ENTRY(FT_GetDeviceInfo), VESSAMOR_SIM_ENTRY(FT_EE_Program), VESSAMOR_SIM_ENTRY(FT_EE_Read),
      VESSAMOR_SIM_ENTRY(FT_EE_ReadEx), VESSAMOR_SIM_ENTRY(FT_EE_UASize), VESSAMOR_SIM_ENTRY(FT_EE_UARead),
      VESSAMOR_SIM_ENTRY(FT_EE_UAWrite), VESSAMOR_SIM_ENTRY(FT_SetBitMode), VESSAMOR_SIM_ENTRY(FT_GetBitMode),
      VESSAMOR_SIM_ENTRY(FT_SetEventNotification), VESSAMOR_SIM_ENTRY(FT_GetStatus),
      VESSAMOR_SIM_ENTRY(FT_GetEventStatus), VESSAMOR_SIM_ENTRY(FT_SetBaudRate),
      VESSAMOR_SIM_ENTRY(FT_SetUSBParameters), VESSAMOR_SIM_ENTRY(FT_SetDivisor),
      VESSAMOR_SIM_ENTRY(FT_SetResetPipeRetryCount),
  };
#undef VESSAMOR_SIM_ENTRY
  if (name == nullptr) return nullptr;
  for (const auto& entry : kEntries) {
    if (std::strcmp(entry.name, name) == 0) return entry.address;
  }
  return nullptr;
}

}  // namespace sim::d2xx
