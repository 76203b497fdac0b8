// The D2XX entry points over the process-wide simulated bus, and a table of them by name.
#pragma once

#include "acquisition/ftdi_api.h"

namespace sim::d2xx {

// The address of the simulator's entry point of that name (same signature as the driver's), or
// null; lets tests bind the driver table in process, without loading the shared library.
void* Resolve(const char* name);

FT_STATUS FT_Write(FT_HANDLE, LPVOID, DWORD, LPDWORD);
FT_STATUS FT_Read(FT_HANDLE, LPVOID, DWORD, LPDWORD);
FT_STATUS FT_Open(int, FT_HANDLE*);
FT_STATUS FT_OpenEx(PVOID, DWORD, FT_HANDLE*);
FT_STATUS FT_ListDevices(PVOID, PVOID, DWORD);
FT_STATUS FT_Close(FT_HANDLE);
FT_STATUS FT_ResetDevice(FT_HANDLE);
FT_STATUS FT_Purge(FT_HANDLE, ULONG);
FT_STATUS FT_SetTimeouts(FT_HANDLE, ULONG, ULONG);
FT_STATUS FT_GetQueueStatus(FT_HANDLE, DWORD*);
FT_STATUS FT_GetQueueStatusEx(FT_HANDLE, DWORD*);
FT_STATUS FT_SetDtr(FT_HANDLE);
FT_STATUS FT_ClrDtr(FT_HANDLE);
FT_STATUS FT_SetRts(FT_HANDLE);
FT_STATUS FT_ClrRts(FT_HANDLE);
FT_STATUS FT_GetModemStatus(FT_HANDLE, ULONG*);
FT_STATUS FT_SetChars(FT_HANDLE, UCHAR, UCHAR, UCHAR, UCHAR);
FT_STATUS FT_SetLatencyTimer(FT_HANDLE, UCHAR);
FT_STATUS FT_GetLatencyTimer(FT_HANDLE, PUCHAR);
FT_STATUS FT_SetDataCharacteristics(FT_HANDLE, UCHAR, UCHAR, UCHAR);
FT_STATUS FT_SetFlowControl(FT_HANDLE, USHORT, UCHAR, UCHAR);
FT_STATUS FT_SetBreakOn(FT_HANDLE);
FT_STATUS FT_SetBreakOff(FT_HANDLE);
FT_STATUS FT_ResetPort(FT_HANDLE);
FT_STATUS FT_GetDeviceInfo(FT_HANDLE, FT_DEVICE*, LPDWORD, PCHAR, PCHAR, LPVOID);
FT_STATUS FT_EE_Program(FT_HANDLE, FT_PROGRAM_DATA*);
FT_STATUS FT_EE_Read(FT_HANDLE, FT_PROGRAM_DATA*);
FT_STATUS FT_EE_ReadEx(FT_HANDLE, FT_PROGRAM_DATA*, char*, char*, char*, char*);
FT_STATUS FT_EE_UASize(FT_HANDLE, LPDWORD);
FT_STATUS FT_EE_UARead(FT_HANDLE, PUCHAR, DWORD, LPDWORD);
FT_STATUS FT_EE_UAWrite(FT_HANDLE, PUCHAR, DWORD);
FT_STATUS FT_SetBitMode(FT_HANDLE, UCHAR, UCHAR);
FT_STATUS FT_GetBitMode(FT_HANDLE, PUCHAR);
FT_STATUS FT_SetEventNotification(FT_HANDLE, DWORD, PVOID);
FT_STATUS FT_GetStatus(FT_HANDLE, DWORD*, DWORD*, DWORD*);
FT_STATUS FT_GetEventStatus(FT_HANDLE, DWORD*);
FT_STATUS FT_SetBaudRate(FT_HANDLE, ULONG);
FT_STATUS FT_SetUSBParameters(FT_HANDLE, ULONG, ULONG);
FT_STATUS FT_SetDivisor(FT_HANDLE, USHORT);
FT_STATUS FT_SetResetPipeRetryCount(FT_HANDLE, DWORD);

}  // namespace sim::d2xx
