// The exported C entry points of the simulator's libftd2xx.so, each forwarding to the simulator.
#include "sim/d2xx.h"

#define VESSAMOR_EXPORT extern "C" __attribute__((visibility("default")))

namespace d = sim::d2xx;

VESSAMOR_EXPORT FT_STATUS FT_Write(FT_HANDLE h, LPVOID b, DWORD n, LPDWORD w) { return d::FT_Write(h, b, n, w); }
VESSAMOR_EXPORT FT_STATUS FT_Read(FT_HANDLE h, LPVOID b, DWORD n, LPDWORD r) { return d::FT_Read(h, b, n, r); }
VESSAMOR_EXPORT FT_STATUS FT_Open(int i, FT_HANDLE* h) { return d::FT_Open(i, h); }
VESSAMOR_EXPORT FT_STATUS FT_OpenEx(PVOID a, DWORD f, FT_HANDLE* h) { return d::FT_OpenEx(a, f, h); }
VESSAMOR_EXPORT FT_STATUS FT_ListDevices(PVOID a1, PVOID a2, DWORD f) { return d::FT_ListDevices(a1, a2, f); }
VESSAMOR_EXPORT FT_STATUS FT_Close(FT_HANDLE h) { return d::FT_Close(h); }
VESSAMOR_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE h) { return d::FT_ResetDevice(h); }
VESSAMOR_EXPORT FT_STATUS FT_Purge(FT_HANDLE h, ULONG m) { return d::FT_Purge(h, m); }
VESSAMOR_EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE h, ULONG r, ULONG w) { return d::FT_SetTimeouts(h, r, w); }
VESSAMOR_EXPORT FT_STATUS FT_GetQueueStatus(FT_HANDLE h, DWORD* n) { return d::FT_GetQueueStatus(h, n); }
VESSAMOR_EXPORT FT_STATUS FT_GetQueueStatusEx(FT_HANDLE h, DWORD* n) { return d::FT_GetQueueStatusEx(h, n); }
VESSAMOR_EXPORT FT_STATUS FT_SetDtr(FT_HANDLE h) { return d::FT_SetDtr(h); }
VESSAMOR_EXPORT FT_STATUS FT_ClrDtr(FT_HANDLE h) { return d::FT_ClrDtr(h); }
VESSAMOR_EXPORT FT_STATUS FT_SetRts(FT_HANDLE h) { return d::FT_SetRts(h); }
VESSAMOR_EXPORT FT_STATUS FT_ClrRts(FT_HANDLE h) { return d::FT_ClrRts(h); }
VESSAMOR_EXPORT FT_STATUS FT_GetModemStatus(FT_HANDLE h, ULONG* s) { return d::FT_GetModemStatus(h, s); }
VESSAMOR_EXPORT FT_STATUS FT_SetChars(FT_HANDLE h, UCHAR e, UCHAR eo, UCHAR r, UCHAR ro) {
  return d::FT_SetChars(h, e, eo, r, ro);
}
VESSAMOR_EXPORT FT_STATUS FT_SetLatencyTimer(FT_HANDLE h, UCHAR ms) { return d::FT_SetLatencyTimer(h, ms); }
VESSAMOR_EXPORT FT_STATUS FT_GetLatencyTimer(FT_HANDLE h, PUCHAR ms) { return d::FT_GetLatencyTimer(h, ms); }
VESSAMOR_EXPORT FT_STATUS FT_SetDataCharacteristics(FT_HANDLE h, UCHAR b, UCHAR s, UCHAR p) {
  return d::FT_SetDataCharacteristics(h, b, s, p);
}
VESSAMOR_EXPORT FT_STATUS FT_SetFlowControl(FT_HANDLE h, USHORT f, UCHAR on, UCHAR off) {
  return d::FT_SetFlowControl(h, f, on, off);
}
VESSAMOR_EXPORT FT_STATUS FT_SetBreakOn(FT_HANDLE h) { return d::FT_SetBreakOn(h); }
VESSAMOR_EXPORT FT_STATUS FT_SetBreakOff(FT_HANDLE h) { return d::FT_SetBreakOff(h); }
VESSAMOR_EXPORT FT_STATUS FT_ResetPort(FT_HANDLE h) { return d::FT_ResetPort(h); }
VESSAMOR_EXPORT FT_STATUS FT_GetDeviceInfo(FT_HANDLE h, FT_DEVICE* t, LPDWORD id, PCHAR s, PCHAR desc, LPVOID x) {
  return d::FT_GetDeviceInfo(h, t, id, s, desc, x);
}
VESSAMOR_EXPORT FT_STATUS FT_EE_Program(FT_HANDLE h, FT_PROGRAM_DATA* p) { return d::FT_EE_Program(h, p); }
VESSAMOR_EXPORT FT_STATUS FT_EE_Read(FT_HANDLE h, FT_PROGRAM_DATA* p) { return d::FT_EE_Read(h, p); }
VESSAMOR_EXPORT FT_STATUS FT_EE_ReadEx(FT_HANDLE h, FT_PROGRAM_DATA* p, char* m, char* mi, char* desc, char* s) {
  return d::FT_EE_ReadEx(h, p, m, mi, desc, s);
}
VESSAMOR_EXPORT FT_STATUS FT_EE_UASize(FT_HANDLE h, LPDWORD n) { return d::FT_EE_UASize(h, n); }
VESSAMOR_EXPORT FT_STATUS FT_EE_UARead(FT_HANDLE h, PUCHAR p, DWORD n, LPDWORD r) { return d::FT_EE_UARead(h, p, n, r); }
VESSAMOR_EXPORT FT_STATUS FT_EE_UAWrite(FT_HANDLE h, PUCHAR p, DWORD n) { return d::FT_EE_UAWrite(h, p, n); }
VESSAMOR_EXPORT FT_STATUS FT_SetBitMode(FT_HANDLE h, UCHAR m, UCHAR e) { return d::FT_SetBitMode(h, m, e); }
VESSAMOR_EXPORT FT_STATUS FT_GetBitMode(FT_HANDLE h, PUCHAR m) { return d::FT_GetBitMode(h, m); }
VESSAMOR_EXPORT FT_STATUS FT_SetEventNotification(FT_HANDLE h, DWORD m, PVOID e) {
  return d::FT_SetEventNotification(h, m, e);
}
VESSAMOR_EXPORT FT_STATUS FT_GetStatus(FT_HANDLE h, DWORD* r, DWORD* t, DWORD* e) { return d::FT_GetStatus(h, r, t, e); }
VESSAMOR_EXPORT FT_STATUS FT_GetEventStatus(FT_HANDLE h, DWORD* e) { return d::FT_GetEventStatus(h, e); }
VESSAMOR_EXPORT FT_STATUS FT_SetBaudRate(FT_HANDLE h, ULONG b) { return d::FT_SetBaudRate(h, b); }
VESSAMOR_EXPORT FT_STATUS FT_SetUSBParameters(FT_HANDLE h, ULONG in, ULONG out) {
  return d::FT_SetUSBParameters(h, in, out);
}
VESSAMOR_EXPORT FT_STATUS FT_SetDivisor(FT_HANDLE h, USHORT v) { return d::FT_SetDivisor(h, v); }
VESSAMOR_EXPORT FT_STATUS FT_SetResetPipeRetryCount(FT_HANDLE h, DWORD n) { return d::FT_SetResetPipeRetryCount(h, n); }
