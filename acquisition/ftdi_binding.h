// The process-wide table of D2XX entry points and the binding that fills it by name.
#pragma once

#include <functional>

#include "acquisition/ftdi_api.h"

// One pointer per entry point; before binding, and for optional names the library lacks, each
// points at a stub that fails with FT_NOT_SUPPORTED, so a call never goes through null.
struct FtdiEntryPoints {
  FT_Write_Fn FT_Write;
  FT_Read_Fn FT_Read;
  FT_Open_Fn FT_Open;
  FT_OpenEx_Fn FT_OpenEx;
  FT_ListDevices_Fn FT_ListDevices;
  FT_Handle_Fn FT_Close;
  FT_Handle_Fn FT_ResetDevice;
  FT_Purge_Fn FT_Purge;
  FT_SetTimeouts_Fn FT_SetTimeouts;
  FT_GetQueueStatus_Fn FT_GetQueueStatus;
  FT_GetQueueStatus_Fn FT_GetQueueStatusEx;
  FT_Handle_Fn FT_SetDtr;
  FT_Handle_Fn FT_ClrDtr;
  FT_Handle_Fn FT_SetRts;
  FT_Handle_Fn FT_ClrRts;
  FT_GetModemStatus_Fn FT_GetModemStatus;
  FT_SetChars_Fn FT_SetChars;
  FT_SetLatencyTimer_Fn FT_SetLatencyTimer;
  FT_GetLatencyTimer_Fn FT_GetLatencyTimer;
  FT_SetDataCharacteristics_Fn FT_SetDataCharacteristics;
  FT_SetFlowControl_Fn FT_SetFlowControl;
  FT_Handle_Fn FT_SetBreakOn;
  FT_Handle_Fn FT_SetBreakOff;
  FT_Handle_Fn FT_ResetPort;
  FT_GetDeviceInfo_Fn FT_GetDeviceInfo;
  FT_EE_Program_Fn FT_EE_Program;
  FT_EE_Program_Fn FT_EE_Read;
  FT_EE_ReadEx_Fn FT_EE_ReadEx;
  FT_EE_UASize_Fn FT_EE_UASize;
  FT_EE_UARead_Fn FT_EE_UARead;
  FT_EE_UAWrite_Fn FT_EE_UAWrite;
  FT_SetBitMode_Fn FT_SetBitMode;
  FT_GetBitMode_Fn FT_GetBitMode;
  FT_SetEventNotification_Fn FT_SetEventNotification;
  FT_GetStatus_Fn FT_GetStatus;
  FT_GetEventStatus_Fn FT_GetEventStatus;
  FT_SetBaudRate_Fn FT_SetBaudRate;
  FT_SetUSBParameters_Fn FT_SetUSBParameters;
  FT_SetDivisor_Fn FT_SetDivisor;
  FT_SetResetPipeRetryCount_Fn FT_SetResetPipeRetryCount;
};

// Written by the binding on the window thread before any worker starts; read-only afterwards.
extern FtdiEntryPoints Ftdi;

// Maps an entry-point name to its address, or null when absent.
using FtdiResolver = std::function<void*(const char* name)>;

struct FtdiEntryPointInfo {
  const char* Name;
  bool Required;
};
// The entry points in look-up order.
extern const FtdiEntryPointInfo FtdiEntryPointTable[40];

// Loads "libftd2xx.so" and binds the table from it; the library stays loaded for the process.
bool BindFtdiLibrary();
// Binds the table through the resolver: false at the first missing required name (later names are
// not looked up); true when every required name was found.
bool BindFtdiLibrary(const FtdiResolver& resolve);
